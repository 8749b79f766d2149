// Feeds arbitrary bytes to the editor's bitmap and ghost-lap readers: they
// must accept or refuse without touching memory they don't own.
#include "Courseforge/editor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/seeds.h"

// Bitmaps as the editor exports them, of a striped land map and a slope.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::vector<uint8_t> land(kLandSize * kLandSize);
    std::vector<uint16_t> height(kHeightSize * kHeightSize);
    for (size_t i = 0; i < land.size(); i++)
        land[i] = static_cast<uint8_t>((i / 700) % 13);
    for (size_t i = 0; i < height.size(); i++)
        height[i] = static_cast<uint16_t>(i * 16);
    WriteFuzzSeed("land.bmp", EncodeLandBitmap(land.data()));
    WriteFuzzSeed("height.bmp", EncodeHeightBitmap(height.data()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> land(kLandSize * kLandSize);
    static std::vector<uint16_t> height(kHeightSize * kHeightSize);
    DecodeLandBitmap(data, size, land.data());
    DecodeHeightBitmap(data, size, height.data());
    std::vector<EditorPoint> line;
    DecodeGhostAiLine(data, size, 512.0f / 120, line);
    return 0;
}
