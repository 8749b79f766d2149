// Builds a track from a recipe: the centre line as a closed spline, the land
// painted with the editor's stamps and bands, heights, objects and every
// marker the game and its computer drivers need.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "tools/trackbuilder/trackbuilder.h"
#include "trackfile/byte_io.h"
#include "trackfile/object_types.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kStep = 1.0;       // spacing of centre-line samples, pixels
constexpr double kAiSpacing = 5.0;  // world units between AI line points, as the editor lays them

struct Sample {
    double x, y;    // pixels, y down
    double tx, ty;  // unit tangent in driving direction
    double u;       // control-point parameter
    double k;       // smoothed curvature, 1/pixel, positive turning left
};

struct Build {
    const Recipe* r;
    Editor* e;
    double ppu;                   // pixels per world unit
    std::vector<Sample> c;        // centre line, uniform spacing
    double length;                // pixels
    double hw;                    // road half-width, pixels
    std::vector<Sample> pit;      // pit lane centre (empty without one)
    std::vector<char> besidePit;  // per centre sample: the pit lane runs beside it
    int pitFlat0 = 0, pitFlat1 = 0;  // pit samples where the lane runs at full offset
    std::vector<std::pair<double, double>> crossings;  // where a bridge was laid, pixels
};

// Left normal of a tangent in the y-down pixel frame.
inline double NormalX(const Sample& s) { return s.ty; }
inline double NormalY(const Sample& s) { return -s.tx; }

double PixelX(const Build& b, double x) { return x * b.ppu; }
double PixelY(const Build& b, double y) { return kLandSize - y * b.ppu; }

// Closed uniform Catmull-Rom spline through the control points, sampled
// densely and then evenly by arc length.
void SampleCentreLine(Build& b)
{
    const Recipe& r = *b.r;
    const int n = static_cast<int>(r.px.size());
    std::vector<double> dx, dy, du, ds;
    const int kDense = 200;
    for (int i = 0; i < n; i++) {
        double P[4][2];
        for (int j = 0; j < 4; j++) {
            int q = (i + j - 1 + n) % n;
            P[j][0] = PixelX(b, r.px[q]);
            P[j][1] = PixelY(b, r.py[q]);
        }
        for (int m = 0; m < kDense; m++) {
            double t = double(m) / kDense, t2 = t * t, t3 = t2 * t;
            double w0 = -0.5 * t3 + t2 - 0.5 * t, w1 = 1.5 * t3 - 2.5 * t2 + 1;
            double w2 = -1.5 * t3 + 2 * t2 + 0.5 * t, w3 = 0.5 * t3 - 0.5 * t2;
            dx.push_back(w0 * P[0][0] + w1 * P[1][0] + w2 * P[2][0] + w3 * P[3][0]);
            dy.push_back(w0 * P[0][1] + w1 * P[1][1] + w2 * P[2][1] + w3 * P[3][1]);
            du.push_back(i + t);
        }
    }
    const size_t m = dx.size();
    ds.assign(m + 1, 0);
    for (size_t i = 0; i < m; i++)
        ds[i + 1] = ds[i] + std::hypot(dx[(i + 1) % m] - dx[i], dy[(i + 1) % m] - dy[i]);
    b.length = ds[m];
    const int count = static_cast<int>(b.length / kStep);
    b.c.clear();
    size_t j = 0;
    for (int i = 0; i < count; i++) {
        double s = b.length * i / count;
        while (j + 1 < m && ds[j + 1] <= s)
            j++;
        double f = (s - ds[j]) / std::max(ds[j + 1] - ds[j], 1e-9);
        size_t j1 = (j + 1) % m;
        double u1 = j1 == 0 ? n : du[j1];
        b.c.push_back(Sample{dx[j] + f * (dx[j1] - dx[j]), dy[j] + f * (dy[j1] - dy[j]), 0, 0, du[j] + f * (u1 - du[j]), 0});
    }
    const int N = static_cast<int>(b.c.size());
    std::vector<double> turn(N);
    for (int i = 0; i < N; i++) {
        const Sample& p = b.c[(i - 1 + N) % N];
        const Sample& q = b.c[(i + 1) % N];
        double tx = q.x - p.x, ty = q.y - p.y, l = std::hypot(tx, ty);
        b.c[i].tx = tx / l;
        b.c[i].ty = ty / l;
    }
    for (int i = 0; i < N; i++) {
        const Sample& p = b.c[i];
        const Sample& q = b.c[(i + 1) % N];
        // Left turns are anticlockwise on the map, clockwise in y-down pixels.
        turn[i] = -std::atan2(p.tx * q.ty - p.ty * q.tx, p.tx * q.tx + p.ty * q.ty) / (kStep * b.length / count);
    }
    // Curvature averaged over about four world units, so that a corner's
    // kerbs and run-off cover its entry and exit.
    const int w = std::max(1, static_cast<int>(4 * b.ppu / kStep));
    for (int i = 0; i < N; i++) {
        double sum = 0;
        for (int d = -w; d <= w; d++)
            sum += turn[(i + d + N) % N];
        b.c[i].k = sum / (2 * w + 1);
    }
}

