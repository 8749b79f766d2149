// Objects: drawn where the shared size table says, standing on the terrain,
// with heights written back for the race; the moveable cone left to the race.
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "tests/render/scene.h"
#include "trackfile/object_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const int kDrawnTypes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                           19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 32, 34, 35};

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -(1 << 30), y1 = -(1 << 30);
};

// Screen box of a cylinder of radius r around (x, y) from height h0 to h1.
Box ProjectedCylinder(float x, float y, float r, float h0, float h1)
{
    Box b;
    for (int k = 0; k < 16; ++k) {
        float a = 6.2831853f * k / 16;
        for (float h : {h0, h1}) {
            ScreenPoint p = ProjectToScreen(x + std::cos(a) * r, h, y + std::sin(a) * r);
            b.x0 = std::min(b.x0, p.x);
            b.x1 = std::max(b.x1, p.x);
            b.y0 = std::min(b.y0, p.y);
            b.y1 = std::max(b.y1, p.y);
        }
    }
    return b;
}

}  // namespace

TEST(RenderObjects, EveryTypeDrawsWithinItsTabulatedSize)
{
    SceneOptions o;
    o.worldSize = 40;
    o.loop = false;
    o.viewAngle = 50;
    o.rotation = 30;
    BuildScene(o);
    RenderScene(480, 360);
    const std::vector<uint8_t> empty(terrainRenderer.ownImage);
    const float x = 20, y = 21;
    for (int type : kDrawnTypes) {
        trackMaps.objects.resize(6);
        AddSceneObject(type, x, y, 0.7f);
        RenderScene(480, 360);
        const ObjectTypeInfo& t = ObjectType(type);
        const float h = trackMaps.objects[6].position.y;
        // The footprint's half diagonal bounds everything drawn, from the
        // ground up to the tabulated height plus a crown or sign above it.
        float reach = ObjectFootprintRadius(type) + 0.05f;
        float top = h + t.height + std::max(t.halfLength, 1.5f);
        Box b = ProjectedCylinder(x, y, reach, h - 0.5f, top);
        int changed = 0, outside = 0;
        for (int py = 0; py < 360; ++py)
            for (int px = 0; px < 480; ++px) {
                size_t k = static_cast<size_t>(py) * 480 + px;
                // Terrain pixels keep their colour up to the noise.
                if (std::abs(terrainRenderer.ownImage[k] - empty[k]) <= 1) continue;
                ++changed;
                if (px < b.x0 - 1 || px > b.x1 + 1 || py < b.y0 - 1 || py > b.y1 + 1) ++outside;
            }
        SCOPED_TRACE(ObjectTypeName(type));
        EXPECT_GT(changed, 6);
        EXPECT_EQ(outside, 0);
        // The footprint stays within the editor's delete radius, except for
        // the long wall family and the pier, whose ends reach past it.
        if (!ObjectIsWallLike(type) && type != 16) {
            EXPECT_LE(reach, t.deleteRadius + 0.1f);
        }
    }
}

TEST(RenderObjects, InvisibleWallStartsAndMoveableConeDrawNothing)
{
    SceneOptions o;
    o.worldSize = 40;
    BuildScene(o);
    RenderScene(320, 240);
    const std::vector<uint8_t> empty(terrainRenderer.ownImage);
    for (int type : {31, 33, 36, 0, 40}) AddSceneObject(type, 20, 20, 0.3f);
    RenderScene(320, 240);
    EXPECT_EQ(terrainRenderer.ownImage, empty);
    for (const WorldObject& w : trackMaps.objects)
        EXPECT_EQ(w.state, w.type == kObjectMoveableCone ? 1 : 0) << int(w.type);
}

