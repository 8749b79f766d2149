// The editor's display buffer. Map pixels (land colour blended with the
// height shading) are kept in a second buffer, so markers can be moved or
// removed by copying map pixels back instead of recomputing them; the display
// buffer is always those map pixels with the markers drawn over them.
#include "Courseforge/view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "trackfile/byte_io.h"

uint32_t viewPixels[kViewSize * kViewSize];
ViewState view;

namespace {

uint32_t gMapPixels[kViewSize * kViewSize];   // map colours without markers

// Colour of every (land code, height byte) pair for one water level and blend.
uint32_t gMixed[16][256];
int gMixedWater = -1, gMixedBlend = -1;
// Water level and blend that gMapPixels was drawn with; -1 before the first full redraw.
int gMapWater = -1, gMapBlend = -1;

constexpr uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }
int Red(uint32_t c) { return (c >> 16) & 255; }
int Green(uint32_t c) { return (c >> 8) & 255; }
int Blue(uint32_t c) { return c & 255; }

void BuildMixed(int water, int blend) {
    if (water == gMixedWater && blend == gMixedBlend) return;
    for (int code = 0; code < 16; ++code) {
        const uint8_t* land = kLandColours[code];
        for (int h = 0; h < 256; ++h) {
            uint32_t hc = ViewHeightColour(water, h);
            gMixed[code][h] = Rgb((land[0] * blend + Red(hc) * (10 - blend)) / 10,
                                  (land[1] * blend + Green(hc) * (10 - blend)) / 10,
                                  (land[2] * blend + Blue(hc) * (10 - blend)) / 10);
        }
    }
    gMixedWater = water;
    gMixedBlend = blend;
}

// Pixel coordinate -> height-sample coordinate (x + 0.5) / k, k = 512 / 63, split
// into the sample below it and the fraction towards the next one. Pixel 511 lands
// at 62.94, so the next sample always exists.
void SampleCoord(int p, int& i0, float& f) {
    float u = (float(p) + 0.5f) * (63.0f / 512.0f);
    i0 = int(u);
    f = u - float(i0);
}

struct SampleTable {
    int i0[kViewSize];
    float f[kViewSize];
    SampleTable() {
        for (int p = 0; p < kViewSize; ++p) SampleCoord(p, i0[p], f[p]);
    }
};
const SampleTable gSamples;

int HeightIndex(float top0, float top1, float bottom0, float bottom1, float fx, float fy) {
    float top = top0 + (top1 - top0) * fx;
    float bottom = bottom0 + (bottom1 - bottom0) * fx;
    int h = int((top + (bottom - top) * fy) / 256.0f);
    return std::clamp(h, 0, 255);
}

bool DocumentUsable(const EditorDocument& d) {
    return d.land.size() >= size_t(kLandSize) * kLandSize && d.height.size() >= size_t(kHeightSize) * kHeightSize;
}

// Map pixels of the rectangle [x0, x1) x [y0, y1), already clipped to the view.
void DrawMapPixels(const EditorDocument& d, int blend, int x0, int y0, int x1, int y1) {
    BuildMixed(std::clamp(d.waterLevel, 0, 255), std::clamp(blend, 0, 10));
    if (!DocumentUsable(d)) {
        for (int y = y0; y < y1; ++y) std::fill(gMapPixels + y * kViewSize + x0, gMapPixels + y * kViewSize + x1, 0u);
        return;
    }
    for (int y = y0; y < y1; ++y) {
        const uint16_t* above = &d.height[size_t(gSamples.i0[y]) * kHeightSize];
        const uint16_t* below = above + kHeightSize;
        float fy = gSamples.f[y];
        const uint8_t* land = &d.land[size_t(y) * kLandSize];
        uint32_t* out = gMapPixels + y * kViewSize;
        for (int x = x0; x < x1; ++x) {
            int i = gSamples.i0[x];
            int h = HeightIndex(above[i], above[i + 1], below[i], below[i + 1], gSamples.f[x], fy);
            out[x] = gMixed[land[x] & 15][h];
        }
    }
}