int Wrap(int i, int n) { return ((i % n) + n) % n; }

// Sample index at a control-point parameter.
int IndexAt(const Build& b, double u)
{
    const double n = static_cast<double>(b.r->px.size());
    u = std::fmod(std::fmod(u, n) + n, n);
    auto it = std::lower_bound(b.c.begin(), b.c.end(), u, [](const Sample& s, double v) { return s.u < v; });
    return it == b.c.end() ? 0 : static_cast<int>(it - b.c.begin());
}

// Sample indices from one parameter to another in driving order; equal
// parameters mean the whole lap.
std::vector<int> Stretch(const Build& b, double from, double to)
{
    const int N = static_cast<int>(b.c.size());
    int i0 = IndexAt(b, from), i1 = IndexAt(b, to);
    int count = Wrap(i1 - i0, N);
    if (count == 0)
        count = N;
    std::vector<int> out;
    for (int k = 0; k <= count; k++)
        out.push_back((i0 + k) % N);
    return out;
}

bool InPitStretch(const Build& b, int i) { return !b.besidePit.empty() && b.besidePit[i]; }

void Codes(const RecipeSurface& s, uint8_t& inner, uint8_t& outer, bool& under)
{
    if (!LandToolCodes(s.tool, s.button, inner, outer))
        inner = outer = kGrassCode;
    under = s.button == kButtonRight && s.tool != kToolTarmac1;
}

// Paints a chain of samples as the editor's drag does: a band between
// consecutive centres and a stamp on each.
void PaintChain(Build& b, const std::vector<Sample>& pts, const std::vector<int>& idx, double halfWidth,
                const RecipeSurface& s)
{
    uint8_t inner, outer;
    bool under;
    Codes(s, inner, outer, under);
    EditorResult res;
    const int radius = static_cast<int>(std::lround(halfWidth));
    for (size_t k = 0; k < idx.size(); k++) {
        const Sample& p = pts[idx[k]];
        LandStamp(b.e->doc, static_cast<float>(p.x), static_cast<float>(p.y), radius, inner, outer, under, res);
        if (k + 1 < idx.size()) {
            const Sample& q = pts[idx[k + 1]];
            LandBand(b.e->doc, static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(q.x),
                     static_cast<float>(q.y), static_cast<float>(halfWidth), inner, outer, under, res);
        }
    }
}

// Height sample (0-255) under a pixel, bilinear over the editor's map.
double HeightSampleAt(const EditorDocument& d, double x, double y)
{
    double u = std::clamp(x / kHeightSpacing, 0.0, 62.999), v = std::clamp(y / kHeightSpacing, 0.0, 62.999);
    int i = static_cast<int>(u), j = static_cast<int>(v);
    double fu = u - i, fv = v - j;
    auto H = [&](int jj, int ii) { return d.height[size_t(jj) * kHeightSize + ii] / 256.0; };
    return H(j, i) * (1 - fu) * (1 - fv) + H(j, i + 1) * fu * (1 - fv) + H(j + 1, i) * (1 - fu) * fv +
           H(j + 1, i + 1) * fu * fv;
}

void BuildHeights(Build& b)
{
    const Recipe& r = *b.r;
    EditorDocument& d = b.e->doc;
    for (int j = 0; j < kHeightSize; j++)
        for (int i = 0; i < kHeightSize; i++) {
            // Sample (i, j) of the north-first map sits at world (i, 63 - j) x world size / 63.
            double x = i * r.worldSize / 63.0, y = (63 - j) * r.worldSize / 63.0;
            double h = r.baseHeight + 0.5;
            for (const RecipeHill& hill : r.hills) {
                double dist = std::hypot(x - hill.x, y - hill.y);
                if (dist < hill.radius)
                    h += hill.height * 0.5 * (1 + std::cos(kPi * dist / hill.radius));
            }
            d.height[size_t(j) * kHeightSize + i] = static_cast<uint16_t>(std::clamp(h * 256.0, 0.0, 65535.0));
        }
}

