# Sourced by the Xvfb scripts, called as SCRIPT APP KEEP_DIR: re-runs the
# script under a fresh Xvfb whose screen file lies in $SKY_FB, and there
# starts APP with its program folder and record file ($pid, $rec) and
# defines fail, wait_for, app_window and wait_exit. Expects $name, the script's name for messages.
app=$1
keep=$2

if [ -z "${SKY_FB:-}" ]; then
  SKY_FB=$(mktemp -d)
  export SKY_FB
  trap 'rm -rf "$SKY_FB"' EXIT
  status=0
  xvfb-run -a -s "-screen 0 1280x1024x24 -fbdir $SKY_FB" "$0" "$app" "$keep" || status=$?
  exit $status
fi

export SDL_VIDEODRIVER=x11 XDG_CONFIG_HOME="$SKY_FB/config"
mkdir -p "$SKY_FB/app" "$SKY_FB/config" "$keep"
rec="$SKY_FB/record.txt"
"$app" "$SKY_FB/app/" "$rec" &
pid=$!
fail() { echo "$name: $*" >&2; kill -9 "$pid" 2>/dev/null || true; exit 1; }

# Polls with a deadline: the program runs on its own clock.
wait_for() {
  for _ in $(seq 600); do
    grep -q "^$1" "$rec" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended before '$1'"
    sleep 0.1
  done
  fail "no '$1' within 60 s"
}

# Prints the program's visible window.
app_window() {
  local wid
  wid=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" | head -1)
  [ -n "$wid" ] || fail "no window"
  echo "$wid"
}

# Waits up to 30 s for the program to end with status 0; $1 says after what.
wait_exit() {
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "still running 30 s after $1"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "exit status $status"
}
