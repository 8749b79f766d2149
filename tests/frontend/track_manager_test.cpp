// The track manager on a scratch copy of the runnable folder's tracks: its
// file operations never reach outside "tracks" (refused names, symbolic
// links), moving keeps records and never overwrites, and its widgets, opened
// at 19..29 of a 30-widget screen, keep choice marks, folders and the
// information box's Reset as the main screen will use them.
#include "tests/frontend/menu_fixture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "tests/trackfile/sample_record.h"
#include "trackfile/trackfile.h"

using namespace menutest;
namespace fs = std::filesystem;

namespace {

using Paths = std::vector<std::string>;

// Every file below a folder with its bytes, links as their targets' names.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        std::string rel = fs::relative(it->path(), root).string();
        if (it->is_symlink()) {
            files[rel] = "-> " + fs::read_symlink(it->path()).string();
        } else if (it->is_regular_file()) {
            std::ifstream in(it->path(), std::ios::binary);
            files[rel] = std::string(std::istreambuf_iterator<char>(in), {});
        } else {
            files[rel] = "<dir>";
        }
    }
    return files;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Gives a track a record by "Fast Fred" and a ghost lap (with a trailer).
void GiveRecords(const std::string& path) {
    ASSERT_EQ(WriteSampleRecord(path, 100), kTrackOk);
}

class TrackManagerTest : public MenuTest {
protected:
    WidgetArray screen;
    void SetUp() override {
        MenuTest::SetUp();
        fs::copy(std::string(DW_RUN_DIR) + "/tracks", folder->File("tracks"), fs::copy_options::recursive);
        chosenTracks.clear();
        SDL_SetModState(KMOD_NONE);
        screen.resize(kMainTrackWidgetFirst + kMainTrackWidgetCount);
        for (int i = 0; i < kMainTrackWidgetFirst; ++i) {
            MakeButton(screen[size_t(i)], "", 0, 0, 1, 1, nullptr, 0);
            SetWidgetHidden(screen[size_t(i)], true);
        }
        MakeTrackManagerWidgets(&screen[kMainTrackWidgetFirst]);
        ASSERT_EQ(OpenScreen(1, screen, kScreenArrowKeys), 0);
    }
    void TearDown() override {
        SDL_SetModState(KMOD_NONE);
        if (screenIsOpen) CloseScreen();
        chosenTracks.clear();
        MenuTest::TearDown();
    }
    Widget& T(int k) { return screen[size_t(kMainTrackWidgetFirst + k)]; }
    std::string Text(int entry) { return T(kTmTracks).list->entries[size_t(entry)].text; }
    int EntryCount(int k) { return int(T(k).list->entries.size()); }
    // Pixel centre of entry i of a list.
    static int EntryX(const Widget& w, int i) {
        const ListModel& m = *w.list;
        return CellToPixelX(w.x + (float(i % m.columns) + 0.5f) * m.columnWidth);
    }
    static int EntryY(const Widget& w, int i) {
        const ListModel& m = *w.list;
        return CellToPixelY(w.y + (float(i / m.columns - w.value) + 0.5f) * m.rowHeight);
    }
    static void ClickEntry(const Widget& w, int i, SDLMod mods = KMOD_NONE) {
        SDL_SetModState(mods);
        MenuPointerPressed(EntryX(w, i), EntryY(w, i));
        MenuPointerReleased(EntryX(w, i), EntryY(w, i));
        SDL_SetModState(KMOD_NONE);
    }
    void Pick(int i, SDLMod mods = KMOD_NONE) { ClickEntry(T(kTmTracks), i, mods); }
};

