// Saved games in a scratch program folder whose "tracks" is a copy of the
// shipped ones: a race saved in the middle and loaded again goes on where it
// was, the ghost and track fingerprints, moved tracks, and files that are
// cut, forged or of another version refused without touching the race.
#include "tests/race/race_fixture.h"
#include "Game/race/race_internal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "Game/frontend/frontend.h"
#include "tests/shell/temp_folder.h"

using namespace racetest;

namespace {

std::vector<uint8_t> CarBytes(int i)
{
    ByteWriter w;
    WriteCarState(w, cars[i]);
    return w.bytes;
}

size_t CarStateBytes()
{
    ByteWriter w;
    WriteCarState(w, CarState{});
    return w.bytes.size();
}

// The fixed part of a file of n players and r races, without ghost and replay.
size_t FixedBytes(int n, int races)
{
    return 2 + 2 + kSettingsSize + 2 + 8 + 4 + n * (13 + kDriverRecordBytes + kCarRecordSize) + 8 + races * 56 +
           n * (CarStateBytes() + 8) + 24;
}

class SaveGameTest : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override
    {
        std::string tracks = std::string(DW_RUN_DIR) + "/tracks";
        ASSERT_EQ(system(("cp -r '" + tracks + "' '" + folder.path + "/tracks'").c_str()), 0);
        DefaultIniSettings(iniSettings);
        iniSettings.replayLength = 60;
        for (PlayerSlot& s : playerSlots) s = PlayerSlot{};
        driverRecordHooks = DriverRecordHooks{};
    }
    // Loaded seasons set the drivers' hooks: no later test counts into files.
    void TearDown() override
    {
        ClearSeasonDrivers();
        for (PlayerSlot& s : playerSlots) s = PlayerSlot{};
    }
    // A race of n computer cars in the scratch folder.
    bool Race(const std::string& track, int n, int humans = 0)
    {
        std::string base = baseDirectory;
        bool ok = StartTestRace(track, n, humans);
        baseDirectory = base;
        InstallRaceRules();
        raceSeams.writeRecords = nullptr;  // the track files stay as they are
        InstallReplay();
        ResetReplay(0, 0);
        return ok;
    }
    std::vector<uint8_t> Save()
    {
        ByteWriter w;
        EXPECT_TRUE(WriteSaveGame(w)) << LastSaveError();
        return w.bytes;
    }
};

}  // namespace

