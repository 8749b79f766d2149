// Contacts: a car driven at walls, a house, a tree, the world border and
// another car never ends a step with its body inside the obstacle and takes
// damage; a moveable cone is pushed and stays where it went; two cars that
// collide never gain energy.
#include "tests/race/race_fixture.h"

#include "Game/race/race_internal.h"
#include "trackfile/object_types.h"

#include <gtest/gtest.h>

#include <random>

using namespace racetest;

namespace {

constexpr float kTolerance = 0.03f;  // metres a body point may sit inside

// Points on the surface of a car's body ellipsoid, in world space.
std::vector<Vec3> BodyPoints(int car)
{
    const CarState& c = cars[car];
    const CarDefinition& d = carDefinitions[car];
    std::vector<Vec3> points;
    for (int i = 0; i < 12; ++i)
        for (int j = 1; j < 8; ++j) {
            float phi = i * 3.14159265f / 6, theta = j * 3.14159265f / 8;
            float x = std::sin(theta) * std::cos(phi), y = std::cos(theta), z = std::sin(theta) * std::sin(phi);
            points.push_back(c.pos + c.side * (x * d.halfSize.x) + c.up * (y * d.halfSize.y) +
                             c.forward * (z * d.halfSize.z));
        }
    return points;
}

// A level test ground (the oval, its objects gone) with one object placed.
int PlaceObstacle(int type, Vec3 at, Vec3 direction)
{
    trackMaps.objects.resize(6);
    std::fill(trackMaps.land.begin(), trackMaps.land.end(), static_cast<uint8_t>(2));
    WorldObject o = trackMaps.objects[0];
    o.type = static_cast<uint8_t>(type);
    o.position = at;
    o.direction = direction;
    o.state = 0;
    o.motion = Vec3{};
    trackMaps.objects.push_back(o);
    PlaceObjectsOnTerrain();
    return static_cast<int>(trackMaps.objects.size()) - 1;
}

// How deep a point lies inside the drawn box of an object (negative outside).
float DepthInBox(const WorldObject& o, float halfLength, float halfWidth, float top, Vec3 p)
{
    Vec3 along = Normalize(Vec3{o.direction.x, 0, o.direction.z}), left = {-along.z, 0, along.x};
    Vec3 d = p - o.position;
    float a = halfLength - std::fabs(Dot(d, along)), s = halfWidth - std::fabs(Dot(d, left)), z = top - d.y;
    return std::min(a, std::min(s, z));
}

struct Obstacle {
    const char* name;
    int type;
    // Depth of a point inside what the renderer draws for the object.
    float (*depth)(const WorldObject& o, Vec3 p);
};

const Obstacle kObstacles[] = {
    {"concrete wall", 1,
     [](const WorldObject& o, Vec3 p) {
         const ObjectTypeInfo& t = ObjectType(1);
         return DepthInBox(o, t.halfLength, t.halfWidth, t.height, p);
     }},
    {"house", 12,
     [](const WorldObject& o, Vec3 p) {
         const ObjectTypeInfo& t = ObjectType(12);
         return DepthInBox(o, t.halfLength - 0.2f, t.halfWidth - 0.2f, 3.0f, p);
     }},
    {"leaf tree", 5,
     [](const WorldObject& o, Vec3 p) {
         const ObjectTypeInfo& t = ObjectType(5);
         float dx = p.x - o.position.x, dz = p.z - o.position.z;
         return std::min(t.postRadius - std::sqrt(dx * dx + dz * dz), t.height - 1.0f - (p.y - o.position.y));
     }},
};

// Drives car 0 from x east at the given speed with full throttle.
void DriveEastAt(float speed, float x = 40)
{
    PlaceCar(0, x, 90, Vec3{1, 0, 0});
    cars[0].vel = cars[0].forward * speed;
    cars[0].wheelSpeed = speed;
    script[0].accelerate = 100;
}

}  // namespace

