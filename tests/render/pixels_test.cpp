// The picture, depth buffer and shade map the pixel routines produce.
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "tests/render/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

namespace {

uint8_t Pixel(int x, int y) { return terrainRenderer.image[y * terrainRenderer.pitch + x]; }
uint16_t Depth(int x, int y) { return terrainRenderer.depth[y * terrainRenderer.width + x]; }

}  // namespace

TEST(RenderTables, GroupsRunFromLitToShadedEnds)
{
    uint8_t a[48], b[48];
    FillTerrainColourTables(a, b);
    EXPECT_EQ(a[0], 12);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(a[7], 17);   // tarmac k = 6
    EXPECT_EQ(b[7], 2);
    EXPECT_EQ(b[11], 30);  // grass shares one shaded end
    EXPECT_EQ(a[19], 71);
    EXPECT_EQ(b[19], 60);
    EXPECT_EQ(b[31], 105);  // lines and kerbs step their shaded end every second value
    EXPECT_EQ(b[34], 110);
    EXPECT_EQ(a[39], 116);
    EXPECT_EQ(b[39], 115);
    for (int g = 40; g < 48; ++g) {
        EXPECT_EQ(a[g], 26);
        EXPECT_EQ(b[g], 18);
    }
    // Every terrain colour stays below the water tints at 120.
    for (int g = 0; g < 48; ++g) EXPECT_LT(a[g], 120);
}

TEST(RenderPixels, FlatMapChangesBrightnessSmoothly)
{
    SceneOptions o;
    o.hills = false;
    o.loop = false;
    BuildScene(o);
    std::fill(trackMaps.land.begin(), trackMaps.land.end(), uint8_t(4));  // one tarmac value
    RenderScene(320, 240);
    DumpPicture("flat");
    // Along a terrain row the shading changes by at most one step plus the noise's.
    int terrainPixels = 0;
    std::set<int> values;
    for (int y = 0; y < 240; ++y)
        for (int x = 1; x < 320; ++x) {
            uint8_t p = Pixel(x, y), q = Pixel(x - 1, y);
            if (p > 30 || q > 30 || p < 5 || q < 5) continue;  // tarmac ramp 5-23 only
            ++terrainPixels;
            values.insert(p);
            EXPECT_LE(std::abs(p - q), 2) << x << "," << y;
        }
    EXPECT_GT(terrainPixels, 20000);
    EXPECT_GE(values.size(), 3u);  // the view ray's angle alone shades the flat map
    // Averaged over the noise, the brightness changes slowly from row to row.
    double previous = -1;
    for (int y = 0; y < 240; ++y) {
        double sum = 0;
        int n = 0;
        for (int x = 100; x < 220; ++x) {
            if (Pixel(x, y) < 5 || Pixel(x, y) > 23) continue;
            sum += Pixel(x, y);
            ++n;
        }
        if (n < 100) continue;
        double mean = sum / n;
        if (previous >= 0) {
            EXPECT_LT(std::fabs(mean - previous), 0.6) << y;
        }
        previous = mean;
    }
}

TEST(RenderPixels, UncoveredPixelsKeepClearColourAndDepthEvenUnderWater)
{
    SceneOptions o;
    o.waterSample = 250;  // everything under water
    BuildScene(o);
    RenderScene(320, 240);
    const TerrainRenderer& r = terrainRenderer;
    int clear = 0, tinted = 0;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            if (Depth(x, y) == kTerrainClearDepth) {
                ++clear;
                ASSERT_EQ(Pixel(x, y), kTerrainClearColour) << x << "," << y;
                ASSERT_EQ(r.shade[y * r.width + x], kTerrainClearColour);
            } else if (Pixel(x, y) >= 120) {
                ++tinted;
            }
        }
    EXPECT_GT(clear, 1000);       // the sky around the world block
    EXPECT_GT(tinted, 20000);     // the water covers the world
    EXPECT_EQ(Pixel(0, 0), kTerrainClearColour);
}

TEST(RenderPixels, WaterShowsTintedGroundOrSky)
{
    SceneOptions o;
    o.waterSample = 45;
    BuildScene(o);
    // Edges above the water, so the frame is the same with and without it.
    for (int k = 0; k < 64; ++k)
        for (int at : {k, 63 * 64 + k, k * 64, k * 64 + 63}) trackMaps.heights[at] = 100;
    RenderScene(320, 240);
    std::vector<uint8_t> withWater(terrainRenderer.ownImage);
    std::vector<uint16_t> depthWithWater(terrainRenderer.depth);
    trackMaps.waterHeight = -100;  // below everything
    RenderScene(320, 240);
    int tinted = 0, sky = 0;
    for (size_t k = 0; k < withWater.size(); ++k) {
        EXPECT_EQ(depthWithWater[k], terrainRenderer.depth[k]);  // water never writes depth
        uint8_t dry = terrainRenderer.ownImage[k], wet = withWater[k];
        if (dry == wet || dry == kTerrainClearColour) continue;
        if (wet >= 248 && wet <= 254) {
            ++sky;
        } else if (dry < 120 && wet == dry / 5 + 120) {
            ++tinted;
        } else if (dry >= 120 && wet == ((dry & ~3) + 3)) {
            ++tinted;
        } else {
            ADD_FAILURE() << "pixel " << k << " " << int(dry) << " -> " << int(wet);
        }
    }
    EXPECT_GT(tinted, 100);
    EXPECT_GT(sky, 10);
}

