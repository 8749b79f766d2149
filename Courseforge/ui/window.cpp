// The main dialog: every control in its order, with its caption and shortcut,
// laid out as a column of three sub-columns left of the view. Each control's
// callback runs one editor operation and then redraws what it reports.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hor_Nice_Slider.H>
#include <FL/Fl_Radio_Round_Button.H>
#include <FL/Fl_Toggle_Button.H>

#include <cstring>
#include <string>
#include <vector>

#include "Courseforge/ui/ui.h"
#include "Courseforge/view.h"
#include "trackfile/object_types.h"

namespace {

// The window catches the accelerators, Tab and Enter before the controls see
// them, and takes files dropped on it.
class MainWindow : public Fl_Double_Window {
public:
    MainWindow(int w, int h) : Fl_Double_Window(w, h) {}
    int handle(int event) override;
};

// "Delete Object" stays down only while it has the focus.
class DeleteToggle : public Fl_Toggle_Button {
public:
    DeleteToggle(int x, int y, int w, int h, const char* l) : Fl_Toggle_Button(x, y, w, h, l) {}
    int handle(int event) override;
};

struct Controls {
    Fl_Button *undoLand, *undoHeight;
    DeleteToggle* deleteObject;
    Fl_Button *deletePitCrew, *deleteCheckpoint, *deleteLimiter, *deleteAi, *deletePitAi;
    std::vector<std::pair<Fl_Radio_Round_Button*, int>> tools;   // radio and its tool number
    Fl_Choice* objectList;
    Fl_Hor_Nice_Slider *brushSize, *ropeLength, *blend;
    Fl_Check_Button *showObjects, *showAiLines, *showCheckpoints, *showLimiters, *showTestMarks;
    Fl_Check_Button *zoom2, *zoom4;
};

MainWindow* gWindow = nullptr;
Controls gUi;
std::vector<Fl_Widget*> gFocusRing;     // Tab order: the controls in the order they were made
std::string gTitle;
bool gDropPending = false;              // the next paste event carries dropped files

const int kRow = 26;                    // button row pitch
const int kRadioRow = 21;               // radio and check box row pitch
const int kColW = 138;                  // sub-column width
const int kCol[3] = {8, 8 + kColW + 6, 8 + 2 * (kColW + 6)};  // sub-column left edges
const int kPanelW = kCol[2] + kColW;    // right edge of the control column
const int kHalf = (kPanelW - 8 - 8) / 2;  // width of a half row
const int kRight = 8 + kHalf + 8;       // left edge of a right half row
const int kPairW = (kHalf - 50 - 4) / 2;  // a button of a labelled pair

template <typename W> W* Add(W* w) {
    gFocusRing.push_back(w);
    return w;
}

Fl_Box* Label(int x, int y, int w, int h, const char* text) {
    Fl_Box* b = new Fl_Box(x, y, w, h, text);
    b->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    return b;
}

Fl_Box* Frame(int x, int y, int w, int h, const char* text = nullptr) {
    Fl_Box* b = new Fl_Box(FL_ENGRAVED_FRAME, x, y, w, h, text);
    if (text) {
        b->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
        b->labelfont(FL_HELVETICA_BOLD);
    }
    return b;
}

// A button whose & letter answers Alt+letter only, never the bare letter.
Fl_Button* Button(int x, int y, int w, int h, const char* text, Fl_Callback* cb, void* data = nullptr) {
    Fl_Button* b = Add(new Fl_Button(x, y, w, h, text));
    if (const char* amp = std::strchr(text, '&')) b->shortcut(FL_ALT | (amp[1] | 0x20));
    b->callback(cb, data);
    return b;
}

void SetEnabled(Fl_Widget* w, bool on) {
    if (on) w->activate();
    else w->deactivate();
}

// ---- Commands -----------------------------------------------------------------

void OnNew(Fl_Widget*, void*) {
    EditorResult r = EditorNew(editor);
    SyncControls();
    UpdateTitle();
    ApplyResult(r, true);
}

void OnLoad(Fl_Widget*, void*) {
    std::string path = ChooseFile(false, "Load track", kTrackFilter, "trk", "");
    if (!path.empty()) OpenTrack(path.c_str());
}

void OnSave(Fl_Widget*, void*) {
    std::string flaws = EditorFlawCheck(editor.doc);
    if (!flaws.empty() && !AskYesNo(flaws.c_str(), kCaptionCourseforge)) return;
    // Then what computer cars need, as a warning the author may accept.
    std::string warning = EditorRaceWarning(EditorRaceCheck(editor.doc));
    if (!warning.empty() && !AskYesNo(warning.c_str(), kCaptionCourseforge)) return;
    std::string path = ChooseFile(true, "Save track", kTrackFilter, "trk", editor.doc.fileName);
    if (path.empty()) return;
    ApplyResult(EditorSave(editor, path.c_str()), true);
    UpdateTitle();
}

void OnLaunch(Fl_Widget*, void*) { LaunchGame(); }

void OnTestAi(Fl_Widget*, void*) { RunAiTest(); }

void OnProperties(Fl_Widget*, void*) { RunPropertiesDialog(); }

void OnImportAi(Fl_Widget*, void*) {
    std::string path = ChooseFile(false, "Import AI line", kTrackFilter, "trk", "");
    if (!path.empty()) ApplyResult(EditorImportAiLine(editor, path.c_str()), true);
}

void OnImport(Fl_Widget*, void* land) {
    std::string path = ChooseFile(false, land ? "Import land" : "Import height", kBitmapFilter, "bmp", "");
    if (path.empty()) return;
    ApplyResult(land ? EditorImportLand(editor, path.c_str()) : EditorImportHeight(editor, path.c_str()), true);
}

void OnExport(Fl_Widget*, void* land) {
    std::string path = ChooseFile(true, land ? "Export land" : "Export height", kBitmapFilter, "bmp", "");
    if (path.empty()) return;
    ApplyResult(land ? EditorExportLand(editor, path.c_str()) : EditorExportHeight(editor, path.c_str()), true);
}

void OnUndo(Fl_Widget*, void* land) {
    ApplyResult(land ? EditorUndoLand(editor) : EditorUndoHeight(editor), true);
}

void OnFlatten(Fl_Widget*, void*) { ApplyResult(EditorFlattenHeights(editor), true); }

void OnDeleteObject(Fl_Widget* w, void*) {
    editor.controls.deleteMode = static_cast<Fl_Toggle_Button*>(w)->value() != 0;
    ViewRedrawMarkers(editor);   // the cursor object hides in delete mode
    RefreshView(true);
}

// Delete buttons: which list is given as a small number.
void OnDelete(Fl_Widget*, void* which) {
    switch (reinterpret_cast<intptr_t>(which)) {
    case 0: ApplyResult(EditorDeletePitCrew(editor), true); break;
    case 1: ApplyResult(EditorDeleteCheckpoint(editor), true); break;
    case 2: ApplyResult(EditorDeleteLimiter(editor), true); break;
    case 3: ApplyResult(EditorDeleteAiPoint(editor), true); break;
    default: ApplyResult(EditorDeletePitAiPoint(editor), true); break;
    }
}

void OnTool(Fl_Widget*, void* tool) {
    EditorSelectTool(editor, int(reinterpret_cast<intptr_t>(tool)));
    ViewRedrawMarkers(editor);   // cursor markers come and go with the tool
    RefreshView(true);
}

void OnObjectList(Fl_Widget* w, void*) {
    Fl_Choice* c = static_cast<Fl_Choice*>(w);
    const Fl_Menu_Item* item = c->mvalue();
    if (!item) return;
    EditorSelectObjectType(editor, int(item->argument()));
    SyncControls();
    ViewRedrawMarkers(editor);
    RefreshView(true);
}

void OnRotate(Fl_Widget*, void* places) {
    ApplyResult(EditorRotateAiLine(editor, int(reinterpret_cast<intptr_t>(places))), true);
}

void OnSlider(Fl_Widget*, void*) {
    EditorControls& c = editor.controls;
    c.brushSize = int(gUi.brushSize->value()) * 5;
    c.ropeLength = int(gUi.ropeLength->value()) * 10;
    int blend = int(gUi.blend->value());
    if (blend != c.blend) {
        c.blend = blend;
        ViewRedrawAll(editor);
        RefreshView(true);
    }
}

void OnShow(Fl_Widget*, void*) {
    EditorControls& c = editor.controls;
    c.showObjects = gUi.showObjects->value();
    c.showAiLines = gUi.showAiLines->value();
    c.showCheckpoints = gUi.showCheckpoints->value();
    c.showLimiters = gUi.showLimiters->value();
    c.showTestMarks = gUi.showTestMarks->value();
    ViewRedrawMarkers(editor);
    RefreshView(true);
}

void OnZoom(Fl_Widget* w, void*) {
    Fl_Check_Button* box = static_cast<Fl_Check_Button*>(w);
    Fl_Check_Button* other = box == gUi.zoom2 ? gUi.zoom4 : gUi.zoom2;
    if (box->value()) other->value(0);
    SetViewZoom(gUi.zoom2->value() ? kZoom2x : gUi.zoom4->value() ? kZoom4x : kZoomOff);
}

// ---- Keyboard and drops ---------------------------------------------------------

void MoveFocus(bool backwards) {
    int n = int(gFocusRing.size()), at = -1;
    for (int i = 0; i < n; ++i)
        if (gFocusRing[i] == Fl::focus()) at = i;
    for (int step = 1; step <= n; ++step) {
        int i = at < 0 ? (backwards ? n - step : step - 1) : ((at + (backwards ? -step : step)) % n + n) % n;
        Fl_Widget* w = gFocusRing[i];
        if (w->active_r() && w->visible_r() && w->take_focus()) return;
    }
}

// Enter presses the focused button, check box or radio button.
bool PressFocused() {
    Fl_Button* b = dynamic_cast<Fl_Button*>(Fl::focus());
    if (!b || !b->active_r()) return false;
    if (b->type() == FL_RADIO_BUTTON) b->setonly();
    else if (b->type() == FL_TOGGLE_BUTTON) b->value(!b->value());
    b->do_callback();
    return true;
}

// Ctrl or Alt with these letters run the dialog's accelerators.
bool Accelerator(int key) {
    switch (key) {
    case 'a': OnImportAi(nullptr, nullptr); return true;
    case 'g': OnLaunch(nullptr, nullptr); return true;
    case 'n': OnNew(nullptr, nullptr); return true;
    case 'o': OnLoad(nullptr, nullptr); return true;
    case 'p': OnProperties(nullptr, nullptr); return true;
    case 's': OnSave(nullptr, nullptr); return true;
    default: return false;
    }
}

// Dropped files arrive as a list of URIs or paths, one per line; the first counts.
std::string FirstDroppedPath(const char* text) {
    std::string line(text, std::strcspn(text, "\r\n"));
    if (line.compare(0, 7, "file://") == 0) {
        line.erase(0, 7);
        line.erase(0, line.find('/'));   // drop a host name, if any
    }
    auto hex = [](char c) {
        c = char(c | 0x20);
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    std::string path;   // URIs escape special characters as %XX
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '%' && i + 2 < line.size() && hex(line[i + 1]) >= 0 && hex(line[i + 2]) >= 0) {
            path += char(hex(line[i + 1]) * 16 + hex(line[i + 2]));
            i += 2;
        } else {
            path += line[i];
        }
    }
    return path;
}

