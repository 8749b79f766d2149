// The Driver options page driven by its event entry points in a scratch
// program folder: creating drivers by keyboard, refused names, capturing a
// key, colour and skill edits kept by OK and dropped by Cancel, deleting,
// and resetting statistics.
#include "tests/frontend/menu_fixture.h"

#include "Game/race/cars.h"
#include "Game/shell/folders.h"
#include "Game/shell/input.h"

using namespace menutest;

namespace {

int leaves = 0;
void OnLeave() { ++leaves; }

// A keyboard for the capture prompt: one key held for a few polls, then released.
int heldKey = 0, heldPolls = 0;
uint8_t keys[kKeyStateSize];
const uint8_t* ScriptedKeys(int* count) {
    std::fill(std::begin(keys), std::end(keys), 0);
    if (heldPolls > 0) {
        --heldPolls;
        keys[heldKey] = 1;
    }
    *count = kKeyStateSize;
    return keys;
}

class DriverPageTest : public MenuTest {
protected:
    void SetUp() override {
        MenuTest::SetUp();
        carCatalogue.assign(3, MakeGeneralCar());
        std::snprintf(carCatalogue[1].name, sizeof carCatalogue[1].name, "Buggy");
        leaves = 0;
        heldPolls = 0;
        inputSource.keys = ScriptedKeys;
        inputSource.wait = [](uint32_t) {};
        AllocKeyState();
        BuildMenus();
    }
    void TearDown() override {
        UseSdlInput();
        FreeKeyState();
        FreeCarCatalogue();
        MenuTest::TearDown();
    }
    Widget& W(int i) { return driverPage[size_t(i)]; }
    void FocusOn(int index) {
        for (int i = 0; i < 40 && currentScreen.focus != index; ++i) MenuMoveFocus(-1);
        ASSERT_EQ(currentScreen.focus, index);
    }
    // Creates a driver through the page with the keyboard alone.
    void CreateByKeyboard(const std::string& name, bool computer) {
        FocusOn(kDpCreate);
        Enter();
        ASSERT_FALSE(W(kDpName).flags & kWidgetHidden);
        ASSERT_TRUE(W(kDpCreate).flags & kWidgetHidden);  // everything else hides
        ASSERT_EQ(currentScreen.focus, kDpName);
        Type(name);
        if (computer) {
            MenuMoveFocus(1);
            ASSERT_EQ(currentScreen.focus, kDpType);
            Enter();
            EXPECT_EQ(W(kDpType).text, texts[kTextComputer]);
            MenuMoveFocus(1);  // Enter on the type button would switch it back
            ASSERT_EQ(currentScreen.focus, kDpCreateOk);
        }
        Enter();
    }
    DriverRecord OnDisk(const std::string& name) {
        DriverRecord d;
        EXPECT_TRUE(ReadDriverFile(folder->Read("drivers/" + name + ".drv"), d)) << name;
        return d;
    }
};

}  // namespace

TEST_F(DriverPageTest, ANewHumanDriverIsAFileOnTheArrowKeysAndCapturedKeysAreSavedByOk) {
    OpenDriverPage(OnLeave);
    ASSERT_EQ(currentScreen.screenId, kScreenDriverOptions);
    EXPECT_TRUE(W(kDpDelete).flags & kWidgetHidden);  // nothing to edit yet
    CreateByKeyboard("Zed", false);
    EXPECT_TRUE(W(kDpName).flags & kWidgetHidden);
    EXPECT_EQ(WriteDriverFile(OnDisk("Zed")), WriteDriverFile(NewDriver(false)));
    ASSERT_EQ(driverList.size(), 1u);
    EXPECT_EQ(W(kDpList).list->selected, 0);
    EXPECT_EQ(W(kDpBindFirst).text, "up");
    EXPECT_EQ(W(kDpBindFirst + 3).text, "right");
    EXPECT_TRUE(W(kDpSkill).flags & kWidgetHidden);

    // Accelerate on W: the prompt binds it when released.
    ASSERT_EQ(currentScreen.focus, kDpBindFirst);
    heldKey = SDLK_w;
    heldPolls = 3;
    Enter();
    EXPECT_EQ(W(kDpBindFirst).text, "W");
    EXPECT_EQ(driverList[0].record.controls[0], SDLK_w);
    EXPECT_EQ(OnDisk("Zed").controls[0], SDLK_UP);  // not saved before OK
    // Escape in the prompt leaves the binding alone.
    MenuMoveFocus(1);
    heldKey = SDLK_ESCAPE;
    heldPolls = 1;
    Enter();
    EXPECT_EQ(driverList[0].record.controls[1], SDLK_DOWN);
    FocusOn(kDpOk);
    Enter();
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(screenIsOpen);
    DriverRecord saved = OnDisk("Zed");
    EXPECT_EQ(saved.controls[0], SDLK_w);
    EXPECT_EQ(saved.controls[1], SDLK_DOWN);
}

