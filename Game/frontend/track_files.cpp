// The track manager's file-system layer: the folders and track files below
// "tracks", and creating, deleting and moving them. Every path is built from
// names checked to be single, harmless path components, and every entry is
// checked with lstat, so a symbolic link is never listed, moved into or
// deleted through: nothing outside "tracks" can be reached or changed.
#include "Game/frontend/frontend.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Game/shell/folders.h"

namespace {

constexpr const char* kTracks = "tracks";

bool IsRealFolder(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// "tracks" or "tracks/<folder>"; the folder name must have been checked.
std::string FolderPath(const std::string& folder) {
    return folder.empty() ? std::string(kTracks) : std::string(kTracks) + "/" + folder;
}

// "tracks" itself may be a link (an installation may place it elsewhere);
// the links inside it are what the manager never follows.
bool TracksRootExists() {
    struct stat st;
    return stat(kTracks, &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder that tracks may lie in: "tracks" itself, or a real folder in it.
bool UsableFolder(const std::string& folder) {
    if (folder.empty()) return TracksRootExists();
    return TrackNameValid(folder) && IsRealFolder(FolderPath(folder));
}

// An entry of folder whose name equals name ignoring case (the name itself included).
bool NameTaken(const std::string& folder, const std::string& name) {
    std::vector<std::string> names;
    ListDirectory(FolderPath(folder), "", names, kListFiles | kListFolders, 0);
    for (const std::string& n : names)
        if (!NamesDiffer(n, name)) return true;
    // The listing skips dangling links; a name taken by one still counts.
    return Exists(FolderPath(folder) + "/" + name);
}

// Renames without ever replacing what is at to.
bool RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // Without an atomic form: a hard link fails when the name exists.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    if (unlink(from.c_str()) != 0) {
        unlink(to.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool TrackNameValid(const std::string& name) {
    if (name.empty() || name[0] == '.' || name.find("..") != std::string::npos) return false;
    for (char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 32 || c == 127) return false;
    return true;
}

bool TrackFolderNameValid(const std::string& name) {
    if (!TrackNameValid(name) || int(name.size()) > kMaxTrackFolderName) return false;
    if (name.find_first_not_of(' ') == std::string::npos || name.back() == ' ' || name.back() == '.') return false;
    // Characters that other systems do not allow in names, so the folders travel.
    for (char c : name)
        if (static_cast<unsigned char>(c) > 126 || std::string(":*?\"<>|").find(c) != std::string::npos) return false;
    return true;
}

std::vector<std::string> ListTrackFolders() {
    std::vector<std::string> names, folders;
    ListDirectory(kTracks, "", names, kListFolders, 0);
    for (const std::string& n : names)
        if (TrackNameValid(n) && IsRealFolder(FolderPath(n))) folders.push_back(n);
    return folders;
}

std::vector<TrackListEntry> ListTracks(const std::vector<std::string>& folders) {
    std::vector<TrackListEntry> tracks;
    for (const std::string& folder : folders) {
        if (!UsableFolder(folder)) continue;
        std::vector<std::string> names;
        std::string path = FolderPath(folder);
        ListDirectory(path, "trk", names, kListFiles, 0);
        for (const std::string& n : names) {
            // The listing cut ".trk" in any case; the file keeps its own.
            std::string file;
            if (!TrackNameValid(n) || !FindFileNoCase(path, n + ".trk", file)) continue;
            file = file.substr(path.size() + 1);
            if (!IsRegularFile(path + "/" + file)) continue;
            tracks.push_back({n, folder, file});
        }
    }
    return tracks;
}

std::string TrackPathOf(const TrackListEntry& e) { return e.folder.empty() ? e.name : e.folder + "\\" + e.name; }

bool ParseTrackPath(const std::string& path, std::string& folder, std::string& name) {
    size_t cut = path.find('\\');
    if (cut == std::string::npos) {
        folder.clear();
        name = path;
    } else {
        folder = path.substr(0, cut);
        name = path.substr(cut + 1);
        if (!TrackNameValid(folder)) return false;
    }
    return TrackNameValid(name);
}

bool TrackFileOf(const std::string& trackPath, std::string& file) {
    std::string folder, name, found;
    if (!ParseTrackPath(trackPath, folder, name) || !UsableFolder(folder)) return false;
    std::string dir = FolderPath(folder);
    if (!FindFileNoCase(dir, name + ".trk", found) || !IsRegularFile(found)) return false;
    file = found;
    return true;
}

bool CreateTrackFolder(const std::string& name) {
    if (!TrackFolderNameValid(name) || !TracksRootExists() || NameTaken("", name)) return false;
    return mkdir(FolderPath(name).c_str(), 0755) == 0;
}

bool DeleteTrackFolder(const std::string& name) {
    // A link in place of the folder is refused; links inside it are removed
    // as links, never followed (DeleteFolder does not descend into them).
    if (!TrackNameValid(name) || !IsRealFolder(FolderPath(name))) return false;
    return DeleteFolder(FolderPath(name));
}

int MoveTracks(std::vector<std::string>& trackPaths, const std::string& target) {
    int failed = 0;
    bool targetOk = UsableFolder(target);
    for (std::string& path : trackPaths) {
        std::string folder, name, from;
        if (!targetOk || !ParseTrackPath(path, folder, name) || !TrackFileOf(path, from)) {
            ++failed;
            continue;
        }
        if (folder == target) continue;  // already there
        std::string file = from.substr(FolderPath(folder).size() + 1);
        if (NameTaken(target, file) || !RenameNoReplace(from, FolderPath(target) + "/" + file)) {
            ++failed;
            continue;
        }
        path = target.empty() ? name : target + "\\" + name;
    }
    return failed;
}

int DeleteTracks(const std::vector<std::string>& trackPaths) {
    int failed = 0;
    for (const std::string& path : trackPaths) {
        std::string file;
        if (!TrackFileOf(path, file) || unlink(file.c_str()) != 0) ++failed;
    }
    return failed;
}
