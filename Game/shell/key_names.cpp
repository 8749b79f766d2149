// Display names of key codes and joystick bindings for the controls menu.
#include "Game/shell/input.h"

#include "Game/shell/texts.h"

#include <cstdio>

namespace {

struct NamedRange {
    int first;
    const char* const* names;
    int count;
};

const char* const kControl[] = {"backspace", "tab"};
const char* const kPunctuation1[] = {"space", "!", "\"", "#", "$"};
const char* const kPunctuation2[] = {"&", "'", "(", ")", "*", "+", "comma", "-", "period", "/"};
const char* const kPunctuation3[] = {":", ";", "<", "=", ">", "?", "@"};
const char* const kBrackets[] = {"[", "\\", "]", "^", "undersc", "backqt"};
const char* const kKeypad[] = {"KP period", "KP divide", "KP mult", "KP minus", "KP plus", "KP enter", "KP equals"};
const char* const kArrows[] = {"up", "down", "right", "left", "insert", "home", "end", "page up", "page down"};
const char* const kLocks[] = {"num lock", "caps lock", "scrl lock"};
const char* const kModifiers[] = {"R shift", "L shift", "R ctrl", "L ctrl", "R alt", "L alt",
                                  "R meta", "L meta", "L super", "R super", "Alt Gr"};
const char* const kSystem[] = {"compose", "help", "print", "sys req", "break", "menu", "power", "euro", "undo"};
const char* const kClear[] = {"clear", "enter"};
const char* const kPause[] = {"pause"};
const char* const kEscape[] = {"escape"};
const char* const kDelete[] = {"delete"};

const NamedRange kRanges[] = {
    {8, kControl, 2},       {12, kClear, 2},        {19, kPause, 1},     {27, kEscape, 1},
    {32, kPunctuation1, 5}, {38, kPunctuation2, 10}, {58, kPunctuation3, 7}, {91, kBrackets, 6},
    {127, kDelete, 1},      {266, kKeypad, 7},      {273, kArrows, 9},   {300, kLocks, 3},
    {303, kModifiers, 11},  {314, kSystem, 9},
};


}  // namespace

std::string KeyName(int code)
{
    if (code < 0 || code >= kKeyNameCount) return std::string();
    for (const NamedRange& r : kRanges) {
        if (code >= r.first && code < r.first + r.count) return r.names[code - r.first];
    }
    char buf[16];
    if (code >= '0' && code <= '9') return std::string(1, static_cast<char>(code));
    if (code >= 'A' && code <= 'Z') return std::string(1, static_cast<char>(code));
    if (code >= 'a' && code <= 'z') return std::string(1, static_cast<char>(code - 'a' + 'A'));
    if (code >= 256 && code <= 265) {
        std::snprintf(buf, sizeof buf, "KP %d", code - 256);
        return buf;
    }
    if (code >= 282 && code <= 296) {
        std::snprintf(buf, sizeof buf, "F%d", code - 281);
        return buf;
    }
    std::snprintf(buf, sizeof buf, "c%d", code);
    return buf;
}

std::string JoyBindingName(const JoyBinding& binding)
{
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "Joy #%d: ", binding.joystick);
    switch (binding.kind) {
    case kJoyAxis:
        std::snprintf(buf + n, sizeof buf - n, "Axis #%d%c", binding.input, binding.negative ? '-' : '+');
        break;
    case kJoyButton: std::snprintf(buf + n, sizeof buf - n, "Button #%d", binding.input); break;
    case kJoyHat: std::snprintf(buf + n, sizeof buf - n, "Hat #%d", binding.input); break;
    default: return texts[kTextUnassigned];
    }
    return buf;
}
