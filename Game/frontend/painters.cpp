// The painters shared by every screen. Each repaints its widget's whole
// rectangle in the back buffer, so a repaint never leaves traces of the
// previous state. Colours are palette entries of the menu ramp (90-104),
// the HUD colours (240-255) and the red ramp (115-119).
#include "Game/frontend/frontend.h"

#include <algorithm>
#include <cstdio>

#include "Game/shell/font.h"
#include "Game/shell/video.h"

void (*slotButtonLook)(Widget& w, int slot, bool car) = nullptr;

namespace {

constexpr uint8_t kButtonFill = 100;
constexpr uint8_t kButtonPressedFill = 95;
constexpr uint8_t kButtonFocusFill = 97;
constexpr uint8_t kButtonFocusCaption = 115;
constexpr uint8_t kCaption = 241;
constexpr uint8_t kFrame = 240;
constexpr uint8_t kFieldFill = 104;
constexpr uint8_t kFieldEditFill = 102;
constexpr uint8_t kTrackFill = 93;
constexpr uint8_t kTrackBar = 240;
constexpr uint8_t kSelectedFill = 240;
constexpr uint8_t kSelectedText = 242;
constexpr uint8_t kScrollTrough = 94;
constexpr uint8_t kHumanName = 240;
constexpr uint8_t kComputerName = 90;

struct PixelRect {
    int x1, y1, x2, y2;                         // x1 <= x < x2
};

PixelRect Rect(float x, float y, float w, float h) {
    return {CellToPixelX(x), CellToPixelY(y), CellToPixelX(x + w), CellToPixelY(y + h)};
}

void Fill(uint8_t c, const PixelRect& r) { FillRect(c, r.x1, r.y1, r.x2, r.y2); }

// A frame of the UI line width inside r.
void Frame(uint8_t c, const PixelRect& r) {
    int t = std::max(1, lineWidth / 2);
    FillRect(c, r.x1, r.y1, r.x2, r.y1 + t);
    FillRect(c, r.x1, r.y2 - t, r.x2, r.y2);
    FillRect(c, r.x1, r.y1, r.x1 + t, r.y2);
    FillRect(c, r.x2 - t, r.y1, r.x2, r.y2);
}

bool CanWrite() { return glyphScale == uiScale && glyphScale > 0 && LockSurface(kBackBuffer); }

// Text centred in r (flags of DrawTextInRect), clipped to it.
void Write(std::string_view text, const PixelRect& r, uint8_t colour, int flags) {
    if (r.x2 <= r.x1 || r.y2 <= r.y1) return;
    DrawTextInRect(text, TextRect{r.x1, r.y1, r.x2 - 1, r.y2 - 1}, colour, flags);
}

}  // namespace

void PaintButton(Widget& w) {
    if (!backBuffer) return;
    PixelRect r = Rect(w.x, w.y, w.width, w.height);
    bool pressed = w.state & kStatePressed;
    bool showsFocus = w.style == kStyleShowsFocus && (w.state & kStateFocused);
    uint8_t fill = pressed ? kButtonPressedFill : showsFocus ? kButtonFocusFill : kButtonFill;
    uint8_t caption = showsFocus ? kButtonFocusCaption : kCaption;
    // A thin margin keeps buttons that touch apart; it stays the backdrop's.
    int margin = std::max(1, uiScale / 8);
    r = PixelRect{r.x1 + margin, r.y1 + margin, r.x2 - margin, r.y2 - margin};
    Fill(fill, r);
    if (w.tag == 5 || w.tag == 6 || showsFocus) Frame(kFrame, r);
    if (w.tag >= 20 && w.tag <= 25) {
        if (slotButtonLook) slotButtonLook(w, int(w.tag - 20), true);
        return;
    }
    std::string text = w.text;
    if (w.tag >= 10 && w.tag <= 15) {
        const PlayerSlot& slot = playerSlots[w.tag - 10];
        text = slot.used ? slot.name : "";
        caption = slot.used && IsComputerDriver(slot.record) ? kComputerName : kHumanName;
    }
    if (!CanWrite()) return;
    Write(text, r, caption, kTextCentreX | kTextCentreY);
    UnlockSurface();
}

void PaintTextField(Widget& w) {
    if (!backBuffer) return;
    PixelRect r = Rect(w.x, w.y, w.width, w.height);
    bool editing = w.state & kStateEditing;
    Fill(editing ? kFieldEditFill : kFieldFill, r);
    Frame((w.state & kStateFocused) ? kButtonFocusCaption : kFrame, r);
    if (!CanWrite()) return;
    // The end of a long text stays visible; a caret follows it while editing.
    int room = std::max(1, (r.x2 - r.x1) / std::max(1, uiScale) - 2);
    std::string shown = w.text;
    if (editing) shown += '_';
    if (int(shown.size()) > room) shown = shown.substr(shown.size() - size_t(room));
    PixelRect inner{r.x1 + uiScale, r.y1, r.x2 - uiScale / 2, r.y2};
    Write(shown, inner, kCaption, kTextCentreY);
    UnlockSurface();
}

