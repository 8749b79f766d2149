// The sound registry (1-based ids, 0 = none, freed slots reused), WAV loading
// and conversion to the device format, playing and stopping, the sound-set and
// engine-sound loaders and the decibel volume rule.
// Changes to the channel table and frees of sample data happen under the SDL
// audio lock, so the mixer callback never reads a half-made channel or freed
// samples; rate and volume are atomics read once per callback.
#include "Game/shell/audio.h"

#include "Game/shell/shell.h"
#include "trackfile/byte_io.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int effectSounds[kEffectSoundCount];
int engineSounds[kEngineSlots];

namespace {

std::vector<Sound*> registry;

// Largest WAV file accepted; keeps a bogus file from forcing a huge allocation.
constexpr size_t kMaxWavBytes = 64u << 20;
constexpr uint64_t kMaxConvertedBytes = 256u << 20;  // converted sample data of one sound
constexpr int kMinWavRate = 4000, kMaxWavRate = 192000;  // sample rates accepted, Hz

const char* const kEffectFiles[kEffectSoundCount] = {"skid.wav", "damage.wav", "ding.wav", "yeah.wav", "fuel.wav"};

struct AudioLock {
    AudioLock() { SDL_LockAudio(); }
    ~AudioLock() { SDL_UnlockAudio(); }
};

void DropSampleData(SampleData* data)
{
    if (--data->refs > 0) return;
    std::free(data->samples);
    delete data;
}

// Puts a sound into the first empty slot, else at the end; returns its id.
int Register(Sound* sound)
{
    for (size_t i = 0; i < registry.size(); ++i) {
        if (!registry[i]) {
            registry[i] = sound;
            return static_cast<int>(i) + 1;
        }
    }
    registry.push_back(sound);
    return static_cast<int>(registry.size());
}

// Takes ownership of `samples` (malloc'd) and registers a full-level Sound.
int RegisterSamples(int16_t* samples, uint32_t count)
{
    SampleData* data = new SampleData;
    data->samples = samples;
    data->count = count;
    data->refs = 1;
    Sound* sound = new Sound;
    sound->data = data;
    return Register(sound);
}

// A RIFF/WAVE file whose every chunk lies inside the file and that has a
// format and a data chunk. SDL trusts chunk lengths; checking them first keeps
// a truncated or forged header from driving its allocations.
bool WavChunksFit(const uint8_t* data, size_t size)
{
    ByteReader r = MakeReader(data, size);
    uint32_t riff = ReadU32(r);
    ReadU32(r);
    uint32_t wave = ReadU32(r);
    if (r.failed || riff != 0x46464952u || wave != 0x45564157u) return false;  // "RIFF", "WAVE"
    bool haveFormat = false, haveData = false;
    while (ReaderRemaining(r) >= 8) {
        uint32_t id = ReadU32(r);
        uint32_t length = ReadU32(r);
        if (length > ReaderRemaining(r)) return false;
        if (id == 0x20746d66u) haveFormat = length >= 16;  // "fmt "
        if (id == 0x61746164u) haveData = length > 0;      // "data"
        ReaderSkip(r, length);
        if (length & 1) ReaderSkip(r, ReaderRemaining(r) ? 1 : 0);  // chunks are word-aligned
    }
    return haveFormat && haveData;
}

// A plain name of a set, car or file: no path separators, not "." or "..".
bool PlainName(const char* name)
{
    if (!name || !*name || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    return !std::strchr(name, '/') && !std::strchr(name, '\\');
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The entry of `dir` named `name`, matched exactly or else without regard to case.
std::string FindEntry(const std::string& dir, const char* name)
{
    std::string exact = dir + "/" + name;
    if (Exists(exact)) return exact;
    DIR* d = opendir(dir.c_str());
    if (!d) return exact;
    std::string found = exact;
    while (dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name) == 0) {
            found = dir + "/" + e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

// "sounds/<set>/<file>", each part looked up without regard to case when absent.
int LoadFromSet(const char* set, const char* file)
{
    if (!PlainName(set) || !PlainName(file)) return 0;
    return LoadSound(FindEntry(FindEntry("sounds", set), file).c_str());
}

}  // namespace

int LoadSound(const char* path)
{
    if (!AudioIsOpen() || !path) return 0;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxWavBytes)) return 0;
    return LoadSoundFromMemory(bytes.data(), bytes.size());
}

int LoadSoundFromMemory(const uint8_t* data, size_t size)
{
    if (!AudioIsOpen() || !data || size > kMaxWavBytes || !WavChunksFit(data, size)) return 0;

    SDL_AudioSpec spec;
    Uint8* wav = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw || !SDL_LoadWAV_RW(rw, 1, &spec, &wav, &length)) return 0;
    // SDL converts 1, 2, 4 and 6 channels to stereo; others it would pass through garbled.
    bool channelsOk = spec.channels == 1 || spec.channels == 2 || spec.channels == 4 || spec.channels == 6;
    SDL_AudioCVT cvt;
    // SDL reaches the device rate by repeated doubling, so a tiny rate would
    // multiply the buffer many times over; such files are not sounds.
    bool rateOk = spec.freq >= kMinWavRate && spec.freq <= kMaxWavRate;
    if (length == 0 || !channelsOk || !rateOk ||
        SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16LSB, 2, kAudioRate) < 0 ||
        static_cast<uint64_t>(length) * static_cast<uint64_t>(cvt.len_mult) > kMaxConvertedBytes) {
        SDL_FreeWAV(wav);
        return 0;
    }
    cvt.len = static_cast<int>(length);
    cvt.buf = static_cast<Uint8*>(std::malloc(static_cast<size_t>(length) * static_cast<size_t>(cvt.len_mult)));
    if (!cvt.buf) {
        SDL_FreeWAV(wav);
        return 0;
    }
    std::memcpy(cvt.buf, wav, length);
    SDL_FreeWAV(wav);
    if (SDL_ConvertAudio(&cvt) < 0 || cvt.len_cvt < 4) {
        std::free(cvt.buf);
        return 0;
    }
    uint32_t count = static_cast<uint32_t>(cvt.len_cvt / 4) * 2;  // whole stereo frames
    return RegisterSamples(reinterpret_cast<int16_t*>(cvt.buf), count);
}

