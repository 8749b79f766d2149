// Race control: the season (its cars and tracks), setting up each race
// (race length, the random grid, the starting order, every car placed on its
// grid slot), pausing, skipping and leaving. The per-step phase machine is in
// phases.cpp, the car step in physics.cpp.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/race/cars.h"
#include "Game/shell/audio.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"
#include "trackfile/object_types.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

RaceState raceState;
CarState cars[kMaxCars];
CarDefinition carDefinitions[kMaxCars];
SeasonDriver seasonDrivers[kMaxCars];
std::vector<std::string> seasonTracks;
RaceClockHooks raceClockHooks = {};
float engineVolumeBase = 0;

namespace {
int noAutosaveRace = -1;  // the race a loaded game restores: not autosaved at its start
}  // namespace

uint32_t RaceTicks() { return raceClockHooks.ticks ? raceClockHooks.ticks() : SDL_GetTicks(); }

int32_t RaceWallSeconds()
{
    return raceClockHooks.wallSeconds ? raceClockHooks.wallSeconds() : static_cast<int32_t>(time(nullptr));
}

void RestartStepClock()
{
    raceState.stepMs = 10;
    raceState.accumulatedMs = 0;
    raceState.lastTick = RaceTicks();
    // The main loop's frame tick counts on the shell's clock.
    stepClock.stepMs = raceState.stepMs;
    stepClock.accumulatedMs = 0;
    stepClock.lastTick = raceState.lastTick;
}

namespace {

void StopEngineSounds()
{
    for (int i = 0; i < kEngineSlots; ++i) StopSound(engineSounds[i]);
    StopSound(effectSounds[kSoundSkid]);
}

void SilenceEngineSounds()
{
    for (int i = 0; i < kEngineSlots; ++i) SetSoundVolume(engineSounds[i], 0);
    SetSoundVolume(effectSounds[kSoundSkid], 0);
}

// Shows the standings after a race (another follows) or the final standings;
// the screen waits for every key to be released first.
void ShowStandings()
{
    bool final = raceState.raceIndex + 1 >= raceState.raceCount;
    if (raceSeams.showStandings) raceSeams.showStandings(final);
    raceState.phase = final ? RacePhase::FinalRelease : RacePhase::StandingsRelease;
    raceState.fireworkTimer = 0;
}

// Grid placement on a track without that start position: a row across the
// middle of the world, facing north.
Vec3 DefaultGridPoint(int slot)
{
    float half = trackMaps.worldSize * 0.5f;
    return {half + (static_cast<float>(slot) - 2.5f) * 4.0f, 0, half};
}

// A season track is a name below "tracks" or, for tools and tests, the path of a ".trk" file.
int LoadSeasonTrack(const std::string& name, int carCount)
{
    bool isPath = name.size() > 4 && name.compare(name.size() - 4, 4, ".trk") == 0;
    return isPath ? LoadTrackFile(name, carCount) : LoadTrack(name, carCount);
}

void ResetCar(int i)
{
    CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    const SeasonDriver& driver = seasonDrivers[i];
    uint8_t position = c.position;
    c = CarState{};
    c.position = position;
    if (driver.human) {
        c.driverType = 1;
        for (int k = 0; k < 4; ++k) {
            c.keys[k] = driver.keys[k];
            c.controls[k] = driver.bindings[k];
        }
        c.aiSkill = driver.aiSkill;
        c.aiState = driver.aiState;
        c.aiParam = driver.aiParam;
    } else {
        c.driverType = 0;
        for (int k = 0; k < 4; ++k) c.keys[k] = -1;
        c.aiSkill = driver.aiSkill;
        c.aiState = 0;
        c.aiParam = 100;
    }
    c.bestLap = kEmptyLapTime;
    c.lastLimiter = 255;
    c.lastCheckpoint = 255;
    c.smokeTimer = 10;
    c.flipTimer = static_cast<int32_t>(20 * NextRandom());
    c.tyres = 65535;
    c.fuel = 65535;
    c.wheelSpeed = 0.2f;
    c.mass = d.mass + settings.fuelMass * (65535.0f / 65536.0f);
    c.accelFactor = 1200.0f / (c.mass + 200.0f);
    c.speedFactor = 0;

    // Placement on grid slot p (the first six objects of the track).
    int p = c.position;
    Vec3 at = DefaultGridPoint(p), dir = {0, 0, 1};
    if (static_cast<size_t>(p) < trackMaps.objects.size() && trackMaps.objects[p].type == kObjectStart) {
        at = trackMaps.objects[p].position;
        Vec3 flat = {trackMaps.objects[p].direction.x, 0, trackMaps.objects[p].direction.z};
        if (Length(flat) > 0.001f) dir = Normalize(flat);
    }
    at.y = TerrainHeight(at.x, at.z);
    c.up = TerrainNormal(at.x, at.z);
    c.forward = dir;
    Vec3 side = Cross(c.up, c.forward);
    c.side = side * (1.0f / (Length(side) + 0.001f));
    c.forward = Cross(c.side, c.up);
    c.pos = at + c.up * d.halfSize.y;
    int shadows = d.shadowPointCount <= kCarRaceShadowPoints ? d.shadowPointCount : kCarRaceShadowPoints;
    for (int k = 0; k < shadows; ++k) {
        const Vec3 l = d.shadowPoints[k];
        c.points[k] = c.pos + c.side * l.x + c.up * l.y + c.forward * l.z;
    }
    for (int w = 0; w < 4; ++w) {
        const Vec3 l = d.wheels[w];
        Vec3& wp = c.points[shadows + w];
        wp = c.pos + c.side * l.x + c.up * l.y + c.forward * l.z;
        wp.y = TerrainHeight(wp.x, wp.z);
    }
}

}  // namespace

