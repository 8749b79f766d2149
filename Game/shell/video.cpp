// Video surfaces and the operations the drawing code uses on them: display
// modes, setting the mode, fills, copies, locking and presenting, and the
// 80 x 60 UI grid. Everything is composed in the 8-bit back buffer and
// reaches the screen with one copy and one flip.
#include "Game/shell/video.h"
#include <algorithm>

std::vector<DisplayMode> displayModes;
int32_t screenWidth = 0, screenHeight = 0;
SDL_Surface* backBuffer = nullptr;
SDL_Surface* backgroundSurface = nullptr;
SDL_Surface* lockedSurface = nullptr;
uint8_t* lockedPixels = nullptr;
int32_t lockedPitch = 0;
int32_t uiScale = 0;
int32_t lineWidth = 0;
int32_t shadowOffset = 0;

namespace {

Uint32 ModeFlags(bool windowed) { return windowed ? 0 : (SDL_FULLSCREEN | SDL_HWPALETTE); }

SDL_Surface* MakeOffscreen(int w, int h) { return SDL_CreateRGBSurface(0, w, h, 8, 0, 0, 0, 0); }

// Creates the back buffer and the background surface at the video size and
// gives them the current palette; on failure neither is kept.
bool MakeOffscreenSurfaces() {
    backBuffer = MakeOffscreen(screenWidth, screenHeight);
    backgroundSurface = MakeOffscreen(screenWidth, screenHeight);
    if (!backBuffer || !backgroundSurface) {
        FreeVideoSurfaces();
        return false;
    }
    uint32_t packed[256];
    CurrentPalette(packed);
    return true;
}

}  // namespace

SDL_Surface* GetSurface(int id) {
    switch (id) {
    case kScreenSurface: return SDL_GetVideoSurface();
    case kBackBuffer: return backBuffer;
    case kBackgroundSurface: return backgroundSurface;
    default: return nullptr;
    }
}

void SetUiScale(int32_t width, int32_t height) {
    int32_t s = width / 80;
    if (s * 60 > height) s = height / 60;
    uiScale = s;
    lineWidth = s / 4;
    shadowOffset = (lineWidth + 1) / 2;
}

float UiOriginX() { return float(screenWidth - 80 * uiScale) / 2.0f; }
float UiOriginY() { return float(screenHeight - 60 * uiScale) / 2.0f; }

std::vector<DisplayMode> SortDisplayModes(std::vector<DisplayMode> modes) {
    std::sort(modes.begin(), modes.end(), [](const DisplayMode& a, const DisplayMode& b) {
        return a.width != b.width ? a.width > b.width : a.height > b.height;
    });
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [](const DisplayMode& a, const DisplayMode& b) {
                                return a.width == b.width && a.height == b.height;
                            }),
                modes.end());
    return modes;
}

