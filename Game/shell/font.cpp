// Bitmap font loading and text drawing. The font image is resampled to the
// UI scale once per load, so drawing is one byte store per ink pixel.
#include "Game/shell/font.h"

#include <cmath>
#include <cstdio>

#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "trackfile/byte_io.h"

std::vector<uint8_t> glyphTable;
int32_t glyphScale = 0;

namespace {

constexpr int kFontRowBytes = kFontImageWidth / 8;
// "font.bmp" is 16062 bytes; a file far larger than that is not a font.
constexpr size_t kMaxFontFileSize = 16u << 20;

// Source pixels an output pixel covers along one axis: the first index,
// and one weight per source pixel from that index on.
struct AxisSpan {
    int first;
    int count;
    float weight[24];  // f = 20 / s spans at most 21 pixels
};

// Spans of the area-coverage filter along one axis. When shrinking, a pixel
// at the far edge covered by less than half is left out: the scan runs from
// the whole part of the start up to the rounded end. When enlarging (f < 1)
// that rule would drop most of the little a square covers and punch holes
// into solid strokes, so every pixel the square touches counts there.
void BuildSpans(int outputs, float f, int sourceSize, std::vector<AxisSpan>& spans) {
    spans.assign(outputs, AxisSpan{});
    for (int c = 0; c < outputs; ++c) {
        float x0 = c * f;
        float x1 = (c + 1) * f;
        int first = int(x0);
        int last = f < 1.0f ? int(std::ceil(x1)) : int(std::lround(x1));
        if (last > sourceSize) last = sourceSize;
        AxisSpan& span = spans[c];
        span.first = first;
        span.count = 0;
        for (int i = first; i < last && span.count < 24; ++i) {
            float lo = i > x0 ? float(i) : x0;
            float hi = i + 1 < x1 ? float(i + 1) : x1;
            span.weight[span.count++] = hi > lo ? hi - lo : 0.0f;
        }
    }
}

// Draws one character cell at (x, y) with its optional shadow, clipped to
// the locked surface; the fast path skips the checks when it fits inside.
void DrawCell(int g, int x, int y, uint8_t colour, uint8_t shadowColour, int width, int height) {
    const int s = glyphScale;
    const size_t stride = size_t(kFontCells) * s;
    const uint8_t* cell = glyphTable.data() + size_t(g) * s;
    const int o = shadowColour ? shadowOffset : 0;
    uint8_t* pixels = lockedPixels;
    const int pitch = lockedPitch;
    if (x >= 0 && y >= 0 && x + s + o <= width && y + 2 * s + o <= height) {
        for (int r = 0; r < 2 * s; ++r) {
            const uint8_t* row = cell + r * stride;
            uint8_t* dst = pixels + ptrdiff_t(y + r) * pitch + x;
            for (int j = 0; j < s; ++j) {
                if (!row[j]) continue;
                if (shadowColour) dst[ptrdiff_t(o) * pitch + o + j] = shadowColour;
                dst[j] = colour;
            }
        }
        return;
    }
    for (int r = 0; r < 2 * s; ++r) {
        const uint8_t* row = cell + r * stride;
        for (int j = 0; j < s; ++j) {
            if (!row[j]) continue;
            int px = x + j, py = y + r;
            if (shadowColour && px + o >= 0 && px + o < width && py + o >= 0 && py + o < height)
                pixels[ptrdiff_t(py + o) * pitch + px + o] = shadowColour;
            if (px >= 0 && px < width && py >= 0 && py < height)
                pixels[ptrdiff_t(py) * pitch + px] = colour;
        }
    }
}

}  // namespace

int FontCell(uint8_t code) {
    if (code <= 32) return 0;
    if (code <= 127) return code - 32;
    if (code <= 191) return 0;
    return code - 96;
}

bool ReadFontImage(const std::vector<uint8_t>& file, std::vector<uint8_t>& ink) {
    ByteReader r = MakeReader(file);
    ReaderSeek(r, 10);
    uint32_t offset = ReadU32(r);
    ReaderSeek(r, 34);
    uint32_t size = ReadU32(r);
    if (r.failed || size != uint32_t(kFontPixelBytes)) return false;
    // The pixel data must really be there: a short file is malformed too.
    if (!ReaderSeek(r, offset) || !ReaderHas(r, kFontPixelBytes)) return false;
    ink.assign(size_t(kFontImageWidth) * kFontCellHeight, 0);
    for (int fileRow = 0; fileRow < kFontCellHeight; ++fileRow) {
        uint8_t* out = ink.data() + size_t(kFontCellHeight - 1 - fileRow) * kFontImageWidth;
        for (int b = 0; b < kFontRowBytes; ++b) {
            uint8_t bits = ReadU8(r);
            for (int k = 0; k < 8; ++k) out[b * 8 + k] = (bits >> (7 - k)) & 1;
        }
    }
    return !r.failed;
}

