// Courseforge's view: the 512 x 512 display buffer drawn from the document
// (land colours blended with height shading, then the markers), the zoom and
// scroll arithmetic that maps the window's pixels to map pixels, the refresh
// throttle, and the pointer image read from a cursor file. No toolkit here:
// the window layer only shows the buffer and forwards the mouse.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Courseforge/editor.h"

constexpr int kViewSize = 512;        // the buffer and the unzoomed view are 512 x 512 pixels

// The display buffer: row 0 = top (north); each pixel 0x00RRGGBB, i.e. the
// bytes blue, green, red and an unused fourth byte in memory.
extern uint32_t viewPixels[kViewSize * kViewSize];

// ---- Drawing the buffer ------------------------------------------------------
uint32_t ViewHeightColour(int waterLevel, int h);                // height colour of byte h: blue-tinted below water, grey above
uint32_t ViewPixelColour(const EditorDocument& d, int blend, int x, int y);  // one map pixel, computed directly (reference)
void ViewRedrawAll(const Editor& e);                             // every map pixel, then the markers
void ViewRedrawArea(const Editor& e, int x0, int y0, int x1, int y1); // map pixels of a half-open rectangle, then markers over it
void ViewRedrawMarkers(const Editor& e);                         // markers moved: restore the map pixels, draw the markers again
void ViewApplyResult(const Editor& e, const EditorResult& r);    // redraw what an editor operation reports as changed

// ---- Zoom, scrolling and the mouse ------------------------------------------
enum ViewZoomMode { kZoomOff = 1, kZoom2x = 2, kZoom4x = 4 };

struct ViewState {
    int zoom = kZoomOff;
    int scrollX = 0, scrollY = 0;     // 0 .. ViewScrollMax(zoom)
    uint32_t lastRefreshMs = 0;       // time of the last refresh that was not skipped
    bool refreshed = false;           // a refresh has happened at all
    bool pointerInView = true;        // the cursor object and pit crew are drawn only then
};
extern ViewState view;

int ViewScrollRange(int zoom);                                   // 0 (off), 1000 (2x), 1250 (4x)
int ViewScrollPage(int zoom);                                    // 0 (off), 500 (2x), 250 (4x)
int ViewScrollMax(int zoom);                                     // last position the thumb can reach: range - page + 1
int ViewClampScroll(int zoom, int pos);                          // a scroll position clamped to 0 .. ViewScrollMax
void ViewSetZoom(ViewState& v, int zoom);                        // switch zoom; both scroll positions go back to 0
int ViewToMap(int zoom, int scroll, int clientSize, int viewCoord); // window pixel -> map pixel along one axis
bool ViewRefreshDue(ViewState& v, uint32_t nowMs, bool force);  // throttle: false when an unforced refresh follows within 50 ms
// One zoomed output line of the view as RGB bytes (3 per pixel) for the window: view row
// `viewY`, columns viewX .. viewX + width - 1.
void ViewZoomedLine(const ViewState& v, int viewX, int viewY, int width, uint8_t* rgb);

// ---- Pointer image -----------------------------------------------------------
struct CursorImage {
    int width = 0, height = 0;
    int hotX = 0, hotY = 0;
    std::vector<uint8_t> rgba;        // width * height * 4, top row first
};
// Reads the first image of a Windows cursor (or icon) file: uncompressed 1, 4, 8, 24 or
// 32 bits per pixel with its AND mask. False for anything else or a damaged file.
bool DecodeCursorFile(const uint8_t* data, size_t size, CursorImage& out);