TEST_F(SaveGameTest, AGameSavedMidRaceLoadsEveryCarBackBitForBitAndRunsToTheEnd)
{
    ASSERT_TRUE(Race("\\oval", 3, 1));
    baseDirectory = folder.path + "/";
    raceState.raceLaps = 2;
    // Car 0 (human) holds the throttle; the others drive themselves.
    script[0].accelerate = 100;
    Steps(2500);
    ASSERT_EQ(raceState.phase, RacePhase::Racing);
    raceState.seasonPoints[1] = 7;
    cars[2].damage = 12345;
    cars[1].fuel = 40000;
    cars[0].tyres = 50001;
    cars[2].laps = 1;
    uint8_t positions[3];
    Vec3 where[3];
    for (int i = 0; i < 3; ++i) {
        positions[i] = cars[i].position;
        where[i] = cars[i].pos;
    }
    std::vector<uint8_t> saved[kMaxCars];
    for (int i = 0; i < 3; ++i) saved[i] = CarBytes(i);
    RaceState race = raceState;
    int frames = replay.frames;
    ASSERT_TRUE(SaveGame("Middle"));

    // The season moves on (another race starts), then the game is loaded.
    Steps(3000);
    ASSERT_TRUE(Race("\\town", 2));
    SavedGame g;
    baseDirectory = folder.path + "/";
    ASSERT_EQ(ReadSaveGame("Middle", g), 0);
    EXPECT_EQ(g.carCount, 3);
    EXPECT_EQ(g.tracks.size(), 1u);
    EXPECT_EQ(g.tracks[0].path, "oval");
    pendingGame = std::move(g);
    PrepareSavedSeason();
    EXPECT_EQ(seasonTracks[0], "\\oval");
    EXPECT_TRUE(seasonDrivers[0].human);
    EXPECT_FALSE(seasonDrivers[1].human);
    ContinueSeason(pendingGame.carCount, pendingGame.currentRace);
    RestoreSavedRace();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(CarBytes(i), saved[i]) << "car " << i;
    // The values as they were set, not only as the same writer puts them.
    EXPECT_EQ(cars[2].damage, 12345);
    EXPECT_EQ(cars[1].fuel, 40000);
    EXPECT_EQ(cars[0].tyres, 50001);
    EXPECT_EQ(cars[2].laps, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cars[i].position, positions[i]);
        EXPECT_EQ(cars[i].pos.x, where[i].x);
        EXPECT_EQ(cars[i].pos.z, where[i].z);
    }
    EXPECT_NE(cars[0].driverType, 0);  // the player is human again, from the driver record
    EXPECT_EQ(raceState.raceClock, race.raceClock);
    EXPECT_EQ(raceState.leaderLaps, race.leaderLaps);
    EXPECT_EQ(raceState.raceLaps, race.raceLaps);
    EXPECT_EQ(std::memcmp(raceState.standing, race.standing, sizeof race.standing), 0);
    EXPECT_EQ(std::memcmp(raceState.seasonPoints, race.seasonPoints, sizeof race.seasonPoints), 0);
    EXPECT_EQ(raceState.fastestLap, race.fastestLap);
    EXPECT_EQ(raceState.fastestLapCar, race.fastestLapCar);
    EXPECT_EQ(replay.frames, frames);
    // The start lights run again, then the race goes on to its end.
    EXPECT_EQ(raceState.phase, RacePhase::Countdown);
    for (int k = 0; k < 60000 && raceState.phase < RacePhase::Results; ++k) RaceStep();
    EXPECT_EQ(raceState.phase, RacePhase::Results);
    EXPECT_GE(raceState.leaderLaps, raceState.raceLaps);
    EXPECT_GE(raceState.raceClock, race.raceClock);
}

TEST_F(SaveGameTest, OnlyAOnePlayerGameHoldsTheGhostAndUnreadableTracksHaveNoFingerprint)
{
    ASSERT_TRUE(Race("\\oval", 1));
    baseDirectory = folder.path + "/";
    seasonTracks = {"\\oval", "\\no_such_track", "\\offroad\\rally"};
    // A best lap of 7 frames: its stored form holds 7 / 2 + 1 samples.
    GhostLap lap;
    lap.frameCount = 7;
    for (int k = 0; k < 4; ++k) lap.samples.push_back(EncodeGhostSample({10.0f + k, 5, 20}, {1, 0, 0}, {0, 0, 1}));
    LoadGhost(lap);
    std::vector<uint8_t> one = Save();
    EXPECT_EQ(one.size(), FixedBytes(1, 3) + 2 + 4 * kGhostSampleSize);
    SavedGame g;
    ASSERT_TRUE(ParseSaveGame(one, g));
    EXPECT_EQ(g.ghost.frameCount, 7);
    EXPECT_EQ(g.ghost.samples[3].pos[0], 13 * 150);
    uint32_t oval[4];
    TrackIdentity("\\oval", oval);
    EXPECT_NE(oval[0] | oval[1] | oval[2] | oval[3], 0u);
    EXPECT_EQ(std::memcmp(g.tracks[0].identity, oval, sizeof oval), 0);
    for (uint32_t v : g.tracks[1].identity) EXPECT_EQ(v, 0u);
    EXPECT_EQ(g.tracks[2].path, "offroad\\rally");

    ASSERT_TRUE(Race("\\oval", 2));
    baseDirectory = folder.path + "/";
    seasonTracks = {"\\oval", "\\no_such_track", "\\offroad\\rally"};
    std::vector<uint8_t> two = Save();
    EXPECT_EQ(two.size(), FixedBytes(2, 3));
    ASSERT_TRUE(ParseSaveGame(two, g));
    EXPECT_EQ(g.ghost.frameCount, 0);
    // With a replay, the block follows the records directly.
    Steps(100);
    std::vector<uint8_t> replayed = Save();
    EXPECT_EQ(replayed.size(), FixedBytes(2, 3) + 12 + 2 * (4 + 20 * kReplayFrameBytes));
}

