// Mouse presses, drags and releases in the view, handed to the current tool.
#include "Courseforge/editor_internal.h"

EditorResult EditorMouseDown(Editor& e, EditorButton button, float x, float y)
{
    EditorResult r;
    if (!(x >= 0 && y >= 0 && x < kLandSize && y < kLandSize) || e.stroke.captured) {
        r.ok = false;
        return r;
    }
    e.stroke.captured = true;
    e.stroke.button = button;
    if (e.controls.deleteMode)
        return r;  // the release deletes
    const int tool = e.controls.tool;
    if (IsLandTool(tool))
        LandPress(e, button, x, y, r);
    else if (IsHeightTool(tool))
        HeightPress(e, button, x, y, r);
    else
        MarkerPress(e, button, x, y, r);
    if (!r.ok)
        e.stroke.captured = false;  // refused (third limiter): nothing to drag
    return r;
}

EditorResult EditorMouseMove(Editor& e, float x, float y)
{
    EditorResult r;
    if (!SaneCoordinate(x) || !SaneCoordinate(y)) {
        r.ok = false;
        return r;
    }
    const int tool = e.controls.tool;
    if (e.stroke.captured && !e.controls.deleteMode) {
        if (IsLandTool(tool))
            LandDrag(e, x, y, r);
        else if (IsHeightTool(tool))
            HeightApply(e, static_cast<EditorButton>(e.stroke.button), x, y, r);
        else
            MarkerMove(e, x, y, r);
    } else if (!e.stroke.captured) {
        MarkerMove(e, x, y, r);  // cursor object or pit crew follows the mouse
    }
    return r;
}

EditorResult EditorMouseUp(Editor& e, EditorButton button, float x, float y)
{
    EditorResult r;
    if (!e.stroke.captured || e.stroke.button != button) {
        r.ok = false;
        return r;
    }
    e.stroke.captured = false;
    if (e.controls.deleteMode) {
        e.stroke.placing = false;
        if (x >= 0 && y >= 0 && x < kLandSize && y < kLandSize && DeleteObjectNear(e.doc, x, y)) {
            r.markers = true;
            r.full = true;
        }
        return r;
    }
    MarkerRelease(e, button, x, y, r);
    return r;
}
