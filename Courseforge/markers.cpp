// Marker tools: objects and start positions, pit crews, checkpoints and
// limiters, the AI line and the pit AI line, and the object delete mode.
#include "Courseforge/editor_internal.h"

#include "trackfile/object_types.h"

#include <algorithm>
#include <cmath>

static const float kPi = 3.14159265358979f;

static bool InsideMap(float x, float y) { return x >= 0 && y >= 0 && x < kLandSize && y < kLandSize; }

// Direction from the marker towards the mouse, in 0 ... 2π.
static float TurnAngle(float dx, float dy)
{
    float a;
    if (dx == 0) {
        a = dy > 0 ? kPi / 2 : 3 * kPi / 2;
    } else {
        a = std::atan(dy / dx);
        if (dx < 0)
            a += kPi;
    }
    if (a < 0)
        a += 2 * kPi;
    if (a >= 2 * kPi)
        a -= 2 * kPi;
    return a;
}

// Lays points from the line's last point towards the mouse, spacing apart,
// until the mouse is no more than the rope length plus spacing away.
static void LayPoints(std::vector<EditorPoint>& line, size_t cap, float mx, float my, float rope, float spacing)
{
    while (!line.empty() && line.size() < cap) {
        const EditorPoint p = line.back();
        const float dx = mx - p.x, dy = my - p.y;
        const float dist = std::hypot(dx, dy);
        if (!(dist - rope > spacing))
            break;
        line.push_back(EditorPoint{p.x + dx / dist * spacing, p.y + dy / dist * spacing});
    }
}

static float ClampToMap(float v) { return std::clamp(v, 0.0f, float(kLandSize - 1)); }

static std::vector<EditorLine>* LineList(Editor& e)
{
    if (e.controls.tool == kToolCheckpoint)
        return &e.doc.checkpoints;
    if (e.controls.tool == kToolLimiters)
        return &e.doc.limiters;
    return nullptr;
}

static std::vector<EditorPoint>* AiList(Editor& e, size_t& cap)
{
    if (e.controls.tool == kToolAiLine) {
        cap = kMaxAiPoints;
        return &e.doc.aiLine;
    }
    if (e.controls.tool == kToolPitAiLine) {
        cap = kMaxPitAiPoints;
        return &e.doc.pitAiLine;
    }
    return nullptr;
}

void MarkerPress(Editor& e, EditorButton button, float x, float y, EditorResult& r)
{
    EditorDocument& d = e.doc;
    EditorStroke& s = e.stroke;
    switch (e.controls.tool) {
    case kToolObject:
        e.controls.showObjects = true;
        s.placing = true;
        if (button == kButtonLeft)
            s.cursorObject.x = x, s.cursorObject.y = y;
        r.markers = true;
        return;
    case kToolPitCrew:
        if (d.pitCrews.size() >= kEditorMaxPitCrews)
            return;
        // Pit crews are drawn with the objects: show them, or a crew placed
        // with the box off would stay invisible.
        e.controls.showObjects = true;
        s.placing = true;
        if (button == kButtonLeft)
            s.cursorPitCrew.x = x, s.cursorPitCrew.y = y;
        r.markers = true;
        return;
    case kToolCheckpoint:
    case kToolLimiters: {
        if (button != kButtonLeft)
            return;
        std::vector<EditorLine>& list = *LineList(e);
        if (e.controls.tool == kToolLimiters) {
            if (list.size() >= kMaxLimiters) {
                r.ok = false;
                r.message = kMsgTwoLimiters;
                r.caption = kCaptionTrackEditor;
                return;
            }
            e.controls.showLimiters = true;
        } else {
            if (list.size() >= kMaxCheckpoints)
                return;
            e.controls.showCheckpoints = true;
        }
        list.push_back(EditorLine{x, y, x, y});
        s.lineIndex = static_cast<int>(list.size()) - 1;
        r.markers = true;
        return;
    }
    case kToolAiLine:
    case kToolPitAiLine: {
        if (button != kButtonLeft)
            return;
        size_t cap = 0;
        std::vector<EditorPoint>& line = *AiList(e, cap);
        e.controls.showAiLines = true;
        if (line.empty())
            line.push_back(EditorPoint{x, y});
        else
            LayPoints(line, cap, x, y, float(e.controls.ropeLength), 5 * d.pixelsPerUnit);
        r.markers = true;
        return;
    }
    default:
        return;
    }
}

