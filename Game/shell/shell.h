// The frame of the game program: program directory, start-up and release,
// the main loop with its event pump and global hot keys, and the timing head
// of the race frame tick. One thread runs all of it (audio has its own).
#pragma once
#include <SDL.h>
#include <cstdint>
#include <string>
#include <vector>

struct DisplayMode {
    uint32_t width;
    uint32_t height;
};

constexpr int kKeyStateSize = 323;              // one byte per SDL key symbol

extern std::string baseDirectory;               // folder of the executable, made current before file access
extern bool inRace;                             // race screen owns the frame (else the menus do)
extern bool altEnterConsumed;                   // Alt+Enter switched the mode during the current event
extern bool quitRequested;                      // set by RequestQuit; HandleEvent then returns false
extern std::vector<DisplayMode> displayModes;   // sizes of the primary display, largest first
extern int32_t screenWidth, screenHeight;       // size of the current video mode
extern uint8_t* keyState;                       // kKeyStateSize bytes, allocated by the first InitGame

// Program directory from a raw command line: quoted path without, unquoted with trailing separator.
std::string BaseDirectoryFromCommandLine(const char* commandLine, char separator = '\\');
// Sets baseDirectory from /proc/self/exe, else from argv0; false when neither gives a folder.
bool FindProgramDirectory(const char* argv0);
// Makes baseDirectory the current directory (nothing when it is empty); false when chdir fails.
bool EnterBaseDirectory();

int RunGame();                                  // 0 after a normal quit, -1 when start-up failed
int InitGame();                                 // loads (or reloads) all resources; negative is fatal
void ReleaseGame(bool partial);                 // partial keeps menus, audio device and joysticks
bool PumpEvents(uint32_t maxEvents);            // handles events (0 = all), runs one frame; false = quit
bool HandleEvent(const SDL_Event& event);       // one SDL event; false = quit
int KeyToChar(const SDL_keysym& keysym);        // character for text entry, 0 for none
void PresentMenuFrame();                        // back buffer to screen, then flip
void RequestQuit();                             // asks the main loop to end after the current event

// Menu input: HandleEvent routes keys and mouse here in menu mode. The menu
// system fills these in; until it exists the first screen does. Null = ignored.
struct MenuInputHooks {
    void (*cancel)(bool pressed);               // Escape pressed / released
    void (*activate)(bool pressed);             // Return or keypad Enter pressed / released
    void (*moveSelection)(int delta);           // -1 for Up/Right, +1 for Down/Left
    void (*typeChar)(int ch);                   // a character from KeyToChar (8 = Backspace)
    void (*showHelp)();                         // F1 released
    void (*pointerMoved)(int x, int y, bool leftHeld);
    void (*pointerPressed)(int x, int y);       // left button
    void (*pointerReleased)(int x, int y);      // left button
    void (*rightReleased)(int x, int y);
    void (*wheel)(int delta);                   // +120 up, -120 down
};
extern MenuInputHooks menuInput;

// Step clock of the race frame tick (race control sets stepMs at every start and resume).
struct StepClock {
    uint32_t stepMs = 10;
    uint32_t accumulatedMs = 0;
    uint32_t lastTick = 0;
};
extern StepClock stepClock;

// What one frame tick calls. Race control fills step and draw; tests inject a fake clock.
struct FrameTickHooks {
    uint32_t (*ticks)();                        // millisecond clock; SDL_GetTicks when null
    void (*refreshInput)();                     // keyboard/joystick snapshot before each step
    bool (*step)();                             // one simulation step; true when it asks for a frame
    void (*draw)();                             // draws and presents one race frame
};
extern FrameTickHooks frameTickHooks;

struct FrameTickResult {
    int steps;                                  // simulation steps run
    bool drew;                                  // a frame was drawn
};
// Race frame tick: runs the steps that are due (at most 20), draws once if any asked to.
FrameTickResult FrameTick(StepClock& clock, bool alternativeSpeed);
