#!/usr/bin/env bash
# bench/run in quick mode: it must finish (its installs and baselines check
# what they installed) and print its whole table, every row with its two
# times and ratios, the frame statistics and both goals. Times are never
# judged here.
# Usage: bench_quick.sh TOP BUILD WORK
set -euo pipefail
top=$1
build=$2
work=$3
rm -rf "$work"

# A stop during an install ends the run there: no table, and nothing of it
# left running (X server, nginx, the benchmark and its install child).
out=$(mktemp)
BUILD_DIR="$build" "$top/bench/run" --quick --work "$work" >"$out" 2>&1 &
pid=$!
for _ in $(seq 1200); do
  [ ! -d "$work/run-default/config" ] || break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
cat "$out"
left=$(pgrep -af -- "$work" | grep -v bench_quick.sh || true)
! grep -q '^goal' "$out" || { echo "bench_quick: the run went on to its table after SIGTERM" >&2; exit 1; }
[ "$status" -eq 143 ] || { echo "bench_quick: status $status after SIGTERM" >&2; exit 1; }
[ -z "$left" ] || { echo "bench_quick: left running after SIGTERM: $left" >&2; exit 1; }
rm -rf "$work" "$out"

# The whole quick run, in the shape of a small-file release; a second run on
# the same work folder meanwhile is refused, by name, and leaves the first alone.
log=$(mktemp)
BUILD_DIR="$build" "$top/bench/run" --quick --files 60 --small --per-folder 10 --work "$work" >"$log" 2>&1 &
pid=$!
for _ in $(seq 1200); do
  ! grep -q '^reference master' "$log" || break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
status=0
second=$(BUILD_DIR="$build" "$top/bench/run" --quick --work "$work" 2>&1) || status=$?
echo "$second"
status1=0
wait "$pid" || status1=$?
out=$(cat "$log")
rm -f "$log"
echo "$out"
[ "$status1" -eq 0 ] || { echo "bench_quick: bench/run failed" >&2; exit 1; }
[ "$status" -ne 0 ] || { echo "bench_quick: a second run on the same work folder went ahead" >&2; exit 1; }
grep -q "another bench/run is using $work" <<<"$second" || { echo "bench_quick: the second run did not say why" >&2; exit 1; }
num='[0-9]+\.[0-9]+'
need() {  # need REGEX WHAT: a line of the output matches
  echo "$out" | grep -Eq "$1" || { echo "bench_quick: no $2" >&2; exit 1; }
}
for row in "1 +fresh install" "1b +fresh install, _use_max_cpu 1" "2 +update, 5% changed \(start to end\)" \
  "3 +destination signature scan" "4 +builder"; do
  need "^$row +$num +$num +${num}x +${num}x " "row \"$row\" with its numbers"
done
need "^2 +bytes served by nginx: ours $num MB, baseline $num MB, ratio ${num}x$" "bytes served for row 2"
# Every install drew frames, and each has its statistics.
for run in "fresh install" "fresh install, _use_max_cpu 1" "update"; do
  need "^5 +$run +[1-9][0-9]* +$num +$num +$num +[0-9]+$" "frame times during \"$run\""
done
need "^reference master: 69 files" "master of the size asked for"
for run in "fresh install" "fresh install, _use_max_cpu 1" "update"; do
  need "^6 +$run +$num +$num +-?[0-9]+$" "memory of \"$run\""
done
need "^goal: the fresh install is faster than curl -Z 4 \+ unzip \(${num}x\): (met|NOT met)$" "install goal"
need "^goal: no frame longer than 100 ms during an install \([0-9]+ longer\): (met|NOT met)$" "frame goal"
rm -rf "$work"
echo "bench_quick: ok"
