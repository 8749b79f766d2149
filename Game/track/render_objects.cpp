// The static track objects: each type is a handful of shaded boxes, prisms,
// cones and triangles in the object's own frame (along its direction, across
// to its left, up), sized from the shared object type table so that what is
// drawn matches what the car physics hits and what the editor deletes.
// Foundations reach below the base down to the lowest ground under the
// footprint, so nothing floats on a slope; the terrain hides the rest.
#include "Game/track/render_internal.h"
#include "Game/track/track.h"
#include "trackfile/object_types.h"

#include <algorithm>
#include <cmath>

namespace {

// Palette groups of four (three shades and a blue tint) used as materials.
enum Material : int {
    kConcrete = 144,   // light grey-white
    kRed = 148,
    kHay = 152,
    kDarkGreen = 156,
    kLightGreen = 160,
    kWood = 164,
    kDarkGrey = 168,
    kYellow = 172,
    kWhite = 176,
    kBlue = 180,
    kGlass = 184,
    kBrick = 188,
    kTarmac = 2,       // ground value: bridge decks look and mark like tarmac
    kRock = 4,         // ground value of the darker tarmac grey
};

struct ObjFrame {
    Vec3 base;   // the object's position at its base height
    Vec3 along;  // unit direction; wall-like objects add the rise of their slope
    Vec3 flat;   // unit horizontal direction
    Vec3 side;   // unit horizontal, to the left of the direction
    float sink;  // how far foundations reach below the base
};

Vec3 At(const ObjFrame& f, float a, float s, float z)
{
    return f.base + f.along * a + f.side * s + Vec3{0, z, 0};
}

// Direction in the ground plane at angle phi from the object's direction.
Vec3 Radial(const ObjFrame& f, float phi)
{
    return f.flat * std::cos(phi) + f.side * std::sin(phi);
}

void Quad(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, int mat)
{
    DrawWorldTriangle(p0, p1, p2, mat);
    DrawWorldTriangle(p0, p2, p3, mat);
}

void ClosedQuad(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, Vec3 inside, int mat)
{
    DrawClosedTriangle(p0, p1, p2, inside, mat);
    DrawClosedTriangle(p0, p2, p3, inside, mat);
}

// Box centred at (a, s) in the frame with half sizes ha x hs, from height z0
// to z1; z0 <= 0 means from the foundations.
void Block(const ObjFrame& f, float a, float s, float ha, float hs, float z0, float z1, int mat)
{
    if (z0 <= 0) z0 = -f.sink;
    float zc = (z0 + z1) * 0.5f, hz = (z1 - z0) * 0.5f;
    DrawBox(At(f, a, s, zc), f.along * ha, Vec3{0, hz, 0}, f.side * hs, mat);
}

// Vertical n-sided frustum (a prism when r0 == r1, a cone when r1 == 0) with a top cap.
void Frustum(const ObjFrame& f, float a, float s, float r0, float r1, float z0, float z1, int sides,
             int mat)
{
    if (z0 <= 0) z0 = -f.sink;
    Vec3 c0 = At(f, a, s, z0), c1 = At(f, a, s, z1);
    Vec3 inside = (c0 + c1) * 0.5f;
    const float step = 6.2831853f / static_cast<float>(sides);
    for (int k = 0; k < sides; ++k) {
        Vec3 d0 = Radial(f, step * static_cast<float>(k)), d1 = Radial(f, step * static_cast<float>(k + 1));
        Vec3 b0 = c0 + d0 * r0, b1 = c0 + d1 * r0;
        if (r1 > 0) {
            Vec3 t0 = c1 + d0 * r1, t1 = c1 + d1 * r1;
            ClosedQuad(b0, b1, t1, t0, inside, mat);
            DrawClosedTriangle(c1, t0, t1, inside, mat);
        } else {
            DrawClosedTriangle(b0, b1, c1, inside, mat);
        }
    }
}

// Ellipsoid of horizontal radius r and vertical radius rz, eight segments
// around and four bands.
void Blob(const ObjFrame& f, float a, float s, float z, float r, float rz, int mat)
{
    Vec3 c = At(f, a, s, z);
    static const float ringZ[5] = {1.0f, 0.7071f, 0.0f, -0.7071f, -1.0f};
    static const float ringR[5] = {0.0f, 0.7071f, 1.0f, 0.7071f, 0.0f};
    const float step = 6.2831853f / 8.0f;
    for (int band = 0; band < 4; ++band)
        for (int k = 0; k < 8; ++k) {
            Vec3 d0 = Radial(f, step * static_cast<float>(k)), d1 = Radial(f, step * static_cast<float>(k + 1));
            Vec3 p00 = c + d0 * (r * ringR[band]) + Vec3{0, rz * ringZ[band], 0};
            Vec3 p01 = c + d1 * (r * ringR[band]) + Vec3{0, rz * ringZ[band], 0};
            Vec3 p10 = c + d0 * (r * ringR[band + 1]) + Vec3{0, rz * ringZ[band + 1], 0};
            Vec3 p11 = c + d1 * (r * ringR[band + 1]) + Vec3{0, rz * ringZ[band + 1], 0};
            if (band == 0)
                DrawClosedTriangle(p00, p10, p11, c, mat);
            else if (band == 3)
                DrawClosedTriangle(p00, p01, p10, c, mat);
            else
                ClosedQuad(p00, p01, p11, p10, c, mat);
        }
}

// Little pyramids along the top of a hedge.
void HedgeTop(const ObjFrame& f, const ObjectTypeInfo& t)
{
    int count = std::max(1, static_cast<int>(t.halfLength / 0.5f + 0.5f));
    float cell = t.halfLength * 2.0f / static_cast<float>(count);
    for (int k = 0; k < count; ++k) {
        float a = -t.halfLength + cell * (static_cast<float>(k) + 0.5f);
        float ha = cell * 0.5f, hs = t.halfWidth;
        Vec3 apex = At(f, a, 0, t.height + 0.35f);
        Vec3 p0 = At(f, a - ha, -hs, t.height), p1 = At(f, a + ha, -hs, t.height);
        Vec3 p2 = At(f, a + ha, hs, t.height), p3 = At(f, a - ha, hs, t.height);
        DrawWorldTriangle(p0, p1, apex, kLightGreen);
        DrawWorldTriangle(p1, p2, apex, kLightGreen);
        DrawWorldTriangle(p2, p3, apex, kLightGreen);
        DrawWorldTriangle(p3, p0, apex, kLightGreen);
    }
}

void DrawArmco(const ObjFrame& f, const ObjectTypeInfo& t)
{
    for (float a : {-t.halfLength + 0.1f, 0.0f, t.halfLength - 0.1f})
        Block(f, a, 0, 0.08f, 0.08f, 0, t.height - 0.1f, kDarkGrey);
    Block(f, 0, 0.08f, t.halfLength, t.halfWidth - 0.08f, 0.35f, t.height, kWhite);
}

void DrawFence(const ObjFrame& f, const ObjectTypeInfo& t)
{
    for (int k = 0; k <= 4; ++k) {
        float a = -t.halfLength + t.halfLength * 0.5f * static_cast<float>(k);
        a = std::clamp(a, -t.halfLength + t.postRadius, t.halfLength - t.postRadius);
        Block(f, a, 0, t.postRadius, t.postRadius, 0, t.height, kWood);
    }
    for (float z : {0.35f, 0.8f, 1.25f})
        Block(f, 0, 0, t.halfLength, t.halfWidth * 0.5f, z, z + 0.15f, kBrick);
}

void DrawPalm(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float top = t.height;
    Frustum(f, 0, 0, t.postRadius * 1.3f, t.postRadius, 0, top + 0.3f, 6, kWood);
    Vec3 centre = At(f, 0, 0, top + 0.4f);
    for (int k = 0; k < 8; ++k) {
        float phi = 0.35f + 0.785398f * static_cast<float>(k);
        Vec3 out = Radial(f, phi), across = Radial(f, phi + 1.5708f);
        Vec3 mid = centre + out * (t.halfLength * 0.5f) + Vec3{0, 0.3f, 0};
        Vec3 tip = centre + out * t.halfLength + Vec3{0, -1.4f, 0};
        DrawWorldTriangle(centre, mid + across * 0.55f, tip, kDarkGreen);
        DrawWorldTriangle(centre, tip, mid - across * 0.55f, kDarkGreen);
    }
    Blob(f, 0, 0, top + 0.2f, 0.45f, 0.4f, kWood);
}

void DrawLeafTree(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Frustum(f, 0, 0, t.postRadius, t.postRadius * 0.8f, 0, t.height - 1.0f, 6, kWood);
    Blob(f, 0, 0, t.height, t.halfLength, t.halfLength * 0.85f, kLightGreen);
    Blob(f, 0.9f, 0.5f, t.height + 1.3f, t.halfLength * 0.6f, t.halfLength * 0.5f, kLightGreen);
}

void DrawFir(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float r = t.halfLength, top = t.height;
    Frustum(f, 0, 0, t.postRadius, t.postRadius, 0, top * 0.2f, 6, kWood);
    Frustum(f, 0, 0, r, 0, top * 0.13f, top * 0.56f, 8, kDarkGreen);
    Frustum(f, 0, 0, r * 0.77f, 0, top * 0.39f, top * 0.8f, 8, kDarkGreen);
    Frustum(f, 0, 0, r * 0.5f, 0, top * 0.64f, top, 8, kDarkGreen);
}

void DrawPine(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float top = t.height;
    Frustum(f, 0, 0, t.postRadius, t.postRadius * 0.8f, 0, top - 0.6f, 6, kWood);
    Blob(f, 0, 0, top - 0.3f, t.halfLength, 1.1f, kDarkGreen);
    Blob(f, 0, 0, top + 0.4f, t.halfLength * 0.55f, 0.6f, kDarkGreen);
}

void DrawCactus(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float r = t.postRadius;
    Frustum(f, 0, 0, r, r, 0, t.height, 8, kLightGreen);
    Blob(f, 0, 0, t.height, r, r * 0.8f, kLightGreen);
    // Two arms, out along the direction and then up.
    Block(f, -0.65f, 0, 0.35f, r * 0.55f, 1.1f, 1.45f, kLightGreen);
    Frustum(f, -t.halfLength + r * 0.6f, 0, r * 0.6f, r * 0.6f, 1.1f, 2.3f, 6, kLightGreen);
    Block(f, 0.65f, 0, 0.35f, r * 0.55f, 1.6f, 1.95f, kLightGreen);
    Frustum(f, t.halfLength - r * 0.6f, 0, r * 0.6f, r * 0.6f, 1.6f, 2.6f, 6, kLightGreen);
}

void DrawBush(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Blob(f, 0, 0, t.height, t.halfLength, t.height * 1.1f, kDarkGreen);
    Blob(f, 0.5f, 0.4f, t.height * 1.5f, t.halfLength * 0.55f, t.height * 0.7f, kLightGreen);
}

void DrawTrafficSign(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Block(f, 0, 0, t.postRadius, t.postRadius, 0, t.height - 0.5f, kWhite);
    // A warning triangle facing along the direction, white inside a red rim.
    float half = t.halfLength * 0.92f;
    DrawWorldTriangle(At(f, t.postRadius + 0.02f, -half, t.height - 0.95f),
                      At(f, t.postRadius + 0.02f, half, t.height - 0.95f),
                      At(f, t.postRadius + 0.02f, 0, t.height), kRed);
    DrawWorldTriangle(At(f, t.postRadius + 0.06f, -half * 0.6f, t.height - 0.8f),
                      At(f, t.postRadius + 0.06f, half * 0.6f, t.height - 0.8f),
                      At(f, t.postRadius + 0.06f, 0, t.height - 0.25f), kWhite);
}

void DrawLight(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Frustum(f, 0, 0, t.postRadius * 1.4f, t.postRadius, 0, t.height, 6, kConcrete);
    float arm = t.halfLength * 0.5f;
    Block(f, arm, 0, arm, 0.06f, t.height - 0.2f, t.height - 0.05f, kConcrete);
    Block(f, t.halfLength - 0.3f, 0, 0.3f, t.halfWidth * 0.6f, t.height - 0.45f, t.height - 0.15f, kYellow);
}

void DrawStone(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Blob(f, 0, 0, t.height, t.halfLength, t.halfLength * 0.75f, kRock);
    Blob(f, 0.35f, -0.3f, t.height + 0.3f, t.halfLength * 0.55f, t.halfLength * 0.5f, kRock);
}

// An upright tyre half sunk into the ground, its axis across the direction.
void DrawSunkTyre(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float outer = t.halfLength, inner = t.halfLength * 0.55f, w = t.halfWidth;
    const int n = 10;
    const float step = 6.2831853f / n;
    Vec3 centre = At(f, 0, 0, t.height);
    auto ring = [&](float angle, float radius, float s) {
        return centre + f.flat * (std::cos(angle) * radius) + Vec3{0, std::sin(angle) * radius, 0} +
               f.side * s;
    };
    for (int k = 0; k < n; ++k) {
        float a0 = step * static_cast<float>(k), a1 = step * static_cast<float>(k + 1);
        for (float s : {-w, w})
            Quad(ring(a0, inner, s), ring(a1, inner, s), ring(a1, outer, s), ring(a0, outer, s), kDarkGrey);
        Quad(ring(a0, outer, -w), ring(a1, outer, -w), ring(a1, outer, w), ring(a0, outer, w), kDarkGrey);
    }
}

void DrawBooth(const ObjFrame& f, const ObjectTypeInfo& t)
{
    float h = t.halfLength - 0.2f, w = t.halfWidth - 0.2f;
    Block(f, 0, 0, h, w, 0, t.height - 0.5f, kBrick);
    Block(f, 0, 0, h + 0.05f, w + 0.05f, 1.1f, 1.9f, kGlass);
    Block(f, h + 0.03f, 0, 0.05f, 0.35f, 0, 1.9f, kWood);
    Block(f, 0, 0, t.halfLength, t.halfWidth, t.height - 0.5f, t.height - 0.2f, kRed);
    Block(f, 0, 0, h * 0.6f, w * 0.6f, t.height - 0.2f, t.height, kRed);
}

void DrawHouse(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth, wallL = L - 0.2f, wallW = W - 0.2f;
    const float eave = 3.0f, ridge = t.height;
    Block(f, 0, 0, wallL, wallW, 0, eave, kConcrete);
    // Gable roof with its ridge along the direction.
    for (float s : {-1.0f, 1.0f})
        Quad(At(f, -L, s * W, eave - 0.2f), At(f, L, s * W, eave - 0.2f), At(f, L, 0, ridge),
             At(f, -L, 0, ridge), kRed);
    for (float a : {-wallL, wallL})
        DrawWorldTriangle(At(f, a, -wallW, eave), At(f, a, wallW, eave), At(f, a, 0, ridge - 0.25f), kConcrete);
    Block(f, L * 0.45f, -W * 0.4f, 0.3f, 0.3f, eave + 0.8f, ridge + 0.3f, kBrick);  // chimney
    // Door and windows on the long sides, windows on the ends.
    Block(f, 0, wallW + 0.02f, 0.45f, 0.04f, 0, 2.0f, kWood);
    for (float s : {-1.0f, 1.0f})
        for (float a : {-wallL * 0.6f, wallL * 0.6f})
            Block(f, a, s * (wallW + 0.02f), 0.5f, 0.04f, 1.0f, 2.0f, kGlass);
    for (float a : {-1.0f, 1.0f})
        Block(f, a * (wallL + 0.02f), 0, 0.04f, 0.6f, 1.0f, 2.0f, kGlass);
}

void DrawOffice(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth, H = t.height - 0.6f;
    Block(f, 0, 0, L - 0.1f, W - 0.1f, 0, H, kConcrete);
    for (float z = 0; z + 2.6f < H; z += 3.0f)
        Block(f, 0, 0, L, W, z + 1.0f, z + 2.2f, kGlass);
    Block(f, 0, 0, L * 0.45f, W * 0.45f, H, t.height, kDarkGrey);  // roof housing
}

// Stepped seating along the direction, facing to the left of it, with a back
// wall and a canopy over the upper rows.
void DrawStand(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth;
    const int rows = 5;
    const float depth = 0.65f, rise = 0.5f;
    for (int k = 0; k < rows; ++k) {
        float s = W - depth * (static_cast<float>(k) + 0.5f);
        float top = rise * static_cast<float>(k + 1);
        Block(f, 0, s, L - 0.15f, depth * 0.5f, 0, top, kConcrete);
        Block(f, 0, s + depth * 0.5f - 0.12f, L - 0.2f, 0.08f, top, top + 0.25f, kBlue);
    }
    float backS = W - depth * rows;
    Block(f, 0, (backS - W) * 0.5f, L, (W + backS) * 0.5f, 0, t.height, kConcrete);
    for (float a : {-1.0f, 1.0f})
        Block(f, a * (L - 0.08f), 0, 0.08f, W, 0, rise * rows + 0.4f, kConcrete);
    Block(f, 0, (backS + 0.8f - W) * 0.5f, L, (W + backS + 0.8f) * 0.5f, t.height, t.height + 0.2f, kRed);
}

void DrawBoat(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth, deck = 0.6f, keel = -0.5f;
    const float outline[5][2] = {{-L, -W * 0.9f}, {L * 0.4f, -W}, {L, 0}, {L * 0.4f, W}, {-L, W * 0.9f}};
    for (int k = 0; k < 5; ++k) {
        const float* p = outline[k];
        const float* q = outline[(k + 1) % 5];
        Quad(At(f, p[0], p[1], deck), At(f, q[0], q[1], deck), At(f, q[0] * 0.9f, q[1] * 0.6f, keel),
             At(f, p[0] * 0.9f, p[1] * 0.6f, keel), kWhite);
    }
    Vec3 centre = At(f, 0, 0, deck);
    for (int k = 0; k < 5; ++k) {
        const float* p = outline[k];
        const float* q = outline[(k + 1) % 5];
        DrawWorldTriangle(centre, At(f, p[0], p[1], deck), At(f, q[0], q[1], deck), kWood);
    }
    Block(f, -L * 0.3f, 0, L * 0.3f, W * 0.55f, deck, t.height, kWhite);
    Block(f, -L * 0.3f, 0, L * 0.3f + 0.04f, W * 0.55f + 0.04f, deck + 0.45f, deck + 0.75f, kGlass);
}

void DrawPier(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth;
    Block(f, 0, 0, L, W, t.height - 0.15f, t.height, kWood);
    for (float a : {-L + 0.15f, 0.0f, L - 0.15f})
        for (float s : {-W + 0.1f, W - 0.1f})
            Frustum(f, a, s, t.postRadius, t.postRadius, 0, t.height - 0.1f, 4, kWood);
}

// A humped road bridge along the direction: level deck in the middle, ramps
// down to the ground at both ends, walled sides and railings.
void DrawBridge(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth - 0.2f, top = t.height, flat = 2.2f;
    Block(f, 0, 0, flat, W, top - 0.35f, top, kTarmac);
    for (float dir : {-1.0f, 1.0f}) {
        Vec3 hi0 = At(f, dir * flat, -W, top), hi1 = At(f, dir * flat, W, top);
        Vec3 lo0 = At(f, dir * L, -W, 0), lo1 = At(f, dir * L, W, 0);
        Quad(hi0, hi1, lo1, lo0, kTarmac);
        for (float s : {-W, W})
            Quad(At(f, dir * flat, s, top), At(f, dir * L, s, 0), At(f, dir * L, s, -f.sink),
                 At(f, dir * flat, s, -f.sink), kConcrete);
        Quad(At(f, dir * flat, -W, top - 0.35f), At(f, dir * flat, W, top - 0.35f),
             At(f, dir * flat, W, -f.sink), At(f, dir * flat, -W, -f.sink), kConcrete);
        for (float s : {-W - 0.1f, W + 0.1f}) {
            // Railing along the ramp: a box sheared down the slope.
            Vec3 centre = At(f, dir * (flat + L) * 0.5f, s, top * 0.5f + 0.3f);
            Vec3 axis = f.along * (dir * (L - flat) * 0.5f) + Vec3{0, -top * 0.5f, 0};
            DrawBox(centre, axis, Vec3{0, 0.3f, 0}, f.side * 0.1f, kConcrete);
        }
    }
    for (float s : {-W - 0.1f, W + 0.1f}) Block(f, 0, s, flat, 0.1f, top - 0.35f, top + 0.6f, kConcrete);
}

// A level deck on pillars between two banks, with short ramps at its ends.
void DrawFlatBridge(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth - 0.2f, top = t.height, ramp = 1.2f;
    Block(f, 0, 0, L - ramp, W, top - 0.35f, top, kTarmac);
    for (float dir : {-1.0f, 1.0f}) {
        Quad(At(f, dir * (L - ramp), -W, top), At(f, dir * (L - ramp), W, top), At(f, dir * L, W, 0.02f),
             At(f, dir * L, -W, 0.02f), kTarmac);
        for (float s : {-W, W})
            Quad(At(f, dir * (L - ramp), s, top), At(f, dir * L, s, 0.02f), At(f, dir * L, s, -f.sink),
                 At(f, dir * (L - ramp), s, -f.sink), kConcrete);
    }
    for (float s : {-W - 0.1f, W + 0.1f}) Block(f, 0, s, L - ramp, 0.1f, top - 0.35f, top + 0.5f, kConcrete);
    for (float a : {-(L - ramp) * 0.5f, 0.0f, (L - ramp) * 0.5f})
        for (float s : {-W * 0.6f, W * 0.6f}) Block(f, a, s, 0.25f, 0.25f, 0, top - 0.35f, kConcrete);
}

// A covered footbridge over the road between two stair towers.
void DrawPedestrianBridge(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, W = t.halfWidth, H = t.height, tower = 0.8f;
    for (float dir : {-1.0f, 1.0f}) Block(f, dir * (L - tower), 0, tower, W, 0, H - 0.6f, kConcrete);
    Block(f, 0, 0, L - 2 * tower, W * 0.9f, H - 1.2f, H - 0.9f, kBlue);
    for (float s : {-W * 0.85f, W * 0.85f}) Block(f, 0, s, L - 2 * tower, 0.05f, H - 0.9f, H - 0.15f, kGlass);
    Block(f, 0, 0, L - 0.3f, W, H - 0.15f, H, kBlue);
}

// Start gantry: two posts and a chequered banner across the direction.
void DrawGate(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float L = t.halfLength, post = t.postRadius;
    for (float dir : {-1.0f, 1.0f}) Block(f, dir * (L - post), 0, post, post, 0, t.height, kConcrete);
    const int cells = 8;
    const float span = L - 2 * post, cell = 2 * span / cells, rowH = 0.5f;
    for (int k = 0; k < cells; ++k)
        for (int row = 0; row < 2; ++row) {
            float a = -span + cell * (static_cast<float>(k) + 0.5f);
            float z0 = t.height - 1.1f + rowH * static_cast<float>(row);
            Block(f, a, 0, cell * 0.5f, 0.12f, z0, z0 + rowH, ((k + row) & 1) ? kDarkGrey : kWhite);
        }
}

void DrawConcretePost(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Block(f, 0, 0, t.halfLength - 0.02f, t.halfWidth - 0.02f, 0, t.height - 0.2f, kConcrete);
    Block(f, 0, 0, t.halfLength, t.halfWidth, t.height - 0.2f, t.height, kRed);
}

void DrawCone(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Block(f, 0, 0, t.halfLength, t.halfWidth, 0, 0.05f, kRed);
    Frustum(f, 0, 0, t.postRadius, 0, 0.05f, t.height, 8, kRed);
    Frustum(f, 0, 0, t.postRadius * 0.62f + 0.01f, t.postRadius * 0.42f + 0.01f, 0.35f, 0.5f, 8, kWhite);
}

void DrawTelephonePole(const ObjFrame& f, const ObjectTypeInfo& t)
{
    Frustum(f, 0, 0, t.postRadius, t.postRadius * 0.8f, 0, t.height, 6, kWood);
    Block(f, 0, 0, t.halfLength, 0.08f, t.height - 0.5f, t.height - 0.35f, kWood);
    for (float a : {-t.halfLength + 0.15f, -0.4f, 0.4f, t.halfLength - 0.15f})
        Block(f, a, 0, 0.05f, 0.05f, t.height - 0.35f, t.height - 0.15f, kWhite);
}

void DrawPerson(const ObjFrame& f, const ObjectTypeInfo& t)
{
    const float H = t.height;
    for (float s : {-0.1f, 0.1f}) Block(f, 0, s, 0.08f, 0.07f, 0, H * 0.47f, kBlue);
    Block(f, 0, 0, 0.12f, 0.22f, H * 0.47f, H * 0.8f, kRed);
    for (float s : {-0.28f, 0.28f}) Block(f, 0, s, 0.06f, 0.06f, H * 0.47f, H * 0.78f, kRed);
    Block(f, 0, 0, 0.1f, 0.1f, H * 0.83f, H * 0.97f, kBrick);
    Block(f, 0, 0, 0.11f, 0.11f, H * 0.95f, H, kWood);  // hair
}

// How far below the base the foundations must reach: the base line (with its
// slope) minus the lowest ground under the footprint, plus a margin.
float FoundationSink(const ObjFrame& f, const ObjectTypeInfo& t)
{
    float ha = std::max(t.halfLength, 0.3f), hs = std::max(t.halfWidth, 0.3f);
    float need = 0;
    for (float a : {-ha, 0.0f, ha})
        for (float s : {-hs, 0.0f, hs}) {
            Vec3 p = At(f, a, s, 0);
            need = std::max(need, p.y - TerrainHeight(p.x, p.z));
        }
    return need + 0.25f;
}

void DrawObject(int type, const ObjFrame& f, const ObjectTypeInfo& t)
{
    switch (type) {
    case 1: Block(f, 0, 0, t.halfLength, t.halfWidth, 0, t.height, kConcrete); break;
    case 2: Block(f, 0, 0, t.halfLength, t.halfWidth, 0, t.height, kRed); break;
    case 3: Block(f, 0, 0, t.halfLength, t.halfWidth, 0, t.height, kHay); break;
    case 4: DrawPalm(f, t); break;
    case 5: DrawLeafTree(f, t); break;
    case 6: DrawBush(f, t); break;
    case 7: DrawTrafficSign(f, t); break;
    case 8: DrawLight(f, t); break;
    case 9: DrawStone(f, t); break;
    case 10: DrawSunkTyre(f, t); break;
    case 11: DrawBooth(f, t); break;
    case 12: DrawHouse(f, t); break;
    case 13: case 27: case 28: DrawOffice(f, t); break;
    case 14: DrawStand(f, t); break;
    case 15: DrawBoat(f, t); break;
    case 16: DrawPier(f, t); break;
    case 17: DrawBridge(f, t); break;
    case 18: DrawFlatBridge(f, t); break;
    case 19: DrawFir(f, t); break;
    case 20: DrawPine(f, t); break;
    case 21: DrawCactus(f, t); break;
    case 22: DrawGate(f, t); break;
    case 23: DrawFence(f, t); break;
    case 24: DrawConcretePost(f, t); break;
    case 25: DrawCone(f, t); break;
    case 26: DrawTelephonePole(f, t); break;
    case 29: DrawArmco(f, t); break;
    case 30: DrawPedestrianBridge(f, t); break;
    case 32: DrawPerson(f, t); break;
    case 34: case 35:
        Block(f, 0, 0, t.halfLength, t.halfWidth, 0, t.height, kDarkGreen);
        HedgeTop(f, t);
        break;
    default: break;  // the invisible wall and unknown codes draw nothing
    }
}

}  // namespace

