// Fuzzes the INI reader with arbitrary bytes and looks up every key it kept.
#include "Game/shell/ini.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IniFile ini;
    IniParse(ini, reinterpret_cast<const char*>(data), size);
    for (const IniSection& s : ini.sections) {
        for (const IniKey& k : s.keys) {
            int32_t value = 0, type = 0;
            if (!IniGetInt(ini, s.name.c_str(), k.name.c_str(), value, type)) __builtin_trap();
        }
    }
    return 0;
}
