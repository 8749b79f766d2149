#include "Game/shell/settings.h"
#include "Game/shell/video.h"
#include "temp_folder.h"
#include <gtest/gtest.h>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// SDL video on the dummy driver with the mode and surfaces at a given size.
struct VideoFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screenWidth = 640;
        screenHeight = 480;
        ASSERT_TRUE(SetVideoMode(true));
    }
    void TearDown() override {
        UnlockSurface();
        FreeVideoSurfaces();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

uint8_t PixelAt(SDL_Surface* s, int x, int y) { return static_cast<uint8_t*>(s->pixels)[y * s->pitch + x]; }

std::string PaletteFile(size_t entries, uint8_t base) {
    std::string f(24, 'h');
    for (size_t i = 0; i < entries * 4; ++i) f.push_back(char(uint8_t(base + i)));
    return f;
}

// Packed colour of entry i in a file made by PaletteFile(256, base).
uint32_t FileEntry(int i, uint8_t base) {
    uint8_t r = uint8_t(base + i * 4), g = uint8_t(r + 1), b = uint8_t(r + 2);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

std::string AsString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

void FillPacked(uint32_t packed[256], uint32_t value) {
    for (int i = 0; i < 256; ++i) packed[i] = value;
}

struct BmpInfo {
    int width = 0, height = 0, bpp = 0;
};
BmpInfo ReadBmpInfo(const std::vector<uint8_t>& b) {
    BmpInfo info;
    ByteReader r = MakeReader(b);
    ReaderSeek(r, 18);
    info.width = ReadI32(r);
    info.height = ReadI32(r);
    ReadU16(r);
    info.bpp = ReadU16(r);
    return info;
}

}  // namespace

TEST(Palette, BuiltInColoursFollowTheTable) {
    auto rgb = [](int i) { return std::vector<int>{builtinPalette[i][0], builtinPalette[i][1], builtinPalette[i][2]}; };
    EXPECT_EQ(rgb(0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(14), (std::vector<int>{96, 96, 96}));       // 200 * 14 / 29 = 96.55
    EXPECT_EQ(rgb(29), (std::vector<int>{200, 200, 200}));
    EXPECT_EQ(rgb(31), (std::vector<int>{67, 108, 44}));      // t = 1/14
    EXPECT_EQ(rgb(47), (std::vector<int>{82, 70, 58}));       // 90*2/14, 75*2/14, 60*2/14
    EXPECT_EQ(rgb(95), (std::vector<int>{190, 205, 219}));    // 85*5/14 = 30.36, 70*5/14 = 25, 55*5/14 = 19.6
    EXPECT_EQ(rgb(112), (std::vector<int>{227, 225, 30}));
    EXPECT_EQ(rgb(119), (std::vector<int>{255, 60, 60}));
    EXPECT_EQ(rgb(120), (std::vector<int>{6, 70, 134}));      // blue tint of entry 2 (13, 13, 13)
    EXPECT_EQ(rgb(143), (std::vector<int>{113, 79, 143}));    // blue tint of entry 117 (227, 30, 30)
    EXPECT_EQ(rgb(145), (std::vector<int>{225, 225, 205}));   // t = 0.5 of the first ramp
    EXPECT_EQ(rgb(147), (std::vector<int>{112, 176, 230}));   // blue tint of entry 145
    EXPECT_EQ(rgb(169), (std::vector<int>{50, 50, 50}));      // grey 60t + 20 at t = 0.5
    EXPECT_EQ(rgb(172), (std::vector<int>{210, 210, 0}));
    EXPECT_EQ(rgb(190), (std::vector<int>{200, 120, 80}));
    EXPECT_EQ(rgb(192), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(rgb(240), (std::vector<int>{0, 100, 150}));
    EXPECT_EQ(rgb(247), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(rgb(248), (std::vector<int>{64, 160, 255}));
    EXPECT_EQ(rgb(255), (std::vector<int>{255, 255, 255}));
}

TEST(Palette, FilesReplaceAllButTheCarColours) {
    TempFolder dir;
    uint32_t packed[256];
    FillPacked(packed, 0x123456);
    dir.Write("short.pal", PaletteFile(256, 0).substr(0, 1047));
    EXPECT_FALSE(ReadPaletteFile(dir.File("short.pal").c_str(), packed));
    EXPECT_EQ(packed[0], 0x123456u);
    EXPECT_FALSE(ReadPaletteFile(dir.File("absent.pal").c_str(), packed));

    dir.Write("full.pal", PaletteFile(256, 0) + "trailing bytes are fine");
    ASSERT_TRUE(ReadPaletteFile(dir.File("full.pal").c_str(), packed));
    EXPECT_EQ(packed[0], 0x000102u);  // red, green, blue; flags skipped
    EXPECT_EQ(packed[1], 0x040506u);
    EXPECT_EQ(packed[191], FileEntry(191, 0));
    for (int i = kCarColoursFirst; i <= kCarColoursLast; ++i) EXPECT_EQ(packed[i], 0x123456u) << i;
    EXPECT_EQ(packed[240], FileEntry(240, 0));
    EXPECT_EQ(packed[255], FileEntry(255, 0));

    FillPacked(packed, 0x654321);
    BuiltinPalette(packed);
    EXPECT_EQ(packed[29], 0xC8C8C8u);
    EXPECT_EQ(packed[200], 0x654321u);
}

TEST_F(VideoFixture, LoadPaletteKeepsCarColoursAndFallsBack) {
    TempFolder dir;
    uint32_t packed[256];
    FillPacked(packed, 0x0A0B0C);
    ApplyPalette(packed);
    EXPECT_EQ(backBuffer->format->palette->colors[5].g, 0x0B);

    strcpy(settings.palette, "Missing");
    LoadPalette();
    CurrentPalette(packed);
    EXPECT_EQ(packed[29], 0xC8C8C8u);
    EXPECT_EQ(packed[239], 0x0A0B0Cu);

    // Looked up without regard to case; a name with a folder in it is refused.
    mkdir(dir.File("palettes").c_str(), 0777);
    dir.Write("palettes/sunset.pal", PaletteFile(256, 7));
    strcpy(settings.palette, "Sunset");
    LoadPalette();
    CurrentPalette(packed);
    EXPECT_EQ(packed[0], FileEntry(0, 7));
    EXPECT_EQ(packed[191], FileEntry(191, 7));
    EXPECT_EQ(packed[192], 0x0A0B0Cu);
    EXPECT_EQ(backgroundSurface->format->palette->colors[0].r, 7);
    strcpy(settings.palette, "../palettes/sunset");
    LoadPalette();
    CurrentPalette(packed);
    EXPECT_EQ(packed[0], 0x000000u);

    // A pipe of the palette's name is passed over at once (a hang fails the
    // test through ctest's time limit): the built-in colours are used.
    ASSERT_EQ(mkfifo(dir.File("palettes/pipe.pal").c_str(), 0666), 0);
    ApplyPalette(packed);
    strcpy(settings.palette, "pipe");
    LoadPalette();
    CurrentPalette(packed);
    EXPECT_EQ(packed[29], 0xC8C8C8u);
}

TEST(DisplayModes, OneEntryPerSizeLargestFirst) {
    std::vector<DisplayMode> modes = SortDisplayModes(
        {{1024, 768}, {640, 480}, {1024, 768}, {1280, 720}, {1280, 1024}, {1024, 768}, {800, 600}});
    std::vector<std::pair<uint32_t, uint32_t>> got;
    for (const DisplayMode& m : modes) got.push_back({m.width, m.height});
    EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{
                       {1280, 1024}, {1280, 720}, {1024, 768}, {800, 600}, {640, 480}}));

    displayModes = modes;
    EXPECT_TRUE(IsDisplayMode(800, 600));
    EXPECT_FALSE(IsDisplayMode(800, 601));
    EXPECT_FALSE(IsDisplayMode(-1, -1));
}

TEST(UiGrid, ScaleAndOrigin) {
    SetUiScale(640, 480);
    EXPECT_EQ(uiScale, 8);
    EXPECT_EQ(lineWidth, 2);
    EXPECT_EQ(shadowOffset, 1);
    SetUiScale(800, 480);
    EXPECT_EQ(uiScale, 8);
    SetUiScale(1920, 1080);
    EXPECT_EQ(uiScale, 18);
    EXPECT_EQ(lineWidth, 4);
    EXPECT_EQ(shadowOffset, 2);
    screenWidth = 1920;
    screenHeight = 1080;
    EXPECT_FLOAT_EQ(UiOriginX(), 240.0f);
    EXPECT_FLOAT_EQ(UiOriginY(), 0.0f);
    screenWidth = 801;
    screenHeight = 480;
    SetUiScale(801, 480);
    EXPECT_FLOAT_EQ(UiOriginX(), 80.5f);
}

TEST_F(VideoFixture, FillsCopiesAndLocking) {
    FillRect(3, nullptr);
    FillRect(7, 10, 20, 30, 25);
    SDL_Surface* b = backBuffer;
    EXPECT_EQ(PixelAt(b, 10, 20), 7);
    EXPECT_EQ(PixelAt(b, 29, 24), 7);
    EXPECT_EQ(PixelAt(b, 30, 24), 3);
    EXPECT_EQ(PixelAt(b, 29, 25), 3);
    EXPECT_EQ(PixelAt(b, 9, 20), 3);
    ScreenRect corners = {50, 60, 52, 61};
    FillRect(8, &corners);
    EXPECT_EQ(PixelAt(b, 51, 60), 8);
    EXPECT_EQ(PixelAt(b, 52, 60), 3);
    EXPECT_EQ(PixelAt(b, 51, 61), 3);
    FillRectWH(9, 630, 470, 100000, 100000);  // clipped, no wrap of the 16-bit rectangle
    EXPECT_EQ(PixelAt(b, 639, 479), 9);
    EXPECT_EQ(PixelAt(b, 629, 479), 3);
    FillRectWH(11, -70000, 0, 70010, 1);
    EXPECT_EQ(PixelAt(b, 9, 0), 11);
    EXPECT_EQ(PixelAt(b, 10, 0), 3);

    SDL_FillRect(backgroundSurface, nullptr, 42);
    EXPECT_TRUE(RestoreRect(100, 100, 2, 3));
    EXPECT_EQ(PixelAt(b, 101, 102), 42);
    EXPECT_EQ(PixelAt(b, 102, 102), 3);
    EXPECT_TRUE(RestoreRect(-70000, 300, 70003, 1));  // clipped at the left edge
    EXPECT_EQ(PixelAt(b, 2, 300), 42);
    EXPECT_EQ(PixelAt(b, 3, 300), 3);
    EXPECT_FALSE(RestoreRect(640, 0, 5, 5));
    EXPECT_TRUE(Blit(kBackgroundSurface, kBackBuffer));
    EXPECT_EQ(PixelAt(b, 0, 0), 42);
    EXPECT_FALSE(Blit(kBackBuffer, 7));

    ASSERT_TRUE(LockSurface(kBackBuffer));
    EXPECT_EQ(lockedSurface, backBuffer);
    EXPECT_EQ(lockedPixels, backBuffer->pixels);
    EXPECT_EQ(lockedPitch, backBuffer->pitch);
    lockedPixels[5 * lockedPitch + 6] = 77;
    UnlockSurface();
    EXPECT_EQ(lockedPixels, nullptr);
    EXPECT_EQ(PixelAt(b, 6, 5), 77);

    FreeVideoSurfaces();
    FillRect(1, nullptr);  // no back buffer: nothing happens
    EXPECT_FALSE(RestoreRect(0, 0, 1, 1));
    EXPECT_FALSE(LockSurface(kBackBuffer));
    EXPECT_FALSE(Blit(kBackBuffer, kScreenSurface));
}

TEST_F(VideoFixture, ResetVideoModeRecreatesSurfacesAtTheNewSize) {
    uint32_t packed[256];
    FillPacked(packed, 0x102030);
    ApplyPalette(packed);
    ASSERT_TRUE(ResetVideoMode(800, 600, true));
    EXPECT_EQ(backBuffer->w, 800);
    EXPECT_EQ(backgroundSurface->h, 600);
    EXPECT_EQ(SDL_GetVideoSurface()->w, 800);
    EXPECT_EQ(backBuffer->format->palette->colors[100].b, 0x30);  // palette survives
}

TEST_F(VideoFixture, ScreenshotsAreNumberedPastExistingFiles) {
    TempFolder dir;
    ResetScreenshotCounter();
    uint32_t packed[256];
    FillPacked(packed, 0);
    packed[5] = 0xFF8000;
    ApplyPalette(packed);
    FillRect(5, nullptr);
    Present();
    mkdir(dir.File("screens").c_str(), 0777);
    dir.Write("screens/shot0000.bmp", "taken");
    // Taken as well: an entry that cannot be opened, and a dangling link.
    ASSERT_EQ(mkfifo(dir.File("screens/shot0001.bmp").c_str(), 0666), 0);
    ASSERT_EQ(symlink("nowhere", dir.File("screens/shot0002.bmp").c_str()), 0);
    ASSERT_TRUE(TakeScreenshot(0, 0));
    ASSERT_TRUE(TakeScreenshot(320, 240));
    EXPECT_EQ(AsString(dir.Read("screens/shot0000.bmp")), "taken");

    std::vector<uint8_t> f12 = dir.Read("screens/shot0003.bmp");
    BmpInfo a = ReadBmpInfo(f12);
    EXPECT_EQ(a.bpp, 8);
    EXPECT_EQ(a.width, 640);
    EXPECT_EQ(a.height, 480);

    std::vector<uint8_t> f11 = dir.Read("screens/shot0004.bmp");
    BmpInfo b = ReadBmpInfo(f11);
    EXPECT_EQ(b.bpp, 32);
    EXPECT_EQ(b.width, 320);
    EXPECT_EQ(b.height, 240);
    ASSERT_EQ(f11.size(), 54u + 320 * 240 * 4);
    // A flat orange screen stays flat orange after resampling (blue, green, red, alpha).
    EXPECT_EQ(f11[54], 0x00);
    EXPECT_EQ(f11[55], 0x80);
    EXPECT_EQ(f11[56], 0xFF);
    EXPECT_EQ(f11[54 + 4 * 1000 + 1], 0x80);
}

namespace {

SDL_Surface* MakeRgba(int w, int h) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
}

void SetRgba(SDL_Surface* s, int x, int y, Uint8 r, Uint8 g, Uint8 b, Uint8 a) {
    static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = SDL_MapRGBA(s->format, r, g, b, a);
}

void GetRgb(SDL_Surface* s, int x, int y, Uint8& r, Uint8& g, Uint8& b, Uint8& a) {
    Uint32 p = static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x];
    SDL_GetRGBA(p, s->format, &r, &g, &b, &a);
}

}  // namespace

