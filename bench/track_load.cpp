// Loading a full track from disk into the run-time maps: a busy land map
// (short runs of every surface), 500 objects, long AI and pit lines.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "Game/shell/settings.h"
#include "Game/track/track.h"

static std::string BusyTrackPath()
{
    static std::string path;
    if (!path.empty())
        return path;
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 200;
    std::srand(7);
    for (int i = 0; i < kLandCells; i++)
        t.land[i] = static_cast<uint8_t>((i / (1 + std::rand() % 9)) % 13);
    for (int i = 0; i < kHeightCells; i++)
        t.heights[i] = static_cast<uint8_t>(128 + 60 * std::sin(i * 0.05));
    while (t.objects.size() < 500)
        t.objects.push_back({static_cast<uint8_t>(1 + std::rand() % 32), static_cast<uint16_t>(std::rand() % 1024),
                             static_cast<uint16_t>(std::rand() % 1024), (std::rand() % 6283) * 0.001});
    for (int k = 0; k < 6; k++)
        t.pitCrews.push_back({static_cast<uint16_t>(300 + 30 * k), 500, 1.0});
    for (int i = 0; i < 2000; i++) {
        double a = i * 2 * M_PI / 2000;
        t.aiLine.push_back({static_cast<uint16_t>(512 + 400 * std::cos(a)), static_cast<uint16_t>(512 + 400 * std::sin(a))});
    }
    for (int i = 0; i < 200; i++)
        t.pitLine.push_back({static_cast<uint16_t>(300 + i), 520});
    for (int i = 0; i < 30; i++)
        t.checkpoints.push_back({static_cast<uint16_t>(100 + 20 * i), 100, static_cast<uint16_t>(100 + 20 * i), 160});
    path = (std::filesystem::temp_directory_path() / "dw_bench_busy.trk").string();
    if (!WriteTrackFile(path.c_str(), t))
        path.clear();
    return path;
}

static void BM_LoadFullTrack(benchmark::State& state)
{
    iniSettings.viewAngle = iniSettings.rotation = 32767;  // no dw.ini overrides
    iniSettings.zoom = 0;
    std::string path = BusyTrackPath();
    for (auto _ : state) {
        if (LoadTrackFile(path, 1) != 0)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(trackMaps.land.data());
    }
}
BENCHMARK(BM_LoadFullTrack)->Unit(benchmark::kMillisecond);
