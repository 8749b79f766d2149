// Keyboard, mouse and wheel input of the current screen: focus movement,
// default and cancel buttons, text entry, pressing, dragging and list picks.
// Every entry point ends by repainting the widgets whose state changed.
// Callbacks may close the screen or run a modal box, so nothing touches the
// screen's widgets after a callback unless the same screen is still open.
#include "Game/frontend/frontend.h"

#include <algorithm>
#include <cmath>

#include "Game/shell/shell.h"
#include "Game/shell/video.h"

void (*rightClickHandler)(int x, int y) = nullptr;

namespace {

Widget* At(int i) {
    return screenIsOpen && i >= 0 && i < currentScreen.count ? &currentScreen.widgets[i] : nullptr;
}

Widget* Focused() { return At(currentScreen.focus); }

bool Navigable(const Widget& w) { return w.kind == kButton || w.kind == kTextField; }

// A hidden widget that holds the focus loses it, and the event is dropped.
bool DropForHiddenFocus() {
    Widget* f = Focused();
    if (f && (f->flags & kWidgetHidden)) {
        f->state &= ~(kStateFocused | kStatePressed);
        currentScreen.focus = -1;
        currentScreen.mouseHeld = 0;
        currentScreen.listDrag = 0;
        return true;
    }
    return false;
}

void SetFocus(int index) {
    if (index == currentScreen.focus) return;
    if (Widget* old = Focused()) {
        old->state &= ~(kStateFocused | kStatePressed);
        MarkRedraw(*old, kRedrawAll);
    }
    currentScreen.focus = index;
    if (Widget* w = Focused()) {
        w->state |= kStateFocused;
        MarkRedraw(*w, kRedrawAll);
    }
}

// Runs a widget's callback; true when the same screen is still open afterwards.
bool Activate(Widget& w) {
    Widget* widgets = currentScreen.widgets;
    uint32_t id = currentScreen.screenId;
    if (w.onActivate) w.onActivate(w);
    return screenIsOpen && currentScreen.widgets == widgets && currentScreen.screenId == id;
}

// The text field in edit mode leaves it (and its focus when focus moved on).
bool EndEditing() {
    Widget* w = At(currentScreen.editing);
    currentScreen.editing = -1;
    if (!w) return true;
    w->state &= ~(kStateEditing | kStatePressed);
    if (currentScreen.focus != int(w - currentScreen.widgets)) w->state &= ~kStateFocused;
    MarkRedraw(*w, kRedrawEdit);
    RepaintChanged();
    return Activate(*w);
}

int FindButton(uint32_t mask, uint32_t want) {
    for (int i = 0; i < currentScreen.count; ++i) {
        const Widget& w = currentScreen.widgets[i];
        if (w.kind == kButton && (w.flags & mask) == want) return i;
    }
    return -1;
}

struct CellPoint {
    float x, y;
};

CellPoint ToCells(int px, int py) {
    float s = currentScreen.pixelScale > 0 ? currentScreen.pixelScale : 1;
    return {(float(px) - UiOriginX()) / s, (float(py) - UiOriginY()) / s};
}

bool Contains(const Widget& w, CellPoint p) {
    return p.x >= w.x && p.x < w.x + w.width && p.y >= w.y && p.y < w.y + w.height;
}

int HitTest(CellPoint p) {
    for (int i = 0; i < currentScreen.count; ++i) {
        const Widget& w = currentScreen.widgets[i];
        if (!(w.flags & kWidgetHidden) && Contains(w, p)) return i;
    }
    return -1;
}

// A slider's track in cells along x.
void SliderTrack(const Widget& w, float& from, float& to) {
    float box = (w.flags & kSliderNoBoxes) ? w.height : 1.5f * w.height;
    from = w.x + box;
    to = w.x + w.width - box;
}

// A list's scroll-bar track in cells along y (arrow areas at both ends).
void ScrollTrack(const Widget& w, float& from, float& to) {
    float sbw = w.list ? w.list->scrollBarWidth : 0;
    from = w.y + sbw;
    to = w.y + w.height - sbw;
}

int ValueAt(const Widget& w, float pos, float from, float to) {
    float fraction = to > from ? (pos - from) / (to - from) : 0;
    fraction = std::clamp(fraction, 0.0f, 1.0f);
    return w.low + int(std::floor(float(w.high - w.low) * fraction));
}

bool OnScrollBar(const Widget& w, CellPoint p) {
    return w.list && w.list->scrollBarWidth > 0 && p.x >= w.x + w.width - w.list->scrollBarWidth;
}

void SetValue(Widget& w, int value) {
    value = std::clamp(value, w.low, w.high);
    if (value != w.value) {
        w.value = value;
        MarkRedraw(w, kRedrawValue);
    }
}

}  // namespace

