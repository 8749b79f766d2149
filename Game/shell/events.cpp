// Event handling of the shell: the global hot keys (screenshots, Alt+F4,
// Alt+Enter), then menu input through the menu hooks or, during a race, key
// presses recorded as edges for the race to take.
#include "Game/shell/shell.h"
#include "Game/shell/input.h"
#include "Game/shell/settings.h"
#include "Game/shell/video.h"

bool altEnterConsumed = false;
bool quitRequested = false;
MenuInputHooks menuInput = {};

namespace {

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

// Presses recorded for the race since it last took them (saturating counts).
uint8_t keyPresses[kKeyStateSize] = {};

void RecordKeyPress(int key) {
    if (key >= 0 && key < kKeyStateSize && keyPresses[key] < 255) ++keyPresses[key];
}

}  // namespace

bool TakeKeyPress(int key) {
    if (key < 0 || key >= kKeyStateSize || keyPresses[key] == 0) return false;
    --keyPresses[key];
    return true;
}

void ClearKeyPresses() {
    for (uint8_t& count : keyPresses) count = 0;
}

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
    bool hotKey = false;
    switch (event.type) {
    case SDL_QUIT: return false;
    case SDL_KEYDOWN: {
        SDLKey sym = event.key.keysym.sym;
        hotKey = true;
        if (sym == SDLK_F12) {
            TakeScreenshot(0, 0);
        } else if (sym == SDLK_F11) {
            TakeScreenshot(iniSettings.screenshotWidth, iniSettings.screenshotHeight);
        } else if (sym == SDLK_F4 && AltHeld(event.key.keysym)) {
            return false;
        } else if (IsEnterKey(sym) && AltHeld(event.key.keysym)) {
            if (!ToggleFullScreen()) return false;
        } else {
            hotKey = false;
        }
        break;
    }
    default: break;
    }
    if (!inRace) {
        RouteToMenus(event);
    } else if (event.type == SDL_KEYDOWN && !hotKey) {
        RecordKeyPress(event.key.keysym.sym);
    }
    return !quitRequested;
}
