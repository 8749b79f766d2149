// The race: a season of races, the fixed 10 ms simulation step with its phase
// machine (intro, start lights, racing, run-out, results, standings,
// fireworks, replay), pausing and leaving, and the car physics with every
// contact. It runs without a window and without real time: set-up, stepping
// and reading the state work from code, the clocks come from hooks and human
// cars can be driven from a control source filled step by step.
//
// World space is that of the track (trackfile/vec3.h): x east, y up, z north,
// metres; velocities per second. Everything a step needs is made at season or
// race start: a step never allocates, never reads the wall clock and never
// calls the C random generator (it takes randomTable entries in turn).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "Game/shell/input.h"
#include "Game/track/track.h"
#include "trackfile/car_definition.h"
#include "trackfile/trackfile.h"
#include "trackfile/vec3.h"

constexpr int kMaxCars = 6;
constexpr int kParticleCount = 256;
constexpr int kRandomTableSize = 256;
constexpr int kCarPoints = 14;        // shadow points, then the four wheels
constexpr int kFlipped = 1000;        // flipTimer while a car lies on its roof

enum class RacePhase : uint8_t {
    Intro, Countdown, Racing, RunOut, Finished, Results,
    StandingsRelease, Standings, FinalRelease, Final, Replay, ReplayExit,
};

// Effect particle, moved and drawn by the race view; life 0 = free slot.
// Kinds: 0 exhaust smoke, 1 water splash, 2 spark, 3 dirt, 4 grass and mud,
// 5 default ground, 6 sand, 7 snow, 8 tyre smoke, 9-13 firework rockets.
struct Particle {
    uint8_t kind;
    uint8_t life;
    Vec3 position;
    Vec3 velocity;
};

struct RaceState {
    RacePhase phase;
    uint8_t phaseCounter;       // steps in the current phase (lights, run-out)
    uint16_t stepMs;            // 10 at every season start, race start and resume
    uint32_t accumulatedMs;     // time not yet simulated
    uint32_t lastTick;          // millisecond tick of the last accounting
    int32_t raceClock;          // steps since the lights went out
    int32_t leaderLaps;
    int32_t raceLaps;
    int32_t fastestLap;         // steps; kEmptyLapTime when none
    int32_t fastestLapCar;      // -1 when none
    int32_t recordCar;          // car that set a track record, -1 when none
    int32_t standing[kMaxCars]; // car at each race position, -1 = empty
    int32_t seasonPoints[kMaxCars];
    bool timedRace;
    int32_t raceSeconds;        // length of a timed race, -1 otherwise
    int32_t wallStart, wallEnd, wallPaused;  // wall-clock seconds, -1 = unset
    bool timeUp;
    bool raceRunning;           // the race screen is active
    int32_t raceIndex;
    int32_t raceCount;
    int32_t carCount;           // 1 = time trial
    int32_t startLight;         // 0-2 lights, 3 go, -1 off
    float skidLevel;            // tyre squeal summed over one step
    float impactLevel;          // collision intensity summed over one step
    Particle particles[kParticleCount];
    uint16_t particleNext;
    float randomTable[kRandomTableSize];
    uint8_t randomIndex;
    int32_t fireworkTimer;      // steps to the next rocket in the fireworks phases
};

struct CarState {
    uint8_t position;           // index in standing
    uint8_t controlLock;        // steps a human's controls are ignored
    uint8_t lapState;           // 0 racing, 1 low fuel, 2 finished
    uint8_t smokeTimer;
    uint8_t wheelSkid[4];
    uint8_t splashTimer;
    int32_t flipTimer;          // >= kFlipped while on the roof
    int32_t lastLapMark;        // raceClock at the last line crossing
    int32_t lastLapTime;
    int32_t keys[4];            // accelerate, brake, steer left, steer right (-1 = joystick)
    JoyBinding controls[4];
    int32_t driverType;         // 0 computer, otherwise human
    int32_t aiSkill;            // percent
    int32_t aiState, aiParam;
    Vec3 pos, vel, angVel;
    Vec3 side, up, forward;     // rows of the body rotation; side = cross(up, forward)
    float wheelSpeed;           // rolling speed of the driven wheels along forward
    float wheelLoad[4], bodyLoad;
    float contactWeight;
    float slipFront, slipRear;
    float accelFactor;          // 1200 / (mass + 200)
    float mass;                 // definition mass + fuel mass
    float traction;
    float speedFactor;          // 1 - 3 / (speed + 3)
    uint16_t laps;
    uint16_t nextCheckpoint;
    uint8_t limiterOn;
    uint8_t lastLimiter;        // 255 = none
    uint8_t lastCheckpoint;     // 255 = none
    uint16_t bestLap;
    uint16_t tyres;             // 65535 = new
    uint16_t fuel;              // 65535 = full
    uint16_t damage;            // 0 = none
    uint8_t wheelContact[4];    // 0 none, 1 terrain, 2 bridge deck, 3 stand
    Vec3 points[kCarPoints];    // shadow points, then the wheel points
};

