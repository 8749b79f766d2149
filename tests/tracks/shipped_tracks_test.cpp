// The shipped sample tracks: each loads in the game and in the editor, has
// no flaw, and is raceable: a grid on the road behind the finish line in
// driving order, checkpoints that the AI line crosses in order, pit lane
// markers that fit the lane, nothing standing on the driving lines and no
// driving line under water. The tracks must also be exactly what the
// builder makes from their recipes.
#include "Courseforge/editor.h"
#include "Game/shell/settings.h"
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "trackfile/object_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kTrackDir = std::string(DW_SOURCE_DIR) + "/data/tracks";
const std::string kRecipeDir = std::string(DW_SOURCE_DIR) + "/tools/trackbuilder/recipes";

std::vector<fs::path> ShippedTracks(const std::string& dir)
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && it->path().extension() == ".trk")
            out.push_back(it->path());
    std::sort(out.begin(), out.end());
    return out;
}

struct P2 {
    double x, y;
};
P2 operator-(P2 a, P2 b) { return {a.x - b.x, a.y - b.y}; }
double Cross(P2 a, P2 b) { return a.x * b.y - a.y * b.x; }
double Dot(P2 a, P2 b) { return a.x * b.x + a.y * b.y; }
double Len(P2 a) { return std::hypot(a.x, a.y); }

// True when segment a-b crosses segment c-d.
bool Crosses(P2 a, P2 b, P2 c, P2 d)
{
    double d1 = Cross(b - a, c - a), d2 = Cross(b - a, d - a), d3 = Cross(d - c, a - c), d4 = Cross(d - c, b - c);
    return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0));
}

P2 GateEnd(const TrackGate& g, double t) { return {g.x + g.dx * t, g.y + g.dy * t}; }

// Index of the first AI segment (k -> k + 1) from `from` on, in lap order, that crosses the gate; -1 if none.
int SegmentCrossing(const std::vector<Vec3>& ai, const TrackGate& g, int from)
{
    const int n = static_cast<int>(ai.size());
    for (int s = 0; s < n; s++) {
        int k = (from + s) % n;
        const Vec3 &a = ai[k], &b = ai[(k + 1) % n];
        if (Crosses({a.x, a.z}, {b.x, b.z}, GateEnd(g, 0), GateEnd(g, g.length)))
            return k;
    }
    return -1;
}

// Distance from a point to an object's footprint rectangle, world units.
double FootprintDistance(const WorldObject& o, P2 p)
{
    const ObjectTypeInfo& info = ObjectType(o.type);
    P2 d = p - P2{o.position.x, o.position.z};
    double along = Dot(d, {o.direction.x, o.direction.z});
    double across = Dot(d, {-o.direction.z, o.direction.x});
    double hl = std::max(info.halfLength, info.postRadius), hw = std::max(info.halfWidth, info.postRadius);
    return std::hypot(std::max(std::fabs(along) - hl, 0.0), std::max(std::fabs(across) - hw, 0.0));
}

// The land code the editor holds under a world point.
int EditorLandCode(const EditorDocument& d, double x, double y)
{
    int col = std::clamp(static_cast<int>(x * d.pixelsPerUnit), 0, kLandSize - 1);
    int row = std::clamp(static_cast<int>(kLandSize - y * d.pixelsPerUnit), 0, kLandSize - 1);
    return d.land[size_t(row) * kLandSize + col];
}

bool IsRoadCode(int code)
{
    // Tarmac, mud, gravel, painted lines, kerbs and oil: what a grid may stand
    // on and a driving line may run over.
    return code == 0 || code == 1 || code == 4 || code == 5 || (code >= 9 && code <= 12);
}

class ShippedTrack : public testing::TestWithParam<fs::path> {
protected:
    void SetUp() override { DefaultIniSettings(iniSettings); }
    void TearDown() override { FreeTrackMaps(); }
};

TEST(ShippedTracks, EightOrMoreWithAGroupInASubfolder)
{
    std::vector<fs::path> tracks = ShippedTracks(kTrackDir);
    EXPECT_GE(tracks.size(), 8u);
    int grouped = 0;
    for (const fs::path& p : tracks)
        grouped += p.parent_path() != fs::path(kTrackDir);
    EXPECT_GE(grouped, 2);
}

