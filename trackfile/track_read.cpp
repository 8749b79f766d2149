// Reading track files of every version from 256 to 292, as the game and as
// the editor read them. The whole file is parsed from memory; every count is
// checked against the bytes that remain before anything is allocated.
#include <algorithm>
#include <cmath>

#include "trackfile/trackfile.h"

namespace {

// Sizes of the fixed parts of the author block.
constexpr size_t kAuthorSize = 30;
constexpr size_t kCommentsSize = 500;
constexpr uint16_t kBlockMark = 0xFFFF;

struct VersionForm {
    bool wideCounts;    // 16-bit object and AI counts, 32-bit track length (258)
    bool wideRunCount;  // 32-bit land run count (259)
    bool viewBytes;     // zoom and S/F line bytes (261)
    bool limiters;      // limiter section (288)
};

VersionForm FormOf(int version)
{
    VersionForm f;
    f.wideCounts = version >= 258;
    f.wideRunCount = version >= 259;
    f.viewBytes = version >= 261;
    f.limiters = version >= 288;
    return f;
}

double AngleFromStored(int16_t stored) { return stored / 10000.0; }

// Version and magic: a file whose bytes 2–3 are not "DW" has no prefix and is
// read from offset 0 as version 256.
bool ReadVersion(ByteReader& r, int& version)
{
    if (ReaderHas(r, 4) && r.data[2] == 'D' && r.data[3] == 'W') {
        version = ReadU16(r);
        ReadU16(r);
    } else {
        version = kTrackVersionOldest;
    }
    return !r.failed;
}

// Land runs in one stream over the whole map. Runs of length 0 are skipped,
// cells past the map's last are ignored, cells the stream never reaches keep
// kLandNotStored.
bool ReadLand(ByteReader& r, uint32_t runCount, std::vector<uint8_t>& land)
{
    if (!ReaderHas(r, static_cast<size_t>(runCount) * 2)) {
        r.failed = true;
        return false;
    }
    land.assign(kLandCells, kLandNotStored);
    size_t cell = 0;
    for (uint32_t i = 0; i < runCount; i++) {
        uint16_t word = ReadU16(r);
        size_t length = word >> 4;
        size_t room = kLandCells - cell;
        size_t n = length < room ? length : room;
        std::fill(land.begin() + cell, land.begin() + cell + n, static_cast<uint8_t>(word & 0x0F));
        cell += n;
    }
    return !r.failed;
}

// Reads `count` fixed-size records after checking that the file holds them.
template <typename T, typename F>
bool ReadList(ByteReader& r, size_t count, size_t recordSize, std::vector<T>& out, F readOne)
{
    out.clear();
    if (!ReaderHas(r, count * recordSize)) {
        r.failed = true;
        return false;
    }
    out.resize(count);
    for (size_t i = 0; i < count; i++)
        readOne(out[i]);
    return !r.failed;
}

void ReadLine(ByteReader& r, TrackLine& l)
{
    l.x1 = ReadU16(r);
    l.y1 = ReadU16(r);
    l.x2 = ReadU16(r);
    l.y2 = ReadU16(r);
}

void ReadPoint(ByteReader& r, TrackPoint& p)
{
    p.x = ReadU16(r);
    p.y = ReadU16(r);
}

// The editor keeps six start positions in front: while fewer than six exist,
// another type gets default starts inserted before it; later starts are dropped.
void RepairStartPositions(std::vector<TrackObject>& objects)
{
    std::vector<TrackObject> fixed;
    fixed.reserve(objects.size() + kStartPositions);
    for (const TrackObject& o : objects) {
        if (fixed.size() < static_cast<size_t>(kStartPositions)) {
            if (o.type != 0) {
                while (fixed.size() < static_cast<size_t>(kStartPositions))
                    fixed.push_back(DefaultStartPosition(static_cast<int>(fixed.size())));
            }
            fixed.push_back(o);
        } else if (o.type != 0) {
            fixed.push_back(o);
        }
    }
    // A file with fewer than six objects still gets its full grid.
    while (fixed.size() < static_cast<size_t>(kStartPositions))
        fixed.push_back(DefaultStartPosition(static_cast<int>(fixed.size())));
    // The object count is 16 bits wide; inserted starts must not overflow it.
    if (fixed.size() > 65535)
        fixed.resize(65535);
    objects.swap(fixed);
}

// The design sections from the header to the pit AI line, in sequence.
bool ReadDesign(ByteReader& r, TrackFile& t)
{
    VersionForm f = FormOf(t.version);
    t.recordsOffset = ReadU32(r);
    t.worldSize = ReadU8(r);
    t.waterLevel = ReadU8(r);
    t.viewAngle = ReadI16(r);
    t.rotation = ReadI16(r);
    if (f.viewBytes) {
        t.zoom = ReadU8(r);
        t.sfLine = ReadU8(r);
    } else {
        t.zoom = 105;
        t.sfLine = 1;
    }
    t.landRunCount = f.wideRunCount ? ReadU32(r) : ReadU16(r);
    if (r.failed || !ReadLand(r, t.landRunCount, t.land))
        return false;

    // The count is always 4096 in practice; another value is read in full
    // and its first 4096 bytes kept (missing samples are 0).
    t.heightBytes = ReadU16(r);
    if (!ReaderHas(r, t.heightBytes))
        return false;
    t.heights.assign(kHeightCells, 0);
    size_t keep = t.heightBytes < kHeightCells ? t.heightBytes : kHeightCells;
    ReadBytes(r, t.heights.data(), keep);
    ReaderSkip(r, t.heightBytes - keep);

    size_t objectCount = f.wideCounts ? ReadU16(r) : ReadU8(r);
    ReadList(r, objectCount, 8, t.objects, [&r](TrackObject& o) {
        o.type = ReadU8(r);
        ReadU8(r);
        o.x = ReadU16(r);
        o.y = ReadU16(r);
        o.angle = AngleFromStored(ReadI16(r));
    });
    size_t pitCount = ReadU8(r);
    ReadList(r, pitCount, 6, t.pitCrews, [&r](TrackPitCrew& p) {
        p.x = ReadU16(r);
        p.y = ReadU16(r);
        p.angle = AngleFromStored(ReadI16(r));
    });
    size_t checkpointCount = ReadU8(r);
    ReadList(r, checkpointCount, 8, t.checkpoints, [&r](TrackLine& l) { ReadLine(r, l); });
    t.limiters.clear();
    if (f.limiters) {
        size_t limiterCount = ReadU8(r);
        ReadList(r, limiterCount, 8, t.limiters, [&r](TrackLine& l) { ReadLine(r, l); });
    }
    size_t aiCount = f.wideCounts ? ReadU16(r) : ReadU8(r);
    ReadList(r, aiCount, 4, t.aiLine, [&r](TrackPoint& p) { ReadPoint(r, p); });
    size_t pitLineCount = ReadU8(r);
    ReadList(r, pitLineCount, 4, t.pitLine, [&r](TrackPoint& p) { ReadPoint(r, p); });
    // A world without size would make every scale infinite.
    return !r.failed && t.worldSize > 0;
}

// The editor's reader: the author block follows the pit AI line when it
// starts with 0xFFFF; nothing after it is read.
void ReadAuthorInSequence(ByteReader& r, TrackFile& t)
{
    t.author.clear();
    t.comments.clear();
    if (!ReaderHas(r, 2 + kAuthorSize + kCommentsSize) || ReadU16(r) != kBlockMark)
        return;
    t.author = ReadFixedString(r, kAuthorSize);
    t.comments = ReadFixedString(r, kCommentsSize);
}

// The game's reader finds the author block backwards from the records offset.
void ReadAuthorFromEnd(const uint8_t* data, size_t size, TrackFile& t)
{
    t.author.clear();
    t.comments.clear();
    size_t markBack = t.version >= 258 ? 6 : 4;
    size_t authorBack = t.version >= 258 ? 536 : 534;
    if (t.recordsOffset < authorBack || t.recordsOffset > size)
        return;
    ByteReader r = MakeReader(data, size);
    ReaderSeek(r, t.recordsOffset - markBack);
    if (ReadU16(r) != kBlockMark)
        return;
    ReaderSeek(r, t.recordsOffset - authorBack);
    t.author = ReadFixedString(r, kAuthorSize);
    t.comments = ReadFixedString(r, kCommentsSize);
}

// Trailer, ghost lap, records and checksums: everything the game keeps at
// and after the records offset.
int ReadGameSections(const uint8_t* data, size_t size, TrackFile& t)
{
    size_t lengthBack = t.version >= 258 ? 4 : 2;
    if (t.recordsOffset < lengthBack || t.recordsOffset > size)
        return kTrackMalformed;
    ByteReader r = MakeReader(data, size);
    ReaderSeek(r, t.recordsOffset - lengthBack);
    t.trackLength = t.version >= 258 ? ReadU32(r) : ReadU16(r);
    ReadTrackRecords(r, t.records);
    if (r.failed)
        return kTrackMalformed;
    t.hasGhost = ReadGhostLap(r, t.ghost);

    size_t recordsEnd = t.recordsOffset + kTrackRecordsSize;
    t.hasTrailer = false;
    t.trailerMatches = false;
    if (size >= recordsEnd + kTrailerSize) {
        const uint8_t* m = data + size - kTrailerSize;
        t.hasTrailer = m[0] == 0x56 && m[1] == 0x44 && m[2] == 0 && m[3] == 0;
    }
    if (t.hasTrailer) {
        ByteReader tr = MakeReader(data + size - 16, 16);
        uint32_t sums[4];
        StartTrackSums(sums);
        AddTrackSums(sums, data, size - 16, 0);
        t.trailerMatches = true;
        for (int i = 0; i < 4; i++) {
            t.trailerSums[i] = ReadU32(tr);
            t.trailerMatches = t.trailerMatches && t.trailerSums[i] == sums[i];
        }
    }
    StartTrackSums(t.bodySums);
    AddTrackSums(t.bodySums, data, t.recordsOffset, 0);
    StartTrackSums(t.identity);
    AddTrackSums(t.identity, data, t.recordsOffset - lengthBack, 0);
    ReadAuthorFromEnd(data, size, t);
    return kTrackOk;
}

}  // namespace

