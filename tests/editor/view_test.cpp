// The editor's display buffer: colours, the fast and partial redraws against
// the per-pixel definition, markers, zoom arithmetic, the refresh throttle
// and cursor files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "Courseforge/view.h"
#include "trackfile/byte_io.h"

namespace {

uint32_t Rgb(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }
uint32_t At(int x, int y) { return viewPixels[y * kViewSize + x]; }

// A fresh document with every marker hidden, so the buffer shows map pixels only.
Editor Bare() {
    Editor e;
    EditorInit(e);
    e.controls.showObjects = e.controls.showAiLines = e.controls.showCheckpoints = e.controls.showLimiters = false;
    return e;
}

void Randomise(Editor& e, unsigned seed) {
    std::mt19937 rng(seed);
    for (uint8_t& c : e.doc.land) c = uint8_t(rng() % 16);
    for (uint16_t& h : e.doc.height) h = uint16_t(rng());
    e.doc.waterLevel = int(rng() % 256);
    e.controls.blend = int(rng() % 11);
}

std::vector<uint32_t> Snapshot() { return std::vector<uint32_t>(viewPixels, viewPixels + kViewSize * kViewSize); }

TEST(ViewColours, BlendEndsShowOnlyLandOrOnlyHeight) {
    Editor e = Bare();
    for (int i = 0; i < 16; ++i) e.doc.land[i] = uint8_t(i);
    e.doc.waterLevel = 50;
    std::fill(e.doc.height.begin(), e.doc.height.end(), uint16_t(40 * 256 + 200));   // byte 40: under water
    e.controls.blend = 10;
    ViewRedrawAll(e);
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(At(code, 0), Rgb(kLandColours[code][0], kLandColours[code][1], kLandColours[code][2])) << code;
    e.controls.blend = 0;
    ViewRedrawAll(e);
    EXPECT_EQ(At(3, 0), Rgb(20, 52, 148));          // blue tint: h/2, h/2 + 32, h/2 + 128
    std::fill(e.doc.height.begin(), e.doc.height.end(), uint16_t(50 * 256));  // at the water level: grey
    ViewRedrawAll(e);
    EXPECT_EQ(At(300, 300), Rgb(50, 50, 50));
    e.controls.blend = 3;                           // (land x 3 + height x 7) / 10 per channel, truncated
    ViewRedrawAll(e);
    EXPECT_EQ(At(300, 300), Rgb((144 * 3 + 50 * 7) / 10, (220 * 3 + 50 * 7) / 10, (96 * 3 + 50 * 7) / 10));
}

TEST(ViewColours, HeightsAreInterpolatedBetweenSamplesAcrossAndDown) {
    Editor e = Bare();
    e.controls.blend = 0;
    e.doc.waterLevel = 0;
    // Height grows by one byte per sample eastwards and by 64 per sample southwards.
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) e.doc.height[j * 64 + i] = uint16_t((i + 64 * (j % 3)) * 256);
    ViewRedrawAll(e);
    const double v0 = 0.5 * 63.0 / 512.0;           // pixel row 0 lies 0.06 of the way to sample row 1
    for (int x : {0, 100, 255, 511}) {
        double u = (x + 0.5) * 63.0 / 512.0;         // pixel centre in sample units
        EXPECT_EQ(At(x, 0) & 255, uint32_t(u + 64 * v0)) << x;
    }
    // Row 0 and row 1 of samples differ by 64: a pixel a third of the way down mixes them.
    int y = 3;                                      // v = 3.5 * 63 / 512 = 0.43
    double v = (y + 0.5) * 63.0 / 512.0;
    EXPECT_EQ(At(0, y) & 255, uint32_t(int((0.5 * 63 / 512) + 64 * v)));
}

TEST(ViewRedraw, FastRedrawMatchesThePixelDefinition) {
    for (unsigned seed : {1u, 2u, 3u}) {
        Editor e = Bare();
        Randomise(e, seed);
        ViewRedrawAll(e);
        int mismatches = 0;
        for (int y = 0; y < kViewSize; ++y)
            for (int x = 0; x < kViewSize; ++x)
                mismatches += At(x, y) != ViewPixelColour(e.doc, e.controls.blend, x, y);
        EXPECT_EQ(mismatches, 0) << "seed " << seed;
    }
}

