// Screenshots: F12 writes the 8-bit screen as a palette BMP, F11 a 32-bit BMP
// resampled to the size set in dw.ini with a separable Lanczos filter. Files
// are "screens/shot%04d.bmp", numbered past any that already exist.
#include "Game/shell/video.h"
#include "trackfile/byte_io.h"
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace {

int screenshotCounter = 0;

// Upper bound on numbers tried, so a folder full of shots cannot stall the game.
constexpr int kMaxScreenshotTries = 100000;

// Channel masks of the working surface: red in the lowest byte, alpha in the highest.
constexpr Uint32 kWorkR = 0x000000FF, kWorkG = 0x0000FF00, kWorkB = 0x00FF0000, kWorkA = 0xFF000000;
// Masks of the 32-bit result (the layout of a 32-bit display).
constexpr Uint32 kOutR = 0x00FF0000, kOutG = 0x0000FF00, kOutB = 0x000000FF;

Uint32 GetPixel(const SDL_Surface* s, int x, int y) {
    const uint8_t* p = static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
    switch (s->format->BytesPerPixel) {
    case 1: return *p;
    case 2: return *reinterpret_cast<const Uint16*>(p);
    case 3:
        return SDL_BYTEORDER == SDL_BIG_ENDIAN ? (Uint32(p[0]) << 16 | Uint32(p[1]) << 8 | p[2])
                                               : (Uint32(p[2]) << 16 | Uint32(p[1]) << 8 | p[0]);
    default: return *reinterpret_cast<const Uint32*>(p);
    }
}

double Sinc(double x) {
    if (x == 0.0) return 1.0;
    double px = M_PI * x;
    return std::sin(px) / px;
}

// Weights of one output sample along an axis: first source index and taps.
struct Taps {
    int first;
    std::vector<float> weights;
};

// Lanczos filter for one axis from src to dst samples. Downscaling stretches
// the kernel by 1/scale so it averages over every source sample it covers.
std::vector<Taps> AxisTaps(int src, int dst) {
    double s = std::min(double(dst) / src, 1.0);
    int lobes = s <= 0.5 ? 1 : (s < 0.67 ? 2 : 3);
    double kernelScale = s <= 0.5 ? 0.500000000001 : s;
    double radius = lobes / kernelScale;
    double step = double(src) / dst;
    std::vector<Taps> taps(dst);
    for (int i = 0; i < dst; ++i) {
        double centre = (i + 0.5) * step - 0.5;
        int lo = std::max(0, int(std::floor(centre - radius)) + 1);
        int hi = std::min(src - 1, int(std::ceil(centre + radius)) - 1);
        if (hi < lo) lo = hi = std::clamp(int(std::lround(centre)), 0, src - 1);
        Taps& t = taps[i];
        t.first = lo;
        double sum = 0;
        for (int j = lo; j <= hi; ++j) {
            double x = (j - centre) * kernelScale;
            double w = std::fabs(x) < lobes ? Sinc(x) * Sinc(x / lobes) : 0.0;
            t.weights.push_back(float(w));
            sum += w;
        }
        if (std::fabs(sum) < 1e-9) {
            t.weights.assign(t.weights.size(), 0.0f);
            long nearest = std::clamp(std::lround(centre) - lo, 0L, long(t.weights.size()) - 1);
            t.weights[size_t(nearest)] = 1.0f;
        } else {
            for (float& w : t.weights) w = float(w / sum);
        }
    }
    return taps;
}

uint8_t ClampByte(float v) { return uint8_t(std::clamp(int(std::lround(v)), 0, 255)); }

// Resamples an RGBA (work layout) surface into another of the target size.
void Resample(SDL_Surface* src, SDL_Surface* dst) {
    int sw = src->w, sh = src->h, dw = dst->w, dh = dst->h;
    std::vector<Taps> tx = AxisTaps(sw, dw), ty = AxisTaps(sh, dh);
    // Horizontal pass into a float buffer of dw x sh, then vertical.
    std::vector<float> mid(size_t(dw) * sh * 4);
    for (int y = 0; y < sh; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(src->pixels) + y * src->pitch;
        for (int x = 0; x < dw; ++x) {
            float acc[4] = {0, 0, 0, 0};
            const Taps& t = tx[x];
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const uint8_t* p = row + (t.first + k) * 4;
                for (int c = 0; c < 4; ++c) acc[c] += t.weights[k] * p[c];
            }
            std::copy(acc, acc + 4, &mid[(size_t(y) * dw + x) * 4]);
        }
    }
    for (int y = 0; y < dh; ++y) {
        uint8_t* row = static_cast<uint8_t*>(dst->pixels) + y * dst->pitch;
        const Taps& t = ty[y];
        for (int x = 0; x < dw; ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const float* p = &mid[(size_t(t.first + k) * dw + x) * 4];
                for (int c = 0; c < 4; ++c) acc[c] += t.weights[k] * p[c];
            }
            for (int c = 0; c < 4; ++c) row[x * 4 + c] = ClampByte(acc[c]);
        }
    }
}

