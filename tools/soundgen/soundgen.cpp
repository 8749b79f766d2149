// soundgen: synthesises the default sound set from nothing but arithmetic and
// a fixed-seed random generator, so the same files come out on every run.
// Usage: soundgen [OUTPUT_FOLDER]   (default: data/sounds/default)
// Writes 44100 Hz mono 16-bit WAV files and prints each one's length, peak and
// RMS level and, for the looping sounds, the step across the loop seam.
//
// The engine loop is tuned for the race's playback rate (e x 10000) / 22050:
// about 0.43 at idle and 2.2 at top speed for the standard car, so the sample's
// 90 Hz firing note plays at about 39 Hz idling and 200 Hz flat out. Looping
// sounds are made periodic by construction: every tone has a whole number of
// cycles in the loop, and filters run over the loop several times so that only
// their periodic steady state is kept.
#include "trackfile/byte_io.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

using Signal = std::vector<double>;

// xorshift32 with a fixed seed per sound.
struct Random {
    uint32_t state;
    double Next()  // uniform in [-1, 1)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 2147483648.0 - 1.0;
    }
    double Unit() { return (Next() + 1.0) * 0.5; }  // uniform in [0, 1)
};

// Second-order filter section (bilinear-transform designs).
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double Run(double x)
    {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

enum FilterKind { kLowPass, kHighPass, kBandPass };

Biquad MakeFilter(FilterKind kind, double freq, double q)
{
    double w = 2 * kPi * freq / kRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    double a0 = 1 + alpha;
    Biquad f;
    switch (kind) {
    case kLowPass: f.b0 = (1 - c) / 2; f.b1 = 1 - c; f.b2 = (1 - c) / 2; break;
    case kHighPass: f.b0 = (1 + c) / 2; f.b1 = -(1 + c); f.b2 = (1 + c) / 2; break;
    case kBandPass: f.b0 = alpha; f.b1 = 0; f.b2 = -alpha; break;
    }
    f.b0 /= a0;
    f.b1 /= a0;
    f.b2 /= a0;
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

// Filters a one-shot signal.
Signal Filter(const Signal& in, Biquad f)
{
    Signal out(in.size());
    for (size_t i = 0; i < in.size(); ++i) out[i] = f.Run(in[i]);
    return out;
}

// Filters a loop: runs over it several times and keeps the last pass, which is
// the periodic steady state, so the output joins itself without a step.
Signal FilterLoop(const Signal& in, Biquad f)
{
    Signal out(in.size());
    for (int pass = 0; pass < 6; ++pass)
        for (size_t i = 0; i < in.size(); ++i) out[i] = f.Run(in[i]);
    return out;
}

void Add(Signal& to, const Signal& from, double gain)
{
    for (size_t i = 0; i < to.size() && i < from.size(); ++i) to[i] += gain * from[i];
}

void Normalise(Signal& s, double peak)
{
    double m = 1e-9;
    for (double v : s) m = std::fmax(m, std::fabs(v));
    for (double& v : s) v *= peak / m;
}

// Short fades at both ends of a one-shot, so it starts and stops at zero.
void FadeEnds(Signal& s, double inSeconds, double outSeconds)
{
    size_t in = static_cast<size_t>(inSeconds * kRate), out = static_cast<size_t>(outSeconds * kRate);
    for (size_t i = 0; i < in && i < s.size(); ++i) s[i] *= static_cast<double>(i) / in;
    for (size_t i = 0; i < out && i < s.size(); ++i) s[s.size() - 1 - i] *= static_cast<double>(i) / out;
}

Signal WhiteNoise(size_t n, Random& rng)
{
    Signal s(n);
    for (double& v : s) v = rng.Next();
    return s;
}

// Engine: four cylinders firing at 90 Hz (rate 1), each firing a decaying
// pressure pulse with a little cylinder-to-cylinder and cycle-to-cycle
// variation, shaped by the resonances of an exhaust and a block.
Signal Engine()
{
    const int period = kRate / 90;        // 490 samples per firing
    const int firings = 36;               // nine four-stroke cycles: 0.4 s
    const size_t n = static_cast<size_t>(period) * firings;
    const double cylinder[4] = {1.0, 0.82, 0.93, 0.76};
    Random rng{0x5eed0001u};
    Signal pulses(n, 0.0), hiss(n, 0.0);
    Signal noise = WhiteNoise(n, rng);
    for (int k = 0; k < firings; ++k) {
        double a = cylinder[k % 4] * (1.0 + 0.08 * rng.Next());
        int start = k * period + static_cast<int>(3 * rng.Next());
        for (int t = 0; t < period; ++t) {
            size_t i = static_cast<size_t>((start + t + static_cast<int>(n)) % static_cast<int>(n));
            double env = std::exp(-t / 38.0);
            pulses[i] += a * (env - 0.55 * std::exp(-t / 95.0));
            hiss[i] += a * env * noise[i];
        }
    }
    Signal body = FilterLoop(pulses, MakeFilter(kLowPass, 420, 0.9));
    Signal out(n, 0.0);
    Add(out, body, 1.0);
    Add(out, FilterLoop(pulses, MakeFilter(kBandPass, 260, 2.5)), 1.2);
    Add(out, FilterLoop(pulses, MakeFilter(kBandPass, 720, 3.5)), 0.6);
    Add(out, FilterLoop(pulses, MakeFilter(kBandPass, 1550, 5.0)), 0.25);
    Add(out, FilterLoop(hiss, MakeFilter(kBandPass, 1300, 1.2)), 0.35);
    out = FilterLoop(out, MakeFilter(kHighPass, 30, 0.7));  // no DC offset
    Normalise(out, 0.80);
    return out;
}

// Tyre squeal: a 1000 Hz tone wobbling at 6 Hz and pulsing at 4 Hz, over
// band-passed scrub noise. All rates are whole cycles in the 0.5 s loop.
Signal Skid()
{
    const size_t n = kRate / 2;
    Random rng{0x5eed0002u};
    Signal out(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        double phase = 2 * kPi * 1000 * t + 4.0 * std::sin(2 * kPi * 6 * t);
        double tone = std::sin(phase) + 0.35 * std::sin(2 * phase + 0.4) + 0.12 * std::sin(3 * phase + 1.1);
        double pulse = 0.78 + 0.16 * std::sin(2 * kPi * 4 * t) + 0.06 * std::sin(2 * kPi * 14 * t + 1.0);
        out[i] = tone * pulse;
    }
    Signal scrub = FilterLoop(WhiteNoise(n, rng), MakeFilter(kBandPass, 2600, 1.4));
    Normalise(scrub, 1.0);
    Add(out, scrub, 0.45);
    Normalise(out, 0.70);
    return out;
}

// Crash: a low thump, a burst of noise and the ringing of struck sheet metal,
// with a few rattling fragments.
Signal Damage()
{
    const size_t n = static_cast<size_t>(0.9 * kRate);
    Random rng{0x5eed0003u};
    Signal out(n, 0.0), burst = WhiteNoise(n, rng);
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        burst[i] *= std::exp(-t / 0.12);
        double thumpFreq = 48 + 40 * std::exp(-t / 0.05);
        out[i] += 0.9 * std::sin(2 * kPi * thumpFreq * t) * std::exp(-t / 0.09);
    }
    Add(out, Filter(burst, MakeFilter(kLowPass, 2800, 0.7)), 0.9);
    const double partials[6] = {412, 1127, 1793, 2641, 3707, 5120};
    for (int p = 0; p < 6; ++p) {
        double phase = kPi * rng.Next(), decay = 0.28 / (1 + 0.5 * p), amp = 0.35 / (1 + 0.3 * p);
        for (size_t i = 0; i < n; ++i) {
            double t = static_cast<double>(i) / kRate;
            out[i] += amp * std::sin(2 * kPi * partials[p] * t + phase) * std::exp(-t / decay);
        }
    }
    Signal rattle(n, 0.0);
    for (int k = 0; k < 14; ++k) {
        size_t at = static_cast<size_t>((0.05 + 0.45 * rng.Unit() * rng.Unit()) * kRate);
        double a = 0.6 * (1 - static_cast<double>(at) / n);
        for (size_t t = 0; t < 600 && at + t < n; ++t) rattle[at + t] += a * rng.Next() * std::exp(-static_cast<double>(t) / 90);
    }
    Add(out, Filter(rattle, MakeFilter(kBandPass, 3400, 1.5)), 1.0);
    FadeEnds(out, 0.001, 0.08);
    Normalise(out, 0.90);
    return out;
}

// Bell: the partials of a tuned bell (hum, prime, minor third, fifth,
// nominal and above) on a 660 Hz prime, higher partials dying sooner.
Signal Ding()
{
    const size_t n = static_cast<size_t>(1.4 * kRate);
    const double ratio[8] = {0.5, 1.0, 1.2, 1.5, 2.0, 2.5, 3.0, 4.07};
    const double amp[8] = {0.35, 0.7, 0.45, 0.22, 1.0, 0.32, 0.22, 0.12};
    const double decay[8] = {1.1, 0.8, 0.6, 0.45, 0.5, 0.3, 0.22, 0.15};
    Random rng{0x5eed0004u};
    Signal out(n, 0.0);
    for (int p = 0; p < 8; ++p) {
        double f = 660 * ratio[p] * (1 + 0.002 * rng.Next()), phase = kPi * rng.Next();
        for (size_t i = 0; i < n; ++i) {
            double t = static_cast<double>(i) / kRate;
            out[i] += amp[p] * std::sin(2 * kPi * f * t + phase) * std::exp(-t / decay[p]);
        }
    }
    Signal strike = WhiteNoise(static_cast<size_t>(0.006 * kRate), rng);
    for (size_t i = 0; i < strike.size(); ++i) out[i] += 0.6 * strike[i] * (1 - static_cast<double>(i) / strike.size());
    FadeEnds(out, 0.0005, 0.1);
    Normalise(out, 0.85);
    return out;
}

// A short cheer: seven voices shouting "yeah", each a buzzing source under a
// rising then falling pitch, through formants gliding from "ye" to "ah".
Signal Yeah()
{
    const size_t n = static_cast<size_t>(1.1 * kRate);
    Random rng{0x5eed0005u};
    Signal out(n, 0.0);
    for (int v = 0; v < 7; ++v) {
        double base = 120 + 150 * rng.Unit(), start = 0.12 * rng.Unit(), length = 0.75 + 0.2 * rng.Unit();
        double vibRate = 5 + 2 * rng.Unit(), phase = 0;
        Signal voice(n, 0.0);
        for (size_t i = 0; i < n; ++i) {
            double t = static_cast<double>(i) / kRate - start;
            if (t < 0 || t > length) continue;
            double u = t / length;
            double pitch = base * (1 + 0.3 * std::sin(kPi * std::fmin(u * 1.6, 1.0)) - 0.12 * u) *
                           (1 + 0.015 * std::sin(2 * kPi * vibRate * t));
            phase += 2 * kPi * pitch / kRate;
            double s = 0;
            for (int h = 1; h * pitch < 4500; ++h) s += std::sin(h * phase) / h;  // band-limited buzz
            double env = std::fmin(t / 0.05, 1.0) * std::fmin((length - t) / 0.3, 1.0);
            voice[i] = env * (s + 0.08 * rng.Next());
        }
        // Formants glide from "ye" (350 / 2300 Hz) to "ah" (780 / 1250 Hz);
        // coefficients are recomputed every 64 samples.
        Biquad f1, f2, f3;
        Signal shaped(n, 0.0);
        for (size_t i = 0; i < n; ++i) {
            if (i % 64 == 0) {
                double t = static_cast<double>(i) / kRate - start;
                double g = std::fmin(std::fmax(t / 0.28, 0.0), 1.0);
                Biquad n1 = MakeFilter(kBandPass, 350 + 430 * g, 5), n2 = MakeFilter(kBandPass, 2300 - 1050 * g, 7);
                Biquad n3 = MakeFilter(kBandPass, 2800 - 150 * g, 8);
                n1.x1 = f1.x1; n1.x2 = f1.x2; n1.y1 = f1.y1; n1.y2 = f1.y2;
                n2.x1 = f2.x1; n2.x2 = f2.x2; n2.y1 = f2.y1; n2.y2 = f2.y2;
                n3.x1 = f3.x1; n3.x2 = f3.x2; n3.y1 = f3.y1; n3.y2 = f3.y2;
                f1 = n1;
                f2 = n2;
                f3 = n3;
            }
            shaped[i] = f1.Run(voice[i]) + 0.7 * f2.Run(voice[i]) + 0.35 * f3.Run(voice[i]);
        }
        Normalise(shaped, 0.6 + 0.4 * rng.Unit());
        Add(out, shaped, 1.0);
    }
    out = Filter(out, MakeFilter(kHighPass, 90, 0.7));
    FadeEnds(out, 0.002, 0.05);
    Normalise(out, 0.80);
    return out;
}

// Refuelling: a pump humming at 100 Hz while fuel gurgles into the tank as a
// stream of bubbles, each a short rising whistle, over splashing noise.
Signal Fuel()
{
    const size_t n = static_cast<size_t>(0.9 * kRate);
    Random rng{0x5eed0006u};
    Signal out(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        out[i] = 0.25 * (std::sin(2 * kPi * 100 * t) + 0.5 * std::sin(2 * kPi * 200 * t + 0.7) +
                         0.3 * std::sin(2 * kPi * 300 * t + 1.9));
    }
    for (int k = 0; k < 30; ++k) {
        size_t at = static_cast<size_t>((0.03 + 0.8 * rng.Unit()) * kRate);
        double f = 320 + 600 * rng.Unit(), a = 0.5 + 0.5 * rng.Unit(), decay = 0.015 + 0.02 * rng.Unit();
        double phase = 0;
        for (size_t t = 0; at + t < n && t < static_cast<size_t>(0.12 * kRate); ++t) {
            double s = static_cast<double>(t) / kRate;
            phase += 2 * kPi * f * (1 + 6 * s) / kRate;  // a bubble's pitch rises as it closes
            out[at + t] += a * std::sin(phase) * std::exp(-s / decay);
        }
    }
    Signal splash = Filter(WhiteNoise(n, rng), MakeFilter(kBandPass, 700, 0.9));
    for (size_t i = 0; i < n; ++i) splash[i] *= 0.6 + 0.4 * std::sin(2 * kPi * 7 * i / kRate);
    Add(out, splash, 0.5);
    FadeEnds(out, 0.04, 0.12);
    Normalise(out, 0.75);
    return out;
}

std::vector<int16_t> ToPcm(const Signal& s)
{
    std::vector<int16_t> pcm(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        double v = std::lround(s[i] * 32767.0);
        pcm[i] = static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
    }
    return pcm;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& pcm)
{
    ByteWriter w;
    uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    WriteBytes(w, "RIFF", 4);
    WriteU32(w, 36 + dataBytes);
    WriteBytes(w, "WAVE", 4);
    WriteBytes(w, "fmt ", 4);
    WriteU32(w, 16);
    WriteU16(w, 1);  // PCM
    WriteU16(w, 1);  // mono
    WriteU32(w, kRate);
    WriteU32(w, kRate * 2);
    WriteU16(w, 2);
    WriteU16(w, 16);
    WriteBytes(w, "data", 4);
    WriteU32(w, dataBytes);
    for (int16_t v : pcm) WriteI16(w, v);
    return WriteFileReplacing(path.c_str(), w.bytes.data(), w.bytes.size());
}

// Length, peak and RMS in dBFS. For loops, the change of slope where the end
// joins the start (second difference across the seam) next to the largest
// change of slope inside the loop: a click shows as a seam value far above it.
void Report(const char* name, const std::vector<int16_t>& pcm, bool loop)
{
    double peak = 0, sum = 0, maxCurve = 0;
    const size_t n = pcm.size();
    for (size_t i = 0; i < n; ++i) {
        peak = std::fmax(peak, std::fabs(static_cast<double>(pcm[i])));
        sum += static_cast<double>(pcm[i]) * pcm[i];
        if (i >= 2) maxCurve = std::fmax(maxCurve, std::fabs(static_cast<double>(pcm[i]) - 2.0 * pcm[i - 1] + pcm[i - 2]));
    }
    double seamCurve = std::fmax(std::fabs(static_cast<double>(pcm[0]) - 2.0 * pcm[n - 1] + pcm[n - 2]),
                                 std::fabs(static_cast<double>(pcm[1]) - 2.0 * pcm[0] + pcm[n - 1]));
    double rms = std::sqrt(sum / pcm.size());
    std::printf("%-11s %6.3f s  peak %6.1f dBFS  rms %6.1f dBFS", name, static_cast<double>(pcm.size()) / kRate,
                20 * std::log10(peak / 32768), 20 * std::log10(rms / 32768));
    if (loop)
        std::printf("  seam curvature %5.0f  largest inside %5.0f", seamCurve, maxCurve);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder = argc > 1 ? argv[1] : "data/sounds/default";
    struct Item {
        const char* file;
        Signal (*make)();
        bool loop;
    } items[] = {{"engine.wav", Engine, true}, {"skid.wav", Skid, true},  {"damage.wav", Damage, false},
                 {"ding.wav", Ding, false},    {"yeah.wav", Yeah, false}, {"fuel.wav", Fuel, false}};
    for (const Item& item : items) {
        std::vector<int16_t> pcm = ToPcm(item.make());
        std::string path = folder + "/" + item.file;
        if (!WriteWav(path, pcm)) {
            std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
            return 1;
        }
        Report(item.file, pcm, item.loop);
    }
    return 0;
}
