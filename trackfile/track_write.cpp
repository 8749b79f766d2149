// Writing a track file as the editor saves it: version 288, the design
// sections, the author block, the track length and an empty records block.
#include <cmath>

#include "trackfile/trackfile.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void WriteLine(ByteWriter& w, const TrackLine& l)
{
    WriteU16(w, l.x1);
    WriteU16(w, l.y1);
    WriteU16(w, l.x2);
    WriteU16(w, l.y2);
}

void WritePoint(ByteWriter& w, const TrackPoint& p)
{
    WriteU16(w, p.x);
    WriteU16(w, p.y);
}

// One stream over the whole map: a new run starts when the code changes or
// the run has reached 4095 cells.
uint32_t WriteLand(ByteWriter& w, const std::vector<uint8_t>& land)
{
    uint32_t runs = 0;
    uint8_t code = land[0] & 0x0F;
    uint32_t length = 0;
    for (int i = 0; i < kLandCells; i++) {
        uint8_t c = land[i] & 0x0F;
        if (c == code && length < kMaxLandRun) {
            length++;
            continue;
        }
        WriteU16(w, static_cast<uint16_t>((length << 4) | code));
        runs++;
        code = c;
        length = 1;
    }
    WriteU16(w, static_cast<uint16_t>((length << 4) | code));
    return runs + 1;
}

}  // namespace

int16_t StoreTrackAngle(double radians)
{
    if (!std::isfinite(radians))
        return 0;
    // The same direction within −π … π, so that the value fits 16 bits.
    double a = std::remainder(radians, 2 * kPi);
    double v = a * 10000.0;
    // An angle read back from the file (stored / 10000), even one kept in a
    // float meanwhile, may come out a hair short of its integer; the nudge
    // (well below a float's precision at π) keeps re-saving exact.
    v += v >= 0 ? 0.002 : -0.002;
    v = std::trunc(v);
    if (v > 32767)
        v = 32767;
    if (v < -32768)
        v = -32768;
    return static_cast<int16_t>(v);
}

void InitTrackFile(TrackFile& t)
{
    t = TrackFile();
    t.worldSize = 120;
    t.waterLevel = 50;
    t.viewAngle = 60;
    t.land.assign(kLandCells, 2);
    t.heights.assign(kHeightCells, 128);
    for (int k = 0; k < kStartPositions; k++)
        t.objects.push_back(DefaultStartPosition(k));
    ClearTrackRecords(t.records);
}

bool WriteTrackBytes(const TrackFile& t, ByteWriter& w)
{
    return WriteTrackBytes(t, w, TrackLengthFromAiLine(t.aiLine, t.worldSize));
}

bool WriteTrackBytes(const TrackFile& t, ByteWriter& w, uint32_t trackLength)
{
    if (t.land.size() != static_cast<size_t>(kLandCells) || t.heights.size() != static_cast<size_t>(kHeightCells))
        return false;
    if (t.objects.size() > 65535 || t.pitCrews.size() > 255 || t.checkpoints.size() > 255 ||
        t.limiters.size() > 255 || t.aiLine.size() > 65535 || t.pitLine.size() > 255)
        return false;

    size_t start = w.bytes.size();
    WriteU16(w, kTrackVersionEditor);
    WriteU8(w, 'D');
    WriteU8(w, 'W');
    size_t offsetField = w.bytes.size();
    WriteU32(w, 0);  // records offset, patched below
    WriteU8(w, t.worldSize);
    WriteU8(w, t.waterLevel);
    WriteI16(w, t.viewAngle);
    WriteI16(w, t.rotation);
    WriteU8(w, t.zoom);
    WriteU8(w, t.sfLine);
    size_t runField = w.bytes.size();
    WriteU32(w, 0);  // run count, patched below
    WriterPatchU32(w, runField, WriteLand(w, t.land));

    WriteU16(w, kHeightCells);
    WriteBytes(w, t.heights.data(), kHeightCells);

    WriteU16(w, static_cast<uint16_t>(t.objects.size()));
    for (const TrackObject& o : t.objects) {
        WriteU8(w, o.type);
        WriteU8(w, 0);
        WriteU16(w, o.x);
        WriteU16(w, o.y);
        WriteI16(w, StoreTrackAngle(o.angle));
    }
    WriteU8(w, static_cast<uint8_t>(t.pitCrews.size()));
    for (const TrackPitCrew& p : t.pitCrews) {
        WriteU16(w, p.x);
        WriteU16(w, p.y);
        WriteI16(w, StoreTrackAngle(p.angle));
    }
    WriteU8(w, static_cast<uint8_t>(t.checkpoints.size()));
    for (const TrackLine& l : t.checkpoints)
        WriteLine(w, l);
    WriteU8(w, static_cast<uint8_t>(t.limiters.size()));
    for (const TrackLine& l : t.limiters)
        WriteLine(w, l);
    WriteU16(w, static_cast<uint16_t>(t.aiLine.size()));
    for (const TrackPoint& p : t.aiLine)
        WritePoint(w, p);
    WriteU8(w, static_cast<uint8_t>(t.pitLine.size()));
    for (const TrackPoint& p : t.pitLine)
        WritePoint(w, p);

    WriteU16(w, 0xFFFF);
    WriteFixedString(w, t.author, 30);
    WriteFixedString(w, t.comments, 500);
    WriteU16(w, 0xFFFF);
    WriteU32(w, trackLength);

    WriterPatchU32(w, offsetField, static_cast<uint32_t>(w.bytes.size() - start));
    TrackRecords empty;
    ClearTrackRecords(empty);
    WriteTrackRecordsBlock(w, empty);
    return true;
}

bool WriteTrackFile(const char* path, const TrackFile& t)
{
    return WriteTrackFile(path, t, TrackLengthFromAiLine(t.aiLine, t.worldSize));
}

bool WriteTrackFile(const char* path, const TrackFile& t, uint32_t trackLength)
{
    ByteWriter w;
    if (!WriteTrackBytes(t, w, trackLength))
        return false;
    return WriteFileReplacing(path, w.bytes.data(), w.bytes.size());
}
