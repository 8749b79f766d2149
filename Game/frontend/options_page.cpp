// The Options page (screen 4: race rules, length unit, starting order, the
// points table) and the Advanced options page (screen 5: palette, language,
// sound set, full screen, resolution, effects, shadows, vertical sync, ghost,
// volumes, goofy reverse). Both edit one pending copy of the settings, kept
// while the player moves between them and the Driver options page; OK stores
// it in settings and options.set, Cancel drops it. A change that needs the
// resources reloaded reloads them at once on the main screen, or when the
// season has returned to it when the pages were opened from the pause menu.
#include "Game/frontend/frontend_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Game/shell/folders.h"
#include "Game/shell/settings.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"

WidgetArray optionsPage, advancedPage;
bool reloadPending = false;

namespace {

Settings pending;
bool editing = false;
void (*leavePages)() = nullptr;

constexpr uint32_t kAdvancedTag = 100;
constexpr float kCaptionX = 14, kWidgetX = 40, kWidgetW = 26;
constexpr float kOptionRowY[6] = {7, 10, 13, 16, 19, 22};
constexpr float kPointsY[7] = {33, 36, 39, 42, 45, 48, 51};
constexpr float kAdvancedRowY[13] = {7, 10, 13, 18, 21, 24, 27, 30, 33, 38, 41, 44, 49};
constexpr int kAdvancedCaption[13] = {kTextPalette,     kTextLanguage,     kTextSoundSet,     kTextFullscreenMode, kTextResolution,
                                      kTextEffects,     kTextShadows,      kTextVerticalSync, kTextGhostCar,       kTextEngineVolume,
                                      kTextSkidVolume,  kTextEffectsVolume, kTextGoofyReverse};

const int kUnitText[3] = {kTextLaps, kTextKilometersUnit, kTextMinutesPlusTwoLaps};
const int kOrderText[3] = {kTextRandom, kTextPointsOrder, kTextPointsReversed};

uint8_t* OptionField(int widget) {
    switch (widget) {
    case kOpTyreWear: return &pending.tyreWear;
    case kOpFuelConsumption: return &pending.fuelConsumption;
    case kOpFuelMass: return &pending.fuelMass;
    case kOpDamage: return &pending.damage;
    default:
        if (widget >= kOpPointsFirst && widget < kOpPointsFirst + 7) return &pending.points[widget - kOpPointsFirst];
        return nullptr;
    }
}

uint8_t* AdvancedField(int widget) {
    switch (widget) {
    case kApShadows: return &pending.shadows;
    case kApVerticalSync: return &pending.verticalSync;
    case kApGhost: return &pending.ghostCar;
    case kApEngineVolume: return &pending.engineVolume;
    case kApSkidVolume: return &pending.skidVolume;
    case kApEffectsVolume: return &pending.effectsVolume;
    case kApGoofyReverse: return &pending.goofyReverse;
    default: return nullptr;
    }
}

// The effects slider shows a share of the largest particle pool (256).
int EffectsPercent(uint16_t effects) { return std::clamp(int(std::lround(effects / 2.56)), 0, 100); }
uint16_t EffectsFromPercent(int value) { return uint16_t(std::floor(value * 2.56 + 0.5)); }

std::string OnOff(bool on) { return texts[on ? kTextOn : kTextOff]; }
std::string ModeText(uint32_t w, uint32_t h) {
    char text[32];
    std::snprintf(text, sizeof text, "%ux%u", unsigned(w), unsigned(h));
    return text;
}

void FillOptions() {
    for (int i = kOpTyreWear; i < kOpCount; ++i)
        if (uint8_t* f = OptionField(i)) optionsPage[size_t(i)].value = std::clamp(int(*f), optionsPage[size_t(i)].low, optionsPage[size_t(i)].high);
    optionsPage[kOpLengthUnit].text = texts[kUnitText[std::min<int>(pending.lengthUnit, 2)]];
    optionsPage[kOpStartingOrder].text = texts[kOrderText[std::min<int>(pending.startingOrder, 2)]];
}

void FillAdvanced() {
    advancedPage[kApPalette].text = pending.palette;
    advancedPage[kApLanguage].text = pending.language;
    advancedPage[kApSoundSet].text = pending.soundSet;
    advancedPage[kApFullScreen].text = OnOff(pending.windowed == 0);
    advancedPage[kApResolution].text = ModeText(pending.screenWidthSetting, pending.screenHeightSetting);
    advancedPage[kApEffects].value = EffectsPercent(pending.effects);
    for (int i : {kApShadows, kApVerticalSync, kApGhost, kApGoofyReverse}) advancedPage[size_t(i)].text = OnOff(*AdvancedField(i) != 0);
    for (int i : {kApEngineVolume, kApSkidVolume, kApEffectsVolume}) advancedPage[size_t(i)].value = std::min<int>(*AdvancedField(i), 100);
}

void OptionsBackdrop() {
    DrawPage(texts[kTextOptionsTitle]);
    for (int r = 0; r < 6; ++r) DrawCaption(texts[kTextTyreWear + r], kCaptionX, kOptionRowY[r], 25, kCaptionColour, false);
    DrawCaption(texts[kTextPoints], kCaptionX, 29, 25, kCaptionColour, false);
    for (int r = 0; r < 7; ++r) DrawCaption(texts[kTextFirstPlace + r], kCaptionX, kPointsY[r], 25, kCaptionColour, false);
}

void AdvancedBackdrop() {
    DrawPage(texts[kTextAdvancedOptions]);
    for (int r = 0; r < 13; ++r) DrawCaption(texts[kAdvancedCaption[r]], kCaptionX, kAdvancedRowY[r], 25, kCaptionColour, false);
}

void OpenPage(bool advanced) {
    if (screenIsOpen) CloseScreen();
    InstallMenuInput();
    if (advanced) {
        FillAdvanced();
        OpenScreen(kScreenAdvanced, advancedPage, kScreenArrowKeys, AdvancedBackdrop);
    } else {
        FillOptions();
        OpenScreen(kScreenOptions, optionsPage, kScreenArrowKeys, OptionsBackdrop);
    }
}

void Begin(void (*onLeave)()) {
    if (optionsPage.empty() || advancedPage.empty()) BuildOptionPages();
    if (editing) return;
    pending = settings;
    editing = true;
    leavePages = onLeave;
}

void Finish(bool store) {
    if (screenIsOpen) CloseScreen();
    editing = false;
    FinishDriverEdits(store);
    bool reload = false;
    if (store) {
        Settings before = settings;
        settings = pending;
        SaveOptions();
        reload = NeedsReload(before, settings);
    }
    void (*leave)() = leavePages;
    leavePages = nullptr;
    if (reload) {
        // During a season the race keeps its resources until it is over.
        if (leave != OpenMainScreen || !reloadResources) {
            reloadPending = true;
        } else {
            reloadResources();  // which shows the main screen again
            return;
        }
    }
    if (leave) leave();
}

void OnOk(Widget&) { Finish(true); }
void OnCancel(Widget&) { Finish(false); }

void ToOptions(Widget&) { OpenPage(false); }
void ToAdvanced(Widget&) { OpenPage(true); }

void DriverPageLeft() { Finish(driverPageAccepted); }

void ToDrivers(Widget&) {
    CloseScreen();
    OpenDriverPage(DriverPageLeft);
}

void OnOptionSlider(Widget& w) {
    if (uint8_t* f = OptionField(int(w.tag))) *f = uint8_t(std::clamp(w.value, 0, 255));
}

void OnCycle(Widget& w) {
    uint8_t& field = w.tag == kOpLengthUnit ? pending.lengthUnit : pending.startingOrder;
    field = uint8_t((field + 1) % 3);
    FillOptions();
    MarkRedraw(w, kRedrawValue);
}

void OnAdvancedSlider(Widget& w) {
    int widget = int(w.tag - kAdvancedTag);
    if (widget == kApEffects) {
        pending.effects = EffectsFromPercent(w.value);
    } else if (uint8_t* f = AdvancedField(widget)) {
        *f = uint8_t(std::clamp(w.value, 0, 100));
    }
}

void OnToggle(Widget& w) {
    int widget = int(w.tag - kAdvancedTag);
    if (widget == kApFullScreen) {
        pending.windowed = pending.windowed ? 0 : 1;
    } else if (uint8_t* f = AdvancedField(widget)) {
        *f = *f ? 0 : 1;
    }
    FillAdvanced();
    MarkRedraw(w, kRedrawValue);
}

// A name from a folder listing into a setting of at most 22 characters.
void PickName(Widget& w, int (*fill)(std::vector<std::string>&), char* field) {
    std::vector<std::string> names;
    fill(names);
    if (names.empty()) return;
    int current = -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == field) current = int(i);
    int picked = ShowPickList(w.text, names, current);
    if (picked < 0 || size_t(picked) >= names.size()) return;
    std::memset(field, 0, kSettingNameLength + 1);
    std::strncpy(field, names[size_t(picked)].c_str(), kSettingNameLength);
    FillAdvanced();
    RepaintScreen();
}

