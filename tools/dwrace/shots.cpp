// dwrace --shots DIR --every SECONDS [--size WxH]: the race view drawn off
// screen, as the game draws it (terrain picture with the lap panel, cars,
// shadows, crews, particles, gauges, clock and start lights), written as 8-bit
// BMPs "DIR/TRACK-NNNN.bmp" every so many simulated seconds of each race and
// once more when the race is decided; then the panels the game shows:
// "TRACK-results.bmp", "TRACK-points.bmp" when another race follows, and
// "final-standings.bmp" with the celebration at the season's end.
//
// The pictures never change the race: the particles the view moves are a
// copy of the race's ring, fed with each new emission, and their randomness
// comes from a generator of their own, not from the race's random table.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "Game/game.h"
#include "Game/race/race.h"
#include "Game/shell/font.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "Game/view/view.h"
#include "tools/dwrace/dwrace.h"

namespace {

struct ShotState {
    std::string dir;
    long everySteps = 0;
    int width = 0, height = 0;
    SDL_Surface* picture = nullptr;   // the terrain picture, rendered once per race
    SDL_Surface* frame = nullptr;     // one composed frame
    int race = -1;                    // race of the steps seen so far
    long steps = 0;                   // steps of that race
    std::string track;                // its file name without folder and extension
    std::map<std::string, int> taken; // shots per track name, so a track raced twice keeps counting
    uint16_t seenNext = 0;            // the race ring's cursor at the last step
    ViewParticle ring[kViewParticles];
    uint16_t ringNext = 0;
    uint32_t random = 1;
    std::string failure;
};
ShotState shots;

// The view's randomness for the pictures (xorshift), apart from the race's table.
float ShotRandom()
{
    uint32_t x = shots.random;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    shots.random = x;
    return static_cast<float>(x >> 8) / 16777216.0f;
}

// Each race's picture: the view fitted to the pictures' shape, then rendered.
void RenderPicture()
{
    RenderLoadedTrack();
    ClearPanelStrip();
}

std::string TrackStem(const std::string& name)
{
    std::string s = name;
    std::replace(s.begin(), s.end(), '\\', '/');
    return std::filesystem::path(s).stem().string();
}

// A new race: an empty particle copy and the next numbers for its track.
void BeginRace(int raceIndex)
{
    shots.race = raceIndex;
    shots.steps = 0;
    shots.track = raceIndex >= 0 && raceIndex < static_cast<int>(seasonTracks.size()) ? TrackStem(seasonTracks[raceIndex])
                                                                                      : "race";
    for (ViewParticle& p : shots.ring) p = ViewParticle{};
    shots.ringNext = 0;
    shots.seenNext = raceState.particleNext;
}

// Copies the particles the race emitted in the last step into the view's
// ring (the slots between the cursor seen before and the cursor now), then
// moves the ring one step, as the game's frames do.
void FollowParticles()
{
    int pool = std::min<int>(settings.effects, kParticleCount);
    if (pool <= 0) return;
    const RaceState& r = raceState;
    for (int k = shots.seenNext % pool, n = 0; k != r.particleNext % pool && n < pool; k = (k + 1) % pool, ++n) {
        const Particle& p = r.particles[k];
        shots.ring[k] = ViewParticle{p.kind, p.life, p.position, p.velocity};
    }
    shots.seenNext = r.particleNext;
    std::copy(std::begin(shots.ring), std::end(shots.ring), viewRace.particles);
    viewRace.particleNext = shots.ringNext;
    viewRandom = ShotRandom;
    MoveParticles(1);
    std::copy(std::begin(viewRace.particles), std::end(viewRace.particles), shots.ring);
    shots.ringNext = viewRace.particleNext;
}

void CopyRows(const SDL_Surface* from, SDL_Surface* to)
{
    for (int y = 0; y < to->h; ++y)
        std::memcpy(static_cast<uint8_t*>(to->pixels) + static_cast<size_t>(y) * to->pitch,
                    static_cast<const uint8_t*>(from->pixels) + static_cast<size_t>(y) * from->pitch, to->w);
}

// Points the view and the text drawing at the frame.
void LockFrame()
{
    lockedSurface = shots.frame;
    lockedPixels = static_cast<uint8_t*>(shots.frame->pixels);
    lockedPitch = shots.frame->pitch;
    const TerrainRenderer& t = terrainRenderer;
    SetViewTarget(lockedPixels, lockedPitch, shots.width, shots.height, t.depth.data(), t.shade.data());
    SetViewCamera();
}

void UnlockFrame()
{
    lockedSurface = nullptr;
    lockedPixels = nullptr;
    lockedPitch = 0;
}

// The view's copy of the race, with the pictures' own particles.
void SyncView()
{
    SyncRaceView();
    std::copy(std::begin(shots.ring), std::end(shots.ring), viewRace.particles);
    viewRace.particleNext = shots.ringNext;
    viewRandom = ShotRandom;
}

void Save(const std::string& name)
{
    std::string path = shots.dir + "/" + name + ".bmp";
    if (SDL_SaveBMP(shots.frame, path.c_str()) != 0 && shots.failure.empty())
        shots.failure = "cannot write the screenshot " + path;
}

// Composes the frame as the race tick does: the picture with the lap panel
// painted into its strip, the scene, the particles, then the gauges, clock and
// start lights, or the final standings over the celebration.
void Compose(bool finalStandings, bool hud = true)
{
    SyncView();
    CopyRows(shots.picture, shots.frame);
    LockFrame();
    SetViewTarget(lockedPixels, lockedPitch, shots.width, shots.height, nullptr, nullptr);
    PaintLapPanel();
    LockFrame();
    DrawScene();
    DrawParticles(0);
    if (finalStandings) {
        DrawFinalStandings();
    } else if (hud) {
        for (int i = 0; i < raceState.carCount; ++i) DrawGauges(i);
        if (raceClockHooks.wallSeconds) DrawRaceClock(raceClockHooks.wallSeconds(), false);
        DrawStartLights(raceState.startLight);
    }
    UnlockFrame();
}

void TakeShot()
{
    Compose(false);
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", shots.taken[shots.track]++);
    Save(shots.track + number);
}

// A panel drawn over the race picture, as the game shows it: never over the panel before it.
void TakePanel(void (*draw)(), const std::string& name)
{
    Compose(false, false);
    LockFrame();
    draw();
    UnlockFrame();
    Save(name);
}

void ResultsPanel() { ShowRaceResults(); }
void PointsPanel() { ShowPointsAfterRace(); }

// The season's end: the final standings over the race picture while the
// celebration's rockets fly, three seconds in.
void TakeFinalStandings()
{
    for (ViewParticle& p : shots.ring) p = ViewParticle{};
    shots.ringNext = 0;
    shots.seenNext = raceState.particleNext;
    raceState.phase = RacePhase::Final;
    raceState.fireworkTimer = 0;
    raceState.raceRunning = true;
    for (int s = 0; s < 300 && raceState.phase == RacePhase::Final; ++s) {
        RaceStep();
        FollowParticles();
    }
    Compose(true);
    Save("final-standings");
}

void ShotStep(int raceIndex)
{
    if (!shots.failure.empty()) return;
    if (raceIndex != shots.race) BeginRace(raceIndex);
    FollowParticles();
    ++shots.steps;
    // The first shot shows the start lights, the last one the decided race,
    // followed by the results and, when another race follows, the points.
    bool decided = raceState.phase >= RacePhase::Results;
    if ((shots.steps - 1) % shots.everySteps == 0 || decided) TakeShot();
    if (decided) {
        TakePanel(ResultsPanel, shots.track + "-results");
        bool points = false;
        for (int i = 0; i < raceState.carCount; ++i) points = points || raceState.seasonPoints[i] > 0;
        if (points && raceState.raceIndex + 1 < raceState.raceCount) TakePanel(PointsPanel, shots.track + "-points");
    }
}

void FreeShots()
{
    if (shots.picture) SDL_FreeSurface(shots.picture);
    if (shots.frame) SDL_FreeSurface(shots.frame);
    shots.picture = shots.frame = nullptr;
    FreeTerrainRenderer();
    FreeFont();
}

}  // namespace

