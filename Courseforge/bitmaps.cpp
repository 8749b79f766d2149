// Exchanging the land and height maps with BMP files, and building the AI
// line from the ghost lap stored in another track file.
#include "Courseforge/editor_internal.h"

#include <cmath>

static const size_t kBmpMaxFile = 64u << 20;  // larger files are not map bitmaps
static const uint32_t kPixelsPerMetre = 3379;

// The 14-byte file header and 40-byte info header of an uncompressed bitmap.
static void WriteBmpHeaders(ByteWriter& w, int side, int bits, uint32_t colours)
{
    const uint32_t paletteBytes = colours * 4;
    const uint32_t imageBytes = uint32_t(side) * side * bits / 8;
    const uint32_t offset = 14 + 40 + paletteBytes;
    WriteU8(w, 'B');
    WriteU8(w, 'M');
    WriteU32(w, offset + imageBytes);
    WriteU16(w, 0);
    WriteU16(w, 0);
    WriteU32(w, offset);
    WriteU32(w, 40);
    WriteI32(w, side);
    WriteI32(w, side);
    WriteU16(w, 1);
    WriteU16(w, static_cast<uint16_t>(bits));
    WriteU32(w, 0);
    WriteU32(w, imageBytes);
    WriteI32(w, kPixelsPerMetre);
    WriteI32(w, kPixelsPerMetre);
    WriteU32(w, colours);
    WriteU32(w, colours);
}

std::vector<uint8_t> EncodeLandBitmap(const uint8_t* land)
{
    ByteWriter w;
    WriteBmpHeaders(w, kLandSize, 4, 16);
    for (int c = 0; c < 16; c++) {
        WriteU8(w, kLandColours[c][2]);
        WriteU8(w, kLandColours[c][1]);
        WriteU8(w, kLandColours[c][0]);
        WriteU8(w, 0);
    }
    for (int row = kLandSize - 1; row >= 0; row--) {
        const uint8_t* line = land + size_t(row) * kLandSize;
        for (int col = 0; col < kLandSize; col += 2)
            WriteU8(w, static_cast<uint8_t>(((line[col] & 15) << 4) | (line[col + 1] & 15)));
    }
    return w.bytes;
}

std::vector<uint8_t> EncodeHeightBitmap(const uint16_t* height)
{
    ByteWriter w;
    WriteBmpHeaders(w, kHeightSize, 8, 256);
    for (int k = 0; k < 256; k++) {
        WriteU8(w, static_cast<uint8_t>(k));
        WriteU8(w, static_cast<uint8_t>(k));
        WriteU8(w, static_cast<uint8_t>(k));
        WriteU8(w, 0);
    }
    for (int row = kHeightSize - 1; row >= 0; row--)
        for (int col = 0; col < kHeightSize; col++)
            WriteU8(w, static_cast<uint8_t>(height[size_t(row) * kHeightSize + col] >> 8));
    return w.bytes;
}

// Checks an uncompressed bottom-up bitmap of the given side and depth and
// returns a reader positioned at its pixel data, which must be all there.
static bool OpenBmpPixels(const uint8_t* data, size_t size, int side, int bits, ByteReader& r)
{
    r = MakeReader(data, size);
    const uint8_t b = ReadU8(r), m = ReadU8(r);
    ReaderSkip(r, 8);  // file size and reserved words: often wrong in the wild, not needed
    const uint32_t offset = ReadU32(r);
    const uint32_t infoSize = ReadU32(r);
    const int32_t width = ReadI32(r);
    const int32_t height = ReadI32(r);
    const uint16_t planes = ReadU16(r);
    const uint16_t depth = ReadU16(r);
    const uint32_t compression = ReadU32(r);
    if (r.failed || b != 'B' || m != 'M' || infoSize < 40 || width != side || height != side || planes != 1 ||
        depth != bits || compression != 0)
        return false;
    const size_t rowBytes = size_t(side) * bits / 8;  // a multiple of 4 for both map sizes
    if (offset < 14 + infoSize || !ReaderSeek(r, offset) || !ReaderHas(r, rowBytes * side))
        return false;
    return true;
}

bool DecodeLandBitmap(const uint8_t* data, size_t size, uint8_t* land)
{
    ByteReader r;
    if (!OpenBmpPixels(data, size, kLandSize, 4, r))
        return false;
    for (int row = kLandSize - 1; row >= 0; row--) {
        uint8_t* line = land + size_t(row) * kLandSize;
        for (int col = 0; col < kLandSize; col += 2) {
            const uint8_t pair = ReadU8(r);
            line[col] = pair >> 4;
            line[col + 1] = pair & 15;
        }
    }
    return !r.failed;
}

