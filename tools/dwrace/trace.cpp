// dwrace --trace FILE: what happened to each car where, for track authors
// (Courseforge's "Test with AI" shows it on the map). Watches every step:
//   stall    a car that has not moved for two seconds
//   offroad  a car on ground its track's AI line never runs over (kerbs,
//            painted lines and tarmac always count as road)
//   hit      a sudden change of speed beside an object (object numbered from 1)
//   missed   a car crossing a later checkpoint than the one it waits for
//            (x, z at the missed checkpoint's middle)
// and writes one JSON document at the end: per race the track and each
// car's laps, best lap, stalls and whether it finished, and the events with
// race, kind, car, time (s), x and z (metres). With a trace, standard error
// also carries "dwrace: progress F" lines (F from 0 to 1) for a caller's
// progress bar.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Game/race/race.h"
#include "Game/track/track.h"
#include "tools/dwrace/dwrace.h"
#include "trackfile/byte_io.h"
#include "trackfile/object_types.h"

namespace {

constexpr int kStallSteps = 200;     // 2 s without moving
constexpr float kStallSpeed = 1.0f;  // m/s below which a car stands
constexpr float kMovingSpeed = 3.0f; // m/s above which a stalled car moves again
constexpr int kOffroadSteps = 50;    // 0.5 s off the road before it counts
constexpr int kRoadSteps = 100;      // 1 s back on the road before the next one
constexpr float kHitChange = 2.5f;   // m/s of speed lost or turned in one step
constexpr int kHitQuiet = 50;        // steps after a hit before the next one counts
constexpr int kProgressEvery = 200;  // steps between progress lines

struct TraceEvent {
    int race;
    const char* kind;
    int car;
    double time;
    float x, z;
    int detail;  // hit: object number (0 = none near); missed: checkpoint number
};

struct CarWatch {
    int stillSteps = 0, offSteps = 0, onSteps = 0, quiet = 0;
    bool stalled = false, offroad = false;
    Vec3 lastVel{};
    int missedLap = -1, missedCheckpoint = -1;
};

struct RaceSummary {
    std::string track;
    int raceLaps = 0;
    int laps[kMaxCars] = {}, stalls[kMaxCars] = {};
    double bestLap[kMaxCars] = {};
    bool finished[kMaxCars] = {};
};

std::string traceFile;
int traceCars = 0;
double capSeconds = 0;
std::vector<std::string> traceTracks;
std::vector<TraceEvent> events;
std::vector<RaceSummary> races;
CarWatch watch[kMaxCars];
bool roadClass[21];
int currentRace = -1;
long stepCount = 0;
void (*chainedHook)(int) = nullptr;

// Surface classes 0-9 and the marked variants 40-47 as 12-19; anything
// else (never made by the loader) as 20.
int GroundClass(int value) { return value >= 48 ? 20 : value >= 40 ? 12 + (value - 40) : value / 4; }

int GroundAt(float x, float z)
{
    const float s = trackMaps.worldScale > 0 ? trackMaps.worldScale : 1;
    const int col = static_cast<int>(x / s), row = static_cast<int>(z / s);
    if (col < 0 || row < 0 || col >= 512 || row >= 512 || trackMaps.land.size() < 512u * 512u) return -1;
    return trackMaps.land[size_t(row) * 512 + col];
}

// The ground the AI line runs over counts as road on this track.
void LearnRoad()
{
    for (bool& b : roadClass) b = false;
    for (int c : {0, 7, 8, 9, 12, 13, 17, 18, 19}) roadClass[c] = true;
    const std::vector<Vec3>& ai = trackMaps.aiLine;
    for (size_t k = 0; k < ai.size(); ++k) {
        const Vec3 &a = ai[k], &b = ai[(k + 1) % ai.size()];
        const int n = 1 + static_cast<int>(std::hypot(b.x - a.x, b.z - a.z) * 2);
        for (int s = 0; s < n; ++s) {
            const int g = GroundAt(a.x + (b.x - a.x) * s / n, a.z + (b.z - a.z) * s / n);
            if (g >= 0) roadClass[GroundClass(g)] = true;
        }
    }
}

void StartRaceWatch(int raceIndex)
{
    currentRace = raceIndex;
    for (CarWatch& w : watch) w = CarWatch{};
    for (int i = 0; i < traceCars; ++i) watch[i].lastVel = cars[i].vel;
    LearnRoad();
    RaceSummary s;
    s.track = raceIndex < static_cast<int>(traceTracks.size()) ? traceTracks[raceIndex] : std::string();
    races.push_back(s);
}

void Add(const char* kind, int car, float x, float z, int detail = 0)
{
    events.push_back(TraceEvent{currentRace, kind, car + 1, raceState.raceClock / 100.0, x, z, detail});
}

// The object whose footprint is nearest the car, within a car's reach of it;
// 0 when none is.
int ObjectNear(const Vec3& p)
{
    int best = 0;
    float bestD = 2.5f;
    for (size_t o = kStartPositions; o < trackMaps.objects.size(); ++o) {
        const WorldObject& obj = trackMaps.objects[o];
        const ObjectTypeInfo& t = ObjectType(obj.type);
        const float dx = p.x - obj.position.x, dz = p.z - obj.position.z;
        const float along = dx * obj.direction.x + dz * obj.direction.z;
        const float across = dz * obj.direction.x - dx * obj.direction.z;
        const float hl = std::max(t.halfLength, t.postRadius), hw = std::max(t.halfWidth, t.postRadius);
        const float d = std::hypot(std::max(std::fabs(along) - hl, 0.0f), std::max(std::fabs(across) - hw, 0.0f));
        if (d < bestD) bestD = d, best = static_cast<int>(o) + 1;
    }
    return best;
}

bool CarNear(int i)
{
    for (int j = 0; j < traceCars; ++j)
        if (j != i && std::hypot(cars[j].pos.x - cars[i].pos.x, cars[j].pos.z - cars[i].pos.z) < 4.5f) return true;
    return false;
}

void WatchCar(int i)
{
    CarState& c = cars[i];
    CarWatch& w = watch[i];
    const float speed = std::hypot(c.vel.x, c.vel.z);
    // Stalls.
    if (speed < kStallSpeed) {
        if (++w.stillSteps == kStallSteps && !w.stalled) {
            w.stalled = true;
            races.back().stalls[i]++;
            Add("stall", i, c.pos.x, c.pos.z);
        }
    } else {
        w.stillSteps = 0;
        if (speed > kMovingSpeed) w.stalled = false;
    }
    // Leaving the road.
    const int g = GroundAt(c.pos.x, c.pos.z);
    const bool off = g >= 0 && !roadClass[GroundClass(g)];
    if (off) {
        w.onSteps = 0;
        if (++w.offSteps == kOffroadSteps && !w.offroad) {
            w.offroad = true;
            Add("offroad", i, c.pos.x, c.pos.z);
        }
    } else {
        w.offSteps = 0;
        if (++w.onSteps >= kRoadSteps) w.offroad = false;
    }
    // Hits: a jolt in the horizontal velocity that no tyre makes.
    const float jolt = std::hypot(c.vel.x - w.lastVel.x, c.vel.z - w.lastVel.z);
    w.lastVel = c.vel;
    if (w.quiet > 0) {
        --w.quiet;
    } else if (jolt > kHitChange && !CarNear(i)) {
        w.quiet = kHitQuiet;
        Add("hit", i, c.pos.x, c.pos.z, ObjectNear(c.pos));
    }
    // Missed checkpoints: on a later line than the one the car waits for.
    const size_t n = trackMaps.checkpoints.size();
    if (n < 2) return;
    const size_t next = c.nextCheckpoint % n;
    for (size_t k = 1; k <= 2 && k < n; ++k) {
        if (!OnGate(trackMaps.checkpoints[(next + k) % n], c.pos)) continue;
        if (w.missedLap == c.laps && w.missedCheckpoint == static_cast<int>(next)) break;
        w.missedLap = c.laps;
        w.missedCheckpoint = static_cast<int>(next);
        const TrackGate& gate = trackMaps.checkpoints[next];
        Add("missed", i, gate.x + gate.dx * gate.length * 0.5f, gate.y + gate.dy * gate.length * 0.5f,
            static_cast<int>(next) + 1);
        break;
    }
}

void Progress(int raceIndex)
{
    double best = 0;
    const size_t n = trackMaps.checkpoints.size();
    for (int i = 0; i < traceCars; ++i) {
        const double lap = cars[i].laps + (n ? double(cars[i].nextCheckpoint % n) / n : 0);
        best = std::max(best, raceState.raceLaps > 0 ? lap / raceState.raceLaps : 0);
    }
    const double cap = capSeconds > 0 ? capSeconds : 120.0 * (raceState.raceLaps + 2);
    const double race = std::min(1.0, std::max(best, raceState.raceClock / 100.0 / cap));
    const double all = (raceIndex + race) / std::max<size_t>(1, traceTracks.size());
    std::fprintf(stderr, "dwrace: progress %.3f\n", all);
    std::fflush(stderr);
}

void TraceStep(int raceIndex)
{
    if (chainedHook) chainedHook(raceIndex);
    if (raceIndex != currentRace) StartRaceWatch(raceIndex);
    RaceSummary& s = races.back();
    s.raceLaps = raceState.raceLaps;
    for (int i = 0; i < traceCars; ++i) {
        const CarState& c = cars[i];
        s.laps[i] = c.laps;
        s.bestLap[i] = c.bestLap < kEmptyLapTime ? c.bestLap / 100.0 : 0;
        s.finished[i] = c.lapState == 2;
        if (raceState.phase == RacePhase::Racing && c.lapState != 2) WatchCar(i);
    }
    if (++stepCount % kProgressEvery == 0) Progress(raceIndex);
}

std::string JsonText(const std::string& s)
{
    std::string out;
    for (char ch : s) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (static_cast<unsigned char>(ch) >= 32) out += ch;
    }
    return out;
}

}  // namespace

