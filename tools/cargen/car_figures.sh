#!/usr/bin/env bash
# How the shipped cars drive: for each car on the grand prix, oval, club and
# rally tracks, races of two computer cars of that kind over 3 laps, one per
# seed; prints the median over the seeds of the race's fastest lap and of the
# winner's time, and the cars that did not finish.
# Usage: tools/cargen/car_figures.sh RUN_DIR [SEEDS]     (e.g. build/run 9)
set -eu
run=$(cd "$1" && pwd)
seeds=${2:-9}
python3 - "$run" "$seeds" <<'PY'
import json, statistics, subprocess, sys
run, seeds = sys.argv[1], int(sys.argv[2])
cars = ['hatchback', 'sports', 'buggy', 'truck']
print('%-14s %s' % ('track', ' | '.join('%-24s' % c for c in cars)))
for track in ['grand_prix', 'oval', 'club', 'offroad/rally']:
    cells = []
    for car in cars:
        fastest, winner, dnf = [], [], 0
        for seed in range(1, seeds + 1):
            out = subprocess.run([run + '/dwrace', '--laps', '3', '--cars', '2', '--car', car, '--seed', str(seed),
                                  '--json', run + '/tracks/' + track + '.trk'], capture_output=True, text=True)
            race = json.loads(out.stdout)['races'][0]['cars']
            fastest.append(min(c['bestLap'] for c in race if c['bestLap'] > 0))
            winner.append(race[0]['time'])
            dnf += sum(not c['finished'] for c in race)
        cells.append('%-24s' % ('lap %.2f win %.1f%s' % (statistics.median(fastest), statistics.median(winner),
                                                         ' dnf %d' % dnf if dnf else '')))
    print('%-14s %s' % (track, ' | '.join(cells)))
PY
