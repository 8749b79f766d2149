// Land painting: circular stamps, bands between stroke centres, dashed lines,
// kerb stripes and the oil splash, with the overwrite and fringe rules.
#include "Courseforge/editor_internal.h"

#include <algorithm>
#include <cmath>

void TouchArea(EditorResult& r, int x0, int y0, int x1, int y1)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, kLandSize);
    y1 = std::min(y1, kLandSize);
    if (x0 >= x1 || y0 >= y1)
        return;
    if (r.x0 >= r.x1 || r.y0 >= r.y1) {
        r.x0 = x0, r.y0 = y0, r.x1 = x1, r.y1 = y1;
        return;
    }
    r.x0 = std::min(r.x0, x0);
    r.y0 = std::min(r.y0, y0);
    r.x1 = std::max(r.x1, x1);
    r.y1 = std::max(r.y1, y1);
}

bool SaneCoordinate(float v) { return v >= -4096.0f && v <= 4096.0f; }

bool IsLandTool(int tool) { return (tool >= kToolTarmac1 && tool <= kToolOil) || tool == kToolMud; }

bool LandToolCodes(int tool, EditorButton button, uint8_t& inner, uint8_t& outer)
{
    const bool right = button == kButtonRight;
    switch (tool) {
    case kToolTarmac1: inner = 0, outer = right ? 10 : 9; return true;
    case kToolTarmac2: inner = outer = 1; return true;
    case kToolGrass: inner = 2, outer = 3; return true;
    case kToolGravel: inner = outer = 5; return true;
    case kToolSand: inner = outer = 6; return true;
    case kToolSnow: inner = right ? 8 : 7, outer = 8; return true;
    case kToolWhiteLine: inner = outer = 9; return true;
    case kToolYellowLine: inner = outer = 10; return true;
    case kToolKerb: inner = outer = 11; return true;
    case kToolMud: inner = outer = 4; return true;
    default: return false;
    }
}

// The right button paints under existing markings, except with Tarmac #1.
static bool PaintUnder(int tool, EditorButton button) { return button == kButtonRight && tool != kToolTarmac1; }

// Result of writing code n over e (normal rule or paint-under).
static uint8_t Overwrite(uint8_t e, uint8_t n, bool under)
{
    if (e == 2 && n == 3)
        return e;
    if (!under) {
        if ((e == 0 && (n == 9 || n == 10)) || (e == 7 && n == 8))
            return e;
    } else {
        bool protectedCode = e == 0 || e == 7 || e == 8 || e == 9 || e == 10 || e == 11;
        if ((protectedCode && n >= 1 && n <= 6) || (e == 12 && n == 1))
            return e;
    }
    return n;
}

// What the ring just outside a stamp makes of cell e, for inner code n.
static uint8_t Fringe(uint8_t e, uint8_t n, bool under)
{
    if (n == 7 || n == 8 || n == e)
        return e;
    const bool marking = n == 9 || n == 10 || n == 11;
    if (!under) {
        if (e == 0)
            return marking ? e : 9;
        if (e == 2)
            return 3;
        if (e == 7)
            return 8;
    } else {
        if (e == 2)
            return 3;
        if (e == 7 && marking)
            return 8;
    }
    return e;
}

enum Zone { kZoneInner, kZoneOuter, kZoneFringe };

struct Brush {
    uint8_t inner, outer;
    bool under;
};

static inline void PaintCell(uint8_t& cell, Zone zone, const Brush& b)
{
    uint8_t e = cell & 15;
    if (zone == kZoneInner)
        cell = Overwrite(e, b.inner, b.under);
    else if (zone == kZoneOuter)
        cell = Overwrite(e, b.outer, b.under);
    else
        cell = Fringe(e, b.inner, b.under);
}

void LandStamp(EditorDocument& d, float cx, float cy, int radius, uint8_t inner, uint8_t outer, bool paintUnder,
               EditorResult& r)
{
    if (!SaneCoordinate(cx) || !SaneCoordinate(cy))
        return;
    radius = std::clamp(radius, 0, 1024);
    const Brush brush{inner, outer, paintUnder};
    const float innerR2 = radius > 3 ? float(radius - 3) * float(radius - 3) : -1.0f;
    const float outerR2 = float(radius) * float(radius);
    const float reach = float(radius + 3);
    const float reach2 = reach * reach;
    const int centreRow = static_cast<int>(std::floor(cy));
    const int rowFirst = std::max(centreRow - radius - 2, 0);
    const int rowLast = std::min(centreRow + radius + 4, kLandSize - 1);
    for (int row = rowFirst; row <= rowLast; row++) {
        const float dy = row - cy;
        const float span2 = reach2 - dy * dy;
        if (span2 <= 0)
            continue;
        const float half = std::sqrt(span2);
        const int colFirst = std::max(static_cast<int>(std::ceil(cx - half)), 0);
        const int colLast = std::min(static_cast<int>(std::floor(cx + half)), kLandSize - 1);
        uint8_t* line = &d.land[size_t(row) * kLandSize];
        for (int col = colFirst; col <= colLast; col++) {
            const float dx = col - cx;
            const float d2 = dx * dx + dy * dy;
            if (d2 >= reach2)
                continue;
            PaintCell(line[col], d2 < innerR2 ? kZoneInner : d2 < outerR2 ? kZoneOuter : kZoneFringe, brush);
        }
    }
    TouchArea(r, static_cast<int>(std::floor(cx - reach)), rowFirst, static_cast<int>(std::ceil(cx + reach)) + 1,
              rowLast + 1);
}

