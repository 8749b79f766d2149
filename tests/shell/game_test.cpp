#include "Game/game.h"
#include "Game/frontend/frontend.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "temp_folder.h"
#include <gtest/gtest.h>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

TEST(ProgramDirectory, RawCommandLineQuotingRules) {
    EXPECT_EQ(BaseDirectoryFromCommandLine("C:\\Games\\Dust\\dw.exe -window"), "C:\\Games\\Dust\\");
    EXPECT_EQ(BaseDirectoryFromCommandLine("\"C:\\Program Files\\Dust\\dw.exe\" -window"), "C:\\Program Files\\Dust");
    EXPECT_EQ(BaseDirectoryFromCommandLine("C:\\My Games\\dw.exe"), "C:\\");  // unquoted ends at the blank
    EXPECT_EQ(BaseDirectoryFromCommandLine("\"D:\\open\\dw.exe"), "D:\\open");  // no closing quote
    EXPECT_EQ(BaseDirectoryFromCommandLine("dw.exe"), "");
    EXPECT_EQ(BaseDirectoryFromCommandLine("\"dw.exe\""), "");
    EXPECT_EQ(BaseDirectoryFromCommandLine(""), "");
    EXPECT_EQ(BaseDirectoryFromCommandLine(nullptr), "");
    EXPECT_EQ(BaseDirectoryFromCommandLine("/opt/dust/Dustwhirl --x", '/'), "/opt/dust/");
}

TEST(ProgramDirectory, ExecutableFolderBecomesCurrent) {
    std::string saved = baseDirectory;
    ASSERT_TRUE(FindProgramDirectory(nullptr));
    ASSERT_FALSE(baseDirectory.empty());
    EXPECT_EQ(baseDirectory.back(), '/');
    char exe[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    EXPECT_EQ(std::string(exe).rfind(baseDirectory, 0), 0u);
    ASSERT_EQ(chdir("/"), 0);
    ASSERT_TRUE(EnterBaseDirectory());
    char cwd[PATH_MAX] = {};
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd) + "/", baseDirectory);
    baseDirectory = "/no/such/folder/";
    EXPECT_FALSE(EnterBaseDirectory());
    baseDirectory = saved;
}

namespace {

SDL_keysym Key(SDLKey sym, int mod = KMOD_NONE) {
    SDL_keysym k = {};
    k.sym = sym;
    k.mod = SDLMod(mod);
    return k;
}

int lastTyped = -1;
void RecordTyped(int ch) { lastTyped = ch; }

}  // namespace

TEST(KeyToChar, TextEntryCharacters) {
    MenuInputHooks saved = menuInput;
    menuInput = {};
    menuInput.typeChar = RecordTyped;
    EXPECT_EQ(KeyToChar(Key(SDLK_a)), 'a');
    EXPECT_EQ(KeyToChar(Key(SDLK_a, KMOD_LSHIFT)), 'A');
    EXPECT_EQ(KeyToChar(Key(SDLK_z, KMOD_CAPS)), 'Z');
    EXPECT_EQ(KeyToChar(Key(SDLK_2, KMOD_RSHIFT)), '@');
    EXPECT_EQ(KeyToChar(Key(SDLK_QUOTE, KMOD_LSHIFT)), '"');
    EXPECT_EQ(KeyToChar(Key(SDLK_BACKQUOTE, KMOD_LSHIFT)), '~');
    EXPECT_EQ(KeyToChar(Key(SDLK_SLASH, KMOD_LSHIFT)), '?');
    EXPECT_EQ(KeyToChar(Key(SDLK_SPACE, KMOD_LSHIFT)), ' ');
    EXPECT_EQ(KeyToChar(Key(SDLK_2, KMOD_LCTRL)), '2');  // Ctrl is not Shift
    EXPECT_EQ(KeyToChar(Key(SDLK_KP7, KMOD_LSHIFT)), '7');
    EXPECT_EQ(KeyToChar(Key(SDLK_KP_PERIOD)), '.');
    EXPECT_EQ(KeyToChar(Key(SDLK_KP_PLUS)), '+');
    EXPECT_EQ(KeyToChar(Key(SDLK_KP_ENTER)), 271);
    EXPECT_EQ(KeyToChar(Key(SDLK_KP_EQUALS)), 0);
    EXPECT_EQ(KeyToChar(Key(SDLK_F1)), 0);
    EXPECT_EQ(KeyToChar(Key(SDLK_DELETE)), 0);
    EXPECT_EQ(KeyToChar(Key(SDLK_TAB)), 0);
    lastTyped = -1;
    EXPECT_EQ(KeyToChar(Key(SDLK_BACKSPACE)), 0);
    EXPECT_EQ(lastTyped, 8);
    menuInput = saved;
}

