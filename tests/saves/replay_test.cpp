// The replay: ring capacity and overwriting, the rate keys, the cut area as
// stored, leaving the replay, and a block written and read back.
#include "tests/race/race_fixture.h"
#include "tests/saves/bare_cars.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Game/frontend/frontend.h"

using namespace racetest;

namespace {

// Car 0's x position in a frame, in 1/150 m: the tests below write a frame
// number there so that frames can be told apart.
int FrameMark(const ReplayFrame& f) { return f.pos[0]; }

// A race without a track: n cars whose x position is set before each step.
void BareReplay(int n, int frameStep, int length)
{
    iniSettings.frameStep = frameStep;
    iniSettings.replayLength = length;
    raceState = RaceState{};
    raceState.carCount = n;
    PlaceBareCars();
    ResetReplay(0, 0);
}

// A race on a shipped track with the replay recording every frameStep steps
// into a 60-second ring.
bool StartRecordedRace(const std::string& track, int n, int frameStep)
{
    iniSettings.frameStep = frameStep;
    iniSettings.replayLength = 60;
    if (!StartTestRace(track, n, 0)) return false;
    InstallReplay();
    ResetReplay(0, 0);
    return true;
}

void RecordMarked(int steps)
{
    for (int k = 0; k < steps; ++k) {
        for (int i = 0; i < raceState.carCount; ++i) cars[i].pos = {static_cast<float>(k % 60000) / 150.0f, 1, 1};
        RecordReplay();
    }
}

std::vector<uint8_t> CarBytes(int i)
{
    ByteWriter w;
    WriteCarState(w, cars[i]);
    for (int k = 0; k < 4; ++k) WriteI32(w, cars[i].keys[k]);
    return w.bytes;
}

class ReplayTest : public ::testing::Test {
protected:
    void SetUp() override { DefaultIniSettings(iniSettings); }
    void TearDown() override
    {
        DefaultIniSettings(iniSettings);
        ResetReplay(0, 0);
    }
};

}  // namespace

TEST_F(ReplayTest, CapacityIsClampedAndAFullRingKeepsTheNewestFrames)
{
    BareReplay(2, 1, 60);
    EXPECT_EQ(replay.capacity, 6000);
    EXPECT_EQ(replay.buffers[0].size(), 6001u);
    EXPECT_EQ(replay.buffers[1].size(), 6001u);
    EXPECT_TRUE(replay.buffers[2].empty());
    // Two minutes at one frame a step: only the last minute is kept.
    RecordMarked(12000);
    EXPECT_EQ(replay.frames, 6000);
    EXPECT_EQ(FrameMark(replay.buffers[0][static_cast<size_t>(replay.start)]), 6000);
    EXPECT_EQ(FrameMark(replay.buffers[1][static_cast<size_t>((replay.start + 5999) % 6000)]), 11999);

    // Every fifth step with the default interval; out-of-range settings are clamped.
    BareReplay(1, 5, 10);
    RecordMarked(23);
    EXPECT_EQ(replay.frames, 4);
    EXPECT_EQ(FrameMark(replay.buffers[0][0]), 4);
    EXPECT_EQ(FrameMark(replay.buffers[0][3]), 19);
    EXPECT_EQ(ReplayCapacity(0, 0), 200);
    iniSettings.replayLength = 0;
    EXPECT_EQ(ReplayCapacity(7, 0), kReplayMinFrames);
    iniSettings.replayLength = 100000;
    EXPECT_EQ(ReplayCapacity(-3, 0), kReplayMaxFrames);  // no interval given: FrameStep's
    iniSettings.frameStep = 1000;
    iniSettings.replayLength = 10;
    EXPECT_EQ(ReplayCapacity(0, 0), kReplayMinFrames);   // interval 100: 10 frames
    EXPECT_EQ(ReplayCapacity(0, 500), 500);              // a loaded replay is never cut
    EXPECT_EQ(ReplayCapacity(0, 1 << 30), kReplayMaxFrames);
}

