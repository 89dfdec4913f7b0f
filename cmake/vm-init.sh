#!/bin/busybox sh
# The init of the test virtual machine (cmake/vm-prepare.sh packs it): loads
# the virtio and 9p modules in the order the kernel's modules.dep gave, mounts
# the host's root (shared read-write over 9p) and runs the job script named on
# the kernel's command line (k7job=PATH) inside it, then powers off. The job's
# exit status goes to the console as "k7vm-status: N"; vm-run.sh reads it.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev

halt() {
  echo "k7vm-status: $1"
  sync
  poweroff -f
}

for module in $(cat /modules); do
  insmod "/lib/modules/$module" || { echo "k7vm: cannot load $module"; halt 125; }
done
job=$(sed -n 's/.*k7job=\([^ ]*\).*/\1/p' /proc/cmdline)
mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=loose hostroot /mnt ||
  { echo "k7vm: cannot mount the host's root"; halt 125; }
mount -t proc proc /mnt/proc
mount -t sysfs sys /mnt/sys
mount -t devtmpfs dev /mnt/dev
mkdir -p /mnt/dev/pts /mnt/dev/shm
mount -t devpts devpts /mnt/dev/pts
mount -t tmpfs shm /mnt/dev/shm
# Unix sockets cannot live on 9p: the X server's folder gets a tmpfs of the
# guest, and the job points TMPDIR (wine's server folder) at /dev/shm. The
# rest of /tmp stays the host's: a checkout may live there.
mkdir -p /mnt/tmp/.X11-unix
mount -t tmpfs x11 /mnt/tmp/.X11-unix
chmod 1777 /mnt/tmp/.X11-unix /mnt/dev/shm

[ -f "/mnt$job" ] || { echo "k7vm: no job script $job"; halt 125; }
chroot /mnt /bin/sh "$job"
halt $?
