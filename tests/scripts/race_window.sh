#!/usr/bin/env bash
# Starts the built game under Xvfb, starts a practice race from the first
# screen with Return, drives the human car with the Up arrow and checks that
# the picture changes, ends the race with Escape, comes back to the first
# screen and quits from it with exit status 0.
# Usage: race_window.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool
window_setup
start_xvfb 640x480x24

# Starts a practice race from the first screen, drives, leaves it with Escape
# and quits from the first screen again.
dir="$tmp/run"
cp -r "$build/run" "$dir"
rm -rf "$dir/screens" "$dir/options.set" "$dir/dw.ini"
start_game "$dir"
sleep 0.3
shot() {  # number: F12 and wait for screens/shotNNNN.bmp
  xdotool key F12
  wait_for_file "$dir/screens/$(printf 'shot%04d.bmp' "$1")" || fail "F12 wrote no screenshot $1"
}
shot 0                       # the first screen
xdotool key Return           # a practice race: the track's intro
sleep 1
xdotool key space            # the start lights
sleep 3
xdotool keydown Up
sleep 1
shot 1
sleep 1
shot 2
xdotool keyup Up
cmp -s "$dir/screens/shot0000.bmp" "$dir/screens/shot0001.bmp" && fail "Return did not start a race"
cmp -s "$dir/screens/shot0001.bmp" "$dir/screens/shot0002.bmp" && fail "the human car did not move on the arrow key"
xdotool key Escape           # ends the race on the final standings
sleep 1
xdotool key space            # and leaves them
sleep 1
shot 3
cmp -s "$dir/screens/shot0000.bmp" "$dir/screens/shot0003.bmp" || fail "the first screen did not come back"
xdotool key Escape
wait_game_end "Escape on the first screen"
[ "$status" = 0 ] || fail "exit status $status: $(cat "$dir/stderr.log")"
echo "PASS"