TEST_F(ReplayTest, RateKeysStepThroughEighthsAndTheFastKeysQuadruple)
{
    BareReplay(1, 1, 10);
    char text[16];
    const char* faster[] = {" 2:1", " 3:1", " 4:1", " 5:1", " 6:1", " 7:1", " 8:1", " 8:1"};
    for (const char* expected : faster) {
        ReplayPress(SDLK_KP_PLUS);
        ReplayRateText(text);
        EXPECT_STREQ(text, expected);
    }
    EXPECT_FLOAT_EQ(replay.rate, 8);
    for (int k = 0; k < 7; ++k) ReplayPress(SDLK_KP_MINUS);
    const char* slower[] = {" 1:2", " 1:3", " 1:4", " 1:5", " 1:6", " 1:7", " 1:8", " 1:8"};
    for (const char* expected : slower) {
        ReplayPress(SDLK_KP_MINUS);
        ReplayRateText(text);
        EXPECT_STREQ(text, expected);
    }
    EXPECT_FLOAT_EQ(replay.rate, 1.0f / 8);
    ReplayPress(SDLK_KP_PLUS);  // 1:7
    ReplayPress(SDLK_LEFT);
    ReplayRateText(text);
    EXPECT_STREQ(text, "-1:7");
    EXPECT_FLOAT_EQ(replay.rate, -1.0f / 7);
    ReplayPress(SDLK_DOWN);
    EXPECT_FLOAT_EQ(replay.rate, 0);
    // Page up and down ignore the direction: four times the chosen rate.
    replay.fastKey = 1;
    UpdateReplayRate();
    EXPECT_FLOAT_EQ(replay.rate, 4.0f / 7);
    replay.fastKey = -1;
    UpdateReplayRate();
    EXPECT_FLOAT_EQ(replay.rate, -4.0f / 7);
    ReplayRateText(text);
    EXPECT_STREQ(text, "-1:7");

    char time[16];
    ReplayTimeText(6125, 1, time);
    EXPECT_STREQ(time, "  1:01");
    ReplayTimeText(72000, 5, time);
    EXPECT_STREQ(time, " 1:00:00");
}

TEST_F(ReplayTest, TheCutAreaIsStoredFromItsFirstWholeFrameAcrossTheRingsEnd)
{
    BareReplay(2, 1, 5);  // 500 frames
    RecordMarked(800);     // the ring has wrapped: the oldest frame is step 300 at index 300
    ASSERT_EQ(replay.start, 300);
    replay.cutBegin = 100.7f;
    replay.cutEnd = 300.2f;
    ByteWriter w;
    ASSERT_TRUE(WriteReplay(w));
    ByteReader r = MakeReader(w.bytes);
    EXPECT_EQ(ReadU16(r), kReplayVersion);
    EXPECT_EQ(ReadU8(r), 'R');
    EXPECT_EQ(ReadU8(r), 'P');
    EXPECT_EQ(ReadU32(r), 1u);
    ASSERT_EQ(ReadU32(r), 200u);
    for (int car = 0; car < 2; ++car) {
        EXPECT_EQ(ReadU8(r), 'P');
        EXPECT_EQ(ReadU8(r), 'L');
        EXPECT_EQ(ReadU8(r), 'R');
        EXPECT_EQ(ReadU8(r), '1' + car);
        for (int k = 0; k < 200; ++k) {
            // Frame 100 of the replay is step 400: ring index (300 + 100) mod 500.
            ASSERT_EQ(ReadU16(r), 400 + k) << "car " << car << " frame " << k;
            ReaderSkip(r, kReplayFrameBytes - 2);
        }
    }
    EXPECT_EQ(ReaderRemaining(r), 0u);
    EXPECT_FALSE(r.failed);

    // Marks set backwards cut the same stretch; no marks store the whole ring from its oldest frame.
    std::swap(replay.cutBegin, replay.cutEnd);
    ByteWriter back;
    WriteReplay(back);
    EXPECT_EQ(back.bytes, w.bytes);
    replay.cutBegin = replay.cutEnd = -1;
    ByteWriter whole;
    WriteReplay(whole);
    ByteReader all = MakeReader(whole.bytes);
    ReaderSkip(all, 8);
    EXPECT_EQ(ReadU32(all), 500u);
    ReaderSkip(all, 4);
    EXPECT_EQ(ReadU16(all), 300);
    ReaderSkip(all, 199 * kReplayFrameBytes + 16);
    EXPECT_EQ(ReadU16(all), 500);  // the run from the ring's start follows the run to its end

    // Nothing recorded: nothing written.
    ResetReplay(0, 0);
    ByteWriter none;
    EXPECT_FALSE(WriteReplay(none));
    EXPECT_TRUE(none.bytes.empty());
}

