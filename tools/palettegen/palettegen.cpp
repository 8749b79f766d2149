// Writes the shipped palette files: "default.pal" holds the built-in
// palette, "dusk.pal" the same colours in evening light. RIFF palette
// layout: 24 header bytes, then 256 entries of red, green, blue, flags.
// Usage: palettegen OUTPUT_FOLDER
#include "Game/shell/video.h"
#include "trackfile/byte_io.h"
#include <algorithm>
#include <cstdio>
#include <string>

namespace {

bool WritePalette(const std::string& path, const uint8_t colours[256][3]) {
    ByteWriter w;
    WriteBytes(w, "RIFF", 4);
    WriteU32(w, 4 + 8 + 4 + 1024);
    WriteBytes(w, "PAL data", 8);
    WriteU32(w, 4 + 1024);
    WriteU16(w, 0x300);
    WriteU16(w, 256);
    for (int i = 0; i < 256; ++i) {
        WriteBytes(w, colours[i], 3);
        WriteU8(w, 0);
    }
    return WriteFileReplacing(path.c_str(), w.bytes.data(), w.bytes.size());
}

// Evening light: darker, warmer in the mid tones, bluer in the shadows.
void Dusk(const uint8_t in[256][3], uint8_t out[256][3]) {
    for (int i = 0; i < 256; ++i) {
        double r = in[i][0], g = in[i][1], b = in[i][2];
        double light = (r + g + b) / 765.0;
        out[i][0] = uint8_t(std::min(255.0, r * 0.78 + 18 * light));
        out[i][1] = uint8_t(std::min(255.0, g * 0.70));
        out[i][2] = uint8_t(std::min(255.0, b * 0.72 + 28 * (1 - light)));
    }
    // The HUD colours stay as they are.
    for (int i = 240; i < 256; ++i) std::copy(in[i], in[i] + 3, out[i]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: palettegen OUTPUT_FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    uint8_t dusk[256][3];
    Dusk(builtinPalette, dusk);
    if (!WritePalette(dir + "/default.pal", builtinPalette) || !WritePalette(dir + "/dusk.pal", dusk)) {
        fprintf(stderr, "palettegen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
