// Draws sample text with the game's font code at several UI scales, one
// 8-bit BMP per scale, to check how "font.bmp" reads after resampling.
//
//   fontpreview [FOLDER WITH font.bmp] [OUTPUT FOLDER] [scale ...]
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"

namespace {

const char* const kSamples[] = {
    "!\"#$%&'()*+,-./0123456789:;<=>?@",
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`",
    "abcdefghijklmnopqrstuvwxyz{|}~\x7f",
    "\xc0\xc1\xc2\xc3\xc4\xc5\xc6\xc7\xc8\xc9\xca\xcb\xcc\xcd\xce\xcf"
    "\xd0\xd1\xd2\xd3\xd4\xd5\xd6\xd7\xd8\xd9\xda\xdb\xdc\xdd\xde\xdf",
    "\xe0\xe1\xe2\xe3\xe4\xe5\xe6\xe7\xe8\xe9\xea\xeb\xec\xed\xee\xef"
    "\xf0\xf1\xf2\xf3\xf4\xf5\xf6\xf7\xf8\xf9\xfa\xfb\xfc\xfd\xfe\xff",
    "Select player(s) and track(s) first!",
    "Il1| O0o rn m 8B 5S Fastest lap 1:07.45",
    "Gr\xfc\xdf" "e aus K\xf6ln, \xc9t\xe9 \xe0 Z\xfcrich, \xc5ngstr\xf6m",
};

}  // namespace

int main(int argc, char** argv) {
    baseDirectory = argc > 1 ? argv[1] : ".";
    std::string out = argc > 2 ? argv[2] : ".";
    std::vector<int> scales;
    for (int i = 3; i < argc; ++i) scales.push_back(std::atoi(argv[i]));
    if (scales.empty()) scales = {8, 10, 12, 13, 16, 18, 24, 32};
    for (int s : scales) {
        screenWidth = 80 * s;
        screenHeight = 60 * s;
        if (LoadFont() != 0) {
            std::fprintf(stderr, "fontpreview: cannot load %s/font.bmp\n", baseDirectory.c_str());
            return 1;
        }
        const int lines = int(sizeof kSamples / sizeof kSamples[0]);
        SDL_Surface* surface = SDL_CreateRGBSurface(0, 40 * s, (lines * 3 + 1) * s, 8, 0, 0, 0, 0);
        if (!surface) return 1;
        SDL_Color colours[4] = {{40, 60, 90, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}, {255, 220, 60, 0}};
        SDL_SetColors(surface, colours, 0, 4);
        SDL_FillRect(surface, nullptr, 0);
        lockedSurface = surface;
        lockedPixels = static_cast<uint8_t*>(surface->pixels);
        lockedPitch = surface->pitch;
        for (int i = 0; i < lines; ++i)
            DrawText(kSamples[i], s / 2, s / 2 + 3 * s * i, i == lines - 3 ? 3 : 1, i >= lines - 3 ? 2 : 0);
        lockedSurface = nullptr;
        lockedPixels = nullptr;
        std::string path = out + "/fontpreview_" + std::to_string(s) + ".bmp";
        SDL_SaveBMP(surface, path.c_str());
        SDL_FreeSurface(surface);
    }
    FreeFont();
    return 0;
}