TEST_P(ShippedTrack, LoadsInGameAndEditorWithoutFlaws)
{
    const std::string path = GetParam().string();
    ASSERT_EQ(LoadTrackFile(path, 1), 0) << path;
    static Editor editor;
    EditorInit(editor);
    ASSERT_TRUE(EditorLoad(editor, path.c_str()).ok) << path;
    EXPECT_EQ(EditorFlawCheck(editor.doc), "") << path;
    EXPECT_EQ(trackMaps.objects.size(), editor.doc.objects.size());
    EXPECT_FALSE(std::string(trackMaps.author).empty());
    EXPECT_FALSE(std::string(trackMaps.comments).empty());
    EXPECT_GT(trackMaps.trackLength, 0u);
    // A world size that suits the layout: the AI line spans most of the world.
    float lo[2] = {1e9f, 1e9f}, hi[2] = {-1e9f, -1e9f};
    for (const Vec3& p : trackMaps.aiLine) {
        lo[0] = std::min(lo[0], p.x), hi[0] = std::max(hi[0], p.x);
        lo[1] = std::min(lo[1], p.z), hi[1] = std::max(hi[1], p.z);
    }
    EXPECT_GT(std::max(hi[0] - lo[0], hi[1] - lo[1]), 0.6f * trackMaps.worldSize) << path;
}

// What `trktool check` and the editor's save warning ask of a track.
TEST_P(ShippedTrack, PassesTheRaceChecks)
{
    static Editor editor;
    EditorInit(editor);
    ASSERT_TRUE(EditorLoad(editor, GetParam().c_str()).ok);
    for (const RaceFinding& f : EditorRaceCheck(editor.doc))
        ADD_FAILURE() << GetParam() << ": " << f.text;
}

