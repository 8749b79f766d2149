// Courseforge's entry: works out where the editor and the game are, sets up
// a new track, opens the main window and loads the track named on the
// command line, if any.
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "Courseforge/ui/ui.h"
#include "Courseforge/view.h"

std::string editorDir;

namespace {

std::string ExecutableFolder(const char* argv0) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string path = n > 0 ? std::string(buf, size_t(n)) : std::string(argv0 ? argv0 : "");
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string FullPath(const char* path) {
    if (char* real = realpath(path, nullptr)) {
        std::string s = real;
        free(real);
        return s;
    }
    if (path[0] == '/') return path;
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : std::string(path);
}

}  // namespace

int main(int argc, char** argv) {
    std::srand(unsigned(std::time(nullptr)));
    signal(SIGCHLD, SIG_IGN);   // the launched game is never waited for
    editorDir = ExecutableFolder(argc > 0 ? argv[0] : nullptr);

    EditorInit(editor);
    editor.doc.gamePath = FindGamePath(argc > 0 ? argv[0] : nullptr);
    ViewRedrawAll(editor);

    Fl::visual(FL_RGB);
    Fl::scheme("gtk+");
    FL_NORMAL_SIZE = 13;
    fl_close = "OK";   // message boxes answer with OK, as the editor always has
    Fl_Window* window = CreateMainWindow();
    LoadViewCursor(editorDir + "/courseforge.cur");
    window->show();
    if (argc > 1) OpenTrack(FullPath(argv[1]).c_str());
    return Fl::run();
}
