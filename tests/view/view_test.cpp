// The race view's primitives, particles and HUD, checked pixel by pixel on
// small buffers with guard bytes around them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/shell/video.h"
#include "Game/view/view.h"

namespace {

constexpr int kW = 40, kH = 30, kPitch = 64, kGuardRows = 4;
constexpr uint8_t kBack = 0, kGuard = 99;

struct Canvas {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(kPitch) * (kH + 2 * kGuardRows), kGuard);
    std::vector<uint16_t> depth = std::vector<uint16_t>(kW * kH, 65535);
    std::vector<uint8_t> shade = std::vector<uint8_t>(kW * kH, 7);
    Canvas()
    {
        for (int y = 0; y < kH; ++y) std::memset(Row(y), kBack, kW);
        SetViewTarget(Row(0), kPitch, kW, kH, depth.data(), shade.data());
    }
    uint8_t* Row(int y) { return bytes.data() + static_cast<size_t>(y + kGuardRows) * kPitch; }
    uint8_t At(int x, int y) { return Row(y)[x]; }
    // Every byte outside the kW x kH picture is still the guard value.
    bool GuardsIntact()
    {
        for (int y = -kGuardRows; y < kH + kGuardRows; ++y)
            for (int x = 0; x < kPitch; ++x) {
                bool inside = y >= 0 && y < kH && x < kW;
                if (!inside && Row(y)[x] != kGuard) return false;
            }
        return true;
    }
};

ViewPoint P(float x, float y, float z)
{
    ViewPoint p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.valid = true;
    return p;
}

// The pixels a triangle should cover: rows r with ymin < r <= ymax, and on
// each row the x with left < x <= right, from the edges' crossings of the row.
bool Expected(const ViewPoint t[3], int x, int y)
{
    float xs[3];
    int n = 0;
    for (int e = 0; e < 3; ++e) {
        ViewPoint a = t[e], b = t[(e + 1) % 3];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        if (y < a.y || y > b.y) continue;
        xs[n++] = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
    }
    if (n < 2) return false;
    float lo = std::min({xs[0], xs[1], n > 2 ? xs[2] : xs[0]});
    float hi = std::max({xs[0], xs[1], n > 2 ? xs[2] : xs[0]});
    float ymin = std::min({t[0].y, t[1].y, t[2].y});
    return y > ymin && x > lo && x <= hi;
}

const float kFlat[3] = {0, 0, 0};

// The race's random table from seed as the particles' randomness, the view's ring empty, the disc table built.
void ResetParticles(unsigned seed, uint16_t cursor)
{
    BuildDiscTable();
    FillRandomTable(seed);
    viewRandom = NextRandom;
    for (ViewParticle& p : viewRace.particles) p = ViewParticle{};
    viewRace.particleNext = cursor;
}

}  // namespace

TEST(ViewTriangle, FillsExactlyItsPixelsAndNothingOffScreen)
{
    // A front-facing triangle inside, one crossing every edge, and its mirror (culled).
    const ViewPoint cases[2][3] = {{P(3.3f, 2.7f, 5), P(11.6f, 20.2f, 5), P(30.1f, 9.4f, 5)},
                                   {P(-12.5f, -6.2f, 5), P(8.0f, 45.5f, 5), P(61.7f, 12.3f, 5)}};
    for (const auto& tri : cases) {
        Canvas c;
        FillTriangle(tri, kFlat, 50, false);
        int drawn = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                bool want = Expected(tri, x, y);
                EXPECT_EQ(c.At(x, y), want ? 50 : kBack) << x << "," << y;
                drawn += want;
            }
        EXPECT_GT(drawn, 50);
        EXPECT_TRUE(c.GuardsIntact());
        Canvas back;
        const ViewPoint mirrored[3] = {tri[0], tri[2], tri[1]};
        FillTriangle(mirrored, kFlat, 50, false);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) ASSERT_EQ(back.At(x, y), kBack);
    }
}

TEST(ViewTriangle, GouraudShadeFollowsThePlaneThroughTheVertices)
{
    Canvas c;
    // Shade 0 on the left edge rising to 3 on the right: colour = base + floor(shade).
    const ViewPoint tri[3] = {P(0, 0, 5), P(0, 29.5f, 5), P(39.5f, 0, 5)};
    const float shade[3] = {0, 0, 3.95f};
    FillTriangle(tri, shade, 192, false);
    EXPECT_EQ(c.At(1, 1), 192);
    EXPECT_EQ(c.At(38, 1), 192 + static_cast<int>(std::floor(3.95f * 38 / 39.5f)));
    EXPECT_EQ(c.At(20, 2), 192 + static_cast<int>(std::floor(3.95f * 20 / 39.5f)));
}

