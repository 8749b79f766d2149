// The race view's primitives: Gouraud triangles, discs, shadow triangles and
// discs, oriented boxes. All draw integer spans into viewTarget, clip to the
// screen and test one depth value per primitive against the terrain's depth
// buffer; none of them writes depth.
#include <algorithm>
#include <cmath>

#include "Game/track/track.h"
#include "Game/view/view.h"

ViewTarget viewTarget;
float discHalfWidth[kDiscRows];

void BuildDiscTable()
{
    for (int i = 0; i < kDiscRows; ++i) {
        float t = 0.02f * i - 0.99f;
        discHalfWidth[i] = std::sqrt(1 - t * t);
    }
}

void SetViewTarget(uint8_t* pixels, int pitch, int width, int height, const uint16_t* depth,
                   const uint8_t* shade)
{
    ViewTarget& v = viewTarget;
    v.pixels = pixels;
    v.pitch = pitch;
    v.width = width;
    v.height = height;
    v.depth = depth;
    v.shade = shade;
    v.scale = static_cast<float>(width);
    v.aspect = width > 0 ? static_cast<float>(height) / width : 0;
}

void SetViewCamera()
{
    viewTarget.T = trackMaps.viewTranslation;
    viewTarget.D = trackMaps.viewDepth;
    viewTarget.H = trackMaps.viewHorizontal;
    viewTarget.V = trackMaps.viewVertical;
}

ViewPoint ProjectPoint(Vec3 world)
{
    const ViewTarget& v = viewTarget;
    Vec3 q = world - v.T;
    ViewPoint p;
    p.z = Dot(v.D, q);
    if (!(p.z > 0.0001f)) return p;
    p.x = (Dot(v.H, q) / p.z + 0.5f) * v.scale;
    p.y = (Dot(v.V, q) / p.z + v.aspect * 0.5f) * v.scale;
    // Far-off points are pulled in so the integer conversions stay defined.
    p.x = std::clamp(p.x, -1.0e6f, 1.0e6f);
    p.y = std::clamp(p.y, -1.0e6f, 1.0e6f);
    p.valid = true;
    return p;
}

namespace {

// The floor of a screen coordinate as an int, held far outside any screen
// (NaN gives the low end): huge discs and thin slivers stay defined.
int Pixel(float v)
{
    constexpr float kFar = 1 << 30;
    if (!(v > -kFar)) return -(1 << 30);
    if (!(v < kFar)) return 1 << 30;
    return static_cast<int>(std::floor(v));
}

// Depth units of a depth along the view axis, saturated to the 16-bit range.
int DepthUnits(float z)
{
    float d = z / kViewDepthScale;
    if (!(d < 65536.0f)) return 65536;
    return d > 0 ? static_cast<int>(d) : 0;
}

// Calls span(row, x1, x2) for every row of a triangle: rows r with
// ymin < r <= ymax, pixels x with left edge < x <= right edge, clipped.
template <typename Span>
void RasteriseRows(const ViewPoint p[3], Span span)
{
    const ViewPoint* a = &p[0];
    const ViewPoint* b = &p[1];
    const ViewPoint* c = &p[2];
    if (a->y > b->y) std::swap(a, b);
    if (b->y > c->y) std::swap(b, c);
    if (a->y > b->y) std::swap(a, b);
    if (c->y - a->y <= 0) return;
    const ViewTarget& v = viewTarget;
    int first = std::max(0, Pixel(a->y) + 1);
    int last = std::min(v.height - 1, Pixel(c->y));
    float longSlope = (c->x - a->x) / (c->y - a->y);
    for (int row = first; row <= last; ++row) {
        float y = static_cast<float>(row);
        float xl = a->x + (y - a->y) * longSlope;
        float xr;
        if (y <= b->y && b->y > a->y)
            xr = a->x + (y - a->y) * (b->x - a->x) / (b->y - a->y);
        else if (c->y > b->y)
            xr = b->x + (y - b->y) * (c->x - b->x) / (c->y - b->y);
        else
            xr = b->x;
        if (xl > xr) std::swap(xl, xr);
        int x1 = std::max(0, Pixel(xl) + 1);
        int x2 = std::min(v.width - 1, Pixel(xr));
        if (x1 <= x2) span(row, x1, x2);
    }
}

// Calls span(row, x1, x2) for every row of a disc of screen radius r.
template <typename Span>
void RasteriseDisc(float cx, float cy, float r, Span span)
{
    const ViewTarget& v = viewTarget;
    if (!(r > 0)) return;
    int first = std::max(0, Pixel(cy - r) + 1);
    int last = std::min(v.height - 1, Pixel(cy + r) + 1);
    for (int row = first; row <= last; ++row) {
        int index = Pixel(((row - cy) / r + 1) * 50);
        if (index < 0 || index >= kDiscRows) break;
        float hw = discHalfWidth[index] * r;
        int x1 = std::max(0, Pixel(cx - hw) + 1);
        int x2 = std::min(v.width - 1, Pixel(cx + hw));
        if (x1 <= x2) span(row, x1, x2);
    }
}

bool FrontFacing(const ViewPoint p[3])
{
    return (p[0].y - p[1].y) * (p[2].x - p[0].x) + (p[1].x - p[0].x) * (p[2].y - p[0].y) < 0;
}

}  // namespace

