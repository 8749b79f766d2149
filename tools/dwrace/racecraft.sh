#!/bin/bash
# Racecraft report: how the computer drivers race, on every shipped track and
# on the test tracks built from tests/race/tracks, as one table.
#
#   tools/dwrace/racecraft.sh [BUILD_DIR] [TRACK.trk ...]
#
# BUILD_DIR defaults to ./build (dwrace and trackbuilder in BUILD_DIR/run).
# Every race is five laps with every car a hatchback, seeds 1-5:
#   wins    the skill-140 car's wins starting last behind five skill-60 cars
#   passes  passes made on the track per race (median over the races above)
#   pairs   of the 15 pairs of cars, those finishing in skill order, with the
#           grid 60, 70, ... 110 from the front (median over the seeds)
#   nostop  the same with no fuel used (--fuel 0), so no car stops for fuel
#   damage  median damage per car, over every race
#   stall   longest time any car made no progress along the line (s)
#   unfin   cars that did not finish, over every race
#   alone   best lap of one car alone at skill 60 / 80 / 100 / 120 (seed 1),
#           and "yes" when they fall strictly
set -u
build=${1:-build}
[ $# -gt 0 ] && shift
run="$build/run"
dwrace="$run/dwrace"
[ -x "$dwrace" ] || { echo "racecraft: no $dwrace (build the dwrace and rundata targets)" >&2; exit 2; }
here=$(cd "$(dirname "$0")/../.." && pwd)

tracks=("$@")
if [ ${#tracks[@]} -eq 0 ]; then
    for t in beach club figure_eight grand_prix oval town offroad/rally offroad/snow; do tracks+=("$run/tracks/$t.trk"); done
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    for recipe in "$here"/tests/race/tracks/*.txt; do
        name=$(basename "$recipe" .txt)
        if "$run/trackbuilder" build "$recipe" "$scratch/$name.trk" >/dev/null 2>&1; then
            tracks+=("$scratch/$name.trk")
        else
            echo "racecraft: cannot build $recipe" >&2
        fi
    done
fi

race() {  # args: dwrace options; prints the JSON document
    "$dwrace" --json --laps 5 --car hatchback "$@" 2>/dev/null
}

printf '%-16s %5s %6s %5s %6s %7s %6s %5s  %s\n' track wins passes pairs nostop damage stall unfin "alone 60/80/100/120"
for track in "${tracks[@]}"; do
    name=$(basename "$track" .trk)
    {
        for seed in 1 2 3 4 5; do
            echo "FAST"; race --skill 140,60,60,60,60,60 --grid skill --seed $seed "$track"
            echo "ORDER"; race --skill 60,70,80,90,100,110 --grid skill --seed $seed "$track"
            echo "NOSTOP"; race --skill 60,70,80,90,100,110 --grid skill --fuel 0 --seed $seed "$track"
        done
        for s in 60 80 100 120; do echo "ALONE"; race --cars 1 --skill $s --seed 1 "$track"; done
    } | python3 -c '
import json, sys, statistics
name = sys.argv[1]
text = sys.stdin.read()
wins = 0; passes = []; pairs = []; nostop = []; damage = []; stall = 0.0; unfinished = 0; alone = []
parts = []
kind = None; buf = []
for line in text.splitlines():
    if line in ("FAST", "ORDER", "NOSTOP", "ALONE"):
        if kind and buf: parts.append((kind, "\n".join(buf)))
        kind = line; buf = []
    else:
        buf.append(line)
if kind and buf: parts.append((kind, "\n".join(buf)))
for kind, doc in parts:
    try:
        race = json.loads(doc)["races"][0]
    except Exception:
        unfinished += 6; continue
    cars = race["cars"]
    for c in cars:
        damage.append(c["damage"]); stall = max(stall, c["longestStall"])
        if not c["finished"]: unfinished += 1
    if kind == "ALONE":
        alone.append(cars[0]["bestLap"]); continue
    passes.append(sum(c["passes"] for c in cars))
    if kind == "FAST":
        if cars[0]["skill"] == 140 and cars[0]["finished"]: wins += 1
    else:
        skills = [c["skill"] for c in cars]
        (pairs if kind == "ORDER" else nostop).append(
            sum(1 for a in range(len(skills)) for b in range(a + 1, len(skills)) if skills[a] > skills[b]))
falls = len(alone) == 4 and all(alone[k] > alone[k + 1] for k in range(3))
print("%-16s %3d/5 %6.1f %5.0f %6.0f %7.0f %6.2f %5d  %s %s" % (name[:16], wins, statistics.median(passes) if passes else 0,
      statistics.median(pairs) if pairs else 0, statistics.median(nostop) if nostop else 0,
      statistics.median(damage) if damage else 0, stall, unfinished,
      "/".join("%.2f" % a for a in alone), "yes" if falls else "NO"))
' "$name"
done
