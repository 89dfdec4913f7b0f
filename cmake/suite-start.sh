#!/bin/sh
# Starts one preset's CTest suite in the background and returns at once: its
# output goes to build/ctest-PRESET.log, its exit status to .status beside it
# when it is over. run-suites.sh --started PRESET waits for it and counts it;
# suite-start.sh --stop PRESET ends it early (make test on a failed build).
# With --vm the suite runs inside the virtual machine of vm-run.sh.
#
# usage: suite-start.sh [-j N] [--vm] PRESET | suite-start.sh --stop PRESET
set -u
if [ "${1:-}" = --stop ]; then
  pidfile=build/ctest-${2:?usage: suite-start.sh --stop PRESET}.log.pid
  # The job leads a process group of its own, qemu included.
  [ -f "$pidfile" ] && kill -TERM "-$(cat "$pidfile")" 2> /dev/null
  rm -f "$pidfile"
  exit 0
fi
jobs=2 wrap="" where=""
if [ "${1:-}" = -j ]; then jobs=$2; shift 2; fi
if [ "${1:-}" = --vm ]; then wrap=./cmake/vm-run.sh where=" in a virtual machine"; shift; fi
preset=${1:?usage: suite-start.sh [-j N] [--vm] PRESET}
log=build/ctest-$preset.log
mkdir -p build
rm -f "$log" "$log.status" "$log.seconds" "build/$preset/recorded-module/session.trace"
printf '%s' "$where" > "$log.where"
# setsid: a process group of its own, so that --stop reaches everything it started.
setsid sh -c '
  echo $$ > "$3.pid"
  start=$(date +%s)
  $0 ctest --preset "$1" -j "$2" > "$3" 2>&1
  status=$?
  echo $(( $(date +%s) - start )) > "$3.seconds"
  echo $status > "$3.status"
' "${wrap:-env}" "$preset" "$jobs" "$log" < /dev/null > /dev/null 2>&1 &
# Returns once the job is known by its pid, so that a caller may wait for it.
for try in 1 2 3 4 5 6 7 8 9 10; do [ -s "$log.pid" ] && break; sleep 0.2; done