// Partial redraws must leave exactly what a full redraw of the new state gives,
// including markers crossing the edge of the redrawn area.
TEST(ViewRedraw, AreaAndMarkerRedrawsEqualAFullRedraw) {
    Editor e;
    EditorInit(e);
    Randomise(e, 7);
    e.doc.checkpoints.push_back(EditorLine{100, 100, 200, 150});
    e.doc.aiLine = {{50, 50}, {300, 60}, {280, 300}};
    e.doc.pitCrews.push_back(EditorPitCrew{120, 120, 0.5f});
    ViewRedrawAll(e);

    for (int y = 110; y < 140; ++y)
        for (int x = 90; x < 160; ++x) e.doc.land[y * 512 + x] = 11;
    ViewRedrawArea(e, 90, 110, 160, 140);
    std::vector<uint32_t> partial = Snapshot();
    ViewRedrawAll(e);
    EXPECT_TRUE(partial == Snapshot()) << "area redraw";

    e.doc.objects[2].x = 400;                       // a start position moves, a pit crew goes
    e.doc.objects[2].angle = 2.0f;
    e.doc.pitCrews.clear();
    ViewRedrawMarkers(e);
    partial = Snapshot();
    ViewRedrawAll(e);
    EXPECT_TRUE(partial == Snapshot()) << "marker redraw";

    // An editor result with both a changed area and moved markers.
    for (int y = 0; y < 20; ++y) e.doc.height[y] = 0;
    e.doc.aiLine.pop_back();
    EditorResult r;
    r.markers = true;
    r.x0 = 0; r.y0 = 0; r.x1 = 512; r.y1 = 20;
    ViewApplyResult(e, r);
    partial = Snapshot();
    ViewRedrawAll(e);
    EXPECT_TRUE(partial == Snapshot()) << "result";

    // A blend change makes an area redraw fall back to a full one.
    e.controls.blend = (e.controls.blend + 4) % 11;
    ViewRedrawArea(e, 0, 0, 1, 1);
    EXPECT_EQ(At(511, 511) & 0xFFFFFF, ViewPixelColour(e.doc, e.controls.blend, 511, 511));
}

TEST(ViewMarkers, LinesFollowTheirColoursAndShowFlags) {
    Editor e = Bare();
    e.controls.blend = 10;                          // plain grass (144, 220, 96) everywhere
    const uint32_t grass = Rgb(144, 220, 96);
    e.doc.aiLine = {{100, 300}, {200, 300}};
    e.doc.pitAiLine = {{100, 400}, {200, 400}};
    e.controls.showAiLines = true;
    ViewRedrawAll(e);
    EXPECT_EQ(At(150, 300), Rgb(255, 255, 0));
    EXPECT_EQ(At(150, 400), Rgb(255, 0, 255));
    EXPECT_EQ(At(150, 301), grass);
    e.doc.aiLine.push_back({150, 200});             // a third point closes the loop in red
    ViewRedrawMarkers(e);
    EXPECT_EQ(At(125, 250), Rgb(255, 0, 0));        // on the segment from (150, 200) back to (100, 300)
    e.controls.showAiLines = false;
    ViewRedrawMarkers(e);
    EXPECT_EQ(At(150, 300), grass);

    // A checkpoint across x = 300: band edges one world unit (512 / 120 px) to each side.
    e.controls.showCheckpoints = true;
    e.doc.checkpoints.push_back(EditorLine{300, 100, 300, 200});
    e.doc.checkpoints.push_back(EditorLine{50, 50, 55, 52});   // shorter than 10 pixels: not drawn
    ViewRedrawMarkers(e);
    float k = e.doc.pixelsPerUnit;
    EXPECT_EQ(At(int(std::floor(300 - k)), 120), Rgb(0, 255, 255));
    EXPECT_EQ(At(int(std::floor(300 + k)), 120), Rgb(0, 255, 255));
    EXPECT_EQ(At(300, 120), grass);                 // only the outline
    int white = 0;                                  // its number "1" sits at the middle
    for (int y = 140; y < 160; ++y)
        for (int x = 290; x < 310; ++x) white += At(x, y) == Rgb(255, 255, 255);
    EXPECT_GT(white, 4);
    // The digits are white on a transparent background: nothing else is drawn there.
    for (int y = 140; y < 160; ++y)
        for (int x = 290; x < 310; ++x) {
            if (At(x, y) == Rgb(255, 255, 255) || At(x, y) == Rgb(0, 255, 255)) continue;
            ASSERT_EQ(At(x, y), grass) << x << "," << y;
        }
    for (int y = 40; y < 62; ++y)
        for (int x = 40; x < 66; ++x) ASSERT_EQ(At(x, y), grass) << x << "," << y;
    e.controls.showCheckpoints = false;
    e.controls.showLimiters = true;
    e.doc.limiters.push_back(EditorLine{400, 100, 400, 200});
    ViewRedrawMarkers(e);
    EXPECT_EQ(At(int(std::floor(400 - k)), 120), Rgb(255, 255, 0));
    EXPECT_EQ(At(int(std::floor(300 - k)), 120), grass);
}

