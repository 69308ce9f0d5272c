#!/usr/bin/env bash
# The frame test application under Xvfb, driven by xdotool: clicks, a
# double-click, the wheel, typing and keys, then Control+Q. Checks the
# record, the exit status and the screen (kept as PNG in KEEP_DIR).
# Usage: frame_xvfb.sh APP KEEP_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
name=frame_xvfb
# shellcheck source=xvfb_start.sh
. "$here/xvfb_start.sh"

wait_for ready
wid=$(app_window) || exit 1

# The screen as Xvfb holds it, before any input.
python3 "$here/xwd_check.py" "$SKY_FB/Xvfb_screen0" "$rec" "$keep/xvfb_screen.png" || fail "screen check"
cp "$SKY_FB"/app/screenshot_*.png "$keep/" || fail "no screenshot"

# Lines of the record equal to $1.
count() { grep -c "^$1\$" "$rec" 2>/dev/null || true; }
# Waits up to 60 s until the record holds $2 lines equal to $1.
wait_count() {
  for _ in $(seq 600); do
    [ "$(count "$1")" -ge "$2" ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended before $2 x '$1'"
    sleep 0.1
  done
  fail "no $2 x '$1' within 60 s"
}

# No window manager: focus by hand; positions are window-relative.
xdotool windowfocus --sync "$wid"
xdotool mousemove --window "$wid" 100 200 click 1
wait_for "click 100 568 0"
# A double click is two presses within a quarter second of the program's
# own frames; a machine slow enough to stretch them apart gets another try,
# a moment after the last, so that no try runs into the one before.
xdotool mousemove --window "$wid" 300 400
tries=0
while :; do
  sleep 0.5
  tries=$((tries + 1))
  xdotool click --repeat 2 --delay 120 1
  wait_count "click 300 368 [01]" $((2 * tries))
  [ "$(count "click 300 368 1")" -ge 1 ] && break
  [ $tries -lt 5 ] || fail "no double click in $tries tries"
done
sleep 0.5
xdotool click --repeat 3 4 click 5
xdotool type --delay 60 ab
xdotool key --delay 60 Return F1 shift+F1 ctrl+q

wait_exit "Control+Q"

missed=""
for _ in $(seq 2 "$tries"); do missed+="click 300 368 0
click 300 368 0
"; done
expected="click 100 568 0
${missed}click 300 368 0
click 300 368 1
key 0 97
key 0 98
key 0 13
key 3 50
key 3 62
key 2 113
wheel 2
done"
got=$(grep -v '^mark\|^ready' "$rec")
if [ "$got" != "$expected" ]; then
  echo "frame_xvfb: record differs" >&2
  diff <(echo "$expected") <(echo "$got") >&2 || true
  exit 1
fi
grep -q "Clean exit from threads." "$SKY_FB/app/Log.txt" || fail "no clean exit in the log"
echo "frame_xvfb: ok"
