// The program's top level: start-up order, the main loop and shutdown.
#pragma once
#include <cstdint>

int RunGame();                                  // 0 after a normal quit, -1 when start-up failed
int InitGame();                                 // loads (or reloads) all resources; negative is fatal
void ReleaseGame(bool partial);                 // partial keeps menus, audio device and joysticks
bool PumpEvents(uint32_t maxEvents);            // handles events (0 = all), runs one frame; false = quit
void PresentMenuFrame();                        // back buffer to screen, then flip
