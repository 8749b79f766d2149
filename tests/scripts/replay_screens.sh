#!/usr/bin/env bash
# Pictures of the replay screen and the save dialog in a real window under
# Xvfb at 640 x 480: the replay test program draws a race's replay playing,
# in reverse at double rate (the rate shown), with the F1 key panel, and the
# save dialog over a few saved games; each is kept as PNG in
# BUILD_DIR/replay_screens. The pictures are drawn by the game's own race
# entry, view and dialog; the test program only drives them.
# Usage: replay_screens.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null || ! command -v convert >/dev/null; then
  echo "SKIP: Xvfb, xdotool or convert is not installed"
  exit 77
fi
[ -x "$build/tests_saves" ] || { echo "SKIP: tests_saves is not built"; exit 77; }
tmp=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

for _ in $(seq 20); do
  n=$((RANDOM % 800 + 100))
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$tmp/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 50); do
    kill -0 "$xvfb_pid" 2>/dev/null || break
    if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
      export DISPLAY=":$n"
      break 2
    fi
    sleep 0.1
  done
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
printf 'leak:libX11.so\nleak:libxcb.so\n' >"$tmp/lsan.supp"
export LSAN_OPTIONS="suppressions=$tmp/lsan.supp"

out="$build/replay_screens"
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.bmp
DW_SHOTS_DIR="$out" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  "$build/tests_saves" --gtest_filter='ReplayScreens.*' >"$tmp/run.log" 2>&1 || fail "the replay screens failed: $(tail -20 "$tmp/run.log")"
for shot in replay_play replay_reverse replay_help file_dialog; do
  [ -s "$out/$shot.bmp" ] || fail "no picture $shot"
  convert "$out/$shot.bmp" "$out/$shot.png" || fail "cannot convert $shot"
  rm -f "$out/$shot.bmp"
done
rm -f "$out"/*.bmp
echo "PASS: pictures in $out"