namespace {

uint32_t fakeNow = 0;
uint32_t fakeCostPerStep = 0;
bool stepsAskToDraw = true;
int stepsRun = 0, framesDrawn = 0, inputRefreshes = 0;

uint32_t FakeTicks() { return fakeNow; }
bool FakeStep() {
    ++stepsRun;
    fakeNow += fakeCostPerStep;
    return stepsAskToDraw;
}
void FakeDraw() { ++framesDrawn; }
void FakeRefresh() { ++inputRefreshes; }

struct FrameTickTest : ::testing::Test {
    FrameTickHooks saved;
    void SetUp() override {
        saved = frameTickHooks;
        frameTickHooks = {FakeTicks, FakeRefresh, FakeStep, FakeDraw};
        fakeNow = 0;
        fakeCostPerStep = 0;
        stepsAskToDraw = true;
        stepsRun = framesDrawn = inputRefreshes = 0;
    }
    void TearDown() override { frameTickHooks = saved; }
};

}  // namespace

TEST_F(FrameTickTest, OneSecondGapRunsTwentyStepsAndDropsTheRest) {
    for (bool alternative : {false, true}) {
        StepClock clock;
        clock.lastTick = 5000;
        fakeNow = 6000;
        stepsRun = framesDrawn = inputRefreshes = 0;
        FrameTickResult r = FrameTick(clock, alternative);
        EXPECT_EQ(r.steps, 20);
        EXPECT_TRUE(r.drew);
        EXPECT_EQ(stepsRun, 20);
        EXPECT_EQ(inputRefreshes, 20);
        EXPECT_EQ(framesDrawn, 1);
        r = FrameTick(clock, alternative);  // the other 800 ms are gone
        EXPECT_EQ(r.steps, 0);
        EXPECT_FALSE(r.drew);
        EXPECT_EQ(framesDrawn, 1);
    }
}

TEST_F(FrameTickTest, LessThanOneStepNeitherStepsNorDrawsAndKeepsAccumulating) {
    StepClock clock;
    clock.lastTick = 100;
    fakeNow = 109;
    FrameTickResult r = FrameTick(clock, false);
    EXPECT_EQ(r.steps, 0);
    EXPECT_FALSE(r.drew);
    EXPECT_EQ(clock.lastTick, 100u);
    fakeNow = 125;
    r = FrameTick(clock, false);
    EXPECT_EQ(r.steps, 2);
    EXPECT_EQ(clock.lastTick, 120u);  // the 5 ms remainder carries over
    fakeNow = 130;
    EXPECT_EQ(FrameTick(clock, false).steps, 1);
    EXPECT_EQ(framesDrawn, 2);
}

TEST_F(FrameTickTest, AlternativeSettingDoesNotMakeUpTimeSpentSimulating) {
    // Each step costs 3 ms of wall time; 35 ms are due.
    fakeCostPerStep = 3;
    StepClock normal;
    fakeNow = 35;
    EXPECT_EQ(FrameTick(normal, false).steps, 3);
    EXPECT_EQ(fakeNow, 44u);
    EXPECT_EQ(FrameTick(normal, false).steps, 1);  // 14 ms since the carried 30

    StepClock alternative;
    fakeNow = 35;
    EXPECT_EQ(FrameTick(alternative, true).steps, 3);
    EXPECT_EQ(alternative.lastTick, 36u);          // 41 - 5 at the last step
    EXPECT_EQ(FrameTick(alternative, true).steps, 0);
}

