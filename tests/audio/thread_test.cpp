// The main thread plays, stops, re-pitches and releases sounds while SDL's
// audio thread runs the mixer. Run under ThreadSanitizer (DW_TSAN) this shows
// that no change races with the callback; under ASan that no freed sample
// data is read.
#include "tests/audio/audio_fixture.h"

#include <gtest/gtest.h>

#include <vector>

TEST(AudioThread, ChangesWhileTheCallbackRunsAreSafe)
{
    UseDummyAudio();
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_TRUE(OpenAudio()) << SDL_GetError();

    // Show that the callback really runs: a looping sound's position moves.
    std::vector<int16_t> samples(2 * 30000);
    for (size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<int16_t>((k * 37) % 20000 - 10000);
    int marker = CreateSound(samples.data(), static_cast<uint32_t>(samples.size()));
    SetSoundRate(marker, 0.25f);
    PlaySound(marker, true);
    bool moved = false;
    for (int tries = 0; tries < 100 && !moved; ++tries) {
        SDL_Delay(5);
        SDL_LockAudio();
        moved = mixChannels[0].position != 0.0f;
        SDL_UnlockAudio();
    }
    ASSERT_TRUE(moved) << "the audio thread never ran the mixer";

    // About 150 ms of churn: sounds come and go under the running mixer.
    Uint32 end = SDL_GetTicks() + 150;
    int round = 0;
    while (SDL_GetTicks() < end) {
        int ids[6];
        for (int i = 0; i < 6; ++i) {
            ids[i] = i % 2 ? ShareSound(marker) : CreateSound(samples.data() + i * 100, 2 * (200 + 50 * i));
            SetSoundRate(ids[i], 0.5f + 0.3f * i);
            SetSoundVolume(ids[i], 20 * i);
            PlaySound(ids[i], i % 3 == 0);
        }
        SetSoundRate(marker, 0.25f + 0.01f * (round % 50));
        SetVolumeFromLevel(marker, 100, 1e8);
        if (round % 3 == 0) StopSound(ids[1]);
        for (int i = 0; i < 6; ++i) ReleaseSound(ids[i]);
        if (round % 20 == 19) {
            ReleaseAllSounds();
            marker = CreateSound(samples.data(), static_cast<uint32_t>(samples.size()));
            PlaySound(marker, true);
        }
        ++round;
        SDL_Delay(1);
    }
    EXPECT_GT(round, 10);
    ReleaseAllSounds();
    CloseAudio();
    SDL_Quit();
}
