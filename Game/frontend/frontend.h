// The front-end: the retained widget system every menu screen is built from
// (screens as arrays of widget records, focus, keyboard and mouse, partial
// repaint), the modal boxes (message, text input, file dialog, statistics,
// about), the drivers (their files in "drivers", the player slots and the
// Driver options page), the main screen, the option pages, the pause menu,
// the season's bookkeeping and the "Select control for" prompt.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Game/race/race.h"
#include "Game/shell/input.h"
#include "Game/shell/settings.h"
#include "trackfile/byte_io.h"

// Shows the prompt for controlName and waits for a key release or a joystick
// input: the key code, -1 when cancelled (Escape, Return), -2 when a joystick
// input was captured into binding.
int CaptureBinding(const char* controlName, JoyBinding* binding);

// ---------------------------------------------------------------- widgets

enum WidgetKind : uint8_t { kButton = 1, kTextField = 2, kSlider = 3, kList = 4 };

constexpr uint32_t kRedrawAll = 0x0FFFFFFF;     // every part of the widget
constexpr uint32_t kRedrawPressed = 2;
constexpr uint32_t kRedrawEdit = 4;
constexpr uint32_t kRedrawValue = 8;

constexpr uint32_t kStateFocused = 1;
constexpr uint32_t kStatePressed = 2;
constexpr uint32_t kStateEditing = 4;

constexpr uint32_t kWidgetHidden = 1;           // not drawn, not hit, loses focus
constexpr uint32_t kWidgetNoArrows = 2;         // not reachable by the arrow keys
constexpr uint32_t kSliderNoBoxes = 4;          // slider without arrow boxes
constexpr uint32_t kWidgetDefault = 32;         // pressed by Enter
constexpr uint32_t kWidgetCancel = 64;          // pressed by Escape

constexpr uint16_t kStyleShowsFocus = 3;        // a button that shows the keyboard focus

constexpr uint32_t kScreenArrowKeys = 1;        // arrow keys move the focus
constexpr uint32_t kScreenFocusFirst = 4;       // the first button takes the focus on opening
constexpr uint32_t kScreenListKeys = 8;         // arrow keys move the selection of the screen's list

constexpr int kTextFieldDefaultMax = 32;

struct ListEntry {
    uint32_t value = 0;
    std::string text;
    uint32_t mark = 0;                          // choice mark, cleared when the screen closes
    uint32_t extra = 0;
};

struct ListModel {
    int32_t selected = -1;                      // -1 none
    int32_t anchor = -1;
    int32_t visibleRows = 1;
    int32_t columns = 1;
    float columnWidth = 1;                      // cells
    float rowHeight = 1;                        // cells
    float scrollBarWidth = 1;                   // cells
    std::vector<ListEntry> entries;
};

struct Widget;
using WidgetCallback = void (*)(Widget& widget);
using WidgetPainter = void (*)(Widget& widget);

struct Widget {
    uint32_t id = 0;                            // (screen id << 16) + index, set when opened
    uint32_t redraw = 0;                        // kRedraw* bits still to paint
    uint32_t state = 0;                         // kState* bits
    float x = 0, y = 0, width = 0, height = 0;  // cells of the 80 x 60 grid
    int32_t low = 0;                            // slider minimum; list: lowest scroll position
    int32_t value = 0;                          // slider value; list: scroll position; field: length
    int32_t high = 0;                           // slider maximum; list: highest scroll; field: maximum length
    std::string text;                           // caption or contents
    uint8_t kind = kButton;
    uint16_t style = 0;
    uint32_t tag = 0;
    uint32_t flags = 0;
    std::unique_ptr<ListModel> list;            // kind kList only
    WidgetCallback onActivate = nullptr;
};

// The screen that receives the menu input; moved out and back as a block by
// SuspendScreen and ResumeScreen.
struct CurrentScreen {
    uint32_t screenId = 0;
    WidgetPainter paintButton = nullptr;
    WidgetPainter paintTextField = nullptr;
    WidgetPainter paintSlider = nullptr;
    WidgetPainter paintList = nullptr;
    void (*backdrop)() = nullptr;               // draws what lies behind the widgets (may be null)
    float pixelScale = 1;                       // pixels per cell
    int32_t count = 0;
    int32_t focus = -1;
    uint8_t mouseHeld = 0;                      // left button went down on the focused widget
    uint8_t listDrag = 0;                       // dragging a slider or a list's scroll bar
    int32_t editing = -1;                       // text field in edit mode
    int16_t wheel = 0;                          // wheel accumulator, 120 per notch
    uint32_t flags = 0;                         // kScreen* bits
    Widget* widgets = nullptr;
};
extern CurrentScreen currentScreen;
extern bool screenIsOpen;

