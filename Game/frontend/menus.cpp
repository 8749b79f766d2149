// The menu screens' widget arrays: built once by the first InitGame, their
// texts refreshed by later ones (a new language), freed at shutdown.
#include "Game/frontend/frontend_internal.h"

namespace {

bool built = false;

}  // namespace

void BuildMenus() {
    if (built) {
        RefreshMenus();
        return;
    }
    BuildDriverPage();
    BuildFileDialog();
    BuildOptionPages();
    LoadDriverList();
    InstallSaveGames();
    built = true;
}

// The arrays are rebuilt in place while no screen of theirs is open, which
// takes the texts of the current language.
void RefreshMenus() {
    if (screenIsOpen) return;
    BuildDriverPage();
    BuildFileDialog();
    BuildOptionPages();
    FreeMainScreen();                           // built again, in the new texts, when it opens
    FreeBoxWidgets();
}

void FreeMenus() {
    if (screenIsOpen) CloseScreen();
    FreeDriverPage();
    FreeFileDialog();
    FreeOptionPages();
    FreeMainScreen();
    FreeBoxWidgets();
    built = false;
}

void (*loadGameEntry)() = nullptr;
void (*saveGameEntry)() = nullptr;
void (*replayEntry)() = nullptr;
