# Sourced by the Xvfb scripts, called as SCRIPT APP KEEP_DIR: re-runs the
# script under a fresh Xvfb whose screen file lies in $SKY_FB, and there
# starts APP with its program folder and record file ($pid, $rec) and
# defines fail. Expects $name, the script's name for messages.
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
