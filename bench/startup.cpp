// Start-up to the first presented frame on the dummy video driver: SDL,
// InitGame with the shipped data, one presented menu frame, then release.
#include "Game/game.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include <benchmark/benchmark.h>
#include <cstdlib>

static void BM_StartupToFirstFrame(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    baseDirectory = DW_RUN_DIR "/";
    for (auto _ : state) {
        LoadOptions();
        if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
            state.SkipWithError("SDL_Init failed");
            break;
        }
        displayModes = EnumerateDisplayModes();
        if (InitGame() < 0) {
            state.SkipWithError("InitGame failed");
            SDL_Quit();
            break;
        }
        PresentMenuFrame();
        ReleaseGame(false);
        SDL_Quit();
    }
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond);