// A screen's widgets, built once at start-up.
using WidgetArray = std::vector<Widget>;

// Makes a screen current and paints it; -1 when a screen is already open.
int OpenScreen(uint32_t screenId, Widget* widgets, int count, WidgetPainter textFieldPainter,
               WidgetPainter sliderPainter, WidgetPainter listPainter, uint32_t flags, float pixelScale,
               void (*backdrop)() = nullptr);
// Same, with the common painters and the current UI scale.
int OpenScreen(uint32_t screenId, WidgetArray& widgets, uint32_t flags, void (*backdrop)() = nullptr);
void CloseScreen();                             // clears widget states and list selections; no screen open
CurrentScreen* SuspendScreen();                 // moves the open screen out (null when none is open)
int ResumeScreen(CurrentScreen* saved);         // puts it back, frees the copy, repaints; -1 if one is open
void RepaintScreen();                           // backdrop and every visible widget, in full
void RepaintChanged();                          // paints the widgets whose redraw mask is set
void MarkRedraw(Widget& widget, uint32_t what); // asks for a repaint at the next RepaintChanged

// Builders: each fills one record and clears its state.
void MakeButton(Widget& w, const std::string& caption, float x, float y, float width, float height,
                WidgetCallback callback, uint32_t flags);
void MakeTextField(Widget& w, const std::string& text, float x, float y, float width, float height,
                   int maxLength);
void MakeSlider(Widget& w, const std::string& caption, float x, float y, float width, float height,
                int low, int value, int high, WidgetCallback callback, uint32_t flags);
void MakeList(Widget& w, WidgetCallback callback, float height, float columnWidth, float rowHeight,
              float scrollBarWidth, uint32_t flags, float x, float y, float width);
void ListAdd(Widget& list, const std::string& text, uint32_t value = 0);
void ListClear(Widget& list);                   // no entries, nothing selected, scrolled to the top
void ListSelect(Widget& list, int index);       // selects (or -1) and scrolls the entry into view
void SetWidgetHidden(Widget& w, bool hidden);
void SetFieldText(Widget& field, const std::string& text); // contents and length, cut to the maximum
std::string UnitForm(const std::string& caption, int value); // "point|points": singular for 1

// Event entry points, called by the main loop's dispatch while no race runs
// (pixel coordinates for the pointer). InstallMenuInput routes them.
void MenuCancel(bool pressed);                  // Escape
void MenuActivate(bool pressed);                // Enter or keypad Enter
void MenuMoveFocus(int delta);                  // -1 previous (Up, Right), +1 next (Down, Left)
void MenuTypeChar(int ch);                      // 32..126 appends, 8 erases
void MenuHelp();                                // F1 released: the about box
void MenuPointerMoved(int x, int y, bool leftHeld);
void MenuPointerPressed(int x, int y);
void MenuPointerReleased(int x, int y);
void MenuRightReleased(int x, int y);
void MenuWheel(int delta);                      // +120 a notch up, -120 down
void InstallMenuInput();                        // points the shell's menu hooks at the entry points
extern void (*rightClickHandler)(int x, int y); // the main screen's own right-button handler

// Painters shared by every screen (into the back buffer).
void PaintButton(Widget& w);
void PaintTextField(Widget& w);
void PaintSlider(Widget& w);
void PaintList(Widget& w);
extern void (*slotButtonLook)(Widget& w, int slot, bool car); // looks of tags 10-15 / 20-25; null = plain

// Cell geometry of the UI grid in pixels.
int CellToPixelX(float x);
int CellToPixelY(float y);

// ---------------------------------------------------------------- boxes

constexpr int kMessageLineLength = 40;
constexpr int kMessageMaxLines = 20;
constexpr int kBoxOk = 1;                       // ShowMessageBox kinds
constexpr int kBoxYesNo = 2;

