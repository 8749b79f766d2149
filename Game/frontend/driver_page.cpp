// The Driver options page (screen 6): the drivers list, the edited driver's
// car, colours, controls or AI skill, and the create-driver box; and the
// statistics box (screen 10). Edits stay in memory until OK saves the
// drivers that changed; Cancel reads them back from their files. Creating
// and deleting a driver act on the files at once.
#include "Game/frontend/frontend_internal.h"

#include <algorithm>
#include <cstring>

#include "Game/race/cars.h"
#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"

WidgetArray driverPage;
void (*openOptionsPage)() = nullptr;
void (*openAdvancedPage)() = nullptr;
bool driverPageAccepted = false;

namespace {

WidgetArray statsBox;
enum { kSbReset = 0, kSbOk };

void (*leavePage)() = nullptr;
int edited = -1;                                // index in driverList
std::vector<bool> changed;                      // per driverList entry: unsaved edits
bool createBoxOpen = false;
bool awayOnOptions = false;                     // left for the option pages with the edits in memory
std::string statsName;                          // driver shown by the statistics box
DriverRecord statsRecord;

constexpr float kListX = 8, kListY = 8.5f, kListW = 18, kListH = 42;
constexpr float kRightX = 40, kRightW = 26;
constexpr float kSliderY[6] = {13, 16, 19, 23, 26, 29};
constexpr float kBindY0 = 36.5f;

DriverRecord* Edited() { return edited >= 0 && edited < int(driverList.size()) ? &driverList[size_t(edited)].record : nullptr; }

void MarkChanged() {
    if (edited >= 0 && edited < int(changed.size())) changed[size_t(edited)] = true;
}

// The edited driver's copy in a player slot follows every edit.
void SyncSlot() {
    DriverRecord* d = Edited();
    if (!d) return;
    for (int s = 0; s < kPlayerSlots; ++s) {
        if (playerSlots[s].used && playerSlots[s].name == driverList[size_t(edited)].name) {
            playerSlots[s].record = *d;
            ApplySlotColours(s);
        }
    }
}

std::string BindingText(const DriverRecord& d, int k) {
    std::string name;
    if (d.controls[k] == -1) {
        name = JoyBindingName(d.bindings[k]);
    } else if (d.controls[k] > 0) {
        name = KeyName(d.controls[k]);
    }
    return name.empty() ? texts[kTextUnassigned] : name;
}

std::string CarName(uint32_t car) {
    if (car >= carCatalogue.size()) return texts[kTextUnassigned];
    const char* name = carCatalogue[car].name;
    return std::string(name, strnlen(name, sizeof carCatalogue[car].name));
}

// Shows the widgets that fit the page's state and fills them from the edited driver.
void UpdatePage() {
    DriverRecord* d = Edited();
    bool human = d && !IsComputerDriver(*d);
    for (int i = 0; i < kDpCount; ++i) {
        bool show = true;
        if (i >= kDpName) {
            show = createBoxOpen;
        } else if (createBoxOpen) {
            show = false;
        } else if (i == kDpOptions) {
            show = openOptionsPage != nullptr;
        } else if (i == kDpAdvanced) {
            show = openAdvancedPage != nullptr;
        } else if (i >= kDpBindFirst && i < kDpBindFirst + 4) {
            show = human;
        } else if (i == kDpSkill) {
            show = d && !human;
        } else if (i == kDpCar || (i >= kDpColourFirst && i < kDpColourFirst + 6) || i == kDpDelete || i == kDpStats) {
            show = d != nullptr;
        }
        SetWidgetHidden(driverPage[size_t(i)], !show);
    }
    if (!d) return;
    for (int k = 0; k < 4; ++k) driverPage[size_t(kDpBindFirst + k)].text = BindingText(*d, k);
    driverPage[kDpCar].text = CarName(d->car);
    const uint32_t colours[2] = {d->colour1, d->colour2};
    for (int c = 0; c < 6; ++c) driverPage[size_t(kDpColourFirst + c)].value = int((colours[c / 3] >> (16 - 8 * (c % 3))) & 255);
    driverPage[kDpSkill].value = std::clamp(d->controls[1], 0, kMaxAiSkill);
}

// The palette entry nearest to a colour, outside the car slots' entries:
// the page shows each body colour with it.
uint8_t NearestEntry(uint32_t colour) {
    uint32_t packed[256];
    CurrentPalette(packed);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
        if (i >= kCarColoursFirst && i <= kCarColoursLast) continue;
        long d = 0;
        for (int shift : {16, 8, 0}) {
            long c = long((colour >> shift) & 255) - long((packed[i] >> shift) & 255);
            d += c * c;
        }
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return uint8_t(best);
}

void DrawSwatches() {
    DriverRecord* d = Edited();
    if (!d || createBoxOpen || !backBuffer) return;
    const uint32_t colours[2] = {d->colour1, d->colour2};
    for (int c = 0; c < 2; ++c) {
        float y = kSliderY[3 * c];
        DrawPanel(kRightX + kRightW + 1, y, 3, 8.5f);
        FillRect(NearestEntry(colours[c]), CellToPixelX(kRightX + kRightW + 1.5f), CellToPixelY(y + 0.5f),
                 CellToPixelX(kRightX + kRightW + 3.5f), CellToPixelY(y + 8));
    }
}

void Backdrop() {
    DrawPage(texts[kTextDriverOptions]);
    DrawCaption(texts[kTextDriver], kListX, kListY - 2.5f, kListW, kCaptionColour, false);
    if (createBoxOpen) {
        DrawPanel(20, 21, 40, 21);
        DrawCaption(texts[kTextCreateDriver], 20, 22.5f, 40, kPanelTitle, true);
        DrawCaptionRight(texts[kTextName], 37, 27, kCaptionColour);
        DrawCaptionRight(texts[kTextType], 37, 31, kCaptionColour);
        return;
    }
    DriverRecord* d = Edited();
    if (!d) return;
    DrawCaption(texts[kTextColors], kRightX, 10.5f, kRightW, kCaptionColour, false);
    DrawSwatches();
    static const char* const kChannel[3] = {"R", "G", "B"};
    for (int c = 0; c < 6; ++c) DrawCaptionRight(kChannel[c % 3], kRightX - 1, kSliderY[c] + 0.25f, kCaptionColour);
    if (IsComputerDriver(*d)) {
        DrawCaption(texts[kTextAiDriverSkill], kRightX, 34, kRightW, kCaptionColour, false);
    } else {
        DrawCaption(texts[kTextControls], kRightX, 33.5f, kRightW, kCaptionColour, false);
        for (int k = 0; k < 4; ++k) DrawCaptionRight(texts[kTextAccelerate + k], kRightX - 1, kBindY0 + 3 * k + 0.5f, kCaptionColour);
    }
}

void FillDriverList() {
    Widget& list = driverPage[kDpList];
    ListClear(list);
    for (const NamedDriver& d : driverList) ListAdd(list, d.name);
    ListSelect(list, edited);
}

void Edit(int index) {
    edited = index >= 0 && index < int(driverList.size()) ? index : -1;
    UpdatePage();
}

// Leaves the page: every screen of the page closes before the caller's screen comes.
void Leave() {
    CloseScreen();
    createBoxOpen = false;
    if (leavePage) leavePage();
}

bool SaveChanged() {
    for (size_t i = 0; i < driverList.size() && i < changed.size(); ++i) {
        if (changed[i] && !SaveDriver(driverList[i].record, driverList[i].name)) {
            ShowMessageBox(kBoxOk, texts[kTextOops], driverList[i].name);
            return false;
        }
        if (i < changed.size()) changed[i] = false;
    }
    return true;
}

// The files still hold what was there before the edits.
void DropChanged() {
    LoadDriverList();
    changed.assign(driverList.size(), false);
    for (int s = 0; s < kPlayerSlots; ++s) {
        int i = playerSlots[s].used ? FindDriver(playerSlots[s].name) : -1;
        if (i >= 0) PlaceDriverInSlot(s, &driverList[size_t(i)]);
    }
}

void OnOk(Widget&) {
    if (!SaveChanged()) return;
    driverPageAccepted = true;
    Leave();
}

void OnCancel(Widget&) {
    DropChanged();
    driverPageAccepted = false;
    Leave();
}

void OnOptions(Widget&) {
    if (!openOptionsPage) return;
    CloseScreen();
    awayOnOptions = true;
    openOptionsPage();
}

void OnAdvanced(Widget&) {
    if (!openAdvancedPage) return;
    CloseScreen();
    awayOnOptions = true;
    openAdvancedPage();
}

void OnBind(Widget& w) {
    DriverRecord* d = Edited();
    if (!d) return;
    int k = int(w.tag);
    JoyBinding captured = d->bindings[k];
    int result = CaptureBinding(texts[kTextAccelerate + k].c_str(), &captured);
    if (result >= 0) {
        d->controls[k] = result;
        d->bindings[k].joystick = -1;
    } else if (result == -2) {
        d->controls[k] = -1;
        d->bindings[k] = captured;
    } else {
        RepaintScreen();  // the prompt was drawn over the screen
        return;
    }
    MarkChanged();
    SyncSlot();
    UpdatePage();
    RepaintScreen();
}

void OnPickDriver(Widget& list) {
    if (list.list->selected < 0) return;
    Edit(list.list->selected);
    RepaintScreen();
}

void OnCar(Widget&) {
    DriverRecord* d = Edited();
    if (!d) return;
    std::vector<std::string> names;
    for (uint32_t i = 0; i < carCatalogue.size(); ++i) names.push_back(CarName(i));
    int car = ShowPickList(driverList[size_t(edited)].name, names, int(d->car));
    if (car >= 0 && uint32_t(car) != d->car) {
        d->car = uint32_t(car);
        MarkChanged();
        SyncSlot();
        UpdatePage();
        MarkRedraw(driverPage[kDpCar], kRedrawValue);
    }
}

void OnColour(Widget& w) {
    DriverRecord* d = Edited();
    if (!d) return;
    int base = int(w.tag) < 3 ? kDpColourFirst : kDpColourFirst + 3;
    uint32_t packed = (uint32_t(driverPage[size_t(base)].value) << 16) | (uint32_t(driverPage[size_t(base + 1)].value) << 8) |
                      uint32_t(driverPage[size_t(base + 2)].value);
    uint32_t& colour = int(w.tag) < 3 ? d->colour1 : d->colour2;
    if (colour == packed) return;
    colour = packed;
    MarkChanged();
    SyncSlot();
    DrawSwatches();
}

void OnSkill(Widget& w) {
    DriverRecord* d = Edited();
    if (!d || d->controls[1] == w.value) return;
    d->controls[1] = w.value;
    MarkChanged();
    SyncSlot();
}

void OpenCreateBox() {
    createBoxOpen = true;
    SetFieldText(driverPage[kDpName], "");
    driverPage[kDpType].tag = 0;
    driverPage[kDpType].text = texts[kTextHuman];
    UpdatePage();
    RepaintScreen();
    // The name field takes the focus, so typing goes straight into it.
    if (currentScreen.focus >= 0) currentScreen.widgets[currentScreen.focus].state &= ~(kStateFocused | kStatePressed);
    currentScreen.focus = kDpName;
    driverPage[kDpName].state |= kStateFocused;
    MarkRedraw(driverPage[kDpName], kRedrawAll);
}

void CloseCreateBox(int focus) {
    createBoxOpen = false;
    currentScreen.editing = -1;
    for (Widget& w : driverPage) w.state = 0;
    currentScreen.focus = focus;
    UpdatePage();
    if (focus >= 0 && !(driverPage[size_t(focus)].flags & kWidgetHidden)) {
        driverPage[size_t(focus)].state |= kStateFocused;
    } else {
        currentScreen.focus = -1;
    }
    RepaintScreen();
}

void OnCreate(Widget&) { OpenCreateBox(); }

void OnType(Widget& w) {
    w.tag ^= 1;
    w.text = texts[w.tag ? kTextComputer : kTextHuman];
    MarkRedraw(w, kRedrawValue);
}

void OnCreateOk(Widget&) {
    std::string name = driverPage[kDpName].text;
    if (!DriverNameValid(name)) {
        ShowMessageBox(kBoxOk, texts[kTextDriverNeedsName], texts[kTextCreateDriver]);
        return;
    }
    // A file of that name the list does not show (in other letters, or one
    // that cannot be read) is a driver too: it is never replaced.
    std::string onDisk;
    EnterBaseDirectory();
    if (FindDriver(name) >= 0 || FindFileNoCase("drivers", name + ".drv", onDisk)) {
        ShowMessageBox(kBoxOk, texts[kTextDriverAlreadyExists], texts[kTextCreateDriver]);
        return;
    }
    NamedDriver d;
    d.name = name;
    d.record = NewDriver(driverPage[kDpType].tag == 1);
    if (!SaveDriver(d.record, name)) {
        ShowMessageBox(kBoxOk, texts[kTextOops], texts[kTextCreateDriver]);
        return;
    }
    auto at = std::find_if(driverList.begin(), driverList.end(), [&](const NamedDriver& o) { return NameLess(name, o.name); });
    size_t index = size_t(at - driverList.begin());
    driverList.insert(at, d);
    changed.insert(changed.begin() + long(index), false);
    edited = int(index);
    FillDriverList();
    CloseCreateBox(IsComputerDriver(d.record) ? kDpCreate : kDpBindFirst);
}

void OnCreateCancel(Widget&) { CloseCreateBox(kDpCreate); }

void OnDelete(Widget&) {
    if (!Edited()) return;
    std::string name = driverList[size_t(edited)].name;
    if (!ShowMessageBox(kBoxYesNo, texts[kTextReallyDelete] + " '" + name + "'?", texts[kTextDeleteDriver])) return;
    DeleteDriver(name);  // a file already gone only leaves the list
    for (int s = 0; s < kPlayerSlots; ++s) {
        if (playerSlots[s].used && playerSlots[s].name == name) PlaceDriverInSlot(s, nullptr);
    }
    driverList.erase(driverList.begin() + edited);
    changed.erase(changed.begin() + edited);
    edited = std::min(edited, int(driverList.size()) - 1);
    FillDriverList();
    UpdatePage();
    RepaintScreen();
}

void OnStats(Widget&) {
    if (Edited()) ShowDriverStatistics(driverList[size_t(edited)].name);
}

// ---------------------------------------------------------------- statistics box

void StatsBackdrop() {
    const DriverRecord& d = statsRecord;
    DrawPanel(14, 9, 52, 41);
    DrawCaption(texts[kTextDriverStatistics] + " - " + statsName, 14, 10.5f, 52, kPanelTitle, true);
    auto number = [](uint32_t v) { return std::to_string(v); };
    DrawCaptionRight(texts[kTextSeasons], 47, 14.5f, kCaptionColour);
    DrawCaptionRight(texts[kTextRaces], 61, 14.5f, kCaptionColour);
    for (int i = 0; i < 6; ++i) {
        float y = 17.5f + 2 * float(i);
        DrawCaption(texts[kTextWins + i], 18, y, 20, kPanelText, false);
        DrawCaptionRight(number(d.seasonPlaces[i]), 47, y, kPanelText);
        DrawCaptionRight(number(d.racePlaces[i]), 61, y, kPanelText);
    }
    DrawCaption(texts[kTextTotal], 18, 30.5f, 20, kPanelText, false);
    DrawCaptionRight(number(d.seasons), 47, 30.5f, kPanelText);
    DrawCaptionRight(number(d.races), 61, 30.5f, kPanelText);
    DrawCaption(texts[kTextTotalPoints], 18, 35, 28, kPanelText, false);
    DrawCaptionRight(number(d.totalPoints), 61, 35, kPanelText);
    DrawCaption(texts[kTextFastestLaps], 18, 37.5f, 28, kPanelText, false);
    DrawCaptionRight(number(d.fastestLaps), 61, 37.5f, kPanelText);
}

void OnStatsOk(Widget&) { EndModal(0); }

// Zeroes the statistics in the file and in every copy in memory; the rest
// of the record is taken from the file, so unsaved page edits stay unsaved.
void OnStatsReset(Widget&) {
    if (!ShowMessageBox(kBoxYesNo, texts[kTextAreYouSureReset], texts[kTextReset])) return;
    DriverRecord onDisk;
    if (LoadDriver(statsName, onDisk) != 0) onDisk = statsRecord;
    ResetDriverStatistics(onDisk);
    if (!SaveDriver(onDisk, statsName)) ShowMessageBox(kBoxOk, texts[kTextOops], texts[kTextReset]);
    ResetDriverStatistics(statsRecord);
    int i = FindDriver(statsName);
    if (i >= 0) ResetDriverStatistics(driverList[size_t(i)].record);
    for (PlayerSlot& s : playerSlots) {
        if (s.used && s.name == statsName) ResetDriverStatistics(s.record);
    }
    RepaintScreen();
}

}  // namespace