// A step that leaves the race (LeaveRace clears the hooks) ends the frame:
// the rest of the due time is not stepped with the race gone.
TEST_F(FrameTickTest, AStepThatLeavesTheRaceEndsTheFrame) {
    frameTickHooks.step = [] {
        ++stepsRun;
        if (stepsRun == 3) LeaveRace();
        return true;
    };
    StepClock clock;
    fakeNow = 100;
    FrameTickResult r = FrameTick(clock, false);
    EXPECT_EQ(r.steps, 3);
    EXPECT_EQ(stepsRun, 3);
    EXPECT_EQ(inputRefreshes, 3);
}

TEST_F(FrameTickTest, NoDrawWhenNoStepAsksAndNoHangOnZeroStep) {
    stepsAskToDraw = false;
    StepClock clock;
    fakeNow = 50;
    FrameTickResult r = FrameTick(clock, false);
    EXPECT_EQ(r.steps, 5);
    EXPECT_FALSE(r.drew);
    EXPECT_EQ(framesDrawn, 0);
    clock.stepMs = 0;
    fakeNow = 500;
    EXPECT_EQ(FrameTick(clock, false).steps, 0);
    // The clock wraps around after 49 days; elapsed time is unsigned.
    StepClock wrapped;
    wrapped.lastTick = 0xFFFFFFF0u;
    fakeNow = 0x10;
    EXPECT_EQ(FrameTick(wrapped, false).steps, 3);
}

TEST_F(FrameTickTest, EnteringARaceStartsTheClockFromNowAndLeavingClearsTheHooks) {
    // An hour in the menus: the first tick after entering must not catch up.
    fakeNow = 3600000;
    stepClock.lastTick = 0;
    stepClock.accumulatedMs = 150;
    EnterRace(FakeStep, FakeDraw);
    EXPECT_TRUE(inRace);
    EXPECT_EQ(FrameTick(stepClock, false).steps, 0);
    fakeNow += 30;
    EXPECT_EQ(FrameTick(stepClock, false).steps, 3);
    EXPECT_EQ(framesDrawn, 1);
    LeaveRace();
    EXPECT_FALSE(inRace);
    fakeNow += 100;
    EXPECT_EQ(FrameTick(stepClock, false).steps, 10);
    EXPECT_EQ(stepsRun, 3);  // no race step runs after leaving
    EXPECT_EQ(framesDrawn, 1);
}

