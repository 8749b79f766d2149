// Where the race meets the rest of the program: the race's seams are filled
// with the terrain renderer, the race view, the HUD and the panels, the
// shell's screens and sounds, then the frame goes to the race through
// EnterRace. Escape pauses into the pause menu; after the final standings the
// game returns to the main screen.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iterator>

#include "Game/game.h"
#include "Game/frontend/frontend.h"
#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/audio.h"
#include "Game/shell/folders.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

int stepsSinceFrame = 0;

// The view's own walk through the race's random table: it reads the numbers
// but never moves the race's index, so how many frames and particles are
// drawn never changes the race.
uint8_t viewRandomIndex = 0;
float ViewRandom()
{
    ++viewRandomIndex;  // wraps at 256
    return raceState.randomTable[viewRandomIndex];
}
int64_t lapPanelSignature = -1;  // -1: paint at the next update
bool settingsChanged = false;
bool menuSeason = false;  // started from the main screen: the player slots' drivers and colours
Settings savedSettings;
uint32_t paletteBeforeRace[256];

// The car slots' colours into the palette, keeping the menus' palette to
// restore. A season of the main screen keeps the drivers' own colours, which
// the player slots have put there.
void FillCarColours()
{
    uint32_t packed[256];
    CurrentPalette(packed);
    std::copy(std::begin(packed), std::end(packed), paletteBeforeRace);
    if (menuSeason) return;
    FillCarSlotColours(packed);
    ApplyPalette(packed);
}

// Points the view at the locked back buffer and the terrain's buffers.
bool LockView()
{
    if (!backBuffer || !LockSurface(kBackBuffer)) return false;
    const TerrainRenderer& t = terrainRenderer;
    bool sized = t.width == backBuffer->w && t.height == backBuffer->h;
    SetViewTarget(lockedPixels, lockedPitch, backBuffer->w, backBuffer->h, sized ? t.depth.data() : nullptr,
                  sized ? t.shade.data() : nullptr);
    SetViewCamera();
    return true;
}

// Repaints the lap counter and car columns into the track picture when they change.
void UpdateLapPanel()
{
    // Unsigned, so the hash may wrap.
    uint32_t signature = uint32_t(raceState.leaderLaps) * 7919u + uint32_t(raceState.raceLaps) * 31u;
    for (int i = 0; i < raceState.carCount; ++i)
        signature = signature * 131u + uint32_t(cars[i].laps) * 17u + uint32_t(cars[i].position) * 3u + uint32_t(cars[i].lapState);
    if (int64_t(signature) == lapPanelSignature || !backgroundSurface || !LockSurface(kBackgroundSurface)) return;
    lapPanelSignature = signature;
    SetViewTarget(lockedPixels, lockedPitch, backgroundSurface->w, backgroundSurface->h, nullptr, nullptr);
    PaintLapPanel();
    UnlockSurface();
}

void PresentRaceFrame()
{
    SyncRaceView();
    if (raceState.startLight >= 0 && LockView()) {
        DrawStartLights(raceState.startLight);
        UnlockSurface();
    }
    Present();
}

void DrawRaceFrame()
{
    if (!backBuffer || !backgroundSurface) return;
    SyncRaceView();
    UpdateLapPanel();
    Blit(kBackgroundSurface, kBackBuffer);
    if (LockView()) {
        if (raceState.phase == RacePhase::Replay) {
            // The replay's texts, then the replayed cars over them. The
            // particles stay as they were at the pause until the race resumes.
            char time[16], rate[16];
            ReplayTimeText(replay.position, replay.interval, time);
            ReplayRateText(rate);
            DrawReplayHud(time, rate);
            DrawScene();
            if (replay.help) DrawReplayHelp();
            UnlockSurface();
            stepsSinceFrame = 0;
            PresentRaceFrame();
            return;
        }
        DrawScene();
        DrawParticles(stepsSinceFrame);
        ReturnParticles();
        if (raceState.phase == RacePhase::FinalRelease || raceState.phase == RacePhase::Final) {
            // The celebration: fireworks over the race picture, the standings on top.
            DrawFinalStandings();
        } else {
            for (int i = 0; i < raceState.carCount; ++i) DrawGauges(i);
            DrawRaceClock(static_cast<int32_t>(std::time(nullptr)), false);
        }
        UnlockSurface();
    }
    stepsSinceFrame = 0;
    PresentRaceFrame();
}

bool CountedRaceStep()
{
    ++stepsSinceFrame;
    return RaceStep();
}

// Each race's picture: the renderer was sized at the season start, the race
// has just loaded the track; the view is fitted to the picture and rendered.
void RenderTrackPicture()
{
    RenderLoadedTrack();
    ClearPanelStrip();
    lapPanelSignature = -1;
}

