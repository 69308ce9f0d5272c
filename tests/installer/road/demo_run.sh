#!/usr/bin/env bash
# scripts/demo --update without a display, as a new user would run it: it must
# end with status 0, print its outcome lines, and leave a destination that
# holds exactly the second master's Linux copy. Times are never judged here.
# Usage: demo_run.sh TOP BUILD
set -euo pipefail
top=$1
build=$2
# A display that cannot be opened is refused before any work, by name.
n=900
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
status=0
out=$(DISPLAY=":$n" BUILD_DIR="$build" "$top/scripts/demo" 2>&1) || status=$?
echo "$out"
[ "$status" -ne 0 ] || { echo "demo_run: the demo succeeded on the dead display :$n" >&2; exit 1; }
grep -q "cannot open the display :$n" <<<"$out" || { echo "demo_run: no word of the dead display" >&2; exit 1; }
! grep -q '^demo: work folder' <<<"$out" || { echo "demo_run: a work folder made for a dead display" >&2; exit 1; }

# As an unlucky user: a checkout and build reached by paths with blanks,
# called from another folder and given the build relative to it, with no HOME.
blanks=$(mktemp -d "${TMPDIR:-/tmp}/demo run-XXXX")
trap 'rm -rf "$blanks"' EXIT
ln -s "$top" "$blanks/check out"
ln -s "$build" "$blanks/build dir"
status=0
out=$(cd "$blanks" && env -u DISPLAY -u HOME -u XAUTHORITY BUILD_DIR="build dir" \
  "$blanks/check out/scripts/demo" --update 2>&1) || status=$?
echo "$out"
[ "$status" -eq 0 ] || { echo "demo_run: scripts/demo ended with status $status" >&2; exit 1; }

work=$(echo "$out" | sed -n 's/^demo: work folder //p')
[ -d "$work" ] || { echo "demo_run: no work folder printed" >&2; exit 1; }
dest="$work/fresh/Skyrell 8.50 Beta 8"
for line in 'fresh: "INSTALLATION COMPLETE!" seen' \
  "fresh install: destination $dest identical to the master" \
  "fresh install: ran $dest/skyrell-hello: skyrell-hello: I run from $dest" \
  'update: "INSTALLATION COMPLETE!" seen' \
  "update: destination $dest identical to the master" \
  "update: ran $dest/skyrell-hello: skyrell-hello: I run from $dest" \
  'success'; do
  grep -Fxq "demo: $line" <<<"$out" || { echo "demo_run: no line \"demo: $line\"" >&2; exit 1; }
done

# The installed tree, checked here on its own: every file of the second
# master's "All" and "Linux Generic x86" (the latter wins), and nothing else;
# so the update's changed, added, removed and moved files, and the file edited
# by hand, overwritten after the question.
m="$work/master2"
want=$( (cd "$m/All" && find . -type f; cd "$m/Linux Generic x86" && find . -type f) | sort -u)
have=$(cd "$dest" && find . -type f | sort)
[ "$want" = "$have" ] || { diff <(echo "$want") <(echo "$have") >&2; echo "demo_run: installed files differ" >&2; exit 1; }
while IFS= read -r f; do
  src="$m/Linux Generic x86/$f"
  [ -f "$src" ] || src="$m/All/$f"
  cmp "$src" "$dest/$f" || { echo "demo_run: $f differs" >&2; exit 1; }
done <<<"$want"
# Only the run's results stay: the program's copy goes with the run.
[ ! -e "$work/bin/skyrell-installer" ] || { echo "demo_run: the work folder keeps a copy of the program" >&2; exit 1; }
for shot in fresh-complete update-question update-complete; do
  ls "$work/shots/"*"-$shot.png" >/dev/null 2>&1 || { echo "demo_run: no $shot screenshot" >&2; exit 1; }
done
rm -rf "$work"
echo "demo_run: ok"
