// Text drawing at 1920 x 1080 (UI scale 18): an 80-character line with and
// without shadow, the clipped rectangle form, and the font load itself.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <string>

#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"

namespace {

const char kLine[] = "Fastest lap 1:07.45  Select player(s) and track(s) first!  Resume  End Season   ";
static_assert(sizeof kLine - 1 == 80, "an 80-character line");

struct Target {
    SDL_Surface* surface = nullptr;
    Target() {
        baseDirectory = DW_SOURCE_DIR "/data";
        screenWidth = 1920;
        screenHeight = 1080;
        if (LoadFont() != 0) return;
        surface = SDL_CreateRGBSurface(0, 1920, 1080, 8, 0, 0, 0, 0);
        lockedSurface = surface;
        lockedPixels = static_cast<uint8_t*>(surface->pixels);
        lockedPitch = surface->pitch;
    }
    ~Target() {
        lockedSurface = nullptr;
        lockedPixels = nullptr;
        if (surface) SDL_FreeSurface(surface);
        FreeFont();
    }
};

void BM_DrawText80(benchmark::State& state) {
    Target t;
    if (!t.surface) return state.SkipWithError("font.bmp not loaded");
    const uint8_t shadow = uint8_t(state.range(0));
    for (auto _ : state) {
        DrawText(kLine, 120, 500, 242, shadow);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 80);
}
BENCHMARK(BM_DrawText80)->Arg(0)->Arg(1)->ArgName("shadow");

void BM_DrawTextInRect80(benchmark::State& state) {
    Target t;
    if (!t.surface) return state.SkipWithError("font.bmp not loaded");
    const std::string line(kLine);
    for (auto _ : state) {
        DrawTextInRect(line, TextRect{300, 480, 1619, 560}, 242, kTextCentreX | kTextCentreY);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 80);
}
BENCHMARK(BM_DrawTextInRect80);

void BM_LoadFont1080(benchmark::State& state) {
    baseDirectory = DW_SOURCE_DIR "/data";
    screenWidth = 1920;
    screenHeight = 1080;
    for (auto _ : state) {
        if (LoadFont() != 0) return state.SkipWithError("font.bmp not loaded");
    }
    FreeFont();
}
BENCHMARK(BM_LoadFont1080)->Unit(benchmark::kMillisecond);

}  // namespace
