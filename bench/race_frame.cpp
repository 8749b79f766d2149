// One race frame as the race tick composes it, without the flip to the
// window: the copy of the track picture, six cars with wheels and shadows
// over the grand prix circuit, 256 live particles of every kind and the
// gauges of every car. Run at 1920 x 1080 and 640 x 480.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "Game/game.h"
#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

uint32_t NoTicks() { return 0; }
int32_t NoWall() { return 0; }
void Throttle(int, CarInput& in)
{
    in = CarInput{};
    in.accelerate = 100;
    in.left = 30;
}
void RenderPicture()
{
    RenderLoadedTrack();
    ClearPanelStrip();
}

bool SetUpRace(int width, int height)
{
    baseDirectory = std::string(DW_RUN_DIR) + "/";
    carCatalogue.assign(1, MakeGeneralCar());
    LoadCarCatalogueFrom(std::string(DW_RUN_DIR) + "/cars");
    DefaultSettings(settings);
    settings.effects = 256;
    raceClockHooks = RaceClockHooks{NoTicks, NoWall, Throttle};
    raceSeams = RaceSeams{};
    raceSeams.renderTrack = RenderPicture;
    seasonTracks.assign(1, "\\grand_prix");
    for (int i = 0; i < kMaxCars; ++i) {
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].human = true;
        seasonDrivers[i].car = i % static_cast<int>(carCatalogue.size());
    }
    SetupTerrainRenderer(width, height);
    SetUiScale(width, height);
    StartSeason(kMaxCars);
    raceState.phase = RacePhase::Racing;
    raceState.phaseCounter = 70;
    for (int s = 0; s < 300; ++s) RaceStep();
    // 256 live particles of every kind around the cars.
    for (int i = 0; i < kParticleCount; ++i) {
        Particle& p = raceState.particles[i];
        p.kind = static_cast<uint8_t>(i % 19);
        p.life = static_cast<uint8_t>(40 + i % 150);
        p.position = cars[i % kMaxCars].pos + Vec3{float(i % 5) - 2, 1, float(i % 7) - 3};
        p.velocity = {0, 1, 0};
    }
    BuildDiscTable();
    viewOptions = ViewOptions{};
    SyncRaceView();
    return trackMaps.loaded;
}

void Frame(benchmark::State& state, int width, int height)
{
    if (!SetUpRace(width, height)) {
        state.SkipWithError("the grand prix track did not load");
        return;
    }
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height);
    const TerrainRenderer& t = terrainRenderer;
    for (auto _ : state) {
        std::memcpy(frame.data(), t.image, frame.size());
        SetViewTarget(frame.data(), width, width, height, t.depth.data(), t.shade.data());
        SetViewCamera();
        DrawSceneSorted();
        DrawParticles(0);
        for (int i = 0; i < kMaxCars; ++i) DrawGauges(i);
        benchmark::DoNotOptimize(frame.data());
    }
    FreeTerrainRenderer();
}

}  // namespace

static void BM_RaceFrame1920x1080(benchmark::State& state) { Frame(state, 1920, 1080); }
static void BM_RaceFrame640x480(benchmark::State& state) { Frame(state, 640, 480); }
BENCHMARK(BM_RaceFrame1920x1080)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RaceFrame640x480)->Unit(benchmark::kMicrosecond);
