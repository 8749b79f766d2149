// Whole races through the race runner, on the shipped tracks and on test
// tracks built here from recipes into the build's scratch folder: every car
// finishes with no long stall, the same seed gives the same document, a
// track without checkpoints ends at the cap with exit 1, records written on
// a scratch copy read back with trktool, and skill orders the lap times.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/shell/run_command.h"
#include "trackfile/trackfile.h"

namespace fs = std::filesystem;

namespace {

using Result = CommandResult;

// Runs a command; its output with the error output, or only the standard output.
Result Shell(const std::string& command, bool withErrors = true)
{
    return RunCommand(command + (withErrors ? " 2>&1" : " 2>/dev/null"));
}

Result Dwrace(const std::string& args, bool withErrors = true)
{
    return Shell(std::string(DW_RUN_DIR) + "/dwrace " + args, withErrors);
}

// Every number that follows "key": in the document, in order.
std::vector<double> Values(const std::string& doc, const std::string& key)
{
    std::vector<double> v;
    std::string k = "\"" + key + "\": ";
    for (size_t at = doc.find(k); at != std::string::npos; at = doc.find(k, at + 1))
        v.push_back(std::atof(doc.c_str() + at + k.size()));
    return v;
}

fs::path Scratch()
{
    fs::path p = fs::path(DW_BINARY_DIR) / "scratch" / "race_runner";
    fs::create_directories(p);
    return p;
}

// Builds a test recipe of tests/race/tracks into the scratch folder.
std::string TestTrack(const std::string& name)
{
    fs::path out = Scratch() / (name + ".trk");
    std::string recipe = std::string(DW_SOURCE_DIR) + "/tests/race/tracks/" + name + ".txt";
    Result r = Shell(std::string(DW_RUN_DIR) + "/trackbuilder build " + recipe + " " + out.string());
    EXPECT_EQ(r.status, 0) << r.out;
    return out.string();
}

std::string Shipped(const std::string& name) { return std::string(DW_RUN_DIR) + "/tracks/" + name + ".trk"; }

}  // namespace

TEST(RaceRunner, SixCarsFinishEveryShippedAndTestTrackWithoutLongStalls)
{
    std::vector<std::string> tracks;
    for (const char* t : {"beach", "club", "figure_eight", "grand_prix", "oval", "town", "offroad/rally", "offroad/snow"})
        tracks.push_back(Shipped(t));
    for (const char* t : {"hill_hairpins", "narrow_walls", "acute_oil", "bridge_loop"}) tracks.push_back(TestTrack(t));
    for (const std::string& track : tracks) {
        Result r = Dwrace("--json --seed 3 " + track);
        EXPECT_EQ(r.status, 0) << track << "\n" << r.out;
        std::vector<double> laps = Values(r.out, "laps"), stall = Values(r.out, "longestStall");
        ASSERT_EQ(laps.size(), 7u) << track;  // the race's laps, then one per car
        for (size_t k = 1; k < laps.size(); ++k) EXPECT_EQ(laps[k], laps[0]) << track << " car row " << k;
        for (double s : stall) EXPECT_LT(s, 10.0) << track;
        // Points by the default table (9 6 4 2 1 0, one for the fastest lap).
        double sum = 0;
        for (double p : Values(r.out, "points")) sum += p;
        EXPECT_EQ(sum, 23) << track;
    }
}

TEST(RaceRunner, TheSameSeedGivesTheSameDocumentAndTracksAreLeftAlone)
{
    std::string track = Shipped("grand_prix");
    auto before = fs::last_write_time(track);
    // Wall time, the one thing that differs between runs, goes to stderr.
    Result a = Dwrace("--json --seed 7 " + track, false), b = Dwrace("--json --seed 7 " + track, false);
    ASSERT_EQ(a.status, 0);
    ASSERT_NE(a.out.find("\"races\""), std::string::npos) << a.out;
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out, Dwrace("--json --seed 8 " + track, false).out);
    EXPECT_EQ(fs::last_write_time(track), before);
}

