// Audio: one SDL device (44100 Hz, signed 16-bit little-endian, stereo,
// 1024 frames per callback) fed by a 16-channel software mixer, the registry
// of loaded sounds with 1-based ids (0 = none), sound sets under "sounds" with
// "default" as the per-file fallback, and the decibel volume rule.
//
// Threads: the mixer runs on SDL's audio thread. Every operation here runs on
// the main thread; those that change the channel table or free sample data
// hold the SDL audio lock, and a sound's rate and volume are atomics that the
// mixer reads once per callback, so the mixer never sees a torn value or freed
// samples. Without an open device every operation does nothing.
#pragma once
#include <SDL.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr int kMixChannels = 16;     // channels mixed at once
constexpr int kEngineSlots = 6;      // one engine sound per car slot
constexpr int kAudioRate = 44100;    // device rate, frames per second
constexpr int kAudioFrames = 1024;   // frames per callback

// Converted samples of one file, shared by every Sound made from it.
struct SampleData {
    int16_t* samples = nullptr;  // interleaved stereo at the device rate
    uint32_t count = 0;          // 16-bit values (two per frame)
    int refs = 0;                // Sounds using it; freed at 0
};

// A playable sound: its samples, its own pitch and its own level.
struct Sound {
    SampleData* data = nullptr;
    std::atomic<float> rate{1.0f};  // source frames advanced per output frame
    std::atomic<int> volume{128};   // 0..128, 128 = full level
};

// One mixer channel; a free channel has no sound and position 0.
struct MixChannel {
    Sound* sound = nullptr;
    float position = 0.0f;  // current source frame, fractional
    uint32_t loop = 0;      // non-zero: wrap at the end
};

// The effect sounds of a set, in loading order.
enum EffectSound { kSoundSkid, kSoundDamage, kSoundDing, kSoundYeah, kSoundFuel, kEffectSoundCount };

// One car slot's engine for LoadEngineSounds: the catalogue index of its
// definition (-1 = slot unused or without a driver) and the car's name.
struct EngineCar {
    int definition = -1;
    const char* name = nullptr;
};

extern int effectSounds[kEffectSoundCount];  // ids of skid, damage, ding, yeah, fuel (0 = none)
extern int engineSounds[kEngineSlots];       // engine sound id of each car slot (0 = none)
extern MixChannel mixChannels[kMixChannels]; // the channel table the mixer plays

bool OpenAudio();                  // opens the device and starts the mixer; true if open
void CloseAudio();                 // stops and closes the device, clears every channel
bool AudioIsOpen();                // true while the device is open
void MixAudio(void* userdata, Uint8* stream, int len); // the SDL callback: mixes all channels into stream

int LoadSound(const char* path);   // loads and converts a WAV file; its id, 0 on failure or without audio
int LoadSoundFromMemory(const uint8_t* data, size_t size); // the same from a WAV file's bytes
int CreateSound(const int16_t* samples, uint32_t count); // registers converted stereo samples; id or 0
int ShareSound(int id);            // new Sound on the same samples, rate 0 and volume 0; 0 if id invalid
void ReleaseSound(int id);         // stops and drops a sound; its samples go with their last user
void ReleaseAllSounds();           // releases every sound and empties the registry
int SoundCount();                  // registry length (ids run 1..SoundCount, empty slots included)
Sound* SoundById(int id);          // the Sound of an id, nullptr if invalid or empty

void PlaySound(int id, bool loop); // starts the sound on the lowest free channel; nothing if all are busy
void StopSound(int id);            // frees every channel playing the sound
void SetSoundRate(int id, float rate);       // playback rate (negative or non-finite becomes 0)
void SetSoundVolume(int id, int volume);     // volume, clamped to 0..128

int VolumeAttenuation(int setting, double level);  // 1000 x log10(1 + setting x level) truncated, minus 10000
int VolumeFromAttenuation(int attenuation);       // 128 x 10^(attenuation / 2000), rounded
void SetSoundAttenuation(int id, int attenuation); // volume from hundredths of a decibel (-10000 silences)
void SetVolumeFromLevel(int id, int setting, double level); // the volume rule for a setting and a level

void LoadSoundSet(const char* name);  // the five effect sounds, each falling back to "default"
void LoadEngineSounds(const char* name, const EngineCar cars[kEngineSlots]); // per-slot engines, shared per model
