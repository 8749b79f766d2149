// Full render of the track picture: a hilly track with a lake, the tarmac
// loop and 300 objects, at three screen sizes.
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "tests/render/scene.h"

#include <benchmark/benchmark.h>

// The test scene builder is shared with the renderer's tests.
#include "tests/render/scene.cpp"

static void BM_RenderTrackImage(benchmark::State& state)
{
    SceneOptions o;
    o.waterSample = 45;
    BuildScene(o);
    AddManyObjects(300);
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    SetupTerrainRenderer(w, h);
    SeedTerrainNoise(1);
    FitTrackView();
    for (auto _ : state) {
        RenderTrackImage();
        benchmark::DoNotOptimize(terrainRenderer.image[0]);
    }
}
BENCHMARK(BM_RenderTrackImage)->Args({640, 480})->Args({1280, 960})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
