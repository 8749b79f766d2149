// Track files: old versions made by hand byte by byte, the editor's version
// written and read back, and damaged files.
#include "trackfile/trackfile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// What a hand-made old-version file holds.
struct OldTrack {
    int version;
    std::vector<uint16_t> runs;
    std::vector<uint8_t> object;  // one object record, 8 bytes
    bool authorBlock = true;
    uint32_t trackLength = 777;
};

// Writes a file of the given old version exactly as the layout table says:
// no prefix at 256, the narrow counts before 258 and 259, no view bytes
// before 261, no limiters before 288.
std::vector<uint8_t> MakeOldTrack(const OldTrack& o)
{
    ByteWriter w;
    if (o.version > 256) {
        WriteU16(w, static_cast<uint16_t>(o.version));
        WriteU8(w, 'D');
        WriteU8(w, 'W');
    }
    size_t offsetField = w.bytes.size();
    WriteU32(w, 0);
    WriteU8(w, 80);   // world size
    WriteU8(w, 12);   // water level
    WriteI16(w, 60);  // view angle
    WriteI16(w, -30); // rotation
    if (o.version >= 261) {
        WriteU8(w, 90);
        WriteU8(w, 0);
    }
    if (o.version >= 259)
        WriteU32(w, static_cast<uint32_t>(o.runs.size()));
    else
        WriteU16(w, static_cast<uint16_t>(o.runs.size()));
    for (uint16_t run : o.runs)
        WriteU16(w, run);
    WriteU16(w, 4096);
    for (int i = 0; i < 4096; i++)
        WriteU8(w, static_cast<uint8_t>(i * 7));
    if (o.version >= 258)
        WriteU16(w, 1);
    else
        WriteU8(w, 1);
    WriteBytes(w, o.object.data(), o.object.size());
    WriteU8(w, 1);  // one pit crew
    WriteU16(w, 300);
    WriteU16(w, 400);
    WriteI16(w, -15000);
    WriteU8(w, 2);  // two checkpoints
    for (uint16_t v : {10, 20, 30, 40, 50, 60, 70, 80})
        WriteU16(w, v);
    if (o.version >= 288) {
        WriteU8(w, 1);
        for (uint16_t v : {1, 2, 3, 4})
            WriteU16(w, v);
    }
    if (o.version >= 258)
        WriteU16(w, 3);
    else
        WriteU8(w, 3);
    for (uint16_t v : {100, 100, 900, 100, 500, 900})
        WriteU16(w, v);
    WriteU8(w, 2);
    for (uint16_t v : {110, 120, 130, 140})
        WriteU16(w, v);
    if (o.authorBlock) {
        WriteU16(w, 0xFFFF);
        WriteFixedString(w, "Hand Maker", 30);
        WriteFixedString(w, "Made byte by byte.", 500);
        WriteU16(w, 0xFFFF);
    }
    if (o.version >= 258)
        WriteU32(w, o.trackLength);
    else
        WriteU16(w, static_cast<uint16_t>(o.trackLength));
    WriterPatchU32(w, offsetField, static_cast<uint32_t>(w.bytes.size()));
    TrackRecords records;
    ClearTrackRecords(records);
    WriteTrackRecordsBlock(w, records);
    return w.bytes;
}

const std::vector<uint8_t> kTreeObject = {5, 0, 0x00, 0x04, 0x02, 0x00, 0x10, 0x27};  // Leaf tree, x 1024, y 2, angle 1.0

// A design that uses every section, for round trips.
TrackFile BusyTrack()
{
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 120;
    t.waterLevel = 40;
    t.viewAngle = 70;
    t.rotation = -120;
    t.zoom = 150;
    t.sfLine = 0;
    for (int i = 0; i < kLandCells; i++)
        t.land[i] = static_cast<uint8_t>((i / 1000) % 13);
    for (int i = 0; i < kHeightCells; i++)
        t.heights[i] = static_cast<uint8_t>(i);
    t.objects[2].angle = 1.25;
    t.objects.push_back({29, 1000, 24, -0.5});
    t.objects.push_back({36, 0, 1024, 3.0});
    t.pitCrews.push_back({200, 300, 0.75});
    t.checkpoints.push_back({1, 2, 3, 4});
    t.checkpoints.push_back({5, 6, 7, 8});
    t.limiters.push_back({9, 10, 11, 12});
    t.limiters.push_back({13, 14, 15, 16});
    t.aiLine = {{0, 0}, {600, 0}, {600, 800}};
    t.pitLine = {{10, 10}, {20, 30}};
    t.author = "Test Author";
    t.comments = "Line one\nLine two";
    return t;
}

