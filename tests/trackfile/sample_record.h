// A best lap by "Fast Fred" in a "Buggy" and a ghost lap of the given number
// of frames, written into a track file: the records that the track tools and
// the track manager must carry along.
#pragma once
#include "trackfile/trackfile.h"

#include <cstring>
#include <string>

inline int WriteSampleRecord(const std::string& path, int ghostFrames)
{
    TrackRecords records;
    ClearTrackRecords(records);
    CarDefinition car = {};
    std::strcpy(car.name, "Buggy");
    const uint16_t date[8] = {2026, 3, 4, 5, 6, 7, 8, 9};
    InsertTrackRecord(records, 1234, "Fast Fred", car, date);
    GhostLap ghost;
    ghost.frameCount = static_cast<uint16_t>(ghostFrames);
    ghost.samples.resize(size_t(ghostFrames / 2 + 1));
    return WriteTrackRecords(path.c_str(), records, &ghost);
}
