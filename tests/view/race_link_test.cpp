// Where the race feeds the view: in a time trial the ghost pose is the best
// lap's pose at the same step of the lap the car is driving, and there is
// none with two cars; the panels' names are the drivers' own.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "Game/game.h"
#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

uint32_t ticks = 0;
uint32_t Ticks() { return ticks; }
int32_t Wall() { return 1000; }

void StartOn(const char* track, int carCount)
{
    baseDirectory = std::string(DW_RUN_DIR) + "/";
    carCatalogue.assign(1, MakeGeneralCar());
    DefaultSettings(settings);
    raceClockHooks = RaceClockHooks{Ticks, Wall, nullptr};
    raceSeams = RaceSeams{};
    InstallRaceRules();
    raceSeams.writeRecords = nullptr;
    seasonTracks.assign(1, track);
    for (SeasonDriver& d : seasonDrivers) d = SeasonDriver{};
    StartSeason(carCount);
    raceState.phase = RacePhase::Countdown;
    raceState.phaseCounter = 0;
}

}  // namespace

TEST(ViewGhost, ShowsTheBestLapAtTheStepOfTheCurrentLap)
{
    StartOn("\\oval", 1);
    ASSERT_TRUE(trackMaps.loaded);
    // Without the lap stored in the track: the ghost is a lap driven here.
    trackMaps.hasGhost = false;
    StartGhost();
    // Where the car was at each step of each lap: lap -> step of the lap -> position.
    std::map<int, std::vector<Vec3>> laps;
    int checked = 0;
    Vec3 pos, side, up, forward;
    for (int s = 0; s < 12000 && cars[0].laps < 4; ++s) {
        // The recorder takes the pose the car has before its step.
        Vec3 before = cars[0].pos;
        int lapBefore = cars[0].laps;
        bool racing = raceState.phase == RacePhase::Racing;
        RaceStep();
        bool pose = RaceGhostPose(pos, side, up, forward);
        if (!racing || raceState.phase != RacePhase::Racing) {
            EXPECT_FALSE(pose);
            continue;
        }
        laps[lapBefore].push_back(before);
        int step = raceState.raceClock - cars[0].lastLapMark - 1;
        if (GhostSampleCount() == 0 || step < 0) {
            EXPECT_FALSE(pose);
            continue;
        }
        // The best lap is the first completed one with as many steps as the
        // ghost has samples (a later lap of the same length does not replace it).
        const std::vector<Vec3>* best = nullptr;
        for (const auto& [lap, steps] : laps)
            if (!best && lap < cars[0].laps && static_cast<int>(steps.size()) == GhostSampleCount()) best = &steps;
        ASSERT_NE(best, nullptr);
        if (step < GhostSampleCount()) {
            ASSERT_TRUE(pose) << "step " << step;
            EXPECT_EQ(pos.x, (*best)[step].x);
            EXPECT_EQ(pos.z, (*best)[step].z);
            ++checked;
        } else {
            EXPECT_FALSE(pose) << "past the end of the best lap";
        }
    }
    EXPECT_GE(cars[0].laps, 2) << "the computer car did not lap the oval";
    EXPECT_GT(checked, 500);

    // With two cars there is no ghost, whatever the recorder holds.
    StartOn("\\oval", 2);
    for (int s = 0; s < 600; ++s) {
        RaceStep();
        ASSERT_FALSE(RaceGhostPose(pos, side, up, forward));
    }
}

TEST(ViewDriverNames, ComeFromTheDriversWhenThereAreAny)
{
    raceState.carCount = 3;
    driverRecordHooks = DriverRecordHooks{};
    driverRecordHooks.name = [](int car) -> const char* { return car == 1 ? "Aurelia Long" : nullptr; };
    SyncRaceView();
    EXPECT_STREQ(viewOptions.driverNames[0], "Driver 1");
    EXPECT_STREQ(viewOptions.driverNames[1], "Aurelia Long");
    EXPECT_STREQ(viewOptions.driverNames[2], "Driver 3");
    driverRecordHooks = DriverRecordHooks{};
    SyncRaceView();
    EXPECT_STREQ(viewOptions.driverNames[1], "Driver 2");
}
