// Driver files: the 144-byte layout, what the reader refuses, names that
// would leave "drivers", saving that survives being killed, the list that
// skips bad files, the player slots' palette blocks, and the shipped cast.
#include "Game/frontend/frontend.h"
#include "Game/race/cars.h"
#include "Game/shell/folders.h"
#include "Game/shell/input.h"
#include "Game/shell/video.h"
#include "tests/shell/temp_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <set>

namespace {

DriverRecord SampleHuman() {
    DriverRecord d = NewDriver(false);
    d.seasons = 3;
    d.seasonPlaces[0] = 1;
    d.seasonPlaces[5] = 2;
    d.totalPoints = 77;
    d.races = 12;
    d.racePlaces[0] = 4;
    d.racePlaces[2] = 5;
    d.fastestLaps = 6;
    d.car = 0;
    d.colour1 = 0x123456;
    d.colour2 = 0xABCDEF;
    d.controls[2] = -1;
    d.bindings[2] = JoyBinding{1, 3, 4, kJoyHat, 0};
    d.bindings[3] = JoyBinding{0, 2, 0, kJoyAxis, 1};
    return d;
}

void ExpectSame(const DriverRecord& a, const DriverRecord& b) {
    EXPECT_EQ(WriteDriverFile(a), WriteDriverFile(b));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(a.bindings[k].hatPosition, b.bindings[k].hatPosition);
        EXPECT_EQ(a.bindings[k].negative, b.bindings[k].negative);
    }
}

uint32_t U32At(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}

class DriverFiles : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override {
        carCatalogue.assign(2, MakeGeneralCar());
        FreeDrivers();
    }
    void TearDown() override {
        FreeCarCatalogue();
        FreeDrivers();
    }
};

}  // namespace

TEST(DriverFile, LayoutFieldByFieldWithZeroPadding) {
    DriverRecord d = SampleHuman();
    std::vector<uint8_t> f = WriteDriverFile(d);
    ASSERT_EQ(f.size(), size_t(kDriverFileBytes));
    EXPECT_EQ(U32At(f, 0), 92u);
    EXPECT_EQ(U32At(f, 4), 3u);
    EXPECT_EQ(U32At(f, 8 + 20), 2u);  // 6th-place seasons
    EXPECT_EQ(U32At(f, 32), 77u);
    EXPECT_EQ(U32At(f, 36), 12u);
    EXPECT_EQ(U32At(f, 40 + 8), 5u);  // 3rd-place races
    EXPECT_EQ(U32At(f, 64), 6u);
    EXPECT_EQ(U32At(f, 72), 0x123456u);
    EXPECT_EQ(U32At(f, 76), 0xABCDEFu);
    EXPECT_EQ(U32At(f, 80), uint32_t(SDLK_UP));
    EXPECT_EQ(U32At(f, 88), 0xFFFFFFFFu);  // steer left on the joystick
    // Binding 2 at 96 + 24: joystick, input, hat position, kind, negative, padding.
    EXPECT_EQ(U32At(f, 120), 1u);
    EXPECT_EQ(U32At(f, 124), 3u);
    EXPECT_EQ(f[128], 4);
    EXPECT_EQ(f[129], kJoyHat);
    EXPECT_EQ(f[130], 0);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(f[96 + 12 * k + 11], 0) << k;
    EXPECT_EQ(f[96 + 36 + 10], 1);  // binding 3: negative axis

    DriverRecord back;
    ASSERT_TRUE(ReadDriverFile(f, back));
    ExpectSame(d, back);
}

