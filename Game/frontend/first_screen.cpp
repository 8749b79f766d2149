// The screen the game starts on until the main screen exists: a panel on the
// UI grid with the title and a line saying that D opens the Driver options
// page and Escape quits.
#include "Game/frontend/frontend.h"
#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"

namespace {

// Built-in palette entries.
constexpr uint8_t kBackground = 241;            // dark blue
constexpr uint8_t kPanel = 240;                 // teal
constexpr uint8_t kFrame = 242;                 // white
constexpr uint8_t kTitle = 245;                 // yellow
constexpr uint8_t kText = 242;                  // white
constexpr uint8_t kHint = 24;                   // light grey
constexpr uint8_t kShadow = 1;                  // near black

// Draws text with every glyph pixel enlarged to a factor x factor block,
// for the title; clipped to the locked surface.
void DrawLargeText(const char* text, int x, int y, int factor, uint8_t colour, uint8_t shadow) {
    int s = glyphScale, rowBytes = kFontCells * s;
    int w = lockedSurface->w, h = lockedSurface->h;
    auto plot = [&](int px, int py, uint8_t c) {
        for (int dy = 0; dy < factor; ++dy)
            for (int dx = 0; dx < factor; ++dx) {
                int xx = px + dx, yy = py + dy;
                if (xx >= 0 && yy >= 0 && xx < w && yy < h) lockedPixels[yy * lockedPitch + xx] = c;
            }
    };
    int offset = shadowOffset * factor;
    for (int pass = shadow ? 0 : 1; pass < 2; ++pass) {
        for (int i = 0; text[i]; ++i) {
            int cell = FontCell(uint8_t(text[i]));
            for (int r = 0; r < 2 * s; ++r)
                for (int j = 0; j < s; ++j) {
                    if (!glyphTable[size_t(r) * rowBytes + cell * s + j]) continue;
                    int px = x + (i * s + j) * factor, py = y + r * factor;
                    if (pass == 0) plot(px + offset, py + offset, shadow);
                    else plot(px, py, colour);
                }
        }
    }
}

// Draws a line centred on the grid's middle column, row given in grid units.
void CentredLine(const char* text, int row, uint8_t colour, uint8_t shadow) {
    int x = int(UiOriginX() + 0.5f) + (80 * uiScale - TextWidth(text)) / 2;
    int y = int(UiOriginY() + 0.5f) + row * uiScale;
    DrawText(text, x, y, colour, shadow);
}

void OnCancel(bool pressed) {
    if (pressed) RequestQuit();
}

void OnActivate(bool pressed) {
    if (!pressed && firstScreenStart) firstScreenStart();
}

void OnType(int ch) {
    if (ch == 'd' || ch == 'D') OpenDriverPage(ShowFirstScreen);
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
    if (glyphScale != uiScale || !LockSurface(kBackBuffer)) return;
    const char* title = "Dustwhirl";
    int titleX = ox + (80 * s - 3 * TextWidth(title)) / 2;
    DrawLargeText(title, titleX, oy + 22 * s, 3, kTitle, kShadow);
    CentredLine(firstScreenStart ? "Enter: quick race   D: drivers   Escape: quit" : "D: drivers     Escape: quit", 31,
                kText, kShadow);
    CentredLine("F12/F11 screenshot   Alt+Enter full screen", 35, kHint, 0);
    UnlockSurface();
}

bool (*firstScreenStart)() = nullptr;

void ShowFirstScreen() {
    menuInput = {};
    menuInput.cancel = OnCancel;
    menuInput.activate = OnActivate;
    menuInput.typeChar = OnType;
    DrawFirstScreen();
}

void HideFirstScreen() { menuInput = {}; }
