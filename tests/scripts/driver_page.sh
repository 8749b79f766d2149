#!/usr/bin/env bash
# Opens the Driver options page by keyboard alone under Xvfb, creates a
# driver, captures a key for each of its four controls, saves with OK and
# checks the driver file; once at 640 x 480 and once at 1920 x 1080. The
# screenshots are kept as PNG in BUILD_DIR/screens/driver_page/ to be looked at.
# Usage: driver_page.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool convert
window_setup
shots="$build/screens/driver_page"
rm -rf "$shots"
mkdir -p "$shots"

key() { xdotool key --delay 60 "$@"; sleep 0.25; }
# A key held long enough for the capture prompt's 10 ms polling to see it.
hold() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; sleep 0.4; }

# F12 writes screens/shotNNNN.bmp; it is kept as NAME.png.
shot_count=0
shot() {  # dir name
  local bmp
  bmp=$(printf '%s/screens/shot%04d.bmp' "$1" "$shot_count")
  xdotool key F12
  wait_for_file "$bmp" || fail "F12 wrote no screenshot for $2"
  shot_count=$((shot_count + 1))
  sleep 0.2
  convert "$bmp" "$shots/$2.png" || fail "cannot convert $bmp"
}

run() {  # geometry tag
  local dir="$tmp/run-$2"
  cp -r "$build/run" "$dir"
  rm -rf "$dir/screens" "$dir/options.set" "$dir/dw.ini" "$dir/drivers/Tester.drv"
  local w=${1%x*} h=${1#*x}
  # options.set: the size of the window at bytes 19 and 23 of a default file.
  if [ "$1" != 640x480 ]; then
    cp "$tmp/options.set" "$dir/options.set" || fail "no options.set from the first run"
    printf "$(printf '\\x%02x\\x%02x' $((w & 255)) $((w >> 8)))" | dd of="$dir/options.set" bs=1 seek=19 conv=notrunc 2>/dev/null
    printf "$(printf '\\x%02x\\x%02x' $((h & 255)) $((h >> 8)))" | dd of="$dir/options.set" bs=1 seek=23 conv=notrunc 2>/dev/null
  fi
  start_xvfb "${1}x24"
  shot_count=0
  start_game "$dir"
  sleep 0.5

  key Down Down Return                   # main screen: Options
  key Down Down Down Return              # Options page: Drivers
  shot "$dir" "$2-1-page"
  key Up Up Up                           # from Cancel back over Stats and Delete to Create
  key Return
  xdotool type --delay 80 Tester
  sleep 0.3
  shot "$dir" "$2-2-create-box"
  key Return                             # OK of the box: the driver is made, Accelerate has the focus
  [ -s "$dir/drivers/Tester.drv" ] || fail "creating a driver wrote no file"
  shot "$dir" "$2-3-created"
  local k=0
  for letter in i k j l; do
    key Return                           # opens the capture prompt
    if [ $k = 0 ]; then
      import -window root "$shots/$2-4-capture-prompt.png" 2>/dev/null || true
    fi
    hold "$letter"
    key Down
    k=$((k + 1))
  done
  shot "$dir" "$2-5-bound"
  key Down Down Down                     # from the car button over the sliders to Driver stats
  key Return
  shot "$dir" "$2-6-statistics"
  key Escape
  key Up Up                              # Create driver again, with a name that exists
  key Return
  xdotool type --delay 80 alex
  key Return
  shot "$dir" "$2-7-name-taken"
  key Return                             # closes the message; the create box stays
  key Escape                             # leaves the create box
  key Up Up Up Up Up Up                  # from Create driver over the car and bindings to OK
  key Return
  sleep 0.3
  shot "$dir" "$2-8-back"
  quit_game
  stop_xvfb
  [ "$status" = 0 ] || fail "exit status $status: $(cat "$dir/stderr.log")"
  [ "$(stat -c %s "$dir/drivers/Tester.drv")" = 144 ] || fail "Tester.drv is not 144 bytes"
  # controls at offset 80: I, K, J, L as SDL key codes 105, 107, 106, 108
  local controls
  controls=$(od -An -tu4 -j80 -N16 "$dir/drivers/Tester.drv" | tr -s ' ')
  [ "$controls" = " 105 107 106 108" ] || fail "$2: controls on disk are$controls, expected 105 107 106 108"
  cp "$dir/options.set" "$tmp/options.set" 2>/dev/null
}

run 640x480 small
run 1920x1080 large
echo "PASS (screenshots in $shots)"
