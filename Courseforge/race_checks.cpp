// Race checks: what the computer cars and the lap rules need of a track that
// the flaw check before saving does not look at. Cars count a checkpoint when
// they pass through a narrow band along its line, in list order, and the AI
// drives its line; so the AI line must cross every checkpoint once and in
// order, the pit line must cross those beside the pit lane, the grid must
// stand behind the finish on the road, and both lines must keep out of water,
// objects and bridge sides. Shared by the editor's save and `trktool check`.
#include "Courseforge/editor_internal.h"
#include "trackfile/object_types.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kSampleStep = 0.5f;   // metres between the points tested along a line
constexpr float kObjectMargin = 0.3f; // metres around an object's body that count as inside it
constexpr float kGateEndMargin = 1.5f; // a crossing nearer an end than this is easily missed
constexpr float kGridReach = 80.0f;   // metres behind the finish a start may stand

struct V2 {
    double x, y;
};
V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
V2 operator*(V2 a, double k) { return {a.x * k, a.y * k}; }
double Dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
double Cross(V2 a, V2 b) { return a.x * b.y - a.y * b.x; }
double Len(V2 a) { return std::hypot(a.x, a.y); }

struct Checker {
    const EditorDocument& d;
    std::vector<RaceFinding>& out;
    double ppu;
};

void Add(Checker& c, const std::string& what, V2 p, const std::string& why)
{
    RaceFinding f;
    f.x = static_cast<float>(p.x / c.ppu);
    f.z = static_cast<float>((kLandSize - p.y) / c.ppu);
    char where[64];
    std::snprintf(where, sizeof where, " at (%.1f, %.1f): ", f.x, f.z);
    f.text = what + where + why;
    c.out.push_back(f);
}

std::string Metres(double pixels, double ppu)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f m", pixels / ppu);
    return buf;
}

std::string CheckpointName(const EditorDocument& d, size_t i)
{
    std::string name = "checkpoint " + std::to_string(i + 1);
    return i + 1 == d.checkpoints.size() ? name + " (the finish line)" : name;
}

V2 GateStart(const EditorLine& g) { return {g.x1, g.y1}; }
V2 GateEnd(const EditorLine& g) { return {g.x2, g.y2}; }
V2 GateMiddle(const EditorLine& g) { return {0.5 * (g.x1 + g.x2), 0.5 * (g.y1 + g.y2)}; }
V2 At(const std::vector<EditorPoint>& line, size_t k) { return {line[k % line.size()].x, line[k % line.size()].y}; }
V2 AlongLine(const std::vector<EditorPoint>& line, double pos)
{
    const size_t k = static_cast<size_t>(pos);
    return At(line, k) + (At(line, k + 1) - At(line, k)) * (pos - k);
}

// Height sample (high byte, as the game keeps it) under a pixel, bilinear
// the way the game interpolates its height map.
double GroundSample(const EditorDocument& d, V2 p)
{
    const double u = std::clamp(p.x / kHeightSpacing, 0.0, 62.999), v = std::clamp(p.y / kHeightSpacing, 0.0, 62.999);
    const int i = static_cast<int>(u), j = static_cast<int>(v);
    const double fu = u - i, fv = v - j;
    auto H = [&](int jj, int ii) { return double(d.height[size_t(jj) * kHeightSize + ii] >> 8); };
    return H(j, i) * (1 - fu) * (1 - fv) + H(j, i + 1) * fu * (1 - fv) + H(j + 1, i) * (1 - fu) * fv +
           H(j + 1, i + 1) * fu * fv;
}

bool UnderWater(const EditorDocument& d, V2 p) { return GroundSample(d, p) < d.waterLevel; }

int LandCodeAt(const EditorDocument& d, V2 p)
{
    const int col = std::clamp(static_cast<int>(p.x), 0, kLandSize - 1);
    const int row = std::clamp(static_cast<int>(p.y), 0, kLandSize - 1);
    return d.land[size_t(row) * kLandSize + col];
}

const char* SurfaceName(int code)
{
    static const char* const kNames[16] = {"tarmac", "tarmac", "grass", "grass", "mud", "gravel", "sand", "snow",
                                           "snow", "a white line", "a yellow line", "kerb", "oil", "nothing",
                                           "nothing", "nothing"};
    return kNames[code & 15];
}

// ---- Checkpoints, the pit lane and the grid ---------------------------------