void BuildDriverPage() {
    if (driverPage.size() != size_t(kDpCount)) driverPage.resize(kDpCount);
    WidgetArray& p = driverPage;
    MakeButton(p[kDpCancel], texts[kTextCancel], 0, 56, 20, 4, OnCancel, kWidgetCancel);
    MakeButton(p[kDpOptions], texts[kTextOptions], 20, 56, 20, 4, OnOptions, 0);
    MakeButton(p[kDpAdvanced], texts[kTextAdvanced], 40, 56, 20, 4, OnAdvanced, 0);
    MakeButton(p[kDpOk], texts[kTextOk], 60, 56, 20, 4, OnOk, kWidgetDefault);
    for (int k = 0; k < 4; ++k) {
        MakeButton(p[size_t(kDpBindFirst + k)], texts[kTextUnassigned], kRightX, kBindY0 + 3 * float(k), kRightW, 3, OnBind, 0);
        p[size_t(kDpBindFirst + k)].tag = uint32_t(k);
    }
    MakeList(p[kDpList], OnPickDriver, kListH, kListW, 2, 2, kWidgetNoArrows, kListX, kListY, kListW);
    MakeButton(p[kDpCar], "", kRightX, 6.5f, kRightW, 3, OnCar, 0);
    for (int c = 0; c < 6; ++c) {
        MakeSlider(p[size_t(kDpColourFirst + c)], "", kRightX, kSliderY[c], kRightW, 2.5f, 0, 0, 255, OnColour,
                   kWidgetNoArrows);
        p[size_t(kDpColourFirst + c)].tag = uint32_t(c);
    }
    MakeSlider(p[kDpSkill], "", kRightX, 37, kRightW, 2.5f, 0, 100, kMaxAiSkill, OnSkill, kWidgetNoArrows);
    MakeButton(p[kDpCreate], texts[kTextCreateDriver], 10, 52, 20, 3, OnCreate, 0);
    MakeButton(p[kDpDelete], texts[kTextDeleteDriver], 30, 52, 20, 3, OnDelete, 0);
    MakeButton(p[kDpStats], texts[kTextDriverStats], 50, 52, 20, 3, OnStats, 0);
    MakeTextField(p[kDpName], "", 38, 26.5f, 16, 3, kDriverNameLength);
    MakeButton(p[kDpType], texts[kTextHuman], 38, 30.5f, 16, 3, OnType, 0);
    MakeButton(p[kDpCreateOk], texts[kTextOk], 24, 37, 16, 3, OnCreateOk, kWidgetDefault);
    MakeButton(p[kDpCreateCancel], texts[kTextCancel], 40, 37, 16, 3, OnCreateCancel, kWidgetCancel);
    for (Widget& w : p) w.style = kStyleShowsFocus;
    for (int i = kDpName; i < kDpCount; ++i) p[size_t(i)].flags |= kWidgetHidden;

    statsBox.resize(2);
    MakeButton(statsBox[kSbReset], texts[kTextReset], 20, 46, 20, 3, OnStatsReset, 0);
    MakeButton(statsBox[kSbOk], texts[kTextMessageOk], 40, 46, 20, 3, OnStatsOk, kWidgetDefault | kWidgetCancel);
    for (Widget& w : statsBox) w.style = kStyleShowsFocus;
}

