#!/usr/bin/env bash
# Starts the built game under Xvfb, starts a practice race from the first
# screen with Return, drives the human car with the Up arrow and checks that
# the picture changes, ends the race with Escape, comes back to the first
# screen and quits from it with exit status 0.
# Usage: race_window.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIP: Xvfb or xdotool is not installed (scripts/setup.sh installs them)"
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

# A display of our own: other programs may start X servers at the same time,
# so take a random free number and make sure our server is the one answering.
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
start_xvfb 640x480x24

# Under a sanitizer build, leaks inside the X client library are not ours.
printf 'leak:libX11.so\nleak:libxcb.so\n' >"$tmp/lsan.supp"
export LSAN_OPTIONS="suppressions=$tmp/lsan.supp"

# BMP header fields: width at 18, height at 22, bits per pixel at 28.
bmp_field() { od -An -t"$3" -j"$2" -N"$4" "$1" | tr -d ' '; }
check_bmp() {  # file bpp width height
  [ -f "$1" ] || fail "$1 was not written"
  local bpp w h
  bpp=$(bmp_field "$1" 28 u2 2); w=$(bmp_field "$1" 18 d4 4); h=$(bmp_field "$1" 22 d4 4)
  [ "$bpp" = "$2" ] && [ "$w" = "$3" ] && [ "$h" = "$4" ] ||
    fail "$1 is ${bpp} bpp ${w}x${h}, expected $2 bpp $3x$4"
}
wait_for_file() { for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done; return 1; }

# Starts a practice race from the first screen, drives, leaves it with Escape
# and quits from the first screen again.
dir="$tmp/run"
cp -r "$build/run" "$dir"
rm -rf "$dir/screens" "$dir/options.set" "$dir/dw.ini"
(cd / && SDL_AUDIODRIVER=dummy exec "$dir/Dustwhirl" >"$dir/stdout.log" 2>"$dir/stderr.log") &
game_pid=$!
wid=""
for _ in $(seq 100); do
  wid=$(xdotool search --name '^Dustwhirl$' 2>/dev/null | head -n1)
  [ -n "$wid" ] && break
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$wid" ] || fail "no game window appeared: $(cat "$dir/stderr.log")"
xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
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
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "Escape on the first screen did not end the game"
wait "$game_pid"; status=$?
game_pid=""
[ "$status" = 0 ] || fail "exit status $status: $(cat "$dir/stderr.log")"
echo "PASS"
