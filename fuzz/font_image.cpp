// libFuzzer target: reading a "font.bmp" image and resampling it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Game/shell/font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size), ink, table;
    if (ReadFontImage(file, ink)) BuildGlyphTable(ink, 8, table);
    return 0;
}
