// Where the game and the editor keep their data. A portable folder (the
// executables beside the data, writable) is used as it is. An installed game
// has a program folder that is not writable and its data read-only under
// ../share/dustwhirl; it plays from a per-user folder of the same layout,
// $XDG_DATA_HOME/dustwhirl (else ~/.local/share/dustwhirl), filled from the
// shipped data. This piece depends on neither program, so both include it.
#pragma once
#include <string>

constexpr const char* kShippedListName = ".shipped";  // what the per-user folder got, by content sum

// The per-user folder from the two variables (either may be null or empty):
// XDG_DATA_HOME when it is an absolute path, else HOME/.local/share; empty
// when neither gives one.
std::string PerUserGameFolder(const char* xdgDataHome, const char* home);

// The shipped data for a program folder: the folder itself when it holds the
// game's data, else the installed data folder (../share/dustwhirl from bin/)
// when that does; empty when neither.
std::string ShippedDataFolder(const std::string& programDir);

// Brings a per-user folder up to date with the shipped data: creates it, then
// copies each shipped file that it lacks, and replaces one only when the
// player's copy is still the one an earlier start copied in and the shipped
// file has since changed. A file the player changed or deleted is left alone.
// The list of what was copied is kept in the folder (kShippedListName).
// False, with a reason, when the folder cannot be made or written.
bool UpdateGameFolder(const std::string& shipped, const std::string& folder, std::string& error);

// The game folder for a program folder (either form, with or without the
// trailing slash), chosen as described above from the environment; the
// returned path ends with "/". With an installed layout the per-user folder
// is brought up to date first; on failure the result is empty and `error`
// says why. A folder holding no game data anywhere is returned unchanged.
std::string ChooseGameFolder(const std::string& programDir, std::string& error);

// The same choice with the program folder's writability and the environment
// given, for callers that know them (and for tests).
std::string ChooseGameFolderFor(const std::string& programDir, bool programDirWritable,
                                const char* xdgDataHome, const char* home, std::string& error);
