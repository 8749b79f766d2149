// The main screen, the option pages and the season's bookkeeping, driven by
// their entry points in a scratch program folder: players chosen by keys,
// Start refused without players or tracks, the season's cars taken from the
// slots; the points and statistics of a race with a tie, a season ended in
// its first race; options edited across the pages, kept by OK in
// options.set and dropped by Cancel.
#include "tests/frontend/menu_fixture.h"

#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/settings.h"
#include "Game/track/track.h"

#include <filesystem>

using namespace menutest;

namespace {

int seasonsBegun = 0, carsOfSeason = 0;
void FakeBegin(int carCount) {
    ++seasonsBegun;
    carsOfSeason = carCount;
}

// Typed keys as the main loop hands them to the open screen.
void Keys(const std::string& s) {
    for (char c : s) menuInput.typeChar(c);
}

// Drags a slider from inside its track past its right end: its maximum.
void DragToMaximum(const Widget& w) {
    MenuPointerPressed(PixelX(w, 0.5f), PixelY(w, 0.5f));
    MenuPointerMoved(PixelX(w, 0.9f), PixelY(w, 0.5f), true);
    MenuPointerReleased(PixelX(w, 0.9f), PixelY(w, 0.5f));
}

class SeasonTest : public MenuTest {
protected:
    void SetUp() override {
        MenuTest::SetUp();
        carCatalogue.assign(2, MakeGeneralCar());
        DefaultSettings(settings);
        for (const char* name : {"Ann", "Bob", "Cid", "Dee", "Eve", "Fay", "Gus"}) {
            DriverRecord d = NewDriver(std::string(name) != "Ann");
            d.controls[1] = 120;
            ASSERT_TRUE(SaveDriver(d, name));
        }
        seasonsBegun = carsOfSeason = 0;
        beginSeasonEntry = FakeBegin;
        chosenTracks.clear();
        BuildMenus();
        OpenMainScreen();
    }
    void TearDown() override {
        beginSeasonEntry = nullptr;
        driverRecordHooks = DriverRecordHooks{};
        chosenTracks.clear();
        for (int k = 0; k < kPlayerSlots; ++k) PlaceDriverInSlot(k, nullptr);
        FreeCarCatalogue();
        MenuTest::TearDown();
    }
    DriverRecord OnDisk(const std::string& name) {
        DriverRecord d;
        EXPECT_TRUE(ReadDriverFile(folder->Read("drivers/" + name + ".drv"), d)) << name;
        return d;
    }
    // Drivers that have raced before: the counts of this season go on from theirs.
    void Veterans(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            DriverRecord d = OnDisk(name);
            d.seasons = 2;
            d.seasonPlaces[0] = d.seasonPlaces[1] = 1;
            d.races = 9;
            d.totalPoints = 40;
            for (uint32_t& v : d.racePlaces) v = 1;
            d.fastestLaps = 2;
            ASSERT_TRUE(SaveDriver(d, name));
            int i = FindDriver(name);
            ASSERT_GE(i, 0);
            driverList[size_t(i)].record = d;
        }
    }
    std::vector<std::string> ListTexts() {
        std::vector<std::string> out;
        for (const ListEntry& e : mainScreen[kMsDrivers].list->entries) out.push_back(e.text);
        return out;
    }
};

}  // namespace

TEST_F(SeasonTest, PlayersComeFromTheListGoBackAndAtMostSixFit) {
    EXPECT_EQ(ListTexts().size(), 7u);
    Keys("bc");                                  // Bob, then Cid, by their first letters
    ASSERT_TRUE(playerSlots[0].used && playerSlots[1].used);
    EXPECT_EQ(playerSlots[0].name, "Bob");
    EXPECT_EQ(playerSlots[1].name, "Cid");
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"Ann", "Dee", "Eve", "Fay", "Gus"}));
    // A click on a list entry adds it too.
    Widget& list = mainScreen[kMsDrivers];
    Click(list, 0.3f, (0.5f * 2) / list.height);  // first row: Ann
    EXPECT_EQ(playerSlots[2].name, "Ann");
    // The name button takes a player out; the later ones move up.
    Click(mainScreen[kMsNameFirst]);
    EXPECT_EQ(playerSlots[0].name, "Cid");
    EXPECT_EQ(playerSlots[1].name, "Ann");
    EXPECT_FALSE(playerSlots[2].used);
    EXPECT_EQ(ListTexts().front(), "Bob");
    Keys("bdefg");                               // six players now; Gus does not fit
    for (int k = 0; k < kPlayerSlots; ++k) EXPECT_TRUE(playerSlots[k].used) << k;
    EXPECT_EQ(ListTexts(), std::vector<std::string>{"Gus"});
    menuInput.typeChar(8);                             // Backspace: the last player goes back
    EXPECT_FALSE(playerSlots[5].used);
    EXPECT_EQ(ListTexts().size(), 2u);
    // "-" and "+" move the race length, within 1 to 255.
    for (int i = 0; i < 10; ++i) menuInput.typeChar('-');
    EXPECT_EQ(settings.raceLength, 1);
    EXPECT_EQ(mainScreen[kMsLength].value, 1);
    menuInput.typeChar('+');
    EXPECT_EQ(settings.raceLength, 2);
}

