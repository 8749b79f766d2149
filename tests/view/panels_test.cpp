// What a player reads on the race screen, checked in the pixels of a
// 640 x 480 back buffer with the real font: the lap counter and car columns,
// the race clock, the record colour, the order of the points rows with ties,
// the time-trial results inside their dark panel and the replay's texts.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Game/race/cars.h"
#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

constexpr uint8_t kFloor = 100;  // the race picture under everything: one colour

CarDefinition iconCar;

struct PanelScreen : ::testing::Test {
    int W = 0, H = 0, C = 0, G = 0;
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SetScreenSize(640, 480);
        ASSERT_TRUE(SetVideoMode(true));
        ResetTexts();
        std::string saved = baseDirectory;
        baseDirectory = std::string(DW_RUN_DIR) + "/";
        EnterBaseDirectory();
        ASSERT_EQ(LoadFont(), 0);
        baseDirectory = saved;
        for (int i = 0; i < 256; ++i) currentPalette[i] = SDL_Color{Uint8(i), Uint8(i), Uint8(i), 0};
        ASSERT_TRUE(LockSurface(kBackBuffer));
        W = backBuffer->w;
        H = backBuffer->h;
        C = uiScale;
        G = lineWidth;
        SetViewTarget(lockedPixels, lockedPitch, W, H, nullptr, nullptr);
        Fill(0, 0, W, H, kFloor);
        BuildDiscTable();
        iconCar = MakeGeneralCar();
        viewRace = ViewRace{};
        trackMaps.records = TrackRecords{};
        trackMaps.name = "\\oval";
        trackMaps.trackLength = 500;
    }
    void TearDown() override
    {
        UnlockSurface();
        FreeFont();
        FreeVideoSurfaces();
        SDL_Quit();
    }
    uint8_t& At(int x, int y) { return lockedPixels[size_t(y) * size_t(lockedPitch) + size_t(x)]; }
    void Fill(int x0, int y0, int x1, int y1, uint8_t colour)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) At(x, y) = colour;
    }
    void Race(int carCount, const char* const* names)
    {
        viewRace.carCount = carCount;
        for (int i = 0; i < carCount; ++i) {
            viewRace.cars[i].definition = &iconCar;
            std::snprintf(viewOptions.driverNames[i], sizeof viewOptions.driverNames[i], "%s", names[i]);
        }
    }
    // True when text stands at (x, y) in colour: within the text's cells the
    // pixels of that colour are exactly the ink of the text drawn alone.
    bool Reads(const std::string& text, int x, int y, uint8_t colour)
    {
        int x1 = std::min(W, x + TextWidth(text)), y1 = std::min(H, y + 2 * C);
        std::vector<uint8_t> saved;
        std::vector<bool> seen;
        for (int yy = y; yy < y1; ++yy)
            for (int xx = x; xx < x1; ++xx) {
                saved.push_back(At(xx, yy));
                seen.push_back(At(xx, yy) == colour);
            }
        Fill(x, y, x1, y1, 0);
        DrawText(text.c_str(), x, y, colour, 0);
        std::vector<bool> ink;
        size_t k = 0;
        for (int yy = y; yy < y1; ++yy)
            for (int xx = x; xx < x1; ++xx) {
                ink.push_back(At(xx, yy) == colour);
                At(xx, yy) = saved[k++];
            }
        return std::count(ink.begin(), ink.end(), true) > 0 && seen == ink;
    }
    int Count(int x0, int y0, int x1, int y1, uint8_t colour)
    {
        int n = 0;
        for (int y = std::max(0, y0); y < std::min(H, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(W, x1); ++x) n += At(x, y) == colour;
        return n;
    }
};

const char* const kNames[6] = {"Anna", "Bert", "Cleo", "Dora", "Emil", "Fritz"};

}  // namespace

TEST_F(PanelScreen, LapCounterReadsTheLeadersLapFromTheStartToTheEnd)
{
    Race(2, kNames);
    viewRace.raceLaps = 5;
    const int y = H - 2 * (G + C);
    const int laps[3] = {0, 4, 5};  // the start, the last lap, the winner through
    const char* shown[3] = {"1/5", "5/5", "5/5"};
    for (int k = 0; k < 3; ++k) {
        viewRace.leaderLaps = laps[k];
        PaintLapPanel();
        EXPECT_TRUE(Reads(shown[k], C, y, 242)) << "leader through " << laps[k] << " laps";
    }
    EXPECT_FALSE(Reads("6/5", C, y, 242));
}