std::vector<uint8_t> Save(const TrackFile& t)
{
    ByteWriter w;
    EXPECT_TRUE(WriteTrackBytes(t, w));
    return w.bytes;
}

std::string TempPath(const char* name) { return std::string(DW_BINARY_DIR) + "/trackfile_test_" + std::to_string(getpid()) + "_" + name; }

}  // namespace

TEST(TrackFileOldVersions, EveryFieldOfHandMadeFilesLandsInBothReaders)
{
    for (int version : {256, 258, 259, 261, 288}) {
        SCOPED_TRACE(version);
        OldTrack o;
        o.version = version;
        // 100 cells of code 4, a skipped zero-length word, then 200 of code 11.
        o.runs = {(100 << 4) | 4, (0 << 4) | 7, (200 << 4) | 11};
        o.object = kTreeObject;
        std::vector<uint8_t> bytes = MakeOldTrack(o);

        TrackFile g;
        ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, g), kTrackOk);
        EXPECT_EQ(g.version, version);
        EXPECT_EQ(g.worldSize, 80);
        EXPECT_EQ(g.waterLevel, 12);
        EXPECT_EQ(g.viewAngle, 60);
        EXPECT_EQ(g.rotation, -30);
        EXPECT_EQ(g.zoom, version >= 261 ? 90 : 105);
        EXPECT_EQ(g.sfLine, version >= 261 ? 0 : 1);
        EXPECT_EQ(g.landRunCount, 3u);
        EXPECT_EQ(g.land[0], 4);
        EXPECT_EQ(g.land[99], 4);
        EXPECT_EQ(g.land[100], 11);
        EXPECT_EQ(g.land[299], 11);
        EXPECT_EQ(g.land[300], kLandNotStored);  // the stream ended early
        EXPECT_EQ(g.heights[4095], static_cast<uint8_t>(4095 * 7));
        ASSERT_EQ(g.objects.size(), 1u);  // the game does not repair the grid
        EXPECT_EQ(g.objects[0].type, 5);
        EXPECT_EQ(g.objects[0].x, 1024);
        EXPECT_EQ(g.objects[0].y, 2);
        EXPECT_DOUBLE_EQ(g.objects[0].angle, 1.0);
        ASSERT_EQ(g.pitCrews.size(), 1u);
        EXPECT_EQ(g.pitCrews[0].y, 400);
        EXPECT_DOUBLE_EQ(g.pitCrews[0].angle, -1.5);
        ASSERT_EQ(g.checkpoints.size(), 2u);
        EXPECT_EQ(g.checkpoints[1].x1, 50);
        EXPECT_EQ(g.checkpoints[1].y2, 80);
        EXPECT_EQ(g.limiters.size(), version >= 288 ? 1u : 0u);
        ASSERT_EQ(g.aiLine.size(), 3u);
        EXPECT_EQ(g.aiLine[2].y, 900);
        ASSERT_EQ(g.pitLine.size(), 2u);
        EXPECT_EQ(g.pitLine[1].x, 130);
        EXPECT_EQ(g.trackLength, 777u);  // read from the records offset, not recomputed
        EXPECT_EQ(g.author, "Hand Maker");
        EXPECT_EQ(g.comments, "Made byte by byte.");
        EXPECT_EQ(g.records.entry[6].time, kEmptyLapTime);
        EXPECT_FALSE(g.hasGhost);
        EXPECT_FALSE(g.hasTrailer);

        TrackFile e;
        ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, e), kTrackOk);
        EXPECT_EQ(e.zoom, g.zoom);
        EXPECT_EQ(e.author, "Hand Maker");
        EXPECT_EQ(e.comments, "Made byte by byte.");
        EXPECT_EQ(e.aiLine.size(), 3u);
        // The tree came first: six default starts are put in front of it.
        ASSERT_EQ(e.objects.size(), 7u);
        EXPECT_EQ(e.objects[6].type, 5);
        EXPECT_EQ(e.objects[0].x, 40);
        EXPECT_EQ(e.objects[0].y, 2 * (512 - 10));
        EXPECT_EQ(e.objects[5].y, 2 * (512 - 110));
    }
}

