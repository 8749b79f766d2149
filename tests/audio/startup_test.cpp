// Audio in the game's start-up and release: InitGame opens the device and
// loads the chosen set, a partial release keeps the device, a full one closes
// it; without a device the game still starts, silent.
#include "tests/audio/audio_fixture.h"

#include "Game/game.h"
#include "Game/shell/input.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"

#include <cstring>

namespace {

void PrepareStart()
{
    baseDirectory = DW_RUN_DIR;
    displayModes = EnumerateDisplayModes();
    screenWidth = 640;
    screenHeight = 480;
    std::strcpy(settings.soundSet, "Default");  // found as "default" without regard to case
    settings.windowed = 1;
}

}  // namespace

TEST(AudioStartup, InitGameLoadsTheSetAndOnlyTheFullReleaseClosesTheDevice)
{
    UseDummyAudio();
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    PrepareStart();
    ASSERT_GE(InitGame(), 0);
    EXPECT_TRUE(AudioIsOpen());
    for (int id : effectSounds) EXPECT_NE(SoundById(id), nullptr);
    ASSERT_NE(keyState, nullptr);

    ReleaseGame(true);
    EXPECT_TRUE(AudioIsOpen());
    EXPECT_EQ(SoundCount(), 0);
    EXPECT_EQ(keyState, nullptr);
    ASSERT_GE(InitGame(), 0);
    for (int id : effectSounds) EXPECT_NE(SoundById(id), nullptr);

    ReleaseGame(false);
    EXPECT_FALSE(AudioIsOpen());
    EXPECT_EQ(SoundCount(), 0);
    SDL_Quit();
    baseDirectory.clear();
}

TEST(AudioStartup, WithoutASoundDeviceTheGameStartsSilent)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    PrepareStart();
    EXPECT_GE(InitGame(), 0);
    EXPECT_FALSE(AudioIsOpen());
    for (int id : effectSounds) EXPECT_EQ(id, 0);
    PlaySound(1, true);
    StopSound(1);
    ReleaseGame(false);
    SDL_Quit();
    baseDirectory.clear();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}
