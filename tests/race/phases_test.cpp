// The race phase machine driven by an injected millisecond clock and wall
// clock: frame timing, start lights and the false-start lock, pausing,
// timed races, race length, the starting order, skipping and the season's end.
#include "tests/race/race_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace racetest;

namespace {

int pointsAwarded = 0;
int menusReturned = 0;
void CountPoints() { ++pointsAwarded; }
void CountReturn() { ++menusReturned; }

void Press(int key, bool down)
{
    AllocKeyState();
    keyState[key] = down ? 1 : 0;
}

void ReleaseAllKeys()
{
    AllocKeyState();
    std::memset(keyState, 0, kKeyStateSize);
}

// Runs frames of the given length until the phase is reached (at most n frames).
bool FramesUntil(RacePhase phase, uint32_t frameMs = 10, int n = 2000)
{
    for (int k = 0; k < n && raceState.phase != phase; ++k) {
        fakeTicks += frameMs;
        RaceFrameTick();
    }
    return raceState.phase == phase;
}

struct PhaseTest : ::testing::Test {
    void SetUp() override
    {
        ReleaseAllKeys();
        pointsAwarded = menusReturned = 0;
    }
    void TearDown() override { ReleaseAllKeys(); }
};

}  // namespace

TEST_F(PhaseTest, AFrameOneSecondLateRunsTwentyStepsAndEachFrameOnlyTheStepsDue)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    fakeTicks += 1000;
    EXPECT_EQ(RaceFrameTick(), 20);
    EXPECT_EQ(raceState.raceClock, 20);
    fakeTicks += 35;
    EXPECT_EQ(RaceFrameTick(), 3);
    fakeTicks += 5;  // the 5 ms left over and these make one more step
    EXPECT_EQ(RaceFrameTick(), 1);
    fakeTicks += 4;
    EXPECT_EQ(RaceFrameTick(), 0);
    EXPECT_EQ(raceState.raceClock, 24);
}

TEST_F(PhaseTest, StartLightsComeOnInTurnAndAThrottleHeldThroughThemLocksTheCar)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2, true));
    EXPECT_EQ(raceState.phase, RacePhase::Intro);
    for (int k = 0; k < 50; ++k) EXPECT_FALSE(RaceStep());
    EXPECT_EQ(raceState.phase, RacePhase::Intro) << "the intro waits for a key";
    Press(SDLK_SPACE, true);
    RaceStep();
    Press(SDLK_SPACE, false);
    ASSERT_EQ(raceState.phase, RacePhase::Countdown);
    script[0].accelerate = 100;  // car 0 jumps the start, car 1 waits
    std::vector<int> lights;
    for (int k = 0; k <= 210; ++k) {
        int before = raceState.startLight;
        bool redraw = RaceStep();
        if (raceState.startLight != before || redraw) lights.push_back(raceState.startLight);
    }
    EXPECT_EQ(lights, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(raceState.phase, RacePhase::Racing);
    EXPECT_EQ(cars[0].controlLock, 211);
    EXPECT_EQ(cars[1].controlLock, 0);
    // Locked: car 0 gets no throttle for as many steps as it was held.
    script[1].accelerate = 100;
    Steps(100);
    EXPECT_LT(Speed(0), 0.5f);
    EXPECT_GT(Speed(1), 10);
    EXPECT_EQ(raceState.startLight, -1) << "the lights go out 70 steps after green";
    Steps(200);
    EXPECT_EQ(cars[0].controlLock, 0);
    EXPECT_GT(Speed(0), 10);
}

TEST_F(PhaseTest, PausingRunsTheStartLightsAgainAndStopsTheRaceClock)
{
    for (RacePhase pauseIn : {RacePhase::Countdown, RacePhase::Racing}) {
        ASSERT_TRUE(StartTestRace("\\oval", 2, 2, true));
        Press(SDLK_SPACE, true);
        RaceStep();
        Press(SDLK_SPACE, false);
        if (pauseIn == RacePhase::Racing) {
            ASSERT_TRUE(FramesUntil(RacePhase::Racing));
            for (int k = 0; k < 50; ++k) {
                fakeTicks += 10;
                RaceFrameTick();
            }
        } else {
            Steps(100);
        }
        int clock = raceState.raceClock;
        Press(SDLK_ESCAPE, true);
        fakeTicks += 10;
        RaceFrameTick();
        Press(SDLK_ESCAPE, false);
        EXPECT_FALSE(raceState.raceRunning);
        for (int k = 0; k < 100; ++k) {
            fakeTicks += 50;
            RaceFrameTick();
        }
        EXPECT_EQ(raceState.raceClock, clock) << "no race time passes while paused";
        Resume();
        EXPECT_EQ(raceState.phase, RacePhase::Countdown);
        EXPECT_EQ(raceState.phaseCounter, 0);
        fakeTicks += 10;
        EXPECT_EQ(RaceFrameTick(), 1) << "resuming does not make up the paused time";
        EXPECT_EQ(raceState.startLight, 0);
        ASSERT_TRUE(FramesUntil(RacePhase::Racing));
        EXPECT_EQ(raceState.raceClock, clock);
    }
}

