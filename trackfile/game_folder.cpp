// The game folder: the portable program folder, or a per-user folder filled
// from the installed, read-only data (see game_folder.h).
#include "trackfile/game_folder.h"

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

#ifndef DW_DATA_FROM_BIN
#define DW_DATA_FROM_BIN "../share/dustwhirl"
#endif
constexpr const char* kShippedDataFromBin = DW_DATA_FROM_BIN;  // the installed data, from the program folder
constexpr const char* kDataMarker = "font.bmp";  // every game folder has the font
constexpr const char* kListHeader = "# Shipped files copied into this folder: content sum and path. Kept by the game.";

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// FNV-1a over the whole file; false when it cannot be read.
bool ContentSum(const fs::path& p, uint64_t& sum) {
    FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) return false;
    uint64_t h = 1469598103934665603ull;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        for (size_t i = 0; i < n; ++i) h = (h ^ buf[i]) * 1099511628211ull;
    bool ok = !std::ferror(f);
    std::fclose(f);
    sum = h;
    return ok;
}

// Writes `bytes` to `target` through a temporary file and a rename, so a
// player's folder never holds half a file. The copy gets ordinary permissions
// (writable by its owner) whatever the read-only original had.
bool WriteReplacing(const fs::path& target, const std::string& bytes) {
    fs::path temp = target;
    temp += ".new";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temp.c_str(), target.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

bool ReadAll(const fs::path& p, std::string& bytes) {
    FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool CopyIn(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    std::string bytes;
    return ReadAll(from, bytes) && WriteReplacing(to, bytes);
}

using ShippedList = std::map<std::string, uint64_t>;

ShippedList ReadShippedList(const fs::path& p) {
    ShippedList list;
    std::string text;
    if (!ReadAll(p, text)) return list;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() < 18 || line[0] == '#' || line[16] != ' ') continue;
        const std::string digits = line.substr(0, 16);
        char* stop = nullptr;
        uint64_t sum = std::strtoull(digits.c_str(), &stop, 16);
        if (stop && *stop == '\0') list[line.substr(17)] = sum;
    }
    return list;
}

bool WriteShippedList(const fs::path& p, const ShippedList& list) {
    std::string text = std::string(kListHeader) + "\n";
    char sum[24];
    for (const auto& [path, value] : list) {
        std::snprintf(sum, sizeof sum, "%016" PRIx64 " ", value);
        text += sum + path + "\n";
    }
    return WriteReplacing(p, text);
}

std::string WithoutTrailingSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

}  // namespace

std::string PerUserGameFolder(const char* xdgDataHome, const char* home) {
    // Relative values of XDG_DATA_HOME are invalid and ignored.
    if (xdgDataHome && xdgDataHome[0] == '/') return WithoutTrailingSlash(xdgDataHome) + "/dustwhirl";
    if (home && home[0]) return WithoutTrailingSlash(home) + "/.local/share/dustwhirl";
    return "";
}

std::string ShippedDataFolder(const std::string& programDir) {
    if (programDir.empty()) return "";
    fs::path dir = WithoutTrailingSlash(programDir);
    if (IsFile(dir / kDataMarker)) return dir.string();
    fs::path shared = (dir / kShippedDataFromBin).lexically_normal();
    if (IsFile(shared / kDataMarker)) return WithoutTrailingSlash(shared.string());
    return "";
}

bool UpdateGameFolder(const std::string& shipped, const std::string& folder, std::string& error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        error = "cannot create the folder " + folder;
        return false;
    }
    const fs::path base = folder;
    const fs::path listPath = base / kShippedListName;
    ShippedList list = ReadShippedList(listPath);
    bool changed = false;
    error.clear();
    auto options = fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(shipped, options, ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsFile(it->path())) continue;
        std::string rel = it->path().lexically_relative(shipped).generic_string();
        if (rel.empty() || rel == kShippedListName || rel.find('\n') != std::string::npos) continue;
        uint64_t shippedSum;
        if (!ContentSum(it->path(), shippedSum)) continue;  // an unreadable shipped file is not offered
        fs::path target = base / rel;
        auto known = list.find(rel);
        bool copy = false;
        if (!Exists(target)) {
            // New to this folder, unless an earlier start copied it and the player removed it.
            copy = known == list.end();
        } else if (known != list.end() && known->second != shippedSum) {
            // Updated by a newer install: replace only the copy the player never changed.
            uint64_t ownSum;
            copy = ContentSum(target, ownSum) && ownSum == known->second;
        }
        if (!copy) continue;
        if (!CopyIn(it->path(), target)) {
            if (error.empty()) error = "cannot write " + target.string();
            continue;
        }
        list[rel] = shippedSum;
        changed = true;
    }
    if (ec && error.empty()) error = "cannot read the shipped data in " + shipped;
    if (changed && !WriteShippedList(listPath, list) && error.empty()) error = "cannot write " + listPath.string();
    return error.empty();
}

std::string ChooseGameFolderFor(const std::string& programDir, bool programDirWritable,
                                const char* xdgDataHome, const char* home, std::string& error) {
    error.clear();
    if (programDir.empty()) return programDir;
    std::string dir = WithoutTrailingSlash(programDir);
    std::string asGiven = dir == "/" ? dir : dir + "/";
    if (programDirWritable && IsFile(fs::path(dir) / kDataMarker)) return asGiven;  // portable
    std::string shipped = ShippedDataFolder(dir);
    if (shipped.empty()) return asGiven;  // no data anywhere: the loaders fall back as ever
    std::string user = PerUserGameFolder(xdgDataHome, home);
    if (user.empty()) {
        error = "neither XDG_DATA_HOME nor HOME names a folder for the game's data";
        return "";
    }
    if (!UpdateGameFolder(shipped, user, error)) return "";
    return user + "/";
}

std::string ChooseGameFolder(const std::string& programDir, std::string& error) {
    std::string dir = WithoutTrailingSlash(programDir);
    bool writable = !dir.empty() && access(dir.c_str(), W_OK) == 0;
    return ChooseGameFolderFor(programDir, writable, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), error);
}
