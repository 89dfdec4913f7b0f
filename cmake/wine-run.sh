#!/bin/sh
# Runs a Windows test executable under wine64 with a private prefix beside the
# build, so tests never touch a user's ~/.wine and never prompt for installers.
# The 64-bit loader is called directly: the plain `wine` launcher would look
# for a 32-bit loader, which this machine cannot run.
here=$(pwd)
while [ "$here" != "/" ] && [ ! -f "$here/CMakeCache.txt" ]; do here=$(dirname "$here"); done
[ -f "$here/CMakeCache.txt" ] || here=$(pwd)
export WINEPREFIX="${K7_WINEPREFIX:-$here/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
