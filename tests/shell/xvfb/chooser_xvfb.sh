#!/usr/bin/env bash
# The chooser application with the system's zenity under Xvfb: the folder
# chooser and the save chooser accept with Return (the start folder, the
# proposed name in it), the third is cancelled with Escape.
# Usage: chooser_xvfb.sh APP WORK_DIR
set -euo pipefail
app=$1
work=$2
if ! command -v zenity >/dev/null; then
  # scripts/setup installs it; without it no chooser can show, which is a fault
  echo "chooser_xvfb: no zenity on this system" >&2
  exit 1
fi
if [ -z "${SKY_IN_XVFB:-}" ]; then
  export SKY_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$app" "$work"
fi

rm -rf "$work"
mkdir -p "$work/start here"
folder="$work/start here"
out="$work/out.txt"
export HOME="$work" XDG_CONFIG_HOME="$work/config"
"$app" "$folder" > "$out" &
pid=$!
fail() { echo "chooser_xvfb: $*" >&2; kill "$pid" 2>/dev/null || true; exit 1; }

# Waits for the chooser with this title, then gives it the key.
answer() {
  local wid
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1) || true
  [ -n "$wid" ] || fail "no chooser '$1'"
  sleep 0.5  # the chooser fills its folder view after mapping
  xdotool windowfocus --sync "$wid"
  xdotool key --window "$wid" "$2"
}

answer "Chooser folder" Return
answer "Chooser save" Return
answer "Chooser cancel" Escape

for _ in $(seq 300); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running"
wait "$pid" || fail "exit status $?"

expected="1 $folder
1 $folder/b747.ACF
0 kept as it was"
got=$(cat "$out")
if [ "$got" != "$expected" ]; then
  echo "chooser_xvfb: answers differ" >&2
  diff <(echo "$expected") <(echo "$got") >&2 || true
  exit 1
fi
echo "chooser_xvfb: ok"
