// Saved games: a whole season in progress in "saves/<name>.gam" (settings,
// players with their driver records and cars, the tracks with their
// fingerprints, the race and car states, the standings, the ghost of a time
// trial and the replay), saved from the pause menu and as "Autosave" before
// each race, loaded from the main screen. A file is parsed and checked in full
// before anything of the running program changes, and written through a
// temporary file, so a failed save keeps the previous one whole.
#include "Game/frontend/frontend_internal.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/folders.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/track/track.h"
#include "trackfile/trackfile.h"

SavedGame pendingGame;

namespace {

constexpr int kNameBytes = 13;
constexpr int kTrackEntryBytes = kSaveTrackPathBytes + 16;
constexpr uint32_t kMaxSavedRaces = 10000;
constexpr float kMaxCoordinate = 1.0e6f;
// Bounds no race reaches, far enough from the i32 limit that counting on
// never overflows: about 115 days of race clock, a billion points.
constexpr int32_t kMaxRaceClock = 1000000000;
constexpr int32_t kMaxSeasonPoints = 1000000000;
constexpr int32_t kMaxFlipTimer = 1000000;
constexpr float kMaxWorld = 100000.0f;    // m from the origin
constexpr float kMaxSpeed = 1000.0f;      // m/s
constexpr float kMaxSpin = 200.0f;        // rad/s
constexpr float kMaxFactor = 100000.0f;   // mass, loads, slips and factors

std::string lastSaveError;
// The season tracks of loaded games whose files were not found, as saved.
const char* const kMissingTrack = "\\?missing?\\";
std::vector<SavedTrack> missingTracks;

// A missing season track: its saved entry, or null.
const SavedTrack* MissingTrack(const std::string& track)
{
    size_t n = std::strlen(kMissingTrack);
    if (track.compare(0, n, kMissingTrack) != 0) return nullptr;
    for (const SavedTrack& m : missingTracks)
        if (track.compare(n, std::string::npos, m.path) == 0) return &m;
    return nullptr;
}

bool EndsWith(const std::string& s, const char* tail)
{
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

std::string BaseOf(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The fingerprint of a season track: a name below "tracks", or the path of a
// ".trk" file (tools and tests race those).
void SeasonTrackIdentity(const std::string& track, uint32_t identity[4])
{
    if (!EndsWith(track, ".trk")) {
        TrackIdentity(track, identity);
        return;
    }
    std::vector<uint8_t> file;
    if (!ReadWholeFile(track.c_str(), file) || !TrackIdentity(file.data(), file.size(), identity))
        std::fill(identity, identity + 4, 0u);
}

// A stored track path stays below "tracks": no control bytes, no '/', no
// "..". Any other byte is a name's own (accented names in UTF-8, colons).
bool StoredPathValid(const std::string& path)
{
    if (path.empty() || path.find("..") != std::string::npos) return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 32 || c == 127 || c == '/') return false;
    return true;
}

// A player's driver record: the season slot's own, or one made from the race's driver.
DriverRecord RecordOf(int car)
{
    if (car < kPlayerSlots && playerSlots[car].used) return playerSlots[car].record;
    const SeasonDriver& s = seasonDrivers[car];
    DriverRecord d = NewDriver(!s.human);
    d.car = s.car < 0 ? 0u : static_cast<uint32_t>(s.car);
    if (s.human) {
        for (int k = 0; k < 4; ++k) {
            d.controls[k] = s.keys[k];
            d.bindings[k] = s.bindings[k];
        }
    } else {
        d.controls[1] = s.aiSkill;
    }
    return d;
}

std::string NameOf(int car)
{
    const char* hooked = driverRecordHooks.name ? driverRecordHooks.name(car) : nullptr;
    if (hooked) return hooked;
    if (car < kPlayerSlots && playerSlots[car].used) return playerSlots[car].name;
    char fallback[16];
    std::snprintf(fallback, sizeof fallback, "Driver %d", car + 1);
    return fallback;
}

void WriteVec(ByteWriter& w, Vec3 v)
{
    WriteF32(w, v.x);
    WriteF32(w, v.y);
    WriteF32(w, v.z);
}

Vec3 ReadVec(ByteReader& r)
{
    Vec3 v;
    v.x = ReadF32(r);
    v.y = ReadF32(r);
    v.z = ReadF32(r);
    return v;
}

// The race's wall clock (its hook, or the C clock).
int32_t WallSeconds()
{
    return raceClockHooks.wallSeconds ? raceClockHooks.wallSeconds() : static_cast<int32_t>(std::time(nullptr));
}

bool Usable(float v) { return std::isfinite(v) && std::fabs(v) < kMaxCoordinate; }
bool Usable(Vec3 v) { return Usable(v.x) && Usable(v.y) && Usable(v.z); }
bool Within(Vec3 v, float limit) { return Usable(v) && Length(v) <= limit; }
bool Within(float v, float limit) { return std::isfinite(v) && std::fabs(v) <= limit; }

// A car state the physics can step: axes a frame of unit vectors, the
// car and its points inside a world, speeds within what a car reaches, a mass
// and factors of their kind. Values past these (a car flung at 1e5 m/s, a
// frame of long axes) grow without bound in a few steps.
bool CarStateSound(const CarState& s)
{
    for (Vec3 axis : {s.side, s.up, s.forward})
        if (!Within(axis, 1.1f) || Length(axis) < 0.9f) return false;
    if (std::fabs(Dot(s.side, s.up)) > 0.1f || std::fabs(Dot(s.up, s.forward)) > 0.1f ||
        std::fabs(Dot(s.side, s.forward)) > 0.1f)
        return false;
    if (!Within(s.pos, kMaxWorld) || !Within(s.vel, kMaxSpeed) || !Within(s.angVel, kMaxSpin)) return false;
    for (Vec3 p : s.points)
        if (!Within(p, kMaxWorld)) return false;
    if (!(s.mass >= 1 && s.mass <= kMaxFactor) || !Within(s.accelFactor, kMaxFactor)) return false;
    for (float v : s.wheelLoad)
        if (!Within(v, kMaxFactor)) return false;
    for (float v : {s.wheelSpeed, s.bodyLoad, s.contactWeight, s.slipFront, s.slipRear, s.traction, s.speedFactor})
        if (!Within(v, kMaxFactor)) return false;
    return true;
}

// The remaining seconds of a timed race, as a pause would leave them.
uint32_t RemainingSeconds()
{
    const RaceState& r = raceState;
    if (!r.timedRace) return 0;
    if (r.wallEnd < 0) return static_cast<uint32_t>(std::max(0, r.raceSeconds));
    int32_t now = r.wallPaused > 0 ? r.wallPaused : WallSeconds();
    return static_cast<uint32_t>(std::max(0, r.wallEnd - now));
}

}  // namespace

// ---------------------------------------------------------------- car state block

void WriteCarState(ByteWriter& w, const CarState& c)
{
    WriteU8(w, c.position);
    WriteU8(w, c.controlLock);
    WriteU8(w, c.lapState);
    WriteU8(w, c.smokeTimer);
    for (uint8_t v : c.wheelSkid) WriteU8(w, v);
    WriteU8(w, c.splashTimer);
    WriteI32(w, c.flipTimer);
    WriteI32(w, c.lastLapMark);
    WriteI32(w, c.lastLapTime);
    WriteI32(w, c.driverType);
    WriteI32(w, c.aiSkill);
    WriteI32(w, c.aiState);
    WriteI32(w, c.aiParam);
    for (Vec3 v : {c.pos, c.vel, c.angVel, c.side, c.up, c.forward}) WriteVec(w, v);
    WriteF32(w, c.wheelSpeed);
    for (float v : c.wheelLoad) WriteF32(w, v);
    for (float v : {c.bodyLoad, c.contactWeight, c.slipFront, c.slipRear, c.accelFactor, c.mass, c.traction,
                    c.speedFactor})
        WriteF32(w, v);
    WriteU16(w, c.laps);
    WriteU16(w, c.nextCheckpoint);
    WriteU8(w, c.limiterOn);
    WriteU8(w, c.lastLimiter);
    WriteU8(w, c.lastCheckpoint);
    WriteU16(w, c.bestLap);
    WriteU16(w, c.tyres);
    WriteU16(w, c.fuel);
    WriteU16(w, c.damage);
    for (uint8_t v : c.wheelContact) WriteU8(w, v);
    for (Vec3 v : c.points) WriteVec(w, v);
}

bool ReadCarState(ByteReader& r, CarState& c, int carCount)
{
    CarState s = c;  // the control bindings are the driver record's
    s.position = ReadU8(r);
    s.controlLock = ReadU8(r);
    s.lapState = ReadU8(r);
    s.smokeTimer = ReadU8(r);
    for (uint8_t& v : s.wheelSkid) v = ReadU8(r);
    s.splashTimer = ReadU8(r);
    s.flipTimer = ReadI32(r);
    s.lastLapMark = ReadI32(r);
    s.lastLapTime = ReadI32(r);
    s.driverType = ReadI32(r);
    s.aiSkill = ReadI32(r);
    s.aiState = ReadI32(r);
    s.aiParam = ReadI32(r);
    for (Vec3* v : {&s.pos, &s.vel, &s.angVel, &s.side, &s.up, &s.forward}) *v = ReadVec(r);
    s.wheelSpeed = ReadF32(r);
    for (float& v : s.wheelLoad) v = ReadF32(r);
    for (float* v : {&s.bodyLoad, &s.contactWeight, &s.slipFront, &s.slipRear, &s.accelFactor, &s.mass, &s.traction,
                     &s.speedFactor})
        *v = ReadF32(r);
    s.laps = ReadU16(r);
    s.nextCheckpoint = ReadU16(r);
    s.limiterOn = ReadU8(r);
    s.lastLimiter = ReadU8(r);
    s.lastCheckpoint = ReadU8(r);
    s.bestLap = ReadU16(r);
    s.tyres = ReadU16(r);
    s.fuel = ReadU16(r);
    s.damage = ReadU16(r);
    for (uint8_t& v : s.wheelContact) v = ReadU8(r);
    for (Vec3& v : s.points) v = ReadVec(r);
    if (r.failed || s.position >= carCount || s.lapState > 2) return false;
    if (s.aiState < 0 || s.aiState > 65535 || s.aiSkill < 0 || s.aiSkill > kMaxAiSkill) return false;
    for (Vec3 v : {s.pos, s.vel, s.angVel, s.side, s.up, s.forward})
        if (!Usable(v)) return false;
    for (Vec3 v : s.points)
        if (!Usable(v)) return false;
    for (float v : s.wheelLoad)
        if (!Usable(v)) return false;
    for (float v : {s.wheelSpeed, s.bodyLoad, s.contactWeight, s.slipFront, s.slipRear, s.accelFactor, s.mass,
                    s.traction, s.speedFactor})
        if (!Usable(v)) return false;
    if (!(s.mass > 0) || !CarStateSound(s)) return false;
    // Counters the race only ever counts up from small values.
    if (s.flipTimer < 0 || s.flipTimer > kMaxFlipTimer || s.lastLapMark < 0 || s.lastLapMark > kMaxRaceClock ||
        s.lastLapTime < 0 || s.lastLapTime > kEmptyLapTime || s.bestLap > kEmptyLapTime)
        return false;
    c = s;
    return true;
}

// ---------------------------------------------------------------- names and paths

bool SaveGameNameValid(const std::string& name)
{
    if (name.empty() || name.size() > static_cast<size_t>(kTextFieldDefaultMax)) return false;
    if (name.find_first_not_of(' ') == std::string::npos) return false;
    if (name[0] == '.' || name.find("..") != std::string::npos) return false;
    for (char c : name)
        if (c < 32 || c > 126 || c == '/' || c == '\\' || c == ':') return false;
    return true;
}

std::string SaveGamePath(const std::string& name) { return "saves/" + name + ".gam"; }

namespace {

// The file of a saved game: "saves/<name>.gam", or the file the list shows
// for that name with the extension in other letters ("<name>.GAM").
std::string ExistingSavePath(const std::string& name)
{
    std::string path = SaveGamePath(name), found;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 && FindFileNoCase("saves", name + ".gam", found) &&
        BaseOf(found).compare(0, name.size(), name) == 0)
        return found;
    return path;
}

}  // namespace

