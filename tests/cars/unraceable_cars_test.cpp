// Car files whose cars cannot drive (no top speed, a flat body, absurd
// wheels) are refused like any other bad record, so the catalogue falls back
// as for a folder without cars; and should such a car reach a race anyway,
// its steps and its drawing stay defined (run under the sanitizers).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "Game/game.h"
#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace fs = std::filesystem;

namespace {

struct Crafted {
    const char* file;
    void (*spoil)(CarDefinition&);
};

const Crafted kCrafted[] = {
    {"standstill.car", [](CarDefinition& c) { c.topSpeed = 0; }},
    {"backwards.car", [](CarDefinition& c) { c.topSpeed = -50; }},
    {"rocket.car", [](CarDefinition& c) { c.topSpeed = 1e9f; }},
    {"flat.car", [](CarDefinition& c) { c.halfSize.x = c.halfSize.z = 0; }},
    {"inside_out.car", [](CarDefinition& c) { c.halfSize.y = -0.6f; }},
    {"huge_wheels.car", [](CarDefinition& c) { for (float& r : c.wheelRadius) r = 1e12f; }},
    {"far_wheels.car", [](CarDefinition& c) { c.wheels[2].z = -1e6f; }},
    {"no_engine.car", [](CarDefinition& c) { c.enginePower = 0; }},
    {"feather.car", [](CarDefinition& c) { c.mass = 1e-6f; }},
    {"thrust.car", [](CarDefinition& c) { c.drag = -4; }},
};

CarDefinition Spoilt(const Crafted& k)
{
    CarDefinition car = MakeGeneralCar();
    std::snprintf(car.name, sizeof car.name, "%s", "Spoilt");
    k.spoil(car);
    return car;
}

void WriteCar(const fs::path& path, const CarDefinition& car)
{
    std::vector<uint8_t> file = MakeCarFile(&car, 1);
    ASSERT_TRUE(WriteFileReplacing(path.string().c_str(), file.data(), file.size())) << path;
}

uint32_t NoTicks() { return 0; }
int32_t NoWall() { return 1000; }
void FullThrottle(int, CarInput& in)
{
    in = CarInput{};
    in.accelerate = 100;
    in.left = 30;
}

}  // namespace

TEST(UnraceableCars, AreRefusedAndTheCatalogueFallsBack)
{
    fs::path dir = fs::temp_directory_path() / ("dw_unraceable_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const Crafted& k : kCrafted) WriteCar(dir / k.file, Spoilt(k));
    CarDefinition kart = MakeGeneralCar();
    std::snprintf(kart.name, sizeof kart.name, "%s", "Kart");
    kart.topSpeed = 12;  // slow, small and light, but a car
    kart.halfSize = {0.6f, 0.3f, 0.9f};
    kart.mass = 90;
    for (float& r : kart.wheelRadius) r = 0.15f;
    WriteCar(dir / "kart.car", kart);

    ASSERT_EQ(LoadCarCatalogueFrom(dir.string()), 1);
    EXPECT_STREQ(carCatalogue[0].name, "Kart");

    // Only cars that cannot drive: the built-in car, written beside them.
    fs::remove(dir / "kart.car");
    ASSERT_EQ(LoadCarCatalogueFrom(dir.string()), 1);
    EXPECT_STREQ(carCatalogue[0].name, "General");
    EXPECT_TRUE(fs::exists(dir / "general.car"));
    fs::remove_all(dir);
}

TEST(UnraceableCars, ForcedIntoARaceStepAndDrawWithoutFault)
{
    std::vector<uint8_t> pixels(320 * 200);
    for (const Crafted& k : kCrafted) {
        baseDirectory = std::string(DW_RUN_DIR) + "/";
        carCatalogue.assign(1, MakeGeneralCar());
        DefaultSettings(settings);
        raceClockHooks = RaceClockHooks{NoTicks, NoWall, FullThrottle};
        raceSeams = RaceSeams{};
        seasonTracks.assign(1, "\\beach");
        for (SeasonDriver& d : seasonDrivers) d = SeasonDriver{};
        seasonDrivers[0].human = seasonDrivers[1].human = true;
        StartSeason(2);
        ASSERT_TRUE(trackMaps.loaded);
        raceState.phase = RacePhase::Racing;
        raceState.phaseCounter = 70;
        raceState.startLight = -1;
        // Past the loader's checks, as a damaged game in memory might be.
        carDefinitions[0] = Spoilt(k);
        SetUpRaceView(nullptr);
        for (int s = 0; s < 300; ++s) {
            RaceStep();
            SyncRaceView();
            SetViewTarget(pixels.data(), 320, 320, 200, nullptr, nullptr);
            SetViewCamera();
            DrawScene();
            DrawParticles(1);
            ReturnParticles();
        }
        // The sound car beside it is not dragged into the spoilt one's numbers.
        const CarState& other = cars[1];
        EXPECT_TRUE(std::isfinite(other.pos.x) && std::isfinite(other.pos.y) && std::isfinite(other.pos.z))
            << k.file;
        EXPECT_TRUE(std::isfinite(other.wheelSpeed)) << k.file;
    }
}
