// The replay screen and the file dialog as the game draws them: a race of
// four computer cars set up by the game's own race entry in a copy of the
// program folder, the replay played forwards, in reverse at double rate and
// with the key panel, and the save dialog over a few saved games. With
// DW_SHOTS_DIR set, each picture is also written there as a BMP
// (tests/scripts/replay_screens.sh turns them into PNG under a real window).
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Game/frontend/frontend.h"
#include "Game/game.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "tests/shell/game_screen.h"

using namespace gamescreen;

namespace {

bool ShotPump()
{
    Shot("file_dialog");
    MenuCancel(true);
    MenuCancel(false);
    return true;
}

void ReplaySteps(int n)
{
    for (int k = 0; k < n; ++k) RaceStep();
    raceSeams.drawRace();
}

}  // namespace

TEST(ReplayScreens, TheReplayShowsItsTextsRateAndHelpAndTheDialogListsTheSaves)
{
    TempFolder folder;
    ASSERT_TRUE(StartGameIn(folder, 640, 480));
    ASSERT_GT(InitGame(), 0);
    raceClockHooks = RaceClockHooks{};
    iniSettings.replayLength = 60;
    RaceCommand command;
    command.active = true;
    command.trackPath = folder.path + "/tracks/grand_prix.trk";
    command.cars = 4;
    command.laps = 5;
    ASSERT_TRUE(BeginCommandRace(command));
    raceClockHooks.ticks = FakeTicks;
    ASSERT_EQ(raceState.phase, RacePhase::Intro);
    // Each race start leaves an autosave.
    EXPECT_FALSE(folder.Read("saves/Autosave.gam").empty());

    // Past the lights, forty seconds of racing.
    raceState.phase = RacePhase::Racing;
    raceState.phaseCounter = 70;
    raceState.startLight = -1;
    for (int k = 0; k < 4000; ++k) RaceStep();
    ASSERT_GT(replay.frames, 700);
    ASSERT_TRUE(EnterReplay());
    ReplaySteps(120);
    std::vector<uint8_t> play = Pixels();
    Shot("replay_play");
    ReplayPress(SDLK_LEFT);
    ReplayPress(SDLK_KP_PLUS);
    ReplaySteps(120);
    std::vector<uint8_t> reverse = Pixels();
    Shot("replay_reverse");
    keyState[SDLK_F1] = 1;
    ReplaySteps(1);
    keyState[SDLK_F1] = 0;
    std::vector<uint8_t> help = Pixels();
    Shot("replay_help");
    ASSERT_FALSE(play.empty());
    int W = backBuffer->w, H = backBuffer->h;
    // The title stays, the rate changes, the help panel covers the middle.
    EXPECT_EQ(Differences(play, reverse, W / 2 - 40, 0, W / 2 + 40, 16), 0);
    EXPECT_GT(Differences(play, reverse, 0, H - 60, W / 2, H - 20), 0);
    EXPECT_GT(Differences(reverse, help, W / 2 - 100, H / 2 - 40, W / 2 + 100, H / 2 + 40), 2000);

    // Back to the race, saved twice, then the save dialog over the saves.
    raceSeams.restoreReplay();
    Resume();
    ASSERT_TRUE(SaveGame("Season one"));
    ASSERT_TRUE(SaveGame("Grand prix, lap 3"));
    // Loading goes through the race entry again: the cars are back, the lights run.
    std::vector<uint8_t> carsSaved[4];
    for (int i = 0; i < 4; ++i) {
        ByteWriter w;
        WriteCarState(w, cars[i]);
        carsSaved[i] = w.bytes;
    }
    for (int k = 0; k < 300; ++k) RaceStep();
    ASSERT_EQ(LoadGame("Season one"), 0);
    EXPECT_EQ(raceState.phase, RacePhase::Countdown);
    for (int i = 0; i < 4; ++i) {
        ByteWriter w;
        WriteCarState(w, cars[i]);
        EXPECT_EQ(w.bytes, carsSaved[i]) << "car " << i;
    }
    std::vector<uint8_t> before = Pixels();
    modalPump = ShotPump;
    ASSERT_NE(saveGameEntry, nullptr);
    saveGameEntry();
    Shot("after_dialog");
    ExitToMenu();
    ReleaseGame(false);
    SDL_Quit();
}