bool StoredTrackPath(const std::string& track, std::string& stored)
{
    std::string s = track;
    if (EndsWith(s, ".trk")) {
        s = BaseOf(s);
        s.resize(s.size() - 4);
    }
    while (!s.empty() && (s[0] == '\\' || s[0] == '/')) s.erase(0, 1);
    for (char& c : s)
        if (c == '/') c = '\\';
    // Too long for the field: the base name alone, which loading finds in
    // any track folder by its fingerprint.
    if (s.size() >= static_cast<size_t>(kSaveTrackPathBytes)) s = BaseOf(s);
    if (s.empty() || s.size() >= static_cast<size_t>(kSaveTrackPathBytes) || !StoredPathValid(s)) return false;
    stored = s;
    return true;
}

const std::string& LastSaveError() { return lastSaveError; }

// ---------------------------------------------------------------- writing

bool WriteSaveGame(ByteWriter& w)
{
    const RaceState& r = raceState;
    int n = r.carCount;
    lastSaveError.clear();
    if (n < 1 || n > kMaxCars) {
        lastSaveError = "No season is running.";
        return false;
    }
    std::vector<std::string> paths;
    for (const std::string& track : seasonTracks) {
        std::string stored;
        if (const SavedTrack* missing = MissingTrack(track)) {
            paths.push_back(missing->path);
            continue;
        }
        if (!StoredTrackPath(track, stored)) {
            lastSaveError = "The track name '" + BaseOf(track) +
                            "' is too long to be saved (at most 39 bytes) or holds control characters.";
            return false;
        }
        paths.push_back(stored);
    }
    WriteU16(w, kSaveGameVersion);
    WriteU8(w, static_cast<uint8_t>(r.phase));
    WriteU8(w, r.phaseCounter);
    WriteSettings(w, settings);
    WriteU8(w, r.timedRace ? 1 : 0);
    WriteU8(w, r.raceRunning ? 0 : 1);
    WriteU32(w, RemainingSeconds());
    WriteU32(w, static_cast<uint32_t>(std::max(0, r.raceSeconds)));
    WriteU32(w, static_cast<uint32_t>(n));
    for (int i = 0; i < n; ++i) WriteFixedString(w, NameOf(i).substr(0, kNameBytes - 1), kNameBytes);
    for (int i = 0; i < n; ++i) {
        std::vector<uint8_t> file = WriteDriverFile(RecordOf(i));
        WriteBytes(w, file.data() + 4, file.size() - 4);  // the record without the file's version
    }
    for (int i = 0; i < n; ++i) WriteCarDefinition(w, carDefinitions[i]);
    WriteU32(w, static_cast<uint32_t>(seasonTracks.size()));
    WriteU32(w, static_cast<uint32_t>(std::max(0, r.raceIndex)));
    for (size_t k = 0; k < seasonTracks.size(); ++k) {
        WriteFixedString(w, paths[k], kSaveTrackPathBytes);
        uint32_t identity[4];
        if (const SavedTrack* missing = MissingTrack(seasonTracks[k]))
            std::copy(missing->identity, missing->identity + 4, identity);
        else
            SeasonTrackIdentity(seasonTracks[k], identity);
        for (uint32_t v : identity) WriteU32(w, v);
    }
    for (int i = 0; i < n; ++i) WriteCarState(w, cars[i]);
    for (int i = 0; i < n; ++i) WriteU32(w, static_cast<uint32_t>(r.standing[i]));
    for (int i = 0; i < n; ++i) WriteI32(w, r.seasonPoints[i]);
    WriteU32(w, static_cast<uint32_t>(r.raceLaps));
    WriteU32(w, static_cast<uint32_t>(r.leaderLaps));
    WriteU32(w, static_cast<uint32_t>(r.raceClock));
    WriteU32(w, static_cast<uint32_t>(r.fastestLap));
    WriteI32(w, r.fastestLapCar);
    WriteI32(w, r.recordCar);
    if (n == 1) {
        // The best lap in its stored form (every other sample); 0 frames = none yet.
        int count = GhostSampleCount();
        GhostLap ghost;
        if (count > 0 && count <= kMaxGhostFrames) {
            ghost.frameCount = static_cast<uint16_t>(count);
            for (int k = 0; k <= count / 2; ++k) {
                Vec3 pos, side, up, forward;
                GhostPose(std::min(2 * k, count - 1), pos, side, up, forward);
                ghost.samples.push_back(EncodeGhostSample(pos, side, forward));
            }
        }
        if (!WriteGhostLap(w, ghost)) WriteU16(w, 0);
    }
    WriteReplay(w);
    return true;
}

