// icongen: draws the desktop icons of the game and the editor from one of the
// game's own cars, with the game's own car renderer, and writes them as PNG
// files in the hicolor theme's layout:
//   icongen CAR_FILE OUT_DIR     writes OUT_DIR/NxN/apps/{dustwhirl,courseforge}.png
// The game's icon is the car alone on a clear background; the editor's is the
// same car in another colour on a square of tarmac with a painted line.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <zlib.h>

#include "Game/race/cars.h"
#include "Game/shell/video.h"
#include "Game/view/view.h"

namespace {

constexpr int kCanvas = 1024;  // drawing size; each icon is averaged down from it
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr uint8_t kClear = 0;  // canvas index that stays transparent (no car face uses it)
// The menus' three-quarter view of a car.
constexpr float kView[3][3] = {{-0.6396f, -0.4264f, -0.6396f}, {0, 0.832f, -0.555f}, {0.6396f, -0.4264f, -0.6396f}};

struct Rgba { float r, g, b, a; };

// ---- PNG: unfiltered rows, compressed with zlib ------------------------------

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    Put32(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

bool WritePng(const std::string& path, int side, const std::vector<uint8_t>& rgba) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < side; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), rgba.begin() + size_t(y) * side * 4, rgba.begin() + size_t(y + 1) * side * 4);
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(size);
    if (compress2(z.data(), &size, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
    z.resize(size);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    Put32(header, uint32_t(side)); Put32(header, uint32_t(side));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return (std::fclose(f) == 0) && ok;
}

// ---- Drawing ---------------------------------------------------------------

// The car in car slot `slot`'s colours, centred on the canvas.
std::vector<uint8_t> DrawCar(const CarDefinition& car, int slot) {
    std::vector<uint8_t> canvas(size_t(kCanvas) * kCanvas, kClear);
    SetViewTarget(canvas.data(), kCanvas, kCanvas, kCanvas, nullptr, nullptr);
    DrawCarIcon(kCanvas / 2, kCanvas / 2, car, slot, kView, 12.0f);
    return canvas;
}

// Averages the square [x0, x0 + side) x [y0, y0 + side) of the canvas down to
// `out` x `out` pixels, with coverage as alpha.
std::vector<Rgba> Shrink(const std::vector<uint8_t>& canvas, const uint32_t palette[256], float x0, float y0,
                         float side, int out) {
    std::vector<Rgba> px(size_t(out) * out, Rgba{0, 0, 0, 0});
    int k = std::clamp(int(std::ceil(side / out)), 1, 16);
    for (int j = 0; j < out; ++j)
        for (int i = 0; i < out; ++i) {
            Rgba sum{0, 0, 0, 0};
            for (int b = 0; b < k; ++b)
                for (int a = 0; a < k; ++a) {
                    int x = int(x0 + (i + (a + 0.5f) / k) * side / out);
                    int y = int(y0 + (j + (b + 0.5f) / k) * side / out);
                    if (x < 0 || y < 0 || x >= kCanvas || y >= kCanvas) continue;
                    uint8_t c = canvas[size_t(y) * kCanvas + x];
                    if (c == kClear) continue;
                    uint32_t p = palette[c];
                    sum.r += (p >> 16) & 0xFF; sum.g += (p >> 8) & 0xFF; sum.b += p & 0xFF; sum.a += 1;
                }
            if (sum.a > 0) px[size_t(j) * out + i] = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (k * k)};
        }
    return px;
}

// Lays `top` over `bottom` (both straight alpha) and packs the result as bytes.
std::vector<uint8_t> Compose(const std::vector<Rgba>& bottom, const std::vector<Rgba>& top) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < top.size(); ++i) {
        Rgba t = top[i], b = bottom.empty() ? Rgba{0, 0, 0, 0} : bottom[i];
        float a = t.a + b.a * (1 - t.a);
        auto mix = [&](float tc, float bc) { return a > 0 ? (tc * t.a + bc * b.a * (1 - t.a)) / a : 0.0f; };
        out.push_back(uint8_t(std::lround(mix(t.r, b.r))));
        out.push_back(uint8_t(std::lround(mix(t.g, b.g))));
        out.push_back(uint8_t(std::lround(mix(t.b, b.b))));
        out.push_back(uint8_t(std::lround(a * 255)));
    }
    return out;
}

// The editor's backdrop: a rounded tarmac square with a dashed centre line.
std::vector<Rgba> Backdrop(int side) {
    std::vector<Rgba> px(size_t(side) * side);
    float r = side * 0.18f, inset = side * 0.04f;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float cx = std::clamp(fx, inset + r, side - inset - r), cy = std::clamp(fy, inset + r, side - inset - r);
            float d = std::hypot(fx - cx, fy - cy) - r;
            float a = std::clamp(0.5f - d, 0.0f, 1.0f);
            bool line = std::fabs(fx - fy) < side * 0.035f && int(fx / (side / 8.0f)) % 2 == 0;
            px[size_t(y) * side + x] = line ? Rgba{235, 225, 90, a} : Rgba{78, 80, 86, a};
        }
    return px;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: icongen CAR_FILE OUT_DIR\n");
        return 2;
    }
    std::vector<uint8_t> file;
    if (FILE* f = std::fopen(argv[1], "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF) file.push_back(uint8_t(c));
        std::fclose(f);
    }
    std::vector<CarDefinition> cars;
    if (!ReadCarFile(file, cars) || cars.empty()) {
        std::fprintf(stderr, "icongen: no car in %s\n", argv[1]);
        return 1;
    }
    uint32_t palette[256];
    BuiltinPalette(palette);
    FillCarSlotColours(palette);
    BuildDiscTable();

    struct Icon { const char* name; int slot; bool backdrop; float fill; };
    const Icon icons[] = {{"dustwhirl", 0, false, 0.96f}, {"courseforge", 2, true, 0.74f}};
    for (const Icon& icon : icons) {
        std::vector<uint8_t> canvas = DrawCar(cars[0], icon.slot);
        int x1 = kCanvas, y1 = kCanvas, x2 = -1, y2 = -1;
        for (int y = 0; y < kCanvas; ++y)
            for (int x = 0; x < kCanvas; ++x)
                if (canvas[size_t(y) * kCanvas + x] != kClear) {
                    x1 = std::min(x1, x); x2 = std::max(x2, x);
                    y1 = std::min(y1, y); y2 = std::max(y2, y);
                }
        if (x2 < 0) {
            std::fprintf(stderr, "icongen: the car drew nothing\n");
            return 1;
        }
        // A square around the car, the car filling `fill` of it.
        float side = std::max(x2 - x1 + 1, y2 - y1 + 1) / icon.fill;
        float x0 = (x1 + x2 + 1) / 2.0f - side / 2, y0 = (y1 + y2 + 1) / 2.0f - side / 2;
        for (int size : kSizes) {
            std::vector<Rgba> car = Shrink(canvas, palette, x0, y0, side, size);
            std::vector<uint8_t> rgba = Compose(icon.backdrop ? Backdrop(size) : std::vector<Rgba>(), car);
            std::string dir = std::string(argv[2]) + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
            std::error_code ec;
            std::filesystem::create_directories(dir, ec);
            std::string path = dir + "/" + icon.name + ".png";
            if (!WritePng(path, size, rgba)) {
                std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
                return 1;
            }
            std::printf("%s\n", path.c_str());
        }
    }
    return 0;
}
