// The season's drivers: the race's cars are taken from the player slots, and
// every race and season is counted into the drivers' records, which are saved
// after each award. Car k of the race is player slot k.
#include "Game/frontend/frontend_internal.h"

#include <algorithm>

#include "Game/race/race.h"

namespace {

int seasonCars = 0;
bool seasonCounted = false;

const char* SlotName(int car) {
    if (car < 0 || car >= seasonCars || !playerSlots[car].used) return nullptr;
    return playerSlots[car].name.c_str();
}

// The place the race rules pass is the shared points place; the statistics
// count each car's own finishing position.
void RaceResult(int car, int, int points, bool fastestLap) {
    if (car < 0 || car >= seasonCars || !playerSlots[car].used) return;
    DriverRecord& d = playerSlots[car].record;
    ++d.races;
    int own = cars[car].position;
    if (own >= 0 && own < 6) ++d.racePlaces[own];
    d.totalPoints += uint32_t(std::max(points, 0));
    if (fastestLap) ++d.fastestLaps;
}

void SeasonResult(int car, int place) {
    if (car < 0 || car >= seasonCars || !playerSlots[car].used) return;
    DriverRecord& d = playerSlots[car].record;
    ++d.seasons;
    if (place >= 0 && place < 6) ++d.seasonPlaces[place];
}

// A driver file that cannot be written loses this season's counts only;
// the race goes on. Only listed drivers are written: a season loaded from a
// save may name drivers that have no file (the command line's "Driver N", or
// one deleted since), and counting must not create or bring back their files.
void SaveRecords() {
    for (int k = 0; k < seasonCars; ++k) {
        PlayerSlot& s = playerSlots[k];
        if (!s.used) continue;
        int i = FindDriver(s.name);
        if (i < 0) continue;
        SaveDriver(s.record, s.name);
        driverList[size_t(i)].record = s.record;
    }
}

}  // namespace

SeasonDriver SeasonDriverFrom(const DriverRecord& d) {
    SeasonDriver s;
    s.car = int(d.car);
    s.human = !IsComputerDriver(d);
    if (s.human) {
        for (int c = 0; c < 4; ++c) {
            s.keys[c] = d.controls[c];
            s.bindings[c] = d.bindings[c];
        }
    } else {
        s.aiSkill = std::clamp(d.controls[1], 0, kMaxAiSkill);
    }
    return s;
}

void PrepareSeasonDrivers(int carCount) {
    seasonCars = std::clamp(carCount, 0, kPlayerSlots);
    seasonCounted = false;
    for (int k = 0; k < kMaxCars; ++k) {
        SeasonDriver& s = seasonDrivers[k];
        s = SeasonDriver{};
        if (k >= seasonCars || !playerSlots[k].used) continue;
        s = SeasonDriverFrom(playerSlots[k].record);
        ApplySlotColours(k);
    }
    driverRecordHooks = DriverRecordHooks{SlotName, RaceResult, SeasonResult, SaveRecords};
}

void ClearSeasonDrivers() {
    seasonCars = 0;
    seasonCounted = true;
    driverRecordHooks = DriverRecordHooks{};
}

void SeasonStandingsShown(bool final) {
    if (!final || seasonCounted) return;
    seasonCounted = true;
    if (seasonCars > 0) AwardSeason();
}
