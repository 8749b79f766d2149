// Changes to the finished picture during a race: repainting one land cell
// after its ground value changed (wheel marks, swept gravel), and wheel marks
// on bridge decks and stands. Both visit a small screen disc around the
// projected point and read the depth buffer without writing it.
#include "Game/track/render_internal.h"
#include "Game/track/track.h"

#include <algorithm>
#include <cmath>

namespace {

struct ScreenDisc {
    float sx = 0, sy = 0, depth = 0;
    Vec3 q;  // camera-relative point
    bool valid = false;
};

ScreenDisc ProjectCentre(Vec3 p)
{
    const RenderWorld& w = renderWorld;
    const TerrainRenderer& r = terrainRenderer;
    ScreenDisc c;
    c.q = p - w.T;
    c.depth = Dot(w.D, c.q);
    if (!(c.depth > 0.0001f) || !r.image || r.depth.empty()) return c;
    c.sx = (Dot(w.H, c.q) / c.depth + 0.5f) * r.widthF;
    c.sy = (Dot(w.V, c.q) / c.depth + r.aspect * 0.5f) * r.widthF;
    c.valid = std::isfinite(c.sx) && std::isfinite(c.sy);
    return c;
}

// Calls visit(x, y) for every pixel of the disc of screen radius rho.
template <typename Visit>
void ForDiscPixels(float sx, float sy, float rho, Visit visit)
{
    const TerrainRenderer& r = terrainRenderer;
    if (!(rho > 0) || rho > 4.0f * static_cast<float>(r.width + r.height)) return;
    float top = std::max(sy - rho + 1.0f, 0.0f), bottom = std::min(sy + rho + 1.0f, static_cast<float>(r.height));
    for (int y = static_cast<int>(top); y < static_cast<int>(bottom); ++y) {
        float dy = static_cast<float>(y) - sy;
        float h2 = rho * rho - dy * dy;
        if (h2 < 0) continue;
        float h = std::sqrt(h2);
        float left = std::max(sx - h + 1.0f, 0.0f), right = std::min(sx + 1.0f + h, static_cast<float>(r.width));
        for (int x = static_cast<int>(left); x < static_cast<int>(right); ++x) visit(x, y);
    }
}

uint32_t DepthOf(float d)
{
    float z = d / kTerrainDepthScale;
    if (z <= 0) return 0;
    return z >= 65535.0f ? 65535u : static_cast<uint32_t>(z);
}

// Terrain normal at a world point from the bilinear height's gradient.
Vec3 MarkNormal(float x, float y)
{
    const RenderWorld& w = renderWorld;
    float u = std::clamp(x, 0.0f, w.worldSize - 0.001f) / w.heightCell;
    float v = std::clamp(y, 0.0f, w.worldSize - 0.001f) / w.heightCell;
    int i = std::min(static_cast<int>(u), kHeightSide - 2), j = std::min(static_cast<int>(v), kHeightSide - 2);
    float fu = u - static_cast<float>(i), fv = v - static_cast<float>(j);
    auto H = [&w](int c, int r) { return static_cast<float>(w.heights[r * kHeightSide + c]); };
    float gx = ((H(i + 1, j) - H(i, j)) * (1 - fv) + (H(i + 1, j + 1) - H(i, j + 1)) * fv) * 0.05f / w.heightCell;
    float gy = ((H(i, j + 1) - H(i, j)) * (1 - fu) + (H(i + 1, j + 1) - H(i + 1, j)) * fu) * 0.05f / w.heightCell;
    Vec3 n{-gx, 1.0f, -gy};
    return n * (1.0f / Length(n));
}

}  // namespace

