#!/usr/bin/env bash
# Starts the built game under Xvfb from a fresh copy of the runnable folder,
# presses F12, F11 and Alt+F4, and checks the screenshots, the exit status and
# the options file it leaves behind. A second run checks that a dw.ini
# screenshot width beyond the limit is clamped to 2560.
# Usage: game_window.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool
window_setup
start_xvfb 640x480x24

# Runs the game in folder $1 and sends the keys; leaves its exit status in $status.
run_game() {
  local dir=$1
  start_game "$dir"
  sleep 0.3
  xdotool key F12
  wait_for_file "$dir/screens/shot0000.bmp" || fail "F12 wrote no screenshot"
  xdotool key F11
  wait_for_file "$dir/screens/shot0001.bmp" || fail "F11 wrote no screenshot"
  sleep 0.3
  quit_game
}

cp -r "$build/run" "$tmp/run1"
rm -rf "$tmp/run1/screens" "$tmp/run1/options.set" "$tmp/run1/dw.ini"
run_game "$tmp/run1"
[ "$status" = 0 ] || fail "exit status $status: $(cat "$tmp/run1/stderr.log")"
check_bmp "$tmp/run1/screens/shot0000.bmp" 8 640 480
check_bmp "$tmp/run1/screens/shot0001.bmp" 32 320 240
[ "$(stat -c %s "$tmp/run1/options.set")" = 107 ] || fail "options.set is not 107 bytes"
[ "$(bmp_field "$tmp/run1/options.set" 0 u4 4)" = 74 ] || fail "options.set does not start with version 74"

cp -r "$build/run" "$tmp/run2"
rm -rf "$tmp/run2/screens" "$tmp/run2/options.set"
printf '[Misc]\r\nScreenshotWidth=5000\r\n' >"$tmp/run2/dw.ini"
run_game "$tmp/run2"
[ "$status" = 0 ] || fail "exit status $status with ScreenshotWidth=5000"
check_bmp "$tmp/run2/screens/shot0001.bmp" 32 2560 240
echo "PASS"