TEST(ViewTriangle, HiddenExactlyWhereTheTerrainIsNearer)
{
    Canvas c;
    // A hill covers the left half at depth 10 (in depth units); the triangle's
    // average depth is 20 units, so its left part is hidden, the right part drawn.
    const float z = 20 * kViewDepthScale + kViewDepthScale * 0.5f;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) c.depth[y * kW + x] = x < 20 ? 10 : (x < 25 ? 20 : 21);
    const ViewPoint tri[3] = {P(1, 1, z), P(1, 28, z), P(38, 14, z)};
    FillTriangle(tri, kFlat, 50, false);
    int hiddenChecked = 0, shownChecked = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (!Expected(tri, x, y)) continue;
            // Equal depth (20) hides too: only a strictly nearer primitive is drawn.
            bool visible = x >= 25;
            EXPECT_EQ(c.At(x, y), visible ? 50 : kBack) << x << "," << y;
            (visible ? shownChecked : hiddenChecked)++;
        }
    EXPECT_GT(hiddenChecked, 0);
    EXPECT_GT(shownChecked, 0);
    // The flag that skips the test draws it whole.
    Canvas d;
    std::fill(d.depth.begin(), d.depth.end(), uint16_t(1));
    FillTriangle(tri, kFlat, 50, true);
    EXPECT_EQ(d.At(10, 14), 50);
}

TEST(ViewDisc, PartlyOffTheTopDrawsOnlyItsVisibleRows)
{
    BuildDiscTable();
    Canvas c;
    // Screen radius 6 (scale 40 x 3 / 20), centre 3 rows above the screen.
    FillDisc(P(20, -3, 20), 3, 60, false);
    EXPECT_TRUE(c.GuardsIntact());
    for (int y = 0; y < kH; ++y) {
        int count = 0;
        for (int x = 0; x < kW; ++x) count += c.At(x, y) == 60;
        int index = static_cast<int>(std::floor(((y + 3) / 6.0f + 1) * 50));
        if (index >= kDiscRows) {
            EXPECT_EQ(count, 0) << "row " << y;
            continue;
        }
        float hw = discHalfWidth[index] * 6;
        int want = static_cast<int>(std::floor(20 + hw)) - (static_cast<int>(std::floor(20 - hw)) + 1) + 1;
        EXPECT_EQ(count, want) << "row " << y;
        EXPECT_GT(count, 0) << "row " << y;
    }
    EXPECT_EQ(c.At(20, 0), 60);
    EXPECT_EQ(c.At(20, 3), kBack);
}

TEST(ViewShadow, CopiesTheShadeMapAndRespectsDepth)
{
    Canvas c;
    for (int i = 0; i < kW * kH; ++i) c.shade[i] = static_cast<uint8_t>(100 + i % 7);
    for (int y = 0; y < kH; ++y) c.depth[y * kW + 5] = 1;  // a post in column 5
    const ViewPoint tri[3] = {P(0, 0, 5), P(0, 29.5f, 5), P(39.5f, 0, 5)};
    ShadowTriangle(tri);
    EXPECT_EQ(c.At(2, 2), c.shade[2 * kW + 2]);
    EXPECT_EQ(c.At(5, 2), kBack);
}

TEST(ViewParticles, PoolSizeZeroNeitherCreatesMovesNorDraws)
{
    Canvas c;
    ResetParticles(7, 0);
    for (Particle& p : raceState.particles) p = Particle{};
    raceState.particleNext = 0;
    settings.effects = 0;
    EmitParticle(0, 100, Vec3{1, 1, 1}, Vec3{});
    for (const Particle& p : raceState.particles) ASSERT_EQ(p.life, 0);
    // A slot left alive from before is not moved or drawn either.
    SetViewTarget(c.Row(0), kPitch, kW, kH, c.depth.data(), c.shade.data());
    viewTarget.T = {0, 0, -10};
    viewTarget.D = {0, 0, 1};
    viewTarget.H = {1, 0, 0};
    viewTarget.V = {0, -1, 0};
    viewRace.particles[0] = ViewParticle{9, 50, Vec3{0, 0, 0}, Vec3{0, 5, 0}};
    viewOptions.effects = 0;
    DrawParticles(3);
    EXPECT_EQ(viewRace.particles[0].life, 50);
    EXPECT_EQ(viewRace.particles[0].position.y, 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(c.At(x, y), kBack);
    // With a pool the rocket moves, ages and is drawn.
    viewOptions.effects = 256;
    DrawParticles(3);
    EXPECT_EQ(viewRace.particles[0].life, 47);
    EXPECT_GT(viewRace.particles[0].position.y, 0);
    int drawn = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) drawn += c.At(x, y) != kBack;
    EXPECT_GT(drawn, 0);
    // Moving alone takes the same path and draws nothing.
    Canvas blank;
    ViewParticle drawnCopy = viewRace.particles[0];
    viewRace.particles[1] = ViewParticle{9, 50, Vec3{0, 0, 0}, Vec3{0, 5, 0}};
    viewRace.particles[0] = ViewParticle{};
    MoveParticles(3);
    EXPECT_EQ(viewRace.particles[1].life, drawnCopy.life);
    EXPECT_EQ(viewRace.particles[1].position.y, drawnCopy.position.y);
    EXPECT_EQ(viewRace.particles[1].velocity.y, drawnCopy.velocity.y);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(blank.At(x, y), kBack);
}

