// The car definition record: one car model and its physical parameters,
// 1344 bytes little-endian in ".car" files, track records and save games.
// Local car coordinates: x to the car's right, y up, z forward.
#pragma once
#include <cstddef>
#include <cstdint>

#include "trackfile/byte_io.h"
#include "trackfile/vec3.h"

constexpr size_t kCarRecordSize = 1344;      // bytes per record in every file
constexpr int kCarGroundClasses = 14;        // entries of grip and rolling
constexpr int kCarMaxVertices = 30;          // model vertices
constexpr int kCarMaxTriangleIndices = 120;  // model triangle indices (3 per triangle)
constexpr int kCarMaxShadowPoints = 15;      // room in the record
constexpr int kCarRaceShadowPoints = 10;     // what a race can hold beside the 4 wheels
constexpr int kCarMaxShadowIndices = 30;     // shadow triangle indices (3 per triangle)

struct CarDefinition {
    char name[12];                       // zero-terminated within 12 bytes
    Vec3 halfSize;                       // half extents of the body ellipsoid
    float wheelRadius[4];                // drawn radius of each wheel
    float grip[kCarGroundClasses];       // grip per ground class
    float rolling[kCarGroundClasses];    // rolling resistance per ground class
    float drag;                          // linear air drag coefficient
    float downforce;                     // force along -up per unit speed
    float enginePower;                   // engine force scale
    float topSpeed;                      // wheel-speed limit, m/s
    float slipStiffness;                 // scale of the wheel slip against the road
    float mass;                          // empty mass
    float steerGrip;                     // lateral grip factor of the steering axle
    float aiFactor;                      // how far ahead the AI steering reference lies
    uint8_t vertexCount;                 // model vertices in use
    uint8_t shadowPointCount;            // shadow-mesh points in use
    uint8_t triangleIndexCount;          // model triangle indices in use
    uint8_t shadowIndexCount;            // shadow triangle indices in use
    uint8_t spareWheelFlag;              // 0 = a spare wheel is drawn at spareWheel
    uint8_t triangles[kCarMaxTriangleIndices];
    uint8_t faceColour[kCarMaxTriangleIndices / 3];
    uint8_t shadowTriangles[kCarMaxShadowIndices];
    Vec3 vertices[kCarMaxVertices];
    Vec3 normals[kCarMaxVertices];       // unit vertex normals
    Vec3 shadowPoints[kCarMaxShadowPoints];
    Vec3 wheels[4];                      // front right, front left, rear right, rear left
    Vec3 spareWheel;
};

// Reads one 1344-byte record field by field (padding skipped); on a short
// read the reader's `failed` flag is set and the record is zeroed.
void ReadCarDefinition(ByteReader& r, CarDefinition& car);
// Appends one 1344-byte record field by field, padding written as zeros.
void WriteCarDefinition(ByteWriter& w, const CarDefinition& car);
// Appends n records; returns the number of bytes written (1344 per record).
size_t WriteCarDefinitions(ByteWriter& w, const CarDefinition* cars, int n);
// Limits of a raceable car (metres, metres per second).
constexpr float kCarMostTopSpeed = 150.0f;   // 540 km/h
constexpr float kCarLeastHalfSize = 0.1f;    // each body half extent
constexpr float kCarMostHalfSize = 10.0f;
constexpr float kCarMostWheelRadius = 3.0f;
constexpr float kCarMostExtent = 25.0f;      // model, shadow and wheel coordinates
// True when the record is safe to race and draw: counts within their limits
// (shadow points within what a race holds), every index inside its array,
// whole triangles only, finite numbers, and sizes, speeds, masses and
// coefficients within the ranges a real car can meet (a top speed of at least
// 1 m/s, an engine, a body at least 0.1 m in each half extent).
bool CarDefinitionValid(const CarDefinition& car);
