// Writes a small but complete track for the editor's window test and for
// looking at the view: a tarmac ring with white edges on grass, a hill and a
// lake, start positions, trees, walls and cones, two pit crews, four
// checkpoints, a limiter, an AI line around the ring and a pit line.
// Usage: testtrack OUTPUT.trk
#include <cmath>
#include <cstdio>

#include "trackfile/trackfile.h"

namespace {

constexpr double kPi = 3.14159265358979;

// Editor pixel (y down) -> stored half pixels (y up).
uint16_t FileX(double x) { return uint16_t(2 * x); }
uint16_t FileY(double y) { return uint16_t(2 * (512 - y)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: testtrack OUTPUT.trk\n");
        return 2;
    }
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 120;
    t.waterLevel = 50;
    t.viewAngle = 60;
    t.author = "Courseforge test";
    t.comments = "A ring for checking the editor's window.";

    // Land: file row 0 is the southern edge, so editor row y is file row 511 - y.
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            double r = std::hypot(x + 0.5 - 256, y + 0.5 - 256);
            uint8_t code = 2;
            if (r > 146 && r < 194) code = 0;
            if ((r > 146 && r < 149) || (r > 191 && r < 194)) code = 9;
            if (r >= 194 && r < 197) code = 3;
            t.land[size_t(511 - y) * 512 + x] = code;
        }
    // Heights: a hill in the north-east, a lake in the south-west.
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) {
            double hill = 90 * std::exp(-(std::pow(i - 48, 2) + std::pow(j - 48, 2)) / 60.0);
            double lake = 110 * std::exp(-(std::pow(i - 14, 2) + std::pow(j - 14, 2)) / 30.0);
            t.heights[size_t(j) * 64 + i] = uint8_t(std::lround(std::fmin(255, std::fmax(0, 128 + hill - lake))));
        }

    // Start grid on the ring's southern straight, facing east.
    for (int k = 0; k < kStartPositions; ++k) {
        t.objects[k].x = FileX(200 + 14 * (k / 2));
        t.objects[k].y = FileY(430 + 16 * (k % 2) - 6 * 0);
        t.objects[k].angle = 0;
    }
    const struct { uint8_t type; double x, y, angle; } things[] = {
        {5, 256, 256, 0},   {19, 236, 240, 1.0}, {20, 280, 270, 2.0}, {6, 250, 290, 0.5},
        {1, 60, 256, kPi / 2}, {29, 452, 256, -kPi / 2}, {25, 300, 440, 0}, {25, 320, 440, 0},
        {12, 40, 40, kPi / 4}, {32, 300, 60, kPi},
    };
    for (const auto& o : things) t.objects.push_back(TrackObject{o.type, FileX(o.x), FileY(o.y), o.angle});

    for (int k = 0; k < 2; ++k) t.pitCrews.push_back(TrackPitCrew{FileX(230 + 40 * k), FileY(475), -kPi / 2});
    // Checkpoints across the ring: east, north, west, then the start/finish line in the south.
    const double cps[4][4] = {{440, 256, 500, 256}, {256, 70, 256, 10}, {70, 256, 10, 256}, {256, 400, 256, 460}};
    for (const auto& c : cps) t.checkpoints.push_back(TrackLine{FileX(c[0]), FileY(c[1]), FileX(c[2]), FileY(c[3])});
    t.limiters.push_back(TrackLine{FileX(220), FileY(462), FileX(220), FileY(488)});

    for (int k = 0; k < 72; ++k) {
        double a = 2 * kPi * k / 72;
        t.aiLine.push_back(TrackPoint{FileX(256 + 170 * std::cos(a)), FileY(256 + 170 * std::sin(a))});
    }
    const double pit[4][2] = {{180, 440}, {220, 470}, {300, 470}, {340, 440}};
    for (const auto& p : pit) t.pitLine.push_back(TrackPoint{FileX(p[0]), FileY(p[1])});

    if (!WriteTrackFile(argv[1], t)) {
        std::fprintf(stderr, "testtrack: can't write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
