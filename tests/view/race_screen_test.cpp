// The race screen as the game's race entry draws it, in a copy of the
// program folder: each panel is drawn over the race picture, never over the
// panel before it; the menus' car icons have their wheel discs before any
// race; the replay leaves the particles of the paused race as they were.
// With DW_SHOTS_DIR set, the panels are also written there as BMPs, at the
// size of DW_SHOT_SIZE ("WIDTHxHEIGHT", 640x480 by default).
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Game/game.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "Game/track/track.h"
#include "Game/view/view.h"
#include "tests/shell/game_screen.h"

using namespace gamescreen;

TEST(RaceScreen, EachPanelDarkensTheRacePictureAndTheReplayKeepsTheParticles)
{
    TempFolder folder;
    int width = 640, height = 480;
    if (const char* size = std::getenv("DW_SHOT_SIZE")) std::sscanf(size, "%dx%d", &width, &height);
    ASSERT_TRUE(StartGameIn(folder, width, height));
    if (std::getenv("DW_SHOT_SIZE")) ListDisplayModes();  // a real display offers the size
    std::fill(discHalfWidth, discHalfWidth + kDiscRows, 0.0f);
    ASSERT_GT(InitGame(), 0);
    EXPECT_GT(discHalfWidth[kDiscRows / 2], 0.9f) << "the menus' car icons need the disc table before any race";

    raceClockHooks = RaceClockHooks{};
    RaceCommand command;
    command.active = true;
    command.trackPath = folder.path + "/tracks/oval.trk";
    command.cars = 3;
    command.laps = 2;
    ASSERT_TRUE(BeginCommandRace(command));
    raceClockHooks.ticks = FakeTicks;
    raceState.phase = RacePhase::Racing;
    raceState.phaseCounter = 70;
    raceState.startLight = -1;
    for (int k = 0; k < 600; ++k) RaceStep();
    for (Particle& p : raceState.particles) p = Particle{};

    // The points panel alone, then the results and the points panel after them.
    raceState.seasonPoints[0] = 6;
    raceState.seasonPoints[2] = 4;
    raceSeams.showStandings(false);
    std::vector<uint8_t> alone = Pixels();
    raceSeams.showResults();
    std::vector<uint8_t> results = Pixels();
    Shot("results");
    raceSeams.showStandings(false);
    std::vector<uint8_t> after = Pixels();
    Shot("points_after_results");
    ASSERT_FALSE(alone.empty());
    EXPECT_NE(alone, results);
    EXPECT_TRUE(alone == after) << "the points panel shows the results panel through it";
    // Resuming into the results draws them once, not over themselves.
    raceSeams.showResults();
    raceSeams.showResults();
    EXPECT_TRUE(Pixels() == results);

    // A particle alive at the pause neither moves nor dies in the replay.
    raceState.seasonPoints[0] = raceState.seasonPoints[2] = 0;
    settings.effects = 256;
    ApplyViewSettings();
    raceState.particles[7] = Particle{0, 200, Vec3{100, 5, 100}, Vec3{3, 4, 5}};
    ASSERT_TRUE(EnterReplay());
    // Frames as the main loop runs them, five steps each.
    frameTickHooks.ticks = FakeTicks;
    stepClock.lastTick = fakeTicks;
    for (int k = 0; k < 20; ++k) {
        fakeTicks += 50;
        ASSERT_TRUE(FrameTick(stepClock, false).drew);
    }
    const Particle& p = raceState.particles[7];
    EXPECT_EQ(p.life, 200);
    EXPECT_EQ(p.position.x, 100);
    EXPECT_EQ(p.position.z, 100);
    Shot("replay");
    replay.help = true;
    raceSeams.drawRace();
    Shot("replay_help");
    replay.help = false;
    raceSeams.restoreReplay();
    Resume();
    ExitToMenu();

    // A time trial with six best times: its results and its lap column.
    command.cars = 1;
    ASSERT_TRUE(BeginCommandRace(command));
    Shot("time_trial_info");
    for (int r = 1; r < 7; ++r) {
        TrackRecord& rec = trackMaps.records.entry[r];
        rec.time = uint16_t(2900 + 37 * r);
        std::snprintf(rec.name, sizeof rec.name, "Driver %d", r);
    }
    cars[0].laps = 2;
    cars[0].lastLapTime = cars[0].bestLap = 2900 + 37 * 3;
    raceState.leaderLaps = 2;
    raceState.phase = RacePhase::Racing;
    raceSeams.drawRace();
    Shot("time_trial_race");
    raceSeams.showResults();
    Shot("time_trial_results");
    ExitToMenu();
    ReleaseGame(false);
    SDL_Quit();
}