// The AI line's position at each checkpoint it crosses exactly once (-1 otherwise).
std::vector<double> CheckCheckpoints(Checker& c)
{
    const EditorDocument& d = c.d;
    std::vector<double> pos(d.checkpoints.size(), -1.0);
    for (size_t i = 0; i < d.checkpoints.size(); i++) {
        const EditorLine& g = d.checkpoints[i];
        const std::vector<double> xs = LineCrossings(d.aiLine, true, g);
        if (xs.empty()) {
            Add(c, CheckpointName(d, i), GateMiddle(g), "the AI line never crosses it");
            continue;
        }
        if (xs.size() > 1) {
            Add(c, CheckpointName(d, i), GateMiddle(g),
                "the AI line crosses it " + std::to_string(xs.size()) + " times");
            continue;
        }
        pos[i] = xs[0];
        const V2 hit = AlongLine(d.aiLine, xs[0]);
        const double toEnd = std::min(Len(hit - GateStart(g)), Len(hit - GateEnd(g)));
        if (toEnd < kGateEndMargin * c.ppu)
            Add(c, CheckpointName(d, i), GateMiddle(g),
                "the AI line crosses it only " + Metres(toEnd, c.ppu) + " from its end");
    }
    // In list order from the finish line round the lap.
    const double n = static_cast<double>(d.aiLine.size());
    const double finish = pos.back();
    if (finish < 0)
        return pos;
    double last = 0;
    size_t lastIndex = d.checkpoints.size();
    for (size_t i = 0; i + 1 < d.checkpoints.size(); i++) {
        if (pos[i] < 0)
            continue;
        const double rel = std::fmod(pos[i] - finish + n, n);
        if (rel <= last) {
            Add(c, CheckpointName(d, i), GateMiddle(d.checkpoints[i]),
                lastIndex < d.checkpoints.size()
                    ? "the AI line reaches it before " + CheckpointName(d, lastIndex)
                    : "the AI line reaches it out of order");
            continue;
        }
        last = rel;
        lastIndex = i;
    }
    return pos;
}

// The AI point nearest to where the pit line, continued one segment, would
// meet it: the junctions the game computes when it loads the track.
size_t Junction(const std::vector<EditorPoint>& ai, V2 p)
{
    size_t best = 0;
    double bestD = 1e30;
    for (size_t k = 0; k < ai.size(); k++) {
        const double dd = Dot(At(ai, k) - p, At(ai, k) - p);
        if (dd < bestD)
            bestD = dd, best = k;
    }
    return best;
}

void CheckPitLane(Checker& c, const std::vector<double>& pos)
{
    const EditorDocument& d = c.d;
    const std::vector<EditorPoint>& pit = d.pitAiLine;
    if (pit.size() < 2)
        return;
    const size_t q = pit.size() - 1;
    const V2 entryAt = At(pit, 0) * 2 - At(pit, 1), exitAt = At(pit, q) * 2 - At(pit, q - 1);
    const double n = static_cast<double>(d.aiLine.size());
    const size_t entryPoint = Junction(d.aiLine, entryAt), exitPoint = Junction(d.aiLine, exitAt);
    const double entry = static_cast<double>(entryPoint);
    const double span = std::fmod(static_cast<double>(exitPoint) - entry + n, n);
    // A pitting car leaves the AI line at the entry junction, drives the pit
    // line and rejoins at the exit junction.
    std::vector<EditorPoint> route;
    route.push_back(d.aiLine[entryPoint]);
    route.insert(route.end(), pit.begin(), pit.end());
    route.push_back(d.aiLine[exitPoint]);
    for (size_t i = 0; i < d.checkpoints.size(); i++) {
        if (pos[i] < 0 || std::fmod(pos[i] - entry + n, n) >= span)
            continue;
        const size_t crossings = LineCrossings(route, false, d.checkpoints[i]).size();
        if (crossings == 0)
            Add(c, CheckpointName(d, i), GateMiddle(d.checkpoints[i]),
                "the pit lane runs past it but the pit line does not cross it");
        else if (crossings > 1)
            Add(c, CheckpointName(d, i), GateMiddle(d.checkpoints[i]),
                "the pit line crosses it " + std::to_string(crossings) + " times");
    }
}

// Where a point lies along the closed AI line: the arc length (pixels) of
// its nearest point on the line.
double ArcOfNearest(const std::vector<EditorPoint>& line, const std::vector<double>& arc, V2 p)
{
    double best = 1e30, at = 0;
    for (size_t k = 0; k < line.size(); k++) {
        const V2 a = At(line, k), r = At(line, k + 1) - a;
        const double rr = Dot(r, r);
        const double t = rr > 0 ? std::clamp(Dot(p - a, r) / rr, 0.0, 1.0) : 0.0;
        const V2 q = a + r * t;
        const double dd = Dot(p - q, p - q);
        if (dd < best)
            best = dd, at = arc[k] + t * (arc[k + 1] - arc[k]);
    }
    return at;
}