TEST(Contacts, CarsDrivenAtObjectsStayOutsideThemAndTakeDamage)
{
    for (const Obstacle& ob : kObstacles) {
        for (float speed : {10.0f, 30.0f, 60.0f}) {
            ASSERT_TRUE(StartTestRace("\\oval", 1, 1));
            int index = PlaceObstacle(ob.type, Vec3{60, 0, 90}, Vec3{0, 0, 1});
            DriveEastAt(speed);
            float deepest = -1e9f, rebound = 0;
            for (int k = 0; k < 300; ++k) {
                RaceStep();
                for (Vec3 p : BodyPoints(0)) deepest = std::max(deepest, ob.depth(trackMaps.objects[index], p));
                rebound = std::min(rebound, cars[0].vel.x);
            }
            EXPECT_LT(deepest, kTolerance) << ob.name << " at " << speed << " m/s";
            EXPECT_LT(rebound, -1) << ob.name << " at " << speed << " m/s: the car bounced back";
            EXPECT_GT(cars[0].damage, 0) << ob.name << " at " << speed << " m/s";
        }
    }
}

TEST(Contacts, TheWorldBorderHoldsCarsInsideAtAnySpeed)
{
    for (float speed : {10.0f, 30.0f, 60.0f}) {
        ASSERT_TRUE(StartTestRace("\\oval", 1, 1));
        trackMaps.objects.resize(6);
        PlaceCar(0, 20, 90, Vec3{-1, 0, 0});
        cars[0].vel = cars[0].forward * speed;
        cars[0].wheelSpeed = speed;
        script[0].accelerate = 100;
        float lowest = 1e9f;
        for (int k = 0; k < 300; ++k) {
            RaceStep();
            for (Vec3 p : BodyPoints(0)) lowest = std::min(lowest, p.x);
        }
        EXPECT_GT(lowest, -kTolerance) << speed << " m/s";
        EXPECT_GT(cars[0].damage, 0) << speed << " m/s";
    }
    // A car put outside the world is pushed back in, not further out.
    ASSERT_TRUE(StartTestRace("\\oval", 1, 1));
    trackMaps.objects.resize(6);
    PlaceCar(0, 90, 90, Vec3{1, 0, 0});
    cars[0].pos.x = trackMaps.worldSize + 3;
    Steps(300);
    EXPECT_LT(cars[0].pos.x, trackMaps.worldSize);
}

TEST(Contacts, ACarDrivenIntoAnotherNeverEndsInsideItAndBothTakeDamage)
{
    for (float speed : {10.0f, 30.0f, 60.0f}) {
        ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
        trackMaps.objects.resize(6);
        DriveEastAt(speed);
        PlaceCar(1, 60, 90, Vec3{0, 0, 1});  // parked across the way
        float deepest = -1e9f;
        for (int k = 0; k < 300; ++k) {
            RaceStep();
            const CarState& b = cars[1];
            const CarDefinition& d = carDefinitions[1];
            for (Vec3 p : BodyPoints(0)) {
                Vec3 q = p - b.pos;
                float x = Dot(q, b.side) / d.halfSize.x, y = Dot(q, b.up) / d.halfSize.y,
                      z = Dot(q, b.forward) / d.halfSize.z;
                // Depth along the other car's shortest half extent.
                deepest = std::max(deepest, (1 - std::sqrt(x * x + y * y + z * z)) * d.halfSize.y);
            }
        }
        EXPECT_LT(deepest, 0.1f) << speed << " m/s";
        EXPECT_GT(cars[0].damage, 0) << speed << " m/s";
        EXPECT_GT(cars[1].damage, 0) << speed << " m/s";
        EXPECT_GT(cars[1].pos.x, 60.5f) << speed << " m/s: the parked car was pushed";
    }
}