// One season driver slot, filled by the front-end (or a test) before StartSeason.
struct SeasonDriver {
    bool human = false;
    int car = 0;                // index in the car catalogue
    int keys[4] = {-1, -1, -1, -1};
    JoyBinding bindings[4];
    int aiSkill = 100;
    int aiState = 0, aiParam = 0;   // driver-record values kept for humans
};

// What a human car is asked to do in one step, each 0..100.
struct CarInput {
    int accelerate = 0, brake = 0, left = 0, right = 0;
};

// Sources of time and human input. Null members use the real ones: SDL ticks,
// C time() and the car's key and joystick bindings.
struct RaceClockHooks {
    uint32_t (*ticks)();                        // milliseconds
    int32_t (*wallSeconds)();                   // seconds
    void (*controls)(int car, CarInput& input); // a human car's controls for this step
};

extern RaceState raceState;
extern CarState cars[kMaxCars];
extern CarDefinition carDefinitions[kMaxCars];   // each car's own copy for the season
extern SeasonDriver seasonDrivers[kMaxCars];
extern std::vector<std::string> seasonTracks;    // track names ("\name") or ".trk" paths, one race each
extern RaceClockHooks raceClockHooks;

// Season and race.
// Copies the cars of seasonDrivers[0..carCount-1], zeroes the points, starts the first race.
void StartSeason(int carCount);
// A loaded season: carDefinitions as filled by the loader, the race at raceIndex set up.
void ContinueSeason(int carCount, int raceIndex);
void StartRace();         // loads the race's track (skipping those that fail) and resets it
void ResetRace();         // race length, random grid, starting order, car reset and placement
void FillRandomTable(unsigned seed);  // seeds the C generator and refills randomTable
float NextRandom();       // the next randomTable entry

// Frame and step.
int RaceFrameTick();      // runs the steps that are due (at most 20); returns how many ran
bool RaceStep();          // one 10 ms step of the phase machine; true when a frame is due
void StepCar(int car);    // one physics step of one car
void CollideCars(int a, int b);  // car-to-car contact, a < b

// Pause, skip, leave.
void Pause();
void Resume();
void SkipRace();
void QuitToMenu();
void ExitToMenu();

// Effects.
void EmitParticle(int kind, int life, Vec3 position, Vec3 velocity);
// Mixer volume (0-128) of the skid and impact sounds for a volume setting and a level.
int EffectVolume(int setting, float level);
// Grip factor of a car definition's table for a ground value.
float GroundGrip(const float table[14], int groundValue, bool timeTrial);

// Where the race calls into the subsystems built elsewhere: race rules, AI,
// replay, race view, HUD and panels, menus and saves. Every member may stay
// null, and then nothing happens there; the race itself still moves through
// its phases (the standings screens' phase change is made by the race).
struct RaceSeams {
    // Race rules.
    void (*prepareGhost)();                     // time trial, at race start
    void (*ghostSample)();                      // each racing step of a time trial
    void (*carRules)(int car);                  // checkpoints, laps, limiters after a car step
    void (*pitCrews)();                         // after the car-to-car pass
    void (*awardPoints)();                      // race finished with more than one car
    void (*writeRecords)();                     // best laps and ghost back into the track file
    // AI driver: throttle (-100..100, 1 = rolling) and steering (-1..1) of a computer car.
    void (*aiDrive)(int car, int& throttle, float& steering);
    // Replay.
    void (*clearReplay)();
    void (*recordReplay)();
    bool (*replayStep)();                       // one step of the replay player; true = draw
    void (*restoreReplay)();                    // poses and phase as they were when the replay began
    // Race view, HUD and panels.
    void (*blankScreen)();
    void (*renderTrack)();                      // terrain picture of the loaded track
    void (*drawRace)();                         // one race frame
    void (*redrawLandCell)(int column, int row);
    void (*markWheel)(float x, float h, float z, int kind, float intensity);
    void (*showTrackInfo)();
    void (*showResults)();
    void (*showStandings)(bool final);
    // Menus and saves.
    void (*openPauseMenu)();
    void (*writeAutosave)();
    void (*returnToMenu)();                     // main menu, cursor and menu palette
};
extern RaceSeams raceSeams;

// Race rules: checkpoints, laps, the running order, points, pit crews,
// limiters, the records and the time-trial ghost. InstallRaceRules fills the
// rule and AI members of raceSeams with the functions below.
void InstallRaceRules();
void TestCheckpoints(int car);
void TestLimiters(int car);
void CompleteLap(int car);
void UpdatePits();
void AwardPoints();
void AwardSeason();
// Best laps and, in a time trial, the ghost back into the current track file.
// False when nothing could be written (the race goes on either way).
bool WriteRaceRecords();
// True when the car is on the gate's 2 m band.
bool OnGate(const TrackGate& gate, Vec3 pos);
// Low-fuel limit of one lap: fuel-consumption setting x track length x 1.8.
float LowFuelLimit();

// Where the rules meet the drivers' records (kept with the drivers elsewhere).
// Null members are skipped; names default to "Driver N".
struct DriverRecordHooks {
    const char* (*name)(int car);
    void (*raceResult)(int car, int place, int points, bool fastestLap);
    void (*seasonResult)(int car, int place);
    void (*save)();
};
extern DriverRecordHooks driverRecordHooks;

