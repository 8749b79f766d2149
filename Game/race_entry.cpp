// Where the race meets the rest of the program: the race's seams are filled
// with the terrain renderer, the shell's screens and sounds, and a stand-in
// frame, then the frame goes to the race through EnterRace. Until the race
// view, the HUD and the pause menu exist, a frame is the terrain picture with
// a marker per car, and Escape ends the race on the final standings.
#include "Game/game.h"
#include "Game/frontend/frontend.h"
#include "Game/race/race.h"
#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "Game/track/render.h"
#include "Game/track/track.h"

namespace {

// Marker colours of the six car slots in the built-in palette.
constexpr uint8_t kCarMarkers[kMaxCars] = {245, 242, 148, 180, 160, 172};

void DrawStandInFrame()
{
    if (!backBuffer || !backgroundSurface) return;
    Blit(kBackgroundSurface, kBackBuffer);
    for (int i = 0; i < raceState.carCount; ++i) {
        const CarState& c = cars[i];
        ScreenPoint p = ProjectToScreen(c.pos.x, c.pos.y, c.pos.z);
        if (p.valid) FillRectWH(kCarMarkers[i], p.x - 2, p.y - 2, 5, 5);
    }
    Present();
}

void RenderTrackPicture() { RenderTrackImage(); }

void BackToFirstScreen()
{
    LeaveRace();
    FreeTerrainRenderer();
    SDL_ShowCursor(SDL_ENABLE);
    LoadPalette();
    ShowFirstScreen();
}

// No pause menu yet: pausing ends the race on the final standings.
void PauseStandIn() { QuitToMenu(); }

}  // namespace

void BeginSeason(int carCount)
{
    raceSeams = RaceSeams{};
    raceSeams.renderTrack = RenderTrackPicture;
    raceSeams.drawRace = DrawStandInFrame;
    raceSeams.redrawLandCell = RedrawLandCell;
    raceSeams.markWheel = MarkBridgeOrStand;
    raceSeams.openPauseMenu = PauseStandIn;
    raceSeams.returnToMenu = BackToFirstScreen;
    raceClockHooks = RaceClockHooks{};
    // The renderer is set up before the track loads: the load fits the view to its shape.
    if (backgroundSurface)
        SetupTerrainRenderer(backgroundSurface->w, backgroundSurface->h, static_cast<uint8_t*>(backgroundSurface->pixels),
                             backgroundSurface->pitch);
    HideFirstScreen();
    SDL_ShowCursor(SDL_DISABLE);
    StartSeason(carCount);
    EnterRace(RaceStep, DrawStandInFrame);
}

bool BeginPracticeRace()
{
    EnterBaseDirectory();
    std::vector<std::string> names;
    if (ListDirectory("tracks", "trk", names, kListFiles, 0) == 0) return false;
    seasonTracks.assign(1, "\\" + names[0]);
    const int arrows[4] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
    for (int i = 0; i < kMaxCars; ++i) {
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].human = i == 0;
        if (i == 0)
            for (int k = 0; k < 4; ++k) seasonDrivers[i].keys[k] = arrows[k];
    }
    BeginSeason(kMaxCars);
    return true;
}