bool SaveGame(const std::string& name)
{
    if (!SaveGameNameValid(name)) {
        lastSaveError = "A game name stays inside the saves folder: no separators, no \"..\".";
        return false;
    }
    ByteWriter w;
    // The fixed part is a few kilobytes; the replay is most of a file.
    size_t rings = 0;
    for (const std::vector<ReplayFrame>& b : replay.buffers) rings += b.empty() ? 0 : 1;
    w.bytes.reserve(65536 + rings * (4 + static_cast<size_t>(replay.frames) * kReplayFrameBytes));
    if (!WriteSaveGame(w)) return false;
    if (!EnterBaseDirectory() && !baseDirectory.empty()) {
        lastSaveError = "The game folder cannot be reached.";
        return false;
    }
    mkdir("saves", 0777);  // an existing folder is fine
    if (!WriteFileReplacing(ExistingSavePath(name).c_str(), w.bytes.data(), w.bytes.size())) {
        lastSaveError = "The game could not be written (disk full or folder read-only?).";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- reading

bool ParseSaveGame(const std::vector<uint8_t>& file, SavedGame& out)
{
    ByteReader r = MakeReader(file);
    SavedGame g;
    if (ReadU16(r) != kSaveGameVersion || r.failed) return false;
    uint8_t phase = ReadU8(r);
    g.phaseCounter = ReadU8(r);
    if (phase > static_cast<uint8_t>(RacePhase::Final)) return false;
    g.phase = static_cast<RacePhase>(phase);
    if (!ReaderHas(r, kSettingsSize)) return false;
    DefaultSettings(g.settings);
    ReadSettings(r, g.settings);
    if (g.settings.lengthUnit > 2 || g.settings.startingOrder > 2) return false;
    g.timedRace = ReadU8(r) != 0;
    g.paused = ReadU8(r) != 0;
    g.remainingSeconds = ReadU32(r);
    g.raceSeconds = ReadU32(r);
    uint32_t n = ReadU32(r);
    if (r.failed || n < 1 || n > static_cast<uint32_t>(kMaxCars)) return false;
    if (g.remainingSeconds > 100000000u || g.raceSeconds > 100000000u) return false;
    g.carCount = static_cast<int>(n);
    // Names, driver records and cars: fixed sizes, checked before reading.
    if (!ReaderHas(r, n * (kNameBytes + kDriverRecordBytes + static_cast<uint32_t>(kCarRecordSize)))) return false;
    for (uint32_t i = 0; i < n; ++i) g.names[i] = ReadFixedString(r, kNameBytes);
    for (uint32_t i = 0; i < n; ++i) {
        std::vector<uint8_t> record(kDriverFileBytes);
        ByteWriter version;
        WriteU32(version, kDriverVersion);
        std::copy(version.bytes.begin(), version.bytes.end(), record.begin());
        ReadBytes(r, record.data() + 4, kDriverRecordBytes);
        if (!ReadDriverFile(record, g.drivers[i])) return false;
    }
    for (uint32_t i = 0; i < n; ++i) {
        ReadCarDefinition(r, g.cars[i]);
        if (r.failed || !CarDefinitionValid(g.cars[i])) return false;
    }
    uint32_t races = ReadU32(r);
    uint32_t current = ReadU32(r);
    if (r.failed || races < 1 || races > kMaxSavedRaces || current >= races) return false;
    if (!ReaderHas(r, static_cast<size_t>(races) * kTrackEntryBytes)) return false;
    g.currentRace = static_cast<int>(current);
    g.tracks.resize(races);
    for (SavedTrack& t : g.tracks) {
        t.path = ReadFixedString(r, kSaveTrackPathBytes);
        for (uint32_t& v : t.identity) v = ReadU32(r);
        if (!StoredPathValid(t.path)) return false;
    }
    // The running race: car states first with their bindings from the records.
    for (int i = 0; i < g.carCount; ++i) {
        g.carStates[i] = CarState{};
        if (!ReadCarState(r, g.carStates[i], g.carCount)) return false;
    }
    bool seen[kMaxCars] = {};
    for (int i = 0; i < g.carCount; ++i) {
        uint32_t car = ReadU32(r);
        if (r.failed || car >= n || seen[car]) return false;  // a permutation of the cars
        seen[car] = true;
        g.standing[i] = static_cast<int32_t>(car);
    }
    for (int i = 0; i < g.carCount; ++i)
        if (g.carStates[g.standing[i]].position != i) return false;
    for (int i = 0; i < g.carCount; ++i) {
        g.seasonPoints[i] = ReadI32(r);
        if (g.seasonPoints[i] < 0 || g.seasonPoints[i] > kMaxSeasonPoints) return false;
    }
    g.raceLaps = static_cast<int32_t>(ReadU32(r));
    g.leaderLaps = static_cast<int32_t>(ReadU32(r));
    g.raceClock = static_cast<int32_t>(ReadU32(r));
    g.fastestLap = static_cast<int32_t>(ReadU32(r));
    g.fastestLapCar = ReadI32(r);
    g.recordCar = ReadI32(r);
    if (r.failed || g.raceLaps < 1 || g.raceLaps > 65535 || g.leaderLaps < 0 || g.leaderLaps > 65535 ||
        g.raceClock < 0 || g.raceClock > kMaxRaceClock || g.fastestLap < 0 || g.fastestLap > kEmptyLapTime || g.fastestLapCar < -1 || g.fastestLapCar >= g.carCount ||
        g.recordCar < -1 || g.recordCar >= g.carCount)
        return false;
    for (int i = 0; i < g.carCount; ++i)
        if (g.carStates[i].lastLapMark > g.raceClock) return false;  // a lap ends on the race clock
    if (n == 1) {
        // Stored form: frameCount / 2 + 1 samples; 0 frames means no best lap.
        uint16_t frames = ReadU16(r);
        if (r.failed || frames > kMaxGhostFrames) return false;
        if (frames > 0) {
            size_t count = frames / 2u + 1;
            if (!ReaderHas(r, count * kGhostSampleSize)) return false;
            g.ghost.frameCount = frames;
            g.ghost.samples.resize(count);
            for (GhostSample& s : g.ghost.samples) {
                for (int32_t& p : s.pos) p = ReadI32(r);
                for (int8_t& a : s.axes) a = ReadI8(r);
                ReadU16(r);
            }
        }
    }
    if (!ParseReplay(r, g.replay, g.carCount)) return false;
    if (r.failed) return false;
    out = std::move(g);
    return true;
}

int ReadSaveGame(const std::string& name, SavedGame& game)
{
    if (!SaveGameNameValid(name)) return -1;
    EnterBaseDirectory();
    std::vector<uint8_t> file;
    // A 10-minute replay of six cars at every step is about 6.5 MB.
    if (!ReadWholeFile(ExistingSavePath(name).c_str(), file, 64u << 20)) return -1;
    return ParseSaveGame(file, game) ? 0 : -1;
}

// ---------------------------------------------------------------- continuing

std::string ResolveSavedTrack(const SavedTrack& t)
{
    std::string name = "\\" + t.path;
    if (SameTrack(name, t.identity)) return name;
    std::string found;
    if (FindTrack(t.path, t.identity, found)) return found;
    // Names no track file: the race start skips it. Its stored name and
    // fingerprint are kept for the next save, so the track is found again
    // once it is back.
    std::string missing = kMissingTrack + t.path;
    bool known = false;
    for (SavedTrack& m : missingTracks) {
        if (m.path != t.path) continue;
        m = t;
        known = true;
    }
    if (!known) missingTracks.push_back(t);
    return missing;
}

namespace {

void ApplySettings(const Settings& s)
{
    // The race rules of the saved season; screen, sound set and language stay the player's.
    settings.raceLength = s.raceLength;
    std::copy(std::begin(s.points), std::end(s.points), settings.points);
    settings.tyreWear = s.tyreWear;
    settings.fuelConsumption = s.fuelConsumption;
    settings.damage = s.damage;
    settings.fuelMass = s.fuelMass;
    settings.lengthUnit = s.lengthUnit;
    settings.startingOrder = s.startingOrder;
    settings.ghostCar = s.ghostCar;
}

}  // namespace

void RestoreSavedRace()
{
    SavedGame& g = pendingGame;
    RaceState& r = raceState;
    int n = g.carCount;
    for (int i = 0; i < kMaxCars; ++i) r.seasonPoints[i] = i < n ? g.seasonPoints[i] : 0;
    if (r.raceIndex != g.currentRace || !trackMaps.loaded) return;  // the saved track is gone: the season goes on
    int checkpoints = static_cast<int>(trackMaps.checkpoints.size());
    int limiters = static_cast<int>(trackMaps.limiters.size());
    int aiLength = static_cast<int>(std::max(trackMaps.aiLine.size(), trackMaps.pitLine.size()));
    for (int i = 0; i < n; ++i) {
        CarState c = g.carStates[i];
        // The bindings of the players as ResetRace set them from the records.
        for (int k = 0; k < 4; ++k) {
            c.keys[k] = cars[i].keys[k];
            c.controls[k] = cars[i].controls[k];
        }
        // Indices into the track's tables stay inside them.
        if (checkpoints == 0 || c.nextCheckpoint >= checkpoints) c.nextCheckpoint = 0;
        if (c.lastCheckpoint != 255 && c.lastCheckpoint >= checkpoints) c.lastCheckpoint = 255;
        if (c.lastLimiter != 255 && c.lastLimiter >= limiters) c.lastLimiter = 255;
        if (c.aiState >= aiLength) c.aiState = 0;
        cars[i] = c;
    }
    for (int i = 0; i < kMaxCars; ++i) {
        r.standing[i] = i < n ? g.standing[i] : -1;
    }
    r.raceLaps = g.raceLaps;
    r.leaderLaps = g.leaderLaps;
    r.raceClock = g.raceClock;
    r.fastestLap = g.fastestLap;
    r.fastestLapCar = g.fastestLapCar;
    r.recordCar = g.recordCar;
    r.timedRace = g.timedRace;
    if (g.timedRace) {
        r.raceSeconds = static_cast<int32_t>(g.raceSeconds);
        if (g.raceClock > 0 || g.phase > RacePhase::Countdown) {
            // The clock goes on from the remaining time; the lights after loading do not count.
            int32_t now = WallSeconds();
            r.wallEnd = now + static_cast<int32_t>(g.remainingSeconds);
            r.wallStart = r.wallEnd - r.raceSeconds;
            r.wallPaused = now;
        }
    }
    if (n == 1 && g.ghost.frameCount > 0) LoadGhost(g.ghost);
    ApplyReplay(g.replay);
    r.phase = g.phase;
    r.phaseCounter = g.phaseCounter;
    if (r.phase == RacePhase::Standings) r.phase = RacePhase::StandingsRelease;
    if (r.phase == RacePhase::Final) r.phase = RacePhase::FinalRelease;
    r.startLight = -1;
    Resume();
}

void PrepareSavedSeason()
{
    SavedGame& g = pendingGame;
    ApplySettings(g.settings);
    missingTracks.clear();  // those of this game only
    seasonTracks.clear();
    for (const SavedTrack& t : g.tracks) seasonTracks.push_back(ResolveSavedTrack(t));
    for (int i = 0; i < kMaxCars; ++i) {
        SeasonDriver& s = seasonDrivers[i];
        s = SeasonDriver{};
        if (i >= g.carCount) continue;
        const DriverRecord& d = g.drivers[i];
        s = SeasonDriverFrom(d);
        carDefinitions[i] = g.cars[i];
        if (i < kPlayerSlots) {
            PlayerSlot& slot = playerSlots[i];
            slot.used = true;
            slot.name = g.names[i];
            slot.record = d;
            // The statistics go on from the driver's file as it is now: the
            // save's copy is older, and counting onto it would write over
            // what the driver has raced since.
            DriverRecord onDisk;
            if (LoadDriver(slot.name, onDisk) == 0) CopyDriverStatistics(onDisk, slot.record);
            ApplySlotColours(i);
        }
    }
    for (int i = g.carCount; i < kPlayerSlots; ++i) playerSlots[i] = PlayerSlot{};
    // The drivers' statistics hooks of this season (not of one run before it).
    PrepareSeasonDrivers(g.carCount);
    // The season's points are in place before the race starts: its grid
    // order, its autosave and its standings use them.
    for (int i = 0; i < kMaxCars; ++i) raceState.seasonPoints[i] = i < g.carCount ? g.seasonPoints[i] : 0;
}

void StartSavedGame()
{
    PrepareSavedSeason();
    if (beginSavedSeasonEntry) beginSavedSeasonEntry(pendingGame.carCount, pendingGame.currentRace, RestoreSavedRace);
}

int LoadGame(const std::string& name)
{
    SavedGame game;
    if (ReadSaveGame(name, game) != 0) return -1;
    pendingGame = std::move(game);
    StartSavedGame();
    return 0;
}

// ---------------------------------------------------------------- entries

namespace {

bool pendingLoaded = false;

int LoadAction(const std::string& name)
{
    SavedGame game;
    if (ReadSaveGame(name, game) != 0) return -1;
    pendingGame = std::move(game);
    pendingLoaded = true;
    return 0;
}

// One box for a failed save: the reason, or "Oops!" when there is none.
bool SaveAction(const std::string& name)
{
    if (SaveGame(name)) return true;
    ShowMessageBox(kBoxOk, lastSaveError.empty() ? texts[kTextOops] : lastSaveError, texts[kTextSaveGame]);
    return false;
}

void LoadEntry()
{
    static const FileDialogActions actions = {LoadAction, nullptr};
    pendingLoaded = false;
    // The season starts once the dialog has closed.
    if (ShowFileDialog(kFileDialogLoad, "saves", "gam", actions) && pendingLoaded) {
        pendingLoaded = false;
        if (screenIsOpen) CloseScreen();
        StartSavedGame();
    }
}

void SaveEntry()
{
    static const FileDialogActions actions = {nullptr, SaveAction};
    ShowFileDialog(kFileDialogSave, "saves", "gam", actions);
}

// An autosave that cannot be written says so on the console and takes the
// previous "Autosave" away: left in the list it would offer an older race
// (perhaps of another season) as this one's.
void Autosave()
{
    if (SaveGame("Autosave")) return;
    std::fprintf(stderr, "Autosave failed: %s\n", lastSaveError.c_str());
    std::remove(ExistingSavePath("Autosave").c_str());
}

void ReplayEntryPoint()
{
    if (screenIsOpen) CloseScreen();
    if (!EnterReplay()) Resume();
}

}  // namespace

void InstallSaveGames()
{
    loadGameEntry = LoadEntry;
    saveGameEntry = SaveEntry;
    replayEntry = ReplayEntryPoint;
    raceSeams.writeAutosave = Autosave;
}
