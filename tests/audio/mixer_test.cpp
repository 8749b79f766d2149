// The mixer callback driven directly with known samples.
#include "tests/audio/audio_fixture.h"

using MixerTest = AudioTest;

TEST_F(MixerTest, SilenceWhenNothingPlays)
{
    for (int16_t v : Mix()) ASSERT_EQ(v, 0);
}

TEST_F(MixerTest, SeventeenthOneShotFindsNoChannel)
{
    int ids[17];
    for (int i = 0; i < 17; ++i) ids[i] = ConstantSound(5000, static_cast<int16_t>(100 + i));
    for (int id : ids) PlaySound(id, false);
    EXPECT_EQ(BusyChannels(), kMixChannels);
    for (int c = 0; c < kMixChannels; ++c) EXPECT_EQ(mixChannels[c].sound, SoundById(ids[c])) << c;
    // Once one ends, the next request gets the freed lowest channel.
    StopSound(ids[3]);
    PlaySound(ids[16], false);
    EXPECT_EQ(mixChannels[3].sound, SoundById(ids[16]));
}

TEST_F(MixerTest, ShortOneShotEndsInsideTheBufferAndFreesItsChannel)
{
    PlaySound(ConstantSound(100, 1000), false);
    std::vector<int16_t> out = Mix();
    // The soft limiter already bends moderate sums a little: 1000 comes out as 971.
    for (int f = 0; f < 100; ++f) ASSERT_EQ(out[2 * f], 971) << f;
    for (size_t k = 200; k < out.size(); ++k) ASSERT_EQ(out[k], 0) << k;
    EXPECT_EQ(BusyChannels(), 0);
    EXPECT_EQ(mixChannels[0].position, 0.0f);
    for (int16_t v : Mix()) ASSERT_EQ(v, 0);
}

TEST_F(MixerTest, LimiterIsIdentityNearZeroAndNeverWraps)
{
    int small = ConstantSound(2000, 100);
    PlaySound(small, true);
    EXPECT_EQ(Mix()[0], 100);
    StopSound(small);

    for (int i = 0; i < kMixChannels; ++i) PlaySound(ConstantSound(2000, 32767), true);
    std::vector<int16_t> loud = Mix();
    for (int16_t v : loud) {
        ASSERT_GT(v, 30000);
        ASSERT_LT(v, 32767);
    }
    ReleaseAllSounds();
    for (int i = 0; i < kMixChannels; ++i) PlaySound(ConstantSound(2000, -32768), true);
    for (int16_t v : Mix()) {
        ASSERT_LT(v, -30000);
        ASSERT_GT(v, -32768);
    }
}

TEST_F(MixerTest, VolumeScalesAndZeroKeepsTheChannel)
{
    int id = ConstantSound(3000, 8000);
    PlaySound(id, false);
    SetSoundVolume(id, 64);
    std::vector<int16_t> half = Mix();
    SetSoundVolume(id, 0);
    std::vector<int16_t> none = Mix();
    // 4000 through the limiter: 32768 - 2^30 / 36768.
    EXPECT_EQ(half[0], 32768 - (1 << 30) / 36768);
    for (int16_t v : none) ASSERT_EQ(v, 0);
    EXPECT_EQ(mixChannels[0].sound, SoundById(id));
    EXPECT_FLOAT_EQ(mixChannels[0].position, 2048.0f);
}

TEST_F(MixerTest, LoopingChannelWrapsToTheStart)
{
    std::vector<int16_t> ramp(2 * 300);
    for (int f = 0; f < 300; ++f) ramp[2 * f] = ramp[2 * f + 1] = static_cast<int16_t>(f * 10);
    int id = CreateSound(ramp.data(), static_cast<uint32_t>(ramp.size()));
    PlaySound(id, true);
    std::vector<int16_t> out = Mix();
    EXPECT_EQ(out[2 * 300], out[0]);
    EXPECT_EQ(out[2 * 301], out[2 * 1]);
    EXPECT_GT(out[2 * 299], out[2 * 298]);
    EXPECT_FLOAT_EQ(mixChannels[0].position, static_cast<float>(kAudioFrames % 300));
    // A rate far above one frame per output frame still stays inside the sample.
    SetSoundRate(id, 1000.5f);
    Mix();
    EXPECT_LT(mixChannels[0].position, 300.0f);
}

TEST_F(MixerTest, SharedSampleKeepsItsOwnPitchPerCar)
{
    std::vector<int16_t> ramp(2 * 50000);
    for (size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<int16_t>((k / 2) % 20000);
    int first = CreateSound(ramp.data(), static_cast<uint32_t>(ramp.size()));
    int second = ShareSound(first);
    ASSERT_NE(second, 0);
    EXPECT_EQ(SoundById(first)->data, SoundById(second)->data);
    EXPECT_EQ(SoundById(second)->data->refs, 2);
    EXPECT_EQ(SoundById(second)->rate.load(), 0.0f);
    EXPECT_EQ(SoundById(second)->volume.load(), 0);
    SetSoundRate(first, 0.5f);
    SetSoundRate(second, 2.0f);
    SetSoundVolume(second, 128);
    PlaySound(first, true);
    PlaySound(second, true);
    Mix();
    EXPECT_FLOAT_EQ(mixChannels[0].position, 512.0f);
    EXPECT_FLOAT_EQ(mixChannels[1].position, 2048.0f);
    // The same Sound on two channels shares one rate.
    PlaySound(first, false);
    Mix();
    EXPECT_FLOAT_EQ(mixChannels[2].position, 512.0f);
}

TEST_F(MixerTest, ReleasingOneSharerKeepsTheSamplesForTheOther)
{
    int first = ConstantSound(4000, 500);
    int second = ShareSound(first);
    SetSoundVolume(second, 128);
    SetSoundRate(second, 1.0f);
    PlaySound(first, true);
    PlaySound(second, true);
    ReleaseSound(first);
    EXPECT_EQ(SoundById(first), nullptr);
    EXPECT_EQ(BusyChannels(), 1);
    EXPECT_EQ(SoundById(second)->data->refs, 1);
    EXPECT_EQ(Mix()[0], 493);  // 500 through the limiter; freed samples would trip the sanitizers
}

TEST_F(MixerTest, LimiterTreatsBothSignsAlike)
{
    for (int16_t v : {int16_t(1000), int16_t(8000), int16_t(20000), int16_t(32767)}) {
        int up = ConstantSound(2000, v);
        PlaySound(up, true);
        int16_t positive = Mix()[0];
        ReleaseAllSounds();
        int down = ConstantSound(2000, static_cast<int16_t>(-v));
        PlaySound(down, true);
        EXPECT_EQ(Mix()[0], -positive) << v;
        ReleaseAllSounds();
    }
}

TEST_F(MixerTest, SoundEndingMidBufferLeavesNothingOfAnEarlierSound)
{
    // A loud loop fills the first channel buffer, then a short one-shot
    // renders into that same buffer: past its end everything must be silent.
    int loud = ConstantSound(5000, 20000);
    PlaySound(loud, true);
    for (int16_t v : Mix()) ASSERT_NE(v, 0);
    StopSound(loud);
    PlaySound(ConstantSound(100, 1000), false);
    std::vector<int16_t> out = Mix();
    EXPECT_EQ(out[2 * 99], 971);
    for (size_t k = 200; k < out.size(); ++k) ASSERT_EQ(out[k], 0) << k;
}