TEST(ViewParticles, ABurstingRocketLeavesTenSparksFromTheCursor)
{
    Canvas c;
    ResetParticles(3, 250);
    viewOptions.effects = 256;
    viewRace.particles[5] = ViewParticle{11, 1, Vec3{0, 0, 0}, Vec3{}};
    DrawParticles(1);
    EXPECT_EQ(viewRace.particles[5].life, 0);
    int sparks = 0;
    // Sparks put into slots after the rocket's are moved once in the same pass.
    for (const ViewParticle& p : viewRace.particles) sparks += p.life >= 254 && p.kind == 16;
    EXPECT_EQ(sparks, 10);
    EXPECT_EQ(viewRace.particleNext, 4);  // 250 .. 255, then 0 .. 3
}

TEST(ViewHud, GaugesAtZeroAndFull)
{
    uiScale = 8;
    lineWidth = 2;
    shadowOffset = 1;
    Canvas c;
    const int C = 8, G = 2, L = 1, y0 = kH - 2 * (C + G);  // y0 = 10
    DrawGaugeBar(4, 65535, 247);
    // Full: the colour over 2C rows, inset by L; the frame L around it.
    for (int y = y0; y < y0 + 2 * C; ++y) {
        EXPECT_EQ(c.At(4, y), 241);
        EXPECT_EQ(c.At(4 + L, y), 247);
        EXPECT_EQ(c.At(4 + 3 * G - 1 - L, y), 247);
        EXPECT_EQ(c.At(4 + 3 * G - 1, y), 241);
    }
    EXPECT_EQ(c.At(5, y0 - L), 241);
    EXPECT_EQ(c.At(5, y0 - L - 1), kBack);
    EXPECT_EQ(c.At(5, y0 + 2 * C), 241);
    DrawGaugeBar(20, 0, 244);
    // Empty: only the frame's bottom edge, L rows either side of the bar's foot.
    for (int y = 0; y < kH; ++y)
        for (int x = 20; x < 20 + 3 * G; ++x)
            EXPECT_EQ(c.At(x, y), y >= y0 + 2 * C - L && y < y0 + 2 * C + L ? 241 : kBack) << x << "," << y;
    EXPECT_TRUE(c.GuardsIntact());
}

TEST(ViewHud, ClockIsBlankOnceTheTimeIsUp)
{
    char text[16];
    RaceClockText(RemainingSeconds(1000, 875), text);
    EXPECT_STREQ(text, "02:05");
    RaceClockText(RemainingSeconds(1000, 1000), text);
    EXPECT_STREQ(text, " ");
    RaceClockText(RemainingSeconds(1000, 1200), text);
    EXPECT_STREQ(text, " ");
}

TEST(ViewPanels, TiedRowsShareOneBox)
{
    const int32_t keys[5] = {900, 700, 700, 700, 200};
    bool boxes[5];
    for (int r = 0; r < 5; ++r) boxes[r] = RowStartsGroup(keys, r);
    EXPECT_TRUE(boxes[0]);
    EXPECT_TRUE(boxes[1]);
    EXPECT_FALSE(boxes[2]);
    EXPECT_FALSE(boxes[3]);
    EXPECT_TRUE(boxes[4]);
}

