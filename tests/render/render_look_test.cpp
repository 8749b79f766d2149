#include "tests/render/scene.h"
#include "Game/track/render.h"
#include "Game/track/track.h"

#include <gtest/gtest.h>

TEST(RenderLook, DumpsPictures)
{
    SceneOptions o;
    o.waterSample = 45;
    BuildScene(o);
    AddManyObjects(300);
    RenderScene(640, 480);
    ClearPanelStrip();
    DumpPicture("hills640");
}

TEST(RenderLook, Gallery)
{
    SceneOptions o;
    o.worldSize = 60;
    o.hills = false;
    o.loop = false;
    o.waterSample = 40;
    o.viewAngle = 40;
    BuildScene(o);
    static const int types[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 34, 35, 36};
    int k = 0;
    for (int t : types) {
        float x = 6 + (k % 6) * 9.5f, y = 6 + (k / 6) * 9.0f;
        AddSceneObject(t, x, y, 0.3f);
        ++k;
    }
    RenderScene(1280, 960);
    DumpPicture("gallery");
}
