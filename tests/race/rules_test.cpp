// The race rules: checkpoints and laps, the running order and points, the
// timed race, records and the ghost, pit crews, and records written into a
// scratch copy of a track.
#include "Game/race/race_internal.h"
#include "tests/race/race_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

using namespace racetest;

namespace {

Vec3 GateMiddle(const TrackGate& g)
{
    float x = g.x + g.dx * g.length * 0.5f, z = g.y + g.dy * g.length * 0.5f;
    return {x, TerrainHeight(x, z), z};
}

void SetUpRules(const std::string& track, int n, int humans)
{
    ASSERT_TRUE(StartTestRace(track, n, humans));
    InstallRaceRules();
    raceSeams.writeRecords = nullptr;  // never into the shipped files
}

}  // namespace

TEST(RaceRules, CheckpointsCountOnlyInOrderAndOnceWhileOnTheLine)
{
    SetUpRules("\\oval", 2, 2);
    const auto& gates = trackMaps.checkpoints;
    ASSERT_GE(gates.size(), 2u);
    CarState& c = cars[0];
    // The finish line first: out of order, nothing happens.
    c.pos = GateMiddle(gates.back());
    TestCheckpoints(0);
    EXPECT_EQ(c.nextCheckpoint, 0);
    EXPECT_EQ(c.laps, 0);
    // In order: every line once, and the car then sits on the finish line.
    for (size_t k = 0; k < gates.size(); ++k) {
        c.pos = GateMiddle(gates[k]);
        raceState.raceClock += 300;
        TestCheckpoints(0);
    }
    EXPECT_EQ(c.laps, 1);
    for (int k = 0; k < 20; ++k) TestCheckpoints(0);
    EXPECT_EQ(c.laps, 1);
    EXPECT_EQ(c.nextCheckpoint, 0);
    EXPECT_EQ(c.lastLapTime, 300 * static_cast<int>(gates.size()) > 6000 ? 6000 : 300 * static_cast<int>(gates.size()));
    // Off the line the band is 2 m wide.
    Vec3 m = GateMiddle(gates[0]);
    EXPECT_TRUE(OnGate(gates[0], m + Vec3{gates[0].dy * 0.9f, 0, -gates[0].dx * 0.9f}));
    EXPECT_FALSE(OnGate(gates[0], m + Vec3{gates[0].dy * 1.1f, 0, -gates[0].dx * 1.1f}));
}

TEST(RaceRules, LimiterLinesToggleOnEntryAndExit)
{
    SetUpRules("\\grand_prix", 1, 1);
    if (trackMaps.limiters.size() < 2) GTEST_SKIP() << "the track has no pit limiters";
    CarState& c = cars[0];
    c.pos = GateMiddle(trackMaps.limiters[0]);
    for (int k = 0; k < 5; ++k) TestLimiters(0);
    EXPECT_EQ(c.limiterOn, 1);
    c.pos = Vec3{1, 0, 1};
    TestLimiters(0);
    c.pos = GateMiddle(trackMaps.limiters[1]);
    TestLimiters(0);
    EXPECT_EQ(c.limiterOn, 0);
}

TEST(RaceRules, RunningOrderPointsAndTies)
{
    SetUpRules("\\oval", 4, 4);
    settings.fuelConsumption = 0;
    raceState.raceLaps = 1;
    for (int p = 0; p < 4; ++p) {
        raceState.standing[p] = 3 - p;
        cars[3 - p].position = static_cast<uint8_t>(p);
    }
    // Car 1 crosses first, cars 2 and 0 together later, car 3 last.
    raceState.raceClock = 4000;
    CompleteLap(1);
    raceState.raceClock = 4100;
    CompleteLap(2);
    CompleteLap(0);
    raceState.raceClock = 4200;
    CompleteLap(3);
    EXPECT_EQ(raceState.standing[0], 1);
    EXPECT_EQ(raceState.standing[1], 2);
    EXPECT_EQ(raceState.standing[2], 0);
    EXPECT_EQ(raceState.standing[3], 3);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(cars[i].lapState, 2);
    EXPECT_EQ(raceState.phase, RacePhase::RunOut);
    EXPECT_EQ(raceState.fastestLapCar, 1);
    AwardPoints();
    const uint8_t* pts = settings.points;
    EXPECT_EQ(raceState.seasonPoints[1], pts[0] + pts[6]);
    EXPECT_EQ(raceState.seasonPoints[2], pts[1]);
    EXPECT_EQ(raceState.seasonPoints[0], pts[1]);  // same lap, same time: shares second place
    EXPECT_EQ(raceState.seasonPoints[3], pts[3]);

    // Season places: equal points share the higher place.
    int places[kMaxCars];
    static int* placesOut;
    placesOut = places;
    driverRecordHooks.seasonResult = [](int car, int place) { placesOut[car] = place; };
    AwardSeason();
    driverRecordHooks = DriverRecordHooks{};
    EXPECT_EQ(places[1], 0);
    EXPECT_EQ(places[2], 1);
    EXPECT_EQ(places[0], 1);
    EXPECT_EQ(places[3], 3);
}

