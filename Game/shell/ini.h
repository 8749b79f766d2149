// A small INI reader: sections of typed keys, names compared without regard
// to case, the first occurrence of a key winning.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum IniType { kIniInt = 0, kIniReal = 1, kIniText = 2 };

struct IniKey {
    std::string name;
    int32_t type;                               // IniType
    int32_t intValue;                           // for a real: truncated
    float realValue;                            // for an integer: converted
    std::string text;                           // numbers formatted back to text
};

struct IniSection {
    std::string name;
    std::vector<IniKey> keys;
};

struct IniFile {
    std::vector<IniSection> sections;
};

bool IniLoad(IniFile& ini, const char* path);   // parses a whole file; false if it cannot be read fully
void IniParse(IniFile& ini, const char* text, size_t size);  // parses a buffer (need not be terminated)
const IniKey* IniFind(const IniFile& ini, const char* section, const char* key);  // null when absent
bool IniGetInt(const IniFile& ini, const char* section, const char* key, int32_t& value, int32_t& type);
