// Start-up, the main loop and shutdown: RunGame brings up SDL and the
// resources (InitGame), polls events and runs frames until a quit, then
// releases everything and saves the player's options.
#include "Game/race/cars.h"
#include "Game/shell/shell.h"
#include "Game/shell/audio.h"
#include "Game/shell/input.h"
#include "Game/shell/first_screen.h"
#include "Game/shell/font.h"
#include "Game/shell/settings.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include <cstdio>
#include <cstdlib>

namespace {

constexpr Uint32 kSdlInitFlags = SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;

void ShowStartupError(const char* text) {
    fprintf(stderr, "Error!\n%s\n", text);
}

// Alt as it was when the key was pressed: the key-state array already
// reflects every event SDL has queued, so a quick Alt+F4 may show Alt up.
bool AltHeld(const SDL_keysym& keysym) {
    if (keysym.mod & KMOD_ALT) return true;
    const Uint8* keys = SDL_GetKeyState(nullptr);
    return keys && (keys[SDLK_LALT] || keys[SDLK_RALT]);
}

bool IsEnterKey(SDLKey sym) { return sym == SDLK_RETURN || sym == SDLK_KP_ENTER; }

// Alt+Enter: window <-> full screen at the same size. A failed switch falls
// back to the old flags; only when that fails too does the game end.
bool ToggleFullScreen() {
    SDL_Surface* screen = SDL_GetVideoSurface();
    if (!screen) return true;
    Uint32 flags = screen->flags;
    if (!SDL_SetVideoMode(screenWidth, screenHeight, 8, flags ^ SDL_FULLSCREEN) &&
        !SDL_SetVideoMode(screenWidth, screenHeight, 8, flags)) {
        return false;
    }
    settings.windowed = settings.windowed ? 0 : 1;
    LoadPalette();
    altEnterConsumed = true;
    return true;
}

void RouteKeyDown(const SDL_keysym& keysym) {
    if (keysym.sym == SDLK_ESCAPE) {
        if (menuInput.cancel) menuInput.cancel(true);
    } else if (IsEnterKey(keysym.sym)) {
        if (!altEnterConsumed && menuInput.activate) menuInput.activate(true);
    } else if (keysym.sym == SDLK_UP || keysym.sym == SDLK_RIGHT) {
        if (menuInput.moveSelection) menuInput.moveSelection(-1);
    } else if (keysym.sym == SDLK_DOWN || keysym.sym == SDLK_LEFT) {
        if (menuInput.moveSelection) menuInput.moveSelection(1);
    } else {
        int ch = KeyToChar(keysym);
        if (ch && menuInput.typeChar) menuInput.typeChar(ch);
    }
}

void RouteKeyUp(const SDL_keysym& keysym) {
    if (keysym.sym == SDLK_ESCAPE) {
        if (menuInput.cancel) menuInput.cancel(false);
    } else if (IsEnterKey(keysym.sym)) {
        if (menuInput.activate) menuInput.activate(false);
    } else if (keysym.sym == SDLK_F1) {
        if (menuInput.showHelp) menuInput.showHelp();
    }
}

void RouteToMenus(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN: RouteKeyDown(e.key.keysym); break;
    case SDL_KEYUP: RouteKeyUp(e.key.keysym); break;
    case SDL_MOUSEMOTION:
        if (menuInput.pointerMoved) menuInput.pointerMoved(e.motion.x, e.motion.y, (e.motion.state & 1) != 0);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && menuInput.pointerPressed) {
            menuInput.pointerPressed(e.button.x, e.button.y);
        } else if (e.button.button == SDL_BUTTON_WHEELUP && menuInput.wheel) {
            menuInput.wheel(120);
        } else if (e.button.button == SDL_BUTTON_WHEELDOWN && menuInput.wheel) {
            menuInput.wheel(-120);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT && menuInput.pointerReleased) {
            menuInput.pointerReleased(e.button.x, e.button.y);
        } else if (e.button.button == SDL_BUTTON_RIGHT && menuInput.rightReleased) {
            menuInput.rightReleased(e.button.x, e.button.y);
        }
        break;
    default: break;
    }
}

}  // namespace

void RequestQuit() { quitRequested = true; }

