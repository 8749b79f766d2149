// The view: shows the display buffer 1:1 or zoomed, forwards the mouse to the
// editing tools in map pixels, and scrolls when zoomed. The scroll bars sit
// outside the 512 x 512 client area and are shown only while zoomed, the way
// a scroll bar with an empty range disappears.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "Courseforge/ui/ui.h"
#include "Courseforge/view.h"
#include "trackfile/byte_io.h"

namespace {

class ViewWidget : public Fl_Widget {
public:
    ViewWidget(int x, int y) : Fl_Widget(x, y, kViewSize, kViewSize) {}
    void draw() override;
    int handle(int event) override;
};

// A click in the trough pages by 100 positions (a tenth of the 2x range).
class PagedScrollbar : public Fl_Scrollbar {
public:
    PagedScrollbar(int x, int y, int w, int h) : Fl_Scrollbar(x, y, w, h) {}
    int handle(int event) override;
};

ViewWidget* gViewWidget = nullptr;
PagedScrollbar* gHScroll = nullptr;
PagedScrollbar* gVScroll = nullptr;
std::unique_ptr<Fl_RGB_Image> gCursorImage;
CursorImage gCursor;
int gHeldButton = 0;          // FLTK button of the stroke in progress, 0 = none

uint32_t NowMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Lines of the damaged box; `origin` holds the box's offset inside the view.
void DrawLine(void* origin, int x, int y, int w, uchar* buf) {
    const int* o = static_cast<const int*>(origin);
    ViewZoomedLine(view, o[0] + x, o[1] + y, w, buf);
}

void ViewWidget::draw() {
    // Only the damaged part is drawn; the line callback maps it through the zoom.
    int cx, cy, cw, ch;
    fl_clip_box(x(), y(), w(), h(), cx, cy, cw, ch);
    if (cw <= 0 || ch <= 0) return;
    int origin[2] = {cx - x(), cy - y()};
    fl_draw_image(DrawLine, origin, cx, cy, cw, ch, 3);
}

void SetCursor(bool over) {
    Fl_Window* win = gViewWidget->window();
    if (!win) return;
    if (!over) win->cursor(FL_CURSOR_DEFAULT);
    else if (gCursorImage) win->cursor(gCursorImage.get(), gCursor.hotX, gCursor.hotY);
    else win->cursor(FL_CURSOR_CROSS);
}

float MapX() { return float(ViewToMap(view.zoom, view.scrollX, kViewSize, Fl::event_x() - gViewWidget->x())); }
float MapY() { return float(ViewToMap(view.zoom, view.scrollY, kViewSize, Fl::event_y() - gViewWidget->y())); }

void SyncScrollBars() {
    if (view.zoom == kZoomOff) {
        gHScroll->hide();
        gVScroll->hide();
        return;
    }
    int page = ViewScrollPage(view.zoom), total = ViewScrollRange(view.zoom) + 1;
    gHScroll->value(view.scrollX, page, 0, total);
    gVScroll->value(view.scrollY, page, 0, total);
    gHScroll->show();
    gVScroll->show();
}

void ScrollTo(int sx, int sy) {
    view.scrollX = ViewClampScroll(view.zoom, sx);
    view.scrollY = ViewClampScroll(view.zoom, sy);
    SyncScrollBars();
    gViewWidget->redraw();
}

// Locates the click as the scroll bar itself does: arrows at both ends, then
// the trough before or after the thumb.
int PagedScrollbar::handle(int event) {
    if (event != FL_PUSH || Fl::event_button() != FL_LEFT_MOUSE) return Fl_Scrollbar::handle(event);
    bool across = type() == FL_HORIZONTAL;
    int start = across ? x() : y(), length = across ? w() : h(), thickness = across ? h() : w();
    if (length >= 3 * thickness) {
        start += thickness;
        length -= 2 * thickness;
    }
    int at = (across ? Fl::event_x() : Fl::event_y()) - start;
    if (at < 0 || at >= length) return Fl_Scrollbar::handle(event);
    int thumb = std::max(int(slider_size() * length + 0.5), thickness / 2 + 1);
    double range = maximum() - minimum();
    double fraction = range ? (value() - minimum()) / range : 0.5;
    int thumbAt = fraction >= 1.0 ? length - thumb : fraction <= 0.0 ? 0 : int(fraction * (length - thumb) + 0.5);
    if (at >= thumbAt && at < thumbAt + thumb) return Fl_Scrollbar::handle(event);
    int page = at < thumbAt ? -100 : 100;
    handle_drag(clamp(value() + page));
    return 1;
}

void ScrollCallback(Fl_Widget*, void*) {
    ScrollTo(gHScroll->value(), gVScroll->value());
}

int ViewWidget::handle(int event) {
    switch (event) {
    case FL_ENTER:
    case FL_LEAVE:
        // The cursor object and pit crew show only while the pointer is over the view.
        SetCursor(event == FL_ENTER);
        view.pointerInView = event == FL_ENTER;
        ViewRedrawMarkers(editor);
        RefreshView(true);
        return 1;
    case FL_MOVE:
        ApplyResult(EditorMouseMove(editor, MapX(), MapY()), false);
        return 1;
    case FL_PUSH: {
        int b = Fl::event_button();
        if ((b != FL_LEFT_MOUSE && b != FL_RIGHT_MOUSE) || gHeldButton) return 1;
        gHeldButton = b;
        EditorButton eb = b == FL_LEFT_MOUSE ? kButtonLeft : kButtonRight;
        EditorResult r = EditorMouseDown(editor, eb, MapX(), MapY());
        if (r.message) {
            // The message box takes the release: the press ends here.
            gHeldButton = 0;
            editor.stroke.captured = false;
        }
        ApplyResult(r, true);
        return 1;
    }
    case FL_DRAG:
        if (gHeldButton) ApplyResult(EditorMouseMove(editor, MapX(), MapY()), false);
        return 1;
    case FL_RELEASE: {
        if (Fl::event_button() != gHeldButton) return 1;
        EditorButton eb = gHeldButton == FL_LEFT_MOUSE ? kButtonLeft : kButtonRight;
        gHeldButton = 0;
        ApplyResult(EditorMouseUp(editor, eb, MapX(), MapY()), true);
        return 1;
    }
    case FL_MOUSEWHEEL:
        if (view.zoom == kZoomOff) return 0;
        ScrollTo(view.scrollX + 10 * Fl::event_dx(), view.scrollY + 10 * Fl::event_dy());
        return 1;
    default:
        return Fl_Widget::handle(event);
    }
}

}  // namespace