// The event pump the modal boxes run; false means the program is to quit.
// PumpEvents and a 25 ms pause by default; tests feed events through it.
extern bool (*modalPump)();
// Splits a message into lines of at most 40 characters (at a newline, else
// after the last blank or . , - ! within reach, else after 40); at most 20.
std::vector<std::string> WrapMessage(const std::string& message);
int ShowMessageBox(int kind, const std::string& message, const std::string& caption); // 1 Yes, 0 No or OK
// 1 OK (text holds the input), 0 Cancel; with a caption, the prompt stands below it.
int ShowInputBox(const std::string& prompt, std::string& text, const std::string& caption = "");
void ShowAboutBox();                            // version banner and credits
extern const char* const kVersionBanner;        // "Dustwhirl 1.2d"
// A modal list to pick from; the index picked, or -1 when cancelled.
int ShowPickList(const std::string& title, const std::vector<std::string>& names, int selected);

// File dialog (load or save) over the files of one folder.
struct FileDialogActions {
    int (*load)(const std::string& name);       // 0 loaded, negative failed (the dialog stays)
    bool (*save)(const std::string& name);      // true when saved
};
constexpr int kFileDialogLoad = 0;
constexpr int kFileDialogSave = 1;
// Runs the dialog over "folder/*.extension"; true when a file was loaded or saved.
bool ShowFileDialog(int mode, const std::string& folder, const std::string& extension,
                    const FileDialogActions& actions);

// ---------------------------------------------------------------- drivers

constexpr uint32_t kDriverVersion = 92;
constexpr int kDriverRecordBytes = 140;
constexpr int kDriverFileBytes = 144;
constexpr int kDriverNameLength = 12;
constexpr int kPlayerSlots = 6;
constexpr int kMaxAiSkill = 200;

struct DriverRecord {
    uint32_t seasons = 0;
    uint32_t seasonPlaces[6] = {};              // seasons finished 1st..6th
    uint32_t totalPoints = 0;
    uint32_t races = 0;
    uint32_t racePlaces[6] = {};                // races finished 1st (wins)..6th
    uint32_t fastestLaps = 0;
    uint32_t car = 0;                           // index in the car catalogue
    uint32_t colour1 = 0, colour2 = 0;          // 0x00RRGGBB
    int32_t controls[4] = {};                   // human: keys (-1 joystick); computer: 0, skill, 0, 0
    JoyBinding bindings[4];
};

bool IsComputerDriver(const DriverRecord& d);   // first control value 0
DriverRecord NewDriver(bool computer);          // white and red; arrow keys, or skill 100
void ResetDriverStatistics(DriverRecord& d);    // every count 0; car, colours and controls kept
void CopyDriverStatistics(const DriverRecord& from, DriverRecord& to);  // the counts only

// The 144-byte file image and its reader: false for a wrong size or
// version, or values no driver can hold (bindings, skill, counts).
std::vector<uint8_t> WriteDriverFile(const DriverRecord& d);
bool ReadDriverFile(const std::vector<uint8_t>& file, DriverRecord& d);
// Driver names that stay inside "drivers": 1..12 printable characters, not
// only blanks, no separator, no "..", no leading dot.
bool DriverNameValid(const std::string& name);
std::string DriverPath(const std::string& name); // "drivers/<name>.drv"

// In the program directory: 0 / -1. A car beyond the catalogue becomes 0.
int LoadDriver(const std::string& name, DriverRecord& d);
// Creates "drivers" when missing; the file is replaced whole or not at all.
bool SaveDriver(const DriverRecord& d, const std::string& name);
bool DeleteDriver(const std::string& name);

struct NamedDriver {
    std::string name;
    DriverRecord record;
};
extern std::vector<NamedDriver> driverList;     // every driver that loads, sorted by name
int LoadDriverList();                           // rebuilds driverList from "drivers"; its size
int FindDriver(const std::string& name);        // index in driverList, -1 when absent

// Player slots of the season: each owns palette entries 192 + 8s .. 199 + 8s.
struct PlayerSlot {
    bool used = false;
    std::string name;
    DriverRecord record;
};
extern PlayerSlot playerSlots[kPlayerSlots];
void SlotShades(uint32_t colour1, uint32_t colour2, uint32_t shades[8]); // the eight entries of a block
void PlaceDriverInSlot(int slot, const NamedDriver* driver); // null empties the slot
void ApplySlotColours(int slot);                // writes the slot's block into the palette
void FreeDrivers();                             // forgets the list and the slots

// ---------------------------------------------------------------- screens

