// The computer driver: the start delay, the stuck recovery's reverse and
// forward phases, the offset chosen away from a car alongside, and whole
// races on shipped tracks.
#include "tests/race/race_fixture.h"

#include <gtest/gtest.h>

using namespace racetest;

TEST(AiDriver, StartDelayThenStuckRecoveryReversesAndDrivesOn)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 0));
    InstallRaceRules();
    CarState& c = cars[0];
    c.flipTimer = 15;
    raceState.raceClock = 10;
    int throttle = 5;
    float steering = 5;
    DriveAI(0, throttle, steering);
    EXPECT_EQ(throttle, 0);
    EXPECT_EQ(steering, 0);
    EXPECT_EQ(c.flipTimer, 15);  // the delay is kept
    raceState.raceClock = 50;
    // Stuck: at rest, asking to drive, the counter climbs to the reverse phase.
    c.flipTimer = 0;
    for (int k = 0; k < 140; ++k) {
        c.vel = Vec3{};
        DriveAI(0, throttle, steering);
    }
    EXPECT_EQ(c.flipTimer, 140);
    c.vel = Vec3{};
    DriveAI(0, throttle, steering);
    EXPECT_EQ(throttle, -100);
    EXPECT_NE(steering, 0);
    c.flipTimer = 200;
    DriveAI(0, throttle, steering);
    EXPECT_EQ(throttle, 100);
    EXPECT_EQ(steering, 0);
    // Fast again: the recovery is over.
    c.vel = c.forward * 25.0f;
    DriveAI(0, throttle, steering);
    EXPECT_EQ(c.flipTimer % 400, 0);
}

TEST(AiDriver, OffsetMovesAwayFromACarAlongside)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 0));
    InstallRaceRules();
    ASSERT_GE(trackMaps.aiLine.size(), 4u);
    raceState.raceClock = 100;
    CarState& c = cars[0];
    Vec3 a = trackMaps.aiLine[0], b = trackMaps.aiLine[1];
    Vec3 dir = Normalize(Vec3{b.x - a.x, 0, b.z - a.z});
    PlaceCar(0, b.x + dir.x, b.z + dir.z, dir);
    PlaceCar(1, b.x + dir.x + c.side.x * 1.0f, b.z + dir.z + c.side.z * 1.0f, dir);
    c.aiState = 1;
    c.vel = cars[1].vel = dir * 10.0f;
    int throttle;
    float steering;
    int sum = 0;
    for (int k = 0; k < 20; ++k) {
        c.aiState = 1;
        DriveAI(0, throttle, steering);
        sum += c.aiParam;
    }
    // The other car is on the +side (right): the offset goes left of the line.
    EXPECT_LT(sum / 20, 100 - 20);
}

TEST(AiDriver, SixComputerCarsFinishShippedTracks)
{
    for (const std::string& track : ShippedTracks()) {
        ASSERT_TRUE(StartRulesRace(track, 6, 0)) << track;
        raceState.raceClock = 0;
        int steps = 0;
        while (raceState.phase == RacePhase::Racing && steps < 60000) {
            RaceStep();
            ++steps;
        }
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(cars[i].lapState, 2) << track << " car " << i;
            EXPECT_LT(LongestNoProgress(i), 1000) << track << " car " << i;
        }
    }
}