double SmoothStep(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// The pit lane's centre: it leaves the track at `from`, runs beside it at
// the full offset and rejoins it at `to`.
bool BuildPitLane(Build& b, std::string& error)
{
    const RecipePit& p = b.r->pit;
    std::vector<int> idx = Stretch(b, p.from, p.to);
    const double span = (idx.size() - 1) * kStep * b.length / b.c.size();
    const double ramp = std::min(25 * b.ppu, span / 4);
    const double off = p.offset * b.ppu;
    if ((p.offset - p.width / 2 - 1) * b.ppu < b.hw + 0.5 * b.ppu) {
        error = "the pit lane's offset is too small to keep it apart from the track";
        return false;
    }
    b.pit.clear();
    b.pitFlat0 = -1;
    b.besidePit.assign(b.c.size(), 0);
    for (int i : idx)
        b.besidePit[i] = 1;
    for (size_t k = 0; k < idx.size(); k++) {
        const Sample& c = b.c[idx[k]];
        double s = k * kStep * b.length / b.c.size();
        double o = off * SmoothStep(s / ramp) * SmoothStep((span - s) / ramp) * p.side;
        Sample q = c;
        q.x = c.x + o * NormalX(c);
        q.y = c.y + o * NormalY(c);
        if (b.pitFlat0 < 0 && s >= ramp)
            b.pitFlat0 = static_cast<int>(k);
        if (s <= span - ramp)
            b.pitFlat1 = static_cast<int>(k);
        const double margin = (p.width / 2 + 2) * b.ppu;
        if (q.x < margin || q.y < margin || q.x > kLandSize - margin || q.y > kLandSize - margin) {
            error = "the pit lane runs off the edge of the world";
            return false;
        }
        b.pit.push_back(q);
    }
    const int n = static_cast<int>(b.pit.size());
    for (int k = 0; k < n; k++) {
        const Sample& a = b.pit[std::max(k - 1, 0)];
        const Sample& z = b.pit[std::min(k + 1, n - 1)];
        double l = std::hypot(z.x - a.x, z.y - a.y);
        b.pit[k].tx = (z.x - a.x) / l;
        b.pit[k].ty = (z.y - a.y) / l;
    }
    return true;
}

double DistanceToChain(const std::vector<Sample>& pts, double x, double y)
{
    double best = 1e18;
    for (size_t i = 0; i < pts.size(); i += 2)
        best = std::min(best, (pts[i].x - x) * (pts[i].x - x) + (pts[i].y - y) * (pts[i].y - y));
    return std::sqrt(best);
}

// True when an object at (x, y) with the given clearance would stand on the
// track or the pit lane.
bool OnRoad(const Build& b, double x, double y, double clearance)
{
    if (DistanceToChain(b.c, x, y) < b.hw + clearance)
        return true;
    return !b.pit.empty() && DistanceToChain(b.pit, x, y) < b.r->pit.width * 0.5 * b.ppu + clearance;
}

void AddObject(Build& b, int type, double x, double y, double angle, bool checked)
{
    if (checked) {
        const ObjectTypeInfo& info = ObjectType(type);
        double clear = (std::max(info.halfWidth, 0.4f) + 0.8) * b.ppu;
        if (x < 2 || y < 2 || x > kLandSize - 2 || y > kLandSize - 2 || OnRoad(b, x, y, clear))
            return;
        bool afloat = type == 15 || type == 16;  // boat, pier
        if (!afloat && HeightSampleAt(b.e->doc, x, y) < b.r->waterLevel)
            return;
    }
    if (b.e->doc.objects.size() >= static_cast<size_t>(kMaxObjects))
        return;
    b.e->doc.objects.push_back(EditorObject{static_cast<uint8_t>(type), static_cast<float>(x), static_cast<float>(y),
                                            static_cast<float>(angle)});
}

double AngleOf(double tx, double ty) { return std::atan2(ty, tx); }

void PlaceObjects(Build& b)
{
    const Recipe& r = *b.r;
    const double perSample = b.length / b.c.size();
    for (const RecipeAlong& a : r.alongs) {
        std::vector<int> idx = Stretch(b, a.from, a.to);
        const int every = std::max(1, static_cast<int>(std::lround(a.spacing * b.ppu / perSample)));
        for (int side : {1, -1}) {
            if (a.side != 0 && a.side != side)
                continue;
            for (size_t k = 0; k < idx.size(); k += every) {
                const Sample& c = b.c[idx[k]];
                double o = a.offset * b.ppu * side;
                // Clearance against the road is checked with the offset the row
                // asks for, less a little, so rows may hug the track on purpose.
                double x = c.x + o * NormalX(c), y = c.y + o * NormalY(c);
                const ObjectTypeInfo& info = ObjectType(a.type);
                double clear = std::min(a.offset * b.ppu - b.hw, (info.halfWidth + 0.8) * b.ppu);
                if (x < 2 || y < 2 || x > kLandSize - 2 || y > kLandSize - 2 || OnRoad(b, x, y, clear - 0.5))
                    continue;
                AddObject(b, a.type, x, y, AngleOf(c.tx, c.ty), false);
            }
        }
    }
    for (const RecipeRow& w : r.rows) {
        double x0 = PixelX(b, w.x1), y0 = PixelY(b, w.y1), x1 = PixelX(b, w.x2), y1 = PixelY(b, w.y2);
        double len = std::hypot(x1 - x0, y1 - y0), step = w.spacing * b.ppu;
        int count = static_cast<int>(len / step + 1e-6);
        for (int k = 0; k <= count; k++) {
            double f = len > 0 ? k * step / len : 0;
            AddObject(b, w.type, x0 + f * (x1 - x0), y0 + f * (y1 - y0), AngleOf(x1 - x0, y1 - y0), true);
        }
    }
    for (const RecipeObject& o : r.objects)
        AddObject(b, o.type, PixelX(b, o.x), PixelY(b, o.y), -o.angle * kPi / 180, false);
    for (const RecipeScatter& s : r.scatters) {
        uint32_t state = s.seed * 2654435761u + 12345u;
        auto next = [&state]() {
            state = state * 1664525u + 1013904223u;
            return (state >> 8) / 16777216.0;
        };
        for (int k = 0; k < s.count; k++) {
            double x = s.x0 + next() * (s.x1 - s.x0), y = s.y0 + next() * (s.y1 - s.y0), a = next() * 2 * kPi;
            AddObject(b, s.type, PixelX(b, x), PixelY(b, y), a, true);
        }
    }
}

// Lays the crossing object (a bridge) over every place where the track
// crosses itself, carrying the branch driven later in the lap, as many side
// by side as the road is wide.
void PlaceCrossings(Build& b)
{
    if (b.r->crossingType < 0)
        return;
    const int N = static_cast<int>(b.c.size());
    const int stride = 2;
    const double apart = 6 * b.hw;
    std::vector<std::pair<double, double>> found;
    for (int i = 0; i < N; i += stride)
        for (int j = i + stride; j < N; j += stride) {
            double gap = std::min(j - i, N - (j - i)) * b.length / N;
            if (gap < apart)
                continue;
            const Sample &p = b.c[i], &p2 = b.c[(i + stride) % N], &q = b.c[j], &q2 = b.c[(j + stride) % N];
            double rx = p2.x - p.x, ry = p2.y - p.y, sx = q2.x - q.x, sy = q2.y - q.y;
            double den = rx * sy - ry * sx;
            if (std::fabs(den) < 1e-9)
                continue;
            double t = ((q.x - p.x) * sy - (q.y - p.y) * sx) / den, u = ((q.x - p.x) * ry - (q.y - p.y) * rx) / den;
            if (t < 0 || t > 1 || u < 0 || u > 1)
                continue;
            double x = p.x + t * rx, y = p.y + t * ry;
            bool seen = false;
            for (auto& f : found)
                seen |= std::hypot(f.first - x, f.second - y) < apart;
            if (seen)
                continue;
            found.push_back({x, y});
            b.crossings.push_back({x, y});
            const ObjectTypeInfo& info = ObjectType(b.r->crossingType);
            const double across = 2 * info.halfWidth * b.ppu;
            // The row covers the over road's width as measured along p.
            const double sine = std::max(0.3, std::fabs(p.tx * q.ty - p.ty * q.tx));
            const int count = std::max(1, static_cast<int>(std::ceil(2 * b.hw / (across * sine) - 0.05)));
            // The pieces stand across the road passing underneath (p), in a
            // row along it, so that the gap under their decks lines up with
            // that road; the later branch runs over them.
            double ax = NormalX(p), ay = NormalY(p);
            if (ax * q.tx + ay * q.ty < 0)
                ax = -ax, ay = -ay;
            for (int k = 0; k < count; k++) {
                double o = (k - (count - 1) * 0.5) * across;
                AddObject(b, b.r->crossingType, x + o * p.tx, y + o * p.ty, AngleOf(ax, ay), false);
            }
        }
}

// Closed racing line: the centre line resampled every five world units and
// then relaxed towards its neighbours' midpoints within the road, which cuts
// the corners the way a driver would.
void BuildAiLine(Build& b, int finishIndex)
{
    const int N = static_cast<int>(b.c.size());
    const double perSample = b.length / N;
    const int count = std::max(3, static_cast<int>(std::lround(b.length / (kAiSpacing * b.ppu))));
    std::vector<Sample> base(count);
    for (int k = 0; k < count; k++)
        base[k] = b.c[Wrap(finishIndex + static_cast<int>(std::lround(k * b.length / count / perSample)), N)];
    std::vector<double> off(count, 0.0);
    const double limit = std::max(0.0, b.hw - 2.5 * b.ppu);
    // Near a bridge the line keeps to the middle of the road: the gap under
    // a humped deck is narrow, and the line must run straight through it.
    std::vector<double> limits(count, limit);
    const double pin = 15 * b.ppu;
    for (int k = 0; k < count; k++)
        for (const auto& x : b.crossings)
            if (std::hypot(base[k].x - x.first, base[k].y - x.second) < pin)
                limits[k] = 0;
    for (int it = 0; it < 400; it++)
        for (int k = 0; k < count; k++) {
            const Sample &a = base[Wrap(k - 1, count)], &c = base[k], &z = base[Wrap(k + 1, count)];
            double oa = off[Wrap(k - 1, count)], oz = off[Wrap(k + 1, count)];
            double mx = 0.5 * (a.x + oa * NormalX(a) + z.x + oz * NormalX(z));
            double my = 0.5 * (a.y + oa * NormalY(a) + z.y + oz * NormalY(z));
            double o = (mx - c.x) * NormalX(c) + (my - c.y) * NormalY(c);
            off[k] = std::clamp(o, -limits[k], limits[k]);
        }
    b.e->doc.aiLine.clear();
    for (int k = 0; k < count; k++)
        b.e->doc.aiLine.push_back(EditorPoint{static_cast<float>(base[k].x + off[k] * NormalX(base[k])),
                                              static_cast<float>(base[k].y + off[k] * NormalY(base[k]))});
}

float Clamp511(double v) { return static_cast<float>(std::clamp(v, 0.0, 511.0)); }

// A line across the track at sample i, reaching `left` and `right` pixels
// from the centre; ends clamped into the map as the editor does.
EditorLine Across(const Sample& c, double left, double right)
{
    return EditorLine{Clamp511(c.x + left * NormalX(c)), Clamp511(c.y + left * NormalY(c)),
                      Clamp511(c.x - right * NormalX(c)), Clamp511(c.y - right * NormalY(c))};
}

// ---- Where lines across the road may go ------------------------------------

std::string Where(const Build& b, const Sample& c)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "(%.1f, %.1f)", c.x / b.ppu, (kLandSize - c.y) / b.ppu);
    return buf;
}

