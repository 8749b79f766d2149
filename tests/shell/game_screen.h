// The game on a dummy screen in a copy of the program folder, for tests
// that look at what it draws: the copy, the start-up, the back buffer's
// pixels and, with DW_SHOTS_DIR set, a BMP of the screen by name.
#pragma once
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Game/game.h"
#include "Game/shell/settings.h"
#include "Game/shell/video.h"
#include "tests/shell/temp_folder.h"

namespace gamescreen {

inline uint32_t fakeTicks = 0;
inline uint32_t FakeTicks() { return fakeTicks; }

// Copies the runnable folder's data into the test folder and starts the game
// there at width x height, with SDL's dummy drivers. Fails the test (and
// returns false) when any step does not work.
inline bool StartGameIn(const TempFolder& folder, int width, int height)
{
    std::string run = std::string(DW_RUN_DIR);
    for (const char* part : {"cars", "dw.ini", "font.bmp", "lang", "palettes", "sounds", "tracks", "drivers"}) {
        int copied = std::system(("cp -r '" + run + "/" + part + "' '" + folder.path + "/'").c_str());
        EXPECT_EQ(copied, 0) << part;
        if (copied != 0) return false;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        ADD_FAILURE() << SDL_GetError();
        return false;
    }
    DefaultSettings(settings);
    SetScreenSize(width, height);
    return true;
}

// The back buffer's pixels, row after row without the padding.
inline std::vector<uint8_t> Pixels()
{
    std::vector<uint8_t> out;
    if (!backBuffer || SDL_LockSurface(backBuffer) != 0) return out;
    const uint8_t* p = static_cast<const uint8_t*>(backBuffer->pixels);
    for (int y = 0; y < backBuffer->h; ++y) out.insert(out.end(), p + y * backBuffer->pitch, p + y * backBuffer->pitch + backBuffer->w);
    SDL_UnlockSurface(backBuffer);
    return out;
}

// Pixels that differ inside a rectangle of the screen.
inline int Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int x0, int y0, int x1, int y1)
{
    int w = backBuffer->w, n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += a[static_cast<size_t>(y * w + x)] != b[static_cast<size_t>(y * w + x)];
    return n;
}

inline void Shot(const char* name)
{
    const char* dir = std::getenv("DW_SHOTS_DIR");
    if (dir && *dir && backBuffer) SDL_SaveBMP(backBuffer, (std::string(dir) + "/" + name + ".bmp").c_str());
}

}  // namespace gamescreen
