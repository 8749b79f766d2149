// Feeds arbitrary bytes to the game's track loader: a file either fails
// cleanly or yields maps whose values and indices stay in range.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "Game/shell/settings.h"
#include "Game/track/track.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    iniSettings.viewAngle = iniSettings.rotation = 32767;
    iniSettings.zoom = 0;
    if (LoadTrackBytes(data, size, 1) != 0)
        return 0;
    const TrackMaps& m = trackMaps;
    if (m.land.size() != static_cast<size_t>(kLandCells) || m.heights.size() != static_cast<size_t>(kHeightCells))
        __builtin_trap();
    for (uint8_t v : m.land)
        if (v > 47)
            __builtin_trap();
    int n = static_cast<int>(m.aiLine.size());
    if (m.pitEntry >= n || m.pitExit >= n || (m.pitEntry < 0) != (m.pitExit < 0))
        __builtin_trap();
    for (const TrackGate& g : m.checkpoints)
        if (!std::isfinite(g.dx) || !std::isfinite(g.dy))
            __builtin_trap();
    for (const Vec3& p : m.aiLine)
        if (!std::isfinite(TerrainHeight(p.x, p.z)) || GroundAt(p.x, p.z) > 47)
            __builtin_trap();
    return 0;
}
