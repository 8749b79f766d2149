// The INI reader behind dw.ini. Each line is a section header "[Name]", an
// assignment "Key = value ; comment", or ignored. Values made only of digits,
// dots and blanks are numbers (real when they hold a dot); anything else,
// a minus sign included, is text.
#include "Game/shell/ini.h"
#include "trackfile/byte_io.h"
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

constexpr size_t kMaxName = 1023;               // longest key, value or section name kept
constexpr size_t kMaxIniFile = 16u << 20;       // larger files are not read

bool IsBlank(char c) { return c == ' '; }

IniSection* FindSection(IniFile& ini, const std::string& name) {
    for (IniSection& s : ini.sections) {
        if (strcasecmp(s.name.c_str(), name.c_str()) == 0) return &s;
    }
    return nullptr;
}

int32_t SaturateInt(long long v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

int32_t TruncateReal(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return int32_t(v);
}

void AddKey(IniSection& section, const std::string& name, const std::string& value, bool numeric) {
    for (const IniKey& k : section.keys) {
        if (strcasecmp(k.name.c_str(), name.c_str()) == 0) return;  // first occurrence wins
    }
    IniKey key;
    key.name = name;
    char buffer[64];
    if (numeric && value.find('.') != std::string::npos) {
        double v = atof(value.c_str());
        key.type = kIniReal;
        key.realValue = float(v);
        key.intValue = TruncateReal(v);
        snprintf(buffer, sizeof buffer, "%g", v);
        key.text = buffer;
    } else if (numeric) {
        errno = 0;
        long long v = strtoll(value.c_str(), nullptr, 10);  // empty gives 0; overflow saturates
        key.type = kIniInt;
        key.intValue = SaturateInt(v);
        key.realValue = float(key.intValue);
        snprintf(buffer, sizeof buffer, "%d", key.intValue);
        key.text = buffer;
    } else {
        key.type = kIniText;
        key.intValue = 0;
        key.realValue = 0.0f;
        key.text = value;
        while (!key.text.empty() && IsBlank(key.text.back())) key.text.pop_back();
    }
    section.keys.push_back(std::move(key));
}

// "Key = value": the key runs to the first blank or "=", then blanks, "=",
// blanks, and the value to the first ";" (the line holds no CR or LF).
void ParseAssignment(IniSection& section, const std::string& line, bool numeric) {
    size_t i = 0;
    while (i < line.size() && line[i] != ' ' && line[i] != '=') ++i;
    if (i == 0) return;
    std::string key = line.substr(0, std::min(i, kMaxName));
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size() || line[i] != '=') return;
    ++i;
    while (i < line.size() && IsBlank(line[i])) ++i;
    size_t end = line.find(';', i);
    if (end == std::string::npos) end = line.size();
    std::string value = line.substr(i, std::min(end - i, kMaxName));
    AddKey(section, key, value, numeric);
}

}  // namespace

void IniParse(IniFile& ini, const char* text, size_t size) {
    // The text ends at the buffer's end or at a zero byte.
    size = strnlen(text, size);
    IniSection* current = nullptr;
    size_t pos = 0;
    while (pos < size) {
        while (pos < size && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        size_t start = pos;
        bool assignment = false, numeric = true, comment = false;
        std::string line;
        while (pos < size && text[pos] != '\r' && text[pos] != '\n') {
            char c = text[pos] == '\t' ? ' ' : text[pos];
            line.push_back(c);
            if (!comment) {
                if (c == ';') {
                    comment = true;
                } else if (assignment) {
                    if (!((c >= '0' && c <= '9') || c == '.' || c == ' ')) numeric = false;
                } else if (c == '=') {
                    assignment = true;
                }
            }
            ++pos;
        }
        while (pos < size && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
        if (pos == start || line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.find(']', 1);
            if (close == std::string::npos) close = line.size();
            if (close == 1) continue;  // "[]" names no section
            std::string name = line.substr(1, std::min(close - 1, kMaxName));
            current = FindSection(ini, name);
            if (!current) {
                ini.sections.push_back({name, {}});
                current = &ini.sections.back();
            }
        } else if (assignment && current) {
            ParseAssignment(*current, line, numeric);
        }
    }
}

bool IniLoad(IniFile& ini, const char* path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxIniFile)) return false;
    IniParse(ini, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
}

const IniKey* IniFind(const IniFile& ini, const char* section, const char* key) {
    for (const IniSection& s : ini.sections) {
        if (strcasecmp(s.name.c_str(), section) != 0) continue;
        for (const IniKey& k : s.keys) {
            if (strcasecmp(k.name.c_str(), key) == 0) return &k;
        }
        return nullptr;
    }
    return nullptr;
}

bool IniGetInt(const IniFile& ini, const char* section, const char* key, int32_t& value, int32_t& type) {
    const IniKey* k = IniFind(ini, section, key);
    if (!k) return false;
    value = k->intValue;
    type = k->type;
    return true;
}
