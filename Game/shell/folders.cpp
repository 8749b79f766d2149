// Directory listing, name comparison and folder removal on POSIX. Names are
// compared byte-wise after lowering, so the order does not depend on the
// locale; there are no short alternative names, so a name too long for its
// list is left out.
#include "Game/shell/folders.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Game/shell/shell.h"

namespace {

int CompareNames(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Whether an entry is a folder; symbolic links count as what they point to.
bool EntryIsFolder(const std::string& folder, const dirent* entry, bool& known) {
    known = true;
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type == DT_REG) return false;
    struct stat st;
    std::string path = folder + "/" + entry->d_name;
    if (stat(path.c_str(), &st) != 0) {
        known = false;
        return false;
    }
    return S_ISDIR(st.st_mode);
}

}  // namespace

bool NamesDiffer(const std::string& a, const std::string& b) { return CompareNames(a, b) != 0; }

bool NameLess(const std::string& a, const std::string& b) { return CompareNames(a, b) < 0; }

int ListDirectory(const std::string& folder, const std::string& extension,
                  std::vector<std::string>& names, int kinds, int maxLength) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir) {
        const std::string suffix = "." + extension;
        while (const dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            bool known = false;
            bool isFolder = EntryIsFolder(folder, entry, known);
            if (!known) continue;  // a dangling link or an entry that vanished
            if (isFolder ? !(kinds & kListFolders) : !(kinds & kListFiles)) continue;
            // The length that counts is that of the name without its extension.
            size_t shown = extension.empty() || name.size() < suffix.size()
                               ? name.size() : name.size() - suffix.size();
            if (maxLength > 0 && shown > size_t(maxLength)) continue;
            if (!extension.empty()) {
                if (name.size() <= suffix.size()) continue;
                if (NamesDiffer(name.substr(name.size() - suffix.size()), suffix)) continue;
                name.resize(name.size() - suffix.size());
            }
            names.push_back(std::move(name));
        }
        closedir(dir);
    }
    std::stable_sort(names.begin(), names.end(), NameLess);
    return int(names.size());
}

bool DeleteFolder(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) return false;
    std::uintmax_t removed = std::filesystem::remove_all(path, ec);
    return !ec && removed != static_cast<std::uintmax_t>(-1) && removed > 0;
}

bool FindFileNoCase(const std::string& folder, const std::string& name, std::string& path) {
    if (name.empty()) return false;
    std::string exact = folder + "/" + name;
    struct stat st;
    if (stat(exact.c_str(), &st) == 0) {
        path = exact;
        return true;
    }
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    // Of several names that match, the byte-wise smallest wins, so the choice
    // does not depend on the order of the directory.
    std::string best;
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (NamesDiffer(entry->d_name, name)) continue;
        if (!found || std::strcmp(entry->d_name, best.c_str()) < 0) best = entry->d_name;
        found = true;
    }
    closedir(dir);
    if (found) path = folder + "/" + best;
    return found;
}

int FillPaletteList(std::vector<std::string>& list) {
    EnterBaseDirectory();
    list.clear();
    return ListDirectory("palettes", "pal", list, kListFiles, kMaxChoiceName);
}

int FillLanguageList(std::vector<std::string>& list) {
    EnterBaseDirectory();
    list.clear();
    return ListDirectory("lang", "lng", list, kListFiles, kMaxChoiceName);
}

int FillSoundSetList(std::vector<std::string>& list) {
    EnterBaseDirectory();
    list.clear();
    return ListDirectory("sounds", "", list, kListFolders, kMaxChoiceName);
}
