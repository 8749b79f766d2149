# Shared by the window scripts in tests/scripts (sourced, not run): a scratch
# folder and an X server of their own, the game started in a real window,
# screenshots waited for and checked, and everything stopped on exit.
#   . "$(dirname "$0")/lib/window.sh"
#   need_tools Xvfb xdotool [convert]   # exit 77 (skipped) when one is missing
#   window_setup                          # $tmp, the exit trap, fail
#   start_xvfb 640x480x24                 # exports DISPLAY
#   start_game DIR [ARGS...]              # $game_pid, $wid; logs in DIR
#   quit_game                             # Alt+F4; the exit status in $status
#   find_window PATTERN PID               # another program's window id

need_tools() {
  local t
  for t in "$@"; do
    if ! command -v "$t" >/dev/null; then
      echo "SKIP: $t is not installed (scripts/setup.sh installs it)"
      exit 77
    fi
  done
}

fail() { echo "FAIL: $*"; exit 1; }

window_setup() {
  tmp=$(mktemp -d)
  xvfb_pid=""
  game_pid=""
  trap window_cleanup EXIT
  # Under a sanitizer build, leaks inside the X client library are not ours.
  printf 'leak:libX11.so\nleak:libxcb.so\n' >"$tmp/lsan.supp"
  export LSAN_OPTIONS="suppressions=$tmp/lsan.supp"
}

window_cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}

# A display of our own: other programs may start X servers at the same time,
# so take a random free number and make sure our server is the one answering.
start_xvfb() {  # geometry
  local n
  for _ in $(seq 20); do
    n=$((RANDOM % 800 + 100))
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

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
}

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

# Waits up to 30 s (the machine may be busy) for a window whose name matches
# the pattern while process PID lives; prints its id, or nothing.
find_window() {  # pattern pid
  local found="" deadline=$((SECONDS + 30))
  while [ $SECONDS -lt $deadline ]; do
    found=$(xdotool search --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$found" ] && break
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  echo "$found"
}

# Waits for the window of the game started as $game_pid and gives it the
# focus; fails with the game's error output (file ERRLOG) when no window
# comes. Sets wid.
wait_for_window() {  # errlog
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --name '^Dustwhirl$' 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    kill -0 "$game_pid" 2>/dev/null && fail "no game window appeared on $DISPLAY"
    wait "$game_pid"; status=$?
    game_pid=""
    fail "the game ended at once with status $status: $(cat "$1")"
  fi
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
}

# Starts DIR/Dustwhirl (from /, so only its own folder counts) and waits for
# its window, then gives it the focus.
start_game() {  # dir [arguments...]
  local dir=$1
  shift
  (cd / && SDL_AUDIODRIVER=dummy exec "$dir/Dustwhirl" "$@" >"$dir/stdout.log" 2>"$dir/stderr.log") &
  game_pid=$!
  wait_for_window "$dir/stderr.log"
}

# Waits up to 10 s for the game to end; its exit status in $status.
wait_game_end() {  # what ended it (for the message)
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "$1 did not end the game"
  wait "$game_pid"; status=$?
  game_pid=""
}

quit_game() {
  xdotool key alt+F4
  wait_game_end Alt+F4
}

# Prints a picture as 80 x 30 characters of grey levels, so that a failure in
# a run without a screen (CI) still shows what was on it.
ascii_picture() {  # file
  convert "$1" -resize '80x30!' -colorspace Gray -depth 8 txt:- 2>/dev/null |
    awk -F'[(),: ]+' 'NR > 1 {
      ramp = " .:-=+*#%@"
      row[$2] = row[$2] substr(ramp, int($3 * 10 / 256) + 1, 1)
    } END { for (y = 0; y < 30; y++) print "  |" row[y] "|" }'
}

# Where two pictures differ, as WxH+X+Y ("none" when they are the same).
picture_difference() {  # a b
  local box
  box=$(convert "$1" "$2" -compose difference -composite -threshold 0 -trim -format '%wx%h%O' info: 2>/dev/null)
  cmp -s "$1" "$2" && box=none
  echo "${box:-unknown}"
}
