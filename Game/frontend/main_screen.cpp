// The main screen (screen 1): the six player slots with their car buttons
// and the car pop-up (screen 2), the drivers not yet chosen, the race-length
// slider, the bottom buttons (Exit, Options, Load game, Start) and, in the
// lower half, the track manager's widgets. Typed keys stand in for the mouse
// where the widgets cannot be reached by the arrow keys: a letter or digit
// adds the first free driver whose name starts with it, Backspace takes the
// last player out, "-" and "+" change the race length.
#include "Game/frontend/frontend_internal.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "Game/race/cars.h"
#include "Game/race/race.h"
#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "Game/view/view.h"

WidgetArray mainScreen;
void (*beginSeasonEntry)(int carCount) = nullptr;
void (*reloadResources)() = nullptr;
bool (*pumpEventsHook)(uint32_t maxEvents) = nullptr;
void (*beginSavedSeasonEntry)(int carCount, int raceIndex, void (*restore)()) = nullptr;

namespace {

WidgetArray carPopup;
enum { kCpList = 0, kCpCancel };

constexpr float kSlotY0 = 11, kSlotStep = 3;
constexpr float kListX = 50, kListY = 11, kListW = 16, kListH = 16;
// The car icon's view: from above and behind, a little to the side.
constexpr float kIconView[3][3] = {{-0.6396f, -0.4264f, -0.6396f}, {0, 0.832f, -0.555f}, {0.6396f, -0.4264f, -0.6396f}};
constexpr float kIconDistance = 75;

int PlayerCount() {
    int n = 0;
    while (n < kPlayerSlots && playerSlots[n].used) ++n;
    return n;
}

bool IsPlayer(const std::string& name) {
    for (const PlayerSlot& s : playerSlots)
        if (s.used && s.name == name) return true;
    return false;
}

std::string LengthUnitCaption() {
    switch (settings.lengthUnit) {
    case 1: return texts[kTextKilometer] + "|" + texts[kTextKilometers];
    case 2: return texts[kTextMinute] + "|" + texts[kTextMinutes];
    default: return texts[kTextLap] + "|" + texts[kTextLaps];
    }
}

// The drivers list holds every driver that is not a player, in name order.
void FillDriversList() {
    Widget& list = mainScreen[kMsDrivers];
    ListClear(list);
    for (const NamedDriver& d : driverList)
        if (!IsPlayer(d.name)) ListAdd(list, d.name);
}

void RepaintSlots() {
    for (int k = 0; k < kPlayerSlots; ++k) {
        MarkRedraw(mainScreen[size_t(kMsCarFirst + k)], kRedrawAll);
        MarkRedraw(mainScreen[size_t(kMsNameFirst + k)], kRedrawAll);
    }
    MarkRedraw(mainScreen[kMsDrivers], kRedrawAll);
    if (screenIsOpen && currentScreen.screenId == kScreenMain) RepaintChanged();
}

// Tags 20-25: the slot's car seen from above, in the driver's colours.
void SlotLook(Widget& w, int slot, bool car) {
    if (!car || slot < 0 || slot >= kPlayerSlots || !playerSlots[slot].used || !backBuffer) return;
    uint32_t index = playerSlots[slot].record.car;
    if (index >= carCatalogue.size() || !LockSurface(kBackBuffer)) return;
    SetViewTarget(lockedPixels, lockedPitch, backBuffer->w, backBuffer->h, nullptr, nullptr);
    int x = CellToPixelX(w.x + w.width / 2), y = CellToPixelY(w.y + w.height / 2);
    // The icon's projection scales with the screen width; on a screen wider
    // than 4:3 the menu's cells are narrower than width / 80, so the icon is
    // moved back by as much to keep its size in cells.
    float cells = 80.0f * float(std::max(1, CellToPixelX(1) - CellToPixelX(0)));
    float distance = kIconDistance * std::max(1.0f, float(backBuffer->w) / cells);
    DrawCarIcon(x, y, carCatalogue[index], slot, kIconView, distance);
    UnlockSurface();
}

void Backdrop() {
    DrawPage(texts[kTextMainMenu]);
    DrawCaption(texts[kTextRaceLength], 14, 7, 25, kCaptionColour, false);
    DrawCaption(texts[kTextDrivers], kListX, kListY - 2, kListW, kCaptionColour, false);
}

void OnQuit(Widget&) {
    if (!ShowMessageBox(kBoxYesNo, texts[kTextAreYouSureQuit], texts[kTextExit])) return;
    CloseScreen();
    rightClickHandler = nullptr;
    RequestQuit();
}

void OnOptions(Widget&) {
    CloseScreen();
    OpenOptionsPage(OpenMainScreen);
}

void OnLoad(Widget&) {
    if (loadGameEntry) loadGameEntry();
}

void OnStart(Widget&) { StartFromMainScreen(); }

void OnCarPicked(Widget& list) {
    if (list.list->selected >= 0) EndModal(list.list->selected + 1);
}

void OnCarCancel(Widget&) { EndModal(0); }

// Screen 2 beside the slot: the cars; the one picked is stored in the
// driver's record and file.
void OnCar(Widget& w) {
    int slot = int(w.tag) - 20;
    if (slot < 0 || slot >= kPlayerSlots || !playerSlots[slot].used || carCatalogue.empty()) return;
    Widget& list = carPopup[kCpList];
    // One gap (a quarter cell) below the slot.
    float x = std::min(w.x + 1, 80.0f - 18), y = std::min(w.y + w.height + 0.25f, 60.0f - 20);
    MakeList(list, OnCarPicked, 17, 18, 2, 2, kWidgetNoArrows, x, y, 18);
    for (size_t i = 0; i < carCatalogue.size(); ++i)
        ListAdd(list, std::string(carCatalogue[i].name, strnlen(carCatalogue[i].name, sizeof carCatalogue[i].name)));
    ListSelect(list, int(playerSlots[slot].record.car));
    MakeButton(carPopup[kCpCancel], texts[kTextCancel], x, y + 17, 18, 3, OnCarCancel, kWidgetCancel | kWidgetDefault);
    int picked = RunModal(kScreenCarPopup, carPopup, kScreenArrowKeys, nullptr) - 1;
    if (picked < 0 || size_t(picked) >= carCatalogue.size()) {
        RepaintScreen();
        return;
    }
    PlayerSlot& s = playerSlots[slot];
    s.record.car = uint32_t(picked);
    if (!SaveDriver(s.record, s.name)) ShowMessageBox(kBoxOk, texts[kTextOops], s.name);
    int i = FindDriver(s.name);
    if (i >= 0) driverList[size_t(i)].record.car = s.record.car;
    RepaintScreen();
}

void OnName(Widget& w) { RemovePlayer(int(w.tag) - 10); }

void OnDriverPicked(Widget& list) {
    int i = list.list->selected;
    if (i < 0 || i >= int(list.list->entries.size())) return;
    AddPlayer(list.list->entries[size_t(i)].text);
}

void OnCreateDriver(Widget&) {
    CloseScreen();
    OpenDriverPage(OpenMainScreen);
    OpenDriverPageCreateBox();
}

void OnLength(Widget& w) { settings.raceLength = uint16_t(std::clamp(w.value, 1, 255)); }

void SetLength(int value) {
    Widget& w = mainScreen[kMsLength];
    value = std::clamp(value, w.low, w.high);
    if (value == w.value) return;
    w.value = value;
    OnLength(w);
    MarkRedraw(w, kRedrawValue);
    RepaintChanged();
}

// Pixel point inside a widget's rectangle.
bool Inside(const Widget& w, int x, int y) {
    return !(w.flags & kWidgetHidden) && x >= CellToPixelX(w.x) && x < CellToPixelX(w.x + w.width) && y >= CellToPixelY(w.y) &&
           y < CellToPixelY(w.y + w.height);
}

// A right click on a driver (in the list or a player slot) shows its statistics.
void RightClick(int x, int y) {
    if (!screenIsOpen || currentScreen.screenId != kScreenMain) return;
    if (TrackManagerRightClick(x, y)) return;
    for (int k = 0; k < kPlayerSlots; ++k) {
        if ((Inside(mainScreen[size_t(kMsCarFirst + k)], x, y) || Inside(mainScreen[size_t(kMsNameFirst + k)], x, y)) &&
            playerSlots[k].used) {
            ShowDriverStatistics(playerSlots[k].name);
            return;
        }
    }
    const Widget& list = mainScreen[kMsDrivers];
    if (!Inside(list, x, y) || !list.list) return;
    const ListModel& m = *list.list;
    float cell = float(CellToPixelX(1) - CellToPixelX(0));
    if (cell <= 0) return;
    int column = int((float(x - CellToPixelX(list.x)) / cell) / m.columnWidth);
    int row = int((float(y - CellToPixelY(list.y)) / cell) / m.rowHeight) + list.value;
    if (column >= m.columns) return;
    int index = row * m.columns + column;
    if (index >= 0 && index < int(m.entries.size())) ShowDriverStatistics(m.entries[size_t(index)].text);
}

bool TrackWidgetFocused() {
    return currentScreen.focus >= kMainTrackWidgetFirst && currentScreen.focus < kMainTrackWidgetFirst + kMainTrackWidgetCount;
}

void TypeChar(int ch) {
    if (!screenIsOpen || currentScreen.screenId != kScreenMain || TrackWidgetFocused()) {
        MenuTypeChar(ch);
        return;
    }
    if (ch == 8) {
        int n = PlayerCount();
        if (n > 0) RemovePlayer(n - 1);
    } else if (ch == '-') {
        SetLength(mainScreen[kMsLength].value - 1);
    } else if (ch == '+' || ch == '=') {
        SetLength(mainScreen[kMsLength].value + 1);
    } else if (std::isalnum(ch)) {
        for (const ListEntry& e : mainScreen[kMsDrivers].list->entries) {
            if (!e.text.empty() && std::tolower(uint8_t(e.text[0])) == std::tolower(ch)) {
                AddPlayer(e.text);
                return;
            }
        }
    } else {
        MenuTypeChar(ch);
    }
}

void BuildMainScreen() {
    mainScreen.resize(kMsCount);
    WidgetArray& m = mainScreen;
    MakeButton(m[kMsQuit], texts[kTextExit], 0, 56, 20, 4, OnQuit, kWidgetCancel);
    MakeButton(m[kMsOptions], texts[kTextOptions], 20, 56, 20, 4, OnOptions, 0);
    MakeButton(m[kMsLoad], texts[kTextLoad], 40, 56, 20, 4, OnLoad, 0);
    MakeButton(m[kMsStart], texts[kTextStart], 60, 56, 20, 4, OnStart, kWidgetDefault);
    for (int k = 0; k < kPlayerSlots; ++k) {
        float y = kSlotY0 + kSlotStep * float(k);
        MakeButton(m[size_t(kMsCarFirst + k)], "", 14, y, 18, 3, OnCar, kWidgetNoArrows);
        m[size_t(kMsCarFirst + k)].tag = uint32_t(20 + k);
        MakeButton(m[size_t(kMsNameFirst + k)], "", 32, y, 15, 3, OnName, kWidgetNoArrows);
        m[size_t(kMsNameFirst + k)].tag = uint32_t(10 + k);
    }
    MakeList(m[kMsDrivers], OnDriverPicked, kListH, kListW - 2, 2, 2, kWidgetNoArrows, kListX, kListY, kListW);
    MakeButton(m[kMsCreateDriver], texts[kTextCreateDriver], 50, 27.5f, 16, 3, OnCreateDriver, 0);
    MakeSlider(m[kMsLength], LengthUnitCaption(), 40, 7, 26, 2, 1, settings.raceLength, 255, OnLength, kWidgetNoArrows);
    MakeTrackManagerWidgets(&m[kMainTrackWidgetFirst]);
    for (int i = 0; i < kMainTrackWidgetFirst; ++i) m[size_t(i)].style = kStyleShowsFocus;
    carPopup.resize(2);
}

}  // namespace