// Loading does not depend on the picture; the picture made after it fits the
// world to any screen shape, above the panel strip.
TEST_P(ShippedTrack, PictureFitsEveryScreenShapeAfterLoading)
{
    const std::string path = GetParam().string();
    const int sizes[][2] = {{640, 480}, {1920, 1080}, {1280, 1024}};
    Vec3 loadedCamera{};
    for (int k = 0; k < 3; k++) {
        const int w = sizes[k][0], h = sizes[k][1];
        SetupTerrainRenderer(w, h);
        ASSERT_EQ(LoadTrackFile(path, 2), 0) << path;
        if (k == 0) loadedCamera = trackMaps.viewTranslation;
        EXPECT_EQ(trackMaps.viewTranslation.x, loadedCamera.x) << "the load depends on the renderer";
        EXPECT_EQ(trackMaps.viewTranslation.z, loadedCamera.z) << "the load depends on the renderer";
        RenderLoadedTrack(true);
        const int strip = ClearPanelStrip();
        int minX = w, maxX = -1, minY = h, maxY = -1;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (terrainRenderer.image[size_t(y) * terrainRenderer.pitch + x] != kTerrainClearColour) {
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        SCOPED_TRACE(testing::Message() << path << " at " << w << "x" << h);
        ASSERT_GE(maxX, 0) << "nothing drawn";
        EXPECT_LT(maxY, strip);
        EXPECT_TRUE(maxX - minX > 0.85 * w || maxY - minY > 0.85 * strip)
            << minX << ".." << maxX << " x " << minY << ".." << maxY;
    }
}

TEST_P(ShippedTrack, GridStandsOnTheRoadBehindTheFinishInOrder)
{
    const std::string path = GetParam().string();
    ASSERT_EQ(LoadTrackFile(path, 0), 0);
    static Editor editor;
    EditorInit(editor);
    ASSERT_TRUE(EditorLoad(editor, path.c_str()).ok);
    const TrackMaps& m = trackMaps;
    ASSERT_GE(m.checkpoints.size(), 2u);
    ASSERT_GE(m.objects.size(), size_t(kStartPositions));
    const TrackGate& finish = m.checkpoints.back();
    int k = SegmentCrossing(m.aiLine, finish, 0);
    ASSERT_GE(k, 0) << "the AI line does not cross the finish line";
    const Vec3 &a = m.aiLine[k], &b = m.aiLine[(k + 1) % m.aiLine.size()];
    P2 drive{b.x - a.x, b.z - a.z};
    drive = {drive.x / Len(drive), drive.y / Len(drive)};
    // Normal of the finish line pointing the way the cars drive.
    P2 normal{finish.dy, -finish.dx};
    if (Dot(normal, drive) < 0)
        normal = {-normal.x, -normal.y};
    double lastBehind = 0;
    for (int s = 0; s < kStartPositions; s++) {
        const WorldObject& o = m.objects[s];
        EXPECT_EQ(o.type, kObjectStart);
        P2 rel = P2{o.position.x, o.position.z} - P2{finish.x, finish.y};
        double behind = -Dot(rel, normal);
        double along = Dot(rel, {finish.dx, finish.dy});
        EXPECT_GT(behind, lastBehind) << "start " << s + 1 << " is not behind the one before";
        EXPECT_LT(behind, 60.0) << "start " << s + 1 << " is far from the line";
        EXPECT_GT(along, 0.0);
        EXPECT_LT(along, finish.length);
        lastBehind = behind;
        EXPECT_GT(Dot({o.direction.x, o.direction.z}, drive), 0.9) << "start " << s + 1 << " faces away";
        EXPECT_TRUE(IsRoadCode(EditorLandCode(editor.doc, o.position.x, o.position.z))) << "start " << s + 1;
        EXPECT_GT(TerrainHeight(o.position.x, o.position.z), m.waterHeight);
    }
}

TEST_P(ShippedTrack, AiLinesCrossEveryCheckpointInOrderOnTheRoad)
{
    const std::string path = GetParam().string();
    ASSERT_EQ(LoadTrackFile(path, 0), 0);
    static Editor editor;
    EditorInit(editor);
    ASSERT_TRUE(EditorLoad(editor, path.c_str()).ok);
    const TrackMaps& m = trackMaps;
    const int n = static_cast<int>(m.aiLine.size());
    ASSERT_GE(n, 3);
    const int start = SegmentCrossing(m.aiLine, m.checkpoints.back(), 0);
    ASSERT_GE(start, 0);
    int last = 0;
    for (size_t c = 0; c + 1 < m.checkpoints.size(); c++) {
        int k = SegmentCrossing(m.aiLine, m.checkpoints[c], (start + 1) % n);
        ASSERT_GE(k, 0) << "checkpoint " << c << " is never crossed";
        int place = (k - start + n) % n;
        EXPECT_GT(place, last) << "checkpoint " << c << " out of driving order";
        last = place;
    }
    for (const std::vector<Vec3>* line : {&m.aiLine, &m.pitLine})
        for (const Vec3& p : *line) {
            EXPECT_GT(TerrainHeight(p.x, p.z), m.waterHeight + 0.05f);
            EXPECT_TRUE(IsRoadCode(EditorLandCode(editor.doc, p.x, p.z))) << "off the road at " << p.x << ", " << p.z;
        }
}

TEST_P(ShippedTrack, PitLaneJoinsTheTrackAndLimitersCloseIt)
{
    ASSERT_EQ(LoadTrackFile(GetParam().string(), 0), 0);
    const TrackMaps& m = trackMaps;
    ASSERT_GE(m.pitLine.size(), 2u);
    EXPECT_GE(m.pitEntry, 0);
    EXPECT_GE(m.pitExit, 0);
    EXPECT_NE(m.pitEntry, m.pitExit);
    // Both ends of the pit line lie close to the AI line.
    for (const Vec3& end : {m.pitLine.front(), m.pitLine.back()}) {
        double best = 1e9;
        for (const Vec3& p : m.aiLine)
            best = std::min(best, std::hypot(double(p.x - end.x), double(p.z - end.z)));
        EXPECT_LT(best, 8.0);
    }
    // Limiters cross the pit lane only: a car on the racing line never toggles them.
    ASSERT_EQ(m.limiters.size(), 2u);
    for (const TrackGate& g : m.limiters) {
        bool onPit = false, onAi = false;
        for (size_t k = 0; k + 1 < m.pitLine.size(); k++)
            onPit |= Crosses({m.pitLine[k].x, m.pitLine[k].z}, {m.pitLine[k + 1].x, m.pitLine[k + 1].z}, GateEnd(g, 0),
                             GateEnd(g, g.length));
        for (size_t k = 0; k < m.aiLine.size(); k++) {
            const Vec3 &a = m.aiLine[k], &b = m.aiLine[(k + 1) % m.aiLine.size()];
            onAi |= Crosses({a.x, a.z}, {b.x, b.z}, GateEnd(g, 0), GateEnd(g, g.length));
        }
        EXPECT_TRUE(onPit);
        EXPECT_FALSE(onAi);
    }
    // Every pit crew stands on the pit line, facing along it.
    for (const PitCrew& c : m.pitCrews) {
        double best = 1e9;
        for (const Vec3& p : m.pitLine)
            best = std::min(best, std::hypot(double(p.x - c.anchor.x), double(p.z - c.anchor.z)));
        EXPECT_LT(best, 5.0);
    }
}

TEST_P(ShippedTrack, NothingStandsOnTheDrivingLines)
{
    ASSERT_EQ(LoadTrackFile(GetParam().string(), 0), 0);
    const TrackMaps& m = trackMaps;
    auto check = [&](const std::vector<Vec3>& line, bool closed, const char* what) {
        const size_t segments = closed ? line.size() : line.size() - 1;
        for (size_t o = kStartPositions; o < m.objects.size(); o++) {
            int type = m.objects[o].type;
            if (type == 17 || type == 18 || type == 30)  // bridges are driven over or under
                continue;
            for (size_t k = 0; k < segments; k++) {
                const Vec3 &a = line[k], &b = line[(k + 1) % line.size()];
                double nearest = 1e9;
                for (int t = 0; t <= 10; t++)
                    nearest = std::min(nearest, FootprintDistance(m.objects[o], {a.x + (b.x - a.x) * t / 10.0,
                                                                                 a.z + (b.z - a.z) * t / 10.0}));
                ASSERT_GT(nearest, 1.0) << ObjectTypeName(type) << " on the " << what << " at segment " << k;
            }
        }
    };
    check(m.aiLine, true, "AI line");
    check(m.pitLine, false, "pit line");
}

INSTANTIATE_TEST_SUITE_P(All, ShippedTrack, testing::ValuesIn(ShippedTracks(kTrackDir)),
                         [](const testing::TestParamInfo<fs::path>& info) {
                             std::string name = info.param.stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// The shipped files are the builder's output for the committed recipes, byte
// for byte: the recipes are the tracks' source and generation is deterministic.
TEST(ShippedTracks, RebuiltFromRecipesByteForByte)
{
    const std::string builder = std::string(DW_RUN_DIR) + "/trackbuilder";
    if (!fs::exists(builder))
        GTEST_SKIP() << "trackbuilder is not built";
    const std::string out = std::string(DW_BINARY_DIR) + "/rebuilt_tracks";
    fs::remove_all(out);
    std::string command = builder + " all " + kRecipeDir + " " + out + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<fs::path> rebuilt = ShippedTracks(out), shipped = ShippedTracks(kTrackDir);
    ASSERT_EQ(rebuilt.size(), shipped.size());
    for (size_t k = 0; k < shipped.size(); k++) {
        EXPECT_EQ(fs::relative(rebuilt[k], out), fs::relative(shipped[k], kTrackDir));
        std::vector<uint8_t> a, b;
        ASSERT_TRUE(ReadWholeFile(rebuilt[k].c_str(), a));
        ASSERT_TRUE(ReadWholeFile(shipped[k].c_str(), b));
        EXPECT_TRUE(a == b) << shipped[k] << " differs from its recipe's build";
    }
}

// Recipes that cannot make a sound track are refused without writing a file.
TEST(TrackBuilder, RefusesRecipesThatMakeNoSoundTrack)
{
    const std::string builder = std::string(DW_RUN_DIR) + "/trackbuilder";
    if (!fs::exists(builder))
        GTEST_SKIP() << "trackbuilder is not built";
    const std::string dir = std::string(DW_BINARY_DIR) + "/builder_refusals";
    fs::create_directories(dir);
    const std::string square = "world 100\nroad tarmac 8\npoint 20 20\npoint 80 20\npoint 80 80\npoint 20 80\n";
    const struct {
        const char* name;
        std::string recipe;
    } cases[] = {
        {"sound", square + "pit left 0.2 1.8 10 6 2\n"},
        {"unknown_word", square + "pit left 0.2 1.8 10 6 2\nbanana 3\n"},
        {"too_few_points", "world 100\npoint 20 20\npoint 80 20\npoint 50 80\n"},
        {"off_the_map", "world 100\nroad tarmac 8\npoint 2 20\npoint 80 20\npoint 80 80\npoint 20 80\n"
                        "pit left 0.2 1.8 10 6 2\n"},
        {"under_water", square + "water 200\npit left 0.2 1.8 10 6 2\n"},
        {"no_pits", square},
        {"pits_too_short", square + "pit left 0.2 0.6 10 6 4\n"},
        {"pit_lane_on_the_track", square + "pit left 0.2 1.8 5 6 2\n"},
    };
    for (const auto& c : cases) {
        const std::string recipe = dir + "/" + c.name + ".txt", track = dir + "/" + c.name + ".trk";
        ASSERT_TRUE(WriteFileReplacing(recipe.c_str(), c.recipe.data(), c.recipe.size()));
        fs::remove(track);
        int status = std::system((builder + " build " + recipe + " " + track + " > /dev/null 2>&1").c_str());
        const bool sound = std::string(c.name) == "sound";
        EXPECT_EQ(status == 0, sound) << c.name;
        EXPECT_EQ(fs::exists(track), sound) << c.name;
    }
}

}  // namespace
