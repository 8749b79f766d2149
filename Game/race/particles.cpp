// Effect particles and the volume law of the skid and impact sounds.
#include "Game/race/race.h"

#include "Game/shell/audio.h"
#include "Game/shell/settings.h"

void EmitParticle(int kind, int life, Vec3 position, Vec3 velocity)
{
    // The "Effects" setting is the ring's length; 0 turns particles off.
    int ring = settings.effects < kParticleCount ? settings.effects : kParticleCount;
    if (ring <= 0 || life <= 0) return;
    if (raceState.particleNext >= ring) raceState.particleNext = 0;
    Particle& p = raceState.particles[raceState.particleNext];
    p.kind = static_cast<uint8_t>(kind);
    p.life = static_cast<uint8_t>(life > 255 ? 255 : life);
    p.position = position;
    p.velocity = velocity;
    raceState.particleNext = static_cast<uint16_t>((raceState.particleNext + 1) % ring);
}

int EffectVolume(int setting, float level)
{
    // The mixer's own law, so the race's sounds and the mixer agree to the
    // step: the logarithm is truncated before the volume is taken.
    int volume = VolumeFromAttenuation(VolumeAttenuation(setting, level));
    return volume < 128 ? volume : 128;  // loud levels and settings would pass the mixer's full scale
}
