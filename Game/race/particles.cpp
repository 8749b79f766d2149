// Effect particles and the volume law of the skid and impact sounds.
#include "Game/race/race.h"

#include "Game/shell/settings.h"

#include <cmath>

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
    if (!(level > 0) || setting <= 0) return 0;
    double l = level < 1e8f ? level : 1e8;
    double a = -10000.0 + 1000.0 * std::log10(1.0 + setting * l);
    int volume = static_cast<int>(128.0 * std::pow(10.0, a / 2000.0) + 0.5);
    return volume < 128 ? volume : 128;  // loud levels and settings would pass the mixer's full scale
}