TEST_F(TrackManagerTest, FileOperationsStayInsideTracks) {
    const std::string outside = folder->File("outside");
    fs::create_directory(outside);
    fs::copy_file(folder->File("tracks/beach.trk"), outside + "/victim.trk");
    folder->Write("outside/keep.txt", "keep");
    ASSERT_EQ(symlink("../outside", folder->File("tracks/link").c_str()), 0);
    ASSERT_EQ(symlink("../outside/victim.trk", folder->File("tracks/evil.trk").c_str()), 0);
    fs::create_directory(folder->File("tracks/real"));
    fs::copy_file(folder->File("tracks/oval.trk"), folder->File("tracks/real/oval.trk"));
    ASSERT_EQ(symlink("../../outside", folder->File("tracks/real/inner").c_str()), 0);
    auto before = Snapshot(outside);

    for (std::string bad : {"", "..", "a/b", "a\\b", ".hidden", "x..y", "../escape", "   ", "tab\tname",
                            "0123456789012345678901x"}) {
        EXPECT_FALSE(TrackFolderNameValid(bad)) << bad;
        EXPECT_FALSE(CreateTrackFolder(bad)) << bad;
    }
    EXPECT_FALSE(fs::exists(folder->File("escape")));
    EXPECT_TRUE(CreateTrackFolder("Rally 2"));
    EXPECT_FALSE(CreateTrackFolder("rally 2")) << "a name taken ignoring case";

    // A link is neither a folder nor a track.
    EXPECT_EQ(ListTrackFolders(), (Paths{"offroad", "Rally 2", "real"}));
    Paths loose;
    for (const TrackListEntry& e : ListTracks({"", "link"})) loose.push_back(TrackPathOf(e));
    EXPECT_EQ(loose, (Paths{"beach", "club", "figure_eight", "grand_prix", "oval", "town"}));
    EXPECT_FALSE(ShowTrackInfoBox("evil"));
    EXPECT_FALSE(ShowTrackInfoBox("link\\victim"));

    EXPECT_FALSE(DeleteTrackFolder("link"));
    EXPECT_FALSE(DeleteTrackFolder(".."));
    Paths moving{"beach"};
    EXPECT_EQ(MoveTracks(moving, "link"), 1);
    EXPECT_EQ(MoveTracks(moving, ".."), 1);
    EXPECT_EQ(moving, Paths{"beach"});
    EXPECT_TRUE(fs::exists(folder->File("tracks/beach.trk")));
    EXPECT_EQ(DeleteTracks({"link\\victim", "evil", "..\\outside\\victim", "real\\..\\..\\outside\\victim",
                            "real/inner/victim", "real\\inner"}),
              6);
    // Deleting a folder removes a link inside it as a link.
    EXPECT_TRUE(DeleteTrackFolder("real"));
    EXPECT_FALSE(fs::exists(folder->File("tracks/real")));
    EXPECT_TRUE(fs::is_symlink(folder->File("tracks/evil.trk")));
    EXPECT_EQ(Snapshot(outside), before);
}

TEST_F(TrackManagerTest, ChoiceMarksFollowCtrlShiftAndTheAnchor) {
    // All tracks: the loose ones, then each folder's.
    ASSERT_EQ(EntryCount(kTmTracks), 8);
    EXPECT_EQ(T(kTmFolder).text, texts[kTextAllTracks]);
    EXPECT_EQ(Text(6), "offroad\\rally");

    Pick(2, KMOD_LSHIFT);  // no anchor yet: from entry 0
    EXPECT_EQ(chosenTracks, (Paths{"beach", "club", "figure_eight"}));
    Pick(0, KMOD_RCTRL);
    EXPECT_EQ(chosenTracks, Paths{"beach"});
    Pick(2);
    Pick(4);
    EXPECT_EQ(chosenTracks, (Paths{"beach", "figure_eight", "oval"}));
    Pick(2);  // unchosen: the others close up
    EXPECT_EQ(chosenTracks, (Paths{"beach", "oval"}));
    EXPECT_EQ(Text(4), "2. oval");
    EXPECT_EQ(T(kTmTracks).list->entries[4].mark, 2u);
    EXPECT_EQ(T(kTmTracks).list->entries[2].mark, 0u);
    EXPECT_EQ(T(kTmInfo).text, "2 " + texts[kTextSelected]);

    Pick(5, KMOD_LCTRL);
    Pick(1, KMOD_RSHIFT);  // from the anchor down to the clicked entry
    EXPECT_EQ(chosenTracks, (Paths{"town", "oval", "grand_prix", "figure_eight", "club"}));
    Pick(7, KMOD_LSHIFT);  // the anchor stays where Shift found it
    EXPECT_EQ(chosenTracks, (Paths{"town", "offroad\\rally", "offroad\\snow"}));
    EXPECT_EQ(Text(7), "3. offroad\\snow");

    // Select: Randomize (the pick list opens on it) takes as many as the slider says.
    T(kTmSelectCount).value = 3;
    script.push_back([] { Enter(); });
    Click(T(kTmSelect));
    ASSERT_EQ(chosenTracks.size(), 3u);
    Paths sorted = chosenTracks;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
    // Select none, then one track by its entry (entry 3 + 5: town).
    auto pickRow = [](int row) {
        return [row] {
            ASSERT_EQ(currentScreen.count, 3);
            ClickEntry(currentScreen.widgets[0], row);
        };
    };
    script.push_back(pickRow(0));
    Click(T(kTmSelect));
    EXPECT_TRUE(chosenTracks.empty());
    script.push_back(pickRow(3 + 5));
    Click(T(kTmSelect));
    EXPECT_EQ(chosenTracks, Paths{"town"});
    EXPECT_EQ(T(kTmInfo).text, "1 " + texts[kTextSelected]);
}