TEST(RaceRules, TimedRaceOfOneMinuteWithFiftySecondLaps)
{
    SetUpRules("\\oval", 2, 2);
    raceState.timedRace = true;
    raceState.raceLaps = 3;
    raceState.wallStart = fakeWall;
    raceState.wallEnd = fakeWall + 60;
    int32_t start = fakeWall;
    for (int lap = 1; lap <= 4; ++lap) {
        raceState.raceClock = lap * 5000;
        fakeWall = start + lap * 50;
        CompleteLap(0);
        if (lap == 1) {
            EXPECT_EQ(raceState.raceLaps, 4);
        }
        if (lap == 2) {
            EXPECT_EQ(raceState.raceLaps, 4);
            EXPECT_TRUE(raceState.timeUp);
        }
        EXPECT_EQ(cars[0].lapState == 2, lap == 4);
    }
}

TEST(RaceRules, RecordsOnlyForHumansAndComputerCarsUpToSkill100)
{
    SetUpRules("\\oval", 2, 0);
    cars[0].aiSkill = 120;
    cars[1].aiSkill = 100;
    trackMaps.records.entry[0].time = 5000;
    raceState.raceClock = 3000;
    CompleteLap(0);
    EXPECT_EQ(trackMaps.records.entry[0].time, 5000);
    EXPECT_EQ(raceState.recordCar, -1);
    EXPECT_EQ(raceState.fastestLapCar, 0);  // the race's fastest lap counts for everyone
    raceState.raceClock = 3500;
    CompleteLap(1);
    EXPECT_EQ(trackMaps.records.entry[0].time, 3500);
    EXPECT_EQ(raceState.recordCar, 1);
    EXPECT_GE(trackMaps.records.entry[0].date[0], 2024);
}

TEST(RaceRules, GhostKeepsTheBestLapAndSurvivesTheStoredForm)
{
    SetUpRules("\\oval", 1, 0);
    cars[0].aiSkill = 100;
    trackMaps.hasGhost = false;  // start without the stored lap
    StartGhost();
    for (int lap = 0; lap < 3; ++lap) {
        int samples = lap == 1 ? 300 : 400;
        for (int k = 0; k < samples; ++k) {
            cars[0].pos = Vec3{10.0f + k, 2, 20.0f + lap};
            RecordGhost();
        }
        EndGhostLap(0);
    }
    ASSERT_EQ(GhostSampleCount(), 300);
    Vec3 p, s, u, f;
    ASSERT_TRUE(GhostPose(299, p, s, u, f));
    EXPECT_FLOAT_EQ(p.x, 309);
    EXPECT_FLOAT_EQ(p.z, 21);
    EXPECT_FALSE(GhostPose(300, p, s, u, f));
    EXPECT_EQ(trackMaps.records.entry[0].time, 300);  // best times from the sample counts
    GhostLap stored;
    ASSERT_TRUE(SaveGhost(stored));
    ByteWriter w;
    ASSERT_TRUE(WriteGhostLap(w, stored));
    ByteReader r(w.bytes.data(), w.bytes.size());
    GhostLap back;
    ASSERT_TRUE(ReadGhostLap(r, back));
    // The track holds this lap now (written at the race's end).
    trackMaps.hasGhost = true;
    trackMaps.ghost = back;
    LoadGhost(back);
    ASSERT_EQ(GhostSampleCount(), 300);
    ASSERT_TRUE(GhostPose(151, p, s, u, f));
    EXPECT_NEAR(p.x, 161, 0.02f);
    EXPECT_NEAR(Length(f), 1, 0.01f);
    EXPECT_NEAR(Dot(s, f), 0, 0.05f);
    // The track's own lap, loaded, is not written again.
    GhostLap again;
    EXPECT_FALSE(SaveGhost(again));
}

