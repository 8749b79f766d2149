// Test tracks built straight into TrackMaps: flat or hilly height maps, a
// tarmac loop with kerbs and lines on grass, a lake, and objects of every type.
#pragma once
#include <cstdint>

struct SceneOptions {
    float worldSize = 100;
    int16_t viewAngle = 45;
    int16_t rotation = 0;
    float zoom = 1.05f;
    uint8_t waterSample = 0;   // water level as a height sample (0 = none visible)
    bool hills = true;         // rolling hills and a lake basin; false = flat at sample 60
    bool loop = true;          // paint the tarmac loop
};

// Replaces trackMaps with a scene; objects: only the six start positions.
void BuildScene(const SceneOptions& o);
// Appends an object at world (x, y) with its direction at angle radians.
void AddSceneObject(int type, float x, float y, float angle);
// Places objects of every drawable type around the loop, count in total.
void AddManyObjects(int count);
// Sets up the renderer at width x height, fits the view and renders.
void RenderScene(int width, int height);
// Writes the renderer's picture as BMP (built-in palette) into the folder
// named by DW_RENDER_DUMP, if set; returns the path written or "".
const char* DumpPicture(const char* name);
