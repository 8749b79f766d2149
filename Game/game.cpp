// The program's top level: start-up order, the main loop and shutdown.
// RunGame brings up SDL and the resources (InitGame), polls events and runs
// frames until a quit, then releases everything and saves the player's
// options. Each frame goes to the race while one runs (the frame tick), else
// to the menus. The race and its view meet only here: the race set-up hands
// the race's step and the view's draw to EnterRace.
#include "Game/game.h"
#include "Game/frontend/frontend.h"
#include "Game/race/cars.h"
#include "Game/shell/shell.h"
#include "Game/shell/audio.h"
#include "Game/shell/input.h"
#include "Game/shell/font.h"
#include "Game/shell/settings.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "Game/track/track.h"
#include "Game/view/view.h"
#include <string>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr Uint32 kSdlInitFlags = SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;

void ShowStartupError(const char* text) {
    fprintf(stderr, "Error!\n%s\n", text);
}

}  // namespace

void PresentMenuFrame() { Present(); }

namespace {

// Before each race step: the events that have come in are handled first (hot
// keys, and the presses the step may take), then the key state they leave is
// copied. A key the step sees held thus always has its press recorded in the
// same step, never later, when it could end the next phase as well.
void RefreshRaceInput() {
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (!HandleEvent(event)) RequestQuit();
    CopyKeyState();
}

}  // namespace

bool PumpEvents(uint32_t maxEvents) {
    SDL_Event event;
    uint32_t handled = 0;
    while (SDL_PollEvent(&event)) {
        if (!HandleEvent(event)) return false;
        if (maxEvents != 0 && ++handled >= maxEvents) break;
    }
    if (inRace) {
        FrameTick(stepClock, iniSettings.alternativeSpeedSetting != 0);
    } else {
        PresentMenuFrame();
    }
    return !quitRequested;  // a quit may come from the events a race step handled
}

int InitGame() {
    EnterBaseDirectory();
    LoadLanguage(settings.language);  // a missing file leaves the English texts
    LoadIniSettings();
    // A stored size the display does not offer is replaced by 640 x 480
    // before any mode is set, so a damaged options file cannot ask for a
    // giant window; the stored setting itself is kept.
    if (!IsDisplayMode(screenWidth, screenHeight)) {
        if (backBuffer) ResetVideoMode(640, 480, settings.windowed != 0);
        else SetScreenSize(640, 480);
    }
    if (!backBuffer) SetVideoMode(settings.windowed != 0);
    // No sound device is not an error: the game then runs silent.
    if (!AudioIsOpen() && !OpenAudio()) {
        CloseAudio();
        ReleaseAllSounds();
    }
    if (AudioIsOpen()) LoadSoundSet(settings.soundSet);
    LoadPalette();
    if (LoadFont() < 0) return -1;    // also sets the UI scale
    LoadCarCatalogue();
    // The menus' car icons draw their wheels as discs before any race.
    BuildDiscTable();
    AllocKeyState();
    if (!keyState) return -1;
    beginSeasonEntry = BeginMenuSeason;
    reloadResources = ReloadResources;
    pumpEventsHook = PumpEvents;
    beginSavedSeasonEntry = BeginSavedSeason;
    BuildMenus();
    OpenMainScreen();
    return 1;
}

void ReleaseGame(bool partial) {
    SDL_ShowCursor(SDL_ENABLE);
    if (screenIsOpen) CloseScreen();
    menuInput = {};
    if (!partial) {
        FreeMenus();
        FreeDrivers();
    }
    FreeCarCatalogue();
    FreeFont();
    FreeVideoSurfaces();
    FreeKeyState();
    ReleaseAllSounds();
    if (!partial) {
        CloseAudio();
        ReleaseAllSounds();
    }
}

void ReloadResources() {
    SetScreenSize(int32_t(settings.screenWidthSetting), int32_t(settings.screenHeightSetting));
    ReleaseGame(true);
    // Without its font the game cannot go on.
    if (InitGame() < 0) RequestQuit();
}

bool ParseGameArguments(int argc, char** argv, RaceCommand& command, std::string& error) {
    command = RaceCommand{};
    auto number = [&](int& i, const char* option, int low, int high, int& out) {
        if (i + 1 >= argc) {
            error = std::string(option) + " needs a number";
            return false;
        }
        char* end = nullptr;
        long v = std::strtol(argv[++i], &end, 10);
        if (!end || *end || v < low || v > high) {
            error = std::string(option) + " wants a number from " + std::to_string(low) + " to " + std::to_string(high);
            return false;
        }
        out = static_cast<int>(v);
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--race") {
            if (i + 1 >= argc) {
                error = "--race needs a track file";
                return false;
            }
            command.active = true;
            command.trackPath = argv[++i];
        } else if (a == "--laps") {
            if (!number(i, "--laps", 1, 999, command.laps)) return false;
        } else if (a == "--cars") {
            if (!number(i, "--cars", 1, 6, command.cars)) return false;
        } else {
            error = "unknown argument " + a;
            return false;
        }
    }
    if (!command.active && (command.laps || command.cars != 6)) {
        error = "--laps and --cars need --race FILE.trk";
        return false;
    }
    return true;
}

bool CheckRaceTrack(const RaceCommand& command, std::string& error) {
    if (LoadTrackFile(command.trackPath, command.cars) != 0) {
        error = "cannot read the track file " + command.trackPath;
        return false;
    }
    FreeTrackMaps();
    return true;
}

int RunGame(const RaceCommand* command) {
    EnterBaseDirectory();
    srand(SDL_GetTicks());
    quitRequested = false;
    LoadOptions();
    // A machine without sound still plays, silently: retry without audio.
    if (SDL_Init(kSdlInitFlags) < 0 && SDL_Init(kSdlInitFlags & ~SDL_INIT_AUDIO) < 0) return -1;
    ListDisplayModes();
    SDL_WM_SetCaption("Dustwhirl", nullptr);
    if (InitGame() < 0) {
        ReleaseGame(false);
        ShowStartupError("Failed to initialize the game system.");
        SDL_Quit();
        return -1;
    }
    ListDisplayModes();
    if (displayModes.empty()) {
        ReleaseGame(false);
        ShowStartupError("No supported resolutions could be found.");
        SDL_Quit();
        return -1;
    }
    OpenJoysticks();
    if (!frameTickHooks.refreshInput) frameTickHooks.refreshInput = RefreshRaceInput;
    Settings before = settings;
    if (command && command->active && !BeginCommandRace(*command)) {
        ReleaseGame(false);
        SDL_Quit();
        std::fprintf(stderr, "Dustwhirl: cannot race %s\n", command->trackPath.c_str());
        return -1;
    }
    bool running = PumpEvents(0);
    while (running) {
        SDL_Delay(inRace ? 1 : 25);
        running = PumpEvents(0);
    }
    ReleaseGame(false);
    // The race length of --laps is for that race only.
    if (command && command->active) settings = before;
    SaveOptions();
    baseDirectory.clear();
    SDL_Quit();
    return 0;
}
