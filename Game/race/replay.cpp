// The replay: while racing, every interval steps each car's pose goes into
// its ring of frames (the oldest overwritten once the ring is full). From the
// pause menu the rings are played back, smoothly between frames, with play,
// stop, reverse, fast keys, rate steps, jumps and cut marks; leaving puts
// every car back as it was and the start lights run again. The rings (or the
// cut area) are stored as a block in saved games.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/audio.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

ReplayState replay;

namespace {

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

int RoundClamped(float v, float scale, int lo, int hi)
{
    float s = v * scale;
    if (!(s == s)) return 0;  // NaN
    float r = std::floor(s + 0.5f);
    if (r < lo) return lo;
    if (r > hi) return hi;
    return static_cast<int>(r);
}

int ShadowCount(const CarDefinition& d)
{
    return d.shadowPointCount <= kCarRaceShadowPoints ? static_cast<int>(d.shadowPointCount) : kCarRaceShadowPoints;
}

Vec3 Body(const CarState& c, Vec3 l) { return c.pos + c.side * l.x + c.up * l.y + c.forward * l.z; }

struct DecodedFrame {
    Vec3 pos, side, forward;
    float wheels[4];
    float wheelSpeed;
};

DecodedFrame Decode(const ReplayFrame& f)
{
    DecodedFrame d;
    d.pos = {f.pos[0] / 150.0f, f.pos[1] / 150.0f, f.pos[2] / 150.0f};
    d.side = {f.side[0] / 120.0f, f.side[1] / 120.0f, f.side[2] / 120.0f};
    d.forward = {f.forward[0] / 120.0f, f.forward[1] / 120.0f, f.forward[2] / 120.0f};
    for (int w = 0; w < 4; ++w) d.wheels[w] = f.wheels[w] / 16.0f;
    d.wheelSpeed = f.wheelSpeed;
    return d;
}

// Ring index of logical frame k (0 = oldest), held at the oldest and newest.
int RingIndex(int k)
{
    const ReplayState& p = replay;
    k = ClampInt(k, 0, p.frames - 1);
    return p.capacity > 0 ? (k + p.start) % p.capacity : 0;
}

bool EngineAtPitch()
{
    const ReplayState& p = replay;
    return p.direction == 1 && p.numerator == 1 && p.denominator == 1 && p.fastKey == 0;
}

void ReplayEngineSounds()
{
    bool audible = EngineAtPitch();
    for (int i = 0; i < raceState.carCount && i < kEngineSlots; ++i) {
        int id = engineSounds[i];
        if (!id) continue;
        if (!audible) {
            SetSoundVolume(id, 0);
            continue;
        }
        // The engine note follows the replayed wheel speed.
        float e = 0.3f + std::fabs(cars[i].wheelSpeed) / 60.0f;
        SetSoundRate(id, std::min(e, 2.0f) * 10000.0f / 22050.0f);
        SetSoundAttenuation(id, static_cast<int>(engineVolumeBase) - 10000);
    }
}

void SilenceEngines()
{
    for (int i = 0; i < kEngineSlots; ++i) SetSoundVolume(engineSounds[i], 0);
}

// Field by field into 18 little-endian bytes, appended at once (a ten-minute
// replay of six cars has 360 000 frames).
void WriteFrame(ByteWriter& w, const ReplayFrame& f)
{
    uint8_t b[kReplayFrameBytes];
    for (int k = 0; k < 3; ++k) {
        b[2 * k] = static_cast<uint8_t>(f.pos[k]);
        b[2 * k + 1] = static_cast<uint8_t>(f.pos[k] >> 8);
        b[6 + k] = static_cast<uint8_t>(f.side[k]);
        b[9 + k] = static_cast<uint8_t>(f.forward[k]);
    }
    for (int k = 0; k < 4; ++k) b[12 + k] = f.wheels[k];
    b[16] = static_cast<uint8_t>(f.wheelSpeed);
    b[17] = f.flags;
    WriteBytes(w, b, sizeof b);
}

ReplayFrame ReadFrame(ByteReader& r)
{
    ReplayFrame f;
    for (uint16_t& v : f.pos) v = ReadU16(r);
    for (int8_t& v : f.side) v = ReadI8(r);
    for (int8_t& v : f.forward) v = ReadI8(r);
    for (uint8_t& v : f.wheels) v = ReadU8(r);
    f.wheelSpeed = ReadI8(r);
    ReadU8(r);
    f.flags = 1;
    return f;
}

}  // namespace

