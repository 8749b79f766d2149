// Projection, the triangle rasteriser and the three pixel routines (terrain,
// solid, water). Every covered pixel casts the ray of its own screen position
// and intersects it with the triangle's plane, so depth and the world point
// under the pixel are exact; the routines then shade from the terrain slope
// (terrain), the triangle's normal (solid) or a noise ripple field (water).
#include "Game/track/render_internal.h"

#include <algorithm>
#include <cmath>

RenderWorld renderWorld;

namespace {

// Per-triangle constants shared by the pixel loops.
struct TriangleSetup {
    Vec3 n;              // plane normal (camera relative)
    float k = 0;         // n . P1: the plane is n . q = k
    float nD = 0, nH = 0, nV = 0;
    Vec3 unitNormal;     // normalised, facing the camera (solid routine)
    int material = 0;
};

inline uint32_t DepthUnits(float t)
{
    float z = t * (1.0f / kTerrainDepthScale);
    return z >= 65534.0f ? 65534u : static_cast<uint32_t>(z);
}

inline int FloorInt(float v)
{
    int i = static_cast<int>(v);
    return (v < static_cast<float>(i)) ? i - 1 : i;
}

inline int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// East and north terrain slopes at a world point: bilinear blend of the
// forward differences of the height samples (tabulated, one-sided at the
// map's edges).
inline void TerrainSlope(float wx, float wy, float& gx, float& gy)
{
    const RenderWorld& w = renderWorld;
    float u = wx * w.invHeightCell - 0.5f, v = wy * w.invHeightCell - 0.5f;
    u = std::clamp(u, -1.0f, kHeightSide - 0.5f);
    v = std::clamp(v, -1.0f, kHeightSide - 0.5f);
    int i = static_cast<int>(u + 1.0f) - 1, j = static_cast<int>(v + 1.0f) - 1;  // floor, as u, v >= -1
    float fu = u - static_cast<float>(i), fv = v - static_cast<float>(j);
    i = std::min(i, kHeightSide - 1);
    j = std::min(j, kHeightSide - 1);
    const int at = (j + 1) * kSlopeSide + (i + 1);
    const float* sx = w.slopeX + at;
    const float* sy = w.slopeY + at;
    gx = (1 - fv) * ((1 - fu) * sx[0] + fu * sx[1]) + fv * ((1 - fu) * sx[kSlopeSide] + fu * sx[kSlopeSide + 1]);
    gy = (1 - fv) * ((1 - fu) * sy[0] + fu * sy[1]) + fv * ((1 - fu) * sy[kSlopeSide] + fu * sy[kSlopeSide + 1]);
}

// Ground value under a world point: the four land cells around it vote with
// their bilinear weights, equal values pooling onto the first cell holding
// them (lower-left, lower-right, upper-left, upper-right); ties keep the
// earlier cell, so a diagonal split shows the lower-left value.
int GroundValueAt(float wx, float wy)
{
    const RenderWorld& w = renderWorld;
    float cx = wx * w.invWorldScale - 0.5f, cy = wy * w.invWorldScale - 0.5f;
    if (cx >= 0 && cy >= 0 && cx < float(kLandSide - 1) && cy < float(kLandSide - 1)) {
        int i = static_cast<int>(cx), j = static_cast<int>(cy);
        const uint8_t* cell = w.land + j * kLandSide + i;
        int v[4] = {cell[0], cell[1], cell[kLandSide], cell[kLandSide + 1]};
        if (v[0] == v[1] && v[0] == v[2] && v[0] == v[3]) return v[0];
        float fx = cx - static_cast<float>(i), fy = cy - static_cast<float>(j);
        const float w0 = (1 - fx) * (1 - fy), w1 = fx * (1 - fy), w2 = (1 - fx) * fy, w3 = fx * fy;
        // Each cell's total: its own weight plus those of later equal cells;
        // a cell whose value appeared earlier does not stand (-1).
        const bool e01 = v[0] == v[1], e02 = v[0] == v[2], e03 = v[0] == v[3];
        const bool e12 = v[1] == v[2], e13 = v[1] == v[3], e23 = v[2] == v[3];
        float t0 = w0 + (e01 ? w1 : 0.0f) + (e02 ? w2 : 0.0f) + (e03 ? w3 : 0.0f);
        float t1 = e01 ? -1.0f : w1 + (e12 ? w2 : 0.0f) + (e13 ? w3 : 0.0f);
        float t2 = (e02 || e12) ? -1.0f : w2 + (e23 ? w3 : 0.0f);
        float t3 = (e03 || e13 || e23) ? -1.0f : w3;
        int best = 0;
        float top = t0;
        if (t1 > top) best = 1, top = t1;
        if (t2 > top) best = 2, top = t2;
        if (t3 > top) best = 3;
        return v[best];
    }
    // Written so that a NaN lands on cell 0 too.
    float fc = wx * w.invWorldScale, fr = wy * w.invWorldScale;
    int col = fc > 0 ? (fc < float(kLandSide - 1) ? static_cast<int>(fc) : kLandSide - 1) : 0;
    int row = fr > 0 ? (fr < float(kLandSide - 1) ? static_cast<int>(fr) : kLandSide - 1) : 0;
    return w.land[row * kLandSide + col];
}

// Shading s in [0, 1] (0 fully lit) of a unit normal seen along ray r: the
// light comes from the viewer and from above.
inline float ShadeFromNormal(Vec3 n, float rx, float rh, float ry)
{
    float lx = rx, lh = rh - 1.0f, ly = ry;
    float len = std::sqrt(lx * lx + lh * lh + ly * ly);
    float cs = (n.x * lx + n.y * lh + n.z * ly) / (len + 0.001f);
    if (cs > 0) cs = 0;
    float s2 = 1.0f - cs * cs;
    return s2 > 0 ? std::sqrt(s2) : 0.0f;
}

inline void SolidColour(int m, float s, uint8_t& index, uint8_t& shadeEntry)
{
    if (m < 48) {
        GroundColour(m, s, index, shadeEntry);
        return;
    }
    if (m >= 152 && m < 168)
        index = static_cast<uint8_t>(m - static_cast<int>(1.5f * s + 1.5f * NextNoise()) + 2);
    else
        index = static_cast<uint8_t>(m - static_cast<int>(2.99f * s) + 2);
    shadeEntry = static_cast<uint8_t>(m);
}

// Tint of a colour seen through water: terrain colours map to the blue-tinted
// copies at 120-143, object colours to the fourth (tinted) entry of their group.
inline uint8_t UnderWater(uint8_t e)
{
    return e < 120 ? static_cast<uint8_t>(e / 5 + 120) : static_cast<uint8_t>((e & ~3) + 3);
}

// Water surface normal from the noise table read as a 16 x 16 height field.
Vec3 WaterNormal(float wx, float wy)
{
    const float* N = terrainRenderer.noise;
    int c = FloorInt(wx), r = FloorInt(wy);
    float fx = wx - float(c), fy = wy - float(r);
    auto at = [N](int col, int row) { return N[((row & 15) << 4) | (col & 15)]; };
    float n00 = at(c, r), n10 = at(c + 1, r), n01 = at(c, r + 1), n11 = at(c + 1, r + 1);
    float sx = ((1 - fy) * (n10 - n00) + fy * (n11 - n01)) * 0.25f;
    float sy = ((1 - fx) * (n01 - n00) + fx * (n11 - n10)) * 0.25f;
    Vec3 n{-sx, 1.0f, -sy};
    return n * (1.0f / Length(n));
}

template <PixelRoutine Routine>
void FillRow(const TriangleSetup& tri, int py, int x0, int x1)
{
    TerrainRenderer& R = terrainRenderer;
    const RenderWorld& w = renderWorld;
    const float invW = 1.0f / R.widthF;
    const float v = static_cast<float>(py) * invW - R.aspect * 0.5f;
    uint16_t* depthRow = R.depth.data() + static_cast<size_t>(py) * R.width;
    uint8_t* shadeRow = R.shade.data() + static_cast<size_t>(py) * R.width;
    uint8_t* imageRow = R.image + static_cast<size_t>(py) * R.pitch;
    // The ray is D + u H + v V; its components are linear in u along the row.
    const float bx = w.D.x + v * w.V.x, bh = w.D.y + v * w.V.y, by = w.D.z + v * w.V.z;
    const float bn = tri.nD + v * tri.nV;

    for (int px = x0; px < x1; ++px) {
        float u = static_cast<float>(px) * invW - 0.5f;
        float nr = bn + u * tri.nH;
        float t = tri.k / nr;
        if (!(t > 0.0f) || !std::isfinite(t)) continue;
        uint32_t z = DepthUnits(t);
        float rx = bx + u * w.H.x, rh = bh + u * w.H.y, ry = by + u * w.H.z;

        if constexpr (Routine == PixelRoutine::Terrain) {
            if (depthRow[px] <= z) continue;
            depthRow[px] = static_cast<uint16_t>(z);
            float wx = w.T.x + rx * t, wy = w.T.z + ry * t;
            float gx, gy;
            TerrainSlope(wx, wy, gx, gy);
            // Normal (-gx, 1, -gy) normalised, against the light (r.x, r.h - 1, r.y).
            float lh = rh - 1.0f;
            float lenL = std::sqrt(rx * rx + lh * lh + ry * ry);
            float lenN = std::sqrt(gx * gx + gy * gy + 1.0f);
            float cs = (lh - gx * rx - gy * ry) / (lenN * (lenL + 0.001f));
            float s = cs < 0 ? std::sqrt(std::max(1.0f - cs * cs, 0.0f)) : 1.0f;
            GroundColour(GroundValueAt(wx, wy), s, imageRow[px], shadeRow[px]);
        } else if constexpr (Routine == PixelRoutine::Solid) {
            if (depthRow[px] <= z) continue;
            depthRow[px] = static_cast<uint16_t>(z);
            float s = ShadeFromNormal(tri.unitNormal, rx, rh, ry);
            SolidColour(tri.material, s, imageRow[px], shadeRow[px]);
        } else {
            // Water only lies over something drawn, and never writes depth.
            if (depthRow[px] == kTerrainClearDepth || z >= depthRow[px]) continue;
            float wx = w.T.x + rx * t, wy = w.T.z + ry * t;
            Vec3 n = WaterNormal(wx, wy);
            Vec3 d{rx, rh, ry};
            d = d * (1.0f / Length(d));
            Vec3 refl = d - n * (2.0f * Dot(d, n));
            if (refl.y < Dot(n, refl) + 0.005f) {
                imageRow[px] = UnderWater(imageRow[px]);
                shadeRow[px] = UnderWater(shadeRow[px]);
            } else {
                uint8_t sky = static_cast<uint8_t>(248 + static_cast<int>(6.5f * refl.y * refl.y));
                imageRow[px] = sky;
                shadeRow[px] = sky;
            }
        }
    }
}

template <PixelRoutine Routine>
void ScanTriangle(const RasterVertex* v[3], const TriangleSetup& tri)
{
    const TerrainRenderer& R = terrainRenderer;
    const RasterVertex& top = *v[0];
    const RasterVertex& mid = *v[1];
    const RasterVertex& bot = *v[2];
    if (top.sy == bot.sy) return;
    auto edgeX = [](const RasterVertex& a, const RasterVertex& b, int y) {
        return static_cast<float>(a.sx) + static_cast<float>(y - a.sy) *
                                              static_cast<float>(b.sx - a.sx) /
                                              static_cast<float>(b.sy - a.sy);
    };
    int yStart = std::max(top.sy, 0);
    int yEnd = std::min(bot.sy, R.height);
    for (int y = yStart; y < yEnd; ++y) {
        float xa = edgeX(top, bot, y);
        float xb = y < mid.sy ? edgeX(top, mid, y) : edgeX(mid, bot, y);
        float left = std::min(xa, xb), right = std::max(xa, xb);
        // Clamp in float first so huge edges never overflow the int conversion.
        left = std::max(left, -1.0f);
        right = std::min(right, static_cast<float>(R.width));
        int x0 = std::max(static_cast<int>(left + 1.0f), 0);
        int x1 = std::min(static_cast<int>(right + 1.0f), R.width);
        if (x0 < x1) FillRow<Routine>(tri, y, x0, x1);
    }
}

}  // namespace