TEST(DriverFile, ReaderRefusesWrongVersionSizeAndForgedValues) {
    std::vector<uint8_t> good = WriteDriverFile(SampleHuman());
    DriverRecord d = NewDriver(true), untouched = d;
    auto refused = [&](std::vector<uint8_t> f) {
        bool ok = ReadDriverFile(f, d);
        return !ok && WriteDriverFile(d) == WriteDriverFile(untouched);
    };
    std::vector<uint8_t> f = good;
    f[0] = 91;
    EXPECT_TRUE(refused(f));
    EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.end() - 1)));
    f = good;
    f.push_back(0);
    EXPECT_TRUE(refused(f));
    EXPECT_TRUE(refused({}));
    f = good;
    f[40] = 13;  // 13 wins + 5 third places in 12 races
    EXPECT_TRUE(refused(f));
    f = good;
    f[64] = 13;  // more fastest laps than races
    EXPECT_TRUE(refused(f));
    f = good;
    f[8] = 4;  // 4 + 2 season places in 3 seasons
    EXPECT_TRUE(refused(f));
    f = good;
    f[96 + 12 * 2 + 9] = 7;  // an input kind that does not exist
    EXPECT_TRUE(refused(f));
    f = good;
    f[80] = 0xFF, f[81] = 0xFF, f[82] = 0xFF, f[83] = 0x7F;  // key code out of range
    EXPECT_TRUE(refused(f));
    std::vector<uint8_t> ai = WriteDriverFile(NewDriver(true));
    ai[84] = 201;  // skill above 200
    EXPECT_TRUE(refused(ai));
    ai[84] = 200;
    EXPECT_TRUE(ReadDriverFile(ai, d));
    EXPECT_EQ(d.controls[1], 200);
}

TEST(DriverRecordRules, NewDriversAndStatisticsReset) {
    DriverRecord human = NewDriver(false);
    EXPECT_FALSE(IsComputerDriver(human));
    EXPECT_EQ(human.colour1, 0xFFFFFFu);
    EXPECT_EQ(human.colour2, 0xFF0000u);
    // Up accelerates, Down brakes, Left and Right steer that way.
    uint8_t keys[kKeyStateSize] = {};
    uint8_t* saved = keyState;
    keyState = keys;
    const SDLKey arrows[4] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
    for (int k = 0; k < 4; ++k) {
        keys[arrows[k]] = 1;
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(ControlValue(human.controls[c], human.bindings[c]), c == k ? 100 : 0) << k << c;
        keys[arrows[k]] = 0;
    }
    keyState = saved;

    DriverRecord ai = NewDriver(true);
    EXPECT_TRUE(IsComputerDriver(ai));
    EXPECT_EQ(ai.controls[1], 100);

    DriverRecord d = SampleHuman();
    std::vector<uint8_t> before = WriteDriverFile(d);
    ResetDriverStatistics(d);
    std::vector<uint8_t> after = WriteDriverFile(d);
    for (size_t i = 4; i < 68; ++i) EXPECT_EQ(after[i], 0) << i;
    EXPECT_TRUE(std::equal(before.begin() + 68, before.end(), after.begin() + 68));  // car, colours, controls
}

TEST(DriverNames, OnlyNamesThatStayInsideTheFolder) {
    for (const char* bad : {"", " ", "   ", "a/b", "a\\b", "..", "x..y", ".hidden", "thirteen char"})
        EXPECT_FALSE(DriverNameValid(bad)) << bad;
    for (const char* good : {"Alex", "Rosa Vance", "J. Doe", "twelve chars"}) EXPECT_TRUE(DriverNameValid(good)) << good;
}

TEST_F(DriverFiles, SavedDriverReadsBackIdenticallyAndCarBeyondTheCatalogueBecomesZero) {
    DriverRecord d = SampleHuman();
    d.car = 1;
    ASSERT_TRUE(SaveDriver(d, "Alex"));  // creates "drivers"
    EXPECT_EQ(folder.Read("drivers/Alex.drv"), WriteDriverFile(d));
    EXPECT_TRUE(folder.Read("drivers/Alex.drv.tmp").empty());
    DriverRecord back;
    ASSERT_EQ(LoadDriver("Alex", back), 0);
    ExpectSame(d, back);

    carCatalogue.resize(1);
    ASSERT_EQ(LoadDriver("Alex", back), 0);
    EXPECT_EQ(back.car, 0u);
    EXPECT_EQ(LoadDriver("Nobody", back), -1);
    EXPECT_FALSE(SaveDriver(d, "../escape"));
    EXPECT_TRUE(folder.Read("escape.drv").empty());
    EXPECT_TRUE(DeleteDriver("Alex"));
    EXPECT_EQ(LoadDriver("Alex", back), -1);
}

