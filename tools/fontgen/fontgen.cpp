// Rasterises a monospaced TrueType font into the game's "font.bmp": 160
// cells of 20 x 40 pixels in one 1-bit row, cell 0 blank, cells 1-95 the
// codes 33-127 and cells 96-159 the Latin-1 letters 192-255.
//
//   fontgen FONT.ttf OUTPUT.bmp [pixel size]
//
// Glyphs are rendered hinted at one bit per pixel, so stems are whole pixels.
// The game shrinks the 20 x 40 cells to as little as 8 x 16 and makes a pixel
// ink from a quarter of coverage on, so where a stem falls on that coarse grid
// decides whether it comes out one or two pixels wide. The generator therefore
// tries a few horizontal offsets per glyph and one common baseline, and keeps
// the placement whose glyphs at the small UI scales, made with the game's own
// resampling, stay closest to the ideal grey image (the crispest strokes).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Game/shell/font.h"
#include "trackfile/byte_io.h"

namespace {

constexpr int kWidth = kFontImageWidth;
constexpr int kHeight = kFontCellHeight;
constexpr int kRowBytes = kWidth / 8;
constexpr int kShifts[] = {0, -1, 1, 2};      // horizontal offsets tried, preferred first
constexpr int kBaselines[] = {30, 29, 31, 32};
constexpr int kSmallScales[] = {8, 10, 12};   // 640 x 480, 800 x 600, 1024 x 768

struct Glyph {
    bool present = false;
    int left = 0, top = 0;                    // bitmap origin relative to cell and baseline
    int width = 0, rows = 0;
    std::vector<uint8_t> bits;                // width x rows, 1 = ink
};

// Unicode character drawn in a cell; code 127 gets the house sign that
// text-mode fonts traditionally show there.
unsigned long CellCharacter(int cell) {
    if (cell == 0) return 0;
    if (cell < 96) return cell + 32 == 127 ? 0x2302 : cell + 32;
    return cell + 96;
}

// Draws a glyph into its cell; returns the number of pixels that fell outside.
int Place(std::vector<uint8_t>& ink, int cell, const Glyph& g, int shift, int baseline) {
    int clipped = 0;
    for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.width; ++x) {
            if (!g.bits[size_t(y) * g.width + x]) continue;
            int cx = g.left + shift + x, py = baseline - g.top + y;
            if (cx < 0 || cx >= kFontCellWidth || py < 0 || py >= kHeight) {
                ++clipped;
                continue;
            }
            ink[size_t(py) * kWidth + cell * kFontCellWidth + cx] = 1;
        }
    return clipped;
}

// The dot inside the zero is a few pixels small and vanishes at 8 x 16,
// leaving a zero that looks like the letter O; make it a 4 x 6 block.
void EnlargeZeroDot(Glyph& g) {
    if (!g.present) return;
    int cx = g.width / 2, cy = g.rows / 2;
    for (int y = cy - 3; y < cy + 3; ++y)
        for (int x = cx - 2; x < cx + 2; ++x)
            if (x >= 0 && x < g.width && y >= 0 && y < g.rows) g.bits[size_t(y) * g.width + x] = 1;
}

// Exact box-filter weights of the source pixels under each output pixel.
struct Span {
    int first = 0;
    std::vector<double> weight;
};

std::vector<Span> BoxSpans(int outputs, double f) {
    std::vector<Span> spans(outputs);
    for (int c = 0; c < outputs; ++c) {
        double x0 = c * f, x1 = (c + 1) * f;
        spans[c].first = int(x0);
        for (int i = int(x0); i < x1; ++i) {
            double lo = i > x0 ? i : x0, hi = i + 1 < x1 ? i + 1 : x1;
            spans[c].weight.push_back(hi - lo);
        }
    }
    return spans;
}

// How far the game's one-bit glyphs at the small scales stray from the
// ideal grey image: the sum over output pixels of |ink - covered fraction|,
// each scale weighted by its cell area. Blurred, blobbed or lost strokes
// all raise it.
std::vector<double> ErrorPerCell(const std::vector<uint8_t>& ink) {
    std::vector<double> score(kFontCells, 0.0);
    std::vector<uint8_t> table;
    for (int s : kSmallScales) {
        BuildGlyphTable(ink, s, table);
        const double f = double(kFontCellWidth) / s;
        std::vector<Span> cols = BoxSpans(kFontCells * s, f), rows = BoxSpans(2 * s, f);
        for (int r = 0; r < 2 * s; ++r)
            for (int c = 0; c < kFontCells * s; ++c) {
                double covered = 0;
                for (size_t i = 0; i < rows[r].weight.size(); ++i)
                    for (size_t j = 0; j < cols[c].weight.size(); ++j)
                        if (ink[size_t(rows[r].first + i) * kWidth + cols[c].first + j])
                            covered += rows[r].weight[i] * cols[c].weight[j];
                double out = table[size_t(r) * kFontCells * s + c];
                double err = out - covered / (f * f);
                score[c / s] += (err < 0 ? -err : err) / (s * s);
            }
    }
    return score;
}