TEST_F(DriverPageTest, NamesThatAreEmptyTakenOrLeaveTheFolderAreRefusedWithAMessage) {
    ASSERT_TRUE(SaveDriver(NewDriver(false), "Zed"));
    OpenDriverPage(OnLeave);
    for (std::string bad : {"", "   ", "../up", "a/b", "..", "zed"}) {
        std::vector<uint32_t> shown;
        script = {[&] {
            shown.push_back(currentScreen.screenId);
            Enter();
        }};
        CreateByKeyboard(bad, false);
        EXPECT_EQ(shown, std::vector<uint32_t>{kScreenMessageBox}) << bad;
        EXPECT_FALSE(W(kDpName).flags & kWidgetHidden) << "the box stays open for '" << bad << "'";
        FocusOn(kDpCreateCancel);
        Enter();
        ASSERT_TRUE(W(kDpName).flags & kWidgetHidden);
    }
    EXPECT_EQ(driverList.size(), 1u);
    std::vector<std::string> files;
    ListDirectory(folder->File("drivers"), "", files, kListFiles, 0);
    EXPECT_EQ(files, std::vector<std::string>{"Zed.drv"});
    EXPECT_TRUE(folder->Read("up.drv").empty());
}

TEST_F(DriverPageTest, CreateNeverReplacesADriverFileTheListDoesNotShow) {
    OpenDriverPage(OnLeave);
    // Files that appear after the list was read, one in other letters and
    // one the reader cannot take: both are drivers, neither is replaced.
    DriverRecord veteran = NewDriver(false);
    veteran.races = 40;
    veteran.totalPoints = 300;
    ASSERT_TRUE(SaveDriver(veteran, "Kim"));
    folder->Write("drivers/Odd.drv", "not a driver");
    for (std::string name : {"kim", "Odd"}) {
        std::vector<uint32_t> shown;
        script = {[&] {
            shown.push_back(currentScreen.screenId);
            Enter();
        }};
        CreateByKeyboard(name, false);
        EXPECT_EQ(shown, std::vector<uint32_t>{kScreenMessageBox}) << name;
        FocusOn(kDpCreateCancel);
        Enter();
    }
    EXPECT_EQ(OnDisk("Kim").totalPoints, 300u);
    EXPECT_EQ(folder->Read("drivers/Odd.drv").size(), 12u);
    EXPECT_TRUE(folder->Read("drivers/kim.drv").empty());
}

TEST_F(DriverPageTest, ColourAndSkillEditsAreKeptByOkDroppedByCancelAndFollowTheSlot) {
    ASSERT_TRUE(SaveDriver(NewDriver(false), "Ann"));
    OpenDriverPage(OnLeave);
    CreateByKeyboard("Bot", true);
    ASSERT_EQ(driverList.size(), 2u);
    EXPECT_EQ(OnDisk("Bot").controls[1], 100);
    ASSERT_EQ(W(kDpList).list->selected, 1);
    EXPECT_FALSE(W(kDpSkill).flags & kWidgetHidden);
    EXPECT_TRUE(W(kDpBindFirst).flags & kWidgetHidden);
    // Skill 100 -> 97 with three wheel notches up.
    Click(W(kDpSkill), 0.5f);  // the middle of the track: 100 again
    for (int i = 0; i < 3; ++i) MenuWheel(120);
    EXPECT_EQ(driverList[1].record.controls[1], 97);
    // Green of colour 1 to 0 through its left end.
    PlaceDriverInSlot(0, &driverList[1]);
    Widget& green = W(kDpColourFirst + 1);
    MenuPointerPressed(CellToPixelX(green.x + 1.5f * green.height), PixelY(green, 0.5f));
    MenuPointerReleased(CellToPixelX(green.x + 1.5f * green.height), PixelY(green, 0.5f));
    EXPECT_EQ(driverList[1].record.colour1, 0xFF00FFu);
    uint32_t packed[256];
    CurrentPalette(packed);
    EXPECT_EQ(packed[kCarColoursFirst + 1], 0xFF00FFu);  // slot 0's colour 1 follows the slider
    Escape();  // a slider holds the focus, which the arrow keys cannot move
    EXPECT_EQ(OnDisk("Bot").colour1, 0xFFFFFFu);
    EXPECT_EQ(OnDisk("Bot").controls[1], 100);
    EXPECT_EQ(playerSlots[0].record.colour1, 0xFFFFFFu);  // the slot takes the file again

    OpenDriverPage(OnLeave);
    Click(W(kDpList), 0.2f, 1.0f / 42.0f * 3);  // second row: Bot
    ASSERT_EQ(W(kDpList).list->selected, 1);
    Click(W(kDpSkill), 0.5f);
    for (int i = 0; i < 3; ++i) MenuWheel(-120);
    Click(W(kDpOk));
    EXPECT_EQ(OnDisk("Bot").controls[1], 103);
    EXPECT_EQ(OnDisk("Ann").colour1, 0xFFFFFFu);  // an unchanged driver is not rewritten differently
    EXPECT_EQ(leaves, 2);
}