TEST_F(SeasonTest, StartIsRefusedWithoutPlayersOrTracksAndOtherwiseFillsTheSeason) {
    bool boxShown = false;
    auto answerOk = [&] {
        boxShown = currentScreen.screenId == kScreenMessageBox;
        Enter();
    };
    // Neither: Enter on the main screen is Start, which only shows the box.
    script.push_back(answerOk);
    Enter();
    EXPECT_TRUE(boxShown);
    EXPECT_EQ(seasonsBegun, 0);
    EXPECT_EQ(currentScreen.screenId, kScreenMain);
    // A player without a track.
    Keys("a");
    boxShown = false;
    script.push_back(answerOk);
    EXPECT_FALSE(StartFromMainScreen());
    EXPECT_TRUE(boxShown);
    // A track without a player.
    menuInput.typeChar(8);
    chosenTracks = {"oval", "offroad\\rally"};
    boxShown = false;
    script.push_back(answerOk);
    EXPECT_FALSE(StartFromMainScreen());
    EXPECT_TRUE(boxShown);
    EXPECT_EQ(seasonsBegun, 0);
    // Both: the season's cars are the slots in order, its tracks the chosen ones.
    Keys("ab");
    EXPECT_TRUE(StartFromMainScreen());
    EXPECT_EQ(seasonsBegun, 1);
    EXPECT_EQ(carsOfSeason, 2);
    EXPECT_FALSE(screenIsOpen);
    EXPECT_EQ(seasonTracks, (std::vector<std::string>{"\\oval", "\\offroad\\rally"}));
    EXPECT_TRUE(seasonDrivers[0].human);
    EXPECT_EQ(seasonDrivers[0].keys[0], SDLK_UP);
    EXPECT_FALSE(seasonDrivers[1].human);
    EXPECT_EQ(seasonDrivers[1].aiSkill, 120);
    ASSERT_NE(driverRecordHooks.name, nullptr);
    EXPECT_STREQ(driverRecordHooks.name(1), "Bob");
}

// Cars 1 and 2 finish on the same lap at the same moment: both take second
// place's points, the car behind them gets fourth place's, and each counts
// its own finishing position. The records are saved after the race.
TEST_F(SeasonTest, SharedPointsPlacesCountOwnPositionsAndAreSaved) {
    Veterans({"Ann", "Bob", "Cid", "Dee"});
    Keys("abcd");
    chosenTracks = {"oval"};
    ASSERT_TRUE(StartFromMainScreen());
    raceState = RaceState{};
    raceState.carCount = 4;
    raceState.fastestLapCar = 3;
    raceState.fastestLap = 900;
    const int standing[4] = {0, 1, 2, 3};
    const int marks[4] = {1000, 1100, 1100, 1200};
    for (int p = 0; p < 4; ++p) {
        raceState.standing[p] = standing[p];
        cars[p] = CarState{};
        cars[p].position = uint8_t(p);
        cars[p].laps = 3;
        cars[p].lastLapMark = marks[p];
        cars[p].bestLap = p == 3 ? 900 : 950;
    }
    const uint8_t table[7] = {10, 6, 4, 3, 2, 1, 5};
    std::copy(std::begin(table), std::end(table), settings.points);
    AwardPoints();
    EXPECT_EQ(raceState.seasonPoints[0], 10);
    EXPECT_EQ(raceState.seasonPoints[1], 6);
    EXPECT_EQ(raceState.seasonPoints[2], 6);
    EXPECT_EQ(raceState.seasonPoints[3], 3 + 5);
    DriverRecord ann = OnDisk("Ann"), bob = OnDisk("Bob"), cid = OnDisk("Cid"), dee = OnDisk("Dee");
    EXPECT_EQ(ann.racePlaces[0], 2u);
    EXPECT_EQ(bob.racePlaces[1], 2u);
    EXPECT_EQ(cid.racePlaces[2], 2u);  // its own position, not the shared place
    EXPECT_EQ(cid.racePlaces[1], 1u);
    EXPECT_EQ(dee.racePlaces[3], 2u);
    EXPECT_EQ(dee.racePlaces[0], 1u);
    EXPECT_EQ(cid.totalPoints, 40u + 6u);
    EXPECT_EQ(dee.totalPoints, 40u + 8u);
    EXPECT_EQ(dee.fastestLaps, 3u);
    EXPECT_EQ(ann.fastestLaps, 2u);
    for (const DriverRecord* d : {&ann, &bob, &cid, &dee}) {
        EXPECT_EQ(d->races, 10u);
        EXPECT_EQ(d->seasons, 2u);
    }
}

