#include "tests/render/scene.h"

#include "Game/shell/video.h"
#include "Game/track/render.h"
#include "Game/track/track.h"

#include <cmath>
#include <cstdlib>
#include <string>

void BuildScene(const SceneOptions& o)
{
    FreeTrackMaps();
    TrackMaps& m = trackMaps;
    m.loaded = true;
    m.worldSize = o.worldSize;
    m.worldScale = o.worldSize / 512.0f;
    m.heightCell = o.worldSize / 63.0f;
    m.waterHeight = o.waterSample * 0.05f;
    m.zoom = o.zoom;
    m.viewAngle = o.viewAngle;
    m.rotation = o.rotation;
    ComputeViewTransform(m);
    m.heights.assign(64 * 64, 60);
    if (o.hills)
        for (int j = 0; j < 64; ++j)
            for (int i = 0; i < 64; ++i) {
                float x = i / 63.0f, y = j / 63.0f;
                float h = 70 + 45 * std::sin(x * 7.0f) * std::cos(y * 5.0f) + 60 * std::exp(-((x - 0.8f) * (x - 0.8f) + (y - 0.75f) * (y - 0.75f)) * 30);
                // A lake basin in the south-west.
                h -= 90 * std::exp(-((x - 0.2f) * (x - 0.2f) + (y - 0.2f) * (y - 0.2f)) * 40);
                m.heights[j * 64 + i] = static_cast<uint8_t>(std::fmin(std::fmax(h, 0.0f), 255.0f));
            }
    m.land.assign(512 * 512, 16);
    for (int r = 0; r < 512; ++r)
        for (int c = 0; c < 512; ++c) {
            uint8_t& g = m.land[r * 512 + c];
            float dx = (c - 256) / 200.0f, dy = (r - 256) / 150.0f;
            float d = std::sqrt(dx * dx + dy * dy);
            g = static_cast<uint8_t>(8 + (c * 7 + r * 13) % 3);  // grass
            if (c > 380 && r < 120) g = static_cast<uint8_t>(20 + (c + r) % 3);  // sand
            if (c < 90 && r > 420) g = 24;  // snow
            if (!o.loop) continue;
            float edge = std::fabs(d - 1.0f) * 150.0f;  // distance to the loop's centre line, in cells
            if (edge < 14) g = static_cast<uint8_t>(1 + (c + 3 * r) % 3);
            if (edge >= 14 && edge < 18) g = ((static_cast<int>(std::atan2(dy, dx) * 40)) & 1) ? 36 : 28;
            if (edge < 0.8f) g = 32;
            if (edge >= 18 && edge < 24 && ((c ^ r) & 7) == 0) g = 42;  // gravel-strewn grass
        }
    m.objects.clear();
    for (int k = 0; k < 6; ++k) AddSceneObject(0, 50.0f + k * 2.0f, 10.0f, 0.0f);
}

void AddSceneObject(int type, float x, float y, float angle)
{
    WorldObject o{};
    o.type = static_cast<uint8_t>(type);
    o.position = {x, 0, y};
    o.direction = {std::cos(angle), 0, -std::sin(angle)};
    o.smallConstant = 0.001f;
    o.factor = 0.8f;
    trackMaps.objects.push_back(o);
}

void AddManyObjects(int count)
{
    static const int types[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
                                21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 34, 35, 36};
    const int n = sizeof types / sizeof types[0];
    const float S = trackMaps.worldSize;
    for (int k = 0; k < count; ++k) {
        float a = 6.2831853f * k / count;
        float ring = (k % 3 == 0) ? 0.58f : (k % 3 == 1 ? 0.3f : 0.46f);
        float x = S * 0.5f + std::cos(a) * S * ring * 0.9f;
        float y = S * 0.5f + std::sin(a) * S * ring * 0.7f;
        AddSceneObject(types[k % n], x, y, a + 1.5708f);
    }
}

void RenderScene(int width, int height)
{
    SetupTerrainRenderer(width, height);
    SeedTerrainNoise(12345);
    FitTrackView();
    RenderTrackImage();
}

const char* DumpPicture(const char* name)
{
    static std::string path;
    const char* dir = std::getenv("DW_RENDER_DUMP");
    if (!dir) return "";
    path = std::string(dir) + "/" + name + ".bmp";
    if (!WriteTerrainPictureBmp(path.c_str(), builtinPalette)) return "";
    return path.c_str();
}
