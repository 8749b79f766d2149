// Effect particles: each live slot of the race's ring moves by its kind's
// motion once per simulation step and is drawn as one disc or a small cloud
// of discs. Randomness comes only from the race's random table, so a replay
// looks the same each time.
#include <cmath>

#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

constexpr float kGravityStep = -20.0f / 100;

// Palette entry and world radius of each kind's discs (0-8 effects, 9-13
// rockets, 14-18 the sparks of the rockets).
constexpr uint8_t kKindColour[19] = {20, 181, 245, 157, 161, 165, 174, 28, 24,
                                     245, 245, 245, 245, 245, 243, 244, 245, 247, 242};
// Rockets and sparks are seen over the whole track, so they are larger.
constexpr float kKindRadius[19] = {0.25f, 0.12f, 0.08f, 0.12f, 0.12f, 0.15f, 0.15f, 0.15f, 0.3f,
                                   0.6f,  0.6f,  0.6f,  0.6f,  0.6f,  0.45f, 0.45f, 0.45f, 0.45f, 0.45f};

float Rand() { return viewRandom(); }

void Jitter(Vec3& v, float a, float b)
{
    v.x += (Rand() * 2 - 1) * a;
    v.z += (Rand() * 2 - 1) * a;
    v.y += Rand() - b;
}

void Falling(Vec3& v)
{
    v = v * 0.98f;
    v.y += kGravityStep;
}

// Ten sparks of a burst rocket into the ring from the cursor on.
void Burst(const ViewParticle& rocket, int pool)
{
    for (int k = 0; k < 10; ++k) {
        if (viewRace.particleNext >= pool) viewRace.particleNext = 0;
        ViewParticle& s = viewRace.particles[viewRace.particleNext];
        s.kind = static_cast<uint8_t>(rocket.kind + 5);
        s.life = 255;
        s.position = rocket.position;
        s.velocity = rocket.velocity + Vec3{(Rand() * 2 - 1) * 15, (Rand() * 2 - 1) * 15, (Rand() * 2 - 1) * 15};
        viewRace.particleNext = static_cast<uint16_t>((viewRace.particleNext + 1) % pool);
    }
}

// One step of a particle's motion; false when the slot was freed.
bool Move(ViewParticle& p, int pool)
{
    float water = trackMaps.waterHeight;
    bool under = p.position.y < water;
    switch (p.kind) {
    case 0: p.velocity = p.velocity * 0.95f; Jitter(p.velocity, 1, 0.2f); break;
    case 1:
        if (under) {
            p.position.y = water;
            p.velocity = {};
        } else {
            Falling(p.velocity);
        }
        break;
    case 2: p.velocity = p.velocity * 0.95f; Jitter(p.velocity, 3, 0.2f); break;
    case 3: p.velocity = p.velocity * 0.95f; Jitter(p.velocity, 1, 0.3f); break;
    case 4: p.velocity = p.velocity * 0.95f; p.velocity.y += kGravityStep; break;
    case 5: case 6: p.velocity = p.velocity * 0.95f; Jitter(p.velocity, 1, 0.5f); break;
    case 7: p.velocity = p.velocity * 0.9f; Jitter(p.velocity, 1, 0.5f); break;
    case 8: Falling(p.velocity); break;
    case 9: case 10: case 11: case 12: case 13: p.velocity.y += kGravityStep; break;
    default: Falling(p.velocity); break;
    }
    // Effects that sink under the water are gone.
    if (under && p.kind >= 3 && p.kind <= 8) {
        p.life = 0;
        return false;
    }
    p.position += p.velocity * 0.01f;
    --p.life;
    if (p.life == 0 && p.kind >= 9 && p.kind <= 13) Burst(p, pool);
    return p.life != 0;
}

void Cloud(ViewPoint c, int count, float spread, uint8_t colour, float radius)
{
    for (int k = 0; k < count; ++k) {
        float angle = Rand() * 6.2831853f;
        float dist = Rand() * spread;
        ViewPoint p = c;
        p.x += std::cos(angle) * dist;
        p.y += std::sin(angle) * dist;
        FillDisc(p, radius, colour, false);
    }
}

void Draw(const ViewParticle& p)
{
    ViewPoint c = ProjectPoint(p.position);
    if (!c.valid) return;
    float s = viewTarget.scale / c.z;
    int kind = p.kind < 19 ? p.kind : 0;
    uint8_t colour = kKindColour[kind];
    float r = kKindRadius[kind];
    int life = p.life;
    int rootCount = static_cast<int>(std::sqrt(static_cast<float>(life))) + 1;
    bool under = p.position.y < trackMaps.waterHeight;
    switch (kind) {
    case 0: if (under) FillDisc(c, r, colour, false); else Cloud(c, rootCount, (100 - life) * 0.3f * s * 0.05f, colour, r); break;
    case 1: Cloud(c, under ? 1 : rootCount, (130 - life) * 0.3f * s * 0.05f, colour, r); break;
    case 2: if (under) FillDisc(c, r, colour, false); else Cloud(c, rootCount, (50 - life) * 0.01f * s, colour, r); break;
    case 3: {
        int n = 0;
        while (40 * n * n <= life) ++n;
        Cloud(c, n, 0.8f * s, colour, r);
        break;
    }
    case 4:
        c.x += (Rand() - 0.5f) * s;
        c.y += (Rand() - 0.5f) * s;
        FillDisc(c, r, colour, false);
        break;
    case 5: case 6: case 7: Cloud(c, rootCount, (200 - life) * 0.2f * s * 0.05f, colour, r); break;
    case 8: Cloud(c, rootCount, (100 - life) * 0.01f * s, colour, r); break;
    case 9: case 10: case 11: case 12: case 13: FillDisc(c, r, colour, false); break;
    default: Cloud(c, life / 20 + 1, (7.5f - 150.0f / (275 - life)) * s * 0.2f, colour, r); break;
    }
}

}  // namespace

void DrawParticles(int steps)
{
    int pool = viewOptions.effects < kViewParticles ? viewOptions.effects : kViewParticles;
    if (pool <= 0) return;
    for (int i = 0; i < pool; ++i) {
        ViewParticle& p = viewRace.particles[i];
        if (p.life == 0) continue;
        bool alive = true;
        for (int s = 0; s < steps && alive; ++s) alive = Move(p, pool);
        if (alive && p.life != 0) Draw(p);
    }
}

void MoveParticles(int steps)
{
    int pool = viewOptions.effects < kViewParticles ? viewOptions.effects : kViewParticles;
    for (int i = 0; i < pool; ++i) {
        ViewParticle& p = viewRace.particles[i];
        for (int s = 0; s < steps && p.life != 0; ++s) Move(p, pool);
    }
}
