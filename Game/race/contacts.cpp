// Contacts of a car's body, the ellipsoid with half extents halfSize along
// side, up and forward: one impulse rule (ContactAlong) behind the plane,
// cylinder and sphere primitives, and the contact between two cars.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/settings.h"

#include <cmath>

namespace {

// The point of the car's ellipsoid furthest along dir, relative to its centre.
Vec3 SupportPoint(const CarState& c, const CarDefinition& d, Vec3 dir)
{
    float hx = d.halfSize.x, hy = d.halfSize.y, hz = d.halfSize.z;
    Vec3 m = Normalize(Vec3{hx * Dot(dir, c.side), hy * Dot(dir, c.up), hz * Dot(dir, c.forward)});
    return c.side * (hx * m.x) + c.up * (hy * m.y) + c.forward * (hz * m.z);
}

// Effective mass factor of an impulse J at lever r (the up part of the lever
// mostly removed, as the car's weight sits low).
float EffectiveMass(const CarState& c, Vec3 lever, Vec3 impulse)
{
    Vec3 dir = Normalize(impulse);
    Vec3 perp = lever - dir * Dot(lever, dir);
    return 1.0f / (Dot(perp, perp) * c.accelFactor + 1);
}

Vec3 ReducedLever(const CarState& c, Vec3 r) { return r - c.up * (Dot(r, c.up) * 0.8f); }

// Impact noise, a spark and damage for an impact of energy E at a point.
void Impact(CarState& c, float energy, Vec3 at)
{
    if (!(energy > 50)) return;
    raceState.impactLevel += (energy - 50) * c.mass * 10000;
    EmitParticle(2, 50 - WholeWithin(5000 / (energy + 50), 0, 50), at, c.vel);
    float hurt = settings.damage * energy;
    if (hurt > 5000) {
        float total = c.damage + hurt;
        c.damage = static_cast<uint16_t>(total < 65535 ? total : 65535);
        c.smokeTimer = 0;
    }
}

}  // namespace

Vec3 ContactAlong(int i, Vec3 anchor, Vec3 n, float thickness, const ContactSurface& s)
{
    CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    Vec3 r = SupportPoint(c, d, -n);
    Vec3 vp = c.vel + Cross(r, c.angVel);
    float vc = -Dot(vp, n);
    float p = -Dot(n, r - n * thickness + c.pos - anchor);
    float j = vc * s.bounce - (s.stiffness - 1) * p * s.stiffness * 100;
    if (!(p > 0)) return {};
    // The push out of the surface happens even when the body is already
    // moving away: otherwise a car standing still inside a wall (or beyond
    // the border) would stay there.
    c.pos += n * (p * s.stiffness);
    if (!(j > 0)) return {};
    Vec3 t = -(vp - n * Dot(vp, n));
    float limit = std::sqrt(0.2f * j) * c.speedFactor * s.friction;
    float tl = Length(t);
    if (tl > limit) t = t * (limit / tl);
    Vec3 J = t + n * j;
    Vec3 lever = ReducedLever(c, r);
    float e = EffectiveMass(c, lever, J);
    c.vel += J * e;
    c.angVel += Cross(J, lever) * (e * c.accelFactor);
    Impact(c, Dot(J, J) * e * e, c.pos + r);

    if (s.wheelKind) {
        // Wheels below the surface stand on it.
        Vec3 top = anchor + n * thickness;
        int first = d.shadowPointCount <= kCarRaceShadowPoints ? d.shadowPointCount : kCarRaceShadowPoints;
        for (int w = 0; w < 4; ++w) {
            Vec3& wp = c.points[first + w];
            if (std::fabs(n.y) < 0.01f) continue;
            float h = top.y - (n.x * (wp.x - top.x) + n.z * (wp.z - top.z)) / n.y;
            if (wp.y < h) {
                wp.y = h;
                c.wheelContact[w] = s.wheelKind;
            }
        }
    }
    float load = Dot(c.up, n) * e * std::sqrt(0.2f * j);
    if (load > 0) {
        if (!s.wheelKind) {
            c.bodyLoad += load;
            c.contactWeight -= Dot(c.up, lever) * load;
        } else {
            auto clamp01 = [](float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); };
            float f = clamp01((Dot(c.forward, lever) / d.halfSize.z + 1) / 2);
            float sd = clamp01((Dot(c.side, lever) / d.halfSize.x + 1) / 2);
            c.wheelLoad[0] += f * sd * load;
            c.wheelLoad[1] += f * (1 - sd) * load;
            c.wheelLoad[2] += (1 - f) * sd * load;
            c.wheelLoad[3] += (1 - f) * (1 - sd) * load;
        }
    }
    return J * e;
}