void FillTriangle(const ViewPoint p[3], const float shade[3], int baseColour, bool noDepth)
{
    const ViewTarget& v = viewTarget;
    if (!v.pixels || !p[0].valid || !p[1].valid || !p[2].valid) return;
    if (!FrontFacing(p)) return;
    int dv = DepthUnits((p[0].z + p[1].z + p[2].z) / 3);
    if (dv <= 0) return;
    // Shade plane a x + b + c y through the three (x, y, shade) points.
    float x21 = p[1].x - p[0].x, y21 = p[1].y - p[0].y;
    float x31 = p[2].x - p[0].x, y31 = p[2].y - p[0].y;
    float s21 = shade[1] - shade[0], s31 = shade[2] - shade[0];
    float det = x21 * y31 - x31 * y21;
    float a = 0, c = 0;
    if (det != 0) {
        a = (s21 * y31 - s31 * y21) / det;
        c = (x21 * s31 - x31 * s21) / det;
    }
    float b = shade[0] - a * p[0].x - c * p[0].y;
    const uint16_t* depth = noDepth ? nullptr : v.depth;
    RasteriseRows(p, [&](int row, int x1, int x2) {
        uint8_t* out = v.pixels + static_cast<size_t>(row) * v.pitch;
        const uint16_t* d = depth ? depth + static_cast<size_t>(row) * v.width : nullptr;
        float s = a * x1 + b + c * row;
        for (int x = x1; x <= x2; ++x, s += a) {
            if (d && dv >= d[x]) continue;
            int colour = baseColour + std::clamp(Pixel(s), -256, 256);
            out[x] = static_cast<uint8_t>(std::clamp(colour, 0, 255));
        }
    });
}

void FillDisc(ViewPoint centre, float radius, uint8_t colour, bool noDepth)
{
    const ViewTarget& v = viewTarget;
    if (!v.pixels || !centre.valid) return;
    int dv = DepthUnits(centre.z);
    const uint16_t* depth = noDepth ? nullptr : v.depth;
    RasteriseDisc(centre.x, centre.y, v.scale * radius / centre.z, [&](int row, int x1, int x2) {
        uint8_t* out = v.pixels + static_cast<size_t>(row) * v.pitch;
        if (!depth) {
            std::fill(out + x1, out + x2 + 1, colour);
            return;
        }
        const uint16_t* d = depth + static_cast<size_t>(row) * v.width;
        for (int x = x1; x <= x2; ++x)
            if (dv < d[x]) out[x] = colour;
    });
}

void ShadowTriangle(const ViewPoint p[3])
{
    const ViewTarget& v = viewTarget;
    if (!v.pixels || !v.shade || !p[0].valid || !p[1].valid || !p[2].valid) return;
    float nearest = std::min({p[0].z, p[1].z, p[2].z});
    int dv = DepthUnits(nearest - 0.5f);
    RasteriseRows(p, [&](int row, int x1, int x2) {
        uint8_t* out = v.pixels + static_cast<size_t>(row) * v.pitch;
        size_t base = static_cast<size_t>(row) * v.width;
        for (int x = x1; x <= x2; ++x)
            if (!v.depth || dv < v.depth[base + x]) out[x] = v.shade[base + x];
    });
}

void ShadowDisc(ViewPoint centre, float radius)
{
    const ViewTarget& v = viewTarget;
    if (!v.pixels || !v.shade || !centre.valid) return;
    int dv = DepthUnits(centre.z - 1);
    RasteriseDisc(centre.x, centre.y, v.scale * radius / centre.z, [&](int row, int x1, int x2) {
        uint8_t* out = v.pixels + static_cast<size_t>(row) * v.pitch;
        size_t base = static_cast<size_t>(row) * v.width;
        for (int x = x1; x <= x2; ++x)
            if (!v.depth || dv < v.depth[base + x]) out[x] = v.shade[base + x];
    });
}

void DrawBox(Vec3 centre, Vec3 a, Vec3 b, Vec3 c, uint8_t colour)
{
    const Vec3 axes[3] = {a, b, c};
    const float shade[3] = {1, 1, 1};
    // Each face whose outward normal points towards the camera, as two triangles
    // wound so that they face the screen.
    for (int axis = 0; axis < 3; ++axis) {
        for (float sign : {-1.0f, 1.0f}) {
            Vec3 n = axes[axis] * sign;
            Vec3 u = axes[(axis + 1) % 3], w = axes[(axis + 2) % 3];
            Vec3 mid = centre + n;
            if (Dot(n, mid - viewTarget.T) >= 0) continue;
            ViewPoint q[4] = {ProjectPoint(mid - u - w), ProjectPoint(mid + u - w), ProjectPoint(mid + u + w),
                              ProjectPoint(mid - u + w)};
            ViewPoint t1[3] = {q[0], q[1], q[2]};
            ViewPoint t2[3] = {q[0], q[2], q[3]};
            if (!FrontFacing(t1)) std::swap(t1[1], t1[2]);
            if (!FrontFacing(t2)) std::swap(t2[1], t2[2]);
            FillTriangle(t1, shade, colour, false);
            FillTriangle(t2, shade, colour, false);
        }
    }
}