int MainWindow::handle(int event) {
    switch (event) {
    case FL_KEYBOARD:
    case FL_SHORTCUT: {
        int key = Fl::event_key();
        int mods = Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
        if ((mods & (FL_CTRL | FL_ALT)) && !(mods & FL_META) && key < 128 && Accelerator(key | 0x20)) return 1;
        if (event == FL_KEYBOARD && key == FL_Tab && !(mods & (FL_CTRL | FL_ALT))) {
            MoveFocus(mods & FL_SHIFT);
            return 1;
        }
        if (event == FL_KEYBOARD && (key == FL_Enter || key == FL_KP_Enter) && !mods && PressFocused()) return 1;
        if (key == FL_Escape) return 1;   // a dialog window closes on Escape; the editor doesn't
        break;
    }
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_LEAVE:
        return 1;
    case FL_DND_RELEASE:
        gDropPending = true;
        return 1;
    case FL_PASTE:
        if (gDropPending) {
            gDropPending = false;
            std::string path = FirstDroppedPath(Fl::event_text());
            if (!path.empty()) OpenTrack(path.c_str());
            return 1;
        }
        break;
    default:
        break;
    }
    return Fl_Double_Window::handle(event);
}

int DeleteToggle::handle(int event) {
    int used = Fl_Toggle_Button::handle(event);
    if (event == FL_UNFOCUS && value()) {
        value(0);
        do_callback();
    }
    return used;
}

