// The track file (".trk"): the byte layout shared by the game and the editor.
// The editor writes the design sections and an empty records block; the game
// reads the design sections and rewrites the records block, the ghost lap and
// the checksum trailer. Everything here is kept in the file's own units:
// land and height rows bottom (south) first, positions in half pixels with y
// pointing north. Only angles are radians (see TrackObject).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "trackfile/byte_io.h"
#include "trackfile/car_definition.h"

constexpr int kTrackVersionOldest = 256;    // a file without version and magic
constexpr int kTrackVersionEditor = 288;    // what the editor writes and reads at most
constexpr int kTrackVersionNewest = 292;    // what the game reads at most
constexpr int kLandSide = 512;              // land map cells per side
constexpr int kLandCells = kLandSide * kLandSide;
constexpr int kHeightSide = 64;             // height samples per side
constexpr int kHeightCells = kHeightSide * kHeightSide;
constexpr int kMaxLandRun = 4095;           // longest run one land word holds
constexpr uint8_t kLandNotStored = 0xFF;    // a land cell the run stream did not reach
constexpr int kStartPositions = 6;          // the first six objects are the grid
constexpr int kTrackRecordCount = 7;        // best laps kept per track
constexpr size_t kTrackRecordsSize = 9625;  // bytes of the records block
constexpr uint16_t kEmptyLapTime = 6000;    // the time of an empty record entry
constexpr int kMaxGhostFrames = 6000;       // longest ghost lap, in frames
constexpr size_t kGhostSampleSize = 20;     // bytes per stored ghost sample
constexpr size_t kTrailerSize = 20;         // marker and four checksums

// A placed object. Angles are radians (stored × 10000 as signed 16 bits); the
// writer brings any angle into −π … π first, so 0 … 2π editor angles survive.
struct TrackObject {
    uint8_t type = 0;       // object type code (object_types.h)
    uint16_t x = 0, y = 0;  // half pixels, y north up
    double angle = 0;       // radians, clockwise from east on the map
};

struct TrackPitCrew {
    uint16_t x = 0, y = 0;  // half pixels, y north up
    double angle = 0;       // radians, as for objects
};

// A checkpoint or a speed limiter: a line across the track.
struct TrackLine {
    uint16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // half pixels, y north up
};

// A point of the AI line (a closed loop) or of the pit AI line (open).
struct TrackPoint {
    uint16_t x = 0, y = 0;  // half pixels, y north up
};

// One best lap. An entry with time kEmptyLapTime is empty.
struct TrackRecord {
    uint16_t time = kEmptyLapTime;  // hundredths of a second
    char name[14] = {};             // 13 stored bytes and a terminator
    CarDefinition car = {};         // the car the lap was driven with
    uint16_t date[8] = {};          // UTC: year, month, weekday, day, hour, minute, second, ms
};

struct TrackRecords {
    TrackRecord entry[kTrackRecordCount];  // best first
};

// One stored ghost sample: frames 0, 2, 4 … of the lap.
struct GhostSample {
    int32_t pos[3] = {};   // east, height, north in world units × 150
    int8_t axes[6] = {};   // the car's side and forward unit vectors × 120
};

// A ghost lap in its stored form.
struct GhostLap {
    uint16_t frameCount = 0;           // 1 … 6000 frames of one hundredth of a second
    std::vector<GhostSample> samples;  // (frameCount + 1) / 2 when read; writing wants frameCount / 2 + 1
};

// Which program's reader to imitate.
enum TrackReadMode {
    TrackReadGame,    // versions up to 292; track length, author, records, ghost and sums from the records offset
    TrackReadEditor,  // versions up to 288; author block in sequence, start positions repaired, nothing after it
};

// Results of the reading and writing operations.
constexpr int kTrackOk = 0;
constexpr int kTrackCantOpen = -1;     // file missing or unreadable
constexpr int kTrackTooNew = -2;       // version above what the reader knows
constexpr int kTrackMalformed = -3;    // cut short, counts beyond the file, offsets outside it

struct TrackFile {
    int version = kTrackVersionEditor;   // 256 for a file without the prefix
    uint32_t recordsOffset = 0;          // where the records block starts
    uint8_t worldSize = 120;             // world units across, 25–255
    uint8_t waterLevel = 50;             // height sample below which ground is under water
    int16_t viewAngle = 60;              // degrees, tilt of the race camera
    int16_t rotation = 0;                // degrees, turn of the world in the race view
    uint8_t zoom = 105;                  // percent (105 before version 261)
    uint8_t sfLine = 1;                  // 1 = paint the start/finish stripe (1 before version 261)
    uint32_t landRunCount = 0;           // run words as stored (set by the reader)
    std::vector<uint8_t> land;           // kLandCells codes 0–15, row 0 south; kLandNotStored past the stream
    uint16_t heightBytes = kHeightCells; // height byte count as stored
    std::vector<uint8_t> heights;        // kHeightCells samples, row 0 south
    std::vector<TrackObject> objects;    // the first six are the start positions
    std::vector<TrackPitCrew> pitCrews;
    std::vector<TrackLine> checkpoints;  // in passing order; the last is the start/finish line
    std::vector<TrackLine> limiters;     // at most two (version 288 and later)
    std::vector<TrackPoint> aiLine;
    std::vector<TrackPoint> pitLine;
    std::string author;                  // at most 30 characters
    std::string comments;                // at most 500 characters
    uint32_t trackLength = 0;            // AI line length in world units (editor reader: recomputed)
    TrackRecords records;                // game reader only
    bool hasGhost = false;               // game reader: a ghost lap follows the records
    GhostLap ghost;
    bool hasTrailer = false;             // game reader: the file ends in a trailer
    bool trailerMatches = false;         // its checksums equal those of the bytes before them
    uint32_t trailerSums[4] = {};        // as stored
    uint32_t bodySums[4] = {};           // game reader: sums over bytes 0 … records offset − 1
    uint32_t identity[4] = {};           // game reader: the track identity (see TrackIdentity)
};