TEST_F(SaveGameTest, AMovedTrackIsFoundByItsFingerprintAndAChangedOneIsNotRaced)
{
    uint32_t oval[4], town[4];
    TrackIdentity("\\oval", oval);
    TrackIdentity("\\town", town);
    mkdir("tracks/moved", 0777);
    ASSERT_EQ(rename("tracks/oval.trk", "tracks/moved/oval.trk"), 0);
    SavedTrack t;
    t.path = "oval";
    std::copy(oval, oval + 4, t.identity);
    EXPECT_EQ(ResolveSavedTrack(t), "\\moved\\oval");
    // Another track under the stored name is not taken for it.
    ASSERT_EQ(system("cp tracks/town.trk tracks/oval.trk"), 0);
    EXPECT_EQ(ResolveSavedTrack(t), "\\moved\\oval");
    std::copy(town, town + 4, t.identity);
    t.path = "elsewhere\\town";
    EXPECT_EQ(ResolveSavedTrack(t), "\\town");
    // Nothing matches: a name that loads nothing, so the race is skipped.
    t.identity[0] ^= 1;
    std::string missing = ResolveSavedTrack(t);
    EXPECT_NE(LoadTrack(missing, 2), 0);
    uint32_t none[4];
    TrackIdentity(missing, none);
    EXPECT_EQ(none[0] | none[1] | none[2] | none[3], 0u);

    // Paths too long for the field keep their base name; a base name that long is refused.
    std::string stored;
    std::string folderName(36, 'f');
    EXPECT_TRUE(StoredTrackPath("\\" + folderName + "\\oval", stored));
    EXPECT_EQ(stored, "oval");
    EXPECT_TRUE(StoredTrackPath("\\a\\b", stored));
    EXPECT_EQ(stored, "a\\b");
    EXPECT_FALSE(StoredTrackPath("\\" + std::string(40, 'n'), stored));
    EXPECT_TRUE(StoredTrackPath("\\" + std::string(39, 'n'), stored));
    ASSERT_TRUE(Race("\\oval", 2));
    baseDirectory = folder.path + "/";
    seasonTracks = {"\\town", "\\" + std::string(40, 'n')};
    ByteWriter w;
    EXPECT_FALSE(WriteSaveGame(w));
    EXPECT_NE(LastSaveError().find("too long"), std::string::npos);
    EXPECT_FALSE(SaveGame("Long"));
    struct stat st {};
    EXPECT_NE(stat("saves/Long.gam", &st), 0);
}

TEST_F(SaveGameTest, CutForgedAndOtherVersionFilesAreRefusedAndChangeNothing)
{
    ASSERT_TRUE(Race("\\oval", 2));
    baseDirectory = folder.path + "/";
    Steps(300);
    std::vector<uint8_t> good = Save();
    SavedGame g;
    ASSERT_TRUE(ParseSaveGame(good, g));
    // Every cut short of the whole file, except just before the replay block.
    size_t replayAt = FixedBytes(2, 1);
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_EQ(ParseSaveGame(cut, g), n == replayAt) << "cut at " << n;
    }
    auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        std::vector<uint8_t> f = good;
        size_t k = at;
        for (uint8_t b : bytes) f[k++] = b;
        return f;
    };
    size_t players = 2 + 2 + kSettingsSize + 2 + 8;
    size_t races = players + 4 + 2 * (13 + kDriverRecordBytes + kCarRecordSize);
    size_t states = races + 8 + 56;
    size_t standing = states + 2 * CarStateBytes();
    const std::vector<std::vector<uint8_t>> forged = {
        patched(0, {0x23, 0x01}),              // version 291
        patched(0, {0x20, 0x01}),              // 288
        patched(0, {0x25, 0x01}),              // 293
        patched(2, {12}),                      // a phase past the last
        patched(players, {7}),                 // seven players
        patched(players, {0}),                 // none
        patched(races, {0, 0, 0, 0}),          // no race
        patched(races, {0xFF, 0xFF, 0xFF, 0x7F}),
        patched(races + 4, {1}),               // current race past the last
        patched(races + 8, {'.', '.', '\\'}),  // a path out of "tracks"
        patched(states, {5}),                  // race position 5 of 2 cars
        patched(states + 37, {0, 0, 0xC0, 0x7F}),  // a NaN position
        patched(standing, {1, 0, 0, 0, 1}),    // car 1 twice in the order
        patched(standing + 16, {0xFF, 0xFF, 0xFF, 0xFF}),  // a lap count no race has
    };
    RaceState before = raceState;
    std::vector<uint8_t> carsBefore = CarBytes(0);
    std::vector<std::string> tracksBefore = seasonTracks;
    mkdir("saves", 0777);
    for (size_t k = 0; k < forged.size(); ++k) {
        EXPECT_FALSE(ParseSaveGame(forged[k], g)) << "forgery " << k;
        FILE* f = fopen("saves/Forged.gam", "wb");
        ASSERT_TRUE(f);
        fwrite(forged[k].data(), 1, forged[k].size(), f);
        fclose(f);
        EXPECT_EQ(LoadGame("Forged"), -1) << "forgery " << k;
    }
    EXPECT_EQ(std::memcmp(&before, &raceState, sizeof before), 0);
    EXPECT_EQ(CarBytes(0), carsBefore);
    EXPECT_EQ(seasonTracks, tracksBefore);
    EXPECT_EQ(LoadGame("Not there"), -1);
    EXPECT_EQ(LoadGame("../Forged"), -1);
}

