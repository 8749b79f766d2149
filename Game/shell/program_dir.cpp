// The program directory: every loader makes it current before opening a
// file, so the game finds its data beside the executable wherever it is
// started from.
#include "Game/shell/shell.h"
#include <climits>
#include <cstring>
#include <unistd.h>

std::string baseDirectory;

std::string BaseDirectoryFromCommandLine(const char* commandLine, char separator) {
    if (!commandLine || !commandLine[0]) return "";
    size_t length = strlen(commandLine);
    bool quoted = commandLine[0] == '"';
    // The program path ends at the closing quote, or unquoted at the first blank.
    size_t end = 1;
    while (end < length && commandLine[end] != (quoted ? '"' : ' ')) ++end;
    size_t cut = end;
    while (cut > 0 && commandLine[cut - 1] != separator) --cut;
    if (cut == 0) return "";  // no folder in the path
    if (quoted) return cut >= 2 ? std::string(commandLine + 1, cut - 2) : "";
    return std::string(commandLine, cut);
}

bool FindProgramDirectory(const char* argv0) {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string exe;
    if (n > 0) {
        exe.assign(path, size_t(n));
    } else if (argv0) {
        exe = argv0;
    }
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return false;
    baseDirectory = exe.substr(0, slash + 1);
    return true;
}

bool EnterBaseDirectory() {
    if (baseDirectory.empty()) return true;
    return chdir(baseDirectory.c_str()) == 0;
}