// ---- Marker drawing, clipped to a rectangle -------------------------------

struct Clip {
    int x0, y0, x1, y1;   // half-open
};

// Marker positions far outside the map (or not numbers at all) draw nothing;
// this also keeps every float-to-int conversion below in range.
bool Drawable(float x, float y) { return std::fabs(x) < 4096.0f && std::fabs(y) < 4096.0f; }

inline void Plot(const Clip& c, int x, int y, uint32_t colour) {
    if (x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1) viewPixels[y * kViewSize + x] = colour;
}

// A one-pixel line including both ends. Ends far outside the map are cut back
// first so the step count stays small for any input.
void Line(const Clip& c, float ax, float ay, float bx, float by, uint32_t colour) {
    if (!Drawable(ax, ay) || !Drawable(bx, by)) return;
    int x0 = int(std::floor(ax)), y0 = int(std::floor(ay));
    int x1 = int(std::floor(bx)), y1 = int(std::floor(by));
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Plot(c, x0, y0, colour);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
}

// Filled convex polygon: pixels whose centres lie inside all edges.
void FillConvex(const Clip& c, const float* px, const float* py, int n, uint32_t colour) {
    float minX = px[0], maxX = px[0], minY = py[0], maxY = py[0];
    for (int i = 1; i < n; ++i) {
        minX = std::min(minX, px[i]); maxX = std::max(maxX, px[i]);
        minY = std::min(minY, py[i]); maxY = std::max(maxY, py[i]);
    }
    int xa = std::max(c.x0, int(std::floor(minX))), xb = std::min(c.x1 - 1, int(std::ceil(maxX)));
    int ya = std::max(c.y0, int(std::floor(minY))), yb = std::min(c.y1 - 1, int(std::ceil(maxY)));
    // Orientation of the polygon decides the sign that counts as inside.
    float area = 0;
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        area += px[i] * py[j] - px[j] * py[i];
    }
    float sign = area >= 0 ? 1.0f : -1.0f;
    for (int y = ya; y <= yb; ++y) {
        for (int x = xa; x <= xb; ++x) {
            float cx = x + 0.5f, cy = y + 0.5f;
            bool inside = true;
            for (int i = 0; i < n && inside; ++i) {
                int j = (i + 1) % n;
                float cross = (px[j] - px[i]) * (cy - py[i]) - (py[j] - py[i]) * (cx - px[i]);
                inside = cross * sign >= 0;
            }
            if (inside) viewPixels[y * kViewSize + x] = colour;
        }
    }
}

void Outline(const Clip& c, const float* px, const float* py, int n, uint32_t colour) {
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        Line(c, px[i], py[i], px[j], py[j], colour);
    }
}

void Disc(const Clip& c, float cx, float cy, float r, uint32_t colour) {
    int xa = std::max(c.x0, int(std::floor(cx - r))), xb = std::min(c.x1 - 1, int(std::ceil(cx + r)));
    int ya = std::max(c.y0, int(std::floor(cy - r))), yb = std::min(c.y1 - 1, int(std::ceil(cy + r)));
    for (int y = ya; y <= yb; ++y)
        for (int x = xa; x <= xb; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            if (dx * dx + dy * dy <= r * r) viewPixels[y * kViewSize + x] = colour;
        }
}

// Digits 0-9 of a 5 x 7 font, one byte per row, bit 4 = leftmost column.
const uint8_t kDigits[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};
constexpr int kGlyphW = 5, kGlyphH = 7, kGlyphStep = 6;

