#!/usr/bin/env bash
# Runs the real editor window under Xvfb: opens a track given on the command
# line, checks the title, presses Ctrl+N and checks the made-up name, paints
# a stroke with the mouse and checks that the view changed, counts the tick
# marks of the properties dialog's sliders, and keeps
# screenshots (editor_ui_*.png in the build folder).
# Usage: editor_ui.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
. "$(dirname "$0")/lib/window.sh"   # find_window; this script keeps its own fail
build=$(cd "$1" && pwd)
run="$build/run"
if [ ! -x "$run/Courseforge" ]; then
  echo "SKIP: Courseforge was not built (DW_EDITOR_UI off)"
  exit 77
fi
for tool in Xvfb xdotool import compare convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: missing $tool (scripts/setup.sh installs it)"; exit 77; }
done

tmp=$(mktemp -d)
xvfb_pid=""
editor_pid=""
cleanup() {
  [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE   # so the servers are stopped on these too

fail() {
  echo "FAIL: $*"
  for log in "$tmp/xvfb.log" "$tmp/editor.log"; do
    [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
  done
  [ -n "${wid:-}" ] && import -window root "$build/editor_ui_failed.png" 2>/dev/null || true
  exit 1
}

# A free display number, chosen by the server itself; -noreset keeps the
# server accepting while one editor quits and the next one connects.
Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
deadline=$((SECONDS + 30))
while [ ! -s "$tmp/display" ] && [ $SECONDS -lt $deadline ] && kill -0 "$xvfb_pid" 2>/dev/null; do sleep 0.1; done
[ -s "$tmp/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$tmp/display")"

"$run/testtrack" "$tmp/ring.trk" || fail "could not write the test track"
track=$(realpath "$tmp/ring.trk")
"$run/Courseforge" "$tmp/ring.trk" >"$tmp/editor.log" 2>&1 &
editor_pid=$!

wid=$(find_window '^Dustwhirl Track Editor - ' "$editor_pid")
[ -n "$wid" ] || fail "no editor window appeared on $DISPLAY"

title_is() {   # waits up to 10 s for the title to match a pattern
  for _ in $(seq 100); do
    title=$(xdotool getwindowname "$wid")
    [[ "$title" =~ $1 ]] && return 0
    sleep 0.1
  done
  return 1
}
quoted=$(printf '%s' "$track" | sed 's/[][\.*^$(){}+?|/]/\\&/g')
title_is "^Dustwhirl Track Editor - $quoted\$" || fail "title after loading is \"$title\""
echo "title with the loaded track: $title"

# The view sits at the right edge: 512 pixels wide plus a 16-pixel scroll bar.
eval "$(xdotool getwindowgeometry --shell "$wid")"
view_x=$((WIDTH - 528))
crop="512x512+$((X + view_x))+$Y"
shot() { import -window root -crop "$crop" +repage "$1"; }
sleep 0.3
import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$build/editor_ui_loaded.png"
shot "$tmp/loaded.png"

xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
xdotool key ctrl+n
title_is '^Dustwhirl Track Editor - [A-Z][a-z]+\.trk$' || fail "title after Ctrl+N is \"$title\""
echo "title after Ctrl+N: $title"
sleep 0.3
shot "$tmp/new.png"
changed=$(compare -metric AE "$tmp/loaded.png" "$tmp/new.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 10000 ] 2>/dev/null || fail "New did not redraw the view ($changed pixels differ)"

# A stroke with the default tool (Tarmac #1) across the middle of the grass.
xdotool mousemove --window "$wid" $((view_x + 100)) 250
xdotool mousedown 1
for step in $(seq 0 10 300); do
  xdotool mousemove --window "$wid" $((view_x + 100 + step)) $((250 + step / 6))
done
xdotool mouseup 1
sleep 0.3
shot "$tmp/painted.png"
changed=$(compare -metric AE "$tmp/new.png" "$tmp/painted.png" null: 2>&1 || true)
echo "pixels changed by the stroke: $changed"
[ "${changed%% *}" -gt 2000 ] 2>/dev/null || fail "the stroke did not change the view ($changed pixels differ)"
import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$build/editor_ui_painted.png"

# Keyboard: Shift+Tab wraps round to the last control ("4x"), Enter ticks it
# and the view zooms; Enter again unticks it and the view is as before.
differs() { local n; n=$(compare -metric AE "$1" "$2" null: 2>&1 || true); echo "${n%% *}"; }
xdotool key shift+Tab Return
sleep 0.3
shot "$tmp/zoomed.png"
[ "$(differs "$tmp/painted.png" "$tmp/zoomed.png")" -gt 2000 ] || fail "Shift+Tab, Enter did not zoom the view"
xdotool key Return
sleep 0.3
shot "$tmp/unzoomed.png"
[ "$(differs "$tmp/painted.png" "$tmp/unzoomed.png")" -eq 0 ] || fail "Enter did not turn the zoom off again"
# Tab wraps forward to the first control, "New": Enter clears the stroke.
xdotool key Tab Return
sleep 0.3
shot "$tmp/renewed.png"
[ "$(differs "$tmp/new.png" "$tmp/renewed.png")" -eq 0 ] || fail "Tab, Enter did not press New"
title_is '^Dustwhirl Track Editor - [A-Z][a-z]+\.trk$' || fail "title after the second New is \"$title\""

# A bare letter is no shortcut; Alt with the letter is.
before=$title
xdotool key n
sleep 0.3
[ "$(xdotool getwindowname "$wid")" = "$before" ] || fail "a bare N started a new track"
xdotool key alt+n
for _ in $(seq 50); do title=$(xdotool getwindowname "$wid"); [ "$title" != "$before" ] && break; sleep 0.1; done
[[ "$title" =~ ^Dustwhirl\ Track\ Editor\ -\ [A-Z][a-z]+\.trk$ && "$title" != "$before" ]] || fail "Alt+N gave \"$title\""

# Track properties (Ctrl+P): every slider carries tick marks at its own step,
# counted as dark runs along the pixel row under each slider's track.
xdotool key ctrl+p
props=$(find_window '^Track properties$' "$editor_pid")
[ -n "$props" ] || fail "Ctrl+P opened no properties dialog"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$props")"
import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$build/editor_ui_properties.png"
ticks() {
  convert "$build/editor_ui_properties.png" -crop "240x1+112+$1" +repage -colorspace gray -depth 8 txt:- |
    awk -F'[()]' 'NR > 1 { dark = ($2 + 0 < 96); if (dark && !last) n++; last = dark } END { print n + 0 }'
}
# Rows under the tracks: water level 0-255 every 64 (and the end), zoom
# 10-255 every 100 (and the end), world size 25-255 every 10.
for check in "36 5 water-level" "144 4 zoom" "180 24 world-size"; do
  set -- $check
  n=$(ticks "$1")
  echo "ticks under $3: $n"
  [ "$n" -eq "$2" ] || fail "$3 slider shows $n ticks, not $2"
done
xdotool key Escape
for _ in $(seq 50); do xdotool search --name '^Track properties$' >/dev/null 2>&1 || break; sleep 0.1; done

kill "$editor_pid" 2>/dev/null || true
wait "$editor_pid" 2>/dev/null || true
editor_pid=""

# A track that can't be opened: the message box comes up and the editor
# keeps its new, unnamed track.
"$run/Courseforge" "$tmp/missing.trk" >"$tmp/editor.log" 2>&1 &
editor_pid=$!
box=$(find_window '^Dustwhirl Track Editor$' "$editor_pid")
[ -n "$box" ] || fail "no message box for a missing track"
wid=$(xdotool search --name '^Dustwhirl Track Editor - ' | head -n1)
[ "$(xdotool getwindowname "$wid")" = "Dustwhirl Track Editor - " ] || fail "a failed load changed the title"
kill "$editor_pid" 2>/dev/null || true
wait "$editor_pid" 2>/dev/null || true
editor_pid=""
echo "editor window test passed"
