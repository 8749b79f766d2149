// Bitmap font: "font.bmp" (160 cells of 20 x 40 pixels, 1 bit per pixel)
// resampled once per load to cells of uiScale x 2 uiScale pixels, then drawn
// into the locked 8-bit target in one palette colour. Monospaced: a text of
// n characters is n x uiScale pixels wide and 2 x uiScale pixels tall.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

constexpr int kFontCells = 160;                 // character cells in the image
constexpr int kFontCellWidth = 20;              // source cell size in pixels
constexpr int kFontCellHeight = 40;
constexpr int kFontImageWidth = kFontCells * kFontCellWidth;   // 3200
constexpr int kFontPixelBytes = 16000;          // 400 bytes per row, 40 rows
constexpr int kTextCentreX = 1;                 // DrawTextInRect flag: centre horizontally
constexpr int kTextCentreY = 2;                 // DrawTextInRect flag: centre vertically

// Glyphs at the current scale: 2s rows of 160s bytes, 1 = ink; cell g starts at column g*s.
extern std::vector<uint8_t> glyphTable;
extern int32_t glyphScale;                      // s the table was built for (0: no table)

struct TextRect {
    int x1, y1, x2, y2;                         // pixels, inclusive
};

// Recomputes uiScale from the screen size, then loads "font.bmp" from the
// program directory: 0 on success, -1 when it cannot be opened, -2 when it
// is not a 3200 x 40 one-bit image (pixel data size other than 16000 bytes).
int LoadFont();
void FreeFont();                                // frees the glyph table
// Unpacks the pixel data of a font file's bytes into 3200 x 40 bytes of 0/1,
// top row first; false when the file is malformed.
bool ReadFontImage(const std::vector<uint8_t>& file, std::vector<uint8_t>& ink);
// Area-coverage resampling of the 3200 x 40 ink image to scale s.
void BuildGlyphTable(const std::vector<uint8_t>& ink, int s, std::vector<uint8_t>& table);
int FontCell(uint8_t code);                     // cell of a character code (blank = 0)

// Draws text (up to its end or a zero byte) with its top-left corner at
// (x, y) of the locked target; shadowColour 0 draws no shadow.
void DrawText(const char* text, int x, int y, uint8_t colour, uint8_t shadowColour);
// Draws every byte of text (zero bytes too) inside rect, optionally centred; pixels outside
// the rectangle are not drawn. No shadow.
void DrawTextInRect(std::string_view text, const TextRect& rect, uint8_t colour, int flags);
int TextWidth(std::string_view text);           // length x uiScale pixels
