// Directory listing for the choice lists, name order, case-insensitive
// lookup and recursive folder removal.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Game/shell/folders.h"
#include "Game/shell/shell.h"

namespace {

struct Folder : ::testing::Test {
    std::string dir;
    void SetUp() override {
        char pattern[] = "/tmp/dw_folders_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        baseDirectory.clear();
        ASSERT_EQ(chdir("/"), 0);
        DeleteFolder(dir);
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    void File(const std::string& name) {
        FILE* f = std::fopen(Path(name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("x", f);
        std::fclose(f);
    }
    void Dir(const std::string& name) { ASSERT_EQ(mkdir(Path(name).c_str(), 0755), 0); }
    bool Exists(const std::string& name) const {
        struct stat st;
        return lstat(Path(name).c_str(), &st) == 0;
    }
};

}  // namespace

TEST(NameOrder, IgnoresCase) {
    EXPECT_TRUE(NameLess("alpha", "Dutch"));
    EXPECT_TRUE(NameLess("beta", "Dutch"));
    EXPECT_FALSE(NameLess("Dutch", "beta"));
    EXPECT_TRUE(NameLess("abc", "ABCD"));
    EXPECT_FALSE(NameLess("ABC", "abc"));
    EXPECT_FALSE(NamesDiffer("Default", "dEFAULT"));
    EXPECT_TRUE(NamesDiffer("Default", "Default2"));
    // Bytes above 127 compare as unsigned, after the letters.
    EXPECT_TRUE(NameLess("zulu", "\xe9t\xe9"));
}

TEST_F(Folder, ListsFilesByExtensionWithoutRegardToCase) {
    Dir("palettes");
    File("palettes/Dusk.PAL");
    File("palettes/default.pal");
    File("palettes/notes.txt");
    File("palettes/.pal");          // nothing but the dot and the extension
    File("palettes/pal");
    File("palettes/xpal");
    Dir("palettes/folder.pal");     // a folder is not a file
    std::vector<std::string> names;
    EXPECT_EQ(ListDirectory(Path("palettes"), "pal", names, kListFiles, 22), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"default", "Dusk"}));
}

TEST_F(Folder, NamesLongerThanTheLimitAreLeftOut) {
    Dir("lang");
    File("lang/" + std::string(22, 'a') + ".lng");
    File("lang/" + std::string(23, 'b') + ".lng");
    File("lang/" + std::string(23, 'c'));
    std::vector<std::string> names;
    EXPECT_EQ(ListDirectory(Path("lang"), "lng", names, kListFiles, 22), 1);
    EXPECT_EQ(names[0], std::string(22, 'a'));
    names.clear();
    EXPECT_EQ(ListDirectory(Path("lang"), "lng", names, kListFiles, 0), 2);
    // Without an extension the whole name counts: a 23-character name would
    // not fit the 22 characters a setting holds.
    names.clear();
    EXPECT_EQ(ListDirectory(Path("lang"), "", names, kListFiles, 22), 0);
    EXPECT_EQ(ListDirectory(Path("lang"), "", names, kListFiles, 23), 1);
    EXPECT_EQ(names[0], std::string(23, 'c'));
}

TEST_F(Folder, FoldersAndFilesByKindAppendedAndSortedTogether) {
    Dir("sounds");
    Dir("sounds/Default");
    Dir("sounds/arcade");
    Dir("sounds/quiet");
    File("sounds/readme");
    ASSERT_EQ(symlink(Path("sounds/arcade").c_str(), Path("sounds/linked").c_str()), 0);
    ASSERT_EQ(symlink(Path("sounds/nowhere").c_str(), Path("sounds/dangling").c_str()), 0);
    std::vector<std::string> names = {"Zeta", "beta"};
    EXPECT_EQ(ListDirectory(Path("sounds"), "", names, kListFolders, 22), 6);
    EXPECT_EQ(names, (std::vector<std::string>{"arcade", "beta", "Default", "linked", "quiet", "Zeta"}));
    names.clear();
    EXPECT_EQ(ListDirectory(Path("sounds"), "", names, kListFiles | kListFolders, 0), 5);
    EXPECT_EQ(names.back(), "readme");
}

TEST_F(Folder, MissingFolderAddsNothing) {
    std::vector<std::string> names = {"kept"};
    EXPECT_EQ(ListDirectory(Path("nothing"), "pal", names, kListFiles, 22), 1);
    EXPECT_EQ(names, (std::vector<std::string>{"kept"}));
}

TEST_F(Folder, OptionListsComeFromTheProgramDirectory) {
    Dir("palettes");
    Dir("lang");
    Dir("sounds");
    Dir("sounds/default");
    File("palettes/night.pal");
    File("lang/suomi.lng");
    File("lang/Deutsch.lng");
    baseDirectory = dir;
    std::vector<std::string> list = {"stale"};
    EXPECT_EQ(FillPaletteList(list), 1);
    EXPECT_EQ(list, (std::vector<std::string>{"night"}));
    EXPECT_EQ(FillLanguageList(list), 2);
    EXPECT_EQ(list, (std::vector<std::string>{"Deutsch", "suomi"}));
    EXPECT_EQ(FillSoundSetList(list), 1);
    EXPECT_EQ(list, (std::vector<std::string>{"default"}));
}

TEST_F(Folder, FindsFilesIgnoringCase) {
    Dir("palettes");
    File("palettes/Default.pal");
    std::string path;
    EXPECT_TRUE(FindFileNoCase(Path("palettes"), "Default.pal", path));
    EXPECT_EQ(path, Path("palettes/Default.pal"));
    EXPECT_TRUE(FindFileNoCase(Path("palettes"), "DEFAULT.PAL", path));
    EXPECT_EQ(path, Path("palettes/Default.pal"));
    EXPECT_FALSE(FindFileNoCase(Path("palettes"), "other.pal", path));
    EXPECT_FALSE(FindFileNoCase(Path("missing"), "Default.pal", path));
}

TEST_F(Folder, DeleteFolderRemovesEverythingButNotWhatLinksPointTo) {
    Dir("keep");
    File("keep/precious.trk");
    Dir("tracks");
    Dir("tracks/old");
    Dir("tracks/old/deeper");
    File("tracks/old/a.trk");
    File("tracks/old/deeper/b.trk");
    ASSERT_EQ(symlink(Path("keep").c_str(), Path("tracks/old/link").c_str()), 0);
    EXPECT_TRUE(DeleteFolder(Path("tracks/old")));
    EXPECT_FALSE(Exists("tracks/old"));
    EXPECT_TRUE(Exists("tracks"));
    EXPECT_TRUE(Exists("keep/precious.trk"));
    EXPECT_FALSE(DeleteFolder(Path("tracks/old")));
    EXPECT_FALSE(DeleteFolder(Path("keep/precious.trk")));
    EXPECT_TRUE(Exists("keep/precious.trk"));
    EXPECT_FALSE(DeleteFolder(""));
}