void WindowClosed(Fl_Widget* w, void*) {
    // Escape also arrives here as a close request; only the close button quits.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    w->hide();
}

}  // namespace

// ---- Layout ---------------------------------------------------------------------

Fl_Window* CreateMainWindow() {
    const int viewX = kPanelW + 4;
    gWindow = new MainWindow(viewX + kViewSize + 16, kViewSize + 16);
    gWindow->callback(WindowClosed);
    gFocusRing.clear();

    // Track commands.
    int y = 6;
    Frame(4, 2, kPanelW - 4 + 2, 6 * kRow + 10);
    Button(kCol[0], y, kColW, 24, "&New", OnNew);
    Button(kCol[1], y, kColW, 24, "L&oad...", OnLoad);
    Button(kCol[2], y, kColW, 24, "&Save...", OnSave);
    y += kRow;
    Button(kCol[0], y, kColW, 24, "Launch &Dustwhirl", OnLaunch);
    Button(kCol[1], y, kColW, 24, "Track &properties...", OnProperties);
    Button(kCol[2], y, kColW, 24, "Import &AI line...", OnImportAi);
    y += kRow + 4;
    Label(kCol[0], y, 50, 24, "Import");
    Button(58, y, kPairW, 24, "Land", OnImport, (void*)1);
    Button(62 + kPairW, y, kPairW, 24, "Height", OnImport, nullptr);
    Label(kRight, y, 50, 24, "Export");
    Button(kRight + 50, y, kPairW, 24, "Land", OnExport, (void*)1);
    Button(kRight + 54 + kPairW, y, kPairW, 24, "Height", OnExport, nullptr);
    y += kRow;
    Label(kCol[0], y, 50, 24, "Undo");
    gUi.undoLand = Button(58, y, kPairW, 24, "Land", OnUndo, (void*)1);
    gUi.undoHeight = Button(62 + kPairW, y, kPairW, 24, "Height", OnUndo, nullptr);
    Button(kRight, y, kPanelW - kRight, 24, "Flatten Height Map", OnFlatten);
    y += kRow;
    gUi.deleteObject = Add(new DeleteToggle(kCol[0], y, kColW, 24, "Delete Object"));
    gUi.deleteObject->callback(OnDeleteObject);
    gUi.deletePitCrew = Button(kCol[1], y, kColW, 24, "Delete Pit Crew", OnDelete, (void*)0);
    gUi.deleteCheckpoint = Button(kCol[2], y, kColW, 24, "Delete Checkpoint", OnDelete, (void*)1);
    y += kRow;
    gUi.deleteLimiter = Button(kCol[0], y, kColW, 24, "Delete Limiter", OnDelete, (void*)2);
    Label(kCol[1], y, 50, 24, "Delete");
    const int lineW = (kPanelW - kCol[1] - 50 - 4) / 2;
    gUi.deleteAi = Button(kCol[1] + 50, y, lineW, 24, "AI", OnDelete, (void*)3);
    gUi.deletePitAi = Button(kPanelW - lineW, y, lineW, 24, "Pit AI", OnDelete, (void*)4);

    // Tools: land brushes, height tools, markers and lines.
    y = 6 * kRow + 20;
    Frame(4, y - 4, kPanelW - 4 + 2, 9 * kRadioRow + 8);
    auto tool = [&](int col, int row, const char* text, int number) {
        Fl_Radio_Round_Button* b = Add(new Fl_Radio_Round_Button(kCol[col], y + row * kRadioRow, kColW, 20, text));
        b->callback(OnTool, reinterpret_cast<void*>(intptr_t(number)));
        gUi.tools.push_back({b, number});
    };
    const char* landNames[] = {"Tarmac #1", "Tarmac #2", "Grass",       "Gravel", "Sand",
                               "Snow",      "White line", "Yellow line", "Kerb",   "Oil"};
    for (int i = 0; i < 10; ++i) tool(i / 6, i % 6, landNames[i], i);
    tool(1, 4, "Mud", kToolMud);
    tool(2, 0, "HMap adjust", kToolHeightAdjust);
    tool(2, 1, "HMap smooth", kToolHeightSmooth);
    tool(0, 6, "Checkpoint", kToolCheckpoint);
    tool(1, 6, "Limiters", kToolLimiters);
    tool(2, 6, "Pit Crew", kToolPitCrew);
    tool(0, 7, "Object:", kToolObject);
    tool(0, 8, "AI line", kToolAiLine);
    tool(1, 8, "AI line (pit)", kToolPitAiLine);
    gUi.objectList = Add(new Fl_Choice(kCol[1], y + 7 * kRadioRow, 2 * kColW + 6, 20));
    for (int i = 0; i < kObjectListLength; ++i) {
        int code = kObjectListOrder[i];
        // Names go in as raw labels: a '/' or '&' in them is not a menu path or shortcut.
        int at = gUi.objectList->add("x", 0, OnObjectList, reinterpret_cast<void*>(intptr_t(code)));
        gUi.objectList->replace(at, ObjectTypeName(code));
    }
    gUi.objectList->callback(OnObjectList);

    // Rotate AI Line.
    y += 9 * kRadioRow + 10;
    Frame(4, y - 2, kPanelW - 4 + 2, 30);
    Label(kCol[0], y + 1, kColW, 24, "Rotate AI Line");
    const char* arrows[] = {"<<", "<", ">", ">>"};
    const int places[] = {-10, -1, 1, 10};
    const int arrowW = (kPanelW - kCol[1] - 3 * 4) / 4;
    for (int i = 0; i < 4; ++i)
        Button(kCol[1] + i * (arrowW + 4), y + 1, arrowW, 24, arrows[i], OnRotate,
               reinterpret_cast<void*>(intptr_t(places[i])));

    // Sliders, visibility and zoom.
    y += 36;
    Frame(4, y - 2, kPanelW - 4 + 2, kViewSize + 16 - y - 2);
    auto slider = [&](int col, const char* text, int lo, int hi, int value) {
        Label(kCol[col], y, kColW, 18, text);
        Fl_Hor_Nice_Slider* s = Add(new Fl_Hor_Nice_Slider(kCol[col], y + 20, kColW, 20));
        s->bounds(lo, hi);
        s->step(1);
        s->value(value);
        s->callback(OnSlider);
        return s;
    };
    gUi.brushSize = slider(0, "Brush Size", 1, 10, editor.controls.brushSize / 5);
    gUi.ropeLength = slider(1, "Rope Length", 0, 10, editor.controls.ropeLength / 10);
    gUi.blend = slider(2, "Height/Land", 0, 10, editor.controls.blend);
    y += 48;
    auto check = [&](int x, int yy, int w, const char* text, Fl_Callback* cb) {
        Fl_Check_Button* b = Add(new Fl_Check_Button(x, yy, w, 20, text));
        b->callback(cb);
        return b;
    };
    gUi.showObjects = check(kCol[0], y, kColW, "Show Objects", OnShow);
    gUi.showAiLines = check(kCol[1], y, kColW, "Show AI Lines", OnShow);
    gUi.showCheckpoints = check(kCol[2], y, kColW, "Show Checkpoints", OnShow);
    gUi.showLimiters = check(kCol[0], y + kRadioRow, kColW, "Show Limiters", OnShow);
    // The test controls come before the zoom boxes, which stay last in the Tab order.
    gUi.showTestMarks = check(kCol[2], y + kRadioRow, kColW, "Show AI Test", OnShow);
    Button(kCol[0], y + 2 * kRadioRow + 1, kColW, 22, "Test with AI...", OnTestAi);
    Label(kCol[1], y + kRadioRow, 46, 20, "Zoom:");
    gUi.zoom2 = check(kCol[1] + 46, y + kRadioRow, 50, "2x", OnZoom);
    gUi.zoom4 = check(kCol[1] + 100, y + kRadioRow, 50, "4x", OnZoom);

    CreateViewWidget(viewX, 0);
    gWindow->end();
    SyncControls();
    UpdateTitle();
    return gWindow;
}

