#!/usr/bin/env bash
# Plays a one-lap race with "Dustwhirl --race" under Xvfb at 640 x 480 and at
# 1920 x 1080, and keeps F12 screenshots of it as PNG in BUILD_DIR/race_screens
# to be looked at: the track-info panel, the start lights, the race (twice, to
# see the cars move), a burst over the figure-of-eight's bridge while the pack
# passes it, the results panel after the laps, and the final standings with
# the fireworks. The points panel between two races is taken from
# "dwrace --shots" over a season of two tracks, which draws with the same code,
# and so is a picture with TyreAutoSort=0. Also checks that an unreadable track
# file is refused with a message and a non-zero status, and no window.
# Usage: race_screens.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool convert python3
window_setup
start_xvfb 1920x1080x24

out="$build/race_screens"
mkdir -p "$out"
rm -f "$out"/*.png

# A track file that cannot be read: a message, a non-zero status, no window.
cp -r "$build/run" "$tmp/run0"
echo "not a track" >"$tmp/bad.trk"
(cd / && SDL_AUDIODRIVER=dummy "$tmp/run0/Dustwhirl" --race "$tmp/bad.trk" >"$tmp/bad.out" 2>"$tmp/bad.err")
status=$?
[ "$status" != 0 ] || fail "an unreadable track gave status 0"
grep -q "bad.trk" "$tmp/bad.err" || fail "no message names the unreadable track: $(cat "$tmp/bad.err")"
xdotool search --name '^Dustwhirl$' >/dev/null 2>&1 && fail "a window was left open"

shot=0
take() {  # name: F12, kept as SIZE_NAME.png; the BMP's path in $last
  last=$(printf '%s/screens/shot%04d.bmp' "$dir" "$shot")
  xdotool key F12
  wait_for_file "$last" || fail "F12 wrote no screenshot for $1"
  sleep 0.2
  convert "$last" "$out/${size}_$1.png" || fail "could not convert $last"
  shot=$((shot + 1))
}

probe() {  # F12 without keeping a PNG; the BMP's path in $last
  last=$(printf '%s/screens/shot%04d.bmp' "$dir" "$shot")
  xdotool key F12
  wait_for_file "$last" || fail "F12 wrote no screenshot"
  sleep 0.2
  shot=$((shot + 1))
}

# The share of a centred box of the 8-bit picture in the panels' colours
# (the grey ramp of the darkening, text, boxes, icons), in percent.
panel_share() {  # bmp halfWidthCells halfHeightCells
  python3 - "$@" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
offset, = struct.unpack_from('<I', data, 10)
w, h = struct.unpack_from('<ii', data, 18)
stride = (w + 3) // 4 * 4
c = min(w // 80, h // 60)
x1, x2 = w // 2 - int(sys.argv[2]) * c, w // 2 + int(sys.argv[2]) * c
y1, y2 = h // 2 - int(sys.argv[3]) * c, h // 2 + int(sys.argv[3]) * c
ui = set(range(1, 19)) | {3, 241, 242, 244, 245, 246} | set(range(192, 240))
inside = total = 0
for y in range(y1, y2):
    row = offset + (h - 1 - y) * stride
    for x in range(x1, x2, 3):
        total += 1
        inside += data[row + x] in ui
print(100 * inside // max(total, 1))
PY
}

write_options() {  # file width height
  # The options file with the screen size: version 74, size at bytes 19 and 23.
  python3 - "$@" <<'PY'
import struct, sys
rec = bytearray(103)
struct.pack_into('<H', rec, 0, 1)                    # race length
rec[2:9] = bytes([10, 6, 4, 3, 2, 1, 1])             # points
rec[9:13] = bytes([30, 30, 30, 50])                  # tyre wear, fuel, damage, fuel mass
struct.pack_into('<II', rec, 15, int(sys.argv[2]), int(sys.argv[3]))
rec[23] = 0; rec[24] = 1; rec[25] = 0; rec[26] = 0; rec[27] = 1  # vsync, shadows, ghost, reverse, windowed
struct.pack_into('<H', rec, 28, 256)                 # effects
rec[30:33] = bytes([100, 100, 80])
for at, name in ((33, b'English'), (56, b'Default'), (79, b'Default')):  # 22 bytes and a terminator each
    rec[at:at + len(name)] = name
open(sys.argv[1], 'wb').write(struct.pack('<I', 74) + bytes(rec))
PY
}

for size in 640x480 1920x1080; do
  dir="$tmp/run_$size"
  cp -r "$build/run" "$dir"
  rm -rf "$dir/screens" "$dir/options.set"
  write_options "$dir/options.set" "${size%x*}" "${size#*x}"
  shot=0
  start_game "$dir" --race "$dir/tracks/figure_eight.trk" --laps 1 --cars 6
  sleep 1
  take 1_track_info
  xdotool key space
  sleep 0.8
  take 2_start_lights
  lights_out=$SECONDS
  sleep 2.5
  take 3_race
  race_a=$last
  sleep 1
  take 4_race_later
  race_b=$last
  # The pack reaches the crossing of the two loops some seconds after the start.
  for k in 1 2 3 4 5 6 7 8; do
    sleep 0.5
    take "5_bridge_$k"
  done
  # The human car stays on the grid: the race is decided a minute after the
  # winner's lap (about half a minute), and the results panel follows. A slow
  # machine runs the race slower than real time, so look for the panel until
  # it shows, for at most five minutes.
  share=0
  while [ "$share" -lt 90 ]; do
    [ $((SECONDS - lights_out)) -lt 300 ] || fail "no results panel at $size after the race ($share% of its box in panel colours)"
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended during the race at $size: $(cat "$dir/stderr.log")"
    sleep 3
    [ $((SECONDS - lights_out)) -ge 80 ] || continue
    probe
    share=$(panel_share "$last" 16 12)
  done
  convert "$last" "$out/${size}_6_results.png" || fail "could not convert $last"
  xdotool key space
  sleep 3
  take 7_final_standings
  final_a=$last
  share=$(panel_share "$last" 16 12)
  [ "$share" -ge 90 ] || fail "no final standings at $size ($share% of their box in panel colours)"
  sleep 0.7
  take 8_final_standings_later
  cmp -s "$final_a" "$last" && fail "no celebration moves behind the final standings at $size"
  quit_game
  [ "$status" = 0 ] || fail "exit status $status at $size: $(cat "$dir/stderr.log")"
  cmp -s "$race_a" "$race_b" && fail "the race picture did not change between two shots at $size"

  # The points panel between two races, the results and the final standings,
  # and a picture of the race drawn with the simple wheel order.
  "$dir/dwrace" --laps 1 --car hatchback,sports,buggy,truck,sports,buggy --shots "$tmp/season_$size" --every 5 \
      --size "$size" "$dir/tracks/figure_eight.trk" "$dir/tracks/oval.trk" >/dev/null 2>"$tmp/dwrace.err"
  [ $? -le 1 ] || fail "dwrace --shots failed at $size: $(cat "$tmp/dwrace.err")"
  for f in figure_eight-points oval-results final-standings figure_eight-0003; do
    convert "$tmp/season_$size/$f.bmp" "$out/${size}_dwrace_$f.png" || fail "dwrace wrote no $f.bmp at $size"
  done
  printf '[Graphics]\r\nTyreAutoSort=0\r\n' >"$dir/dw.ini"
  "$dir/dwrace" --laps 1 --car hatchback,sports,buggy,truck,sports,buggy --shots "$tmp/simple_$size" --every 5 \
      --size "$size" "$dir/tracks/figure_eight.trk" >/dev/null 2>&1
  convert "$tmp/simple_$size/figure_eight-0003.bmp" "$out/${size}_dwrace_simple_wheels.png" ||
    fail "no picture with TyreAutoSort=0 at $size"
done
echo "PASS: screenshots in $out"
