// Feeds arbitrary bytes to the editor's bitmap and ghost-lap readers: they
// must accept or refuse without touching memory they don't own.
#include "Courseforge/editor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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
