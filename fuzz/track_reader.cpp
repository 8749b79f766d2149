// Feeds arbitrary bytes to both track readers, the identity, the ghost reader
// and the records write-back: none may crash, read out of bounds or allocate
// more than the input justifies.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "trackfile/trackfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TrackFile t;
    int game = ReadTrackBytes(data, size, TrackReadGame, t);
    TrackFile e;
    if (ReadTrackBytes(data, size, TrackReadEditor, e) == kTrackOk) {
        // Whatever the editor reads, it can save and read back.
        ByteWriter w;
        if (WriteTrackBytes(e, w)) {
            TrackFile again;
            if (ReadTrackBytes(w.bytes.data(), w.bytes.size(), TrackReadEditor, again) != kTrackOk)
                __builtin_trap();
        }
    }
    uint32_t sums[4];
    TrackIdentity(data, size, sums);
    ByteReader r = MakeReader(data, size);
    GhostLap ghost;
    ReadGhostLap(r, ghost);

    if (game == kTrackOk) {
        std::vector<uint8_t> file(data, data + size);
        TrackRecords records;
        ClearTrackRecords(records);
        GhostLap lap;
        lap.frameCount = 3;
        lap.samples.resize(2);
        if (ApplyTrackRecords(file, records, size & 1 ? &lap : nullptr) != kTrackOk)
            __builtin_trap();
        TrackFile after;
        if (ReadTrackBytes(file.data(), file.size(), TrackReadGame, after) != kTrackOk || !after.hasTrailer ||
            !after.trailerMatches)
            __builtin_trap();
    }
    return 0;
}