TEST_F(PhaseTest, ATimedRaceEndMovesByThePauseLength)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2, true));
    settings.lengthUnit = 2;
    settings.raceLength = 1;
    StartRace();
    EXPECT_TRUE(raceState.timedRace);
    EXPECT_EQ(raceState.raceSeconds, 60);
    EXPECT_EQ(raceState.raceLaps, 3);
    raceState.phase = RacePhase::Racing;
    RaceStep();
    int32_t start = raceState.wallStart;
    EXPECT_EQ(start, fakeWall);
    EXPECT_EQ(raceState.wallEnd, start + 60);
    fakeWall += 10;
    Pause();
    fakeWall += 25;
    Resume();
    ASSERT_TRUE(FramesUntil(RacePhase::Racing));
    RaceStep();
    EXPECT_EQ(raceState.wallEnd, start + 85);
    EXPECT_FALSE(raceState.timeUp);
    fakeWall = start + 85;
    RaceStep();
    EXPECT_TRUE(raceState.timeUp);
}

TEST_F(PhaseTest, RaceLengthInKilometresCountsAnExactMultipleAsOneLapMore)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    settings.lengthUnit = 1;
    settings.raceLength = 5;
    trackMaps.trackLength = 1000;
    ResetRace();
    EXPECT_EQ(raceState.raceLaps, 6);
    trackMaps.trackLength = 1200;
    ResetRace();
    EXPECT_EQ(raceState.raceLaps, 5);
    trackMaps.trackLength = 0;  // no length stored: the number counts as laps
    ResetRace();
    EXPECT_EQ(raceState.raceLaps, 5);
    settings.lengthUnit = 0;
    settings.raceLength = 0;
    ResetRace();
    EXPECT_EQ(raceState.raceLaps, 1);
}

TEST_F(PhaseTest, StartingOrderByPointsKeepsTiedCarsInTheirRandomOrder)
{
    ASSERT_TRUE(StartTestRace("\\oval", 6, 6));
    // The first race: fixed order.
    settings.startingOrder = 1;
    ResetRace();
    for (int p = 0; p < 6; ++p) EXPECT_EQ(raceState.standing[p], p);
    settings.startingOrder = 2;
    ResetRace();
    for (int p = 0; p < 6; ++p) EXPECT_EQ(raceState.standing[p], 5 - p);
    // A later race: the random grid sorted by points, ties in grid order.
    raceState.raceIndex = 1;
    const int points[6] = {5, 0, 5, 0, 5, 1};
    std::memcpy(raceState.seasonPoints, points, sizeof points);
    for (int order : {1, 2}) {
        for (int trial = 0; trial < 20; ++trial) {
            uint8_t index = raceState.randomIndex;
            settings.startingOrder = 0;
            ResetRace();
            std::vector<int> random(raceState.standing, raceState.standing + 6);
            raceState.randomIndex = index;
            settings.startingOrder = static_cast<uint8_t>(order);
            ResetRace();
            std::vector<int> expected;
            std::vector<int> levels = order == 1 ? std::vector<int>{5, 1, 0} : std::vector<int>{0, 1, 5};
            for (int level : levels)
                for (int car : random)
                    if (points[car] == level) expected.push_back(car);
            EXPECT_EQ(std::vector<int>(raceState.standing, raceState.standing + 6), expected);
            for (int p = 0; p < 6; ++p) EXPECT_EQ(cars[raceState.standing[p]].position, p);
        }
    }
}

