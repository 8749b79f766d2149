// The car step: a rigid body driven by a one-degree-of-freedom drivetrain
// (wheelSpeed) and a tyre model whose longitudinal and lateral forces are
// bounded by a friction ellipse. Grip comes from the ground under each wheel
// and from the loads that the previous step's contacts found. The contacts
// themselves are in contacts.cpp and object_contacts.cpp, the wheel marks
// and particles in wheels.cpp.
//
// Forces here are velocity changes per 10 ms step; a point at lever r moves
// with cross(r, angVel), and an impulse J at r adds cross(J, r) to the spin.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/shell/audio.h"
#include "Game/shell/settings.h"
#include "Game/track/track.h"

#include <cmath>

namespace {

constexpr float kGravityPerStep = 20.0f / 100.0f;
constexpr float kLimiterSpeed = 15.0f;  // m/s, the pit lane's limit

// Entries (lo, hi) of the grip and rolling tables and the first value and
// width of each range of ground values 1-39.
struct GroundRange {
    int first, width, lo, hi;
};

GroundRange RangeOf(int v)
{
    if (v <= 7) return {1, 6, 1, 2};
    if (v <= 15) return {8, 7, 3, 4};
    if (v <= 19) return {16, 3, 5, 6};
    if (v <= 23) return {20, 3, 7, 8};
    if (v <= 27) return {24, 3, 9, 10};
    return {28 + (v - 28) / 4 * 4, 3, 11, 12};  // white line, yellow line, kerb
}

int TimeTrialEntry(int v)
{
    if (v == 0) return 0;
    if (v >= 40) return 6;
    return RangeOf(v).hi;
}

Vec3 Rotate(Vec3 v, Vec3 axis, float c, float s)
{
    return v * c - Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

int ShadowCount(const CarDefinition& d)
{
    return d.shadowPointCount <= kCarRaceShadowPoints ? d.shadowPointCount : kCarRaceShadowPoints;
}

// Throttle (-100..100, 1 = rolling) and steering (-1..1) of this step.
void ReadControls(int i, int& throttle, float& steering)
{
    CarState& c = cars[i];
    throttle = 1;
    steering = 0;
    if (raceState.phase >= RacePhase::RunOut) {
        throttle = 0;
        return;
    }
    if (c.flipTimer >= kFlipped) {
        // On its roof: the car rights itself.
        float n = std::sqrt(c.up.z * c.up.z + c.up.x * c.up.x);
        if (n <= 0.001f) {
            c.angVel -= c.forward;
        } else {
            c.angVel.x += c.up.z / n;
            c.angVel.z -= c.up.x / n;
        }
        if (c.up.y > 0) c.flipTimer = 0;
        return;
    }
    if (c.driverType == 0) {
        if (raceSeams.aiDrive) raceSeams.aiDrive(i, throttle, steering);
        return;
    }
    if (c.controlLock > 0) {
        --c.controlLock;
        return;
    }
    CarInput in;
    if (raceClockHooks.controls) {
        raceClockHooks.controls(i, in);
    } else {
        in.accelerate = ControlValue(c.keys[0], c.controls[0]);
        in.brake = ControlValue(c.keys[1], c.controls[1]);
        in.left = ControlValue(c.keys[2], c.controls[2]);
        in.right = ControlValue(c.keys[3], c.controls[3]);
    }
    throttle = in.accelerate - in.brake;
    if (throttle >= -10 && throttle <= 10) throttle = 1;
    steering = static_cast<float>(in.left - in.right) / 100.0f;
}

// The wheel-speed limit: the car's top speed, and 15 m/s besides while the
// pit-lane limiter is on (a car slower than that keeps its own limit).
float WheelLimit(const CarState& c, const CarDefinition& d)
{
    return c.limiterOn && d.topSpeed > kLimiterSpeed ? kLimiterSpeed : d.topSpeed;
}

// The drivetrain: the new wheel speed; driven tells whether the engine pulled.
float Drivetrain(const CarState& c, const CarDefinition& d, int throttle, float vF, bool& driven)
{
    float ws = c.wheelSpeed;
    bool engineWorks = c.smokeTimer >= 10;  // a damaged engine misfires while its smoke timer runs
    driven = false;
    if (throttle >= 2 && engineWorks) {
        float add = c.fuel > 0 ? (static_cast<float>(throttle - 1) / 99.0f * 147.1f) * d.enginePower / c.mass : 14.71f;
        ws = std::sqrt(ws * ws + (add > 0 ? add : 0));
        driven = true;
    } else if (throttle < 0 && vF * 9.25f > 2) {
        ws = vF * 0.25f - static_cast<float>(-throttle) / 100.0f * 2;
    } else if (throttle < 0 && engineWorks) {
        ws = -std::sqrt(ws * ws + static_cast<float>(-throttle) / 100.0f * 14.71f);
        driven = true;
    } else if (throttle <= 0) {
        if (vF * 9.25f > 2)
            ws = vF * 0.25f - 2;
        else if (vF * 9.25f <= -2)
            ws = vF * 0.25f + 2;
        else
            ws = -9 * vF;
    } else {
        // Rolling (also a misfiring engine asked for throttle).
        if (vF * 9.9f > 0.5f)
            ws = vF * 0.9f - 0.5f;
        else if (vF * 9.9f <= -0.5f)
            ws = vF * 0.9f + 0.5f;
        else
            ws = -9 * vF;
    }
    float limit = WheelLimit(c, d);
    if (ws > limit) ws = limit;
    if (ws < -limit) ws = -limit;
    return ws;
}

void SetEngineSound(int i, float e, bool driven)
{
    const CarState& c = cars[i];
    int id = engineSounds[i];
    if (!id || !raceState.raceRunning) return;
    bool underWater = trackMaps.waterHeight > c.pos.y;
    float rate = static_cast<float>(WholeWithin(e * (underWater ? 5000.0f : 10000.0f), 0, 1 << 24)) / 22050.0f;
    SetSoundRate(id, rate);
    int attenuation = driven ? static_cast<int>(engineVolumeBase) - 10000
                             : static_cast<int>(0.93f * engineVolumeBase) - 10000;
    SetSoundAttenuation(id, attenuation);
}

// Air drag and downforce, water lift and splashes.
void AirAndWater(int i, float speed)
{
    CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    float h = d.halfSize.y;
    float y0 = TerrainHeight(c.pos.x, c.pos.z);
    float water = trackMaps.waterHeight;
    Vec3 resist = c.vel * d.drag + c.up * d.downforce;
    if (water <= y0 || water < c.pos.y - h) {
        c.vel -= resist * (speed / c.mass / 100.0f);
        return;
    }
    for (uint8_t& s : c.wheelSkid) s = 0;
    if (water >= c.pos.y + h) {
        c.vel -= resist * (9 * speed / c.mass / 100.0f);
        return;
    }
    // Partly under water: the drag works on the velocity with this step's lift.
    float w = (water - c.pos.y) / h;
    float lift = Dot(c.vel, c.vel) * (1 - w * w) * 8 * d.drag / c.mass / 100.0f;
    c.vel.y += lift;
    float hx = d.halfSize.x, hy = d.halfSize.y, hz = d.halfSize.z;
    Vec3 m = c.side * (hx * hx * c.side.y) + c.up * (hy * hy * c.up.y) + c.forward * (hz * hz * c.forward.y);
    float ml = Length(m) + 0.001f;
    c.angVel.x -= m.z / ml * lift * c.accelFactor;
    c.angVel.z += m.x / ml * lift * c.accelFactor;
    if (c.splashTimer * lift > 1.5f) {
        EmitParticle(1, 100, Vec3{c.pos.x, water, c.pos.z}, Vec3{c.vel.x, 30 * lift * NextRandom(), c.vel.z});
        c.splashTimer = 0;
    } else if (c.splashTimer < 255) {
        ++c.splashTimer;
    }
    c.vel -= (c.vel * d.drag + c.up * d.downforce) * ((4 * w + 5) * speed / c.mass / 100.0f);
}

// Friction on the terrain under the centre: the rolling table, read like the grip.
float GroundRolling(const CarState& c, const CarDefinition& d)
{
    int v = GroundAt(c.pos.x, c.pos.z);
    return v >= 40 ? d.rolling[13] : GroundGrip(d.rolling, v, raceState.carCount == 1);
}

}  // namespace

float GroundGrip(const float table[14], int v, bool timeTrial)
{
    if (v <= 0) return table[0];
    if (v >= 40) return timeTrial ? table[6] : table[13];
    if (timeTrial) return table[TimeTrialEntry(v)];
    GroundRange g = RangeOf(v);
    return table[g.lo] + (table[g.hi] - table[g.lo]) * static_cast<float>(v - g.first) / static_cast<float>(g.width);
}

void StepCar(int i)
{
    CarState& c = cars[i];
    const CarDefinition& d = carDefinitions[i];
    const int shadows = ShadowCount(d);
    float speed = Length(c.vel);
    float vF = Dot(c.vel, c.forward);

    // Mass and loads.
    c.mass = d.mass + c.fuel * static_cast<float>(settings.fuelMass) / 65536.0f;
    c.accelFactor = 1200.0f / (c.mass + 200.0f);
    float loadSum = c.wheelLoad[0] + c.wheelLoad[1] + c.wheelLoad[2] + c.wheelLoad[3] + c.bodyLoad;
    if (loadSum > 0.000001f) c.contactWeight /= loadSum;
    c.bodyLoad *= d.grip[7];

    // Grip per wheel, from what the wheel stood on.
    bool timeTrial = raceState.carCount == 1;
    for (int w = 0; w < 4; ++w) {
        float grip;
        if (c.wheelContact[w] == 2)
            grip = d.grip[1];
        else if (c.wheelContact[w] == 3)
            grip = d.grip[9];
        else
            grip = GroundGrip(d.grip, GroundAt(c.points[shadows + w].x, c.points[shadows + w].z), timeTrial);
        c.wheelLoad[w] *= grip;
    }
    float t = 0.64f + 0.36f * c.tyres / 65536.0f;
    float wheelSum = c.wheelLoad[0] + c.wheelLoad[1] + c.wheelLoad[2] + c.wheelLoad[3];
    float gLat = ((c.wheelLoad[0] + c.wheelLoad[1]) * 2 + c.bodyLoad) * d.steerGrip * t * 0.45f + 0.2f;
    float g = (wheelSum + c.bodyLoad) * t;
    if (c.driverType == 0 && c.aiSkill > 100) {
        gLat *= c.aiSkill / 100.0f;
        g *= c.aiSkill / 100.0f;
    }
    float s2 = g + gLat;
    if (s2 <= 2 * c.traction)
        c.traction = 0.98f * c.traction + 0.01f * s2;
    else
        c.traction = 0.02f * c.traction + 0.49f * s2;

    if (c.up.y < -0.7f) c.flipTimer = kFlipped;
    int throttle;
    float steering;
    ReadControls(i, throttle, steering);

    // Fuel and damage.
    int burnt = WholeWithin(settings.fuelConsumption * speed / 100.0f, 0, 65535);
    c.fuel = static_cast<uint16_t>(c.fuel > burnt ? c.fuel - burnt : 0);
    steering += (4 * NextRandom() - 2) * c.damage / 65536.0f;
    float e = (50 + 4 * std::fabs(c.wheelSpeed)) / d.topSpeed;
    if (c.damage < 5000) {
        c.smokeTimer = 10;
    } else if (c.smokeTimer > 0) {
        --c.smokeTimer;
    } else {
        EmitParticle(0, 100, c.pos - c.forward * d.halfSize.z, c.vel);
        float next = (4 * NextRandom() + 2) * 655350.0f / (c.damage * e);
        c.smokeTimer = static_cast<uint8_t>(WholeWithin(next, 0, 255));
    }

    bool driven;
    float ws = Drivetrain(c, d, throttle, vF, driven);
    SetEngineSound(i, e, driven);

    // Tyre forces, bounded by the friction ellipse.
    float fLat = 0;
    if (g > 0.0001f) {
        float a = ws - vF;
        float k = std::fabs((a * 0.1f + vF) * d.slipStiffness);
        float b = -Dot(c.vel, c.side);
        float s = 1;
        float bk = b / (1 + k), a10 = a / 10;
        if (bk * bk + a10 * a10 > g * g) {
            s = 2;
            for (float h = 0.25f; h > 0.0001f; h *= 0.5f) {
                float x = a / (s + 9), y = b / (s + k);
                s = x * x + y * y <= g * g ? s / (1 + h * s) : s / (1 - h * s);
            }
        }
        float fLong = a / (s + 9);
        fLat = b / (s + k);
        ws -= 9 * fLong;
        float q = (s - 1) * 0.1f;
        c.slipRear = q;
        c.slipFront = driven ? q * std::fabs(fLat) / g : q;
        float wear = settings.tyreWear * 0.00002f * (c.slipFront + q) * g * g + 1;
        c.tyres = static_cast<uint16_t>(WholeWithin(static_cast<float>(c.tyres) / wear, 0, 65535));
        c.vel += c.forward * fLong + c.side * fLat;
        c.angVel += (c.side * fLong - c.forward * fLat) * (c.contactWeight * c.accelFactor);
    } else {
        c.slipFront = c.slipRear = 0;
    }
    if (c.limiterOn) {
        // The road would spin limited wheels back up towards the car's speed;
        // the limiter holds them, so a fast car entering the pit lane brakes.
        float limit = WheelLimit(c, d);
        ws = ws > limit ? limit : (ws < -limit ? -limit : ws);
    }
    c.wheelSpeed = ws;

    // Steering torque.
    float sigma = steering, torque;
    float af = c.accelFactor, lever = af / (15 - af);
    if (!settings.goofyReverse) {
        float f0 = fLat;
        if (speed < 5) f0 *= speed / 5;
        float r = (speed * speed - vF * vF) * 0.2f;
        float f = (r + vF) / (r + 5);
        if (f < -1)
            sigma = -sigma;
        else if (f < 1)
            sigma *= f;
        if (c.driverType == 0 && f < 0) sigma = -sigma;
        torque = (sigma * gLat * 2 + f0) * 5 * lever;
    } else {
        torque = (sigma * gLat * 2 + fLat) * lever * (speed >= 5 ? 5 : speed);
    }
    c.angVel += c.up * torque;
    // Spin damping: the spin about up loses accelFactor / 15 per step, the rest 8 %.
    float y = Dot(c.angVel, c.up) * (0.08f - af / 15);
    c.angVel = c.angVel * 0.92f + c.up * y;

    StepWheels(i, ws, speed);

    // Integration.
    Vec3 previousPos = c.pos;
    c.pos += c.vel * 0.01f;
    float spin = Length(c.angVel);
    if (spin > 0.0001f) {
        Vec3 axis = c.angVel * (1.0f / spin);
        float theta = spin / 100, co = std::cos(theta), si = std::sin(theta);
        c.side = Rotate(c.side, axis, co, si);
        c.up = Rotate(c.up, axis, co, si);
        c.forward = Rotate(c.forward, axis, co, si);
        // Keep the frame orthonormal against rounding over long races.
        c.forward = Normalize(c.forward);
        c.side = Normalize(Cross(c.up, c.forward));
        c.up = Cross(c.forward, c.side);
    }

    MoveMovableObjects();
    AirAndWater(i, speed);
    c.vel.y -= kGravityPerStep;

    // Contact points and loads for this step's contacts.
    for (int w = 0; w < 4; ++w) {
        const Vec3 l = d.wheels[w];
        c.points[shadows + w] = c.pos + c.side * l.x + c.up * l.y + c.forward * l.z;
        c.points[shadows + w].y = 0;
        c.wheelLoad[w] = 0;
        c.wheelContact[w] = 0;
    }
    c.bodyLoad = 0;
    c.contactWeight = 0;
    // The friction limit of this step's contacts scales with the speed the step began with.
    c.speedFactor = 1 - 3 / (speed + 3);

    // Ground: a plane through the terrain under the centre, across the
    // terrain normal, which the wheels run on.
    float y0 = TerrainHeight(c.pos.x, c.pos.z);
    Vec3 n = TerrainNormal(c.pos.x, c.pos.z);
    ContactSurface ground = {GroundRolling(c, d), 0.3f, 0.03f, 1};
    ContactPlane(i, Vec3{c.pos.x, y0, c.pos.z} - n * 10, n, 10, ground, true);
    // The four world borders, one-sided: a car beyond one is pushed back in.
    ContactSurface border = {1, 1.5f, 1, 0};
    float far = trackMaps.worldSize + 1;
    ContactPlane(i, Vec3{0, 0, 0}, Vec3{1, 0, 0}, 1, border, true);
    ContactPlane(i, Vec3{far, 0, 0}, Vec3{-1, 0, 0}, 1, border, true);
    ContactPlane(i, Vec3{0, 0, 0}, Vec3{0, 0, 1}, 1, border, true);
    ContactPlane(i, Vec3{0, 0, far}, Vec3{0, 0, -1}, 1, border, true);
    CollideObjects(i, previousPos);
    // Shadow points follow the body for the view.
    for (int k = 0; k < shadows; ++k) {
        const Vec3 l = d.shadowPoints[k];
        c.points[k] = c.pos + c.side * l.x + c.up * l.y + c.forward * l.z;
    }
    if (raceSeams.carRules) raceSeams.carRules(i);
}
