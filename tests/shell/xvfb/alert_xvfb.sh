#!/usr/bin/env bash
# The alert application under Xvfb: the first warning is dismissed by a real
# click on its button, the second by a real Return. Checks the record, the
# log, the exit status and that the alert reached the X screen (kept as PNG
# in KEEP_DIR).
# Usage: alert_xvfb.sh APP KEEP_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
name=alert_xvfb
# shellcheck source=xvfb_start.sh
. "$here/xvfb_start.sh"

wait_for "alert 1"
wid=$(app_window) || exit 1
python3 "$here/alert_screen_check.py" "$SKY_FB/Xvfb_screen0" "$keep/alert_screen.png" || fail "screen check"

# No window manager: focus by hand; positions are window-relative. The
# button is centred on the 400 x 230 alert window, 18 up from its bottom:
# layout (312 + 200, 269 + 18), 768 - 287 = 481 pixels down.
xdotool windowfocus --sync "$wid"
xdotool mousemove --window "$wid" 512 481 sleep 0.3 click 1
wait_for "alert 2"
xdotool key Return

wait_exit "the last alert"

expected="in window
alert 1
back 1 on 0 mouse kept
alert 2
back 2 on 0 mouse kept
done"
got=$(cat "$rec")
if [ "$got" != "$expected" ]; then
  echo "alert_xvfb: record differs" >&2
  diff <(echo "$expected") <(echo "$got") >&2 || true
  exit 1
fi
for n in 1 2; do
  grep -Pzq "Warning $n\nSecond line\n\nFourth line\n\(hl_mnw line 90$n\)\n" "$SKY_FB/app/Log.txt" ||
    fail "warning $n is not in the log"
done
echo "alert_xvfb: ok"
