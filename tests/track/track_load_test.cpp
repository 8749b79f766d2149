#include "Game/track/track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "Game/race/cars.h"
#include "Game/shell/settings.h"
#include "Game/shell/shell.h"

namespace fs = std::filesystem;

namespace {

// A game folder of its own for each test, with a "tracks" folder in it.
class TrackLoad : public ::testing::Test {
protected:
    std::string root;

    void SetUp() override
    {
        root = std::string(DW_BINARY_DIR) + "/test_tracks/" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root + "/tracks");
        baseDirectory = root;
        iniSettings.viewAngle = 32767;
        iniSettings.rotation = 32767;
        iniSettings.zoom = 0;
        FreeTrackMaps();
    }
    void TearDown() override { baseDirectory.clear(); }

    // Writes t as tracks/<name>.trk (name without the leading backslash).
    void Save(const std::string& name, const TrackFile& t)
    {
        fs::create_directories(fs::path(root + "/tracks/" + name).parent_path());
        ASSERT_TRUE(WriteTrackFile((root + "/tracks/" + name + ".trk").c_str(), t));
    }
    std::string PathOf(const std::string& name) { return root + "/tracks/" + name + ".trk"; }
};

// A small design: tarmac everywhere, a slope rising to the east, an AI loop.
TrackFile BasicTrack()
{
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 128;
    t.waterLevel = 20;
    t.viewAngle = 60;
    t.rotation = 30;
    t.zoom = 120;
    std::fill(t.land.begin(), t.land.end(), 0);
    for (int row = 0; row < kHeightSide; row++)
        for (int col = 0; col < kHeightSide; col++)
            t.heights[row * kHeightSide + col] = static_cast<uint8_t>(col * 4);
    for (uint16_t p : {200, 800})
        for (uint16_t q : {200, 800})
            t.aiLine.push_back({p, q});
    std::swap(t.aiLine[2], t.aiLine[3]);  // a square loop: (200,200) (200,800) (800,800) (800,200)
    t.checkpoints.push_back({500, 100, 500, 300});
    return t;
}

}  // namespace

TEST_F(TrackLoad, HeaderGivesScalesViewAndSettings)
{
    Save("basic", BasicTrack());
    ASSERT_EQ(LoadTrack("\\basic", 2), 0);
    const TrackMaps& m = trackMaps;
    EXPECT_TRUE(m.loaded);
    EXPECT_EQ(m.name, "\\basic");
    EXPECT_FLOAT_EQ(m.worldSize, 128);
    EXPECT_FLOAT_EQ(m.worldScale, 0.25f);
    EXPECT_FLOAT_EQ(m.heightCell, 128.0f / 63);
    EXPECT_FLOAT_EQ(m.waterHeight, 1.0f);
    EXPECT_FLOAT_EQ(m.zoom, 1.2f);
    EXPECT_EQ(m.viewAngle, 60);
    EXPECT_EQ(m.rotation, 30);
    // Rows for a = 60, b = 30 degrees.
    EXPECT_NEAR(m.viewVertical.x, 0.5f * 0.866025f, 1e-5f);
    EXPECT_NEAR(m.viewVertical.y, -0.5f, 1e-5f);
    EXPECT_NEAR(m.viewDepth.z, 0.866025f * 0.5f, 1e-5f);
    EXPECT_NEAR(m.viewHorizontal.z, 0.5f, 1e-5f);
    EXPECT_EQ(m.trackLength, TrackLengthFromAiLine(BasicTrack().aiLine, 128));
    EXPECT_GT(m.trackLength, 0u);

    // dw.ini fixes the camera: straight down, unturned, zoom 1.5.
    iniSettings.viewAngle = 90;
    iniSettings.rotation = 0x10000;  // only the low 16 bits count
    iniSettings.zoom = 150;
    ASSERT_EQ(LoadTrack("\\basic", 2), 0);
    EXPECT_EQ(trackMaps.viewAngle, 90);
    EXPECT_EQ(trackMaps.rotation, 0);
    EXPECT_FLOAT_EQ(trackMaps.zoom, 1.5f);
    EXPECT_NEAR(trackMaps.viewVertical.z, -1.0f, 1e-6f);
    EXPECT_NEAR(trackMaps.viewDepth.y, -1.0f, 1e-6f);
    EXPECT_NEAR(trackMaps.viewHorizontal.x, 1.0f, 1e-6f);
}