double SegmentDistance(double px, double py, const EditorLine& g)
{
    const double rx = g.x2 - g.x1, ry = g.y2 - g.y1, rr = rx * rx + ry * ry;
    const double t = rr > 0 ? std::clamp(((px - g.x1) * rx + (py - g.y1) * ry) / rr, 0.0, 1.0) : 0.0;
    return std::hypot(px - (g.x1 + t * rx), py - (g.y1 + t * ry));
}

// Arc length between two samples the short way round the lap, pixels.
double ArcGap(const Build& b, int i, int j)
{
    const int N = static_cast<int>(b.c.size());
    return std::min(Wrap(j - i, N), Wrap(i - j, N)) * b.length / N;
}

// The line across the road at sample i: the road with its kerbs and a margin,
// the run-off outside a corner when the stretch has some, and the pit lane
// beside it so that cars in the pits pass it too.
EditorLine LineAcross(const Build& b, int i)
{
    const Recipe& r = *b.r;
    const int N = static_cast<int>(b.c.size());
    double left = b.hw + 3 * b.ppu, right = left;
    const int w = static_cast<int>(8 * b.ppu * N / b.length);
    for (const RecipeRunoff& ro : r.runoffs)
        for (int d = -w; d <= w; d++) {
            const Sample& c = b.c[Wrap(i + d, N)];
            if (std::fabs(c.k) >= 1.0 / (ro.radius * b.ppu) && !InPitStretch(b, Wrap(i + d, N)))
                (c.k > 0 ? right : left) = std::max(c.k > 0 ? right : left, b.hw + (ro.width + 1) * b.ppu);
        }
    if (InPitStretch(b, i)) {
        double pitReach = (r.pit.offset + r.pit.width / 2 + 2) * b.ppu;
        (r.pit.side > 0 ? left : right) = pitReach;
    }
    return Across(b.c[i], left, right);
}

