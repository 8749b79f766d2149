// Recording one replay frame of six cars (the cost a racing step pays), and
// saving a six-car game with a full ten-minute replay recorded at every step
// (FrameStep 1, the largest a ten-minute replay gets) into a scratch folder,
// through the temporary file and the rename; the file size is reported.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "Game/frontend/frontend.h"
#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"

namespace {

// Six cars at the grid of no track, a ring sized for ten minutes at interval n.
void SetUpCars(int interval)
{
    DefaultSettings(settings);
    DefaultIniSettings(iniSettings);
    iniSettings.frameStep = interval;
    iniSettings.replayLength = 600;
    raceState = RaceState{};
    raceState.carCount = kMaxCars;
    raceState.raceCount = 1;
    raceState.raceLaps = 3;
    raceState.phase = RacePhase::Racing;
    seasonTracks.assign(1, "\\grand_prix");
    for (int i = 0; i < kMaxCars; ++i) {
        carDefinitions[i] = MakeGeneralCar();
        seasonDrivers[i] = SeasonDriver{};
        cars[i] = CarState{};
        cars[i].side = {1, 0, 0};
        cars[i].up = {0, 1, 0};
        cars[i].forward = {0, 0, 1};
        cars[i].pos = {100.0f + 3 * i, 20, 100};
        cars[i].mass = 1000;
        cars[i].wheelSpeed = 12.5f;
        cars[i].position = static_cast<uint8_t>(i);
        raceState.standing[i] = i;
    }
    ResetReplay(0, 0);
}

void BM_RecordReplayFrameSixCars(benchmark::State& state)
{
    SetUpCars(1);  // a frame at every step
    float x = 0;
    for (auto _ : state) {
        cars[0].pos.x = 100 + (x += 0.01f);
        RecordReplay();
        benchmark::DoNotOptimize(replay.frames);
    }
    state.counters["frames"] = replay.frames;
}
BENCHMARK(BM_RecordReplayFrameSixCars);

void BM_SaveGameTenMinuteReplay(benchmark::State& state)
{
    SetUpCars(1);
    for (int k = 0; k < 60000; ++k) {
        for (int i = 0; i < kMaxCars; ++i) cars[i].pos.x = 100.0f + 3 * i + 0.005f * k;
        RecordReplay();
    }
    char folder[] = "/tmp/dwbenchXXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no scratch folder");
        return;
    }
    std::string saved = baseDirectory;
    baseDirectory = std::string(folder) + "/";
    EnterBaseDirectory();
    for (auto _ : state) {
        if (!SaveGame("Bench")) state.SkipWithError("the save failed");
    }
    struct stat st {};
    stat("saves/Bench.gam", &st);
    state.counters["bytes"] = static_cast<double>(st.st_size);
    state.counters["frames"] = replay.frames;
    baseDirectory = saved;
    std::system((std::string("rm -rf '") + folder + "'").c_str());
}
BENCHMARK(BM_SaveGameTenMinuteReplay)->Unit(benchmark::kMillisecond);

}  // namespace