int TerrainGroundValue(float x, float y)
{
    LoadRenderWorld();
    if (!renderWorld.land || !(renderWorld.worldScale > 0)) return 0;
    return GroundValueAt(x, y);
}

void BuildSlopeTables()
{
    RenderWorld& w = renderWorld;
    const uint8_t* H = w.heights;
    const float scale = 0.05f / w.heightCell;
    for (int j = -1; j <= kHeightSide; ++j)
        for (int i = -1; i <= kHeightSide; ++i) {
            int c = ClampInt(i, 0, kHeightSide - 2), r = ClampInt(j, 0, kHeightSide - 1);
            w.slopeX[(j + 1) * kSlopeSide + i + 1] = (float(H[r * kHeightSide + c + 1]) - float(H[r * kHeightSide + c])) * scale;
            c = ClampInt(i, 0, kHeightSide - 1);
            r = ClampInt(j, 0, kHeightSide - 2);
            w.slopeY[(j + 1) * kSlopeSide + i + 1] = (float(H[(r + 1) * kHeightSide + c]) - float(H[r * kHeightSide + c])) * scale;
        }
}

RasterVertex ProjectVertex(Vec3 world)
{
    const RenderWorld& w = renderWorld;
    const TerrainRenderer& R = terrainRenderer;
    RasterVertex out;
    out.cam = world - w.T;
    float d = Dot(w.D, out.cam);
    out.depth = d;
    if (!(d > 0.0001f)) return out;
    float sx = (Dot(w.H, out.cam) / d + 0.5f) * R.widthF;
    float sy = (Dot(w.V, out.cam) / d + R.aspect * 0.5f) * R.widthF;
    // Points far off screen are pulled in to keep the int conversion defined;
    // the rasteriser clips them anyway.
    const float lim = 1.0e6f;
    sx = std::clamp(sx, -lim, lim);
    sy = std::clamp(sy, -lim, lim);
    out.sx = static_cast<int>(sx);
    out.sy = static_cast<int>(sy);
    out.valid = true;
    return out;
}

void RasteriseTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                       int material)
{
    if (!a.valid || !b.valid || !c.valid) return;
    const RenderWorld& w = renderWorld;
    TriangleSetup tri;
    tri.n = Cross(b.cam - a.cam, c.cam - a.cam);
    tri.k = Dot(tri.n, a.cam);
    if (tri.k == 0.0f) return;  // plane through the eye: seen edge-on
    tri.nD = Dot(tri.n, w.D);
    tri.nH = Dot(tri.n, w.H);
    tri.nV = Dot(tri.n, w.V);
    tri.material = material;
    const Vec3 facing = tri.k > 0 ? tri.n * -1.0f : tri.n;  // towards the camera
    tri.unitNormal = facing * (1.0f / Length(facing));

    const RasterVertex* v[3] = {&a, &b, &c};
    std::sort(v, v + 3, [](const RasterVertex* p, const RasterVertex* q) { return p->sy < q->sy; });
    switch (terrainRenderer.routine) {
    case PixelRoutine::Terrain: ScanTriangle<PixelRoutine::Terrain>(v, tri); break;
    case PixelRoutine::Solid: ScanTriangle<PixelRoutine::Solid>(v, tri); break;
    case PixelRoutine::Water: ScanTriangle<PixelRoutine::Water>(v, tri); break;
    }
}

