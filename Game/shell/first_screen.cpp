// The screen the game starts on until the menus exist: a panel on the UI
// grid with the title and a line saying that Escape quits.
#include "Game/shell/first_screen.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"

namespace {

// Built-in palette entries.
constexpr uint8_t kBackground = 241;            // dark blue
constexpr uint8_t kPanel = 240;                 // teal
constexpr uint8_t kFrame = 242;                 // white

void OnCancel(bool pressed) {
    if (pressed) RequestQuit();
}

}  // namespace

void DrawFirstScreen() {
    if (!backBuffer) return;
    int s = uiScale;
    int ox = int(UiOriginX() + 0.5f), oy = int(UiOriginY() + 0.5f);
    FillRect(kBackground, nullptr);
    FillRect(kFrame, ox + 14 * s, oy + 20 * s, ox + 66 * s, oy + 40 * s);
    int inset = lineWidth > 0 ? lineWidth : 1;
    FillRect(kPanel, ox + 14 * s + inset, oy + 20 * s + inset, ox + 66 * s - inset, oy + 40 * s - inset);
}

void ShowFirstScreen() {
    menuInput = {};
    menuInput.cancel = OnCancel;
    DrawFirstScreen();
}

void HideFirstScreen() { menuInput = {}; }
