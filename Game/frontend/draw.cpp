// Backgrounds of the menu screens: the page with its title, the framed
// panels of the boxes, and the captions written beside widgets.
#include "Game/frontend/frontend_internal.h"

#include <algorithm>

#include "Game/shell/font.h"
#include "Game/shell/video.h"

namespace {

bool CanWrite() { return glyphScale == uiScale && glyphScale > 0 && LockSurface(kBackBuffer); }

}  // namespace

void DrawPage(const std::string& title) {
    if (!backBuffer) return;
    FillRect(kPanelTitle, nullptr);
    FillRect(kPageFill, CellToPixelX(0), CellToPixelY(0), CellToPixelX(80), CellToPixelY(60));
    FillRect(kPanelFrame, CellToPixelX(0), CellToPixelY(0), CellToPixelX(80), CellToPixelY(4.5f));
    if (!CanWrite()) return;
    int x1 = CellToPixelX(0), x2 = CellToPixelX(80), y1 = CellToPixelY(1.25f);
    DrawTextInRect(title, TextRect{x1, y1, x2 - 1, y1 + 2 * uiScale - 1}, 242, kTextCentreX);
    UnlockSurface();
}

void DrawPanel(float x, float y, float width, float height) {
    if (!backBuffer) return;
    int x1 = CellToPixelX(x), y1 = CellToPixelY(y), x2 = CellToPixelX(x + width), y2 = CellToPixelY(y + height);
    int t = std::max(1, lineWidth);
    FillRect(kPanelFrame, x1, y1, x2, y2);
    FillRect(kPanelFill, x1 + t, y1 + t, x2 - t, y2 - t);
}

void DrawCaption(const std::string& text, float x, float y, float width, uint8_t colour, bool centred) {
    if (!backBuffer || !CanWrite()) return;
    int x1 = CellToPixelX(x), x2 = CellToPixelX(x + width), y1 = CellToPixelY(y);
    DrawTextInRect(text, TextRect{x1, y1, x2 - 1, y1 + 2 * uiScale - 1}, colour, centred ? kTextCentreX : 0);
    UnlockSurface();
}

void DrawCaptionRight(const std::string& text, float x, float y, uint8_t colour) {
    float width = float(text.size());
    DrawCaption(text, x - width, y, width, colour, false);
}