TEST(ScaleSurface, DownscalingAveragesAndUpscalingKeepsFlatAreas) {
    // A one-pixel checkerboard of black and white shrunk by 4 becomes mid grey.
    SDL_Surface* checks = MakeRgba(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            Uint8 v = (x + y) % 2 ? 255 : 0;
            SetRgba(checks, x, y, v, v, v, 255);
        }
    SDL_Surface* small = ScaleSurface(checks, 16, 12);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->format->BitsPerPixel, 32);
    Uint8 r, g, b, a;
    for (int y = 1; y < 11; ++y)
        for (int x = 1; x < 15; ++x) {
            GetRgb(small, x, y, r, g, b, a);
            EXPECT_NEAR(r, 128, 12) << x << "," << y;
        }
    EXPECT_FALSE(HasTransparency(small));

    // Left half red, right half blue, blown up 5 times: both halves stay
    // pure away from the edge between them.
    SDL_Surface* halves = MakeRgba(20, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) SetRgba(halves, x, y, x < 10 ? 255 : 0, 0, x < 10 ? 0 : 255, 255);
    SDL_Surface* big = ScaleSurface(halves, 100, 50);
    ASSERT_NE(big, nullptr);
    GetRgb(big, 10, 25, r, g, b, a);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(b, 0);
    GetRgb(big, 90, 25, r, g, b, a);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(b, 255);
    GetRgb(big, 0, 0, r, g, b, a);
    EXPECT_EQ(r, 255);

    // A translucent pixel keeps an alpha channel in the result.
    SetRgba(halves, 3, 3, 255, 0, 0, 10);
    EXPECT_TRUE(HasTransparency(halves));
    SDL_Surface* withAlpha = ScaleSurface(halves, 40, 20);
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_NE(withAlpha->format->Amask, 0u);
    EXPECT_TRUE(HasTransparency(withAlpha));

    EXPECT_EQ(ScaleSurface(halves, 0, 10), nullptr);
    for (SDL_Surface* s : {checks, small, halves, big, withAlpha}) SDL_FreeSurface(s);
}
