// The pause menu's Replay entry: with nothing recorded the menu stays open;
// with a replay it closes and the replay starts.
#include "tests/frontend/menu_fixture.h"

#include "Game/race/race.h"

using namespace menutest;

namespace {

int replaysStarted = 0;
void CountReplay() { ++replaysStarted; }

}  // namespace

TEST_F(MenuTest, ReplayWithNothingRecordedKeepsThePauseMenu) {
    void (*savedEntry)() = replayEntry;
    replayEntry = CountReplay;
    replaysStarted = 0;
    replay.frames = 1;
    OpenPauseMenu();
    ASSERT_TRUE(screenIsOpen);
    Click(pauseMenu[1]);
    EXPECT_EQ(replaysStarted, 0);
    EXPECT_TRUE(screenIsOpen);
    EXPECT_EQ(currentScreen.screenId, kScreenPause);
    replay.frames = 2;
    Click(pauseMenu[1]);
    EXPECT_EQ(replaysStarted, 1);
    EXPECT_FALSE(screenIsOpen && currentScreen.screenId == kScreenPause);
    replay.frames = 0;
    replayEntry = savedEntry;
}
