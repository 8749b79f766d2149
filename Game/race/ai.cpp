// The computer driver: follows the track's AI line towards a point ahead
// chosen by speed and skill, at a lateral offset picked at each line point to
// pass other cars; decides at the pit branch whether to stop, drives down the
// pit line to a free crew, waits until served and rejoins; frees itself by
// reversing and then driving at full throttle when it is stuck.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/settings.h"
#include "trackfile/object_types.h"

#include <cmath>

namespace {

constexpr int kReverseFrom = 140, kForwardFrom = 200, kStuckCycle = 400;
constexpr int32_t kRescueSteps = 500;  // steps without progress before a car backs out anyway

int32_t noProgress[kMaxCars];
int32_t longestNoProgress[kMaxCars];
// Steps a car has waited at its pit. A crew member who cannot reach his
// place (the car stopped crooked against something) would hold the car
// for ever: after 15 s the driver goes on with what has been done.
int32_t pitWait[kMaxCars];
constexpr int32_t kMaxPitWait = 1500;

// Racecraft, per car: the lateral offset the car steers by (metres right of
// the line, moved smoothly towards the one wanted), how much of it stands in
// tight bends (1 in traffic, where cars side by side need their distance),
// the car it is passing, on which side, and for how long it stays committed,
// and how long it has been held up behind a car with no room to pass.
float lane[kMaxCars];
float laneKeep[kMaxCars];
int passCar[kMaxCars] = {-1, -1, -1, -1, -1, -1};
int passSide[kMaxCars];
float passLane[kMaxCars];              // offset chosen for the pass, clear of the car at the time
int32_t passTimer[kMaxCars];
int32_t heldBehind[kMaxCars];
int32_t lastClock[kMaxCars] = {-9, -9, -9, -9, -9, -9};
constexpr int32_t kPassCommit = 200;   // steps a chosen side is kept
constexpr int32_t kHeldLimit = 300;    // steps behind a car before squeezing by where room is tight
constexpr float kLaneRate = 0.045f;    // metres the offset moves per step

int Wrap(int i, int n)
{
    if (i >= 0 && i < n) return i;
    if (i >= n && i < 2 * n) return i - n;
    if (i < 0 && i >= -n) return i + n;
    return ((i % n) + n) % n;
}

// Point idx of the line the car follows in its pit phase: the AI line in
// phase 0, the pit line in the others, continuing on the AI line from the
// pit exit past the pit line's end.
Vec3 PathPoint(bool pitLine, int idx)
{
    const std::vector<Vec3>& ai = trackMaps.aiLine;
    int n = static_cast<int>(ai.size());
    if (!pitLine) return ai[Wrap(idx, n)];
    const std::vector<Vec3>& q = trackMaps.pitLine;
    int m = static_cast<int>(q.size());
    if (idx < 0) return q[0];
    if (idx < m) return q[idx];
    return ai[Wrap(trackMaps.pitExit + idx - m, n)];
}

float Flat(Vec3 v) { return std::sqrt(v.x * v.x + v.z * v.z); }

// Car j is on another level than car i (one on a bridge, the other under
// it): no one to pass, avoid or wait for. A slope rises with the distance.
bool OtherLevel(int i, int j)
{
    Vec3 d = cars[j].pos - cars[i].pos;
    return std::fabs(d.y) > 1.2f + 0.15f * Flat(d);
}

float BendRadius(bool pitLine, int idx);
void RoadRoom(Vec3 p, Vec3 right, float& roomRight, float& roomLeft, int idx);
bool BridgeNear(int idx, int count);

// The place on the line nearest to a point, searched from the segment
// ending at point base onwards over at most that many segments and 30 m of
// line: the segment's end point and the fraction.
void NearestOnLine(bool pitLine, int base, Vec3 at, int& end, float& frac, int segments = 48)
{
    float best = 1e30f, along = 0;
    end = base;
    frac = 0;
    for (int k = 0; k < segments && along < 30; ++k) {
        Vec3 a = PathPoint(pitLine, base + k - 1), b = PathPoint(pitLine, base + k);
        float abx = b.x - a.x, abz = b.z - a.z, pax = at.x - a.x, paz = at.z - a.z;
        if (k > 0) along += std::sqrt(abx * abx + abz * abz);
        float f = (pax * abx + paz * abz) / (abx * abx + abz * abz + 0.0001f);
        f = f < 0 ? 0 : f > 1 ? 1 : f;
        float dx = pax - abx * f, dz = paz - abz * f, d2 = dx * dx + dz * dz;
        if (d2 < best) {
            best = d2;
            end = base + k;
            frac = f;
        }
    }
}

// The point dist metres further along the line than the car's own place on
// it (fraction u of the segment ending at point base), moved sideways by
// offset metres to the right of the line there. The offset shrinks in tight
// bends, where the line runs close to the edge of the road. Measured in
// metres, not in points, so lines of any point spacing are followed alike.
Vec3 TargetAlong(bool pitLine, int base, float u, float dist, float offset, float reach = 0, float keep = 0)
{
    Vec3 p0 = PathPoint(pitLine, base - 1), p1 = PathPoint(pitLine, base);
    float seg = Flat(p1 - p0);
    float at = (u < 0 ? 0 : u > 1 ? 1 : u) * seg + (dist > 0 ? dist : 0);
    int k = 0;
    while (at > seg && k < 96) {
        at -= seg;
        ++k;
        p0 = p1;
        p1 = PathPoint(pitLine, base + k);
        seg = Flat(p1 - p0);
    }
    float f = seg > 0.0001f ? at / seg : 0;
    if (f > 1) f = 1;
    Vec3 point = p0 + (p1 - p0) * f;
    float h = seg + 0.0001f;
    // The tightest bend from here to about 15 m on sets how far off the line the car may run.
    float r = BendRadius(pitLine, base + k);
    Vec3 from = p1;
    for (int j = 1; j <= 6; ++j) {
        Vec3 next = PathPoint(pitLine, base + k + j);
        if (Flat(next - from) > 15) break;
        float rj = BendRadius(pitLine, base + k + j);
        if (rj < r) r = rj;
    }
    float scale = r / (r + 25);
    scale += (1 - scale) * keep;
    // In a tight bend the line sits at the apex, and walls, bales or kerb
    // posts on the inside are close: keep a little wide of it.
    Vec3 before = PathPoint(pitLine, base + k - 2), after = PathPoint(pitLine, base + k + 2);
    float turn = (p0.x - before.x) * (after.z - p1.z) - (p0.z - before.z) * (after.x - p1.x);
    // The reference point the target is aimed at lies ahead of the car on
    // its tangent, which at distance reach sits reach^2 / 2r outside a bend
    // of radius r: aiming it there lets the car itself run on the line
    // instead of cutting inside it.
    float wide = reach * reach / (2 * r) + 10 / (r + 1);
    if (wide > 4) wide = 4;
    offset = offset * scale;
    Vec3 right{(p1.z - p0.z) / h, 0, -(p1.x - p0.x) / h};
    // Off the line only as far as the road there reaches.
    if (!pitLine && offset != 0) {
        float roomR, roomL;
        RoadRoom(point, right, roomR, roomL, base + k);
        float hi = roomR - 1.4f, lo = 1.4f - roomL;
        if (hi < 0) hi = 0;
        if (lo > 0) lo = 0;
        offset = offset > hi ? hi : offset < lo ? lo : offset;
    }
    offset += turn > 0 ? wide : -wide;
    // Under a humped bridge the road runs through a gap between the walls
    // under the ends of its deck, barely wider than a car, and the line
    // need not run down its middle: the target goes through the middle.
    // The pieces of one bridge stand in a row along that gap.
    if (!pitLine && BridgeNear(base + k - 1, 2)) {
        const WorldObject* bridge = nullptr;
        float nearest = 14 * 14;
        for (const WorldObject& o : trackMaps.objects) {
            if (o.type != kObjectBridge) continue;
            float dx = point.x - o.position.x, dz = point.z - o.position.z;
            if (dx * dx + dz * dz < nearest) nearest = dx * dx + dz * dz, bridge = &o;
        }
        float len = bridge ? Flat(bridge->direction) : 0;
        if (len > 0.0001f) {
            Vec3 along{bridge->direction.x / len, 0, bridge->direction.z / len};
            float cosine = Dot(right, along);
            float shift = -Dot(point - bridge->position, along) / (cosine + (cosine < 0 ? -0.0001f : 0.0001f));
            if (std::fabs(cosine) > 0.7f && std::fabs(shift) <= 3) return point + right * shift;
        }
    }
    return point + right * offset;
}

float Offset(const CarState& c, bool pitLine)
{
    return pitLine ? c.aiParam * 0.02f - 2 : c.aiParam * 0.05f - 5;
}

// Steering towards a target: -1 when it lies on the car's +side, else +1.
float SteerTo(Vec3 target, Vec3 reference, const CarState& c) { return Dot(target - reference, c.side) >= 0 ? -1.0f : 1.0f; }

// The lateral offset for the next stretch: keep to the side the car is on,
// a little randomness, and move away from cars alongside or about to be.
void ChooseOffset(int i, Vec3 a, Vec3 b, float look, bool pitLine)
{
    CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    float o;
    if (pitLine) {
        o = 3.5f + 3 * NextRandom();
    } else {
        Vec3 pa = c.pos - a, ab = b - a;
        float e = pa.x * ab.z - pa.z * ab.x;
        float h = std::sqrt(ab.x * ab.x + ab.z * ab.z) + 0.0001f;
        float keep = e * 0.75f / h + 1.5f;
        // A band of +-3 m round the line; the driver keeps it on the road
        // (WantedLane), so it never takes the car onto the run-off.
        o = (keep < 0 ? 0 : keep > 3 ? 3 : keep) + 2 + 3 * NextRandom();
    }
    for (int j = 0; j < raceState.carCount; ++j) {
        if (j == i || OtherLevel(i, j)) continue;
        const CarState& other = cars[j];
        const CarDefinition& od = carDefinitions[j];
        float reach = od.halfSize.z + d.halfSize.z + 0.5f;
        float now = Dot(other.pos - c.pos, c.forward);
        float later = Dot(other.pos + other.vel * look - c.pos - c.vel * look, c.forward);
        bool close = (now > -reach && now < reach) || (later > -reach && later < reach && now > -reach);
        if (!close) continue;
        float s = Dot(other.pos - c.pos, c.side);
        float w = d.halfSize.x + 0.5f + od.halfSize.x;
        if (s <= 0 && s + w > 0) o += s + w;
        if (s > 0 && s - w < 0) o += s - w;
    }
    c.aiParam = o < 0 ? 0 : o > 10 ? 200 : static_cast<int>(o / 0.05f);
}

// Fuel plan, per car: the tank at its last pass of the pit branch and the lap
// it was on, and what was burnt from one pass to the next and from the
// branch to the line, measured on laps without a stop (0 until measured).
// The fuel-consumption setting x track length is what a lap at full speed
// burns; a real lap burns a little less, and on a race that one tank nearly
// lasts that difference decides whether a stop is needed at all.
float branchFuel[kMaxCars];
int32_t branchLap[kMaxCars];
int32_t seenLaps[kMaxCars];
float lapBurn[kMaxCars];
float tailBurn[kMaxCars];
constexpr int kPitLaneShare = 2;  // cars in the pit lane a planned stop may join, itself included

// Called on every pass of the branch point and every lap: keeps the plan.
void MeasureFuel(int i, const CarState& c, bool atBranch)
{
    float fuel = c.fuel;
    bool sameTank = branchFuel[i] > 0 && fuel <= branchFuel[i];
    if (c.laps != seenLaps[i]) {
        if (sameTank && branchLap[i] == c.laps - 1) tailBurn[i] = branchFuel[i] - fuel;
        seenLaps[i] = c.laps;
    }
    if (!atBranch) return;
    if (sameTank && branchLap[i] == c.laps - 1) lapBurn[i] = branchFuel[i] - fuel;
    branchFuel[i] = fuel;
    branchLap[i] = c.laps;
}

// Whether to take the pit line at the branch point. Low fuel and heavy
// damage bring a car in as the race rules say. Fuel is planned with what the
// car's own laps burn: a car whose tank lasts the race does not stop for
// fuel; one that needs a last stop makes it on the first lap the pit lane is
// clear, or at the last branch it can reach on what it has. A random lap for
// that stop, or a stop not needed, would cost one car its place and not the
// next, which no driver's skill can make up. With more stops to come, the
// race rules' draw spreads them over the laps.
bool WantsPit(int i, const CarState& c)
{
    const RaceState& r = raceState;
    if (c.lapState == 1) return true;
    if (c.lapState == 2 || r.leaderLaps >= r.raceLaps) return false;
    float length = static_cast<float>(trackMaps.trackLength);
    float rLeft = static_cast<float>(r.raceLaps - c.laps - 1);
    float cons = settings.fuelConsumption * length;
    float damage = c.damage;
    bool repair = damage * rLeft * length > 20000000.0f;
    if (cons <= 0) return repair;
    float lap = lapBurn[i] > 0 ? lapBurn[i] : cons;
    float tail = tailBurn[i] > 0 ? tailBurn[i] : cons;
    float fuel = c.fuel;
    float need = (tail + lap * rLeft) * 1.04f + 300;
    if (fuel >= need) return repair;
    if (fuel < lap * 1.05f + 300) return true;
    if (need - fuel > 60000) {
        // More stops to come than one: they are spread over the laps by the
        // race rules' draw, so that the whole field does not come in at once.
        int t = static_cast<int>(65536.0f / cons);
        if (t < 1) t = 1;
        int rl = static_cast<int>(rLeft);
        int fullTanks = static_cast<int>(fuel / cons);
        if ((rl - 1 - fullTanks) / t < (rl - 1) / t)
            return static_cast<float>(rl - rl / t * t) * damage * length > 20000000.0f;
        return damage > 1000 || NextRandom() * static_cast<float>(rl / t + 1) * fuel < cons;
    }
    // The last stop: made once a full tank lasts the rest of the race, on
    // the first lap the pit lane is clear enough: at most one other car in
    // it and a crew free for each (a car queued behind others' stops loses
    // more than the stop; a lane kept for one car alone sends most of the
    // field in together at the last lap they can).
    if (lapBurn[i] <= 0 || need > 65535) return false;
    int inLane = 0;
    for (int j = 0; j < r.carCount; ++j)
        if (j != i && cars[j].controlLock != 0) ++inLane;
    return inLane < kPitLaneShare && inLane < static_cast<int>(trackMaps.pitCrews.size());
}

// A car come in for a stop while every crew further down the pit line is
// busy with another car queues: it stops short of the nearest busy crew and
// waits until that crew is free, rather than driving through unserved (and
// perhaps running dry on the next lap). The queue is part of the stop, not
// a stall. It waits 10 s at most. Returns 0 (a crew is free or the wait is
// over), 1 (queueing, still short of the busy crews) or 2 (stop here).
int32_t crewWait[kMaxCars];
constexpr int32_t kMaxCrewWait = 1000;

int QueueForCrew(int i)
{
    const CarState& c = cars[i];
    if (crewWait[i] >= kMaxCrewWait) return 0;
    float nearest = 1e9f;
    for (size_t k = 0; k < trackMaps.pitCrews.size(); ++k) {
        const PitCrew& crew = trackMaps.pitCrews[k];
        Vec3 to = crew.anchor - c.pos;
        if (Dot(to, c.forward) <= 0) continue;
        bool claimed = crew.state < kMaxCars && crew.state != i;
        for (int j = 0; j < raceState.carCount; ++j)
            if (j != i && cars[j].controlLock == 3 + k) claimed = true;
        if (!claimed) return 0;  // a free crew further on: drive to it
        float dist = Flat(to);
        if (dist < nearest) nearest = dist;
    }
    if (nearest > 40) return 0;
    ++crewWait[i];
    return nearest > 12 ? 1 : 2;
}

// Crew k's work on the car is done and the tank holds enough for the rest.
bool ServiceDone(const CarState& c, const PitCrew& crew)
{
    const CrewMember* m = crew.members;
    if (m[0].state != 255 || m[1].state != 255 || m[7].state != 255) return false;
    if (m[6].state == 255) return true;
    const RaceState& r = raceState;
    if (r.timedRace && !r.timeUp) return c.fuel >= 65535;
    return c.fuel > (r.raceLaps - c.laps) * settings.fuelConsumption * static_cast<float>(trackMaps.trackLength);
}

// Throttle for a racing car towards a target, by the cornering limit.
int CornerThrottle(const CarState& c, Vec3 target, float speed, float vF)
{
    Vec3 to = target - c.pos;
    if (Dot(to, c.forward) < 0) return -100;
    if (vF < 0) return 100;
    Vec3 h = Cross(c.up, c.vel);
    float q = Dot(h, to);
    float vmax = 1000;
    if (std::fabs(q) >= 1) vmax = std::sqrt(Dot(h, h) * Dot(to, to) * c.traction * 100 * 0.5f / std::fabs(q));
    if (c.lapState == 2) return (vmax <= speed || vF >= 10) ? 1 : 100;
    if (vmax > speed) return 100;
    return vF < vmax ? 1 : 0;
}

// Horizontal radius of the line's bend at point idx, from the points about
// 5 m before and after it (so that neither an uneven point nor a dense
// spacing of points reads as a corner).
float MeasureBend(bool pitLine, int idx)
{
    Vec3 b = PathPoint(pitLine, idx), a = b, c = b;
    for (int k = 1; k <= 8 && Flat(a - b) < 5; ++k) a = PathPoint(pitLine, idx - k);
    for (int k = 1; k <= 8 && Flat(c - b) < 5; ++k) c = PathPoint(pitLine, idx + k);
    float abx = b.x - a.x, abz = b.z - a.z, bcx = c.x - b.x, bcz = c.z - b.z, acx = c.x - a.x, acz = c.z - a.z;
    float cross = std::fabs(abx * bcz - abz * bcx);
    float la = std::sqrt(abx * abx + abz * abz), lb = std::sqrt(bcx * bcx + bcz * bcz), lc = std::sqrt(acx * acx + acz * acz);
    return cross < 0.0001f ? 1e6f : la * lb * lc / (2 * cross);
}

// The AI line's bend radii, measured once per line (a fixed table, so a
// step never allocates; a longer line is measured point by point).
constexpr int kBendTable = 4096;
float bendTable[kBendTable];
bool bridgeTable[kBendTable];   // a bridge piece within reach of the point: no room beside the line
const Vec3* bendLine = nullptr;
size_t bendLineSize = 0;
Vec3 bendLineFirst, bendLineLast;

float BendRadius(bool pitLine, int idx)
{
    const std::vector<Vec3>& ai = trackMaps.aiLine;
    int n = static_cast<int>(ai.size());
    if (pitLine || n == 0 || n > kBendTable) return MeasureBend(pitLine, idx);
    auto same = [](Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
    if (bendLine != ai.data() || bendLineSize != ai.size() || !same(ai[0], bendLineFirst) || !same(ai[n - 1], bendLineLast)) {
        for (int k = 0; k < n; ++k) {
            bendTable[k] = MeasureBend(false, k);
            bridgeTable[k] = false;
            for (const WorldObject& o : trackMaps.objects) {
                if (!ObjectIsRoadBridge(o.type)) continue;
                float dx = o.position.x - ai[k].x, dz = o.position.z - ai[k].z;
                if (dx * dx + dz * dz < 14 * 14) bridgeTable[k] = true;
            }
        }
        bendLine = ai.data();
        bendLineSize = ai.size();
        bendLineFirst = ai[0];
        bendLineLast = ai[n - 1];
    }
    return bendTable[Wrap(idx, n)];
}

// How much room the car has behind the nearest car in front of it:
// negative when it comes closer than it could stop from the speed it closes
// at. A car whose lane (the offset it steers for) is clear of the one ahead
// is moving out to pass: only the last metres count then. A car that stands
// (stuck, or waiting) is no one to queue behind for long: after a while
// the driver stops waiting for it.
float GapAhead(int i, float vF, Vec3 a, Vec3 right)
{
    const CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    float gap = 1000;
    for (int j = 0; j < raceState.carCount; ++j) {
        if (j == i || OtherLevel(i, j)) continue;
        const CarState& o = cars[j];
        const CarDefinition& od = carDefinitions[j];
        Vec3 rel = o.pos - c.pos;
        float along = Dot(rel, c.forward), across = Dot(rel, c.side);
        float wsum = d.halfSize.x + od.halfSize.x + 0.3f;
        if (along <= 0 || along > 40 || std::fabs(across) > wsum) continue;
        if (Length(o.vel) < 3 && heldBehind[i] > kHeldLimit) continue;
        // Two slow cars each in front of the other (nosed together at a
        // fork or after a spin): the one with the lower index goes first.
        if (i < j && Length(o.vel) < 3 && Length(c.vel) < 3 && Dot(c.pos - o.pos, o.forward) > 0 &&
            std::fabs(Dot(c.pos - o.pos, o.side)) < wsum)
            continue;
        bool laneClear = std::fabs(Dot(o.pos - a, right) - lane[i]) >= wsum;
        float closing = vF - Dot(o.vel, c.forward);
        float brake = laneClear ? closing * 0.15f : closing * 0.3f + closing * closing / 16;
        float need = d.halfSize.z + od.halfSize.z + 1 + (closing > 0 ? brake : 0);
        if (along - need < gap) gap = along - need;
    }
    return gap;
}

// Braking ahead: the highest speed from which the car can still slow down
// to every bend's cornering speed within the distance to it. The cornering
// limit at the car's own target point alone looks too short a way ahead at
// speed; this keeps the driver safe on lines of any point spacing.
float SafeSpeed(const CarState& c, bool pitLine, float speed, float caution)
{
    float grip = c.traction * 100 * 0.45f * caution;   // lateral acceleration the car can hold
    if (grip < 3) grip = 3;                           // a car at rest has no traction yet
    float brake = grip * 0.6f;                        // deceleration it can count on
    float horizon = speed * speed / (2 * brake + 0.01f) + 10;
    float safe = 1000, dist = 0;
    Vec3 prev = c.pos;
    for (int k = 0; k < 64 && dist < horizon; ++k) {
        Vec3 p = PathPoint(pitLine, c.aiState + k);
        float dx = p.x - prev.x, dz = p.z - prev.z;
        dist += std::sqrt(dx * dx + dz * dz);
        prev = p;
        float corner = grip * BendRadius(pitLine, c.aiState + k);
        float v = std::sqrt(corner + 2 * brake * dist);
        if (v < safe) safe = v;
    }
    return safe;
}

// A bridge near the AI line from point idx over the next count points.
bool BridgeNear(int idx, int count)
{
    int n = static_cast<int>(trackMaps.aiLine.size());
    if (n == 0 || n > kBendTable) return false;
    BendRadius(false, idx);  // measures the line when it is new
    for (int k = 0; k < count; ++k)
        if (bridgeTable[Wrap(idx + k, n)]) return true;
    return false;
}

// Road kind of a ground value for measuring the road's width: tarmac, oil,
// painted lines and kerbs make one road; every other class is its own.
int RoadKind(int v)
{
    static const uint8_t strewn[8] = {0, 4, 8, 16, 20, 28, 32, 36};
    if (v >= 40 && v < 48) v = strewn[v - 40];
    int k = v / 4;
    return k <= 1 || k >= 7 ? 0 : k;
}

// Metres of the same road right and left of point p (right: the unit
// vector to the right of the line there), out to 6 m.
void RoadRoom(Vec3 p, Vec3 right, float& roomRight, float& roomLeft, int idx)
{
    // On and near a bridge the land under the deck says nothing of its width.
    if (BridgeNear(idx - 2, 5)) {
        roomRight = roomLeft = 1.6f;
        return;
    }
    int kind = RoadKind(GroundAt(p.x, p.z));
    roomRight = roomLeft = 6;
    for (int k = 1; k <= 12; ++k) {
        float m = 0.5f * k;
        if (RoadKind(GroundAt(p.x + right.x * m, p.z + right.z * m)) != kind) {
            roomRight = m - 0.5f;
            break;
        }
    }
    for (int k = 1; k <= 12; ++k) {
        float m = 0.5f * k;
        if (RoadKind(GroundAt(p.x - right.x * m, p.z - right.z * m)) != kind) {
            roomLeft = m - 0.5f;
            break;
        }
    }
}

// The offset car i wants now (metres right of the line segment a-b): the
// chosen one, moved to pass a slower car ahead on the side with more road,
// kept clear of a car passing it, and kept on the road. keep tells how much
// of it must hold through tight bends (1 with cars close by).
float WantedLane(int i, Vec3 a, Vec3 b, float& keep)
{
    CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    Vec3 dir{b.x - a.x, 0, b.z - a.z};
    dir = dir * (1 / (Flat(dir) + 0.0001f));
    Vec3 right{dir.z, 0, -dir.x};
    float want = Offset(c, false);
    keep = 0;
    float myV = Dot(c.vel, dir);

    // The car being passed: keep the pass going, or let it go once it is
    // behind, has got away, or the commitment has run out with no one alongside.
    if (passCar[i] >= 0) {
        const CarState& o = cars[passCar[i]];
        const CarDefinition& od = carDefinitions[passCar[i]];
        float along = Dot(o.pos - c.pos, dir), reach = d.halfSize.z + od.halfSize.z;
        if (--passTimer[i] < 0 && along > reach + 4) passCar[i] = -1;
        // Still behind a commitment later: the pass is not coming (another
        // car alongside holds this one in, or the road has narrowed).
        // Give it up and choose again.
        if (passTimer[i] < -kPassCommit && along > reach) passCar[i] = -1;
        if (along < -reach - 1.5f || along > 45) passCar[i] = -1;
    }
    // A slower car in the lane ahead: pass it.
    if (passCar[i] < 0) {
        int best = -1;
        float bestAlong = 1e9f;
        for (int j = 0; j < raceState.carCount; ++j) {
            if (j == i || OtherLevel(i, j)) continue;
            const CarState& o = cars[j];
            const CarDefinition& od = carDefinitions[j];
            float along = Dot(o.pos - c.pos, dir);
            float closing = myV - Dot(o.vel, dir);
            float w = d.halfSize.x + od.halfSize.x + 0.6f;
            if (along <= 0 || along > 6 + 2.5f * (closing > 0 ? closing : 0)) continue;
            if (std::fabs(Dot(o.pos - a, right) - lane[i]) >= w) continue;
            if (closing < 0.5f && Length(o.vel) > 3 && heldBehind[i] < 50) continue;
            // A computer car on its way into the pits turns off across the
            // road: follow it to the fork instead of going by.
            if (o.driverType == 0 && o.controlLock != 0 && Length(o.vel) > 3) continue;
            if (along < bestAlong) bestAlong = along, best = j;
        }
        if (best >= 0) {
            const CarState& o = cars[best];
            const CarDefinition& od = carDefinitions[best];
            float sj = Dot(o.pos - a, right);
            Vec3 at = a + dir * Dot(o.pos - a, dir);
            float roomR, roomL;
            int atEnd;
            float atFrac;
            NearestOnLine(false, c.aiState, o.pos, atEnd, atFrac);
            RoadRoom(at, right, roomR, roomL, atEnd);
            float spaceR = roomR - sj - od.halfSize.x, spaceL = roomL + sj - od.halfSize.x;
            float need = 2 * d.halfSize.x + (heldBehind[i] > kHeldLimit ? 0.1f : 0.5f);
            if (spaceR >= need || spaceL >= need) {
                passCar[i] = best;
                passSide[i] = spaceR > spaceL ? 1 : -1;
                passTimer[i] = kPassCommit;
                float w = d.halfSize.x + od.halfSize.x + 0.6f;
                passLane[i] = passSide[i] > 0 ? std::fmin(sj + w, roomR - d.halfSize.x - 0.2f)
                                              : std::fmax(sj - w, -roomL + d.halfSize.x + 0.2f);
            }
        }
    }
    if (passCar[i] >= 0) {
        const CarState& o = cars[passCar[i]];
        const CarDefinition& od = carDefinitions[passCar[i]];
        float w = d.halfSize.x + od.halfSize.x + 0.6f;
        // The chosen offset, further out only when the car comes across.
        float sj = Dot(o.pos - a, right);
        want = passSide[i] > 0 ? std::fmax(passLane[i], sj + w) : std::fmin(passLane[i], sj - w);
        keep = 1;
    }
    // Cars passing this one: stay on the far side of them.
    for (int j = 0; j < raceState.carCount; ++j) {
        if (j == i || cars[j].driverType != 0 || passCar[j] != i || OtherLevel(i, j)) continue;
        const CarState& o = cars[j];
        const CarDefinition& od = carDefinitions[j];
        float along = Dot(o.pos - c.pos, dir);
        if (along < -20 || along > d.halfSize.z + od.halfSize.z + 2) continue;
        float w = d.halfSize.x + od.halfSize.x + 0.6f;
        float theirs = passSide[j] > 0 ? std::fmin(passLane[j], Dot(o.pos - a, right)) : std::fmax(passLane[j], Dot(o.pos - a, right));
        if (passSide[j] > 0 && want > theirs - w) want = theirs - w;
        if (passSide[j] < 0 && want < theirs + w) want = theirs + w;
        keep = 1;
    }
    // On the road where the car is.
    float roomR, roomL;
    RoadRoom(a + dir * Dot(c.pos - a, dir), right, roomR, roomL, c.aiState);
    float hi = roomR - d.halfSize.x - 0.2f, lo = -roomL + d.halfSize.x + 0.2f;
    if (hi < lo) hi = lo = (hi + lo) / 2;
    return want > hi ? hi : want < lo ? lo : want;
}
}  // namespace

int32_t NoProgressSteps(int car) { return car >= 0 && car < kMaxCars ? noProgress[car] : 0; }
int32_t LongestNoProgress(int car) { return car >= 0 && car < kMaxCars ? longestNoProgress[car] : 0; }

void ResetDriverRecords()
{
    for (int i = 0; i < kMaxCars; ++i) {
        noProgress[i] = longestNoProgress[i] = 0;
        branchFuel[i] = lapBurn[i] = tailBurn[i] = 0;
        branchLap[i] = seenLaps[i] = crewWait[i] = 0;
    }
}

void DriveAI(int i, int& throttle, float& steering)
{
    CarState& c = cars[i];
    const RaceState& r = raceState;
    const CarDefinition& d = carDefinitions[i];
    throttle = 0;
    steering = 0;
    if (r.raceClock <= 1) noProgress[i] = longestNoProgress[i] = 0;
    MeasureFuel(i, c, false);
    // A new race, a loaded one or a car put somewhere else: the clock did
    // not simply move on by a step, and the racecraft starts afresh.
    if (r.raceClock != lastClock[i] && r.raceClock != lastClock[i] + 1) {
        lane[i] = Offset(c, false);
        laneKeep[i] = 0;
        passCar[i] = -1;
        passTimer[i] = heldBehind[i] = 0;
    }
    lastClock[i] = r.raceClock;
    // 1. Start delay (0-19 steps drawn at the grid).
    if (r.raceClock < c.flipTimer && r.raceClock < 20) return;
    if (++noProgress[i] > longestNoProgress[i]) longestNoProgress[i] = noProgress[i];

    float speed = Length(c.vel), vF = Dot(c.vel, c.forward);
    float x = c.aiSkill < 100 ? c.aiSkill / 100.0f : 1.0f;
    float tr = c.traction * 100;
    // Look-ahead time: 0.55 of the nominal one, shorter below skill 55 (late
    // reactions). The reference point lies
    // speed * look ahead, so a longer look at the speeds of skilled drivers
    // puts it so far out that the car runs wide in tight bends and into the
    // walls of narrow roads and bridge decks. Skill shows in how hard the
    // driver dares to corner (SafeSpeed) and, above 100, in grip.
    float look = 2.5f / std::sqrt(tr > 0.01f ? tr : 0.01f) * (x < 0.55f ? x : 0.55f);
    int n = static_cast<int>(trackMaps.aiLine.size());
    bool hasPits = trackMaps.pitEntry >= 0 && trackMaps.pitLine.size() >= 2 && !trackMaps.pitCrews.empty();
    if (!hasPits && c.controlLock != 0) c.controlLock = 0;
    int phase = c.controlLock;
    bool pitLine = phase != 0;
    PitCrew* pit = phase >= 3 && phase - 3 < static_cast<int>(trackMaps.pitCrews.size()) ? &trackMaps.pitCrews[phase - 3] : nullptr;
    if (phase >= 3 && !pit) c.controlLock = phase = 1;

    // 2. Waiting at the pit while the crew works.
    if (!(pit && pit->state == i)) pitWait[i] = 0;
    if (pit && pit->state == i) {
        noProgress[i] = 0;
        if (!ServiceDone(c, *pit) && ++pitWait[i] < kMaxPitWait) {
            // Rolling, as a waiting car does; braking while it still moves,
            // so that the crew is not left behind by a car taken on the brakes.
            throttle = speed > 1 ? 0 : 1;
            steering = 0;
            // A car taken short of its pit creeps on to it (slowly enough to
            // stay taken): stopped short, it stands in the way of the crew
            // next door and of its own crew's places.
            Vec3 to = pit->anchor - c.pos;
            float dist = Flat(to);
            if (dist > 2 && Dot(to, c.forward) > 0.5f * dist && pitWait[i] < 300) {
                throttle = vF < 1.2f ? 6 : 0;
                steering = SteerTo(pit->anchor, c.pos + c.forward * d.aiFactor, c);
            }
            return;
        }
        c.controlLock = 2;
        phase = 2;
        pit = nullptr;
    }
    // A crew taken by another car meanwhile: carry on down the pit line.
    if (pit && pit->state < kMaxCars && pit->state != i) {
        c.controlLock = phase = 1;
        pit = nullptr;
    }

    // A car that keeps moving a little but gets nowhere (wheels spinning in
    // mud at a tight corner, rocking against a kerb) never counts as stuck
    // by its speed: after 5 s on the racing line without reaching its next
    // point it backs out all the same, and aims at the line itself.
    if (phase == 0 && noProgress[i] % kRescueSteps == 0 && c.flipTimer % kStuckCycle < kReverseFrom) {
        c.flipTimer = kReverseFrom;
        lane[i] = 0;
        passCar[i] = -1;
    }
    int t = c.flipTimer % kStuckCycle;
    Vec3 a{}, b{};
    float u = 0;
    if (n > 0) {
        a = PathPoint(pitLine, c.aiState - 1);
        b = PathPoint(pitLine, c.aiState);
        Vec3 ab = b - a;
        u = Dot(c.pos - a, ab) / (Dot(ab, ab) + 0.0001f);
    }

    // 3. Stuck recovery: reverse, then full throttle.
    if (t >= kForwardFrom) {
        throttle = 100;
        steering = 0;
        if (speed > 20) c.flipTimer = 0;
        else if (++c.flipTimer >= kStuckCycle) c.flipTimer = 0;
        return;
    }
    if (t >= kReverseFrom) {
        Vec3 back;
        if (pit) {
            Vec3 dir = Dot(pit->facing, c.forward) < 0 ? pit->facing * -1.0f : pit->facing;
            back = dir;
        } else if (n > 0) {
            Vec3 ab = b - a;
            float s = u < 0 ? 0 : u > 1 ? 1 : u;
            back = a + ab * s - c.pos;
        } else {
            back = c.forward;
        }
        throttle = -100;
        steering = Dot(back, c.side) > 0 ? -1.0f : 1.0f;
        ++c.flipTimer;
        return;
    }

    if (n == 0) {
        // No line to follow: drive on and let the recovery turn the car.
        throttle = 100;
    } else if (pit) {
        // Braking to a stop at the chosen pit.
        Vec3 to = pit->anchor - c.pos;
        float dist = std::sqrt(to.x * to.x + to.z * to.z);
        if (dist > 5 && Dot(to, c.forward) < 0) {
            c.controlLock = 1;  // overshot: carry on down the pit line
        }
        // Lined up along the pit's direction: aimed at a point 4 m ahead of
        // the car on the line through the anchor, so that the car comes
        // onto that line and stops straight at the pit, not at an angle.
        Vec3 dir = Dot(pit->facing, c.forward) < 0 ? pit->facing * -1.0f : pit->facing;
        Vec3 aim = pit->anchor + dir * (Dot(c.pos - pit->anchor, dir) + 4);
        Vec3 ref = c.pos + c.forward * d.aiFactor;
        steering = dist > 1 ? SteerTo(aim, ref, c) : 0;
        float stop = dist - 1.5f;
        float vmax = stop > 0 ? std::sqrt(2 * 4 * stop) : 0;
        if (dist < 2.5f || vF > vmax + 1)
            throttle = 0;
        else
            throttle = vF < vmax ? 100 : 1;
        noProgress[i] = 0;
    } else {
        // 4. Progress along the line: past the previous point, or nearer to
        // the next segment than to this one (a car that turns early in a
        // cusp of the line, an acute corner, never gets past the point
        // before it). Several points in one step on a dense line.
        for (int guard = 0; guard < 4; ++guard) {
            a = PathPoint(pitLine, c.aiState - 1);
            b = PathPoint(pitLine, c.aiState);
            Vec3 ab = b - a;
            u = Dot(c.pos - a, ab) / (Dot(ab, ab) + 0.0001f);
            int nearEnd;
            float nearFrac;
            NearestOnLine(pitLine, c.aiState, c.pos, nearEnd, nearFrac, 5);
            if (!(u > 0) && nearEnd <= c.aiState) break;
            ChooseOffset(i, a, b, look, pitLine);
            ++c.aiState;
            noProgress[i] = 0;
            if (!pitLine) {
                if (c.aiState >= n) c.aiState = 0;
                bool atBranch = hasPits && c.aiState == trackMaps.pitEntry;
                if (atBranch) MeasureFuel(i, c, true);
                if (atBranch && WantsPit(i, c)) {
                    c.controlLock = phase = 1;
                    pitLine = true;
                    c.aiState = 1;
                    branchFuel[i] = 0;  // the next lap is not a racing lap
                }
            } else if (c.aiState >= static_cast<int>(trackMaps.pitLine.size())) {
                // Past the pit line's end: back on the AI line.
                c.controlLock = phase = 0;
                pitLine = false;
                c.aiState = Wrap(trackMaps.pitExit, n);
            }
        }
        a = PathPoint(pitLine, c.aiState - 1);
        b = PathPoint(pitLine, c.aiState);
        u = Dot(c.pos - a, b - a) / (Dot(b - a, b - a) + 0.0001f);
        float offset = Offset(c, pitLine), keep = 0;
        Vec3 dir{b.x - a.x, 0, b.z - a.z};
        dir = dir * (1 / (Flat(dir) + 0.0001f));
        Vec3 right{dir.z, 0, -dir.x};
        if (pitLine) {
            passCar[i] = -1;
            lane[i] = offset;
            laneKeep[i] = 0;
        } else {
            // Racecraft: the offset moves smoothly to the one wanted.
            float want = WantedLane(i, a, b, keep);
            float step = want - lane[i];
            lane[i] += step > kLaneRate ? kLaneRate : step < -kLaneRate ? -kLaneRate : step;
            laneKeep[i] += keep > laneKeep[i] ? 0.02f : -0.01f;
            laneKeep[i] = laneKeep[i] < 0 ? 0 : laneKeep[i] > 1 ? 1 : laneKeep[i];
            offset = lane[i];
            keep = laneKeep[i];
        }
        // 5. Steering: the point where the car will be (its reference) is
        // aimed at the line a little further on than the car's own look-ahead.
        float phi = Dot(c.angVel, c.up) * look;
        Vec3 ref = c.pos + c.vel * look + (c.forward * std::cos(phi) - c.side * std::sin(phi)) * d.aiFactor;
        int refEnd;
        float refFrac;
        NearestOnLine(pitLine, c.aiState, ref, refEnd, refFrac);
        Vec3 target = TargetAlong(pitLine, refEnd, refFrac, 3, offset, Flat(ref - c.pos), keep);
        steering = SteerTo(target, ref, c);
        // 6. Throttle by the cornering limit towards a second point, and by
        // the bends further on, which the car must be able to brake for.
        Vec3 target2 = TargetAlong(pitLine, c.aiState, u, 5 + 0.08f * speed * speed * look * look, offset, 0, keep);
        throttle = CornerThrottle(c, target2, speed, vF);
        float caution = c.aiSkill < 100 ? 0.2f + 0.8f * x : 1.0f;
        float safe = SafeSpeed(c, pitLine, speed, caution);
        if (throttle > 0 && vF > safe) throttle = vF > safe + 3 ? -100 : 0;
        else if (throttle == 100 && vF > safe - 1) throttle = 1;
        // Not into the back of a slower car ahead: brake when there is no
        // room to go by, and count how long the car has been held up.
        float gap = GapAhead(i, vF, a, right);
        if (throttle > 1 && gap < 0) throttle = 1;
        if (throttle > 0 && gap < -4) throttle = 0;
        if (gap < 0) ++heldBehind[i];
        if (gap < 0 && pitLine) noProgress[i] = 0;  // in the pit lane queue: part of the stop
        else if (gap > 5 && speed > 5) heldBehind[i] = 0;
        // Wheelspin on loose or slick ground (snow, oil, mud) only digs the
        // car in: ease the throttle until the wheels grip again.
        if (throttle > 2 && c.wheelSpeed - vF > 6 + 0.3f * (vF > 0 ? vF : 0)) throttle = 2 + throttle / 4;
        // 7. On the way in, the first free crew near the look-ahead point becomes the car's pit.
        if (phase == 1) {
            for (size_t k = 0; k < trackMaps.pitCrews.size(); ++k) {
                const PitCrew& crew = trackMaps.pitCrews[k];
                Vec3 dv = crew.anchor - target;
                if (dv.x * dv.x + dv.z * dv.z > 225) continue;
                if (Dot(crew.anchor - c.pos, c.forward) <= 0) continue;
                if (crew.state < kMaxCars && crew.state != i) continue;
                if (crew.state >= kMaxCars && crew.state < 6) continue;
                c.controlLock = static_cast<uint8_t>(3 + k);
                break;
            }
            int queue = c.controlLock == 1 ? QueueForCrew(i) : 0;
            if (queue > 0) noProgress[i] = 0;
            if (queue == 2) throttle = vF > 0.5f ? -100 : 0;
        } else {
            crewWait[i] = 0;
        }
    }
    // Stuck counter: a slow car that tries to drive counts up.
    if (speed >= 3 || throttle == 0 || throttle == 1)
        c.flipTimer = 0;
    else
        ++c.flipTimer;
}