TEST(TrackFileOldVersions, NarrowFieldsSitWhereTheOldLayoutPutsThem)
{
    OldTrack o;
    o.version = 256;
    o.runs = {(4095 << 4) | 2};
    o.object = kTreeObject;
    std::vector<uint8_t> bytes = MakeOldTrack(o);
    // No prefix: the records offset is the first field and the 16-bit run
    // count sits at offset 10.
    EXPECT_EQ(bytes[10] | (bytes[11] << 8), 1);
    uint32_t offset = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (bytes[3] << 24);
    EXPECT_EQ(offset + kTrackRecordsSize, bytes.size());
    EXPECT_EQ(bytes[offset - 2] | (bytes[offset - 1] << 8), 777);
    // The identity leaves out the 16-bit track length of the old layout.
    uint32_t sums[4], expected[4] = {1, 1, 1, 1};
    ASSERT_TRUE(TrackIdentity(bytes.data(), bytes.size(), sums));
    for (size_t i = 0; i < offset - 2; i++)
        expected[i % 4] += (bytes[i] + 1u) * static_cast<uint32_t>(i + 1);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(sums[i], expected[i]);

    // Without an author block both readers leave author and comments empty.
    o.authorBlock = false;
    bytes = MakeOldTrack(o);
    TrackFile g, e;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, g), kTrackOk);
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, e), kTrackOk);
    EXPECT_EQ(g.author, "");
    EXPECT_EQ(e.author, "");
    EXPECT_EQ(g.trackLength, 777u);
}

TEST(TrackFileVersions, NewerVersionsAreRefusedByEachReaderAtItsOwnLimit)
{
    OldTrack o;
    o.version = 288;
    o.runs = {(10 << 4) | 1};
    o.object = kTreeObject;
    std::vector<uint8_t> bytes = MakeOldTrack(o);
    TrackFile t;
    bytes[0] = 292 & 0xFF;
    bytes[1] = 292 >> 8;
    EXPECT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, t), kTrackOk);  // read like 288
    EXPECT_EQ(t.limiters.size(), 1u);
    EXPECT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, t), kTrackTooNew);
    bytes[0] = 293 & 0xFF;
    EXPECT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, t), kTrackTooNew);
    uint32_t sums[4] = {9, 9, 9, 9};
    EXPECT_FALSE(TrackIdentity(bytes.data(), bytes.size(), sums));
    EXPECT_EQ(sums[0] | sums[1] | sums[2] | sums[3], 0u);
}

TEST(TrackFileWrite, EditorFileRoundTripsAndHasTheDocumentedLayout)
{
    TrackFile t = BusyTrack();
    std::vector<uint8_t> bytes = Save(t);
    TrackFile r;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, r), kTrackOk);

    EXPECT_EQ(r.version, 288);
    EXPECT_EQ(bytes[2], 'D');
    EXPECT_EQ(bytes[3], 'W');
    size_t expected = 568 + 2 * r.landRunCount + 4096 + 8 * t.objects.size() + 6 * t.pitCrews.size() +
                      8 * t.checkpoints.size() + 8 * t.limiters.size() + 4 * t.aiLine.size() + 4 * t.pitLine.size();
    EXPECT_EQ(r.recordsOffset, expected);
    EXPECT_EQ(bytes.size(), expected + kTrackRecordsSize);  // no ghost, no trailer
    EXPECT_EQ(r.land, t.land);
    EXPECT_EQ(r.heights, t.heights);
    EXPECT_EQ(r.worldSize, 120);
    EXPECT_EQ(r.waterLevel, 40);
    EXPECT_EQ(r.viewAngle, 70);
    EXPECT_EQ(r.rotation, -120);
    EXPECT_EQ(r.zoom, 150);
    EXPECT_EQ(r.sfLine, 0);
    ASSERT_EQ(r.objects.size(), t.objects.size());
    for (size_t i = 0; i < t.objects.size(); i++) {
        EXPECT_EQ(r.objects[i].type, t.objects[i].type);
        EXPECT_EQ(r.objects[i].x, t.objects[i].x);
        EXPECT_EQ(r.objects[i].y, t.objects[i].y);
        EXPECT_NEAR(r.objects[i].angle, t.objects[i].angle, 1e-4);
    }
    EXPECT_EQ(r.pitCrews[0].x, 200);
    EXPECT_NEAR(r.pitCrews[0].angle, 0.75, 1e-4);
    EXPECT_EQ(r.checkpoints[1].x2, 7);
    EXPECT_EQ(r.limiters[1].y2, 16);
    EXPECT_EQ(r.aiLine[2].y, 800);
    EXPECT_EQ(r.pitLine[1].y, 30);
    EXPECT_EQ(r.author, "Test Author");
    EXPECT_EQ(r.comments, "Line one\nLine two");
    // Triangle with sides 300, 400 and 500 pixels; 512 / 120 pixels per unit.
    EXPECT_EQ(r.trackLength, static_cast<uint32_t>(1200.0 / (512.0 / 120)));
    for (const TrackRecord& e : r.records.entry) {
        EXPECT_EQ(e.time, kEmptyLapTime);
        EXPECT_EQ(e.name[0], 0);
        EXPECT_EQ(e.date[0], 0);
    }
    EXPECT_FALSE(r.hasGhost);
    EXPECT_FALSE(r.hasTrailer);

    // A read-back file saves to the same bytes.
    TrackFile e;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, e), kTrackOk);
    EXPECT_EQ(Save(e), bytes);
}

