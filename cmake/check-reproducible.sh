#!/bin/sh
# Checks that the release kit is reproducible: the committed HEAD is cloned
# twice into different folders (different depths and names) and `make dist`
# runs in each, under different time zones and file-creation masks; the two
# K7.dll and the two zips must be the same bytes. Uncommitted changes are not
# part of the check. It builds the DLL twice from scratch.
#
# usage: check-reproducible.sh [WORK]   (default build/reproducible)
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$src/build/reproducible}
rev=$(git -C "$src" rev-parse HEAD)
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
start=$(date +%s)

# usage: build FOLDER TIME_ZONE UMASK
build() {
  (
    umask "$3"
    git clone -q --no-hardlinks "$src" "$1"
    git -C "$1" checkout -q --detach "$rev"
    cd "$1" && TZ=$2 make --no-print-directory dist JOBS="${JOBS:-2}"
  ) > "$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; echo "check-reproducible: make dist failed in $1"; exit 1; }
  echo "check-reproducible: built in $1 ($(( $(date +%s) - start )) s so far)"
}
one=$work/one/k7pendant
two=$work/second/clone/of/the/source
build "$one" UTC 022
build "$two" America/Santiago 077

status=0
for file in build/win32/K7.dll dist/*.zip; do
  a=$(ls $one/$file) b=$(ls $two/$file)
  if cmp -s "$a" "$b"; then
    echo "same bytes: $(basename "$a") $(sha256sum < "$a" | cut -d' ' -f1)"
  else
    echo "check-reproducible: $(basename "$a") differs between $one and $two"
    cmp "$a" "$b" | head -n 1
    status=1
  fi
done
echo "check-reproducible: commit $rev, $(( $(date +%s) - start )) s"
[ $status = 0 ] && rm -rf "$work"
exit $status