TEST(RaceRules, PitCrewWithFreshTyresOnlyRefuelsAndRepairs)
{
    SetUpRules("\\grand_prix", 1, 1);
    ASSERT_FALSE(trackMaps.pitCrews.empty());
    const PitCrew& crew = trackMaps.pitCrews[0];
    PlaceCar(0, crew.anchor.x + crew.facing.x, crew.anchor.z + crew.facing.z, crew.facing);
    CarState& c = cars[0];
    c.fuel = 20000;
    c.damage = 15000;
    c.tyres = 65100;
    c.lapState = 1;
    int stopsBefore = PitStops(0);
    for (int k = 0; k < 1500; ++k) {
        c.vel = Vec3{};
        c.wheelSpeed = 0;
        UpdatePits();
    }
    EXPECT_EQ(c.lapState, 0);
    EXPECT_EQ(c.fuel, 65535);
    EXPECT_EQ(c.damage, 0);
    EXPECT_EQ(c.tyres, 65100);
    EXPECT_EQ(PitStops(0), stopsBefore + 1);
    // Worn tyres are changed: the four changers together restore them.
    c.tyres = 30000;
    c.wheelSpeed = 10;
    UpdatePits();  // the car leaves: crew released
    EXPECT_GE(trackMaps.pitCrews[0].state, 7);
    for (int k = 0; k < 200; ++k) UpdatePits();
    c.wheelSpeed = 0;
    for (int k = 0; k < 1500; ++k) {
        c.vel = Vec3{};
        c.wheelSpeed = 0;
        UpdatePits();
    }
    EXPECT_GE(c.tyres, 65530);
}

TEST(RaceRules, RecordsGoIntoAWritableCopyOnlyAndReadBack)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("dw_rules_" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path copy = dir / "oval.trk";
    fs::copy_file(fs::path(DW_RUN_DIR) / "tracks" / "oval.trk", copy, fs::copy_options::overwrite_existing);
    ASSERT_TRUE(StartTestRace(copy.string(), 2, 0));
    InstallRaceRules();
    trackMaps.records.entry[0].time = 4321;
    std::strcpy(trackMaps.records.entry[0].name, "Tester");
    EXPECT_TRUE(WriteRaceRecords());
    ASSERT_EQ(LoadTrackFile(copy.string(), 2), 0);
    EXPECT_EQ(trackMaps.records.entry[0].time, 4321);
    EXPECT_STREQ(trackMaps.records.entry[0].name, "Tester");
    // A read-only file is left as it was; a missing one makes no file.
    auto before = fs::file_size(copy);
    chmod(copy.c_str(), 0444);
    trackMaps.records.entry[0].time = 1000;
    EXPECT_FALSE(WriteRaceRecords());
    ASSERT_EQ(LoadTrackFile(copy.string(), 2), 0);
    EXPECT_EQ(trackMaps.records.entry[0].time, 4321);
    EXPECT_EQ(fs::file_size(copy), before);
    chmod(copy.c_str(), 0644);
    fs::remove(copy);
    trackMaps.name = copy.string();
    EXPECT_FALSE(WriteRaceRecords());
    EXPECT_FALSE(fs::exists(copy));
    fs::remove_all(dir);
}

// The record date is the UTC calendar date, as the C library gives it.
TEST(RecordDate, IsTheUtcCalendarDateOfNow)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        time_t before = time(nullptr);
        uint16_t date[8];
        CurrentRecordDate(date);
        if (time(nullptr) != before) continue;  // a second passed meanwhile
        tm t{};
        gmtime_r(&before, &t);
        const int expected[7] = {t.tm_year + 1900, t.tm_mon + 1, t.tm_wday, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
        for (int k = 0; k < 7; ++k) EXPECT_EQ(date[k], expected[k]) << "field " << k;
        EXPECT_LT(date[7], 1000);
        return;
    }
    FAIL() << "the clock kept moving";
}