void FreeDriverPage() {
    driverPage.clear();
    statsBox.clear();
    edited = -1;
    changed.clear();
    awayOnOptions = false;
    createBoxOpen = false;
}

void OpenDriverPage(void (*onLeave)()) {
    if (driverPage.empty()) BuildDriverPage();
    leavePage = onLeave;
    // Back from the option pages the unsaved edits are still there.
    if (!awayOnOptions || changed.size() != driverList.size()) {
        LoadDriverList();
        changed.assign(driverList.size(), false);
    }
    awayOnOptions = false;
    createBoxOpen = false;
    edited = driverList.empty() ? -1 : std::clamp(edited, 0, int(driverList.size()) - 1);
    FillDriverList();
    UpdatePage();
    InstallMenuInput();
    if (screenIsOpen) CloseScreen();
    OpenScreen(kScreenDriverOptions, driverPage, kScreenArrowKeys | kScreenFocusFirst, Backdrop);
}

void FinishDriverEdits(bool store) {
    if (!awayOnOptions) return;
    awayOnOptions = false;
    if (!store || !SaveChanged()) DropChanged();
}

void OpenDriverPageCreateBox() {
    OpenDriverPage(leavePage);
    OpenCreateBox();
    RepaintChanged();
}

void ShowDriverStatistics(const std::string& name) {
    if (statsBox.empty()) BuildDriverPage();
    int i = FindDriver(name);
    if (i >= 0) {
        statsRecord = driverList[size_t(i)].record;
    } else if (LoadDriver(name, statsRecord) != 0) {
        return;
    }
    statsName = name;
    // No focus at first, so that Enter means OK and never Reset.
    RunModal(kScreenDriverStats, statsBox, kScreenArrowKeys, StatsBackdrop);
}