void PaintSlider(Widget& w) {
    if (!backBuffer) return;
    PixelRect r = Rect(w.x, w.y, w.width, w.height);
    bool boxes = !(w.flags & kSliderNoBoxes);
    float box = boxes ? 1.5f * w.height : w.height;
    Fill(kTrackFill, r);
    PixelRect track = Rect(w.x + box, w.y, w.width - 2 * box, w.height);
    int span = w.high - w.low;
    int filled = span > 0 ? int((long long)(track.x2 - track.x1) * (w.value - w.low) / span) : 0;
    Fill(kButtonFill, track);
    Fill(kTrackBar, PixelRect{track.x1, track.y1 + (track.y2 - track.y1) * 3 / 4, track.x1 + filled, track.y2});
    PixelRect left = Rect(w.x, w.y, w.height, w.height), right = Rect(w.x + w.width - w.height, w.y, w.height, w.height);
    if (boxes) {
        Fill(kButtonFill, left);
        Fill(kButtonFill, right);
        Frame(kFrame, left);
        Frame(kFrame, right);
    }
    if (!CanWrite()) return;
    if (boxes) {
        Write("<", left, kCaption, kTextCentreX | kTextCentreY);
        Write(">", right, kCaption, kTextCentreX | kTextCentreY);
    }
    std::string label = std::to_string(w.value);
    std::string unit = UnitForm(w.text, w.value);
    if (!unit.empty()) label += " " + unit;
    Write(label, track, kCaption, kTextCentreX | kTextCentreY);
    UnlockSurface();
}

void PaintList(Widget& w) {
    if (!backBuffer || !w.list) return;
    const ListModel& m = *w.list;
    PixelRect r = Rect(w.x, w.y, w.width, w.height);
    Fill(kFieldFill, r);
    float inner = w.width - m.scrollBarWidth;
    // Selected and marked entries first, then all texts in one lock.
    int first = w.value * m.columns;
    int shown = m.visibleRows * m.columns;
    for (int k = 0; k < shown; ++k) {
        int index = first + k;
        if (index >= int(m.entries.size())) break;
        bool selected = index == m.selected, marked = m.entries[size_t(index)].mark != 0;
        if (!selected && !marked) continue;
        PixelRect cell = Rect(w.x + float(k % m.columns) * m.columnWidth, w.y + float(k / m.columns) * m.rowHeight,
                              m.columnWidth, m.rowHeight);
        Fill(selected ? kSelectedFill : kTrackFill, cell);
    }
    if (m.scrollBarWidth > 0) {
        float sbw = m.scrollBarWidth, x = w.x + inner;
        Fill(kScrollTrough, Rect(x, w.y, sbw, w.height));
        Fill(kButtonFill, Rect(x, w.y, sbw, sbw));
        Fill(kButtonFill, Rect(x, w.y + w.height - sbw, sbw, sbw));
        float track = w.height - 2 * sbw;
        int rows = (int(m.entries.size()) + m.columns - 1) / m.columns;
        float share = rows > 0 ? std::min(1.0f, float(m.visibleRows) / float(rows)) : 1.0f;
        float thumb = std::min(track, std::max(sbw, track * share));
        float pos = w.high > w.low ? float(w.value - w.low) / float(w.high - w.low) : 0;
        Fill(kTrackBar, Rect(x, w.y + sbw + (track - thumb) * pos, sbw, thumb));
    }
    Frame(kFrame, r);
    if (!CanWrite()) return;
    for (int k = 0; k < shown; ++k) {
        int index = first + k;
        if (index >= int(m.entries.size())) break;
        PixelRect cell = Rect(w.x + float(k % m.columns) * m.columnWidth + 0.5f,
                              w.y + float(k / m.columns) * m.rowHeight, m.columnWidth - 0.5f, m.rowHeight);
        Write(m.entries[size_t(index)].text, cell, index == m.selected ? kSelectedText : kCaption, kTextCentreY);
    }
    if (m.scrollBarWidth > 0) {
        float sbw = m.scrollBarWidth, x = w.x + inner;
        Write("^", Rect(x, w.y, sbw, sbw), kCaption, kTextCentreX | kTextCentreY);
        Write("v", Rect(x, w.y + w.height - sbw, sbw, sbw), kCaption, kTextCentreX | kTextCentreY);
    }
    UnlockSurface();
}