TEST(TrackFileWrite, LandRunsNeverExceed4095Cells)
{
    TrackFile t;
    InitTrackFile(t);
    t.land.assign(kLandCells, 6);
    std::vector<uint8_t> bytes = Save(t);
    EXPECT_EQ(bytes[16] | (bytes[17] << 8), 65);
    for (int i = 0; i < 64; i++)
        EXPECT_EQ(bytes[20 + 2 * i] | (bytes[21 + 2 * i] << 8), (4095 << 4) | 6);
    EXPECT_EQ(bytes[20 + 128] | (bytes[21 + 128] << 8), (64 << 4) | 6);

    // A change of code ends a run even in mid-row; runs carry across rows.
    t.land[511] = 2;
    bytes = Save(t);
    EXPECT_EQ(bytes[20] | (bytes[21] << 8), (511 << 4) | 6);
    EXPECT_EQ(bytes[22] | (bytes[23] << 8), (1 << 4) | 2);
    EXPECT_EQ(bytes[24] | (bytes[25] << 8), (4095 << 4) | 6);
}

TEST(TrackFileWrite, AnglesAboveHalfATurnKeepTheirDirection)
{
    TrackFile t;
    InitTrackFile(t);
    const double turned = 200.0 * 3.14159265358979 / 180.0;  // 3.49 rad, beyond 16 bits × 10000
    t.objects.push_back({12, 500, 500, turned});
    t.pitCrews.push_back({100, 100, 2 * 3.14159265358979 - 0.1});
    std::vector<uint8_t> bytes = Save(t);
    TrackFile r;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, r), kTrackOk);
    double a = r.objects[6].angle;
    EXPECT_GE(a, -3.1416);
    EXPECT_LE(a, 3.1416);
    EXPECT_NEAR(std::cos(a), std::cos(turned), 1e-3);
    EXPECT_NEAR(std::sin(a), std::sin(turned), 1e-3);
    EXPECT_NEAR(r.pitCrews[0].angle, -0.1, 1e-3);

    EXPECT_EQ(StoreTrackAngle(1.23456), 12345);   // truncated toward zero
    EXPECT_EQ(StoreTrackAngle(-1.23456), -12345);
    // Every value read back stays exact, even after a trip through a float.
    int changed = 0;
    for (int k = -31415; k <= 31415; k++)
        changed += StoreTrackAngle(static_cast<float>(k / 10000.0)) != k;
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(StoreTrackAngle(NAN), 0);
}

TEST(TrackFileWrite, AuthorOfThirtyCharactersIsStoredWithoutTerminator)
{
    TrackFile t;
    InitTrackFile(t);
    t.author = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcd";
    t.comments = std::string(600, 'c');  // cut to 500
    std::vector<uint8_t> bytes = Save(t);
    TrackFile g, e;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, g), kTrackOk);
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, e), kTrackOk);
    EXPECT_EQ(g.author, t.author);
    EXPECT_EQ(e.author, t.author);
    EXPECT_EQ(g.comments, std::string(500, 'c'));
    EXPECT_EQ(e.comments, std::string(500, 'c'));
    // The 30th byte is immediately followed by the comments.
    EXPECT_EQ(bytes[g.recordsOffset - 507], 'd');
    EXPECT_EQ(bytes[g.recordsOffset - 506], 'c');
}