Vec3 ContactPlane(int i, Vec3 point, Vec3 n, float thickness, const ContactSurface& s, bool oneSided)
{
    const CarState& c = cars[i];
    float reach = carDefinitions[i].halfSize.z + thickness;
    float delta = Dot(c.pos - point, n);
    if (delta < 0 && !oneSided) {
        n = -n;
        delta = -delta;
    }
    if (!(delta < reach) || (!oneSided && !(delta > -reach))) return {};
    return ContactAlong(i, point, n, thickness, s);
}

Vec3 ContactCylinder(int i, Vec3 point, Vec3 dir, float rho, const ContactSurface& s)
{
    Vec3 w = cars[i].pos - point;
    Vec3 out = w - dir * Dot(w, dir);
    float len = Length(out);
    if (!(len > 0.0001f)) return {};
    return ContactAlong(i, point, out * (1.0f / len), rho, s);
}

Vec3 ContactSphere(int i, Vec3 centre, float rho, const ContactSurface& s)
{
    Vec3 out = cars[i].pos - centre;
    float len = Length(out);
    if (!(len > 0.0001f)) return {};
    return ContactAlong(i, centre, out * (1.0f / len), rho, s);
}

void CollideCars(int ia, int ib)
{
    CarState& a = cars[ia];
    CarState& b = cars[ib];
    const CarDefinition& da = carDefinitions[ia];
    const CarDefinition& db = carDefinitions[ib];
    Vec3 offset = b.pos - a.pos;
    float dist = Length(offset);
    if (!(dist < da.halfSize.z + db.halfSize.z) || !(dist > 0.0001f)) return;

    // Normal: the sum of both ellipsoids' gradients at the centre offset.
    auto gradient = [&offset](const CarState& c, const CarDefinition& d) {
        float hx = d.halfSize.x, hy = d.halfSize.y, hz = d.halfSize.z;
        return c.side * (Dot(offset, c.side) / (hx * hx)) + c.up * (Dot(offset, c.up) / (hy * hy)) +
               c.forward * (Dot(offset, c.forward) / (hz * hz));
    };
    Vec3 n = Normalize(gradient(a, da) + gradient(b, db));
    if (!(Length(n) > 0.5f)) return;
    Vec3 ra = SupportPoint(a, da, n), rb = SupportPoint(b, db, -n);
    float separation = Dot(b.pos + rb - a.pos - ra, n);
    Vec3 va = a.vel + Cross(ra, a.angVel), vb = b.vel + Cross(rb, b.angVel);
    float u = Dot(vb - va, n);
    if (!(separation < 0) || !(u < 0)) return;

    float total = a.mass + b.mass;
    a.pos += n * (separation * (b.mass / total));
    b.pos -= n * (separation * (a.mass / total));

    // One impulse P (momentum) for both cars, equal and opposite, through
    // each car's own effective mass at its lever: the closing speed at the
    // levers is reversed with a restitution of one half, and friction (at
    // most the normal impulse) only ever slows the sliding of the two
    // surfaces, so a collision never adds energy.
    Vec3 la = ReducedLever(a, ra), lb = ReducedLever(b, rb);
    auto relative = [&] { return b.vel + Cross(lb, b.angVel) - a.vel - Cross(la, a.angVel); };
    auto apply = [&](Vec3 dir, float amount) {
        Vec3 P = dir * amount;
        a.vel -= P * (1 / a.mass);
        a.angVel -= Cross(P, la) * (a.accelFactor / a.mass);
        b.vel += P * (1 / b.mass);
        b.angVel += Cross(P, lb) * (b.accelFactor / b.mass);
    };
    auto compliance = [&](Vec3 dir) {
        return 1 / (a.mass * EffectiveMass(a, la, dir)) + 1 / (b.mass * EffectiveMass(b, lb, dir));
    };
    float closing = Dot(relative(), n);
    if (!(closing < 0)) return;
    float pn = -1.5f * closing / compliance(n);
    apply(n, pn);
    Vec3 rel = relative();
    Vec3 slide = rel - n * Dot(rel, n);
    float sl = Length(slide);
    float pt = 0;
    if (sl > 0.0001f) {
        Vec3 dir = slide * (-1 / sl);
        pt = sl / compliance(dir);
        if (pt > pn) pt = pn;
        apply(dir, pt);
    }
    // The energy of each car's impact is the square of its velocity change:
    // the normal and the sliding impulse are at right angles.
    float impulse2 = pn * pn + pt * pt;
    Impact(a, impulse2 / (a.mass * a.mass), a.pos + ra);
    Impact(b, impulse2 / (b.mass * b.mass), b.pos + rb);
}
