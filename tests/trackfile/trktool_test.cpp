// trktool run as a program on files written here.
#include "tests/shell/run_command.h"
#include "tests/trackfile/sample_record.h"
#include "trackfile/trackfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using RunResult = CommandResult;

// A scratch path of this test process: ctest runs the tests of this file in
// parallel processes, which must not share files.
std::string ScratchPath(const char* name)
{
    return std::string(DW_BINARY_DIR) + "/trktool_" + std::to_string(getpid()) + "_" + name;
}

// Runs trktool with its standard error folded away into a file of its own.
RunResult RunTool(const std::string& args, std::string* errors = nullptr, const std::string& prefix = "")
{
    std::string errPath = ScratchPath("test.err");
    std::string cmd = prefix + std::string(DW_RUN_DIR) + "/trktool " + args + " 2>" + errPath;
    RunResult r = RunCommand(cmd);
    if (errors) {
        std::vector<uint8_t> e;
        ReadWholeFile(errPath.c_str(), e);
        errors->assign(e.begin(), e.end());
    }
    std::remove(errPath.c_str());
    return r;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace

TEST(Trktool, InfoListsEverySectionRecordsGhostAndTrailer)
{
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 90;
    t.waterLevel = 3;
    t.viewAngle = 50;
    t.rotation = -45;
    t.objects.push_back({4, 10, 10, 0});
    t.objects.push_back({4, 20, 10, 0});
    t.objects.push_back({33, 20, 10, 0});
    t.pitCrews.push_back({1, 1, 0});
    t.checkpoints.resize(3);
    t.limiters.resize(2);
    t.aiLine = {{0, 0}, {512, 0}};
    t.pitLine = {{0, 0}};
    t.author = "Author Name";
    t.comments = "Two\nlines";
    std::string path = ScratchPath("test.trk");
    ASSERT_TRUE(WriteTrackFile(path.c_str(), t));

    ASSERT_EQ(WriteSampleRecord(path, 1234), kTrackOk);

    RunResult r = RunTool("info " + Quote(path));
    ASSERT_EQ(r.status, 0);
    const char* expected[] = {
        "version: 288\n", "world size: 90\n", "water level: 3\n", "view angle: 50\n", "rotation: -45\n",
        "zoom: 105\n", "S/F line: on\n", "land runs: 65\n", "objects: 9\n", "  Start: 6\n",
        "  Palm tree: 2\n", "  unknown type 33: 1\n", "pit crews: 1\n", "checkpoints: 3\n", "limiters: 2\n",
        "AI line points: 2\n", "pit AI line points: 1\n", "track length: 90\n", "author: Author Name\n",
        "comments: Two\\nlines\n", "  1. 12.34  Fast Fred  Buggy  2026-03-05 06:07:08\n",
        "  7. 60.00 (empty)\n", "ghost lap: 1234 frames\n", "trailer: present, checksums match\n"};
    for (const char* line : expected)
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n--- got:\n" << r.out;

    r = RunTool("identity " + Quote(path));
    ASSERT_EQ(r.status, 0);
    TrackFile back;
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, back), kTrackOk);
    char sums[64];
    std::snprintf(sums, sizeof sums, "%08x %08x %08x %08x\n", back.identity[0], back.identity[1],
                  back.identity[2], back.identity[3]);
    EXPECT_EQ(r.out, sums);
    std::remove(path.c_str());
}

TEST(Trktool, ErrorsGoToStandardErrorWithAFailingStatus)
{
    std::string errors;
    RunResult r = RunTool("info /nonexistent/file.trk", &errors);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(errors.find("cannot open"), std::string::npos);

    std::string path = ScratchPath("junk.trk");
    std::vector<uint8_t> junk(300, 0xFF);
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), junk.data(), junk.size()));
    r = RunTool("identity " + Quote(path), &errors);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(errors.find("not a readable track"), std::string::npos);
    std::remove(path.c_str());

    r = RunTool("frobnicate x", &errors);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(errors.find("usage"), std::string::npos);
}

TEST(Trktool, PipeNamedLikeATrackFailsAtOnce)
{
    std::string path = ScratchPath("pipe.trk");
    std::remove(path.c_str());
    ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
    // Under a time limit, so that a reader waiting for a writer fails the
    // test (status 124) instead of hanging it.
    for (const char* command : {"info ", "identity "}) {
        std::string errors;
        RunResult r = RunTool(std::string(command) + Quote(path), &errors, "timeout 10 ");
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(errors.find("not a regular file"), std::string::npos) << command << errors;
    }
    std::remove(path.c_str());
}
