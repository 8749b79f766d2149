// Shared between the files of the race; not for other folders.
#pragma once
#include "Game/race/race.h"

// The whole part of v (towards zero) held inside [lo, hi], NaN giving lo: a
// number gone wild never reaches an integer conversion.
inline int WholeWithin(float v, int lo, int hi)
{
    if (!(v > static_cast<float>(lo))) return lo;
    if (!(v < static_cast<float>(hi))) return hi;
    return static_cast<int>(v);
}

// How a contact surface answers: friction, bounce (1 + restitution),
// stiffness (share of the penetration removed at once) and, for surfaces the
// wheels run on, the wheel contact kind (1 terrain, 2 bridge deck, 3 stand).
struct ContactSurface {
    float friction;
    float bounce;
    float stiffness;
    uint8_t wheelKind;  // 0 = a body contact
};

// The impulse rule shared by every primitive: the car's body ellipsoid
// against the surface at distance thickness from anchor along the unit
// normal n (pointing towards the car). Returns the velocity change applied.
Vec3 ContactAlong(int car, Vec3 anchor, Vec3 n, float thickness, const ContactSurface& s);
// Car against a plane of the given thickness; a one-sided plane never turns
// its normal round (the world borders), so a car beyond it is pushed back.
Vec3 ContactPlane(int car, Vec3 point, Vec3 n, float thickness, const ContactSurface& s, bool oneSided);
// Car against the infinite cylinder of radius rho round the line point + t dir.
Vec3 ContactCylinder(int car, Vec3 point, Vec3 dir, float rho, const ContactSurface& s);
// Car against a sphere.
Vec3 ContactSphere(int car, Vec3 centre, float rho, const ContactSurface& s);

// The object pass of one car: every track object near it. previousPos is the
// car's position before this step's move: thin objects are hit from the side
// the car came from, however fast it moved.
void CollideObjects(int car, Vec3 previousPos);
// Moves the movable objects one step and lets the moving ones bounce off the
// borders and the other objects.
void MoveMovableObjects();
// Sets every object's base height on the terrain and readies the movable
// cones (what the terrain renderer also does when it draws the track).
void PlaceObjectsOnTerrain();

// The wheels' marks, skids, particles and the gravel sweep of one car step.
void StepWheels(int car, float wheelSpeed, float speed);

// Millisecond and wall-clock time through the race's hooks.
uint32_t RaceTicks();
int32_t RaceWallSeconds();
// Sets stepMs to 10, empties the accumulated time and takes lastTick = now.
void RestartStepClock();
// Engine volume base of the season: 1000 x log10(1 + setting x 1e8).
extern float engineVolumeBase;
// The current date for a record entry, UTC (year, month, weekday, day, hour,
// minute, second, milliseconds).
void CurrentRecordDate(uint16_t date[8]);
// Pit stop bookkeeping shared between the crews and the AI.
void CountPitStop(int car);
// Each race's pit-stop and no-progress counts and the computer drivers' fuel
// plans start from zero (a race continued from a save starts with its clock
// past the first step).
void ResetPitCounts();
void ResetDriverRecords();
