#!/usr/bin/env bash
# Runs the built game on a copy of the runnable folder whose "options.set"
# exists but cannot be read (no read permission). When the game quits, the
# file must still hold its bytes, and standard error must say once that it
# is kept. For root every file is readable, so as root the game runs as the
# user "nobody". The control run: a readable options.set of another version
# is replaced by a version-74 file at quit, so the quit did save.
# Usage: kept_options.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

player=()
if [ "$(id -u)" -eq 0 ]; then
  if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    echo "SKIP: running as root without setpriv or the user nobody"
    exit 77
  fi
  player=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  id -g nogroup >/dev/null 2>&1 || player=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
fi
chmod 755 "$tmp"

prepare() {  # name -> folder with the executable, its font and an options.set
  local dir="$tmp/$1"
  mkdir -p "$dir"
  cp "$build/run/Dustwhirl" "$build/run/font.bmp" "$dir/"
  chmod 777 "$dir"
  # Version 73, then a 103-byte record of recognisable bytes.
  { printf '\x49\x00\x00\x00'; head -c 103 /dev/zero | tr '\0' '\125'; } >"$dir/options.set"
  echo "$dir"
}

run_game() {  # folder: runs until the time limit ends it with a normal quit
  local status=0
  timeout 5 "${player[@]}" "$1/Dustwhirl" >/dev/null 2>"$1/err.txt" || status=$?
  [ "$status" -eq 124 ] || fail "the game did not run until the time limit (status $status): $(cat "$1/err.txt")"
}

dir=$(prepare control)
run_game "$dir"
[ "$(head -c 4 "$dir/options.set" | od -An -tu4 | tr -d ' ')" = 74 ] ||
  fail "a readable options.set of another version was not rewritten at quit"
grep -q "options.set" "$dir/err.txt" && fail "a readable options.set was reported: $(cat "$dir/err.txt")"

dir=$(prepare unreadable)
cp "$dir/options.set" "$tmp/original"
chmod 000 "$dir/options.set"
run_game "$dir"
cmp -s "$dir/options.set" "$tmp/original" || fail "the unreadable options.set was replaced"
[ "$(grep -c "options.set cannot be read" "$dir/err.txt")" -eq 1 ] ||
  fail "standard error does not say once that options.set is kept: $(cat "$dir/err.txt")"
echo "PASS"