void BlankScreen()
{
    if (backBuffer) FillRect(241, nullptr);
    if (LockView()) {
        ShowLoading();
        UnlockSurface();
    }
    Present();
}

// Panels are drawn over the last race picture and shown at once. The picture
// is drawn anew first, so a panel never shows the one before it through its
// darkening.
void WithPanel(void (*draw)())
{
    SyncRaceView();
    if (!backgroundSurface) return;
    Blit(kBackgroundSurface, kBackBuffer);
    if (!LockView()) return;
    DrawScene();
    DrawParticles(0);
    draw();
    ReturnParticles();
    UnlockSurface();
    Present();
}

void TrackInfoPanel()
{
    if (!backBuffer || !backgroundSurface) return;
    // The lap counter and car columns stand in the strip under the panel already.
    SyncRaceView();
    UpdateLapPanel();
    WithPanel(ShowTrackInfo);
}
void ResultsPanel() { WithPanel(ShowRaceResults); }
void StandingsPanel(bool final)
{
    SeasonStandingsShown(final);
    if (final) {
        WithPanel(ShowFinalStandings);
        // The celebration starts with the standings.
        if (effectSounds[kSoundYeah]) PlaySound(effectSounds[kSoundYeah], false);
        return;
    }
    // Without points there is no panel: the season goes on to the next race.
    WithPanel([] { ShowPointsAfterRace(); });
}

void BackToMainScreen()
{
    LeaveRace();
    FreeTerrainRenderer();
    SDL_ShowCursor(SDL_ENABLE);
    if (settingsChanged) {
        settings = savedSettings;
        settingsChanged = false;
    }
    // The menus' palette, car entries included, as it was before the race.
    ApplyPalette(paletteBeforeRace);
    LoadPalette();
    // Options stored from the pause menu that need the resources reloaded.
    if (reloadPending && reloadResources) {
        reloadPending = false;
        reloadResources();
        return;
    }
    OpenMainScreen();
}

// The race is paused: the menus take the frame until the pause menu gives it back.
void OpenPauseMenuSeam()
{
    LeaveRace();
    SDL_ShowCursor(SDL_ENABLE);
    OpenPauseMenu();
}

void ReenterRace()
{
    // The advanced options may have changed on the way.
    ApplyViewSettings();
    SDL_ShowCursor(SDL_DISABLE);
    stepsSinceFrame = 0;
    EnterRace(CountedRaceStep, DrawRaceFrame);
}

void SetDrivers(int carCount)
{
    const int arrows[4] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
    static const int skills[kMaxCars] = {100, 95, 85, 75, 90, 80};
    int catalogue = std::max<int>(1, static_cast<int>(carCatalogue.size()));
    for (int i = 0; i < kMaxCars; ++i) {
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].human = i == 0;
        seasonDrivers[i].car = i % catalogue;
        seasonDrivers[i].aiSkill = skills[i];
        if (i == 0)
            for (int k = 0; k < 4; ++k) seasonDrivers[i].keys[k] = arrows[k];
    }
    (void)carCount;
}

}  // namespace

void SyncRaceView()
{
    static_assert(kViewCars == kMaxCars && kViewParticles == kParticleCount && kViewCarPoints == kCarPoints,
                  "the view holds what the race has");
    const RaceState& r = raceState;
    ViewRace& v = viewRace;
    v.carCount = std::clamp(r.carCount, 0, kMaxCars);
    for (int i = 0; i < kMaxCars; ++i) {
        const CarState& c = cars[i];
        ViewCar& vc = v.cars[i];
        vc.definition = i < v.carCount ? &carDefinitions[i] : nullptr;
        vc.pos = c.pos;
        vc.side = c.side;
        vc.up = c.up;
        vc.forward = c.forward;
        std::copy(std::begin(c.points), std::end(c.points), vc.points);
        vc.tyres = c.tyres;
        vc.damage = c.damage;
        vc.fuel = c.fuel;
        vc.laps = c.laps;
        vc.bestLap = c.bestLap;
        vc.position = c.position;
        vc.lapState = c.lapState;
        vc.lastLapMark = c.lastLapMark;
        vc.lastLapTime = c.lastLapTime;
        v.standing[i] = r.standing[i];
        v.seasonPoints[i] = r.seasonPoints[i];
    }
    v.leaderLaps = r.leaderLaps;
    v.raceLaps = r.raceLaps;
    v.timedRace = r.timedRace;
    v.raceSeconds = r.raceSeconds;
    v.wallEnd = r.wallEnd;
    v.fastestLap = r.fastestLap;
    v.fastestLapCar = r.fastestLapCar;
    v.recordCar = r.recordCar;
    v.raceIndex = r.raceIndex;
    v.raceCount = r.raceCount;
    for (int k = 0; k < kParticleCount; ++k) {
        const Particle& p = r.particles[k];
        v.particles[k] = ViewParticle{p.kind, p.life, p.position, p.velocity};
    }
    v.particleNext = r.particleNext;
    viewRandom = ViewRandom;
    // The drivers' names as the rules write them into the records, so a record
    // holder's name finds its car.
    for (int i = 0; i < kMaxCars; ++i) {
        const char* name = driverRecordHooks.name && i < v.carCount ? driverRecordHooks.name(i) : nullptr;
        if (name)
            std::snprintf(viewOptions.driverNames[i], sizeof viewOptions.driverNames[i], "%s", name);
        else
            std::snprintf(viewOptions.driverNames[i], sizeof viewOptions.driverNames[i], "Driver %d", i + 1);
    }
}

