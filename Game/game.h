// The program's top level: start-up order, the main loop and shutdown.
#pragma once
#include <cstdint>

int RunGame();                                  // 0 after a normal quit, -1 when start-up failed
int InitGame();                                 // loads (or reloads) all resources; negative is fatal
void ReleaseGame(bool partial);                 // partial keeps menus, audio device and joysticks
bool PumpEvents(uint32_t maxEvents);            // handles events (0 = all), runs one frame; false = quit
void PresentMenuFrame();                        // back buffer to screen, then flip

// Race entry (race_entry.cpp): fills the race's seams with the renderer and the
// screens, starts the season of seasonDrivers and seasonTracks (Game/race/race.h)
// with carCount cars and hands the frame to the race.
void BeginSeason(int carCount);
// A practice race from the first screen: a human on the arrow keys and five
// computer drivers on the first track of "tracks"; false when there is none.
bool BeginPracticeRace();