SDL_Surface* ConvertToOutput(SDL_Surface* s, bool alpha) {
    SDL_Surface* fmt = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, kOutR, kOutG, kOutB, alpha ? 0xFF000000 : 0);
    if (!fmt) return nullptr;
    SDL_Surface* out = SDL_ConvertSurface(s, fmt->format, SDL_SWSURFACE);
    SDL_FreeSurface(fmt);
    return out;
}

// A 32-bit uncompressed BMP, bottom-up, bytes blue, green, red, alpha.
bool Write32BitBmp(const char* path, SDL_Surface* s) {
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return false;
    uint32_t imageSize = uint32_t(s->w) * s->h * 4;
    ByteWriter w;
    w.bytes.reserve(54 + imageSize);
    WriteU8(w, 'B');
    WriteU8(w, 'M');
    WriteU32(w, 54 + imageSize);
    WriteU32(w, 0);
    WriteU32(w, 54);
    WriteU32(w, 40);
    WriteI32(w, s->w);
    WriteI32(w, s->h);
    WriteU16(w, 1);
    WriteU16(w, 32);
    WriteU32(w, 0);
    WriteU32(w, imageSize);
    WriteI32(w, 2835);
    WriteI32(w, 2835);
    WriteU32(w, 0);
    WriteU32(w, 0);
    for (int y = s->h - 1; y >= 0; --y) {
        for (int x = 0; x < s->w; ++x) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(GetPixel(s, x, y), s->format, &r, &g, &b, &a);
            WriteU8(w, b);
            WriteU8(w, g);
            WriteU8(w, r);
            WriteU8(w, a);
        }
    }
    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
    return WriteFileReplacing(path, w.bytes.data(), w.bytes.size());
}

}  // namespace

void ResetScreenshotCounter() { screenshotCounter = 0; }

bool HasTransparency(SDL_Surface* surface) {
    if (!surface) return false;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
    bool found = false;
    for (int y = 0; y < surface->h && !found; ++y) {
        for (int x = 0; x < surface->w; ++x) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(GetPixel(surface, x, y), surface->format, &r, &g, &b, &a);
            if (a < 255) {
                found = true;
                break;
            }
        }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return found;
}

SDL_Surface* ScaleSurface(SDL_Surface* surface, int width, int height) {
    if (!surface || width <= 0 || height <= 0) return nullptr;
    if (surface->w == width && surface->h == height) return ConvertToOutput(surface, HasTransparency(surface));
    SDL_Surface* work = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, kWorkR, kWorkG, kWorkB, kWorkA);
    if (!work) return nullptr;
    SDL_Surface* source = SDL_ConvertSurface(surface, work->format, SDL_SWSURFACE);
    if (!source) {
        SDL_FreeSurface(work);
        return nullptr;
    }
    Resample(source, work);
    SDL_Surface* out = ConvertToOutput(work, HasTransparency(source));
    SDL_FreeSurface(source);
    SDL_FreeSurface(work);
    return out;
}

bool TakeScreenshot(int width, int height) {
    SDL_Surface* screen = SDL_GetVideoSurface();
    if (!screen) return false;
    EnterBaseDirectory();
    mkdir("screens", 0777);
    char path[64];
    bool free = false;
    for (int tries = 0; tries < kMaxScreenshotTries && !free; ++tries) {
        snprintf(path, sizeof path, "screens/shot%04d.bmp", screenshotCounter++);
        // Any entry of that name is taken, even one that cannot be opened.
        struct stat st;
        free = lstat(path, &st) != 0 && errno == ENOENT;
    }
    if (!free) return false;
    if (width == 0 || height == 0) return SDL_SaveBMP(screen, path) == 0;
    SDL_Surface* copy = ConvertToOutput(screen, false);
    if (!copy) return false;
    SDL_Surface* scaled = ScaleSurface(copy, width, height);
    SDL_FreeSurface(copy);
    if (!scaled) return false;
    bool ok = Write32BitBmp(path, scaled);
    SDL_FreeSurface(scaled);
    return ok;
}
