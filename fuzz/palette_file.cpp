// Feeds arbitrary bytes to the palette file reader: a file with 24 header
// bytes and 256 entries is taken, a shorter one refused, and the car colours
// (the entries the race sets itself) are never touched.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Game/shell/video.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t packed[256];
    for (int i = 0; i < 256; ++i)
        packed[i] = 0xA5000000u | uint32_t(i);
    bool ok = ParsePaletteBytes(data, size, packed);
    if (ok != (size >= 24 + 1024))
        __builtin_trap();
    for (int i = kCarColoursFirst; i <= kCarColoursLast; ++i)
        if (packed[i] != (0xA5000000u | uint32_t(i)))
            __builtin_trap();
    if (ok) {
        const uint8_t* e = data + 24 + 4 * 7;
        if (packed[7] != ((uint32_t(e[0]) << 16) | (uint32_t(e[1]) << 8) | e[2]))
            __builtin_trap();
    }
    return 0;
}