void CreateViewWidget(int x, int y) {
    gViewWidget = new ViewWidget(x, y);
    view.pointerInView = false;
    gHScroll = new PagedScrollbar(x, y + kViewSize, kViewSize, 16);
    gHScroll->type(FL_HORIZONTAL);
    gVScroll = new PagedScrollbar(x + kViewSize, y, 16, kViewSize);
    for (PagedScrollbar* s : {gHScroll, gVScroll}) {
        s->linesize(10);
        s->callback(ScrollCallback);
        s->visible_focus(0);
    }
    SyncScrollBars();
}

void SetViewZoom(int zoom) {
    ViewSetZoom(view, zoom);
    SyncScrollBars();
    gViewWidget->redraw();
}

namespace {
// A skipped refresh is caught up once the throttle interval is over, so the
// view never stays behind the document when the mouse stops.
bool gCatchUpPending = false;
void CatchUp(void*) {
    gCatchUpPending = false;
    RefreshView(true);
}
}  // namespace

void RefreshView(bool force) {
    if (!gViewWidget) return;
    if (!ViewRefreshDue(view, NowMs(), force)) {
        if (!gCatchUpPending) {
            gCatchUpPending = true;
            Fl::add_timeout(0.05, CatchUp);
        }
        return;
    }
    gViewWidget->redraw();
    Fl::flush();
}

void LoadViewCursor(const std::string& path) {
    std::vector<uint8_t> bytes;
    gCursorImage.reset();
    if (ReadWholeFile(path.c_str(), bytes, 1 << 20) && DecodeCursorFile(bytes.data(), bytes.size(), gCursor))
        gCursorImage.reset(new Fl_RGB_Image(gCursor.rgba.data(), gCursor.width, gCursor.height, 4));
}
