// Writes the shipped cars into a folder, one ".car" file each: a light
// hatchback, a sports car, an off-road buggy and a heavy truck. Each has its
// own body (a lower box with a cabin on it), shadow, wheels, mass, engine and
// grip per ground class, derived from the built-in car's tables.
//
//     build/run/cargen data/cars
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "Game/race/cars.h"
#include "trackfile/byte_io.h"

namespace {

struct Shape {
    const char* name;
    Vec3 half;              // half extents of the body ellipsoid
    float bodyBottom, bodyTop, noseDrop;   // heights of the lower box; the nose top is lower by noseDrop
    float cabinFront, cabinBack, cabinWidth, cabinTop;   // cabin on the body, z from the front
    float wheelRadius, wheelTrack, wheelFront, wheelRear;
    bool spare;
};

struct Tuning {
    float mass, power, topSpeed, drag, downforce, slip, steerGrip;
    float tarmacGrip, looseGrip, looseRolling;   // factors on the built-in car's tables
};

// The built-in table's entries: 1, 2, 11, 12 are paved; 4 (mud), 7 to 10
// (sand, snow) and 13 (strewn gravel) loose ground. Grass and the default
// ground (3, 5, 6) keep the built-in values: every car runs over them when it
// cuts a corner, so they would decide the tarmac circuits too.
bool Paved(int k) { return k == 1 || k == 2 || k == 11 || k == 12; }
bool Loose(int k) { return k == 4 || (k >= 7 && k <= 10) || k == 13; }

struct Builder {
    CarDefinition& car;
    void Tri(int a, int b, int c, uint8_t colour, Vec3 inside)
    {
        // Wound so that (c - a) x (b - a) points away from the part's centre.
        Vec3 n = Cross(car.vertices[c] - car.vertices[a], car.vertices[b] - car.vertices[a]);
        Vec3 mid = (car.vertices[a] + car.vertices[b] + car.vertices[c]) * (1.0f / 3);
        if (Dot(n, mid - inside) < 0) std::swap(b, c);
        int t = car.triangleIndexCount / 3;
        car.triangles[car.triangleIndexCount++] = static_cast<uint8_t>(a);
        car.triangles[car.triangleIndexCount++] = static_cast<uint8_t>(b);
        car.triangles[car.triangleIndexCount++] = static_cast<uint8_t>(c);
        car.faceColour[t] = colour;
    }
    void Quad(int a, int b, int c, int d, uint8_t colour, Vec3 inside)
    {
        Tri(a, b, c, colour, inside);
        Tri(a, c, d, colour, inside);
    }
    int Vertex(Vec3 v)
    {
        car.vertices[car.vertexCount] = v;
        return car.vertexCount++;
    }
};

CarDefinition MakeCar(const Shape& s, const Tuning& t)
{
    CarDefinition car = MakeGeneralCar();
    std::memset(car.name, 0, sizeof car.name);
    std::strncpy(car.name, s.name, sizeof car.name - 1);
    car.halfSize = s.half;
    car.vertexCount = 0;
    car.triangleIndexCount = 0;
    Builder b{car};
    const float w = s.half.x * 0.8f, l = s.half.z;
    // Lower box: bottom ring 0-3, top ring 4-7 (front is +z).
    int b0 = b.Vertex({w, s.bodyBottom, l}), b1 = b.Vertex({-w, s.bodyBottom, l});
    int b2 = b.Vertex({-w, s.bodyBottom, -l}), b3 = b.Vertex({w, s.bodyBottom, -l});
    int t0 = b.Vertex({w * 0.95f, s.bodyTop - s.noseDrop, l * 0.97f}), t1 = b.Vertex({-w * 0.95f, s.bodyTop - s.noseDrop, l * 0.97f});
    int t2 = b.Vertex({-w * 0.95f, s.bodyTop, -l * 0.97f}), t3 = b.Vertex({w * 0.95f, s.bodyTop, -l * 0.97f});
    Vec3 boxCentre = {0, (s.bodyBottom + s.bodyTop) / 2, 0};
    b.Quad(b0, b1, t1, t0, 0, boxCentre);   // front
    b.Quad(b3, b2, t2, t3, 0, boxCentre);   // back
    b.Quad(b0, b3, t3, t0, 0, boxCentre);   // right
    b.Quad(b1, b2, t2, t1, 0, boxCentre);   // left
    b.Quad(t0, t1, t2, t3, 1, boxCentre);   // bonnet and boot
    // Cabin: base on the body top, roof narrower.
    float zf = l - s.cabinFront, zb = l - s.cabinBack;
    auto topAt = [&](float z) { return s.bodyTop - s.noseDrop * (z + l) / (2 * l) + 0.01f; };
    float cw = s.cabinWidth;
    int c0 = b.Vertex({cw, topAt(zf), zf}), c1 = b.Vertex({-cw, topAt(zf), zf});
    int c2 = b.Vertex({-cw, topAt(zb), zb}), c3 = b.Vertex({cw, topAt(zb), zb});
    float inset = (zf - zb) * 0.2f;
    int r0 = b.Vertex({cw * 0.85f, s.cabinTop, zf - inset}), r1 = b.Vertex({-cw * 0.85f, s.cabinTop, zf - inset});
    int r2 = b.Vertex({-cw * 0.85f, s.cabinTop, zb + inset * 0.5f}), r3 = b.Vertex({cw * 0.85f, s.cabinTop, zb + inset * 0.5f});
    Vec3 cabinCentre = {0, (topAt(zf) + s.cabinTop) / 2, (zf + zb) / 2};
    b.Quad(c0, c1, r1, r0, 4, cabinCentre);  // windscreen
    b.Quad(c3, c2, r2, r3, 4, cabinCentre);  // rear window
    b.Quad(c0, c3, r3, r0, 4, cabinCentre);  // right windows
    b.Quad(c1, c2, r2, r1, 4, cabinCentre);  // left windows
    b.Quad(r0, r1, r2, r3, 0, cabinCentre);  // roof
    // Shadow: the body's footprint.
    car.shadowPointCount = 4;
    car.shadowPoints[0] = {w, 0, l};
    car.shadowPoints[1] = {-w, 0, l};
    car.shadowPoints[2] = {-w, 0, -l};
    car.shadowPoints[3] = {w, 0, -l};
    const uint8_t shadow[6] = {0, 1, 2, 0, 2, 3};
    car.shadowIndexCount = 6;
    std::memcpy(car.shadowTriangles, shadow, sizeof shadow);
    float wy = -s.half.y + s.wheelRadius * 0.8f;
    car.wheels[0] = {s.wheelTrack, wy, s.wheelFront};
    car.wheels[1] = {-s.wheelTrack, wy, s.wheelFront};
    car.wheels[2] = {s.wheelTrack, wy, s.wheelRear};
    car.wheels[3] = {-s.wheelTrack, wy, s.wheelRear};
    for (float& r : car.wheelRadius) r = s.wheelRadius;
    car.spareWheelFlag = s.spare ? 0 : 1;
    car.spareWheel = {0, s.bodyTop + s.wheelRadius * 0.3f, -l + s.wheelRadius};
    for (int k = 0; k < kCarGroundClasses; ++k) {
        if (Paved(k)) car.grip[k] *= t.tarmacGrip;
        if (Loose(k)) {
            car.grip[k] *= t.looseGrip;
            car.rolling[k] *= t.looseRolling;
        }
    }
    car.mass = t.mass;
    car.enginePower = t.power;
    car.topSpeed = t.topSpeed;
    car.drag = t.drag;
    car.downforce = t.downforce;
    car.slipStiffness = t.slip;
    car.steerGrip = t.steerGrip;
    ComputeCarNormals(car);
    return car;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: cargen OUTPUT_FOLDER\n");
        return 2;
    }
    const Shape shapes[4] = {
        {"Hatchback", {1.1f, 0.6f, 1.5f}, -0.3f, 0.15f, 0.1f, 1.0f, 2.8f, 0.75f, 0.7f, 0.45f, 0.85f, 1.0f, -1.0f, false},
        {"Sports car", {1.2f, 0.5f, 2.0f}, -0.3f, 0.05f, 0.15f, 1.6f, 3.0f, 0.75f, 0.45f, 0.45f, 0.95f, 1.3f, -1.3f, false},
        {"Buggy", {1.2f, 0.75f, 1.5f}, -0.15f, 0.2f, 0.05f, 0.9f, 2.2f, 0.65f, 0.85f, 0.6f, 1.05f, 1.0f, -1.0f, true},
        {"Truck", {1.4f, 1.0f, 2.6f}, -0.4f, 0.5f, 0.0f, 0.2f, 1.8f, 1.05f, 1.35f, 0.6f, 1.05f, 1.7f, -1.6f, true},
    };
    // The sports car: the most power and grip on tarmac, little on loose
    // ground; the buggy: grip and low rolling resistance on mud, sand, snow and
    // gravel, less on tarmac; the truck: heavy, slow, hard to push aside.
    const Tuning tunings[4] = {
        {430, 620, 46, 4.0f, 60, 0.5f, 1.1f, 1.0f, 1.0f, 1.0f},
        {520, 1000, 64, 3.2f, 100, 0.45f, 1.15f, 1.25f, 0.8f, 1.5f},
        {460, 760, 46, 4.4f, 50, 0.6f, 1.0f, 0.85f, 1.8f, 0.5f},
        {1300, 1000, 36, 5.0f, 40, 0.5f, 0.9f, 0.8f, 0.9f, 1.0f},
    };
    const char* files[4] = {"hatchback.car", "sports.car", "buggy.car", "truck.car"};
    std::string dir = argv[1];
    for (int i = 0; i < 4; ++i) {
        CarDefinition car = MakeCar(shapes[i], tunings[i]);
        if (!CarDefinitionValid(car)) {
            std::fprintf(stderr, "cargen: %s is not a valid car\n", shapes[i].name);
            return 1;
        }
        std::vector<uint8_t> file = MakeCarFile(&car, 1);
        std::string path = dir + "/" + files[i];
        if (!WriteFileReplacing(path.c_str(), file.data(), file.size())) {
            std::fprintf(stderr, "cargen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