TrackObject DefaultStartPosition(int k)
{
    // Editor position (20, 10 + 20k), y down, in half pixels with y up.
    TrackObject o;
    o.type = 0;
    o.x = 2 * 20;
    o.y = static_cast<uint16_t>(2 * (512 - (10 + 20 * k)));
    o.angle = 0;
    return o;
}

int ReadTrackBytes(const uint8_t* data, size_t size, TrackReadMode mode, TrackFile& out)
{
    ByteReader r = MakeReader(data, size);
    TrackFile t;
    if (!ReadVersion(r, t.version))
        return kTrackMalformed;
    int newest = mode == TrackReadEditor ? kTrackVersionEditor : kTrackVersionNewest;
    if (t.version > newest)
        return kTrackTooNew;
    if (t.version < kTrackVersionOldest)
        return kTrackMalformed;
    if (!ReadDesign(r, t))
        return kTrackMalformed;

    if (mode == TrackReadEditor) {
        ReadAuthorInSequence(r, t);
        RepairStartPositions(t.objects);
        t.trackLength = TrackLengthFromAiLine(t.aiLine, t.worldSize);
    } else {
        // The records block cannot start inside the design sections.
        if (t.recordsOffset < r.pos)
            return kTrackMalformed;
        int result = ReadGameSections(data, size, t);
        if (result != kTrackOk)
            return result;
    }
    out = std::move(t);
    return kTrackOk;
}

