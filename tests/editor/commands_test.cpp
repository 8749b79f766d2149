// Document commands: new, load and save, the flaw check, properties, bitmap
// exchange and the AI line import, including the files they must refuse.
#include "Courseforge/editor.h"
#include "Game/track/track.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string TempPath(const char* name)
{
    static const std::string dir = [] {
        std::string d = std::string(DW_BINARY_DIR) + "/editor_test_files_" + std::to_string(getpid());
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir + "/" + name;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return WriteFileReplacing(path.c_str(), bytes.data(), bytes.size());
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    ReadWholeFile(path.c_str(), bytes);
    return bytes;
}

// A document with something in every section.
void FillDocument(Editor& e)
{
    EditorDocument& d = e.doc;
    for (size_t i = 0; i < d.land.size(); i++)
        d.land[i] = static_cast<uint8_t>((i * 7 + i / 512 * 3) % 13);
    for (size_t i = 0; i < d.height.size(); i++)
        d.height[i] = static_cast<uint16_t>(i * 977 % 65536);
    d.objects[2] = EditorObject{0, 40.5f, 60, 1.5f};
    d.objects.push_back(EditorObject{4, 100, 200.5f, 3 * 3.14159265f / 2});  // turned by the right button
    d.objects.push_back(EditorObject{36, 511, 0.5f, 0.25f});
    d.pitCrews.push_back(EditorPitCrew{300, 310, 5.5f});
    d.checkpoints.push_back(EditorLine{10, 20, 30, 40.5f});
    d.checkpoints.push_back(EditorLine{110, 120, 130, 140});
    d.limiters.push_back(EditorLine{200, 200, 220, 200});
    for (int k = 0; k < 5; k++)
        d.aiLine.push_back(EditorPoint{100.0f + 50 * k, 300.0f - 20 * k});
    d.pitAiLine.push_back(EditorPoint{300, 320});
    d.pitAiLine.push_back(EditorPoint{310.5f, 330});
    d.worldSize = 90;
    d.pixelsPerUnit = 512.0f / 90;
    d.waterLevel = 77;
    d.viewAngle = 45;
    d.rotation = -135;
    d.zoom = 200;
    d.sfLine = false;
    d.author = "Exactly thirty characters long";
    d.comments = "Two laps of the quarry,\r\nthen home.";
}

TEST(EditorDocument, NewTrackHasDefaultsAndAMadeUpName)
{
    Editor e;
    EditorInit(e);
    FillDocument(e);
    e.doc.landUndoEnabled = true;
    std::srand(7);
    EditorNew(e);
    EXPECT_EQ(e.doc.land[1234], 2);
    EXPECT_EQ(e.doc.height[99], kFlatHeight);
    ASSERT_EQ(e.doc.objects.size(), 6u);
    EXPECT_EQ(e.doc.objects[5].y, 110);
    EXPECT_TRUE(e.doc.aiLine.empty() && e.doc.pitCrews.empty() && e.doc.limiters.empty());
    EXPECT_EQ(e.doc.worldSize, 120);
    EXPECT_EQ(e.doc.waterLevel, 50);
    EXPECT_FALSE(EditorButtons(e).undoLand);
    for (int k = 0; k < 200; k++) {
        const std::string name = MakeUpTrackName();
        ASSERT_GE(name.size(), 7u);
        ASSERT_EQ(name.substr(name.size() - 4), ".trk");
        ASSERT_TRUE(std::isupper(static_cast<unsigned char>(name[0]))) << name;
        for (size_t i = 1; i + 4 < name.size(); i++)
            ASSERT_TRUE(std::islower(static_cast<unsigned char>(name[i]))) << name;
    }
    EXPECT_EQ(EditorTitle(e.doc), "Dustwhirl Track Editor - " + e.doc.fileName);
}

TEST(EditorFiles, SavedTrackLoadsBackAndTheGameReadsIt)
{
    Editor e, back;
    EditorInit(e);
    EditorInit(back);
    FillDocument(e);
    const std::string path = TempPath("round.trk");
    ASSERT_TRUE(EditorSave(e, path.c_str()).ok);
    EXPECT_EQ(e.doc.fileName, path);

    ASSERT_TRUE(EditorLoad(back, path.c_str()).ok);
    const EditorDocument &a = e.doc, &b = back.doc;
    EXPECT_EQ(a.land, b.land);
    for (size_t i = 0; i < a.height.size(); i++)
        ASSERT_EQ(b.height[i], a.height[i] & 0xFF00) << i;
    ASSERT_EQ(a.objects.size(), b.objects.size());
    for (size_t k = 0; k < a.objects.size(); k++) {
        EXPECT_EQ(a.objects[k].type, b.objects[k].type);
        EXPECT_EQ(a.objects[k].x, b.objects[k].x);
        EXPECT_EQ(a.objects[k].y, b.objects[k].y);
        // The same direction, whichever turn the stored angle names.
        EXPECT_NEAR(std::cos(a.objects[k].angle), std::cos(b.objects[k].angle), 2e-4);
        EXPECT_NEAR(std::sin(a.objects[k].angle), std::sin(b.objects[k].angle), 2e-4);
    }
    ASSERT_EQ(b.pitCrews.size(), 1u);
    EXPECT_EQ(b.pitCrews[0].x, 300);
    EXPECT_NEAR(std::sin(b.pitCrews[0].angle), std::sin(5.5f), 2e-4);
    ASSERT_EQ(b.checkpoints.size(), 2u);
    EXPECT_EQ(b.checkpoints[0].y2, 40.5f);
    ASSERT_EQ(b.limiters.size(), 1u);
    EXPECT_EQ(b.limiters[0].x2, 220);
    ASSERT_EQ(b.aiLine.size(), 5u);
    EXPECT_EQ(b.aiLine[4].y, 220);
    ASSERT_EQ(b.pitAiLine.size(), 2u);
    EXPECT_EQ(b.pitAiLine[1].x, 310.5f);
    EXPECT_EQ(b.worldSize, 90);
    EXPECT_FLOAT_EQ(b.pixelsPerUnit, 512.0f / 90);
    EXPECT_EQ(b.waterLevel, 77);
    EXPECT_EQ(b.viewAngle, 45);
    EXPECT_EQ(b.rotation, -135);
    EXPECT_EQ(b.zoom, 200);
    EXPECT_FALSE(b.sfLine);
    EXPECT_EQ(b.author, a.author);
    EXPECT_EQ(b.comments, a.comments);
    EXPECT_EQ(b.fileName, path);

    // The game takes the same file, with seven empty records and the length of the AI line.
    TrackFile t;
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, t), kTrackOk);
    EXPECT_EQ(t.records.entry[6].time, kEmptyLapTime);
    EXPECT_FALSE(t.hasGhost);
    EXPECT_EQ(t.trackLength, EditorTrackLength(a));
    EXPECT_GT(t.trackLength, 0u);
    ASSERT_EQ(LoadTrackFile(path, 2), 0);
    EXPECT_EQ(trackMaps.objects.size(), a.objects.size());
    EXPECT_EQ(trackMaps.checkpoints.size(), 2u);
    FreeTrackMaps();
}