namespace {

// What a new season and a loaded one share: the race state emptied, the
// random table, each car's definition (from the catalogue, or kept as a
// loaded game filled it), the engine and skid sounds.
void PrepareSeason(int carCount, bool keepCars)
{
    RaceState& r = raceState;
    // A continued season keeps the points the loaded game put in place, so the
    // grid, the autosave and the standings never see them zeroed.
    int32_t points[kMaxCars] = {};
    if (keepCars) std::copy(std::begin(r.seasonPoints), std::end(r.seasonPoints), points);
    r = RaceState{};
    for (CarState& c : cars) c = CarState{};
    r.stepMs = 10;
    r.carCount = carCount < 1 ? 1 : (carCount > kMaxCars ? kMaxCars : carCount);
    r.raceCount = static_cast<int32_t>(seasonTracks.size());
    FillRandomTable(static_cast<unsigned>(RaceTicks()));
    EngineCar engines[kEngineSlots];
    for (int i = 0; i < kMaxCars; ++i) {
        CarDefinition& d = carDefinitions[i];
        int index = seasonDrivers[i].car;
        bool inCatalogue = index >= 0 && index < static_cast<int>(carCatalogue.size());
        if (keepCars && i < r.carCount && CarDefinitionValid(d)) {
            // A loaded car keeps its own definition; its engine sound is the catalogue's of that name.
            index = -1;
            for (size_t k = 0; k < carCatalogue.size(); ++k)
                if (std::strncmp(carCatalogue[k].name, d.name, sizeof d.name) == 0) index = static_cast<int>(k);
        } else if (i < r.carCount && inCatalogue && CarDefinitionValid(carCatalogue[index])) {
            d = carCatalogue[index];
        } else {
            // A slot without a usable car races the built-in one.
            d = MakeGeneralCar();
            index = -1;
        }
        if (i < r.carCount) {
            engines[i].definition = index < 0 ? 0 : index;
            engines[i].name = d.name;
        }
        r.seasonPoints[i] = i < r.carCount ? points[i] : 0;
    }
    LoadEngineSounds(settings.soundSet, engines);
    engineVolumeBase = 1000.0f * std::log10(1.0f + settings.engineVolume * 1e8f);
    for (int i = 0; i < r.carCount; ++i) PlaySound(engineSounds[i], true);
    PlaySound(effectSounds[kSoundSkid], true);
    SetSoundVolume(effectSounds[kSoundSkid], 0);
    for (int s : {kSoundDing, kSoundYeah, kSoundFuel})
        SetSoundVolume(effectSounds[s], EffectVolume(settings.effectsVolume, 1e8f));
    r.raceRunning = true;
}

}  // namespace