// The season is ended from the pause menu during its first race, with every
// point 0: every driver still counts a season, all sharing first place, and
// the final standings showing again does not count it twice.
TEST_F(SeasonTest, EndingTheSeasonInTheFirstRaceCountsOneSeasonForEveryDriver) {
    Veterans({"Ann", "Bob", "Cid"});
    Keys("abc");
    chosenTracks = {"oval", "club"};
    ASSERT_TRUE(StartFromMainScreen());
    std::fill(std::begin(settings.points), std::end(settings.points), uint8_t(0));
    raceState = RaceState{};
    raceState.carCount = 3;
    raceState.raceCount = 2;
    raceState.phase = RacePhase::Racing;
    raceSeams = RaceSeams{};
    raceSeams.showStandings = SeasonStandingsShown;
    pauseMenu.clear();
    OpenPauseMenu();
    ASSERT_EQ(currentScreen.screenId, kScreenPause);
    int reentered = 0;
    static int* counter = nullptr;
    counter = &reentered;
    reenterRace = [] { ++*counter; };
    // The last button ends the season after its Yes/No box: Yes.
    script.push_back([] { Enter(); });
    Click(pauseMenu[5]);
    EXPECT_EQ(reentered, 1);
    EXPECT_FALSE(screenIsOpen);
    EXPECT_EQ(raceState.phase, RacePhase::FinalRelease);
    EXPECT_EQ(raceState.raceIndex, 1);           // the final standings
    SeasonStandingsShown(true);
    for (const char* name : {"Ann", "Bob", "Cid"}) {
        DriverRecord d = OnDisk(name);
        EXPECT_EQ(d.seasons, 3u) << name;
        EXPECT_EQ(d.seasonPlaces[0], 2u) << name;
        EXPECT_EQ(d.seasonPlaces[1], 1u) << name;
        EXPECT_EQ(d.totalPoints, 40u) << name;
        EXPECT_EQ(d.races, 9u) << name;
    }
    reenterRace = nullptr;
    raceSeams = RaceSeams{};
}

TEST_F(SeasonTest, PauseMenuNoKeepsTheRaceAndSkipEndsTheRaceWithoutPoints) {
    Keys("ab");
    chosenTracks = {"oval", "club"};
    ASSERT_TRUE(StartFromMainScreen());
    raceState = RaceState{};
    raceState.carCount = 2;
    raceState.raceCount = 2;
    raceState.raceLaps = 3;
    raceState.phase = RacePhase::Racing;
    raceSeams = RaceSeams{};
    raceSeams.showStandings = SeasonStandingsShown;
    static int reentered = 0;
    reentered = 0;
    reenterRace = [] { ++reentered; };
    OpenPauseMenu();
    script.push_back([] { Escape(); });          // No
    Click(pauseMenu[4]);
    EXPECT_EQ(currentScreen.screenId, kScreenPause);
    EXPECT_EQ(raceState.phase, RacePhase::Racing);
    EXPECT_EQ(reentered, 0);
    script.push_back([] { Enter(); });           // Yes
    Click(pauseMenu[4]);
    EXPECT_EQ(reentered, 1);
    EXPECT_EQ(raceState.phase, RacePhase::StandingsRelease);  // nobody through: no points, the next race follows
    EXPECT_EQ(OnDisk("Ann").seasons, 0u);
    // Resume by Escape: the start lights run again.
    raceState.phase = RacePhase::Racing;
    OpenPauseMenu();
    Escape();
    EXPECT_EQ(raceState.phase, RacePhase::Countdown);
    EXPECT_EQ(reentered, 2);
    reenterRace = nullptr;
    raceSeams = RaceSeams{};
}

