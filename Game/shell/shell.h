// The platform frame of the game program: program directory, event handling
// with the global hot keys and the menu hooks, race entry and exit, and the
// timing head of the race frame tick. The start-up order and the main loop
// are the top level's (Game/game.h). One thread runs all of it (audio has its own).
#pragma once
#include <SDL.h>
#include <cstdint>
#include <string>
#include <vector>

extern std::string baseDirectory;               // folder of the executable, made current before file access
extern bool inRace;                             // race screen owns the frame (else the menus do)
extern bool altEnterConsumed;                   // Alt+Enter switched the mode during the current event
extern bool quitRequested;                      // set by RequestQuit; HandleEvent then returns false

// Program directory from a raw command line: quoted path without, unquoted with trailing separator.
std::string BaseDirectoryFromCommandLine(const char* commandLine, char separator = '\\');
// Sets baseDirectory from /proc/self/exe, else from argv0; false when neither gives a folder.
bool FindProgramDirectory(const char* argv0);
// Makes baseDirectory the current directory (nothing when it is empty); false when chdir fails.
bool EnterBaseDirectory();
// Moves baseDirectory to the game folder: the program folder when it is a
// writable one with the data, else the per-user folder filled from the
// installed data (trackfile/game_folder.h); false, with a reason, when that
// folder cannot be made.
bool EnterGameFolder(std::string& error);

bool HandleEvent(const SDL_Event& event);       // one SDL event; false = quit
int KeyToChar(const SDL_keysym& keysym);        // character for text entry, 0 for none
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

// Race entry and exit. EnterRace hands the frame to the race: it sets the step
// and draw hooks, restarts the step clock from now (so the first tick does not
// catch up on the time spent in the menus) and forgets earlier key presses.
// LeaveRace gives the frame back to the menus and clears the hooks.
void EnterRace(bool (*step)(), void (*draw)());
void LeaveRace();

// Key presses during a race, as edges: HandleEvent records every key-down
// except the global hot keys while inRace; the race takes them one at a time.
bool TakeKeyPress(int key);                     // true once per press since the last take; key is an SDLKey
void ClearKeyPresses();                         // forgets every recorded press
