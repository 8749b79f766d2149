// The render order of the track picture (terrain mesh, world frame, corner
// posts, objects, water), the view fit that places the camera, the panel
// strip and the small track preview.
#include "Game/track/render_internal.h"
#include "Game/track/track.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Picture aspect the view fit uses when no renderer target is set up yet.
constexpr float kDefaultAspect = 0.75f;
// Material of the world frame and corner posts: the noisy brown ramp, like
// the cut side of an earth block.
constexpr int kFrameMaterial = 164;
constexpr float kFrameWidth = 0.8f;  // the rim around the world

float SampleHeight(int col, int row)
{
    return static_cast<float>(renderWorld.heights[row * kHeightSide + col]) * 0.05f;
}

float HeightWithWater(int col, int row)
{
    return std::max(SampleHeight(col, row), renderWorld.waterHeight);
}

void DrawTerrain()
{
    const RenderWorld& w = renderWorld;
    terrainRenderer.routine = PixelRoutine::Terrain;
    // Every grid vertex is projected once; cell centres are projected per cell.
    static RasterVertex grid[kHeightCells];
    for (int j = 0; j < kHeightSide; ++j)
        for (int i = 0; i < kHeightSide; ++i)
            grid[j * kHeightSide + i] = ProjectVertex(
                Vec3{static_cast<float>(i) * w.heightCell, SampleHeight(i, j), static_cast<float>(j) * w.heightCell});
    for (int i = 0; i < kHeightSide - 1; ++i)
        for (int j = 0; j < kHeightSide - 1; ++j) {
            const RasterVertex& c00 = grid[j * kHeightSide + i];
            const RasterVertex& c10 = grid[j * kHeightSide + i + 1];
            const RasterVertex& c01 = grid[(j + 1) * kHeightSide + i];
            const RasterVertex& c11 = grid[(j + 1) * kHeightSide + i + 1];
            Vec3 centre{(static_cast<float>(i) + 0.5f) * w.heightCell,
                        (SampleHeight(i, j) + SampleHeight(i + 1, j) + SampleHeight(i, j + 1) +
                         SampleHeight(i + 1, j + 1)) * 0.25f,
                        (static_cast<float>(j) + 0.5f) * w.heightCell};
            RasterVertex m = ProjectVertex(centre);
            RasteriseTriangle(c00, c10, m, 0);
            RasteriseTriangle(c01, c00, m, 0);
            RasteriseTriangle(c10, c11, m, 0);
            RasteriseTriangle(c11, c01, m, 0);
        }
}

// One piece of the rim: from inner line a0-a1 (on the world edge) outwards by
// `out`, from height 0 up to the given top heights at both ends.
void DrawRimPiece(Vec3 a0, Vec3 a1, Vec3 out, float top0, float top1)
{
    Vec3 i0{a0.x, top0, a0.z}, i1{a1.x, top1, a1.z};
    Vec3 o0 = i0 + out, o1 = i1 + out;
    Vec3 ib0{a0.x, 0, a0.z}, ib1{a1.x, 0, a1.z};
    Vec3 ob0 = ib0 + out, ob1 = ib1 + out;
    DrawWorldTriangle(i0, i1, o1, kFrameMaterial);  // top
    DrawWorldTriangle(i0, o1, o0, kFrameMaterial);
    DrawWorldTriangle(o0, o1, ob1, kFrameMaterial);  // outer face
    DrawWorldTriangle(o0, ob1, ob0, kFrameMaterial);
    DrawWorldTriangle(i0, i1, ib1, kFrameMaterial);  // inner face, seen above far edges
    DrawWorldTriangle(i0, ib1, ib0, kFrameMaterial);
}