void MenuMoveFocus(int delta) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    if (!(currentScreen.flags & kScreenArrowKeys)) return;
    if (currentScreen.flags & kScreenListKeys) {
        // A pick box: the keys choose the entry that OK (Enter) takes.
        for (int i = 0; i < currentScreen.count; ++i) {
            Widget& w = currentScreen.widgets[i];
            if (w.kind != kList || !w.list || (w.flags & kWidgetHidden) || w.list->entries.empty()) continue;
            int last = int(w.list->entries.size()) - 1;
            int from = w.list->selected;
            ListSelect(w, from < 0 ? 0 : std::clamp(from + (delta < 0 ? -1 : 1), 0, last));
            RepaintChanged();
            return;
        }
    }
    Widget* f = Focused();
    if (f && !Navigable(*f)) return;
    int n = currentScreen.count;
    if (n <= 0) return;
    int step = delta < 0 ? -1 : 1;
    int start = currentScreen.focus >= 0 ? currentScreen.focus : (step > 0 ? -1 : n);
    for (int i = 1; i <= n; ++i) {
        int index = ((start + step * i) % n + n) % n;
        const Widget& w = currentScreen.widgets[index];
        if ((w.flags & (kWidgetHidden | kWidgetNoArrows)) || !Navigable(w)) continue;
        SetFocus(index);
        break;
    }
    RepaintChanged();
}

void MenuActivate(bool pressed) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    if (pressed) {
        int def = FindButton(kWidgetHidden | kWidgetDefault, kWidgetDefault);
        Widget* f = Focused();
        bool keepFocus = (currentScreen.flags & kScreenArrowKeys) && f && f->kind == kButton;
        if (def >= 0 && !keepFocus) SetFocus(def);
        if (Widget* w = Focused()) {
            w->state |= kStateFocused | kStatePressed;
            MarkRedraw(*w, kRedrawPressed);
        }
        RepaintChanged();
        return;
    }
    if (currentScreen.editing >= 0) {
        if (!EndEditing()) return;
    } else if (Widget* f = Focused(); f && f->kind == kTextField) {
        f->state = (f->state & ~kStatePressed) | kStateEditing;
        currentScreen.editing = currentScreen.focus;
        MarkRedraw(*f, kRedrawEdit);
    }
    Widget* f = Focused();
    if (f && f->kind == kButton && (f->state & kStatePressed)) {
        f->state &= ~kStatePressed;
        MarkRedraw(*f, kRedrawPressed);
        RepaintChanged();
        if (!Activate(*f)) return;
    }
    RepaintChanged();
}

void MenuCancel(bool pressed) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    int cancel = FindButton(kWidgetHidden | kWidgetCancel, kWidgetCancel);
    if (cancel < 0) return;
    Widget& c = currentScreen.widgets[cancel];
    if (pressed) {
        SetFocus(cancel);
        c.state |= kStatePressed;
        MarkRedraw(c, kRedrawPressed);
    } else if (currentScreen.focus == cancel && (c.state & kStatePressed)) {
        c.state &= ~kStatePressed;
        MarkRedraw(c, kRedrawPressed);
        RepaintChanged();
        if (!Activate(c)) return;
    }
    RepaintChanged();
}

void MenuTypeChar(int ch) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    Widget* f = Focused();
    if (!f || f->kind != kTextField) return;
    if (ch == 8) {
        if (f->value >= 1 && !f->text.empty()) f->text.pop_back();
    } else if (ch >= 32 && ch <= 126) {
        if (f->value < f->high) f->text.push_back(char(ch));
    } else {
        return;
    }
    f->value = int(f->text.size());
    uint32_t redraw = kRedrawValue;
    if (!(f->state & kStateEditing)) {
        // A field that another one was editing hands the edit mode over.
        if (Widget* other = At(currentScreen.editing)) {
            other->state &= ~kStateEditing;
            MarkRedraw(*other, kRedrawEdit);
        }
        f->state |= kStateEditing;
        currentScreen.editing = currentScreen.focus;
        redraw |= kRedrawEdit;
    }
    MarkRedraw(*f, redraw);
    RepaintChanged();
}

void MenuHelp() {
    static bool showing = false;
    if (showing || !screenIsOpen || DropForHiddenFocus()) return;
    showing = true;
    ShowAboutBox();
    showing = false;
}

