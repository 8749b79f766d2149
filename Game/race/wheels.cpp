// What sliding wheels leave behind: skid levels and the squeal, dirt, grass,
// sand and snow thrown up, tyre smoke, the marks they paint into the land
// map (which change that ground's grip) and the gravel they sweep aside.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/track/track.h"

#include <cmath>

namespace {

// Ground value a wheel mark raises a cell towards, and the particle kind of
// the class; -1 where there is none.
int MarkTarget(int v)
{
    if (v >= 1 && v <= 7) return 8;
    if (v >= 8 && v <= 15) return 16;
    if (v >= 16 && v <= 19) return 20;
    if (v >= 20 && v <= 23) return 24;
    if (v >= 24 && v <= 27) return 28;
    if (v >= 28 && v <= 31) return 32;
    if (v >= 32 && v <= 35) return 36;
    if (v >= 36 && v <= 39) return 40;
    return -1;
}

int ParticleKind(int v)
{
    if (v >= 1 && v <= 7) return 3;
    if (v >= 8 && v <= 15) return 4;
    if (v >= 16 && v <= 19) return 5;
    if (v >= 20 && v <= 23) return 6;
    if (v >= 24 && v <= 27) return 7;
    if (v >= 28 && v <= 39) return 3;
    return -1;
}

// Gravel strewn over a clean value, and the clean value under strewn gravel.
int Strewn(int v)
{
    if (v == 0) return 40;
    if (v <= 7) return 41;
    if (v <= 15) return 42;
    if (v <= 19) return 43;
    if (v <= 23) return 44;
    if (v <= 27) return v;
    if (v <= 31) return 45;
    if (v <= 35) return 46;
    if (v <= 39) return 47;
    return v;
}

int Clean(int v)
{
    static const uint8_t kClean[8] = {0, 1, 12, 16, 20, 28, 32, 36};
    return v >= 40 && v <= 47 ? kClean[v - 40] : v;
}

uint8_t ToSkid(float v) { return static_cast<uint8_t>(WholeWithin(v, 0, 255)); }

void SetCell(int column, int row, int value)
{
    trackMaps.land[row * kLandSide + column] = static_cast<uint8_t>(value);
    if (raceSeams.redrawLandCell) raceSeams.redrawLandCell(column, row);
}

// The kind-2 skid update (tarmac and bridge decks): squeal and skid level.
float HardSkid(uint8_t& skid, float slip, float load, float ws, float speed)
{
    float k2 = (std::fabs(ws) + 40) * 0.0001f * (speed + 10);
    float p = slip * load;
    float squeal = (p * 0.4f / k2 - 1) * 10000000.0f;
    if (squeal > 0) raceState.skidLevel += squeal;
    skid = ToSkid((skid + (1 - 1 / (p + 1)) * 75) / (k2 + 1));
    return k2;
}

}  // namespace

