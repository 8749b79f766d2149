// The shipped cars: the files are what cargen makes, every car is valid and
// drawable, and the truck is the hardest to push aside: struck side-on by the
// same car at the same speed, it moves least.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <string>
#include <vector>

#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"

namespace fs = std::filesystem;

namespace {

const std::string kCarDir = std::string(DW_SOURCE_DIR) + "/data/cars";
const char* const kFiles[4] = {"hatchback.car", "sports.car", "buggy.car", "truck.car"};

std::vector<uint8_t> Bytes(const fs::path& p)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(ReadWholeFile(p.string().c_str(), out, 1u << 20)) << p;
    return out;
}

CarDefinition Shipped(const char* file)
{
    std::vector<CarDefinition> cars;
    EXPECT_TRUE(ReadCarFile(Bytes(fs::path(kCarDir) / file), cars)) << file;
    return cars.empty() ? MakeGeneralCar() : cars[0];
}

uint32_t NoTicks() { return 0; }
int32_t NoWall() { return 0; }
void NoControls(int, CarInput& in) { in = CarInput{}; }

// How far the struck car's centre moves (horizontally) in 1.5 s after the
// striker hits its side at 12 m/s, both on the grand prix circuit's grid.
float Pushed(const CarDefinition& striker, const CarDefinition& struck)
{
    baseDirectory = std::string(DW_RUN_DIR) + "/";
    carCatalogue = {striker, struck};
    DefaultSettings(settings);
    settings.damage = 0;
    raceClockHooks = RaceClockHooks{NoTicks, NoWall, NoControls};
    raceSeams = RaceSeams{};
    seasonTracks.assign(1, "\\grand_prix");
    for (int i = 0; i < kMaxCars; ++i) {
        seasonDrivers[i] = SeasonDriver{};
        seasonDrivers[i].human = true;
        seasonDrivers[i].car = i == 0 ? 0 : 1;
    }
    StartSeason(2);
    if (!trackMaps.loaded) return -1;
    raceState.phase = RacePhase::Racing;
    raceState.phaseCounter = 70;
    for (int s = 0; s < 100; ++s) RaceStep();  // both settle on their wheels
    CarState& a = cars[0];
    CarState& b = cars[1];
    b.vel = b.angVel = Vec3{};
    a.side = b.side;
    a.up = b.up;
    a.forward = b.forward;
    a.pos = b.pos + b.side * 4.0f;
    a.pos.y = b.pos.y - carDefinitions[1].halfSize.y + carDefinitions[0].halfSize.y;
    a.vel = b.side * -12.0f;
    a.angVel = Vec3{};
    Vec3 start = b.pos;
    for (int s = 0; s < 150; ++s) RaceStep();
    float dx = b.pos.x - start.x, dz = b.pos.z - start.z;
    return std::sqrt(dx * dx + dz * dz);
}

}  // namespace

TEST(ShippedCars, AreWhatCargenMakesAndValid)
{
    fs::path out = fs::temp_directory_path() / ("dw_cargen_" + std::to_string(::getpid()));
    fs::create_directories(out);
    std::string command = std::string(DW_RUN_DIR) + "/cargen " + out.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* file : kFiles) {
        EXPECT_EQ(Bytes(out / file), Bytes(fs::path(kCarDir) / file)) << file << " differs from a fresh cargen run";
        CarDefinition car = Shipped(file);
        EXPECT_TRUE(CarDefinitionValid(car)) << file;
        EXPECT_GE(car.vertexCount, 12) << file << ": a body of its own, not the built-in one";
        EXPECT_GT(car.shadowIndexCount, 0) << file;
    }
    fs::remove_all(out);
}

TEST(ShippedCars, TheTruckIsTheHardestToPushAside)
{
    CarDefinition hatchback = Shipped("hatchback.car"), sports = Shipped("sports.car"), truck = Shipped("truck.car");
    float hatchbackMoved = Pushed(hatchback, hatchback);
    float sportsMoved = Pushed(hatchback, sports);
    float truckMoved = Pushed(hatchback, truck);
    ASSERT_GT(hatchbackMoved, 0.1f) << "the strike did not reach the car";
    EXPECT_LT(truckMoved, hatchbackMoved * 0.6f) << "truck " << truckMoved << " m, hatchback " << hatchbackMoved << " m";
    EXPECT_LT(truckMoved, sportsMoved * 0.6f) << "truck " << truckMoved << " m, sports car " << sportsMoved << " m";
    // And a truck striking pushes a hatchback further than a hatchback does.
    float byTruck = Pushed(truck, hatchback);
    EXPECT_GT(byTruck, hatchbackMoved * 2);
    std::printf("struck side-on at 12 m/s by a hatchback: hatchback moved %.3f m, sports car %.3f m, truck %.3f m;"
                " by a truck: hatchback %.3f m\n", hatchbackMoved, sportsMoved, truckMoved, byTruck);
}
