#!/bin/sh
# Runs the CTest suites of the given presets one after the other, each through
# suite-start.sh and shown when it is over, and closes with one summary: the
# tests of each preset, then the total. Presets named after --skip are counted
# as skipped without running (their reason has been printed by the caller).
# Presets named after --started were started earlier by suite-start.sh (in the
# virtual machine of vm-run.sh with its --vm; a guest that failed or hung
# counts as one failed test): their turn waits for them.
# Sessions that the Windows suites recorded through the module itself are then
# replayed by the Linux simulator, each counted as one test. Exit status 1
# when any test failed.
#
# usage: run-suites.sh [-j N] PRESET... [--started PRESET...] [--skip PRESET...]
set -u
jobs=2
if [ "${1:-}" = "-j" ]; then jobs=$2; shift 2; fi
run="" skip="" started="" into=run
for arg in "$@"; do
  case $arg in
    --skip) into=skip; continue ;;
    --started) into=started; continue ;;
  esac
  eval "$into=\"\$$into \$arg\""
done

mkdir -p build
# A suite started here has a process group of its own, out of an interrupt's reach.
trap 'for p in $run; do ./cmake/suite-start.sh --stop "$p"; done; exit 130' INT TERM
passed=0 failed=0 skipped=0 summary=""
for preset in $run $started; do
  log=build/ctest-$preset.log
  case " $started " in
    *" $preset "*) later=" (started earlier)" ;;
    *) ./cmake/suite-start.sh -j "$jobs" "$preset"; later="" ;;
  esac
  where=$(cat "$log.where" 2> /dev/null)
  echo "== tests: $preset$where$later"
  # The job writes its status last; a job that died without one failed.
  while [ ! -f "$log.status" ] && kill -0 "$(cat "$log.pid" 2> /dev/null)" 2> /dev/null; do
    sleep 1
  done
  [ -f "$log.status" ] || echo 1 > "$log.status"
  cat "$log" 2> /dev/null
  seconds=$(cat "$log.seconds" 2> /dev/null || echo 0)
  line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    total=$(echo "$line" | sed -E 's/.* out of ([0-9]+).*/\1/')
    bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of.*/\1/')
  else
    total=1 bad=1  # ctest itself failed
  fi
  [ "$(cat "$log.status")" = 0 ] || [ "$bad" != 0 ] || bad=1
  passed=$((passed + total - bad)) failed=$((failed + bad))
  summary="$summary$(printf '  %-15s %4d passed, %d failed (%d s%s)' "$preset" $((total - bad)) "$bad" "$seconds" "$where")
"
done
for preset in $run $started; do
  recording=build/$preset/recorded-module/session.trace
  [ -f "$recording" ] || continue
  echo "== replay: the session $preset's module recorded"
  if ./build/linux/k7sim run "$recording"; then
    passed=$((passed + 1)) bad=0
  else
    failed=$((failed + 1)) bad=1
  fi
  summary="$summary$(printf '  %-15s %4d passed, %d failed (its recorded session, replayed)' "$preset" $((1 - bad)) "$bad")
"
done
for preset in $skip; do
  count=$(ctest --preset "$preset" -N 2> /dev/null | sed -n -E 's/^Total Tests: ([0-9]+)$/\1/p')
  count=${count:-0}
  skipped=$((skipped + count))
  summary="$summary$(printf '  %-15s %4d skipped' "$preset" "$count")
"
done

echo "== summary"
printf '%s' "$summary"
if [ "$skipped" -gt 0 ]; then
  echo "tests: $passed passed, $failed failed, $skipped skipped"
else
  echo "tests: $passed passed, $failed failed"
fi
[ "$failed" = 0 ]