void SyncControls() {
    const EditorControls& c = editor.controls;
    for (auto& [radio, number] : gUi.tools) radio->value(number == c.tool);
    for (int i = 0; i < gUi.objectList->size() - 1; ++i)
        if (gUi.objectList->menu()[i].argument() == c.objectType) gUi.objectList->value(i);
    gUi.deleteObject->value(c.deleteMode);
    gUi.showObjects->value(c.showObjects);
    gUi.showAiLines->value(c.showAiLines);
    gUi.showCheckpoints->value(c.showCheckpoints);
    gUi.showLimiters->value(c.showLimiters);
    gUi.showTestMarks->value(c.showTestMarks);
    EditorButtonStates b = EditorButtons(editor);
    SetEnabled(gUi.undoLand, b.undoLand);
    SetEnabled(gUi.undoHeight, b.undoHeight);
    SetEnabled(gUi.deletePitCrew, b.deletePitCrew);
    SetEnabled(gUi.deleteCheckpoint, b.deleteCheckpoint);
    SetEnabled(gUi.deleteLimiter, b.deleteLimiter);
    SetEnabled(gUi.deleteAi, b.deleteAi);
    SetEnabled(gUi.deletePitAi, b.deletePitAi);
}

void UpdateTitle() {
    gTitle = EditorTitle(editor.doc);
    if (gWindow) gWindow->label(gTitle.c_str());
}

void ApplyResult(const EditorResult& r, bool force) {
    ViewApplyResult(editor, r);
    SyncControls();
    bool changed = r.full || r.markers || (r.x0 < r.x1 && r.y0 < r.y1);
    if (changed || force) RefreshView(force);
    if (r.message) ShowMessage(r.message, r.caption ? r.caption : kCaptionCourseforge);
}

void OpenTrack(const char* path) {
    EditorResult r = EditorLoad(editor, path);
    if (r.ok) UpdateTitle();
    ApplyResult(r, true);
}
