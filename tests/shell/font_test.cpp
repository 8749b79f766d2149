// Font loading, area-coverage resampling and text drawing with shadow and clipping.
#include <gtest/gtest.h>
#include <SDL.h>
#include <stdlib.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "Game/shell/folders.h"
#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "trackfile/byte_io.h"

namespace {

constexpr int kImageSize = kFontImageWidth * kFontCellHeight;

// A 1-bit font file: pixel data at dataOffset, declared size, actual bytes.
std::vector<uint8_t> FontFile(uint32_t declaredSize, size_t actualBytes, uint32_t dataOffset = 62) {
    ByteWriter w;
    WriteU8(w, 'B');
    WriteU8(w, 'M');
    WriteU32(w, uint32_t(dataOffset + actualBytes));
    WriteU32(w, 0);
    WriteU32(w, dataOffset);
    WriteU32(w, 40);
    WriteI32(w, kFontImageWidth);
    WriteI32(w, kFontCellHeight);
    WriteU16(w, 1);
    WriteU16(w, 1);
    WriteU32(w, 0);
    WriteU32(w, declaredSize);
    while (w.bytes.size() < dataOffset && w.bytes.size() < 62) WriteU8(w, 0);
    for (size_t i = 0; i < actualBytes; ++i) WriteU8(w, 0);
    return w.bytes;
}

// Ink image with every cell but the blank cell 0 solid.
std::vector<uint8_t> SolidCells() {
    std::vector<uint8_t> ink(kImageSize, 1);
    for (int y = 0; y < kFontCellHeight; ++y)
        for (int x = 0; x < kFontCellWidth; ++x) ink[y * kFontImageWidth + x] = 0;
    return ink;
}

void InkRect(std::vector<uint8_t>& ink, int x0, int y0, int w, int h) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) ink[y * kFontImageWidth + x] = 1;
}

uint8_t Glyph(const std::vector<uint8_t>& table, int s, int row, int col) {
    return table[size_t(row) * kFontCells * s + col];
}

// An 8-bit surface standing in for the locked drawing target.
struct DrawTarget : ::testing::Test {
    SDL_Surface* surface = nullptr;
    void Use(int w, int h, const std::vector<uint8_t>& ink, int s, int shadow) {
        surface = SDL_CreateRGBSurface(0, w, h, 8, 0, 0, 0, 0);
        ASSERT_NE(surface, nullptr);
        SDL_FillRect(surface, nullptr, 0);
        lockedSurface = surface;
        lockedPixels = static_cast<uint8_t*>(surface->pixels);
        lockedPitch = surface->pitch;
        BuildGlyphTable(ink, s, glyphTable);
        glyphScale = s;
        uiScale = s;
        shadowOffset = shadow;
    }
    void TearDown() override {
        lockedSurface = nullptr;
        lockedPixels = nullptr;
        lockedPitch = 0;
        FreeFont();
        if (surface) SDL_FreeSurface(surface);
    }
    uint8_t At(int x, int y) const { return lockedPixels[y * lockedPitch + x]; }
    int Count(uint8_t colour) const {
        int n = 0;
        for (int y = 0; y < surface->h; ++y)
            for (int x = 0; x < surface->w; ++x) n += At(x, y) == colour;
        return n;
    }
};

// A program directory of its own for font files.
struct FontFolder : ::testing::Test {
    std::string dir;
    void SetUp() override {
        char pattern[] = "/tmp/dw_font_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        baseDirectory = dir;
    }
    void TearDown() override {
        baseDirectory.clear();
        ASSERT_EQ(chdir("/"), 0);
        DeleteFolder(dir);
        FreeFont();
    }
    void Write(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(WriteFileReplacing((dir + "/font.bmp").c_str(), bytes.data(), bytes.size()));
    }
};

}  // namespace

TEST(FontCell, CodesMapToCells) {
    EXPECT_EQ(FontCell(0), 0);
    EXPECT_EQ(FontCell(32), 0);
    EXPECT_EQ(FontCell(33), 1);
    EXPECT_EQ(FontCell(127), 95);
    EXPECT_EQ(FontCell(128), 0);
    EXPECT_EQ(FontCell(191), 0);
    EXPECT_EQ(FontCell(192), 96);
    EXPECT_EQ(FontCell(255), 159);
}

TEST(FontImage, RowsAreStoredBottomUpMostSignificantBitLeft) {
    std::vector<uint8_t> file = FontFile(kFontPixelBytes, kFontPixelBytes);
    file[62] = 0x80;                        // first stored row = bottom row, leftmost pixel
    file[62 + 15999] = 0x01;                // last stored row = top row, rightmost pixel
    std::vector<uint8_t> ink;
    ASSERT_TRUE(ReadFontImage(file, ink));
    ASSERT_EQ(ink.size(), size_t(kImageSize));
    EXPECT_EQ(ink[39 * kFontImageWidth + 0], 1);
    EXPECT_EQ(ink[0 * kFontImageWidth + 3199], 1);
    int total = 0;
    for (uint8_t v : ink) total += v;
    EXPECT_EQ(total, 2);
}