void StartSeason(int carCount)
{
    PrepareSeason(carCount, false);
    raceState.raceIndex = 0;
    StartRace();
}

void ContinueSeason(int carCount, int raceIndex)
{
    PrepareSeason(carCount, true);
    raceState.raceIndex = raceIndex < 0 ? 0 : raceIndex;
    // The loaded race is not autosaved before it is restored: the autosave
    // would hold a race reset to its start (and, were it "Autosave" that was
    // loaded, replace it). A later race, when the saved track is gone, is.
    noAutosaveRace = raceState.raceIndex;
    StartRace();
    noAutosaveRace = -1;
}

void StartRace()
{
    RaceState& r = raceState;
    if (raceSeams.blankScreen) raceSeams.blankScreen();
    if (raceSeams.clearReplay) raceSeams.clearReplay();
    r.timedRace = settings.lengthUnit == 2;
    r.raceSeconds = r.timedRace ? settings.raceLength * 60 : -1;
    r.timeUp = false;
    r.wallStart = r.wallEnd = r.wallPaused = -1;
    // A track that fails to load is skipped; past the last one the season ends.
    while (r.raceIndex < r.raceCount && LoadSeasonTrack(seasonTracks[r.raceIndex], r.carCount) != 0) ++r.raceIndex;
    if (r.raceIndex >= r.raceCount) {
        r.raceIndex = r.raceCount > 0 ? r.raceCount - 1 : 0;
        ShowStandings();
        RestartStepClock();
        return;
    }
    // The ghost starts from this track's stored lap, so it is set up only
    // once the track has loaded.
    if (r.carCount == 1 && raceSeams.prepareGhost) raceSeams.prepareGhost();
    PlaceObjectsOnTerrain();
    ResetRace();
    if (raceSeams.renderTrack) raceSeams.renderTrack();
    if (raceSeams.showTrackInfo) raceSeams.showTrackInfo();
    r.phase = RacePhase::Intro;
    r.phaseCounter = 0;
    r.startLight = -1;
    RestartStepClock();
    if (raceSeams.writeAutosave && r.raceIndex != noAutosaveRace) raceSeams.writeAutosave();
}

void ResetRace()
{
    RaceState& r = raceState;
    for (Particle& p : r.particles) p = Particle{};
    r.particleNext = 0;
    r.skidLevel = r.impactLevel = 0;
    ResetPitCounts();
    ResetDriverRecords();

    // Race length.
    int length = settings.raceLength;
    if (settings.lengthUnit == 1) {
        // Integer arithmetic, so an exact multiple of the track gives one lap more.
        uint32_t metres = static_cast<uint32_t>(length) * 1000u;
        r.raceLaps = trackMaps.trackLength > 0 ? 1 + static_cast<int32_t>(metres / trackMaps.trackLength) : length;
    } else if (settings.lengthUnit == 2) {
        r.raceLaps = 3;
    } else {
        r.raceLaps = length;
    }
    if (r.raceLaps < 1) r.raceLaps = 1;

    r.raceClock = 0;
    r.leaderLaps = 0;
    r.fastestLap = kEmptyLapTime;
    r.fastestLapCar = -1;
    r.recordCar = -1;
    for (int32_t& s : r.standing) s = -1;

    // Random grid: car i takes the (k+1)-th of the positions still free.
    int n = r.carCount;
    for (int i = 0; i < n; ++i) {
        int free = n - i;
        int k = static_cast<int>(free * NextRandom());
        if (k >= free) k = free - 1;
        for (int p = 0; p < n; ++p) {
            if (r.standing[p] != -1) continue;
            if (k-- == 0) {
                r.standing[p] = i;
                break;
            }
        }
    }
    // Starting order by points: fixed in the first race, then a stable
    // insertion sort of the random grid, so tied cars keep their random order.
    if (settings.startingOrder == 1 || settings.startingOrder == 2) {
        bool reversed = settings.startingOrder == 2;
        if (r.raceIndex == 0) {
            for (int i = 0; i < n; ++i) r.standing[i] = reversed ? n - 1 - i : i;
        } else {
            for (int p = 1; p < n; ++p) {
                int car = r.standing[p];
                int q = p;
                while (q > 0) {
                    int before = r.seasonPoints[r.standing[q - 1]], mine = r.seasonPoints[car];
                    if (reversed ? before <= mine : before >= mine) break;
                    r.standing[q] = r.standing[q - 1];
                    --q;
                }
                r.standing[q] = car;
            }
        }
    }
    for (int p = 0; p < n; ++p) cars[r.standing[p]].position = static_cast<uint8_t>(p);
    for (int i = 0; i < n; ++i) ResetCar(i);
    for (int i = n; i < kMaxCars; ++i) cars[i] = CarState{};
}