int ReadTrackFile(const char* path, TrackReadMode mode, TrackFile& out)
{
    std::vector<uint8_t> bytes;
    // Even a track packed with objects and runs stays far below this size.
    if (!ReadWholeFile(path, bytes, 64u << 20))
        return kTrackCantOpen;
    return ReadTrackBytes(bytes.data(), bytes.size(), mode, out);
}

uint32_t TrackLengthFromAiLine(const std::vector<TrackPoint>& line, int worldSize)
{
    if (line.size() < 2 || worldSize <= 0)
        return 0;
    double length = 0;
    for (size_t i = 0; i < line.size(); i++) {
        const TrackPoint& a = line[i];
        const TrackPoint& b = line[(i + 1) % line.size()];
        double dx = (static_cast<double>(b.x) - a.x) * 0.5;
        double dy = (static_cast<double>(b.y) - a.y) * 0.5;
        length += std::sqrt(dx * dx + dy * dy);
    }
    return static_cast<uint32_t>(length / (512.0 / worldSize));
}

bool TrackIdentity(const uint8_t* data, size_t size, uint32_t sums[4])
{
    for (int i = 0; i < 4; i++)
        sums[i] = 0;
    ByteReader r = MakeReader(data, size);
    int version = 0;
    if (!ReadVersion(r, version) || version > kTrackVersionNewest || version < kTrackVersionOldest)
        return false;
    uint32_t recordsOffset = ReadU32(r);
    size_t lengthBack = version >= 258 ? 4 : 2;
    if (r.failed || recordsOffset < lengthBack || recordsOffset > size)
        return false;
    StartTrackSums(sums);
    AddTrackSums(sums, data, recordsOffset - lengthBack, 0);
    return true;
}
