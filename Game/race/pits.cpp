// Pit crews: a crew takes a car that stops at its pit, its members walk to
// their places round the car (two jacks, four tyre changers, the refueller
// and the mechanic), do their work and walk home when the car leaves. A
// member is a small body: gravity, damping, and pushed and dragged by cars.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/settings.h"

#include <cmath>

namespace {

constexpr uint8_t kCrewHome = 6;
constexpr uint8_t kCrewSentHome = 7;
constexpr uint8_t kCrewReleased = 100;
constexpr uint8_t kWorkDone = 255;

// Member targets in the served car's axes (side, forward).
constexpr float kTargets[kCrewMembers][2] = {{-3, 3}, {3, -3}, {3, 1.5f}, {-3, 1.5f},
                                             {3, -1.5f}, {-3, -1.5f}, {-3, 0}, {3, 0}};

uint8_t hitCount[kMaxPitCrews][kCrewMembers];
int32_t pitStops[kMaxCars];
// When and by which crew each car was last taken and let go: a car taken
// again by the same crew within two seconds (it crept or was nudged out of
// reach) is still on the same stop, and a car that rolls on within a second
// of being taken (passing a crew slowly) made no stop.
int32_t lastTake[kMaxCars], lastRelease[kMaxCars];
int lastCrew[kMaxCars];
bool counted[kMaxCars];

float Flat(Vec3 a, Vec3 b)
{
    float x = a.x - b.x, z = a.z - b.z;
    return std::sqrt(x * x + z * z);
}

void Release(PitCrew& crew)
{
    crew.state = kCrewReleased;
    for (CrewMember& m : crew.members) m.state = kWorkDone;
}

// Walks a member towards a point; returns true when he stands there.
bool WalkTo(CrewMember& m, Vec3 target)
{
    float ground = TerrainHeight(m.position.x, m.position.z) + 0.7f;
    m.motion.y -= 9.81f * 0.01f;
    bool standing = m.position.y <= ground + 0.05f;
    float dx = target.x - m.position.x, dz = target.z - m.position.z;
    float d = std::sqrt(dx * dx + dz * dz);
    if (standing) {
        float walk = d > 0.3f ? 3.0f : 0.0f;
        float wx = d > 0.001f ? dx / d * walk : 0, wz = d > 0.001f ? dz / d * walk : 0;
        if (walk * 0.01f > d) wx = dx * 100, wz = dz * 100;
        m.motion.x += (wx - m.motion.x) * 0.3f;
        m.motion.z += (wz - m.motion.z) * 0.3f;
    }
    m.motion = m.motion * 0.98f;
    m.position += m.motion * 0.01f;
    float top = trackMaps.worldSize;
    if (m.position.x < 0) m.position.x = 0;
    if (m.position.z < 0) m.position.z = 0;
    if (m.position.x > top) m.position.x = top;
    if (m.position.z > top) m.position.z = top;
    ground = TerrainHeight(m.position.x, m.position.z) + 0.7f;
    if (m.position.y < ground) {
        m.position.y = ground;
        if (m.motion.y < 0) m.motion.y = 0;
    }
    if (d > 0.3f) {
        m.facing[0] = dx / d;
        m.facing[1] = dz / d;
    }
    return d < 0.5f && standing;
}

// Cars push crew members out of their bodies and drag them along.
void PushByCars(int k, int index, CrewMember& m)
{
    uint8_t& hits = hitCount[k][index];
    for (int i = 0; i < raceState.carCount; ++i) {
        CarState& c = cars[i];
        const Vec3 h = carDefinitions[i].halfSize;
        Vec3 rel = m.position - c.pos;
        float lx = Dot(rel, c.side) / (h.x + 0.3f), ly = Dot(rel, c.up) / (h.y + 0.9f), lz = Dot(rel, c.forward) / (h.z + 0.3f);
        if (lx * lx + ly * ly + lz * lz >= 1) continue;
        float d2 = Dot(rel, rel);
        m.motion += rel * (3.0f / (d2 + 0.1f)) + (c.vel - m.motion) * 0.1f;
        // He is also put back on the body's surface: a member walking on
        // into the car must not hold it where it stands.
        float e = std::sqrt(lx * lx + ly * ly + lz * lz);
        if (e > 0.05f) m.position = c.pos + rel * (1.02f / e);
        float speed = Length(c.vel);
        // Only a real hit slows the car: a member leaning on a car that
        // stands or creeps must not pin it down.
        if (Length(c.vel - m.motion) > 2) {
            float keep = 1 - (400.0f / c.mass) / (speed + 2);
            c.vel = c.vel * (keep > 0 ? keep : 0);
        }
        if (hits < 255) ++hits;
        if (hits * speed > 100) {
            EmitParticle(8, 30, m.position, c.vel * 0.5f);
            hits = 0;
        }
    }
}

void Serve(PitCrew& crew, int i)
{
    CarState& c = cars[i];
    CrewMember* m = crew.members;
    bool arrived[kCrewMembers];
    for (int k = 0; k < kCrewMembers; ++k) {
        Vec3 target = c.pos + c.side * kTargets[k][0] + c.forward * kTargets[k][1];
        target.y = c.pos.y;
        arrived[k] = WalkTo(m[k], target);
        if (arrived[k] && m[k].state == 0) m[k].state = 1;
    }
    // Jacks: hold the car up until both of their tyre changers are done.
    bool front = m[0].state != 0 && !(m[2].state == kWorkDone && m[3].state == kWorkDone);
    bool rear = m[1].state != 0 && !(m[4].state == kWorkDone && m[5].state == kWorkDone);
    if (m[0].state != 0 && !front) m[0].state = kWorkDone;
    if (m[1].state != 0 && !rear) m[1].state = kWorkDone;
    if (front || rear) {
        float want = TerrainHeight(c.pos.x, c.pos.z) + carDefinitions[i].halfSize.y + 0.5f;
        float missing = want - c.pos.y;
        if (missing > 0) {
            c.vel.y += 0.5f * missing;
            // Each jack tips the car about its end; two together lift it level.
            c.angVel += c.side * (((front ? -0.1f : 0) + (rear ? 0.1f : 0)) * missing);
        }
        c.vel = c.vel * 0.9f;
        c.angVel = c.angVel * 0.9f;
    }
    // Tyre changers: work while their jack holds the car.
    for (int k = 2; k <= 5; ++k) {
        if (m[k].state == 0 || m[k].state == kWorkDone) continue;
        bool held = k <= 3 ? m[0].state != 0 && m[0].state != kWorkDone : m[1].state != 0 && m[1].state != kWorkDone;
        if (!held) continue;
        if (++m[k].state >= 250) {
            int working = 0;
            for (int j = 2; j <= 5; ++j)
                if (j != k && m[j].state != kWorkDone) ++working;
            c.tyres = static_cast<uint16_t>(c.tyres + (65535 - c.tyres) / (1 + working));
            m[k].state = kWorkDone;
        }
    }
    // Refueller.
    if (m[6].state != 0 && m[6].state != kWorkDone) {
        int fuel = c.fuel + 128;
        c.fuel = static_cast<uint16_t>(fuel < 65535 ? fuel : 65535);
        if (c.fuel == 65535) m[6].state = kWorkDone;
    }
    // Mechanic: a spark every 50 steps, damage down to the next multiple of 6600.
    if (m[7].state != 0 && m[7].state != kWorkDone) {
        if (c.damage == 0) {
            m[7].state = kWorkDone;
        } else if (++m[7].state > 50) {
            EmitParticle(2, 20, m[7].position, Vec3{0, 3, 0});
            c.damage = static_cast<uint16_t>(c.damage > 0 ? (c.damage - 1) / 6600 * 6600 : 0);
            m[7].state = c.damage == 0 ? kWorkDone : 1;
        }
    }
}

}  // namespace