// Edits move with the player between the Options, Advanced and Driver pages;
// Cancel drops them, OK stores them and they come back from options.set.
TEST_F(SeasonTest, OptionEditsSurviveThePagesAndARestartOnlyAfterOk) {
    Click(mainScreen[kMsOptions]);
    ASSERT_EQ(currentScreen.screenId, kScreenOptions);
    DragToMaximum(optionsPage[kOpTyreWear]);
    Click(optionsPage[kOpLengthUnit]);          // laps -> kilometres
    Click(optionsPage[kOpCancel]);
    EXPECT_EQ(currentScreen.screenId, kScreenMain);
    EXPECT_EQ(settings.tyreWear, 30);
    EXPECT_EQ(settings.lengthUnit, 0);

    Click(mainScreen[kMsOptions]);
    DragToMaximum(optionsPage[kOpTyreWear]);
    Click(optionsPage[kOpLengthUnit]);
    Click(optionsPage[kOpLengthUnit]);          // -> minutes
    Click(optionsPage[kOpAdvanced]);
    ASSERT_EQ(currentScreen.screenId, kScreenAdvanced);
    Click(advancedPage[kApShadows]);            // on -> off
    Click(advancedPage[kApDrivers]);
    ASSERT_EQ(currentScreen.screenId, kScreenDriverOptions);
    Click(driverPage[kDpOptions]);
    ASSERT_EQ(currentScreen.screenId, kScreenOptions);
    EXPECT_EQ(optionsPage[kOpTyreWear].value, 100);  // still there after the tour
    EXPECT_EQ(optionsPage[kOpLengthUnit].text, texts[kTextMinutesPlusTwoLaps]);
    EXPECT_EQ(settings.tyreWear, 30);           // nothing stored yet
    Enter();                                     // OK
    EXPECT_EQ(currentScreen.screenId, kScreenMain);
    EXPECT_EQ(settings.tyreWear, 100);
    EXPECT_EQ(settings.lengthUnit, 2);
    EXPECT_EQ(settings.shadows, 0);
    // The race-length caption follows the unit.
    EXPECT_EQ(mainScreen[kMsLength].text, texts[kTextMinute] + "|" + texts[kTextMinutes]);

    DefaultSettings(settings);
    LoadOptions();
    EXPECT_EQ(settings.tyreWear, 100);
    EXPECT_EQ(settings.lengthUnit, 2);
    EXPECT_EQ(settings.shadows, 0);
}

// From the pause menu the advanced options return to the race, and a change
// that needs the resources reloaded waits for the end of the season instead
// of pulling the surfaces from under the race.
TEST_F(SeasonTest, AdvancedOptionsFromThePauseMenuResumeTheRaceAndPostponeAReload) {
    static int reloads = 0, reentered = 0;
    reloads = reentered = 0;
    reloadResources = [] { ++reloads; };
    reenterRace = [] { ++reentered; };
    raceState = RaceState{};
    raceState.carCount = 1;
    raceState.raceCount = 1;
    raceState.phase = RacePhase::Racing;
    uint8_t windowed = settings.windowed;
    CloseScreen();
    OpenPauseMenu();
    Click(pauseMenu[2]);
    ASSERT_EQ(currentScreen.screenId, kScreenAdvanced);
    Click(advancedPage[kApFullScreen]);
    Click(advancedPage[kApOk]);
    EXPECT_EQ(settings.windowed, windowed ^ 1);
    EXPECT_EQ(reloads, 0);
    EXPECT_TRUE(reloadPending);
    EXPECT_EQ(reentered, 1);
    EXPECT_EQ(raceState.phase, RacePhase::Countdown);
    EXPECT_FALSE(screenIsOpen);
    // The same change on the main screen reloads at once.
    reloadPending = false;
    OpenMainScreen();
    Click(mainScreen[kMsOptions]);
    Click(optionsPage[kOpAdvanced]);
    Click(advancedPage[kApFullScreen]);
    Click(advancedPage[kApOk]);
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(reloadPending);
    reloadResources = nullptr;
    reenterRace = nullptr;
}

