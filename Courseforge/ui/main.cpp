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

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "Courseforge/ui/ui.h"
#include "Courseforge/view.h"
#include "trackfile/game_folder.h"
#include "trackfile/program_options.h"

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

const char kUsage[] =
    "Usage: Courseforge [TRACK.trk]\n"
    "       Courseforge --help | --version\n"
    "\n"
    "Opens the track editor, with TRACK.trk loaded when one is named.\n";

}  // namespace

int main(int argc, char** argv) {
    int answered = AnswerHelpOrVersion(argc, argv, "Courseforge", kUsage);
    if (answered >= 0) return answered;
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) return UsageError("Courseforge", kUsage, "one track file at most");
    std::string trackPath = argc > 1 ? FullPath(argv[1]) : std::string();
    std::srand(unsigned(std::time(nullptr)));
    signal(SIGCHLD, SIG_IGN);   // the launched game is never waited for
    editorDir = ExecutableFolder(argc > 0 ? argv[0] : nullptr);
    // An installed editor works in the player's game folder, as the game does.
    std::string folderError;
    std::string gameFolder = ChooseGameFolder(editorDir, folderError);
    if (gameFolder.empty()) {
        std::fprintf(stderr, "Courseforge: %s\n", folderError.c_str());
        gameFolder = editorDir + "/";
    } else if (gameFolder != editorDir + "/" && chdir(gameFolder.c_str()) != 0) {
        std::fprintf(stderr, "Courseforge: cannot enter %s\n", gameFolder.c_str());
    }

    EditorInit(editor);
    editor.doc.gamePath = FindGamePath(argc > 0 ? argv[0] : nullptr);
    ViewRedrawAll(editor);

    Fl::visual(FL_RGB);
    Fl::scheme("gtk+");
    FL_NORMAL_SIZE = 13;
    fl_close = "OK";   // message boxes answer with OK, as the editor always has
    Fl_Window* window = CreateMainWindow();
    LoadViewCursor(gameFolder + "courseforge.cur");
    window->show();
    if (!trackPath.empty()) OpenTrack(trackPath.c_str());
    return Fl::run();
}
