// The race rules: checkpoint and limiter lines at the end of each car step,
// lap completion with the running order, the end of a race (laps, kilometres
// or minutes), the fastest lap and the track record, and the championship
// points after a race and at the end of a season.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/audio.h"
#include "Game/shell/settings.h"

#include <cstdio>
#include <cstring>
#include <ctime>

DriverRecordHooks driverRecordHooks = {};

namespace {

void PlayEffect(int sound, float rate)
{
    int id = effectSounds[sound];
    if (!id) return;
    if (rate > 0) SetSoundRate(id, rate);
    PlaySound(id, false);
}

bool MaySetRecords(const CarState& c) { return c.driverType != 0 || c.aiSkill <= 100; }

void CopyDriverName(int car, char out[14])
{
    const char* name = driverRecordHooks.name ? driverRecordHooks.name(car) : nullptr;
    char fallback[14] = "Driver 1";
    fallback[7] = static_cast<char>('1' + (car % kMaxCars));
    if (!name) name = fallback;
    std::memset(out, 0, 14);
    size_t n = std::strlen(name);
    std::memcpy(out, name, n < 13 ? n : 13);
}

// Fastest lap of the race and the track record.
void TestFastest(int car, int lap)
{
    RaceState& r = raceState;
    CarState& c = cars[car];
    if (lap < r.fastestLap) {
        r.fastestLap = lap;
        r.fastestLapCar = car;
    }
    TrackRecord& record = trackMaps.records.entry[0];
    if (MaySetRecords(c) && lap < record.time) {
        record.time = static_cast<uint16_t>(lap);
        CopyDriverName(car, record.name);
        record.car = carDefinitions[car];
        CurrentRecordDate(record.date);
        r.recordCar = car;
    }
}

}  // namespace

// UTC calendar date of the current time, worked out here rather than by the C
// library: its first date conversion reads the time-zone file and allocates,
// which must not happen inside a simulation step.
void CurrentRecordDate(uint16_t date[8])
{
    timespec now{};
    timespec_get(&now, TIME_UTC);
    const int64_t seconds = now.tv_sec;
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) rest += 86400, --days;
    // Days since 1970-01-01 to year, month and day (proleptic Gregorian calendar).
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2);
    date[0] = static_cast<uint16_t>(year);
    date[1] = static_cast<uint16_t>(month);
    date[2] = static_cast<uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
    date[3] = static_cast<uint16_t>(day);
    date[4] = static_cast<uint16_t>(rest / 3600);
    date[5] = static_cast<uint16_t>(rest / 60 % 60);
    date[6] = static_cast<uint16_t>(rest % 60);
    date[7] = static_cast<uint16_t>(now.tv_nsec / 1000000);
}

bool OnGate(const TrackGate& g, Vec3 pos)
{
    float x = pos.x - g.x, z = pos.z - g.y;
    float along = x * g.dx + z * g.dy;
    float across = x * g.dy - g.dx * z;
    return along > 0 && along < g.length && across > -1 && across < 1;
}

float LowFuelLimit() { return settings.fuelConsumption * static_cast<float>(trackMaps.trackLength) * 1.8f; }

void TestCheckpoints(int i)
{
    CarState& c = cars[i];
    size_t n = trackMaps.checkpoints.size();
    if (n == 0) return;  // never a lap
    if (c.nextCheckpoint >= n) c.nextCheckpoint = 0;
    if (!OnGate(trackMaps.checkpoints[c.nextCheckpoint], c.pos)) {
        c.lastCheckpoint = 255;
        return;
    }
    if (c.nextCheckpoint == c.lastCheckpoint) return;
    c.lastCheckpoint = static_cast<uint8_t>(c.nextCheckpoint);
    if (++c.nextCheckpoint >= n) {
        c.nextCheckpoint = 0;
        CompleteLap(i);
    }
}

void TestLimiters(int i)
{
    CarState& c = cars[i];
    for (size_t k = 0; k < trackMaps.limiters.size(); ++k) {
        if (!OnGate(trackMaps.limiters[k], c.pos)) continue;
        if (k != c.lastLimiter) {
            c.lastLimiter = static_cast<uint8_t>(k);
            c.limiterOn = !c.limiterOn;
        }
        return;
    }
    c.lastLimiter = 255;
}

