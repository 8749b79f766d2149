// The 256-colour palette: palette files ("palettes/NAME.pal", RIFF layout),
// the built-in palette, and applying colours to the surfaces. Entries
// 192-239 hold the car colours and are never replaced by a palette load.
#include "Game/shell/video.h"
#include "Game/shell/settings.h"
#include "trackfile/byte_io.h"
#include <array>
#include <dirent.h>
#include <strings.h>
#include <string>

SDL_Color currentPalette[256] = {};

namespace {

using Table = std::array<std::array<uint8_t, 3>, 256>;

// One component of a ramp, a*t + b with t = k / (n - 1), truncated. Integer
// arithmetic gives the exact truncation that a float product can miss
// (70 * (1/14) must be 5, not 4.999...).
constexpr uint8_t Ramp(int a, int b, int k, int n) {
    return static_cast<uint8_t>(b + (a * k) / (n - 1));
}

constexpr void SetRamp(Table& t, int first, int n, int ar, int br, int ag, int bg, int ab, int bb) {
    for (int k = 0; k < n; ++k) {
        t[first + k] = {Ramp(ar, br, k, n), Ramp(ag, bg, k, n), Ramp(ab, bb, k, n)};
    }
}

constexpr std::array<uint8_t, 3> BlueTint(const std::array<uint8_t, 3>& c) {
    return {static_cast<uint8_t>(c[0] / 2), static_cast<uint8_t>(c[1] / 2 + 64),
            static_cast<uint8_t>(c[2] / 2 + 128)};
}

constexpr Table MakeBuiltin() {
    Table t{};
    SetRamp(t, 0, 30, 200, 0, 200, 0, 200, 0);
    SetRamp(t, 30, 15, 100, 60, 120, 100, 60, 40);
    SetRamp(t, 45, 15, 90, 70, 75, 60, 60, 50);
    SetRamp(t, 60, 15, 120, 100, 110, 70, 120, 40);
    SetRamp(t, 75, 15, 90, 160, 110, 110, 120, 90);
    SetRamp(t, 90, 15, 85, 160, 70, 180, 55, 200);
    SetRamp(t, 105, 5, 55, 200, 50, 200, 45, 200);
    SetRamp(t, 110, 5, 55, 200, 50, 200, 60, 0);
    SetRamp(t, 115, 5, 55, 200, 60, 0, 60, 0);
    for (int i = 0; i < 24; ++i) t[120 + i] = BlueTint(t[2 + 5 * i]);
    // Twelve groups of four: a three-step ramp and the blue tint of its middle.
    constexpr int ramps[12][6] = {
        {10, 220, 10, 220, 10, 200}, {30, 210, 60, 0, 60, 0},     {20, 170, 30, 180, 30, 100},
        {40, 50, 80, 100, 20, 40},   {64, 96, 80, 120, 20, 30},   {20, 100, 20, 90, 30, 50},
        {60, 20, 60, 20, 60, 20},    {30, 210, 30, 210, 60, 0},   {40, 215, 40, 215, 40, 215},
        {20, 40, 20, 115, 20, 235},  {60, 140, 50, 170, 40, 200}, {20, 180, 20, 100, 20, 60}};
    for (int g = 0; g < 12; ++g) {
        const int* r = ramps[g];
        int first = 144 + 4 * g;
        SetRamp(t, first, 3, r[0], r[1], r[2], r[3], r[4], r[5]);
        t[first + 3] = BlueTint(t[first + 1]);
    }
    constexpr uint8_t fixed[8][3] = {{0, 100, 150}, {0, 50, 75},   {255, 255, 255}, {255, 100, 100},
                                     {255, 0, 0},   {255, 255, 0}, {192, 192, 0},   {0, 255, 0}};
    for (int i = 0; i < 8; ++i) t[240 + i] = {fixed[i][0], fixed[i][1], fixed[i][2]};
    SetRamp(t, 248, 8, 191, 64, 95, 160, 0, 255);
    return t;
}

constexpr Table kBuiltin = MakeBuiltin();

constexpr bool IsCarEntry(int i) { return i >= kCarColoursFirst && i <= kCarColoursLast; }

void SetOnSurfaces() {
    for (int id = 0; id < 3; ++id) {
        SDL_Surface* s = GetSurface(id);
        if (s) SDL_SetPalette(s, SDL_LOGPAL | SDL_PHYSPAL, currentPalette, 0, 256);
    }
}

// "palettes/NAME.pal" as written, else the first entry of the folder whose
// name matches without regard to case; empty when there is none. Names with a
// folder separator are refused so a setting cannot point outside the folder.
std::string PalettePath(const char* name) {
    std::string file = std::string(name) + ".pal";
    if (file.find('/') != std::string::npos || file.find('\\') != std::string::npos) return "";
    std::string path = "palettes/" + file;
    if (IsRegularFile(path.c_str())) return path;
    std::string found;
    if (DIR* dir = opendir("palettes")) {
        while (dirent* e = readdir(dir)) {
            if (strcasecmp(e->d_name, file.c_str()) == 0) {
                found = std::string("palettes/") + e->d_name;
                break;
            }
        }
        closedir(dir);
    }
    return found;
}

}  // namespace