void DrawFrameAndPosts()
{
    const RenderWorld& w = renderWorld;
    const float S = w.worldSize, C = w.heightCell;
    terrainRenderer.routine = PixelRoutine::Solid;
    for (int k = 0; k < kHeightSide - 1; ++k) {
        float p0 = static_cast<float>(k) * C, p1 = static_cast<float>(k + 1) * C;
        // South edge (row 0) and north edge (row 63), along x.
        DrawRimPiece(Vec3{p0, 0, 0}, Vec3{p1, 0, 0}, Vec3{0, 0, -kFrameWidth},
                     HeightWithWater(k, 0) + 2.0f, HeightWithWater(k + 1, 0) + 2.0f);
        DrawRimPiece(Vec3{p0, 0, S}, Vec3{p1, 0, S}, Vec3{0, 0, kFrameWidth},
                     HeightWithWater(k, kHeightSide - 1) + 2.0f, HeightWithWater(k + 1, kHeightSide - 1) + 2.0f);
        // West edge (column 0) and east edge (column 63), along y.
        DrawRimPiece(Vec3{0, 0, p0}, Vec3{0, 0, p1}, Vec3{-kFrameWidth, 0, 0},
                     HeightWithWater(0, k) + 2.0f, HeightWithWater(0, k + 1) + 2.0f);
        DrawRimPiece(Vec3{S, 0, p0}, Vec3{S, 0, p1}, Vec3{kFrameWidth, 0, 0},
                     HeightWithWater(kHeightSide - 1, k) + 2.0f, HeightWithWater(kHeightSide - 1, k + 1) + 2.0f);
    }
    for (int cj = 0; cj < 2; ++cj)
        for (int ci = 0; ci < 2; ++ci) {
            float kh = HeightWithWater(ci * (kHeightSide - 1), cj * (kHeightSide - 1)) * 0.5f + 1.0f;
            Vec3 centre{ci ? S + 0.4f : -0.4f, kh, cj ? S + 0.4f : -0.4f};
            DrawBox(centre, Vec3{0.4f, 0, 0}, Vec3{0, kh, 0}, Vec3{0, 0, 0.4f}, kFrameMaterial);
        }
}

void DrawWater()
{
    const RenderWorld& w = renderWorld;
    const float S = w.worldSize, h = w.waterHeight;
    terrainRenderer.routine = PixelRoutine::Water;
    DrawWorldTriangle(Vec3{0, h, 0}, Vec3{S, h, 0}, Vec3{S, h, S}, 0);
    DrawWorldTriangle(Vec3{0, h, 0}, Vec3{S, h, S}, Vec3{0, h, S}, 0);
}

}  // namespace

void LoadRenderWorld()
{
    const TrackMaps& m = trackMaps;
    RenderWorld& w = renderWorld;
    w.land = m.land.size() >= 512u * 512u ? m.land.data() : nullptr;
    w.heights = m.heights.size() >= 64u * 64u ? m.heights.data() : nullptr;
    w.worldSize = m.worldSize;
    w.worldScale = m.worldScale;
    w.heightCell = m.heightCell;
    w.waterHeight = m.waterHeight;
    w.invWorldScale = m.worldScale > 0 ? 1.0f / m.worldScale : 0.0f;
    w.invHeightCell = m.heightCell > 0 ? 1.0f / m.heightCell : 0.0f;
    w.T = m.viewTranslation;
    w.D = m.viewDepth;
    w.H = m.viewHorizontal;
    w.V = m.viewVertical;
}