// Time-trial ghost: two lap buffers, the best one replayed by the view.
void StartGhost();
void RecordGhost();
void EndGhostLap(int car);
// The best lap's pose at a sample; false when index >= its sample count.
bool GhostPose(int index, Vec3& pos, Vec3& side, Vec3& up, Vec3& forward);
int GhostSampleCount();  // samples of the best lap, 0 when none
// Stored form: SaveGhost fills ghost when the best lap beats the stored one
// (1..5999 samples); LoadGhost makes the stored lap the best one.
bool SaveGhost(GhostLap& ghost);
void LoadGhost(const GhostLap& ghost);

// AI driver: throttle and steering of computer car i for this step.
void DriveAI(int car, int& throttle, float& steering);
// Steps since car i last moved forward along the AI line (for the runner).
int32_t NoProgressSteps(int car);
int32_t LongestNoProgress(int car);
// Pit stops car i has had served this race.
int32_t PitStops(int car);

// Replay: every car's pose sampled into a ring of frames while racing, played
// back (forwards, backwards, at a chosen rate) in the Replay phase, with cut
// marks, and stored as a block inside saved games.
constexpr int kReplayMinFrames = 10;
constexpr int kReplayMaxFrames = 360000;
constexpr int kReplayFrameBytes = 18;
constexpr uint16_t kReplayVersion = 0x0124;

// One car's sample: position x 150 (1/150 m), side and forward x 120, the
// gap between each wheel's mount and the ground under it x 16 (0-15.96 m),
// the driven wheels' speed, and 1 when the frame was read from a file.
struct ReplayFrame {
    uint16_t pos[3];
    int8_t side[3];
    int8_t forward[3];
    uint8_t wheels[4];
    int8_t wheelSpeed;
    uint8_t flags;
};

struct ReplayState {
    int32_t interval = 5;         // steps per recorded frame
    float framePeriod = 0.2f;     // 1 / interval
    int32_t capacity = 0;         // frames per car
    int32_t frames = 0;           // recorded so far, at most capacity
    int32_t start = 0;            // ring index of the oldest frame
    float position = 0;           // play position in frames
    float rate = 1;               // frames per frame period; 1 = real time
    float cutBegin = -1, cutEnd = -1;  // -1 = not set
    std::vector<ReplayFrame> buffers[kMaxCars];  // capacity + 1 frames each; empty = no ring
    int32_t stepCounter = 0;
    float highestWheelSpeed = 0, lowestWheelSpeed = 0;
    int32_t numerator = 1, denominator = 1, direction = 1;
    int32_t fastKey = 0;          // +1 page up held, -1 page down held
    bool help = false;            // F1 held: the key panel is shown
    // What leaving the replay puts back.
    CarState savedCars[kMaxCars];
    RacePhase savedPhase = RacePhase::Racing;
    uint8_t savedCounter = 0;
    int32_t savedStartLight = -1;
};
extern ReplayState replay;

// A replay block as read from a file, before it replaces the replay.
struct ReplayBlock {
    int32_t interval = 0;         // 0 = the "FrameStep" setting
    int32_t frames = 0;           // 0 = no replay
    std::vector<ReplayFrame> buffers[kMaxCars];
};

// Frames per car for an interval (<= 0: "FrameStep") and the "Length" setting.
int32_t ReplayCapacity(int interval, int minimum);
// Clears the replay and sizes a ring for each of the race's cars.
void ResetReplay(int interval, int minimum);
void RecordReplay();              // each racing step, before the cars move
bool EnterReplay();               // false (nothing changes) when fewer than two frames exist
bool ReplayStep();                // keys, one playback step; true = draw
void ReplayPress(int key);        // one press of a replay key (SDL key code)
void LeaveReplay();               // clears the cut, restores the poses and the phase
void RestoreReplayPoses();        // the cars, phase and start lights saved by EnterReplay
// Rate from the key state: numerator x direction / denominator, or x 4 while a fast key is held.
void UpdateReplayRate();
// Rounds one car's pose into a frame, and back (wheel points rebuilt).
ReplayFrame EncodeReplayFrame(const CarState& c, const CarDefinition& d);
void DecodeReplayPose(int car, int index, float t);  // car's pose at ring frame logical index + t
// Writes the replay block (the cut area when both marks are set); false
// (nothing written) when no frame has been recorded.
bool WriteReplay(ByteWriter& w);
// Parses a replay block. False only when it is cut short or holds more than
// the ring can; an unknown version or tag gives an empty block.
bool ParseReplay(ByteReader& r, ReplayBlock& block, int carCount);
void ApplyReplay(ReplayBlock& block);  // the block becomes the replay (moved from)
bool ReadReplay(ByteReader& r);   // ParseReplay then ApplyReplay (empty replay when unusable)
// " m:ss" or "h:mm:ss" of a play position, and the rate as "%c%d:%d".
void ReplayTimeText(float position, int interval, char text[16]);
void ReplayRateText(char text[16]);
void InstallReplay();             // fills the replay members of raceSeams
