// Process entry of the game: finds the program directory, reads the command
// line ("--race FILE.trk [--laps N] [--cars N]") and runs the game.
#include <cstdio>
#include <filesystem>
#include <string>

#include "Game/game.h"
#include "Game/shell/shell.h"

int main(int argc, char** argv) {
    FindProgramDirectory(argc > 0 ? argv[0] : nullptr);
    RaceCommand command;
    std::string error;
    if (!ParseGameArguments(argc, argv, command, error)) {
        std::fprintf(stderr, "Dustwhirl: %s\n", error.c_str());
        return 2;
    }
    if (command.active) {
        // The file is named from where the program was started; check it before any window opens.
        std::error_code ec;
        command.trackPath = std::filesystem::absolute(command.trackPath, ec).string();
        if (!CheckRaceTrack(command, error)) {
            std::fprintf(stderr, "Dustwhirl: %s\n", error.c_str());
            return 1;
        }
    }
    return RunGame(&command);
}