TEST(ViewMarkers, ObjectsShowWhereTheyPoint) {
    Editor e = Bare();
    e.controls.blend = 10;
    e.controls.showObjects = true;
    e.doc.objects.resize(6);                        // move the starts out of the way
    for (EditorObject& o : e.doc.objects) o = EditorObject{0, 500, 500, 0};
    e.doc.objects.push_back(EditorObject{5, 200, 200, 0});              // pointing east
    e.doc.objects.push_back(EditorObject{5, 300, 200, 3.14159265f / 2}); // pointing south (y down)
    ViewRedrawAll(e);
    const uint32_t grass = Rgb(144, 220, 96);
    EXPECT_NE(At(200, 200), grass);
    EXPECT_NE(At(207, 200), grass);                 // the pointer reaches out east...
    EXPECT_EQ(At(193, 200), grass);                 // ...and not west
    EXPECT_NE(At(300, 207), grass);
    EXPECT_EQ(At(300, 193), grass);
    // The cursor object appears with the Object tool, and not in delete mode.
    e.controls.tool = kToolObject;
    e.stroke.cursorObject = EditorObject{25, 100, 100, 0};
    ViewRedrawMarkers(e);
    EXPECT_NE(At(100, 100), grass);
    e.controls.deleteMode = true;
    ViewRedrawMarkers(e);
    EXPECT_EQ(At(100, 100), grass);
    e.controls.deleteMode = false;                  // nor while the pointer is away from the view
    view.pointerInView = false;
    ViewRedrawMarkers(e);
    EXPECT_EQ(At(100, 100), grass);
    view.pointerInView = true;
}

TEST(ViewMarkers, WildCoordinatesNeitherCrashNorWriteOutside) {
    Editor e = Bare();
    e.controls.showObjects = e.controls.showAiLines = e.controls.showCheckpoints = e.controls.showLimiters = true;
    const float wild[] = {-1e30f, -5000, -1, 0, 511.9f, 512, 70000, 1e30f, NAN, INFINITY};
    for (float a : wild)
        for (float b : wild) {
            e.doc.objects.push_back(EditorObject{7, a, b, b});
            e.doc.pitCrews.push_back(EditorPitCrew{b, a, a});
            e.doc.checkpoints.push_back(EditorLine{a, b, b, a});
            e.doc.aiLine.push_back(EditorPoint{a, b});
        }
    ViewRedrawAll(e);                               // ASan catches any write outside the buffer
    EXPECT_EQ(At(100, 300), ViewPixelColour(e.doc, e.controls.blend, 100, 300));  // no marker crosses here
}