int KeyToChar(const SDL_keysym& keysym) {
    int sym = keysym.sym;
    if (sym == SDLK_BACKSPACE) {
        if (menuInput.typeChar) menuInput.typeChar(8);
        return 0;
    }
    if (sym >= SDLK_KP0 && sym <= SDLK_KP9) return '0' + (sym - SDLK_KP0);
    switch (sym) {
    case SDLK_KP_PERIOD: return '.';
    case SDLK_KP_DIVIDE: return '/';
    case SDLK_KP_MULTIPLY: return '*';
    case SDLK_KP_MINUS: return '-';
    case SDLK_KP_PLUS: return '+';
    case SDLK_KP_ENTER: return SDLK_KP_ENTER;
    default: break;
    }
    if (sym < 32 || sym > 126) return 0;
    if (keysym.mod & (KMOD_LSHIFT | KMOD_RSHIFT | KMOD_CAPS)) {
        if (sym >= 'a' && sym <= 'z') return sym - 'a' + 'A';
        // United States layout.
        static const char plain[] = "',-./0123456789;=[]`";
        static const char shifted[] = "\"<_>?)!@#$%^&*(:+{}~";
        for (int i = 0; plain[i]; ++i) {
            if (plain[i] == sym) return shifted[i];
        }
    }
    return sym;
}

bool HandleEvent(const SDL_Event& event) {
    altEnterConsumed = false;
    switch (event.type) {
    case SDL_QUIT: return false;
    case SDL_KEYDOWN: {
        SDLKey sym = event.key.keysym.sym;
        if (sym == SDLK_F12) {
            TakeScreenshot(0, 0);
        } else if (sym == SDLK_F11) {
            TakeScreenshot(iniSettings.screenshotWidth, iniSettings.screenshotHeight);
        } else if (sym == SDLK_F4 && AltHeld(event.key.keysym)) {
            return false;
        } else if (IsEnterKey(sym) && AltHeld(event.key.keysym)) {
            if (!ToggleFullScreen()) return false;
        }
        break;
    }
    default: break;
    }
    if (!inRace) RouteToMenus(event);
    return !quitRequested;
}

void PresentMenuFrame() { Present(); }

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
    return true;
}

int InitGame() {
    EnterBaseDirectory();
    LoadLanguage(settings.language);  // a missing file leaves the English texts
    LoadIniSettings();
    // A stored size the display does not offer is replaced by 640 x 480
    // before any mode is set, so a damaged options file cannot ask for a
    // giant window; the stored setting itself is kept.
    if (!IsDisplayMode(screenWidth, screenHeight)) {
        screenWidth = 640;
        screenHeight = 480;
        if (backBuffer) ResetVideoMode(640, 480, settings.windowed != 0);
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
    AllocKeyState();
    if (!keyState) return -1;
    ShowFirstScreen();
    return 1;
}

void ReleaseGame(bool partial) {
    SDL_ShowCursor(SDL_ENABLE);
    if (!partial) HideFirstScreen();
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

int RunGame() {
    EnterBaseDirectory();
    srand(SDL_GetTicks());
    quitRequested = false;
    LoadOptions();
    // A machine without sound still plays, silently: retry without audio.
    if (SDL_Init(kSdlInitFlags) < 0 && SDL_Init(kSdlInitFlags & ~SDL_INIT_AUDIO) < 0) return -1;
    displayModes = EnumerateDisplayModes();
    SDL_WM_SetCaption("Dustwhirl", nullptr);
    if (InitGame() < 0) {
        ReleaseGame(false);
        ShowStartupError("Failed to initialize the game system.");
        SDL_Quit();
        return -1;
    }
    displayModes = EnumerateDisplayModes();
    if (displayModes.empty()) {
        ReleaseGame(false);
        ShowStartupError("No supported resolutions could be found.");
        SDL_Quit();
        return -1;
    }
    OpenJoysticks();
    if (!frameTickHooks.refreshInput) frameTickHooks.refreshInput = RefreshKeyState;
    bool running = PumpEvents(0);
    while (running) {
        SDL_Delay(inRace ? 1 : 25);
        running = PumpEvents(0);
    }
    ReleaseGame(false);
    SaveOptions();
    baseDirectory.clear();
    SDL_Quit();
    return 0;
}
