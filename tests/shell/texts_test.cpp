// The string table: entry parsing of language files and loading with fallbacks.
#include <gtest/gtest.h>
#include <utility>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "trackfile/byte_io.h"

namespace {

// Runs FindText over an exact-size heap copy, so any read past the end
// shows up under AddressSanitizer.
bool Find(const std::string& file, int id, std::string& text) {
    std::vector<char> buffer(file.begin(), file.end());
    return FindText(buffer.data(), buffer.size(), id, text);
}

std::string FindOr(const std::string& file, int id, const std::string& otherwise) {
    std::string text;
    return Find(file, id, text) ? text : otherwise;
}

// A program directory of its own with a "lang" folder.
struct LanguageFolder : ::testing::Test {
    std::string dir;
    void SetUp() override {
        char pattern[] = "/tmp/dw_texts_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        std::string lang = dir + "/lang";
        ASSERT_EQ(mkdir(lang.c_str(), 0755), 0);
        baseDirectory = dir;
    }
    void TearDown() override {
        baseDirectory.clear();
        ASSERT_EQ(chdir("/"), 0);
        DeleteFolder(dir);
        ResetTexts();
    }
    void Write(const std::string& name, const std::string& content) {
        std::string path = dir + "/lang/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
};

}  // namespace

TEST(BuiltInTexts, KeepBlanksPluralFormsAndIdOrder) {
    EXPECT_STREQ(kDefaultTexts[0], "Oops!");
    EXPECT_STREQ(kDefaultTexts[14], "after race ");
    EXPECT_STREQ(kDefaultTexts[15], " ");
    EXPECT_STREQ(kDefaultTexts[58], "point|points");
    EXPECT_STREQ(kDefaultTexts[99], "' does not exist!");
    EXPECT_STREQ(kDefaultTexts[147], "Select atleast one track first.");
    EXPECT_STREQ(kDefaultTexts[168], "Are you sure you want to quit to the main menu?");
    // Filled with the defaults from the start, before any language load.
    for (int id = 0; id < kTextCount; ++id) EXPECT_EQ(texts[id], kDefaultTexts[id]) << id;
}

TEST(BuiltInTexts, NamedIdsPointAtTheirTexts) {
    const std::pair<int, const char*> named[] = {
        {kTextOops, "Oops!"}, {kTextAfterRace, "after race "}, {kTextRaceLength, "Race length"},
        {kTextOk, "OK"}, {kTextMessageOk, "OK"}, {kTextOptionsTitle, "Options"},
        {kTextRaceLengthOption, "Race length"}, {kTextPointUnit, "point|points"},
        {kTextUnassigned, "unassigned"}, {kTextSelectControl, "Select control for"},
        {kTextMissingFileEnd, "' does not exist!"}, {kTextAreYouSureQuit, "Are you sure?"},
        {kTextAreYouSureReset, "Are you sure?"}, {kTextDeleteTracksTitle, "Delete tracks"},
        {kTextReplayHint, "ESC to exit, F1 for help."}, {kTextMinutesPlusTwoLaps, "minutes (+2 laps)"},
        {kTextQuitToMainMenuConfirm, "Are you sure you want to quit to the main menu?"},
    };
    for (const auto& [id, text] : named) EXPECT_STREQ(kDefaultTexts[id], text) << id;
}

TEST(FindText, MarkerOnOneLineTextOnTheNext) {
    EXPECT_EQ(FindOr("; points\n#0058#\n  \"Punkt|Punkte\"\n", 58, "-"), "Punkt|Punkte");
    // Anything but a double quote may stand between marker and text.
    EXPECT_EQ(FindOr("#0001# = 'x' \"Runde\"", 1, "-"), "Runde");
}

TEST(FindText, MarkersOfTheWrongWidthAreNotRecognised) {
    EXPECT_EQ(FindOr("#7# \"seven\"", 7, "none"), "none");
    EXPECT_EQ(FindOr("#058# \"short\"", 58, "none"), "none");
    EXPECT_EQ(FindOr("#00058# \"long\"", 58, "none"), "none");
    EXPECT_EQ(FindOr("#00058# \"long\"", 5, "none"), "none");
    // A marker cut off by the end of the file.
    EXPECT_EQ(FindOr("text #0058", 58, "none"), "none");
    EXPECT_EQ(FindOr("#", 0, "none"), "none");
    EXPECT_EQ(FindOr("", 0, "none"), "none");
}

TEST(FindText, FirstEntryOfAnIdWins) {
    EXPECT_EQ(FindOr("#0003# \"first\"\n#0003# \"second\"\n", 3, "-"), "first");
}

TEST(FindText, TextKeepsLineBreaksAndBlanks) {
    EXPECT_EQ(FindOr("#0142# \"Are you sure\nyou want to?\"", 142, "-"), "Are you sure\nyou want to?");
    EXPECT_EQ(FindOr("#0014#\"nach Rennen \"", 14, "-"), "nach Rennen ");
    EXPECT_EQ(FindOr("#0015#\" \"", 15, "-"), " ");
    EXPECT_EQ(FindOr("#0015#\"\"", 15, "-"), "");
}

TEST(FindText, UnterminatedQuotes) {
    // The text runs to the end of the file less its last character.
    EXPECT_EQ(FindOr("#0016# \"LADEN...\n", 16, "-"), "LADEN...");
    EXPECT_EQ(FindOr("#0016# \"LADEN", 16, "-"), "LADE");
    // An opening quote as the very last character gives an empty text.
    EXPECT_EQ(FindOr("#0016# \"", 16, "-"), "");
    EXPECT_EQ(FindOr("#0016#\"x", 16, "-"), "");
    // A marker with no quote anywhere after it keeps the default.
    EXPECT_EQ(FindOr("#0016# LADEN", 16, "none"), "none");
}

TEST(FindText, MarkerWithoutQuoteTakesTheNextQuotedText) {
    // The scan for the opening quote does not stop at the next marker.
    EXPECT_EQ(FindOr("#0005#\n#0006# \"aus\"", 5, "-"), "aus");
}

TEST_F(LanguageFolder, PartialFileReplacesOnlyItsEntries) {
    Write("deutsch.lng", "Sprache: Deutsch\r\n#0017# \"Ende\"\r\n#0152# \"ESC beendet,\r\nF1 hilft.\"\r\n");
    EXPECT_EQ(LoadLanguage("deutsch"), 0);
    EXPECT_EQ(texts[17], "Ende");
    // Carriage-return/line-feed pairs read as one line feed.
    EXPECT_EQ(texts[152], "ESC beendet,\nF1 hilft.");
    EXPECT_EQ(texts[18], "Start");
    EXPECT_EQ(texts[14], "after race ");
}

TEST_F(LanguageFolder, MissingFileRestoresEnglish) {
    Write("deutsch.lng", "#0017# \"Ende\"");
    ASSERT_EQ(LoadLanguage("deutsch"), 0);
    ASSERT_EQ(texts[17], "Ende");
    EXPECT_EQ(LoadLanguage("klingon"), -1);
    EXPECT_EQ(texts[17], "Exit");
    // A name that reaches out of the folder is not opened.
    Write("x.lng", "#0017# \"Ende\"");
    EXPECT_EQ(LoadLanguage("../lang/x"), -1);
    EXPECT_EQ(texts[17], "Exit");
}

TEST_F(LanguageFolder, NameIsMatchedWithoutRegardToCase) {
    Write("Suomi.LNG", "#0000# \"Hups!\"");
    EXPECT_EQ(LoadLanguage("suomi"), 0);
    EXPECT_EQ(texts[0], "Hups!");
}

TEST_F(LanguageFolder, EmptyNameReadsTheBareExtension) {
    EXPECT_EQ(LoadLanguage(""), -1);
    Write(".lng", "#0000# \"Hoppla!\"");
    EXPECT_EQ(LoadLanguage(""), 0);
    EXPECT_EQ(texts[0], "Hoppla!");
}

TEST_F(LanguageFolder, UnterminatedLastEntryAndBinaryJunk) {
    static const char raw[] = "\0\xff#00\x01#0001# \"tour\n#0002# \"tours";
    std::string junk(raw, sizeof raw - 1);
    Write("junk.lng", junk);
    EXPECT_EQ(LoadLanguage("junk"), 0);
    EXPECT_EQ(texts[1], "tour\n#0002# ");
    EXPECT_EQ(texts[2], "tour");
    EXPECT_EQ(texts[3], "kilometer");
}

TEST(ShippedLanguage, EveryTextIsTranslatedInCharactersTheFontDraws) {
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadWholeFile(DW_SOURCE_DIR "/data/lang/deutsch.lng", file));
    const char* buffer = reinterpret_cast<const char*>(file.data());
    for (int id = 0; id < kTextCount; ++id) {
        std::string text;
        ASSERT_TRUE(FindText(buffer, file.size(), id, text)) << id;
        for (unsigned char c : text)
            EXPECT_TRUE(c == ' ' || (c >= 33 && c <= 126) || c >= 192) << "id " << id << " byte " << int(c);
    }
    std::string text;
    FindText(buffer, file.size(), 14, text);
    EXPECT_EQ(text.back(), ' ');
    FindText(buffer, file.size(), 58, text);
    EXPECT_NE(text.find('|'), std::string::npos);
}
