// Process entry of the game: answers --help and --version, finds the program
// directory and the game folder, reads the command line ("--race FILE.trk
// [--laps N] [--cars N]") and runs the game.
#include <cstdio>
#include <filesystem>
#include <string>

#include "Game/game.h"
#include "Game/shell/shell.h"
#include "trackfile/program_options.h"

namespace {

const char kUsage[] =
    "Usage: Dustwhirl [--race FILE.trk [--laps N] [--cars N]]\n"
    "       Dustwhirl --help | --version\n"
    "\n"
    "Starts the game on its main screen, or with --race straight into a race on\n"
    "FILE.trk (N laps, N cars from 1 to 6). The game keeps its data beside the\n"
    "program when that folder is writable, else in $XDG_DATA_HOME/dustwhirl\n"
    "(~/.local/share/dustwhirl by default).\n";

}  // namespace

int main(int argc, char** argv) {
    int answered = AnswerHelpOrVersion(argc, argv, "Dustwhirl", kUsage);
    if (answered >= 0) return answered;
    FindProgramDirectory(argc > 0 ? argv[0] : nullptr);
    RaceCommand command;
    std::string error;
    if (!ParseGameArguments(argc, argv, command, error)) return UsageError("Dustwhirl", kUsage, error);
    if (command.active) {
        // The file is named from where the program was started; check it before any window opens.
        std::error_code ec;
        command.trackPath = std::filesystem::absolute(command.trackPath, ec).string();
    }
    if (!EnterGameFolder(error)) {
        std::fprintf(stderr, "Dustwhirl: %s\n", error.c_str());
        return 1;
    }
    if (command.active && !CheckRaceTrack(command, error)) {
        std::fprintf(stderr, "Dustwhirl: %s\n", error.c_str());
        return 1;
    }
    return RunGame(&command);
}
