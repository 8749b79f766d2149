// Process-wide state of the shell: the globals other subsystems read.
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include "Game/shell/settings.h"

std::string baseDirectory;
bool inRace = false;
bool altEnterConsumed = false;
bool quitRequested = false;
std::vector<DisplayMode> displayModes;
int32_t screenWidth = 0, screenHeight = 0;
uint8_t* keyState = nullptr;

MenuInputHooks menuInput = {};
StepClock stepClock;
FrameTickHooks frameTickHooks = {};

SDL_Surface* backBuffer = nullptr;
SDL_Surface* backgroundSurface = nullptr;
SDL_Surface* lockedSurface = nullptr;
uint8_t* lockedPixels = nullptr;
int32_t lockedPitch = 0;
int32_t uiScale = 0;
int32_t lineWidth = 0;
int32_t shadowOffset = 0;
SDL_Color currentPalette[256] = {};

Settings settings = {};
IniSettings iniSettings = {};
