// The replay screen's texts over the replayed race picture: the title, the
// help line, the play position as a time and the rate, and while F1 is held
// the panel of replay keys.
#include <cstdio>
#include <cstring>

#include "Game/shell/font.h"
#include "Game/shell/video.h"
#include "Game/view/view.h"

namespace {

struct HelpRow {
    const char* key;
    const char* text;
};

constexpr HelpRow kHelpRows[] = {
    {"RIGHT", "Play"},
    {"DOWN", "Stop"},
    {"LEFT", "Reverse play"},
    {"PGUP", "Fast forward"},
    {"PGDOWN", "Rewind"},
    {"NP +/-", "Adjust replay rate"},
    {"HOME/END", "Go to begin/end"},
    {"C", "Begin/end cut area"},
};

}  // namespace

void DrawReplayHud(const char* timeText, const char* rateText, bool help)
{
    const int C = uiScale, G = lineWidth;
    const int W = viewTarget.width, H = viewTarget.height;
    if (!viewTarget.pixels || C <= 0) return;
    const char* title = "Replay";
    DrawText(title, (W - TextWidth(title)) / 2, 2 * G, 242, 241);
    const char* line = "ESC to exit, F1 for help.";
    DrawText(line, (W - TextWidth(line)) / 2, 2 * G + 2 * C, 240, 241);
    // Time at the bottom left, the rate beside it.
    int y = H - 2 * G - 4 * C;
    DrawText(timeText, 2 * C, y, 242, 241);
    char rate[32];
    std::snprintf(rate, sizeof rate, "Rate %s", rateText);
    DrawText(rate, 2 * C + TextWidth(timeText) + 2 * C, y, 245, 241);
    if (!help) return;
    int rows = static_cast<int>(sizeof kHelpRows / sizeof kHelpRows[0]);
    DarkenRect(18, rows + 3);
    int top = H / 2 - (rows + 1) * C;
    int left = W / 2 - 16 * C;
    for (int k = 0; k < rows; ++k) {
        DrawText(kHelpRows[k].key, left, top + 2 * C * k, 244, 241);
        DrawText(kHelpRows[k].text, left + 10 * C, top + 2 * C * k, 242, 241);
    }
}
