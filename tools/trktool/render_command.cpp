// trktool render: draws a track file's picture the way a race (or the track
// menu's preview) shows it and writes it as an 8-bit BMP with the game's
// built-in palette.
//   trktool render [--preview] [--fast] FILE OUT.bmp [WIDTHxHEIGHT]
// The race picture (default 640 x 480) includes the cleared panel strip at
// the bottom; --preview draws the small preview (default 160 x 120) and
// --fast leaves the objects out as the FasterTrackPreview setting does.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "Game/shell/settings.h"
#include "Game/shell/video.h"
#include "Game/track/render.h"
#include "Game/track/track.h"

int RenderCommand(int argc, char** argv)
{
    bool preview = false, fast = false;
    const char* args[3] = {};
    int count = 0;
    for (int k = 0; k < argc; ++k) {
        if (std::strcmp(argv[k], "--preview") == 0)
            preview = true;
        else if (std::strcmp(argv[k], "--fast") == 0)
            fast = true;
        else if (count < 3)
            args[count++] = argv[k];
        else
            count = 4;
    }
    if (count < 2 || count > 3) {
        std::fprintf(stderr, "usage: trktool render [--preview] [--fast] FILE OUT.bmp [WIDTHxHEIGHT]\n");
        return 2;
    }
    int width = preview ? 160 : 640, height = preview ? 120 : 480;
    if (count == 3) {
        char tail = 0;
        if (std::sscanf(args[2], "%dx%d%c", &width, &height, &tail) != 2 || width < 16 || height < 16 ||
            width > 8192 || height > 8192) {
            std::fprintf(stderr, "trktool: size \"%s\" is not WIDTHxHEIGHT (16-8192 each)\n", args[2]);
            return 2;
        }
    }
    // The file's own view: no dw.ini overrides.
    DefaultIniSettings(iniSettings);
    SetupTerrainRenderer(width, height);
    SeedTerrainNoise(static_cast<unsigned>(std::time(nullptr)));
    if (LoadTrackFile(args[0], 0) != 0) {
        std::fprintf(stderr, "trktool: %s: cannot load the track\n", args[0]);
        return 1;
    }
    if (preview) {
        RenderTrackPreview(width, height, fast);
    } else {
        RenderLoadedTrack(fast);
        ClearPanelStrip();
    }
    if (!WriteTerrainPictureBmp(args[1], builtinPalette)) {
        std::fprintf(stderr, "trktool: %s: cannot write the picture\n", args[1]);
        return 1;
    }
    return 0;
}