TEST(GlyphTable, SolidCellsStaySolidAtEveryScale) {
    std::vector<uint8_t> ink(kImageSize, 0);
    InkRect(ink, 33 * kFontCellWidth, 0, kFontCellWidth, kFontCellHeight);
    // Enlarged cells (scale above 20) must not get holes either.
    for (int s : {1, 3, 8, 13, 18, 23, 24, 32, 36, 48, 61}) {
        std::vector<uint8_t> table;
        BuildGlyphTable(ink, s, table);
        ASSERT_EQ(table.size(), size_t(s) * s * 320) << s;
        int inCell = 0, outside = 0;
        for (int r = 0; r < 2 * s; ++r)
            for (int c = 0; c < kFontCells * s; ++c) {
                bool cell = c >= 33 * s && c < 34 * s;
                (cell ? inCell : outside) += Glyph(table, s, r, c);
            }
        EXPECT_EQ(inCell, 2 * s * s) << s;
        EXPECT_EQ(outside, 0) << s;
    }
}

TEST(GlyphTable, InkNeedsAQuarterOfTheSquare) {
    // Scale 10: each output pixel covers 2 x 2 source pixels; one is a quarter.
    std::vector<uint8_t> ink(kImageSize, 0);
    InkRect(ink, 20, 0, 1, 1);
    std::vector<uint8_t> table;
    BuildGlyphTable(ink, 10, table);
    EXPECT_EQ(Glyph(table, 10, 0, 10), 1);
    // Scale 8: 2.5 x 2.5 source pixels; one pixel is less than a quarter, two are more.
    BuildGlyphTable(ink, 8, table);
    EXPECT_EQ(Glyph(table, 8, 0, 8), 0);
    InkRect(ink, 21, 0, 1, 1);
    BuildGlyphTable(ink, 8, table);
    EXPECT_EQ(Glyph(table, 8, 0, 8), 1);
}

TEST(GlyphTable, FarEdgeCoveredByLessThanHalfIsLeftOut) {
    // Scale 12: output column 13 covers source [21.67, 23.33). Columns 21
    // and 23 are ink; only the first counts (a third of a pixel, short of
    // the quarter), column 23 lies in the left-out far edge.
    std::vector<uint8_t> ink(kImageSize, 0);
    InkRect(ink, 21, 0, 1, kFontCellHeight);
    InkRect(ink, 23, 0, 1, kFontCellHeight);
    std::vector<uint8_t> table;
    BuildGlyphTable(ink, 12, table);
    EXPECT_EQ(Glyph(table, 12, 5, 12), 1);
    EXPECT_EQ(Glyph(table, 12, 5, 13), 0);
    EXPECT_EQ(Glyph(table, 12, 5, 14), 1);
    EXPECT_EQ(Glyph(table, 12, 5, 15), 0);
}

TEST_F(FontFolder, ScaleFollowsTheScreenAndTableSize) {
    Write(FontFile(kFontPixelBytes, kFontPixelBytes));
    screenWidth = 640, screenHeight = 480;
    ASSERT_EQ(LoadFont(), 0);
    EXPECT_EQ(uiScale, 8);
    EXPECT_EQ(glyphTable.size(), 20480u);
    screenWidth = 800, screenHeight = 480;
    ASSERT_EQ(LoadFont(), 0);
    EXPECT_EQ(uiScale, 8);
    screenWidth = 1920, screenHeight = 1080;
    ASSERT_EQ(LoadFont(), 0);
    EXPECT_EQ(uiScale, 18);
    EXPECT_EQ(lineWidth, 4);
    EXPECT_EQ(shadowOffset, 2);
    EXPECT_EQ(glyphTable.size(), 18u * 18u * 320u);
}

TEST_F(FontFolder, MalformedFilesAreRejected) {
    screenWidth = 1024, screenHeight = 768;
    EXPECT_EQ(LoadFont(), -1);
    EXPECT_EQ(uiScale, 12);  // the scale is set even when loading fails
    Write(FontFile(15999, 15999));
    EXPECT_EQ(LoadFont(), -2);
    Write(FontFile(16000 * 4, 16000 * 4));  // e.g. a 4-bit image
    EXPECT_EQ(LoadFont(), -2);
    Write(FontFile(kFontPixelBytes, 15999));  // pixel data cut short
    EXPECT_EQ(LoadFont(), -2);
    Write(FontFile(kFontPixelBytes, kFontPixelBytes, 0xFFFFFFF0u));  // data offset past the end
    EXPECT_EQ(LoadFont(), -2);
    std::vector<uint8_t> stub = FontFile(kFontPixelBytes, 0);
    stub.resize(36);  // the size field itself is cut
    Write(stub);
    EXPECT_EQ(LoadFont(), -2);
    EXPECT_TRUE(glyphTable.empty());
}