TEST(ViewZoom, ScrollRangesAndTheMouseMapping) {
    EXPECT_EQ(ViewScrollMax(kZoomOff), 0);
    EXPECT_EQ(ViewScrollMax(kZoom2x), 501);
    EXPECT_EQ(ViewScrollMax(kZoom4x), 1001);
    EXPECT_EQ(ViewClampScroll(kZoom2x, 900), 501);
    EXPECT_EQ(ViewClampScroll(kZoom4x, -3), 0);
    for (int v = 0; v < 512; v += 37) EXPECT_EQ(ViewToMap(kZoomOff, 0, 512, v), v);
    // Scrolled to the start, the view shows the top-left quarter (2x) or sixteenth (4x).
    EXPECT_EQ(ViewToMap(kZoom2x, 0, 512, 511), 255);
    EXPECT_EQ(ViewToMap(kZoom4x, 0, 512, 511), 127);
    // Scrolled to the end, the far edge is the map's last pixel, never beyond.
    EXPECT_EQ(ViewToMap(kZoom2x, 501, 512, 0), 256);
    EXPECT_EQ(ViewToMap(kZoom2x, 501, 512, 511), 511);
    EXPECT_EQ(ViewToMap(kZoom4x, 1001, 512, 511), 511);
    EXPECT_EQ(ViewToMap(kZoom2x, 0, 512, -1), -1);  // outside the view stays outside the map

    ViewState v;
    ViewSetZoom(v, kZoom2x);
    v.scrollX = 300;
    v.scrollY = 20;
    ViewSetZoom(v, kZoom4x);                        // switching zoom returns to the corner
    EXPECT_EQ(v.zoom, kZoom4x);
    EXPECT_EQ(v.scrollX, 0);
    EXPECT_EQ(v.scrollY, 0);

    // A zoomed line repeats each map pixel four times.
    Editor e = Bare();
    e.controls.blend = 10;
    e.doc.land[0] = 11;
    ViewRedrawAll(e);
    uint8_t rgb[3 * 8];
    ViewZoomedLine(v, 0, 0, 8, rgb);
    EXPECT_EQ(rgb[0], 255); EXPECT_EQ(rgb[1], 0); EXPECT_EQ(rgb[9], 255); EXPECT_EQ(rgb[10], 0);
    EXPECT_EQ(rgb[12], 144);                        // fifth pixel: the grass beside it
}

// What the window shows at a view pixel is the map pixel a click there reaches.
TEST(ViewZoom, ShownPixelIsTheClickedPixel) {
    Editor e = Bare();
    Randomise(e, 11);
    ViewRedrawAll(e);
    std::mt19937 rng(3);
    uint8_t rgb[3 * kViewSize];
    for (int zoom : {kZoom2x, kZoom4x}) {
        for (int trial = 0; trial < 6; ++trial) {
            ViewState v;
            ViewSetZoom(v, zoom);
            v.scrollX = int(rng() % (ViewScrollMax(zoom) + 1));
            v.scrollY = int(rng() % (ViewScrollMax(zoom) + 1));
            int vy = int(rng() % kViewSize);
            ViewZoomedLine(v, 0, vy, kViewSize, rgb);
            int my = ViewToMap(zoom, v.scrollY, kViewSize, vy);
            ASSERT_TRUE(my >= 0 && my < kViewSize);
            for (int vx = 0; vx < kViewSize; ++vx) {
                int mx = ViewToMap(zoom, v.scrollX, kViewSize, vx);
                ASSERT_TRUE(mx >= 0 && mx < kViewSize);
                uint32_t c = At(mx, my);
                ASSERT_EQ(rgb[3 * vx], (c >> 16) & 255) << vx;
                ASSERT_EQ(rgb[3 * vx + 1], (c >> 8) & 255) << vx;
                ASSERT_EQ(rgb[3 * vx + 2], c & 255) << vx;
            }
        }
    }
}

TEST(ViewRefresh, UnforcedRefreshesAreThrottledTo50Ms) {
    ViewState v;
    EXPECT_TRUE(ViewRefreshDue(v, 1000, false));
    EXPECT_FALSE(ViewRefreshDue(v, 1020, false));
    EXPECT_FALSE(ViewRefreshDue(v, 1049, false));
    EXPECT_TRUE(ViewRefreshDue(v, 1030, true));     // forced always, and restarts the interval
    EXPECT_FALSE(ViewRefreshDue(v, 1070, false));
    EXPECT_TRUE(ViewRefreshDue(v, 1080, false));
}

