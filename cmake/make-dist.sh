#!/bin/sh
# Builds the release kit a machinist downloads: DEST/k7pendant-VERSION-win32.zip
# holding K7.dll, README.txt (the README's sections for Windows users, with
# Windows line ends), LICENSE, CHANGELOG.md and SHA256SUMS of those four.
#
# The zip is reproducible: every file gets the time of the commit it is built
# from (SOURCE_DATE_EPOCH when set), mode 0644, a fixed order, and no extra
# fields (owner, access times); its times are written in UTC.
#
# usage: make-dist.sh DLL VERSION DEST
set -eu
dll=${1:?usage: make-dist.sh DLL VERSION DEST}
version=${2:?usage: make-dist.sh DLL VERSION DEST}
dest=${3:?usage: make-dist.sh DLL VERSION DEST}
src=$(cd "$(dirname "$0")/.." && pwd)
command -v zip > /dev/null || { echo "make-dist: zip missing (make deps installs it)"; exit 1; }
[ -f "$dll" ] || { echo "make-dist: $dll not found"; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2> /dev/null || echo 315532800)
fi

name=k7pendant-$version-win32
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/K7.dll"
cp "$src/LICENSE" "$src/CHANGELOG.md" "$stage/"
"$src/cmake/machinist-readme.sh" "$src/README.md" "$version" | sed 's/$/\r/' > "$stage/README.txt"
files="K7.dll README.txt LICENSE CHANGELOG.md"
(cd "$stage" && sha256sum $files > SHA256SUMS)
for f in $files SHA256SUMS; do
  chmod 0644 "$stage/$f"
  touch -d "@$SOURCE_DATE_EPOCH" "$stage/$f"
done
mkdir -p "$dest"
rm -f "$dest/$name.zip"
(cd "$stage" && TZ=UTC zip -X -D -q -9 "$name.zip" $files SHA256SUMS)
mv "$stage/$name.zip" "$dest/$name.zip"
(cd "$dest" && sha256sum "$name.zip" > "$name.zip.sha256")
echo "make-dist: $dest/$name.zip"
cat "$dest/$name.zip.sha256"
