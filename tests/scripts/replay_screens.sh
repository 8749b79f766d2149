#!/usr/bin/env bash
# Pictures of the replay screen and the save dialog in a real window under
# Xvfb at 640 x 480: the replay test program draws a race's replay playing,
# in reverse at double rate (the rate shown), with the F1 key panel, and the
# save dialog over a few saved games; each is kept as PNG in
# BUILD_DIR/replay_screens. The pictures are drawn by the game's own race
# entry, view and dialog; the test program only drives them.
# Usage: replay_screens.sh BUILD_DIR SOURCE_DIR
set -u
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool convert
build=$(cd "$1" && pwd)
[ -x "$build/tests_saves" ] || { echo "SKIP: tests_saves is not built"; exit 77; }
window_setup
start_xvfb 1024x768x24

out="$build/replay_screens"
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.bmp
DW_SHOTS_DIR="$out" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  "$build/tests_saves" --gtest_filter='ReplayScreens.*' >"$tmp/run.log" 2>&1 || fail "the replay screens failed: $(tail -20 "$tmp/run.log")"
for shot in replay_play replay_reverse replay_help file_dialog; do
  check_bmp "$out/$shot.bmp" 8 640 480
  convert "$out/$shot.bmp" "$out/$shot.png" || fail "cannot convert $shot"
done
rm -f "$out"/*.bmp
echo "PASS: pictures in $out"