int CreateSound(const int16_t* samples, uint32_t count)
{
    count &= ~1u;
    if (!samples || count < 2) return 0;
    int16_t* copy = static_cast<int16_t*>(std::malloc(sizeof(int16_t) * count));
    if (!copy) return 0;
    std::memcpy(copy, samples, sizeof(int16_t) * count);
    return RegisterSamples(copy, count);
}

int SoundCount() { return static_cast<int>(registry.size()); }

Sound* SoundById(int id)
{
    if (id < 1 || id > static_cast<int>(registry.size())) return nullptr;
    return registry[static_cast<size_t>(id) - 1];
}

int ShareSound(int id)
{
    Sound* source = SoundById(id);
    if (!source) return 0;
    source->data->refs++;
    Sound* copy = new Sound;
    copy->data = source->data;
    copy->rate.store(0.0f);
    copy->volume.store(0);
    return Register(copy);
}

// Empties every channel playing sound (every channel when sound is null),
// under the audio lock so the mixer never reads a half-cleared channel.
static void StopChannels(const Sound* sound)
{
    AudioLock lock;
    for (MixChannel& ch : mixChannels) {
        if (!sound || ch.sound == sound) {
            ch.sound = nullptr;
            ch.position = 0.0f;
            ch.loop = 0;
        }
    }
}

void ReleaseSound(int id)
{
    Sound* sound = SoundById(id);
    if (!sound) return;
    StopChannels(sound);
    registry[static_cast<size_t>(id) - 1] = nullptr;
    DropSampleData(sound->data);
    delete sound;
}

