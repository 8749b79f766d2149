// The shipped default sound set: every file loads, the loops join without a
// click, and lengths and levels are what the game was tuned for.
#include "tests/audio/audio_fixture.h"

#include <cmath>
#include <string>

namespace {

struct Measure {
    uint32_t frames;
    double peakDb, rmsDb;
    double seamCurve, maxCurve;  // change of slope across the loop seam and inside
};

// Measures the left side of a loaded sound at the device rate.
Measure MeasureSound(int id)
{
    const SampleData* d = SoundById(id)->data;
    const uint32_t n = d->count / 2;
    auto at = [&](int64_t i) { return static_cast<double>(d->samples[2 * ((i + n) % n)]); };
    Measure m{n, 0, 0, 0, 0};
    double peak = 0, sum = 0;
    for (uint32_t i = 0; i < n; ++i) {
        peak = std::fmax(peak, std::fabs(at(i)));
        sum += at(i) * at(i);
        if (i >= 2) m.maxCurve = std::fmax(m.maxCurve, std::fabs(at(i) - 2 * at(i - 1) + at(i - 2)));
    }
    m.peakDb = 20 * std::log10(peak / 32768);
    m.rmsDb = 20 * std::log10(std::sqrt(sum / n) / 32768);
    m.seamCurve = std::fmax(std::fabs(at(0) - 2 * at(-1) + at(-2)), std::fabs(at(1) - 2 * at(0) + at(-1)));
    return m;
}

}  // namespace

TEST_F(AudioTest, ShippedDefaultSetLoadsWithSoundLevelsAndSeamlessLoops)
{
    struct Expect {
        const char* file;
        double minSeconds, maxSeconds;
        bool loop;
    } expected[] = {{"engine.wav", 0.2, 1.0, true},  {"skid.wav", 0.2, 1.0, true},  {"damage.wav", 0.3, 1.5, false},
                    {"ding.wav", 0.5, 2.0, false},   {"yeah.wav", 0.5, 1.5, false}, {"fuel.wav", 0.4, 1.5, false}};
    for (const Expect& e : expected) {
        std::string path = std::string(DW_SOURCE_DIR) + "/data/sounds/default/" + e.file;
        int id = LoadSound(path.c_str());
        ASSERT_NE(id, 0) << path;
        Measure m = MeasureSound(id);
        double seconds = static_cast<double>(m.frames) / kAudioRate;
        EXPECT_GE(seconds, e.minSeconds) << e.file;
        EXPECT_LE(seconds, e.maxSeconds) << e.file;
        EXPECT_LT(m.peakDb, -0.5) << e.file;   // headroom, no clipping
        EXPECT_GT(m.peakDb, -6.0) << e.file;   // but not faint
        EXPECT_GT(m.rmsDb, -24.0) << e.file;
        if (e.loop) {
            EXPECT_LT(m.seamCurve, 0.5 * m.maxCurve) << e.file << ": click at the loop seam";
        }
        // One-shots start and end at rest.
        if (!e.loop) {
            EXPECT_LT(std::fabs(static_cast<double>(SoundById(id)->data->samples[m.frames * 2 - 2])), 200.0) << e.file;
        }
    }
}

TEST_F(AudioTest, EngineLoopHoldsWholeFiringCycles)
{
    // The engine's pitch comes from its 90 Hz firing: the loop is a whole
    // number of 490-frame periods, so playback at any rate keeps the rhythm.
    int id = LoadSound((std::string(DW_SOURCE_DIR) + "/data/sounds/default/engine.wav").c_str());
    ASSERT_NE(id, 0);
    uint32_t frames = SoundById(id)->data->count / 2;
    EXPECT_EQ(frames % 490, 0u);
    // Autocorrelation at one firing period beats that at half a period.
    const int16_t* s = SoundById(id)->data->samples;
    auto corr = [&](uint32_t lag) {
        double c = 0;
        for (uint32_t i = 0; i < frames; ++i) c += static_cast<double>(s[2 * i]) * s[2 * ((i + lag) % frames)];
        return c;
    };
    EXPECT_GT(corr(490), 2 * std::fabs(corr(245)));
}
