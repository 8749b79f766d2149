// Feeds arbitrary bytes to the editor's cursor file reader: it may refuse
// them, but never crash or read outside the input, and what it accepts is a
// whole image with its hot spot inside.
#include <cstddef>
#include <cstdint>

#include "Courseforge/view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CursorImage c;
    if (DecodeCursorFile(data, size, c)) {
        if (c.width < 1 || c.height < 1 || c.rgba.size() != size_t(c.width) * c.height * 4) __builtin_trap();
        if (c.hotX < 0 || c.hotX >= c.width || c.hotY < 0 || c.hotY >= c.height) __builtin_trap();
    }
    return 0;
}