// The stored and shown track length is that of the line the editor holds,
// not of its points cut to the file's half pixels.
TEST(EditorFiles, TrackLengthMeasuresTheEditorsOwnLine)
{
    Editor e;
    EditorInit(e);
    EditorDocument& d = e.doc;
    d.worldSize = 128;  // 4 pixels per world unit
    d.pixelsPerUnit = 4;
    // A square of side 100.75 pixels: 403 pixels round, 100.75 units.
    d.aiLine = {{10.25f, 10}, {111, 10}, {111, 110.75f}, {10.25f, 110.75f}};
    EXPECT_EQ(EditorTrackLength(d), 100u);
    const std::string path = TempPath("length.trk");
    ASSERT_TRUE(EditorSave(e, path.c_str()).ok);
    TrackFile t;
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, t), kTrackOk);
    EXPECT_EQ(t.trackLength, 100u);
    // The same line measured in half pixels is a unit longer: the case at stake.
    EXPECT_EQ(TrackLengthFromAiLine(t.aiLine, 128), 101u);
    // A writer given only the file's points keeps measuring those.
    ASSERT_TRUE(WriteTrackFile(path.c_str(), t));
    TrackFile again;
    ASSERT_EQ(ReadTrackFile(path.c_str(), TrackReadGame, again), kTrackOk);
    EXPECT_EQ(again.trackLength, 101u);
}

