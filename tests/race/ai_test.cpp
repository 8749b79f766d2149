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
    for (const std::string& track : {std::string("\\oval"), std::string("\\beach"), std::string("\\club"),
                                      std::string("\\town"), std::string("\\offroad\\rally")}) {
        // Not yet on the list: the figure-of-eight (a stall above 10 s) and the
        // grand prix and snow tracks (a car held on the pit line).
        ASSERT_TRUE(StartTestRace(track, 6, 0)) << track;
        InstallRaceRules();
        raceSeams.writeRecords = nullptr;
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
