// Long runs: six cars under random controls on every shipped track never
// produce a NaN, an infinite value or a car outside the world; the same
// random table and controls give bit-identical states; and a step never
// allocates (counted with a replaced global operator new).
// Replacing the global operator new and delete with malloc and free is
// sound; GCC warns at every new/delete pair it sees inlined in this file.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#include "tests/race/race_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

namespace {
std::atomic<long> allocations{0};
}

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer owns operator new; it reports every allocation to a hook instead.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                       void (*)(const volatile void*));
namespace {
void CountAllocation(const volatile void*, size_t) { ++allocations; }
void IgnoreFree(const volatile void*) {}
const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(CountAllocation, IgnoreFree);
}  // namespace
#else
void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

using namespace racetest;

namespace {

// Random controls, held for a random while (as a player would) from a fixed seed.
struct RandomDriver {
    std::mt19937 rng;
    int hold[kMaxCars] = {};
    explicit RandomDriver(unsigned seed) : rng(seed) {}
    void Next()
    {
        for (int i = 0; i < kMaxCars; ++i) {
            if (--hold[i] > 0) continue;
            hold[i] = 1 + static_cast<int>(rng() % 150);
            CarInput& in = script[i];
            in.accelerate = rng() % 3 ? 100 : static_cast<int>(rng() % 101);
            in.brake = rng() % 5 ? 0 : static_cast<int>(rng() % 101);
            int steer = static_cast<int>(rng() % 5);
            in.left = steer == 0 ? 100 : (steer == 1 ? static_cast<int>(rng() % 101) : 0);
            in.right = steer == 2 ? 100 : (steer == 3 ? static_cast<int>(rng() % 101) : 0);
        }
    }
};

bool CarIsSound(const CarState& c, float worldSize, std::string& why)
{
    const Vec3* vectors[] = {&c.pos, &c.vel, &c.angVel, &c.side, &c.up, &c.forward};
    for (const Vec3* v : vectors)
        if (!Finite(*v)) return why = "non-finite vector", false;
    for (const Vec3& p : c.points)
        if (!Finite(p)) return why = "non-finite point", false;
    float floats[] = {c.wheelSpeed, c.bodyLoad, c.contactWeight, c.slipFront, c.slipRear, c.traction,
                      c.speedFactor, c.wheelLoad[0], c.wheelLoad[1], c.wheelLoad[2], c.wheelLoad[3]};
    for (float f : floats)
        if (!std::isfinite(f)) return why = "non-finite value", false;
    if (c.pos.x < 0 || c.pos.z < 0 || c.pos.x > worldSize || c.pos.z > worldSize)
        return why = "outside the world", false;
    if (c.pos.y < TerrainHeight(c.pos.x, c.pos.z) - 1) return why = "under the ground", false;
    return true;
}

// Every field of a car's state as bytes, for exact comparison.
std::vector<uint8_t> StateBytes(const CarState& c)
{
    std::vector<uint8_t> out;
    auto add = [&out](const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    };
#define DW_FIELD(f) add(&c.f, sizeof c.f)
    DW_FIELD(position); DW_FIELD(controlLock); DW_FIELD(lapState); DW_FIELD(smokeTimer); DW_FIELD(wheelSkid);
    DW_FIELD(splashTimer); DW_FIELD(flipTimer); DW_FIELD(lastLapMark); DW_FIELD(lastLapTime); DW_FIELD(keys);
    DW_FIELD(driverType); DW_FIELD(aiSkill); DW_FIELD(aiState); DW_FIELD(aiParam); DW_FIELD(pos); DW_FIELD(vel);
    DW_FIELD(angVel); DW_FIELD(side); DW_FIELD(up); DW_FIELD(forward); DW_FIELD(wheelSpeed); DW_FIELD(wheelLoad);
    DW_FIELD(bodyLoad); DW_FIELD(contactWeight); DW_FIELD(slipFront); DW_FIELD(slipRear); DW_FIELD(accelFactor);
    DW_FIELD(mass); DW_FIELD(traction); DW_FIELD(speedFactor); DW_FIELD(laps); DW_FIELD(nextCheckpoint);
    DW_FIELD(limiterOn); DW_FIELD(lastLimiter); DW_FIELD(lastCheckpoint); DW_FIELD(bestLap); DW_FIELD(tyres);
    DW_FIELD(fuel); DW_FIELD(damage); DW_FIELD(wheelContact); DW_FIELD(points);
#undef DW_FIELD
    return out;
}

class RandomControls : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(RandomControls, SixCarsForAHundredThousandStepsStaySoundAndInsideTheWorld)
{
    ASSERT_TRUE(StartTestRace(GetParam(), 6, 6));
    settings.damage = 100;
    RandomDriver driver(12345);
    for (int k = 0; k < 100000; ++k) {
        driver.Next();
        RaceStep();
        for (int i = 0; i < 6; ++i) {
            std::string why;
            ASSERT_TRUE(CarIsSound(cars[i], trackMaps.worldSize, why)) << "car " << i << " at step " << k << ": " << why;
        }
        // Now and then a car is dropped back on its grid slot, so the run
        // keeps meeting other cars and objects instead of resting in a corner.
        if (k % 20000 == 19999) ResetRace();
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedTracks, RandomControls, ::testing::ValuesIn(ShippedTracks()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name;
                             for (char ch : info.param)
                                 if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
                             return name;
                         });

TEST(Determinism, TheSameRandomTableAndControlsGiveBitIdenticalCars)
{
    ASSERT_TRUE(StartTestRace("\\grand_prix", 6, 6));
    settings.damage = 100;
    // Everything a run starts from: the race, the cars and the track's maps
    // (the land map changes as wheels mark it).
    RaceState race = raceState;
    CarState start[kMaxCars];
    std::copy(cars, cars + kMaxCars, start);
    TrackMaps maps = trackMaps;
    std::vector<std::vector<uint8_t>> first;
    for (int run = 0; run < 2; ++run) {
        raceState = race;
        std::copy(start, start + kMaxCars, cars);
        trackMaps = maps;
        RandomDriver driver(99);
        for (int k = 0; k < 3000; ++k) {
            driver.Next();
            RaceStep();
            for (int i = 0; i < 6; ++i) {
                std::vector<uint8_t> bytes = StateBytes(cars[i]);
                if (run == 0) {
                    first.push_back(bytes);
                } else {
                    ASSERT_EQ(bytes, first[k * 6 + i]) << "car " << i << " differs at step " << k;
                }
            }
        }
    }
    // The runs did something worth comparing.
    float travelled = 0;
    for (int i = 0; i < 6; ++i) travelled += Length(cars[i].pos - start[i].pos);
    EXPECT_GT(travelled, 100);
    // A different random table gives a different race (damage noise, smoke).
    raceState = race;
    std::copy(start, start + kMaxCars, cars);
    trackMaps = maps;
    for (int i = 0; i < 6; ++i) cars[i].damage = 30000;
    for (float& r : raceState.randomTable) r = 1 - r;
    RandomDriver driver(99);
    for (int k = 0; k < 3000; ++k) {
        driver.Next();
        RaceStep();
    }
    bool differs = false;
    for (int i = 0; i < 6; ++i) differs |= StateBytes(cars[i]) != first[2999 * 6 + i];
    EXPECT_TRUE(differs);
}

TEST(Allocation, AThousandStepsOfSixCarsAllocateNothing)
{
    ASSERT_TRUE(StartTestRace("\\grand_prix", 6, 6));
    settings.damage = 100;
    RandomDriver driver(5);
    for (int i = 0; i < 6; ++i) script[i].accelerate = 100;
    for (int k = 0; k < 100; ++k) RaceStep();  // anything made lazily is made now
    long before = allocations.load();
    for (int k = 0; k < 1000; ++k) {
        driver.Next();
        RaceStep();
    }
    long during = allocations.load() - before;
    EXPECT_EQ(during, 0);
    // Computer cars with every rule on: the AI, checkpoints, pits.
    ASSERT_TRUE(StartTestRace("\\grand_prix", 6, 0));
    InstallRaceRules();
    raceSeams.writeRecords = nullptr;
    raceState.raceClock = 0;
    for (int k = 0; k < 100; ++k) RaceStep();
    before = allocations.load();
    for (int k = 0; k < 2000; ++k) RaceStep();
    EXPECT_EQ(allocations.load() - before, 0);
    // The counter works: a race start allocates (the track's maps).
    before = allocations.load();
    ResetRace();
    StartRace();
    EXPECT_GT(allocations.load() - before, 0);
}