int32_t ReplayCapacity(int interval, int minimum)
{
    int n = ClampInt(interval > 0 ? interval : iniSettings.frameStep, 1, 100);
    int64_t length = iniSettings.replayLength < 0 ? 0 : iniSettings.replayLength;
    int64_t capacity = std::clamp<int64_t>(length * 100 / n, kReplayMinFrames, kReplayMaxFrames);
    if (minimum > capacity) capacity = std::min(minimum, kReplayMaxFrames);
    return static_cast<int32_t>(capacity);
}

void ResetReplay(int interval, int minimum)
{
    ReplayState& p = replay;
    p.interval = ClampInt(interval > 0 ? interval : iniSettings.frameStep, 1, 100);
    p.framePeriod = 1.0f / static_cast<float>(p.interval);
    p.capacity = ReplayCapacity(p.interval, minimum);
    int carCount = ClampInt(raceState.carCount, 0, kMaxCars);
    for (int i = 0; i < kMaxCars; ++i) {
        if (i < carCount) {
            // Kept when the size is right: a new race reuses the rings.
            p.buffers[i].resize(static_cast<size_t>(p.capacity) + 1);
        } else {
            std::vector<ReplayFrame>().swap(p.buffers[i]);
        }
    }
    p.frames = p.start = 0;
    p.position = 0;
    p.stepCounter = 0;
    p.rate = 1;
    p.numerator = p.denominator = p.direction = 1;
    p.fastKey = 0;
    p.help = false;
    p.cutBegin = p.cutEnd = -1;
    p.highestWheelSpeed = p.lowestWheelSpeed = 0;
}

ReplayFrame EncodeReplayFrame(const CarState& c, const CarDefinition& d)
{
    ReplayFrame f;
    const float pos[3] = {c.pos.x, c.pos.y, c.pos.z};
    const float side[3] = {c.side.x, c.side.y, c.side.z};
    const float forward[3] = {c.forward.x, c.forward.y, c.forward.z};
    for (int k = 0; k < 3; ++k) {
        f.pos[k] = static_cast<uint16_t>(RoundClamped(pos[k], 150.0f, 0, 65535));
        f.side[k] = static_cast<int8_t>(RoundClamped(side[k], 120.0f, -128, 127));
        f.forward[k] = static_cast<int8_t>(RoundClamped(forward[k], 120.0f, -128, 127));
    }
    int first = ShadowCount(d);
    for (int w = 0; w < 4; ++w) {
        float mount = Body(c, d.wheels[w]).y;
        float gap = std::clamp(mount - c.points[first + w].y, 0.0f, 15.96f);
        f.wheels[w] = static_cast<uint8_t>(RoundClamped(gap, 16.0f, 0, 255));
    }
    float ws = c.wheelSpeed;
    f.wheelSpeed = static_cast<int8_t>(ws >= 127.0f ? 127 : (ws <= -128.0f ? -128 : (ws == ws ? static_cast<int>(ws) : 0)));
    f.flags = 0;
    return f;
}

void RecordReplay()
{
    ReplayState& p = replay;
    if (p.capacity <= 0) return;
    if (++p.stepCounter < p.interval) return;
    p.stepCounter = 0;
    // Marks name frames of the replay as it was; racing on moves the ring under them.
    p.cutBegin = p.cutEnd = -1;
    int at = (p.frames + p.start) % p.capacity;
    for (int i = 0; i < raceState.carCount && i < kMaxCars; ++i) {
        if (p.buffers[i].size() <= static_cast<size_t>(at)) continue;
        p.buffers[i][static_cast<size_t>(at)] = EncodeReplayFrame(cars[i], carDefinitions[i]);
        float ws = cars[i].wheelSpeed;
        if (ws > p.highestWheelSpeed) p.highestWheelSpeed = ws;
        if (ws < p.lowestWheelSpeed) p.lowestWheelSpeed = ws;
    }
    if (p.frames < p.capacity) {
        ++p.frames;
    } else if (++p.start >= p.capacity) {
        p.start = 0;
    }
}

