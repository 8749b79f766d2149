// The game folder: an installed game keeps the player's data in a per-user
// folder; a portable one in its program folder.
#include "Game/shell/shell.h"
#include "trackfile/game_folder.h"

bool EnterGameFolder(std::string& error) {
    std::string folder = ChooseGameFolder(baseDirectory, error);
    if (folder.empty() && !baseDirectory.empty()) return false;
    baseDirectory = folder;
    return EnterBaseDirectory();
}
