// What the game keeps at the end of a track file: the best-lap records, the
// ghost lap of a time trial and the checksum trailer, and the write-back of
// all three into an existing file.
#include <cmath>
#include <cstring>
#include <ctime>

#include "trackfile/trackfile.h"

namespace {

constexpr size_t kNameSize = 13;
const uint8_t kTrailerMarker[4] = {0x56, 0x44, 0x00, 0x00};

int32_t RoundScaled(float value, float scale, double low, double high)
{
    double v = std::trunc(static_cast<double>(value) * scale + 0.5);
    if (!(v >= low))  // also catches NaN
        v = low;
    if (v > high)
        v = high;
    return static_cast<int32_t>(v);
}

}  // namespace

void StartTrackSums(uint32_t sums[4])
{
    for (int i = 0; i < 4; i++)
        sums[i] = 1;
}

void AddTrackSums(uint32_t sums[4], const uint8_t* data, size_t size, size_t start)
{
    for (size_t k = 0; k < size; k++) {
        size_t i = start + k;
        sums[i & 3] += (static_cast<uint32_t>(data[k]) + 1) * static_cast<uint32_t>(i + 1);
    }
}

void ClearTrackRecords(TrackRecords& records)
{
    for (TrackRecord& e : records.entry) {
        e = TrackRecord();
        e.time = kEmptyLapTime;
    }
}

void ReadTrackRecords(ByteReader& r, TrackRecords& records)
{
    ClearTrackRecords(records);
    if (!ReaderHas(r, kTrackRecordsSize)) {
        r.failed = true;
        return;
    }
    for (TrackRecord& e : records.entry)
        e.time = ReadU16(r);
    for (TrackRecord& e : records.entry)
        ReadBytes(r, e.name, kNameSize);
    for (TrackRecord& e : records.entry)
        ReadCarDefinition(r, e.car);
    for (TrackRecord& e : records.entry)
        for (uint16_t& d : e.date)
            d = ReadU16(r);
}

void WriteTrackRecordsBlock(ByteWriter& w, const TrackRecords& records)
{
    for (const TrackRecord& e : records.entry)
        WriteU16(w, e.time);
    for (const TrackRecord& e : records.entry)
        WriteBytes(w, e.name, kNameSize);
    for (const TrackRecord& e : records.entry)
        WriteCarDefinition(w, e.car);
    for (const TrackRecord& e : records.entry)
        for (uint16_t d : e.date)
            WriteU16(w, d);
}

int InsertTrackRecord(TrackRecords& records, uint16_t time, const char* name, const CarDefinition& car,
                      const uint16_t date[8])
{
    const int last = kTrackRecordCount - 1;
    if (time >= records.entry[last].time)
        return -1;
    // Entries greater than the new time move down; equal times stay ahead.
    int place = last;
    while (place > 0 && records.entry[place - 1].time > time) {
        records.entry[place] = records.entry[place - 1];
        place--;
    }
    TrackRecord& e = records.entry[place];
    e.time = time;
    std::memset(e.name, 0, sizeof e.name);
    if (name)
        std::strncpy(e.name, name, kNameSize);
    e.car = car;
    std::memcpy(e.date, date, sizeof e.date);
    return place;
}

bool ReadGhostLap(ByteReader& r, GhostLap& ghost)
{
    ghost = GhostLap();
    uint16_t frames = ReadU16(r);
    if (r.failed || frames == 0 || frames > kMaxGhostFrames)
        return false;
    size_t count = (frames + 1u) / 2;
    if (!ReaderHas(r, count * kGhostSampleSize))
        return false;
    ghost.frameCount = frames;
    ghost.samples.resize(count);
    for (GhostSample& s : ghost.samples) {
        for (int32_t& p : s.pos)
            p = ReadI32(r);
        for (int8_t& a : s.axes)
            a = ReadI8(r);
        ReadU16(r);
    }
    return true;
}

bool WriteGhostLap(ByteWriter& w, const GhostLap& ghost)
{
    if (ghost.frameCount == 0 || ghost.frameCount > kMaxGhostFrames || ghost.samples.empty())
        return false;
    WriteU16(w, ghost.frameCount);
    size_t count = ghost.frameCount / 2u + 1;
    for (size_t k = 0; k < count; k++) {
        const GhostSample& s = ghost.samples[k < ghost.samples.size() ? k : ghost.samples.size() - 1];
        for (int32_t p : s.pos)
            WriteI32(w, p);
        for (int8_t a : s.axes)
            WriteI8(w, a);
        WriteU16(w, 0);
    }
    return true;
}