TEST(RaceRunner, ATrackWithoutCheckpointsEndsAtTheCapWithExitOne)
{
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(Shipped("oval").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    int ch;
    while ((ch = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(ch));
    std::fclose(f);
    TrackFile t;
    ASSERT_EQ(ReadTrackBytes(bytes.data(), bytes.size(), TrackReadGame, t), kTrackOk);
    t.checkpoints.clear();
    std::string path = (Scratch() / "no_checkpoints.trk").string();
    ASSERT_TRUE(WriteTrackFile(path.c_str(), t, t.trackLength));
    Result r = Dwrace("--cap 30 --seed 1 " + path);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("did not finish: 0 of 3 laps"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("time cap reached"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("waiting for checkpoint"), std::string::npos) << r.out;
    EXPECT_EQ(Dwrace("--seed 1 " + (Scratch() / "missing.trk").string()).status, 2);
}

TEST(RaceRunner, WrittenRecordsReadBackAndAReadOnlyCopyIsNotChanged)
{
    std::string copy = (Scratch() / "records_oval.trk").string(), locked = (Scratch() / "locked_oval.trk").string();
    fs::copy_file(Shipped("oval"), copy, fs::copy_options::overwrite_existing);
    Result r = Dwrace("--write-records --seed 2 " + copy);
    ASSERT_EQ(r.status, 0) << r.out;
    Result info = Shell(std::string(DW_RUN_DIR) + "/trktool info " + copy);
    EXPECT_EQ(info.out.find("1. 60.00 (empty)"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("1. "), std::string::npos) << info.out;
    // A read-only copy: the race runs, the file stays as it was.
    fs::copy_file(Shipped("oval"), locked, fs::copy_options::overwrite_existing);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string before = Shell("cat " + locked + " | md5sum").out;
    Result ro = Dwrace("--write-records --seed 2 " + locked);
    EXPECT_EQ(ro.status, 0) << ro.out;
    EXPECT_EQ(Shell("cat " + locked + " | md5sum").out, before);
    fs::permissions(locked, fs::perms::owner_all);
}

TEST(RaceRunner, MeanLapTimesFallWithSkillOnTheGrandPrix)
{
    double mean[4] = {};
    const int skills[4] = {60, 80, 100, 120};
    for (int seed = 1; seed <= 3; ++seed)
        for (int k = 0; k < 4; ++k) {
            std::string s = std::to_string(skills[k]);
            Result r = Dwrace("--json --cars 2 --skill " + s + "," + s + " --seed " + std::to_string(seed) + " " +
                           Shipped("grand_prix"));
            ASSERT_EQ(r.status, 0) << r.out;
            std::vector<double> time = Values(r.out, "time"), laps = Values(r.out, "laps");
            for (size_t c = 0; c < time.size(); ++c) mean[k] += time[c] / laps[c + 1] / 6;
        }
    for (int k = 1; k < 4; ++k) EXPECT_LT(mean[k], mean[k - 1]) << "skill " << skills[k];
}

TEST(RaceRunner, TheSkillGridStartsTheSlowestFirstAndTheStoryAddsUp)
{
    // Skills in car order 100, 60, 80: by skill the grid is car 2, car 3, car 1.
    Result r = Dwrace("--json --cars 3 --laps 3 --skill 100,60,80 --grid skill --fuel 0 --seed 4 " + Shipped("oval"), false);
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<double> cars = Values(r.out, "car"), passes = Values(r.out, "passes");
    ASSERT_EQ(cars.size(), 3u);
    ASSERT_EQ(passes.size(), 3u);
    // Positions after each lap: every lap a full set of places 1..3, each
    // car's last one its finishing place.
    std::vector<std::vector<int>> after;
    for (size_t at = r.out.find("\"lapPositions\": ["); at != std::string::npos; at = r.out.find("\"lapPositions\": [", at + 1)) {
        std::vector<int> laps;
        for (const char* p = r.out.c_str() + at + 17; *p && *p != ']'; ++p)
            if (*p >= '1' && *p <= '9') laps.push_back(*p - '0');
        after.push_back(laps);
    }
    ASSERT_EQ(after.size(), 3u);
    for (int lap = 0; lap < 3; ++lap) {
        int seen = 0;
        for (const std::vector<int>& laps : after) {
            ASSERT_EQ(laps.size(), 3u);
            seen |= 1 << laps[lap];
        }
        EXPECT_EQ(seen, 0b1110) << "lap " << lap + 1;
    }
    for (size_t k = 0; k < after.size(); ++k) EXPECT_EQ(after[k][2], static_cast<int>(k) + 1);
    // A car that gains places on the track without stops has passed someone.
    std::vector<double> stops = Values(r.out, "pitStops");
    for (size_t k = 0; k < cars.size(); ++k) {
        int grid = cars[k] == 2 ? 1 : cars[k] == 3 ? 2 : 3;
        if (stops[k] == 0 && static_cast<int>(k) + 1 < grid) {
            EXPECT_GE(passes[k], grid - static_cast<int>(k) - 1) << "car " << cars[k];
        }
    }
    EXPECT_NE(Dwrace("--grid fastest " + Shipped("oval")).status, 0);
}

// Cars behind one another on the oval, each faster than the one ahead: a car
// passed from both sides at once used to stay committed to a pass it had no
// room for, and the whole field trailed the slowest car (seeds 3 and 4).
// On the wide test track a tank lasts two laps, so the field comes in
// together: cars queue for a crew instead of driving through unserved and
// running dry. And in the muddy chicane a car rocked on the spot, never
// slow enough for long enough to count as stuck, for the rest of the race
// (seed 5): it must back out and go on.
TEST(RaceRunner, FasterCarsGetOutOfATrainAndNoCarIsLeftBehind)
{
    for (int seed : {3, 4}) {
        Result r = Dwrace("--json --laps 5 --car hatchback --skill 60,70,80,90,100,110 --grid skill --seed " +
                              std::to_string(seed) + " " + Shipped("oval"), false);
        ASSERT_EQ(r.status, 0) << r.out;
        std::vector<double> skill = Values(r.out, "skill");  // in finishing order
        ASSERT_EQ(skill.size(), 6u);
        int inOrder = 0;
        for (size_t a = 0; a < 6; ++a)
            for (size_t b = a + 1; b < 6; ++b) inOrder += skill[a] > skill[b];
        EXPECT_GE(inOrder, 12) << "seed " << seed << "\n" << r.out;
        EXPECT_EQ(skill.back(), 60) << "seed " << seed;
    }
    std::string wide = TestTrack("wide_straights");
    for (int seed : {4, 5}) {
        Result r = Dwrace("--json --laps 5 --car hatchback --skill 140,60,60,60,60,60 --grid skill --seed " +
                              std::to_string(seed) + " " + wide, false);
        ASSERT_EQ(r.status, 0) << r.out;
        std::vector<double> stops = Values(r.out, "pitStops"), stall = Values(r.out, "longestStall");
        ASSERT_EQ(stops.size(), 6u);
        EXPECT_EQ(r.out.find("\"finished\": false"), std::string::npos) << "seed " << seed << "\n" << r.out;
        for (double s : stops) EXPECT_GE(s, 2) << "seed " << seed;  // a tank lasts 2.2 laps
        for (double s : stall) EXPECT_LT(s, 10.0) << "seed " << seed;
    }
    Result r = Dwrace("--json --laps 5 --car hatchback --skill 60,70,80,90,100,110 --grid skill --fuel 0 --seed 5 " +
                          TestTrack("mud_chicanes"), false);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("\"finished\": false"), std::string::npos) << r.out;
    for (double s : Values(r.out, "longestStall")) EXPECT_LT(s, 10.0) << r.out;
}
