// The view fit keeps the whole world block in the picture above the panel strip.
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "tests/render/scene.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Screen extent of the world block: the rim's outer corners at height 0 and
// at their top, and the inner top corners the fit itself uses.
struct Extent {
    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    bool allValid = true;
};

Extent WorldBlockExtent()
{
    const TrackMaps& m = trackMaps;
    Extent e;
    const float S = m.worldSize;
    for (int cj = 0; cj < 2; ++cj)
        for (int ci = 0; ci < 2; ++ci) {
            float top = std::max(m.heights[(cj * 63) * 64 + ci * 63] * 0.05f, m.waterHeight) + 2.0f;
            for (float out : {0.0f, 0.8f})
                for (float h : {0.0f, top}) {
                    float x = ci ? S + out : -out, y = cj ? S + out : -out;
                    ScreenPoint p = ProjectToScreen(x, h, y);
                    e.allValid = e.allValid && p.valid;
                    e.minX = std::min(e.minX, p.x);
                    e.maxX = std::max(e.maxX, p.x);
                    e.minY = std::min(e.minY, p.y);
                    e.maxY = std::max(e.maxY, p.y);
                }
        }
    return e;
}

}  // namespace

TEST(ViewFit, WorldFitsAboveThePanelStripForAllViews)
{
    const int sizes[][2] = {{640, 480}, {800, 600}, {1280, 800}, {1280, 720}, {1920, 1080}};
    SceneOptions o;
    o.worldSize = 120;
    BuildScene(o);
    for (float zoom : {1.0f, 1.05f})
        for (const auto& size : sizes) {
            SetupTerrainRenderer(size[0], size[1]);
            for (int angle = 10; angle <= 90; angle += 10)
                for (int rotation = -180; rotation <= 180; rotation += 20) {
                    trackMaps.viewAngle = static_cast<int16_t>(angle);
                    trackMaps.rotation = static_cast<int16_t>(rotation);
                    trackMaps.zoom = zoom;
                    ComputeViewTransform(trackMaps);
                    FitTrackView();
                    Extent e = WorldBlockExtent();
                    SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << " angle " << angle
                                                    << " rotation " << rotation << " zoom " << zoom);
                    ASSERT_TRUE(e.allValid);
                    EXPECT_GE(e.minX, 0);
                    // A corner may touch the far edge: pixels are filled up to, not at, an edge.
                    EXPECT_LE(e.maxX, size[0]);
                    EXPECT_GE(e.minY, 0);
                    EXPECT_LE(e.maxY, size[1] - PanelStripHeight(size[1]));
                }
        }
}

TEST(ViewFit, TheWorldFillsMostOfOneDirection)
{
    SceneOptions o;
    BuildScene(o);
    SetupTerrainRenderer(640, 480);
    FitTrackView();
    Extent e = WorldBlockExtent();
    // A zoom of 1.05 leaves a small margin only.
    bool wide = e.maxX - e.minX > 640 * 0.85;
    bool tall = e.maxY - e.minY > 440 * 0.85;
    EXPECT_TRUE(wide || tall) << e.minX << ".." << e.maxX << " x " << e.minY << ".." << e.maxY;
}

TEST(ViewFit, ZoomAboveOneShowsTheWorldSmaller)
{
    SceneOptions o;
    o.zoom = 1.0f;
    BuildScene(o);
    SetupTerrainRenderer(640, 480);
    FitTrackView();
    Extent near = WorldBlockExtent();
    o.zoom = 1.5f;
    BuildScene(o);
    FitTrackView();
    Extent far = WorldBlockExtent();
    EXPECT_LT(far.maxX - far.minX, (near.maxX - near.minX) * 0.8);
}
