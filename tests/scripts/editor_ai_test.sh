#!/usr/bin/env bash
# "Test with AI" in the real editor window under Xvfb, on a track whose first
# checkpoint stands on a hairpin's apex, where the cars pass outside its end:
# `trktool check` names that checkpoint; the test run shows its progress,
# then the cars' laps and the missed checkpoint as a blue mark on the map,
# which "Show AI Test" hides; a second run is cancelled and leaves no race
# program behind; saving the track warns about the checkpoint first.
# Screenshots: editor_ai_test_*.png in the build folder.
# Usage: editor_ai_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
. "$(dirname "$0")/lib/window.sh"   # find_window; this script keeps its own fail
build=$(cd "$1" && pwd)
run="$build/run"
for program in Courseforge dwrace trackbuilder trktool; do
  [ -x "$run/$program" ] || { echo "SKIP: $program was not built"; exit 77; }
done
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: missing $tool (scripts/setup.sh installs it)"; exit 77; }
done

tmp=$(mktemp -d)
xvfb_pid=""
editor_pid=""
cleanup() {
  [ -n "$editor_pid" ] && pkill -P "$editor_pid" 2>/dev/null || true
  [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE

fail() {
  echo "FAIL: $*"
  [ -s "$tmp/editor.log" ] && tail -n 20 "$tmp/editor.log"
  import -window root "$build/editor_ai_test_failed.png" 2>/dev/null || true
  exit 1
}

# The track: a paperclip from the builder, then its first checkpoint moved by
# hand onto the east hairpin's apex, reaching from the middle of the road
# inwards only (x 146 to 141 m at z 56 m; 6.4 file units a metre), which the
# cars, swinging wide round the hairpin, pass outside.
cat >"$tmp/paperclip.txt" <<'RECIPE'
world 160
author Dustwhirl tests
comment Two straights and two hairpins.
road tarmac 8
point 20 50
point 140 50
point 146 56
point 140 62
point 20 62
point 14 56
pit right 0.2 0.8 12 6 2
finish 0.5
checkpoints 4
RECIPE
"$run/trackbuilder" build "$tmp/paperclip.txt" "$tmp/apex.trk" >/dev/null || fail "the builder refused the recipe"
u() { od -An -tu"$2" -j"$3" -N"$2" "$1" | tr -d ' '; }
t="$tmp/apex.trk"
at=$((20 + 2 * $(u "$t" 4 16)))
at=$((at + 2 + $(u "$t" 2 $at)))
at=$((at + 2 + 8 * $(u "$t" 2 $at)))
at=$((at + 1 + 6 * $(u "$t" 1 $at)))
[ "$(u "$t" 1 $at)" = 4 ] || fail "the built track does not have four checkpoints"
printf '\xa6\x03\x66\x01\x86\x03\x66\x01' | dd of="$t" bs=1 seek=$((at + 1)) conv=notrunc status=none
"$run/trktool" check "$t" >"$tmp/check.txt" && fail "trktool check passed the apex checkpoint"
cat "$tmp/check.txt"
grep -q "checkpoint 1 at (143.4, 55.9): the AI line never crosses it" "$tmp/check.txt" || fail "trktool did not name checkpoint 1"

Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
deadline=$((SECONDS + 30))
while [ ! -s "$tmp/display" ] && [ $SECONDS -lt $deadline ] && kill -0 "$xvfb_pid" 2>/dev/null; do sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$tmp/display")"

# The editor runs from a scratch program folder that holds the run folder's
# files, with "dwrace" a wrapper: once "$tmp/slow" exists it gives the race a
# long time cap, so the cancelled run cannot end by itself (a whole capped race
# on this track takes only half a second).
prog="$tmp/prog"
mkdir "$prog"
for f in "$run"/*; do ln -s "$f" "$prog/"; done
rm "$prog/Courseforge" "$prog/dwrace"
cp "$run/Courseforge" "$prog/"
cat >"$prog/dwrace" <<WRAPPER
#!/bin/sh
if [ -e "$tmp/slow" ]; then exec "$run/dwrace" "\$@" --cap 100000; fi
exec "$run/dwrace" "\$@"
WRAPPER
chmod +x "$prog/dwrace"

"$prog/Courseforge" "$t" >"$tmp/editor.log" 2>&1 &
editor_pid=$!
wid=$(find_window '^Dustwhirl Track Editor - ' "$editor_pid")
[ -n "$wid" ] || fail "no editor window"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$wid")"
win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
view="512x512+$((win_x + win_w - 528))+$win_y"
whole() { import -window root -crop "${win_w}x${win_h}+$win_x+$win_y" +repage "$1"; }
# Pixels of the missed-checkpoint blue in the view.
blue() {
  import -window root -crop "$view" +repage "$tmp/view.png"
  convert "$tmp/view.png" -format %c histogram:info:- | grep -ci "#0040FF" || true
}
[ "$(blue)" = 0 ] || fail "blue marks before any test"

# "Test with AI..." sits below the Show check boxes in the first column.
xdotool mousemove --window "$wid" 77 513 click 1
dialog=$(find_window '^Test with AI$' "$editor_pid")
[ -n "$dialog" ] || fail "no progress window"
sleep 0.3
import -window root "$build/editor_ai_test_progress.png"
box=""
deadline=$((SECONDS + 60))
while [ -z "$box" ] && [ $SECONDS -lt $deadline ]; do
  box=$(xdotool search --name '^Courseforge$' 2>/dev/null | head -n1 || true)
  sleep 0.2
done
[ -n "$box" ] || fail "no results after 60 s"
sleep 0.3
import -window root "$build/editor_ai_test_results.png"
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus "$box" 2>/dev/null || true
xdotool key Return
sleep 0.5
whole "$build/editor_ai_test_marks.png"
[ "$(blue)" != 0 ] || fail "no missed-checkpoint mark on the map"
echo "missed checkpoint marked on the map"

# "Show AI Test" hides the marks.
xdotool mousemove --window "$wid" 306 490 click 1
sleep 0.5
whole "$build/editor_ai_test_hidden.png"
[ "$(blue)" = 0 ] || fail "the marks stay after Show AI Test is unchecked"

# Saving warns about the checkpoint after the (passed) flaw check; No keeps
# the file chooser away.
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid" 2>/dev/null || true
xdotool key ctrl+s
box=$(find_window '^Courseforge$' "$editor_pid")
[ -n "$box" ] || fail "no warning when saving"
sleep 0.3
import -window root "$build/editor_ai_test_save_warning.png"
xdotool key Escape
sleep 0.5
[ -z "$(xdotool search --name '^Courseforge$' 2>/dev/null || true)" ] || fail "the save warning stayed"
[ -z "$(xdotool search --name '^Save track' 2>/dev/null || true)" ] || fail "No still led to the file chooser"

# A second run, cancelled: no race program is left running.
touch "$tmp/slow"
xdotool mousemove --window "$wid" 77 513 click 1
dialog=$(find_window '^Test with AI$' "$editor_pid")
[ -n "$dialog" ] || fail "no progress window the second time"
# The key press closes the window, so the release that follows may find it
# gone (BadWindow): what counts is checked below.
xdotool key --window "$dialog" Escape 2>/dev/null || true
sleep 0.5
[ -z "$(xdotool search --name '^Test with AI$' 2>/dev/null || true)" ] || fail "Cancel left the progress window"
pgrep -P "$editor_pid" >/dev/null && fail "a race program is still running after Cancel"
echo "editor Test with AI passed"