void DrawWorldTriangle(Vec3 a, Vec3 b, Vec3 c, int material)
{
    RasteriseTriangle(ProjectVertex(a), ProjectVertex(b), ProjectVertex(c), material);
}

void DrawBox(Vec3 centre, Vec3 a, Vec3 b, Vec3 c, int material)
{
    RasterVertex p[8];
    Vec3 corner[8];
    for (int k = 0; k < 8; ++k) {
        corner[k] = centre + a * ((k & 1) ? 1.0f : -1.0f) + b * ((k & 2) ? 1.0f : -1.0f) +
                    c * ((k & 4) ? 1.0f : -1.0f);
        p[k] = ProjectVertex(corner[k]);
    }
    // Corner k: bit 0 = +a, bit 1 = +b (top), bit 2 = +c.
    static const int faces[5][4] = {
        {2, 3, 7, 6},  // top
        {0, 1, 3, 2},  // -c side
        {4, 5, 7, 6},  // +c side
        {0, 4, 6, 2},  // -a end
        {1, 5, 7, 3},  // +a end
    };
    for (const auto& f : faces) {
        // Faces turned away from the camera are hidden by the box itself.
        Vec3 n = Cross(corner[f[1]] - corner[f[0]], corner[f[3]] - corner[f[0]]);
        Vec3 mid = (corner[f[0]] + corner[f[2]]) * 0.5f;
        if (Dot(n, mid - centre) < 0) n = n * -1.0f;
        if (Dot(n, mid - renderWorld.T) >= 0) continue;
        RasteriseTriangle(p[f[0]], p[f[1]], p[f[2]], material);
        RasteriseTriangle(p[f[0]], p[f[2]], p[f[3]], material);
    }
}

void DrawClosedTriangle(Vec3 a, Vec3 b, Vec3 c, Vec3 inside, int material)
{
    Vec3 n = Cross(b - a, c - a);
    if (Dot(n, a - inside) < 0) n = n * -1.0f;
    if (Dot(n, a - renderWorld.T) >= 0) return;
    DrawWorldTriangle(a, b, c, material);
}

ScreenPoint ProjectToScreen(float x, float h, float y)
{
    LoadRenderWorld();
    RasterVertex v = ProjectVertex(Vec3{x, h, y});
    ScreenPoint p;
    p.x = v.sx;
    p.y = v.sy;
    p.depth = v.depth;
    p.valid = v.valid;
    return p;
}
