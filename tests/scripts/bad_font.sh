#!/usr/bin/env bash
# Starts the built game from copies of the runnable folder whose "font.bmp"
# is missing, malformed or a named pipe: each start must fail with the caption
# "Error!", "Failed to initialize the game system." and a line naming
# "font.bmp" on standard error and a non-zero
# exit status, within a few seconds. A good font must start (checked by
# letting the dummy video driver run until a timeout ends the game).
# Usage: bad_font.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# A copy of the game in its own folder, so the program directory is there.
prepare() {  # name -> folder with the executable and the shipped data
  local dir="$tmp/$1"
  mkdir -p "$dir"
  cp "$build/run/Dustwhirl" "$dir/"
  cp "$build/run/font.bmp" "$dir/"
  echo "$dir"
}

expect_failure() {  # folder description [line naming the file]
  local status=0
  timeout 20 "$1/Dustwhirl" >"$1/out.txt" 2>"$1/err.txt" || status=$?
  [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "$2: exit status $status"
  grep -qx "Error!" "$1/err.txt" || fail "$2: no caption on standard error: $(cat "$1/err.txt")"
  grep -qx "Failed to initialize the game system." "$1/err.txt" ||
    fail "$2: no message on standard error: $(cat "$1/err.txt")"
  [ $# -lt 3 ] || grep -qxF "$3" "$1/err.txt" || fail "$2: the file is not named: $(cat "$1/err.txt")"
}
missing_line='"font.bmp" is missing or cannot be read.'
malformed_line='"font.bmp" is malformed: its pixel data must be 16000 bytes, a 3200 x 40 image at 1 bit per pixel.'

dir=$(prepare missing); rm "$dir/font.bmp"
expect_failure "$dir" "missing font.bmp" "$missing_line"

# Pixel data size field (offset 34) of 15999 instead of 16000.
dir=$(prepare wrongsize)
printf '\x7f\x3e\x00\x00' | dd of="$dir/font.bmp" bs=1 seek=34 conv=notrunc status=none
expect_failure "$dir" "pixel data size 15999" "$malformed_line"

# The size field is right but the pixel data is cut short.
dir=$(prepare truncated); truncate -s 8000 "$dir/font.bmp"
expect_failure "$dir" "truncated pixel data" "$malformed_line"

dir=$(prepare empty); : >"$dir/font.bmp"
expect_failure "$dir" "empty font.bmp" "$malformed_line"

# A named pipe in its place fails at once instead of waiting for a writer
# (the time limit would give status 124).
dir=$(prepare pipe); rm "$dir/font.bmp"; mkfifo "$dir/font.bmp"
expect_failure "$dir" "font.bmp a named pipe" "$missing_line"

# The shipped font starts the game: it runs until the timeout stops it.
dir=$(prepare good)
status=0
timeout 2 "$dir/Dustwhirl" >/dev/null 2>"$dir/err.txt" || status=$?
[ "$status" -eq 124 ] || fail "the shipped font did not start the game (status $status): $(cat "$dir/err.txt")"
echo "PASS"