TEST_F(PhaseTest, SkippingBeforeTheWinnerIsThroughAwardsNoPointsAndAfterItDoes)
{
    // Before: straight to the standings, no points.
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    raceSeams.awardPoints = CountPoints;
    Steps(10);
    SkipRace();
    EXPECT_EQ(raceState.phase, RacePhase::FinalRelease) << "the only race of the season";
    Steps(10);
    EXPECT_EQ(pointsAwarded, 0);
    // After the winner is through: the race finishes as usual.
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    raceSeams.awardPoints = CountPoints;
    raceState.leaderLaps = raceState.raceLaps;
    SkipRace();
    EXPECT_EQ(raceState.phase, RacePhase::Finished);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Results);
    EXPECT_EQ(pointsAwarded, 1);
    // A time trial with a lap done finishes too, but never awards points.
    ASSERT_TRUE(StartTestRace("\\oval", 1, 1));
    raceSeams.awardPoints = CountPoints;
    pointsAwarded = 0;
    raceState.leaderLaps = 1;
    SkipRace();
    EXPECT_EQ(raceState.phase, RacePhase::Finished);
    RaceStep();
    EXPECT_EQ(pointsAwarded, 0);
}

TEST_F(PhaseTest, ARaceRunsOutAMinuteAfterTheWinnerThenResultsStandingsAndTheNextRace)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    seasonTracks = {"\\oval", "\\club"};
    raceState.raceCount = 2;
    raceState.leaderLaps = raceState.raceLaps;
    cars[raceState.standing[0]].lastLapMark = raceState.raceClock;
    Steps(6000);
    EXPECT_EQ(raceState.phase, RacePhase::Racing);
    EXPECT_EQ(raceState.raceClock, 6000);
    Steps(1);
    EXPECT_EQ(raceState.phase, RacePhase::RunOut);
    Steps(200);
    EXPECT_EQ(raceState.phase, RacePhase::Finished);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Results);
    raceState.seasonPoints[1] = 6;  // someone holds points: the points panel follows
    Press(SDLK_RETURN, true);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::StandingsRelease);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::StandingsRelease) << "waits for the key to be released";
    Press(SDLK_RETURN, false);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Standings);
    Press(SDLK_F12, true);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Standings) << "F12 is the screenshot key, not any key";
    Press(SDLK_RETURN, true);
    RaceStep();
    EXPECT_EQ(raceState.raceIndex, 1);
    EXPECT_EQ(raceState.phase, RacePhase::Intro);
    EXPECT_EQ(trackMaps.name, "\\club");

    // With every point 0 there is no points panel: one key goes from the
    // results to the next race.
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    seasonTracks = {"\\oval", "\\club"};
    raceState.raceCount = 2;
    raceState.phase = RacePhase::Finished;
    Press(SDLK_RETURN, false);
    RaceStep();
    ASSERT_EQ(raceState.phase, RacePhase::Results);
    Press(SDLK_RETURN, true);
    RaceStep();
    EXPECT_EQ(raceState.raceIndex, 1);
    EXPECT_EQ(raceState.phase, RacePhase::Intro);
}

TEST_F(PhaseTest, ASeasonWhoseTracksAllFailEndsOnTheFinalStandingsWithFireworks)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    raceSeams.returnToMenu = CountReturn;
    seasonTracks = {"\\no_such_track", "\\neither"};
    StartSeason(2);
    EXPECT_EQ(raceState.phase, RacePhase::FinalRelease);
    Press(SDLK_RETURN, true);
    Steps(2000);
    EXPECT_EQ(raceState.phase, RacePhase::FinalRelease) << "waits for the keys to be released";
    int rockets = 0;
    for (const Particle& p : raceState.particles) rockets += p.life > 0 && p.kind >= 9 && p.kind <= 13;
    EXPECT_GT(rockets, 0);
    Press(SDLK_RETURN, false);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Final);
    Press(SDLK_RETURN, true);
    RaceStep();
    EXPECT_EQ(menusReturned, 1);
    EXPECT_FALSE(raceState.raceRunning);
    EXPECT_FALSE(trackMaps.loaded);
}

TEST_F(PhaseTest, ATrackWithoutGridCheckpointsOrAiLineStillRaces)
{
    ASSERT_TRUE(StartTestRace("\\oval", 6, 6));
    trackMaps.objects.clear();
    trackMaps.checkpoints.clear();
    trackMaps.aiLine.clear();
    trackMaps.pitLine.clear();
    ResetRace();
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(Finite(cars[i].pos));
        EXPECT_GT(cars[i].pos.x, 0);
        EXPECT_LT(cars[i].pos.x, trackMaps.worldSize);
        for (int j = 0; j < i; ++j) EXPECT_GT(Length(cars[i].pos - cars[j].pos), 3) << "cars " << i << ", " << j;
        script[i].accelerate = 100;
    }
    Steps(500);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(Finite(cars[i].pos));
}