// Each start stands on the road a little way before the finish line, measured
// along the AI line, so that the first crossing of the finish starts lap one.
void CheckGrid(Checker& c, double finishPos)
{
    const EditorDocument& d = c.d;
    const std::vector<EditorPoint>& ai = d.aiLine;
    std::vector<double> arc(ai.size() + 1, 0.0);
    for (size_t k = 0; k < ai.size(); k++)
        arc[k + 1] = arc[k] + Len(At(ai, k + 1) - At(ai, k));
    const double lap = arc.back();
    const size_t fk = static_cast<size_t>(finishPos);
    const double finish = arc[fk] + (finishPos - fk) * (arc[fk + 1] - arc[fk]);
    const size_t starts = std::min(d.objects.size(), size_t(kStartPositions));
    for (size_t s = 0; s < starts; s++) {
        const EditorObject& o = d.objects[s];
        if (o.type != kObjectStart)
            continue;
        const std::string name = "start " + std::to_string(s + 1);
        const V2 p{o.x, o.y};
        const double behind = std::fmod(finish - ArcOfNearest(ai, arc, p) + lap, lap);
        if (behind > lap / 2)
            Add(c, name, p, "stands " + Metres(lap - behind, c.ppu) + " past the finish line");
        else if (behind > kGridReach * c.ppu)
            Add(c, name, p, "stands " + Metres(behind, c.ppu) + " behind the finish line");
        if (UnderWater(d, p))
            Add(c, name, p, "stands under water");
        else if (!IsRoadLandCode(LandCodeAt(d, p)))
            Add(c, name, p, std::string("stands on ") + SurfaceName(LandCodeAt(d, p)) + ", off the road");
    }
}

// ---- Driving lines over the ground, objects and bridges ---------------------

struct BodyBox {   // a part of an object a car runs into, in the object's frame (metres)
    float a;       // centre offset along the object's direction
    float ha, hs;  // half extents along and across
};

// The parts of each object type that stand where a car drives, as the race's
// contacts build them: trunks and posts rather than crowns, the towers of a
// pedestrian bridge, the posts of a gate. Road bridges are checked apart.
int BodyBoxes(int type, BodyBox out[2])
{
    const ObjectTypeInfo& t = ObjectType(type);
    const float L = t.halfLength, W = t.halfWidth, post = t.postRadius;
    switch (type) {
    case 1: case 2: case 3: case 10: case 13: case 14: case 15: case 16: case 23: case 24: case 27: case 28: case 29:
    case 31: case 32: case 34: case 35:
        out[0] = {0, L, W};
        return 1;
    case 6: case 9: out[0] = {0, L, L}; return 1;
    case 4: out[0] = {0, post * 1.3f, post * 1.3f}; return 1;
    case 8: out[0] = {0, post * 1.4f, post * 1.4f}; return 1;
    case 5: case 7: case 19: case 20: case 21: case 25: case 26: out[0] = {0, post, post}; return 1;
    case 11: out[0] = {0, L - 0.15f, W - 0.15f}; return 1;
    case 12: out[0] = {0, L - 0.2f, W - 0.2f}; return 1;
    case 22:
        out[0] = {-(L - post), post, post};
        out[1] = {L - post, post, post};
        return 2;
    case 30:
        out[0] = {-(L - 0.8f), 0.8f, W};
        out[1] = {L - 0.8f, 0.8f, W};
        return 2;
    default: return 0;  // starts, road bridges, moveable cones, unused codes
    }
}

struct Frame {  // an object's position and unit direction, pixels
    V2 p, axis;
};

Frame FrameOf(const EditorObject& o) { return {{o.x, o.y}, {std::cos(o.angle), std::sin(o.angle)}}; }

