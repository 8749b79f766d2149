// The UI string table and language files. A language file holds entries
// "#dddd#" (the text id as four digits) followed by the text in double
// quotes; everything else in the file is free commentary.
#include "Game/shell/texts.h"

#include <vector>

#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "trackfile/byte_io.h"

std::string texts[kTextCount];

// Ids 14 and 15 keep their blanks: they are glued around a race number.
const char* const kDefaultTexts[kTextCount] = {
    /*   0 */ "Oops!",
    /*   1 */ "lap",
    /*   2 */ "laps",
    /*   3 */ "kilometer",
    /*   4 */ "kilometers",
    /*   5 */ "on",
    /*   6 */ "off",
    /*   7 */ "Race distance",
    /*   8 */ "Track record",
    /*   9 */ "Fastest lap",
    /*  10 */ "Official standings",
    /*  11 */ "Official championship",
    /*  12 */ "standings",
    /*  13 */ "Championship points",
    /*  14 */ "after race ",
    /*  15 */ " ",
    /*  16 */ "LOADING...",
    /*  17 */ "Exit",
    /*  18 */ "Start",
    /*  19 */ "Race length",
    /*  20 */ "Select player(s) and track(s) first!",
    /*  21 */ "Select none",
    /*  22 */ "Select all",
    /*  23 */ "Randomize",
    /*  24 */ "Cancel",
    /*  25 */ "Options",
    /*  26 */ "Advanced",
    /*  27 */ "Drivers",
    /*  28 */ "OK",
    /*  29 */ "Resume",
    /*  30 */ "End Season",
    /*  31 */ "OK",
    /*  32 */ "Yes",
    /*  33 */ "No",
    /*  34 */ "Main menu",
    /*  35 */ "Options",
    /*  36 */ "Advanced options",
    /*  37 */ "Driver options",
    /*  38 */ "game",
    /*  39 */ "Tyre wear",
    /*  40 */ "Fuel consumption",
    /*  41 */ "Fuel mass",
    /*  42 */ "Damage",
    /*  43 */ "Race length",
    /*  44 */ "Starting order",
    /*  45 */ "Points",
    /*  46 */ "1st place",
    /*  47 */ "2nd place",
    /*  48 */ "3rd place",
    /*  49 */ "4th place",
    /*  50 */ "5th place",
    /*  51 */ "6th place",
    /*  52 */ "Fastest lap",
    /*  53 */ "laps",
    /*  54 */ "kilometers",
    /*  55 */ "random",
    /*  56 */ "points",
    /*  57 */ "points, reversed",
    /*  58 */ "point|points",
    /*  59 */ "Resolution",
    /*  60 */ "Effects",
    /*  61 */ "Shadows",
    /*  62 */ "Vertical sync.",
    /*  63 */ "Ghost car",
    /*  64 */ "Engine volume",
    /*  65 */ "Skid volume",
    /*  66 */ "Effects volume",
    /*  67 */ "Game speed",
    /*  68 */ "Language",
    /*  69 */ "Sound set",
    /*  70 */ "Create driver",
    /*  71 */ "Delete driver",
    /*  72 */ "Driver stats",
    /*  73 */ "Driver",
    /*  74 */ "Colors",
    /*  75 */ "Controls",
    /*  76 */ "Accelerate",
    /*  77 */ "Brake",
    /*  78 */ "Steer left",
    /*  79 */ "Steer right",
    /*  80 */ "unassigned",
    /*  81 */ "Name",
    /*  82 */ "Type",
    /*  83 */ "human",
    /*  84 */ "computer",
    /*  85 */ "Driver needs a name.",
    /*  86 */ "Driver already exists.",
    /*  87 */ "Game paused",
    /*  88 */ "Select control for",
    /*  89 */ "AI driver skill",
    /*  90 */ "Load",
    /*  91 */ "Save",
    /*  92 */ "Delete",
    /*  93 */ "Filename",
    /*  94 */ "Files",
    /*  95 */ "File '",
    /*  96 */ "' already exist. Overwrite?",
    /*  97 */ "Save game",
    /*  98 */ "File '",
    /*  99 */ "' does not exist!",
    /* 100 */ "Load game",
    /* 101 */ "Load failed!",
    /* 102 */ "Really delete",
    /* 103 */ "Delete file",
    /* 104 */ "Wins",
    /* 105 */ "2nd places",
    /* 106 */ "3rd places",
    /* 107 */ "4th places",
    /* 108 */ "5th places",
    /* 109 */ "6th places",
    /* 110 */ "Races",
    /* 111 */ "Seasons",
    /* 112 */ "Total",
    /* 113 */ "Total points",
    /* 114 */ "Fastest laps",
    /* 115 */ "Driver statistics",
    /* 116 */ "Are you sure?",
    /* 117 */ "End race",
    /* 118 */ "Best times",
    /* 119 */ "Time trial results",
    /* 120 */ "Time trial",
    /* 121 */ "Best time",
    /* 122 */ "Goofy reverse",
    /* 123 */ "Track info",
    /* 124 */ "Track length",
    /* 125 */ "Reset",
    /* 126 */ "Are you sure?",
    /* 127 */ "Author",
    /* 128 */ "[all tracks]",
    /* 129 */ "[misc. tracks]",
    /* 130 */ "[multiple folders]",
    /* 131 */ "Create",
    /* 132 */ "Delete",
    /* 133 */ "selected",
    /* 134 */ "Move to",
    /* 135 */ "Delete tracks",
    /* 136 */ "Select",
    /* 137 */ "Create folder",
    /* 138 */ "Enter a name for the folder",
    /* 139 */ "Failed to create a folder.",
    /* 140 */ "Delete folder",
    /* 141 */ "Select a folder first.",
    /* 142 */ "Are you sure you want to delete the folder and all its contents?",
    /* 143 */ "Failed to delete the folder.",
    /* 144 */ "Move tracks",
    /* 145 */ "Some tracks could not be moved.",
    /* 146 */ "Delete tracks",
    /* 147 */ "Select atleast one track first.",
    /* 148 */ "Are you sure you want to delete these",
    /* 149 */ "tracks?",
    /* 150 */ "Some tracks could not be deleted.",
    /* 151 */ "Replay",
    /* 152 */ "ESC to exit, F1 for help.",
    /* 153 */ "Rate",
    /* 154 */ "Play",
    /* 155 */ "Stop",
    /* 156 */ "Reverse play",
    /* 157 */ "Fast forward",
    /* 158 */ "Rewind",
    /* 159 */ "Adjust replay rate",
    /* 160 */ "Go to begin/end",
    /* 161 */ "Begin/end cut area",
    /* 162 */ "Fullscreen mode",
    /* 163 */ "Palette",
    /* 164 */ "minutes (+2 laps)",
    /* 165 */ "minute",
    /* 166 */ "minutes",
    /* 167 */ "Are you sure you want to skip this race?",
    /* 168 */ "Are you sure you want to quit to the main menu?",
};

