// Choosing the game folder: a writable portable folder is kept, an installed
// (read-only) one plays from the per-user folder, which is filled from the
// shipped data and kept up to date without touching what the player changed.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "trackfile/game_folder.h"

namespace fs = std::filesystem;

namespace {

struct GameFolder : ::testing::Test {
    std::string root;     // scratch: prefix/bin, prefix/share/dustwhirl, home
    std::string bin, shipped, home;
    void SetUp() override {
        char pattern[] = "/tmp/dw_gamefolder_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        bin = root + "/prefix/bin";
        shipped = root + "/prefix/share/dustwhirl";
        home = root + "/home";
        fs::create_directories(bin);
        fs::create_directories(home);
        Put(shipped + "/font.bmp", "font");
        Put(shipped + "/dw.ini", "[Graphics]\n");
        Put(shipped + "/tracks/oval.trk", "oval v1");
        Put(shipped + "/drivers/Sam.drv", "sam");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    static void Put(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return "<missing>";
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Choose(const char* xdg, std::string& error) {
        return ChooseGameFolderFor(bin + "/", true, xdg, home.c_str(), error);
    }
};

TEST_F(GameFolder, PortableFolderIsKeptOnlyWhenWritableAndHoldingTheData) {
    std::string portable = root + "/run";
    Put(portable + "/font.bmp", "font");
    std::string error;
    EXPECT_EQ(ChooseGameFolderFor(portable, true, nullptr, home.c_str(), error), portable + "/");
    EXPECT_FALSE(fs::exists(home + "/.local")) << "a portable game writes nothing into HOME";

    // The same folder read-only (a copy on a read-only medium): its data is shipped into HOME.
    std::string chosen = ChooseGameFolderFor(portable + "/", false, nullptr, home.c_str(), error);
    EXPECT_EQ(chosen, home + "/.local/share/dustwhirl/") << error;
    EXPECT_EQ(Get(chosen + "font.bmp"), "font");

    // A folder with no game data anywhere is left as it is, for the loaders' fallbacks.
    std::string bare = root + "/bare";
    fs::create_directories(bare);
    EXPECT_EQ(ChooseGameFolderFor(bare, false, nullptr, home.c_str(), error), bare + "/");
    EXPECT_TRUE(error.empty());
}

TEST_F(GameFolder, InstalledGameUsesXdgDataHomeElseHomeLocalShare) {
    std::string error;
    // A writable bin/ without data beside it is still an installed layout.
    EXPECT_EQ(Choose(nullptr, error), home + "/.local/share/dustwhirl/") << error;
    EXPECT_EQ(Choose("", error), home + "/.local/share/dustwhirl/");
    EXPECT_EQ(Choose("relative/path", error), home + "/.local/share/dustwhirl/") << "relative XDG paths are ignored";
    std::string xdg = root + "/xdg/";
    std::string chosen = Choose(xdg.c_str(), error);
    EXPECT_EQ(chosen, root + "/xdg/dustwhirl/");
    EXPECT_EQ(Get(chosen + "tracks/oval.trk"), "oval v1");
    EXPECT_EQ(Get(chosen + "drivers/Sam.drv"), "sam");
    EXPECT_EQ(Get(chosen + "dw.ini"), "[Graphics]\n");

    // Nowhere to put it: a failure with a reason, not the read-only folder.
    EXPECT_EQ(ChooseGameFolderFor(bin, false, nullptr, nullptr, error), "");
    EXPECT_FALSE(error.empty());
}

TEST_F(GameFolder, CopiesAreWritableThoughTheShippedFilesAreNot) {
    fs::permissions(shipped + "/tracks/oval.trk", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string error;
    std::string chosen = Choose(nullptr, error);
    ASSERT_FALSE(chosen.empty()) << error;
    fs::perms p = fs::status(chosen + "tracks/oval.trk").permissions();
    EXPECT_NE(p & fs::perms::owner_write, fs::perms::none);
}

TEST_F(GameFolder, NewerInstallAddsAndUpdatesButKeepsThePlayersFiles) {
    std::string error;
    std::string user = Choose(nullptr, error);
    ASSERT_FALSE(user.empty()) << error;
    Put(user + "tracks/oval.trk", "oval with the player's records");
    Put(user + "options.set", "player's options");
    fs::remove(user + "drivers/Sam.drv");           // the player deleted a shipped driver

    // The newer install: a new track, a changed oval and dw.ini, the same driver.
    Put(shipped + "/tracks/offroad/snow.trk", "snow");
    Put(shipped + "/tracks/oval.trk", "oval v2");
    Put(shipped + "/dw.ini", "[Graphics]\nNew=1\n");
    ASSERT_EQ(Choose(nullptr, error), user) << error;

    EXPECT_EQ(Get(user + "tracks/offroad/snow.trk"), "snow");
    EXPECT_EQ(Get(user + "tracks/oval.trk"), "oval with the player's records");
    EXPECT_EQ(Get(user + "options.set"), "player's options");
    EXPECT_EQ(Get(user + "drivers/Sam.drv"), "<missing>") << "a deleted file does not come back";
    EXPECT_EQ(Get(user + "dw.ini"), "[Graphics]\nNew=1\n") << "an untouched copy follows the install";

    // Starting again changes nothing; the player's own files are never listed as shipped.
    Put(user + "tracks/mine.trk", "mine");
    ASSERT_EQ(Choose(nullptr, error), user) << error;
    EXPECT_EQ(Get(user + "tracks/mine.trk"), "mine");
    std::string list = Get(user + kShippedListName);
    EXPECT_EQ(list.find("mine.trk"), std::string::npos);
    EXPECT_NE(list.find("tracks/offroad/snow.trk"), std::string::npos);
}

TEST_F(GameFolder, UnwritableUserFolderIsReported) {
    Put(home + "/.local/share", "a file where the folder should be");
    std::string error;
    EXPECT_EQ(Choose(nullptr, error), "");
    EXPECT_NE(error.find(".local/share/dustwhirl"), std::string::npos) << error;
}

}  // namespace