TEST(TrackFileWrite, EmptyAiLineGivesNoLengthAndOverfullListsAreRefused)
{
    EXPECT_EQ(TrackLengthFromAiLine({}, 100), 0u);
    EXPECT_EQ(TrackLengthFromAiLine({{5, 5}}, 100), 0u);
    // Two points: there and back.
    EXPECT_EQ(TrackLengthFromAiLine({{0, 0}, {1024, 0}}, 100), 200u);

    TrackFile t;
    InitTrackFile(t);
    t.pitCrews.resize(256);
    ByteWriter w;
    EXPECT_FALSE(WriteTrackBytes(t, w));
    t.pitCrews.clear();
    t.land.resize(100);
    EXPECT_FALSE(WriteTrackBytes(t, w));
}

TEST(TrackFileEditorReader, StartPositionsAreRepairedToSixInFront)
{
    TrackFile t;
    InitTrackFile(t);
    // Two starts, a wall, then a stray start and a cone.
    t.objects = {{0, 1, 1, 0}, {0, 2, 2, 0}, {1, 3, 3, 0}, {0, 4, 4, 0}, {25, 5, 5, 0}};
    std::vector<uint8_t> bytes = Save(t);
    TrackFile e;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, e), kTrackOk);
    ASSERT_EQ(e.objects.size(), 8u);
    EXPECT_EQ(e.objects[0].x, 1);
    EXPECT_EQ(e.objects[1].x, 2);
    for (int k = 2; k < 6; k++) {
        EXPECT_EQ(e.objects[k].type, 0);
        EXPECT_EQ(e.objects[k].x, 40);
        EXPECT_EQ(e.objects[k].y, 2 * (512 - (10 + 20 * k)));
    }
    EXPECT_EQ(e.objects[6].type, 1);
    EXPECT_EQ(e.objects[7].type, 25);  // the stray start is gone

    // A full list without starts: the inserted grid must not overflow the
    // 16-bit count, so the last objects give way.
    t.objects.assign(65535, TrackObject{3, 9, 9, 0});
    bytes = Save(t);
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, e), kTrackOk);
    ASSERT_EQ(e.objects.size(), 65535u);
    EXPECT_EQ(e.objects[5].type, 0);
    EXPECT_EQ(e.objects[6].type, 3);
    ByteWriter again;
    EXPECT_TRUE(WriteTrackBytes(e, again));

    // Fewer than six objects: the grid is completed all the same.
    t.objects = {{0, 7, 7, 0}};
    bytes = Save(t);
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadEditor, e), kTrackOk);
    ASSERT_EQ(e.objects.size(), 6u);
    EXPECT_EQ(e.objects[0].x, 7);
    EXPECT_EQ(e.objects[5].type, 0);
}

TEST(TrackFileDamage, EveryCutFailsCleanly)
{
    TrackFile t = BusyTrack();
    std::vector<uint8_t> bytes = Save(t);
    size_t recordsEnd = bytes.size();
    GhostLap ghost;
    ghost.frameCount = 5;
    ghost.samples.resize(3);
    TrackRecords records;
    ClearTrackRecords(records);
    ASSERT_EQ(ApplyTrackRecords(bytes, records, &ghost), kTrackOk);
    TrackFile full;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, full), kTrackOk);
    size_t designEnd = full.recordsOffset - 536;  // where the author block starts

    for (size_t cut = 0; cut < bytes.size(); cut += (cut < 64 || cut + 200 > bytes.size()) ? 1 : 37) {
        TrackFile r;
        int game = ReadTrackBytes(bytes.data(), cut, TrackReadGame, r);
        int editor = ReadTrackBytes(bytes.data(), cut, TrackReadEditor, r);
        if (cut < recordsEnd) {
            EXPECT_EQ(game, kTrackMalformed) << cut;
        } else {
            // Cut inside the ghost or trailer: the track loads without them.
            ASSERT_EQ(game, kTrackOk) << cut;
            EXPECT_FALSE(r.hasTrailer);
        }
        // The editor reads nothing after the author block.
        EXPECT_EQ(editor, cut < designEnd ? kTrackMalformed : kTrackOk) << cut;
    }
}