TEST_F(SaveGameTest, NamesStayInsideSavesAndAFailedSaveKeepsThePreviousFile)
{
    for (const char* bad : {"", "   ", "..", "../up", "a/b", "a\\b", ".hidden", "x..y", "tab\there",
                            "123456789012345678901234567890123"})
        EXPECT_FALSE(SaveGameNameValid(bad)) << bad;
    for (const char* good : {"Autosave", "Season 2", "a.b", "12345678901234567890123456789012"})
        EXPECT_TRUE(SaveGameNameValid(good)) << good;

    ASSERT_TRUE(Race("\\oval", 2));
    baseDirectory = folder.path + "/";
    EXPECT_FALSE(SaveGame("../outside"));
    struct stat st {};
    EXPECT_NE(stat("outside.gam", &st), 0);
    // The autosave creates the folder.
    InstallSaveGames();
    raceSeams.writeAutosave();
    std::vector<uint8_t> first = folder.Read("saves/Autosave.gam");
    ASSERT_FALSE(first.empty());
    // A save that cannot be written says so and leaves the last one whole.
    Steps(500);
    mkdir("saves/Autosave.gam.tmp", 0777);
    EXPECT_FALSE(SaveGame("Autosave"));
    EXPECT_FALSE(LastSaveError().empty());
    EXPECT_EQ(folder.Read("saves/Autosave.gam"), first);
    rmdir("saves/Autosave.gam.tmp");
    EXPECT_TRUE(SaveGame("Autosave"));
    EXPECT_NE(folder.Read("saves/Autosave.gam"), first);
    // An autosave that fails leaves no older race listed as the autosave.
    mkdir("saves/Autosave.gam.tmp", 0777);
    raceSeams.writeAutosave();
    EXPECT_NE(stat("saves/Autosave.gam", &st), 0);
    rmdir("saves/Autosave.gam.tmp");
}

