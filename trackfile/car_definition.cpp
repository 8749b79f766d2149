// The 1344-byte car record, read and written field by field.
#include "trackfile/car_definition.h"

#include <cmath>
#include <cstring>

static void ReadFloats(ByteReader& r, float* out, int n)
{
    for (int i = 0; i < n; i++)
        out[i] = ReadF32(r);
}

static void WriteFloats(ByteWriter& w, const float* v, int n)
{
    for (int i = 0; i < n; i++)
        WriteF32(w, v[i]);
}

static void ReadVectors(ByteReader& r, Vec3* out, int n)
{
    for (int i = 0; i < n; i++) {
        out[i].x = ReadF32(r);
        out[i].y = ReadF32(r);
        out[i].z = ReadF32(r);
    }
}

static void WriteVectors(ByteWriter& w, const Vec3* v, int n)
{
    for (int i = 0; i < n; i++) {
        WriteF32(w, v[i].x);
        WriteF32(w, v[i].y);
        WriteF32(w, v[i].z);
    }
}

void ReadCarDefinition(ByteReader& r, CarDefinition& car)
{
    car = CarDefinition{};
    ReadBytes(r, car.name, sizeof car.name);
    car.name[sizeof car.name - 1] = 0;  // the terminator must lie inside the field
    ReaderSkip(r, 4);
    ReadVectors(r, &car.halfSize, 1);
    ReadFloats(r, car.wheelRadius, 4);
    ReadFloats(r, car.grip, kCarGroundClasses);
    ReadFloats(r, car.rolling, kCarGroundClasses);
    car.drag = ReadF32(r);
    car.downforce = ReadF32(r);
    car.enginePower = ReadF32(r);
    car.topSpeed = ReadF32(r);
    car.slipStiffness = ReadF32(r);
    car.mass = ReadF32(r);
    car.steerGrip = ReadF32(r);
    car.aiFactor = ReadF32(r);
    car.vertexCount = ReadU8(r);
    car.shadowPointCount = ReadU8(r);
    car.triangleIndexCount = ReadU8(r);
    car.shadowIndexCount = ReadU8(r);
    car.spareWheelFlag = ReadU8(r);
    ReadBytes(r, car.triangles, sizeof car.triangles);
    ReadBytes(r, car.faceColour, sizeof car.faceColour);
    ReadBytes(r, car.shadowTriangles, sizeof car.shadowTriangles);
    ReaderSkip(r, 1);
    ReadVectors(r, car.vertices, kCarMaxVertices);
    ReadVectors(r, car.normals, kCarMaxVertices);
    ReadVectors(r, car.shadowPoints, kCarMaxShadowPoints);
    ReadVectors(r, car.wheels, 4);
    ReadVectors(r, &car.spareWheel, 1);
    if (r.failed)
        car = CarDefinition{};
}

void WriteCarDefinition(ByteWriter& w, const CarDefinition& car)
{
    char name[sizeof car.name];
    std::memcpy(name, car.name, sizeof name);
    name[sizeof name - 1] = 0;
    WriteBytes(w, name, sizeof name);
    WriteU32(w, 0);
    WriteVectors(w, &car.halfSize, 1);
    WriteFloats(w, car.wheelRadius, 4);
    WriteFloats(w, car.grip, kCarGroundClasses);
    WriteFloats(w, car.rolling, kCarGroundClasses);
    WriteF32(w, car.drag);
    WriteF32(w, car.downforce);
    WriteF32(w, car.enginePower);
    WriteF32(w, car.topSpeed);
    WriteF32(w, car.slipStiffness);
    WriteF32(w, car.mass);
    WriteF32(w, car.steerGrip);
    WriteF32(w, car.aiFactor);
    WriteU8(w, car.vertexCount);
    WriteU8(w, car.shadowPointCount);
    WriteU8(w, car.triangleIndexCount);
    WriteU8(w, car.shadowIndexCount);
    WriteU8(w, car.spareWheelFlag);
    WriteBytes(w, car.triangles, sizeof car.triangles);
    WriteBytes(w, car.faceColour, sizeof car.faceColour);
    WriteBytes(w, car.shadowTriangles, sizeof car.shadowTriangles);
    WriteU8(w, 0);
    WriteVectors(w, car.vertices, kCarMaxVertices);
    WriteVectors(w, car.normals, kCarMaxVertices);
    WriteVectors(w, car.shadowPoints, kCarMaxShadowPoints);
    WriteVectors(w, car.wheels, 4);
    WriteVectors(w, &car.spareWheel, 1);
}