TEST_F(PanelScreen, TheStripShowsTheTrackNameAndRecordClearOfTheClock)
{
    Race(2, kNames);
    viewRace.raceLaps = 5;
    trackMaps.name = "\\offroad\\rally";
    trackMaps.records.entry[0].time = 3012;
    PaintLapPanel();
    const int top = H - 3 * G - 4 * C, bottom = H - 2 * (G + C), right = W / 4 - C / 2;
    EXPECT_TRUE(Reads("rally", C, top, 242));
    EXPECT_TRUE(Reads("1/5", C, bottom, 242));
    EXPECT_TRUE(Reads("TR: 30.12s", right - TextWidth("TR: 30.12s"), bottom, 245));
    // A timed race: a long name stops short of the clock, no record no TR.
    viewRace.timedRace = true;
    trackMaps.name = "\\a_very_long_name_for_a_track";
    trackMaps.records.entry[0].time = kEmptyLapTime;
    viewRace.wallEnd = 1000 + 125;
    PaintLapPanel();
    DrawRaceClock(1000, false);
    const int clockLeft = int(0.25f * W - 5.5f * C);
    EXPECT_TRUE(Reads("a_very_long_", C, top, 242));
    EXPECT_EQ(Count(C + 12 * C, top, clockLeft, top + 2 * C, 242), 0);
    EXPECT_TRUE(Reads("02:05", clockLeft, int(H - 2 * G - 4.2f * C), 242));
    EXPECT_EQ(Count(C, bottom, W / 4, bottom + 2 * C, 245), 0);
}

TEST_F(PanelScreen, EveryCarHasAColumnATimeTrialToo)
{
    Race(1, kNames);
    viewRace.raceLaps = 3;
    viewRace.leaderLaps = 2;
    viewRace.cars[0].laps = 2;
    viewRace.cars[0].lastLapTime = 3456;
    viewRace.fastestLap = 3300;
    viewRace.fastestLapCar = 0;
    viewRace.recordCar = -1;
    PaintLapPanel();
    int x = W * 2 / 8 + 4 * C, y = H - 3 * G - 4 * C;
    EXPECT_TRUE(Reads("1", x, y, 245)) << "the position";
    EXPECT_TRUE(Reads("2", x + 2 * C, y, 242)) << "the laps";
    EXPECT_TRUE(Reads("34.56", x, y + 2 * C, 242)) << "the last lap time";
}

TEST_F(PanelScreen, OnlyTheLapThatSetTheMarkIsColoured)
{
    Race(2, kNames);
    viewRace.raceLaps = 5;
    const int x = W * 3 / 8 + 4 * C, y = H - 3 * G - 4 * C + 2 * C;
    ViewCar& car = viewRace.cars[1];
    car.laps = 2;
    car.lastLapTime = 3012;
    viewRace.fastestLap = 2950;  // a computer driver's, who sets no records
    viewRace.fastestLapCar = 0;
    viewRace.recordCar = 1;
    trackMaps.records.entry[0].time = 3012;
    PaintLapPanel();
    EXPECT_TRUE(Reads("30.12", x, y, 244)) << "a new track record";
    // The next lap is slower: plain, though the car still holds the record.
    car.laps = 3;
    car.lastLapTime = 3150;
    PaintLapPanel();
    EXPECT_TRUE(Reads("31.50", x, y, 242));
    EXPECT_EQ(Count(x, y, x + 5 * C, y + 2 * C, 244), 0);
    // A fastest lap of the race that is no record has the other colour.
    viewRace.recordCar = -1;
    car.laps = 4;
    car.lastLapTime = 2999;
    viewRace.fastestLap = 2999;
    viewRace.fastestLapCar = 1;
    PaintLapPanel();
    EXPECT_TRUE(Reads("29.99", x, y, 247));
}

TEST_F(PanelScreen, TheClockShowsLongRacesWholeAndNothingWhenPaused)
{
    viewRace.timedRace = true;
    const int y = int(H - 2 * G - 4.2f * C);
    auto x = [&](int length) { return int(0.25f * W - (length + 0.5f) * C); };
    viewRace.wallEnd = 1000 + 120 * 60;
    DrawRaceClock(1000, false);
    EXPECT_TRUE(Reads("120:00", x(6), y, 242));
    Fill(0, 0, W, H, kFloor);
    viewRace.wallEnd = 1000 + 59 * 60 + 59;
    DrawRaceClock(1000, true);
    EXPECT_EQ(Count(0, 0, W, H, 242), 0) << "paused";
    DrawRaceClock(1000, false);
    EXPECT_TRUE(Reads("59:59", x(5), y, 242));
}