std::vector<DisplayMode> EnumerateDisplayModes() {
    std::vector<DisplayMode> modes;
    SDL_Rect** list = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_ListModes(nullptr, SDL_FULLSCREEN) : nullptr;
    if (list && list != reinterpret_cast<SDL_Rect**>(-1)) {
        for (int i = 0; list[i]; ++i) modes.push_back({list[i]->w, list[i]->h});
    }
    if (modes.empty()) {
        // SDL accepts any size (or lists none, as the dummy driver does):
        // offer the common sizes from 640 x 480 up.
        static const DisplayMode common[] = {
            {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
            {1280, 960},  {1280, 1024}, {1366, 768},  {1440, 900},  {1600, 900},  {1600, 1200},
            {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160}};
        modes.assign(std::begin(common), std::end(common));
    }
    return SortDisplayModes(modes);
}

void ListDisplayModes() { displayModes = EnumerateDisplayModes(); }

void SetScreenSize(int32_t width, int32_t height) {
    screenWidth = width;
    screenHeight = height;
}

bool IsDisplayMode(int32_t width, int32_t height) {
    for (const DisplayMode& m : displayModes) {
        if (int64_t(m.width) == width && int64_t(m.height) == height) return true;
    }
    return false;
}

void FreeVideoSurfaces() {
    if (lockedSurface && lockedSurface != SDL_GetVideoSurface()) UnlockSurface();
    SDL_FreeSurface(backBuffer);
    SDL_FreeSurface(backgroundSurface);
    backBuffer = nullptr;
    backgroundSurface = nullptr;
}

bool SetVideoMode(bool windowed) {
    if (!SDL_SetVideoMode(screenWidth, screenHeight, 8, ModeFlags(windowed))) return false;
    return MakeOffscreenSurfaces();
}

bool ResetVideoMode(int32_t width, int32_t height, bool windowed) {
    FreeVideoSurfaces();
    SetScreenSize(width, height);
    return SetVideoMode(windowed);
}

void FillRect(uint8_t colour, int x1, int y1, int x2, int y2) {
    FillRectWH(colour, x1, y1, int(std::clamp<int64_t>(int64_t(x2) - x1, -1, INT32_MAX)),
               int(std::clamp<int64_t>(int64_t(y2) - y1, -1, INT32_MAX)));
}

// SDL_Rect holds 16-bit fields: clip to the surface in 64-bit integers
// first so that large or negative values cannot wrap. False when empty.
static bool ClipRect(const SDL_Surface* s, int x, int y, int w, int h, SDL_Rect& out) {
    if (w <= 0 || h <= 0) return false;
    int64_t x1 = std::max<int64_t>(x, 0), y1 = std::max<int64_t>(y, 0);
    int64_t x2 = std::min<int64_t>(int64_t(x) + w, s->w), y2 = std::min<int64_t>(int64_t(y) + h, s->h);
    if (x1 >= x2 || y1 >= y2) return false;
    out = {Sint16(x1), Sint16(y1), Uint16(x2 - x1), Uint16(y2 - y1)};
    return true;
}

void FillRectWH(uint8_t colour, int x, int y, int w, int h) {
    SDL_Rect r;
    if (backBuffer && ClipRect(backBuffer, x, y, w, h, r)) SDL_FillRect(backBuffer, &r, colour);
}

void FillRect(uint8_t colour, const ScreenRect* rect) {
    if (!backBuffer) return;
    if (!rect) {
        SDL_FillRect(backBuffer, nullptr, colour);
        return;
    }
    FillRect(colour, rect->x1, rect->y1, rect->x2, rect->y2);
}

bool Blit(int src, int dst) {
    SDL_Surface* s = GetSurface(src);
    SDL_Surface* d = GetSurface(dst);
    if (!s || !d) return false;
    return SDL_BlitSurface(s, nullptr, d, nullptr) == 0;
}

bool RestoreRect(int x, int y, int w, int h) {
    SDL_Rect r;
    if (!backBuffer || !backgroundSurface || !ClipRect(backgroundSurface, x, y, w, h, r)) return false;
    SDL_Rect d = r;
    return SDL_BlitSurface(backgroundSurface, &r, backBuffer, &d) == 0;
}

bool LockSurface(int id) {
    SDL_Surface* s = GetSurface(id);
    if (!s) return false;
    if (lockedSurface) UnlockSurface();
    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return false;
    lockedSurface = s;
    lockedPixels = static_cast<uint8_t*>(s->pixels);
    lockedPitch = s->pitch;
    return true;
}

void UnlockSurface() {
    if (lockedSurface && SDL_MUSTLOCK(lockedSurface)) SDL_UnlockSurface(lockedSurface);
    lockedSurface = nullptr;
    lockedPixels = nullptr;
    lockedPitch = 0;
}

void Present() {
    SDL_Surface* screen = SDL_GetVideoSurface();
    if (!screen || !Blit(kBackBuffer, kScreenSurface)) return;
    SDL_Flip(screen);
}