bool DecodeHeightBitmap(const uint8_t* data, size_t size, uint16_t* height)
{
    ByteReader r;
    if (!OpenBmpPixels(data, size, kHeightSize, 8, r))
        return false;
    for (int row = kHeightSize - 1; row >= 0; row--)
        for (int col = 0; col < kHeightSize; col++)
            height[size_t(row) * kHeightSize + col] = static_cast<uint16_t>(ReadU8(r) << 8);
    return !r.failed;
}

// The undo copy is taken only once the file has decoded, so a failed import
// leaves the earlier undo step intact as well as the map.
EditorResult EditorImportLand(Editor& e, const char* path)
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, file, kBmpMaxFile))
        return MessageResult(false, kMsgCantOpenFile, kCaptionCourseforge);
    std::vector<uint8_t> land(size_t(kLandSize) * kLandSize);
    if (!DecodeLandBitmap(file.data(), file.size(), land.data()))
        return MessageResult(false, kMsgNotLandBitmap, kCaptionCourseforge);
    e.doc.landUndo = e.doc.land;
    e.doc.landUndoEnabled = true;
    e.doc.land = std::move(land);
    return FullRedrawResult();
}

EditorResult EditorImportHeight(Editor& e, const char* path)
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, file, kBmpMaxFile))
        return MessageResult(false, kMsgCantOpenFile, kCaptionCourseforge);
    std::vector<uint16_t> height(size_t(kHeightSize) * kHeightSize);
    if (!DecodeHeightBitmap(file.data(), file.size(), height.data()))
        return MessageResult(false, kMsgNotHeightBitmap, kCaptionCourseforge);
    e.doc.heightUndo = e.doc.height;
    e.doc.heightUndoEnabled = true;
    e.doc.height = std::move(height);
    return FullRedrawResult();
}

EditorResult EditorExportLand(const Editor& e, const char* path)
{
    const std::vector<uint8_t> bmp = EncodeLandBitmap(e.doc.land.data());
    if (!WriteFileReplacing(path, bmp.data(), bmp.size()))
        return MessageResult(false, kMsgCantCreateBitmap, kCaptionCourseforge);
    return EditorResult{};
}

EditorResult EditorExportHeight(const Editor& e, const char* path)
{
    const std::vector<uint8_t> bmp = EncodeHeightBitmap(e.doc.height.data());
    if (!WriteFileReplacing(path, bmp.data(), bmp.size()))
        return MessageResult(false, kMsgCantCreateBitmap, kCaptionCourseforge);
    return EditorResult{};
}

bool DecodeGhostAiLine(const uint8_t* data, size_t size, float pixelsPerUnit, std::vector<EditorPoint>& line)
{
    ByteReader r = MakeReader(data, size);
    ReadU16(r);
    const uint8_t m0 = ReadU8(r), m1 = ReadU8(r);
    if (m0 != 'D' || m1 != 'W')
        ReaderSeek(r, 0);  // a version-256 file starts straight with the records offset
    const uint32_t recordsOffset = ReadU32(r);
    const uint8_t worldSize = ReadU8(r);
    if (r.failed || worldSize == 0 || !ReaderSeek(r, size_t(recordsOffset) + kTrackRecordsSize))
        return false;
    GhostLap ghost;
    if (!ReadGhostLap(r, ghost))
        return false;
    // Positions are world units x 150 of the source track; spacing is in the
    // current track's world units.
    const float v = 512.0f / worldSize / 150.0f;
    const float spacing2 = 25 * pixelsPerUnit * pixelsPerUnit;
    const size_t count = std::min<size_t>(ghost.frameCount / 2, ghost.samples.size());
    std::vector<EditorPoint> out;
    for (size_t n = 0; n < count && out.size() < size_t(kMaxAiPoints); n++) {
        const EditorPoint p{v * ghost.samples[n].pos[0], kLandSize - v * ghost.samples[n].pos[2]};
        if (!out.empty()) {
            const float dx = p.x - out.back().x, dy = p.y - out.back().y;
            if (dx * dx + dy * dy < spacing2)
                continue;
        }
        out.push_back(p);
    }
    if (out.empty())
        return false;
    line = std::move(out);
    return true;
}

EditorResult EditorImportAiLine(Editor& e, const char* path)
{
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, file))
        return MessageResult(false, kMsgCantOpenFile, kCaptionCourseforge);
    if (!DecodeGhostAiLine(file.data(), file.size(), e.doc.pixelsPerUnit, e.doc.aiLine))
        return MessageResult(false, kMsgNoGhostLap, kCaptionCourseforge);
    return FullRedrawResult();
}
