// Loading and saving .trk files, the flaw check before a save, and the track
// properties. The file layout itself is trackfile's; this converts between
// its units (rows south first, half pixels north up) and the document's.
#include "Courseforge/editor_internal.h"

#include <algorithm>
#include <cmath>

static uint16_t HalfPixels(float v)
{
    // Truncated like the file wants; clamped so that a stray position cannot wrap.
    return static_cast<uint16_t>(std::clamp(2.0f * v, 0.0f, 65535.0f));
}

static TrackPoint ToFilePoint(float x, float y) { return TrackPoint{HalfPixels(x), HalfPixels(kLandSize - y)}; }
static float FromFileX(uint16_t x) { return x * 0.5f; }
static float FromFileY(uint16_t y) { return kLandSize - y * 0.5f; }

static std::vector<TrackPoint> ToFileLine(const std::vector<EditorPoint>& line)
{
    std::vector<TrackPoint> out;
    out.reserve(line.size());
    for (const EditorPoint& p : line)
        out.push_back(ToFilePoint(p.x, p.y));
    return out;
}

static TrackLine ToFileLine(const EditorLine& l)
{
    TrackPoint a = ToFilePoint(l.x1, l.y1), b = ToFilePoint(l.x2, l.y2);
    return TrackLine{a.x, a.y, b.x, b.y};
}

static EditorLine FromFileLine(const TrackLine& l)
{
    return EditorLine{FromFileX(l.x1), FromFileY(l.y1), FromFileX(l.x2), FromFileY(l.y2)};
}

static void ToTrackFile(const EditorDocument& d, TrackFile& t)
{
    InitTrackFile(t);
    t.version = kTrackVersionEditor;
    t.worldSize = static_cast<uint8_t>(d.worldSize);
    t.waterLevel = static_cast<uint8_t>(d.waterLevel);
    t.viewAngle = static_cast<int16_t>(d.viewAngle);
    t.rotation = static_cast<int16_t>(d.rotation);
    t.zoom = static_cast<uint8_t>(d.zoom);
    t.sfLine = d.sfLine ? 1 : 0;
    t.land.assign(kLandCells, 0);
    for (int row = 0; row < kLandSize; row++)
        std::copy_n(&d.land[size_t(kLandSize - 1 - row) * kLandSize], kLandSize, &t.land[size_t(row) * kLandSide]);
    t.heights.assign(kHeightCells, 0);
    for (int row = 0; row < kHeightSize; row++)
        for (int col = 0; col < kHeightSize; col++)
            t.heights[size_t(row) * kHeightSide + col] = d.height[size_t(kHeightSize - 1 - row) * kHeightSize + col] >> 8;
    t.objects.clear();
    for (const EditorObject& o : d.objects) {
        TrackPoint p = ToFilePoint(o.x, o.y);
        t.objects.push_back(TrackObject{o.type, p.x, p.y, o.angle});
    }
    t.pitCrews.clear();
    for (const EditorPitCrew& c : d.pitCrews) {
        TrackPoint p = ToFilePoint(c.x, c.y);
        t.pitCrews.push_back(TrackPitCrew{p.x, p.y, c.angle});
    }
    t.checkpoints.clear();
    for (const EditorLine& l : d.checkpoints)
        t.checkpoints.push_back(ToFileLine(l));
    t.limiters.clear();
    for (const EditorLine& l : d.limiters)
        t.limiters.push_back(ToFileLine(l));
    t.aiLine = ToFileLine(d.aiLine);
    t.pitLine = ToFileLine(d.pitAiLine);
    t.author = d.author.substr(0, 30);
    t.comments = d.comments.substr(0, 500);
    t.trackLength = EditorTrackLength(d);
}

EditorResult EditorLoad(Editor& e, const char* path)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, 64u << 20))
        return MessageResult(false, kMsgCantOpenFile, kCaptionTrackEditor);
    return EditorLoadBytes(e, bytes.data(), bytes.size(), path);
}

