// `trktool check` on tracks crafted from one clean built track: each fault
// is reported on one line naming the marker and where it is, with the exit
// status telling clean (0), findings (1) and unreadable (2) apart.
#include "Courseforge/editor.h"
#include "tests/shell/run_command.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

// A paperclip of two straights (y = 50 eastwards, y = 62 westwards) and two
// hairpins, the pit lane south of the lower straight, the finish at x = 80.
const char* const kRecipe =
    "world 160\nroad tarmac 8\n"
    "point 20 50\npoint 140 50\npoint 146 56\npoint 140 62\npoint 20 62\npoint 14 56\n"
    "pit right 0.2 0.8 12 6 2\nfinish 0.5\ncheckpoints 4\n";

std::string Dir()
{
    static const std::string dir = [] {
        std::string d = std::string(DW_BINARY_DIR) + "/trktool_check_" + std::to_string(getpid());
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

using Checked = CommandResult;

Checked Check(const std::string& files)
{
    return RunCommand(std::string(DW_RUN_DIR) + "/trktool check " + files + " 2>/dev/null");
}

size_t Lines(const std::string& s)
{
    size_t n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

class TrktoolCheck : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        base = Dir() + "/base.trk";
        const std::string txt = Dir() + "/base.txt";
        ASSERT_TRUE(WriteFileReplacing(txt.c_str(), kRecipe, std::string(kRecipe).size()));
        const std::string cmd = std::string(DW_RUN_DIR) + "/trackbuilder build " + txt + " " + base + " > /dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }

    static void TearDownTestSuite() { fs::remove_all(Dir()); }

    // The base track changed by `edit`, saved under `name`; world metres in the edits.
    std::string Craft(const char* name, const std::function<void(EditorDocument&)>& edit)
    {
        static Editor e;
        EditorInit(e);
        EXPECT_TRUE(EditorLoad(e, base.c_str()).ok);
        edit(e.doc);
        const std::string path = Dir() + "/" + name + ".trk";
        EXPECT_TRUE(EditorSave(e, path.c_str()).ok);
        return path;
    }

    static std::string base;
};
std::string TrktoolCheck::base;

constexpr float kPpu = 512.0f / 160;
float Px(float x) { return x * kPpu; }
float Py(float z) { return kLandSize - z * kPpu; }
EditorLine Line(float x1, float z1, float x2, float z2) { return {Px(x1), Py(z1), Px(x2), Py(z2)}; }

// Index of the AI point nearest to a world position.
size_t AiPointNear(const EditorDocument& d, float x, float z)
{
    size_t best = 0;
    for (size_t k = 0; k < d.aiLine.size(); k++)
        if (std::hypot(d.aiLine[k].x - Px(x), d.aiLine[k].y - Py(z)) <
            std::hypot(d.aiLine[best].x - Px(x), d.aiLine[best].y - Py(z)))
            best = k;
    return best;
}

}  // namespace

TEST_F(TrktoolCheck, CleanTrackPassesAndUnreadableFilesExitTwo)
{
    Checked clean = Check(base);
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_EQ(clean.out, "");
    const std::string junk = Dir() + "/junk.trk";
    ASSERT_TRUE(WriteFileReplacing(junk.c_str(), "not a track", 11));
    EXPECT_EQ(Check(base + " " + junk).status, 2);
    EXPECT_EQ(Check(Dir() + "/missing.trk").status, 2);
    EXPECT_EQ(Check("").status, 2);
}

TEST_F(TrktoolCheck, CheckpointsCrossedTwiceMissedOrOutOfOrder)
{
    // Checkpoint 1 reaches over both legs beside the east hairpin.
    Checked twice = Check(Craft("twice", [](EditorDocument& d) { d.checkpoints[0] = Line(138, 43.75f, 138, 68.75f); }));
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.out.find("checkpoint 1 at (138.0, "), std::string::npos) << twice.out;
    EXPECT_NE(twice.out.find("): the AI line crosses it 2 times"), std::string::npos)
        << twice.out;
    // Checkpoint 2 stands beside the road, where the AI line never goes.
    Checked missed = Check(Craft("missed", [](EditorDocument& d) { d.checkpoints[1] = Line(80, 80, 80, 90); }));
    EXPECT_NE(missed.out.find("checkpoint 2 at (80.0, 85.0): the AI line never crosses it"), std::string::npos)
        << missed.out;
    // Checkpoints 1 and 2 swapped.
    Checked swapped = Check(Craft("swapped", [](EditorDocument& d) { std::swap(d.checkpoints[0], d.checkpoints[1]); }));
    EXPECT_NE(swapped.out.find("checkpoint 2 at ("), std::string::npos) << swapped.out;
    EXPECT_NE(swapped.out.find("reaches it before checkpoint 1"), std::string::npos) << swapped.out;
    EXPECT_EQ(Lines(swapped.out), 1u) << swapped.out;
    // A line the AI line crosses a hand's breadth from its end.
    Checked edge = Check(Craft("edge", [](EditorDocument& d) {
        const EditorPoint p = d.aiLine[AiPointNear(d, 100, 62)];
        d.checkpoints[1] = {p.x, p.y + 0.5f * kPpu, p.x, p.y - 12 * kPpu};
    }));
    EXPECT_NE(edge.out.find("checkpoint 2 at ("), std::string::npos) << edge.out;
    EXPECT_NE(edge.out.find("from its end"), std::string::npos) << edge.out;
}