void DecodeReplayPose(int car, int index, float t)
{
    const std::vector<ReplayFrame>& ring = replay.buffers[car];
    if (ring.empty() || replay.frames <= 0) return;
    DecodedFrame a = Decode(ring[static_cast<size_t>(RingIndex(index - 1))]);
    DecodedFrame b = Decode(ring[static_cast<size_t>(RingIndex(index))]);
    DecodedFrame c = Decode(ring[static_cast<size_t>(RingIndex(index + 1))]);
    DecodedFrame d = Decode(ring[static_cast<size_t>(RingIndex(index + 2))]);
    // Uniform Catmull-Rom through the four positions, as a cubic Bezier.
    Vec3 p0 = b.pos, p1 = b.pos + (c.pos - a.pos) * (1.0f / 6.0f), p2 = c.pos - (d.pos - b.pos) * (1.0f / 6.0f), p3 = c.pos;
    float u = 1 - t;
    CarState& s = cars[car];
    s.pos = p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
    // Rows, wheel gaps and wheel speed linearly between b and c.
    Vec3 side = b.side * u + c.side * t, forward = b.forward * u + c.forward * t;
    forward = Normalize(forward);
    Vec3 up = Normalize(Cross(forward, side));
    s.side = Normalize(Cross(up, forward));
    s.up = up;
    s.forward = forward;
    s.wheelSpeed = b.wheelSpeed * u + c.wheelSpeed * t;
    const CarDefinition& def = carDefinitions[car];
    int first = ShadowCount(def);
    for (int k = 0; k < first; ++k) s.points[k] = Body(s, def.shadowPoints[k]);
    for (int w = 0; w < 4; ++w) {
        Vec3 mount = Body(s, def.wheels[w]);
        float gap = b.wheels[w] * u + c.wheels[w] * t;
        s.points[first + w] = {mount.x, mount.y - gap, mount.z};
    }
}

void UpdateReplayRate()
{
    ReplayState& p = replay;
    float base = static_cast<float>(p.numerator) / static_cast<float>(p.denominator);
    if (p.fastKey != 0)
        p.rate = 4.0f * base * static_cast<float>(p.fastKey);
    else
        p.rate = base * static_cast<float>(p.direction);
}

void RestoreReplayPoses()
{
    ReplayState& p = replay;
    for (int i = 0; i < kMaxCars; ++i) cars[i] = p.savedCars[i];
    raceState.phase = p.savedPhase;
    raceState.phaseCounter = p.savedCounter;
    raceState.startLight = p.savedStartLight;
}

bool EnterReplay()
{
    ReplayState& p = replay;
    RaceState& r = raceState;
    if (p.frames < 2 || r.phase >= RacePhase::FinalRelease) return false;
    for (PitCrew& crew : trackMaps.pitCrews) {
        crew.state = 6;
        for (CrewMember& m : crew.members) {
            m.position = m.home;
            m.motion = {};
        }
    }
    for (int i = 0; i < kMaxCars; ++i) p.savedCars[i] = cars[i];
    p.savedPhase = r.phase;
    p.savedCounter = r.phaseCounter;
    p.savedStartLight = r.startLight;
    r.startLight = -1;
    // The last 20 s of racing.
    p.position = std::clamp(static_cast<float>(p.frames) - 2001.0f * p.framePeriod, 0.0f, static_cast<float>(p.frames - 1));
    p.numerator = p.denominator = p.direction = 1;
    p.fastKey = 0;
    p.help = false;
    p.cutBegin = p.cutEnd = -1;
    UpdateReplayRate();
    r.phase = RacePhase::Replay;
    r.raceRunning = true;
    RestartStepClock();
    return true;
}