// A number in white, centred on (cx, cy); the background stays as it is.
void Number(const Clip& c, int value, float cx, float cy) {
    if (!Drawable(cx, cy)) return;
    char text[16];
    int n = std::snprintf(text, sizeof text, "%d", value);
    int width = n * kGlyphStep - 1;
    int left = int(std::floor(cx)) - width / 2, top = int(std::floor(cy)) - kGlyphH / 2;
    for (int k = 0; k < n; ++k) {
        if (text[k] < '0' || text[k] > '9') continue;
        const uint8_t* glyph = kDigits[text[k] - '0'];
        for (int row = 0; row < kGlyphH; ++row)
            for (int col = 0; col < kGlyphW; ++col)
                if (glyph[row] & (0x10 >> col)) Plot(c, left + k * kGlyphStep + col, top + row, Rgb(255, 255, 255));
    }
}

// Colour of an object's symbol by what kind of thing it is.
uint32_t ObjectColour(int type) {
    switch (type) {
    case 1: case 2: case 24: case 29: return Rgb(70, 90, 200);        // walls, posts, barriers
    case 31: return Rgb(230, 230, 255);                                // invisible wall
    case 3: case 22: case 23: return Rgb(200, 170, 40);                // hay bales, gates, fences
    case 4: case 5: case 6: case 19: case 20: case 21: case 34: case 35:
        return Rgb(0, 110, 20);                                        // trees, bushes, hedges
    case 11: case 12: case 13: case 14: case 27: case 28: return Rgb(190, 90, 30);  // buildings, stands
    case 15: case 16: case 17: case 18: case 30: return Rgb(140, 50, 190);           // boats, piers, bridges
    case 25: case 36: return Rgb(255, 120, 0);                         // cones
    case 32: return Rgb(255, 0, 170);                                  // people
    default: return Rgb(90, 90, 90);                                   // signs, lights, stones, tyres, poles
    }
}

// Start position: a white arrowhead pointing the way the car faces.
void DrawStart(const Clip& c, const EditorObject& o) {
    float dx = std::cos(o.angle), dy = std::sin(o.angle);
    float px[3] = {o.x + 8 * dx, o.x - 5 * dx - 5 * dy, o.x - 5 * dx + 5 * dy};
    float py[3] = {o.y + 8 * dy, o.y - 5 * dy + 5 * dx, o.y - 5 * dy - 5 * dx};
    FillConvex(c, px, py, 3, Rgb(255, 255, 255));
    Outline(c, px, py, 3, Rgb(0, 0, 0));
}

// Other objects: a dot in the colour of their kind with a black rim and a
// black pointer towards their direction.
void DrawObject(const Clip& c, const EditorObject& o) {
    if (!Drawable(o.x, o.y) || !std::isfinite(o.angle)) return;
    if (o.type == 0) {
        DrawStart(c, o);
        return;
    }
    float dx = std::cos(o.angle), dy = std::sin(o.angle);
    Line(c, o.x, o.y, o.x + 9 * dx, o.y + 9 * dy, Rgb(0, 0, 0));
    Disc(c, o.x, o.y, 4.0f, Rgb(0, 0, 0));
    Disc(c, o.x, o.y, 2.9f, ObjectColour(o.type));
}

// Pit crew: a square box turned to its direction with a pointer out of its front.
void DrawPitCrew(const Clip& c, const EditorPitCrew& p) {
    if (!Drawable(p.x, p.y) || !std::isfinite(p.angle)) return;
    float dx = std::cos(p.angle), dy = std::sin(p.angle);
    Line(c, p.x, p.y, p.x + 11 * dx, p.y + 11 * dy, Rgb(0, 0, 120));
    const float s = 4.5f;
    float px[4] = {p.x + s * (dx - dy), p.x + s * (dx + dy), p.x + s * (-dx + dy), p.x + s * (-dx - dy)};
    float py[4] = {p.y + s * (dy + dx), p.y + s * (dy - dx), p.y + s * (-dy - dx), p.y + s * (-dy + dx)};
    FillConvex(c, px, py, 4, Rgb(0, 170, 255));
    Outline(c, px, py, 4, Rgb(0, 0, 120));
    // A white front edge tells front from back at a glance.
    Line(c, px[0], py[0], px[1], py[1], Rgb(255, 255, 255));
}