TEST(RenderPixels, DiagonalSplitTakesTheLowerLeftCell)
{
    SceneOptions o;
    o.hills = false;
    o.loop = false;
    BuildScene(o);
    auto& land = trackMaps.land;
    const float ws = trackMaps.worldScale;
    // Cells (100,200) and (101,201) hold 28; (101,200) and (100,201) hold 9.
    land[200 * 512 + 100] = 28;
    land[201 * 512 + 101] = 28;
    land[200 * 512 + 101] = 9;
    land[201 * 512 + 100] = 9;
    EXPECT_EQ(TerrainGroundValue(101 * ws, 201 * ws), 28);  // where the four cells meet
    // Swapped, the lower-left value still wins.
    land[200 * 512 + 100] = 9;
    land[201 * 512 + 101] = 9;
    land[200 * 512 + 101] = 28;
    land[201 * 512 + 100] = 28;
    EXPECT_EQ(TerrainGroundValue(101 * ws, 201 * ws), 9);
    // Off the meeting point the larger weight decides; equal values pool.
    land[200 * 512 + 100] = 9;
    land[200 * 512 + 101] = 28;
    land[201 * 512 + 100] = 28;
    land[201 * 512 + 101] = 40;
    EXPECT_EQ(TerrainGroundValue(101.1f * ws, 201.1f * ws), 28);  // 0.24 + 0.24 beats 0.36 and 0.16
    EXPECT_EQ(TerrainGroundValue(100.55f * ws, 200.55f * ws), 9);
    // Outside the last cell pair the single cell under the point is taken.
    land[511 * 512 + 511] = 33;
    EXPECT_EQ(TerrainGroundValue(trackMaps.worldSize - 0.01f, trackMaps.worldSize - 0.01f), 33);
    EXPECT_EQ(TerrainGroundValue(trackMaps.worldSize + 5, -3), land[0 * 512 + 511]);
    // The west edge's half-cell strip takes the cell under the point as well: a
    // vote there would weigh the second column negatively, and 9, held by the
    // point's own cell and its neighbour, would lose to the 28 above it.
    land[300 * 512 + 0] = 9;
    land[300 * 512 + 1] = 9;
    land[301 * 512 + 0] = 28;
    land[301 * 512 + 1] = 40;
    EXPECT_EQ(TerrainGroundValue(0.25f * ws, 300.95f * ws), 9);
}

TEST(RenderPixels, DepthBufferHoldsTheDistanceAlongTheViewAxis)
{
    SceneOptions o;
    o.hills = false;
    o.loop = false;
    BuildScene(o);
    RenderScene(320, 240);
    // A point on the flat ground (sample 60 = height 3).
    for (float x : {20.0f, 50.0f, 80.0f}) {
        ScreenPoint p = ProjectToScreen(x, 3.0f, 60.0f);
        ASSERT_TRUE(p.valid);
        ASSERT_GE(p.x, 0);
        ASSERT_LT(p.x, 320);
        int stored = Depth(p.x, p.y);
        // The pixel lies within one pixel (about 0.5 units here) of the point.
        EXPECT_NEAR(stored, p.depth / kTerrainDepthScale, 0.6 / kTerrainDepthScale);
    }
}

TEST(RenderPixels, PanelStripIsClearedToColour240AndDepthZero)
{
    SceneOptions o;
    o.viewAngle = 20;
    BuildScene(o);
    RenderScene(640, 480);
    int first = ClearPanelStrip();
    EXPECT_EQ(first, 480 - 40);
    for (int y = first; y < 480; ++y)
        for (int x = 0; x < 640; x += 7) {
            ASSERT_EQ(Pixel(x, y), 240);
            ASSERT_EQ(Depth(x, y), 0);
        }
    EXPECT_NE(Depth(320, first - 100), 0);
}

TEST(RenderPixels, NothingLoadedDrawsOnlyTheClearPicture)
{
    FreeTrackMaps();
    SetupTerrainRenderer(64, 48);
    RenderTrackImage();
    for (uint8_t c : terrainRenderer.ownImage) ASSERT_EQ(c, kTerrainClearColour);
    for (uint16_t d : terrainRenderer.depth) ASSERT_EQ(d, kTerrainClearDepth);
    RedrawLandCell(3, 3);
    MarkBridgeOrStand(1, 1, 1, 2, 1.0f);
    EXPECT_EQ(TerrainGroundValue(1, 1), 0);
    FreeTerrainRenderer();
    RenderTrackImage();  // no target: nothing happens
    EXPECT_EQ(terrainRenderer.image, nullptr);
}