void ReplayPress(int key)
{
    ReplayState& p = replay;
    switch (key) {
    case SDLK_RIGHT: p.direction = 1; break;
    case SDLK_DOWN: p.direction = 0; break;
    case SDLK_LEFT: p.direction = -1; break;
    case SDLK_KP_PLUS:
        if (p.numerator < 8) {
            if (p.denominator > 1)
                --p.denominator;
            else
                ++p.numerator;
        }
        break;
    case SDLK_KP_MINUS:
        if (p.denominator < 8) {
            if (p.numerator > 1)
                --p.numerator;
            else
                ++p.denominator;
        }
        break;
    case SDLK_HOME: p.position = 0; break;
    case SDLK_END: p.position = static_cast<float>(p.frames) - p.framePeriod; break;
    case SDLK_c:
        if (p.cutBegin < 0) {
            p.cutBegin = p.position;
        } else {
            // The cut is marked: back to the race, and the pause menu again.
            p.cutEnd = p.position;
            RestoreReplayPoses();
            Resume();
            Pause();
        }
        break;
    default: break;
    }
    UpdateReplayRate();
}

bool ReplayStep()
{
    ReplayState& p = replay;
    static const int kPressKeys[] = {SDLK_RIGHT, SDLK_DOWN, SDLK_LEFT, SDLK_KP_PLUS, SDLK_KP_MINUS,
                                     SDLK_HOME,  SDLK_END,  SDLK_c};
    for (int key : kPressKeys) {
        if (raceState.phase != RacePhase::Replay) break;
        while (TakeKeyPress(key)) {
            ReplayPress(key);
            if (raceState.phase != RacePhase::Replay) break;
        }
    }
    if (raceState.phase != RacePhase::Replay) return false;
    auto held = [](int key) { return keyState && (keyState[key] & 1) != 0; };
    p.fastKey = held(SDLK_PAGEUP) ? 1 : (held(SDLK_PAGEDOWN) ? -1 : 0);
    p.help = held(SDLK_F1);
    UpdateReplayRate();
    if (p.frames <= 0) return true;
    float whole = std::floor(p.position);
    float t = p.position - whole;
    for (int i = 0; i < raceState.carCount && i < kMaxCars; ++i) DecodeReplayPose(i, static_cast<int>(whole), t);
    ReplayEngineSounds();
    p.position = std::clamp(p.position + p.rate * p.framePeriod, 0.0f, static_cast<float>(p.frames - 1));
    return true;
}

void LeaveReplay()
{
    ReplayState& p = replay;
    p.numerator = p.denominator = p.direction = 1;
    p.fastKey = 0;
    p.help = false;
    UpdateReplayRate();
    SilenceEngines();
    p.cutBegin = p.cutEnd = -1;
    RestoreReplayPoses();
}

bool WriteReplay(ByteWriter& w)
{
    const ReplayState& p = replay;
    if (p.frames <= 0 || p.capacity <= 0) return false;
    int first = 0, count = p.frames;
    if (p.cutBegin >= 0 && p.cutEnd >= 0) {
        // Marks set in either order cut the same stretch; an empty stretch keeps one frame.
        int a = ClampInt(static_cast<int>(std::min(p.cutBegin, p.cutEnd)), 0, p.frames - 1);
        int b = ClampInt(static_cast<int>(std::max(p.cutBegin, p.cutEnd)), 0, p.frames - 1);
        first = a;
        count = std::max(1, b - a);
    }
    WriteU16(w, kReplayVersion);
    WriteU8(w, 'R');
    WriteU8(w, 'P');
    WriteU32(w, static_cast<uint32_t>(p.interval));
    WriteU32(w, static_cast<uint32_t>(count));
    int begin = (p.start + first) % p.capacity;
    for (int i = 0; i < kMaxCars; ++i) {
        const std::vector<ReplayFrame>& ring = p.buffers[i];
        if (ring.empty()) continue;
        WriteU8(w, 'P');
        WriteU8(w, 'L');
        WriteU8(w, 'R');
        WriteU8(w, static_cast<uint8_t>('1' + i));
        // Two runs: to the end of the ring, then from its start.
        int run = std::min(count, p.capacity - begin);
        for (int k = 0; k < run; ++k) WriteFrame(w, ring[static_cast<size_t>(begin + k)]);
        for (int k = 0; k < count - run; ++k) WriteFrame(w, ring[static_cast<size_t>(k)]);
    }
    return true;
}

