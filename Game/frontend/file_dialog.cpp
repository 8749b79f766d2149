// The file dialog (screen 7): the files of one folder by name without their
// extension, a name field, and Cancel, Delete and Load or Save. It runs
// modally over the screen it was opened from, which comes back afterwards.
#include "Game/frontend/frontend_internal.h"

#include <sys/stat.h>

#include <cstdio>

#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"

namespace {

constexpr int kFileNameLength = 32;
enum { kFdCancel = 0, kFdDelete, kFdAction, kFdList, kFdName };

WidgetArray fileDialog;
int dialogMode = kFileDialogLoad;
std::string dialogFolder, dialogExtension;
const FileDialogActions* dialogActions = nullptr;

std::string ActionText() { return texts[dialogMode == kFileDialogSave ? kTextSave : kTextLoad]; }

std::string PathOf(const std::string& name) { return dialogFolder + "/" + name + "." + dialogExtension; }

// A name the field may hand to the file system: it stays inside the folder.
bool NameUsable(const std::string& name) {
    if (name.empty() || name.find_first_not_of(' ') == std::string::npos) return false;
    if (name[0] == '.' || name.find("..") != std::string::npos) return false;
    return name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

int FindName(const std::string& name) {
    const std::vector<ListEntry>& entries = fileDialog[kFdList].list->entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].text == name) return int(i);
    }
    return -1;
}

void FillFileList() {
    EnterBaseDirectory();
    std::vector<std::string> names;
    ListDirectory(dialogFolder, dialogExtension, names, kListFiles, kFileNameLength);
    Widget& list = fileDialog[kFdList];
    ListClear(list);
    for (const std::string& n : names) ListAdd(list, n);
}

void Backdrop() {
    DrawPage(ActionText() + " " + texts[kTextGame]);
    DrawCaption(texts[kTextFiles], 22, 6.5f, 36, kCaptionColour, false);
    DrawCaption(texts[kTextFilename], 22, 37.5f, 36, kCaptionColour, false);
}

void OnPick(Widget& list) {
    if (list.list->selected >= 0) SetFieldText(fileDialog[kFdName], list.list->entries[size_t(list.list->selected)].text);
}

void OnCancel(Widget&) { EndModal(0); }

void OnDelete(Widget&) {
    std::string name = fileDialog[kFdName].text;
    int index = FindName(name);
    if (index < 0) return;
    if (!ShowMessageBox(kBoxYesNo, texts[kTextReallyDelete] + " '" + name + "'?", texts[kTextDeleteFile])) return;
    EnterBaseDirectory();
    // The listed file, whatever the letters of its extension.
    std::string path = PathOf(name), found;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 && FindFileNoCase(dialogFolder, name + "." + dialogExtension, found)) path = found;
    std::remove(path.c_str());  // a file already gone only leaves the list
    FillFileList();
    SetFieldText(fileDialog[kFdName], "");
    RepaintScreen();
}

void OnAction(Widget&) {
    std::string name = fileDialog[kFdName].text;
    if (!NameUsable(name)) {
        ShowMessageBox(kBoxOk, "A file name needs more than blanks, may not begin with '.' and holds no '/', '\\' or \"..\".",
                       texts[dialogMode == kFileDialogSave ? kTextSaveGame : kTextLoadGame]);
        return;
    }
    bool listed = FindName(name) >= 0;
    if (dialogMode == kFileDialogSave) {
        if (listed && !ShowMessageBox(kBoxYesNo, texts[kTextOverwriteFileStart] + name + texts[kTextOverwriteFileEnd], texts[kTextSaveGame])) return;
        EnterBaseDirectory();
        mkdir(dialogFolder.c_str(), 0777);
        // A save action that fails has said why in its own box.
        bool saved = dialogActions && dialogActions->save && dialogActions->save(name);
        if (!saved) return;
        EndModal(1);
        return;
    }
    if (!listed) {
        ShowMessageBox(kBoxOk, texts[kTextMissingFileStart] + name + texts[kTextMissingFileEnd], texts[kTextLoadGame]);
        return;
    }
    if (!dialogActions || !dialogActions->load || dialogActions->load(name) < 0) {
        ShowMessageBox(kBoxOk, texts[kTextLoadFailed], texts[kTextLoadGame]);
        return;
    }
    EndModal(1);
}

}  // namespace

void BuildFileDialog() {
    fileDialog.resize(5);
    MakeButton(fileDialog[kFdCancel], texts[kTextCancel], 10, 46, 20, 3, OnCancel, kWidgetCancel);
    MakeButton(fileDialog[kFdDelete], texts[kTextDelete], 30, 46, 20, 3, OnDelete, 0);
    MakeButton(fileDialog[kFdAction], ActionText(), 50, 46, 20, 3, OnAction, kWidgetDefault);
    MakeList(fileDialog[kFdList], OnPick, 28, 34, 2, 2, 0, 22, 9, 36);
    MakeTextField(fileDialog[kFdName], "", 22, 40, 36, 3, kFileNameLength);
    for (Widget& w : fileDialog) w.style = kStyleShowsFocus;
}

void FreeFileDialog() { fileDialog.clear(); }

bool ShowFileDialog(int mode, const std::string& folder, const std::string& extension,
                    const FileDialogActions& actions) {
    dialogMode = mode;
    dialogFolder = folder;
    dialogExtension = extension;
    dialogActions = &actions;
    if (fileDialog.empty()) BuildFileDialog();
    fileDialog[kFdAction].text = ActionText();
    SetFieldText(fileDialog[kFdName], "");
    FillFileList();
    bool done = RunModal(kScreenFileDialog, fileDialog, kScreenArrowKeys, Backdrop, kFdName) == 1;
    dialogActions = nullptr;
    return done;
}