void BuildGlyphTable(const std::vector<uint8_t>& ink, int s, std::vector<uint8_t>& table) {
    table.clear();
    if (s <= 0 || ink.size() != size_t(kFontImageWidth) * kFontCellHeight) return;
    const int width = kFontCells * s;
    const int height = 2 * s;
    const float f = float(kFontCellWidth) / float(s);
    const float threshold = f * f / 4.0f;
    std::vector<AxisSpan> columns, rows;
    BuildSpans(width, f, kFontImageWidth, columns);
    BuildSpans(height, f, kFontCellHeight, rows);
    table.assign(size_t(width) * height, 0);
    for (int r = 0; r < height; ++r) {
        const AxisSpan& rs = rows[r];
        for (int c = 0; c < width; ++c) {
            const AxisSpan& cs = columns[c];
            float covered = 0.0f;
            for (int i = 0; i < rs.count; ++i) {
                const uint8_t* src = ink.data() + size_t(rs.first + i) * kFontImageWidth + cs.first;
                float across = 0.0f;
                for (int j = 0; j < cs.count; ++j) across += src[j] ? cs.weight[j] : 0.0f;
                covered += across * rs.weight[i];
            }
            table[size_t(r) * width + c] = covered >= threshold ? 1 : 0;
        }
    }
}

void FreeFont() {
    glyphTable.clear();
    glyphTable.shrink_to_fit();
    glyphScale = 0;
}

int LoadFont() {
    SetUiScale(screenWidth, screenHeight);
    FreeFont();
    EnterBaseDirectory();
    std::vector<uint8_t> file;
    // The start-up error box does not say what failed; name the file here.
    if (!ReadWholeFile("font.bmp", file, kMaxFontFileSize)) {
        fprintf(stderr, "\"font.bmp\" is missing or cannot be read.\n");
        return -1;
    }
    std::vector<uint8_t> ink;
    if (!ReadFontImage(file, ink)) {
        fprintf(stderr, "\"font.bmp\" is malformed: its pixel data must be 16000 bytes, a 3200 x 40 image at 1 bit per pixel.\n");
        return -2;
    }
    BuildGlyphTable(ink, uiScale, glyphTable);
    glyphScale = glyphTable.empty() ? 0 : uiScale;
    return 0;
}

void DrawText(const char* text, int x, int y, uint8_t colour, uint8_t shadowColour) {
    if (!text || !lockedPixels || !lockedSurface || glyphScale <= 0) return;
    const int width = lockedSurface->w, height = lockedSurface->h;
    for (; *text; ++text, x += glyphScale) {
        DrawCell(FontCell(uint8_t(*text)), x, y, colour, shadowColour, width, height);
    }
}

void DrawTextInRect(std::string_view text, const TextRect& rect, uint8_t colour, int flags) {
    if (!lockedPixels || !lockedSurface || glyphScale <= 0) return;
    const int s = glyphScale;
    const int length = int(text.size());
    int dx = (flags & kTextCentreX) ? (rect.x2 - length * s - rect.x1) / 2 : 0;
    int dy = (flags & kTextCentreY) ? (rect.y2 - rect.y1 - 2 * s) / 2 : 0;
    // Clip to the rectangle and to the surface together.
    const int left = rect.x1 > 0 ? rect.x1 : 0;
    const int top = rect.y1 > 0 ? rect.y1 : 0;
    const int right = rect.x2 < lockedSurface->w - 1 ? rect.x2 : lockedSurface->w - 1;
    const int bottom = rect.y2 < lockedSurface->h - 1 ? rect.y2 : lockedSurface->h - 1;
    if (left > right || top > bottom) return;
    const size_t stride = size_t(kFontCells) * s;
    const int y = rect.y1 + dy;
    const int r0 = top - y > 0 ? top - y : 0;
    const int r1 = bottom - y + 1 < 2 * s ? bottom - y + 1 : 2 * s;
    uint8_t* const pixels = lockedPixels;
    const ptrdiff_t pitch = lockedPitch;
    const uint8_t* const glyphs = glyphTable.data();
    int x = rect.x1 + dx;
    for (int i = 0; i < length; ++i, x += s) {
        int g = FontCell(uint8_t(text[i]));
        if (x > right || x + s <= left) continue;
        const int j0 = left - x > 0 ? left - x : 0;
        const int j1 = right - x + 1 < s ? right - x + 1 : s;
        const uint8_t* cell = glyphs + size_t(g) * s;
        for (int r = r0; r < r1; ++r) {
            const uint8_t* row = cell + r * stride;
            uint8_t* dst = pixels + ptrdiff_t(y + r) * pitch + x;
            for (int j = j0; j < j1; ++j)
                if (row[j]) dst[j] = colour;
        }
    }
}

int TextWidth(std::string_view text) { return int(text.size()) * uiScale; }
