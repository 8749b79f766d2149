// The editor document: new-track defaults, made-up names, title, undo copies
// and the buttons that edit lists (delete, rotate).
#include "Courseforge/editor_internal.h"

#include <algorithm>
#include <cstdlib>

Editor editor;

static void ResetDocument(EditorDocument& d)
{
    d.land.assign(kLandSize * kLandSize, kGrassCode);
    d.height.assign(kHeightSize * kHeightSize, kFlatHeight);
    d.landUndo = d.land;
    d.heightUndo = d.height;
    d.landUndoEnabled = false;
    d.heightUndoEnabled = false;
    d.objects.clear();
    for (int k = 0; k < kStartPositions; k++)
        d.objects.push_back(EditorObject{0, 20.0f, 10.0f + 20.0f * k, 0.0f});
    d.pitCrews.clear();
    d.checkpoints.clear();
    d.limiters.clear();
    d.aiLine.clear();
    d.pitAiLine.clear();
    d.worldSize = 120;
    d.waterLevel = 50;
    d.viewAngle = 60;
    d.rotation = 0;
    d.zoom = 105;
    d.sfLine = true;
    d.pixelsPerUnit = 512.0f / 120.0f;
    d.author.clear();
    d.comments.clear();
}

static void ResetStroke(EditorStroke& s, int objectType)
{
    s.captured = false;
    s.placing = false;
    s.lineIndex = -1;
    s.cursorObject = EditorObject{static_cast<uint8_t>(objectType), 0, 0, 0};
    s.cursorPitCrew = EditorPitCrew{};
}

void EditorInit(Editor& e)
{
    ResetDocument(e.doc);
    e.doc.fileName.clear();
    e.controls = EditorControls{};
    e.stroke = EditorStroke{};
    ResetStroke(e.stroke, e.controls.objectType);
}

EditorResult EditorNew(Editor& e)
{
    ResetDocument(e.doc);
    e.testMarks.clear();
    e.controls.objectType = 0;  // "Start" selected in the object list
    ResetStroke(e.stroke, 0);
    e.doc.fileName = MakeUpTrackName();
    EditorResult r;
    r.full = true;
    r.markers = true;
    return r;
}

// Name letters: each draw is rand() mod the group's length.
static const char kVowels[] = "aeiouy";
static const char kConsonants[] = "bcdfghjklmnpqrstvwxyz";

static char Vowel() { return kVowels[std::rand() % 6]; }
static char Consonant() { return kConsonants[std::rand() % 21]; }
static char Upper(char c) { return static_cast<char>(c - 'a' + 'A'); }

// One letter of the group, and a second one when a further draw is odd.
static void OneOrTwo(std::string& s, bool vowel)
{
    s += vowel ? Vowel() : Consonant();
    if (std::rand() & 1)
        s += vowel ? Vowel() : Consonant();
}

static bool StageTaken() { return std::rand() % 11 > 3; }

std::string MakeUpTrackName()
{
    std::string s;
    if (std::rand() % 11 > 4) {
        s += Upper(Consonant());
        OneOrTwo(s, true);
        OneOrTwo(s, false);
        if (StageTaken())
            OneOrTwo(s, true);
        if (StageTaken()) {
            if (std::rand() % 11 < 4) {
                s += Consonant();
            } else {
                OneOrTwo(s, false);
                s += Vowel();
            }
        }
    } else {
        s += Upper(Vowel());
        OneOrTwo(s, false);
        OneOrTwo(s, true);
        if (StageTaken())
            OneOrTwo(s, false);
        if (StageTaken())
            OneOrTwo(s, true);
        if (StageTaken())
            s += Consonant();
    }
    return s + ".trk";
}

std::string EditorTitle(const EditorDocument& d) { return std::string(kTitlePrefix) + d.fileName; }

