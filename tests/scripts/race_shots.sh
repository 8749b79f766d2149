#!/usr/bin/env bash
# dwrace --shots: pictures of a computer-driven race written while it runs,
# 8-bit BMPs of the asked size named after the track, the cars moving between
# them, the results panel and the final standings after them, the results the
# same as without pictures; a folder that cannot be
# made is refused with a message and status 2.
# Usage: race_shots.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
run="$build/run"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
bmp_field() { od -An -t"$3" -j"$2" -N"$4" "$1" | tr -d ' '; }

cp "$run/tracks/oval.trk" "$tmp/oval.trk"
"$run/dwrace" --laps 1 --cars 4 --seed 5 "$tmp/oval.trk" >"$tmp/plain.out" 2>/dev/null
[ $? -le 1 ] || fail "dwrace without pictures failed"
"$run/dwrace" --laps 1 --cars 4 --seed 5 --shots "$tmp/shots" --every 3 --size 400x300 "$tmp/oval.trk" \
  >"$tmp/shots.out" 2>"$tmp/shots.err"
[ $? -le 1 ] || fail "dwrace --shots failed: $(cat "$tmp/shots.err")"
cmp -s "$tmp/plain.out" "$tmp/shots.out" || fail "the pictures changed the race: $(diff "$tmp/plain.out" "$tmp/shots.out")"

simulated=$(sed -n 's/.*laps, \([0-9.]*\) s simulated.*/\1/p' "$tmp/plain.out")
# One picture every 3 s from the first step, and one when the race is decided.
want=$(awk -v s="$simulated" 'BEGIN { n = int((s * 100 - 1) / 300) + 1; if ((s * 100 - 1) % 300 != 0) n++; print n }')
count=$(ls "$tmp/shots" | grep -c '^oval-[0-9]*\.bmp$')
[ "$count" = "$want" ] || fail "$count pictures for $simulated s at one every 3 s, expected $want: $(ls "$tmp/shots")"
for f in oval-0000 oval-results final-standings; do
  [ -f "$tmp/shots/$f.bmp" ] || fail "no $f.bmp: $(ls "$tmp/shots")"
done
# One race: no points panel between races.
[ -f "$tmp/shots/oval-points.bmp" ] && fail "a points panel after the only race"
for f in "$tmp"/shots/*.bmp; do
  bpp=$(bmp_field "$f" 28 u2 2); w=$(bmp_field "$f" 18 d4 4); h=$(bmp_field "$f" 22 d4 4)
  [ "$bpp" = 8 ] && [ "$w" = 400 ] && [ "$h" = 300 ] || fail "$f is $bpp bpp ${w}x$h, expected 8 bpp 400x300"
done
cmp -s "$tmp/shots/oval-0001.bmp" "$tmp/shots/oval-0002.bmp" && fail "the race did not move between two pictures"
# The picture is the race view, not a blank frame: many colours in it.
colours=$(od -An -v -tu1 -j1078 "$tmp/shots/oval-0001.bmp" | tr -s ' ' '\n' | sort -u | wc -l)
[ "$colours" -gt 20 ] || fail "the picture holds only $colours colours"

touch "$tmp/file"
"$run/dwrace" --laps 1 --shots "$tmp/file/below" --every 1 "$tmp/oval.trk" >/dev/null 2>"$tmp/bad.err"
status=$?
[ "$status" = 2 ] || fail "a folder below a file gave status $status"
grep -q "file/below" "$tmp/bad.err" || fail "no message names the folder: $(cat "$tmp/bad.err")"
"$run/dwrace" --laps 1 --shots "$tmp/x" --every 1 --size 99x50 "$tmp/oval.trk" >/dev/null 2>&1
[ $? = 2 ] || fail "a size of 99x50 was taken"
echo "PASS: $count pictures"
