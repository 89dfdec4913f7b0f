#!/bin/sh
# Prepares the throwaway virtual machine that runs the i686 suites where this
# machine's kernel cannot execute 32-bit code: Debian's stock kernel (32-bit
# emulation on, 9p as modules), unpacked from its package with nothing
# installed, and an initramfs of busybox and the modules that mount this
# machine's root over 9p (cmake/vm-init.sh is its init).
#
# The kernel's version is resolved afresh through the linux-image-amd64
# package, not pinned here; the modules' load order comes from that kernel's
# own modules.dep (it changes between point releases).
#
# usage: vm-prepare.sh DEST   (DEST/.complete marks a finished preparation)
set -eu
dest=${1:?usage: vm-prepare.sh DEST}
[ -f "$dest/.complete" ] && exit 0
here=$(cd "$(dirname "$0")" && pwd)
for tool in qemu-system-x86_64 busybox depmod apt-get dpkg; do
  command -v $tool > /dev/null || { echo "vm-prepare: $tool missing (make deps installs it)"; exit 1; }
done
busybox=$(command -v busybox)
ldd "$busybox" 2>&1 | grep -q 'not a dynamic' ||
  { echo "vm-prepare: $busybox is not the static busybox (busybox-static)"; exit 1; }

start=$(date +%s)
rm -rf "$dest"
mkdir -p "$dest/debs" "$dest/kernel" "$dest/initramfs"
dest=$(cd "$dest" && pwd)

image=$(apt-cache depends linux-image-amd64 2> /dev/null |
  awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9].*-amd64$/ { print $2; exit }')
[ -n "$image" ] || { echo "vm-prepare: apt knows no linux-image-amd64 (run apt-get update)"; exit 1; }
(cd "$dest/debs" && "$here/apt-retry.sh" -q download "$image" > download.log 2>&1) ||
  { cat "$dest/debs/download.log"; exit 1; }
dpkg -x "$dest"/debs/"$image"_*.deb "$dest/kernel"
kver=${image#linux-image-}
kernel=$(ls "$dest"/kernel/boot/vmlinuz-"$kver")
depmod -b "$dest/kernel" "$kver"
moddir="$dest/kernel/lib/modules/$kver"

# Each wanted module after everything it needs: modules.dep lists a module's
# needs so that the last one loads first.
order=$(awk -v want="virtio_pci 9pnet_virtio 9p" '
  function base(path) { sub(/.*\//, "", path); sub(/\.ko(\.[a-z]+)?$/, "", path); return path }
  function add(name,    n, list, i) {
    if (name in added) return
    if (!(name in deps)) { missing = missing " " name; return }
    n = split(deps[name], list, " ")
    for (i = n; i >= 1; i--) add(base(list[i]))
    added[name] = 1; print path[name]
  }
  { name = $1; sub(/:$/, "", name); p = name; name = base(name); path[name] = p
    $1 = ""; deps[name] = $0 }
  END {
    n = split(want, w, " ")
    for (i = 1; i <= n; i++) add(w[i])
    if (missing != "") { print "missing:" missing > "/dev/stderr"; exit 1 }
  }' "$moddir/modules.dep")

root="$dest/initramfs"
mkdir -p "$root/bin" "$root/lib/modules" "$root/proc" "$root/sys" "$root/dev" "$root/mnt"
cp "$busybox" "$root/bin/busybox"
: > "$root/modules"
for module in $order; do
  file=$(basename "$module")
  case $file in
    *.ko.xz) xz -dc "$moddir/$module" > "$root/lib/modules/${file%.xz}"; file=${file%.xz} ;;
    *.ko.zst) zstd -qdc "$moddir/$module" > "$root/lib/modules/${file%.zst}"; file=${file%.zst} ;;
    *) cp "$moddir/$module" "$root/lib/modules/$file" ;;
  esac
  echo "$file" >> "$root/modules"
done
cp "$here/vm-init.sh" "$root/init"
chmod 0755 "$root/init"
(cd "$root" && find . | LC_ALL=C sort | "$busybox" cpio -o -H newc -R 0:0 2> /dev/null) |
  gzip -n > "$dest/initramfs.gz"
cp "$kernel" "$dest/vmlinuz"
rm -rf "$dest/debs" "$dest/kernel"
echo "$kver" > "$dest/kernel-version"
touch "$dest/.complete"
echo "vm-prepare: kernel $kver, $(wc -l < "$root/modules") modules ($(tr '\n' ' ' < "$root/modules")), in $(( $(date +%s) - start )) s"