EditorResult EditorLoadBytes(Editor& e, const uint8_t* data, size_t size, const char* path)
{
    TrackFile t;
    const int status = ReadTrackBytes(data, size, TrackReadEditor, t);
    if (status == kTrackTooNew)
        return MessageResult(false, kMsgNewerVersion, kCaptionCourseforge);
    // A file cut short or with counts beyond its size is refused like one that
    // can't be opened: the document stays as it was.
    if (status != kTrackOk || t.land.size() != size_t(kLandCells) || t.heights.size() < size_t(kHeightCells))
        return MessageResult(false, kMsgCantOpenFile, kCaptionTrackEditor);

    EditorDocument& d = e.doc;
    e.testMarks.clear();  // they belong to the track tested
    // Cells the run stream did not reach keep the previous content.
    for (int row = 0; row < kLandSize; row++) {
        const uint8_t* src = &t.land[size_t(row) * kLandSide];
        uint8_t* dst = &d.land[size_t(kLandSize - 1 - row) * kLandSize];
        for (int col = 0; col < kLandSize; col++)
            if (src[col] != kLandNotStored)
                dst[col] = src[col] & 15;
    }
    for (int row = 0; row < kHeightSize; row++)
        for (int col = 0; col < kHeightSize; col++)
            d.height[size_t(kHeightSize - 1 - row) * kHeightSize + col] =
                static_cast<uint16_t>(t.heights[size_t(row) * kHeightSide + col] << 8);
    d.landUndoEnabled = false;
    d.heightUndoEnabled = false;
    d.objects.clear();
    for (const TrackObject& o : t.objects)
        d.objects.push_back(EditorObject{o.type, FromFileX(o.x), FromFileY(o.y), static_cast<float>(o.angle)});
    while (d.objects.size() < size_t(kStartPositions)) {  // the reader repairs the grid; never trust it blindly
        TrackObject s = DefaultStartPosition(static_cast<int>(d.objects.size()));
        d.objects.push_back(EditorObject{0, FromFileX(s.x), FromFileY(s.y), static_cast<float>(s.angle)});
    }
    if (d.objects.size() > size_t(kMaxObjects))
        d.objects.resize(kMaxObjects);
    d.pitCrews.clear();
    for (const TrackPitCrew& c : t.pitCrews)
        d.pitCrews.push_back(EditorPitCrew{FromFileX(c.x), FromFileY(c.y), static_cast<float>(c.angle)});
    d.checkpoints.clear();
    for (const TrackLine& l : t.checkpoints)
        d.checkpoints.push_back(FromFileLine(l));
    d.limiters.clear();
    for (const TrackLine& l : t.limiters)
        d.limiters.push_back(FromFileLine(l));
    d.aiLine.clear();
    for (const TrackPoint& p : t.aiLine)
        d.aiLine.push_back(EditorPoint{FromFileX(p.x), FromFileY(p.y)});
    d.pitAiLine.clear();
    for (const TrackPoint& p : t.pitLine)
        d.pitAiLine.push_back(EditorPoint{FromFileX(p.x), FromFileY(p.y)});
    // A world size outside the slider's range would break every length; keep it usable.
    d.worldSize = std::clamp<int>(t.worldSize, 25, 255);
    d.waterLevel = t.waterLevel;
    d.viewAngle = t.viewAngle;
    d.rotation = t.rotation;
    d.zoom = t.zoom;
    d.sfLine = t.sfLine != 0;
    d.pixelsPerUnit = 512.0f / d.worldSize;
    d.author = t.author.substr(0, 30);
    d.comments = t.comments.substr(0, 500);
    d.fileName = path;
    e.stroke.captured = false;
    e.stroke.placing = false;
    e.stroke.lineIndex = -1;
    return FullRedrawResult();
}

EditorResult EditorSave(Editor& e, const char* path)
{
    TrackFile t;
    ToTrackFile(e.doc, t);
    if (!WriteTrackFile(path, t, t.trackLength))
        return MessageResult(false, kMsgCantCreateTrack, kCaptionTrackEditor);
    e.doc.fileName = path;
    return EditorResult{};
}

