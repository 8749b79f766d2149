// Sound registry, WAV loading, sound sets, engine sounds and the volume rule.
#include "tests/audio/audio_fixture.h"

#include "trackfile/byte_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

// A PCM WAV file: `frames` frames of `channels` channels at `rate`.
std::vector<uint8_t> MakeWav(int frames, int rate = 22050, int channels = 1, int bits = 16, int formatTag = 1)
{
    uint32_t dataBytes = static_cast<uint32_t>(frames * channels * bits / 8);
    ByteWriter w;
    WriteBytes(w, "RIFF", 4);
    WriteU32(w, 36 + dataBytes);
    WriteBytes(w, "WAVEfmt ", 8);
    WriteU32(w, 16);
    WriteU16(w, static_cast<uint16_t>(formatTag));
    WriteU16(w, static_cast<uint16_t>(channels));
    WriteU32(w, static_cast<uint32_t>(rate));
    WriteU32(w, static_cast<uint32_t>(rate * channels * bits / 8));
    WriteU16(w, static_cast<uint16_t>(channels * bits / 8));
    WriteU16(w, static_cast<uint16_t>(bits));
    WriteBytes(w, "data", 4);
    WriteU32(w, dataBytes);
    for (uint32_t i = 0; i < dataBytes; ++i) WriteU8(w, static_cast<uint8_t>(i * 7));
    return w.bytes;
}

void Put(const std::string& path, const std::vector<uint8_t>& bytes)
{
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), bytes.data(), bytes.size())) << path;
}

// A scratch program folder with "sounds" inside; the test runs in it.
class SoundFilesTest : public AudioTest {
protected:
    std::string oldDir, dir;
    void SetUp() override
    {
        AudioTest::SetUp();
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldDir = cwd;
        char tmpl[] = "/tmp/dw_sounds_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        mkdir("sounds", 0755);
        mkdir("sounds/default", 0755);
    }
    void TearDown() override
    {
        AudioTest::TearDown();
        ASSERT_EQ(chdir(oldDir.c_str()), 0);
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    // Frames of a loaded sound at the device rate.
    static uint32_t Frames(int id) { return SoundById(id) ? SoundById(id)->data->count / 2 : 0; }
};

}  // namespace

TEST_F(AudioTest, RegistryIdsAreOneBasedAndReuseFreedSlots)
{
    int a = ConstantSound(10, 1), b = ConstantSound(10, 2), c = ConstantSound(10, 3);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
    ReleaseSound(b);
    EXPECT_EQ(SoundById(b), nullptr);
    EXPECT_EQ(ConstantSound(10, 4), 2);
    EXPECT_EQ(ShareSound(a), 4);
    ReleaseAllSounds();
    EXPECT_EQ(SoundCount(), 0);
    EXPECT_EQ(ConstantSound(10, 5), 1);
}

TEST_F(AudioTest, InvalidIdsDoNothingInEveryOperation)
{
    int id = ConstantSound(4000, 700);
    PlaySound(id, true);
    for (int bad : {0, -1, 2, 1000, -2147483647 - 1}) {
        EXPECT_EQ(SoundById(bad), nullptr);
        EXPECT_EQ(ShareSound(bad), 0);
        PlaySound(bad, true);
        StopSound(bad);
        SetSoundRate(bad, 2.0f);
        SetSoundVolume(bad, 5);
        SetVolumeFromLevel(bad, 100, 1e8);
        ReleaseSound(bad);
    }
    EXPECT_EQ(BusyChannels(), 1);
    EXPECT_EQ(SoundCount(), 1);
    EXPECT_EQ(SoundById(id)->volume.load(), 128);
    EXPECT_EQ(SoundById(id)->rate.load(), 1.0f);
    SetSoundRate(id, -3.0f);
    EXPECT_EQ(SoundById(id)->rate.load(), 0.0f);
    SetSoundRate(id, std::nanf(""));
    EXPECT_EQ(SoundById(id)->rate.load(), 0.0f);
}

TEST(VolumeRule, SettingsGiveTheDecibelScaleVolumes)
{
    EXPECT_EQ(VolumeFromAttenuation(VolumeAttenuation(100, 1e8)), 128);
    EXPECT_EQ(VolumeFromAttenuation(VolumeAttenuation(80, 1e8)), 114);
    EXPECT_EQ(VolumeFromAttenuation(VolumeAttenuation(0, 1e8)), 0);
    EXPECT_EQ(VolumeAttenuation(80, 1e8), -97);
    EXPECT_EQ(VolumeFromAttenuation(-10000), 0);
    EXPECT_EQ(VolumeFromAttenuation(0), 128);
    EXPECT_EQ(VolumeFromAttenuation(-2000), 13);  // 20 dB down: a tenth
    // A level of 0 is silent; levels above 10^8 count as 10^8; loud settings stop at 128.
    EXPECT_EQ(VolumeFromAttenuation(VolumeAttenuation(100, 0)), 0);
    EXPECT_EQ(VolumeAttenuation(100, 1e12), VolumeAttenuation(100, 1e8));
    EXPECT_EQ(VolumeFromAttenuation(VolumeAttenuation(255, 1e8)), 128);
}

TEST_F(SoundFilesTest, LoadsAndConvertsToDeviceFormat)
{
    Put("mono8.wav", MakeWav(1000, 22050, 1, 8));
    Put("stereo16.wav", MakeWav(1000, 44100, 2, 16));
    int a = LoadSound("mono8.wav"), b = LoadSound("stereo16.wav");
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_EQ(Frames(a), 2000u);  // 22050 Hz doubled to the device rate
    EXPECT_EQ(Frames(b), 1000u);
    EXPECT_EQ(SoundById(a)->volume.load(), 128);
    EXPECT_EQ(SoundById(a)->rate.load(), 1.0f);
}