TEST(AiDriver, TheFigureOfEightIsDrivenOverAndUnderTheBridge)
{
    ASSERT_TRUE(StartRulesRace("\\figure_eight", 2, 0));
    raceState.raceClock = 0;
    // The bridge pieces: their middle is where the two loops cross.
    Vec3 middle{};
    int pieces = 0;
    for (const WorldObject& o : trackMaps.objects)
        if (o.type == 17) middle += o.position, ++pieces;
    ASSERT_GT(pieces, 0);
    middle = middle * (1.0f / pieces);
    float ground = TerrainHeight(middle.x, middle.z);
    int over[2] = {}, under[2] = {};
    for (int k = 0; k < 20000 && raceState.phase == RacePhase::Racing; ++k) {
        RaceStep();
        for (int i = 0; i < 2; ++i) {
            Vec3 d = cars[i].pos - middle;
            if (d.x * d.x + d.z * d.z > 4) continue;
            float h = cars[i].pos.y - ground;
            if (h > 2.4f) ++over[i];
            else if (h < 1.5f) ++under[i];
        }
        EXPECT_LT(cars[0].damage + cars[1].damage, 20000) << "step " << k;
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(cars[i].lapState, 2) << "car " << i;
        EXPECT_GT(over[i], 0) << "car " << i << " never crossed on the deck";
        EXPECT_GT(under[i], 0) << "car " << i << " never passed underneath";
    }
}

TEST(AiDriver, TenLapsWithRaisedWearNeedStopsAtTheCarsOwnCrews)
{
    ASSERT_TRUE(StartRulesRace("\\grand_prix", 6, 0));
    raceState.raceClock = 0;
    raceState.raceLaps = 10;
    settings.fuelConsumption = 30;
    settings.tyreWear = 80;
    // A tank lasts fewer than ten laps: a stop is needed.
    ASSERT_LT(65535.0f / (settings.fuelConsumption * trackMaps.trackLength), 9.0f);
    bool pitLine[6] = {}, served[6] = {};
    uint16_t fuelAtTake[6] = {};
    for (int k = 0; k < 60000 && raceState.phase == RacePhase::Racing; ++k) {
        RaceStep();
        for (int i = 0; i < 6; ++i)
            if (cars[i].controlLock == 1) pitLine[i] = true;
        for (size_t p = 0; p < trackMaps.pitCrews.size(); ++p) {
            const PitCrew& crew = trackMaps.pitCrews[p];
            if (crew.state >= 6) continue;
            int i = crew.state;
            // Only the crew the car chose serves it, and only at its pit
            // (phase 2: served, pulling away, the crew lets go next step).
            EXPECT_TRUE(cars[i].controlLock == 3 + p || cars[i].controlLock == 2) << "car " << i;
            Vec3 d = cars[i].pos - crew.anchor;
            EXPECT_LT(d.x * d.x + d.z * d.z, 25.0f) << "car " << i;
            if (fuelAtTake[i] == 0) fuelAtTake[i] = cars[i].fuel;
            if (cars[i].fuel > fuelAtTake[i] + 10000) served[i] = true;
        }
        for (int i = 0; i < 6; ++i) {
            bool serving = false;
            for (const PitCrew& crew : trackMaps.pitCrews) serving |= crew.state == i;
            if (!serving) fuelAtTake[i] = 0;
        }
    }
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(pitLine[i]) << "car " << i << " never took the pit line";
        EXPECT_TRUE(served[i]) << "car " << i << " was never refuelled";
        EXPECT_GE(PitStops(i), 1) << "car " << i;
        EXPECT_EQ(cars[i].lapState, 2) << "car " << i;
        // Stops cost seconds, not laps: no car is held at its pit.
        EXPECT_GE(cars[i].laps, 9) << "car " << i;
    }
}

TEST(AiDriver, WithoutAnAiLineComputerCarsStillMove)
{
    ASSERT_TRUE(StartRulesRace("\\oval", 2, 0));
    trackMaps.aiLine.clear();
    trackMaps.pitLine.clear();
    trackMaps.pitEntry = trackMaps.pitExit = -1;
    raceState.raceClock = 0;
    Vec3 start[2] = {cars[0].pos, cars[1].pos};
    float furthest[2] = {};
    for (int k = 0; k < 1500; ++k) {
        RaceStep();
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(Finite(cars[i].pos));
            float d = Length(cars[i].pos - start[i]);
            if (d > furthest[i]) furthest[i] = d;
        }
    }
    for (int i = 0; i < 2; ++i) EXPECT_GT(furthest[i], 20.0f) << "car " << i;
}
