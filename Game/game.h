// The program's top level: start-up order, the main loop and shutdown.
#pragma once
#include <cstdint>
#include <string>

#include "trackfile/vec3.h"

// "--race FILE.trk [--laps N] [--cars N]": one race at once, human in car 0.
struct RaceCommand {
    bool active = false;
    std::string trackPath;
    int laps = 0;                               // 0 = the race length of the settings
    int cars = 6;
};
// Reads the command line; false with a message in error when it is malformed.
bool ParseGameArguments(int argc, char** argv, RaceCommand& command, std::string& error);
// Checks the race's track file before any window opens; false with a message.
bool CheckRaceTrack(const RaceCommand& command, std::string& error);

int RunGame(const RaceCommand* command = nullptr);  // 0 after a normal quit, -1 when start-up failed
int InitGame();                                 // loads (or reloads) all resources; negative is fatal
void ReleaseGame(bool partial);                 // partial keeps menus, audio device and joysticks
bool PumpEvents(uint32_t maxEvents);            // handles events (0 = all), runs one frame; false = quit
void PresentMenuFrame();                        // back buffer to screen, then flip

// Race entry (race_entry.cpp): fills the race's seams with the renderer and the
// screens, starts the season of seasonDrivers and seasonTracks (Game/race/race.h)
// with carCount cars and hands the frame to the race.
void BeginSeason(int carCount);
// The season the main screen filled in (player slots and chosen tracks).
void BeginMenuSeason(int carCount);
// Releases the resources in part and loads them again (an option changed
// that needs it); the menus survive and the main screen is shown.
void ReloadResources();
// A loaded season: like BeginMenuSeason, the race at raceIndex, then
// restore() puts the saved race state over the one just set up.
void BeginSavedSeason(int carCount, int raceIndex, void (*restore)());
// The race of "--race": the given track file, laps and car count.
bool BeginCommandRace(const RaceCommand& command);
// Copies what the view shows of the race into viewRace (Game/view/view.h).
void SyncRaceView();
// Hands the particles the view moved back to the race's ring.
void ReturnParticles();
// The view's ghost pose: in a time trial while racing, the best lap's pose at
// the step of the current lap; false when there is none.
bool RaceGhostPose(Vec3& pos, Vec3& side, Vec3& up, Vec3& forward);
// Track name ("\..\dir\name") by which the race loads a file, relative to "tracks".
std::string RaceTrackName(const std::string& file);