void OnPalette(Widget& w) { PickName(w, FillPaletteList, pending.palette); }
void OnLanguage(Widget& w) { PickName(w, FillLanguageList, pending.language); }
void OnSoundSet(Widget& w) { PickName(w, FillSoundSetList, pending.soundSet); }

void OnResolution(Widget& w) {
    std::vector<std::string> names;
    int current = -1;
    for (const DisplayMode& m : displayModes) {
        if (m.width == pending.screenWidthSetting && m.height == pending.screenHeightSetting) current = int(names.size());
        names.push_back(ModeText(m.width, m.height));
    }
    if (names.empty()) return;
    int picked = ShowPickList(w.text, names, current);
    if (picked < 0 || size_t(picked) >= displayModes.size()) return;
    pending.screenWidthSetting = displayModes[size_t(picked)].width;
    pending.screenHeightSetting = displayModes[size_t(picked)].height;
    FillAdvanced();
    RepaintScreen();
}

void BottomButtons(WidgetArray& page, int other, WidgetCallback toOther) {
    MakeButton(page[0], texts[kTextCancel], 0, 56, 20, 4, OnCancel, kWidgetCancel);
    MakeButton(page[1], texts[other], 40, 56, 20, 4, toOther, 0);
    MakeButton(page[2], texts[kTextDrivers], 20, 56, 20, 4, ToDrivers, 0);
    MakeButton(page[3], texts[kTextOk], 60, 56, 20, 4, OnOk, kWidgetDefault);
}