void MarkerMove(Editor& e, float x, float y, EditorResult& r)
{
    EditorDocument& d = e.doc;
    EditorStroke& s = e.stroke;
    const int tool = e.controls.tool;
    if (tool == kToolObject || (tool == kToolPitCrew && d.pitCrews.size() < kEditorMaxPitCrews)) {
        float& cx = tool == kToolObject ? s.cursorObject.x : s.cursorPitCrew.x;
        float& cy = tool == kToolObject ? s.cursorObject.y : s.cursorPitCrew.y;
        float& angle = tool == kToolObject ? s.cursorObject.angle : s.cursorPitCrew.angle;
        if (s.captured && s.button == kButtonRight) {
            // Held in place, turning towards the mouse once it is clear of it.
            const float dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy > 25) {
                angle = TurnAngle(dx, dy);
                r.markers = true;
            }
        } else {
            cx = x, cy = y;
            r.markers = true;
        }
        return;
    }
    if (!s.captured || s.button != kButtonLeft)
        return;
    if (std::vector<EditorLine>* list = LineList(e)) {
        if (s.lineIndex >= 0 && size_t(s.lineIndex) < list->size()) {
            (*list)[s.lineIndex].x2 = ClampToMap(x);
            (*list)[s.lineIndex].y2 = ClampToMap(y);
            r.markers = true;
        }
        return;
    }
    size_t cap = 0;
    if (std::vector<EditorPoint>* line = AiList(e, cap)) {
        const size_t before = line->size();
        LayPoints(*line, cap, ClampToMap(x), ClampToMap(y), float(e.controls.ropeLength), 5 * d.pixelsPerUnit);
        r.markers = line->size() != before;
    }
}

void MarkerRelease(Editor& e, EditorButton button, float x, float y, EditorResult& r)
{
    EditorDocument& d = e.doc;
    EditorStroke& s = e.stroke;
    switch (e.controls.tool) {
    case kToolObject:
        s.placing = false;
        if (button != kButtonLeft || !InsideMap(x, y))
            return;
        if (s.cursorObject.type == kObjectStart) {
            // A new start position pushes the others up; the first drops out.
            std::move(d.objects.begin() + 1, d.objects.begin() + kStartPositions, d.objects.begin());
            d.objects[kStartPositions - 1] = s.cursorObject;
        } else if (d.objects.size() < kMaxObjects) {
            d.objects.push_back(s.cursorObject);
            s.cursorObject.type = static_cast<uint8_t>(e.controls.objectType);
        }
        r.markers = true;
        return;
    case kToolPitCrew:
        s.placing = false;
        if (button != kButtonLeft || !InsideMap(x, y) || d.pitCrews.size() >= kEditorMaxPitCrews)
            return;
        d.pitCrews.push_back(s.cursorPitCrew);
        s.cursorPitCrew.x = x, s.cursorPitCrew.y = y;
        r.markers = true;
        return;
    case kToolCheckpoint:
    case kToolLimiters: {
        std::vector<EditorLine>& list = *LineList(e);
        if (s.lineIndex < 0 || size_t(s.lineIndex) >= list.size()) {
            s.lineIndex = -1;
            return;
        }
        EditorLine& l = list[s.lineIndex];
        l.x1 = ClampToMap(l.x1), l.y1 = ClampToMap(l.y1);
        l.x2 = ClampToMap(l.x2), l.y2 = ClampToMap(l.y2);
        if (std::hypot(l.x2 - l.x1, l.y2 - l.y1) < 10)
            list.erase(list.begin() + s.lineIndex);
        s.lineIndex = -1;
        r.markers = true;
        return;
    }
    default:
        return;
    }
}

bool DeleteObjectNear(EditorDocument& d, float x, float y)
{
    int nearest = -1;
    float best = 0;
    for (size_t k = kStartPositions; k < d.objects.size(); k++) {
        const float dx = d.objects[k].x - x, dy = d.objects[k].y - y;
        const float dist2 = dx * dx + dy * dy;
        if (nearest < 0 || dist2 < best)
            nearest = static_cast<int>(k), best = dist2;
    }
    if (nearest < 0)
        return false;
    const float radius = ObjectDeleteRadius(d.objects[nearest].type) * d.pixelsPerUnit;
    if (best > radius * radius)
        return false;
    d.objects.erase(d.objects.begin() + nearest);
    return true;
}