// A rectangle along the segment, 3 pixels longer at both ends and 3 pixels
// wider than the half-width on both sides. Across the band the zones follow
// the stamp's (inner up to 3 pixels inside the half-width, outer up to it,
// fringe beyond); the two end caps are fringe only, since stamps or the next
// piece cover them.
void LandBand(EditorDocument& d, float x0, float y0, float x1, float y1, float halfWidth, uint8_t inner,
              uint8_t outer, bool paintUnder, EditorResult& r)
{
    if (!SaneCoordinate(x0) || !SaneCoordinate(y0) || !SaneCoordinate(x1) || !SaneCoordinate(y1) ||
        !(halfWidth >= 0 && halfWidth <= 1024))
        return;
    const float len = std::hypot(x1 - x0, y1 - y0);
    if (len < 1e-4f)
        return;
    const Brush brush{inner, outer, paintUnder};
    const float ux = (x1 - x0) / len, uy = (y1 - y0) / len;
    const float reach = halfWidth + 3;
    const float innerW = halfWidth > 3 ? halfWidth - 3 : -1.0f;
    const float px = -uy * reach, py = ux * reach;
    const float ex = ux * 3, ey = uy * 3;
    const float xs[4] = {x0 - ex + px, x0 - ex - px, x1 + ex + px, x1 + ex - px};
    const float ys[4] = {y0 - ey + py, y0 - ey - py, y1 + ey + py, y1 + ey - py};
    const int colFirst = std::max(static_cast<int>(std::floor(*std::min_element(xs, xs + 4))), 0);
    const int colLast = std::min(static_cast<int>(std::ceil(*std::max_element(xs, xs + 4))), kLandSize - 1);
    const int rowFirst = std::max(static_cast<int>(std::floor(*std::min_element(ys, ys + 4))), 0);
    const int rowLast = std::min(static_cast<int>(std::ceil(*std::max_element(ys, ys + 4))), kLandSize - 1);
    for (int row = rowFirst; row <= rowLast; row++) {
        uint8_t* line = &d.land[size_t(row) * kLandSize];
        const float ry = row - y0;
        for (int col = colFirst; col <= colLast; col++) {
            const float rx = col - x0;
            const float t = rx * ux + ry * uy;
            if (t < -3 || t > len + 3)
                continue;
            const float p = std::fabs(-rx * uy + ry * ux);
            if (p >= reach)
                continue;
            Zone zone = kZoneFringe;
            if (t >= 0 && t <= len)
                zone = p < innerW ? kZoneInner : p < halfWidth ? kZoneOuter : kZoneFringe;
            PaintCell(line[col], zone, brush);
        }
    }
    TouchArea(r, colFirst, rowFirst, colLast + 1, rowLast + 1);
}

// Land height slope at a pixel, in 16-bit height units per sample interval.
static void HeightSlope(const EditorDocument& d, float x, float y, float& gx, float& gy)
{
    const float u = (x + 0.5f) / kHeightSpacing, v = (y + 0.5f) / kHeightSpacing;
    gx = HeightAt(d, u + 0.5f, v) - HeightAt(d, u - 0.5f, v);
    gy = HeightAt(d, u, v + 0.5f) - HeightAt(d, u, v - 0.5f);
}

// Tarmac (codes 0 and 1) inside the disc turns to oil.
static void OilDisc(EditorDocument& d, float cx, float cy, float radius, EditorResult& r)
{
    const int rowFirst = std::max(static_cast<int>(std::floor(cy - radius)), 0);
    const int rowLast = std::min(static_cast<int>(std::ceil(cy + radius)), kLandSize - 1);
    const int colFirst = std::max(static_cast<int>(std::floor(cx - radius)), 0);
    const int colLast = std::min(static_cast<int>(std::ceil(cx + radius)), kLandSize - 1);
    for (int row = rowFirst; row <= rowLast; row++) {
        for (int col = colFirst; col <= colLast; col++) {
            const float dx = col - cx, dy = row - cy;
            uint8_t& cell = d.land[size_t(row) * kLandSize + col];
            if (dx * dx + dy * dy < radius * radius && cell <= 1)
                cell = 12;
        }
    }
    TouchArea(r, colFirst, rowFirst, colLast + 1, rowLast + 1);
}

