// The retained widget system: builders that fill widget records, opening,
// closing, suspending and resuming the current screen, and repainting only
// the widgets whose redraw mask is set.
#include "Game/frontend/frontend.h"

#include <algorithm>
#include <cmath>

#include "Game/shell/video.h"

CurrentScreen currentScreen;
bool screenIsOpen = false;

namespace {

WidgetPainter PainterFor(const Widget& w) {
    switch (w.kind) {
    case kButton: return currentScreen.paintButton;
    case kTextField: return currentScreen.paintTextField;
    case kSlider: return currentScreen.paintSlider;
    case kList: return currentScreen.paintList;
    default: return nullptr;
    }
}

void Paint(Widget& w) {
    if (!(w.flags & kWidgetHidden) && w.redraw) {
        if (WidgetPainter p = PainterFor(w)) p(w);
    }
    w.redraw = 0;
}

// Rows and columns that fit, and the scroll range that follows from the entries.
void UpdateListGeometry(Widget& w) {
    ListModel& m = *w.list;
    float inner = std::max(0.0f, w.width - m.scrollBarWidth);
    m.columnWidth = std::clamp(m.columnWidth, 0.001f, std::max(0.001f, inner));
    m.rowHeight = std::clamp(m.rowHeight, 0.001f, std::max(0.001f, w.height));
    m.visibleRows = std::max(1, int(w.height / m.rowHeight));
    m.columns = std::max(1, int(inner / m.columnWidth));
    int rows = (int(m.entries.size()) + m.columns - 1) / m.columns;
    w.low = 0;
    w.high = std::max(0, rows - m.visibleRows);
    w.value = std::clamp(w.value, w.low, w.high);
}

}  // namespace

int CellToPixelX(float x) { return int(std::floor(UiOriginX() + x * uiScale + 0.5f)); }
int CellToPixelY(float y) { return int(std::floor(UiOriginY() + y * uiScale + 0.5f)); }

void MarkRedraw(Widget& w, uint32_t what) { w.redraw |= what; }

int OpenScreen(uint32_t screenId, Widget* widgets, int count, WidgetPainter textFieldPainter,
               WidgetPainter sliderPainter, WidgetPainter listPainter, uint32_t flags, float pixelScale,
               void (*backdrop)()) {
    if (screenIsOpen) return -1;
    currentScreen = CurrentScreen{};
    currentScreen.screenId = screenId;
    currentScreen.paintButton = PaintButton;
    currentScreen.paintTextField = textFieldPainter;
    currentScreen.paintSlider = sliderPainter;
    currentScreen.paintList = listPainter;
    currentScreen.backdrop = backdrop;
    currentScreen.pixelScale = pixelScale > 0 ? pixelScale : 1;
    currentScreen.count = count;
    currentScreen.flags = flags;
    currentScreen.widgets = widgets;
    screenIsOpen = true;
    if (backdrop) backdrop();
    for (int i = 0; i < count; ++i) {
        Widget& w = widgets[i];
        if (w.flags & kWidgetHidden) continue;
        w.id = (screenId << 16) + uint32_t(i);
        w.state = 0;
        w.redraw = kRedrawAll;
        if ((flags & kScreenFocusFirst) && currentScreen.focus < 0 && w.kind == kButton) {
            currentScreen.focus = i;
            w.state |= kStateFocused;
        }
        Paint(w);
    }
    return 0;
}

int OpenScreen(uint32_t screenId, WidgetArray& widgets, uint32_t flags, void (*backdrop)()) {
    return OpenScreen(screenId, widgets.data(), int(widgets.size()), PaintTextField, PaintSlider, PaintList, flags,
                      float(uiScale), backdrop);
}

void CloseScreen() {
    for (int i = 0; i < currentScreen.count; ++i) {
        Widget& w = currentScreen.widgets[i];
        w.state = 0;
        w.redraw = 0;
        if (w.list) {
            w.list->selected = -1;
            w.list->anchor = -1;
            for (ListEntry& e : w.list->entries) e.mark = 0;
        }
    }
    currentScreen = CurrentScreen{};
    screenIsOpen = false;
}

CurrentScreen* SuspendScreen() {
    if (!screenIsOpen) return nullptr;
    CurrentScreen* copy = new CurrentScreen(currentScreen);
    currentScreen = CurrentScreen{};
    screenIsOpen = false;
    return copy;
}

int ResumeScreen(CurrentScreen* saved) {
    if (!saved) return -1;
    if (screenIsOpen) {
        delete saved;
        return -1;
    }
    currentScreen = *saved;
    delete saved;
    screenIsOpen = true;
    RepaintScreen();
    return 0;
}