// ---- Cursor files ----

std::vector<uint8_t> OneBitCursor() {
    // 8 x 8 cursor, hot spot (3, 4): the left half black, the right half masked out.
    ByteWriter w;
    WriteU16(w, 0); WriteU16(w, 2); WriteU16(w, 1);
    WriteU8(w, 8); WriteU8(w, 8); WriteU8(w, 2); WriteU8(w, 0);
    WriteU16(w, 3); WriteU16(w, 4);
    WriteU32(w, 40 + 8 + 32 + 32); WriteU32(w, 22);
    WriteU32(w, 40); WriteI32(w, 8); WriteI32(w, 16); WriteU16(w, 1); WriteU16(w, 1);
    for (int i = 0; i < 6; ++i) WriteU32(w, 0);
    WriteU32(w, 0x00000000); WriteU32(w, 0x00FFFFFF);   // palette: black, white
    for (int row = 0; row < 8; ++row) { WriteU8(w, row == 0 ? 0x0F : 0x00); WriteU8(w, 0); WriteU16(w, 0); }
    for (int row = 0; row < 8; ++row) { WriteU8(w, 0x0F); WriteU8(w, 0); WriteU16(w, 0); }
    return w.bytes;
}

TEST(ViewCursor, ReadsMaskedCursorsAndTheShippedOne) {
    std::vector<uint8_t> file = OneBitCursor();
    CursorImage c;
    ASSERT_TRUE(DecodeCursorFile(file.data(), file.size(), c));
    EXPECT_EQ(c.width, 8);
    EXPECT_EQ(c.height, 8);
    EXPECT_EQ(c.hotX, 3);
    EXPECT_EQ(c.hotY, 4);
    EXPECT_EQ(c.rgba[3], 255);                      // (0, 0): black, opaque
    EXPECT_EQ(c.rgba[0], 0);
    EXPECT_EQ(c.rgba[4 * 5 + 3], 0);                // (5, 0): masked, transparent
    // The file's first row is the bottom one: its white-under-mask pixels show black.
    size_t bottomRight = (7 * 8 + 5) * 4;
    EXPECT_EQ(c.rgba[bottomRight + 3], 255);
    EXPECT_EQ(c.rgba[bottomRight], 0);

    std::vector<uint8_t> shipped;
    ASSERT_TRUE(ReadWholeFile(DW_SOURCE_DIR "/data/courseforge.cur", shipped));
    ASSERT_TRUE(DecodeCursorFile(shipped.data(), shipped.size(), c));
    EXPECT_EQ(c.width, 32);
    EXPECT_EQ(c.hotX, 15);
    EXPECT_EQ(c.hotY, 15);
    EXPECT_EQ(c.rgba[(15 * 32 + 15) * 4 + 3], 255); // the centre dot is drawn
    EXPECT_EQ(c.rgba[3], 0);                        // the corners are clear
}

TEST(ViewCursor, RejectsDamagedFiles) {
    std::vector<uint8_t> file = OneBitCursor();
    CursorImage c;
    for (size_t n = 0; n < file.size() - 32; ++n)   // every cut before the mask is complete
        EXPECT_FALSE(DecodeCursorFile(file.data(), n, c)) << n;
    std::vector<uint8_t> bad = file;
    bad[22 + 14] = 3;                               // 3 bits per pixel
    EXPECT_FALSE(DecodeCursorFile(bad.data(), bad.size(), c));
    bad = file;
    bad[22 + 4] = 0x00; bad[22 + 5] = 0x10;         // 4096 pixels wide
    EXPECT_FALSE(DecodeCursorFile(bad.data(), bad.size(), c));
    bad = file;
    bad[18] = 0xFF; bad[19] = 0xFF;                 // image offset past the end
    EXPECT_FALSE(DecodeCursorFile(bad.data(), bad.size(), c));
    const uint8_t png[] = {0, 0, 2, 0, 1, 0, 32, 32, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 22, 0, 0, 0,
                           0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    EXPECT_FALSE(DecodeCursorFile(png, sizeof png, c));
}

}  // namespace
