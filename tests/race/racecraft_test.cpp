// The computer driver in traffic: a faster car gets past a slower one,
// computer or human, without touching it; two cars side by side through a
// bend keep apart; a car behind one that has stopped goes round it; and a
// damaged car waits at its pit until the mechanic has repaired it.
#include "tests/race/race_fixture.h"

#include <gtest/gtest.h>

using namespace racetest;

namespace {

// Metres along the AI line to the point nearest to pos.
float LineDistance(Vec3 pos)
{
    const std::vector<Vec3>& line = trackMaps.aiLine;
    float along = 0, best = 1e30f, at = 0;
    for (size_t k = 0; k < line.size(); ++k) {
        if (k > 0) along += Length(Vec3{line[k].x - line[k - 1].x, 0, line[k].z - line[k - 1].z});
        float d = Length(Vec3{line[k].x - pos.x, 0, line[k].z - pos.z});
        if (d < best) best = d, at = along;
    }
    return at;
}

float LineLength()
{
    const std::vector<Vec3>& line = trackMaps.aiLine;
    return LineDistance(line.back()) + Length(line.front() - line.back());
}

// How far car a is ahead of car b along the line (wrapped to half a lap).
float Ahead(int a, int b)
{
    float len = LineLength(), d = LineDistance(cars[a].pos) - LineDistance(cars[b].pos);
    while (d > len / 2) d -= len;
    while (d < -len / 2) d += len;
    return d;
}

// Puts a car on the AI line `along` metres past point p, `offset` metres to
// the right of it, moving along it at `speed`, heading for the next point.
void PutOnLine(int car, int p, float along, float offset, float speed)
{
    const std::vector<Vec3>& line = trackMaps.aiLine;
    int n = static_cast<int>(line.size());
    Vec3 a = line[p % n], b = line[(p + 1) % n];
    Vec3 dir = Normalize(Vec3{b.x - a.x, 0, b.z - a.z}), right{dir.z, 0, -dir.x};
    Vec3 at = a + dir * along + right * offset;
    PlaceCar(car, at.x, at.z, dir);
    CarState& c = cars[car];
    c.vel = c.forward * speed;
    c.wheelSpeed = speed;
    c.aiState = (p + 1) % n;
    c.flipTimer = 0;
}

// The first point of the longest straight stretch of the AI line (where
// the direction stays within a few degrees for the most metres).
int LongestStraight()
{
    const std::vector<Vec3>& line = trackMaps.aiLine;
    int n = static_cast<int>(line.size()), best = 0;
    float bestLength = 0;
    for (int s = 0; s < n; ++s) {
        Vec3 d0 = Normalize(Vec3{line[(s + 1) % n].x - line[s].x, 0, line[(s + 1) % n].z - line[s].z});
        float length = 0;
        for (int k = s; k < s + n; ++k) {
            Vec3 a = line[k % n], b = line[(k + 1) % n];
            Vec3 d = Vec3{b.x - a.x, 0, b.z - a.z};
            if (Dot(Normalize(d), d0) < 0.995f) break;
            length += Length(d);
        }
        if (length > bestLength) bestLength = length, best = s;
    }
    return best;
}

// Steers a human car towards the line 12 m ahead and holds its speed near v.
void DriveHuman(int car, float v)
{
    const std::vector<Vec3>& line = trackMaps.aiLine;
    const CarState& c = cars[car];
    int n = static_cast<int>(line.size()), near = 0;
    float best = 1e30f;
    for (int k = 0; k < n; ++k) {
        float d = Length(Vec3{line[k].x - c.pos.x, 0, line[k].z - c.pos.z});
        if (d < best) best = d, near = k;
    }
    int k = near;
    while (Length(Vec3{line[k % n].x - c.pos.x, 0, line[k % n].z - c.pos.z}) < 12 && k < near + n) ++k;
    bool right = Dot(line[k % n] - c.pos, c.side) >= 0;
    script[car].right = right ? 100 : 0;
    script[car].left = right ? 0 : 100;
    script[car].accelerate = Speed(car) < v ? 100 : 0;
    script[car].brake = Speed(car) > v + 3 ? 100 : 0;
}

// Two cars on the grand prix's longest straight, the faster one 12 m behind
// the slower one (a computer car with a lower top speed, or a human holding
// 18 m/s): the faster one gets past, and neither car is damaged.
void PassesTheSlowerCar(bool human)
{
    ASSERT_TRUE(StartRulesRace("\\grand_prix", 2, 0, false));
    raceState.raceClock = 100;
    int p = LongestStraight();
    int fast = 0, slow = 1;
    if (human) {
        cars[slow].driverType = 1;
    } else {
        carDefinitions[slow].topSpeed *= 0.55f;
    }
    cars[fast].aiSkill = 120;
    PutOnLine(slow, p, 14, 0, 16);
    PutOnLine(fast, p, 2, 0, 24);
    ASSERT_LT(Ahead(fast, slow), -10.0f);
    bool passed = false;
    for (int k = 0; k < 1200 && !passed; ++k) {
        if (human) DriveHuman(slow, 18);
        RaceStep();
        passed = Ahead(fast, slow) > 6;
    }
    EXPECT_TRUE(passed) << (human ? "human" : "computer") << " car not passed in 12 s, gap " << Ahead(fast, slow);
    EXPECT_EQ(cars[fast].damage, 0);
    EXPECT_EQ(cars[slow].damage, 0);
}

}  // namespace