constexpr uint32_t kScreenMain = 1;
constexpr uint32_t kScreenCarPopup = 2;
constexpr uint32_t kScreenPause = 3;
constexpr uint32_t kScreenOptions = 4;
constexpr uint32_t kScreenAdvanced = 5;
constexpr uint32_t kScreenDriverOptions = 6;
constexpr uint32_t kScreenFileDialog = 7;
constexpr uint32_t kScreenDriverStats = 10;
constexpr uint32_t kScreenMessageBox = 11;

void BuildMenus();                              // builds every widget array once (first InitGame)
void RefreshMenus();                            // texts and positions after a later InitGame
void FreeMenus();                               // frees the widget arrays at shutdown
// The Driver options page; onLeave runs after OK or Cancel closed it.
void OpenDriverPage(void (*onLeave)());
void OpenDriverPageCreateBox();                 // the page with its create-driver box open
void ShowDriverStatistics(const std::string& name); // statistics box of a driver in driverList
extern WidgetArray driverPage;                  // screen 6 (tests read it)
// Widget indices of the Driver options page.
enum DriverPageWidget {
    kDpCancel = 0, kDpOptions, kDpAdvanced, kDpOk,
    kDpBindFirst = 4,                           // 4..7: accelerate, brake, steer left, steer right
    kDpList = 8, kDpCar = 9,
    kDpColourFirst = 10,                        // 10..15: R, G, B of colour1, then of colour2
    kDpSkill = 16, kDpCreate = 17, kDpDelete = 18, kDpStats = 19,
    kDpName = 20, kDpType = 21, kDpCreateOk = 22, kDpCreateCancel = 23,
    kDpCount = 24
};
// Where Options and Advanced lead (the pages of the season menus); null hides the button.
extern void (*openOptionsPage)();
extern void (*openAdvancedPage)();
extern bool driverPageAccepted;                 // the Driver options page was left by OK (not Cancel)
// The option pages were left by OK (store) or Cancel while the Driver options
// page's edits waited in memory: they are saved or dropped with them.
void FinishDriverEdits(bool store);

// ---------------------------------------------------------------- main screen

enum MainScreenWidget {
    kMsQuit = 0, kMsOptions, kMsLoad, kMsStart,
    kMsCarFirst = 4,                            // 4..9: car of player slot k
    kMsNameFirst = 10,                          // 10..15: name of player slot k
    kMsDrivers = 16, kMsCreateDriver = 17, kMsLength = 18,
    kMsCount = 30                               // 19..29: the track manager's
};
extern WidgetArray mainScreen;                  // screen 1 (tests read it)
void OpenMainScreen();                          // drivers reloaded, lists refilled, screen 1 current
// Takes the season's cars from the player slots and its tracks from
// chosenTracks and starts it (Start); refused with a message box when
// either is empty.
bool StartFromMainScreen();
void AddPlayer(const std::string& name);        // the driver into the next free slot; false when full
void RemovePlayer(int slot);                    // back into the drivers list, later slots move up
// Starts the race of the season the front-end filled in (the top level's BeginSeason).
extern void (*beginSeasonEntry)(int carCount);
// The top level's services the menus call back into; InitGame sets them.
// pumpEventsHook handles the waiting events and runs one frame (false = quit);
// beginSavedSeasonEntry starts a loaded season at raceIndex and lets restore()
// put the saved race state over the one just set up.
extern bool (*pumpEventsHook)(uint32_t maxEvents);
extern void (*beginSavedSeasonEntry)(int carCount, int raceIndex, void (*restore)());
// Releases and reloads the resources after an option that needs it (the top level's).
extern void (*reloadResources)();

// ---------------------------------------------------------------- option pages

// The Options and Advanced options pages. Edits are kept while the player
// moves between them and the Driver options page; OK stores them in
// settings (and options.set), Cancel drops them; then onLeave runs.
void OpenOptionsPage(void (*onLeave)());
void OpenAdvancedPage(void (*onLeave)());
extern WidgetArray optionsPage, advancedPage;   // screens 4 and 5 (tests read them)
enum OptionsPageWidget {
    kOpCancel = 0, kOpAdvanced, kOpDrivers, kOpOk,
    kOpTyreWear = 4, kOpFuelConsumption, kOpFuelMass, kOpDamage,
    kOpLengthUnit = 8, kOpStartingOrder = 9,
    kOpPointsFirst = 10,                        // 10..16: 1st..6th place, fastest lap
    kOpCount = 17
};
enum AdvancedPageWidget {
    kApCancel = 0, kApOptions, kApDrivers, kApOk,
    kApPalette = 4, kApLanguage, kApSoundSet, kApFullScreen, kApResolution, kApEffects,
    kApShadows = 10, kApVerticalSync, kApGhost, kApEngineVolume, kApSkidVolume, kApEffectsVolume,
    kApGoofyReverse = 16,
    kApCount = 17
};
// True when the settings differ in a field that needs the resources reloaded.
bool NeedsReload(const Settings& before, const Settings& after);
extern bool reloadPending;                      // a reload waits for the end of the race