TEST_F(TrktoolCheck, FinishLineMustReachThePitLane)
{
    // The finish at x = 80 has the pit lane beside it; cut it back to the road.
    Checked r = Check(Craft("short_finish", [](EditorDocument& d) { d.checkpoints.back() = Line(80, 57.5f, 80, 42.5f); }));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("checkpoint 4 (the finish line) at (80.0, 50.0): the pit lane runs past it but the pit line "
                         "does not cross it"),
              std::string::npos)
        << r.out;
}

TEST_F(TrktoolCheck, GridMustStandBeforeTheFinishOnTheRoad)
{
    Checked r = Check(Craft("grid", [](EditorDocument& d) {
        d.objects[2].x = Px(95), d.objects[2].y = Py(50);  // past the finish line
        d.objects[4].x = Px(60), d.objects[4].y = Py(80);  // on the grass
    }));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("start 3 at (95.0, 50.0): stands "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("m past the finish line"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("start 5 at (60.0, 80.0): stands on grass, off the road"), std::string::npos) << r.out;
}

TEST_F(TrktoolCheck, DrivingLinesThroughWaterAndObjects)
{
    Checked r = Check(Craft("obstacles", [](EditorDocument& d) {
        // A pond under the western straight: four height samples below the water.
        const int i = static_cast<int>(Px(40) / kHeightSpacing), j = static_cast<int>(Py(62) / kHeightSpacing);
        for (int dj = 0; dj < 2; dj++)
            for (int di = 0; di < 2; di++)
                d.height[size_t(j + dj) * kHeightSize + i + di] = 0;
        // A wall across the AI line on the western straight, a cone on the pit line.
        const EditorPoint a = d.aiLine[AiPointNear(d, 100, 62)];
        d.objects.push_back(EditorObject{1, a.x, a.y, 1.5708f});
        const EditorPoint p = d.pitAiLine[d.pitAiLine.size() / 2];
        d.objects.push_back(EditorObject{25, p.x, p.y, 0});
    }));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(": the line runs into water"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("AI line point "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Concrete wall (object "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("stands on the AI line at point"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Road Cone (object "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("stands on the pit line"), std::string::npos) << r.out;
}

TEST_F(TrktoolCheck, BridgesMustBeDrivenOverOrUnder)
{
    Checked r = Check(Craft("bridges", [](EditorDocument& d) {
        // Over the road along its deck, and under it through its gap: fine.
        d.objects.push_back(EditorObject{17, Px(110), Py(62.5f), 0});
        d.objects.push_back(EditorObject{17, Px(60), Py(62.5f), 1.5708f});
        // Across a flat bridge, and across a humped one beside its gap.
        d.objects.push_back(EditorObject{18, Px(40), Py(62.5f), 1.5708f});
        d.objects.push_back(EditorObject{17, Px(100), Py(53.75f), 1.5708f});
    }));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("at (110.0, 62.5)"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("at (60.0, 62.5)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("at (40.0, 62.5): the AI line near point"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("runs across it, not along its deck"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("at (100.0, 53.8): the AI line near point"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("runs neither over its deck nor through the gap under it"), std::string::npos) << r.out;
    EXPECT_EQ(Lines(r.out), 2u) << r.out;
}

TEST_F(TrktoolCheck, EditorFlawsComeFirst)
{
    Checked r = Check(Craft("no_pits", [](EditorDocument& d) { d.pitCrews.clear(); }));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find(Dir() + "/no_pits.trk: Players can't go to repair their cars. Add pits\n"), 0u) << r.out;
}
