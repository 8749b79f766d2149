// Feeds arbitrary bytes to the replay-block reader (the first byte picks the
// number of cars): it may not crash or allocate from an unchecked frame
// count; a block it accepts becomes the replay, plays, and is written back as
// a block that reads as the same frames.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "fuzz/seeds.h"
#include "tests/saves/bare_cars.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    DefaultIniSettings(iniSettings);
    raceState = RaceState{};
    PlaceBareCars();
    for (int n : {1, 3}) {
        raceState.carCount = n;
        ResetReplay(2, 0);
        for (int k = 0; k < 40; ++k) {
            for (int i = 0; i < n; ++i) cars[i].pos = {5.0f + k * 0.3f, 1, 7.0f * i};
            RecordReplay();
        }
        ByteWriter w;
        WriteU8(w, static_cast<uint8_t>(n));
        WriteReplay(w);
        WriteFuzzSeed(n == 1 ? "one_car.rpl" : "three_cars.rpl", w.bytes);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    int carCount = data[0] % (kMaxCars + 1);
    ByteReader r = MakeReader(data + 1, size - 1);
    ReplayBlock block;
    if (!ParseReplay(r, block, carCount))
        return 0;
    if (block.frames < 0 || block.frames > kReplayMaxFrames)
        __builtin_trap();
    raceState.carCount = carCount;
    ReplayBlock kept = block;
    ApplyReplay(block);
    if (replay.frames != kept.frames || replay.capacity < replay.frames)
        __builtin_trap();
    if (replay.frames > 1) {
        EnterReplay();
        replay.position = static_cast<float>(replay.frames) - 1.5f;
        for (int k = 0; k < 3; ++k) ReplayStep();
        raceState.phase = RacePhase::Racing;
    }
    ByteWriter w;
    bool written = WriteReplay(w);
    if (written != (kept.frames > 0))
        __builtin_trap();
    if (!written)
        return 0;
    ByteReader back = MakeReader(w.bytes);
    ReplayBlock again;
    if (!ParseReplay(back, again, carCount) || again.frames != kept.frames)
        __builtin_trap();
    for (int i = 0; i < kMaxCars; ++i) {
        if (again.buffers[i].size() != kept.buffers[i].size())
            __builtin_trap();
        for (size_t k = 0; k < kept.buffers[i].size(); ++k)
            if (std::memcmp(&again.buffers[i][k], &kept.buffers[i][k], sizeof(ReplayFrame)) != 0)
                __builtin_trap();
    }
    return 0;
}