bool RaceGhostPose(Vec3& pos, Vec3& side, Vec3& up, Vec3& forward)
{
    // The recorder takes one sample per racing step of a lap; the ghost shows
    // the best lap's sample for the step just recorded.
    if (raceState.carCount != 1 || raceState.phase != RacePhase::Racing) return false;
    int index = raceState.raceClock - cars[0].lastLapMark - 1;
    return GhostPose(index, pos, side, up, forward);
}

void ReturnParticles()
{
    for (int k = 0; k < kParticleCount; ++k) {
        const ViewParticle& p = viewRace.particles[k];
        raceState.particles[k] = Particle{p.kind, p.life, p.position, p.velocity};
    }
    raceState.particleNext = viewRace.particleNext;
}

namespace {

// The seams, the view and the renderer of a race screen.
void PrepareRaceScreen()
{
    raceSeams = RaceSeams{};
    InstallRaceRules();
    InstallReplay();
    InstallSaveGames();
    // Command-line races keep the track files as they are.
    if (!menuSeason) raceSeams.writeRecords = nullptr;
    raceSeams.blankScreen = BlankScreen;
    raceSeams.renderTrack = RenderTrackPicture;
    raceSeams.drawRace = DrawRaceFrame;
    raceSeams.redrawLandCell = RedrawLandCell;
    raceSeams.markWheel = MarkBridgeOrStand;
    raceSeams.showTrackInfo = TrackInfoPanel;
    raceSeams.showResults = ResultsPanel;
    raceSeams.showStandings = StandingsPanel;
    raceSeams.openPauseMenu = OpenPauseMenuSeam;
    reenterRace = ReenterRace;
    raceSeams.returnToMenu = BackToMainScreen;
    raceClockHooks = RaceClockHooks{};
    SetUpRaceView(RaceGhostPose);
    FillCarColours();
    // The terrain picture is the back-buffer-sized background surface, for the whole season.
    if (backgroundSurface)
        SetupTerrainRenderer(backgroundSurface->w, backgroundSurface->h, static_cast<uint8_t*>(backgroundSurface->pixels),
                             backgroundSurface->pitch);
    if (screenIsOpen) CloseScreen();
    menuInput = {};
    rightClickHandler = nullptr;
    SDL_ShowCursor(SDL_DISABLE);
    stepsSinceFrame = 0;
}

}  // namespace

void BeginSeason(int carCount)
{
    PrepareRaceScreen();
    StartSeason(carCount);
    EnterRace(CountedRaceStep, DrawRaceFrame);
}

void BeginSavedSeason(int carCount, int raceIndex, void (*restore)())
{
    menuSeason = true;
    PrepareRaceScreen();
    ContinueSeason(carCount, raceIndex);
    if (restore) restore();
    EnterRace(CountedRaceStep, DrawRaceFrame);
}

void BeginMenuSeason(int carCount)
{
    menuSeason = true;
    BeginSeason(carCount);
}

std::string RaceTrackName(const std::string& file)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path tracks = fs::absolute(fs::path(baseDirectory.empty() ? "." : baseDirectory) / "tracks", ec);
    fs::path target = fs::absolute(file, ec);
    fs::path rel = fs::relative(target, tracks, ec);
    if (ec || rel.empty()) return {};
    std::string s = rel.generic_string();
    if (s.size() > 4 && s.compare(s.size() - 4, 4, ".trk") == 0) s.resize(s.size() - 4);
    for (char& c : s)
        if (c == '/') c = '\\';
    return "\\" + s;
}

bool BeginCommandRace(const RaceCommand& command)
{
    EnterBaseDirectory();
    std::string name = RaceTrackName(command.trackPath);
    if (name.empty()) return false;
    seasonTracks.assign(1, name);
    if (command.laps > 0) {
        savedSettings = settings;
        settingsChanged = true;
        settings.lengthUnit = 0;
        settings.raceLength = static_cast<uint16_t>(command.laps);
    }
    int count = std::clamp(command.cars, 1, kMaxCars);
    SetDrivers(count);
    ClearSeasonDrivers();
    menuSeason = false;
    BeginSeason(count);
    return true;
}
