// Renders the terrain picture of arbitrary track files at a small size: a
// hostile track (extreme heights, views, zoom, objects far outside the world)
// may give an odd picture but must not write outside the renderer's buffers.
#include <cstddef>
#include <cstdint>

#include "Game/shell/settings.h"
#include "Game/track/render.h"
#include "Game/track/track.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DefaultIniSettings(iniSettings);
    SetupTerrainRenderer(64, 48);
    SeedTerrainNoise(1);  // the same bytes render the same way
    if (LoadTrackBytes(data, size, 1) != 0)
        return 0;
    RenderLoadedTrack();
    int strip = ClearPanelStrip();
    if (strip < 0 || strip > terrainRenderer.height)
        __builtin_trap();
    ProjectToScreen(trackMaps.worldSize * 0.5f, 0, trackMaps.worldSize * 0.5f);
    RenderTrackPreview(32, 24, (size & 1) != 0);
    if (terrainRenderer.width != 32 || terrainRenderer.height != 24)
        __builtin_trap();
    return 0;
}
