#!/bin/sh
# The simulator's own speed: the wall time to run every trace of a folder
# (best of five), and a generated trace of a million ticks of use (keys, wheel
# turns in step and velocity mode, long idle stretches, every effect checked
# off), then one of a million wheel detents, one a tick: their ticks per second
# and their peak memory.
# Usage: sim_run.sh K7SIM TRACE_FOLDER
set -eu
sim=$1
folder=$2
files=$(ls "$folder"/*.trace | wc -l)
best=""
for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$sim" run "$folder"/*.trace > /dev/null
    took=$(( ($(date +%s%N) - start) / 1000 ))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
done
echo "k7sim run, all $files traces of $folder: $((best / 1000)) ms wall (best of 5)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
trace=$scratch/million.trace
awk 'BEGIN {
    print "led 83 1"; print "host jogIncrement 0.01"; print "host axisVelocity 0 100"
    print "start"; print "pendant"; print "tick"; ticks = 1
    for (block = 0; ticks < 1000000; ++block) {
        print "pendant keys=M1 speed=40"; print "tick"; print "pendant keys=none"
        print "update 3"; print "tick"; ticks += 2
        for (i = 0; i < 4; ++i) { print "turn " (i == 2 ? -2 : 3); print "tick"; print "update 1"; ticks += 1 }
        print "tick 400"; print "update 400"; print "skip"; ticks += 400
    }
    print "expect none"
    print "# ticks " ticks
}' > "$trace"
# Runs a generated trace; prints its ticks per second and peak memory.
measure() {
    ticks=$(sed -n 's/^# ticks //p' "$1")
    /usr/bin/time -f "%e %M" -o "$scratch/time" "$sim" run "$1"
    read -r seconds kilobytes < "$scratch/time"
    echo "k7sim run, a trace of $ticks ticks$2 ($(wc -l < "$1") lines): $seconds s," \
         "$(awk -v t="$ticks" -v s="$seconds" 'BEGIN { printf "%.0f", t / (s > 0 ? s : 0.01) }') ticks/s," \
         "peak memory $((kilobytes / 1024)) MB"
}
measure "$trace" ""

# The same number of ticks, each with a wheel detent and its step, three lines
# a tick: the trace is read as a stream, so its length costs no memory.
awk 'BEGIN {
    print "led 83 1"; print "host jogIncrement 0.01"; print "start"; print "pendant"; print "tick"
    for (i = 1; i < 1000000; ++i) { print "turn 1"; print "tick"; print "update" }
    print "# ticks " i
}' > "$trace"
measure "$trace" ", one detent each"

# Session recordings: an hour of a host ticking 40 times and updating 10 times
# a second, idle and with the wheel turning a step every tick, as the plug-in
# records them; then a recording of a million ticks (the idle hour's pattern
# with a turning minute in every ten) replayed: its size and k7sim run's memory.
hour() {  # $1: the command a tick's report takes ("" at rest)
    awk -v turn="$1" 'BEGIN {
        print "led 83 1"; print "host jogIncrement 0.01"; print "start"; print "pendant"; print "tick"
        for (i = 0; i < 36000; ++i) {
            for (j = 0; j < 4; ++j) { if (turn != "") print turn; print "tick" }
            print "update"
        }
        print "stop"
    }'
}
for kind in idle busy; do
    mkdir -p "$scratch/$kind"
    hour "$([ $kind = busy ] && echo 'turn 1')" > "$scratch/$kind.trace"
    "$sim" run --record-sessions "$scratch/$kind" "$scratch/$kind.trace"
    echo "a recorded hour, $kind: $(( $(cat "$scratch/$kind"/K7-*.trace | wc -c) / 1024 )) KB"
done
awk 'BEGIN {
    print "led 83 1"; print "host jogIncrement 0.01"; print "start"; print "pendant"; print "tick"
    for (ticks = 1; ticks < 1000000; ) {
        for (i = 0; i < 2400; ++i) { print "turn 1"; print "tick"; if (i % 4 == 3) print "update" }
        for (i = 0; i < 21600; ++i) { print "tick 4"; print "update" }
        ticks += 2400 + 86400
    }
    print "stop"
    print "# ticks " ticks
}' > "$trace"
mkdir -p "$scratch/million"
"$sim" run --record-sessions "$scratch/million" "$trace"
recorded=$(ls "$scratch"/million/K7-*.trace)
echo "# ticks $(sed -n 's/^# ticks //p' "$trace")" >> "$recorded"
echo "a recorded million ticks: $(( $(wc -c < "$recorded") / 1024 / 1024 )) MB"
measure "$recorded" ", recorded by the plug-in"