TEST(ViewPanels, DarkeningMapsThroughTheGreyRamp)
{
    uiScale = 1;
    lineWidth = 0;
    shadowOffset = 0;
    viewRace.carCount = 2;
    Canvas c;
    for (int i = 0; i < 256; ++i) currentPalette[i] = SDL_Color{static_cast<Uint8>(i), 200, 100, 0};
    c.Row(15)[20] = 30;
    DarkenPanel();
    // grey 1 + floor(0.07 * (0.6 g + 0.3 b + 0.1 r)) with r = 30, g = 200, b = 100
    EXPECT_EQ(c.At(20, 15), 1 + static_cast<int>(0.07f * (0.6f * 200 + 0.3f * 100 + 0.1f * 30)));
    EXPECT_EQ(c.At(15, 15), 1 + static_cast<int>(0.07f * (0.6f * 200 + 0.3f * 100)));
    EXPECT_EQ(c.At(0, 0), kBack);  // outside the panel: untouched
}

namespace {
int ghostCalls = 0;
bool GhostAhead(Vec3& pos, Vec3& side, Vec3& up, Vec3& forward)
{
    ++ghostCalls;
    pos = {0, 0, 0};
    side = {1, 0, 0};
    up = {0, 1, 0};
    forward = {0, 0, 1};
    return true;
}
}  // namespace

TEST(ViewScene, GhostOnlyWithExactlyOneCarAndNoReplay)
{
    BuildDiscTable();
    Canvas c;
    viewTarget.T = {0, 30, 0};
    viewTarget.D = {0, -1, 0};     // looking straight down
    viewTarget.H = {1, 0, 0};
    viewTarget.V = {0, 0, -1};
    viewTarget.scale = 40;
    viewTarget.aspect = 0.75f;
    static CarDefinition definitions[kViewCars];
    for (int i = 0; i < kViewCars; ++i) {
        definitions[i] = CarDefinition{};
        viewRace.cars[i] = ViewCar{};
        viewRace.cars[i].definition = &definitions[i];
        viewRace.cars[i].pos = {100, 0, 100};   // off screen
        viewRace.cars[i].side = {1, 0, 0};
        viewRace.cars[i].up = {0, 1, 0};
        viewRace.cars[i].forward = {0, 0, 1};
    }
    // A ghost body: one big triangle under the camera, both windings.
    CarDefinition& d = definitions[0];
    d.vertexCount = 3;
    d.vertices[0] = {-8, 0, -6};
    d.vertices[1] = {8, 0, -6};
    d.vertices[2] = {0, 0, 6};
    d.triangleIndexCount = 6;
    const uint8_t tris[6] = {0, 1, 2, 0, 2, 1};
    std::memcpy(d.triangles, tris, sizeof tris);
    viewOptions = ViewOptions{};
    viewOptions.shadows = false;
    viewOptions.ghost = true;
    viewOptions.ghostPose = GhostAhead;
    ghostCalls = 0;
    viewRace.carCount = 2;
    DrawSceneSorted();
    EXPECT_EQ(ghostCalls, 0);
    EXPECT_EQ(c.At(20, 15), kBack);
    viewOptions.replay = true;
    viewRace.carCount = 1;
    DrawSceneSorted();
    EXPECT_EQ(ghostCalls, 0);
    viewOptions.replay = false;
    DrawSceneSorted();
    EXPECT_EQ(ghostCalls, 1);
    EXPECT_EQ(c.At(20, 15), 7);  // the shade map's colour: a dark silhouette
}

#include "Game/game.h"

TEST(RaceCommandLine, ReadsTheRaceAndRefusesBadNumbers)
{
    auto parse = [](std::vector<const char*> args, RaceCommand& c, std::string& e) {
        args.insert(args.begin(), "Dustwhirl");
        return ParseGameArguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), c, e);
    };
    RaceCommand c;
    std::string e;
    ASSERT_TRUE(parse({"--race", "x.trk", "--laps", "3", "--cars", "4"}, c, e));
    EXPECT_TRUE(c.active);
    EXPECT_EQ(c.trackPath, "x.trk");
    EXPECT_EQ(c.laps, 3);
    EXPECT_EQ(c.cars, 4);
    ASSERT_TRUE(parse({}, c, e));
    EXPECT_FALSE(c.active);
    for (auto bad : std::vector<std::vector<const char*>>{{"--race"}, {"--race", "x.trk", "--cars", "7"},
                                                          {"--race", "x.trk", "--laps", "0"},
                                                          {"--race", "x.trk", "--laps", "2x"},
                                                          {"--laps", "3"}, {"--speed"}}) {
        e.clear();
        EXPECT_FALSE(parse(bad, c, e));
        EXPECT_FALSE(e.empty());
    }
}