// Checkpoint or limiter: the outline of the band one world unit to each side
// of the line, with its number in the middle.
void DrawGate(const Clip& c, const EditorLine& l, int number, float pixelsPerUnit, uint32_t colour) {
    float x1 = l.x1, y1 = l.y1;
    float x2 = std::clamp(l.x2, 0.0f, 511.0f), y2 = std::clamp(l.y2, 0.0f, 511.0f);
    float w = std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1));
    if (!(w >= 10.0f)) return;
    float ox = -(y2 - y1) * pixelsPerUnit / w, oy = (x2 - x1) * pixelsPerUnit / w;
    Line(c, x1 + ox, y1 + oy, x2 + ox, y2 + oy, colour);
    Line(c, x1 - ox, y1 - oy, x2 - ox, y2 - oy, colour);
    Line(c, x1 + ox, y1 + oy, x1 - ox, y1 - oy, colour);
    Line(c, x2 + ox, y2 + oy, x2 - ox, y2 - oy, colour);
    Number(c, number, (x1 + x2) * 0.5f, (y1 + y2) * 0.5f);
}

// A mark of the last AI test: stalls a red cross, leaving the road an orange
// disc, hits a purple square, missed checkpoints a blue diamond.
void DrawTestMark(const Clip& c, const AiTestMark& m) {
    if (!Drawable(m.x, m.y)) return;
    const float x = m.x, y = m.y, r = 3.5f;
    switch (m.kind) {
    case kMarkStall:
        Line(c, x - r, y - r, x + r, y + r, Rgb(255, 0, 0));
        Line(c, x - r, y + r, x + r, y - r, Rgb(255, 0, 0));
        Line(c, x - r + 1, y - r, x + r + 1, y + r, Rgb(255, 0, 0));
        Line(c, x - r + 1, y + r, x + r + 1, y - r, Rgb(255, 0, 0));
        break;
    case kMarkOffroad: Disc(c, x, y, 2.5f, Rgb(255, 140, 0)); break;
    case kMarkHit: {
        const float px[4] = {x - r, x + r, x + r, x - r}, py[4] = {y - r, y - r, y + r, y + r};
        Outline(c, px, py, 4, Rgb(160, 0, 255));
        break;
    }
    default: {
        const float px[4] = {x, x + r + 1, x, x - r - 1}, py[4] = {y - r - 1, y, y + r + 1, y};
        FillConvex(c, px, py, 4, Rgb(0, 64, 255));
        Outline(c, px, py, 4, Rgb(255, 255, 255));
        break;
    }
    }
}

void DrawMarkers(const Editor& e, const Clip& c) {
    const EditorDocument& d = e.doc;
    const EditorControls& ui = e.controls;
    if (ui.showObjects) {
        for (const EditorPitCrew& p : d.pitCrews) DrawPitCrew(c, p);
        bool cursor = view.pointerInView;
        if (cursor && ui.tool == kToolPitCrew && int(d.pitCrews.size()) < kEditorMaxPitCrews)
            DrawPitCrew(c, e.stroke.cursorPitCrew);
        for (const EditorObject& o : d.objects) DrawObject(c, o);
        if (cursor && ui.tool == kToolObject && !ui.deleteMode) DrawObject(c, e.stroke.cursorObject);
    }
    float ppu = d.pixelsPerUnit;
    if (ui.showCheckpoints)
        for (size_t i = 0; i < d.checkpoints.size(); ++i) DrawGate(c, d.checkpoints[i], int(i) + 1, ppu, Rgb(0, 255, 255));
    if (ui.showLimiters)
        for (size_t i = 0; i < d.limiters.size(); ++i) DrawGate(c, d.limiters[i], int(i) + 1, ppu, Rgb(255, 255, 0));
    if (ui.showAiLines) {
        const std::vector<EditorPoint>& ai = d.aiLine;
        for (size_t i = 1; i < ai.size(); ++i) Line(c, ai[i - 1].x, ai[i - 1].y, ai[i].x, ai[i].y, Rgb(255, 255, 0));
        if (ai.size() >= 3) Line(c, ai.back().x, ai.back().y, ai[0].x, ai[0].y, Rgb(255, 0, 0));
        const std::vector<EditorPoint>& pit = d.pitAiLine;
        for (size_t i = 1; i < pit.size(); ++i) Line(c, pit[i - 1].x, pit[i - 1].y, pit[i].x, pit[i].y, Rgb(255, 0, 255));
    }
    if (ui.showTestMarks)
        for (const AiTestMark& m : e.testMarks) DrawTestMark(c, m);
}

