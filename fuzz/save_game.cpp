// Feeds arbitrary bytes to the saved-game reader: it may not crash, read out
// of bounds or allocate from an unchecked count, and a game it accepts holds
// only what a race can run with: 1-6 players, a race index inside the list,
// the running order a permutation of the cars, finite car states and a
// replay no larger than a ring. An accepted game is then continued on a
// shipped track (read only, nothing is written) and raced for a few hundred
// steps, so values that pass the reader but overflow or index out of range
// in the race are found too.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "Game/frontend/frontend.h"
#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/track/track.h"
#include "fuzz/seeds.h"

namespace {

constexpr int kRaceSteps = 300;

uint32_t fakeTicks = 0;
uint32_t FakeTicks() { return fakeTicks; }
int32_t FakeWall() { return 1000000 + static_cast<int32_t>(fakeTicks / 1000); }
void FullThrottle(int car, CarInput& in)
{
    in = CarInput{};
    in.accelerate = 100;
    in.left = car % 2 ? 50 : 0;
}

// The track the loaded games race on: DW_FUZZ_TRACK, or the shipped oval of
// the source tree (beside this file, or above the build folder).
std::string RaceTrack()
{
    if (const char* path = std::getenv("DW_FUZZ_TRACK"))
        if (*path) return path;
    std::vector<std::string> roots;
    std::string here = __FILE__;
    size_t cut = here.rfind("fuzz/");
    if (cut != std::string::npos) roots.push_back(here.substr(0, cut));
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        std::string dir(exe, static_cast<size_t>(n));
        dir.resize(dir.find_last_of('/') + 1);
        roots.push_back(dir + "../");
        roots.push_back(dir);
    }
    for (const std::string& root : roots) {
        std::string path = root + "data/tracks/oval.trk";
        if (access(path.c_str(), R_OK) == 0) return path;
    }
    return "data/tracks/oval.trk";
}

// Continues the accepted game as loading does, every race on the one track,
// with the race rules, the AI and the replay but no writer of any file.
void RaceLoadedGame(SavedGame& g)
{
    static const std::string track = RaceTrack();
    fakeTicks = 0;
    raceSeams = RaceSeams{};
    InstallRaceRules();
    InstallReplay();
    raceSeams.writeRecords = nullptr;
    raceClockHooks = RaceClockHooks{FakeTicks, FakeWall, FullThrottle};
    carCatalogue.assign(1, MakeGeneralCar());
    pendingGame = std::move(g);
    PrepareSavedSeason();
    driverRecordHooks = DriverRecordHooks{};  // no driver file is written
    seasonTracks.assign(pendingGame.tracks.size(), track);
    ContinueSeason(pendingGame.carCount, pendingGame.currentRace);
    if (!trackMaps.loaded) return;  // the track is not there: nothing to race
    RestoreSavedRace();
    for (int k = 0; k < kRaceSteps && raceState.phase < RacePhase::FinalRelease; ++k) {
        fakeTicks += 10;
        RaceStep();
    }
}

// A season of n cars in the middle of a race, with r replay frames.
std::vector<uint8_t> SeedGame(int n, int frames)
{
    DefaultSettings(settings);
    DefaultIniSettings(iniSettings);
    raceState = RaceState{};
    raceState.carCount = n;
    raceState.raceCount = 2;
    raceState.phase = RacePhase::Racing;
    raceState.raceLaps = 3;
    seasonTracks = {"\\oval", "\\offroad\\rally"};
    for (int i = 0; i < kMaxCars; ++i) {
        carDefinitions[i] = MakeGeneralCar();
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].human = i == 0;
        cars[i] = CarState{};
        cars[i].side = {1, 0, 0};
        cars[i].up = {0, 1, 0};
        cars[i].forward = {0, 0, 1};
        cars[i].mass = 1000;
        cars[i].position = static_cast<uint8_t>(i);
        raceState.standing[i] = i < n ? i : -1;
    }
    ResetReplay(1, 0);
    for (int k = 0; k < frames; ++k) {
        for (int i = 0; i < n; ++i) cars[i].pos = {10.0f + k * 0.1f, 2, 10.0f + i};
        RecordReplay();
    }
    ByteWriter w;
    WriteSaveGame(w);
    return w.bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    WriteFuzzSeed("one_player.gam", SeedGame(1, 0));
    WriteFuzzSeed("two_players.gam", SeedGame(2, 12));
    WriteFuzzSeed("six_players.gam", SeedGame(6, 3));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    SavedGame g;
    if (!ParseSaveGame(file, g))
        return 0;
    if (g.carCount < 1 || g.carCount > kMaxCars || g.tracks.empty() || g.currentRace < 0 ||
        g.currentRace >= static_cast<int>(g.tracks.size()))
        __builtin_trap();
    bool seen[kMaxCars] = {};
    for (int i = 0; i < g.carCount; ++i) {
        int car = g.standing[i];
        if (car < 0 || car >= g.carCount || seen[car] || g.carStates[car].position != i)
            __builtin_trap();
        seen[car] = true;
        const CarState& c = g.carStates[i];
        if (!std::isfinite(c.pos.x) || !std::isfinite(c.pos.y) || !std::isfinite(c.pos.z) || !(c.mass > 0))
            __builtin_trap();
        if (!CarDefinitionValid(g.cars[i]))
            __builtin_trap();
    }
    for (const SavedTrack& t : g.tracks)
        if (t.path.size() >= size_t(kSaveTrackPathBytes) || t.path.find("..") != std::string::npos)
            __builtin_trap();
    if (g.carCount > 1 && g.ghost.frameCount != 0)
        __builtin_trap();
    if (g.replay.frames < 0 || g.replay.frames > kReplayMaxFrames)
        __builtin_trap();
    for (int i = 0; i < kMaxCars; ++i)
        if (!g.replay.buffers[i].empty() && (i >= g.carCount || g.replay.buffers[i].size() != size_t(g.replay.frames)))
            __builtin_trap();
    RaceLoadedGame(g);
    return 0;
}