void CheckLine(Checker& c, const std::vector<EditorPoint>& line, bool closed, const char* name)
{
    const EditorDocument& d = c.d;
    if (line.size() < 2)
        return;
    const size_t segments = closed ? line.size() : line.size() - 1;
    const double step = kSampleStep * c.ppu;
    // One finding per object and per stretch of water or off-map points.
    std::vector<char> reported(d.objects.size(), 0);
    bool inWater = false, offMap = false;
    auto pointName = [&](size_t k) { return std::string(name) + " point " + std::to_string(k + 1); };
    for (size_t k = 0; k < segments; k++) {
        const V2 a = At(line, k), b = At(line, k + 1);
        const double len = Len(b - a);
        const int count = std::max(1, static_cast<int>(std::ceil(len / step)));
        const V2 dir = len > 0 ? (b - a) * (1 / len) : V2{1, 0};
        for (int s = 0; s < count; s++) {
            const V2 p = a + (b - a) * (double(s) / count);
            const bool off = p.x < 0 || p.y < 0 || p.x >= kLandSize || p.y >= kLandSize;
            if (off && !offMap)
                Add(c, pointName(k), p, "the line leaves the map");
            offMap = off;
            const bool wet = !off && UnderWater(d, p);
            if (wet && !inWater)
                Add(c, pointName(k), p, "the line runs into water");
            inWater = wet;
            for (size_t o = kStartPositions; o < d.objects.size(); o++) {
                if (reported[o])
                    continue;
                const EditorObject& obj = d.objects[o];
                const double reach = (ObjectFootprintRadius(obj.type) + kObjectMargin) * c.ppu;
                if (std::fabs(p.x - obj.x) > reach || std::fabs(p.y - obj.y) > reach)
                    continue;
                const Frame f = FrameOf(obj);
                const double along = Dot(p - f.p, f.axis) / c.ppu, side = Cross(f.axis, p - f.p) / c.ppu;
                const std::string what = std::string(ObjectTypeName(obj.type) ? ObjectTypeName(obj.type) : "object") +
                                         " (object " + std::to_string(o + 1) + ")";
                if (ObjectIsRoadBridge(obj.type)) {
                    const ObjectTypeInfo& t = ObjectType(obj.type);
                    if (std::fabs(along) >= t.halfLength || std::fabs(side) >= t.halfWidth)
                        continue;
                    // Along the deck is driving over it; across a humped
                    // bridge between the walls under its ends is driving under it.
                    const double cosine = std::fabs(Dot(dir, f.axis));
                    if (cosine >= 0.8)
                        continue;
                    if (obj.type == kObjectBridge && cosine <= 0.6 && std::fabs(along) < 2.2 - 0.6)
                        continue;
                    reported[o] = 1;
                    Add(c, what, f.p,
                        std::string("the ") + name + " near point " + std::to_string(k + 1) +
                            (obj.type == kObjectBridge ? " runs neither over its deck nor through the gap under it"
                                            : " runs across it, not along its deck"));
                    continue;
                }
                BodyBox boxes[2];
                const int n = BodyBoxes(obj.type, boxes);
                for (int m = 0; m < n; m++)
                    if (std::fabs(along - boxes[m].a) < boxes[m].ha + kObjectMargin &&
                        std::fabs(side) < boxes[m].hs + kObjectMargin) {
                        reported[o] = 1;
                        Add(c, what, f.p, std::string("stands on the ") + name + " at point " + std::to_string(k + 1));
                        break;
                    }
            }
        }
    }
}

}  // namespace

bool IsRoadLandCode(int code)
{
    return code == 0 || code == 1 || code == 4 || code == 5 || (code >= 9 && code <= 12);
}

std::vector<double> LineCrossings(const std::vector<EditorPoint>& line, bool closed, const EditorLine& gate)
{
    std::vector<double> out;
    if (line.size() < 2)
        return out;
    const size_t segments = closed ? line.size() : line.size() - 1;
    const V2 g0 = GateStart(gate), g = GateEnd(gate) - g0;
    for (size_t k = 0; k < segments; k++) {
        const V2 a = At(line, k), r = At(line, k + 1) - a;
        const double den = Cross(r, g);
        if (den == 0)
            continue;
        const double t = Cross(g0 - a, g) / den, u = Cross(g0 - a, r) / den;
        // A crossing exactly at a point counts for the segment that starts there.
        if (t >= 0 && t < 1 && u >= 0 && u <= 1)
            out.push_back(static_cast<double>(k) + t);
    }
    return out;
}

std::vector<RaceFinding> EditorRaceCheck(const EditorDocument& d)
{
    std::vector<RaceFinding> out;
    Checker c{d, out, d.pixelsPerUnit};
    // Without checkpoints or an AI line the flaw check has said it all.
    if (d.checkpoints.size() >= 2 && d.aiLine.size() >= 3) {
        const std::vector<double> pos = CheckCheckpoints(c);
        CheckPitLane(c, pos);
        if (pos.back() >= 0)
            CheckGrid(c, pos.back());
    }
    CheckLine(c, d.aiLine, true, "AI line");
    CheckLine(c, d.pitAiLine, false, "pit line");
    return out;
}

std::string EditorRaceWarning(const std::vector<RaceFinding>& findings)
{
    if (findings.empty())
        return std::string();
    constexpr size_t kShown = 12;
    std::string text = "Computer cars may not get round this track:\n\n";
    for (size_t k = 0; k < findings.size() && k < kShown; k++)
        text += "\t* " + findings[k].text + "\n";
    if (findings.size() > kShown)
        text += "\t... and " + std::to_string(findings.size() - kShown) + " more\n";
    return text + "\nWould you like to save anyway?";
}
