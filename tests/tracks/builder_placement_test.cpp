// The track builder puts the finish line and checkpoints where cars can pass
// them, and refuses recipes it cannot build sensibly, naming the directive.
#include "Courseforge/editor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// A paperclip: two straights joined by hairpins. With the finish in the
// middle of one straight and four checkpoints spaced evenly, the first and
// third would fall on the hairpins' apexes, at (146, 56) and (14, 56).
const char* const kPaperclip =
    "world 160\nroad tarmac 8\n"
    "point 20 50\npoint 140 50\npoint 146 56\npoint 140 62\npoint 20 62\npoint 14 56\n"
    "pit right 0.2 0.8 12 6 2\nfinish 0.5\n";

struct Built {
    int status;
    std::string errors;
    std::string track;
};

const std::string& Dir()
{
    static const std::string dir = std::string(DW_BINARY_DIR) + "/builder_placement_" + std::to_string(getpid());
    return dir;
}

Built Build(const std::string& name, const std::string& recipe)
{
    const std::string& dir = Dir();
    fs::create_directories(dir);
    const std::string txt = dir + "/" + name + ".txt", trk = dir + "/" + name + ".trk", err = dir + "/" + name + ".err";
    EXPECT_TRUE(WriteFileReplacing(txt.c_str(), recipe.data(), recipe.size()));
    fs::remove(trk);
    const std::string command =
        std::string(DW_RUN_DIR) + "/trackbuilder build " + txt + " " + trk + " > /dev/null 2> " + err;
    Built b{std::system(command.c_str()), "", fs::exists(trk) ? trk : ""};
    std::vector<uint8_t> bytes;
    ReadWholeFile(err.c_str(), bytes);
    b.errors.assign(bytes.begin(), bytes.end());
    return b;
}

double World(double pixels, const EditorDocument& d) { return pixels / d.pixelsPerUnit; }

}  // namespace

TEST(TrackBuilderPlacement, CheckpointsLeaveTheHairpinApexes)
{
    const Built b = Build("paperclip", std::string(kPaperclip) + "checkpoints 4\n");
    ASSERT_EQ(b.status, 0) << b.errors;
    static Editor e;
    EditorInit(e);
    ASSERT_TRUE(EditorLoad(e, b.track.c_str()).ok);
    const EditorDocument& d = e.doc;
    ASSERT_EQ(d.checkpoints.size(), 4u);
    for (size_t k = 0; k < d.checkpoints.size(); k++) {
        const EditorLine& g = d.checkpoints[k];
        const double x = World(0.5 * (g.x1 + g.x2), d), z = World(kLandSize - 0.5 * (g.y1 + g.y2), d);
        for (double apexX : {146.0, 14.0})
            EXPECT_GT(std::hypot(x - apexX, z - 56), 6.0) << "checkpoint " << k + 1 << " at " << x << ", " << z;
        // Across a straight: the line runs north-south, nearly square to the road.
        EXPECT_LT(std::fabs(g.x2 - g.x1), 0.1 * std::fabs(g.y2 - g.y1)) << "checkpoint " << k + 1;
    }
    // The finish stays where the recipe put it, mid-straight, and is last.
    EXPECT_NEAR(World(0.5 * (d.checkpoints[3].x1 + d.checkpoints[3].x2), d), 80, 1);
    for (const RaceFinding& f : EditorRaceCheck(d))
        ADD_FAILURE() << f.text;
}

TEST(TrackBuilderPlacement, RecipesItCannotBuildAreRefusedByDirective)
{
    const struct {
        const char* name;
        std::string recipe;
        const char* says;
    } cases[] = {
        // The straights 6 m apart on an 8 m road: the legs would merge.
        {"legs_merge",
         "world 160\nroad tarmac 8\npoint 20 50\npoint 140 50\npoint 144 53\npoint 140 56\npoint 20 56\n"
         "point 16 53\npit right 0.2 0.8 12 6 2\n",
         "road 8: two legs of the centre line run"},
        // More checkpoints than the two straights have room for.
        {"crowded", std::string(kPaperclip) + "checkpoints 40\n", "checkpoints 40: no straight stretch"},
        // A tight circle (radius 14 m) has no straight stretch at all for the finish.
        {"circle",
         "world 80\nroad tarmac 8\npoint 54 40\npoint 49.9 49.9\npoint 40 54\npoint 30.1 49.9\npoint 26 40\n"
         "point 30.1 30.1\npoint 40 26\npoint 49.9 30.1\n",
         "finish 0: no straight stretch"},
    };
    for (const auto& c : cases) {
        const Built b = Build(c.name, c.recipe);
        EXPECT_NE(b.status, 0) << c.name;
        EXPECT_TRUE(b.track.empty()) << c.name << ": a refused recipe left a file";
        EXPECT_NE(b.errors.find(c.says), std::string::npos) << c.name << ": " << b.errors;
    }
    // Legs 12 m apart on the same road are fine.
    EXPECT_EQ(Build("apart", kPaperclip).status, 0);
    fs::remove_all(Dir());
}
