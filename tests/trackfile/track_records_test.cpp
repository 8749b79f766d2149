// The game's part of a track file: best laps, ghost lap, checksum trailer
// and the write-back into the file the editor saved.
#include "trackfile/trackfile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> EditorFile()
{
    TrackFile t;
    InitTrackFile(t);
    t.aiLine = {{0, 0}, {400, 0}, {400, 400}};
    t.author = "Someone";
    ByteWriter w;
    EXPECT_TRUE(WriteTrackBytes(t, w));
    return w.bytes;
}

TrackFile Parse(const std::vector<uint8_t>& bytes)
{
    TrackFile t;
    EXPECT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, t), kTrackOk);
    return t;
}

// Checksums computed the slow, obvious way over a whole buffer.
void ReferenceSums(const std::vector<uint8_t>& b, size_t n, uint32_t out[4])
{
    uint64_t s[4] = {1, 1, 1, 1};
    for (size_t i = 0; i < n; i++)
        s[i % 4] = (s[i % 4] + static_cast<uint64_t>(b[i] + 1) * (i + 1)) % 4294967296ull;
    for (int k = 0; k < 4; k++)
        out[k] = static_cast<uint32_t>(s[k]);
}

GhostLap MakeGhost(uint16_t frames)
{
    GhostLap g;
    g.frameCount = frames;
    for (int k = 0; k <= frames / 2; k++) {
        Vec3 pos = {k * 0.5f, 1.0f, -k * 0.25f};
        Vec3 side = {1, 0, 0};
        Vec3 forward = {0, 0, -1};
        g.samples.push_back(EncodeGhostSample(pos, side, forward));
    }
    return g;
}

CarDefinition NamedCar(const char* name)
{
    CarDefinition car = {};
    std::strncpy(car.name, name, sizeof car.name - 1);
    car.mass = 432.5f;
    car.vertexCount = 3;
    car.vertices[2].y = -0.75f;
    return car;
}

}  // namespace

TEST(TrackRecords, BlockRoundTripsEveryFieldAndKeepsItsSize)
{
    TrackRecords r;
    ClearTrackRecords(r);
    r.entry[0].time = 4321;
    std::strcpy(r.entry[0].name, "ThirteenChars");
    r.entry[0].car = NamedCar("Buggy");
    for (int i = 0; i < 8; i++)
        r.entry[6].date[i] = static_cast<uint16_t>(2000 + i);
    ByteWriter w;
    WriteTrackRecordsBlock(w, r);
    ASSERT_EQ(w.bytes.size(), kTrackRecordsSize);
    EXPECT_EQ(w.bytes[0] | (w.bytes[1] << 8), 4321);
    EXPECT_EQ(w.bytes[2] | (w.bytes[3] << 8), 6000);
    EXPECT_EQ(std::memcmp(&w.bytes[14], "ThirteenChars", 13), 0);
    EXPECT_EQ(w.bytes[27], 0);                   // the second name starts right after 13 bytes
    EXPECT_EQ(std::memcmp(&w.bytes[105], "Buggy", 6), 0);
    EXPECT_EQ(w.bytes[9513 + 6 * 16], 2000 & 0xFF);

    ByteReader rd = MakeReader(w.bytes);
    TrackRecords back;
    ReadTrackRecords(rd, back);
    ASSERT_FALSE(rd.failed);
    EXPECT_STREQ(back.entry[0].name, "ThirteenChars");
    EXPECT_STREQ(back.entry[0].car.name, "Buggy");
    EXPECT_EQ(back.entry[0].car.mass, 432.5f);
    EXPECT_EQ(back.entry[0].car.vertices[2].y, -0.75f);
    EXPECT_EQ(back.entry[6].date[7], 2007);
    EXPECT_EQ(back.entry[1].time, kEmptyLapTime);

    ByteReader shortRead = MakeReader(w.bytes.data(), kTrackRecordsSize - 1);
    ReadTrackRecords(shortRead, back);
    EXPECT_TRUE(shortRead.failed);
}

TEST(TrackRecords, InsertionKeepsOrderTiesAfterAndDropsTheSeventh)
{
    TrackRecords r;
    ClearTrackRecords(r);
    const uint16_t date[8] = {2026, 12, 2, 8, 17, 0, 0, 0};
    CarDefinition car = NamedCar("Car");
    for (uint16_t t : {3000, 2000, 4000, 2500, 3500, 4500, 5000})
        EXPECT_GE(InsertTrackRecord(r, t, "A", car, date), 0);
    EXPECT_EQ(InsertTrackRecord(r, 5000, "late", car, date), -1);  // not below the seventh
    EXPECT_EQ(InsertTrackRecord(r, 6000, "cap", car, date), -1);
    EXPECT_EQ(InsertTrackRecord(r, 3000, "tie", car, date), 3);      // after the existing 3000
    const uint16_t expected[7] = {2000, 2500, 3000, 3000, 3500, 4000, 4500};
    for (int i = 0; i < 7; i++)
        EXPECT_EQ(r.entry[i].time, expected[i]) << i;
    EXPECT_STREQ(r.entry[3].name, "tie");
    EXPECT_STREQ(r.entry[2].name, "A");
    EXPECT_EQ(InsertTrackRecord(r, 100, "A driver name too long", car, date), 0);
    EXPECT_EQ(std::strlen(r.entry[0].name), 13u);  // cut to the stored 13 bytes
    EXPECT_EQ(r.entry[0].date[0], 2026);
}