TEST_F(TrackLoad, FailedLoadsLeaveTheLoadedTrackAlone)
{
    Save("basic", BasicTrack());
    ASSERT_EQ(LoadTrack("\\basic", 2), 0);
    std::vector<uint8_t> land = trackMaps.land;

    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadWholeFile(PathOf("basic").c_str(), file));
    std::vector<uint8_t> newer = file;
    newer[0] = 293 & 0xFF;
    newer[1] = 293 >> 8;
    ASSERT_TRUE(WriteFileReplacing(PathOf("newer").c_str(), newer.data(), newer.size()));
    EXPECT_EQ(LoadTrack("\\newer", 2), -1);
    EXPECT_EQ(LoadTrack("\\missing", 2), -1);
    // Cut at many places through every section: each load fails cleanly.
    for (size_t cut = 0; cut < file.size(); cut += 211) {
        ASSERT_TRUE(WriteFileReplacing(PathOf("cut").c_str(), file.data(), cut));
        ASSERT_EQ(LoadTrack("\\cut", 1), -1) << cut;
    }
    EXPECT_EQ(trackMaps.name, "\\basic");
    EXPECT_EQ(trackMaps.land, land);

    // A version 289-292 file is read like 288.
    std::vector<uint8_t> v292 = file;
    v292[0] = 292 & 0xFF;
    ASSERT_TRUE(WriteFileReplacing(PathOf("v292").c_str(), v292.data(), v292.size()));
    EXPECT_EQ(LoadTrack("\\v292", 2), 0);
    EXPECT_EQ(trackMaps.version, 292);
}

TEST_F(TrackLoad, PositionsBecomeWorldUnitsAndLineUpOnTheTerrain)
{
    TrackFile t = BasicTrack();
    t.objects[0] = {0, 1024, 512, 0.0};                 // a start at the east edge
    t.objects.push_back({7, 100, 300, M_PI / 2});       // a sign turned a quarter clockwise
    for (int k = 0; k < 7; k++)
        t.pitCrews.push_back({static_cast<uint16_t>(300 + 40 * k), 600, 0.0});
    t.limiters.push_back({0, 0, 30, 40});
    Save("placed", t);
    ASSERT_EQ(LoadTrack("\\placed", 2), 0);
    const TrackMaps& m = trackMaps;

    ASSERT_EQ(m.objects.size(), t.objects.size());
    EXPECT_FLOAT_EQ(m.objects[0].position.x, 128.0f);
    EXPECT_FLOAT_EQ(m.objects[0].position.z, 64.0f);
    EXPECT_EQ(m.objects[0].position.y, 0.0f);
    const WorldObject& sign = m.objects.back();
    EXPECT_EQ(sign.type, 7);
    EXPECT_FLOAT_EQ(sign.position.x, 12.5f);
    EXPECT_NEAR(sign.direction.x, 0.0f, 1e-3f);
    EXPECT_NEAR(sign.direction.z, -1.0f, 1e-6f);  // clockwise from east on the map is south
    EXPECT_EQ(sign.state, 0);
    EXPECT_FLOAT_EQ(sign.smallConstant, 0.001f);
    EXPECT_FLOAT_EQ(sign.factor, 0.8f);

    ASSERT_EQ(m.pitCrews.size(), 6u);  // the seventh is ignored
    const PitCrew& crew = m.pitCrews[0];
    EXPECT_FLOAT_EQ(crew.anchor.x, 37.5f);
    EXPECT_FLOAT_EQ(crew.anchor.y, TerrainHeight(37.5f, 75.0f));
    EXPECT_EQ(crew.state, 6);
    // Facing east: d = (1,0,0), q = (0,0,-1).
    EXPECT_FLOAT_EQ(crew.members[0].home.x, 39.5f);
    EXPECT_FLOAT_EQ(crew.members[1].home.x, 34.5f);
    EXPECT_FLOAT_EQ(crew.members[1].home.z, 72.0f);
    EXPECT_FLOAT_EQ(crew.members[7].home.z, 72.0f);
    EXPECT_FLOAT_EQ(crew.members[6].home.z, 78.0f);
    EXPECT_FLOAT_EQ(crew.members[3].position.y, TerrainHeight(39.0f, 78.0f) + 0.7f);

    ASSERT_EQ(m.limiters.size(), 1u);
    EXPECT_FLOAT_EQ(m.limiters[0].length, 6.25f);  // (30, 40) half pixels = 3.75 x 5 world units
    EXPECT_FLOAT_EQ(m.limiters[0].dx, 0.6f);
    EXPECT_FLOAT_EQ(m.limiters[0].dy, 0.8f);
    ASSERT_EQ(m.aiLine.size(), 4u);
    EXPECT_FLOAT_EQ(m.aiLine[2].x, 100.0f);
    EXPECT_FLOAT_EQ(m.aiLine[2].y, TerrainHeight(100.0f, 100.0f));
    EXPECT_GT(m.aiLine[2].y, m.aiLine[0].y);  // the slope rises to the east
}