// Exposed as a plain table for code that needs the colours without SDL.
const uint8_t builtinPalette[256][3] = {
#define DW_ROW(i) {kBuiltin[i][0], kBuiltin[i][1], kBuiltin[i][2]}
#define DW_ROW8(i) DW_ROW(i), DW_ROW(i + 1), DW_ROW(i + 2), DW_ROW(i + 3), DW_ROW(i + 4), DW_ROW(i + 5), DW_ROW(i + 6), DW_ROW(i + 7)
#define DW_ROW64(i) DW_ROW8(i), DW_ROW8(i + 8), DW_ROW8(i + 16), DW_ROW8(i + 24), DW_ROW8(i + 32), DW_ROW8(i + 40), DW_ROW8(i + 48), DW_ROW8(i + 56)
    DW_ROW64(0), DW_ROW64(64), DW_ROW64(128), DW_ROW64(192)
#undef DW_ROW64
#undef DW_ROW8
#undef DW_ROW
};

void BuiltinPalette(uint32_t packed[256]) {
    for (int i = 0; i < 256; ++i) {
        if (IsCarEntry(i)) continue;
        packed[i] = (uint32_t(kBuiltin[i][0]) << 16) | (uint32_t(kBuiltin[i][1]) << 8) | kBuiltin[i][2];
    }
}

bool ReadPaletteFile(const char* path, uint32_t packed[256]) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, 1u << 20)) return false;
    return ParsePaletteBytes(bytes.data(), bytes.size(), packed);
}

bool ParsePaletteBytes(const uint8_t* data, size_t size, uint32_t packed[256]) {
    // The RIFF header (24 bytes) is skipped unchecked; 256 entries of
    // red, green, blue, flags must follow.
    ByteReader r = MakeReader(data, size);
    ReaderSkip(r, 24);
    if (!ReaderHas(r, 1024)) return false;
    for (int i = 0; i < 256; ++i) {
        uint8_t red = ReadU8(r), green = ReadU8(r), blue = ReadU8(r);
        ReadU8(r);
        if (!IsCarEntry(i)) packed[i] = (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
    }
    return !r.failed;
}

void ApplyPalette(const uint32_t packed[256]) {
    for (int i = 0; i < 256; ++i) {
        currentPalette[i].r = uint8_t(packed[i] >> 16);
        currentPalette[i].g = uint8_t(packed[i] >> 8);
        currentPalette[i].b = uint8_t(packed[i]);
        currentPalette[i].unused = 0;
    }
    SetOnSurfaces();
}

void CurrentPalette(uint32_t packed[256]) {
    for (int i = 0; i < 256; ++i) {
        const SDL_Color& c = currentPalette[i];
        packed[i] = (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
    }
    SetOnSurfaces();
}

void LoadPalette() {
    uint32_t packed[256];
    CurrentPalette(packed);
    EnterBaseDirectory();
    std::string path = PalettePath(settings.palette);
    if (path.empty() || !ReadPaletteFile(path.c_str(), packed)) BuiltinPalette(packed);
    ApplyPalette(packed);
}
