// Feeds arbitrary bytes to the ".drv" reader: it may not crash or read out of
// bounds, it accepts only 144-byte version-92 files, and a record it accepts
// is written back to a file that reads as the same record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Game/frontend/frontend.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    DriverRecord d;
    if (!ReadDriverFile(file, d))
        return 0;
    if (size != size_t(kDriverFileBytes) || data[0] != 92 || data[1] || data[2] || data[3])
        __builtin_trap();
    std::vector<uint8_t> again = WriteDriverFile(d);
    DriverRecord back;
    if (again.size() != size || !ReadDriverFile(again, back) || WriteDriverFile(back) != again)
        __builtin_trap();
    if (IsComputerDriver(d) && (d.controls[1] < 0 || d.controls[1] > kMaxAiSkill))
        __builtin_trap();
    return 0;
}
