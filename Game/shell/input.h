// Input devices and control bindings: the per-step keyboard snapshot
// (`keyState`), the joysticks opened at start-up, a
// control's binding (one key or one joystick input) read as 0..100 and the
// display names of bindings. The capture prompt is a front-end screen.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "trackfile/byte_io.h"

constexpr int kKeyStateSize = 323;       // one byte per SDL key symbol
constexpr int kKeyNameCount = 512;       // key codes that have a display name
constexpr int kJoyBindingBytes = 12;     // stored size of a JoyBinding
constexpr int kCaptureAxisThreshold = 16000;  // an axis must pass this to be captured

enum JoyInputKind : uint8_t { kJoyAxis = 0, kJoyButton = 1, kJoyHat = 2 };

// The joystick half of a control's binding; stored as 12 bytes.
struct JoyBinding {
    int32_t joystick = -1;     // index into joysticks, -1 = none
    int32_t input = 0;         // axis, button or hat number
    uint8_t hatPosition = 0;   // hat bits (1 up, 2 right, 4 down, 8 left) at capture
    uint8_t kind = kJoyAxis;   // JoyInputKind
    uint8_t negative = 0;      // axis: 1 = the negative direction is bound
};

// One opened joystick.
struct JoystickInfo {
    int32_t axes = 0;
    int32_t buttons = 0;
    int32_t hats = 0;
    SDL_Joystick* handle = nullptr;
};

extern std::vector<JoystickInfo> joysticks;  // opened at start-up, in SDL device order
extern uint8_t* keyState;                    // kKeyStateSize bytes per-step snapshot, allocated by AllocKeyState

// Where the input layer reads its devices. SDL by default; tests put in
// scripted keyboards and joysticks.
struct InputSource {
    const uint8_t* (*keys)(int* count);            // key-state array and its length
    int (*axis)(int joystick, int axis);           // -32768..32767
    int (*button)(int joystick, int button);       // 0 or 1
    int (*hat)(int joystick, int hat);             // hat bits
    void (*wait)(uint32_t ms);                     // pause between polls of the capture prompt
};
extern InputSource inputSource;
void UseSdlInput();                                // restores the SDL readers

void AllocKeyState();                              // allocates keyState (zeroed) if missing
void FreeKeyState();                               // frees keyState
void RefreshKeyState();                            // pumps events, copies SDL's key state, clears the lock keys
void CopyKeyState();                               // as RefreshKeyState, with the events already pumped
void OpenJoysticks();                              // opens every joystick not yet open into joysticks
int ControlValue(int key, const JoyBinding& binding);   // 0..100: how strongly the control is held
int JoyReadingValue(const JoyBinding& binding, int reading); // 0..100 from a raw axis, button or hat reading

std::string KeyName(int code);                     // display name of a key code 0..511, "" otherwise
std::string JoyBindingName(const JoyBinding& binding); // "Joy #0: Axis #1-" and the like

JoyBinding ReadJoyBinding(ByteReader& r);          // reads the 12-byte stored form
void WriteJoyBinding(ByteWriter& w, const JoyBinding& binding); // writes the 12-byte stored form