TEST_F(ReplayTest, LeavingPutsEveryCarBackWhateverWasWatchedAndTheLightsRunAgain)
{
    ASSERT_TRUE(StartRecordedRace("\\oval", 4, 2));
    Steps(2400);
    ASSERT_EQ(raceState.phase, RacePhase::Racing);
    ASSERT_EQ(replay.frames, 1200);
    std::vector<uint8_t> before[kMaxCars];
    for (int i = 0; i < 4; ++i) before[i] = CarBytes(i);
    int32_t clock = raceState.raceClock;

    ASSERT_TRUE(EnterReplay());
    EXPECT_EQ(raceState.phase, RacePhase::Replay);
    EXPECT_EQ(raceState.startLight, -1);
    EXPECT_FLOAT_EQ(replay.position, 1200 - 2001 * 0.5f);
    // Watch backwards at double speed, forwards at 1/3, jump about.
    ReplayPress(SDLK_LEFT);
    ReplayPress(SDLK_KP_PLUS);
    Steps(150);
    EXPECT_NE(CarBytes(0), before[0]);
    ReplayPress(SDLK_HOME);
    ReplayPress(SDLK_RIGHT);
    for (int k = 0; k < 4; ++k) ReplayPress(SDLK_KP_MINUS);
    Steps(100);
    ReplayPress(SDLK_END);
    Steps(5);
    EXPECT_FLOAT_EQ(replay.position, 1199);
    EXPECT_EQ(raceState.raceClock, clock);

    // Escape, then its release: the poses come back and the start lights run.
    AllocKeyState();
    keyState[SDLK_ESCAPE] = 1;
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::ReplayExit);
    keyState[SDLK_ESCAPE] = 0;
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Countdown);
    EXPECT_EQ(raceState.phaseCounter, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(CarBytes(i), before[i]) << "car " << i;
    EXPECT_FLOAT_EQ(replay.rate, 1);
    EXPECT_FLOAT_EQ(replay.cutBegin, -1);
    // The race goes on and records on.
    Steps(400);
    EXPECT_EQ(raceState.phase, RacePhase::Racing);
    EXPECT_GT(raceState.raceClock, clock);
    EXPECT_GT(replay.frames, 1200);

    // C marks the cut's start, C again its end: the race is back as it was and the pause menu opens.
    for (int i = 0; i < 4; ++i) before[i] = CarBytes(i);
    int pauses = 0;
    static int* pauseCount = &pauses;
    raceSeams.openPauseMenu = [] { ++*pauseCount; };
    ASSERT_TRUE(EnterReplay());
    ReplayPress(SDLK_HOME);
    Steps(20);
    ReplayPress(SDLK_c);
    EXPECT_FLOAT_EQ(replay.cutBegin, 10);  // 20 steps at half a frame each
    EXPECT_EQ(raceState.phase, RacePhase::Replay);
    Steps(50);
    ReplayPress(SDLK_c);
    EXPECT_FLOAT_EQ(replay.cutEnd, 35);
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(raceState.phase, RacePhase::Countdown);
    EXPECT_FALSE(raceState.raceRunning);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(CarBytes(i), before[i]) << "car " << i;
    ByteWriter cut;
    ASSERT_TRUE(WriteReplay(cut));
    EXPECT_EQ(cut.bytes.size(), 12u + 4 * (4 + 25 * kReplayFrameBytes));
    // Racing on moves the ring under the marks: they are dropped.
    raceState.raceRunning = true;
    Steps(250);
    EXPECT_FLOAT_EQ(replay.cutBegin, -1);
}

// A timed race paused for the replay: the clock stands still from the first
// pause until racing goes on, through the cut's resume and second pause.
TEST_F(ReplayTest, ATimedRaceLosesNoTimeToAReplayWithACut)
{
    ASSERT_TRUE(StartRecordedRace("\\oval", 2, 1));
    raceState.timedRace = true;
    raceState.raceSeconds = 300;
    Steps(100);
    ASSERT_EQ(raceState.wallEnd, fakeWall + 300);
    int32_t end = raceState.wallEnd;
    Pause();
    ASSERT_TRUE(EnterReplay());
    fakeWall += 40;
    ReplayPress(SDLK_c);
    Steps(10);
    fakeWall += 20;
    ReplayPress(SDLK_c);  // back to the race and the pause menu again
    fakeWall += 30;
    Resume();
    for (int k = 0; k < 400 && raceState.phase != RacePhase::Racing; ++k) RaceStep();
    ASSERT_EQ(raceState.phase, RacePhase::Racing);
    RaceStep();
    EXPECT_EQ(raceState.wallEnd, end + 90);
}