void MenuPointerPressed(int px, int py) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    CellPoint p = ToCells(px, py);
    int hit = HitTest(p);
    if (hit >= 0) SetFocus(hit);
    if (currentScreen.editing >= 0 && currentScreen.editing != hit) {
        if (!EndEditing()) return;
    }
    Widget* w = At(hit);
    if (!w) {
        RepaintChanged();
        return;
    }
    currentScreen.mouseHeld = 1;
    currentScreen.listDrag = 0;
    switch (w->kind) {
    case kButton:
        w->state |= kStatePressed;
        MarkRedraw(*w, kRedrawPressed);
        break;
    case kTextField:
        w->state |= kStateEditing;
        currentScreen.editing = hit;
        MarkRedraw(*w, kRedrawEdit);
        break;
    case kSlider: {
        float from, to;
        SliderTrack(*w, from, to);
        bool boxes = !(w->flags & kSliderNoBoxes);
        w->state |= kStatePressed;
        if (boxes && p.x < w->x + w->height) {
            SetValue(*w, w->value - 1);
        } else if (boxes && p.x >= w->x + w->width - w->height) {
            SetValue(*w, w->value + 1);
        } else {
            currentScreen.listDrag = 1;
            SetValue(*w, ValueAt(*w, p.x, from, to));
        }
        break;
    }
    case kList: {
        w->state |= kStatePressed;
        if (OnScrollBar(*w, p)) {
            float from, to;
            ScrollTrack(*w, from, to);
            if (p.y < from) {
                SetValue(*w, w->value - 1);
            } else if (p.y >= to) {
                SetValue(*w, w->value + 1);
            } else {
                currentScreen.listDrag = 1;
                SetValue(*w, ValueAt(*w, p.y, from, to));
            }
        }
        break;
    }
    default: break;
    }
    RepaintChanged();
}

void MenuPointerMoved(int px, int py, bool leftHeld) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    Widget* w = Focused();
    if (!leftHeld || !currentScreen.mouseHeld || !w) return;
    CellPoint p = ToCells(px, py);
    if (w->kind == kButton) {
        bool inside = Contains(*w, p);
        if (inside != ((w->state & kStatePressed) != 0)) {
            w->state ^= kStatePressed;
            MarkRedraw(*w, kRedrawPressed);
        }
    } else if (currentScreen.listDrag && w->kind == kSlider) {
        float from, to;
        SliderTrack(*w, from, to);
        SetValue(*w, ValueAt(*w, p.x, from, to));
    } else if (currentScreen.listDrag && w->kind == kList) {
        float from, to;
        ScrollTrack(*w, from, to);
        SetValue(*w, ValueAt(*w, p.y, from, to));
    }
    RepaintChanged();
}

void MenuPointerReleased(int px, int py) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    bool held = currentScreen.mouseHeld != 0;
    bool dragged = currentScreen.listDrag != 0;
    currentScreen.mouseHeld = 0;
    currentScreen.listDrag = 0;
    Widget* w = Focused();
    if (!held || !w) return;
    bool wasPressed = (w->state & kStatePressed) != 0;
    if (w->kind != kButton) w->state &= ~kStatePressed;
    CellPoint p = ToCells(px, py);
    switch (w->kind) {
    case kButton:
        if (!wasPressed) break;
        w->state &= ~kStatePressed;
        MarkRedraw(*w, kRedrawPressed);
        RepaintChanged();
        if (!Activate(*w)) return;
        break;
    case kSlider:
        MarkRedraw(*w, kRedrawValue);
        RepaintChanged();
        if (!Activate(*w)) return;
        break;
    case kList: {
        if (dragged || !w->list || !Contains(*w, p) || OnScrollBar(*w, p)) break;
        ListModel& m = *w->list;
        int row = int(std::floor((p.y - w->y) / m.rowHeight));
        int column = int(std::floor((p.x - w->x) / m.columnWidth));
        if (row >= m.visibleRows || column >= m.columns) break;
        int index = (row + w->value) * m.columns + column;
        if (index < 0 || index >= int(m.entries.size())) break;
        m.selected = index;
        MarkRedraw(*w, kRedrawValue);
        RepaintChanged();
        if (!Activate(*w)) return;
        break;
    }
    default: break;
    }
    RepaintChanged();
}

void MenuRightReleased(int px, int py) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    if (rightClickHandler) rightClickHandler(px, py);
    RepaintChanged();
}

void MenuWheel(int delta) {
    if (!screenIsOpen || DropForHiddenFocus()) return;
    int acc = currentScreen.wheel + delta;
    int steps = acc / 120;
    currentScreen.wheel = int16_t(acc - steps * 120);
    Widget* w = Focused();
    if (!w || steps == 0 || (w->kind != kSlider && w->kind != kList)) return;
    int before = w->value;
    SetValue(*w, w->value - steps);
    if (w->value != before && w->kind == kSlider) {
        RepaintChanged();
        if (!Activate(*w)) return;
    }
    RepaintChanged();
}

void InstallMenuInput() {
    menuInput = {};
    menuInput.cancel = MenuCancel;
    menuInput.activate = MenuActivate;
    menuInput.moveSelection = MenuMoveFocus;
    menuInput.typeChar = MenuTypeChar;
    menuInput.showHelp = MenuHelp;
    menuInput.pointerMoved = MenuPointerMoved;
    menuInput.pointerPressed = MenuPointerPressed;
    menuInput.pointerReleased = MenuPointerReleased;
    menuInput.rightReleased = MenuRightReleased;
    menuInput.wheel = MenuWheel;
}