// ---------------------------------------------------------------- pause menu and season

void OpenPauseMenu();                           // screen 3, during a paused race
extern void (*reenterRace)();                   // hands the frame back to the race (the top level's)
extern WidgetArray pauseMenu;
// The season's drivers: the race's seasonDrivers from the player slots, and
// the hooks that count each race and season into their records and save them.
void PrepareSeasonDrivers(int carCount);
// What a season needs of a driver: the car, and the keys of a human or the skill of a computer driver.
SeasonDriver SeasonDriverFrom(const DriverRecord& d);
void ClearSeasonDrivers();                      // races without driver files (command line, tools)
// The final standings appear: the season is counted once for every driver.
void SeasonStandingsShown(bool final);

// ---------------------------------------------------------------- track manager

// Main-screen widgets 19..29: the track folders and tracks lists and the
// track manager's buttons in the lower half of the main screen.
constexpr int kMainTrackWidgetFirst = 19;
constexpr int kMainTrackWidgetCount = 11;
void MakeTrackManagerWidgets(Widget* widgets);  // fills the 11 records from widgets[0]
void RefreshTrackManager();                     // rebuilds the lists from "tracks"; keeps choices that still exist
bool TrackManagerRightClick(int x, int y);      // a right click on a track opens its info box; false when not on one
// The season's tracks in the order of choosing, as paths below "tracks"
// ("name" for a loose track, "folder\name" in a group), without ".trk".
extern std::vector<std::string> chosenTracks;

// The eleven widgets, as offsets from kMainTrackWidgetFirst.
enum TrackManagerWidget {
    kTmFolder = 0,      // folder button: shows which folders are listed, opens the folder list
    kTmFolderList,      // the folder list (hidden until the folder button opens it)
    kTmCreateFolder,
    kTmDeleteFolder,
    kTmTracks,          // the track list with the choice marks
    kTmMove,
    kTmTargetList,      // the folder list to move into (hidden until Move opens it)
    kTmDeleteTracks,
    kTmSelect,          // Select none / all / Randomize / one track
    kTmSelectCount,     // how many tracks Randomize chooses
    kTmInfo,            // "<count> selected"
};
extern Widget* trackManagerWidgets;             // the 11 records given to MakeTrackManagerWidgets
// Opens the information box of a track ("name" or "folder\name"); false when
// its preview cannot be made (then nothing opens).
bool ShowTrackInfoBox(const std::string& trackPath);

// The track files below "tracks" (in the program directory). Every path built
// here stays inside "tracks": names with a separator, "..", a leading dot or
// nothing in them are refused, and symbolic links are neither listed nor
// followed (a link is not a folder to list, move into or delete through).
struct TrackListEntry {
    std::string name;                           // file name without ".trk"
    std::string folder;                         // "" for a track lying directly in "tracks"
    std::string file;                           // file name as found (extension in its own case)
};
constexpr int kMaxTrackFolderName = 22;
bool TrackFolderNameValid(const std::string& name); // 1..22 printable characters, safe as one path component
bool TrackNameValid(const std::string& name);   // a component: no separator, no "..", no leading dot
// Why a folder name is refused, as a line for the player; empty when the name is valid.
std::string FolderNameProblem(const std::string& name);
std::vector<std::string> ListTrackFolders();    // the real folders in "tracks", sorted ignoring case
// The tracks of the given folders ("" = the loose ones), folder by folder in
// the given order, each folder's tracks sorted ignoring case.
std::vector<TrackListEntry> ListTracks(const std::vector<std::string>& folders);
std::string TrackPathOf(const TrackListEntry& e); // "name" or "folder\name"
bool ParseTrackPath(const std::string& path, std::string& folder, std::string& name); // false when unsafe
// The file of a track path, as a path from the program directory; false
// when it is not a regular file inside "tracks".
bool TrackFileOf(const std::string& trackPath, std::string& file);
bool CreateTrackFolder(const std::string& name);
bool DeleteTrackFolder(const std::string& name); // the folder and everything in it
// Moves each track into target ("" = "tracks" itself), keeping its file name;
// a track whose name exists in the target (ignoring case) stays where it is.
// Moved paths are updated in place; returns how many could not be moved.
int MoveTracks(std::vector<std::string>& trackPaths, const std::string& target);
int DeleteTracks(const std::vector<std::string>& trackPaths); // how many could not be deleted