void FitTrackViewForAspect(float aspect)
{
    TrackMaps& m = trackMaps;
    if (m.heights.size() < 64u * 64u) return;
    if (!(aspect > 0.01f && aspect < 100.0f)) aspect = kDefaultAspect;
    const Vec3 H = m.viewHorizontal, V = m.viewVertical, D = m.viewDepth;
    const float S = m.worldSize;
    // The four top corners of the world block, taken at the outside of the
    // frame and also at its foot, so that at a zoom of 1 neither the rim nor
    // the block's near bottom edge is cut off by the picture or the panel strip.
    constexpr int kCorners = 8;
    float hx[kCorners], vy[kCorners], dz[kCorners];
    for (int k = 0; k < kCorners; ++k) {
        int ci = k & 1, cj = (k >> 1) & 1;
        float h = (k & 4) ? 0.0f : static_cast<float>(m.heights[(cj * (kHeightSide - 1)) * kHeightSide + ci * (kHeightSide - 1)]) * 0.05f + 2.0f;
        Vec3 c{ci ? S + kFrameWidth : -kFrameWidth, h, cj ? S + kFrameWidth : -kFrameWidth};
        hx[k] = Dot(H, c);
        vy[k] = Dot(V, c);
        dz[k] = Dot(D, c);
    }
    float bestH = 0, bestV = 0, cH = 0, cV = 0;
    const float a2 = aspect * 11.0f / 12.0f;
    for (int i = 0; i < kCorners; ++i)
        for (int j = i + 1; j < kCorners; ++j) {
            float mid = (dz[i] + dz[j]) / 2;
            float e = mid - std::fabs(hx[i] - hx[j]);
            if (e < bestH) {
                int k = hx[i] < hx[j] ? i : j;
                bestH = e;
                cH = hx[k] + (dz[k] - e) / 2;
            }
            e = mid - std::fabs(vy[i] - vy[j]) / a2;
            if (e < bestV) {
                int k = vy[i] < vy[j] ? i : j;
                bestV = e;
                cV = vy[k] + (dz[k] - e) * aspect / 2;
            }
        }
    float best = std::min(bestH, bestV);
    if (m.zoom < 1.0f) {
        float angle = static_cast<float>(m.viewAngle) * 0.01745329252f;
        if (aspect > 0.75f)
            m.zoom += (aspect * 4.0f / 3.0f - 1.0f) * (1.0f - m.zoom) * std::sin(angle);
        else if (aspect < 0.75f) {
            float c = std::cos(angle);
            if (c < 1.0f) m.zoom += (1.0f - aspect * 4.0f / 3.0f) * (1.0f - m.zoom) * c / (1.0f - c);
        }
        m.zoom = std::min(m.zoom, 1.0f);
    }
    Vec3 T = H * cH + V * cV + D * (best * m.zoom);
    m.viewTranslation = T;
}

void FitTrackView()
{
    float aspect = terrainRenderer.aspect > 0 ? terrainRenderer.aspect : kDefaultAspect;
    FitTrackViewForAspect(aspect);
}

void RenderTrackImage()
{
    TerrainRenderer& r = terrainRenderer;
    if (!r.image || r.depth.empty()) return;
    for (int y = 0; y < r.height; ++y)
        std::memset(r.image + static_cast<size_t>(y) * r.pitch, kTerrainClearColour, r.width);
    std::fill(r.depth.begin(), r.depth.end(), kTerrainClearDepth);
    std::fill(r.shade.begin(), r.shade.end(), kTerrainClearColour);
    LoadRenderWorld();
    if (!renderWorld.land || !renderWorld.heights || !(renderWorld.worldSize > 0)) return;
    BuildSlopeTables();
    DrawTerrain();
    DrawFrameAndPosts();
    if (!r.skipObjects) DrawTrackObjects();
    DrawWater();
}

void RenderLoadedTrack(bool fast)
{
    FitTrackView();
    terrainRenderer.skipObjects = fast;
    RenderTrackImage();
    terrainRenderer.skipObjects = false;
}

int PanelStripHeight(int height) { return height / 12; }

int ClearPanelStrip()
{
    TerrainRenderer& r = terrainRenderer;
    int first = r.height - PanelStripHeight(r.height);
    if (!r.image) return first;
    for (int y = first; y < r.height; ++y) {
        std::memset(r.image + static_cast<size_t>(y) * r.pitch, kTerrainClearColour, r.width);
        std::fill_n(r.depth.begin() + static_cast<ptrdiff_t>(y) * r.width, r.width, uint16_t(0));
        std::fill_n(r.shade.begin() + static_cast<ptrdiff_t>(y) * r.width, r.width, kTerrainClearColour);
    }
    return first;
}

void RenderTrackPreview(int width, int height, bool fast)
{
    SetupTerrainRenderer(width, height);
    RenderLoadedTrack(fast);
}
