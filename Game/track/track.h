// The loaded track: run-time maps that the race, the terrain renderer and
// the race view read, the loader that fills them from a ".trk" file, and the
// track identity by which saved references find a track again.
//
// World coordinates: x east, y up, z north, in world units. Land-map and
// height-map rows run from south (row 0) to north.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "trackfile/trackfile.h"
#include "trackfile/vec3.h"


constexpr int kMaxPitCrews = 6;  // crews beyond these are ignored
constexpr int kCrewMembers = 8;  // members of one pit crew

// One placed object; the first six are the start positions.
struct WorldObject {
    uint8_t type;         // object type code
    Vec3 position;        // (x, 0, y)
    Vec3 direction;       // (cos a, 0, -sin a)
    int16_t state;        // 1 for a moveable cone once the track image is built
    float smallConstant;  // 0.001, used by moveable objects
    Vec3 motion;          // motion of a moveable object
    float factor;         // 0.8, used by moveable objects
};

// One member of a pit crew.
struct CrewMember {
    Vec3 home;         // where the member stands when idle
    Vec3 position;     // current position (home clamped to the world, 0.7 above ground)
    Vec3 motion;       // current motion
    float facing[2];   // facing pair for drawing
    uint8_t state;     // work state
};

// A pit crew: anchor, facing and its eight members.
struct PitCrew {
    Vec3 anchor;    // (x, terrain height, y)
    Vec3 facing;    // (cos a, 0, -sin a)
    Vec3 side;      // (-sin a, 0, -cos a)
    uint8_t state;  // 6 at load
    CrewMember members[kCrewMembers];
};

// A checkpoint or limiter line, world units.
struct TrackGate {
    float x, y;    // first end
    float dx, dy;  // unit direction from the first end to the second
    float length;  // distance between the ends
};

struct TrackMaps {
    bool loaded = false;
    std::string name;          // track name below "tracks", with its leading backslash
    int version = 0;           // file version (256 for files without the prefix)
    uint32_t recordsOffset = 0;

    float worldSize = 0;       // world units across the square world
    float worldScale = 0;      // world units per land pixel
    float heightCell = 0;      // world units per height-map interval
    float waterHeight = 0;     // water level in terrain height units
    float zoom = 1.05f;        // view zoom factor, refitted by the view fit
    int16_t viewAngle = 0;     // degrees, camera tilt
    int16_t rotation = 0;      // degrees, turn of the world about the vertical
    Vec3 viewVertical;             // row giving screen y from a world point
    Vec3 viewDepth;                // row giving the distance into the screen
    Vec3 viewHorizontal;           // row giving screen x
    Vec3 viewTranslation;          // set by the view fit
    bool sfLine = true;        // paint the start/finish stripe

    uint32_t trackLength = 0;  // world units, as stored
    char author[31] = {};
    char comments[501] = {};
    TrackRecords records;      // the seven best laps as stored
    bool hasGhost = false;     // a ghost lap was read (one-car races only)
    GhostLap ghost;            // in its stored form
    uint32_t bodyChecksums[4] = {};  // running sums over bytes 0 .. records offset - 1
    uint32_t identity[4] = {};       // the track identity (see TrackIdentity)

    std::vector<uint8_t> land;     // 512 x 512 ground values 0-47, row 0 south
    std::vector<uint8_t> heights;  // 64 x 64 samples as stored, row 0 south
    std::vector<WorldObject> objects;
    std::vector<PitCrew> pitCrews;     // at most six
    std::vector<TrackGate> checkpoints;  // in passing order; the last is start/finish
    std::vector<TrackGate> limiters;     // 0-2
    std::vector<Vec3> aiLine;          // closed loop, lifted onto the terrain
    std::vector<Vec3> pitLine;         // open polyline, lifted onto the terrain
    // Where the pit line leaves and rejoins the AI line (indices into aiLine).
    // Both are -1 when the pit line has fewer than two points or there is no
    // AI line: then there is no pit lane and computer cars never take it.
    int pitEntry = -1;
    int pitExit = -1;
};

extern TrackMaps trackMaps;  // the one loaded track

// Loads "tracks" + name + ".trk" (name begins with a backslash) into trackMaps;
// carCount 1 also reads the ghost lap. 0 on success, -1 (trackMaps untouched)
// when the file is missing, unreadable, malformed or newer than version 292.
int LoadTrack(const std::string& name, int carCount);
// As LoadTrack, from a file path as given (used by tools and tests).
int LoadTrackFile(const std::string& path, int carCount);
// As LoadTrack, from a whole track file held in memory.
int LoadTrackBytes(const uint8_t* data, size_t size, int carCount);
// Releases every array of trackMaps and marks it unloaded.
void FreeTrackMaps();

// Terrain height at world (x, y): bilinear over the height map, x and y clamped into the world.
float TerrainHeight(float x, float y);
// Unit terrain normal at world (x, y): the height map's slopes, taken per
// sample and interpolated like the height; straight up without a height map.
Vec3 TerrainNormal(float x, float y);
// Ground value (0-47) of the land cell under world (x, y), clamped into the map.
uint8_t GroundAt(float x, float y);

// Recomputes the three view rows from viewAngle and rotation.
void ComputeViewTransform(TrackMaps& maps);
// Turns one 4-bit land code into ground values at cell (column, row), with the random variation.
void ApplyLandCode(std::vector<uint8_t>& land, int column, int row, int code);
// Paints the start/finish stripe across the last checkpoint over oil and tarmac.
void PaintStartFinish(TrackMaps& maps);
// Finds pitEntry and pitExit from the AI and pit lines.
void FindPitJunctions(TrackMaps& maps);

// Relative path of a track name ("\sub\name" -> "tracks/sub/name.trk").
std::string TrackFilePath(const std::string& name);
// The identity of the named track; all zero when it cannot be read.
void TrackIdentity(const std::string& name, uint32_t identity[4]);
// True when the named track has this identity.
bool SameTrack(const std::string& name, const uint32_t identity[4]);
// Finds a track by the base name of storedPath and its identity: first
// directly under "tracks", then in each track folder; false when none matches.
bool FindTrack(const std::string& storedPath, const uint32_t identity[4], std::string& found);