void RedrawLandCell(int column, int row)
{
    if (column < 0 || column > kLandSide - 1 || row < 0 || row > kLandSide - 1) return;
    LoadRenderWorld();
    const RenderWorld& w = renderWorld;
    TerrainRenderer& r = terrainRenderer;
    if (!w.land || !w.heights) return;
    const int g = std::min<int>(w.land[row * kLandSide + column], 47);
    float x = (static_cast<float>(column) + 0.5f) * w.worldScale;
    float y = (static_cast<float>(row) + 0.5f) * w.worldScale;
    Vec3 p{x, TerrainHeight(x, y), y};
    ScreenDisc c = ProjectCentre(p);
    if (!c.valid) return;
    Vec3 n = MarkNormal(x, y);
    Vec3 L = c.q - Vec3{0, c.depth, 0};
    float cs = std::min(Dot(n, L) / (Length(L) + 0.001f), 0.0f);
    float s = std::sqrt(std::max(1.0f - cs * cs, 0.0f));
    float rho = w.worldSize * 0.71f / float(kLandSide) * r.widthF / c.depth;
    uint32_t z = DepthOf(c.depth - 0.1f);
    const float B = r.shadeColour[g];

    ForDiscPixels(c.sx, c.sy, rho, [&](int px, int py) {
        size_t at = static_cast<size_t>(py) * r.width + px;
        uint8_t& e = r.image[static_cast<size_t>(py) * r.pitch + px];
        uint8_t& sh = r.shade[at];
        if (z > r.depth[at] || e >= 120) return;  // hidden, water or an object
        if (e == sh) {
            // In shadow: the pixel keeps showing the shaded colour.
            if (g < 40)
                e = sh = r.shadeColour[g];
            else
                e = sh = static_cast<uint8_t>(static_cast<int>(B + 3.0f * NextNoise() - 1.0f));
            return;
        }
        GroundColour(g, s, e, sh);
    });
}

void MarkBridgeOrStand(float x, float h, float y, int contactKind, float intensity)
{
    if (contactKind != 2 && contactKind != 3) return;
    LoadRenderWorld();
    TerrainRenderer& r = terrainRenderer;
    ScreenDisc c = ProjectCentre(Vec3{x, h, y});
    if (!c.valid) return;
    float rho = r.widthF / c.depth * 0.2f;

    if (contactKind == 3) {
        // Stand: scattered red scuffs on the stand's own pixels near the wheel.
        uint32_t nearest = DepthOf(c.depth - 3.5f), farthest = DepthOf(c.depth + 0.5f);
        ForDiscPixels(c.sx, c.sy, rho, [&](int px, int py) {
            size_t at = static_cast<size_t>(py) * r.width + px;
            float n = NextNoise();
            if (!(intensity > n) || r.depth[at] < nearest || r.depth[at] >= farthest) return;
            uint8_t& e = r.image[static_cast<size_t>(py) * r.pitch + px];
            if (e >= 144) {
                e = static_cast<uint8_t>(148 + e % 4);
                r.shade[at] = 148;
            }
        });
        return;
    }

    // Bridge deck: darken the tarmac ramp by steps growing with the intensity.
    // The step never leaves the tarmac ramp (ground values 1-7).
    float level = std::clamp(intensity, 0.0f, 1.0f);
    uint32_t nearest = DepthOf(c.depth - 0.5f);
    ForDiscPixels(c.sx, c.sy, rho, [&](int px, int py) {
        size_t at = static_cast<size_t>(py) * r.width + px;
        if (r.depth[at] < nearest) return;
        int k = 1;
        while (k <= 7 && r.shadeColour[k] != r.shade[at]) ++k;
        if (k > 7) return;
        int m = static_cast<int>(static_cast<float>(8 - k) * level);
        m = std::min(m, 7 - k);
        if (m <= 0) return;
        uint8_t& e = r.image[static_cast<size_t>(py) * r.pitch + px];
        int a = r.litColour[k + m], b = r.shadeColour[k + m];
        int v = (a - b) * (static_cast<int>(e) - r.shadeColour[k]) / (r.litColour[k] - r.shadeColour[k]) + b;
        e = static_cast<uint8_t>(v);
        r.shade[at] = static_cast<uint8_t>(b);
    });
}