TEST_F(TrackLoad, TerrainHeightIsBilinearAndClampedToTheWorld)
{
    trackMaps.worldSize = 63;
    trackMaps.heightCell = 1;
    trackMaps.heights.assign(kHeightCells, 0);
    trackMaps.heights[0] = 20;                // (0,0)
    trackMaps.heights[1] = 40;                // (1,0)
    trackMaps.heights[kHeightSide] = 60;      // (0,1)
    trackMaps.heights[kHeightSide + 1] = 100; // (1,1)
    trackMaps.heights[kHeightCells - 1] = 200;
    EXPECT_FLOAT_EQ(TerrainHeight(0, 0), 1.0f);
    EXPECT_FLOAT_EQ(TerrainHeight(0.5f, 0), 1.5f);
    EXPECT_FLOAT_EQ(TerrainHeight(0.25f, 0.5f), (20 * 0.75f * 0.5f + 40 * 0.25f * 0.5f + 60 * 0.75f * 0.5f +
                                                100 * 0.25f * 0.5f) * 0.05f);
    EXPECT_FLOAT_EQ(TerrainHeight(-5, -5), 1.0f);
    EXPECT_NEAR(TerrainHeight(1000, 1000), 10.0f, 0.05f);  // the north-east corner
    EXPECT_FLOAT_EQ(TerrainHeight(NAN, NAN), 1.0f);
}

TEST_F(TrackLoad, GroundLookupReadsColumnFromEastAndRowFromNorth)
{
    trackMaps.worldSize = 256;
    trackMaps.worldScale = 0.5f;  // two land cells per world unit
    trackMaps.land.assign(kLandCells, 16);
    trackMaps.land[10 * kLandSide + 200] = 33;  // row 10, column 200
    trackMaps.land[200 * kLandSide + 10] = 44;  // row 200, column 10
    EXPECT_EQ(GroundAt(100.25f, 5.25f), 33);    // east 100 -> column 200, north 5 -> row 10
    EXPECT_EQ(GroundAt(5.25f, 100.25f), 44);
    EXPECT_EQ(GroundAt(-3, 5.25f), 16);         // clamped to column 0
    trackMaps.land[10 * kLandSide + kLandSide - 1] = 55;
    EXPECT_EQ(GroundAt(9999, 5.25f), 55);       // clamped to the last column
}

