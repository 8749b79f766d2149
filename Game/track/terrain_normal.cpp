// The terrain normal, from the same height map and the same bilinear patch as
// TerrainHeight: each sample's slope (central difference, one-sided at the
// edges of the map) is interpolated over the cell, so the normal turns
// smoothly from cell to cell instead of jumping at the cell borders.
#include "Game/track/track.h"

namespace {

float Sample(const uint8_t* h, int i, int j) { return h[j * kHeightSide + i]; }

// Slope of the samples along x (dx = 1) or along the rows (dx = 0) at sample (i, j), in samples per interval.
float SlopeAt(const uint8_t* h, int i, int j, bool alongX)
{
    int i0 = i, i1 = i, j0 = j, j1 = j;
    if (alongX) {
        i0 = i > 0 ? i - 1 : 0;
        i1 = i < kHeightSide - 1 ? i + 1 : kHeightSide - 1;
    } else {
        j0 = j > 0 ? j - 1 : 0;
        j1 = j < kHeightSide - 1 ? j + 1 : kHeightSide - 1;
    }
    float span = static_cast<float>(alongX ? i1 - i0 : j1 - j0);
    return (Sample(h, i1, j1) - Sample(h, i0, j0)) / span;
}

}  // namespace

Vec3 TerrainNormal(float x, float y)
{
    const TrackMaps& m = trackMaps;
    if (m.heights.size() != static_cast<size_t>(kHeightCells) || m.heightCell <= 0) return {0, 1, 0};
    float top = m.worldSize - 0.001f;
    x = x > 0 ? (x < top ? x : top) : 0;  // NaN lands on 0
    y = y > 0 ? (y < top ? y : top) : 0;
    float u = x / m.heightCell, v = y / m.heightCell;
    int i = static_cast<int>(u), j = static_cast<int>(v);
    if (i > kHeightSide - 2) i = kHeightSide - 2;
    if (j > kHeightSide - 2) j = kHeightSide - 2;
    float fu = u - i, fv = v - j;
    const uint8_t* h = m.heights.data();
    float w00 = (1 - fu) * (1 - fv), w10 = fu * (1 - fv), w01 = (1 - fu) * fv, w11 = fu * fv;
    float gx = SlopeAt(h, i, j, true) * w00 + SlopeAt(h, i + 1, j, true) * w10 +
               SlopeAt(h, i, j + 1, true) * w01 + SlopeAt(h, i + 1, j + 1, true) * w11;
    float gz = SlopeAt(h, i, j, false) * w00 + SlopeAt(h, i + 1, j, false) * w10 +
               SlopeAt(h, i, j + 1, false) * w01 + SlopeAt(h, i + 1, j + 1, false) * w11;
    float scale = 0.05f / m.heightCell;
    return Normalize(Vec3{-gx * scale, 1, -gz * scale});
}
