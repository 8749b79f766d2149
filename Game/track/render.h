// Terrain image renderer: one still, software-rendered perspective picture of
// the whole track (height-map mesh textured with the land map, the world
// frame, every static object and the water surface), rendered once per race
// or preview, together with a 16-bit depth buffer and a per-pixel shade map
// that the race view uses for occlusion and shadows.
// Reads TrackMaps (Game/track/track.h); owns only the renderer state below.
#pragma once
#include <cstdint>
#include <vector>

// Depth units: a stored depth is trunc(t / kTerrainDepthScale), t the distance
// along the view axis, so 16 bits cover depths 0 to 600.
constexpr float kTerrainDepthScale = 0.0091552734375f;
constexpr uint8_t kTerrainClearColour = 240;        // pixels no triangle covers
constexpr uint16_t kTerrainClearDepth = 0xFFFF;

enum class PixelRoutine : uint8_t { Terrain, Solid, Water };

// Global renderer state, built by SetupTerrainRenderer before rendering.
struct TerrainRenderer {
    uint8_t* image = nullptr;          // target picture (a surface's pixels or ownImage)
    int width = 0;                     // W
    int height = 0;                    // Hs
    int pitch = 0;                     // bytes per target row
    float widthF = 0;                  // W as float: projections are scaled by it
    float aspect = 0;                  // Hs / W
    std::vector<uint8_t> ownImage;     // picture buffer when no surface is given
    std::vector<uint16_t> depth;       // W x Hs, row stride W
    std::vector<uint8_t> shade;        // W x Hs palette index a shadow there must use
    float noise[256] = {};             // rand() / 32768 values
    uint8_t noiseIndex = 0;            // advanced before every use
    uint8_t litColour[48] = {};        // A: fully lit colour per ground value
    uint8_t shadeColour[48] = {};      // B: fully shaded colour per ground value
    PixelRoutine routine = PixelRoutine::Terrain;
    bool skipObjects = false;          // fast preview: no objects
};
extern TerrainRenderer terrainRenderer;

// Screen position and depth of a projected world point.
struct ScreenPoint {
    int x = 0, y = 0;
    float depth = 0;
    bool valid = false;                // false when at or behind the camera plane
};

// Fills the A and B colour tables.
void FillTerrainColourTables(uint8_t lit[48], uint8_t shaded[48]);
// Seeds rand() and refills the noise table from it.
void SeedTerrainNoise(unsigned seed);
// A track picture is made in this order, for a race and for a preview alike:
//   1. SetupTerrainRenderer(W, Hs, ...)  size the picture (once per season),
//   2. LoadTrack / LoadTrackFile          the track into TrackMaps,
//   3. RenderLoadedTrack()                fit the view to the picture, render.
// A preview (RenderTrackPreview) does steps 1 and 3 for a track already loaded.

// Sizes the buffers for a W x Hs target (pixels == nullptr renders into
// ownImage), fills the colour tables and reseeds the noise from the tick count.
void SetupTerrainRenderer(int width, int height, uint8_t* pixels = nullptr, int pitch = 0);
// Frees the buffers (race or preview ended).
void FreeTerrainRenderer();

// Places the camera of TrackMaps so the whole world block fits a picture of
// the given aspect (height / width). FitTrackView uses the renderer's aspect,
// 0.75 when no renderer is set up.
void FitTrackViewForAspect(float aspect);
void FitTrackView();
// Projects a world point (east, height, north) with the TrackMaps camera.
ScreenPoint ProjectToScreen(float x, float h, float y);

// Renders terrain, frame, posts, objects and water of TrackMaps into the target
// with the camera as it stands; also sets object heights and marks the
// moveable cones for the race.
void RenderTrackImage();
// The view fit, then RenderTrackImage (fast: without objects): the picture of
// a freshly loaded track.
void RenderLoadedTrack(bool fast = false);
// Clears the bottom panel strip (colour 240, depth 0); returns its first row.
int ClearPanelStrip();
// Height of the bottom panel strip for a picture height.
int PanelStripHeight(int height);
// Renders the TrackMaps track into a width x height preview buffer (ownImage);
// fast leaves the objects out. The picture is terrainRenderer.image afterwards.
void RenderTrackPreview(int width, int height, bool fast);

// Ground value the terrain shows at world (x, y): the four surrounding land
// cells vote with their bilinear weights (reads TrackMaps).
int TerrainGroundValue(float x, float y);

// Repaints the pixels of land cell (column, row) after its ground value changed.
void RedrawLandCell(int column, int row);
// Wheel marks of a wheel on a bridge deck (kind 2) or stand (kind 3) at a world point.
void MarkBridgeOrStand(float x, float h, float y, int contactKind, float intensity);

// Writes the picture as an 8-bit BMP with the given palette (RGB per entry).
bool WriteTerrainPictureBmp(const char* path, const uint8_t palette[256][3]);
