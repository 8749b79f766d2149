// Writes the shipped drivers: two human drivers with keys that do not clash
// (the arrow keys; W, S, A, D) and six computer drivers of skill 70 to 120,
// each with its own colours and car. The files are those the game's own
// SaveDriver writes. A driver file holds its car as an index into the car
// catalogue (the car files in listing order), so the cars are named here and
// looked up in the catalogue the drivers ship with.
// Usage: drivergen [--cars CARS_FOLDER] OUTPUT_FOLDER
// (the cars folder defaults to "cars" beside the output folder)
#include "Game/frontend/frontend.h"
#include "Game/race/cars.h"
#include "trackfile/byte_io.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

struct CastMember {
    const char* name;
    uint32_t colour1, colour2;
    const char* car;                            // the car's name in its definition
    int skill;                                  // 0: human
    int keys[4];                                // accelerate, brake, steer left, steer right
};

const CastMember kCast[] = {
    {"Alex", 0x2060E0, 0xFFFFFF, "Buggy", 0, {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}},
    {"Sam", 0xF0C020, 0x202020, "Hatchback", 0, {SDLK_w, SDLK_s, SDLK_a, SDLK_d}},
    {"Rosa Vance", 0xD02020, 0xF0F0F0, "Sports car", 120, {}},
    {"Ike Marlow", 0x20A040, 0xF0E060, "Hatchback", 110, {}},
    {"Petra Holm", 0xF08020, 0x303080, "Sports car", 100, {}},
    {"Juno Reyes", 0x9040C0, 0x40E0E0, "Truck", 95, {}},
    {"Otto Brandt", 0x606870, 0xE04040, "Buggy", 85, {}},
    {"Mei Tanaka", 0xF0A0C0, 0x208080, "Truck", 70, {}},
};

}  // namespace

int main(int argc, char** argv) {
    std::string carsFolder, dir;
    if (argc == 4 && std::strcmp(argv[1], "--cars") == 0) {
        carsFolder = argv[2];
        dir = argv[3];
    } else if (argc == 2) {
        dir = argv[1];
        carsFolder = dir + "/../cars";
    } else {
        fprintf(stderr, "usage: drivergen [--cars CARS_FOLDER] OUTPUT_FOLDER\n");
        return 2;
    }
    // The catalogue as the game loads it. A missing folder is refused before
    // loading, which would otherwise create it for the built-in car.
    std::error_code ec;
    if (!std::filesystem::is_directory(carsFolder, ec)) {
        fprintf(stderr, "drivergen: no cars folder %s\n", carsFolder.c_str());
        return 1;
    }
    LoadCarCatalogueFrom(carsFolder);
    for (const CastMember& m : kCast) {
        int car = -1;
        for (size_t k = 0; k < carCatalogue.size(); ++k)
            if (std::strncmp(carCatalogue[k].name, m.car, sizeof carCatalogue[k].name) == 0) car = static_cast<int>(k);
        if (car < 0) {
            fprintf(stderr, "drivergen: no car \"%s\" in %s (for %s)\n", m.car, carsFolder.c_str(), m.name);
            return 1;
        }
        DriverRecord d = NewDriver(m.skill > 0);
        d.colour1 = m.colour1;
        d.colour2 = m.colour2;
        d.car = static_cast<uint32_t>(car);
        if (m.skill > 0) {
            d.controls[1] = m.skill;
        } else {
            for (int k = 0; k < 4; ++k) d.controls[k] = m.keys[k];
        }
        std::vector<uint8_t> bytes = WriteDriverFile(d);
        std::string path = dir + "/" + m.name + ".drv";
        if (!WriteFileReplacing(path.c_str(), bytes.data(), bytes.size())) {
            fprintf(stderr, "drivergen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