void CountPitStop(int car)
{
    if (car >= 0 && car < kMaxCars) ++pitStops[car];
}

int32_t PitStops(int car) { return car >= 0 && car < kMaxCars ? pitStops[car] : 0; }

void ResetPitCounts()
{
    for (int car = 0; car < kMaxCars; ++car) {
        pitStops[car] = 0;
        lastCrew[car] = -1;
        counted[car] = false;
    }
}

void UpdatePits()
{
    RaceState& r = raceState;
    if (r.raceClock == 1)  // the first racing step
        for (int car = 0; car < kMaxCars; ++car) {
            pitStops[car] = 0;
            lastCrew[car] = -1;
            counted[car] = false;
        }
    for (size_t k = 0; k < trackMaps.pitCrews.size(); ++k) {
        PitCrew& crew = trackMaps.pitCrews[k];
        if (crew.state < r.carCount) {
            int i = crew.state;
            CarState& c = cars[i];
            float d = Flat(c.pos, crew.anchor);
            if (std::fabs(c.wheelSpeed) >= 3 || d >= 5) {
                Release(crew);
                if (counted[i] && r.raceClock - lastTake[i] < 100) {
                    --pitStops[i];
                    counted[i] = false;
                }
                lastRelease[i] = r.raceClock;
                lastCrew[i] = static_cast<int>(k);
                if (d > 10 && r.raceLaps - c.laps > 1 && r.leaderLaps < r.raceLaps && c.fuel < LowFuelLimit())
                    c.lapState = 1;
            } else {
                Serve(crew, i);
            }
        } else if (crew.state >= kCrewHome) {
            if (crew.state > kCrewSentHome && crew.state != kCrewHome) {
                --crew.state;
            } else if (crew.state == kCrewSentHome) {
                for (CrewMember& m : crew.members) {
                    m.position = m.home;
                    m.motion = {};
                }
                crew.state = kCrewHome;
            }
            // A free crew takes a car that stands at its pit.
            for (int i = 0; i < r.carCount && crew.state >= kCrewHome; ++i) {
                CarState& c = cars[i];
                // A computer car stops only at the pit it chose.
                if (c.driverType == 0 && c.controlLock != 3 + k) continue;
                bool taken = false;
                for (const PitCrew& other : trackMaps.pitCrews)
                    if (other.state == i) taken = true;
                if (taken || Flat(c.pos, crew.anchor) >= 5 || std::fabs(c.wheelSpeed) >= 3) continue;
                crew.state = static_cast<uint8_t>(i);
                for (CrewMember& m : crew.members) m.state = 0;
                if (c.tyres > 65000)
                    for (int j = 2; j <= 5; ++j) crew.members[j].state = kWorkDone;
                if (c.lapState == 1) c.lapState = 0;
                if (lastCrew[i] != static_cast<int>(k) || r.raceClock - lastRelease[i] > 200 || !counted[i]) {
                    CountPitStop(i);
                    counted[i] = true;
                    lastTake[i] = r.raceClock;
                }
            }
        }
        // Members not at work walk home (knocked over ones get up and walk back too).
        for (int m = 0; m < kCrewMembers; ++m) {
            CrewMember& member = crew.members[m];
            if (crew.state >= kCrewHome) WalkTo(member, member.home);
            PushByCars(static_cast<int>(k), m, member);
        }
    }
}
