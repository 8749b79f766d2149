// The modal "Select control for" prompt: drawn straight onto the screen, it
// polls the keyboard and the joysticks every 10 ms until a key is released
// or a joystick input is moved far enough, outside the menu system.
#include "Game/frontend/frontend.h"

#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"

#include <cmath>

namespace {

constexpr int kPromptBorderColour = 240;
constexpr int kPromptFillColour = 100;
constexpr int kPromptTitleColour = 240;
constexpr int kPromptNameColour = 90;

void DrawPrompt(const char* controlName)
{
    SDL_Surface* screen = GetSurface(kScreenSurface);
    if (!screen) return;
    const int s = uiScale;
    const int ox = static_cast<int>(UiOriginX() + 0.5f), oy = static_cast<int>(UiOriginY() + 0.5f);
    const int x1 = ox + 20 * s, y1 = oy + 20 * s, x2 = ox + 60 * s, y2 = oy + 40 * s;
    const int inset = s / 4;
    SDL_Rect outer = {static_cast<Sint16>(x1), static_cast<Sint16>(y1), static_cast<Uint16>(x2 - x1),
                      static_cast<Uint16>(y2 - y1)};
    SDL_Rect inner = {static_cast<Sint16>(x1 + inset), static_cast<Sint16>(y1 + inset),
                      static_cast<Uint16>(x2 - x1 - 2 * inset), static_cast<Uint16>(y2 - y1 - 2 * inset)};
    SDL_FillRect(screen, &outer, kPromptBorderColour);
    SDL_FillRect(screen, &inner, kPromptFillColour);
    if (LockSurface(kScreenSurface)) {
        // Two lines, 5 units apart, the pair centred vertically in the box.
        const int top = y1 + (y2 - y1 - 7 * s) / 2;
        DrawTextInRect(texts[kTextSelectControl], TextRect{x1, top, x2 - 1, top + 2 * s - 1}, kPromptTitleColour,
                       kTextCentreX);
        DrawTextInRect(controlName ? controlName : "", TextRect{x1, top + 5 * s, x2 - 1, top + 7 * s - 1},
                       kPromptNameColour, kTextCentreX);
        UnlockSurface();
    }
    SDL_Flip(screen);
}

// The first joystick input moved past capture strength, written into binding.
bool FindJoystickInput(JoyBinding* binding)
{
    for (size_t j = 0; j < joysticks.size(); ++j) {
        const JoystickInfo& info = joysticks[j];
        int index = static_cast<int>(j);
        for (int a = 0; a < info.axes; ++a) {
            int v = inputSource.axis(index, a);
            if (v < -kCaptureAxisThreshold || v > kCaptureAxisThreshold) {
                *binding = JoyBinding{index, a, 0, kJoyAxis, static_cast<uint8_t>(v < 0)};
                return true;
            }
        }
        for (int b = 0; b < info.buttons; ++b) {
            if (inputSource.button(index, b)) {
                *binding = JoyBinding{index, b, 0, kJoyButton, 0};
                return true;
            }
        }
        for (int h = 0; h < info.hats; ++h) {
            int position = inputSource.hat(index, h);
            if (position != SDL_HAT_CENTERED) {
                *binding = JoyBinding{index, h, static_cast<uint8_t>(position), kJoyHat, 0};
                return true;
            }
        }
    }
    return false;
}

}  // namespace

int CaptureBinding(const char* controlName, JoyBinding* binding)
{
    AllocKeyState();
    if (!keyState) return -1;
    DrawPrompt(controlName);
    for (;;) {
        RefreshKeyState();
        for (int code = 0; code < kKeyStateSize; ++code) {
            if (!(keyState[code] & 1)) continue;
            // Bind on release, and swallow the press so it does not reach the menus.
            while (keyState[code] & 1) {
                inputSource.wait(10);
                RefreshKeyState();
            }
            SDL_Event event;
            while (SDL_PollEvent(&event)) {
            }
            return code == 0 || code == SDLK_RETURN || code == SDLK_ESCAPE ? -1 : code;
        }
        JoyBinding found;
        if (binding && FindJoystickInput(&found)) {
            *binding = found;
            return -2;
        }
        inputSource.wait(10);
    }
}
