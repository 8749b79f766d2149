// Shared set-up for the audio tests: the dummy SDL audio device opened and
// paused, so tests drive the mixer callback themselves with known samples.
#pragma once
#include "Game/shell/audio.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

// SDL's dummy audio driver plays into nothing but runs the callback thread
// like a real device; it is only chosen when asked for by name.
inline void UseDummyAudio() { setenv("SDL_AUDIODRIVER", "dummy", 0); }

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseDummyAudio();
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_TRUE(OpenAudio()) << SDL_GetError();
        SDL_PauseAudio(1);
        SDL_LockAudio();  // waits for a callback that may still be running
        SDL_UnlockAudio();
    }
    void TearDown() override
    {
        ReleaseAllSounds();
        CloseAudio();
        SDL_Quit();
    }
};

// A stereo sample of `frames` frames, both sides `value`.
inline int ConstantSound(int frames, int16_t value)
{
    std::vector<int16_t> s(static_cast<size_t>(frames) * 2, value);
    return CreateSound(s.data(), static_cast<uint32_t>(s.size()));
}

// One callback's worth of output.
inline std::vector<int16_t> Mix(int frames = kAudioFrames)
{
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 12345);
    MixAudio(nullptr, reinterpret_cast<Uint8*>(out.data()), frames * 4);
    return out;
}

inline int BusyChannels()
{
    int n = 0;
    for (const MixChannel& ch : mixChannels) n += ch.sound != nullptr;
    return n;
}
