#!/usr/bin/env bash
# Starts the built game under Xvfb with "--race" on a shipped track, drives
# the human car with the Up arrow and checks that the picture changes,
# pauses with Escape, ends the season from the pause menu, comes to the main
# screen after the final standings and quits from it (Escape, then Yes) with
# exit status 0.
# Usage: race_window.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool
window_setup
start_xvfb 640x480x24

dir="$tmp/run"
cp -r "$build/run" "$dir"
rm -rf "$dir/screens" "$dir/options.set" "$dir/dw.ini"
start_game "$dir" --race "$dir/tracks/oval.trk" --cars 2
sleep 1
shot() {  # number: F12 and wait for screens/shotNNNN.bmp
  xdotool key F12
  wait_for_file "$dir/screens/$(printf 'shot%04d.bmp' "$1")" || fail "F12 wrote no screenshot $1"
}
shot 0                       # the track's intro
xdotool key space            # the start lights
sleep 3
xdotool keydown Up
sleep 1
shot 1
sleep 1
shot 2
xdotool keyup Up
cmp -s "$dir/screens/shot0000.bmp" "$dir/screens/shot0001.bmp" && fail "the race did not start"
cmp -s "$dir/screens/shot0001.bmp" "$dir/screens/shot0002.bmp" && fail "the human car did not move on the arrow key"
xdotool key Escape           # the pause menu
sleep 0.5
shot 3
cmp -s "$dir/screens/shot0002.bmp" "$dir/screens/shot0003.bmp" && fail "Escape did not open the pause menu"
xdotool key --delay 80 Down Down Down Down Down Return   # End Season
sleep 0.5
xdotool key Return           # Yes: the final standings
sleep 1
xdotool key space            # and on to the main screen
sleep 1
shot 4
cmp -s "$dir/screens/shot0003.bmp" "$dir/screens/shot0004.bmp" && fail "the main screen did not come"
xdotool key Escape           # Exit asks first
sleep 0.5
xdotool key Return           # Yes
wait_game_end "Exit on the main screen"
[ "$status" = 0 ] || fail "exit status $status: $(cat "$dir/stderr.log")"
echo "PASS"
