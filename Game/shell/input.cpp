// Keyboard snapshot, joysticks and reading a control's binding as 0..100.
// Devices are read through `inputSource` so that tests can script them.
#include "Game/shell/input.h"

#include "Game/shell/shell.h"

#include <cstdlib>
#include <cstring>

std::vector<JoystickInfo> joysticks;
uint8_t* keyState = nullptr;

namespace {

const uint8_t* SdlKeys(int* count) { return SDL_GetKeyState(count); }

SDL_Joystick* Handle(int joystick)
{
    if (joystick < 0 || joystick >= static_cast<int>(joysticks.size())) return nullptr;
    return joysticks[static_cast<size_t>(joystick)].handle;
}

int SdlAxis(int joystick, int axis)
{
    SDL_Joystick* j = Handle(joystick);
    return j ? SDL_JoystickGetAxis(j, axis) : 0;
}

int SdlButton(int joystick, int button)
{
    SDL_Joystick* j = Handle(joystick);
    return j ? SDL_JoystickGetButton(j, button) : 0;
}

int SdlHat(int joystick, int hat)
{
    SDL_Joystick* j = Handle(joystick);
    return j ? SDL_JoystickGetHat(j, hat) : 0;
}

void SdlWait(uint32_t ms) { SDL_Delay(ms); }

}  // namespace

InputSource inputSource = {SdlKeys, SdlAxis, SdlButton, SdlHat, SdlWait};

void UseSdlInput() { inputSource = {SdlKeys, SdlAxis, SdlButton, SdlHat, SdlWait}; }

void AllocKeyState()
{
    if (!keyState) keyState = static_cast<uint8_t*>(std::calloc(kKeyStateSize, 1));
}

void FreeKeyState()
{
    std::free(keyState);
    keyState = nullptr;
}

void RefreshKeyState()
{
    if (!keyState) return;
    SDL_PumpEvents();
    CopyKeyState();
}

void CopyKeyState()
{
    if (!keyState) return;
    // Fresh axes, buttons and hats for ControlValue.
    if (!joysticks.empty() && SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_JoystickUpdate();
    int count = 0;
    const uint8_t* keys = inputSource.keys ? inputSource.keys(&count) : nullptr;
    if (keys && count > 0) std::memcpy(keyState, keys, static_cast<size_t>(count < kKeyStateSize ? count : kKeyStateSize));
    // Caps, Num and Scroll Lock report their toggle state, not a held key.
    keyState[SDLK_NUMLOCK] = 0;
    keyState[SDLK_CAPSLOCK] = 0;
    keyState[SDLK_SCROLLOCK] = 0;
}

void OpenJoysticks()
{
    joysticks.clear();
    int n = SDL_NumJoysticks();
    for (int i = 0; i < n; ++i) {
        if (SDL_JoystickOpened(i)) continue;
        SDL_Joystick* handle = SDL_JoystickOpen(i);
        if (!handle) continue;
        JoystickInfo info;
        info.axes = SDL_JoystickNumAxes(handle);
        info.buttons = SDL_JoystickNumButtons(handle);
        info.hats = SDL_JoystickNumHats(handle);
        info.handle = handle;
        joysticks.push_back(info);
    }
}

// A hat reads 100 in its recorded position and in the diagonals that include
// it (up-left still counts for a control bound to up), so a player holding a
// diagonal on a d-pad to steer keeps the other control held.
int JoyReadingValue(const JoyBinding& binding, int reading)
{
    switch (binding.kind) {
    case kJoyAxis: {
        int v = binding.negative ? -reading : reading;
        return v > 0 ? static_cast<int>(v / 32767.0 * 100.0) : 0;
    }
    case kJoyButton:
        return reading ? 100 : 0;
    case kJoyHat:
        return binding.hatPosition != 0 && (reading & binding.hatPosition) == binding.hatPosition ? 100 : 0;
    default:
        return 0;
    }
}

int ControlValue(int key, const JoyBinding& binding)
{
    if (keyState && key >= 0 && key < kKeyStateSize && (keyState[key] & 1)) return 100;
    if (binding.joystick < 0 || binding.joystick >= static_cast<int>(joysticks.size())) return 0;
    int reading = 0;
    switch (binding.kind) {
    case kJoyAxis: reading = inputSource.axis(binding.joystick, binding.input); break;
    case kJoyButton: reading = inputSource.button(binding.joystick, binding.input); break;
    case kJoyHat: reading = inputSource.hat(binding.joystick, binding.input); break;
    default: return 0;
    }
    return JoyReadingValue(binding, reading);
}

JoyBinding ReadJoyBinding(ByteReader& r)
{
    JoyBinding b;
    b.joystick = ReadI32(r);
    b.input = ReadI32(r);
    b.hatPosition = ReadU8(r);
    b.kind = ReadU8(r);
    b.negative = ReadU8(r);
    ReadU8(r);
    return b;
}

void WriteJoyBinding(ByteWriter& w, const JoyBinding& binding)
{
    WriteI32(w, binding.joystick);
    WriteI32(w, binding.input);
    WriteU8(w, binding.hatPosition);
    WriteU8(w, binding.kind);
    WriteU8(w, binding.negative);
    WriteU8(w, 0);
}