void CopyMapPixels(int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        std::memcpy(viewPixels + y * kViewSize + x0, gMapPixels + y * kViewSize + x0, size_t(x1 - x0) * 4);
}

bool MapPixelsCurrent(const Editor& e) {
    return gMapWater == std::clamp(e.doc.waterLevel, 0, 255) && gMapBlend == std::clamp(e.controls.blend, 0, 10);
}

}  // namespace

uint32_t ViewHeightColour(int waterLevel, int h) {
    if (h < waterLevel) return Rgb(h / 2, h / 2 + 32, h / 2 + 128);
    return Rgb(h, h, h);
}

uint32_t ViewPixelColour(const EditorDocument& d, int blend, int x, int y) {
    if (!DocumentUsable(d) || x < 0 || y < 0 || x >= kViewSize || y >= kViewSize) return 0;
    int i, j;
    float fx, fy;
    SampleCoord(x, i, fx);
    SampleCoord(y, j, fy);
    const uint16_t* h = d.height.data();
    int hi = HeightIndex(h[j * 64 + i], h[j * 64 + i + 1], h[(j + 1) * 64 + i], h[(j + 1) * 64 + i + 1], fx, fy);
    uint32_t hc = ViewHeightColour(d.waterLevel, hi);
    const uint8_t* lc = kLandColours[d.land[size_t(y) * kLandSize + x] & 15];
    blend = std::clamp(blend, 0, 10);
    return Rgb((lc[0] * blend + Red(hc) * (10 - blend)) / 10, (lc[1] * blend + Green(hc) * (10 - blend)) / 10,
               (lc[2] * blend + Blue(hc) * (10 - blend)) / 10);
}

void ViewRedrawAll(const Editor& e) {
    DrawMapPixels(e.doc, e.controls.blend, 0, 0, kViewSize, kViewSize);
    gMapWater = std::clamp(e.doc.waterLevel, 0, 255);
    gMapBlend = std::clamp(e.controls.blend, 0, 10);
    std::memcpy(viewPixels, gMapPixels, sizeof viewPixels);
    DrawMarkers(e, Clip{0, 0, kViewSize, kViewSize});
}

void ViewRedrawArea(const Editor& e, int x0, int y0, int x1, int y1) {
    if (!MapPixelsCurrent(e)) {
        ViewRedrawAll(e);
        return;
    }
    x0 = std::max(x0, 0); y0 = std::max(y0, 0);
    x1 = std::min(x1, kViewSize); y1 = std::min(y1, kViewSize);
    if (x0 >= x1 || y0 >= y1) return;
    DrawMapPixels(e.doc, e.controls.blend, x0, y0, x1, y1);
    CopyMapPixels(x0, y0, x1, y1);
    DrawMarkers(e, Clip{x0, y0, x1, y1});
}

void ViewRedrawMarkers(const Editor& e) {
    if (!MapPixelsCurrent(e)) {
        ViewRedrawAll(e);
        return;
    }
    std::memcpy(viewPixels, gMapPixels, sizeof viewPixels);
    DrawMarkers(e, Clip{0, 0, kViewSize, kViewSize});
}