namespace {

// A language file is a few kilobytes; anything far larger is not one.
constexpr size_t kMaxLanguageFileSize = 4u << 20;

// The table holds the English texts from the start, before any language load.
struct DefaultTextsAtStart {
    DefaultTextsAtStart() { ResetTexts(); }
} defaultTextsAtStart;

}  // namespace

void ResetTexts() {
    for (int id = 0; id < kTextCount; ++id) texts[id] = kDefaultTexts[id];
}

bool FindText(const char* buffer, size_t length, int id, std::string& text) {
    if (!buffer || id < 0 || id > 9999) return false;
    const char marker[6] = {'#', char('0' + id / 1000 % 10), char('0' + id / 100 % 10),
                            char('0' + id / 10 % 10), char('0' + id % 10), '#'};
    size_t at = 0;
    bool found = false;
    for (; at + 6 <= length; ++at) {
        if (buffer[at] != '#') continue;
        size_t k = 1;
        while (k < 6 && buffer[at + k] == marker[k]) ++k;
        if (k == 6) {
            found = true;
            break;
        }
    }
    if (!found) return false;
    size_t open = at + 6;
    while (open < length && buffer[open] != '"') ++open;
    if (open >= length) return false;
    size_t start = open + 1;
    size_t end = start;
    while (end < length && buffer[end] != '"') ++end;
    if (end >= length) {
        // Unterminated: the text runs to the end of the file less its last
        // character (normally the final line break); never below empty.
        end = length - 1 > start ? length - 1 : start;
    }
    text.assign(buffer + start, end - start);
    return true;
}

void ParseLanguage(const char* buffer, size_t length, std::string table[kTextCount]) {
    for (int id = 0; id < kTextCount; ++id) {
        if (!FindText(buffer, length, id, table[id])) table[id] = kDefaultTexts[id];
    }
}

int LoadLanguage(const std::string& name) {
    ResetTexts();
    // The name comes from the options file: it must stay a plain file name.
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return -1;
    EnterBaseDirectory();
    std::string path;
    if (!FindFileNoCase("lang", name + ".lng", path)) return -1;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path.c_str(), bytes, kMaxLanguageFileSize)) return -1;
    // Text mode: a carriage-return/line-feed pair reads as one line feed.
    size_t out = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        bytes[out++] = bytes[i];
    }
    ParseLanguage(reinterpret_cast<const char*>(bytes.data()), out, texts);
    return 0;
}