TEST_F(TrackLoad, GroundValuesFollowTheLandCodes)
{
    TrackFile t = BasicTrack();
    t.sfLine = 0;
    // Columns 0-9 carry codes 0-9 in the bottom row band, columns 10-12 codes 10-12.
    for (int row = 0; row < 40; row++)
        for (int code = 0; code <= 12; code++)
            for (int c = 0; c < 30; c++)
                t.land[row * kLandSide + code * 30 + c] = static_cast<uint8_t>(code);
    for (int row = 40; row < kLandSide; row++)
        for (int c = 0; c < kLandSide; c++)
            t.land[row * kLandSide + c] = 3;  // grass edge elsewhere
    Save("codes", t);
    ASSERT_EQ(LoadTrack("\\codes", 2), 0);
    auto at = [](int code, int row) { return trackMaps.land[row * kLandSide + code * 30 + 15]; };
    EXPECT_EQ(at(0, 20), 2);
    EXPECT_EQ(at(1, 20), 1);
    EXPECT_GE(at(4, 20), 12);
    EXPECT_LE(at(4, 20), 13);
    EXPECT_GE(at(7, 20), 24);
    EXPECT_LE(at(7, 20), 25);
    EXPECT_GE(at(8, 20), 26);
    EXPECT_LE(at(8, 20), 27);
    EXPECT_EQ(at(9, 20), 28);
    EXPECT_EQ(at(10, 20), 32);
    EXPECT_EQ(at(11, 20), 36);
    EXPECT_EQ(at(12, 20), 0);
    int grassy = 0;
    for (int row = 5; row < 35; row++) {
        uint8_t grass = at(2, row), sand = at(6, row);
        // A grass cell only turns green when grass around it scatters onto it.
        EXPECT_TRUE((grass >= 8 && grass <= 10) || grass == 16) << int(grass);
        grassy += grass != 16;
        EXPECT_TRUE(sand >= 20 && sand <= 22) << int(sand);
        EXPECT_EQ(at(3, row), 16);  // the grass-edge column keeps the default ground
    }
    EXPECT_GT(grassy, 20);
    // Far from anything else, grass edge stays 16.
    EXPECT_EQ(trackMaps.land[300 * kLandSide + 300], 16);
    // Gravel (code 5) marks neighbours: the tarmac of code 0 never sees it (too far),
    // but the gravel band itself holds only 16 and strewn default ground 43.
    int marked = 0;
    for (int row = 10; row < 30; row++)
        for (int c = 5 * 30 + 8; c < 5 * 30 + 22; c++) {
            uint8_t v = trackMaps.land[row * kLandSide + c];
            EXPECT_TRUE(v == 16 || v == 43) << int(v);
            marked += v == 43;
        }
    EXPECT_GT(marked, 0);
}

TEST_F(TrackLoad, LandCodesPaintOverGravelWithTheirMarkedValues)
{
    std::vector<uint8_t> land(kLandCells, 16);
    const int cell = 100 * kLandSide + 100;
    const struct {
        int code;
        uint8_t from, to;
    } cases[] = {{0, 43, 41}, {1, 40, 41}, {4, 47, 42}, {6, 45, 44}, {9, 41, 45}, {10, 41, 46},
                 {11, 41, 47}, {12, 44, 40}, {9, 39, 28}, {12, 2, 0}};
    for (const auto& c : cases) {
        land[cell] = c.from;
        ApplyLandCode(land, 100, 100, c.code);
        EXPECT_EQ(land[cell], c.to) << c.code << " over " << int(c.from);
    }
    // Snow replaces even gravel-strewn ground.
    land[cell] = 47;
    ApplyLandCode(land, 100, 100, 8);
    EXPECT_TRUE(land[cell] == 26 || land[cell] == 27);

    // Gravel strews each kind of ground into its marked value; snow takes none.
    const struct {
        uint8_t from, to;
    } strewn[] = {{0, 40}, {5, 41}, {9, 42}, {18, 43}, {21, 44}, {25, 25}, {30, 45}, {33, 46}, {38, 47}, {46, 46}};
    for (const auto& s : strewn) {
        std::fill(land.begin(), land.end(), s.from);
        for (int i = 0; i < 50; i++)
            ApplyLandCode(land, 0, 0, 5);  // at the corner, clamped neighbours stay in the map
        int changed = 0;
        for (int row = 0; row <= 6; row++)
            for (int col = 0; col <= 6; col++)
                changed += land[row * kLandSide + col] == s.to;
        EXPECT_GT(changed, 0) << int(s.from);
        EXPECT_EQ(land[7 * kLandSide + 7], s.from);  // beyond +-6
    }
}

