// Video layer: display modes, the three 8-bit surfaces (screen, back buffer,
// background picture), fills, copies, locking for direct pixel drawing, the
// 256-colour palette, the 80 x 60 UI grid and the F11/F12 screenshots.
#pragma once
#include <SDL.h>
#include <cstddef>
#include <cstdint>
#include <vector>
#include "Game/shell/shell.h"

struct DisplayMode {
    uint32_t width;
    uint32_t height;
};
extern std::vector<DisplayMode> displayModes;   // sizes of the primary display, largest first
extern int32_t screenWidth, screenHeight;       // size of the current video mode
void SetScreenSize(int32_t width, int32_t height); // the size the next SetVideoMode uses

enum SurfaceId { kScreenSurface = 0, kBackBuffer = 1, kBackgroundSurface = 2 };

extern SDL_Surface* backBuffer;                 // every frame is composed here
extern SDL_Surface* backgroundSurface;          // rendered track without cars
SDL_Surface* GetSurface(int id);                // surface by id (0 = SDL video surface); null if missing

// Locked drawing target: set by LockSurface, cleared by UnlockSurface.
extern SDL_Surface* lockedSurface;
extern uint8_t* lockedPixels;                   // palette indices, row after row
extern int32_t lockedPitch;                     // bytes per row

// UI grid: 80 x 60 units of uiScale pixels, centred on the screen.
extern int32_t uiScale;                         // pixels per unit
extern int32_t lineWidth;                       // uiScale / 4
extern int32_t shadowOffset;                    // (lineWidth + 1) / 2
void SetUiScale(int32_t width, int32_t height); // recomputes uiScale, lineWidth and shadowOffset
float UiOriginX();                              // left edge of the grid in pixels
float UiOriginY();                              // top edge of the grid in pixels

// Display modes.
std::vector<DisplayMode> SortDisplayModes(std::vector<DisplayMode> modes);  // one entry per size, largest first
std::vector<DisplayMode> EnumerateDisplayModes();   // SDL's full-screen modes, or common sizes when SDL lists none
void ListDisplayModes();                            // fills displayModes from EnumerateDisplayModes
bool IsDisplayMode(int32_t width, int32_t height);  // size is in displayModes

bool SetVideoMode(bool windowed);               // mode at screenWidth x screenHeight plus both off-screen surfaces
bool ResetVideoMode(int32_t width, int32_t height, bool windowed); // same at a new size, surfaces recreated
void FreeVideoSurfaces();                       // frees back buffer and background surface

void FillRect(uint8_t colour, int x1, int y1, int x2, int y2);    // back buffer, x1 <= x < x2, y1 <= y < y2
void FillRectWH(uint8_t colour, int x, int y, int w, int h);      // back buffer, by size
struct ScreenRect {
    int x1, y1, x2, y2;                         // pixels, x1 <= x < x2, y1 <= y < y2
};
void FillRect(uint8_t colour, const ScreenRect* rect);           // corners record; null = whole back buffer
bool Blit(int src, int dst);                    // whole surface onto another by id
bool RestoreRect(int x, int y, int w, int h);   // background to back buffer, same place
bool LockSurface(int id);                       // sets the locked drawing target
void UnlockSurface();                           // clears the locked drawing target
void Present();                                 // Blit(back buffer, screen) then flip

// Palette: packed 0xRRGGBB values; entries 192-239 belong to the car slots.
constexpr int kCarColoursFirst = 192;
constexpr int kCarColoursLast = 239;
extern const uint8_t builtinPalette[256][3];    // built-in colours (RGB), readable without SDL; 192-239 are 0
extern SDL_Color currentPalette[256];           // the palette set on the surfaces
bool ReadPaletteFile(const char* path, uint32_t packed[256]); // replaces 0-191, 240-255; false if missing/short
bool ParsePaletteBytes(const uint8_t* data, size_t size, uint32_t packed[256]); // the same from memory
void BuiltinPalette(uint32_t packed[256]);      // replaces 0-191 and 240-255 with the built-in colours
void LoadPalette();                             // palette named by the settings (or built in), applied
void ApplyPalette(const uint32_t packed[256]);  // stores and sets on every existing surface
void CurrentPalette(uint32_t packed[256]);      // reads the current palette and sets it again on the surfaces

// Screenshots into "screens/shot%04d.bmp": 8-bit at screen size when width or height is 0, else 32-bit scaled.
bool TakeScreenshot(int width, int height);
void ResetScreenshotCounter();                  // counter back to 0 (tests)
SDL_Surface* ScaleSurface(SDL_Surface* surface, int width, int height); // Lanczos resample; caller frees
bool HasTransparency(SDL_Surface* surface);     // any pixel with alpha below 255
