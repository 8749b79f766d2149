// Courseforge's editing core: the track document, the editing tools and the
// document commands (new, load, save with its flaw check, properties, bitmap
// exchange, AI line from a ghost lap). It never shows anything itself: every
// operation returns what to redraw and which message to show, and the window
// layer (Courseforge/ui) does the showing. Coordinates are land-map pixels,
// 0.0-512.0, y pointing down (row 0 = north), after the view's zoom mapping.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "trackfile/trackfile.h"  // kStartPositions, the file records

// ---- Sizes, limits and defaults --------------------------------------------
constexpr int kLandSize = 512;                      // land map is 512 x 512 pixels
constexpr int kHeightSize = 64;                     // height map is 64 x 64 samples
constexpr float kHeightSpacing = 512.0f / 63.0f;    // pixels between height samples (k)
constexpr uint16_t kFlatHeight = 128 * 256 + 128;   // height of a new or flattened map
constexpr uint8_t kGrassCode = 2;                   // land code of a new track
constexpr int kMaxObjects = 65535;
constexpr int kEditorMaxPitCrews = 6;
constexpr int kMaxCheckpoints = 255;
constexpr int kMaxLimiters = 2;
constexpr int kMaxAiPoints = 65535;
constexpr int kMaxPitAiPoints = 255;

// ---- Tools: the tool buttons' control id - 1008, and 51 for "Limiters" -----
constexpr int kToolTarmac1 = 0;
constexpr int kToolTarmac2 = 1;
constexpr int kToolGrass = 2;
constexpr int kToolGravel = 3;
constexpr int kToolSand = 4;
constexpr int kToolSnow = 5;
constexpr int kToolWhiteLine = 6;
constexpr int kToolYellowLine = 7;
constexpr int kToolKerb = 8;
constexpr int kToolOil = 9;
constexpr int kToolHeightAdjust = 10;
constexpr int kToolObject = 11;
constexpr int kToolCheckpoint = 12;
constexpr int kToolAiLine = 13;
constexpr int kToolPitAiLine = 14;
constexpr int kToolPitCrew = 15;
constexpr int kToolHeightSmooth = 16;
constexpr int kToolMud = 17;
constexpr int kToolLimiters = 51;

enum EditorButton { kButtonLeft = 0, kButtonRight = 1 };

// ---- texts the window layer shows (exact) ----------------------------------
extern const char* const kCaptionTrackEditor;    // "Dustwhirl Track Editor"
extern const char* const kCaptionCourseforge;    // "Courseforge"
extern const char* const kTitlePrefix;           // "Dustwhirl Track Editor - " (then the file name)
extern const char* const kMsgInitFailed;         // "Initialization failed!"
extern const char* const kMsgCantOpenFile;       // "Can't open file!"
extern const char* const kMsgNewerVersion;       // a track from a newer editor
extern const char* const kMsgCantCreateTrack;    // "Can't create file." (save)
extern const char* const kMsgCantCreateBitmap;   // "Can't create file!" (bitmap export)
extern const char* const kMsgNotLandBitmap;      // "This is not a 512x512 16-color bitmap."
extern const char* const kMsgNotHeightBitmap;    // "This is not a 64x64 256-color bitmap."
extern const char* const kMsgNoGhostLap;         // "Can't find ghost lap."
extern const char* const kMsgTwoLimiters;        // "You can't have more than two speed limiters."
extern const char* const kMsgReworkAiLines;      // after a world-size change with AI lines
// File chooser filters, as (description, pattern) pairs.
extern const char* const kTrackFilter[2][2];     // "Dustwhirl Track Files (*.trk)"/"*.TRK", "All Files"/"*.*"
extern const char* const kBitmapFilter[2][2];    // "Bitmaps (*.bmp)"/"*.BMP", "All Files"/"*.*"
extern const char* const kGameFilter[2][2];      // "Dustwhirl Executable (Dustwhirl)", "All Files"

// Land colours (red, green, blue) by land code: the view and exported land bitmaps.
extern const uint8_t kLandColours[16][3];

// ---- The document ----------------------------------------------------------
struct EditorObject {        // an object or start position
    uint8_t type = 0;        // object type code (trackfile/object_types.h); 0 = start
    float x = 0, y = 0;      // pixels
    float angle = 0;         // radians; direction (cos, sin) in the y-down pixel frame
};

