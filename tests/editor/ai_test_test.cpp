// "Test with AI" without a window: the run through a fake runner (progress
// split across reads, the finished trace, a failed run, cancelling), the
// real race program on a shipped track, the marks as a switchable layer of
// the view, and the race warning shown before saving.
#include "Courseforge/editor.h"
#include "Courseforge/view.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Polls a running AI test every 10 ms until it has ended or `seconds` have
// passed; whether it ended.
bool PollUntilDone(AiTest& t, Editor& e, AiTestResult& result, std::string& message, int seconds)
{
    for (int k = 0; k < seconds * 100; k++) {
        if (AiTestPoll(t, e, result, message)) return true;
        usleep(10000);
    }
    return false;
}

// The fake runner plays back a script of (stderr text, status) answers and,
// at the end, writes the trace the script holds to the --trace file.
struct Fake {
    std::vector<std::string> args;
    std::vector<std::pair<std::string, int>> script;
    size_t next = 0;
    std::string trace;
    bool stopped = false;
    bool copyLoaded = false;
} fake;

std::string ArgAfter(const char* flag)
{
    for (size_t k = 0; k + 1 < fake.args.size(); k++)
        if (fake.args[k] == flag)
            return fake.args[k + 1];
    return std::string();
}

bool FakeStart(const std::vector<std::string>& args, std::string&)
{
    fake.args = args;
    // The copy is on disk when the program starts, and is the edited track.
    static Editor copy;
    EditorInit(copy);
    fake.copyLoaded = EditorLoad(copy, args.back().c_str()).ok && copy.doc.checkpoints.size() == 1;
    return true;
}

int FakePoll(std::string& out)
{
    if (fake.next >= fake.script.size())
        return -1;
    const auto& [text, status] = fake.script[fake.next++];
    out += text;
    if (status >= 0 && !fake.trace.empty())
        WriteFileReplacing(ArgAfter("--trace").c_str(), fake.trace.data(), fake.trace.size());
    return status;
}

void FakeStop() { fake.stopped = true; }

const char* const kTrace = R"({
  "races": [
    {"track": "/tmp/x/test.trk", "laps": 3, "cars": [
      {"car": 1, "laps": 3, "bestLap": 31.25, "stalls": 0, "finished": true},
      {"car": 2, "laps": 1, "bestLap": 0.00, "stalls": 2, "finished": false}
    ]}
  ],
  "events": [
    {"race": 0, "kind": "stall", "car": 2, "time": 12.50, "x": 40.00, "z": 80.00},
    {"race": 0, "kind": "missed", "car": 2, "time": 20.00, "x": 60.00, "z": 30.00, "checkpoint": 3},
    {"race": 0, "kind": "hit", "car": 1, "time": 22.00, "x": 10.00, "z": 10.00, "object": 9},
    {"race": 0, "kind": "offroad", "car": 1, "time": 23.00, "x": 11.00, "z": 12.00}
  ]
}
)";

class AiTestRun : public testing::Test {
protected:
    void SetUp() override
    {
        saved = aiTestRunner;
        aiTestRunner = {FakeStart, FakePoll, FakeStop};
        fake = Fake{};
        EditorInit(e);
        e.doc.worldSize = 128;
        e.doc.pixelsPerUnit = 4;
        e.doc.fileName = "mine.trk";
        e.doc.checkpoints.push_back(EditorLine{10, 10, 20, 20});
    }
    void TearDown() override { aiTestRunner = saved; }

    AiTestRunner saved;
    Editor e;
    AiTest t;
    AiTestResult result;
    std::string message;
};