bool StartShots(const RunnerOptions& o, std::string& error)
{
    if (o.shotsDir.empty()) return true;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(o.shotsDir, ec);
    if (!fs::is_directory(o.shotsDir, ec) || access(o.shotsDir.c_str(), W_OK) != 0) {
        error = "cannot write screenshots into " + o.shotsDir + (ec ? ": " + ec.message() : "");
        return false;
    }
    shots = ShotState{};
    shots.dir = o.shotsDir;
    shots.everySteps = std::max(1L, static_cast<long>(o.shotEvery * 100 + 0.5));
    shots.width = o.shotWidth;
    shots.height = o.shotHeight;
    shots.picture = SDL_CreateRGBSurface(SDL_SWSURFACE, shots.width, shots.height, 8, 0, 0, 0, 0);
    shots.frame = SDL_CreateRGBSurface(SDL_SWSURFACE, shots.width, shots.height, 8, 0, 0, 0, 0);
    if (!shots.picture || !shots.frame) {
        FreeShots();
        error = "no memory for screenshots of " + std::to_string(shots.width) + " x " + std::to_string(shots.height);
        return false;
    }
    // The camera and the wheel order from dw.ini (the race reads nothing else of it).
    EnterBaseDirectory();
    LoadIniSettings();
    // The game's palette: the shipped default, the car slots' colours.
    uint32_t packed[256] = {};
    if (!ReadPaletteFile("palettes/default.pal", packed)) BuiltinPalette(packed);
    FillCarSlotColours(packed);
    SDL_Color colours[256];
    for (int k = 0; k < 256; ++k)
        colours[k] = SDL_Color{static_cast<Uint8>(packed[k] >> 16), static_cast<Uint8>(packed[k] >> 8),
                               static_cast<Uint8>(packed[k]), 0};
    SDL_SetColors(shots.frame, colours, 0, 256);
    // The font at the pictures' scale (the lap panel and clock); without it the text is left out.
    SetScreenSize(shots.width, shots.height);
    if (LoadFont() != 0) std::fprintf(stderr, "dwrace: screenshots without text\n");
    SetUiScale(shots.width, shots.height);
    // The pictures' size, for the whole season.
    SetupTerrainRenderer(shots.width, shots.height, static_cast<uint8_t*>(shots.picture->pixels), shots.picture->pitch);
    raceSeams.renderTrack = RenderPicture;
    raceSeams.redrawLandCell = RedrawLandCell;
    raceSeams.markWheel = MarkBridgeOrStand;
    SetUpRaceView(RaceGhostPose);
    runnerStepHook = ShotStep;
    return true;
}

bool FinishShots(std::string& error)
{
    if (shots.dir.empty()) return true;
    runnerStepHook = nullptr;
    if (shots.race >= 0 && shots.failure.empty()) TakeFinalStandings();
    FreeShots();
    if (!shots.failure.empty()) {
        error = shots.failure;
        return false;
    }
    return true;
}
