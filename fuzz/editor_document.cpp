// Feeds arbitrary bytes to the editor's loading of a track into its
// document: a refused file leaves the document as it was; an accepted one
// gives a document the editor's own commands can work on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "Courseforge/editor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::unique_ptr<Editor> editor(new Editor);
    Editor& e = *editor;
    std::srand(1);
    EditorInit(e);
    const size_t objectsBefore = e.doc.objects.size();
    EditorResult r = EditorLoadBytes(e, data, size, "fuzz.trk");
    if (!r.ok) {
        if (e.doc.objects.size() != objectsBefore || !e.doc.fileName.empty())
            __builtin_trap();
        return 0;
    }
    const EditorDocument& d = e.doc;
    if (d.objects.size() < size_t(kStartPositions) || d.objects.size() > size_t(kMaxObjects))
        __builtin_trap();
    for (int k = 0; k < kStartPositions; ++k)
        if (d.objects[k].type != 0)
            __builtin_trap();
    if (d.worldSize < 25 || d.worldSize > 255 || d.author.size() > 30 || d.comments.size() > 500)
        __builtin_trap();
    EditorFlawCheck(d);
    EditorTrackLength(d);
    EditorButtons(e);
    TrackProperties p = EditorGetProperties(d);
    EditorSetProperties(e, p);
    EditorRotateAiLine(e, 1);
    EditorRotateAiLine(e, -10);
    EditorDeleteAiPoint(e);
    EditorDeletePitAiPoint(e);
    EditorDeleteCheckpoint(e);
    EditorDeleteLimiter(e);
    EditorDeletePitCrew(e);
    return 0;
}
