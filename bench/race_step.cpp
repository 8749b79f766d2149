// One simulation step of a six-car race on the busiest shipped track (the
// grand prix circuit, nearly 500 objects): physics, wheels, object pass and
// car-to-car contacts, with every car on full throttle and weaving. The grid
// is restored every 1000 steps (outside the timing) so the cars stay among
// the objects and each other instead of resting against a wall.
#include <benchmark/benchmark.h>

#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"

namespace {

int stepInRun = 0;

uint32_t NoTicks() { return 0; }
int32_t NoWall() { return 0; }

void Weave(int car, CarInput& in)
{
    in = CarInput{};
    in.accelerate = 100;
    int phase = (stepInRun / 120 + car) % 4;
    in.left = phase == 1 ? 100 : 0;
    in.right = phase == 3 ? 100 : 0;
}

bool SetUpRace()
{
    baseDirectory = std::string(DW_RUN_DIR) + "/";
    carCatalogue.assign(1, MakeGeneralCar());
    DefaultSettings(settings);
    raceClockHooks = RaceClockHooks{NoTicks, NoWall, Weave};
    seasonTracks.assign(1, "\\grand_prix");
    for (int i = 0; i < kMaxCars; ++i) {
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].human = true;
    }
    StartSeason(kMaxCars);
    raceState.phase = RacePhase::Racing;
    raceState.phaseCounter = 70;
    return trackMaps.loaded;
}

}  // namespace

static void BM_RaceStepSixCars(benchmark::State& state)
{
    if (!SetUpRace()) {
        state.SkipWithError("the grand prix track did not load");
        return;
    }
    for (auto _ : state) {
        RaceStep();
        if (++stepInRun % 1000 == 0) {
            state.PauseTiming();
            ResetRace();
            raceState.phase = RacePhase::Racing;
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(cars[0].pos);
}
BENCHMARK(BM_RaceStepSixCars)->Unit(benchmark::kMicrosecond);

// Six computer cars with every rule on: the AI, checkpoints and limiters,
// pit crews, fuel, tyre wear and damage at their defaults.
static void BM_RaceStepSixComputerCarsAllRules(benchmark::State& state)
{
    baseDirectory = std::string(DW_RUN_DIR) + "/";
    carCatalogue.assign(1, MakeGeneralCar());
    DefaultSettings(settings);
    raceClockHooks = RaceClockHooks{NoTicks, NoWall, nullptr};
    seasonTracks.assign(1, "\\grand_prix");
    for (int i = 0; i < kMaxCars; ++i) seasonDrivers[i] = SeasonDriver{};
    raceSeams = RaceSeams{};
    InstallRaceRules();
    raceSeams.writeRecords = nullptr;
    StartSeason(kMaxCars);
    if (!trackMaps.loaded) {
        state.SkipWithError("the grand prix track did not load");
        return;
    }
    raceState.phase = RacePhase::Racing;
    raceState.phaseCounter = 70;
    for (auto _ : state) {
        RaceStep();
        if (raceState.phase != RacePhase::Racing) {
            state.PauseTiming();
            ResetRace();
            raceState.phase = RacePhase::Racing;
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(cars[0].pos);
}
BENCHMARK(BM_RaceStepSixComputerCarsAllRules)->Unit(benchmark::kMicrosecond);
