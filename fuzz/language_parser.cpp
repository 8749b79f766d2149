// libFuzzer target: the language file parser over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Game/shell/texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string texts[kTextCount];
    ParseLanguage(reinterpret_cast<const char*>(data), size, texts);
    std::string text;
    // Ids beyond the table still build valid markers.
    FindText(reinterpret_cast<const char*>(data), size, 9999, text);
    return 0;
}