GhostSample EncodeGhostSample(Vec3 pos, Vec3 side, Vec3 forward)
{
    GhostSample s;
    const float p[3] = {pos.x, pos.y, pos.z}, a[3] = {side.x, side.y, side.z}, f[3] = {forward.x, forward.y, forward.z};
    for (int i = 0; i < 3; i++) {
        s.pos[i] = RoundScaled(p[i], 150.0f, -2147483648.0, 2147483647.0);
        s.axes[i] = static_cast<int8_t>(RoundScaled(a[i], 120.0f, -128, 127));
        s.axes[3 + i] = static_cast<int8_t>(RoundScaled(f[i], 120.0f, -128, 127));
    }
    return s;
}

int ReadTrackGhost(const char* path, uint8_t& worldSize, GhostLap& ghost)
{
    ghost = GhostLap();
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, 64u << 20))
        return kTrackCantOpen;
    ByteReader r = MakeReader(bytes);
    if (!(bytes.size() >= 4 && bytes[2] == 'D' && bytes[3] == 'W'))
        ReaderSeek(r, 0);
    else
        ReaderSkip(r, 4);
    uint32_t recordsOffset = ReadU32(r);
    uint8_t size = ReadU8(r);
    if (r.failed || static_cast<uint64_t>(recordsOffset) + kTrackRecordsSize > bytes.size())
        return kTrackMalformed;
    ReaderSeek(r, recordsOffset + kTrackRecordsSize);
    if (!ReadGhostLap(r, ghost))
        return kTrackMalformed;
    worldSize = size;
    return kTrackOk;
}

bool TrackHasTrailer(const std::vector<uint8_t>& file, size_t recordsEnd)
{
    if (file.size() < recordsEnd + kTrailerSize)
        return false;
    return std::memcmp(file.data() + file.size() - kTrailerSize, kTrailerMarker, 4) == 0;
}

void UpdateTrackTrailer(std::vector<uint8_t>& file, size_t recordsEnd)
{
    if (!TrackHasTrailer(file, recordsEnd)) {
        file.insert(file.end(), kTrailerMarker, kTrailerMarker + 4);
        file.resize(file.size() + 16);
    }
    // Every byte before the checksum field counts, the marker included.
    size_t covered = file.size() - 16;
    uint32_t sums[4];
    StartTrackSums(sums);
    AddTrackSums(sums, file.data(), covered, 0);
    for (int i = 0; i < 4; i++)
        for (int b = 0; b < 4; b++)
            file[covered + 4 * i + b] = static_cast<uint8_t>(sums[i] >> (8 * b));
}

int ApplyTrackRecords(std::vector<uint8_t>& file, const TrackRecords& records, const GhostLap* ghost)
{
    // Only a file that reads as a track is touched: its records offset is
    // then known to lie after the design sections and inside the file.
    TrackFile t;
    int result = ReadTrackBytes(file.data(), file.size(), TrackReadGame, t);
    if (result != kTrackOk)
        return result;
    ByteWriter block;
    WriteTrackRecordsBlock(block, records);
    size_t recordsEnd = t.recordsOffset + kTrackRecordsSize;
    std::memcpy(file.data() + t.recordsOffset, block.bytes.data(), kTrackRecordsSize);

    ByteWriter lap;
    if (ghost && WriteGhostLap(lap, *ghost)) {
        // The new lap replaces the old one and the trailer behind it.
        file.resize(recordsEnd);
        file.insert(file.end(), lap.bytes.begin(), lap.bytes.end());
    }
    UpdateTrackTrailer(file, recordsEnd);
    return kTrackOk;
}

int WriteTrackRecords(const char* path, const TrackRecords& records, const GhostLap* ghost)
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, file, 64u << 20))
        return kTrackCantOpen;
    int result = ApplyTrackRecords(file, records, ghost);
    if (result != kTrackOk)
        return result;
    return WriteFileReplacing(path, file.data(), file.size()) ? kTrackOk : kTrackCantOpen;
}

int ResetTrackRecords(const char* path)
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, file, 64u << 20))
        return kTrackCantOpen;
    TrackFile t;
    int result = ReadTrackBytes(file.data(), file.size(), TrackReadGame, t);
    if (result != kTrackOk)
        return result;
    TrackRecords empty;
    ClearTrackRecords(empty);
    ByteWriter block;
    WriteTrackRecordsBlock(block, empty);
    // Nothing may stay behind the block: a ghost of a lap no longer in the
    // table would come back on the next load, and an old trailer would no
    // longer match the bytes before it.
    file.resize(t.recordsOffset);
    file.insert(file.end(), block.bytes.begin(), block.bytes.end());
    return WriteFileReplacing(path, file.data(), file.size()) ? kTrackOk : kTrackCantOpen;
}
