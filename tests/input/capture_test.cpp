// The "Select control for" prompt, fed with key events pushed into SDL's
// queue (a scripted keyboard turns them into key state, as a real driver
// does) and with scripted joysticks; every 10 ms wait advances the script.
#include "Game/frontend/frontend.h"
#include "Game/shell/font.h"
#include "Game/shell/input.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <functional>

namespace {

uint8_t heldKeys[kKeyStateSize];
int axes[2][4], buttons[2][4], hats[2][2];
int waits = 0;
std::function<void(int)> script;

void PushKey(SDLKey key, bool down)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

// Key events waiting in SDL's queue become key state, one event per read.
const uint8_t* QueuedKeys(int* count)
{
    SDL_Event e;
    if (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_KEYDOWNMASK | SDL_KEYUPMASK) == 1)
        heldKeys[e.key.keysym.sym] = e.type == SDL_KEYDOWN;
    *count = kKeyStateSize;
    return heldKeys;
}

void ScriptedWait(uint32_t)
{
    ++waits;
    if (script) script(waits);
    if (waits == 1000) {  // a test that never finishes its capture ends here, cancelled
        PushKey(SDLK_ESCAPE, true);
        PushKey(SDLK_ESCAPE, false);
    }
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screenWidth = 640;
        screenHeight = 480;
        ASSERT_TRUE(SetVideoMode(true));
        SetUiScale(screenWidth, screenHeight);
        ResetTexts();
        std::memset(heldKeys, 0, sizeof heldKeys);
        std::memset(axes, 0, sizeof axes);
        std::memset(buttons, 0, sizeof buttons);
        std::memset(hats, 0, sizeof hats);
        waits = 0;
        script = nullptr;
        inputSource.keys = QueuedKeys;
        inputSource.axis = [](int j, int a) { return axes[j][a]; };
        inputSource.button = [](int j, int b) { return buttons[j][b]; };
        inputSource.hat = [](int j, int h) { return hats[j][h]; };
        inputSource.wait = ScriptedWait;
        joysticks.assign(2, JoystickInfo{4, 4, 2, nullptr});
    }
    void TearDown() override
    {
        UseSdlInput();
        joysticks.clear();
        FreeKeyState();
        FreeVideoSurfaces();
        SDL_Quit();
    }
};

}  // namespace

TEST_F(CaptureTest, EscapeAndReturnCancelAndLeaveTheBindingAlone)
{
    for (SDLKey key : {SDLK_ESCAPE, SDLK_RETURN}) {
        JoyBinding b;
        b.joystick = 1;
        b.input = 3;
        b.kind = kJoyButton;
        waits = 0;
        PushKey(key, true);
        script = [key](int n) {
            if (n == 2) PushKey(key, false);
        };
        EXPECT_EQ(CaptureBinding("Brake", &b), -1) << key;
        EXPECT_EQ(waits, 2);
        EXPECT_EQ(b.joystick, 1);
        EXPECT_EQ(b.input, 3);
        EXPECT_EQ(b.kind, kJoyButton);
    }
}

TEST_F(CaptureTest, KeyHeldWhenThePromptOpensBindsOnceReleased)
{
    heldKeys['x'] = 1;  // already down when the prompt appears
    script = [](int n) {
        if (n == 3) {  // meanwhile other input arrives, which must not reach the menus
            SDL_Event e;
            std::memset(&e, 0, sizeof e);
            e.type = SDL_MOUSEBUTTONDOWN;
            e.button.button = SDL_BUTTON_LEFT;
            SDL_PushEvent(&e);
        }
        if (n == 5) PushKey(SDLK_x, false);
    };
    JoyBinding b;
    EXPECT_EQ(CaptureBinding("Accelerate", &b), 'x');
    EXPECT_EQ(waits, 5);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "the prompt leaves no input behind";
}

