// Race presentation: the race view (cars with wheels and shadows, pit crews,
// the sloped object, the ghost car and the effect particles, drawn in
// software over the terrain picture and tested against its depth buffer),
// the in-race HUD (gauges, lap counter, clock, start lights) and the panels
// written over the race picture between races (track info, results, points,
// final standings, loading), with the small 3-D car icon they share.
//
// Every primitive draws into viewTarget, which SetViewTarget points at a
// locked 8-bit surface (or any buffer, as the tests and benchmark do). What
// the view shows of the race is in viewRace, which the top level fills from
// the race before each frame (the view does not know the race's own types).
#pragma once
#include <cstdint>

#include "trackfile/car_definition.h"
#include "trackfile/vec3.h"

constexpr int kViewCars = 6;
constexpr int kViewParticles = 256;
constexpr int kViewCarPoints = 14;     // shadow points, then the four wheel contact points

// One effect particle (life 0 = free slot). Kinds 0-8 effects, 9-13 rockets, 14-18 sparks.
struct ViewParticle {
    uint8_t kind;
    uint8_t life;
    Vec3 position;
    Vec3 velocity;
};

struct ViewCar {
    const CarDefinition* definition = nullptr;
    Vec3 pos, side, up, forward;       // body position and rotation rows
    Vec3 points[kViewCarPoints];
    uint16_t tyres = 0, damage = 0, fuel = 0;
    uint16_t laps = 0, bestLap = 0;
    uint8_t position = 0, lapState = 0;
    int32_t lastLapMark = 0, lastLapTime = 0;   // steps of 1/100 s
};

// The race as the view sees it. DrawParticles moves the particles of this
// copy; the top level hands them back to the race.
struct ViewRace {
    int carCount = 0;
    ViewCar cars[kViewCars];
    int32_t leaderLaps = 0, raceLaps = 0;
    bool timedRace = false;
    int32_t raceSeconds = -1, wallEnd = -1;
    int32_t standing[kViewCars] = {-1, -1, -1, -1, -1, -1};
    int32_t seasonPoints[kViewCars] = {};
    int32_t fastestLap = 6000, fastestLapCar = -1, recordCar = -1;
    int32_t raceIndex = 0, raceCount = 1;
    ViewParticle particles[kViewParticles] = {};
    uint16_t particleNext = 0;
};
extern ViewRace viewRace;
// The view's random numbers (particles take their randomness only from them);
// the game reads the race's table on the view's own index, never the race's.
extern float (*viewRandom)();

// Where the primitives draw and what they test against.
struct ViewTarget {
    uint8_t* pixels = nullptr;         // palette indices, pitch bytes per row
    int pitch = 0;
    int width = 0, height = 0;
    const uint16_t* depth = nullptr;   // terrain depth, width x height (row stride width)
    const uint8_t* shade = nullptr;    // shadow colour per pixel, width x height
    float scale = 0;                   // S: screen width as a float
    float aspect = 0;                  // A: height / width
    Vec3 T, D, H, V;                   // camera translation and rows
};
extern ViewTarget viewTarget;

// A projected point: screen position (not rounded) and depth along the view axis.
struct ViewPoint {
    float x = 0, y = 0, z = 0;
    bool valid = false;                // false at or behind the camera plane
};

constexpr float kViewDepthScale = 600.0f / 65536.0f;
constexpr int kDiscRows = 100;
constexpr int kCarColoursFirstView = 192;   // car i owns palette entries 192 + 8i to 199 + 8i
extern float discHalfWidth[kDiscRows];  // half-width of a unit circle per row

// Car slot i's eight palette entries (192 + 8i on): a four-step ramp of its
// body colour, dark to bright, then one of its trim colour (packed 0xRRGGBB).
void FillCarSlotColours(uint32_t packed[256]);

// Builds the disc half-width table (start-up).
void BuildDiscTable();
// Points the primitives at a buffer; depth and shade may be null (no terrain: all visible, no shadows).
void SetViewTarget(uint8_t* pixels, int pitch, int width, int height, const uint16_t* depth,
                   const uint8_t* shade);
// Takes the camera of the loaded track (trackMaps).
void SetViewCamera();
ViewPoint ProjectPoint(Vec3 world);

// Primitives. noDepth draws without the terrain depth test.
void FillTriangle(const ViewPoint p[3], const float shade[3], int baseColour, bool noDepth);
void FillDisc(ViewPoint centre, float radius, uint8_t colour, bool noDepth);
void ShadowTriangle(const ViewPoint p[3]);
void ShadowDisc(ViewPoint centre, float radius);
void DrawBox(Vec3 centre, Vec3 a, Vec3 b, Vec3 c, uint8_t colour);

// What the scene reads beyond the race state; set by the top level.
struct ViewOptions {
    bool shadows = true;
    bool ghost = false;
    bool replay = false;
    int effects = 256;                 // particle pool size in use, 0..256
    char driverNames[6][13] = {};      // shown in the panels
    // The ghost recorder's pose for the current sample (race rules); null or false = none.
    bool (*ghostPose)(Vec3& pos, Vec3& side, Vec3& up, Vec3& forward) = nullptr;
};
extern ViewOptions viewOptions;
// A race screen's view, for the game's window and for pictures taken off
// screen alike: the disc table, the scene variant and viewOptions from the
// settings; ghostPose may be null.
void SetUpRaceView(bool (*ghostPose)(Vec3& pos, Vec3& side, Vec3& up, Vec3& forward));
// The options the pause menu's pages may change, from the settings again.
void ApplyViewSettings();

// The scene: cars, crews, sloped objects, shadows and the ghost. Chosen from TyreAutoSort.
extern void (*DrawScene)();
void SelectSceneVariant(bool tyreAutoSort);
void DrawSceneSorted();                // wheels sorted against the body
void DrawSceneSimple();                // far wheels, body, near wheels; own shading
// Advances live particles by steps simulation steps (0 = draw only) and draws them.
void DrawParticles(int steps);
// Advances live particles by steps simulation steps without drawing them (pictures taken off screen).
void MoveParticles(int steps);

// HUD.
void DrawGauges(int car);
void DrawGaugeBar(int x, int value, uint8_t colour);
void DrawRaceClock(int32_t nowSeconds, bool paused);
void DrawStartLights(int startLight);
void PaintLapPanel();                  // lap counter and car columns into the track picture
int RemainingSeconds(int32_t endSeconds, int32_t nowSeconds);
void RaceClockText(int secondsLeft, char text[16]);  // "mm:ss", or one blank once the time is up

// Replay screen: title, help line, play time and rate, drawn before the
// replayed cars; the key panel (while F1 is held) is drawn after them.
void DrawReplayHud(const char* timeText, const char* rateText);
void DrawReplayHelp();

// Panels (drawn once into the locked target over the race picture).
void DarkenPanel();                    // the panel rectangle of the track info and time-trial results
void DarkenRect(int halfWidthCells, int halfHeightCells);  // a centred rectangle through the grey remap
void DrawPositionBox(int x, int y, int number);
void ShowTrackInfo();
void ShowRaceResults();
bool ShowPointsAfterRace();           // false (nothing drawn) when nobody holds points
void ShowFinalStandings();             // opens the panel: empties the particle ring, then draws it
void DrawFinalStandings();             // the panel alone, redrawn over each celebration frame
void ShowLoading();
void DrawCarIcon(int x, int y, const CarDefinition& car, int colourSlot, const float m[3][3], float distance);
// Same-result groups of a list: true when row i draws a position box.
bool RowStartsGroup(const int32_t* keys, int row);
