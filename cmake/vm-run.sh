#!/bin/sh
# Runs a command, in the current folder, inside the throwaway virtual machine
# that vm-prepare.sh made (build/vm, or $K7_VM): Debian's stock kernel under
# qemu's full-system emulation, with this machine's root as its root, so a
# kernel that does not execute 32-bit code here still runs the i686 suites.
# The guest's output streams here; the exit status is the command's, 124 when
# the guest did not finish within K7_VM_TIMEOUT seconds (default 1200) and was
# stopped, 125 when the guest failed before or around the command.
#
# usage: vm-run.sh COMMAND [ARG...]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
vm=${K7_VM:-$root/build/vm}
limit=${K7_VM_TIMEOUT:-1200}
[ $# -gt 0 ] || { echo "usage: vm-run.sh COMMAND [ARG...]" >&2; exit 2; }
[ -f "$vm/.complete" ] || { echo "vm-run: no virtual machine in $vm (make test prepares it)" >&2; exit 125; }
vm=$(cd "$vm" && pwd)

quote() { printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"; }

mkdir -p "$vm/jobs"
# One guest at a time: two would share the build tree and its wine prefix.
exec 9> "$vm/.lock"
flock 9
job=$(mktemp "$vm/jobs/job.XXXXXX")
log="$job.log"
{
  echo "cd $(quote "$(pwd)") || exit 125"
  echo "export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root"
  # Temporary files, wine's server sockets among them, on the guest's tmpfs.
  echo "mkdir -p /dev/shm/k7tmp && export TMPDIR=/dev/shm/k7tmp LANG=C.UTF-8 TERM=dumb"
  # The 32-bit wine prefix there too: made afresh each run, it still costs less
  # than one kept on 9p, whose every file operation is a round trip.
  echo "export K7_WINEPREFIX=/dev/shm/wineprefix32"
  env | grep -E '^(K7_[A-Z0-9_]*|CTEST_[A-Z0-9_]*)=' | while IFS= read -r line; do
    echo "export ${line%%=*}=$(quote "${line#*=}")"
  done
  printf 'exec'
  for arg in "$@"; do printf ' %s' "$(quote "$arg")"; done
  echo
} > "$job"

# The processor is qemu's plain x86-64 model. With -cpu max glibc picks its
# AVX and AVX-512 routines, which TCG emulates slowly (the wine prefix takes four
# times as long), and TCG faults a 32-bit user-mode iret (wine restores thread
# contexts with one) as a supervisor access while SMAP is on.
# One processor (K7_VM_CPUS): the suites' wine runs one process at a time, so
# a second gains nothing alone, and beside other work on this machine two
# virtual processors stall each other (the one holding qemu's lock is
# preempted): measured 180 s alone either way, beside a build 280 s with one
# and 600 s with two.
# timeout stays in the caller's process group (--foreground), so that stopping
# the group (suite-start.sh --stop, an interrupt) stops qemu too.
start=$(date +%s)
{
  timeout --foreground -k 10 "$limit" qemu-system-x86_64 -m "${K7_VM_MEMORY:-6G}" -smp "${K7_VM_CPUS:-1}" \
    -accel tcg,thread=multi -cpu "${K7_VM_CPU:-qemu64}" \
    -kernel "$vm/vmlinuz" -initrd "$vm/initramfs.gz" \
    -append "console=ttyS0 quiet panic=-1 k7job=$job" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=passthrough,multidevs=remap \
    -display none -vga none -monitor none -serial stdio -no-reboot < /dev/null 2>&1
  echo $? > "$job.qemu"
} | sed -u 's/\r$//' | tee "$log" | grep --line-buffered -v -e '^k7vm-status: ' -e '^\[ *[0-9.]*\] reboot: Power down$'
seconds=$(( $(date +%s) - start ))
qemu=$(cat "$job.qemu")
status=$(sed -n 's/^k7vm-status: \([0-9]*\)$/\1/p' "$log" | tail -n 1)
rm -f "$job" "$job.qemu"
if [ "$qemu" = 124 ] || [ "$qemu" = 137 ]; then
  echo "vm-run: the guest did not finish within $limit s and was stopped (log: $log)"
  exit 124
fi
if [ -z "$status" ]; then
  echo "vm-run: the guest stopped without the command's exit status (qemu: $qemu; log: $log)"
  exit 125
fi
echo "vm-run: the guest ran for $seconds s; the command exited with $status"
rm -f "$log"
exit "$status"