// A good place for a line across the road: the centre line runs nearly
// straight for a while on both sides (a car cutting a corner still crosses
// the line once), no other part of the road comes near the line, and the
// AI line, when there is one yet, crosses it once.
bool GoodLinePlace(const Build& b, int i, bool checkAi)
{
    const int N = static_cast<int>(b.c.size());
    const double window = std::max(2 * b.hw, 8 * b.ppu);
    const int w = std::max(1, static_cast<int>(window * N / b.length));
    const Sample& c = b.c[i];
    const double maxTurn = std::cos(20 * kPi / 180);
    for (int d = -w; d <= w; d += 2) {
        const Sample& q = b.c[Wrap(i + d, N)];
        if (c.tx * q.tx + c.ty * q.ty < maxTurn)
            return false;
    }
    const EditorLine line = LineAcross(b, i);
    const double reach = std::hypot(line.x2 - line.x1, line.y2 - line.y1);
    for (int j = 0; j < N; j += 2)
        if (ArcGap(b, i, j) > reach + window && SegmentDistance(b.c[j].x, b.c[j].y, line) < b.hw + b.ppu)
            return false;
    return !checkAi || LineCrossings(b.e->doc.aiLine, true, line).size() == 1;
}

// The good place nearest to sample `ideal`, at most `limit` samples either
// way and only where `allowed` says so; -1 when there is none.
template <typename Allowed>
int NearestGoodPlace(const Build& b, int ideal, int limit, bool checkAi, Allowed allowed)
{
    const int N = static_cast<int>(b.c.size());
    for (int o = 0; o <= limit; o++)
        for (int sign : {1, -1}) {
            if (o == 0 && sign < 0)
                continue;
            const int i = Wrap(ideal + sign * o, N);
            if (allowed(i) && GoodLinePlace(b, i, checkAi))
                return i;
        }
    return -1;
}