// The car pop-up beside a slot: the car clicked is stored in the driver's file.
TEST_F(SeasonTest, CarPickedInThePopUpIsSavedWithTheDriver) {
    std::snprintf(carCatalogue[1].name, sizeof carCatalogue[1].name, "Buggy");
    Keys("cb");
    Widget& car = mainScreen[kMsCarFirst + 1];
    script.push_back([] {
        ASSERT_EQ(currentScreen.screenId, kScreenCarPopup);
        Widget& list = currentScreen.widgets[0];
        ASSERT_EQ(list.list->entries.size(), 2u);
        EXPECT_EQ(list.list->entries[1].text, "Buggy");
        Click(list, 0.3f, 3.0f / list.height);  // the second row
    });
    Click(car);
    EXPECT_EQ(currentScreen.screenId, kScreenMain);
    EXPECT_EQ(playerSlots[1].record.car, 1u);
    EXPECT_EQ(OnDisk("Bob").car, 1u);
    EXPECT_EQ(OnDisk("Cid").car, 0u);
    // Cancel keeps the car.
    script.push_back([] { Escape(); });
    Click(car);
    EXPECT_EQ(OnDisk("Bob").car, 1u);
}

TEST(OptionReload, OnlyScreenLanguagePaletteAndSoundNeedIt) {
    Settings a, b;
    DefaultSettings(a);
    b = a;
    b.tyreWear = 99;
    b.points[0] = 1;
    b.effects = 3;
    b.engineVolume = 1;
    EXPECT_FALSE(NeedsReload(a, b));
    for (int k = 0; k < 5; ++k) {
        b = a;
        switch (k) {
        case 0: b.screenWidthSetting = 800; break;
        case 1: b.windowed ^= 1; break;
        case 2: std::snprintf(b.language, sizeof b.language, "deutsch"); break;
        case 3: std::snprintf(b.palette, sizeof b.palette, "dusk"); break;
        default: std::snprintf(b.soundSet, sizeof b.soundSet, "quiet"); break;
        }
        EXPECT_TRUE(NeedsReload(a, b)) << k;
    }
}

TEST_F(SeasonTest, ExitAsksFirstAndQuitsOnlyOnYes) {
    quitRequested = false;
    script.push_back([] { Escape(); });          // Escape is Exit; Escape again is No
    Escape();
    EXPECT_FALSE(quitRequested);
    EXPECT_EQ(currentScreen.screenId, kScreenMain);
    script.push_back([] { Enter(); });           // Yes
    Escape();
    EXPECT_TRUE(quitRequested);
    EXPECT_FALSE(screenIsOpen);
    quitRequested = false;
}

// Kilometres: 1 + (1000 x L) / track length laps, and never fewer than one
// even when the distance is shorter than a lap.
TEST(RaceLength, KilometresShorterThanOneLapStillRaceOneLap) {
    std::string saved = baseDirectory;
    baseDirectory = std::string(DW_RUN_DIR) + "/";
    carCatalogue.assign(1, MakeGeneralCar());
    DefaultSettings(settings);
    raceSeams = RaceSeams{};
    ASSERT_EQ(LoadTrackFile(std::string(DW_RUN_DIR) + "/tracks/oval.trk", 2), 0);
    raceState = RaceState{};
    raceState.carCount = 2;
    FillRandomTable(1);
    settings.lengthUnit = 1;
    settings.raceLength = 1;
    trackMaps.trackLength = 1500;
    ResetRace();
    EXPECT_EQ(raceState.raceLaps, 1);
    trackMaps.trackLength = 407;
    ResetRace();
    EXPECT_EQ(raceState.raceLaps, 3);            // 1 + 1000 / 407
    settings.lengthUnit = 0;
    ResetRace();
    EXPECT_EQ(raceState.raceLaps, 1);
    FreeTrackMaps();
    FreeCarCatalogue();
    baseDirectory = saved;
}

// A season whose players include a name no driver file holds (a game saved
// from a command-line race, or a driver deleted since): counting goes on for
// the listed drivers and never creates a file for the other.
TEST_F(SeasonTest, CountingNeverCreatesAFileForAnUnlistedDriver) {
    Keys("ab");
    chosenTracks = {"oval"};
    ASSERT_TRUE(StartFromMainScreen());
    playerSlots[1].name = "Driver 2";
    raceState = RaceState{};
    raceState.carCount = 2;
    for (int p = 0; p < 2; ++p) {
        raceState.standing[p] = p;
        cars[p] = CarState{};
        cars[p].position = uint8_t(p);
        cars[p].laps = 3;
        cars[p].lastLapMark = 1000 + 100 * p;
    }
    AwardPoints();
    EXPECT_EQ(OnDisk("Ann").races, 1u);
    EXPECT_FALSE(std::filesystem::exists(folder->File("drivers/Driver 2.drv")));
    EXPECT_EQ(OnDisk("Bob").races, 0u);
}
