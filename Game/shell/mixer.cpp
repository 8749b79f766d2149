// The audio device and the software mixer that SDL calls on its audio thread.
// Each active channel is rendered into its own buffer at its sound's rate and
// volume, then the buffers are summed per sample and passed through a soft
// limiter, so any number of loud channels stays inside the 16-bit range.
#include "Game/shell/audio.h"

#include <cmath>
#include <cstring>
#include <vector>

MixChannel mixChannels[kMixChannels];

namespace {

bool audioOpen = false;
SDL_AudioSpec audioSpec;                 // what the device plays (always the requested format)
std::vector<int16_t> mixBuffers;         // kMixChannels buffers of one callback's frames each
int mixBufferFrames = 0;

void ClearChannels()
{
    for (MixChannel& ch : mixChannels) {
        ch.sound = nullptr;
        ch.position = 0.0f;
        ch.loop = 0;
    }
}

// Renders `frames` stereo frames of one channel into out; a one-shot that
// ends zeroes the rest and frees the channel.
void RenderChannel(MixChannel& ch, int16_t* out, int frames)
{
    const SampleData* data = ch.sound->data;
    const uint32_t srcFrames = data->count / 2;
    float rate = ch.sound->rate.load(std::memory_order_relaxed);
    const int volume = ch.sound->volume.load(std::memory_order_relaxed);
    if (!(rate >= 0.0f) || !std::isfinite(rate)) rate = 0.0f;
    const float end = static_cast<float>(srcFrames);
    float pos = ch.position;
    if (!(pos >= 0.0f) || pos >= end) pos = 0.0f;
    const int16_t* s = data->samples;
    for (int f = 0; f < frames; ++f) {
        uint32_t i = static_cast<uint32_t>(pos);
        if (i >= srcFrames) i = srcFrames - 1;  // float rounding at the very end
        out[2 * f] = static_cast<int16_t>((s[2 * i] * volume) >> 7);
        out[2 * f + 1] = static_cast<int16_t>((s[2 * i + 1] * volume) >> 7);
        pos += rate;
        if (pos >= end) {
            if (ch.loop) {
                pos -= end;
                if (pos >= end) pos = std::fmod(pos, end);  // rates above one sample per frame
            } else {
                std::memset(out + 2 * (f + 1), 0, sizeof(int16_t) * 2 * (frames - f - 1));
                ch.sound = nullptr;
                ch.loop = 0;
                pos = 0.0f;
                break;
            }
        }
    }
    ch.position = pos;
}

// Soft limiter: slope 1 at zero, approaching but never reaching +-32768.
inline int16_t Limit(int32_t s)
{
    int32_t v = s >= 0 ? 32768 - (1 << 30) / (s + 32768) : (1 << 30) / (32768 - s) - 32768;
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    return static_cast<int16_t>(v);
}

void MixChunk(int16_t* out, int frames)
{
    int used = 0;
    for (MixChannel& ch : mixChannels) {
        if (!ch.sound || !ch.sound->data || ch.sound->data->count < 2) continue;
        RenderChannel(ch, mixBuffers.data() + static_cast<size_t>(used) * mixBufferFrames * 2, frames);
        ++used;
    }
    if (used == 0) {
        std::memset(out, 0, sizeof(int16_t) * 2 * frames);
        return;
    }
    for (int k = 0; k < frames * 2; ++k) {
        int32_t sum = 0;
        for (int b = 0; b < used; ++b) sum += mixBuffers[static_cast<size_t>(b) * mixBufferFrames * 2 + k];
        out[k] = Limit(sum);
    }
}

}  // namespace

void MixAudio(void*, Uint8* stream, int len)
{
    if (!stream || len <= 0) return;
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    int frames = len / 4;
    if (mixBufferFrames == 0) {
        std::memset(stream, 0, static_cast<size_t>(len));
        return;
    }
    // SDL asks for one buffer's worth; a larger request is mixed in pieces.
    while (frames > 0) {
        int n = frames < mixBufferFrames ? frames : mixBufferFrames;
        MixChunk(out, n);
        out += 2 * n;
        frames -= n;
    }
    if (len % 4) std::memset(stream + (len & ~3), 0, static_cast<size_t>(len % 4));
}

bool AudioIsOpen() { return audioOpen; }

bool OpenAudio()
{
    if (audioOpen) return true;
    SDL_AudioSpec want;
    std::memset(&want, 0, sizeof want);
    want.freq = kAudioRate;
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = kAudioFrames;
    want.callback = MixAudio;
    // The mixer's buffers and channels are ready before SDL starts its audio
    // thread, so the thread sees them without further locking.
    mixBufferFrames = kAudioFrames;
    mixBuffers.assign(static_cast<size_t>(kMixChannels) * mixBufferFrames * 2, 0);
    ClearChannels();
    // Without an "obtained" record SDL converts for us if the hardware differs,
    // so the mixer always works in the requested format.
    if (SDL_OpenAudio(&want, nullptr) < 0) {
        mixBufferFrames = 0;
        mixBuffers.clear();
        return false;
    }
    audioSpec = want;
    audioOpen = true;
    SDL_PauseAudio(0);
    return true;
}

void CloseAudio()
{
    if (!audioOpen) return;
    SDL_PauseAudio(1);
    SDL_CloseAudio();  // joins the audio thread
    audioOpen = false;
    mixBufferFrames = 0;
    mixBuffers.clear();
    mixBuffers.shrink_to_fit();
    ClearChannels();
}
