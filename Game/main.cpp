// Process entry of the game: finds the program directory and runs the game.
#include "Game/game.h"
#include "Game/shell/shell.h"

int main(int argc, char** argv) {
    FindProgramDirectory(argc > 0 ? argv[0] : nullptr);
    return RunGame();
}