TEST_F(SoundFilesTest, BadFilesLoadAsNothing)
{
    std::vector<uint8_t> good = MakeWav(1000);
    std::vector<uint8_t> truncated(good.begin(), good.begin() + 500);
    std::vector<uint8_t> forged = good;
    forged[40] = forged[41] = forged[42] = 0xFF;  // data chunk claims far more than the file holds
    Put("truncated.wav", truncated);
    Put("forged.wav", forged);
    Put("empty.wav", {});
    Put("nodata.wav", MakeWav(0));
    Put("float.wav", MakeWav(1000, 22050, 1, 32, 3));
    Put("mp3.wav", MakeWav(1000, 22050, 1, 16, 0x55));
    Put("threechannels.wav", MakeWav(1000, 22050, 3, 16));
    Put("garbage.wav", std::vector<uint8_t>(300, 0x5A));
    Put("onehertz.wav", MakeWav(100000, 1));  // would be doubled up to a gigabyte and more
    for (const char* name : {"truncated.wav", "forged.wav", "empty.wav", "nodata.wav", "float.wav", "mp3.wav",
                             "threechannels.wav", "garbage.wav", "onehertz.wav", "missing.wav", "sounds"})
        EXPECT_EQ(LoadSound(name), 0) << name;
    EXPECT_EQ(SoundCount(), 0);
}

TEST_F(SoundFilesTest, SoundSetFallsBackPerFileToDefault)
{
    const char* files[] = {"skid.wav", "damage.wav", "ding.wav", "yeah.wav", "fuel.wav"};
    for (int k = 0; k < 5; ++k) Put(std::string("sounds/default/") + files[k], MakeWav(100 + k));
    mkdir("sounds/custom", 0755);
    Put("sounds/custom/DING.wav", MakeWav(777));
    Put("sounds/custom/yeah.wav", MakeWav(10, 22050, 1, 16, 0x55));  // unreadable: falls back
    LoadSoundSet("Custom");  // names are matched without regard to case
    EXPECT_EQ(Frames(effectSounds[kSoundSkid]), 200u);
    EXPECT_EQ(Frames(effectSounds[kSoundDamage]), 202u);
    EXPECT_EQ(Frames(effectSounds[kSoundDing]), 1554u);
    EXPECT_EQ(Frames(effectSounds[kSoundYeah]), 206u);
    EXPECT_EQ(Frames(effectSounds[kSoundFuel]), 208u);
    // Loading again replaces the previous ids instead of piling up sounds.
    LoadSoundSet("nowhere");
    LoadSoundSet("../sounds/custom");
    EXPECT_EQ(Frames(effectSounds[kSoundDing]), 204u);
    int loaded = 0;
    for (int id = 1; id <= SoundCount(); ++id) loaded += SoundById(id) != nullptr;
    EXPECT_EQ(loaded, 5);
    // Without any files every id is 0.
    ASSERT_EQ(std::system("rm -rf sounds"), 0);
    LoadSoundSet("default");
    for (int id : effectSounds) EXPECT_EQ(id, 0);
}

TEST_F(SoundFilesTest, EngineSoundsShareOneSampleDataPerModel)
{
    mkdir("sounds/custom", 0755);
    Put("sounds/custom/alpha.wav", MakeWav(300));
    Put("sounds/default/engine.wav", MakeWav(400));
    const EngineCar cars[kEngineSlots] = {{0, "Alpha"}, {1, "Beta"}, {0, "Alpha"}, {2, "Gamma"}, {-1, nullptr}, {1, "Beta"}};
    LoadEngineSounds("custom", cars);
    EXPECT_EQ(Frames(engineSounds[0]), 600u);
    EXPECT_EQ(Frames(engineSounds[1]), 800u);
    EXPECT_EQ(engineSounds[4], 0);
    EXPECT_EQ(SoundById(engineSounds[2])->data, SoundById(engineSounds[0])->data);
    EXPECT_EQ(SoundById(engineSounds[3])->data, SoundById(engineSounds[1])->data);
    EXPECT_EQ(SoundById(engineSounds[5])->data, SoundById(engineSounds[1])->data);
    EXPECT_EQ(SoundById(engineSounds[1])->data->refs, 3);
    for (int i = 0; i < kEngineSlots; ++i)
        for (int j = i + 1; j < kEngineSlots; ++j)
            if (engineSounds[i]) {
                EXPECT_NE(engineSounds[i], engineSounds[j]);
            }
    // A second season releases the old engines first.
    LoadEngineSounds("custom", cars);
    int loaded = 0;
    for (int id = 1; id <= SoundCount(); ++id) loaded += SoundById(id) != nullptr;
    EXPECT_EQ(loaded, 5);
}

TEST_F(SoundFilesTest, WithoutADeviceEverythingIsSilentAndSafe)
{
    Put("sounds/default/skid.wav", MakeWav(100));
    Put("sounds/default/engine.wav", MakeWav(100));
    CloseAudio();
    EXPECT_FALSE(AudioIsOpen());
    EXPECT_EQ(LoadSound("sounds/default/skid.wav"), 0);
    LoadSoundSet("default");
    EXPECT_EQ(effectSounds[kSoundSkid], 0);
    const EngineCar cars[kEngineSlots] = {{0, "Alpha"}};
    LoadEngineSounds("default", cars);
    EXPECT_EQ(engineSounds[0], 0);
    int id = ConstantSound(100, 1000);
    PlaySound(id, true);
    EXPECT_EQ(BusyChannels(), 0);
    for (int16_t v : Mix()) ASSERT_EQ(v, 0);
}
