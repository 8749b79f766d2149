// Changes to the finished picture during a race: land cells repainted after
// their ground value changed, and wheel marks on bridge decks and stands.
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "tests/render/scene.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void FlatScene(int width, int height)
{
    SceneOptions o;
    o.worldSize = 50;
    o.hills = false;
    o.loop = false;
    o.viewAngle = 60;
    BuildScene(o);
    std::fill(trackMaps.land.begin(), trackMaps.land.end(), uint8_t(9));  // grass
    RenderScene(width, height);
}

}  // namespace

TEST(RenderMarks, RedrawnLandCellShowsItsNewValueOnlyThere)
{
    FlatScene(640, 480);
    const std::vector<uint8_t> before(terrainRenderer.ownImage);
    const std::vector<uint16_t> depthBefore(terrainRenderer.depth);
    const int col = 256, row = 256;
    trackMaps.land[row * 512 + col] = 2;  // tarmac
    RedrawLandCell(col, row);
    EXPECT_EQ(terrainRenderer.depth, depthBefore);  // the depth buffer is only read
    const float ws = trackMaps.worldScale;
    ScreenPoint centre = ProjectToScreen((col + 0.5f) * ws, 3.0f, (row + 0.5f) * ws);
    int changed = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            size_t k = static_cast<size_t>(y) * 640 + x;
            uint8_t now = terrainRenderer.ownImage[k];
            if (now == before[k]) continue;
            ++changed;
            EXPECT_LE(std::abs(x - centre.x) + std::abs(y - centre.y), 4) << x << "," << y;
            EXPECT_GE(now, 7);   // tarmac value 2 runs from B = 7 ...
            EXPECT_LE(now, 27);  // ... to A = 27
            EXPECT_EQ(terrainRenderer.shade[k], 7);
        }
    EXPECT_GT(changed, 0);
}

TEST(RenderMarks, RedrawLeavesWaterObjectsAndHiddenPixelsAlone)
{
    FlatScene(640, 480);
    const float ws = trackMaps.worldScale;
    // An object over the cell and water covering another.
    AddSceneObject(13, 128.5f * ws, 128.5f * ws, 0.0f);
    trackMaps.waterHeight = 0;
    RenderScene(640, 480);
    const std::vector<uint8_t> before(terrainRenderer.ownImage);
    trackMaps.land[128 * 512 + 128] = 40;
    RedrawLandCell(128, 128);
    RedrawLandCell(-1, 5);
    RedrawLandCell(5, 512);
    EXPECT_EQ(terrainRenderer.ownImage, before);  // covered by the office block
    trackMaps.waterHeight = 10;
    RenderScene(640, 480);
    const std::vector<uint8_t> flooded(terrainRenderer.ownImage);
    trackMaps.land[300 * 512 + 300] = 40;
    RedrawLandCell(300, 300);
    EXPECT_EQ(terrainRenderer.ownImage, flooded);  // under water
}

TEST(RenderMarks, BridgeDeckMarksDarkenAlongTheTarmacRamp)
{
    FlatScene(640, 480);
    AddSceneObject(18, 25, 25, 0.0f);  // flat bridge, deck top 0.5 above the ground
    RenderScene(640, 480);
    const std::vector<uint8_t> before(terrainRenderer.ownImage);
    const std::vector<uint8_t> shadeBefore(terrainRenderer.shade);
    const float deck = trackMaps.objects[6].position.y + 0.5f;
    MarkBridgeOrStand(25, deck, 25, 2, 0.6f);
    int changed = 0;
    for (size_t k = 0; k < before.size(); ++k) {
        if (terrainRenderer.ownImage[k] == before[k]) continue;
        ++changed;
        uint8_t oldShade = shadeBefore[k], newShade = terrainRenderer.shade[k];
        EXPECT_GE(oldShade, 2);  // B[1..7] = 8 ... 2
        EXPECT_LE(oldShade, 8);
        EXPECT_LT(newShade, oldShade);  // further down the ramp
        EXPECT_GE(newShade, 2);
        EXPECT_LE(terrainRenderer.ownImage[k], before[k]);
    }
    EXPECT_GT(changed, 0);
    // An intensity beyond 1 never leaves the tarmac ramp (B[7] = 2 is its end).
    const std::vector<uint8_t> shadeMarked(terrainRenderer.shade);
    MarkBridgeOrStand(25, deck, 25, 2, 5.0f);
    for (size_t k = 0; k < shadeMarked.size(); ++k) {
        if (shadeMarked[k] < 2 || shadeMarked[k] > 8) continue;
        EXPECT_GE(terrainRenderer.shade[k], 2);
        EXPECT_LE(terrainRenderer.shade[k], shadeMarked[k]);
    }
}

TEST(RenderMarks, StandMarksTurnStandPixelsRed)
{
    FlatScene(640, 480);
    AddSceneObject(14, 25, 25, 3.1416f);  // stand facing the camera
    RenderScene(640, 480);
    const std::vector<uint8_t> before(terrainRenderer.ownImage);
    const std::vector<uint16_t> depthBefore(terrainRenderer.depth);
    // A wheel on the second row of seats.
    MarkBridgeOrStand(25, trackMaps.objects[6].position.y + 1.0f, 25 + 1.2f, 3, 2.0f);
    int changed = 0;
    for (size_t k = 0; k < before.size(); ++k) {
        if (terrainRenderer.ownImage[k] == before[k]) continue;
        ++changed;
        EXPECT_GE(before[k], 144);
        EXPECT_EQ(terrainRenderer.ownImage[k], 148 + before[k] % 4);
        EXPECT_EQ(terrainRenderer.shade[k], 148);
    }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(terrainRenderer.depth, depthBefore);
    // Zero intensity never wins against the noise; other kinds draw nothing.
    const std::vector<uint8_t> marked(terrainRenderer.ownImage);
    MarkBridgeOrStand(25, trackMaps.objects[6].position.y + 1.0f, 25 + 1.2f, 3, 0.0f);
    MarkBridgeOrStand(25, trackMaps.objects[6].position.y + 1.0f, 25 + 1.2f, 1, 1.0f);
    EXPECT_EQ(terrainRenderer.ownImage, marked);
}