TEST_F(SaveGameTest, LoadingKeepsTheSeasonPointsAndDoesNotOverwriteTheAutosave)
{
    ASSERT_TRUE(Race("\\oval", 3));
    baseDirectory = folder.path + "/";
    seasonTracks = {"\\oval", "\\town"};
    raceState.raceCount = 2;
    settings.startingOrder = 1;  // the grid follows the points
    const int32_t points[3] = {5, 17, 9};
    std::copy(points, points + 3, raceState.seasonPoints);
    ASSERT_TRUE(SaveGame("Autosave"));
    std::vector<uint8_t> autosave = folder.Read("saves/Autosave.gam");

    // Loaded as the game does it, with the autosave in place; then quit.
    for (int32_t& p : raceState.seasonPoints) p = 0;
    SavedGame g;
    ASSERT_EQ(ReadSaveGame("Autosave", g), 0);
    pendingGame = std::move(g);
    InstallSaveGames();
    PrepareSavedSeason();
    ContinueSeason(pendingGame.carCount, pendingGame.currentRace);
    // The points are there before the race is restored.
    EXPECT_EQ(std::vector<int32_t>(raceState.seasonPoints, raceState.seasonPoints + 3),
              std::vector<int32_t>(points, points + 3));
    RestoreSavedRace();
    EXPECT_EQ(folder.Read("saves/Autosave.gam"), autosave);
    ASSERT_EQ(ReadSaveGame("Autosave", g), 0);
    EXPECT_EQ(std::vector<int32_t>(g.seasonPoints, g.seasonPoints + 3), std::vector<int32_t>(points, points + 3));

    // When the saved race's track is gone the season goes on with the next,
    // on a grid by the saved points, and that race is autosaved.
    ASSERT_EQ(rename("tracks/oval.trk", "oval.away"), 0);
    ASSERT_EQ(ReadSaveGame("Autosave", g), 0);
    pendingGame = std::move(g);
    PrepareSavedSeason();
    ContinueSeason(pendingGame.carCount, pendingGame.currentRace);
    RestoreSavedRace();
    EXPECT_EQ(raceState.raceIndex, 1);
    EXPECT_EQ(raceState.standing[0], 1);
    EXPECT_EQ(raceState.standing[1], 2);
    EXPECT_EQ(raceState.standing[2], 0);
    ASSERT_EQ(ReadSaveGame("Autosave", g), 0);
    EXPECT_EQ(g.currentRace, 1);
    EXPECT_EQ(g.seasonPoints[1], 17);
    // The missing track keeps its name and fingerprint, so it is found again once back.
    uint32_t oval[4];
    ASSERT_EQ(rename("oval.away", "tracks/oval.trk"), 0);
    TrackIdentity("\\oval", oval);
    EXPECT_EQ(g.tracks[0].path, "oval");
    EXPECT_EQ(std::memcmp(g.tracks[0].identity, oval, sizeof oval), 0);
    EXPECT_EQ(ResolveSavedTrack(g.tracks[0]), "\\oval");
}

TEST_F(SaveGameTest, TracksNamedWithAccentsAndColonsSaveAndLoad)
{
    ASSERT_EQ(system("cp tracks/oval.trk 'tracks/N\xC3\xBCrburg.trk' && mkdir -p tracks/night && "
                     "cp tracks/town.trk 'tracks/night/Le Mans: night.trk'"),
              0);
    ASSERT_TRUE(Race(folder.File("tracks/N\xC3\xBCrburg.trk"), 2));
    baseDirectory = folder.path + "/";
    seasonTracks = {"\\N\xC3\xBCrburg", "\\night\\Le Mans: night"};
    ASSERT_TRUE(SaveGame("Accents")) << LastSaveError();
    SavedGame g;
    ASSERT_EQ(ReadSaveGame("Accents", g), 0);
    ASSERT_EQ(g.tracks.size(), 2u);
    EXPECT_EQ(ResolveSavedTrack(g.tracks[0]), "\\N\xC3\xBCrburg");
    EXPECT_EQ(ResolveSavedTrack(g.tracks[1]), "\\night\\Le Mans: night");
    // What no player can race is still refused at once.
    seasonTracks = {"\\bad\x01name"};
    EXPECT_FALSE(SaveGame("Control"));
    EXPECT_FALSE(LastSaveError().empty());
    // A file listed with its extension in capitals loads too.
    ASSERT_EQ(rename("saves/Accents.gam", "saves/Upper.GAM"), 0);
    EXPECT_EQ(ReadSaveGame("Upper", g), 0);
}

