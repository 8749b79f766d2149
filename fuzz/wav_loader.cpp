// Fuzzes WAV loading and conversion: any bytes either load as a sound that
// then mixes like any other, or load as nothing.
#include "Game/shell/audio.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || !OpenAudio()) std::abort();
    SDL_PauseAudio(1);  // the fuzzer drives the mixer itself
    SDL_LockAudio();
    SDL_UnlockAudio();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int id = LoadSoundFromMemory(data, size);
    if (id) {
        SetSoundRate(id, 1.7f);
        PlaySound(id, true);
        std::vector<int16_t> out(2 * kAudioFrames);
        MixAudio(nullptr, reinterpret_cast<Uint8*>(out.data()), static_cast<int>(out.size() * 2));
        ReleaseSound(id);
    }
    return 0;
}