namespace {

struct MenuLog {
    std::vector<std::string> calls;
} menuLog;

void LogCancel(bool p) { menuLog.calls.push_back(p ? "cancel+" : "cancel-"); }
void LogActivate(bool p) { menuLog.calls.push_back(p ? "activate+" : "activate-"); }
void LogMove(int d) { menuLog.calls.push_back("move" + std::to_string(d)); }
void LogType(int c) { menuLog.calls.push_back("type" + std::to_string(c)); }
void LogHelp() { menuLog.calls.push_back("help"); }
void LogMoved(int x, int y, bool held) {
    menuLog.calls.push_back("moved" + std::to_string(x) + "," + std::to_string(y) + (held ? "held" : ""));
}
void LogPressed(int x, int y) { menuLog.calls.push_back("pressed" + std::to_string(x) + "," + std::to_string(y)); }
void LogReleased(int x, int y) { menuLog.calls.push_back("released" + std::to_string(x) + "," + std::to_string(y)); }
void LogRight(int x, int y) { menuLog.calls.push_back("right" + std::to_string(x) + "," + std::to_string(y)); }
void LogWheel(int d) { menuLog.calls.push_back("wheel" + std::to_string(d)); }

SDL_Event KeyEvent(Uint8 type, SDLKey sym, int mod = KMOD_NONE) {
    SDL_Event e = {};
    e.type = type;
    e.key.type = type;
    e.key.keysym = Key(sym, mod);
    return e;
}

SDL_Event ButtonEvent(Uint8 type, Uint8 button, int x, int y) {
    SDL_Event e = {};
    e.type = type;
    e.button.type = type;
    e.button.button = button;
    e.button.x = Uint16(x);
    e.button.y = Uint16(y);
    return e;
}

// The game's video on the dummy driver, with menu input logged.
struct EventTest : ::testing::Test {
    MenuInputHooks saved;
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        DefaultSettings(settings);
        DefaultIniSettings(iniSettings);
        screenWidth = 640;
        screenHeight = 480;
        ASSERT_TRUE(SetVideoMode(true));
        saved = menuInput;
        menuInput = {LogCancel, LogActivate, LogMove, LogType, LogHelp,
                     LogMoved, LogPressed, LogReleased, LogRight, LogWheel};
        menuLog.calls.clear();
        inRace = false;
        quitRequested = false;
    }
    void TearDown() override {
        menuInput = saved;
        inRace = false;
        quitRequested = false;
        FreeVideoSurfaces();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

}  // namespace

TEST_F(EventTest, MenuModeRoutesKeysAndMouse) {
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYUP, SDLK_ESCAPE)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_KP_ENTER)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYUP, SDLK_RETURN)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_UP)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_RIGHT)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_DOWN)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_LEFT)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_q, KMOD_LSHIFT)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_F2)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYUP, SDLK_F1)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYUP, SDLK_a)));
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 10;
    motion.motion.y = 20;
    motion.motion.state = SDL_BUTTON(1);
    EXPECT_TRUE(HandleEvent(motion));
    EXPECT_TRUE(HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 2)));
    EXPECT_TRUE(HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP, 0, 0)));
    EXPECT_TRUE(HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELDOWN, 0, 0)));
    EXPECT_TRUE(HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 0, 0)));
    EXPECT_TRUE(HandleEvent(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 3, 4)));
    EXPECT_TRUE(HandleEvent(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 5, 6)));
    EXPECT_EQ(menuLog.calls,
              (std::vector<std::string>{"cancel+", "cancel-", "activate+", "activate-", "move-1", "move-1", "move1",
                                        "move1", "type81", "help", "moved10,20held", "pressed1,2", "wheel120",
                                        "wheel-120", "released3,4", "right5,6"}));

    // In race mode the menus hear nothing.
    inRace = true;
    menuLog.calls.clear();
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE)));
    EXPECT_TRUE(HandleEvent(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 2)));
    EXPECT_TRUE(menuLog.calls.empty());
}

TEST_F(EventTest, QuitKeysWorkInBothModes) {
    for (bool race : {false, true}) {
        inRace = race;
        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        EXPECT_FALSE(HandleEvent(quit));
        EXPECT_FALSE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_LALT)));
        EXPECT_FALSE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_RALT)));
        EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_F4)));
        SDL_Event active = {};
        active.type = SDL_ACTIVEEVENT;
        EXPECT_TRUE(HandleEvent(active));
    }
}

TEST_F(EventTest, AltEnterSwitchesModeWithoutActivatingTheMenu) {
    uint32_t packed[256] = {};
    packed[200] = 0x112233;
    ApplyPalette(packed);
    settings.windowed = 1;
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)));
    EXPECT_TRUE(altEnterConsumed);
    EXPECT_EQ(settings.windowed, 0);
    EXPECT_TRUE(menuLog.calls.empty());
    EXPECT_NE(SDL_GetVideoSurface()->flags & SDL_FULLSCREEN, 0u);
    EXPECT_EQ(SDL_GetVideoSurface()->w, 640);
    EXPECT_EQ(SDL_GetVideoSurface()->format->BitsPerPixel, 8);
    EXPECT_EQ(currentPalette[200].g, 0x22);  // car colours survive the palette reload
    // The next event clears the flag; plain Return activates.
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_RETURN)));
    EXPECT_FALSE(altEnterConsumed);
    EXPECT_EQ(menuLog.calls, (std::vector<std::string>{"activate+"}));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_KP_ENTER, KMOD_RALT)));
    EXPECT_EQ(settings.windowed, 1);
    EXPECT_EQ(SDL_GetVideoSurface()->flags & SDL_FULLSCREEN, 0u);
}

TEST_F(EventTest, ScreenshotKeysWorkInRaceMode) {
    TempFolder dir;
    ResetScreenshotCounter();
    inRace = true;
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_F12)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_F11)));
    EXPECT_FALSE(dir.Read("screens/shot0000.bmp").empty());
    EXPECT_EQ(dir.Read("screens/shot0001.bmp").size(), 54u + 320 * 240 * 4);
    inRace = false;
}