// Refuses a centre line whose legs run side by side closer than the road is
// wide for a while (the road would merge with itself). Crossings at an angle
// are fine, a bridge carries one over the other, and so are the short wedges
// where the two legs of an acute corner meet.
bool CheckLegsApart(const Build& b, std::string& error)
{
    const int N = static_cast<int>(b.c.size());
    const double width = 2 * b.hw, parallel = std::cos(35 * kPi / 180);
    const double needed = 3 * width;  // arc length of side-by-side running that is refused
    double run = 0;
    for (int i = 0; i < N + N / 2; i += 2) {
        const Sample& p = b.c[i % N];
        int partner = -1;
        double dist = width;
        for (int j = 0; j < N; j += 2) {
            const Sample& q = b.c[j];
            const double d = std::hypot(p.x - q.x, p.y - q.y);
            if (d < dist && ArcGap(b, i % N, j) > 1.6 * width && std::fabs(p.tx * q.tx + p.ty * q.ty) >= parallel)
                partner = j, dist = d;
        }
        run = partner < 0 ? 0 : run + 2 * b.length / N;
        if (run < needed)
            continue;
        char buf[200];
        std::snprintf(buf, sizeof buf,
                      "road %g: two legs of the centre line run %.1f m apart near %s and %s, closer than the "
                      "road's width",
                      b.r->roadWidth, dist / b.ppu, Where(b, p).c_str(), Where(b, b.c[partner]).c_str());
        error = buf;
        return false;
    }
    return true;
}

// The finish line at the recipe's place, or the nearest good place within
// a sixth of the lap.
int PlaceFinish(const Build& b, std::string& error)
{
    const int N = static_cast<int>(b.c.size());
    const int ideal = IndexAt(b, b.r->finish);
    const int at = NearestGoodPlace(b, ideal, N / 6, false, [](int) { return true; });
    if (at < 0) {
        char buf[200];
        std::snprintf(buf, sizeof buf,
                      "finish %g: no straight stretch of road clear of the rest of the track near %s for the "
                      "finish line",
                      b.r->finish, Where(b, b.c[ideal]).c_str());
        error = buf;
    }
    return at;
}

// Checkpoints about evenly along the lap, the finish line last, each moved
// to the nearest good place that keeps them in order and apart.
bool BuildCheckpoints(Build& b, int finishIndex, std::string& error)
{
    const Recipe& r = *b.r;
    const int N = static_cast<int>(b.c.size());
    const int n = r.checkpoints > 0 ? r.checkpoints : std::max(4, static_cast<int>(std::lround(b.length / b.ppu / 60)));
    const int spacing = N / n;
    const int apart = std::max(2, static_cast<int>(std::max(2 * b.hw, 10 * b.ppu) * N / b.length));
    b.e->doc.checkpoints.clear();
    int previous = 0;  // samples after the finish line of the last placed checkpoint
    for (int k = 1; k < n; k++) {
        const int ideal = Wrap(finishIndex + static_cast<int>(std::lround(double(k) * N / n)), N);
        auto inOrder = [&](int i) {
            const int rel = Wrap(i - finishIndex, N);
            return rel >= previous + apart && rel <= N - apart * (n - k);
        };
        const int at = NearestGoodPlace(b, ideal, spacing, true, inOrder);
        if (at < 0) {
            char buf[240];
            std::snprintf(buf, sizeof buf,
                          "checkpoints %d: no straight stretch of road clear of the rest of the track near %s for "
                          "checkpoint %d; use fewer checkpoints",
                          n, Where(b, b.c[ideal]).c_str(), k);
            error = buf;
            return false;
        }
        previous = Wrap(at - finishIndex, N);
        b.e->doc.checkpoints.push_back(LineAcross(b, at));
    }
    b.e->doc.checkpoints.push_back(LineAcross(b, finishIndex));
    return true;
}

// Six grid places behind the finish line, staggered left and right, each
// further back, facing the driving direction.
void BuildGrid(Build& b, int finishIndex)
{
    const int N = static_cast<int>(b.c.size());
    const double perSample = b.length / N;
    const double side = std::min(b.hw * 0.45, 2.5 * b.ppu);
    for (int k = 0; k < kStartPositions; k++) {
        double back = (5 + 6 * k) * b.ppu;
        const Sample& c = b.c[Wrap(finishIndex - static_cast<int>(std::lround(back / perSample)), N)];
        double o = (k % 2 == 0 ? 1 : -1) * side;
        EditorObject& s = b.e->doc.objects[k];
        s.type = kObjectStart;
        s.x = static_cast<float>(c.x + o * NormalX(c));
        s.y = static_cast<float>(c.y + o * NormalY(c));
        s.angle = static_cast<float>(AngleOf(c.tx, c.ty));
    }
}