void ViewApplyResult(const Editor& e, const EditorResult& r) {
    if (r.full || !MapPixelsCurrent(e)) {
        ViewRedrawAll(e);
        return;
    }
    int x0 = std::max(r.x0, 0), y0 = std::max(r.y0, 0);
    int x1 = std::min(r.x1, kViewSize), y1 = std::min(r.y1, kViewSize);
    bool area = x0 < x1 && y0 < y1;
    if (r.markers) {
        if (area) DrawMapPixels(e.doc, e.controls.blend, x0, y0, x1, y1);
        ViewRedrawMarkers(e);
    } else if (area) {
        ViewRedrawArea(e, x0, y0, x1, y1);
    }
}

// ---- Zoom and scrolling --------------------------------------------------------

int ViewScrollRange(int zoom) { return zoom == kZoom2x ? 1000 : zoom == kZoom4x ? 1250 : 0; }
int ViewScrollPage(int zoom) { return zoom == kZoom2x ? 500 : zoom == kZoom4x ? 250 : 0; }
int ViewScrollMax(int zoom) {
    return zoom == kZoom2x || zoom == kZoom4x ? ViewScrollRange(zoom) - ViewScrollPage(zoom) + 1 : 0;
}
int ViewClampScroll(int zoom, int pos) { return std::clamp(pos, 0, ViewScrollMax(zoom)); }

void ViewSetZoom(ViewState& v, int zoom) {
    v.zoom = zoom == kZoom2x || zoom == kZoom4x ? zoom : kZoomOff;
    v.scrollX = v.scrollY = 0;
}

namespace {
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
}  // namespace

// At 2x the window shows 1024 zoomed pixels through a client of clientSize, at 4x 2048;
// the scroll position picks the part shown, as a fraction of 1000 (2x) or 4000 (4x)
// of the hidden width, which with the page sizes above reaches exactly the far edge.
int ViewToMap(int zoom, int scroll, int clientSize, int viewCoord) {
    if (zoom == kZoom2x) return (1024 - clientSize) * scroll / 1000 + FloorDiv(viewCoord, 2);
    if (zoom == kZoom4x) return (2048 - clientSize) * scroll / 4000 + FloorDiv(viewCoord, 4);
    return viewCoord;
}

bool ViewRefreshDue(ViewState& v, uint32_t nowMs, bool force) {
    if (!force && v.refreshed && nowMs - v.lastRefreshMs < 50) return false;
    v.lastRefreshMs = nowMs;
    v.refreshed = true;
    return true;
}

void ViewZoomedLine(const ViewState& v, int viewX, int viewY, int width, uint8_t* rgb) {
    int my = std::clamp(ViewToMap(v.zoom, v.scrollY, kViewSize, viewY), 0, kViewSize - 1);
    const uint32_t* row = viewPixels + my * kViewSize;
    for (int i = 0; i < width; ++i) {
        int mx = std::clamp(ViewToMap(v.zoom, v.scrollX, kViewSize, viewX + i), 0, kViewSize - 1);
        uint32_t c = row[mx];
        rgb[3 * i] = uint8_t(Red(c));
        rgb[3 * i + 1] = uint8_t(Green(c));
        rgb[3 * i + 2] = uint8_t(Blue(c));
    }
}

// ---- Cursor files ----------------------------------------------------------------

