#!/usr/bin/env bash
# bench/run in quick mode: it must finish and print its whole table, every
# row with its two times and ratios. Times are never judged here.
# Usage: bench_quick.sh TOP BUILD WORK
set -euo pipefail
top=$1
build=$2
work=$3
rm -rf "$work"
out=$(BUILD_DIR="$build" "$top/bench/run" --quick --work "$work" 2>&1) || {
  echo "$out"
  echo "bench_quick: bench/run failed" >&2
  exit 1
}
echo "$out"
num='[0-9]+\.[0-9]+'
for row in "3 +destination signature scan" "4 +builder"; do
  echo "$out" | grep -Eq "^$row +$num +$num +${num}x +${num}x " ||
    { echo "bench_quick: no row \"$row\" with its numbers" >&2; exit 1; }
done
rm -rf "$work"
echo "bench_quick: ok"