bool BuildPitMarkers(Build& b, std::string& error)
{
    const RecipePit& p = b.r->pit;
    EditorDocument& d = b.e->doc;
    const double perPit = b.length / b.c.size();
    // Pit AI line every five world units from where the lane leaves to where it rejoins.
    const int every = std::max(1, static_cast<int>(std::lround(kAiSpacing * b.ppu / perPit)));
    for (size_t k = 0; k < b.pit.size(); k += every)
        d.pitAiLine.push_back(EditorPoint{static_cast<float>(b.pit[k].x), static_cast<float>(b.pit[k].y)});
    if (static_cast<size_t>(d.pitAiLine.size() - 1) * every + 1 < b.pit.size())
        d.pitAiLine.push_back(EditorPoint{static_cast<float>(b.pit.back().x), static_cast<float>(b.pit.back().y)});
    if (d.pitAiLine.size() > static_cast<size_t>(kMaxPitAiPoints)) {
        error = "the pit lane is too long for its AI line";
        return false;
    }
    // Crews along the straight part of the lane, at least 11 units apart
    // along the lane itself, each standing where a car stops, facing the way
    // the cars drive.
    std::vector<double> arc(b.pit.size(), 0.0);
    for (size_t k = 1; k < b.pit.size(); k++)
        arc[k] = arc[k - 1] + std::hypot(b.pit[k].x - b.pit[k - 1].x, b.pit[k].y - b.pit[k - 1].y);
    const double flat = arc[b.pitFlat1] - arc[b.pitFlat0];
    const double gap = 11 * b.ppu;
    if (b.pitFlat1 <= b.pitFlat0 || flat < (p.crews - 1) * gap + 8 * b.ppu) {
        error = "the pit lane is too short for its crews";
        return false;
    }
    const double first = arc[b.pitFlat0] + 0.5 * (flat - (p.crews - 1) * gap);
    for (int k = 0; k < p.crews; k++) {
        size_t at = std::lower_bound(arc.begin(), arc.end(), first + k * gap) - arc.begin();
        const Sample& q = b.pit[std::min(at, b.pit.size() - 1)];
        d.pitCrews.push_back(EditorPitCrew{static_cast<float>(q.x), static_cast<float>(q.y),
                                           static_cast<float>(AngleOf(q.tx, q.ty))});
    }
    // Speed limiters across the lane where it reaches its full offset, the
    // first switching the limiter on, the second off.
    const double half = (p.width / 2 + 1) * b.ppu;
    for (int k : {b.pitFlat0, b.pitFlat1})
        d.limiters.push_back(Across(b.pit[k], half, half));
    return true;
}

void PaintKerbs(Build& b)
{
    const Recipe& r = *b.r;
    if (r.kerbRadius <= 0)
        return;
    const int N = static_cast<int>(b.c.size());
    const double tight = 1.0 / (r.kerbRadius * b.ppu);
    const double half = r.kerbWidth * 0.5 * b.ppu;
    const double piece = 7.0;  // the editor's kerb piece, pixels
    EditorResult res;
    for (int side : {1, -1}) {
        const double o = side * (b.hw - half);
        for (int i = 0; i < N; i++) {
            const Sample &c = b.c[i], &z = b.c[(i + 1) % N];
            if (std::fabs(c.k) < tight || InPitStretch(b, i))
                continue;
            bool stripe = static_cast<int>(i * b.length / N / piece) % 2 == 0;
            uint8_t code = stripe ? 11 : 9;
            LandBand(b.e->doc, static_cast<float>(c.x + o * NormalX(c)), static_cast<float>(c.y + o * NormalY(c)),
                     static_cast<float>(z.x + o * NormalX(z)), static_cast<float>(z.y + o * NormalY(z)),
                     static_cast<float>(half), code, code, false, res);
        }
    }
}