TEST_F(DriverPageTest, CarPickedFromTheListAndDeleteAfterYes) {
    ASSERT_TRUE(SaveDriver(NewDriver(false), "Ann"));
    ASSERT_TRUE(SaveDriver(NewDriver(true), "Bot"));
    OpenDriverPage(OnLeave);
    EXPECT_EQ(W(kDpCar).text, "General");
    script = {[] {
        Widget& list = currentScreen.widgets[0];
        MenuPointerPressed(CellToPixelX(list.x + 1), CellToPixelY(list.y + 2.5f));
        MenuPointerReleased(CellToPixelX(list.x + 1), CellToPixelY(list.y + 2.5f));
    }};
    FocusOn(kDpCar);
    Enter();
    EXPECT_EQ(driverList[0].record.car, 1u);
    EXPECT_EQ(W(kDpCar).text, "Buggy");
    EXPECT_EQ(currentScreen.screenId, kScreenDriverOptions);

    script = {[] { Escape(); }};  // No
    FocusOn(kDpDelete);
    Enter();
    EXPECT_EQ(driverList.size(), 2u);
    script = {[] { Enter(); }};  // Yes
    FocusOn(kDpDelete);
    Enter();
    ASSERT_EQ(driverList.size(), 1u);
    EXPECT_EQ(driverList[0].name, "Bot");
    EXPECT_TRUE(folder->Read("drivers/Ann.drv").empty());
    EXPECT_EQ(W(kDpList).list->entries.size(), 1u);
}

TEST_F(DriverPageTest, ResetZeroesStatisticsOnDiskAndKeepsCarColoursAndControls) {
    DriverRecord d = NewDriver(false);
    d.seasons = 2;
    d.seasonPlaces[1] = 2;
    d.races = 9;
    d.racePlaces[0] = 3;
    d.fastestLaps = 1;
    d.totalPoints = 40;
    d.car = 2;
    d.colour1 = 0x112233;
    d.controls[3] = SDLK_d;
    ASSERT_TRUE(SaveDriver(d, "Ann"));
    OpenDriverPage(OnLeave);
    std::vector<uint32_t> screens;
    script = {[&] {
                  screens.push_back(currentScreen.screenId);
                  MenuMoveFocus(1);  // to Reset
                  Enter();
              },
              [&] {
                  screens.push_back(currentScreen.screenId);
                  Enter();  // Yes
              },
              [&] {
                  screens.push_back(currentScreen.screenId);
                  Escape();  // OK closes the statistics
              }};
    FocusOn(kDpStats);
    Enter();
    EXPECT_EQ(screens, (std::vector<uint32_t>{kScreenDriverStats, kScreenMessageBox, kScreenDriverStats}));
    DriverRecord after = OnDisk("Ann");
    DriverRecord expected = d;
    ResetDriverStatistics(expected);
    EXPECT_EQ(WriteDriverFile(after), WriteDriverFile(expected));
    EXPECT_EQ(driverList[0].record.races, 0u);
    EXPECT_EQ(after.car, 2u);
    EXPECT_EQ(after.colour1, 0x112233u);
    EXPECT_EQ(after.controls[3], SDLK_d);
    EXPECT_EQ(currentScreen.screenId, kScreenDriverOptions);
}
