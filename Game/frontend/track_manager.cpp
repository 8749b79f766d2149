// The track manager in the lower half of the main screen: which track folders
// are shown, the tracks chosen for the season (in the order of choosing), and
// the buttons that create and delete folders and move and delete tracks.
// Every operation works on the files (track_files.cpp) and then rebuilds the
// lists from what is really there.
//
// Picking in the track list: a plain click toggles the clicked track's choice
// (a chosen track is appended to the season, an unchosen one leaves it); Ctrl
// chooses only the clicked track; Shift chooses the tracks from the anchor to
// the clicked one and nothing else. The anchor is the entry clicked last
// without Shift (entry 0 before any).
//
// Picking in the folder list: a plain click shows that entry alone and closes
// the list; Ctrl adds the folder to those shown, or takes it away, and keeps
// the list open.
//
// Select offers "Select none", "Select all" (appends the shown tracks not yet
// chosen), "Randomize" (chooses as many shown tracks as the slider beside it
// says, in random order) and then every shown track, so that tracks can be
// chosen with the keyboard alone.
#include "Game/frontend/frontend_internal.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"

std::vector<std::string> chosenTracks;
Widget* trackManagerWidgets = nullptr;

namespace {

Widget* manager = nullptr;

std::vector<std::string> folders;            // the real folders in "tracks"
bool showAll = true;                         // every track of every folder
std::vector<std::string> shownFolders;       // otherwise these ("" = the loose tracks)
std::vector<TrackListEntry> shownTracks;     // the track list's entries
int anchor = -1;                             // entry clicked last without Shift
int selectChoice = 2;                        // the Select pick list opens on Randomize
std::string viewBase;                        // the program folder whose tracks the view shows

constexpr int kFirstFolderEntry = 2;         // folder list: all tracks, loose tracks, then folders

Widget& W(int k) { return manager[k]; }

bool MainScreenOpen() {
    return manager && screenIsOpen && currentScreen.widgets && manager >= currentScreen.widgets &&
           manager < currentScreen.widgets + currentScreen.count;
}

// Hidden flags changed: the whole screen is repainted so nothing stays behind.
void RepaintAfterLayout() {
    if (MainScreenOpen()) RepaintScreen();
}

int ChosenIndex(const std::string& path) {
    for (size_t i = 0; i < chosenTracks.size(); ++i)
        if (chosenTracks[i] == path) return int(i);
    return -1;
}

void Choose(const std::string& path) {
    if (ChosenIndex(path) < 0) chosenTracks.push_back(path);
}

void Unchoose(const std::string& path) {
    int i = ChosenIndex(path);
    if (i >= 0) chosenTracks.erase(chosenTracks.begin() + i);
}

std::vector<std::string> ShownSet() {
    if (!showAll) return shownFolders;
    std::vector<std::string> all{""};
    all.insert(all.end(), folders.begin(), folders.end());
    return all;
}

bool Shown(const std::string& folder) {
    return showAll || std::find(shownFolders.begin(), shownFolders.end(), folder) != shownFolders.end();
}

std::string FolderCaption() {
    if (showAll) return texts[kTextAllTracks];
    if (shownFolders.size() > 1) return texts[kTextMultipleFolders];
    if (shownFolders.empty() || shownFolders[0].empty()) return texts[kTextMiscTracks];
    return shownFolders[0];
}

// Marks and texts of the track list, the info button and the slider's range.
void UpdateChoices() {
    if (!manager) return;
    Widget& list = W(kTmTracks);
    bool several = showAll || shownFolders.size() > 1;
    for (size_t i = 0; i < shownTracks.size() && i < list.list->entries.size(); ++i) {
        const TrackListEntry& e = shownTracks[i];
        int order = ChosenIndex(TrackPathOf(e));
        std::string name = several && !e.folder.empty() ? e.folder + "\\" + e.name : e.name;
        ListEntry& entry = list.list->entries[i];
        entry.mark = uint32_t(order + 1);
        entry.text = order >= 0 ? std::to_string(order + 1) + ". " + name : name;
    }
    list.list->selected = -1;
    MarkRedraw(list, kRedrawValue);
    W(kTmInfo).text = std::to_string(chosenTracks.size()) + " " + texts[kTextSelected];
    MarkRedraw(W(kTmInfo), kRedrawValue);
    Widget& slider = W(kTmSelectCount);
    slider.high = std::max(1, int(shownTracks.size()));
    slider.value = std::clamp(slider.value, slider.low, slider.high);
    MarkRedraw(slider, kRedrawValue);
}

void FillFolderLists() {
    Widget& shown = W(kTmFolderList);
    Widget& target = W(kTmTargetList);
    ListClear(shown);
    ListClear(target);
    ListAdd(shown, texts[kTextAllTracks]);
    ListAdd(shown, texts[kTextMiscTracks]);
    ListAdd(target, texts[kTextMiscTracks]);
    for (const std::string& f : folders) {
        ListAdd(shown, f);
        ListAdd(target, f);
    }
    shown.list->entries[0].mark = showAll;
    shown.list->entries[1].mark = !showAll && Shown("");
    for (size_t i = 0; i < folders.size(); ++i)
        shown.list->entries[i + kFirstFolderEntry].mark = !showAll && Shown(folders[i]);
    W(kTmFolder).text = FolderCaption();
    MarkRedraw(W(kTmFolder), kRedrawValue);
}

void FillTrackList() {
    Widget& list = W(kTmTracks);
    int scroll = list.value;
    shownTracks = ListTracks(ShownSet());
    ListClear(list);
    for (const TrackListEntry& e : shownTracks) ListAdd(list, e.name);
    list.value = std::clamp(scroll, list.low, list.high);
    if (anchor >= int(shownTracks.size())) anchor = -1;
}

// Rebuilds everything from the file system; choices of tracks that are gone are dropped.
void Rebuild() {
    if (!manager) return;
    EnterBaseDirectory();
    folders = ListTrackFolders();
    if (!showAll) {
        std::vector<std::string> still;
        for (const std::string& f : shownFolders)
            if (f.empty() || std::find(folders.begin(), folders.end(), f) != folders.end()) still.push_back(f);
        shownFolders = still;
        if (shownFolders.empty()) showAll = true;
    }
    std::vector<std::string> kept;
    for (const std::string& path : chosenTracks) {
        std::string file;
        if (TrackFileOf(path, file)) kept.push_back(path);
    }
    chosenTracks = kept;
    FillFolderLists();
    FillTrackList();
    UpdateChoices();
}

// Shows one of the two folder lists in place of the track list, or (-1) the track list again.
void Hide(int k, bool hidden) {
    // A widget hidden while it holds the focus gives it up here, so the next
    // event is not dropped for it.
    if (hidden && MainScreenOpen() && currentScreen.focus == int(&W(k) - currentScreen.widgets)) {
        currentScreen.focus = -1;
        W(k).state &= ~kStateFocused;
    }
    SetWidgetHidden(W(k), hidden);
}

void ShowDropDown(int which) {
    Hide(kTmFolderList, which != kTmFolderList);
    Hide(kTmTargetList, which != kTmTargetList);
    Hide(kTmTracks, which >= 0);
    RepaintAfterLayout();
}

bool DropDownOpen(int which) { return !(W(which).flags & kWidgetHidden); }

void OnFolderButton(Widget&) { ShowDropDown(DropDownOpen(kTmFolderList) ? -1 : kTmFolderList); }

void OnFolderPicked(Widget& w) {
    int pick = w.list ? w.list->selected : -1;
    if (pick < 0) return;
    bool ctrl = (SDL_GetModState() & KMOD_CTRL) != 0;
    std::string folder = pick >= kFirstFolderEntry ? folders[size_t(pick - kFirstFolderEntry)] : "";
    if (pick == 0) {
        showAll = true;
        shownFolders.clear();
    } else if (!ctrl) {
        showAll = false;
        shownFolders = {folder};
    } else {
        if (showAll) {
            showAll = false;
            shownFolders.clear();
        }
        auto at = std::find(shownFolders.begin(), shownFolders.end(), folder);
        if (at != shownFolders.end()) shownFolders.erase(at);
        else shownFolders.push_back(folder);
        if (shownFolders.empty()) showAll = true;
    }
    anchor = -1;
    FillFolderLists();
    FillTrackList();
    UpdateChoices();
    w.list->selected = -1;
    if (!ctrl || pick == 0) ShowDropDown(-1);
}

void OnTrackPicked(Widget& w) {
    int pick = w.list ? w.list->selected : -1;
    if (pick < 0 || pick >= int(shownTracks.size())) return;
    SDLMod mods = SDL_GetModState();
    std::string path = TrackPathOf(shownTracks[size_t(pick)]);
    if (mods & KMOD_CTRL) {
        chosenTracks = {path};
        anchor = pick;
    } else if (mods & KMOD_SHIFT) {
        int from = anchor >= 0 ? anchor : 0;
        int step = pick >= from ? 1 : -1;
        chosenTracks.clear();
        for (int i = from;; i += step) {
            chosenTracks.push_back(TrackPathOf(shownTracks[size_t(i)]));
            if (i == pick) break;
        }
    } else {
        if (ChosenIndex(path) >= 0) Unchoose(path);
        else Choose(path);
        anchor = pick;
    }
    UpdateChoices();
}

void OnCreateFolder(Widget&) {
    std::string name;
    if (!ShowInputBox(texts[kTextEnterFolderName], name, texts[kTextCreateFolderTitle])) return;
    if (!CreateTrackFolder(name)) {
        std::string why = FolderNameProblem(name);
        ShowMessageBox(kBoxOk, texts[kTextCreateFolderFailed] + (why.empty() ? "" : "\n" + why), texts[kTextCreateFolderTitle]);
    }
    Rebuild();
}

void OnDeleteFolder(Widget&) {
    if (showAll || shownFolders.size() != 1 || shownFolders[0].empty()) {
        ShowMessageBox(kBoxOk, texts[kTextSelectFolderFirst], texts[kTextDeleteFolderTitle]);
        return;
    }
    if (!ShowMessageBox(kBoxYesNo, texts[kTextDeleteFolderConfirm], texts[kTextDeleteFolderTitle])) return;
    if (!DeleteTrackFolder(shownFolders[0]))
        ShowMessageBox(kBoxOk, texts[kTextDeleteFolderFailed], texts[kTextDeleteFolderTitle]);
    Rebuild();
}

void OnMove(Widget&) {
    if (chosenTracks.empty()) {
        ShowMessageBox(kBoxOk, texts[kTextSelectTrackFirst], texts[kTextMoveTracks]);
        return;
    }
    ShowDropDown(DropDownOpen(kTmTargetList) ? -1 : kTmTargetList);
}

void OnTargetPicked(Widget& w) {
    int pick = w.list ? w.list->selected : -1;
    if (pick < 0) return;
    std::string target = pick >= 1 ? folders[size_t(pick - 1)] : "";
    w.list->selected = -1;
    ShowDropDown(-1);
    // The chosen paths follow their tracks, so the season's order survives.
    int failed = MoveTracks(chosenTracks, target);
    if (failed > 0) ShowMessageBox(kBoxOk, texts[kTextMoveTracksFailed], texts[kTextMoveTracks]);
    Rebuild();
}

void OnDeleteTracks(Widget&) {
    if (chosenTracks.empty()) {
        ShowMessageBox(kBoxOk, texts[kTextSelectTrackFirst], texts[kTextDeleteTracksTitle]);
        return;
    }
    std::string question;
    if (chosenTracks.size() == 1) {
        std::string folder, name;
        if (!ParseTrackPath(chosenTracks[0], folder, name)) name = chosenTracks[0];
        question = texts[kTextReallyDelete] + " '" + name + "'?";
    } else {
        question = texts[kTextDeleteTracksConfirm] + " " + std::to_string(chosenTracks.size()) + " " +
                   texts[kTextDeleteTracksConfirmEnd];
    }
    if (!ShowMessageBox(kBoxYesNo, question, texts[kTextDeleteTracksTitle])) return;
    if (DeleteTracks(chosenTracks) > 0)
        ShowMessageBox(kBoxOk, texts[kTextDeleteTracksFailed], texts[kTextDeleteTracksTitle]);
    Rebuild();
}

void OnSelect(Widget&) {
    std::vector<std::string> names{texts[kTextSelectNone], texts[kTextSelectAll], texts[kTextRandomize]};
    for (const TrackListEntry& e : shownTracks) names.push_back(e.folder.empty() ? e.name : e.folder + "\\" + e.name);
    int pick = ShowPickList(texts[kTextSelect], names, selectChoice);
    if (pick < 0) return;
    if (pick <= 2) selectChoice = pick;
    if (pick == 0) {
        chosenTracks.clear();
    } else if (pick == 1) {
        for (const TrackListEntry& e : shownTracks) Choose(TrackPathOf(e));
    } else if (pick == 2) {
        std::vector<size_t> order(shownTracks.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        for (size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[size_t(std::rand()) % i]);
        chosenTracks.clear();
        size_t n = std::min(order.size(), size_t(std::max(0, W(kTmSelectCount).value)));
        for (size_t i = 0; i < n; ++i) chosenTracks.push_back(TrackPathOf(shownTracks[order[i]]));
    } else {
        std::string path = TrackPathOf(shownTracks[size_t(pick - 3)]);
        if (ChosenIndex(path) >= 0) Unchoose(path);
        else Choose(path);
    }
    UpdateChoices();
}

}  // namespace

void MakeTrackManagerWidgets(Widget* widgets) {
    manager = widgets;
    trackManagerWidgets = widgets;
    // The main screen is rebuilt each time it opens; the folders shown stay
    // as they were unless the tracks are those of another program folder.
    if (viewBase != baseDirectory) {
        viewBase = baseDirectory;
        showAll = true;
        shownFolders.clear();
        selectChoice = 2;
    }
    anchor = -1;
    MakeButton(W(kTmFolder), texts[kTextAllTracks], 11, 32, 22, 3, OnFolderButton, 0);
    MakeList(W(kTmFolderList), OnFolderPicked, 16, 20, 2, 2, kWidgetNoArrows, 11, 35.25f, 22);
    MakeButton(W(kTmCreateFolder), texts[kTextCreateFolder], 33.5f, 32.25f, 10, 2.5f, OnCreateFolder, 0);
    MakeButton(W(kTmDeleteFolder), texts[kTextDeleteFolder], 43.5f, 32.25f, 10, 2.5f, OnDeleteFolder, 0);
    MakeList(W(kTmTracks), OnTrackPicked, 16, 28, 2, 2, kWidgetNoArrows, 11, 35.25f, 58);
    MakeButton(W(kTmMove), texts[kTextMoveTo], 11, 51.5f, 14, 3, OnMove, 0);
    MakeList(W(kTmTargetList), OnTargetPicked, 16, 20, 2, 2, kWidgetNoArrows, 11, 35.25f, 22);
    MakeButton(W(kTmDeleteTracks), texts[kTextDeleteTracks], 25, 51.5f, 14, 3, OnDeleteTracks, 0);
    MakeButton(W(kTmSelect), texts[kTextSelect], 39, 51.5f, 14, 3, OnSelect, 0);
    MakeSlider(W(kTmSelectCount), "", 53.5f, 52, 15.5f, 2, 1, 2, 2, nullptr, kWidgetNoArrows);
    MakeButton(W(kTmInfo), "", 54, 32, 26, 3, nullptr, kWidgetNoArrows);
    for (int k : {kTmFolder, kTmCreateFolder, kTmDeleteFolder, kTmMove, kTmDeleteTracks, kTmSelect})
        W(k).style = kStyleShowsFocus;
    SetWidgetHidden(W(kTmFolderList), true);
    SetWidgetHidden(W(kTmTargetList), true);
    Rebuild();
}

void RefreshTrackManager() {
    if (!manager) return;
    // Texts of the current language, and the lists from the file system.
    W(kTmCreateFolder).text = texts[kTextCreateFolder];
    W(kTmDeleteFolder).text = texts[kTextDeleteFolder];
    W(kTmMove).text = texts[kTextMoveTo];
    W(kTmDeleteTracks).text = texts[kTextDeleteTracks];
    W(kTmSelect).text = texts[kTextSelect];
    Rebuild();
    RepaintAfterLayout();
}

bool TrackManagerRightClick(int x, int y) {
    if (!MainScreenOpen()) return false;
    const Widget& w = W(kTmTracks);
    if ((w.flags & kWidgetHidden) || !w.list) return false;
    float s = currentScreen.pixelScale > 0 ? currentScreen.pixelScale : 1;
    float cx = (float(x) - UiOriginX()) / s, cy = (float(y) - UiOriginY()) / s;
    const ListModel& m = *w.list;
    if (cx < w.x || cy < w.y || cx >= w.x + w.width - m.scrollBarWidth || cy >= w.y + w.height) return false;
    int row = int((cy - w.y) / m.rowHeight), column = int((cx - w.x) / m.columnWidth);
    if (row >= m.visibleRows || column >= m.columns) return false;
    int index = (row + w.value) * m.columns + column;
    if (index < 0 || index >= int(shownTracks.size())) return false;
    ShowTrackInfoBox(TrackPathOf(shownTracks[size_t(index)]));
    // The box may have reset the records; the list itself is unchanged, but a
    // file could have vanished meanwhile.
    Rebuild();
    return true;
}

std::string FolderNameProblem(const std::string& name) {
    if (TrackFolderNameValid(name)) return {};
    if (name.find_first_not_of(' ') == std::string::npos) return "The name is empty.";
    if (int(name.size()) > kMaxTrackFolderName)
        return "A folder name has at most " + std::to_string(kMaxTrackFolderName) + " characters.";
    return "A folder name may not start with a point, end in a blank or a point, or hold \\ / : * ? \" < > |.";
}