TEST_F(TrackManagerTest, FoldersAreShownPickedAndDeletedThroughTheButtons) {
    Click(T(kTmFolder));
    ASSERT_FALSE(T(kTmFolderList).flags & kWidgetHidden);
    ASSERT_TRUE(T(kTmTracks).flags & kWidgetHidden);
    ASSERT_EQ(EntryCount(kTmFolderList), 3);
    ClickEntry(T(kTmFolderList), 2, KMOD_LCTRL);  // offroad, and the list stays open
    ClickEntry(T(kTmFolderList), 1, KMOD_LCTRL);  // and the loose tracks
    EXPECT_EQ(T(kTmFolder).text, texts[kTextMultipleFolders]);
    EXPECT_EQ(EntryCount(kTmTracks), 8);
    ClickEntry(T(kTmFolderList), 2);  // offroad alone, and the list closes
    EXPECT_EQ(T(kTmFolder).text, "offroad");
    EXPECT_TRUE(T(kTmFolderList).flags & kWidgetHidden);
    ASSERT_EQ(EntryCount(kTmTracks), 2);

    // Nothing chosen: the message, and nothing is deleted.
    int screens = 0;
    script.push_back([&] {
        screens += currentScreen.screenId == kScreenMessageBox;
        Enter();
    });
    Click(T(kTmDeleteTracks));
    EXPECT_EQ(screens, 1);
    EXPECT_TRUE(fs::exists(folder->File("tracks/offroad/rally.trk")));

    // Deleting the folder's last tracks leaves the empty folder listed.
    Pick(0, KMOD_LCTRL);
    Pick(1, KMOD_LSHIFT);
    script.push_back([] { Enter(); });  // Yes
    Click(T(kTmDeleteTracks));
    EXPECT_FALSE(fs::exists(folder->File("tracks/offroad/rally.trk")));
    EXPECT_FALSE(fs::exists(folder->File("tracks/offroad/snow.trk")));
    EXPECT_TRUE(chosenTracks.empty());
    EXPECT_EQ(EntryCount(kTmTracks), 0);
    EXPECT_EQ(T(kTmFolder).text, "offroad");
    ASSERT_EQ(EntryCount(kTmFolderList), 3);
    EXPECT_EQ(T(kTmFolderList).list->entries[2].text, "offroad");
    EXPECT_EQ(T(kTmInfo).text, "0 " + texts[kTextSelected]);

    // Create through the input box, then delete the shown folder with its Yes.
    script.push_back([] { Type("Desert"); });
    script.push_back([] { Enter(); });
    script.push_back([] { Enter(); });
    Click(T(kTmCreateFolder));
    EXPECT_TRUE(fs::is_directory(folder->File("tracks/Desert")));
    EXPECT_EQ(EntryCount(kTmFolderList), 4);
    EXPECT_EQ(EntryCount(kTmTargetList), 3);
    script.push_back([] { Enter(); });
    Click(T(kTmDeleteFolder));
    EXPECT_FALSE(fs::exists(folder->File("tracks/offroad")));
    EXPECT_EQ(T(kTmFolder).text, texts[kTextAllTracks]);
    EXPECT_EQ(EntryCount(kTmFolderList), 3);
    EXPECT_EQ(EntryCount(kTmTracks), 6);
}

TEST_F(TrackManagerTest, ARefusedFolderNameTellsWhy) {
    EXPECT_EQ(FolderNameProblem("Desert"), "");
    EXPECT_NE(FolderNameProblem(std::string(23, 'a')).find("at most 22 characters"), std::string::npos);
    EXPECT_NE(FolderNameProblem("a:b").find(":"), std::string::npos);
    EXPECT_NE(FolderNameProblem("   "), "");
    // Through the button: the input box, then the message box, no folder.
    int boxes = 0;
    script.push_back([] { Type(std::string(23, 'b')); });
    script.push_back([] { Enter(); });
    script.push_back([&] {
        boxes += currentScreen.screenId == kScreenMessageBox;
        Enter();
    });
    Click(T(kTmCreateFolder));
    EXPECT_EQ(boxes, 1);
    EXPECT_FALSE(fs::exists(folder->File("tracks/" + std::string(23, 'b'))));
}