// A disc at the press point and eight around it, each pushed downhill.
static void OilSplash(EditorDocument& d, float x, float y, int brushSize, EditorResult& r)
{
    const float radius = brushSize / 4.0f;
    OilDisc(d, x, y, radius, r);
    for (int k = 0; k < 8; k++) {
        const float a = k * 3.14159265f / 4.0f;
        float cx = x + radius * std::cos(a), cy = y + radius * std::sin(a);
        float gx, gy;
        HeightSlope(d, cx, cy, gx, gy);
        cx -= gx * radius * 0.08f / 256.0f;
        cy -= gy * radius * 0.08f / 256.0f;
        OilDisc(d, cx, cy, radius, r);
    }
}

void LandPress(Editor& e, EditorButton button, float x, float y, EditorResult& r)
{
    EditorDocument& d = e.doc;
    const int tool = e.controls.tool;
    const int b = e.controls.brushSize;
    if (tool == kToolOil && button != kButtonLeft)
        return;
    d.landUndo = d.land;
    d.landUndoEnabled = true;
    e.stroke.anchorX = x;
    e.stroke.anchorY = y;
    uint8_t inner, outer;
    switch (tool) {
    case kToolOil:
        OilSplash(d, x, y, b, r);
        return;
    case kToolKerb:
        // The press paints a line disc; the kerb stripes come with the drag.
        LandToolCodes(button == kButtonLeft ? kToolWhiteLine : kToolYellowLine, button, inner, outer);
        LandStamp(d, x, y, b, inner, outer, PaintUnder(tool, button), r);
        e.stroke.dashPhase = false;
        return;
    case kToolWhiteLine:
    case kToolYellowLine:
        e.stroke.dashPhase = false;
        if (button == kButtonRight)
            return;
        break;
    default:
        break;
    }
    LandToolCodes(tool, button, inner, outer);
    LandStamp(d, x, y, b, inner, outer, PaintUnder(tool, button), r);
}

void LandDrag(Editor& e, float mx, float my, EditorResult& r)
{
    EditorDocument& d = e.doc;
    EditorStroke& s = e.stroke;
    const int tool = e.controls.tool;
    const EditorButton button = static_cast<EditorButton>(s.button);
    const float b = static_cast<float>(e.controls.brushSize);
    const bool under = PaintUnder(tool, button);
    uint8_t inner, outer;
    if (tool == kToolOil || !LandToolCodes(tool, button, inner, outer))
        return;
    const bool dashed = (tool == kToolWhiteLine || tool == kToolYellowLine) && button == kButtonRight;
    const float piece = tool == kToolKerb ? (button == kButtonLeft ? 7.0f : 10.0f) : dashed ? 10.0f : 0.0f;
    const float halfWidth = (tool == kToolWhiteLine || tool == kToolYellowLine || tool == kToolKerb) ? b * 0.1f : b;
    // Each step leaves the anchor closer to the mouse; the cap only guards
    // against a step that makes no progress.
    for (int step = 0; step < 4096; step++) {
        const float dx = mx - s.anchorX, dy = my - s.anchorY;
        const float dist = std::hypot(dx, dy);
        const float need = piece > 0 ? b + piece : b + 1;
        if (!(dist > need))
            break;
        const float ux = dx / dist, uy = dy / dist;
        const float advance = piece > 0 ? piece : (dist - b) / 2;
        const float nx = s.anchorX + ux * advance, ny = s.anchorY + uy * advance;
        if (tool == kToolKerb) {
            // Half kerb, half line; the halves swap every piece, so the
            // stripes are as long as a piece.
            const uint8_t line = button == kButtonLeft ? 9 : 10;
            const uint8_t first = s.dashPhase ? 11 : line, second = s.dashPhase ? line : 11;
            const float midX = (s.anchorX + nx) / 2, midY = (s.anchorY + ny) / 2;
            LandBand(d, s.anchorX, s.anchorY, midX, midY, halfWidth, first, first, under, r);
            LandBand(d, midX, midY, nx, ny, halfWidth, second, second, under, r);
            s.dashPhase = !s.dashPhase;
        } else if (dashed) {
            if (s.dashPhase)
                LandBand(d, s.anchorX, s.anchorY, nx, ny, halfWidth, inner, outer, under, r);
            s.dashPhase = !s.dashPhase;
        } else {
            LandBand(d, s.anchorX, s.anchorY, nx, ny, halfWidth, inner, outer, under, r);
            LandStamp(d, nx, ny, static_cast<int>(b), inner, outer, under, r);
        }
        s.anchorX = nx;
        s.anchorY = ny;
    }
}

EditorResult PaintLandStroke(Editor& e, int tool, EditorButton button, float x0, float y0, float x1, float y1)
{
    const int savedTool = e.controls.tool;
    EditorSelectTool(e, tool);
    EditorResult r = EditorMouseDown(e, button, x0, y0);
    EditorResult m = EditorMouseMove(e, x1, y1);
    TouchArea(r, m.x0, m.y0, m.x1, m.y1);
    EditorResult u = EditorMouseUp(e, button, x1, y1);
    TouchArea(r, u.x0, u.y0, u.x1, u.y1);
    EditorSelectTool(e, savedTool);
    return r;
}