TEST(TrackFileDamage, CountsAndOffsetsBeyondTheFileAreRefused)
{
    TrackFile t;
    InitTrackFile(t);
    std::vector<uint8_t> good = Save(t);
    TrackFile r;
    auto withByte = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> b = good;
        b[at] = v;
        return b;
    };
    const size_t objectCount = 20 + 2 * 65 + 2 + 4096;
    ASSERT_EQ(good[objectCount], 6);
    // 65535 objects claimed in a small file.
    std::vector<uint8_t> b = withByte(objectCount, 0xFF);
    b[objectCount + 1] = 0xFF;
    EXPECT_EQ(ReadTrackBytes(b.data(), b.size(), TrackReadGame, r), kTrackMalformed);
    EXPECT_EQ(ReadTrackBytes(b.data(), b.size(), TrackReadEditor, r), kTrackMalformed);
    // A run count of 2^32 − 1.
    b = good;
    for (int i = 16; i < 20; i++)
        b[i] = 0xFF;
    EXPECT_EQ(ReadTrackBytes(b.data(), b.size(), TrackReadGame, r), kTrackMalformed);
    // Records offset beyond the file, and one pointing into the design sections.
    b = withByte(7, 0x40);
    EXPECT_EQ(ReadTrackBytes(b.data(), b.size(), TrackReadGame, r), kTrackMalformed);
    b = good;
    b[4] = 100;
    b[5] = b[6] = b[7] = 0;
    EXPECT_EQ(ReadTrackBytes(b.data(), b.size(), TrackReadGame, r), kTrackMalformed);
    // A world of size 0.
    b = withByte(8, 0);
    EXPECT_EQ(ReadTrackBytes(b.data(), b.size(), TrackReadEditor, r), kTrackMalformed);
    // Garbage: all 0xFF, no magic, so an oldest-layout file with huge counts.
    std::vector<uint8_t> junk(5000, 0xFF);
    EXPECT_EQ(ReadTrackBytes(junk.data(), junk.size(), TrackReadGame, r), kTrackMalformed);
    EXPECT_EQ(ReadTrackBytes(nullptr, 0, TrackReadEditor, r), kTrackMalformed);
}

TEST(TrackFileDamage, LandStreamAndHeightCountOddities)
{
    OldTrack o;
    o.version = 288;
    o.object = kTreeObject;
    // 70 full runs: 286650 cells, the map has 262144; the rest is ignored.
    o.runs.assign(70, (4095 << 4) | 9);
    o.runs.push_back((0 << 4) | 1);
    std::vector<uint8_t> bytes = MakeOldTrack(o);
    TrackFile r;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, r), kTrackOk);
    EXPECT_EQ(r.land[kLandCells - 1], 9);
    EXPECT_EQ(r.pitLine.size(), 2u);  // the words after the map were still consumed

    // A height count of 4100: 4100 bytes are read, the first 4096 kept.
    TrackFile t;
    InitTrackFile(t);
    std::vector<uint8_t> good = Save(t);
    size_t countAt = 20 + 2 * 65;
    std::vector<uint8_t> b(good.begin(), good.begin() + countAt);
    b.push_back(4100 & 0xFF);
    b.push_back(4100 >> 8);
    b.insert(b.end(), 4096, 77);
    b.insert(b.end(), 4, 99);
    b.insert(b.end(), good.begin() + countAt + 2 + 4096, good.end());
    // The design grew by 4 bytes: move the records offset with it.
    uint32_t offset = (b[4] | (b[5] << 8) | (b[6] << 16) | (b[7] << 24)) + 4;
    for (int i = 0; i < 4; i++)
        b[4 + i] = static_cast<uint8_t>(offset >> (8 * i));
    ASSERT_EQ(ReadTrackBytes(b.data(), b.size(), TrackReadGame, r), kTrackOk);
    EXPECT_EQ(r.heightBytes, 4100);
    EXPECT_EQ(r.heights[4095], 77);
    EXPECT_EQ(r.objects.size(), 6u);
}

TEST(TrackFileDisk, MissingFileCannotBeOpenedAndWrittenFileReadsBack)
{
    TrackFile t;
    EXPECT_EQ(ReadTrackFile(TempPath("missing.trk").c_str(), TrackReadGame, t), kTrackCantOpen);
    TrackFile b = BusyTrack();
    std::string path = TempPath("disk.trk");
    ASSERT_TRUE(WriteTrackFile(path.c_str(), b));
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, t), kTrackOk);
    EXPECT_EQ(t.land, b.land);
    std::remove(path.c_str());
    EXPECT_FALSE(WriteTrackFile((TempPath("no-such-dir") + "/x.trk").c_str(), b));
}