struct EditorPitCrew {
    float x = 0, y = 0;
    float angle = 0;         // radians, as for objects
};

struct EditorLine {          // checkpoint or limiter: a line across the track
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct EditorPoint {         // AI line or pit AI line point
    float x = 0, y = 0;
};

struct EditorDocument {
    std::vector<uint8_t> land;        // 512 x 512 land codes, row 0 = north
    std::vector<uint16_t> height;     // 64 x 64 samples x 256, row 0 = north; index row * 64 + column
    std::vector<uint8_t> landUndo;    // one level of land undo
    std::vector<uint16_t> heightUndo; // one level of height undo
    bool landUndoEnabled = false;     // "Land" under "Undo" is enabled
    bool heightUndoEnabled = false;   // "Height" under "Undo" is enabled
    std::vector<EditorObject> objects;  // committed objects; the first six are starts 1-6
    std::vector<EditorPitCrew> pitCrews;
    std::vector<EditorLine> checkpoints;  // in the order cars pass them; last = start/finish
    std::vector<EditorLine> limiters;     // at most two
    std::vector<EditorPoint> aiLine;      // closed loop
    std::vector<EditorPoint> pitAiLine;   // open polyline
    int worldSize = 120;              // 25-255 world units
    int waterLevel = 50;              // 0-255
    int viewAngle = 60;               // 10-90 degrees
    int rotation = 0;                 // -180-180 degrees
    int zoom = 105;                   // 10-255 percent
    bool sfLine = true;               // paint the start/finish stripe
    float pixelsPerUnit = 512.0f / 120.0f;  // 512 / world size
    std::string author;               // at most 30 characters
    std::string comments;             // at most 500 characters
    std::string fileName;             // current file (shown in the title)
    std::string gamePath;             // where "Launch" finds the game (set by the window layer)
};

// The state of the controls that the tools read.
struct EditorControls {
    int tool = kToolTarmac1;          // one of kTool*
    int brushSize = 15;               // 5-50 (slider position x 5)
    int ropeLength = 0;               // 0-100 (slider position x 10)
    int blend = 5;                    // Height/Land blend 0-10 (the view uses it)
    bool showObjects = true;
    bool showAiLines = true;
    bool showCheckpoints = true;
    bool showLimiters = true;
    bool showTestMarks = true;        // marks of the last "Test with AI"
    int objectType = 0;               // type code selected in the object list
    bool deleteMode = false;          // "Delete Object" is down
};

// The mouse stroke in progress and the cursor markers.
struct EditorStroke {
    bool captured = false;            // a button is held (moves paint only then)
    int button = kButtonLeft;         // the held button
    float anchorX = 0, anchorY = 0;   // last brush centre of the drag
    bool dashPhase = false;           // dashed lines and kerb stripes
    bool placing = false;             // an object or pit crew press is in progress
    int lineIndex = -1;               // checkpoint/limiter being drawn: its index in the list, else -1
    EditorObject cursorObject;        // follows the mouse with the Object tool (drawn then, not saved)
    EditorPitCrew cursorPitCrew;      // follows the mouse with the Pit Crew tool while fewer than six exist
};

// A place where a test run's computer cars got into trouble (map pixels).
enum AiTestMarkKind { kMarkStall, kMarkOffroad, kMarkHit, kMarkMissed };
struct AiTestMark {
    int kind = kMarkStall;
    int car = 0;                      // 1-6
    float time = 0;                   // seconds into the race
    float x = 0, y = 0;
    int detail = 0;                   // hit: object number (0 = none); missed: checkpoint number
};

struct Editor {
    EditorDocument doc;
    EditorControls controls;
    EditorStroke stroke;
    std::vector<AiTestMark> testMarks;  // from the last "Test with AI" (drawn when showTestMarks)
};

extern Editor editor;                // the editor's one document, used by the window layer

// What an operation asks the window layer to do. The area is a half-open
// rectangle of map pixels whose land or height changed (empty when x0 >= x1);
// `markers` means markers appeared, moved or vanished; `full` asks for a full
// redraw (recompute every pixel, then the markers).
struct EditorResult {
    bool ok = true;                   // false: the command failed or was refused
    bool full = false;
    bool markers = false;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const char* message = nullptr;    // a message box to show, or null
    const char* caption = nullptr;    // its caption
};

// Which buttons are enabled (undo copies exist, lists are not empty).
struct EditorButtonStates {
    bool undoLand, undoHeight;
    bool deletePitCrew, deleteCheckpoint, deleteLimiter, deleteAi, deletePitAi;
};

// ---- Document and commands -------------------------------------------------
void EditorInit(Editor& e);                                   // start-up state: new-track defaults, no file name, default controls
EditorResult EditorNew(Editor& e);                            // "New": defaults, "Start" selected, undo cleared, made-up name
std::string MakeUpTrackName();                                // random pronounceable name + ".trk" (uses rand())
std::string EditorTitle(const EditorDocument& d);             // window title with the current file name
EditorButtonStates EditorButtons(const Editor& e);            // enable state of undo and delete buttons
EditorResult EditorLoad(Editor& e, const char* path);         // load a .trk; on failure the document is unchanged
EditorResult EditorLoadBytes(Editor& e, const uint8_t* data, size_t size, const char* path); // the same from memory
std::string EditorFlawCheck(const EditorDocument& d);         // "" or the whole Yes/No question (caption Courseforge)
std::vector<std::string> EditorFlawLines(const EditorDocument& d); // the flaw check's findings, one text each
EditorResult EditorSave(Editor& e, const char* path);         // write the .trk (records cleared); becomes the current file
unsigned EditorTrackLength(const EditorDocument& d);          // closed AI line length in world units, truncated

struct TrackProperties {                                      // the fields of the properties dialog
    int waterLevel, viewAngle, rotation, zoom, worldSize;
    bool sfLine;
    std::string author, comments;
};
TrackProperties EditorGetProperties(const EditorDocument& d);
EditorResult EditorSetProperties(Editor& e, const TrackProperties& p); // "OK": store (clamped), maybe the rework message

EditorResult EditorImportLand(Editor& e, const char* path);   // 512x512 4-bit BMP -> land codes (undo copy taken first)
EditorResult EditorImportHeight(Editor& e, const char* path); // 64x64 8-bit BMP -> heights x 256 (undo copy taken first)
EditorResult EditorExportLand(const Editor& e, const char* path);   // 131190-byte BMP
EditorResult EditorExportHeight(const Editor& e, const char* path); // 5174-byte BMP
EditorResult EditorImportAiLine(Editor& e, const char* path); // AI line from another track's ghost lap

// Bitmap and ghost decoding on memory (also used by the fuzz target).
bool DecodeLandBitmap(const uint8_t* data, size_t size, uint8_t* land);       // land: 512*512, row 0 = north
bool DecodeHeightBitmap(const uint8_t* data, size_t size, uint16_t* height); // height: 64*64, row 0 = north
std::vector<uint8_t> EncodeLandBitmap(const uint8_t* land);
std::vector<uint8_t> EncodeHeightBitmap(const uint16_t* height);
bool DecodeGhostAiLine(const uint8_t* data, size_t size, float pixelsPerUnit, std::vector<EditorPoint>& line);

// ---- Buttons that edit -----------------------------------------------------
EditorResult EditorUndoLand(Editor& e);                       // restore the land undo copy
EditorResult EditorUndoHeight(Editor& e);                     // restore the height undo copy
EditorResult EditorFlattenHeights(Editor& e);                 // "Flatten Height Map"
EditorResult EditorDeletePitCrew(Editor& e);                  // remove the last pit crew
EditorResult EditorDeleteCheckpoint(Editor& e);               // remove the last checkpoint
EditorResult EditorDeleteLimiter(Editor& e);                  // remove the last limiter
EditorResult EditorDeleteAiPoint(Editor& e);                  // remove the last AI point (all when < 2 remain)
EditorResult EditorDeletePitAiPoint(Editor& e);               // same for the pit AI line
EditorResult EditorRotateAiLine(Editor& e, int places);       // "<<" -10, "<" -1, ">" +1, ">>" +10
void EditorSelectTool(Editor& e, int tool);                   // a tool button
void EditorSelectObjectType(Editor& e, int type);             // the object list: selects the Object tool too

// ---- Mouse (map pixels; presses outside 0-511 are ignored) -----------------
EditorResult EditorMouseDown(Editor& e, EditorButton button, float x, float y);
EditorResult EditorMouseMove(Editor& e, float x, float y);    // drag while captured, else cursor markers follow
EditorResult EditorMouseUp(Editor& e, EditorButton button, float x, float y);

// ---- Land painting without the mouse (also for tool programs) -------------
// Brush codes of a land tool for a button; false for tools that are not brushes.
bool LandToolCodes(int tool, EditorButton button, uint8_t& inner, uint8_t& outer);
// One stamp: inner disc, outer ring and fringe, with the overwrite and fringe rules.
void LandStamp(EditorDocument& d, float cx, float cy, int radius, uint8_t inner, uint8_t outer, bool paintUnder, EditorResult& r);
// A band between two centres of the given half-width, with the same zones and rules.
void LandBand(EditorDocument& d, float x0, float y0, float x1, float y1, float halfWidth, uint8_t inner, uint8_t outer,
              bool paintUnder, EditorResult& r);
// A whole stroke with a land tool: press at (x0, y0), drag to (x1, y1), release.
EditorResult PaintLandStroke(Editor& e, int tool, EditorButton button, float x0, float y0, float x1, float y1);

// ---- Race checks: what computer cars need beyond the flaw check ------------
// Each finding is one line naming the checkpoint, object or line point and
// where it is; x and z are world metres (x east, z north).
struct RaceFinding {
    std::string text;
    float x = 0, z = 0;
};
// Checkpoints crossed once each by the AI line in list order, the pit line
// through the lines beside the pit lane, the grid behind the finish on the
// road, both driving lines on dry ground clear of objects and over bridge decks.
std::vector<RaceFinding> EditorRaceCheck(const EditorDocument& d);
// The save warning for findings: "" when there are none, else a Yes/No question.
std::string EditorRaceWarning(const std::vector<RaceFinding>& findings);
// Where a line (closed: the last point joins the first) crosses a segment:
// per crossing the position along the line (segment index + fraction).
std::vector<double> LineCrossings(const std::vector<EditorPoint>& line, bool closed, const EditorLine& gate);
// True for land codes a car should race on: tarmac, mud, gravel, painted lines, kerbs, oil.
bool IsRoadLandCode(int code);

// ---- "Test with AI": computer cars race a copy of the track -----------------
// The race program (dwrace beside the editor) runs as a separate process on
// a temporary copy; its trace gives each car's laps, best lap and stalls and
// the marks for the map.
struct AiTestCar {
    int car = 0, laps = 0, stalls = 0;
    double bestLap = 0;               // seconds; 0 = no lap completed
    bool finished = false;
};
struct AiTestResult {
    int raceLaps = 0;
    std::vector<AiTestCar> cars;
    std::vector<AiTestMark> marks;
};
// How a run is started and watched; the default runs a process, tests put a fake here.
struct AiTestRunner {
    bool (*start)(const std::vector<std::string>& args, std::string& error);  // args[0] is the program
    int (*poll)(std::string& output);  // appends new standard-error text; -1 while running, else exit status
    void (*stop)();                    // ends the run at once
};
extern AiTestRunner aiTestRunner;
struct AiTest {
    bool running = false;
    double progress = 0;               // 0-1
    std::string folder, trackCopy, traceFile;
    std::string pending;               // standard-error text not yet a whole line
};
// Writes the copy and starts `program` on it (cars, laps); false with a message.
bool AiTestStart(AiTest& t, const Editor& e, const std::string& program, int cars, int laps, std::string& error);
// Reads progress; once the run has ended, fills result and the editor's marks
// and returns true (message set when the run failed).
bool AiTestPoll(AiTest& t, Editor& e, AiTestResult& result, std::string& message);
void AiTestCancel(AiTest& t);          // stops the run and removes the copy
bool ParseAiTrace(const std::string& json, float pixelsPerUnit, AiTestResult& out);  // the trace file's text
std::string AiTestSummary(const AiTestResult& r);  // one line per car, then the marks counted by kind
