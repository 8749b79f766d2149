// Private to the terrain renderer: the camera and maps the
// pixel routines read, the rasteriser and the object drawing.
#pragma once
#include "Game/track/render.h"
#include "trackfile/trackfile.h"
#include "trackfile/vec3.h"

#include <cmath>
#include <cstdint>


constexpr int kSlopeSide = kHeightSide + 2;  // slope tables cover sample indices -1 ... 64

// Everything the pixel routines read, copied from TrackMaps before rendering
// so the inner loops see plain pointers and floats.
struct RenderWorld {
    const uint8_t* land = nullptr;     // 512 x 512 ground values, row 0 south
    const uint8_t* heights = nullptr;  // 64 x 64 samples, row 0 south
    float worldSize = 0, worldScale = 0, heightCell = 0, waterHeight = 0;
    float invWorldScale = 0, invHeightCell = 0;
    Vec3 T, D, H, V;                   // camera translation and depth, horizontal, vertical rows
    // Forward differences of the height samples, x 0.05 / heightCell, east
    // (slopeX) and north (slopeY), clamped at the edges; row -1 first.
    float slopeX[kSlopeSide * kSlopeSide];
    float slopeY[kSlopeSide * kSlopeSide];
};
extern RenderWorld renderWorld;

// Copies the TrackMaps fields into renderWorld.
void LoadRenderWorld();
// Fills the slope tables from the height map (before drawing terrain).
void BuildSlopeTables();

// A projected vertex: integer screen position, its depth and camera-relative point.
struct RasterVertex {
    int sx = 0, sy = 0;
    float depth = 0;
    Vec3 cam;                          // world point minus the camera translation
    bool valid = false;
};
RasterVertex ProjectVertex(Vec3 world);

// Rasterises one triangle with the current pixel routine; triangles with a
// vertex at or behind the camera plane are skipped.
void RasteriseTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                       int material);
// Projects and rasterises a world-space triangle.
void DrawWorldTriangle(Vec3 a, Vec3 b, Vec3 c, int material);
// A triangle of a closed shape around `inside`: skipped when it faces away.
void DrawClosedTriangle(Vec3 a, Vec3 b, Vec3 c, Vec3 inside, int material);
// A box centre +- a +- b +- c (b the upward half axis): top and four sides,
// those facing away from the camera skipped.
void DrawBox(Vec3 centre, Vec3 a, Vec3 b, Vec3 c, int material);

// The next noise value (advances the byte counter first).
inline float NextNoise()
{
    TerrainRenderer& r = terrainRenderer;
    return r.noise[++r.noiseIndex];
}

// Colour of a ground value g at shading s with the next noise value; writes
// the shade entry. Inline: the terrain routine calls it for every pixel.
inline void GroundColour(int g, float s, uint8_t& index, uint8_t& shadeEntry)
{
    const TerrainRenderer& r = terrainRenderer;
    if (g < 0 || g > 47) g = 16;  // never from the loader; keeps a damaged map in the tables
    float a = r.litColour[g], b = r.shadeColour[g];
    float n = NextNoise();
    if (g < 40) {
        index = static_cast<uint8_t>(static_cast<int>(a + s * (b - a) + n));
        shadeEntry = r.shadeColour[g];
    } else {
        index = static_cast<uint8_t>(static_cast<int>(a + s * (b - a) + 3.0f * n) - 1);
        shadeEntry = static_cast<uint8_t>(static_cast<int>(b + 3.0f * n - 1.0f));
    }
}

// Draws every object of TrackMaps after the grid and sets their heights.
void DrawTrackObjects();