TEST_F(ReplayTest, PlaybackPassesThroughTheRecordedPosesAndStaysBetweenThem)
{
    ASSERT_TRUE(StartRecordedRace("\\grand_prix", 3, 5));
    std::vector<Vec3> recorded;
    for (int k = 0; k < 3000; ++k) {
        if (replay.stepCounter == replay.interval - 1) recorded.push_back(cars[1].pos);
        RaceStep();
    }
    ASSERT_EQ(replay.frames, 600);
    ASSERT_EQ(recorded.size(), 600u);
    ASSERT_TRUE(EnterReplay());
    for (int frame : {1, 57, 300, 598}) {
        DecodeReplayPose(1, frame, 0);
        EXPECT_NEAR(cars[1].pos.x, recorded[static_cast<size_t>(frame)].x, 0.5f / 150);
        EXPECT_NEAR(cars[1].pos.z, recorded[static_cast<size_t>(frame)].z, 0.5f / 150);
        // Half-way: near the middle of the two frames, the rows still a rotation.
        DecodeReplayPose(1, frame, 0.5f);
        Vec3 mid = (recorded[static_cast<size_t>(frame)] + recorded[static_cast<size_t>(frame + 1)]) * 0.5f;
        float step = Length(recorded[static_cast<size_t>(frame + 1)] - recorded[static_cast<size_t>(frame)]);
        EXPECT_LT(Length(cars[1].pos - mid), 0.25f * step + 0.02f);
        EXPECT_NEAR(Length(cars[1].up), 1, 1e-3f);
        EXPECT_NEAR(Dot(cars[1].up, cars[1].forward), 0, 1e-3f);
    }

    // Written and read back, the block plays the same poses.
    ByteWriter w;
    ASSERT_TRUE(WriteReplay(w));
    std::vector<CarState> shown;
    for (float p : {0.0f, 10.25f, 333.5f, 599.0f}) {
        replay.position = p;
        ReplayStep();
        for (int i = 0; i < 3; ++i) shown.push_back(cars[i]);
    }
    ResetReplay(0, 0);
    ByteReader r = MakeReader(w.bytes);
    ASSERT_TRUE(ReadReplay(r));
    EXPECT_EQ(replay.frames, 600);
    EXPECT_EQ(replay.buffers[2][10].flags, 1);
    size_t k = 0;
    for (float p : {0.0f, 10.25f, 333.5f, 599.0f}) {
        replay.position = p;
        ReplayStep();
        for (int i = 0; i < 3; ++i, ++k) {
            EXPECT_EQ(std::memcmp(&cars[i].pos, &shown[k].pos, sizeof(Vec3)), 0) << p;
            EXPECT_EQ(std::memcmp(&cars[i].forward, &shown[k].forward, sizeof(Vec3)), 0) << p;
            EXPECT_EQ(std::memcmp(cars[i].points, shown[k].points, sizeof cars[i].points), 0) << p;
        }
    }
}

TEST_F(ReplayTest, AReplayBlockIsCheckedBeforeAnythingIsAllocatedOrRead)
{
    BareReplay(3, 1, 10);
    RecordMarked(50);
    ByteWriter w;
    ASSERT_TRUE(WriteReplay(w));
    ReplayBlock block;
    // Cut anywhere inside the frames: refused.
    for (size_t cut : {size_t(12), size_t(16), size_t(17), w.bytes.size() - 1}) {
        ByteReader r = MakeReader(w.bytes.data(), cut);
        EXPECT_FALSE(ParseReplay(r, block, 3)) << cut;
    }
    // A frame count beyond any ring: refused without allocating.
    std::vector<uint8_t> huge = w.bytes;
    huge[8] = huge[9] = huge[10] = 0xFF;
    huge[11] = 0x7F;
    ByteReader hr = MakeReader(huge);
    EXPECT_FALSE(ParseReplay(hr, block, 3));
    // Another block type: no replay, and the reader stays where it was.
    std::vector<uint8_t> other = w.bytes;
    other[2] = 'X';
    ByteReader orr = MakeReader(other);
    EXPECT_TRUE(ParseReplay(orr, block, 3));
    EXPECT_EQ(block.frames, 0);
    EXPECT_EQ(orr.pos, 0u);
    // A wrong tag for the second car: no replay, the reader left at the tag.
    std::vector<uint8_t> tag = w.bytes;
    tag[12 + 4 + 50 * kReplayFrameBytes + 3] = '5';
    ByteReader tr = MakeReader(tag);
    ASSERT_TRUE(ParseReplay(tr, block, 3));
    EXPECT_EQ(block.frames, 0);
    EXPECT_TRUE(block.buffers[0].empty());
    EXPECT_EQ(tr.pos, 12u + 4 + 50 * kReplayFrameBytes);
    // Fewer cars in the race than in the block: the first ones are read, the reader stops after them.
    ByteReader fr = MakeReader(w.bytes);
    ASSERT_TRUE(ParseReplay(fr, block, 2));
    EXPECT_EQ(block.frames, 50);
    EXPECT_EQ(block.buffers[1].size(), 50u);
    EXPECT_TRUE(block.buffers[2].empty());
    EXPECT_EQ(fr.pos, 12u + 2 * (4 + 50 * kReplayFrameBytes));
}