void CompleteLap(int i)
{
    RaceState& r = raceState;
    CarState& c = cars[i];
    if (c.lapState >= 2) return;
    if (r.carCount == 1 && MaySetRecords(c)) EndGhostLap(i);

    int lap = r.raceClock - c.lastLapMark;
    if (lap > kEmptyLapTime) lap = kEmptyLapTime;
    c.lastLapMark = r.raceClock;
    c.lastLapTime = lap;
    ++c.laps;

    // Running order: by laps, and among equal laps by who got there first.
    int at = c.position;
    if (c.laps > r.leaderLaps) {
        r.leaderLaps = c.laps;
        for (int p = at; p > 0; --p) {
            r.standing[p] = r.standing[p - 1];
            cars[r.standing[p]].position = static_cast<uint8_t>(p);
        }
        r.standing[0] = i;
        c.position = 0;
        if (r.timedRace) {
            if (r.wallEnd < 0 || RaceWallSeconds() < r.wallEnd)
                ++r.raceLaps;
            else
                r.timeUp = true;
        }
        if (r.leaderLaps == r.raceLaps) PlayEffect(kSoundYeah, 0);
    } else {
        int p = at;
        while (p > 0 && cars[r.standing[p - 1]].laps < c.laps) {
            r.standing[p] = r.standing[p - 1];
            cars[r.standing[p]].position = static_cast<uint8_t>(p);
            --p;
        }
        r.standing[p] = i;
        c.position = static_cast<uint8_t>(p);
    }

    bool decided = r.leaderLaps >= r.raceLaps;
    int left = r.raceLaps - c.laps;
    if (left > 1 && !decided && c.fuel < LowFuelLimit()) {
        c.lapState = 1;
        if (c.driverType != 0) PlayEffect(kSoundFuel, 0);
    } else {
        c.lapState = 0;
    }
    if (lap < c.bestLap) c.bestLap = static_cast<uint16_t>(lap);

    TestFastest(i, lap);
    if (!decided) {
        if (left == 1) PlayEffect(kSoundDing, 32000.0f / 22050.0f);
        return;
    }
    c.lastLapTime = c.bestLap;
    c.lapState = 2;
    for (int k = 0; k < r.carCount; ++k)
        if (cars[k].lapState != 2) return;
    if (r.phase == RacePhase::Racing) {
        r.phase = RacePhase::RunOut;
        r.phaseCounter = 0;
    }
}

void AwardPoints()
{
    RaceState& r = raceState;
    int index[kMaxCars] = {};
    for (int k = 0; k < r.carCount; ++k) {
        int car = r.standing[k];
        if (car < 0) continue;
        index[k] = k;
        if (k > 0) {
            const CarState& ahead = cars[r.standing[k - 1]];
            const CarState& c = cars[car];
            if (c.laps == ahead.laps && c.lastLapMark <= ahead.lastLapMark) index[k] = index[k - 1];
        }
        int points = index[k] < 6 ? settings.points[index[k]] : 0;
        bool fastest = r.fastestLapCar >= 0 && cars[car].bestLap <= r.fastestLap;
        if (fastest) points += settings.points[6];
        r.seasonPoints[car] += points;
        if (driverRecordHooks.raceResult) driverRecordHooks.raceResult(car, index[k], points, fastest);
    }
    if (driverRecordHooks.save) driverRecordHooks.save();
}

void AwardSeason()
{
    RaceState& r = raceState;
    int order[kMaxCars];
    int n = r.carCount;
    for (int k = 0; k < n; ++k) {
        int car = k, q = k;
        while (q > 0 && r.seasonPoints[order[q - 1]] < r.seasonPoints[car]) {
            order[q] = order[q - 1];
            --q;
        }
        order[q] = car;
    }
    int place = 0;
    for (int k = 0; k < n; ++k) {
        if (k > 0 && r.seasonPoints[order[k]] < r.seasonPoints[order[k - 1]]) place = k;
        if (driverRecordHooks.seasonResult) driverRecordHooks.seasonResult(order[k], place);
    }
    if (driverRecordHooks.save) driverRecordHooks.save();
}

void InstallRaceRules()
{
    raceSeams.prepareGhost = StartGhost;
    raceSeams.ghostSample = RecordGhost;
    raceSeams.carRules = [](int car) {
        TestCheckpoints(car);
        TestLimiters(car);
    };
    raceSeams.pitCrews = UpdatePits;
    raceSeams.awardPoints = AwardPoints;
    raceSeams.writeRecords = [] { WriteRaceRecords(); };
    raceSeams.aiDrive = DriveAI;
}