void PaintLand(Build& b)
{
    const Recipe& r = *b.r;
    EditorDocument& d = b.e->doc;
    uint8_t inner, outer;
    bool under;
    Codes(r.ground, inner, outer, under);
    std::fill(d.land.begin(), d.land.end(), inner);
    EditorResult res;
    for (const RecipeArea& a : r.areas) {
        Codes(a.surface, inner, outer, under);
        LandStamp(d, static_cast<float>(PixelX(b, a.x)), static_cast<float>(PixelY(b, a.y)),
                  static_cast<int>(std::lround(a.radius * b.ppu)), inner, outer, under, res);
    }
    for (const RecipeStrip& s : r.strips) {
        Codes(s.surface, inner, outer, under);
        LandBand(d, static_cast<float>(PixelX(b, s.x1)), static_cast<float>(PixelY(b, s.y1)),
                 static_cast<float>(PixelX(b, s.x2)), static_cast<float>(PixelY(b, s.y2)),
                 static_cast<float>(s.halfWidth * b.ppu), inner, outer, under, res);
    }
    const int N = static_cast<int>(b.c.size());
    // Run-off on the outside of tight corners, under the road painted next.
    for (const RecipeRunoff& ro : r.runoffs) {
        Codes(ro.surface, inner, outer, under);
        const double tight = 1.0 / (ro.radius * b.ppu);
        const double rad = 0.5 * (b.hw + ro.width * b.ppu);
        for (int i = 0; i < N; i += 2) {
            const Sample& c = b.c[i];
            if (std::fabs(c.k) < tight || InPitStretch(b, i))
                continue;
            double o = (c.k > 0 ? -1 : 1) * rad;
            LandStamp(d, static_cast<float>(c.x + o * NormalX(c)), static_cast<float>(c.y + o * NormalY(c)),
                      static_cast<int>(std::lround(rad)), inner, outer, under, res);
        }
    }
    // Road surface per sample; sections first in plain surfaces, then the
    // tarmac with painted edges, whose fringe would otherwise mark the joins.
    std::vector<const RecipeSurface*> surf(N, &r.road);
    for (const RecipeSection& s : r.sections)
        for (int i : Stretch(b, s.from, s.to))
            surf[i] = &s.surface;
    for (int pass = 0; pass < 2; pass++) {
        auto match = [&](int i) { return (surf[i]->tool == kToolTarmac1) == (pass == 1); };
        for (int i = 0; i < N;) {
            if (!match(i)) {
                i++;
                continue;
            }
            int j = i;
            while (j + 1 < N && match(j + 1) && surf[j + 1] == surf[i])
                j++;
            // One sample of overlap on each side joins the pieces.
            std::vector<int> run;
            for (int k = i - 1; k <= j + 1; k++)
                run.push_back(Wrap(k, N));
            PaintChain(b, b.c, run, b.hw, *surf[i]);
            i = j + 1;
        }
    }
    if (!b.pit.empty()) {
        std::vector<int> idx(b.pit.size());
        for (size_t k = 0; k < idx.size(); k++)
            idx[k] = static_cast<int>(k);
        PaintChain(b, b.pit, idx, r.pit.width * 0.5 * b.ppu, r.road);
    }
    PaintKerbs(b);
    // Oil through the editor's own Oil tool: a press with the left button.
    for (const RecipeOil& o : r.oils) {
        EditorSelectTool(*b.e, kToolOil);
        b.e->controls.brushSize = o.brush;
        float x = static_cast<float>(PixelX(b, o.x)), y = static_cast<float>(PixelY(b, o.y));
        EditorMouseDown(*b.e, kButtonLeft, x, y);
        EditorMouseUp(*b.e, kButtonLeft, x, y);
    }
}

}  // namespace

bool BuildTrack(const Recipe& r, Editor& e, std::string& error)
{
    EditorInit(e);
    EditorDocument& d = e.doc;
    d.worldSize = r.worldSize;
    d.waterLevel = r.waterLevel;
    d.viewAngle = r.viewAngle;
    d.rotation = r.rotation;
    d.zoom = r.zoom;
    d.sfLine = true;
    d.pixelsPerUnit = 512.0f / r.worldSize;
    d.author = r.author;
    d.comments = r.comments;
    Build b{&r, &e, 512.0 / r.worldSize, {}, 0, r.roadWidth * 0.5 * 512.0 / r.worldSize, {}, {}, 0, 0, {}};
    SampleCentreLine(b);
    if (!CheckLegsApart(b, error))
        return false;
    BuildHeights(b);
    const double margin = b.hw + 2 * b.ppu;
    for (const Sample& c : b.c) {
        if (c.x < margin || c.y < margin || c.x > kLandSize - margin || c.y > kLandSize - margin) {
            error = "the track runs off the edge of the world";
            return false;
        }
        if (HeightSampleAt(d, c.x, c.y) < r.waterLevel + 2) {
            error = "the track runs under water";
            return false;
        }
    }
    if (r.pit.present && !BuildPitLane(b, error))
        return false;
    PaintLand(b);
    const int finish = PlaceFinish(b, error);
    if (finish < 0)
        return false;
    BuildGrid(b, finish);
    PlaceCrossings(b);
    PlaceObjects(b);
    BuildAiLine(b, finish);
    if (!BuildCheckpoints(b, finish, error))
        return false;
    if (r.pit.present && !BuildPitMarkers(b, error))
        return false;
    std::string flaws = EditorFlawCheck(d);
    if (!flaws.empty()) {
        error = flaws;
        return false;
    }
    // What computer cars need: a track that fails these would not race.
    const std::vector<RaceFinding> findings = EditorRaceCheck(d);
    if (!findings.empty()) {
        error = "the track would not race: " + findings.front().text;
        return false;
    }
    return true;
}

bool BuildTrackFile(const char* recipePath, const char* trackPath, std::string& error)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(recipePath, bytes, 1 << 20)) {
        error = std::string("can't read ") + recipePath;
        return false;
    }
    Recipe r;
    if (!ParseRecipe(std::string(bytes.begin(), bytes.end()), r, error))
        return false;
    static Editor editor;
    if (!BuildTrack(r, editor, error))
        return false;
    if (!EditorSave(editor, trackPath).ok) {
        error = std::string("can't write ") + trackPath;
        return false;
    }
    return true;
}