// ---------------------------------------------------------------- save games and replay entries

// Filled by the save games and the replay; null leaves the entry without effect.
extern void (*loadGameEntry)();                 // main screen: the file dialog to load a game
extern void (*saveGameEntry)();                 // pause menu: the file dialog to save the game
extern void (*replayEntry)();                   // pause menu: closes the menu and starts the replay

// ---------------------------------------------------------------- save games

// A season in progress in "saves/<name>.gam": settings, players, cars, the
// tracks with their fingerprints, the race and car states, the standings, the
// ghost of a time trial and the replay. Only version 292 is read or written.
constexpr uint16_t kSaveGameVersion = 292;
constexpr int kSaveTrackPathBytes = 40;         // a track path below "tracks": at most 39 characters

struct SavedTrack {
    std::string path;                           // below "tracks", "folder\name", no extension
    uint32_t identity[4] = {};                  // the track's fingerprint; all zero = unreadable
};

// A save game as read and checked, before it replaces anything.
struct SavedGame {
    RacePhase phase = RacePhase::Intro;
    uint8_t phaseCounter = 0;
    Settings settings = {};
    bool timedRace = false, paused = false;
    uint32_t remainingSeconds = 0, raceSeconds = 0;
    int carCount = 0;
    std::string names[kMaxCars];
    DriverRecord drivers[kMaxCars];
    CarDefinition cars[kMaxCars] = {};
    int currentRace = 0;
    std::vector<SavedTrack> tracks;
    CarState carStates[kMaxCars] = {};
    int32_t standing[kMaxCars] = {-1, -1, -1, -1, -1, -1};
    int32_t seasonPoints[kMaxCars] = {};
    int32_t raceLaps = 1, leaderLaps = 0, raceClock = 0, fastestLap = 6000, fastestLapCar = -1, recordCar = -1;
    GhostLap ghost;                             // one player only; frameCount 0 = none
    ReplayBlock replay;
};
extern SavedGame pendingGame;                   // the game StartSavedGame continues

// Game names stay inside "saves": 1..32 printable characters, not only
// blanks, no separator, no "..", no leading dot.
bool SaveGameNameValid(const std::string& name);
std::string SaveGamePath(const std::string& name);      // "saves/<name>.gam"
// The stored form of a season track (a name below "tracks" or a ".trk"
// path): the path below "tracks", or its base name alone when the path is
// too long for the field (loading finds it by its fingerprint); false when
// even the base name is 40 characters or more.
bool StoredTrackPath(const std::string& track, std::string& stored);
void WriteCarState(ByteWriter& w, const CarState& c);
// Reads one car-state block; false (c unchanged) for values no car can hold.
bool ReadCarState(ByteReader& r, CarState& c, int carCount);
// The running season as a file image; false (reason in LastSaveError) when it cannot be stored.
bool WriteSaveGame(ByteWriter& w);
// Creates "saves" when missing; the file is replaced whole or not at all.
bool SaveGame(const std::string& name);
const std::string& LastSaveError();
// Parses and checks a whole file: false for another version, a file cut
// short, or any count, index or value out of range.
bool ParseSaveGame(const std::vector<uint8_t>& file, SavedGame& game);
int ReadSaveGame(const std::string& name, SavedGame& game);  // 0, or -1 (game unchanged)
// The track at its stored path when its fingerprint matches, else a track of
// the same base name found elsewhere, else a name that loads nothing.
std::string ResolveSavedTrack(const SavedTrack& t);
// pendingGame's settings, drivers, cars and tracks become the season's.
void PrepareSavedSeason();
// Puts pendingGame's race over the one just set up (after ContinueSeason)
// and resumes it: the start lights run again.
void RestoreSavedRace();
void StartSavedGame();                          // both, with the race screen between
int LoadGame(const std::string& name);          // 0 continued; -1 failed, nothing changed
// Fills the save, load and replay entries and the race's autosave.
void InstallSaveGames();