TEST_F(DrawTarget, InkCoversShadow) {
    std::vector<uint8_t> ink(kImageSize, 0);
    InkRect(ink, FontCell('A') * kFontCellWidth, 0, 4, 4);  // a 2 x 2 block at scale 10
    Use(40, 40, ink, 10, 1);
    DrawText("A", 5, 5, 7, 3);
    EXPECT_EQ(At(5, 5), 7);
    EXPECT_EQ(At(6, 5), 7);
    EXPECT_EQ(At(5, 6), 7);
    EXPECT_EQ(At(6, 6), 7);  // shadow of (5, 5) overwritten by ink
    EXPECT_EQ(At(7, 6), 3);
    EXPECT_EQ(At(6, 7), 3);
    EXPECT_EQ(At(7, 7), 3);
    EXPECT_EQ(Count(7), 4);
    EXPECT_EQ(Count(3), 3);
    // Shadow colour 0 draws no shadow.
    SDL_FillRect(surface, nullptr, 0);
    DrawText("A", 5, 5, 7, 0);
    EXPECT_EQ(Count(7), 4);
    EXPECT_EQ(Count(0), 40 * 40 - 4);
}

TEST_F(DrawTarget, BlankCodesAdvanceAndZeroEndsText) {
    Use(120, 30, SolidCells(), 10, 1);
    DrawText("\x01\x80\xbf A\0A", 0, 0, 9, 0);
    for (int x = 0; x < 40; ++x) EXPECT_EQ(At(x, 5), 0) << x;
    for (int x = 40; x < 50; ++x) EXPECT_EQ(At(x, 5), 9) << x;
    EXPECT_EQ(Count(9), 10 * 20);
}

TEST_F(DrawTarget, TextPastTheSurfaceEdgesIsClipped) {
    Use(30, 30, SolidCells(), 10, 2);
    DrawText("AA", -13, -15, 9, 4);
    // The second character covers x -3..6, y -15..4; its shadow reaches (8, 6).
    EXPECT_EQ(At(0, 0), 9);
    EXPECT_EQ(At(6, 4), 9);
    EXPECT_EQ(At(7, 4), 4);
    EXPECT_EQ(At(8, 6), 4);
    EXPECT_EQ(At(9, 4), 0);
    EXPECT_EQ(At(0, 7), 0);
    DrawText("AAAA", 25, 25, 9, 4);
    EXPECT_EQ(At(29, 29), 9);
    DrawTextInRect("AAAA", TextRect{25, 25, 500, 500}, 5, 0);
    EXPECT_EQ(At(29, 29), 5);
}

TEST_F(DrawTarget, CentredTextNarrowerRectIsClippedOnBothSides) {
    Use(60, 50, SolidCells(), 10, 1);
    // 40 pixels of text in a 10-pixel rectangle: starts at 20 + (29 - 40 - 20) / 2 = 5.
    DrawTextInRect("AAAA", TextRect{20, 10, 29, 40}, 6, kTextCentreX | kTextCentreY);
    for (int x = 0; x < 60; ++x) EXPECT_EQ(At(x, 20), (x >= 20 && x <= 29) ? 6 : 0) << x;
    // Vertically: (40 - 10 - 20) / 2 = 5 rows down, 20 rows tall.
    EXPECT_EQ(At(25, 14), 0);
    EXPECT_EQ(At(25, 15), 6);
    EXPECT_EQ(At(25, 34), 6);
    EXPECT_EQ(At(25, 35), 0);
    EXPECT_EQ(Count(6), 10 * 20);
}

TEST_F(DrawTarget, RectTextDrawsPastZeroBytes) {
    Use(60, 30, SolidCells(), 10, 1);
    DrawTextInRect(std::string("A\0A", 3), TextRect{0, 0, 59, 29}, 6, 0);
    EXPECT_EQ(At(5, 5), 6);
    EXPECT_EQ(At(15, 5), 0);
    EXPECT_EQ(At(25, 5), 6);
}

TEST(ShippedFont, EveryGlyphIsInkedAndDistinctAtTheSmallestScale) {
    std::vector<uint8_t> file, ink;
    ASSERT_TRUE(ReadWholeFile(DW_SOURCE_DIR "/data/font.bmp", file));
    ASSERT_TRUE(ReadFontImage(file, ink));
    for (int s : {8, 18}) {
        std::vector<uint8_t> table;
        BuildGlyphTable(ink, s, table);
        std::set<std::vector<uint8_t>> shapes;
        for (int g = 0; g < kFontCells; ++g) {
            std::vector<uint8_t> shape;
            for (int r = 0; r < 2 * s; ++r)
                for (int j = 0; j < s; ++j) shape.push_back(Glyph(table, s, r, g * s + j));
            int inked = 0;
            for (uint8_t v : shape) inked += v;
            if (g == 0) EXPECT_EQ(inked, 0);
            else EXPECT_GT(inked, 0) << "cell " << g << " at scale " << s;
            EXPECT_TRUE(shapes.insert(shape).second) << "cell " << g << " at scale " << s;
        }
    }
}