TEST_F(DriverFiles, BadFilesAreSkippedAndTheGoodOnesStillLoad) {
    ASSERT_TRUE(SaveDriver(NewDriver(false), "Good One"));
    ASSERT_TRUE(SaveDriver(NewDriver(true), "good two"));
    std::vector<uint8_t> good = WriteDriverFile(NewDriver(true));
    std::string shortFile(good.begin(), good.end() - 10), wrongVersion(good.begin(), good.end());
    wrongVersion[0] = 93;
    folder.Write("drivers/Short.drv", shortFile);
    folder.Write("drivers/Version.drv", wrongVersion);
    folder.Write("drivers/Empty.drv", "");
    folder.Write("drivers/Much too long a name.drv", std::string(good.begin(), good.end()));
    folder.Write("drivers/Other.txt", std::string(good.begin(), good.end()));
    mkdir(folder.File("drivers/Folder.drv").c_str(), 0777);
    ASSERT_EQ(LoadDriverList(), 2);
    EXPECT_EQ(driverList[0].name, "Good One");
    EXPECT_EQ(driverList[1].name, "good two");
    EXPECT_EQ(FindDriver("GOOD TWO"), 1);
    EXPECT_EQ(FindDriver("Short"), -1);
}

TEST_F(DriverFiles, OddValuesAreClampedRatherThanTheDriverHiddenAndCaseVariantsListOnce) {
    DriverRecord human = SampleHuman(), computer = NewDriver(true);
    human.controls[1] = 4000;                          // no key has that code
    human.bindings[0].kind = 9;                        // no such input kind
    human.racePlaces[1] = 40;                          // more places than races
    human.fastestLaps = 100;
    computer.controls[1] = 250;                        // skill past 200
    std::vector<uint8_t> h = WriteDriverFile(human), c = WriteDriverFile(computer);
    ASSERT_TRUE(SaveDriver(NewDriver(false), "alex"));
    ASSERT_TRUE(SaveDriver(SampleHuman(), "Alex"));
    folder.Write("drivers/Odd.drv", std::string(h.begin(), h.end()));
    folder.Write("drivers/Fast.drv", std::string(c.begin(), c.end()));
    ASSERT_EQ(LoadDriverList(), 3);
    EXPECT_EQ(driverList[0].name, "Alex");  // the byte-wise smaller of the two
    ExpectSame(driverList[0].record, SampleHuman());
    ASSERT_EQ(FindDriver("Fast"), 1);
    EXPECT_EQ(driverList[1].record.controls[1], kMaxAiSkill);
    ASSERT_EQ(FindDriver("Odd"), 2);
    const DriverRecord& odd = driverList[2].record;
    EXPECT_EQ(odd.controls[0], human.controls[0]);
    EXPECT_EQ(odd.controls[1], -1);
    EXPECT_EQ(odd.bindings[0].joystick, -1);
    EXPECT_EQ(odd.races, 4u + 5u + 40u);
    EXPECT_EQ(odd.fastestLaps, odd.races);
    EXPECT_EQ(odd.totalPoints, human.totalPoints);
    // The strict reader (saved games) still refuses them.
    DriverRecord d;
    EXPECT_FALSE(ReadDriverFile(h, d));
    EXPECT_FALSE(ReadDriverFile(c, d));
}

// A process killed at any moment while saving leaves either the old file or
// the new one, whole.
TEST_F(DriverFiles, KillingTheProcessWhileSavingNeverLeavesAPartFile) {
    DriverRecord a = SampleHuman(), b = NewDriver(true);
    ASSERT_TRUE(SaveDriver(a, "Alex"));
    const std::vector<uint8_t> fileA = WriteDriverFile(a), fileB = WriteDriverFile(b);
    for (int round = 0; round < 10; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) SaveDriver(i % 2 ? a : b, "Alex");
        }
        usleep(2000 + 1500 * round);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::vector<uint8_t> now = folder.Read("drivers/Alex.drv");
        EXPECT_TRUE(now == fileA || now == fileB) << "round " << round << ": " << now.size() << " bytes";
    }
}