TEST(Contacts, AMoveableConeIsPushedAndStaysPushed)
{
    ASSERT_TRUE(StartTestRace("\\oval", 1, 1));
    int index = PlaceObstacle(kObjectMoveableCone, Vec3{60, 0, 90}, Vec3{1, 0, 0});
    Vec3 start = trackMaps.objects[index].position;
    DriveEastAt(15, 50);
    Steps(60);  // through the cone
    script[0].accelerate = 0;
    Steps(300);
    const WorldObject& cone = trackMaps.objects[index];
    EXPECT_GT(Length(cone.position - start), 1.0f) << "pushed by the car";
    EXPECT_GT(cone.position.x, start.x);
    EXPECT_EQ(cone.state & 2, 0) << "it came to rest";
    EXPECT_NEAR(cone.position.y, TerrainHeight(cone.position.x, cone.position.z), 0.001f);
    Vec3 rest = cone.position;
    cars[0].pos = Vec3{20, cars[0].pos.y, 20};
    Steps(200);
    EXPECT_EQ(Length(trackMaps.objects[index].position - rest), 0) << "and stays where it went";
    // Other objects stop it: a cone pushed at a wall stays on this side of it.
    int wall = PlaceObstacle(1, Vec3{64, 0, 90}, Vec3{0, 0, 1});
    (void)wall;
    WorldObject c = trackMaps.objects[0];
    c.type = kObjectMoveableCone;
    c.position = Vec3{61, 0, 90};
    trackMaps.objects.push_back(c);
    PlaceObjectsOnTerrain();
    DriveEastAt(15, 50);
    Steps(60);
    script[0].accelerate = 0;
    Steps(300);
    EXPECT_LT(trackMaps.objects.back().position.x, 64 - ObjectType(1).halfWidth);
}

// A moving cone whose entry has gone from a shorter object list (the list
// replaced under the race) is skipped, never read or moved past the list's end.
TEST(Contacts, AMovingConeNoLongerInTheObjectListIsLeftAlone)
{
    ASSERT_TRUE(StartTestRace("\\oval", 1, 1));
    int index = PlaceObstacle(kObjectMoveableCone, Vec3{60, 0, 90}, Vec3{1, 0, 0});
    trackMaps.objects[index].motion = Vec3{5, 0, 0};
    trackMaps.objects[index].state |= 2;
    const std::vector<WorldObject> slots(trackMaps.objects.begin(), trackMaps.objects.begin() + 6);
    trackMaps.objects = std::vector<WorldObject>(slots);  // a new list of exactly the six grid slots
    Steps(20);
    ASSERT_EQ(trackMaps.objects.size(), 6u);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(Length(trackMaps.objects[k].position - slots[k].position), 0) << k;
}

TEST(Contacts, TwoCarsCollidingNeverGainKineticEnergy)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(-1, 1);
    int collisions = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        carDefinitions[1].mass = 500 + 1000 * std::fabs(unit(rng));  // unequal masses too
        for (int i = 0; i < 2; ++i) {
            PlaceCar(i, 90 + i * 3.2f + unit(rng) * 0.5f, 90 + unit(rng) * 1.5f,
                     Vec3{unit(rng), 0, unit(rng) + 0.01f});
            cars[i].mass = carDefinitions[i].mass;
            cars[i].accelFactor = 1200 / (cars[i].mass + 200);
            cars[i].vel = Vec3{unit(rng) * 40, 0, unit(rng) * 40};
            cars[i].angVel = Vec3{};
        }
        auto energy = [] {
            float e = 0;
            for (int i = 0; i < 2; ++i)
                e += 0.5f * cars[i].mass *
                     (Dot(cars[i].vel, cars[i].vel) + Dot(cars[i].angVel, cars[i].angVel) / cars[i].accelFactor);
            return e;
        };
        float before = energy();
        Vec3 v0 = cars[0].vel;
        CollideCars(0, 1);
        if (Length(cars[0].vel - v0) > 0) ++collisions;
        EXPECT_LE(energy(), before * 1.0001f) << "trial " << trial;
    }
    EXPECT_GT(collisions, 200) << "enough of the trials were real collisions";
}

