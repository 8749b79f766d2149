// Sets up races on the shipped tracks without a window or real time: a fake
// millisecond clock and wall clock, and human cars driven from a script.
#pragma once
#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"

#include <cmath>
#include <string>
#include <vector>

namespace racetest {

inline uint32_t fakeTicks = 0;
inline int32_t fakeWall = 1000000;
inline CarInput script[kMaxCars];

inline uint32_t FakeTicks() { return fakeTicks; }
inline int32_t FakeWall() { return fakeWall; }
inline void ScriptedControls(int car, CarInput& in) { in = script[car]; }

// Every shipped track, by its name below "tracks".
inline const std::vector<std::string>& ShippedTracks()
{
    static const std::vector<std::string> names = {"\\beach", "\\club", "\\figure_eight", "\\grand_prix",
                                                   "\\oval", "\\town", "\\offroad\\rally", "\\offroad\\snow"};
    return names;
}

// A season of one race on the track with n cars, the first `humans` of
// them human, every car the built-in one unless given. Leaves the race in
// the Racing phase with the lights out, unless keepIntro.
inline bool StartTestRace(const std::string& track, int n, int humans, bool keepIntro = false,
                          const CarDefinition* car = nullptr)
{
    baseDirectory = std::string(DW_RUN_DIR) + "/";
    fakeTicks = 0;  // the same random table for every test
    fakeWall = 1000000;
    carCatalogue.assign(1, car ? *car : MakeGeneralCar());
    DefaultSettings(settings);
    settings.lengthUnit = 0;
    settings.raceLength = 3;
    settings.startingOrder = 0;
    raceSeams = RaceSeams{};
    raceClockHooks = RaceClockHooks{FakeTicks, FakeWall, ScriptedControls};
    frameTickHooks = FrameTickHooks{};
    for (CarInput& in : script) in = CarInput{};
    seasonTracks.assign(1, track);
    for (int i = 0; i < kMaxCars; ++i) {
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].human = i < humans;
        seasonDrivers[i].car = 0;
    }
    StartSeason(n);
    if (!trackMaps.loaded || raceState.phase != RacePhase::Intro) return false;
    if (!keepIntro) {
        raceState.phase = RacePhase::Racing;
        raceState.phaseCounter = 70;
        raceState.startLight = -1;
    }
    return true;
}

// A race under the full race rules (laps, pits, limiters), with the track's
// records left alone; with crews false the pit crews are not run.
inline bool StartRulesRace(const std::string& track, int n, int humans, bool crews = true)
{
    if (!StartTestRace(track, n, humans)) return false;
    InstallRaceRules();
    raceSeams.writeRecords = nullptr;
    if (!crews) raceSeams.pitCrews = nullptr;
    return true;
}

inline void Steps(int n)
{
    for (int k = 0; k < n; ++k) RaceStep();
}

inline float Speed(int car) { return Length(cars[car].vel); }

// Puts car 0 at a world point facing a direction, at rest on the ground.
inline void PlaceCar(int car, float x, float z, Vec3 facing)
{
    CarState& c = cars[car];
    const CarDefinition& d = carDefinitions[car];
    c.up = TerrainNormal(x, z);
    c.forward = Normalize(facing);
    c.side = Normalize(Cross(c.up, c.forward));
    c.forward = Cross(c.side, c.up);
    c.pos = Vec3{x, TerrainHeight(x, z), z} + c.up * d.halfSize.y;
    c.vel = c.angVel = Vec3{};
    c.wheelSpeed = 0;
}

inline bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace racetest
