// The track information box (screen 9), opened by a right click on a track:
// the track's preview, its record and best times with the cars they were
// driven with, its length and author, and Reset, which empties the records.
#include "Game/frontend/frontend_internal.h"

#include <cstdio>
#include <cstring>

#include "Game/shell/settings.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "Game/track/render.h"
#include "Game/track/track.h"
#include "Game/view/view.h"

namespace {

constexpr uint32_t kScreenTrackInfo = 9;
constexpr uint8_t kInfoCaption = 90;
constexpr uint8_t kInfoRow = 240;
constexpr float kPreviewX = 15, kPreviewY = 12;
constexpr float kPreviewWidth = 20, kPreviewHeight = 15;

enum { kTiReset = 0, kTiOk, kTiAuthor };
WidgetArray infoBox;

// What the box shows, read once when it opens.
struct InfoContents {
    std::string file;                        // the track file from the program directory
    std::string title;                       // file name shown in the title
    int previewWidth = 0, previewHeight = 0;
    std::vector<uint8_t> preview;            // palette indices, row after row
    TrackRecords records;
    uint32_t length = 0;                     // metres
};
InfoContents info;

// "%-17s %2d.%02d" with the name as stored (at most 13 characters).
std::string RecordRow(const TrackRecord& r) {
    char name[sizeof r.name];
    std::memcpy(name, r.name, sizeof name);
    name[sizeof name - 1] = 0;
    char row[64];
    std::snprintf(row, sizeof row, "%-17s %2d.%02d", name, r.time / 100, r.time % 100);
    return row;
}

// The car icon beside a row, in the colours of player slot 0.
void RowIcon(const TrackRecord& r, float y) {
    if (!backBuffer || !LockSurface(kBackBuffer)) return;
    SetViewTarget(lockedPixels, lockedPitch, backBuffer->w, backBuffer->h, nullptr, nullptr);
    static constexpr float kIconView[3][3] = {
        {-0.6396f, -0.4264f, -0.6396f}, {0, 0.832f, -0.555f}, {0.6396f, -0.4264f, -0.6396f}};
    DrawCarIcon(CellToPixelX(38), CellToPixelY(y + 1), r.car, 0, kIconView, 120);
    UnlockSurface();
}

void DrawPreview() {
    if (!backBuffer || info.preview.empty() || !LockSurface(kBackBuffer)) return;
    int x0 = CellToPixelX(kPreviewX), y0 = CellToPixelY(kPreviewY);
    for (int y = 0; y < info.previewHeight; ++y) {
        int py = y0 + y;
        if (py < 0 || py >= backBuffer->h) continue;
        for (int x = 0; x < info.previewWidth; ++x) {
            int px = x0 + x;
            if (px < 0 || px >= backBuffer->w) continue;
            lockedPixels[size_t(py) * size_t(lockedPitch) + size_t(px)] =
                info.preview[size_t(y) * size_t(info.previewWidth) + size_t(x)];
        }
    }
    UnlockSurface();
}

void InfoBackdrop() {
    DrawPanel(10, 6, 60, 48);
    DrawCaption(texts[kTextTrackInfo] + " - " + info.title, 10, 7.5f, 60, kPanelTitle, true);
    DrawPreview();
    DrawCaption(texts[kTextTrackRecord], 40, 13, 29, kInfoCaption, false);
    DrawCaption(texts[kTextBestTimes], 40, 21, 29, kInfoCaption, false);
    DrawCaption(texts[kTextTrackLength], 15, 33, 24, kInfoCaption, false);
    DrawCaption(texts[kTextAuthor], 15, 41, 24, kInfoCaption, false);
    for (int k = 0; k < kTrackRecordCount; ++k) {
        const TrackRecord& r = info.records.entry[k];
        if (r.time >= kEmptyLapTime) continue;
        float y = k == 0 ? 16.0f : 24.0f + 3.0f * float(k - 1);
        DrawCaption(RecordRow(r), 40, y, 29, kInfoRow, false);
        RowIcon(r, y);
    }
    char length[32];
    std::snprintf(length, sizeof length, "%d m", int(info.length));
    DrawCaption(length, 15, 36, 24, kInfoRow, false);
}

void OnOk(Widget&) { EndModal(0); }

void OnReset(Widget&) {
    if (!ShowMessageBox(kBoxYesNo, texts[kTextAreYouSureReset], texts[kTextReset])) return;
    if (ResetTrackRecords(info.file.c_str()) != kTrackOk) {
        ShowMessageBox(kBoxOk, texts[kTextOops], texts[kTextReset]);
        return;
    }
    EndModal(1);
}

void BuildInfoBox(const std::string& author) {
    infoBox.resize(3);
    MakeButton(infoBox[kTiReset], texts[kTextReset], 20, 50, 20, 3, OnReset, 0);
    MakeButton(infoBox[kTiOk], texts[kTextMessageOk], 40, 50, 20, 3, OnOk, kWidgetDefault | kWidgetCancel);
    MakeButton(infoBox[kTiAuthor], author, 14, 43, 24, 3, nullptr, kWidgetNoArrows);
    SetWidgetHidden(infoBox[kTiAuthor], author.empty());
}

}  // namespace

bool ShowTrackInfoBox(const std::string& trackPath) {
    EnterBaseDirectory();
    std::string file;
    if (!TrackFileOf(trackPath, file)) return false;
    // The preview loads the track into the run-time maps and renders it;
    // both are let go again once the picture and the figures are copied.
    int width = int(kPreviewWidth) * uiScale, height = int(kPreviewHeight) * uiScale;
    SetupTerrainRenderer(width, height);
    if (LoadTrackFile(file, 0) != 0) {
        FreeTerrainRenderer();
        return false;
    }
    RenderLoadedTrack(iniSettings.fasterTrackPreview != 0);
    bool rendered = terrainRenderer.image && terrainRenderer.width == width && terrainRenderer.height == height;
    info = InfoContents{};
    info.file = file;
    info.title = file.substr(file.rfind('/') + 1);
    if (rendered) {
        info.previewWidth = width;
        info.previewHeight = height;
        info.preview.resize(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y)
            std::memcpy(&info.preview[size_t(y) * size_t(width)],
                        terrainRenderer.image + size_t(y) * size_t(terrainRenderer.pitch), size_t(width));
    }
    info.records = trackMaps.records;
    info.length = trackMaps.trackLength;
    std::string author(trackMaps.author, strnlen(trackMaps.author, sizeof trackMaps.author));
    FreeTerrainRenderer();
    FreeTrackMaps();
    if (!rendered) return false;
    BuildInfoBox(author);
    RunModal(kScreenTrackInfo, infoBox, kScreenArrowKeys, InfoBackdrop, kTiOk);
    infoBox.clear();
    info = InfoContents{};
    return true;
}
