#include "Game/shell/settings.h"
#include "Game/shell/video.h"
#include "temp_folder.h"
#include <gtest/gtest.h>
#include <chrono>
#include <cstring>
#include <future>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Settings Sample() {
    Settings s = {};
    DefaultSettings(s);
    s.raceLength = 0x1234;
    for (int i = 0; i < 7; ++i) s.points[i] = uint8_t(20 + i);
    s.tyreWear = 1;
    s.fuelConsumption = 2;
    s.damage = 3;
    s.fuelMass = 4;
    s.lengthUnit = 2;
    s.startingOrder = 0;
    s.screenWidthSetting = 1920;
    s.screenHeightSetting = 1080;
    s.verticalSync = 1;
    s.shadows = 0;
    s.ghostCar = 0;
    s.goofyReverse = 1;
    s.windowed = 0;
    s.effects = 0xABCD;
    s.engineVolume = 5;
    s.skidVolume = 6;
    s.effectsVolume = 7;
    strcpy(s.language, "Deutsch");
    strcpy(s.soundSet, "Twenty-two characters!");  // 22 characters, no room for a zero in the file
    strcpy(s.palette, "Dusk");
    return s;
}

std::vector<uint8_t> OptionsBytes(const Settings& s, uint32_t version = kOptionsVersion) {
    ByteWriter w;
    WriteU32(w, version);
    WriteSettings(w, s);
    return w.bytes;
}

std::string AsString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

}  // namespace

TEST(Settings, RecordLayoutIsPackedLittleEndian) {
    std::vector<uint8_t> b = OptionsBytes(Sample());
    ASSERT_EQ(b.size(), 107u);
    EXPECT_EQ(b[0], 74);
    EXPECT_EQ(b[4], 0x34);  // raceLength
    EXPECT_EQ(b[5], 0x12);
    EXPECT_EQ(b[6], 20);    // points[0]
    EXPECT_EQ(b[12], 26);   // points[6]
    EXPECT_EQ(b[17], 2);    // lengthUnit
    EXPECT_EQ(b[19], 0x80); // screenWidthSetting 1920
    EXPECT_EQ(b[20], 0x07);
    EXPECT_EQ(b[23], 0x38); // screenHeightSetting 1080
    EXPECT_EQ(b[24], 0x04);
    EXPECT_EQ(b[31], 0);    // windowed
    EXPECT_EQ(b[32], 0xCD); // effects
    EXPECT_EQ(b[33], 0xAB);
    EXPECT_EQ(b[36], 7);    // effectsVolume
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&b[37])), "Deutsch");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&b[60]), 22), "Twenty-two characters!");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&b[83])), "Dusk");
    EXPECT_EQ(b[59], 0);
    EXPECT_EQ(b[82], 0);
    EXPECT_EQ(b[105], 0);
    EXPECT_EQ(b[106], 0);
}

TEST(Settings, SaveAndLoadReproduceEveryField) {
    TempFolder dir;
    settings = Sample();
    ASSERT_TRUE(SaveOptions());
    std::vector<uint8_t> saved = dir.Read("options.set");
    EXPECT_EQ(saved, OptionsBytes(Sample()));
    EXPECT_TRUE(dir.Read("options.set.tmp").empty());

    memset(&settings, 0xEE, sizeof settings);
    LoadOptions();
    EXPECT_EQ(OptionsBytes(settings), saved);
    EXPECT_STREQ(settings.soundSet, "Twenty-two characters!");
    EXPECT_EQ(screenWidth, 1920);
    EXPECT_EQ(screenHeight, 1080);
}

TEST(Settings, MissingOrForeignFilesGiveTheDefaults) {
    TempFolder dir;
    Settings defaults = {};
    DefaultSettings(defaults);
    EXPECT_EQ(defaults.points[0], 9);
    EXPECT_EQ(defaults.effects, 256);
    EXPECT_STREQ(defaults.language, "English");

    settings = Sample();
    LoadOptions();  // no file
    EXPECT_EQ(OptionsBytes(settings), OptionsBytes(defaults));
    EXPECT_EQ(screenWidth, 640);
    EXPECT_EQ(screenHeight, 480);

    // Version 73, whole or padded, is ignored entirely.
    std::vector<uint8_t> old = OptionsBytes(Sample(), 73);
    dir.Write("options.set", AsString(old));
    LoadOptions();
    EXPECT_EQ(OptionsBytes(settings), OptionsBytes(defaults));
    old.resize(500, 0x55);
    dir.Write("options.set", AsString(old));
    LoadOptions();
    EXPECT_EQ(OptionsBytes(settings), OptionsBytes(defaults));

    for (size_t size : {0, 1, 3}) {
        dir.Write("options.set", AsString(OptionsBytes(Sample())).substr(0, size));
        settings = Sample();
        LoadOptions();
        EXPECT_EQ(OptionsBytes(settings), OptionsBytes(defaults)) << size;
    }
}