TEST(TrackRecords, GhostLapStoredFormAndItsLimits)
{
    GhostLap g = MakeGhost(7);
    ASSERT_EQ(g.samples.size(), 4u);
    EXPECT_EQ(g.samples[1].pos[0], 75);   // 0.5 × 150
    EXPECT_EQ(g.samples[1].pos[2], -37);  // −37.5 + 0.5, truncated toward zero
    EXPECT_EQ(g.samples[0].axes[0], 120);
    EXPECT_EQ(g.samples[0].axes[5], -119);
    ByteWriter w;
    ASSERT_TRUE(WriteGhostLap(w, g));
    EXPECT_EQ(w.bytes.size(), 2 + 4 * kGhostSampleSize);  // 7 / 2 + 1 samples written
    ByteReader r = MakeReader(w.bytes);
    GhostLap back;
    ASSERT_TRUE(ReadGhostLap(r, back));
    EXPECT_EQ(back.samples.size(), 4u);  // (7 + 1) / 2 read
    EXPECT_EQ(back.samples[3].pos[0], g.samples[3].pos[0]);

    // An even count writes one sample more than readers take back; writing a
    // lap read back repeats its last sample.
    GhostLap even = MakeGhost(6);
    even.samples.resize(3);
    w = ByteWriter();
    ASSERT_TRUE(WriteGhostLap(w, even));
    EXPECT_EQ(w.bytes.size(), 2 + 4 * kGhostSampleSize);
    EXPECT_EQ(std::memcmp(&w.bytes[2 + 2 * kGhostSampleSize], &w.bytes[2 + 3 * kGhostSampleSize], 20), 0);

    // Too many frames, no frames, or samples missing: no ghost.
    for (uint16_t frames : {6001, 0xFFFF, 0}) {
        std::vector<uint8_t> b(2 + 4000 * kGhostSampleSize, 0);
        b[0] = frames & 0xFF;
        b[1] = frames >> 8;
        ByteReader rb = MakeReader(b);
        EXPECT_FALSE(ReadGhostLap(rb, back)) << frames;
    }
    std::vector<uint8_t> cut(w.bytes.begin(), w.bytes.end() - 21);
    cut[0] = 6;
    ByteReader rc = MakeReader(cut);
    EXPECT_FALSE(ReadGhostLap(rc, back));
    EXPECT_TRUE(back.samples.empty());
    EXPECT_FALSE(WriteGhostLap(w, GhostLap()));
}

TEST(TrackRecords, WriteBackAddsGhostAndTrailerWithoutChangingIdentity)
{
    std::vector<uint8_t> file = EditorFile();
    TrackFile saved = Parse(file);
    EXPECT_FALSE(saved.hasGhost);
    EXPECT_FALSE(saved.hasTrailer);
    size_t recordsEnd = saved.recordsOffset + kTrackRecordsSize;
    ASSERT_EQ(file.size(), recordsEnd);

    TrackRecords records = saved.records;
    const uint16_t date[8] = {2026, 12, 2, 8, 17, 5, 6, 7};
    InsertTrackRecord(records, 4567, "Driver", NamedCar("Racer"), date);
    GhostLap ghost = MakeGhost(456);
    ASSERT_EQ(ApplyTrackRecords(file, records, &ghost), kTrackOk);
    size_t ghostSize = 2 + (456 / 2 + 1) * kGhostSampleSize;
    ASSERT_EQ(file.size(), recordsEnd + ghostSize + kTrailerSize);

    TrackFile after = Parse(file);
    EXPECT_EQ(after.records.entry[0].time, 4567);
    EXPECT_STREQ(after.records.entry[0].car.name, "Racer");
    ASSERT_TRUE(after.hasGhost);
    EXPECT_EQ(after.ghost.frameCount, 456);
    EXPECT_EQ(after.ghost.samples[100].pos[0], ghost.samples[100].pos[0]);
    ASSERT_TRUE(after.hasTrailer);
    EXPECT_TRUE(after.trailerMatches);
    uint32_t ref[4];
    ReferenceSums(file, file.size() - 16, ref);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(after.trailerSums[i], ref[i]);
    EXPECT_EQ(file[file.size() - 20], 0x56);
    EXPECT_EQ(file[file.size() - 19], 0x44);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(after.identity[i], saved.identity[i]);
        EXPECT_EQ(after.bodySums[i], saved.bodySums[i]);
    }
    EXPECT_EQ(after.author, "Someone");

    // A multi-car race: records only; the trailer is rewritten in place.
    InsertTrackRecord(records, 4000, "Other", NamedCar("Racer"), date);
    size_t before = file.size();
    ASSERT_EQ(ApplyTrackRecords(file, records, nullptr), kTrackOk);
    EXPECT_EQ(file.size(), before);
    after = Parse(file);
    EXPECT_TRUE(after.trailerMatches);
    EXPECT_TRUE(after.hasGhost);
    EXPECT_EQ(after.records.entry[1].time, 4567);

    // A shorter ghost replaces the longer one and nothing of it is left behind.
    GhostLap shorter = MakeGhost(11);
    ASSERT_EQ(ApplyTrackRecords(file, records, &shorter), kTrackOk);
    EXPECT_EQ(file.size(), recordsEnd + 2 + 6 * kGhostSampleSize + kTrailerSize);
    after = Parse(file);
    EXPECT_EQ(after.ghost.frameCount, 11);
    EXPECT_TRUE(after.trailerMatches);

    // A damaged trailer is detected.
    file[recordsEnd + 5] ^= 1;
    EXPECT_FALSE(Parse(file).trailerMatches);
}

