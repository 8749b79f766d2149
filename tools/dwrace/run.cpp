// The season loop of dwrace: computer cars on every track, the game's race
// step with the rules and the AI installed, simulated clocks, a time cap per
// race; then the results as text or JSON.
#include <chrono>
#include <cstdio>
#include <string>

#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"
#include "tools/dwrace/dwrace.h"
#include "trackfile/game_folder.h"

void (*runnerStepHook)(int raceIndex) = nullptr;

namespace {

uint32_t simTicks = 0;
constexpr int32_t kWallBase = 1000000;

uint32_t SimTicks() { return simTicks; }
int32_t SimWall() { return kWallBase + static_cast<int32_t>(simTicks / 1000); }

// Steps the race until it is finished (points awarded) or the cap is hit.
bool RunRace(int raceIndex, long capSteps, long& steps)
{
    RaceState& r = raceState;
    r.phase = RacePhase::Countdown;
    r.phaseCounter = 0;
    steps = 0;
    bool capped = false;
    while (r.phase != RacePhase::Results) {
        if (r.phase == RacePhase::Racing && r.raceClock >= capSteps && !capped) {
            capped = true;
            r.phase = RacePhase::Finished;  // nothing more to run; the points still go out
        }
        RaceStep();
        simTicks += 10;
        ++steps;
        StoryStep();
        if (runnerStepHook) runnerStepHook(raceIndex);
        if (r.phase >= RacePhase::StandingsRelease) break;  // the season ended meanwhile
    }
    return capped;
}

RaceResult Collect(const std::string& track, long steps, bool capped, const int32_t* pointsBefore)
{
    RaceResult race;
    race.track = track;
    race.raceLaps = raceState.raceLaps;
    race.simulated = steps / 100.0;
    race.capped = capped;
    for (int p = 0; p < raceState.carCount; ++p) {
        int i = raceState.standing[p];
        if (i < 0) continue;
        const CarState& c = cars[i];
        CarResult out;
        out.car = i + 1;
        out.skill = c.aiSkill;
        out.position = p + 1;
        out.laps = c.laps;
        out.finished = c.lapState == 2;
        out.time = (out.finished ? c.lastLapMark : raceState.raceClock) / 100.0;
        out.bestLap = c.bestLap < kEmptyLapTime ? c.bestLap / 100.0 : 0;
        out.pitStops = PitStops(i);
        out.damage = c.damage;
        out.longestStall = LongestNoProgress(i) / 100.0;
        out.points = raceState.seasonPoints[i] - pointsBefore[i];
        out.x = c.pos.x;
        out.z = c.pos.z;
        out.linePoint = c.aiState;
        StoryResult(i, out);
        race.cars.push_back(out);
    }
    return race;
}

}  // namespace

bool RunSeason(const RunnerOptions& o, SeasonResult& result, std::string& error)
{
    FindProgramDirectory("dwrace");
    // Installed, the cars, palettes and font are in the shared data folder.
    if (std::string shipped = ShippedDataFolder(baseDirectory); !shipped.empty()) baseDirectory = shipped + "/";
    for (const std::string& t : o.tracks) {
        std::vector<uint8_t> bytes;
        TrackFile file;
        if (!ReadWholeFile(t.c_str(), bytes, 64u << 20) ||
            ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, file) != kTrackOk) {
            error = "cannot read the track " + t;
            return false;
        }
    }
    std::vector<int> carIndex;
    if (!ChooseRunnerCars(o, carIndex, error)) return false;
    DefaultSettings(settings);
    settings.raceLength = static_cast<uint16_t>(o.laps);
    settings.lengthUnit = static_cast<uint8_t>(o.lengthUnit);
    settings.startingOrder = o.grid == "points" ? 1 : o.grid == "reversed" ? 2 : 0;
    if (o.tyres >= 0) settings.tyreWear = static_cast<uint8_t>(o.tyres);
    if (o.fuel >= 0) settings.fuelConsumption = static_cast<uint8_t>(o.fuel);
    if (o.damage >= 0) settings.damage = static_cast<uint8_t>(o.damage);
    raceSeams = RaceSeams{};
    InstallRaceRules();
    if (!o.writeRecords) raceSeams.writeRecords = nullptr;
    if (!StartShots(o, error)) return false;
    if (!StartTrace(o, error)) return false;
    simTicks = o.seed;  // the season's random table is seeded from the tick count
    raceClockHooks = RaceClockHooks{SimTicks, SimWall, nullptr};
    seasonTracks = o.tracks;
    for (int i = 0; i < kMaxCars; ++i) {
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].aiSkill = i < o.cars ? o.skills[i] : 100;
        seasonDrivers[i].car = i < o.cars ? carIndex[i] : 0;
    }

    auto wallStart = std::chrono::steady_clock::now();
    StartSeason(o.cars);
    for (size_t k = 0; k < o.tracks.size(); ++k) {
        if (!trackMaps.loaded || raceState.phase != RacePhase::Intro) {
            error = "cannot load the track " + o.tracks[k];
            return false;
        }
        long cap = o.capSeconds > 0 ? static_cast<long>(o.capSeconds * 100)
                                    : 12000L * (raceState.raceLaps + 2);
        long steps = 0;
        int32_t before[kMaxCars];
        for (int i = 0; i < kMaxCars; ++i) before[i] = raceState.seasonPoints[i];
        ArrangeGrid(o);
        StartStory();
        bool capped = RunRace(static_cast<int>(k), cap, steps);
        result.races.push_back(Collect(o.tracks[k], steps, capped, before));
        result.simulated += steps / 100.0;
        if (k + 1 < o.tracks.size()) {
            ++raceState.raceIndex;
            StartRace();
        }
    }
    AwardSeason();
    if (!FinishTrace(error)) return false;
    if (!FinishShots(error)) return false;
    result.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    result.seasonPoints.assign(raceState.seasonPoints, raceState.seasonPoints + o.cars);
    return true;
}

