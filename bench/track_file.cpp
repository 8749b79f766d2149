// Parsing and writing a busy track file in memory: short land runs of every
// surface, 500 objects, a 2000-point AI line, a stored ghost lap.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "trackfile/trackfile.h"

static TrackFile BusyTrack()
{
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 200;
    uint32_t seed = 7;
    auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int i = 0; i < kLandCells; i++)
        t.land[i] = static_cast<uint8_t>((i / (1 + next() % 9)) % 13);
    while (t.objects.size() < 500)
        t.objects.push_back({static_cast<uint8_t>(1 + next() % 32), static_cast<uint16_t>(next() % 1024),
                             static_cast<uint16_t>(next() % 1024), (next() % 6283) * 0.001});
    for (int i = 0; i < 2000; i++) {
        double a = i * 2 * 3.14159265358979 / 2000;
        t.aiLine.push_back({static_cast<uint16_t>(512 + 400 * std::cos(a)), static_cast<uint16_t>(512 + 400 * std::sin(a))});
    }
    return t;
}

static std::vector<uint8_t> BusyFile()
{
    ByteWriter w;
    WriteTrackBytes(BusyTrack(), w);
    std::vector<uint8_t> file = w.bytes;
    TrackRecords records;
    ClearTrackRecords(records);
    GhostLap ghost;
    ghost.frameCount = 5000;
    ghost.samples.resize(2501);
    ApplyTrackRecords(file, records, &ghost);
    return file;
}

static void BM_ReadTrackGame(benchmark::State& state)
{
    std::vector<uint8_t> file = BusyFile();
    TrackFile t;
    for (auto _ : state) {
        int result = ReadTrackBytes(file.data(), file.size(), TrackReadGame, t);
        benchmark::DoNotOptimize(result);
    }
    state.counters["bytes"] = static_cast<double>(file.size());
    state.counters["runs"] = t.landRunCount;
}
BENCHMARK(BM_ReadTrackGame)->Unit(benchmark::kMicrosecond);

static void BM_WriteTrackEditor(benchmark::State& state)
{
    TrackFile t = BusyTrack();
    for (auto _ : state) {
        ByteWriter w;
        bool ok = WriteTrackBytes(t, w);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_WriteTrackEditor)->Unit(benchmark::kMicrosecond);
