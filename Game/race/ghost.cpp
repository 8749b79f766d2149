// The time-trial ghost: every step of a lap is recorded into one of two
// buffers; a completed lap that beats the best one becomes the ghost the view
// replays and the other buffer records the next lap. The best lap is kept in
// the track file with the best times (every other sample, rebuilt on load).
// Also the write-back of the records into the current track file.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/shell.h"

#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kGhostBuffer = kMaxGhostFrames + 1;

struct GhostFrame {
    Vec3 pos, side, up, forward;
};

GhostFrame ghostBuffers[2][kGhostBuffer];  // static: nothing allocated while racing
int recordBuffer = 0;     // buffer of the lap in progress
int recordCount = 0;      // samples of the lap in progress
int bestBuffer = 1;
int bestCount = 0;        // 0 = no best lap
int storedCount = kMaxGhostFrames;  // samples of the lap held in the track file
bool bestIsNew = false;   // the best lap was driven now, not loaded

Vec3 Decode(const int8_t* a)
{
    Vec3 v = {a[0] / 120.0f, a[1] / 120.0f, a[2] / 120.0f};
    float l = Length(v);
    return l > 0.0001f ? v * (1.0f / l) : Vec3{0, 0, 1};
}

}  // namespace

void StartGhost()
{
    recordBuffer = 0;
    bestBuffer = 1;
    recordCount = 0;
    bestCount = 0;
    bestIsNew = false;
    storedCount = kMaxGhostFrames;
    if (trackMaps.hasGhost) LoadGhost(trackMaps.ghost);
}

void RecordGhost()
{
    if (raceState.phase != RacePhase::Racing || recordCount >= kMaxGhostFrames) return;
    const CarState& c = cars[0];
    ghostBuffers[recordBuffer][recordCount++] = GhostFrame{c.pos, c.side, c.up, c.forward};
}

void EndGhostLap(int car)
{
    int n = recordCount;
    if (n <= kMaxGhostFrames && n > 0 && (bestCount == 0 || n < bestCount)) {
        bestBuffer = recordBuffer;
        recordBuffer = 1 - recordBuffer;
        bestCount = n;
        bestIsNew = true;
    }
    // The record mark compares with the table as it was before this lap went in.
    uint16_t lapTime = static_cast<uint16_t>(n > kMaxGhostFrames ? kMaxGhostFrames : n);
    bool record = n > 0 && lapTime < trackMaps.records.entry[0].time;
    uint16_t date[8];
    CurrentRecordDate(date);
    const char* name = driverRecordHooks.name ? driverRecordHooks.name(car) : nullptr;
    char fallback[14] = "Driver 1";
    fallback[7] = static_cast<char>('1' + car);
    InsertTrackRecord(trackMaps.records, lapTime, name ? name : fallback, carDefinitions[car], date);
    if (record) raceState.recordCar = car;
    recordCount = 0;
}

bool GhostPose(int index, Vec3& pos, Vec3& side, Vec3& up, Vec3& forward)
{
    if (index < 0 || index >= bestCount) return false;
    const GhostFrame& f = ghostBuffers[bestBuffer][index];
    pos = f.pos;
    side = f.side;
    up = f.up;
    forward = f.forward;
    return true;
}

int GhostSampleCount() { return bestCount; }

bool SaveGhost(GhostLap& ghost)
{
    if (!bestIsNew || bestCount < 1 || bestCount >= kMaxGhostFrames || bestCount >= storedCount) return false;
    ghost.frameCount = static_cast<uint16_t>(bestCount);
    ghost.samples.clear();
    for (int k = 0; k <= bestCount / 2; ++k) {
        int at = 2 * k < bestCount ? 2 * k : bestCount - 1;
        const GhostFrame& f = ghostBuffers[bestBuffer][at];
        ghost.samples.push_back(EncodeGhostSample(f.pos, f.side, f.forward));
    }
    return true;
}

void LoadGhost(const GhostLap& ghost)
{
    int n = ghost.frameCount;
    if (n < 1 || n > kMaxGhostFrames || ghost.samples.empty()) return;
    GhostFrame* out = ghostBuffers[bestBuffer];
    int held = 0;
    // Sample k holds frame 2k; the last one holds frame n - 1.
    for (size_t k = 0; k < ghost.samples.size() && 2 * k < static_cast<size_t>(n) + 1; ++k) {
        const GhostSample& s = ghost.samples[k];
        int at = 2 * static_cast<int>(k) < n ? 2 * static_cast<int>(k) : n - 1;
        GhostFrame& f = out[at];
        f.pos = {s.pos[0] / 150.0f, s.pos[1] / 150.0f, s.pos[2] / 150.0f};
        f.side = Decode(s.axes);
        f.forward = Decode(s.axes + 3);
        f.up = Normalize(Cross(f.forward, f.side));
        f.side = Normalize(Cross(f.up, f.forward));
        held = at + 1;
    }
    // The samples between two stored ones: the midpoint, axes renormalised.
    // The last held frame is always a stored one (frame n - 1 of an even count).
    for (int i = 1; i + 1 < held; i += 2) {
        const GhostFrame& a = out[i - 1];
        const GhostFrame& b = out[i + 1];
        GhostFrame& f = out[i];
        f.pos = (a.pos + b.pos) * 0.5f;
        f.forward = Normalize(a.forward + b.forward);
        f.up = Normalize(a.up + b.up);
        f.side = Normalize(Cross(f.up, f.forward));
    }
    // Frames past the last stored sample repeat it.
    for (int i = held; i < n && held > 0; ++i) out[i] = out[held - 1];
    bestCount = held > 0 ? n : 0;
    // A lap that beats the one the track holds, or a track that holds none
    // (a saved game's best lap), is still to be written; the track's own lap,
    // or a slower one, is not.
    if ((!trackMaps.hasGhost || trackMaps.ghost.frameCount > n) && bestCount > 0) {
        storedCount = trackMaps.hasGhost ? trackMaps.ghost.frameCount : kMaxGhostFrames;
        bestIsNew = true;
        return;
    }
    storedCount = n;
    bestIsNew = false;
}

bool WriteRaceRecords()
{
    if (!trackMaps.loaded || trackMaps.name.empty()) return false;
    std::string path = trackMaps.name;
    bool isPath = path.size() > 4 && path.compare(path.size() - 4, 4, ".trk") == 0;
    if (!isPath) {
        if (!EnterBaseDirectory()) return false;
        path = TrackFilePath(path);
    }
    // A read-only file is left as it is (renaming over it would replace it,
    // and root may write it anyway); so is a missing one.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) ||
        access(path.c_str(), W_OK) != 0)
        return false;
    GhostLap ghost;
    bool withGhost = raceState.carCount == 1 && SaveGhost(ghost);
    if (WriteTrackRecords(path.c_str(), trackMaps.records, withGhost ? &ghost : nullptr) != kTrackOk) return false;
    if (withGhost) {
        storedCount = bestCount;
        bestIsNew = false;
    }
    return true;
}