EditorButtonStates EditorButtons(const Editor& e)
{
    const EditorDocument& d = e.doc;
    EditorButtonStates b;
    b.undoLand = d.landUndoEnabled;
    b.undoHeight = d.heightUndoEnabled;
    // A checkpoint or limiter still being drawn is not committed yet.
    size_t pendingCp = (e.stroke.lineIndex >= 0 && e.controls.tool == kToolCheckpoint) ? 1 : 0;
    size_t pendingLim = (e.stroke.lineIndex >= 0 && e.controls.tool == kToolLimiters) ? 1 : 0;
    b.deletePitCrew = !d.pitCrews.empty();
    b.deleteCheckpoint = d.checkpoints.size() > pendingCp;
    b.deleteLimiter = d.limiters.size() > pendingLim;
    b.deleteAi = !d.aiLine.empty();
    b.deletePitAi = !d.pitAiLine.empty();
    return b;
}

EditorResult FullRedrawResult()
{
    EditorResult r;
    r.full = true;
    r.markers = true;
    return r;
}

EditorResult MessageResult(bool ok, const char* message, const char* caption)
{
    EditorResult r;
    r.ok = ok;
    r.message = message;
    r.caption = caption;
    return r;
}

EditorResult EditorUndoLand(Editor& e)
{
    if (!e.doc.landUndoEnabled)
        return EditorResult{false};
    e.doc.land = e.doc.landUndo;
    e.doc.landUndoEnabled = false;
    return FullRedrawResult();
}

EditorResult EditorUndoHeight(Editor& e)
{
    if (!e.doc.heightUndoEnabled)
        return EditorResult{false};
    e.doc.height = e.doc.heightUndo;
    e.doc.heightUndoEnabled = false;
    return FullRedrawResult();
}

EditorResult EditorFlattenHeights(Editor& e)
{
    e.doc.heightUndo = e.doc.height;
    e.doc.heightUndoEnabled = true;
    std::fill(e.doc.height.begin(), e.doc.height.end(), kFlatHeight);
    return FullRedrawResult();
}

template <typename T> static EditorResult PopLast(std::vector<T>& list)
{
    if (list.empty())
        return EditorResult{false};
    list.pop_back();
    return FullRedrawResult();
}

EditorResult EditorDeletePitCrew(Editor& e) { return PopLast(e.doc.pitCrews); }
EditorResult EditorDeleteCheckpoint(Editor& e) { return PopLast(e.doc.checkpoints); }
EditorResult EditorDeleteLimiter(Editor& e) { return PopLast(e.doc.limiters); }

// Removes the last point; a line left with a single point is removed whole.
static EditorResult PopLinePoint(std::vector<EditorPoint>& line)
{
    if (line.empty())
        return EditorResult{false};
    line.pop_back();
    if (line.size() < 2)
        line.clear();
    return FullRedrawResult();
}

EditorResult EditorDeleteAiPoint(Editor& e) { return PopLinePoint(e.doc.aiLine); }
EditorResult EditorDeletePitAiPoint(Editor& e) { return PopLinePoint(e.doc.pitAiLine); }

EditorResult EditorRotateAiLine(Editor& e, int places)
{
    std::vector<EditorPoint>& line = e.doc.aiLine;
    const int n = static_cast<int>(line.size());
    if (n < 3)
        return EditorResult{false};
    // New point k = old point (k - places) mod n.
    int shift = ((places % n) + n) % n;
    std::rotate(line.begin(), line.begin() + (n - shift) % n, line.end());
    return FullRedrawResult();
}

void EditorSelectTool(Editor& e, int tool)
{
    // A stroke cut short by a tool change ends like a right-button release:
    // a line being drawn is kept or dropped by its length, nothing is placed.
    if (e.stroke.captured) {
        EditorResult ignored;
        MarkerRelease(e, kButtonRight, -1, -1, ignored);
    }
    e.controls.tool = tool;
    e.stroke.captured = false;
    e.stroke.placing = false;
    e.stroke.lineIndex = -1;
}

void EditorSelectObjectType(Editor& e, int type)
{
    e.controls.objectType = type;
    e.stroke.cursorObject.type = static_cast<uint8_t>(type);
    EditorSelectTool(e, kToolObject);
}
