// Shared between the editor core's own files; not part of its interface.
#pragma once
#include "Courseforge/editor.h"

// Widens the result's redraw area by the half-open rectangle, clipped to the map.
void TouchArea(EditorResult& r, int x0, int y0, int x1, int y1);
// True for a finite coordinate near enough to the map to work with.
bool SaneCoordinate(float v);
// A result that asks for a full redraw.
EditorResult FullRedrawResult();
// A result with a message box to show: ok tells whether the command went through.
EditorResult MessageResult(bool ok, const char* message, const char* caption);

bool IsLandTool(int tool);                                                    // tools 0-9 and Mud
void LandPress(Editor& e, EditorButton button, float x, float y, EditorResult& r);
void LandDrag(Editor& e, float x, float y, EditorResult& r);

bool IsHeightTool(int tool);                                                  // HMap adjust and smooth
void HeightPress(Editor& e, EditorButton button, float x, float y, EditorResult& r);
void HeightApply(Editor& e, EditorButton button, float x, float y, EditorResult& r);
float HeightAt(const EditorDocument& d, float u, float v);                    // bilinear, sample units, 16-bit values

void MarkerPress(Editor& e, EditorButton button, float x, float y, EditorResult& r);
void MarkerMove(Editor& e, float x, float y, EditorResult& r);
void MarkerRelease(Editor& e, EditorButton button, float x, float y, EditorResult& r);
bool DeleteObjectNear(EditorDocument& d, float x, float y);                   // delete mode on release