TEST_F(TrackLoad, StartFinishStripeCrossesOnlyOilAndTarmac)
{
    TrackFile t = BasicTrack();
    for (int row = 0; row < kLandSide; row++)
        for (int c = 0; c < kLandSide; c++)
            t.land[row * kLandSide + c] = c < 256 ? 0 : 2;  // tarmac west, grass east
    t.checkpoints = {{400, 100, 600, 100}};                  // row 50, columns 200-300
    Save("stripe", t);
    ASSERT_EQ(LoadTrack("\\stripe", 2), 0);
    auto at = [](int c, int r) { return trackMaps.land[r * kLandSide + c]; };
    for (int c = 200; c < 256; c++)
        for (int r = 48; r <= 51; r++)
            EXPECT_EQ(at(c, r), 28) << c << "," << r;
    EXPECT_EQ(at(230, 46), 2);
    EXPECT_EQ(at(230, 53), 2);
    for (int c = 256; c < 300; c++)
        EXPECT_NE(at(c, 50), 28);  // grass (or untouched ground) under the line stays
    EXPECT_EQ(at(199, 50), 2);

    t.sfLine = 0;
    Save("nostripe", t);
    ASSERT_EQ(LoadTrack("\\nostripe", 2), 0);
    EXPECT_EQ(at(230, 50), 2);
}

TEST_F(TrackLoad, PitJunctionsAreTheAiPointsNearestBeyondThePitLineEnds)
{
    TrackFile t = BasicTrack();
    // AI loop corners at world (25,25) (25,100) (100,100) (100,25); the pit
    // line runs north along x = 40 from y 40 to y 80.
    t.pitLine = {{320, 320}, {320, 480}, {320, 640}};
    Save("pits", t);
    ASSERT_EQ(LoadTrack("\\pits", 2), 0);
    EXPECT_EQ(trackMaps.pitEntry, 0);  // one segment before (40, 20): nearest (25, 25)
    EXPECT_EQ(trackMaps.pitExit, 1);   // one segment after (40, 100): nearest (25, 100)
    ASSERT_EQ(trackMaps.pitLine.size(), 3u);

    t.pitLine.resize(1);
    Save("onepoint", t);
    ASSERT_EQ(LoadTrack("\\onepoint", 2), 0);
    EXPECT_EQ(trackMaps.pitEntry, -1);
    EXPECT_EQ(trackMaps.pitExit, -1);
}

TEST_F(TrackLoad, RecordsGhostAndBodySumsComeFromTheFile)
{
    Save("rec", BasicTrack());
    TrackRecords records;
    ClearTrackRecords(records);
    uint16_t date[8] = {2026, 12, 2, 8, 17, 30, 5, 250};
    CarDefinition car = MakeGeneralCar();
    ASSERT_EQ(InsertTrackRecord(records, 4321, "Ada", car, date), 0);
    GhostLap ghost;
    ghost.frameCount = 9;
    for (int i = 0; i < 5; i++) {
        Vec3 pos = {10.0f + i, 1, 20}, side = {1, 0, 0}, fwd = {0, 0, 1};
        ghost.samples.push_back(EncodeGhostSample(pos, side, fwd));
    }
    ASSERT_EQ(WriteTrackRecords(PathOf("rec").c_str(), records, &ghost), kTrackOk);

    ASSERT_EQ(LoadTrack("\\rec", 1), 0);
    const TrackMaps& m = trackMaps;
    EXPECT_EQ(m.records.entry[0].time, 4321);
    EXPECT_STREQ(m.records.entry[0].name, "Ada");
    EXPECT_STREQ(m.records.entry[0].car.name, "General");
    EXPECT_EQ(m.records.entry[0].date[0], 2026);
    EXPECT_EQ(m.records.entry[6].time, kEmptyLapTime);
    ASSERT_TRUE(m.hasGhost);
    EXPECT_EQ(m.ghost.frameCount, 9);
    ASSERT_EQ(m.ghost.samples.size(), 5u);
    EXPECT_EQ(m.ghost.samples[4].pos[0], ghost.samples[4].pos[0]);

    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadWholeFile(PathOf("rec").c_str(), file));
    uint32_t sums[4];
    StartTrackSums(sums);
    AddTrackSums(sums, file.data(), m.recordsOffset, 0);
    for (int k = 0; k < 4; k++)
        EXPECT_EQ(m.bodyChecksums[k], sums[k]);

    // With more than one car the ghost stays out.
    ASSERT_EQ(LoadTrack("\\rec", 2), 0);
    EXPECT_FALSE(trackMaps.hasGhost);
    EXPECT_TRUE(trackMaps.ghost.samples.empty());
}

