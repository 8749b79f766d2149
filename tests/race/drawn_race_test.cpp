// The race is the same whether or not it is drawn: the view takes its random
// numbers without moving the race's turn through the table, so the computer
// drivers, the damage noise and the gravel sweeps never depend on how many
// frames and particles were drawn.
#include "tests/race/race_fixture.h"

#include "Game/game.h"
#include "Game/view/view.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace racetest;

namespace {

struct Outcome {
    std::vector<CarState> cars;
    std::vector<uint8_t> land;
    uint8_t randomIndex = 0;
    int drawnParticles = 0;  // live particles seen by the frames drawn
};

// Six computer cars for 25 s of racing on the beach (sand, particles, damage
// noise), each step followed by a drawn frame when drawn is set.
Outcome Race(bool drawn)
{
    Outcome out;
    EXPECT_TRUE(StartTestRace("\\beach", 6, 0));
    // Again with the rules and the computer drivers.
    settings.damage = 255;  // hurt cars steer with noise
    InstallRaceRules();
    raceSeams.writeRecords = nullptr;
    StartSeason(6);
    raceState.phase = RacePhase::Racing;
    raceState.phaseCounter = 70;
    raceState.startLight = -1;
    std::vector<uint8_t> pixels(320 * 200);
    SetUpRaceView(nullptr);
    for (int s = 0; s < 2500; ++s) {
        RaceStep();
        if (!drawn) continue;
        SyncRaceView();
        SetViewTarget(pixels.data(), 320, 320, 200, nullptr, nullptr);
        SetViewCamera();
        DrawScene();
        for (const ViewParticle& p : viewRace.particles) out.drawnParticles += p.life > 0;
        DrawParticles(1);
        ReturnParticles();
    }
    out.cars.assign(cars, cars + kMaxCars);
    out.land = trackMaps.land;
    out.randomIndex = raceState.randomIndex;
    return out;
}

}  // namespace

TEST(DrawnRace, EndsBitForBitAsTheRaceNobodyWatched)
{
    Outcome unseen = Race(false);
    Outcome seen = Race(true);
    ASSERT_GT(seen.drawnParticles, 100) << "the frames had particles to move";
    EXPECT_EQ(seen.randomIndex, unseen.randomIndex);
    EXPECT_TRUE(seen.land == unseen.land) << "wheel marks and gravel";
    for (int i = 0; i < kMaxCars; ++i) {
        const CarState& a = seen.cars[i];
        const CarState& b = unseen.cars[i];
        EXPECT_EQ(std::memcmp(&a.pos, &b.pos, sizeof a.pos), 0) << "car " << i;
        EXPECT_EQ(std::memcmp(&a.vel, &b.vel, sizeof a.vel), 0) << "car " << i;
        EXPECT_EQ(std::memcmp(&a.angVel, &b.angVel, sizeof a.angVel), 0) << "car " << i;
        EXPECT_EQ(std::memcmp(&a.forward, &b.forward, sizeof a.forward), 0) << "car " << i;
        EXPECT_EQ(std::memcmp(&a.wheelSpeed, &b.wheelSpeed, sizeof a.wheelSpeed), 0) << "car " << i;
        EXPECT_EQ(a.damage, b.damage) << "car " << i;
        EXPECT_EQ(a.laps, b.laps) << "car " << i;
    }
}