TEST_F(SaveGameTest, ALoadedSeasonCountsOntoTheDriversFilesAsTheyAreNow)
{
    DriverRecord ann = NewDriver(false);
    ann.races = 10;
    ann.totalPoints = 100;
    ann.racePlaces[0] = 4;
    ASSERT_TRUE(SaveDriver(ann, "Ann"));
    ASSERT_TRUE(Race("\\oval", 2, 1));
    baseDirectory = folder.path + "/";
    playerSlots[0].used = playerSlots[1].used = true;
    playerSlots[0].name = "Ann";
    playerSlots[0].record = ann;
    playerSlots[1].name = "Bob";
    playerSlots[1].record = NewDriver(true);
    ASSERT_TRUE(SaveGame("Drivers"));
    // Ann races on elsewhere; the hooks of a season before are still set.
    ann.races = 20;
    ann.totalPoints = 200;
    ASSERT_TRUE(SaveDriver(ann, "Ann"));
    ClearSeasonDrivers();
    for (PlayerSlot& s : playerSlots) s = PlayerSlot{};
    ASSERT_EQ(LoadDriverList(), 1);

    SavedGame g;
    ASSERT_EQ(ReadSaveGame("Drivers", g), 0);
    pendingGame = std::move(g);
    PrepareSavedSeason();
    ASSERT_TRUE(driverRecordHooks.raceResult && driverRecordHooks.save);
    EXPECT_STREQ(driverRecordHooks.name(0), "Ann");
    cars[0].position = 0;
    driverRecordHooks.raceResult(0, 0, 10, true);
    driverRecordHooks.save();
    DriverRecord back;
    ASSERT_EQ(LoadDriver("Ann", back), 0);
    EXPECT_EQ(back.races, 21u);
    EXPECT_EQ(back.totalPoints, 210u);
    EXPECT_EQ(back.racePlaces[0], 5u);
    EXPECT_EQ(back.fastestLaps, 1u);
}

TEST_F(SaveGameTest, ForgedCountersNearTheirLimitsAreRefused)
{
    ASSERT_TRUE(Race("\\oval", 2));
    baseDirectory = folder.path + "/";
    Steps(300);
    std::vector<uint8_t> good = Save();
    SavedGame g;
    ASSERT_TRUE(ParseSaveGame(good, g));
    size_t players = 2 + 2 + kSettingsSize + 2 + 8;
    size_t states = players + 4 + 2 * (13 + kDriverRecordBytes + kCarRecordSize) + 8 + 56;
    size_t points = states + 2 * CarStateBytes() + 8;
    auto patched = [&](size_t at, int32_t value) {
        std::vector<uint8_t> f = good;
        for (int k = 0; k < 4; ++k) f[at + k] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * k));
        return f;
    };
    const size_t flip = states + 9, lapMark = states + 13, lapTime = states + 17;
    for (const std::vector<uint8_t>& f :
         {patched(points, 0x7FFFFFF0), patched(points + 4, -5), patched(points + 16, 0x7FFFFFF0) /* race clock */,
          patched(flip, 0x7FFFFFFF), patched(flip, -1), patched(lapMark, 0x7FFFFFF0),
          patched(lapMark, g.raceClock + 1), patched(lapTime, -1), patched(points + 20, 70000) /* fastest lap */})
        EXPECT_FALSE(ParseSaveGame(f, g));
    EXPECT_TRUE(ParseSaveGame(patched(points, 1000), g));
    EXPECT_EQ(g.seasonPoints[0], 1000);
    // Car states the physics cannot step: flung at 5 km/s, an axis three long, a feather's mass.
    auto floatBits = [](float v) {
        int32_t bits;
        std::memcpy(&bits, &v, 4);
        return bits;
    };
    const size_t vel = states + 49, side = states + 73;
    for (const std::vector<uint8_t>& f : {patched(vel, floatBits(5000)), patched(side, floatBits(3)),
                                          patched(states + 37, floatBits(5e5f)),
                                          patched(states + 149, floatBits(0.001f))})
        EXPECT_FALSE(ParseSaveGame(f, g));
}

TEST_F(SaveGameTest, AContinuedRaceCountsItsOwnPitStopsAndStalls)
{
    ASSERT_TRUE(Race("\\oval", 2));
    baseDirectory = folder.path + "/";
    Steps(300);
    CountPitStop(0);
    ASSERT_EQ(PitStops(0), 1);
    ASSERT_GT(LongestNoProgress(1), 0);
    ASSERT_TRUE(SaveGame("Counts"));
    SavedGame g;
    ASSERT_EQ(ReadSaveGame("Counts", g), 0);
    pendingGame = std::move(g);
    PrepareSavedSeason();
    ContinueSeason(pendingGame.carCount, pendingGame.currentRace);
    RestoreSavedRace();
    EXPECT_EQ(PitStops(0), 0);
    EXPECT_EQ(LongestNoProgress(1), 0);
}
