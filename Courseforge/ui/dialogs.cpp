// Message boxes, file choosers, the modal "Track properties" dialog and
// starting the game.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hor_Nice_Slider.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "Courseforge/ui/ui.h"
#include "Courseforge/view.h"

extern char** environ;

void ShowMessage(const char* text, const char* caption) {
    fl_message_title(caption);
    fl_message("%s", text);
}

bool AskYesNo(const char* text, const char* caption) {
    fl_message_title(caption);
    // Buttons run right to left: "No" answers Escape, "Yes" is the default.
    return fl_choice("%s", "No", "Yes", nullptr, text) == 1;
}

namespace {

// One filter line for the chooser, which shows a filter as its name followed
// directly by "(pattern)". A description that already ends in its own pattern
// ("Bitmaps (*.bmp)" for "*.BMP") is split there so it reads exactly as given;
// the pattern then matches as written in the description. "*.*" means every file.
std::string FilterLine(const char* description, const char* pattern) {
    std::string name = description, pat = pattern;
    if (pat == "*.*") pat = "*";
    size_t open = name.rfind('(');
    if (open != std::string::npos && name.back() == ')') {
        std::string shown = name.substr(open + 1, name.size() - open - 2);
        if (strcasecmp(shown.c_str(), pattern) == 0) {
            pat = shown;
            name.erase(open);
        }
    }
    return name + "\t" + pat + "\n";
}

bool HasExtension(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Folder(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool Spawn(const std::string& path) {
    if (path.empty() || access(path.c_str(), X_OK) != 0) return false;
    // The editor ignores finished children; the game gets default signal handling.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    pid_t pid;
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    int rc = posix_spawn(&pid, path.c_str(), nullptr, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

}  // namespace

std::string ChooseFile(bool save, const char* title, const char* const filter[2][2], const char* defaultExt,
                       const std::string& preset) {
    Fl_Native_File_Chooser chooser;
    chooser.title(title);
    chooser.type(save ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE : Fl_Native_File_Chooser::BROWSE_FILE);
    if (save) chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM | Fl_Native_File_Chooser::NEW_FOLDER);
    std::string filters;
    for (int i = 0; i < 2; ++i) filters += FilterLine(filter[i][0], filter[i][1]);
    chooser.filter(filters.c_str());
    // Start in the folder of the preset file, else in the current folder.
    std::string folder = Folder(preset);
    char cwd[4096];
    if (folder.empty() && getcwd(cwd, sizeof cwd)) folder = cwd;
    if (!folder.empty()) chooser.directory(folder.c_str());
    if (!preset.empty()) chooser.preset_file(preset.substr(preset.find_last_of('/') + 1).c_str());
    if (chooser.show() != 0 || !chooser.filename() || !*chooser.filename()) return std::string();
    std::string path = chooser.filename();
    if (save && defaultExt && !HasExtension(path)) path += std::string(".") + defaultExt;
    return path;
}

std::string FindGamePath(const char* argv0) {
    std::string beside = editorDir.empty() ? std::string() : editorDir + "/Dustwhirl";
    if (!beside.empty() && FileExists(beside)) return beside;
    std::string folder = Folder(argv0 ? argv0 : "");
    return folder.empty() ? std::string("Dustwhirl") : folder + "/Dustwhirl";
}

void LaunchGame() {
    std::string& path = editor.doc.gamePath;
    if (path.empty()) {
        char cwd[4096];
        path = std::string(getcwd(cwd, sizeof cwd) ? cwd : ".") + "/Dustwhirl";
    }
    if (Spawn(path)) return;
    static const char* const gameFilter[2][2] = {{"Dustwhirl Executable (Dustwhirl)", "Dustwhirl"}, {"All Files", "*.*"}};
    std::string chosen = ChooseFile(false, "Where is Dustwhirl?", gameFilter, nullptr, path);
    if (chosen.empty()) return;
    path = chosen;
    Spawn(path);
}

// ---- Track properties ---------------------------------------------------------------

namespace {

// A slider with tick marks under its track: one every `tickStep` from the
// low end, and one at the high end, each under the knob's centre at that value.
class TickSlider : public Fl_Hor_Nice_Slider {
public:
    static constexpr int kStrip = 6;  // pixels below the track for the ticks
    TickSlider(int x, int y, int w, int h, int tickStep) : Fl_Hor_Nice_Slider(x, y, w, h), tickStep_(tickStep) {}
    void draw() override;
    int handle(int event) override;

private:
    int tickStep_;
    int TrackX() const { return x() + Fl::box_dx(box()); }
    int TrackY() const { return y() + Fl::box_dy(box()); }
    int TrackW() const { return w() - Fl::box_dw(box()); }
    int TrackH() const { return h() - Fl::box_dh(box()) - kStrip; }
};

void TickSlider::draw() {
    if (damage() & FL_DAMAGE_ALL) draw_box();
    Fl_Slider::draw(TrackX(), TrackY(), TrackW(), TrackH());
    if (!(damage() & FL_DAMAGE_ALL) || tickStep_ <= 0 || maximum() <= minimum()) return;
    // The knob's width as the slider works it out; its centre marks the value.
    int knob = std::max(int(slider_size() * TrackW() + .5), TrackH() / 2 + 1 + 4);
    const double lo = minimum(), hi = maximum();
    fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
    const int top = TrackY() + TrackH() + 1;
    for (double v = lo;; v += tickStep_) {
        if (v > hi) v = hi;
        int at = TrackX() + int((v - lo) / (hi - lo) * (TrackW() - knob) + .5) + knob / 2;
        fl_yxline(at, top, top + kStrip - 3);
        if (v >= hi) break;
    }
}

int TickSlider::handle(int event) {
    if (event == FL_PUSH && Fl::visible_focus()) {
        Fl::focus(this);
        redraw();
    }
    return Fl_Slider::handle(event, TrackX(), TrackY(), TrackW(), TrackH());
}

struct PropertySlider {
    TickSlider* slider;
    Fl_Box* number;
    char text[8];
};

void ShowNumber(Fl_Widget*, void* data) {
    PropertySlider* p = static_cast<PropertySlider*>(data);
    std::snprintf(p->text, sizeof p->text, "%d", int(p->slider->value()));
    p->number->label(p->text);
    p->number->redraw();
}

bool gPropertiesOk = false;
void PropertiesOk(Fl_Widget* w, void*) {
    gPropertiesOk = true;
    w->window()->hide();
}
void PropertiesCancel(Fl_Widget* w, void*) { w->window()->hide(); }

}  // namespace

bool RunPropertiesDialog() {
    TrackProperties p = EditorGetProperties(editor.doc);
    Fl_Double_Window win(420, 430, "Track properties");
    PropertySlider sliders[5];
    struct Row { const char* label; int lo, hi, tick, value; } rows[5] = {
        {"Water level", 0, 255, 64, p.waterLevel}, {"View angle", 10, 90, 20, p.viewAngle},
        {"Rotation", -180, 180, 90, p.rotation},  {"Zoom", 10, 255, 100, p.zoom},
        {"World size", 25, 255, 10, p.worldSize},
    };
    int y = 12;
    for (int i = 0; i < 5; ++i) {
        Fl_Box* label = new Fl_Box(12, y, 100, 22, rows[i].label);
        label->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
        sliders[i].slider = new TickSlider(112, y, 240, 22 + TickSlider::kStrip, rows[i].tick);
        sliders[i].slider->bounds(rows[i].lo, rows[i].hi);
        sliders[i].slider->step(1);
        sliders[i].slider->value(rows[i].value);
        sliders[i].number = new Fl_Box(358, y, 50, 22);
        sliders[i].number->align(FL_ALIGN_INSIDE | FL_ALIGN_RIGHT);
        sliders[i].slider->callback(ShowNumber, &sliders[i]);
        sliders[i].slider->when(FL_WHEN_CHANGED);
        ShowNumber(nullptr, &sliders[i]);
        y += 30 + TickSlider::kStrip;
    }
    Fl_Check_Button sfLine(112, y, 120, 22, "S/F Line");
    sfLine.value(p.sfLine);
    y += 30;
    Fl_Box lengthLabel(12, y, 100, 22, "Track length");
    lengthLabel.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    char length[16];
    std::snprintf(length, sizeof length, "%u", EditorTrackLength(editor.doc));
    Fl_Box lengthValue(112, y, 120, 22, length);
    lengthValue.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    y += 30;
    Fl_Input author(112, y, 296, 24, "Author");
    author.maximum_size(30);
    author.value(p.author.c_str());
    y += 34;
    Fl_Multiline_Input comments(12, y + 18, 396, 96, "Author's comments");
    comments.align(FL_ALIGN_TOP_LEFT);
    comments.maximum_size(500);
    comments.wrap(1);
    comments.value(p.comments.c_str());
    y += 18 + 96 + 12;
    Fl_Return_Button ok(228, y, 86, 26, "OK");
    ok.callback(PropertiesOk);
    Fl_Button cancel(322, y, 86, 26, "Cancel");
    cancel.callback(PropertiesCancel);
    win.end();
    win.size(win.w(), y + 38);
    win.set_modal();
    gPropertiesOk = false;
    win.show();
    while (win.shown()) Fl::wait();
    if (!gPropertiesOk) return false;

    p.waterLevel = int(sliders[0].slider->value());
    p.viewAngle = int(sliders[1].slider->value());
    p.rotation = int(sliders[2].slider->value());
    p.zoom = int(sliders[3].slider->value());
    p.worldSize = int(sliders[4].slider->value());
    p.sfLine = sfLine.value() != 0;
    p.author = author.value();
    p.comments = comments.value();
    ApplyResult(EditorSetProperties(editor, p), true);
    return true;
}
