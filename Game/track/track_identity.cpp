// Track identity: the sums over a track's design sections by which a stored
// reference (save games, the race set-up) finds the track again after it was
// moved to another folder.
#include <algorithm>

#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "Game/track/track.h"

std::string TrackFilePath(const std::string& name)
{
    std::string path = "tracks";
    if (name.empty() || (name[0] != '\\' && name[0] != '/'))
        path += '/';
    for (char c : name)
        path += c == '\\' ? '/' : c;
    return path + ".trk";
}

// Identity of the track file at a relative path; zero when unreadable.
static void IdentityOfPath(const std::string& path, uint32_t identity[4])
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path.c_str(), file) || !TrackIdentity(file.data(), file.size(), identity))
        std::fill(identity, identity + 4, 0u);
}

void TrackIdentity(const std::string& name, uint32_t identity[4])
{
    EnterBaseDirectory();
    IdentityOfPath(TrackFilePath(name), identity);
}

static bool IdentityAtPath(const std::string& path, const uint32_t identity[4])
{
    uint32_t sums[4];
    IdentityOfPath(path, sums);
    // All zero means the file could not be read; it matches nothing.
    if ((sums[0] | sums[1] | sums[2] | sums[3]) == 0)
        return false;
    return std::equal(sums, sums + 4, identity);
}

bool SameTrack(const std::string& name, const uint32_t identity[4])
{
    EnterBaseDirectory();
    return IdentityAtPath(TrackFilePath(name), identity);
}

bool FindTrack(const std::string& storedPath, const uint32_t identity[4], std::string& found)
{
    EnterBaseDirectory();
    size_t cut = storedPath.find_last_of("\\/");
    std::string base = cut == std::string::npos ? storedPath : storedPath.substr(cut + 1);
    if (base.empty())
        return false;
    std::string name = "\\" + base;
    if (IdentityAtPath(TrackFilePath(name), identity)) {
        found = name;
        return true;
    }
    std::vector<std::string> folders;
    ListDirectory("tracks", "", folders, kListFolders, 0);
    for (const std::string& folder : folders) {
        name = "\\" + folder + "\\" + base;
        if (IdentityAtPath(TrackFilePath(name), identity)) {
            found = name;
            return true;
        }
    }
    return false;
}