TEST(TrackRecords, BodySumsContinueIntoTheTrailerSums)
{
    std::vector<uint8_t> file = EditorFile();
    TrackRecords records;
    ClearTrackRecords(records);
    ASSERT_EQ(ApplyTrackRecords(file, records, nullptr), kTrackOk);
    TrackFile t = Parse(file);
    ASSERT_TRUE(t.hasTrailer);
    // The game continues the body sums over the records block and the marker.
    uint32_t sums[4];
    std::memcpy(sums, t.bodySums, sizeof sums);
    AddTrackSums(sums, file.data() + t.recordsOffset, file.size() - 16 - t.recordsOffset, t.recordsOffset);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(sums[i], t.trailerSums[i]);
    uint32_t ref[4];
    ReferenceSums(file, t.recordsOffset - 4, ref);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(t.identity[i], ref[i]);
}

TEST(TrackRecords, ResetAndWriteBackOnDisk)
{
    std::string path = std::string(DW_BINARY_DIR) + "/trackrecords_test_" + std::to_string(getpid()) + ".trk";
    std::vector<uint8_t> file = EditorFile();
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), file.data(), file.size()));
    TrackRecords records;
    ClearTrackRecords(records);
    const uint16_t date[8] = {2026, 1, 1, 1, 0, 0, 0, 0};
    InsertTrackRecord(records, 3333, "Solo", NamedCar("Kart"), date);
    GhostLap ghost = MakeGhost(20);
    ASSERT_EQ(WriteTrackRecords(path.c_str(), records, &ghost), kTrackOk);
    TrackFile t;
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, t), kTrackOk);
    EXPECT_EQ(t.records.entry[0].time, 3333);
    EXPECT_TRUE(t.hasGhost);
    EXPECT_TRUE(t.trailerMatches);

    // The reset empties the table and leaves neither ghost nor trailer.
    ASSERT_EQ(ResetTrackRecords(path.c_str()), kTrackOk);
    std::vector<uint8_t> after;
    ASSERT_TRUE(ReadWholeFile(path.c_str(), after));
    EXPECT_EQ(after, file);  // byte for byte what the editor saved
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, t), kTrackOk);
    EXPECT_FALSE(t.hasGhost);
    EXPECT_FALSE(t.hasTrailer);
    std::remove(path.c_str());

    EXPECT_EQ(WriteTrackRecords(path.c_str(), records, nullptr), kTrackCantOpen);
    EXPECT_EQ(ResetTrackRecords(path.c_str()), kTrackCantOpen);
    // A file that is not a track is left alone.
    std::vector<uint8_t> junk(100, 0xFF);
    EXPECT_EQ(ApplyTrackRecords(junk, records, nullptr), kTrackMalformed);
    EXPECT_EQ(junk, std::vector<uint8_t>(100, 0xFF));
}

TEST(TrackRecords, EditorImportFindsTheGhostOfAnotherTrack)
{
    std::string path = std::string(DW_BINARY_DIR) + "/trackghost_test_" + std::to_string(getpid()) + ".trk";
    std::vector<uint8_t> file = EditorFile();
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), file.data(), file.size()));
    uint8_t worldSize = 0;
    GhostLap g;
    EXPECT_EQ(ReadTrackGhost(path.c_str(), worldSize, g), kTrackMalformed);  // none stored yet
    TrackRecords records;
    ClearTrackRecords(records);
    GhostLap ghost = MakeGhost(9);
    ASSERT_EQ(WriteTrackRecords(path.c_str(), records, &ghost), kTrackOk);
    ASSERT_EQ(ReadTrackGhost(path.c_str(), worldSize, g), kTrackOk);
    EXPECT_EQ(worldSize, 120);
    EXPECT_EQ(g.frameCount, 9);
    EXPECT_EQ(g.samples.size(), 5u);
    std::remove(path.c_str());
    EXPECT_EQ(ReadTrackGhost(path.c_str(), worldSize, g), kTrackCantOpen);
}