void FreeMainScreen() {
    mainScreen.clear();
    carPopup.clear();
    pauseMenu.clear();
}

void AddPlayer(const std::string& name) {
    int n = PlayerCount();
    int i = FindDriver(name);
    if (n >= kPlayerSlots || i < 0 || IsPlayer(name)) return;
    PlaceDriverInSlot(n, &driverList[size_t(i)]);
    FillDriversList();
    RepaintSlots();
}

void RemovePlayer(int slot) {
    int n = PlayerCount();
    if (slot < 0 || slot >= n) return;
    for (int k = slot; k + 1 < n; ++k) {
        playerSlots[k] = playerSlots[k + 1];
        ApplySlotColours(k);
    }
    PlaceDriverInSlot(n - 1, nullptr);
    FillDriversList();
    RepaintSlots();
}

void OpenMainScreen() {
    // Built once (a new language frees it); the slider follows the settings.
    if (mainScreen.size() != size_t(kMsCount)) BuildMainScreen();
    Widget& length = mainScreen[kMsLength];
    length.text = LengthUnitCaption();
    length.value = std::clamp<int>(settings.raceLength, length.low, length.high);
    // The records may have changed (a season, the Driver options page): the
    // players keep their places with what the files hold now.
    LoadDriverList();
    int n = 0;
    std::string names[kPlayerSlots];
    for (int k = 0; k < kPlayerSlots; ++k)
        if (playerSlots[k].used) names[n++] = playerSlots[k].name;
    for (int k = 0; k < kPlayerSlots; ++k) PlaceDriverInSlot(k, nullptr);
    int placed = 0;
    for (int k = 0; k < n; ++k) {
        int i = FindDriver(names[k]);
        if (i >= 0) PlaceDriverInSlot(placed++, &driverList[size_t(i)]);
    }
    FillDriversList();
    RefreshTrackManager();
    slotButtonLook = SlotLook;
    if (screenIsOpen) CloseScreen();
    InstallMenuInput();
    menuInput.typeChar = TypeChar;
    rightClickHandler = RightClick;
    // No first focus: Enter then means Start, Escape Exit.
    OpenScreen(kScreenMain, mainScreen, kScreenArrowKeys, Backdrop);
}

bool StartFromMainScreen() {
    int players = PlayerCount();
    if (players == 0 || chosenTracks.empty()) {
        ShowMessageBox(kBoxOk, texts[kTextSelectPlayersAndTracksFirst], texts[kTextOops]);
        return false;
    }
    seasonTracks.clear();
    for (const std::string& t : chosenTracks) seasonTracks.push_back("\\" + t);
    PrepareSeasonDrivers(players);
    CloseScreen();
    rightClickHandler = nullptr;
    menuInput = {};
    if (beginSeasonEntry) beginSeasonEntry(players);
    return true;
}