TEST(EditorFiles, BadTracksLeaveTheDocumentAlone)
{
    Editor e;
    EditorInit(e);
    FillDocument(e);
    const std::string good = TempPath("good.trk");
    ASSERT_TRUE(EditorSave(e, good.c_str()).ok);
    std::vector<uint8_t> bytes = ReadBytes(good);

    Editor target;
    EditorInit(target);
    target.doc.land[5] = 11;
    target.doc.fileName = "mine.trk";
    const std::vector<uint8_t> landBefore = target.doc.land;

    EditorResult r = EditorLoad(target, TempPath("missing.trk").c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_STREQ(r.message, "Can't open file!");
    EXPECT_STREQ(r.caption, "Dustwhirl Track Editor");

    std::vector<uint8_t> newer = bytes;
    newer[0] = 289 & 0xFF;
    newer[1] = 289 >> 8;
    ASSERT_TRUE(WriteBytes(TempPath("newer.trk"), newer));
    r = EditorLoad(target, TempPath("newer.trk").c_str());
    EXPECT_STREQ(r.message, "Track was saved with newer version of the track editor. This version does not know "
                            "how to handle this track.");
    EXPECT_STREQ(r.caption, "Courseforge");

    // Cut inside the objects, and counts that claim more than the file holds.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2 - 9625 / 2);
    ASSERT_TRUE(WriteBytes(TempPath("cut.trk"), cut));
    r = EditorLoad(target, TempPath("cut.trk").c_str());
    EXPECT_STREQ(r.message, "Can't open file!");
    ASSERT_TRUE(WriteBytes(TempPath("tiny.trk"), std::vector<uint8_t>{0x20, 0x01, 'D'}));
    r = EditorLoad(target, TempPath("tiny.trk").c_str());
    EXPECT_FALSE(r.ok);

    EXPECT_EQ(target.doc.land, landBefore);
    EXPECT_EQ(target.doc.fileName, "mine.trk");
    EXPECT_EQ(target.doc.objects.size(), 6u);
    EXPECT_EQ(target.doc.worldSize, 120);
}

TEST(EditorFiles, UnwritablePathReportsCantCreate)
{
    Editor e;
    EditorInit(e);
    e.doc.fileName = "kept.trk";
    EditorResult r = EditorSave(e, TempPath("no/such/folder/x.trk").c_str());
    EXPECT_FALSE(r.ok);
    EXPECT_STREQ(r.message, "Can't create file.");
    EXPECT_STREQ(r.caption, "Dustwhirl Track Editor");
    EXPECT_EQ(e.doc.fileName, "kept.trk");
    r = EditorExportLand(e, TempPath("no/such/folder/x.bmp").c_str());
    EXPECT_STREQ(r.message, "Can't create file!");
    EXPECT_STREQ(r.caption, "Courseforge");
}

TEST(EditorFlaws, EachMissingPieceIsNamed)
{
    Editor e;
    EditorInit(e);
    EXPECT_EQ(EditorFlawCheck(e.doc),
              "Track has following flaws that should be fixed.\n\n"
              "\t* Players can't go to repair their cars. Add pits\n"
              "\t* Lap can't be completed. Create check points\n"
              "\t* AI drivers don't know how to drive here. Create AI driving line\n"
              "\t* AI drivers don't know how to go to the pits. Create AI pit driving line\n"
              "\nWould you like to save anyway?");
    FillDocument(e);
    EXPECT_EQ(EditorFlawCheck(e.doc), "");

    // Pit crews but no pit AI line: both pit line tests fail.
    e.doc.pitAiLine.clear();
    EXPECT_EQ(e.doc.pitCrews.size(), 1u);
    std::string text = EditorFlawCheck(e.doc);
    EXPECT_NE(text.find("go to the pits"), std::string::npos);
    EXPECT_NE(text.find("\t* AI drivers can't find they way to some pits. Move pits closer to AI pit driving line.\n"),
              std::string::npos);

    // Two crews exactly 10 world units apart pass; closer ones fail once.
    EditorInit(e);
    FillDocument(e);
    e.doc.worldSize = 128;  // 4 pixels per world unit: the distances are exact
    e.doc.pixelsPerUnit = 4;
    const float ppu = e.doc.pixelsPerUnit;
    e.doc.pitCrews.push_back(EditorPitCrew{300 + 10 * ppu, 310, 0});
    e.doc.pitAiLine.push_back(EditorPoint{300 + 10 * ppu, 320});
    EXPECT_EQ(EditorFlawCheck(e.doc), "");
    e.doc.pitCrews.push_back(EditorPitCrew{301, 311, 0});
    e.doc.pitCrews.push_back(EditorPitCrew{302, 312, 0});
    text = EditorFlawCheck(e.doc);
    EXPECT_EQ(text,
              "Track has following flaws that should be fixed.\n\n\t* Pits are too close to each other.\n"
              "\nWould you like to save anyway?");
}

TEST(EditorProperties, WorldSizeChangeWarnsOnlyWithAiLines)
{
    Editor e;
    EditorInit(e);
    TrackProperties p = EditorGetProperties(e.doc);
    p.worldSize = 200;
    p.author = std::string(40, 'a');
    EditorResult r = EditorSetProperties(e, p);
    EXPECT_EQ(r.message, nullptr);
    EXPECT_FLOAT_EQ(e.doc.pixelsPerUnit, 512.0f / 200);
    EXPECT_EQ(e.doc.author.size(), 30u);

    e.doc.aiLine.push_back(EditorPoint{1, 1});
    p = EditorGetProperties(e.doc);
    p.waterLevel = 10;
    r = EditorSetProperties(e, p);
    EXPECT_EQ(r.message, nullptr);
    EXPECT_TRUE(r.full);
    EXPECT_EQ(e.doc.waterLevel, 10);
    p.worldSize = 20;  // below the slider's range
    r = EditorSetProperties(e, p);
    EXPECT_STREQ(r.message, kMsgReworkAiLines);
    EXPECT_STREQ(r.caption, "Courseforge");
    EXPECT_EQ(e.doc.worldSize, 25);
}

TEST(EditorBitmaps, ExportsAreExactAndImportBack)
{
    Editor e;
    EditorInit(e);
    FillDocument(e);
    e.doc.land[0] = 15;  // codes 13-15 travel through bitmaps unchanged
    e.doc.land[511 * 512 + 1] = 13;
    const std::string land = TempPath("land.bmp"), height = TempPath("height.bmp");
    ASSERT_TRUE(EditorExportLand(e, land.c_str()).ok);
    ASSERT_TRUE(EditorExportHeight(e, height.c_str()).ok);
    const std::vector<uint8_t> lb = ReadBytes(land), hb = ReadBytes(height);
    ASSERT_EQ(lb.size(), 131190u);
    ASSERT_EQ(hb.size(), 5174u);
    ByteReader r = MakeReader(lb);
    EXPECT_EQ(ReadU16(r), 0x4D42);
    EXPECT_EQ(ReadU32(r), 131190u);
    ReadU32(r);
    EXPECT_EQ(ReadU32(r), 118u);
    EXPECT_EQ(ReadU32(r), 40u);
    EXPECT_EQ(ReadI32(r), 512);
    EXPECT_EQ(ReadI32(r), 512);
    EXPECT_EQ(ReadU16(r), 1);
    EXPECT_EQ(ReadU16(r), 4);
    EXPECT_EQ(ReadU32(r), 0u);
    EXPECT_EQ(ReadU32(r), 131072u);
    EXPECT_EQ(ReadI32(r), 3379);
    EXPECT_EQ(ReadI32(r), 3379);
    EXPECT_EQ(ReadU32(r), 16u);
    EXPECT_EQ(ReadU32(r), 16u);
    EXPECT_EQ(lb[54 + 2 * 4 + 0], 96);  // grass: blue, green, red
    EXPECT_EQ(lb[54 + 2 * 4 + 2], 144);
    EXPECT_EQ(lb[118] >> 4, e.doc.land[511 * 512]);  // the southern row comes first
    EXPECT_EQ(lb[118] & 15, 13);
    EXPECT_EQ(hb[10], 0x36);  // pixel data at 1078
    EXPECT_EQ(hb[11], 0x04);
    EXPECT_EQ(hb[54 + 4 * 200], 200);
    EXPECT_EQ(hb[1078 + 5], e.doc.height[63 * 64 + 5] >> 8);

    Editor back;
    EditorInit(back);
    ASSERT_TRUE(EditorImportLand(back, land.c_str()).ok);
    ASSERT_TRUE(EditorImportHeight(back, height.c_str()).ok);
    EXPECT_EQ(back.doc.land, e.doc.land);
    for (size_t i = 0; i < e.doc.height.size(); i++)
        ASSERT_EQ(back.doc.height[i], e.doc.height[i] & 0xFF00);
    EXPECT_TRUE(back.doc.landUndoEnabled && back.doc.heightUndoEnabled);
    EditorUndoLand(back);
    EXPECT_EQ(back.doc.land[100], 2);
}

TEST(EditorBitmaps, WrongBitmapsAreRefused)
{
    Editor e;
    EditorInit(e);
    FillDocument(e);
    const std::string land = TempPath("land_src.bmp"), height = TempPath("height_src.bmp");
    EditorExportLand(e, land.c_str());
    EditorExportHeight(e, height.c_str());
    const std::vector<uint8_t> lb = ReadBytes(land), hb = ReadBytes(height);

    Editor target;
    EditorInit(target);
    const std::vector<uint8_t> before = target.doc.land;
    struct Bad {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Bad> bad = {{"height as land", hb}, {"cut", {lb.begin(), lb.end() - 1}}, {"empty", {}}};
    bad.push_back({"4-bit depth as 8", lb});
    bad.back().bytes[28] = 8;
    bad.push_back({"compressed", lb});
    bad.back().bytes[30] = 2;
    bad.push_back({"pixels beyond the end", lb});
    bad.back().bytes[10] = 0xFF, bad.back().bytes[11] = 0xFF;
    bad.push_back({"not BM", lb});
    bad.back().bytes[0] = 'X';
    for (const Bad& b : bad) {
        ASSERT_TRUE(WriteBytes(TempPath("bad.bmp"), b.bytes));
        EditorResult r = EditorImportLand(target, TempPath("bad.bmp").c_str());
        EXPECT_FALSE(r.ok) << b.what;
        EXPECT_STREQ(r.message, "This is not a 512x512 16-color bitmap.") << b.what;
        EXPECT_STREQ(r.caption, "Courseforge");
    }
    EXPECT_EQ(target.doc.land, before);
    EXPECT_FALSE(target.doc.landUndoEnabled);

    ASSERT_TRUE(WriteBytes(TempPath("bad.bmp"), lb));
    EditorResult r = EditorImportHeight(target, TempPath("bad.bmp").c_str());
    EXPECT_STREQ(r.message, "This is not a 64x64 256-color bitmap.");
    r = EditorImportHeight(target, TempPath("nothing.bmp").c_str());
    EXPECT_STREQ(r.message, "Can't open file!");
    EXPECT_EQ(target.doc.height[0], kFlatHeight);
}

// A track file of world size 60 whose ghost drives east along the middle.
std::vector<uint8_t> TrackWithGhost(int frames)
{
    TrackFile t;
    InitTrackFile(t);
    t.worldSize = 60;
    ByteWriter w;
    WriteTrackBytes(t, w);
    GhostLap ghost;
    ghost.frameCount = static_cast<uint16_t>(frames);
    for (int n = 0; n <= frames / 2; n++) {
        GhostSample s;
        s.pos[0] = n * 150 / 4;  // a quarter world unit per sample
        s.pos[2] = 30 * 150;
        ghost.samples.push_back(s);
    }
    TrackRecords records;
    ClearTrackRecords(records);
    ApplyTrackRecords(w.bytes, records, &ghost);
    return w.bytes;
}

TEST(EditorAiImport, GhostLapBecomesTheAiLine)
{
    Editor e;
    EditorInit(e);  // world size 120: points 5 world units apart = 21.3 pixels
    const std::string path = TempPath("ghost.trk");
    ASSERT_TRUE(WriteBytes(path, TrackWithGhost(400)));
    ASSERT_TRUE(EditorImportAiLine(e, path.c_str()).ok);
    const std::vector<EditorPoint>& line = e.doc.aiLine;
    ASSERT_GT(line.size(), 2u);
    const float v = 512.0f / 60;  // source world units to pixels
    EXPECT_FLOAT_EQ(line[0].x, 0);
    EXPECT_FLOAT_EQ(line[0].y, 512 - 30 * v);
    for (size_t k = 1; k < line.size(); k++)
        EXPECT_GE(line[k].x - line[k - 1].x, 5 * e.doc.pixelsPerUnit - 1e-3);
    // Samples 0 ... 199 reach 49.75 source units east.
    EXPECT_LE(line.back().x, 49.75f * v + 1e-3);
    EXPECT_GT(line.back().x, 49.75f * v - 5 * e.doc.pixelsPerUnit);

    // Files without a ghost, cut short, or missing leave the line as it was.
    const std::vector<EditorPoint> kept = line;
    Editor plain;
    EditorInit(plain);
    const std::string noGhost = TempPath("noghost.trk");
    EditorSave(plain, noGhost.c_str());
    EditorResult r = EditorImportAiLine(e, noGhost.c_str());
    EXPECT_STREQ(r.message, "Can't find ghost lap.");
    EXPECT_STREQ(r.caption, "Courseforge");
    std::vector<uint8_t> cut = TrackWithGhost(400);
    cut.resize(cut.size() - 100);
    ASSERT_TRUE(WriteBytes(TempPath("cutghost.trk"), cut));
    EXPECT_STREQ(EditorImportAiLine(e, TempPath("cutghost.trk").c_str()).message, "Can't find ghost lap.");
    EXPECT_STREQ(EditorImportAiLine(e, TempPath("none.trk").c_str()).message, "Can't open file!");
    ASSERT_EQ(e.doc.aiLine.size(), kept.size());
    EXPECT_EQ(e.doc.aiLine.back().x, kept.back().x);
}

}  // namespace

TEST(EditorFiles, NewAndLoadLeaveNothingToUndo)
{
    Editor e;
    EditorInit(e);
    FillDocument(e);
    const std::string path = TempPath("undo.trk");
    ASSERT_TRUE(EditorSave(e, path.c_str()).ok);
    Editor ref;
    EditorInit(ref);
    ASSERT_TRUE(EditorLoad(ref, path.c_str()).ok);

    // Edits on the filled track leave undo copies of it; after New, undo
    // must not bring that track back.
    EditorFlattenHeights(e);
    e.doc.landUndo = e.doc.land;
    e.doc.landUndoEnabled = true;
    EditorNew(e);
    EXPECT_FALSE(EditorButtons(e).undoLand);
    EXPECT_FALSE(EditorButtons(e).undoHeight);
    EXPECT_FALSE(EditorUndoLand(e).ok);
    EXPECT_FALSE(EditorUndoHeight(e).ok);
    EXPECT_EQ(e.doc.height[99], kFlatHeight);
    EXPECT_EQ(e.doc.land[1234], 2);

    // The same after loading: the new track's predecessor is not undoable.
    EditorFlattenHeights(e);
    e.doc.landUndo = e.doc.land;
    e.doc.landUndoEnabled = true;
    ASSERT_TRUE(EditorLoad(e, path.c_str()).ok);
    EXPECT_FALSE(EditorButtons(e).undoLand);
    EXPECT_FALSE(EditorButtons(e).undoHeight);
    EditorUndoLand(e);
    EditorUndoHeight(e);
    EXPECT_TRUE(e.doc.land == ref.doc.land);
    EXPECT_TRUE(e.doc.height == ref.doc.height);
}
