// Data folders below the program directory ("palettes", "lang", "sounds",
// "drivers", "tracks", "cars", "screens"), the one directory listing that
// every choice list uses, case-insensitive name comparison and folder removal.
#pragma once
#include <string>
#include <vector>

constexpr int kListFiles = 1;         // ListDirectory kinds: admit files
constexpr int kListFolders = 2;       // ListDirectory kinds: admit folders
constexpr int kMaxChoiceName = 22;    // longest name a setting can store

// Appends the entries of folder to names (files with the extension, which is
// given without its dot and cut off; "" admits every name), leaves out names
// longer than maxLength (0: no limit), sorts the whole list with NameLess and
// returns its size. A missing folder adds nothing.
int ListDirectory(const std::string& folder, const std::string& extension,
                  std::vector<std::string>& names, int kinds, int maxLength);
// True unless the names are equal ignoring case.
bool NamesDiffer(const std::string& a, const std::string& b);
// True when a sorts before b ignoring case.
bool NameLess(const std::string& a, const std::string& b);
// Deletes a folder with all its contents; false on failure.
bool DeleteFolder(const std::string& path);
// Finds folder/name, or else an entry of folder whose name matches ignoring
// case; stores the path found and returns true, or returns false.
bool FindFileNoCase(const std::string& folder, const std::string& name, std::string& path);

// The options menu's choice lists, made in the program directory: the list
// is replaced by the sorted names; the menu selects its first entry.
int FillPaletteList(std::vector<std::string>& list);   // "palettes", *.pal
int FillLanguageList(std::vector<std::string>& list);  // "lang", *.lng
int FillSoundSetList(std::vector<std::string>& list);  // folders in "sounds"
