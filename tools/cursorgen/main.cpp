// Makes the editor's pointer, data/courseforge.cur: a 32 x 32 Windows cursor
// of 32 bits per pixel with alpha and an AND mask, showing a thin black
// cross-hair with a white rim and an open centre, hot spot in the middle.
// Usage: cursorgen OUTPUT.cur
#include <cstdio>
#include <cstdlib>

#include "trackfile/byte_io.h"

namespace {

constexpr int kSize = 32;
constexpr int kHot = 15;

// 0 = transparent, 1 = black, 2 = white.
int Shape(int x, int y) {
    int dx = x - kHot, dy = y - kHot;
    int ax = std::abs(dx), ay = std::abs(dy);
    bool armX = dy == 0 && ax >= 4 && ax <= 13;   // horizontal arms
    bool armY = dx == 0 && ay >= 4 && ay <= 13;   // vertical arms
    bool dot = dx == 0 && dy == 0;
    if (armX || armY || dot) return 1;
    bool rimX = ay <= 1 && ax >= 3 && ax <= 14;
    bool rimY = ax <= 1 && ay >= 3 && ay <= 14;
    bool rimDot = ax <= 1 && ay <= 1;
    return rimX || rimY || rimDot ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cursorgen OUTPUT.cur\n");
        return 2;
    }
    const int xorBytes = kSize * kSize * 4, andBytes = kSize * 4;  // mask rows of 32 bits
    const int imageBytes = 40 + xorBytes + andBytes;
    ByteWriter w;
    WriteU16(w, 0);          // reserved
    WriteU16(w, 2);          // cursor
    WriteU16(w, 1);          // one image
    WriteU8(w, kSize);
    WriteU8(w, kSize);
    WriteU8(w, 0);           // no palette
    WriteU8(w, 0);
    WriteU16(w, kHot);       // hot spot
    WriteU16(w, kHot);
    WriteU32(w, imageBytes);
    WriteU32(w, 22);         // image follows the directory
    WriteU32(w, 40);         // BITMAPINFOHEADER
    WriteI32(w, kSize);
    WriteI32(w, kSize * 2);  // colour image and mask
    WriteU16(w, 1);
    WriteU16(w, 32);
    WriteU32(w, 0);
    WriteU32(w, xorBytes + andBytes);
    WriteU32(w, 0);
    WriteU32(w, 0);
    WriteU32(w, 0);
    WriteU32(w, 0);
    for (int row = kSize - 1; row >= 0; --row)  // bottom row first
        for (int x = 0; x < kSize; ++x) {
            int s = Shape(x, row);
            uint8_t c = s == 2 ? 255 : 0;
            WriteU8(w, c);
            WriteU8(w, c);
            WriteU8(w, c);
            WriteU8(w, s ? 255 : 0);
        }
    for (int row = kSize - 1; row >= 0; --row)
        for (int byte = 0; byte < 4; ++byte) {
            uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (Shape(byte * 8 + bit, row) == 0) bits |= uint8_t(0x80 >> bit);
            WriteU8(w, bits);
        }
    if (!WriteFileReplacing(argv[1], w.bytes.data(), w.bytes.size())) {
        std::fprintf(stderr, "cursorgen: can't write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
