#!/usr/bin/env bash
# Starts the built game under Xvfb from a fresh copy of the runnable folder,
# presses F12, F11 and Alt+F4, and checks the screenshots, the exit status and
# the options file it leaves behind. A second run checks that a dw.ini
# screenshot width beyond the limit is clamped to 2560.
# Usage: game_window.sh BUILD_DIR SOURCE_DIR
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

# Runs the game in folder $1 and sends the keys; leaves its exit status in $status.
run_game() {
  local dir=$1
  (cd / && SDL_AUDIODRIVER=dummy exec "$dir/Dustwhirl" >"$dir/stdout.log" 2>"$dir/stderr.log") &
  game_pid=$!
  local wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --name '^Dustwhirl$' 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    kill -0 "$game_pid" 2>/dev/null && fail "no game window appeared on $DISPLAY"
    wait "$game_pid"; status=$?
    fail "the game ended at once with status $status: $(cat "$dir/stderr.log")"
  fi
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
  sleep 0.3
  xdotool key F12
  wait_for_file "$dir/screens/shot0000.bmp" || fail "F12 wrote no screenshot"
  xdotool key F11
  wait_for_file "$dir/screens/shot0001.bmp" || fail "F11 wrote no screenshot"
  sleep 0.3
  xdotool key alt+F4
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$game_pid" 2>/dev/null; then fail "Alt+F4 did not end the game"; fi
  wait "$game_pid"; status=$?
  game_pid=""
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