// A car sliding along another's side as it hits it: each car's damage and
// the impact noise follow the velocity change it really felt, whatever part
// of it came from the sliding.
TEST(Contacts, ASlidingHitDoesTheDamageOfItsRealVelocityChange)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    settings.damage = 100;
    int sliding = 0;
    for (float along : {0.0f, 10.0f, 25.0f}) {
        for (int i = 0; i < 2; ++i) {
            PlaceCar(i, 90 + i * 2.9f, 90, Vec3{0, 0, 1});
            cars[i].mass = carDefinitions[i].mass;
            cars[i].accelFactor = 1200 / (cars[i].mass + 200);
            cars[i].angVel = Vec3{};
            cars[i].damage = 0;
        }
        // Car 0 closes in sideways at 12 m/s, sliding forwards along car 1.
        cars[0].vel = cars[0].side * 12.0f + cars[0].forward * along;
        cars[1].vel = Vec3{};
        raceState.impactLevel = 0;
        Vec3 v0 = cars[0].vel, v1 = cars[1].vel;
        CollideCars(0, 1);
        float felt[2] = {Length(cars[0].vel - v0), Length(cars[1].vel - v1)};
        ASSERT_GT(felt[1], 3) << along << ": the cars collided";
        if (Length(cars[1].vel - cars[1].side * Dot(cars[1].vel, cars[1].side)) > 1) ++sliding;
        float noise = 0;
        for (int i = 0; i < 2; ++i) {
            float energy = felt[i] * felt[i];
            EXPECT_NEAR(cars[i].damage, settings.damage * energy, settings.damage * energy * 0.01f + 1)
                << "car " << i << " sliding at " << along << " m/s";
            noise += (energy - 50) * cars[i].mass * 10000;
        }
        EXPECT_NEAR(raceState.impactLevel, noise, noise * 0.01f) << along;
    }
    EXPECT_EQ(sliding, 2) << "the sliding hits dragged the struck car along";
}

// The figure-of-eight's bridge: a car driven along it climbs onto the deck,
// whose wheels then run on the deck, and comes down the far side; a car on
// the road underneath passes below it.
TEST(Contacts, CarsDriveOverTheFigureOfEightBridgeAndUnderIt)
{
    ASSERT_TRUE(StartTestRace("\\figure_eight", 1, 1));
    int bridge = -1;
    for (size_t k = 6; k < trackMaps.objects.size(); ++k)
        if (trackMaps.objects[k].type == 17) {
            bridge = static_cast<int>(k);
            break;
        }
    ASSERT_GE(bridge, 0) << "the track has its bridge";
    const WorldObject b = trackMaps.objects[bridge];
    const ObjectTypeInfo& t = ObjectType(17);
    Vec3 along = Normalize(Vec3{b.direction.x, 0, b.direction.z}), left = {-along.z, 0, along.x};

    // Over: from 12 m before the middle, along the deck, at a steady 15 m/s.
    Vec3 from = b.position - along * 12;
    PlaceCar(0, from.x, from.z, along);
    cars[0].vel = along * 15;
    cars[0].wheelSpeed = 15;
    script[0].accelerate = 40;
    float highest = -1e9f;
    bool onDeck = false;
    for (int k = 0; k < 250; ++k) {
        RaceStep();
        highest = std::max(highest, cars[0].pos.y - b.position.y);
        for (uint8_t w : cars[0].wheelContact) onDeck |= w == 2;
        if (Dot(cars[0].pos - b.position, along) > 10) break;
    }
    EXPECT_GT(highest, t.height) << "up on the deck";
    EXPECT_TRUE(onDeck);
    EXPECT_GT(Dot(cars[0].pos - b.position, along), 8) << "and over it";
    EXPECT_LT(cars[0].pos.y - TerrainHeight(cars[0].pos.x, cars[0].pos.z), 1.5f) << "and down again";

    // Under: across the bridge's direction, through the opening below the deck.
    from = b.position - left * 15;
    PlaceCar(0, from.x, from.z, left);
    cars[0].vel = left * 15;
    cars[0].wheelSpeed = 15;
    script[0].accelerate = 100;
    float lowest = 1e9f;
    for (int k = 0; k < 200; ++k) {
        RaceStep();
        if (std::fabs(Dot(cars[0].pos - b.position, left)) < t.halfWidth)
            lowest = std::min(lowest, cars[0].pos.y - TerrainHeight(cars[0].pos.x, cars[0].pos.z));
    }
    EXPECT_GT(Dot(cars[0].pos - b.position, left), 10) << "passed underneath";
    EXPECT_LT(lowest, 1.0f) << "on the road, not on the deck";
}