void PrintSeason(const RunnerOptions& o, const SeasonResult& s)
{
    double ratio = s.wall > 0 ? s.simulated / s.wall : 0;
    if (o.json) {
        std::printf("{\n  \"races\": [");
        for (size_t k = 0; k < s.races.size(); ++k) {
            const RaceResult& r = s.races[k];
            std::string track;
            for (char ch : r.track) {
                if (ch == '"' || ch == '\\') track += '\\';
                if (static_cast<unsigned char>(ch) >= 32) track += ch;
            }
            std::printf("%s\n    {\"track\": \"%s\", \"laps\": %d, \"simulatedSeconds\": %.2f, \"timeCapReached\": %s, \"cars\": [",
                        k ? "," : "", track.c_str(), r.raceLaps, r.simulated, r.capped ? "true" : "false");
            for (size_t j = 0; j < r.cars.size(); ++j) {
                const CarResult& c = r.cars[j];
                std::printf("%s\n      {\"car\": %d, \"skill\": %d, \"position\": %d, \"finished\": %s, \"laps\": %d, "
                            "\"time\": %.2f, \"bestLap\": %.2f, \"pitStops\": %d, \"damage\": %d, \"longestStall\": %.2f, \"points\": %d, "
                            "\"passes\": %d, \"lapPositions\": [",
                            j ? "," : "", c.car, c.skill, c.position, c.finished ? "true" : "false", c.laps, c.time,
                            c.bestLap, c.pitStops, c.damage, c.longestStall, c.points, c.passes);
                for (size_t l = 0; l < c.lapPositions.size(); ++l) std::printf("%s%d", l ? ", " : "", c.lapPositions[l]);
                std::printf("]");
                if (!c.finished)
                    std::printf(", \"waitingCheckpoint\": {\"index\": %d, \"x\": %.1f, \"z\": %.1f}", c.waitingCheckpoint,
                                c.checkpointX, c.checkpointZ);
                std::printf("}");
            }
            std::printf("\n    ]}");
        }
        std::printf("\n  ],\n  \"seasonPoints\": [");
        for (size_t i = 0; i < s.seasonPoints.size(); ++i) std::printf("%s%d", i ? ", " : "", s.seasonPoints[i]);
        std::printf("],\n  \"simulatedSeconds\": %.2f\n}\n", s.simulated);
    } else {
        for (const RaceResult& r : s.races) {
            std::printf("%s: %d laps, %.2f s simulated%s\n", r.track.c_str(), r.raceLaps, r.simulated,
                        r.capped ? " (time cap reached)" : "");
            std::printf("  pos car skill laps     time  best lap pits damage  stall points passes  after each lap\n");
            for (const CarResult& c : r.cars) {
                std::printf("  %3d %3d %5d %4d %8.2f %9.2f %4d %6d %6.2f %6d %6d  ", c.position, c.car, c.skill, c.laps, c.time,
                            c.bestLap, c.pitStops, c.damage, c.longestStall, c.points, c.passes);
                for (size_t l = 0; l < c.lapPositions.size(); ++l) std::printf("%s%d", l ? " " : "", c.lapPositions[l]);
                if (!c.finished)
                    std::printf("  not finished, waiting for checkpoint %d at x %.1f z %.1f", c.waitingCheckpoint, c.checkpointX,
                                c.checkpointZ);
                std::printf("\n");
            }
        }
        std::printf("season points:");
        for (size_t i = 0; i < s.seasonPoints.size(); ++i) std::printf(" car %zu %d%s", i + 1, s.seasonPoints[i],
                                                                         i + 1 < s.seasonPoints.size() ? "," : "");
        std::printf("\nsimulated %.2f s\n", s.simulated);
    }
    // Wall time differs between runs; it goes to stderr so the same seed gives the same output.
    std::fprintf(stderr, "dwrace: simulated %.2f s in %.3f s wall time (%.0f times real time)\n", s.simulated, s.wall, ratio);
}
