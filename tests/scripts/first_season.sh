#!/usr/bin/env bash
# A new player's first season with the keyboard alone, under Xvfb: on the
# main screen two computer drivers are chosen by their first letters, the
# race length is set to 1 lap with "-", two tracks are chosen, Start begins
# the season; the computer drives both races through the results and points
# panels to the final standings, and the game returns to the main screen and
# quits (Escape, then Yes) with status 0. A PNG of every screen passed is
# kept in BUILD_DIR/screens/first_season.
# Usage: first_season.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool convert
# The keys that choose two tracks: Up focuses Select (the last button), Return
# opens its list on Randomize and Return takes it, which chooses as many tracks
# as the slider beside it says (2); four Downs bring the focus to Start. Set
# to empty, the script stops after the drivers and the race length with
# status 77 (skipped).
track_keys=${FIRST_SEASON_TRACK_KEYS-Up Return Return Down Down Down Down}
window_setup
start_xvfb 640x480x24
shots="$build/screens/first_season"
rm -rf "$shots"
mkdir -p "$shots"

dir="$tmp/run"
cp -r "$build/run" "$dir"
rm -rf "$dir/screens" "$dir/options.set"
# Two tracks only, so that the Select list's Randomize choice is the same
# pair on every run (both, in a random order).
find "$dir/tracks" -name '*.trk' ! -name oval.trk ! -name beach.trk -delete
start_game "$dir"
sleep 0.5

key() { xdotool key --delay 80 "$@"; sleep 0.3; }
alive() { kill -0 "$game_pid" 2>/dev/null || fail "the game ended early: $(cat "$dir/stderr.log")"; }

# F12 writes screens/shotNNNN.bmp, numbered on; snap waits for the next
# one and leaves its path in last.
next=0
last=""
snap() {
  last=$(printf '%s/screens/shot%04d.bmp' "$dir" "$next")
  xdotool key F12
  for _ in $(seq 100); do [ -s "$last" ] && break; sleep 0.1; done
  [ -s "$last" ] || fail "F12 wrote no screenshot $next"
  sleep 0.2
  next=$((next + 1))
}
keep() {  # name: a screenshot of what is shown now, kept as PNG
  snap
  convert "$last" "$shots/$1.png" || fail "could not convert $last"
}
# The race picture must be moving a few seconds after the start lights.
racing() {  # name
  local before=$last
  keep "$1"
  if cmp -s "$before" "$last"; then
    ascii_picture "$last"
    fail "$1: the picture did not move after the start"
  fi
}
# Waits until the picture holds still (a panel waiting for a key), at most
# limit seconds; the race picture moves until the results panel is up.
settle() {  # limit
  local a
  snap
  a=$last
  for _ in $(seq $(($1 / 2))); do
    sleep 2
    alive
    snap
    cmp -s "$a" "$last" && return 0
    a=$last
  done
  convert "$last" "$shots/still_moving.png" 2>/dev/null
  echo "The last picture (kept as $shots/still_moving.png); it differs from the one before in $(picture_difference "$a" "$last"):"
  ascii_picture "$last"
  fail "the picture still moved after $1 seconds"
}

keep 01_main_screen
key i j                              # two computer drivers: Ike Marlow, Juno Reyes
key minus minus minus minus          # race length 5 -> 1 lap
keep 02_players_and_one_lap
if [ -z "$track_keys" ]; then
  key Escape Return                  # Exit, Yes
  wait_game_end "Exit on the main screen"
  [ "$status" = 0 ] || fail "exit status $status: $(cat "$dir/stderr.log")"
  echo "SKIP: choosing the tracks by keys is not wired yet (set FIRST_SEASON_TRACK_KEYS)"
  exit 77
fi
# shellcheck disable=SC2086
key $track_keys
keep 03_tracks_chosen
key Return                           # Start
sleep 2
alive
keep 04_race1_track_info
key space                            # the start lights; the computer drives
sleep 4
racing 05_race1_racing
settle 120
keep 06_race1_results
key space
sleep 1
keep 07_race1_points
key space                            # the second race
sleep 2
keep 08_race2_track_info
key space
sleep 4
racing 09_race2_racing
settle 120
keep 10_race2_results
key space
sleep 1.5
keep 11_final_standings
key space                            # back to the main screen
sleep 1.5
alive
keep 12_main_screen_again
key Escape                           # Exit asks first
keep 13_exit_box
key Return                           # Yes
wait_game_end "Exit on the main screen"
[ "$status" = 0 ] || fail "exit status $status: $(cat "$dir/stderr.log")"
# Each computer driver has one season and two races more in its file.
for name in "Ike Marlow" "Juno Reyes"; do
  seasons=$(od -An -tu4 -N4 -j4 "$dir/drivers/$name.drv" | tr -d ' ')
  races=$(od -An -tu4 -N4 -j36 "$dir/drivers/$name.drv" | tr -d ' ')
  before_s=$(od -An -tu4 -N4 -j4 "$build/run/drivers/$name.drv" | tr -d ' ')
  before_r=$(od -An -tu4 -N4 -j36 "$build/run/drivers/$name.drv" | tr -d ' ')
  [ "$seasons" = $((before_s + 1)) ] || fail "$name: $seasons seasons, expected $((before_s + 1))"
  [ "$races" = $((before_r + 2)) ] || fail "$name: $races races, expected $((before_r + 2))"
done
echo "PASS: screenshots in $shots"
