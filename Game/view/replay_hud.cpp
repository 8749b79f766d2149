// The replay screen's texts over the replayed race picture: the title, the
// help line, the play position as a time and the rate, and while F1 is held
// the panel of replay keys. The texts go under the replayed cars; the key
// panel over them, so that it can be read.
#include <string>

#include "Game/shell/font.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "Game/view/view.h"

namespace {

struct HelpRow {
    const char* key;
    int text;
};

// The key labels are the keys' names; their texts come from the language file.
constexpr HelpRow kHelpRows[] = {
    {"RIGHT", kTextPlay},
    {"DOWN", kTextStop},
    {"LEFT", kTextReversePlay},
    {"PGUP", kTextFastForward},
    {"PGDOWN", kTextRewind},
    {"NP +/-", kTextAdjustReplayRate},
    {"HOME/END", kTextGoToBeginEnd},
    {"C", kTextBeginEndCutArea},
};

}  // namespace

void DrawReplayHud(const char* timeText, const char* rateText)
{
    const int C = uiScale, G = lineWidth;
    const int W = viewTarget.width, H = viewTarget.height;
    if (!viewTarget.pixels || C <= 0) return;
    const std::string& title = texts[kTextReplay];
    DrawText(title.c_str(), (W - TextWidth(title)) / 2, 2 * G, 242, 241);
    const std::string& line = texts[kTextReplayHint];
    DrawText(line.c_str(), (W - TextWidth(line)) / 2, 2 * G + 2 * C, 245, 241);
    // Time at the bottom left, the rate beside it.
    int y = H - 2 * G - 4 * C;
    DrawText(timeText, 2 * C, y, 242, 241);
    std::string rate = texts[kTextRate] + " " + rateText;
    DrawText(rate.c_str(), 2 * C + TextWidth(timeText) + 2 * C, y, 245, 241);
}

void DrawReplayHelp()
{
    const int C = uiScale;
    const int W = viewTarget.width, H = viewTarget.height;
    if (!viewTarget.pixels || C <= 0) return;
    int rows = static_cast<int>(sizeof kHelpRows / sizeof kHelpRows[0]);
    DarkenRect(18, rows + 3);
    int top = H / 2 - (rows + 1) * C;
    int left = W / 2 - 16 * C;
    for (int k = 0; k < rows; ++k) {
        DrawText(kHelpRows[k].key, left, top + 2 * C * k, 244, 241);
        DrawText(texts[kHelpRows[k].text].c_str(), left + 10 * C, top + 2 * C * k, 242, 241);
    }
}
