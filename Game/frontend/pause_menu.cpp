// The pause menu (screen 3), opened when the race is paused: resume, the
// replay, the advanced options, saving the game, ending the race and ending
// the season, the last two after a Yes/No box. Leaving the menu hands the
// frame back to the race.
#include "Game/frontend/frontend_internal.h"

#include <cstring>
#include <vector>

#include "Game/race/race.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"

WidgetArray pauseMenu;
void (*reenterRace)() = nullptr;

namespace {

enum { kPmResume = 0, kPmReplay, kPmAdvanced, kPmSave, kPmSkip, kPmEnd, kPmCount };

// The race picture under the menu, put back under every repaint (a box
// closing) and before the race takes the frame again.
std::vector<uint8_t> racePicture;
int pictureWidth = 0, pictureHeight = 0;

void CopyPicture(bool save) {
    if (!backBuffer || !LockSurface(kBackBuffer)) return;
    int w = backBuffer->w, h = backBuffer->h;
    if (save) {
        racePicture.resize(size_t(w) * size_t(h));
        pictureWidth = w;
        pictureHeight = h;
    }
    if (w == pictureWidth && h == pictureHeight && !racePicture.empty()) {
        for (int y = 0; y < h; ++y) {
            uint8_t* row = lockedPixels + size_t(y) * size_t(lockedPitch);
            uint8_t* copy = racePicture.data() + size_t(y) * size_t(w);
            if (save) std::memcpy(copy, row, size_t(w));
            else std::memcpy(row, copy, size_t(w));
        }
    }
    UnlockSurface();
}

void Backdrop() {
    if (!backBuffer) return;
    CopyPicture(false);
    DrawPanel(28, 16, 24, 24);
    DrawCaption(texts[kTextGamePaused], 28, 17.5f, 24, kPanelTitle, true);
}

// The menu goes, the race picture comes back under what the race draws next.
void LeaveMenu() {
    if (screenIsOpen) CloseScreen();
    CopyPicture(false);
    menuInput = {};
}

void Reenter() {
    if (reenterRace) reenterRace();
}

void OnResume(Widget&) {
    LeaveMenu();
    Resume();
    Reenter();
}

// The replay entry starts the replay over the paused race; with nothing
// recorded yet (fewer than two frames) the menu stays.
void OnReplay(Widget&) {
    if (!replayEntry || replay.frames < 2) return;
    LeaveMenu();
    replayEntry();
    Reenter();
}

// The option pages return to the race: it continues as after Resume.
void ResumeAfterOptions() {
    LeaveMenu();
    Resume();
    Reenter();
}

void OnAdvanced(Widget&) {
    CloseScreen();
    OpenAdvancedPage(ResumeAfterOptions);
}

void OnSave(Widget&) {
    if (saveGameEntry) saveGameEntry();
}

void OnSkip(Widget&) {
    if (!ShowMessageBox(kBoxYesNo, texts[kTextSkipRaceConfirm], texts[kTextEndRace])) return;
    LeaveMenu();
    SkipRace();
    Reenter();
}

void OnEndSeason(Widget&) {
    if (!ShowMessageBox(kBoxYesNo, texts[kTextQuitToMainMenuConfirm], texts[kTextEndSeason])) return;
    LeaveMenu();
    QuitToMenu();
    Reenter();
}

void BuildPauseMenu() {
    pauseMenu.resize(kPmCount);
    const int captions[kPmCount] = {kTextResume, kTextReplay, kTextOptions, kTextSave, kTextEndRace, kTextEndSeason};
    const WidgetCallback actions[kPmCount] = {OnResume, OnReplay, OnAdvanced, OnSave, OnSkip, OnEndSeason};
    for (int i = 0; i < kPmCount; ++i) {
        MakeButton(pauseMenu[size_t(i)], texts[captions[i]], 32, 21 + 3 * float(i), 16, 3, actions[i],
                   i == kPmResume ? kWidgetDefault | kWidgetCancel : 0);
        pauseMenu[size_t(i)].style = kStyleShowsFocus;
    }
}

}  // namespace

void OpenPauseMenu() {
    BuildPauseMenu();
    if (screenIsOpen) CloseScreen();
    CopyPicture(true);
    InstallMenuInput();
    OpenScreen(kScreenPause, pauseMenu, kScreenArrowKeys | kScreenFocusFirst, Backdrop);
    Present();
}