TEST(Racecraft, AFasterCarPassesASlowerComputerCar) { PassesTheSlowerCar(false); }

TEST(Racecraft, AHumanCarIsPassedLikeAnyOther) { PassesTheSlowerCar(true); }

TEST(Racecraft, TwoCarsSideBySideThroughABendDoNotTouch)
{
    // Every bend of the oval, entered side by side at speed, one car each
    // side of the line.
    ASSERT_TRUE(StartRulesRace("\\oval", 2, 0, false));
    int p = LongestStraight(), n = static_cast<int>(trackMaps.aiLine.size());
    for (int start : {p, (p + n / 2) % n}) {
        raceState.raceClock = 100;
        PutOnLine(0, start, 30, -2.2f, 22);
        PutOnLine(1, start, 30, 2.2f, 22);
        cars[0].aiParam = 100 - 44;
        cars[1].aiParam = 100 + 44;
        cars[0].damage = cars[1].damage = 0;
        float closest = 1e9f;
        for (int k = 0; k < 500; ++k) {
            RaceStep();
            Vec3 d = cars[1].pos - cars[0].pos;
            closest = std::fmin(closest, std::sqrt(d.x * d.x + d.z * d.z));
        }
        float touch = carDefinitions[0].halfSize.x + carDefinitions[1].halfSize.x;
        EXPECT_GT(closest, touch) << "from point " << start;
        EXPECT_EQ(cars[0].damage + cars[1].damage, 0) << "from point " << start;
        EXPECT_GT(Length(cars[0].pos - cars[1].pos), 0.0f);
    }
}

TEST(Racecraft, ACarBehindAStoppedCarGoesRoundIt)
{
    ASSERT_TRUE(StartRulesRace("\\grand_prix", 2, 1, false));
    raceState.raceClock = 100;
    int p = LongestStraight();
    // Car 0 stands on the line (a human who does nothing); car 1 comes up behind.
    PutOnLine(0, p, 40, 0, 0);
    PutOnLine(1, p, 5, 0, 20);
    Vec3 stood = cars[0].pos;
    bool round = false;
    for (int k = 0; k < 800 && !round; ++k) {
        RaceStep();
        round = Ahead(1, 0) > 10;
    }
    EXPECT_TRUE(round) << "gap " << Ahead(1, 0);
    EXPECT_EQ(cars[1].damage, 0);
    EXPECT_LT(Length(cars[0].pos - stood), 0.5f) << "the standing car was pushed";
}

TEST(Racecraft, ADamagedCarLeavesItsPitOnlyOnceRepaired)
{
    ASSERT_TRUE(StartRulesRace("\\grand_prix", 1, 0));
    raceState.raceClock = 100;
    ASSERT_FALSE(trackMaps.pitCrews.empty());
    const PitCrew& crew = trackMaps.pitCrews[0];
    CarState& c = cars[0];
    // At its pit, stopped, new tyres and a full tank: only the mechanic has work.
    PlaceCar(0, crew.anchor.x, crew.anchor.z, crew.facing);
    c.controlLock = 3;
    c.flipTimer = 0;
    c.damage = 20000;
    c.tyres = 65535;
    c.fuel = 65535;
    bool taken = false, left = false;
    for (int k = 0; k < 3000 && !left; ++k) {
        RaceStep();
        taken |= crew.state == 0;
        if (c.controlLock == 2 || c.controlLock == 0) {
            left = true;
            EXPECT_EQ(c.damage, 0) << "pulled away at step " << k << " before the repair was done";
        } else {
            Vec3 d = c.pos - crew.anchor;
            EXPECT_LT(d.x * d.x + d.z * d.z, 25.0f) << "moved off while being served, step " << k;
        }
    }
    EXPECT_TRUE(taken) << "the crew never took the car";
    EXPECT_TRUE(left) << "the car never left its pit";
    EXPECT_LT(c.damage, 20000);
}
