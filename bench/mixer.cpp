// The mixer callback rendering 16 looping channels into one 1024-frame
// buffer (23.2 ms of sound at 44100 Hz), at engine-like fractional rates.
#include "Game/shell/audio.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

static void BM_MixSixteenLoopingChannels(benchmark::State& state)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || !OpenAudio()) {
        state.SkipWithError("no audio device");
        return;
    }
    SDL_PauseAudio(1);
    SDL_LockAudio();
    SDL_UnlockAudio();
    std::vector<int16_t> samples(2 * 17640);
    for (size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<int16_t>((k * 7919) % 60000 - 30000);
    for (int c = 0; c < kMixChannels; ++c) {
        int id = CreateSound(samples.data(), static_cast<uint32_t>(samples.size()));
        SetSoundRate(id, 0.43f + 0.11f * c);
        SetSoundVolume(id, 60 + 4 * c);
        PlaySound(id, true);
    }
    std::vector<int16_t> out(2 * kAudioFrames);
    for (auto _ : state) {
        MixAudio(nullptr, reinterpret_cast<Uint8*>(out.data()), static_cast<int>(out.size() * 2));
        benchmark::DoNotOptimize(out.data());
    }
    ReleaseAllSounds();
    CloseAudio();
    SDL_Quit();
}
BENCHMARK(BM_MixSixteenLoopingChannels)->Unit(benchmark::kMicrosecond);