void RepaintScreen() {
    if (!screenIsOpen) return;
    if (currentScreen.backdrop) currentScreen.backdrop();
    for (int i = 0; i < currentScreen.count; ++i) {
        Widget& w = currentScreen.widgets[i];
        w.redraw = kRedrawAll;
        Paint(w);
    }
}

void RepaintChanged() {
    if (!screenIsOpen) return;
    for (int i = 0; i < currentScreen.count; ++i) {
        Widget& w = currentScreen.widgets[i];
        if (w.redraw) Paint(w);
    }
}

void MakeButton(Widget& w, const std::string& caption, float x, float y, float width, float height,
                WidgetCallback callback, uint32_t flags) {
    w.kind = kButton;
    w.text = caption;
    w.x = x;
    w.y = y;
    w.width = std::max(width, 4 * height);
    w.height = height;
    w.onActivate = callback;
    w.flags = flags;
    w.state = 0;
    w.redraw = 0;
}

void MakeTextField(Widget& w, const std::string& text, float x, float y, float width, float height,
                   int maxLength) {
    w.kind = kTextField;
    w.x = x;
    w.y = y;
    w.width = std::max(width, 4 * height);
    w.height = height;
    w.high = maxLength > 0 ? maxLength : kTextFieldDefaultMax;
    w.state = 0;
    w.redraw = 0;
    SetFieldText(w, text);
}

void MakeSlider(Widget& w, const std::string& caption, float x, float y, float width, float height, int low,
                int value, int high, WidgetCallback callback, uint32_t flags) {
    w.kind = kSlider;
    w.text = caption;
    w.x = x;
    w.y = y;
    w.width = std::max(width, 4 * height);  // room for both arrow boxes and a track
    w.height = height;
    w.low = low;
    w.high = std::max(low, high);
    w.value = std::clamp(value, w.low, w.high);
    w.onActivate = callback;
    w.flags = flags;
    w.state = 0;
    w.redraw = 0;
}

void MakeList(Widget& w, WidgetCallback callback, float height, float columnWidth, float rowHeight,
              float scrollBarWidth, uint32_t flags, float x, float y, float width) {
    w.kind = kList;
    w.x = x;
    w.y = y;
    w.width = width;
    w.height = height;
    w.onActivate = callback;
    w.flags = flags;
    w.state = 0;
    w.redraw = 0;
    w.value = 0;
    // A list made anew starts empty, also when the widget held one before.
    if (!w.list) w.list = std::make_unique<ListModel>();
    w.list->entries.clear();
    w.list->columnWidth = columnWidth;
    w.list->rowHeight = rowHeight;
    w.list->scrollBarWidth = std::clamp(scrollBarWidth, 0.0f, width);
    w.list->selected = -1;
    w.list->anchor = -1;
    UpdateListGeometry(w);
}

void ListAdd(Widget& w, const std::string& text, uint32_t value) {
    if (!w.list) return;
    ListEntry e;
    e.value = value;
    e.text = text;
    w.list->entries.push_back(std::move(e));
    UpdateListGeometry(w);
    MarkRedraw(w, kRedrawValue);
}

void ListClear(Widget& w) {
    if (!w.list) return;
    w.list->entries.clear();
    w.list->selected = -1;
    w.list->anchor = -1;
    w.value = 0;
    UpdateListGeometry(w);
    MarkRedraw(w, kRedrawValue);
}

void ListSelect(Widget& w, int index) {
    if (!w.list) return;
    ListModel& m = *w.list;
    m.selected = index >= 0 && index < int(m.entries.size()) ? index : -1;
    if (m.selected >= 0) {
        int row = m.selected / m.columns;
        if (row < w.value) w.value = row;
        if (row >= w.value + m.visibleRows) w.value = row - m.visibleRows + 1;
        w.value = std::clamp(w.value, w.low, w.high);
    }
    MarkRedraw(w, kRedrawValue);
}

void SetWidgetHidden(Widget& w, bool hidden) {
    if (hidden) {
        w.flags |= kWidgetHidden;
    } else if (w.flags & kWidgetHidden) {
        w.flags &= ~kWidgetHidden;
        w.state = 0;
        MarkRedraw(w, kRedrawAll);
    }
}

void SetFieldText(Widget& field, const std::string& text) {
    int max = field.high > 0 ? field.high : kTextFieldDefaultMax;
    field.text = text.substr(0, size_t(max));
    field.value = int(field.text.size());
    MarkRedraw(field, kRedrawValue);
}

std::string UnitForm(const std::string& caption, int value) {
    size_t bar = caption.find('|');
    if (bar == std::string::npos) return caption;
    return value == 1 ? caption.substr(0, bar) : caption.substr(bar + 1);
}