// A new design with the editor's defaults: world size 120, water level 50,
// view angle 60, land all Grass, flat height 128, six default start positions.
void InitTrackFile(TrackFile& t);
// Parses a whole track file held in memory.
int ReadTrackBytes(const uint8_t* data, size_t size, TrackReadMode mode, TrackFile& out);
// Reads a track file from disk.
int ReadTrackFile(const char* path, TrackReadMode mode, TrackFile& out);
// Serialises the design sections as the editor saves them (version 288, empty
// records block); false if a count overflows its field. The track length is
// measured on the stored half-pixel AI line unless the caller gives it: the
// editor measures the line it holds, before its points are cut to half pixels.
bool WriteTrackBytes(const TrackFile& t, ByteWriter& w);
bool WriteTrackBytes(const TrackFile& t, ByteWriter& w, uint32_t trackLength);
// Saves a track file (the whole file is replaced); false if it cannot be written.
bool WriteTrackFile(const char* path, const TrackFile& t);
bool WriteTrackFile(const char* path, const TrackFile& t, uint32_t trackLength);

// Angle in radians → stored value: normalised into −π … π, × 10000, truncated.
int16_t StoreTrackAngle(double radians);
// Length of the closed AI line in world units, truncated; 0 below two points.
uint32_t TrackLengthFromAiLine(const std::vector<TrackPoint>& line, int worldSize);
// A default start position k (0–5) as the editor's reader inserts it.
TrackObject DefaultStartPosition(int k);

// Sets the four running checksums to their start value 1.
void StartTrackSums(uint32_t sums[4]);
// Adds bytes that sit at file offsets start … start + size − 1 to the sums.
void AddTrackSums(uint32_t sums[4], const uint8_t* data, size_t size, size_t start);
// The track identity: sums over the design sections without the track length;
// false (and all zero) for a file that is not a readable track of version ≤ 292.
bool TrackIdentity(const uint8_t* data, size_t size, uint32_t sums[4]);

// Sets every entry empty: time 6000, everything else zero.
void ClearTrackRecords(TrackRecords& records);
// Reads the 9625-byte records block (the reader's `failed` flag tells a short read).
void ReadTrackRecords(ByteReader& r, TrackRecords& records);
// Appends the 9625-byte records block.
void WriteTrackRecordsBlock(ByteWriter& w, const TrackRecords& records);
// Enters a lap that beats the seventh entry; returns its place 0–6, or −1.
int InsertTrackRecord(TrackRecords& records, uint16_t time, const char* name, const CarDefinition& car,
                      const uint16_t date[8]);

// Reads a ghost lap; false (ghost left empty) for a frame count of 0 or above
// 6000 or a lap cut short.
bool ReadGhostLap(ByteReader& r, GhostLap& ghost);
// Appends a ghost lap: frameCount / 2 + 1 samples (the last held one repeats if
// fewer are held); false when there is nothing to write.
bool WriteGhostLap(ByteWriter& w, const GhostLap& ghost);
// Rounds a car pose into a stored sample (value × scale + 0.5, truncated).
GhostSample EncodeGhostSample(Vec3 pos, Vec3 side, Vec3 forward);
// The editor's AI-line import: world size and ghost lap of another track.
// kTrackCantOpen, kTrackMalformed when there is no readable ghost lap, or kTrackOk.
int ReadTrackGhost(const char* path, uint8_t& worldSize, GhostLap& ghost);

// True when the file ends in a trailer that lies after the records block.
bool TrackHasTrailer(const std::vector<uint8_t>& file, size_t recordsEnd);
// Rewrites the trailer's checksums in place, or appends a trailer.
void UpdateTrackTrailer(std::vector<uint8_t>& file, size_t recordsEnd);
// The game's write-back into a file held in memory: the records block at the
// file's records offset; with a ghost, the ghost lap right after it (replacing
// whatever followed) and a new trailer; without one, the trailer updated.
int ApplyTrackRecords(std::vector<uint8_t>& file, const TrackRecords& records, const GhostLap* ghost);
// The same on a track file on disk (replaced as a whole).
int WriteTrackRecords(const char* path, const TrackRecords& records, const GhostLap* ghost);
// Writes an empty records block and cuts the file after it, dropping a stored
// ghost lap and trailer.
int ResetTrackRecords(const char* path);