void Pause()
{
    RaceState& r = raceState;
    if (r.phase >= RacePhase::FinalRelease) return;
    // A pause taken while one is still open (the replay's cut, then the menu)
    // keeps its first moment: the race clock stands still from there.
    if (r.wallPaused <= 0) r.wallPaused = RaceWallSeconds();
    StopSound(effectSounds[kSoundDamage]);
    SilenceEngineSounds();
    r.raceRunning = false;
    if (raceSeams.openPauseMenu) raceSeams.openPauseMenu();
}

void Resume()
{
    RaceState& r = raceState;
    switch (r.phase) {
    case RacePhase::Intro:
        if (raceSeams.showTrackInfo) raceSeams.showTrackInfo();
        break;
    case RacePhase::Countdown:
    case RacePhase::Racing:
        // The start lights run again before control returns.
        r.phase = RacePhase::Countdown;
        r.phaseCounter = 0;
        break;
    case RacePhase::Results:
        if (raceSeams.showResults) raceSeams.showResults();
        break;
    case RacePhase::StandingsRelease:
    case RacePhase::Standings:
        if (raceSeams.showStandings) raceSeams.showStandings(false);
        break;
    default:
        break;
    }
    r.raceRunning = true;
    RestartStepClock();
}

void SkipRace()
{
    RaceState& r = raceState;
    if (r.phase > RacePhase::RunOut) {
        Resume();
        return;
    }
    if ((r.carCount > 1 || r.leaderLaps == 0) && r.leaderLaps < r.raceLaps) {
        // Nobody is through: the race counts for nothing.
        if (raceSeams.writeRecords) raceSeams.writeRecords();
        SilenceEngineSounds();
        ShowStandings();
    } else {
        if (raceSeams.drawRace) raceSeams.drawRace();
        r.phase = RacePhase::Finished;
    }
    r.raceRunning = true;
    RestartStepClock();
}

void QuitToMenu()
{
    RaceState& r = raceState;
    if (r.phase < RacePhase::Results && raceSeams.writeRecords) raceSeams.writeRecords();
    SilenceEngineSounds();
    r.raceIndex = r.raceCount > 0 ? r.raceCount - 1 : 0;
    if (raceSeams.showStandings) raceSeams.showStandings(true);
    r.phase = RacePhase::FinalRelease;
    r.fireworkTimer = 0;
    r.raceRunning = true;
    RestartStepClock();
}

void ExitToMenu()
{
    RaceState& r = raceState;
    StopEngineSounds();
    FreeTrackMaps();
    for (Particle& p : r.particles) p = Particle{};
    r.particleNext = 0;
    r.raceRunning = false;
    if (raceSeams.returnToMenu) raceSeams.returnToMenu();
}