TEST(RenderObjects, HeightsComeFromTheTerrainAndWallsFollowTheSlope)
{
    SceneOptions o;
    o.worldSize = 63;  // one world unit per height cell
    o.hills = false;
    BuildScene(o);
    // Ground rising eastwards by 0.05 per unit.
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) trackMaps.heights[j * 64 + i] = static_cast<uint8_t>(40 + i);
    AddSceneObject(1, 30, 30, 0.0f);      // concrete wall along the slope, ends at x 27 and 33
    AddSceneObject(5, 40, 30, 0.0f);      // leaf tree
    AddSceneObject(29, 20, 20, 1.5708f);  // armco across the slope
    AddSceneObject(15, 10, 10, 0.0f);     // boat on dry land
    RenderScene(320, 240);
    const auto& obj = trackMaps.objects;
    EXPECT_NEAR(obj[6].position.y, (40 + 30) * 0.05f, 1e-4);
    EXPECT_NEAR(obj[6].direction.y, ((40 + 33) - (40 + 27)) * 0.05f / 3.0f * 0.5f, 1e-4);
    EXPECT_NEAR(obj[7].position.y, (40 + 40) * 0.05f, 1e-4);
    EXPECT_EQ(obj[7].direction.y, 0.0f);
    EXPECT_NEAR(obj[8].direction.y, 0.0f, 1e-4);
    EXPECT_NEAR(obj[9].position.y, (40 + 10) * 0.05f, 1e-4);
    // Over water the boat floats at the water line.
    trackMaps.waterHeight = 4.0f;
    RenderScene(320, 240);
    EXPECT_NEAR(obj[9].position.y, 4.0f, 1e-4);
}

TEST(RenderObjects, NothingFloatsOnASlope)
{
    // A house on a slope rising away from the camera: the pixels just above
    // the ground at its near, downhill wall must be house, not terrain seen
    // through a gap under it.
    SceneOptions o;
    o.worldSize = 63;
    o.hills = false;
    o.viewAngle = 30;
    o.rotation = 0;
    BuildScene(o);
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) trackMaps.heights[j * 64 + i] = static_cast<uint8_t>(20 + 3 * j);
    AddSceneObject(12, 31, 25, 0.0f);
    RenderScene(480, 360);
    DumpPicture("slope_house");
    // The wall base, 2.2 units south of the centre (towards the camera), at
    // the ground height there: the pixel just above it shows the house.
    float y = 25 - 2.2f;
    float ground = TerrainHeight(31, y);
    ScreenPoint p = ProjectToScreen(31, ground + 0.3f, y - 0.05f);
    uint8_t colour = terrainRenderer.image[p.y * terrainRenderer.pitch + p.x];
    EXPECT_GE(colour, 144) << "terrain shows where the wall should stand";
}

TEST(RenderObjects, FastPreviewShowsTerrainFrameAndWaterWithoutObjects)
{
    // Object materials: every palette group from 144 except the frame's (164-167).
    auto isObject = [](uint8_t c) { return c >= 144 && c < 192 && (c < 164 || c > 167); };
    SceneOptions o;
    o.waterSample = 45;
    BuildScene(o);
    RenderTrackPreview(160, 120, true);
    const std::vector<uint8_t> bare(terrainRenderer.ownImage);
    AddManyObjects(60);
    RenderTrackPreview(160, 120, true);
    EXPECT_EQ(terrainRenderer.width, 160);
    EXPECT_EQ(terrainRenderer.height, 120);
    int water = 0, frame = 0, terrain = 0;
    for (size_t k = 0; k < bare.size(); ++k) {
        uint8_t c = terrainRenderer.ownImage[k];
        EXPECT_FALSE(isObject(c)) << k;
        // The same picture as without objects, up to the noise (a new seed
        // each time), which also moves the ripples between tint and sky.
        auto kind = [](uint8_t v) {
            return v < 120 ? 0 : ((v < 144 || v >= 248) ? 1 : (v >= 164 && v <= 167 ? 2 : v));
        };
        EXPECT_EQ(kind(c), kind(bare[k])) << k;
        if (c < 120 && bare[k] < 120) {
            EXPECT_LE(std::abs(c - bare[k]), 3) << k;  // gravel-strewn ground takes 3 noise steps
        }
        water += (c >= 120 && c < 144) || c >= 248;
        frame += c >= 164 && c <= 167;
        terrain += c < 120;
    }
    EXPECT_GT(water, 50);
    EXPECT_GT(frame, 50);
    EXPECT_GT(terrain, 5000);
    RenderTrackPreview(160, 120, false);
    EXPECT_GT(std::count_if(terrainRenderer.ownImage.begin(), terrainRenderer.ownImage.end(), isObject), 100);
}