size_t WriteCarDefinitions(ByteWriter& w, const CarDefinition* cars, int n)
{
    size_t before = w.bytes.size();
    for (int i = 0; i < n; i++)
        WriteCarDefinition(w, cars[i]);
    return w.bytes.size() - before;
}

static bool AllFinite(const float* v, int n)
{
    for (int i = 0; i < n; i++)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

static bool AllFinite(const Vec3* v, int n)
{
    for (int i = 0; i < n; i++)
        if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z))
            return false;
    return true;
}

static bool IndicesBelow(const uint8_t* indices, int count, int limit)
{
    for (int i = 0; i < count; i++)
        if (indices[i] >= limit)
            return false;
    return true;
}

bool CarDefinitionValid(const CarDefinition& car)
{
    if (car.vertexCount > kCarMaxVertices || car.triangleIndexCount > kCarMaxTriangleIndices ||
        car.shadowPointCount > kCarRaceShadowPoints || car.shadowIndexCount > kCarMaxShadowIndices)
        return false;
    // Drawing walks whole triangles; a dangling index or two would be read as one.
    if (car.triangleIndexCount % 3 != 0 || car.shadowIndexCount % 3 != 0)
        return false;
    if (!IndicesBelow(car.triangles, car.triangleIndexCount, car.vertexCount) ||
        !IndicesBelow(car.shadowTriangles, car.shadowIndexCount, car.shadowPointCount))
        return false;
    // Non-finite numbers would spread through the physics and into pixel
    // coordinates; a massless car would divide by zero.
    const float* scalars[] = {&car.drag,     &car.downforce, &car.enginePower, &car.topSpeed,
                              &car.slipStiffness, &car.mass, &car.steerGrip,   &car.aiFactor};
    for (const float* s : scalars)
        if (!std::isfinite(*s))
            return false;
    if (!(AllFinite(&car.halfSize, 1) && AllFinite(car.wheelRadius, 4) && AllFinite(car.grip, kCarGroundClasses) &&
          AllFinite(car.rolling, kCarGroundClasses) && AllFinite(car.vertices, kCarMaxVertices) &&
          AllFinite(car.normals, kCarMaxVertices) && AllFinite(car.shadowPoints, kCarMaxShadowPoints) &&
          AllFinite(car.wheels, 4) && AllFinite(&car.spareWheel, 1)))
        return false;
    // Ranges a real car meets, from a go-kart to a lorry: a car outside them
    // either never leaves the grid (no top speed, no engine, a flat body) or
    // drives the physics and the drawing into overflow.
    auto within = [](float v, float lo, float hi) { return v >= lo && v <= hi; };
    if (!within(car.topSpeed, 1, kCarMostTopSpeed) || !within(car.enginePower, 1, 100000) ||
        !within(car.mass, 10, 100000) || !within(car.drag, 0, 1000) || !within(car.downforce, 0, 100000) ||
        !within(car.slipStiffness, 0, 100) || !within(car.steerGrip, 0, 100) || !within(car.aiFactor, -50, 50))
        return false;
    if (!within(car.halfSize.x, kCarLeastHalfSize, kCarMostHalfSize) ||
        !within(car.halfSize.y, kCarLeastHalfSize, kCarMostHalfSize) ||
        !within(car.halfSize.z, kCarLeastHalfSize, kCarMostHalfSize))
        return false;
    for (float r : car.wheelRadius)
        if (!within(r, 0, kCarMostWheelRadius))
            return false;
    for (int k = 0; k < kCarGroundClasses; k++)
        if (!within(car.grip[k], 0, 100) || !within(car.rolling[k], 0, 100))
            return false;
    // The model, shadow, wheels and spare wheel stay near the body.
    auto near = [](const Vec3* v, int n) {
        for (int i = 0; i < n; i++)
            if (std::fabs(v[i].x) > kCarMostExtent || std::fabs(v[i].y) > kCarMostExtent ||
                std::fabs(v[i].z) > kCarMostExtent)
                return false;
        return true;
    };
    return near(car.vertices, kCarMaxVertices) && near(car.shadowPoints, kCarMaxShadowPoints) &&
           near(car.wheels, 4) && near(&car.spareWheel, 1);
}