TEST(EffectVolume, FollowsTheDecibelLawAndSilencesNothing)
{
    EXPECT_EQ(EffectVolume(80, 0), 0);
    EXPECT_EQ(EffectVolume(0, 1e6f), 0);
    // 128 x 10^((log10(1 + v L) - 10) / 2): 64 at v L = 2.5e9, and never beyond full scale.
    EXPECT_EQ(EffectVolume(25, 1e8f), 64);
    // The logarithm is truncated as the mixer truncates it: 90, where rounding late would give 91.
    EXPECT_EQ(EffectVolume(50, 1e8f), 90);
    EXPECT_EQ(EffectVolume(100, 1e12f), EffectVolume(100, 1e8f)) << "the level is capped";
    EXPECT_EQ(EffectVolume(255, 1e8f), 128);
    EXPECT_LT(EffectVolume(80, 1e4f), EffectVolume(80, 1e6f));
}

// A key press is remembered for the step that sees it only. The presses of a
// driver at the wheel must not pass over the results when the race ends, and
// a press that ended the results by its held key, but whose event the game
// handled a moment later, must not also pass over the standings.
TEST_F(PhaseTest, APressCountsInOnePhaseOnlyEvenWhenItsEventComesLate)
{
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    seasonTracks = {"\\oval", "\\club"};
    raceState.raceCount = 2;
    raceState.seasonPoints[0] = 6;  // a points panel follows the results
    auto keyDown = [](SDLKey key) {
        SDL_Event e = {};
        e.type = SDL_KEYDOWN;
        e.key.keysym.sym = key;
        HandleEvent(e);
    };
    inRace = true;
    for (int k = 0; k < 50; ++k) {
        keyDown(k % 2 ? SDLK_LEFT : SDLK_RIGHT);
        Steps(10);
    }
    ASSERT_EQ(raceState.phase, RacePhase::Racing);
    raceState.phase = RacePhase::Finished;
    Steps(3);
    EXPECT_EQ(raceState.phase, RacePhase::Results) << "the steering in the race ended the results";

    Press(SDLK_SPACE, true);
    RaceStep();
    ASSERT_EQ(raceState.phase, RacePhase::StandingsRelease);
    keyDown(SDLK_SPACE);  // the same press, handled after the step saw the key held
    Press(SDLK_SPACE, false);
    Steps(3);
    EXPECT_EQ(raceState.phase, RacePhase::Standings) << "one press ended the results and the standings";
    keyDown(SDLK_SPACE);  // a new tap, down and up between two steps
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Intro);
    EXPECT_EQ(raceState.raceIndex, 1);
    inRace = false;
}

TEST_F(PhaseTest, SkippingARaceBeforeTheLastGoesOnAtOnceWithoutPointsAndWaitsForAKeyWithThem)
{
    // Nobody holds points: no panel to confirm; once the Yes key is up the
    // next race is loaded.
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    seasonTracks = {"\\oval", "\\club", "\\oval"};
    raceState.raceCount = 3;
    Steps(10);
    Press(SDLK_RETURN, true);
    SkipRace();
    EXPECT_EQ(raceState.phase, RacePhase::StandingsRelease);
    EXPECT_TRUE(raceState.raceRunning);
    RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::StandingsRelease) << "the Yes key is still down";
    Press(SDLK_RETURN, false);
    RaceStep();
    RaceStep();
    EXPECT_EQ(raceState.raceIndex, 1);
    EXPECT_EQ(raceState.phase, RacePhase::Intro);
    EXPECT_EQ(trackMaps.name, "\\club");

    // Resuming into the standings while nobody holds points goes on the same way.
    raceState.phase = RacePhase::Standings;
    raceState.raceRunning = false;
    Resume();
    RaceStep();
    EXPECT_EQ(raceState.raceIndex, 2);
    EXPECT_EQ(raceState.phase, RacePhase::Intro);

    // With points the panel stays until a key is pressed.
    ASSERT_TRUE(StartTestRace("\\oval", 2, 2));
    seasonTracks = {"\\oval", "\\club"};
    raceState.raceCount = 2;
    raceState.seasonPoints[0] = 3;
    Steps(10);
    SkipRace();
    EXPECT_EQ(raceState.phase, RacePhase::StandingsRelease);
    Steps(50);
    EXPECT_EQ(raceState.phase, RacePhase::Standings);
    EXPECT_EQ(raceState.raceIndex, 0);
    Press(SDLK_SPACE, true);
    RaceStep();
    EXPECT_EQ(raceState.raceIndex, 1);
    EXPECT_EQ(raceState.phase, RacePhase::Intro);
}
