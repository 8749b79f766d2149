#include "Game/shell/ini.h"
#include "Game/shell/settings.h"
#include "temp_folder.h"
#include <gtest/gtest.h>

namespace {

IniFile Parse(const std::string& text) {
    IniFile ini;
    IniParse(ini, text.data(), text.size());
    return ini;
}

const IniKey& Key(const IniFile& ini, const char* section, const char* key) {
    static const IniKey missing{"<missing>", -1, 0, 0.0f, ""};
    const IniKey* k = IniFind(ini, section, key);
    return k ? *k : missing;
}

}  // namespace

TEST(IniParse, ValueTypesFollowTheCharactersAfterTheEqualsSign) {
    IniFile ini = Parse(
        "[Replay]\n"
        "FrameStep = 7   ; seven\n"
        "Real=7.5\n"
        "Negative = -3\n"
        "Word = fast car   \n"
        "Empty =\n"
        "Dots = 1.2.3\n"
        "Huge = 99999999999999999999\n"
        "HugeReal = 99999999999999999999.5\n");
    EXPECT_EQ(Key(ini, "Replay", "FrameStep").type, kIniInt);
    EXPECT_EQ(Key(ini, "Replay", "FrameStep").intValue, 7);
    EXPECT_EQ(Key(ini, "Replay", "Real").type, kIniReal);
    EXPECT_FLOAT_EQ(Key(ini, "Replay", "Real").realValue, 7.5f);
    EXPECT_EQ(Key(ini, "Replay", "Real").intValue, 7);
    EXPECT_EQ(Key(ini, "Replay", "Negative").type, kIniText);
    EXPECT_EQ(Key(ini, "Replay", "Negative").text, "-3");
    EXPECT_EQ(Key(ini, "Replay", "Word").type, kIniText);
    EXPECT_EQ(Key(ini, "Replay", "Word").text, "fast car");
    EXPECT_EQ(Key(ini, "Replay", "Empty").type, kIniInt);
    EXPECT_EQ(Key(ini, "Replay", "Empty").intValue, 0);
    EXPECT_EQ(Key(ini, "Replay", "Dots").type, kIniReal);
    EXPECT_FLOAT_EQ(Key(ini, "Replay", "Dots").realValue, 1.2f);
    // Out-of-range numbers saturate instead of overflowing.
    EXPECT_EQ(Key(ini, "Replay", "Huge").intValue, INT32_MAX);
    EXPECT_EQ(Key(ini, "Replay", "HugeReal").intValue, INT32_MAX);
}

TEST(IniParse, SectionsAndKeysIgnoreCaseAndTheFirstKeyWins) {
    IniFile ini = Parse(
        "Orphan = 1\n"
        "[misc]\n"
        "ScreenshotWidth = 100\n"
        "[Other]\n"
        "A = 1\n"
        "[MISC]\n"
        "screenshotwidth = 200\n"
        "ScreenshotHeight = 300\n");
    ASSERT_EQ(ini.sections.size(), 2u);
    EXPECT_EQ(Key(ini, "Misc", "SCREENSHOTWIDTH").intValue, 100);
    EXPECT_EQ(Key(ini, "Misc", "ScreenshotHeight").intValue, 300);
    for (const IniSection& s : ini.sections) {
        for (const IniKey& k : s.keys) EXPECT_NE(k.name, "Orphan");
    }
    int32_t value = -1, type = -1;
    EXPECT_FALSE(IniGetInt(ini, "Nowhere", "A", value, type));
    EXPECT_FALSE(IniGetInt(ini, "Other", "B", value, type));
    EXPECT_TRUE(IniGetInt(ini, "other", "a", value, type));
    EXPECT_EQ(value, 1);
    EXPECT_EQ(type, kIniInt);
}

TEST(IniParse, LineEndsTabsCommentsAndOddLines) {
    IniFile ini = Parse(
        "\t [Graphics]\r\n"
        "\r\n\r\n"
        "\tTyreAutoSort\t=\t0\t; tabs become blanks\r\n"
        "; Zoom = 5\r\n"
        "not an assignment\r\n"
        "Spaced Key = 4\r\n"
        "=5\r\n"
        "[]\r\n"
        "Comment = 2 ; = x\r\n"
        "[Unclosed\r\n"
        "Inside = 9");
    EXPECT_EQ(Key(ini, "Graphics", "TyreAutoSort").type, kIniInt);
    EXPECT_EQ(Key(ini, "Graphics", "TyreAutoSort").intValue, 0);
    EXPECT_EQ(IniFind(ini, "Graphics", "Zoom"), nullptr);
    EXPECT_EQ(IniFind(ini, "Graphics", "Spaced"), nullptr);
    EXPECT_EQ(Key(ini, "Graphics", "Comment").intValue, 2);
    EXPECT_EQ(Key(ini, "Unclosed", "Inside").intValue, 9);
}

TEST(IniParse, LongNamesAreCutAndZeroBytesEndTheText) {
    std::string longKey(3000, 'k'), longValue(5000, 'v');
    std::string text = "[S]\n" + longKey + " = " + longValue + "\nAfter = 1\n";
    IniFile ini = Parse(text);
    ASSERT_EQ(ini.sections.size(), 1u);
    ASSERT_EQ(ini.sections[0].keys.size(), 2u);
    EXPECT_EQ(ini.sections[0].keys[0].name.size(), 1023u);
    EXPECT_EQ(ini.sections[0].keys[0].text.size(), 1023u);
    EXPECT_EQ(Key(ini, "S", "After").intValue, 1);

    std::string withZero = std::string("[S]\nA = 1\n") + '\0' + "B = 2\n";
    IniFile cut = Parse(withZero);
    EXPECT_NE(IniFind(cut, "S", "A"), nullptr);
    EXPECT_EQ(IniFind(cut, "S", "B"), nullptr);
}

TEST(IniSettings, DefaultsBoundsAndIgnoredValues) {
    TempFolder dir;
    LoadIniSettings();  // no dw.ini
    EXPECT_EQ(iniSettings.frameStep, 5);
    EXPECT_EQ(iniSettings.replayLength, 10);
    EXPECT_EQ(iniSettings.tyreAutoSort, 1);
    EXPECT_EQ(iniSettings.viewAngle, 32767);
    EXPECT_EQ(iniSettings.rotation, 32767);
    EXPECT_EQ(iniSettings.screenshotWidth, 320);
    EXPECT_EQ(iniSettings.screenshotHeight, 240);

    dir.Write("dw.ini",
              "[Replay]\r\nFrameStep = 7.5\r\nLength = 20 ; seconds\r\n"
              "[Viewport]\r\nZoom = -3\r\nRotation = 90\r\n"
              "[misc]\r\nScreenshotWidth=5000\r\nScreenshotHeight=99999\r\nAlternativeSpeedSetting=1\r\n");
    LoadIniSettings();
    EXPECT_EQ(iniSettings.frameStep, 5);
    EXPECT_EQ(iniSettings.replayLength, 20);
    EXPECT_EQ(iniSettings.zoom, 0);
    EXPECT_EQ(iniSettings.rotation, 90);
    EXPECT_EQ(iniSettings.alternativeSpeedSetting, 1);
    EXPECT_EQ(iniSettings.screenshotWidth, 2560);
    EXPECT_EQ(iniSettings.screenshotHeight, 1920);

    // Values from an earlier read do not survive a read without the file.
    remove(dir.File("dw.ini").c_str());
    LoadIniSettings();
    EXPECT_EQ(iniSettings.replayLength, 10);
    EXPECT_EQ(iniSettings.screenshotWidth, 320);
}
