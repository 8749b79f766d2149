// The story of a race for dwrace: the grid set by skill, each car's place
// along the lap every step, the passes made on the track (not by standing in
// the pits while others go by), the position after every lap, and for a car
// that does not finish the checkpoint it was waiting for.
#include <algorithm>
#include <cmath>

#include "Game/race/race.h"
#include "Game/track/track.h"
#include "tools/dwrace/dwrace.h"

namespace {

constexpr float kPassMargin = 3;  // metres one car must be clear of another for the order to count

std::vector<float> lineDistance;   // metres along the AI line to each point
float lineLength = 0, finishAt = 0;
std::vector<float> gateDistance;   // metres from the finish to each checkpoint; the finish itself at a full lap
int nearestPoint[kMaxCars];
int passes[kMaxCars];
int8_t order[kMaxCars][kMaxCars];  // +1: car i is ahead of car j, -1 behind, 0 unknown
int lastLaps[kMaxCars];
std::vector<int> lapPositions[kMaxCars];

float Flat2(Vec3 a, Vec3 b) { return (a.x - b.x) * (a.x - b.x) + (a.z - b.z) * (a.z - b.z); }

// Metres from the finish line along the lap, by the nearest AI line point
// (searched near the last one, or over the whole line when the car is far).
float LapDistance(int i)
{
    const std::vector<Vec3>& line = trackMaps.aiLine;
    int n = static_cast<int>(line.size());
    const CarState& c = cars[i];
    int best = nearestPoint[i];
    float bestD = Flat2(line[best], c.pos);
    for (int k = -8; k <= 24; ++k) {
        int p = ((nearestPoint[i] + k) % n + n) % n;
        float d = Flat2(line[p], c.pos);
        if (d < bestD) bestD = d, best = p;
    }
    if (bestD > 400)
        for (int p = 0; p < n; ++p) {
            float d = Flat2(line[p], c.pos);
            if (d < bestD) bestD = d, best = p;
        }
    nearestPoint[i] = best;
    float s = lineDistance[best] - finishAt;
    if (s < 0) s += lineLength;
    return s;
}

}  // namespace

void ArrangeGrid(const RunnerOptions& o)
{
    if (o.grid != "skill") return;
    int n = raceState.carCount;
    // Slowest at the front; equal skills keep their car order.
    int want[kMaxCars];
    for (int k = 0; k < n; ++k) want[k] = k;
    std::stable_sort(want, want + n, [](int a, int b) { return cars[a].aiSkill < cars[b].aiSkill; });
    CarState was[kMaxCars];
    for (int k = 0; k < n; ++k) was[k] = cars[raceState.standing[k]];
    for (int p = 0; p < n; ++p) {
        CarState& c = cars[want[p]];
        const CarState& slot = was[p];
        c.pos = slot.pos;
        c.vel = slot.vel;
        c.angVel = slot.angVel;
        c.side = slot.side;
        c.up = slot.up;
        c.forward = slot.forward;
        for (int k = 0; k < kCarPoints; ++k) c.points[k] = slot.points[k];
        c.position = static_cast<uint8_t>(p);
        raceState.standing[p] = want[p];
    }
}

void StartStory()
{
    const std::vector<Vec3>& line = trackMaps.aiLine;
    int n = static_cast<int>(line.size());
    lineDistance.assign(n, 0);
    for (int k = 1; k < n; ++k) lineDistance[k] = lineDistance[k - 1] + std::sqrt(Flat2(line[k], line[k - 1]));
    lineLength = n > 0 ? lineDistance[n - 1] + std::sqrt(Flat2(line[0], line[n - 1])) : 0;
    finishAt = 0;
    gateDistance.clear();
    auto nearest = [&](const TrackGate& g) {
        Vec3 mid{g.x + g.dx * g.length / 2, 0, g.y + g.dy * g.length / 2};
        float bestD = 1e30f, at = 0;
        for (int k = 0; k < n; ++k) {
            float d = Flat2(Vec3{line[k].x, 0, line[k].z}, mid);
            if (d < bestD) bestD = d, at = lineDistance[k];
        }
        return at;
    };
    if (n > 0 && !trackMaps.checkpoints.empty()) {
        finishAt = nearest(trackMaps.checkpoints.back());
        for (size_t k = 0; k + 1 < trackMaps.checkpoints.size(); ++k) {
            float d = nearest(trackMaps.checkpoints[k]) - finishAt;
            gateDistance.push_back(d < 0 ? d + lineLength : d);
        }
        gateDistance.push_back(lineLength);
    }
    for (int i = 0; i < kMaxCars; ++i) {
        nearestPoint[i] = 0;
        passes[i] = 0;
        lastLaps[i] = 0;
        lapPositions[i].clear();
        for (int j = 0; j < kMaxCars; ++j) order[i][j] = 0;
    }
}

void StoryStep()
{
    int n = raceState.carCount;
    // Position after each lap: one more than the cars that were through first.
    for (int i = 0; i < n; ++i) {
        int laps = cars[i].laps;
        while (lastLaps[i] < laps) {
            ++lastLaps[i];
            int ahead = 0;
            for (int j = 0; j < n; ++j)
                if (j != i && static_cast<int>(lapPositions[j].size()) >= lastLaps[i]) ++ahead;
            lapPositions[i].push_back(ahead + 1);
        }
    }
    if (lineLength <= 0 || raceState.phase != RacePhase::Racing) return;
    float progress[kMaxCars];
    bool onTrack[kMaxCars];
    for (int i = 0; i < n; ++i) {
        const CarState& c = cars[i];
        float s = LapDistance(i);
        // The lap count changes at the finish gate: of the distance s and
        // its neighbours a lap before and after, the one nearest to the
        // stretch between the last checkpoint passed and the next.
        size_t gates = gateDistance.size();
        if (gates >= 2) {
            size_t next = c.nextCheckpoint < gates ? c.nextCheckpoint : 0;
            float from = next == 0 ? 0 : gateDistance[next - 1], to = gateDistance[next];
            float mid = (from + to) / 2;
            if (std::fabs(s - lineLength - mid) < std::fabs(s - mid)) s -= lineLength;
            else if (std::fabs(s + lineLength - mid) < std::fabs(s - mid)) s += lineLength;
        }
        progress[i] = c.laps * lineLength + s;
        onTrack[i] = c.lapState != 2 && (c.driverType != 0 || c.controlLock == 0);
    }
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            float d = progress[i] - progress[j];
            int8_t now = d > kPassMargin ? 1 : d < -kPassMargin ? -1 : 0;
            if (now == 0 || now == order[i][j]) continue;
            if (order[i][j] != 0 && onTrack[i] && onTrack[j]) ++passes[now > 0 ? i : j];
            order[i][j] = now;
        }
}

void StoryResult(int i, CarResult& out)
{
    out.passes = passes[i];
    out.lapPositions = lapPositions[i];
    const CarState& c = cars[i];
    out.waitingCheckpoint = c.nextCheckpoint;
    if (c.nextCheckpoint < trackMaps.checkpoints.size()) {
        const TrackGate& g = trackMaps.checkpoints[c.nextCheckpoint];
        out.checkpointX = g.x + g.dx * g.length / 2;
        out.checkpointZ = g.y + g.dy * g.length / 2;
    }
}