void ReleaseAllSounds()
{
    StopChannels(nullptr);
    for (Sound* sound : registry) {
        if (!sound) continue;
        DropSampleData(sound->data);
        delete sound;
    }
    registry.clear();
    for (int& id : effectSounds) id = 0;
    for (int& id : engineSounds) id = 0;
}

void PlaySound(int id, bool loop)
{
    Sound* sound = SoundById(id);
    if (!sound || !AudioIsOpen()) return;
    AudioLock lock;
    for (MixChannel& ch : mixChannels) {
        if (!ch.sound) {
            ch.sound = sound;
            ch.loop = loop ? 1 : 0;
            ch.position = 0.0f;
            return;
        }
    }
}

void StopSound(int id)
{
    Sound* sound = SoundById(id);
    if (!sound) return;
    StopChannels(sound);
}

void SetSoundRate(int id, float rate)
{
    Sound* sound = SoundById(id);
    if (!sound) return;
    if (!std::isfinite(rate) || rate < 0.0f) rate = 0.0f;
    sound->rate.store(rate, std::memory_order_relaxed);
}

void SetSoundVolume(int id, int volume)
{
    Sound* sound = SoundById(id);
    if (!sound) return;
    sound->volume.store(volume < 0 ? 0 : volume > 128 ? 128 : volume, std::memory_order_relaxed);
}

// The level is capped at 10^8 as the race caps its skid and impact levels; the
// logarithm is truncated before the offset, so setting 80 gives -97 (volume 114).
int VolumeAttenuation(int setting, double level)
{
    if (!(level > 0.0) || setting <= 0) return -10000;
    if (level > 1e8) level = 1e8;
    return static_cast<int>(1000.0 * std::log10(1.0 + setting * level)) - 10000;
}

int VolumeFromAttenuation(int attenuation)
{
    int v = static_cast<int>(128.0 / std::pow(10.0, -attenuation / 2000.0) + 0.5);
    return v < 0 ? 0 : v > 128 ? 128 : v;
}

void SetSoundAttenuation(int id, int attenuation) { SetSoundVolume(id, VolumeFromAttenuation(attenuation)); }

void SetVolumeFromLevel(int id, int setting, double level)
{
    SetSoundAttenuation(id, VolumeAttenuation(setting, level));
}

void LoadSoundSet(const char* name)
{
    EnterBaseDirectory();
    for (int k = 0; k < kEffectSoundCount; ++k) {
        ReleaseSound(effectSounds[k]);
        int id = LoadFromSet(name, kEffectFiles[k]);
        if (id == 0) id = LoadFromSet("default", kEffectFiles[k]);
        effectSounds[k] = id;
    }
}

void LoadEngineSounds(const char* name, const EngineCar cars[kEngineSlots])
{
    for (int& id : engineSounds) {
        ReleaseSound(id);
        id = 0;
    }
    if (!AudioIsOpen() || !cars) return;
    EnterBaseDirectory();
    int genericSlot = -1;  // first slot that loaded the set's generic engine
    for (int i = 0; i < kEngineSlots; ++i) {
        if (cars[i].definition < 0) continue;
        for (int j = 0; j < i && !engineSounds[i]; ++j) {
            if (cars[j].definition == cars[i].definition && engineSounds[j]) engineSounds[i] = ShareSound(engineSounds[j]);
        }
        if (!engineSounds[i] && cars[i].name) {
            std::string file = std::string(cars[i].name) + ".wav";
            engineSounds[i] = LoadFromSet(name, file.c_str());
        }
        if (engineSounds[i]) continue;
        if (genericSlot >= 0) {
            engineSounds[i] = ShareSound(engineSounds[genericSlot]);
        } else {
            engineSounds[i] = LoadFromSet(name, "engine.wav");
            if (!engineSounds[i]) engineSounds[i] = LoadFromSet("default", "engine.wav");
            if (engineSounds[i]) genericSlot = i;
        }
    }
}
