#!/usr/bin/env bash
# Plays a short race with "Dustwhirl --race" under Xvfb at 640 x 480 and at
# 1920 x 1080, and keeps F12 screenshots of it as PNG in BUILD_DIR/race_screens:
# the track-info panel, the start lights, the race (twice, to see the cars
# move), and the final standings after Escape. Also checks that an unreadable
# track file is refused with a message and a non-zero status, and no window.
# Usage: race_screens.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null || ! command -v convert >/dev/null; then
  echo "SKIP: Xvfb, xdotool or convert is not installed"
  exit 77
fi
tmp=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

start_xvfb() {  # geometry
  for _ in $(seq 20); do
    local n=$((RANDOM % 800 + 100))
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "$1" -nolisten tcp -noreset 2>"$tmp/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 50); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
  fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
}
start_xvfb 1920x1080x24
printf 'leak:libX11.so\nleak:libxcb.so\n' >"$tmp/lsan.supp"
export LSAN_OPTIONS="suppressions=$tmp/lsan.supp"

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
take() {  # name
  local file
  file=$(printf '%s/screens/shot%04d.bmp' "$dir" "$shot")
  xdotool key F12
  for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.1; done
  [ -s "$file" ] || fail "F12 wrote no screenshot for $1"
  sleep 0.2
  convert "$file" "$out/${size}_$1.png" || fail "could not convert $file"
  shot=$((shot + 1))
}

for size in 640x480 1920x1080; do
  dir="$tmp/run_$size"
  cp -r "$build/run" "$dir"
  rm -rf "$dir/screens" "$dir/options.set"
  w=${size%x*}; h=${size#*x}
  # The options file with the screen size: version 74, size at bytes 19 and 23.
  python3 - "$dir/options.set" "$w" "$h" <<'PY'
import struct, sys
rec = bytearray(103)
struct.pack_into('<H', rec, 0, 3)                    # race length
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
  shot=0
  (cd / && SDL_AUDIODRIVER=dummy exec "$dir/Dustwhirl" --race "$dir/tracks/figure_eight.trk" --laps 2 --cars 6 \
      >"$dir/stdout.log" 2>"$dir/stderr.log") &
  game_pid=$!
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --name '^Dustwhirl$' 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$wid" ] || fail "no race window at $size: $(cat "$dir/stderr.log")"
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
  sleep 1
  take 1_track_info
  xdotool key space
  sleep 0.8
  take 2_start_lights
  sleep 2
  xdotool keydown Up
  sleep 1.5
  take 3_race
  sleep 1
  take 4_race_later
  xdotool keyup Up
  xdotool key Escape
  sleep 1
  take 5_final_standings
  xdotool key space
  sleep 0.5
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended during the race at $size: $(cat "$dir/stderr.log")"
  xdotool key alt+F4
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "Alt+F4 did not end the game at $size"
  wait "$game_pid"; status=$?
  game_pid=""
  [ "$status" = 0 ] || fail "exit status $status at $size: $(cat "$dir/stderr.log")"
  # The race between the two race shots changed the picture: the cars moved.
  a=$(printf '%s/screens/shot%04d.bmp' "$dir" 2); b=$(printf '%s/screens/shot%04d.bmp' "$dir" 3)
  cmp -s "$a" "$b" && fail "the race picture did not change between two shots at $size"
done
echo "PASS: screenshots in $out"