bool DecodeCursorFile(const uint8_t* data, size_t size, CursorImage& out) {
    ByteReader dir = MakeReader(data, size);
    uint16_t reserved = ReadU16(dir), type = ReadU16(dir), count = ReadU16(dir);
    if (dir.failed || reserved != 0 || (type != 1 && type != 2) || count == 0) return false;
    ReaderSkip(dir, 4);   // width, height, colours: the image header says them again
    int hotX = ReadU16(dir), hotY = ReadU16(dir);
    uint32_t bytes = ReadU32(dir), offset = ReadU32(dir);
    if (dir.failed || offset >= size) return false;
    size_t length = std::min<size_t>(bytes, size - offset);
    ByteReader r = MakeReader(data + offset, length);

    uint32_t headerSize = ReadU32(r);
    int32_t width = ReadI32(r), height2 = ReadI32(r);
    ReaderSkip(r, 2);     // planes
    uint16_t bpp = ReadU16(r);
    uint32_t compression = ReadU32(r);
    ReaderSkip(r, 12);
    uint32_t coloursUsed = ReadU32(r);
    if (r.failed || headerSize < 40 || !ReaderSeek(r, headerSize)) return false;  // PNG images fail here too
    if (compression != 0 || width < 1 || width > 256 || height2 < 2 || height2 > 512 || (height2 & 1)) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    int w = width, h = height2 / 2;

    uint8_t palette[256][4] = {};
    if (bpp <= 8) {
        uint32_t entries = coloursUsed ? coloursUsed : (1u << bpp);
        if (entries > (1u << bpp) || !ReaderHas(r, size_t(entries) * 4)) return false;
        for (uint32_t i = 0; i < entries; ++i) ReadBytes(r, palette[i], 4);
    }
    size_t xorStride = (size_t(w) * bpp + 31) / 32 * 4, andStride = (size_t(w) + 31) / 32 * 4;
    if (!ReaderHas(r, xorStride * h)) return false;
    const uint8_t* xorBits = r.data + r.pos;
    ReaderSkip(r, xorStride * h);
    const uint8_t* andBits = ReaderHas(r, andStride * h) ? r.data + r.pos : nullptr;
    if (!andBits && bpp != 32) return false;

    // A 32-bit image whose alpha is all zero relies on its mask, like older cursors.
    bool useAlpha = false;
    if (bpp == 32)
        for (int y = 0; y < h && !useAlpha; ++y)
            for (int x = 0; x < w && !useAlpha; ++x) useAlpha = xorBits[y * xorStride + x * 4 + 3] != 0;
    if (bpp == 32 && !useAlpha && !andBits) return false;

    out.width = w;
    out.height = h;
    out.hotX = std::min(type == 2 ? hotX : w / 2, w - 1);
    out.hotY = std::min(type == 2 ? hotY : h / 2, h - 1);
    out.rgba.assign(size_t(w) * h * 4, 0);
    for (int fileRow = 0; fileRow < h; ++fileRow) {
        const uint8_t* src = xorBits + fileRow * xorStride;
        uint8_t* dst = &out.rgba[size_t(h - 1 - fileRow) * w * 4];
        for (int x = 0; x < w; ++x) {
            uint8_t b = 0, g = 0, rr = 0, a = 255;
            if (bpp == 32) {
                b = src[x * 4]; g = src[x * 4 + 1]; rr = src[x * 4 + 2];
                if (useAlpha) a = src[x * 4 + 3];
            } else if (bpp == 24) {
                b = src[x * 3]; g = src[x * 3 + 1]; rr = src[x * 3 + 2];
            } else {
                int index = bpp == 8 ? src[x] : bpp == 4 ? (src[x / 2] >> (x & 1 ? 0 : 4)) & 15 : (src[x / 8] >> (7 - x % 8)) & 1;
                b = palette[index][0]; g = palette[index][1]; rr = palette[index][2];
            }
            if (!useAlpha && andBits && ((andBits[fileRow * andStride + x / 8] >> (7 - x % 8)) & 1)) {
                // Mask set: transparent over a black image pixel; otherwise the screen
                // would be inverted there, which an image cursor shows as black.
                if (b == 0 && g == 0 && rr == 0) a = 0;
                else b = g = rr = 0;
            }
            dst[x * 4] = rr; dst[x * 4 + 1] = g; dst[x * 4 + 2] = b; dst[x * 4 + 3] = a;
        }
    }
    return true;
}