unsigned EditorTrackLength(const EditorDocument& d)
{
    // The line as the editor holds it: cutting its points to the file's half
    // pixels first would put the length off by a unit on many tracks.
    if (d.aiLine.size() < 2 || d.worldSize <= 0)
        return 0;
    double length = 0;
    for (size_t i = 0; i < d.aiLine.size(); i++) {
        const EditorPoint& a = d.aiLine[i];
        const EditorPoint& b = d.aiLine[(i + 1) % d.aiLine.size()];
        length += std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    }
    return static_cast<unsigned>(length / (512.0 / d.worldSize));
}

std::vector<std::string> EditorFlawLines(const EditorDocument& d)
{
    std::vector<std::string> lines;
    if (d.pitCrews.empty())
        lines.push_back("Players can't go to repair their cars. Add pits");
    if (d.checkpoints.size() < 2)
        lines.push_back("Lap can't be completed. Create check points");
    if (d.aiLine.size() < 3)
        lines.push_back("AI drivers don't know how to drive here. Create AI driving line");
    if (d.pitAiLine.size() < 2)
        lines.push_back("AI drivers don't know how to go to the pits. Create AI pit driving line");
    const float ppu2 = d.pixelsPerUnit * d.pixelsPerUnit;
    bool unreachable = false, crowded = false;
    for (size_t a = 0; a < d.pitCrews.size(); a++) {
        bool near = false;
        for (const EditorPoint& p : d.pitAiLine) {
            const float dx = p.x - d.pitCrews[a].x, dy = p.y - d.pitCrews[a].y;
            if (dx * dx + dy * dy < 225 * ppu2) {
                near = true;
                break;
            }
        }
        unreachable |= !near;
        for (size_t b = a + 1; b < d.pitCrews.size(); b++) {
            const float dx = d.pitCrews[b].x - d.pitCrews[a].x, dy = d.pitCrews[b].y - d.pitCrews[a].y;
            crowded |= dx * dx + dy * dy < 100 * ppu2;
        }
    }
    if (unreachable)
        lines.push_back("AI drivers can't find they way to some pits. Move pits closer to AI pit driving line.");
    if (crowded)
        lines.push_back("Pits are too close to each other.");
    return lines;
}

std::string EditorFlawCheck(const EditorDocument& d)
{
    std::string text;
    for (const std::string& line : EditorFlawLines(d))
        text += "\t* " + line + "\n";
    if (text.empty())
        return text;
    return "Track has following flaws that should be fixed.\n\n" + text + "\nWould you like to save anyway?";
}

TrackProperties EditorGetProperties(const EditorDocument& d)
{
    return TrackProperties{d.waterLevel, d.viewAngle, d.rotation, d.zoom, d.worldSize, d.sfLine, d.author, d.comments};
}

EditorResult EditorSetProperties(Editor& e, const TrackProperties& p)
{
    EditorDocument& d = e.doc;
    const int oldWorldSize = d.worldSize;
    d.waterLevel = std::clamp(p.waterLevel, 0, 255);
    d.viewAngle = std::clamp(p.viewAngle, 10, 90);
    d.rotation = std::clamp(p.rotation, -180, 180);
    d.zoom = std::clamp(p.zoom, 10, 255);
    d.worldSize = std::clamp(p.worldSize, 25, 255);
    d.sfLine = p.sfLine;
    d.author = p.author.substr(0, 30);
    d.comments = p.comments.substr(0, 500);
    d.pixelsPerUnit = 512.0f / d.worldSize;
    EditorResult r = FullRedrawResult();
    if (d.worldSize != oldWorldSize && (!d.aiLine.empty() || !d.pitAiLine.empty())) {
        r.message = kMsgReworkAiLines;
        r.caption = kCaptionCourseforge;
    }
    return r;
}
