// Renderer state: the colour tables (lit and shaded end of each ground
// value's palette ramp), the noise table and the picture, depth and shade
// buffers.
#include "Game/track/render_internal.h"

#include <cstdlib>

#include <SDL.h>

TerrainRenderer terrainRenderer;

void FillTerrainColourTables(uint8_t lit[48], uint8_t shaded[48])
{
    // Each row: first ground value, count, lit start, lit step per k,
    // shaded start, shaded step per k (halved steps are counted in k / 2).
    struct Group {
        int first, count, litStart, litStep, shadeStart, shadeStep, shadeHalf;
    };
    static const Group groups[] = {
        {0, 1, 12, 0, 1, 0, 0},        // oil
        {1, 7, 29, 2, 8, 1, 0},        // tarmac
        {8, 4, 44, 2, 30, 0, 0},       // grass
        {12, 4, 59, 2, 48, 1, 0},      // mud
        {16, 4, 74, 1, 63, 1, 0},      // default ground
        {20, 4, 89, 2, 75, 0, 0},      // sand
        {24, 4, 104, 2, 93, 1, 0},     // snow
        {28, 4, 109, 1, 106, 0, 1},    // white line
        {32, 4, 114, 1, 111, 0, 1},    // yellow line
        {36, 4, 119, 1, 116, 0, 1},    // kerb
        {40, 8, 26, 0, 18, 0, 0},      // gravel-strewn variants
    };
    for (const Group& g : groups)
        for (int k = 0; k < g.count; ++k) {
            lit[g.first + k] = static_cast<uint8_t>(g.litStart - g.litStep * k);
            shaded[g.first + k] =
                static_cast<uint8_t>(g.shadeStart - g.shadeStep * k - g.shadeHalf * (k / 2));
        }
}

void SeedTerrainNoise(unsigned seed)
{
    std::srand(seed);
    for (float& n : terrainRenderer.noise) n = static_cast<float>(std::rand() % 32768) / 32768.0f;
    terrainRenderer.noiseIndex = 0;
}

void SetupTerrainRenderer(int width, int height, uint8_t* pixels, int pitch)
{
    TerrainRenderer& r = terrainRenderer;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    r.width = width;
    r.height = height;
    r.widthF = static_cast<float>(width);
    r.aspect = static_cast<float>(height) / static_cast<float>(width);
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (pixels) {
        r.ownImage.clear();
        r.ownImage.shrink_to_fit();
        r.image = pixels;
        r.pitch = pitch > 0 ? pitch : width;
    } else {
        r.ownImage.assign(count, kTerrainClearColour);
        r.image = r.ownImage.data();
        r.pitch = width;
    }
    r.depth.assign(count, kTerrainClearDepth);
    r.shade.assign(count, kTerrainClearColour);
    FillTerrainColourTables(r.litColour, r.shadeColour);
    SeedTerrainNoise(SDL_GetTicks());  // a new sprinkle of noise for every race
}

void FreeTerrainRenderer()
{
    TerrainRenderer& r = terrainRenderer;
    r.ownImage = {};
    r.depth = {};
    r.shade = {};
    r.image = nullptr;
    r.width = r.height = r.pitch = 0;
    r.widthF = r.aspect = 0;
}