TEST_F(EventTest, RaceSeesKeyPressesAsEdgesButNotTheHotKeys) {
    FrameTickHooks savedHooks = frameTickHooks;
    EnterRace(nullptr, nullptr);
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYUP, SDLK_ESCAPE)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_p)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_p)));
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)));  // switches the mode only
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)));
    EXPECT_TRUE(menuLog.calls.empty());
    EXPECT_TRUE(TakeKeyPress(SDLK_ESCAPE));
    EXPECT_FALSE(TakeKeyPress(SDLK_ESCAPE));  // one press, one edge; the release adds none
    EXPECT_TRUE(TakeKeyPress(SDLK_p));
    EXPECT_TRUE(TakeKeyPress(SDLK_p));
    EXPECT_FALSE(TakeKeyPress(SDLK_p));
    EXPECT_FALSE(TakeKeyPress(SDLK_RETURN));
    EXPECT_FALSE(TakeKeyPress(-1));
    EXPECT_FALSE(TakeKeyPress(kKeyStateSize));
    // A press left untaken does not survive into the next race.
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_SPACE)));
    LeaveRace();
    EXPECT_FALSE(inRace);
    EXPECT_TRUE(HandleEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE)));  // to the menus again
    EXPECT_EQ(menuLog.calls, (std::vector<std::string>{"cancel+"}));
    EnterRace(nullptr, nullptr);
    EXPECT_FALSE(TakeKeyPress(SDLK_SPACE));
    EXPECT_FALSE(TakeKeyPress(SDLK_ESCAPE));
    LeaveRace();
    frameTickHooks = savedHooks;
}

TEST(InitGame, StoredSizeThatIsNoDisplayModeStartsAt640x480) {
    TempFolder dir;
    ASSERT_EQ(system(("cp -r '" DW_RUN_DIR "/.' '" + dir.path + "/'").c_str()), 0);
    remove(dir.File("options.set").c_str());
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    displayModes = EnumerateDisplayModes();
    ASSERT_FALSE(displayModes.empty());
    EXPECT_TRUE(IsDisplayMode(640, 480));

    DefaultSettings(settings);
    settings.screenWidthSetting = 1000;
    settings.screenHeightSetting = 701;
    ASSERT_TRUE(SaveOptions());
    LoadOptions();
    EXPECT_EQ(screenWidth, 1000);
    ASSERT_GE(InitGame(), 0);
    EXPECT_EQ(screenWidth, 640);
    EXPECT_EQ(screenHeight, 480);
    EXPECT_EQ(SDL_GetVideoSurface()->w, 640);
    EXPECT_EQ(backBuffer->h, 480);
    EXPECT_EQ(uiScale, 8);
    EXPECT_NE(keyState, nullptr);
    EXPECT_EQ(settings.screenWidthSetting, 1000u);
    // The main screen: its title bar (240) at the top, its four bottom
    // buttons (fill 100) in the last four cells.
    ASSERT_TRUE(screenIsOpen);
    EXPECT_EQ(currentScreen.screenId, kScreenMain);
    auto count = [](uint8_t colour, int y1, int y2) {
        int n = 0;
        for (int y = y1; y < y2; ++y)
            for (int x = 0; x < 640; ++x) n += static_cast<uint8_t*>(backBuffer->pixels)[y * backBuffer->pitch + x] == colour;
        return n;
    };
    EXPECT_GT(count(240, 0, 8), 600);
    EXPECT_GT(count(100, 450, 478), 4 * 100 * 20);
    ReleaseGame(true);
    EXPECT_EQ(backBuffer, nullptr);

    // A size the display offers is used as stored.
    screenWidth = 1024;
    screenHeight = 768;
    ASSERT_GE(InitGame(), 0);
    EXPECT_EQ(backBuffer->w, 1024);
    EXPECT_EQ(uiScale, 12);
    ReleaseGame(false);
    EXPECT_EQ(keyState, nullptr);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