TEST_F(PanelScreen, PointRowsGoByPointsAndTiesKeepTheDriversOrder)
{
    Race(4, kNames);
    viewRace.raceIndex = 1;
    viewRace.raceCount = 3;
    const int32_t points[4] = {5, 9, 5, 0};
    std::copy(points, points + 4, viewRace.seasonPoints);
    ASSERT_TRUE(ShowPointsAfterRace());
    const int left = W / 2 - 17 * C, top = (H - 36 * C - 5 * G) / 2;
    auto check = [&](int firstRow, const std::vector<std::pair<const char*, const char*>>& rows, const std::vector<bool>& boxes) {
        for (size_t r = 0; r < rows.size(); ++r) {
            int y = firstRow + int(r) * 3 * C;
            EXPECT_TRUE(Reads(rows[r].first, left + 9 * C, y, 242)) << "row " << r;
            std::string p = rows[r].second;
            EXPECT_TRUE(Reads(p, left + 33 * C - TextWidth(p), y, 245)) << "row " << r;
            EXPECT_EQ(At(left, y) == 246, boxes[r]) << "box of row " << r;
        }
    };
    check(top + 9 * C, {{"Bert", "9 p"}, {"Anna", "5 p"}, {"Cleo", "5 p"}}, {true, true, false});
    EXPECT_TRUE(Reads("2/3", left + TextWidth(texts[kTextAfterRace]), top + 6 * C, 245));
    EXPECT_EQ(Count(0, top + 18 * C, W, top + 21 * C, 242), 0) << "the list stops at the first driver without points";
    // The final standings list every driver.
    Fill(0, 0, W, H, kFloor);
    DrawFinalStandings();
    check(top + 9 * C, {{"Bert", "9 p"}, {"Anna", "5 p"}, {"Cleo", "5 p"}, {"Dora", "0 p"}}, {true, true, false, true});
    // Nobody with points: no panel.
    std::fill(viewRace.seasonPoints, viewRace.seasonPoints + 4, 0);
    EXPECT_FALSE(ShowPointsAfterRace());
}

TEST_F(PanelScreen, SixBestTimesAndTheirPlaceLineStayInsideTheDarkPanel)
{
    Race(1, kNames + 1);  // "Bert" races
    viewRace.raceLaps = 3;
    const char* holders[6] = {"Anna", "Bert", "Cleo", "Dora", "Emil", "Bert"};
    const int times[6] = {3012, 3100, 3100, 3250, 3999, 4120};
    for (int r = 0; r < 6; ++r) {
        TrackRecord& rec = trackMaps.records.entry[r + 1];
        rec.time = uint16_t(times[r]);
        std::snprintf(rec.name, sizeof rec.name, "%s", holders[r]);
    }
    viewRace.cars[0].bestLap = 3100;
    viewRace.recordCar = 0;
    trackMaps.records.entry[0].time = 3100;
    ShowRaceResults();
    // The dark panel: the bounding box of the grey ramp.
    int x0 = W, y0 = H, x1 = -1, y1 = -1;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (At(x, y) >= 1 && At(x, y) <= 18) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    ASSERT_LT(x0, x1);
    int outside = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if ((x < x0 || x > x1 || y < y0 || y > y1) && At(x, y) != kFloor) ++outside;
    EXPECT_EQ(outside, 0) << "pixels drawn outside the dark panel";
    // Every best time is listed, ties share their place, and the run's place
    // and the record marker stand on the line under them.
    const int left = W / 2 - 17 * C;
    int first = -1;
    for (int y = y0; y < y1 && first < 0; ++y)
        if (Reads("Anna", left + 9 * C, y, 242)) first = y;
    ASSERT_GE(first, 0);
    const char* shown[6] = {"30.12s", "31.00s", "31.00s", "32.50s", "39.99s", "41.20s"};
    for (int r = 0; r < 6; ++r) {
        int y = first + 3 * r * C;
        EXPECT_TRUE(Reads(holders[r], left + 9 * C, y, 242)) << r;
        std::string t = shown[r];
        EXPECT_TRUE(Reads(t, left + 33 * C - TextWidth(t), y, 245)) << r;
        EXPECT_EQ(At(left, y) == 246, r != 2) << "box of row " << r;
    }
    EXPECT_TRUE(Reads("TR", left, first + 18 * C, 244));
    EXPECT_TRUE(Reads("2.", left + 4 * C, first + 18 * C, 244));
}

TEST_F(PanelScreen, TheReplayWritesTheLanguagesTexts)
{
    texts[kTextReplay] = "Wiederholung";
    texts[kTextReplayHint] = "ESC beendet, F1 hilft.";
    texts[kTextRate] = "Tempo";
    texts[kTextStop] = "Anhalten";
    DrawReplayHud(" 0:10", " 1:1");
    EXPECT_TRUE(Reads("Wiederholung", (W - TextWidth(texts[kTextReplay])) / 2, 2 * G, 242));
    EXPECT_TRUE(Reads("ESC beendet, F1 hilft.", (W - TextWidth(texts[kTextReplayHint])) / 2, 2 * G + 2 * C, 245));
    int y = H - 2 * G - 4 * C;
    EXPECT_TRUE(Reads("Tempo  1:1", 2 * C + TextWidth(" 0:10") + 2 * C, y, 245));
    DrawReplayHelp();
    int found = 0;
    for (int yy = 0; yy < H && !found; ++yy)
        found = Reads("Anhalten", W / 2 - 6 * C, yy, 242);
    EXPECT_TRUE(found) << "the help panel's text for DOWN";
    ResetTexts();
}
