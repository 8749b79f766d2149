// Track records and the time-trial ghost as a season keeps them in copies of
// shipped tracks: the ghost a race starts from is its own track's, only a
// faster lap replaces the stored one, the record mark, the stored form read
// back whole, and files reached through symbolic links.
#include "tests/race/race_fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/shell/temp_folder.h"

using namespace racetest;

namespace {

class RecordsTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string Copy(const std::string& track, const std::string& as)
    {
        std::string path = folder.File(as);
        EXPECT_EQ(system(("cp '" + std::string(DW_RUN_DIR) + "/tracks/" + track + ".trk' '" + path + "'").c_str()), 0);
        return path;
    }
    // A stored lap of n frames along a line, with its record time n.
    static GhostLap Lap(int n, float z)
    {
        GhostLap lap;
        lap.frameCount = static_cast<uint16_t>(n);
        for (int k = 0; k <= n / 2; ++k) {
            int frame = 2 * k < n ? 2 * k : n - 1;
            lap.samples.push_back(EncodeGhostSample({10.0f + frame, 2, z}, {1, 0, 0}, {0, 0, 1}));
        }
        return lap;
    }
    static void Store(const std::string& path, int frames, float z)
    {
        TrackRecords records;
        ClearTrackRecords(records);
        uint16_t date[8] = {2026, 1, 1, 1, 0, 0, 0, 0};
        InsertTrackRecord(records, static_cast<uint16_t>(frames), "Stored", MakeGeneralCar(), date);
        GhostLap lap = Lap(frames, z);
        ASSERT_EQ(WriteTrackRecords(path.c_str(), records, &lap), kTrackOk);
    }
    // A one-car season over the tracks with the race rules in place (the
    // ghost is prepared by the race start, as in the game).
    static void TimeTrial(const std::vector<std::string>& tracks)
    {
        ASSERT_TRUE(StartTestRace("\\town", 1, 0));  // another track loaded before
        seasonTracks = tracks;
        InstallRaceRules();
        cars[0].aiSkill = 100;
        StartSeason(1);
        ASSERT_TRUE(trackMaps.loaded);
        raceState.phase = RacePhase::Racing;
    }
    static void DriveLap(int frames)
    {
        for (int k = 0; k < frames; ++k) RecordGhost();
        EndGhostLap(0);
    }
    static int StoredFrames(const std::string& path)
    {
        uint8_t size = 0;
        GhostLap lap;
        return ReadTrackGhost(path.c_str(), size, lap) == kTrackOk ? lap.frameCount : 0;
    }
};

}  // namespace

TEST_F(RecordsTest, OnlyAFasterTimeTrialLapReplacesTheStoredGhostAndRecordAndIsMarked)
{
    std::string oval = Copy("oval", "oval.trk"), club = Copy("club", "club.trk");
    Store(oval, 500, 7);
    TimeTrial({oval, club});
    // The stored lap of this track is the ghost from the start.
    ASSERT_EQ(GhostSampleCount(), 500);
    Vec3 p, s, u, f;
    ASSERT_TRUE(GhostPose(0, p, s, u, f));
    EXPECT_NEAR(p.z, 7, 0.01f);

    DriveLap(600);
    EXPECT_EQ(GhostSampleCount(), 500);
    EXPECT_EQ(raceState.recordCar, -1);
    WriteRaceRecords();
    EXPECT_EQ(StoredFrames(oval), 500);
    ASSERT_EQ(LoadTrackFile(oval, 1), 0);
    EXPECT_EQ(trackMaps.records.entry[0].time, 500);

    TimeTrial({oval, club});
    DriveLap(400);
    EXPECT_EQ(GhostSampleCount(), 400);
    EXPECT_EQ(raceState.recordCar, 0);  // the table before the lap held 500
    EXPECT_EQ(trackMaps.records.entry[0].time, 400);
    EXPECT_TRUE(WriteRaceRecords());
    EXPECT_EQ(StoredFrames(oval), 400);

    // A saved game's best lap is written when it beats the track's lap, not otherwise.
    TimeTrial({oval, club});
    LoadGhost(Lap(350, 1));
    EXPECT_TRUE(WriteRaceRecords());
    EXPECT_EQ(StoredFrames(oval), 350);
    TimeTrial({oval, club});
    LoadGhost(Lap(380, 1));
    WriteRaceRecords();
    EXPECT_EQ(StoredFrames(oval), 350);

    // The next race of the season has no stored lap: no ghost of the oval crosses it.
    raceState.raceIndex = 1;
    StartRace();
    ASSERT_EQ(trackMaps.name, club);
    EXPECT_EQ(GhostSampleCount(), 0);
    // There a saved game's best lap has no lap to beat: it is written.
    LoadGhost(Lap(420, 1));
    EXPECT_TRUE(WriteRaceRecords());
    EXPECT_EQ(StoredFrames(club), 420);
}

TEST_F(RecordsTest, TheStoredFormKeepsTheLastFrameOfAnEvenLap)
{
    ASSERT_TRUE(StartTestRace("\\oval", 1, 0));
    for (int n : {6, 7, 300}) {
        LoadGhost(Lap(n, 3));
        ASSERT_EQ(GhostSampleCount(), n);
        Vec3 p, s, u, f;
        ASSERT_TRUE(GhostPose(n - 1, p, s, u, f));
        EXPECT_NEAR(p.x, 10.0f + n - 1, 0.01f) << n << " frames";
        ASSERT_TRUE(GhostPose(n - 2, p, s, u, f));
        EXPECT_NEAR(p.x, 10.0f + n - 2, 0.01f) << n << " frames";
    }
}

TEST_F(RecordsTest, RecordsWrittenThroughALinkKeepTheLinkAndTheFileMode)
{
    mkdir(folder.File("real").c_str(), 0777);
    std::string target = Copy("oval", "real/oval.trk");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    std::string link = folder.File("linked.trk");
    ASSERT_EQ(symlink("real/oval.trk", link.c_str()), 0);
    ASSERT_TRUE(StartTestRace(link, 2, 0));
    trackMaps.records.entry[0].time = 4321;
    EXPECT_TRUE(WriteRaceRecords());
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(LoadTrackFile(target, 2), 0);
    EXPECT_EQ(trackMaps.records.entry[0].time, 4321);
}