TEST_F(TrackManagerTest, MovedTracksKeepRecordsAndATakenNameIsReportedOnce) {
    GiveRecords(folder->File("tracks/beach.trk"));
    const std::string beach = Bytes(folder->File("tracks/beach.trk"));
    ASSERT_TRUE(CreateTrackFolder("group"));
    fs::copy_file(folder->File("tracks/town.trk"), folder->File("tracks/group/OVAL.trk"));
    RefreshTrackManager();
    ASSERT_EQ(EntryCount(kTmTracks), 9);
    Pick(0);  // beach
    Pick(4);  // oval: its name is taken in group (ignoring case)
    Pick(1);  // club, after it, still moves
    int messages = 0;
    script.push_back([&] {
        messages += currentScreen.screenId == kScreenMessageBox;
        Enter();
    });
    Click(T(kTmMove));
    ASSERT_FALSE(T(kTmTargetList).flags & kWidgetHidden);
    ClickEntry(T(kTmTargetList), 1);  // group
    EXPECT_EQ(messages, 1);
    EXPECT_TRUE(script.empty());
    EXPECT_TRUE(T(kTmTargetList).flags & kWidgetHidden);
    EXPECT_EQ(chosenTracks, (Paths{"group\\beach", "oval", "group\\club"}));
    EXPECT_EQ(Bytes(folder->File("tracks/group/OVAL.trk")), Bytes(folder->File("tracks/town.trk")));
    EXPECT_TRUE(fs::exists(folder->File("tracks/oval.trk")));
    EXPECT_FALSE(fs::exists(folder->File("tracks/beach.trk")));
    EXPECT_EQ(T(kTmInfo).text, "3 " + texts[kTextSelected]);

    // The moved file is the same file: its records and ghost came along.
    EXPECT_EQ(Bytes(folder->File("tracks/group/beach.trk")), beach);
    TrackFile t;
    ASSERT_EQ(ReadTrackFile(folder->File("tracks/group/beach.trk").c_str(), TrackReadGame, t), kTrackOk);
    EXPECT_EQ(t.records.entry[0].time, 1234);
    EXPECT_STREQ(t.records.entry[0].name, "Fast Fred");
    EXPECT_TRUE(t.hasGhost);
    EXPECT_TRUE(t.trailerMatches);
}

TEST_F(TrackManagerTest, InformationBoxResetEmptiesTheRecordsAndDropsTheGhost) {
    const std::string path = folder->File("tracks/club.trk");
    GiveRecords(path);
    TrackFile before;
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, before), kTrackOk);
    ASSERT_TRUE(before.hasGhost);
    const std::string design = Bytes(path).substr(0, before.recordsOffset);

    // A click below the last entry is not on a track.
    EXPECT_FALSE(TrackManagerRightClick(EntryX(T(kTmTracks), 0), EntryY(T(kTmTracks), 12)));

    bool sawBox = false;
    script.push_back([&] {
        sawBox = currentScreen.screenId == 9 && currentScreen.count == 3;
        Click(currentScreen.widgets[0]);  // Reset
    });
    script.push_back([] { Enter(); });  // Yes
    EXPECT_TRUE(TrackManagerRightClick(EntryX(T(kTmTracks), 1), EntryY(T(kTmTracks), 1)));
    EXPECT_TRUE(sawBox);
    EXPECT_TRUE(script.empty());
    EXPECT_TRUE(screenIsOpen);
    EXPECT_EQ(currentScreen.widgets, screen.data()) << "back on the main screen";

    TrackFile after;
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, after), kTrackOk);
    EXPECT_FALSE(after.hasGhost);
    EXPECT_FALSE(after.hasTrailer);
    for (const TrackRecord& r : after.records.entry) {
        EXPECT_EQ(r.time, kEmptyLapTime);
        EXPECT_EQ(r.name[0], 0);
    }
    const std::string bytes = Bytes(path);
    EXPECT_EQ(bytes.size(), after.recordsOffset + kTrackRecordsSize);
    EXPECT_EQ(bytes.substr(0, after.recordsOffset), design);
}

}  // namespace
