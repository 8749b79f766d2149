// trktool check: the editor's flaw check and the race checks on track files,
// one line per finding, each naming the file.
//   trktool check FILE...
// Exit status 0 when every file is clean, 1 when any has findings, 2 when a
// file cannot be read as a track.
#include <cstdio>
#include <vector>

#include "Courseforge/editor.h"
#include "trackfile/byte_io.h"

int CheckCommand(int argc, char** argv)
{
    if (argc < 1) {
        std::fprintf(stderr, "usage: trktool check FILE...\n");
        return 2;
    }
    static Editor checked;
    bool findings = false, unreadable = false;
    for (int k = 0; k < argc; ++k) {
        const char* path = argv[k];
        std::vector<uint8_t> bytes;
        EditorInit(checked);
        if (!ReadWholeFile(path, bytes, 64u << 20) || !EditorLoadBytes(checked, bytes.data(), bytes.size(), path).ok) {
            std::fprintf(stderr, "trktool: %s: cannot read it as a track file\n", path);
            unreadable = true;
            continue;
        }
        for (const std::string& flaw : EditorFlawLines(checked.doc)) {
            std::printf("%s: %s\n", path, flaw.c_str());
            findings = true;
        }
        for (const RaceFinding& f : EditorRaceCheck(checked.doc)) {
            std::printf("%s: %s\n", path, f.text.c_str());
            findings = true;
        }
    }
    return unreadable ? 2 : findings ? 1 : 0;
}