TEST(PlayerSlots, ShadesAndPaletteBlocks) {
    uint32_t shades[8];
    SlotShades(0xC86432, 0x000000, shades);  // (200, 100, 50)
    EXPECT_EQ(shades[0], (150u << 16) | (75u << 8) | 37u);
    EXPECT_EQ(shades[1], 0xC86432u);
    EXPECT_EQ(shades[2], (214u << 16) | (139u << 8) | 101u);
    EXPECT_EQ(shades[3], (100u << 16) | (114u << 8) | 153u);
    EXPECT_EQ(shades[4], 0u);
    EXPECT_EQ(shades[6], 0x404040u);
    EXPECT_EQ(shades[7], (0u << 16) | (64u << 8) | 128u);
    SlotShades(0xFFFFFF, 0xFFFFFF, shades);
    EXPECT_EQ(shades[2], (255u << 16) | (255u << 8) | 255u);  // 191 + 64
    EXPECT_EQ(shades[3], (127u << 16) | (191u << 8) | 255u);

    setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    screenWidth = 640;
    screenHeight = 480;
    ASSERT_TRUE(SetVideoMode(true));
    NamedDriver d{"Rosa", NewDriver(true)};
    d.record.colour1 = 0x102030;
    d.record.colour2 = 0x405060;
    PlaceDriverInSlot(2, &d);
    uint32_t packed[256];
    CurrentPalette(packed);
    SlotShades(0x102030, 0x405060, shades);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(packed[192 + 16 + i], shades[i]) << i;
    EXPECT_EQ(packed[192 + 8], 0u);  // slot 1 untouched
    EXPECT_TRUE(playerSlots[2].used);
    EXPECT_EQ(playerSlots[2].name, "Rosa");
    FreeDrivers();
    FreeVideoSurfaces();
    SDL_Quit();
}

// The shipped cast: every file loads, two humans on keys that do not clash,
// at least six computer drivers of skill 70 to 120, names and colours apart,
// every driver in a car of the shipped catalogue and every shipped car
// driven; and drivergen writes exactly the shipped files.
TEST(ShippedDrivers, ACastForASixCarSeason) {
    std::string saved = baseDirectory;
    baseDirectory = std::string(DW_SOURCE_DIR) + "/data/";
    const size_t shippedCars = size_t(LoadCarCatalogueFrom(std::string(DW_SOURCE_DIR) + "/data/cars"));
    ASSERT_GE(shippedCars, 4u);
    // A catalogue larger than the shipped one, so that loading keeps a car
    // index the shipped catalogue does not have, and the check below sees it.
    carCatalogue.resize(shippedCars + 4, MakeGeneralCar());
    int n = LoadDriverList();
    baseDirectory = saved;
    ASSERT_GE(n, 8);
    int humans = 0, computers = 0;
    std::set<int> keys;
    std::set<uint32_t> colours, cars;
    for (const NamedDriver& d : driverList) {
        colours.insert(d.record.colour1);
        cars.insert(d.record.car);
        EXPECT_LT(d.record.car, shippedCars) << d.name << " drives a car that is not shipped";
        if (IsComputerDriver(d.record)) {
            ++computers;
            EXPECT_GE(d.record.controls[1], 70) << d.name;
            EXPECT_LE(d.record.controls[1], 120) << d.name;
        } else {
            ++humans;
            for (int k = 0; k < 4; ++k) {
                EXPECT_GT(d.record.controls[k], 0) << d.name;
                EXPECT_TRUE(keys.insert(d.record.controls[k]).second) << d.name << " shares a key";
            }
        }
    }
    EXPECT_EQ(humans, 2);
    EXPECT_GE(computers, 6);
    EXPECT_EQ(colours.size(), driverList.size());
    EXPECT_EQ(cars.size(), shippedCars);
    int alex = FindDriver("Alex");
    ASSERT_GE(alex, 0);
    EXPECT_EQ(driverList[size_t(alex)].record.controls[0], SDLK_UP);
    FreeDrivers();
    FreeCarCatalogue();

    const std::string tool = std::string(DW_RUN_DIR) + "/drivergen";
    if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "drivergen is not built";
    TempFolder out;
    ASSERT_EQ(system((tool + " --cars '" + std::string(DW_SOURCE_DIR) + "/data/cars' '" + out.path + "'").c_str()), 0);
    std::vector<std::string> made, shipped;
    ListDirectory(out.path, "drv", made, 1, 0);
    ListDirectory(std::string(DW_SOURCE_DIR) + "/data/drivers", "drv", shipped, 1, 0);
    EXPECT_EQ(made, shipped);
    for (const std::string& name : made) {
        std::vector<uint8_t> a, b;
        ReadWholeFile((out.path + "/" + name + ".drv").c_str(), a);
        ReadWholeFile((std::string(DW_SOURCE_DIR) + "/data/drivers/" + name + ".drv").c_str(), b);
        EXPECT_EQ(a, b) << name;
    }
}
