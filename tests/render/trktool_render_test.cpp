// trktool render end to end: a track written by the track writer, drawn by
// the tool into 8-bit BMPs with the built-in palette.
#include "Game/shell/video.h"
#include "trackfile/trackfile.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// A scratch path of this test process: ctest runs the tests of this file in
// parallel processes, which must not write the same files.
std::string Scratch(const char* name)
{
    return std::string(DW_BINARY_DIR) + "/render_tool_" + std::to_string(getpid()) + "_" + name;
}

// The scratch files go with the process.
struct ScratchCleanup {
    ~ScratchCleanup()
    {
        for (const char* name : {"hills.trk", "race.bmp", "default.bmp"}) std::remove(Scratch(name).c_str());
    }
} scratchCleanup;

int RunTool(const std::string& args)
{
    std::string cmd = std::string(DW_RUN_DIR) + "/trktool render " + args + " 2>/dev/null";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WriteHillTrack()
{
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 90;
    t.waterLevel = 50;
    t.viewAngle = 45;
    t.rotation = 30;
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i)
            t.heights[j * 64 + i] = static_cast<uint8_t>(70 + 40 * std::sin(i * 0.2) * std::cos(j * 0.15));
    for (int r = 0; r < 512; ++r)
        for (int c = 0; c < 512; ++c) {
            int d = static_cast<int>(std::hypot(c - 256, r - 256));
            t.land[r * 512 + c] = d > 150 && d < 175 ? 0 : (d >= 175 && d < 180 ? 11 : 2);
        }
    for (int k = 0; k < 120; ++k) {
        TrackObject o;
        o.type = static_cast<uint8_t>(1 + k % 35);
        double a = k * 0.05236;
        o.x = static_cast<uint16_t>(512 + std::cos(a) * 400);
        o.y = static_cast<uint16_t>(512 + std::sin(a) * 400);
        o.angle = a;
        t.objects.push_back(o);
    }
    std::string path = Scratch("hills.trk");
    EXPECT_TRUE(WriteTrackFile(path.c_str(), t));
    return path;
}

SDL_Surface* LoadPicture(const std::string& path, int width, int height)
{
    SDL_Surface* s = SDL_LoadBMP(path.c_str());
    EXPECT_NE(s, nullptr) << path;
    if (!s) return nullptr;
    EXPECT_EQ(s->w, width);
    EXPECT_EQ(s->h, height);
    EXPECT_EQ(s->format->BitsPerPixel, 8);
    EXPECT_NE(s->format->palette, nullptr);
    if (s->format->palette)
        for (int k : {0, 29, 44, 120, 147, 191, 240, 248, 255}) {
            SDL_Color c = s->format->palette->colors[k];
            EXPECT_EQ(c.r, builtinPalette[k][0]) << k;
            EXPECT_EQ(c.g, builtinPalette[k][1]) << k;
            EXPECT_EQ(c.b, builtinPalette[k][2]) << k;
        }
    return s;
}

uint8_t At(SDL_Surface* s, int x, int y) { return static_cast<uint8_t*>(s->pixels)[y * s->pitch + x]; }

}  // namespace

TEST(TrktoolRender, WritesTheRacePictureWithItsPanelStrip)
{
    std::string track = WriteHillTrack(), out = Scratch("race.bmp");
    ASSERT_EQ(RunTool(track + " " + out + " 320x240"), 0);
    SDL_Surface* s = LoadPicture(out, 320, 240);
    ASSERT_NE(s, nullptr);
    for (int y = 240 - 20; y < 240; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_EQ(At(s, x, y), 240);
    int terrain = 0, objects = 0, water = 0;
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 320; ++x) {
            uint8_t c = At(s, x, y);
            terrain += c < 120;
            objects += c >= 144 && c < 192 && (c < 164 || c > 167);
            water += (c >= 120 && c < 144) || c >= 248;
        }
    EXPECT_GT(terrain, 10000);
    EXPECT_GT(objects, 200);
    EXPECT_GT(water, 100);
    SDL_FreeSurface(s);
}

TEST(TrktoolRender, DefaultSizeAndPreviews)
{
    std::string track = WriteHillTrack(), out = Scratch("default.bmp");
    ASSERT_EQ(RunTool(track + " " + out), 0);
    SDL_FreeSurface(LoadPicture(out, 640, 480));
    ASSERT_EQ(RunTool("--preview " + track + " " + out), 0);
    SDL_Surface* full = LoadPicture(out, 160, 120);
    ASSERT_EQ(RunTool("--preview --fast " + track + " " + out), 0);
    SDL_Surface* fast = LoadPicture(out, 160, 120);
    ASSERT_TRUE(full && fast);
    int objectsFull = 0, objectsFast = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            uint8_t a = At(full, x, y), b = At(fast, x, y);
            objectsFull += a >= 144 && a < 192 && (a < 164 || a > 167);
            objectsFast += b >= 144 && b < 192 && (b < 164 || b > 167);
        }
    EXPECT_GT(objectsFull, 20);
    EXPECT_EQ(objectsFast, 0);
    // The preview has no panel strip: the world reaches into its bottom rows.
    SDL_FreeSurface(full);
    SDL_FreeSurface(fast);
}

TEST(TrktoolRender, RefusesMissingFilesAndBadSizes)
{
    std::string out = Scratch("never.bmp");
    EXPECT_EQ(RunTool(Scratch("missing.trk") + " " + out), 1);
    std::string track = WriteHillTrack();
    EXPECT_EQ(RunTool(track + " " + out + " 320by240"), 2);
    EXPECT_EQ(RunTool(track + " " + out + " 10x10"), 2);
    EXPECT_EQ(RunTool(track), 2);
    EXPECT_EQ(RunTool(track + " " + Scratch("no/such/dir/out.bmp")), 1);
}