TEST_F(TrackLoad, TwoLoadsVaryOnlyTheGroundValues)
{
    TrackFile t = BasicTrack();
    for (int i = 0; i < kLandCells; i++)
        t.land[i] = static_cast<uint8_t>((i / 7) % 2 ? 2 : 6);  // grass and sand stripes
    t.objects.push_back({5, 300, 300, 1.0});
    Save("twice", t);
    std::srand(1);
    ASSERT_EQ(LoadTrack("\\twice", 2), 0);
    TrackMaps first = trackMaps;
    ASSERT_EQ(LoadTrack("\\twice", 2), 0);
    EXPECT_NE(first.land, trackMaps.land);
    EXPECT_EQ(first.heights, trackMaps.heights);
    ASSERT_EQ(first.objects.size(), trackMaps.objects.size());
    EXPECT_EQ(std::memcmp(&first.objects.back().position, &trackMaps.objects.back().position, sizeof(Vec3)), 0);
    EXPECT_TRUE(std::equal(first.identity, first.identity + 4, trackMaps.identity));
}

TEST_F(TrackLoad, IdentityIgnoresRecordsAndFindsMovedTracks)
{
    TrackFile t = BasicTrack();
    Save("circuit", t);
    uint32_t id[4];
    TrackIdentity("\\circuit", id);
    EXPECT_NE(id[0] | id[1] | id[2] | id[3], 0u);
    EXPECT_TRUE(SameTrack("\\circuit", id));

    // The game's own write-back changes neither the identity nor its lookup.
    TrackRecords records;
    ClearTrackRecords(records);
    uint16_t date[8] = {};
    InsertTrackRecord(records, 3000, "Bo", MakeGeneralCar(), date);
    ASSERT_EQ(WriteTrackRecords(PathOf("circuit").c_str(), records, nullptr), kTrackOk);
    uint32_t after[4];
    TrackIdentity("\\circuit", after);
    EXPECT_TRUE(std::equal(id, id + 4, after));

    // Moved into a folder: found by base name and identity.
    fs::create_directories(root + "/tracks/a");
    fs::create_directories(root + "/tracks/b");
    fs::rename(PathOf("circuit"), PathOf("b/circuit"));
    t.waterLevel = 99;  // same name, other content, in an earlier folder
    Save("a/circuit", t);
    std::string found;
    ASSERT_TRUE(FindTrack("\\old\\circuit", id, found));
    EXPECT_EQ(found, "\\b\\circuit");
    EXPECT_FALSE(SameTrack("\\circuit", id));
    EXPECT_TRUE(SameTrack(found, id));
    EXPECT_EQ(LoadTrack(found, 2), 0);

    // Only the other content remains: not taken.
    fs::remove(PathOf("b/circuit"));
    EXPECT_FALSE(FindTrack("\\circuit", id, found));
    uint32_t none[4];
    TrackIdentity("\\nowhere", none);
    EXPECT_EQ(none[0] | none[1] | none[2] | none[3], 0u);
    EXPECT_FALSE(SameTrack("\\nowhere", none));
}