void AdvancedOptionsFromDriverPage() {
    Begin(OpenMainScreen);
    OpenPage(true);
}

void OptionsFromDriverPage() {
    Begin(OpenMainScreen);
    OpenPage(false);
}

}  // namespace

void BuildOptionPages() {
    optionsPage.resize(kOpCount);
    WidgetArray& o = optionsPage;
    BottomButtons(o, kTextAdvanced, ToAdvanced);
    const int highs[4] = {100, 100, 200, 100};
    for (int r = 0; r < 4; ++r) {
        MakeSlider(o[size_t(kOpTyreWear + r)], "", kWidgetX, kOptionRowY[r], kWidgetW, 2, 0, 0, highs[r], OnOptionSlider,
                   kWidgetNoArrows);
        o[size_t(kOpTyreWear + r)].tag = uint32_t(kOpTyreWear + r);
    }
    MakeButton(o[kOpLengthUnit], "", kWidgetX, kOptionRowY[4], kWidgetW, 2.5f, OnCycle, 0);
    o[kOpLengthUnit].tag = kOpLengthUnit;
    MakeButton(o[kOpStartingOrder], "", kWidgetX, kOptionRowY[5], kWidgetW, 2.5f, OnCycle, 0);
    o[kOpStartingOrder].tag = kOpStartingOrder;
    for (int r = 0; r < 7; ++r) {
        MakeSlider(o[size_t(kOpPointsFirst + r)], texts[kTextPointUnit], kWidgetX, kPointsY[r], kWidgetW, 2, 0, 0, 50,
                   OnOptionSlider, kWidgetNoArrows);
        o[size_t(kOpPointsFirst + r)].tag = uint32_t(kOpPointsFirst + r);
    }
    for (Widget& w : o) w.style = kStyleShowsFocus;

    advancedPage.resize(kApCount);
    WidgetArray& a = advancedPage;
    BottomButtons(a, kTextOptions, ToOptions);
    const WidgetCallback pickers[3] = {OnPalette, OnLanguage, OnSoundSet};
    for (int r = 0; r < 3; ++r) MakeButton(a[size_t(kApPalette + r)], "", kWidgetX, kAdvancedRowY[r], kWidgetW, 2.5f, pickers[r], 0);
    MakeButton(a[kApFullScreen], "", kWidgetX, kAdvancedRowY[3], kWidgetW, 2.5f, OnToggle, 0);
    MakeButton(a[kApResolution], "", kWidgetX, kAdvancedRowY[4], kWidgetW, 2.5f, OnResolution, 0);
    MakeSlider(a[kApEffects], "", kWidgetX, kAdvancedRowY[5], kWidgetW, 2, 0, 0, 100, OnAdvancedSlider, kWidgetNoArrows);
    for (int r = 0; r < 3; ++r)
        MakeButton(a[size_t(kApShadows + r)], "", kWidgetX, kAdvancedRowY[6 + r], kWidgetW, 2.5f, OnToggle, 0);
    for (int r = 0; r < 3; ++r)
        MakeSlider(a[size_t(kApEngineVolume + r)], "", kWidgetX, kAdvancedRowY[9 + r], kWidgetW, 2, 0, 0, 100, OnAdvancedSlider,
                   kWidgetNoArrows);
    MakeButton(a[kApGoofyReverse], "", kWidgetX, kAdvancedRowY[12], kWidgetW, 2.5f, OnToggle, 0);
    // Tags 100 and up: the painters give low tags looks of their own.
    for (int i = 0; i < kApCount; ++i) {
        a[size_t(i)].tag = uint32_t(kAdvancedTag + i);
        a[size_t(i)].style = kStyleShowsFocus;
    }
    openOptionsPage = OptionsFromDriverPage;
    openAdvancedPage = AdvancedOptionsFromDriverPage;
}

void FreeOptionPages() {
    optionsPage.clear();
    advancedPage.clear();
    editing = false;
    leavePages = nullptr;
}

bool NeedsReload(const Settings& before, const Settings& after) {
    return before.screenWidthSetting != after.screenWidthSetting || before.screenHeightSetting != after.screenHeightSetting ||
           before.windowed != after.windowed || std::strcmp(before.language, after.language) != 0 ||
           std::strcmp(before.palette, after.palette) != 0 || std::strcmp(before.soundSet, after.soundSet) != 0;
}

void OpenOptionsPage(void (*onLeave)()) {
    Begin(onLeave);
    OpenPage(false);
}

void OpenAdvancedPage(void (*onLeave)()) {
    Begin(onLeave);
    OpenPage(true);
}