TEST(Settings, ShortFileKeepsWhatItHoldsAndDefaultsTheRest) {
    TempFolder dir;
    Settings defaults = {};
    DefaultSettings(defaults);
    std::vector<uint8_t> full = OptionsBytes(Sample());
    // Cut inside screenHeightSetting (offset 23): width read, height default.
    dir.Write("options.set", AsString(full).substr(0, 25));
    LoadOptions();
    EXPECT_EQ(settings.raceLength, 0x1234);
    EXPECT_EQ(settings.startingOrder, 0);
    EXPECT_EQ(settings.screenWidthSetting, 1920u);
    EXPECT_EQ(settings.screenHeightSetting, 480u);
    EXPECT_EQ(settings.windowed, 1);
    EXPECT_STREQ(settings.palette, "Default");
    // Cut inside the language name: the name is not half-read.
    dir.Write("options.set", AsString(full).substr(0, 45));
    LoadOptions();
    EXPECT_EQ(settings.effectsVolume, 7);
    EXPECT_STREQ(settings.language, "English");
}

TEST(Settings, ReadSettingsAloneLeavesFieldsPastTheEnd) {
    std::vector<uint8_t> b = OptionsBytes(Sample());
    ByteReader r = MakeReader(b.data() + 4, 10);  // raceLength and the seven points, then one more byte
    Settings s = {};
    DefaultSettings(s);
    ReadSettings(r, s);
    EXPECT_EQ(s.raceLength, 0x1234);
    EXPECT_EQ(s.points[6], 26);
    EXPECT_EQ(s.tyreWear, 1);
    EXPECT_EQ(s.fuelConsumption, 30);
    EXPECT_TRUE(r.failed);

    // Names without a zero in the file are still terminated in memory.
    std::vector<uint8_t> filled(103, 'x');
    ByteReader all = MakeReader(filled);
    ReadSettings(all, s);
    EXPECT_FALSE(all.failed);
    EXPECT_EQ(strlen(s.language), 22u);
    EXPECT_EQ(strlen(s.palette), 22u);
}

// The tests run as root, for whom a file without read permission is still
// readable; a folder and a named pipe of that name are entries the game
// cannot read either way (the script test kept_options.sh covers a real
// permission failure with the game itself).
TEST(Settings, AnUnreadableFileIsNeverReplacedButAForeignOneIs) {
    TempFolder dir;
    Settings defaults = {};
    DefaultSettings(defaults);
    struct stat st;

    ASSERT_EQ(mkdir(dir.File("options.set").c_str(), 0777), 0);
    dir.Write("options.set/inside", "x");
    settings = Sample();
    LoadOptions();
    EXPECT_EQ(OptionsBytes(settings), OptionsBytes(defaults));
    EXPECT_FALSE(SaveOptions());
    ASSERT_EQ(stat(dir.File("options.set").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(AsString(dir.Read("options.set/inside")), "x");
    ASSERT_EQ(system(("rm -rf '" + dir.File("options.set") + "'").c_str()), 0);

    // A pipe must not block the start either.
    ASSERT_EQ(mkfifo(dir.File("options.set").c_str(), 0666), 0);
    auto load = std::async(std::launch::async, [] { LoadOptions(); });
    if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "LoadOptions blocked on a pipe";
        int fd = open(dir.File("options.set").c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
    }
    load.get();
    EXPECT_FALSE(SaveOptions());
    ASSERT_EQ(stat(dir.File("options.set").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(unlink(dir.File("options.set").c_str()), 0);

    // Another version is read (as defaults) and so replaced at quit; a
    // missing file is written.
    dir.Write("options.set", AsString(OptionsBytes(Sample(), 73)));
    LoadOptions();
    settings.tyreWear = 99;
    EXPECT_TRUE(SaveOptions());
    std::vector<uint8_t> written = dir.Read("options.set");
    ASSERT_EQ(written.size(), 107u);
    EXPECT_EQ(written[0], kOptionsVersion);
    EXPECT_EQ(written[13], 99);
    ASSERT_EQ(unlink(dir.File("options.set").c_str()), 0);
    LoadOptions();
    EXPECT_TRUE(SaveOptions());
    EXPECT_EQ(dir.Read("options.set").size(), 107u);
}