TEST_F(AiTestRun, ProgressThenResultsAndMarks)
{
    fake.script = {{"dwrace: progress 0.250\ndwrace: prog", -1}, {"ress 0.5", -1}, {"00\n", -1}, {"", 1}};
    fake.trace = kTrace;
    std::string error;
    ASSERT_TRUE(AiTestStart(t, e, "/opt/dwrace", 6, 3, error)) << error;
    EXPECT_TRUE(fake.copyLoaded);
    EXPECT_EQ(fake.args.front(), "/opt/dwrace");
    EXPECT_EQ(ArgAfter("--cars"), "6");
    EXPECT_EQ(ArgAfter("--laps"), "3");
    EXPECT_EQ(e.doc.fileName, "mine.trk") << "the copy must not become the current file";
    std::string another;
    EXPECT_FALSE(AiTestStart(t, e, "/opt/dwrace", 6, 3, another)) << "one run at a time";

    EXPECT_FALSE(AiTestPoll(t, e, result, message));
    EXPECT_DOUBLE_EQ(t.progress, 0.25);
    EXPECT_FALSE(AiTestPoll(t, e, result, message));
    EXPECT_DOUBLE_EQ(t.progress, 0.25) << "half a line is not read yet";
    EXPECT_FALSE(AiTestPoll(t, e, result, message));
    EXPECT_DOUBLE_EQ(t.progress, 0.5);
    // Exit status 1 (a car did not finish) still has a trace to show.
    ASSERT_TRUE(AiTestPoll(t, e, result, message));
    EXPECT_EQ(message, "");
    EXPECT_FALSE(t.running);
    EXPECT_FALSE(fs::exists(t.folder)) << "the copy and trace are removed";

    ASSERT_EQ(result.cars.size(), 2u);
    EXPECT_EQ(result.raceLaps, 3);
    EXPECT_DOUBLE_EQ(result.cars[0].bestLap, 31.25);
    EXPECT_TRUE(result.cars[0].finished);
    EXPECT_EQ(result.cars[1].stalls, 2);
    EXPECT_FALSE(result.cars[1].finished);
    ASSERT_EQ(e.testMarks.size(), 4u);
    const AiTestMark& stall = e.testMarks[0];
    EXPECT_EQ(stall.kind, kMarkStall);
    EXPECT_FLOAT_EQ(stall.x, 160);             // 40 m at 4 pixels a metre
    EXPECT_FLOAT_EQ(stall.y, 512 - 320);       // 80 m north
    EXPECT_EQ(e.testMarks[1].kind, kMarkMissed);
    EXPECT_EQ(e.testMarks[1].detail, 3);
    EXPECT_EQ(e.testMarks[2].kind, kMarkHit);
    EXPECT_EQ(e.testMarks[2].detail, 9);
    EXPECT_EQ(e.testMarks[3].kind, kMarkOffroad);
    const std::string summary = AiTestSummary(result);
    EXPECT_NE(summary.find("Car 1: 3 of 3 laps, best lap 31.25 s, 0 stalls\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Car 2: 1 of 3 laps, no lap timed, 2 stalls, not finished\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("1 stall (red), 1 off the road (orange), 1 hit (purple), 1 missed checkpoint (blue)"),
              std::string::npos)
        << summary;
    // A new track has no marks of the old one.
    EditorNew(e);
    EXPECT_TRUE(e.testMarks.empty());
}

TEST_F(AiTestRun, CancelStopsTheProgramAndAFailedRunSaysSo)
{
    fake.script = {{"dwrace: progress 0.1\n", -1}};
    std::string error;
    ASSERT_TRUE(AiTestStart(t, e, "/opt/dwrace", 6, 3, error));
    EXPECT_FALSE(AiTestPoll(t, e, result, message));
    EXPECT_TRUE(t.running);
    AiTestCancel(t);
    EXPECT_TRUE(fake.stopped);
    EXPECT_FALSE(t.running);
    EXPECT_FALSE(fs::exists(t.folder));
    EXPECT_FALSE(AiTestPoll(t, e, result, message)) << "nothing more after a cancel";
    EXPECT_TRUE(e.testMarks.empty());

    // A program that cannot race the track: a message, no marks.
    fake = Fake{};
    fake.script = {{"dwrace: cannot read the track\n", 2}};
    ASSERT_TRUE(AiTestStart(t, e, "/opt/dwrace", 6, 3, error));
    ASSERT_TRUE(AiTestPoll(t, e, result, message));
    EXPECT_NE(message.find("exit status 2"), std::string::npos) << message;
    EXPECT_TRUE(e.testMarks.empty());
}

// The real race program as a process, on a shipped track: the trace it
// writes is the one the editor reads.
TEST(AiTestProcess, RealRaceOnAShippedTrack)
{
    const std::string program = std::string(DW_RUN_DIR) + "/dwrace";
    if (!fs::exists(program))
        GTEST_SKIP() << "dwrace is not built";
    static Editor e;
    EditorInit(e);
    ASSERT_TRUE(EditorLoad(e, (std::string(DW_SOURCE_DIR) + "/data/tracks/oval.trk").c_str()).ok);
    AiTest t;
    AiTestResult result;
    std::string error, message;
    ASSERT_TRUE(AiTestStart(t, e, program, 2, 1, error)) << error;
    ASSERT_TRUE(PollUntilDone(t, e, result, message, 30)) << "the race did not end within 30 s";
    EXPECT_EQ(message, "");
    ASSERT_EQ(result.cars.size(), 2u);
    EXPECT_EQ(result.raceLaps, 1);
    for (const AiTestCar& c : result.cars) {
        EXPECT_TRUE(c.finished);
        EXPECT_EQ(c.laps, 1);
    }
    EXPECT_DOUBLE_EQ(t.progress, 1.0);
}

// A wall standing on the AI line: the cars run into it, and the marks say
// where and which object.
TEST(AiTestProcess, CarsHittingAWallAreMarkedAtIt)
{
    const std::string program = std::string(DW_RUN_DIR) + "/dwrace";
    if (!fs::exists(program))
        GTEST_SKIP() << "dwrace is not built";
    static Editor e;
    EditorInit(e);
    ASSERT_TRUE(EditorLoad(e, (std::string(DW_SOURCE_DIR) + "/data/tracks/oval.trk").c_str()).ok);
    const EditorPoint at = e.doc.aiLine[e.doc.aiLine.size() / 3];
    const float angle = std::atan2(e.doc.aiLine[e.doc.aiLine.size() / 3 + 1].y - at.y,
                                   e.doc.aiLine[e.doc.aiLine.size() / 3 + 1].x - at.x) + 1.5708f;
    e.doc.objects.push_back(EditorObject{1, at.x, at.y, angle});  // a concrete wall across the line
    const int wall = static_cast<int>(e.doc.objects.size());
    AiTest t;
    AiTestResult result;
    std::string error, message;
    ASSERT_TRUE(AiTestStart(t, e, program, 2, 1, error)) << error;
    ASSERT_TRUE(PollUntilDone(t, e, result, message, 60));
    // Every hit names an object near the mark (a car thrown off the wall may
    // meet another), and at least one names the wall, at the wall.
    int wallHits = 0;
    for (const AiTestMark& m : e.testMarks)
        if (m.kind == kMarkHit) {
            ASSERT_GE(m.detail, 1);
            ASSERT_LE(m.detail, wall);
            const EditorObject& o = e.doc.objects[size_t(m.detail - 1)];
            EXPECT_LT(std::hypot(m.x - o.x, m.y - o.y) / e.doc.pixelsPerUnit, 6.0f);
            if (m.detail == wall) wallHits++;
        }
    EXPECT_GE(wallHits, 1);
}

TEST(AiTestView, MarksAreALayerThatCanBeSwitchedOff)
{
    static Editor e;
    EditorInit(e);
    e.controls.showObjects = e.controls.showAiLines = e.controls.showCheckpoints = false;
    AiTestMark m;
    m.kind = kMarkMissed;
    m.x = 300, m.y = 200;
    e.testMarks.push_back(m);
    ViewRedrawAll(e);
    const uint32_t blue = 0x0040FF;
    EXPECT_EQ(viewPixels[200 * kViewSize + 300], blue);
    e.controls.showTestMarks = false;
    ViewRedrawMarkers(e);
    EXPECT_NE(viewPixels[200 * kViewSize + 300], blue);
}

TEST(RaceWarning, ListsFindingsAndAsksToSaveAnyway)
{
    EXPECT_EQ(EditorRaceWarning({}), "");
    std::vector<RaceFinding> many(15);
    for (size_t k = 0; k < many.size(); k++)
        many[k].text = "finding " + std::to_string(k + 1);
    const std::string text = EditorRaceWarning(many);
    EXPECT_EQ(text.find("Computer cars may not get round this track:\n\n\t* finding 1\n"), 0u) << text;
    EXPECT_NE(text.find("\t* finding 12\n\t... and 3 more\n\nWould you like to save anyway?"), std::string::npos) << text;
    EXPECT_EQ(text.find("finding 13"), std::string::npos);
}

}  // namespace