TEST_F(CaptureTest, LowestKeyWinsAndLockKeysCannotBeBound)
{
    heldKeys[SDLK_CAPSLOCK] = 1;
    heldKeys['q'] = 1;
    heldKeys['b'] = 1;
    script = [](int n) {
        if (n == 1) PushKey(SDLK_b, false);
    };
    JoyBinding b;
    EXPECT_EQ(CaptureBinding("Steer left", &b), 'b');
}

TEST_F(CaptureTest, AxisMustPassSixteenThousand)
{
    axes[1][2] = 16000;   // exactly at the threshold: not yet
    axes[0][1] = -15999;
    script = [](int n) {
        if (n == 4) axes[1][2] = -16001;
    };
    JoyBinding b;
    EXPECT_EQ(CaptureBinding("Steer right", &b), -2);
    EXPECT_EQ(waits, 4);
    EXPECT_EQ(b.joystick, 1);
    EXPECT_EQ(b.input, 2);
    EXPECT_EQ(b.kind, kJoyAxis);
    EXPECT_EQ(b.negative, 1);
}

TEST_F(CaptureTest, ButtonsAndHatsAreCapturedWithoutWaitingForRelease)
{
    buttons[1][3] = 1;
    JoyBinding b;
    EXPECT_EQ(CaptureBinding("Brake", &b), -2);
    EXPECT_EQ(waits, 0);
    EXPECT_EQ(b.joystick, 1);
    EXPECT_EQ(b.input, 3);
    EXPECT_EQ(b.kind, kJoyButton);

    buttons[1][3] = 0;
    hats[0][1] = SDL_HAT_LEFTDOWN;
    EXPECT_EQ(CaptureBinding("Brake", &b), -2);
    EXPECT_EQ(b.joystick, 0);
    EXPECT_EQ(b.input, 1);
    EXPECT_EQ(b.kind, kJoyHat);
    EXPECT_EQ(b.hatPosition, SDL_HAT_LEFTDOWN);
    // Within one joystick an axis is found before a button.
    axes[0][3] = 32767;
    buttons[0][0] = 1;
    EXPECT_EQ(CaptureBinding("Brake", &b), -2);
    EXPECT_EQ(b.kind, kJoyAxis);
    EXPECT_EQ(b.input, 3);
    EXPECT_EQ(b.negative, 0);
}

TEST_F(CaptureTest, PromptBoxIsDrawnOnTheScreen)
{
    // With the shipped font the two lines are drawn too.
    char oldDir[4096];
    ASSERT_NE(getcwd(oldDir, sizeof oldDir), nullptr);
    bool haveFont = chdir(DW_RUN_DIR) == 0 && LoadFont() == 0;
    buttons[0][0] = 1;
    JoyBinding b;
    ASSERT_EQ(CaptureBinding("Accelerate", &b), -2);
    SDL_Surface* screen = GetSurface(kScreenSurface);
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(SDL_LockSurface(screen), 0);
    auto pixel = [&](int x, int y) { return static_cast<const uint8_t*>(screen->pixels)[y * screen->pitch + x]; };
    const int s = uiScale;  // 8 at 640 x 480, grid origin at 0, 0
    EXPECT_EQ(pixel(20 * s, 20 * s), 240);
    EXPECT_EQ(pixel(60 * s - 1, 40 * s - 1), 240);
    EXPECT_EQ(pixel(20 * s + s / 4, 20 * s + s / 4), 100);
    EXPECT_EQ(pixel(60 * s, 40 * s), 0);
    int title = 0, name = 0;
    for (int y = 20 * s; y < 40 * s; ++y)
        for (int x = 20 * s; x < 60 * s; ++x) {
            title += pixel(x, y) == 240 && y > 21 * s && y < 39 * s && x > 21 * s && x < 59 * s;
            name += pixel(x, y) == 90;
        }
    SDL_UnlockSurface(screen);
    LoadPalette();
    SDL_SaveBMP(screen, DW_BINARY_DIR "/capture_prompt.bmp");  // left for a look
    if (haveFont) {
        EXPECT_GT(title, 0);
        EXPECT_GT(name, 0);
    }
    FreeFont();
    ASSERT_EQ(chdir(oldDir), 0);
}