std::vector<uint8_t> BitmapFile(const std::vector<uint8_t>& ink) {
    // Windows bitmap, 1 bit per pixel, rows bottom-up, most significant bit leftmost.
    ByteWriter w;
    const uint32_t dataOffset = 14 + 40 + 8;
    const uint32_t dataSize = kRowBytes * kHeight;
    WriteU8(w, 'B');
    WriteU8(w, 'M');
    WriteU32(w, dataOffset + dataSize);
    WriteU32(w, 0);
    WriteU32(w, dataOffset);
    WriteU32(w, 40);
    WriteI32(w, kWidth);
    WriteI32(w, kHeight);
    WriteU16(w, 1);
    WriteU16(w, 1);
    WriteU32(w, 0);
    WriteU32(w, dataSize);
    WriteI32(w, 2835);
    WriteI32(w, 2835);
    WriteU32(w, 2);
    WriteU32(w, 2);
    WriteU32(w, 0x000000);  // colour 0: background, black
    WriteU32(w, 0xFFFFFF);  // colour 1: ink, white
    for (int y = kHeight - 1; y >= 0; --y)
        for (int b = 0; b < kRowBytes; ++b) {
            uint8_t bits = 0;
            for (int k = 0; k < 8; ++k)
                if (ink[size_t(y) * kWidth + b * 8 + k]) bits |= uint8_t(0x80 >> k);
            WriteU8(w, bits);
        }
    return w.bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fontgen FONT.ttf OUTPUT.bmp [pixel size]\n");
        return 2;
    }
    const int pixelSize = argc > 3 ? std::atoi(argv[3]) : 30;
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face)) {
        std::fprintf(stderr, "fontgen: cannot open %s\n", argv[1]);
        return 1;
    }
    FT_Set_Pixel_Sizes(face, 0, pixelSize);

    std::vector<Glyph> glyphs(kFontCells);
    for (int cell = 1; cell < kFontCells; ++cell) {
        unsigned long ch = CellCharacter(cell);
        if (!FT_Get_Char_Index(face, ch)) {
            std::fprintf(stderr, "fontgen: no glyph for U+%04lX\n", ch);
            continue;
        }
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO)) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        Glyph& g = glyphs[cell];
        g.present = true;
        g.left = (kFontCellWidth - int(slot->advance.x >> 6)) / 2 + slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = int(bm.width);
        g.rows = int(bm.rows);
        g.bits.assign(size_t(g.width) * g.rows, 0);
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x)
                g.bits[size_t(y) * g.width + x] = (bm.buffer[ptrdiff_t(y) * bm.pitch + (x >> 3)] >> (7 - (x & 7))) & 1;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    EnlargeZeroDot(glyphs[FontCell('0')]);

    // For every baseline, the best offset of each glyph; keep the baseline
    // with the least error overall. A placement that clips a glyph is not used.
    double bestTotal = 1e30;
    std::vector<int> bestShift(kFontCells, 0);
    int bestBaseline = -1;
    for (int baseline : kBaselines) {
        std::vector<double> cellBest(kFontCells, 1e30);
        std::vector<int> cellShift(kFontCells, 0);
        for (int shift : kShifts) {
            std::vector<uint8_t> ink(size_t(kWidth) * kHeight, 0);
            std::vector<int> clipped(kFontCells, 0);
            for (int cell = 1; cell < kFontCells; ++cell)
                if (glyphs[cell].present) clipped[cell] = Place(ink, cell, glyphs[cell], shift, baseline);
            std::vector<double> score = ErrorPerCell(ink);
            for (int cell = 0; cell < kFontCells; ++cell) {
                if (clipped[cell]) continue;
                if (score[cell] < cellBest[cell] - 1e-9) {
                    cellBest[cell] = score[cell];
                    cellShift[cell] = shift;
                }
            }
        }
        double total = 0;
        for (double v : cellBest) total += v;
        if (total < bestTotal - 1e-9) {
            bestTotal = total;
            bestShift = cellShift;
            bestBaseline = baseline;
        }
    }
    if (bestTotal >= 1e29) {
        std::fprintf(stderr, "fontgen: the glyphs do not fit the 20 x 40 cells at size %d\n", pixelSize);
        return 1;
    }
    std::vector<uint8_t> ink(size_t(kWidth) * kHeight, 0);
    for (int cell = 1; cell < kFontCells; ++cell)
        if (glyphs[cell].present) Place(ink, cell, glyphs[cell], bestShift[cell], bestBaseline);
    std::printf("fontgen: baseline at row %d\n", bestBaseline);

    std::vector<uint8_t> file = BitmapFile(ink);
    if (!WriteFileReplacing(argv[2], file.data(), file.size())) {
        std::fprintf(stderr, "fontgen: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
