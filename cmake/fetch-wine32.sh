#!/bin/sh
# Unpacks Debian's 32-bit wine into a folder of the build tree, so the shipped
# i686 DLL runs in the tests, without installing the wine32 package and without
# adding the i386 architecture to the machine's dpkg.
#
# A private apt configuration (its own state, cache and source list, the list
# taken from the machine's own sources, i386 as the only architecture) resolves
# wine32 and its dependencies afresh each time: no package names or versions are
# pinned here. Each package is downloaded and unpacked with dpkg -x.
#
# usage: fetch-wine32.sh DEST   (DEST/.complete marks a finished unpack)
set -eu
dest=${1:?usage: fetch-wine32.sh DEST}
[ -f "$dest/.complete" ] && exit 0
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
apt_root="$dest.apt"
rm -rf "$apt_root" "$dest"
mkdir -p "$dest" "$apt_root/state/lists/partial" "$apt_root/cache/archives/partial" \
  "$apt_root/etc/sources.list.d" "$apt_root/etc/preferences.d" "$apt_root/debs"
: > "$apt_root/state/status"

# Every suite and component the machine takes its packages from, for i386.
apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(RELEASE) $(COMPONENT)' \
    'Created-By: Packages' |
  awk '$1 == "deb" { print "deb [arch=i386] " $2 " " $3 " " $4 }' | sort -u \
  > "$apt_root/etc/sources.list"
[ -s "$apt_root/etc/sources.list" ] || { echo "fetch-wine32: no apt sources found"; exit 1; }

cat > "$apt_root/apt.conf" << EOF
Dir::State "$apt_root/state";
Dir::State::status "$apt_root/state/status";
Dir::Cache "$apt_root/cache";
Dir::Etc::SourceList "$apt_root/etc/sources.list";
Dir::Etc::SourceParts "$apt_root/etc/sources.list.d";
Dir::Etc::Preferences "$apt_root/etc/preferences";
Dir::Etc::PreferencesParts "$apt_root/etc/preferences.d";
APT::Architecture "i386";
APT::Architectures { "i386"; };
APT::Get::AllowUnauthenticated "false";
Acquire::Languages "none";
EOF
export APT_CONFIG="$apt_root/apt.conf"

start=$(date +%s)
"$here/apt-retry.sh" -q update > "$apt_root/update.log" 2>&1 || { cat "$apt_root/update.log"; exit 1; }
grep '^apt-retry:' "$apt_root/update.log" || true
# An empty status file: the whole closure is listed, down to the C library.
packages=$(apt-get -s install --no-install-recommends wine32 | awk '$1 == "Inst" { print $2 }')
[ -n "$packages" ] || { echo "fetch-wine32: apt resolved no packages for wine32"; exit 1; }
(cd "$apt_root/debs" && "$here/apt-retry.sh" -q download $packages > "$apt_root/download.log" 2>&1) ||
  { cat "$apt_root/download.log"; exit 1; }
for deb in "$apt_root"/debs/*.deb; do dpkg -x "$deb" "$dest"; done

for need in usr/lib/wine/wine usr/lib/wine/wineserver32 usr/i686-w64-mingw32/lib/zlib1.dll; do
  [ -e "$dest/$need" ] || { echo "fetch-wine32: $need missing after unpack"; exit 1; }
done
rm -rf "$apt_root"
touch "$dest/.complete"
echo "fetch-wine32: $(echo $packages | wc -w) packages unpacked into $dest in $(( $(date +%s) - start )) s"