void DrawTrackObjects()
{
    TrackMaps& m = trackMaps;
    terrainRenderer.routine = PixelRoutine::Solid;
    for (size_t k = 6; k < m.objects.size(); ++k) {
        WorldObject& o = m.objects[k];
        int type = o.type;
        if (type == 0 || type == 33 || type >= kObjectTypeCount) continue;
        if (type == kObjectMoveableCone) {
            o.state = 1;  // the race moves and draws it
            o.position.y = TerrainHeight(o.position.x, o.position.z);
            continue;
        }
        const ObjectTypeInfo& t = ObjectType(type);
        float dx = o.direction.x, dy = o.direction.z;
        float len = std::sqrt(dx * dx + dy * dy);
        if (len > 0) {
            dx /= len;
            dy /= len;
        } else {
            dx = 1;
            dy = 0;
        }
        if (ObjectIsWallLike(type)) {
            float l = t.halfLength;
            float h1 = TerrainHeight(o.position.x + dx * l, o.position.z + dy * l);
            float h0 = TerrainHeight(o.position.x - dx * l, o.position.z - dy * l);
            o.position.y = (h0 + h1) * 0.5f;
            o.direction.y = (h1 - h0) / l * 0.5f;
        } else {
            o.position.y = TerrainHeight(o.position.x, o.position.z);
            // Boats float and piers stand at the water line when it is higher.
            if (type == 15 || type == 16) o.position.y = std::max(o.position.y, m.waterHeight);
        }
        ObjFrame f;
        f.base = Vec3{o.position.x, o.position.y, o.position.z};
        f.flat = Vec3{dx, 0, dy};
        f.along = Vec3{dx, ObjectIsWallLike(type) ? o.direction.y : 0.0f, dy};
        f.side = Vec3{-dy, 0, dx};
        f.sink = 0;
        f.sink = FoundationSink(f, t);
        DrawObject(type, f, t);
    }
}
