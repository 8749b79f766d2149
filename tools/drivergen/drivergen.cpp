// Writes the shipped drivers: two human drivers with keys that do not clash
// (the arrow keys; W, S, A, D) and six computer drivers of skill 70 to 120,
// each with its own colours and car. The files are those the game's own
// SaveDriver writes. Usage: drivergen OUTPUT_FOLDER
#include "Game/frontend/frontend.h"
#include "trackfile/byte_io.h"

#include <cstdio>
#include <string>

namespace {

struct CastMember {
    const char* name;
    uint32_t colour1, colour2;
    uint32_t car;                               // index in the car catalogue (0 when it has fewer cars)
    int skill;                                  // 0: human
    int keys[4];                                // accelerate, brake, steer left, steer right
};

const CastMember kCast[] = {
    {"Alex", 0x2060E0, 0xFFFFFF, 0, 0, {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}},
    {"Sam", 0xF0C020, 0x202020, 1, 0, {SDLK_w, SDLK_s, SDLK_a, SDLK_d}},
    {"Rosa Vance", 0xD02020, 0xF0F0F0, 1, 120, {}},
    {"Ike Marlow", 0x20A040, 0xF0E060, 2, 110, {}},
    {"Petra Holm", 0xF08020, 0x303080, 3, 100, {}},
    {"Juno Reyes", 0x9040C0, 0x40E0E0, 4, 95, {}},
    {"Otto Brandt", 0x606870, 0xE04040, 0, 85, {}},
    {"Mei Tanaka", 0xF0A0C0, 0x208080, 2, 70, {}},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: drivergen OUTPUT_FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    for (const CastMember& m : kCast) {
        DriverRecord d = NewDriver(m.skill > 0);
        d.colour1 = m.colour1;
        d.colour2 = m.colour2;
        d.car = m.car;
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