bool StartTrace(const RunnerOptions& o, std::string& error)
{
    traceFile = o.traceFile;
    if (traceFile.empty()) return true;
    // Fail before the season rather than after it.
    if (!WriteFileReplacing(traceFile.c_str(), "", 0)) {
        error = "cannot write the trace " + traceFile;
        return false;
    }
    traceCars = o.cars;
    capSeconds = o.capSeconds;
    traceTracks = o.tracks;
    events.clear();
    events.reserve(4096);
    races.clear();
    currentRace = -1;
    stepCount = 0;
    chainedHook = runnerStepHook;
    runnerStepHook = TraceStep;
    return true;
}

bool FinishTrace(std::string& error)
{
    if (traceFile.empty()) return true;
    runnerStepHook = chainedHook;
    std::string json = "{\n  \"races\": [";
    char buf[256];
    for (size_t r = 0; r < races.size(); ++r) {
        const RaceSummary& s = races[r];
        json += std::string(r ? "," : "") + "\n    {\"track\": \"" + JsonText(s.track) + "\", \"laps\": " +
                std::to_string(s.raceLaps) + ", \"cars\": [";
        for (int i = 0; i < traceCars; ++i) {
            std::snprintf(buf, sizeof buf,
                          "%s\n      {\"car\": %d, \"laps\": %d, \"bestLap\": %.2f, \"stalls\": %d, \"finished\": %s}",
                          i ? "," : "", i + 1, s.laps[i], s.bestLap[i], s.stalls[i], s.finished[i] ? "true" : "false");
            json += buf;
        }
        json += "\n    ]}";
    }
    json += "\n  ],\n  \"events\": [";
    for (size_t k = 0; k < events.size(); ++k) {
        const TraceEvent& e = events[k];
        std::snprintf(buf, sizeof buf,
                      "%s\n    {\"race\": %d, \"kind\": \"%s\", \"car\": %d, \"time\": %.2f, \"x\": %.2f, \"z\": %.2f%s",
                      k ? "," : "", e.race, e.kind, e.car, e.time, e.x, e.z,
                      e.detail ? (std::string(e.kind) == "hit" ? ", \"object\": " : ", \"checkpoint\": ") : "");
        json += buf;
        json += e.detail ? std::to_string(e.detail) + "}" : "}";
    }
    json += "\n  ]\n}\n";
    if (!WriteFileReplacing(traceFile.c_str(), json.data(), json.size())) {
        error = "cannot write the trace " + traceFile;
        return false;
    }
    std::fprintf(stderr, "dwrace: progress 1.000\n");
    return true;
}
