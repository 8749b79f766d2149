// Feeds arbitrary bytes to the "options.set" reader: a file of version 74 is
// taken field by field, anything else leaves the settings alone; the names
// stay terminated, and a whole record writes back as the same bytes apart
// from the terminators.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Game/shell/settings.h"
#include "fuzz/seeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Settings s;
    DefaultSettings(s);
    ByteWriter w;
    WriteU32(w, kOptionsVersion);
    WriteSettings(w, s);
    WriteFuzzSeed("defaults.set", w.bytes);
    w.bytes.resize(60);  // cut inside the sound set name
    WriteFuzzSeed("short.set", w.bytes);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Settings before;
    DefaultSettings(before);
    Settings s = before;
    bool taken = ParseOptions(data, size, s);
    if (!taken && std::memcmp(&s, &before, sizeof s) != 0)
        __builtin_trap();
    if (s.language[kSettingNameLength] || s.soundSet[kSettingNameLength] || s.palette[kSettingNameLength])
        __builtin_trap();
    if (taken && size >= 4 + size_t(kSettingsSize)) {
        ByteWriter w;
        WriteSettings(w, s);
        if (w.bytes.size() != size_t(kSettingsSize))
            __builtin_trap();
        std::vector<uint8_t> expected(data + 4, data + 4 + kSettingsSize);
        expected[55] = expected[78] = expected[101] = expected[102] = 0;  // terminators are always written as zero
        if (w.bytes != expected)
            __builtin_trap();
    }
    // The same record embedded in another file, read on its own.
    ByteReader r = MakeReader(data, size);
    ReadSettings(r, s);
    return 0;
}