void StepWheels(int i, float ws, float speed)
{
    CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    int first = d.shadowPointCount <= kCarRaceShadowPoints ? d.shadowPointCount : kCarRaceShadowPoints;
    bool haveLand = trackMaps.land.size() == static_cast<size_t>(kLandCells) && trackMaps.worldScale > 0;
    for (int w = 0; w < 4; ++w) {
        float q = w < 2 ? c.slipFront : c.slipRear;
        float load = c.wheelLoad[w];
        Vec3 at = c.points[first + w];
        uint8_t& skid = c.wheelSkid[w];
        int kind = c.wheelContact[w];
        if (kind == 3) {
            float u = 1 - 1 / ((q * 0.5f + speed * 0.25f) * load + 1);
            skid = ToSkid(u * 30 + skid * 0.98f);
            if (skid > 150) {
                EmitParticle(8, WholeWithin(u * 200, 0, 255), at, c.vel);
                skid -= 150;
            }
        } else if (kind == 2) {
            HardSkid(skid, q, load, ws, speed);
            if (skid > 150) {
                EmitParticle(3, 100, at, c.vel);
                skid -= 150;
            }
        }
        if (kind == 2 || kind == 3) {
            if (raceSeams.markWheel) raceSeams.markWheel(at.x, at.y, at.z, kind, skid / 255.0f);
            continue;
        }
        if (kind != 1 || !haveLand) continue;

        // On the ground: every land cell within 0.2 m of the wheel.
        float scale = trackMaps.worldScale;
        float cx = at.x / scale, cz = at.z / scale, rad = 0.2f / scale;
        // A wheel off the map visits no cell.
        int c0 = WholeWithin(std::floor(cx - rad), 0, kLandSide);
        int c1 = WholeWithin(std::floor(cx + rad), -1, kLandSide - 1);
        int r0 = WholeWithin(std::floor(cz - rad), 0, kLandSide);
        int r1 = WholeWithin(std::floor(cz + rad), -1, kLandSide - 1);
        for (int row = r0; row <= r1; ++row) {
            for (int col = c0; col <= c1; ++col) {
                float dx = (col + 0.5f) - cx, dz = (row + 0.5f) - cz;
                if (dx * dx + dz * dz > (rad + 0.5f) * (rad + 0.5f)) continue;
                int v = trackMaps.land[row * kLandSide + col];
                float u = 0, step = 0;
                int target = MarkTarget(v);
                if (v == 0) {
                    HardSkid(skid, q, load, ws, speed);
                    skid = 0;
                    continue;
                }
                if (v >= 40) {
                    if (load <= 0.001f) continue;
                    // The wheel sweeps its gravel aside onto a nearby cell.
                    float r1n = NextRandom(), r2n = NextRandom();
                    int tc = col + WholeWithin((c.vel.x - c.forward.x * ws) * r1n, -kLandSide, kLandSide);
                    int tr = row + WholeWithin((c.vel.z - c.forward.z * ws) * r2n, -kLandSide, kLandSide);
                    tc = tc < 0 ? 0 : (tc > kLandSide - 1 ? kLandSide - 1 : tc);
                    tr = tr < 0 ? 0 : (tr > kLandSide - 1 ? kLandSide - 1 : tr);
                    if (tc == col && tr == row) continue;
                    int there = trackMaps.land[tr * kLandSide + tc];
                    if (Strewn(there) != there) SetCell(tc, tr, Strewn(there));
                    SetCell(col, row, Clean(v));
                    continue;
                }
                if (v <= 7 || v >= 28) {
                    HardSkid(skid, q, load, ws, speed);
                    u = 1 - 1 / (q * load + 1);
                    step = (1 - 1 / (skid * load * (v >= 28 ? 0.07f : 0.025f) + 1)) * (target - v);
                } else if (v <= 15) {
                    u = 1 - 1 / ((v >= 12 ? q * 3 : q) * load + 1);
                    skid = ToSkid((skid + 25 * u) * 0.95f);
                    step = (1 - 1 / (skid * load * 0.05f + 1)) * (target - v);
                } else {
                    u = 1 - 1 / ((q * 0.5f + speed * 0.25f) * load + 1);
                    skid = ToSkid((skid + 30 * u) * 0.95f);
                    step = (1 - 1 / (skid * 0.007f + 1)) * (target - v);
                }
                int raise = WholeWithin(step, 0, 255);
                if (raise > 0 && v + raise <= target) SetCell(col, row, v + raise);
                if (skid > 150) {
                    int pk = ParticleKind(v);
                    int life = WholeWithin(u * (v >= 8 && v <= 15 ? 50 : 200), 0, 255);
                    Vec3 vel = c.vel + (c.vel - c.forward * ws) * 0.5f + c.up * (10 * NextRandom());
                    if (pk >= 0) EmitParticle(pk, life, at, vel);
                    skid -= 150;
                }
            }
        }
    }
}