bool ParseReplay(ByteReader& r, ReplayBlock& block, int carCount)
{
    block = ReplayBlock{};
    if (!ReaderHas(r, 4)) return !r.failed && ReaderRemaining(r) == 0;
    size_t at = r.pos;
    uint16_t version = ReadU16(r);
    uint8_t t0 = ReadU8(r), t1 = ReadU8(r);
    if (version < 1 || version > kReplayVersion || t0 != 'R' || t1 != 'P') {
        ReaderSeek(r, at);
        return true;  // not a replay block: no replay
    }
    block.interval = version > 0x0103 ? static_cast<int32_t>(ReadU32(r)) : 0;
    uint32_t frames = ReadU32(r);
    if (r.failed) return false;
    if (block.interval < 0 || block.interval > 100) block.interval = 0;
    if (frames > static_cast<uint32_t>(kReplayMaxFrames)) return false;
    carCount = ClampInt(carCount, 0, kMaxCars);
    for (int i = 0; i < carCount && frames > 0; ++i) {
        // Every car of the race has its frames: a block that ends before one is cut short.
        if (!ReaderHas(r, 4)) return false;
        size_t tag = r.pos;
        if (ReadU8(r) != 'P' || ReadU8(r) != 'L' || ReadU8(r) != 'R' || ReadU8(r) != '1' + i) {
            // Not this car's frames: the stream is left at the tag and no
            // replay is kept (one with cars missing could not be stored again).
            ReaderSeek(r, tag);
            for (std::vector<ReplayFrame>& b : block.buffers) std::vector<ReplayFrame>().swap(b);
            break;
        }
        // Every count is checked against what the file holds before anything is allocated.
        if (!ReaderHas(r, static_cast<size_t>(frames) * kReplayFrameBytes)) return false;
        block.buffers[i].resize(frames);
        for (ReplayFrame& f : block.buffers[i]) f = ReadFrame(r);
    }
    block.frames = block.buffers[0].empty() ? 0 : static_cast<int32_t>(frames);
    return !r.failed;
}

void ApplyReplay(ReplayBlock& block)
{
    ResetReplay(block.interval, block.frames);
    ReplayState& p = replay;
    if (block.frames <= 0) return;
    for (int i = 0; i < kMaxCars; ++i) {
        if (block.buffers[i].empty() || p.buffers[i].empty()) {
            std::vector<ReplayFrame>().swap(p.buffers[i]);
            continue;
        }
        std::copy(block.buffers[i].begin(), block.buffers[i].end(), p.buffers[i].begin());
    }
    p.frames = block.frames;
}

bool ReadReplay(ByteReader& r)
{
    ReplayBlock block;
    bool ok = ParseReplay(r, block, raceState.carCount);
    if (!ok) block = ReplayBlock{};
    ApplyReplay(block);
    return ok;
}

void ReplayTimeText(float position, int interval, char text[16])
{
    int seconds = static_cast<int>(std::max(0.0f, position) * static_cast<float>(interval) / 100.0f);
    if (seconds >= 3600)
        std::snprintf(text, 16, "%2d:%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, 16, " %2d:%02d", seconds / 60, seconds % 60);
}

void ReplayRateText(char text[16])
{
    const ReplayState& p = replay;
    bool reverse = p.fastKey < 0 || (p.fastKey == 0 && p.direction < 0);
    std::snprintf(text, 16, "%c%d:%d", reverse ? '-' : ' ', p.numerator, p.denominator);
}

namespace {

void ClearReplaySeam() { ResetReplay(0, 0); }

}  // namespace

void InstallReplay()
{
    raceSeams.clearReplay = ClearReplaySeam;
    raceSeams.recordReplay = RecordReplay;
    raceSeams.replayStep = ReplayStep;
    raceSeams.restoreReplay = LeaveReplay;
}
