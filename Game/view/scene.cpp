// The moving things of the race picture: cars with their wheels, the pit-crew
// members, the moveable cones, car shadows and the ghost car, in painter's
// order (farthest first) over the terrain picture.
#include <algorithm>
#include <cmath>

#include "Game/shell/settings.h"
#include "Game/track/track.h"
#include "Game/view/view.h"
#include "trackfile/object_types.h"

ViewOptions viewOptions;

void ApplyViewSettings()
{
    viewOptions.shadows = settings.shadows != 0;
    viewOptions.ghost = settings.ghostCar != 0;
    viewOptions.effects = settings.effects;
}

void SetUpRaceView(bool (*ghostPose)(Vec3& pos, Vec3& side, Vec3& up, Vec3& forward))
{
    BuildDiscTable();
    SelectSceneVariant(iniSettings.tyreAutoSort != 0);
    viewOptions = ViewOptions{};
    ApplyViewSettings();
    viewOptions.ghostPose = ghostPose;
}
ViewRace viewRace;
static float MiddleRandom() { return 0.5f; }
float (*viewRandom)() = MiddleRandom;
void (*DrawScene)() = DrawSceneSorted;

namespace {

constexpr uint8_t kWheelColour = 3;          // dark grey of the UI ramp
constexpr uint8_t kCrewColours[4] = {168, 169, 170, 244};
const Vec3 kLight = {0.48f, -0.8f, 0.36f};   // direction the light travels

// Body and trim colours of the six car slots (RGB, brightest step).
constexpr uint8_t kSlotBody[kViewCars][3] = {{230, 40, 30}, {40, 90, 235}, {245, 210, 30},
                                             {40, 190, 60}, {235, 235, 235}, {230, 120, 20}};
constexpr uint8_t kSlotTrim[kViewCars][3] = {{60, 60, 70}, {235, 235, 235}, {30, 30, 30},
                                             {230, 230, 60}, {200, 30, 30}, {40, 40, 40}};

struct DrawItem {
    float depth;
    int car;                                 // >= 0: a car; -1: a crew member
    int crew, member;
};

Vec3 ToWorld(const ViewCar& c, Vec3 l) { return c.pos + c.side * l.x + c.up * l.y + c.forward * l.z; }

float Depth(Vec3 p) { return Dot(viewTarget.D, p - viewTarget.T); }

int ShadowPointCount(const CarDefinition& d)
{
    return d.shadowPointCount <= kCarRaceShadowPoints ? d.shadowPointCount : kCarRaceShadowPoints;
}

// Shade of a vertex from its world normal: the squared part of its cosine
// against the light, 0 when it faces away; a fixed shade under the water.
float VertexShade(Vec3 worldNormal, float height)
{
    if (height <= trackMaps.waterHeight) return 3.99f;
    float cosine = Dot(worldNormal, Normalize(kLight));
    return cosine < 0 ? cosine * cosine * 2.99f : 0.0f;
}

// The crew serving car i, or null.
const PitCrew* CrewServing(int car)
{
    for (const PitCrew& crew : trackMaps.pitCrews)
        if (crew.state == car) return &crew;
    return nullptr;
}

// Where wheel w of car i is drawn: on the car, or carried by its tyre changer.
Vec3 WheelPosition(int i, int w, Vec3 onCar)
{
    const PitCrew* crew = CrewServing(i);
    if (!crew) return onCar;
    const CrewMember& m = crew->members[w + 2];
    int s = m.state;
    if (s > 250 || s < 51) return onCar;
    float f = s <= 100 ? (s - 50) * 0.02f : s <= 200 ? 1.0f : (250 - s) * 0.02f;
    return onCar + (m.position - onCar) * f;
}

struct CarFrame {
    ViewPoint v[kCarMaxVertices];
    float shade[kCarMaxVertices];
    ViewPoint wheel[5];
    float wheelDepth[5];
    float wheelRadius[5];
    int wheelCount;
};

void BuildCarFrame(int i, CarFrame& f)
{
    const ViewCar& c = viewRace.cars[i];
    const CarDefinition& d = *viewRace.cars[i].definition;
    int n = std::min<int>(d.vertexCount, kCarMaxVertices);
    for (int k = 0; k < n; ++k) {
        Vec3 p = ToWorld(c, d.vertices[k]);
        f.v[k] = ProjectPoint(p);
        Vec3 nl = d.normals[k];
        f.shade[k] = VertexShade(c.side * nl.x + c.up * nl.y + c.forward * nl.z, p.y);
    }
    int first = ShadowPointCount(d);
    f.wheelCount = 0;
    for (int w = 0; w < 4; ++w) {
        Vec3 p = WheelPosition(i, w, ToWorld(c, d.wheels[w]));
        float floor = c.points[first + w].y + d.wheelRadius[w];
        if (p.y < floor) p.y = floor;
        f.wheel[f.wheelCount] = ProjectPoint(p);
        f.wheelDepth[f.wheelCount] = Depth(p);
        f.wheelRadius[f.wheelCount++] = d.wheelRadius[w];
    }
    if (d.spareWheelFlag == 0) {
        Vec3 p = ToWorld(c, d.spareWheel);
        f.wheel[4] = ProjectPoint(p);
        f.wheelDepth[4] = Depth(p);
        f.wheelRadius[4] = d.wheelRadius[3];
        f.wheelCount = 5;
    }
}

void DrawBodyTriangle(int i, const CarFrame& f, int t)
{
    const CarDefinition& d = *viewRace.cars[i].definition;
    int a = d.triangles[t * 3], b = d.triangles[t * 3 + 1], c = d.triangles[t * 3 + 2];
    if (a >= d.vertexCount || b >= d.vertexCount || c >= d.vertexCount) return;
    const ViewPoint p[3] = {f.v[a], f.v[b], f.v[c]};
    const float s[3] = {f.shade[a], f.shade[b], f.shade[c]};
    int code = d.faceColour[t];
    int base = code < 8 ? kCarColoursFirstView + 8 * i + code : code;
    FillTriangle(p, s, base, false);
}

int TriangleCount(const CarDefinition& d) { return std::min<int>(d.triangleIndexCount, kCarMaxTriangleIndices) / 3; }

void DrawCarSorted(int i)
{
    CarFrame f;
    BuildCarFrame(i, f);
    const CarDefinition& d = *viewRace.cars[i].definition;
    int order[5];
    for (int w = 0; w < f.wheelCount; ++w) order[w] = w;
    std::stable_sort(order, order + f.wheelCount, [&](int a, int b) { return f.wheelDepth[a] > f.wheelDepth[b]; });
    bool drawn[kCarMaxTriangleIndices / 3] = {};
    int tris = TriangleCount(d);
    float triDepth[kCarMaxTriangleIndices / 3];
    for (int t = 0; t < tris; ++t) {
        int a = d.triangles[t * 3], b = d.triangles[t * 3 + 1], c = d.triangles[t * 3 + 2];
        triDepth[t] = a < d.vertexCount && b < d.vertexCount && c < d.vertexCount
                          ? (f.v[a].z + f.v[b].z + f.v[c].z) / 3 : 0;
    }
    for (int k = 0; k < f.wheelCount; ++k) {
        int w = order[k];
        for (int t = 0; t < tris; ++t)
            if (!drawn[t] && triDepth[t] >= f.wheelDepth[w]) {
                DrawBodyTriangle(i, f, t);
                drawn[t] = true;
            }
        FillDisc(f.wheel[w], f.wheelRadius[w], kWheelColour, false);
    }
    for (int t = 0; t < tris; ++t)
        if (!drawn[t]) DrawBodyTriangle(i, f, t);
}

void DrawCarSimple(int i)
{
    CarFrame f;
    BuildCarFrame(i, f);
    const CarDefinition& d = *viewRace.cars[i].definition;
    float centre = Depth(viewRace.cars[i].pos);
    for (int w = 0; w < f.wheelCount; ++w)
        if (f.wheelDepth[w] > centre) FillDisc(f.wheel[w], f.wheelRadius[w], kWheelColour, false);
    int tris = TriangleCount(d);
    for (int t = 0; t < tris; ++t) DrawBodyTriangle(i, f, t);
    for (int w = 0; w < f.wheelCount; ++w)
        if (f.wheelDepth[w] <= centre) FillDisc(f.wheel[w], f.wheelRadius[w], kWheelColour, false);
}

// Height map value at world (x, z), bilinear.
float MapHeight(float x, float z) { return TerrainHeight(x, z); }

void DrawCarShadow(int i)
{
    const ViewCar& c = viewRace.cars[i];
    const CarDefinition& d = *viewRace.cars[i].definition;
    int first = ShadowPointCount(d);
    const Vec3* contact = &c.points[first];
    Vec3 centre = (contact[0] + contact[1] + contact[2] + contact[3]) * 0.25f;
    Vec3 normal = Cross(contact[3] - contact[0], contact[2] - contact[1]);
    float len = Length(normal);
    normal = len > 0 ? normal * (1 / len) : Vec3{0, 1, 0};
    if (normal.y < 0) normal = normal * -1.0f;
    if (normal.y < 0.05f) normal = {0, 1, 0};
    ViewPoint p[kCarRaceShadowPoints];
    for (int k = 0; k < first; ++k) {
        Vec3 v = c.points[k];
        v.y = centre.y - (normal.x * (v.x - centre.x) + normal.z * (v.z - centre.z)) / normal.y;
        p[k] = ProjectPoint(v);
    }
    int indices = std::min<int>(d.shadowIndexCount, kCarMaxShadowIndices) / 3 * 3;
    for (int t = 0; t < indices; t += 3) {
        int a = d.shadowTriangles[t], b = d.shadowTriangles[t + 1], e = d.shadowTriangles[t + 2];
        if (a >= first || b >= first || e >= first) continue;
        const ViewPoint tri[3] = {p[a], p[b], p[e]};
        ShadowTriangle(tri);
    }
    for (int w = 0; w < 4; ++w) {
        Vec3 at = contact[w];
        at.y = MapHeight(at.x, at.z);
        ShadowDisc(ProjectPoint(at), d.wheelRadius[w]);
    }
}

void DrawGhost()
{
    if (!viewOptions.ghost || viewOptions.replay || viewRace.carCount != 1 || !viewOptions.ghostPose ||
        !viewRace.cars[0].definition)
        return;
    Vec3 pos, side, up, forward;
    if (!viewOptions.ghostPose(pos, side, up, forward)) return;
    const CarDefinition& d = *viewRace.cars[0].definition;
    ViewPoint v[kCarMaxVertices];
    int n = std::min<int>(d.vertexCount, kCarMaxVertices);
    for (int k = 0; k < n; ++k) {
        Vec3 l = d.vertices[k];
        v[k] = ProjectPoint(pos + side * l.x + up * l.y + forward * l.z);
    }
    for (int t = 0; t < TriangleCount(d); ++t) {
        int a = d.triangles[t * 3], b = d.triangles[t * 3 + 1], c = d.triangles[t * 3 + 2];
        if (a >= n || b >= n || c >= n) continue;
        const ViewPoint tri[3] = {v[a], v[b], v[c]};
        ShadowTriangle(tri);
    }
    for (int w = 0; w < 4; ++w) {
        Vec3 l = d.wheels[w];
        ShadowDisc(ProjectPoint(pos + side * l.x + up * l.y + forward * l.z), d.wheelRadius[w]);
    }
}

void DrawCrewMember(const CrewMember& m)
{
    static const float heights[4] = {-0.3f, 0.1f, 0.5f, 0.9f};
    static const float radii[4] = {0.5f, 0.5f, 0.4f, 0.3f};
    for (int k = 0; k < 4; ++k)
        FillDisc(ProjectPoint(m.position + Vec3{0, heights[k], 0}), radii[k], kCrewColours[k], false);
}

// A moveable cone: a square base and a 20-triangle cone standing on the ground's slope.
void DrawSlopedObject(const WorldObject& o)
{
    const ObjectTypeInfo& info = ObjectType(o.type);
    float size = std::max(info.halfLength * 2, 0.5f);
    Vec3 dir = o.direction;
    Vec3 front = o.position + dir * (size * 0.5f), back = o.position - dir * (size * 0.5f);
    float hf = MapHeight(front.x, front.z), hb = MapHeight(back.x, back.z);
    Vec3 slopeDir = Vec3{dir.x * size, hf - hb, dir.z * size};
    Vec3 across = Vec3{-dir.z, 0, dir.x};
    Vec3 up = Cross(slopeDir, across);
    if (up.y < 0) up = up * -1.0f;
    up = up * (1.0f / (Length(up) + 0.001f));
    Vec3 base = Vec3{o.position.x, MapHeight(o.position.x, o.position.z), o.position.z};
    Vec3 along = Normalize(slopeDir);
    DrawBox(base + up * (0.05f * size), along * (0.5f * size), up * (0.05f * size), across * (0.5f * size), 176);
    const float ringRadius[3] = {0.3f, 0.22f, 0.1f};
    const float ringHeight[3] = {0.0f, 0.4f, 0.8f};
    Vec3 tip = base + up * (1.5f * size * 0.5f);
    const float shade[3] = {1, 1, 1};
    // Five segments around the axis, four triangles each (three ring bands and the tip).
    for (int s = 0; s < 5; ++s) {
        float a0 = s * 6.2831853f / 5, a1 = (s + 1) * 6.2831853f / 5;
        ViewPoint ring[3][2];
        for (int r = 0; r < 3; ++r) {
            Vec3 centre = base + up * (ringHeight[r] * size * 0.5f);
            for (int e = 0; e < 2; ++e) {
                float a = e ? a1 : a0;
                Vec3 off = along * (std::cos(a) * ringRadius[r] * size) + across * (std::sin(a) * ringRadius[r] * size);
                ring[r][e] = ProjectPoint(centre + off);
            }
        }
        ViewPoint top = ProjectPoint(tip);
        for (int r = 0; r < 2; ++r) {
            ViewPoint t1[3] = {ring[r][0], ring[r][1], ring[r + 1][1]};
            ViewPoint t2[3] = {ring[r][0], ring[r + 1][1], ring[r + 1][0]};
            FillTriangle(t1, shade, 176 + r, false);
            FillTriangle(t2, shade, 176 + r, false);
        }
        ViewPoint t3[3] = {ring[2][0], ring[2][1], top};
        FillTriangle(t3, shade, 244, false);
    }
}

template <typename DrawCar>
void DrawSceneWith(DrawCar drawCar, bool sloped)
{
    DrawItem items[kViewCars + kMaxPitCrews * kCrewMembers];
    int count = 0;
    auto add = [&](DrawItem item) {
        int k = count++;
        while (k > 0 && items[k - 1].depth < item.depth) {
            items[k] = items[k - 1];
            --k;
        }
        items[k] = item;
    };
    int carCount = std::clamp(viewRace.carCount, 0, kViewCars);
    for (int i = 0; i < carCount; ++i)
        if (viewRace.cars[i].definition) add({Depth(viewRace.cars[i].pos), i, 0, 0});
    int crews = std::min<int>(static_cast<int>(trackMaps.pitCrews.size()), kMaxPitCrews);
    for (int c = 0; c < crews; ++c)
        for (int m = 0; m < kCrewMembers; ++m)
            add({Depth(trackMaps.pitCrews[c].members[m].position), -1, c, m});
    DrawGhost();
    if (viewOptions.shadows)
        for (int i = 0; i < carCount; ++i)
            if (viewRace.cars[i].definition) DrawCarShadow(i);
    for (int k = 0; k < count; ++k) {
        if (items[k].car >= 0)
            drawCar(items[k].car);
        else
            DrawCrewMember(trackMaps.pitCrews[items[k].crew].members[items[k].member]);
    }
    if (sloped)
        for (size_t o = 6; o < trackMaps.objects.size(); ++o)
            if (trackMaps.objects[o].type == kObjectMoveableCone) DrawSlopedObject(trackMaps.objects[o]);
}

}  // namespace

void FillCarSlotColours(uint32_t packed[256])
{
    for (int i = 0; i < kViewCars; ++i)
        for (int k = 0; k < 8; ++k) {
            const uint8_t* c = k < 4 ? kSlotBody[i] : kSlotTrim[i];
            float f = 0.45f + 0.55f * (k % 4) / 3.0f;
            uint32_t r = static_cast<uint32_t>(c[0] * f), g = static_cast<uint32_t>(c[1] * f),
                     b = static_cast<uint32_t>(c[2] * f);
            packed[kCarColoursFirstView + 8 * i + k] = (r << 16) | (g << 8) | b;
        }
}

void DrawSceneSorted() { DrawSceneWith(DrawCarSorted, true); }
void DrawSceneSimple() { DrawSceneWith(DrawCarSimple, false); }

void SelectSceneVariant(bool tyreAutoSort) { DrawScene = tyreAutoSort ? DrawSceneSorted : DrawSceneSimple; }
