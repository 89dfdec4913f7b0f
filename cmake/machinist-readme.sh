#!/bin/sh
# Writes README.txt of the release kit to standard output: a short head, then
# the sections of README.md a machinist needs, as plain text. Text between
# "<!-- developers only -->" and "<!-- /developers only -->" stays out, as do
# pictures; emphasis marks and link targets are dropped.
#
# usage: machinist-readme.sh README.md VERSION
set -eu
readme=${1:?usage: machinist-readme.sh README.md VERSION}
version=${2:?usage: machinist-readme.sh README.md VERSION}
title="K7 Pendant $version for Mach3"
cat << EOF
$title
$(printf '%s' "$title" | sed 's/./=/g')

K7.dll is the plug-in that connects the K7 USB hand pendant (its hand wheel,
ten keys and indicators) to Mach3 on Windows. The last section, "The release
kit", says how to check that the files are the ones released.

EOF
awk '
  BEGIN {
    split("Install|Enable|Configure|Keys and the wheel|Unplugging and plugging in|" \
          "Reporting a problem|Troubleshooting|The release kit", names, "|")
    for (i in names) want[names[i]] = 1
  }
  /^## / { title = substr($0, 4); keep = (title in want); skip = 0
           if (keep) { print title; u = title; gsub(/./, "-", u); print u }
           next }
  !keep { next }
  /<!-- developers only -->/ { skip = 1; next }
  /<!-- \/developers only -->/ { skip = 0; next }
  skip || /^!\[/ { next }
  { print }
' "$readme" | sed -E -e 's/\*\*//g' -e 's/`//g' -e 's/\[([^]]*)\]\([^)]*\)/\1/g' | cat -s
