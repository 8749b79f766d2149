// Editing tools driven through the mouse operations, as the view drives them.
#include "Courseforge/editor.h"
#include "trackfile/object_types.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Tools : ::testing::Test {
    Editor e;
    void SetUp() override { EditorInit(e); }
    uint8_t& Land(int x, int y) { return e.doc.land[size_t(y) * kLandSize + x]; }
    void FillLand(uint8_t code) { e.doc.land.assign(kLandSize * kLandSize, code); }
    void Click(int tool, EditorButton b, float x, float y)
    {
        EditorSelectTool(e, tool);
        EditorMouseDown(e, b, x, y);
        EditorMouseUp(e, b, x, y);
    }
};

TEST_F(Tools, StampRingAndFringeFollowTheButtonRules)
{
    // Tarmac #1: inner tarmac, ring of white line (left) or yellow line (right), grass fringe to edge.
    e.controls.brushSize = 20;
    Click(kToolTarmac1, kButtonLeft, 100, 100);
    EXPECT_EQ(Land(100, 100), 0);
    EXPECT_EQ(Land(118, 100), 9);  // 17 < d=18 < 20: ring
    EXPECT_EQ(Land(121, 100), 3);  // fringe: grass becomes grass edge
    EXPECT_EQ(Land(124, 100), 2);  // beyond the fringe
    Click(kToolTarmac1, kButtonRight, 300, 100);
    EXPECT_EQ(Land(318, 100), 10);
    // Painting over existing tarmac keeps the tarmac instead of drawing a ring.
    Click(kToolTarmac1, kButtonLeft, 110, 100);
    EXPECT_EQ(Land(128, 100), 9);
    EXPECT_EQ(Land(100, 100), 0);
    EXPECT_EQ(Land(92, 100), 0);  // the new ring does not cross the old disc

    // Grass beside tarmac: the tarmac just outside turns into white line.
    FillLand(0);
    Click(kToolGrass, kButtonLeft, 200, 200);
    EXPECT_EQ(Land(200, 200), 2);
    EXPECT_EQ(Land(218, 200), 3);
    EXPECT_EQ(Land(221, 200), 9);
    EXPECT_EQ(Land(224, 200), 0);
}

TEST_F(Tools, RightButtonPaintsUnderMarkings)
{
    e.controls.brushSize = 10;
    Click(kToolKerb, kButtonLeft, 100, 100);  // a white line disc
    EXPECT_EQ(Land(100, 100), 9);
    e.controls.brushSize = 20;
    Click(kToolSand, kButtonRight, 100, 100);
    EXPECT_EQ(Land(100, 100), 9);  // the marking stays
    EXPECT_EQ(Land(100, 115), 6);  // grass around it turns to sand
    Click(kToolSand, kButtonLeft, 100, 100);
    EXPECT_EQ(Land(100, 100), 6);  // the left button paints over it

    // Snow with the right button paints the whole disc in outer snow.
    Click(kToolSnow, kButtonRight, 300, 300);
    EXPECT_EQ(Land(300, 300), 8);
    Click(kToolSnow, kButtonLeft, 400, 300);
    EXPECT_EQ(Land(400, 300), 7);
    EXPECT_EQ(Land(418, 300), 8);
}

TEST_F(Tools, OilOnlyCoversTarmac)
{
    e.controls.brushSize = 40;
    for (int x = 0; x < kLandSize; x++)
        for (int y = 0; y < kLandSize; y++)
            Land(x, y) = (x < 256) ? (y < 256 ? 0 : 1) : (y < 256 ? 2 : 9);
    Click(kToolOil, kButtonLeft, 256, 256);
    int oil = 0;
    for (int x = 226; x < 286; x++)
        for (int y = 226; y < 286; y++) {
            if (Land(x, y) == 12) {
                oil++;
                EXPECT_LT(x, 256);
            }
        }
    EXPECT_GT(oil, 100);
    EXPECT_EQ(Land(270, 240), 2);
    EXPECT_EQ(Land(270, 270), 9);
    EXPECT_TRUE(EditorButtons(e).undoLand);
    EditorUndoLand(e);
    EXPECT_EQ(Land(240, 240), 0);
}

TEST_F(Tools, OilSplashRunsDownhill)
{
    FillLand(0);
    e.controls.brushSize = 40;
    // Height falls towards the east: the splash leans east.
    for (int j = 0; j < kHeightSize; j++)
        for (int i = 0; i < kHeightSize; i++)
            e.doc.height[j * kHeightSize + i] = static_cast<uint16_t>(60000 - i * 900);
    Click(kToolOil, kButtonLeft, 256, 256);
    int east = 0, west = 0;
    for (int y = 230; y < 282; y++)
        for (int x = 230; x < 282; x++)
            if (Land(x, y) == 12)
                (x > 256 ? east : x < 256 ? west : east) += (x != 256);
    EXPECT_GT(east, west + 20);
}

TEST_F(Tools, StrokeIsContinuousBetweenCentres)
{
    FillLand(2);
    e.controls.brushSize = 8;
    EditorSelectTool(e, kToolTarmac2);
    EditorMouseDown(e, kButtonLeft, 50, 300);
    EditorResult r = EditorMouseMove(e, 250, 300);
    EditorMouseMove(e, 250, 100);
    EditorMouseUp(e, kButtonLeft, 250, 100);
    for (int x = 50; x < 240; x++)
        ASSERT_EQ(Land(x, 300), 1) << x;
    for (int y = 280; y > 110; y--)
        ASSERT_EQ(Land(250, y), 1) << y;
    EXPECT_LE(r.x0, 50);
    EXPECT_GE(r.x1, 240);
    EXPECT_EQ(Land(150, 300 + 15), 2);  // nothing far beside the stroke

    // Wild positions from a caller paint nothing and never reach outside the map.
    const std::vector<uint8_t> before = e.doc.land;
    EditorSelectTool(e, kToolHeightAdjust);
    EditorMouseDown(e, kButtonLeft, 5, 5);
    EXPECT_FALSE(EditorMouseMove(e, NAN, 5).ok);
    EXPECT_FALSE(EditorMouseMove(e, 1e30f, 5).ok);
    EditorMouseUp(e, kButtonLeft, NAN, NAN);
    EditorResult none;
    LandStamp(e.doc, NAN, 10, 10, 0, 0, false, none);
    LandBand(e.doc, 0, 0, INFINITY, 10, 5, 0, 0, false, none);
    EXPECT_EQ(e.doc.land, before);

    // The same stroke without the mouse, as a tool program paints it.
    FillLand(2);
    PaintLandStroke(e, kToolTarmac2, kButtonLeft, 50, 300, 250, 300);
    for (int x = 50; x < 240; x++)
        ASSERT_EQ(Land(x, 300), 1) << x;
    EXPECT_EQ(e.controls.tool, kToolHeightAdjust);  // the selected tool is restored
}

TEST_F(Tools, DashedLinesAndKerbStripesAlternate)
{
    FillLand(0);
    e.controls.brushSize = 10;  // half-width 1 pixel
    EditorSelectTool(e, kToolWhiteLine);
    EditorMouseDown(e, kButtonRight, 20, 100);
    EXPECT_EQ(Land(20, 100), 0);  // the right press only starts the dashes
    EditorMouseMove(e, 220, 100);
    EditorMouseUp(e, kButtonRight, 220, 100);
    // Pieces of 10 pixels from x = 20: gap, dash, gap, dash ...
    for (int piece = 2; piece < 16; piece++) {
        const int mid = 20 + piece * 10 + 5;
        EXPECT_EQ(Land(mid, 100), piece % 2 ? 9 : 0) << piece;
    }
    EXPECT_EQ(Land(120, 108), 0);  // thin

    // Kerbs on grass (the left button's white line never covers tarmac #1).
    FillLand(2);
    EditorSelectTool(e, kToolKerb);
    EditorMouseDown(e, kButtonLeft, 20, 200);
    EXPECT_EQ(Land(20, 200), 9);  // the press paints a white line disc
    EditorMouseMove(e, 220, 200);
    EditorMouseUp(e, kButtonLeft, 220, 200);
    // Stripes as long as a 7-pixel piece, kerb and white line in turn.
    int changes = 0;
    uint8_t last = Land(40, 200);
    for (int x = 40; x < 190; x++) {
        const uint8_t c = Land(x, 200);
        ASSERT_TRUE(c == 9 || c == 11) << x;
        changes += c != last;
        last = c;
    }
    EXPECT_GE(changes, 19);
    EXPECT_LE(changes, 23);
}

TEST_F(Tools, HeightAdjustSmoothFlattenAndUndo)
{
    e.controls.brushSize = 10;  // radius 5 samples
    const float k = kHeightSpacing;
    // Pixel whose sample coordinate is exactly (20, 20).
    const float px = 20 * k - 0.5f;
    Click(kToolHeightAdjust, kButtonLeft, px, px);
    EXPECT_EQ(e.doc.height[20 * 64 + 20], kFlatHeight + 800);
    EXPECT_EQ(e.doc.height[20 * 64 + 25], kFlatHeight);  // at the radius: unchanged
    EXPECT_GT(e.doc.height[20 * 64 + 22], kFlatHeight);
    Click(kToolHeightAdjust, kButtonRight, px, px);
    EXPECT_EQ(e.doc.height[20 * 64 + 20], kFlatHeight);

    // A change that would leave 0-65535 leaves the sample alone.
    e.doc.height[40 * 64 + 40] = 65000;
    Click(kToolHeightAdjust, kButtonLeft, 40 * k - 0.5f, 40 * k - 0.5f);
    EXPECT_EQ(e.doc.height[40 * 64 + 40], 65000);

    // Smoothing pulls a spike towards its surroundings.
    e.doc.height[10 * 64 + 10] = 60000;
    Click(kToolHeightSmooth, kButtonLeft, 10 * k - 0.5f, 10 * k - 0.5f);
    EXPECT_LT(e.doc.height[10 * 64 + 10], 60000);
    EXPECT_GT(e.doc.height[10 * 64 + 11], kFlatHeight);
    EXPECT_TRUE(e.doc.heightUndoEnabled);
    EditorUndoHeight(e);
    EXPECT_EQ(e.doc.height[10 * 64 + 10], 60000);  // undo goes back to before this press
    EXPECT_FALSE(EditorButtons(e).undoHeight);

    EditorFlattenHeights(e);
    EXPECT_EQ(e.doc.height[10 * 64 + 10], kFlatHeight);
    EditorUndoHeight(e);
    EXPECT_EQ(e.doc.height[10 * 64 + 10], 60000);
}

TEST_F(Tools, ObjectsArePlacedTurnedAndStartsRotate)
{
    EditorSelectObjectType(e, 4);  // palm tree
    EXPECT_EQ(e.controls.tool, kToolObject);
    e.controls.showObjects = false;
    EditorMouseMove(e, 100, 100);
    EXPECT_EQ(e.stroke.cursorObject.x, 100);
    // Turn with the right button: the object stays and faces the mouse.
    EditorMouseDown(e, kButtonRight, 100, 100);
    EXPECT_TRUE(e.controls.showObjects);
    EditorMouseMove(e, 103, 103);  // too close: no turn
    EXPECT_EQ(e.stroke.cursorObject.angle, 0);
    EditorMouseMove(e, 100, 80);   // straight up in the y-down frame
    EditorMouseUp(e, kButtonRight, 100, 80);
    EXPECT_EQ(e.stroke.cursorObject.x, 100);
    EXPECT_NEAR(e.stroke.cursorObject.angle, 3 * 3.14159265f / 2, 1e-5);
    EXPECT_EQ(e.doc.objects.size(), 6u);  // the right button never commits
    EditorMouseDown(e, kButtonLeft, 150, 120);
    EditorMouseUp(e, kButtonLeft, 150, 120);
    ASSERT_EQ(e.doc.objects.size(), 7u);
    EXPECT_EQ(e.doc.objects[6].type, 4);
    EXPECT_EQ(e.doc.objects[6].x, 150);
    EXPECT_NEAR(e.doc.objects[6].angle, 3 * 3.14159265f / 2, 1e-5);
    // Released outside the map: nothing is placed.
    EditorMouseDown(e, kButtonLeft, 150, 120);
    EditorMouseUp(e, kButtonLeft, 600, 120);
    EXPECT_EQ(e.doc.objects.size(), 7u);

    // A seventh start replaces the first one; the count stays.
    EditorSelectObjectType(e, kObjectStart);
    EditorMouseDown(e, kButtonLeft, 300, 300);
    EditorMouseUp(e, kButtonLeft, 300, 300);
    ASSERT_EQ(e.doc.objects.size(), 7u);
    EXPECT_EQ(e.doc.objects[0].y, 30);  // old start 2
    EXPECT_EQ(e.doc.objects[5].x, 300);
    EXPECT_EQ(e.doc.objects[5].type, 0);
    EXPECT_EQ(e.doc.objects[6].type, 4);
}

TEST_F(Tools, DeleteModeUsesEachTypesRadius)
{
    const float ppu = e.doc.pixelsPerUnit;
    e.doc.objects.push_back(EditorObject{4, 100, 100, 0});   // palm tree: 5 units
    e.doc.objects.push_back(EditorObject{25, 300, 300, 0});  // road cone: 2 units
    e.controls.deleteMode = true;
    EditorSelectTool(e, kToolObject);
    EditorMouseDown(e, kButtonLeft, 100 + 4.5f * ppu, 100);
    EditorMouseUp(e, kButtonLeft, 100 + 4.5f * ppu, 100);
    ASSERT_EQ(e.doc.objects.size(), 7u);
    EXPECT_EQ(e.doc.objects[6].type, 25);  // later objects move down
    EditorMouseDown(e, kButtonLeft, 300 + 3 * ppu, 300);
    EditorMouseUp(e, kButtonLeft, 300 + 3 * ppu, 300);
    EXPECT_EQ(e.doc.objects.size(), 7u);  // outside the cone's radius
    EXPECT_FLOAT_EQ(ObjectDeleteRadius(25), 2);
    // Start positions are never deleted.
    e.doc.objects.pop_back();
    EditorMouseDown(e, kButtonLeft, 20, 10);
    EditorMouseUp(e, kButtonLeft, 20, 10);
    EXPECT_EQ(e.doc.objects.size(), 6u);
}

TEST_F(Tools, PitCrewsStopAtSix)
{
    EditorSelectTool(e, kToolPitCrew);
    e.controls.showObjects = false;
    // Crews are drawn with the objects, so a press shows them, from either button.
    EditorMouseDown(e, kButtonRight, 50, 400);
    EXPECT_TRUE(e.controls.showObjects);
    EditorMouseUp(e, kButtonRight, 50, 400);
    EXPECT_TRUE(e.doc.pitCrews.empty());
    for (int k = 0; k < 8; k++) {
        EditorMouseMove(e, 50.0f + 30 * k, 400);
        EditorMouseDown(e, kButtonLeft, 50.0f + 30 * k, 400);
        EditorMouseUp(e, kButtonLeft, 50.0f + 30 * k, 400);
    }
    ASSERT_EQ(e.doc.pitCrews.size(), 6u);
    // With six the tool does nothing, not even touch the box.
    e.controls.showObjects = false;
    EditorMouseDown(e, kButtonLeft, 300, 300);
    EditorMouseUp(e, kButtonLeft, 300, 300);
    EXPECT_FALSE(e.controls.showObjects);
    EXPECT_EQ(e.doc.pitCrews[5].x, 200);
    EXPECT_TRUE(EditorButtons(e).deletePitCrew);
    for (int k = 0; k < 6; k++)
        EditorDeletePitCrew(e);
    EXPECT_FALSE(EditorButtons(e).deletePitCrew);
    EXPECT_FALSE(EditorDeletePitCrew(e).ok);
}

TEST_F(Tools, CheckpointsAndLimiters)
{
    EditorSelectTool(e, kToolCheckpoint);
    EditorMouseDown(e, kButtonLeft, 100, 100);
    EditorMouseMove(e, 105, 105);
    EXPECT_FALSE(EditorButtons(e).deleteCheckpoint);  // still being drawn
    EditorMouseUp(e, kButtonLeft, 105, 105);
    EXPECT_TRUE(e.doc.checkpoints.empty());  // shorter than 10 pixels
    EditorMouseDown(e, kButtonLeft, 500, 100);
    EditorMouseMove(e, 530, 100);  // the end is clamped into the map
    EditorMouseUp(e, kButtonLeft, 530, 100);
    ASSERT_EQ(e.doc.checkpoints.size(), 1u);
    EXPECT_EQ(e.doc.checkpoints[0].x2, 511);
    EXPECT_TRUE(EditorButtons(e).deleteCheckpoint);

    EditorSelectTool(e, kToolLimiters);
    for (int k = 0; k < 2; k++) {
        EditorMouseDown(e, kButtonLeft, 100, 200.0f + 20 * k);
        EditorMouseMove(e, 150, 200.0f + 20 * k);
        EditorMouseUp(e, kButtonLeft, 150, 200.0f + 20 * k);
    }
    EditorResult r = EditorMouseDown(e, kButtonLeft, 100, 300);
    EXPECT_STREQ(r.message, "You can't have more than two speed limiters.");
    EXPECT_STREQ(r.caption, "Dustwhirl Track Editor");
    EditorMouseMove(e, 150, 300);
    EditorMouseUp(e, kButtonLeft, 150, 300);
    EXPECT_EQ(e.doc.limiters.size(), 2u);
}

TEST_F(Tools, AiLineFollowsTheMouseOnARope)
{
    const float step = 5 * e.doc.pixelsPerUnit;
    e.controls.ropeLength = 100;
    EditorSelectTool(e, kToolAiLine);
    EditorMouseDown(e, kButtonLeft, 50, 250);
    EXPECT_TRUE(EditorButtons(e).deleteAi);
    EditorMouseMove(e, 450, 250);
    EditorMouseUp(e, kButtonLeft, 450, 250);
    ASSERT_GT(e.doc.aiLine.size(), 5u);
    const EditorPoint last = e.doc.aiLine.back();
    EXPECT_NEAR(e.doc.aiLine[1].x - e.doc.aiLine[0].x, step, 1e-3);
    EXPECT_GE(450 - last.x, 100);
    EXPECT_LE(450 - last.x, 100 + step);

    // Rotation moves the first point; a full turn changes nothing.
    std::vector<EditorPoint> before = e.doc.aiLine;
    const int n = static_cast<int>(before.size());
    EditorRotateAiLine(e, 1);
    EXPECT_EQ(e.doc.aiLine[0].x, before[n - 1].x);
    EXPECT_EQ(e.doc.aiLine[1].x, before[0].x);
    EditorRotateAiLine(e, -1);
    EditorRotateAiLine(e, 10 * n);
    EXPECT_EQ(e.doc.aiLine[0].x, before[0].x);

    // Deleting down to one point removes the line.
    while (e.doc.aiLine.size() > 2)
        EditorDeleteAiPoint(e);
    EditorDeleteAiPoint(e);
    EXPECT_TRUE(e.doc.aiLine.empty());
    EXPECT_FALSE(EditorButtons(e).deleteAi);

    // The pit AI line stops at 255 points.
    e.controls.ropeLength = 0;
    e.doc.worldSize = 255;
    e.doc.pixelsPerUnit = 512.0f / 255;
    EditorSelectTool(e, kToolPitAiLine);
    EditorMouseDown(e, kButtonLeft, 0, 0);
    for (int k = 0; k < 6; k++) {
        EditorMouseMove(e, 511, k % 2 ? 0 : 511);
        EditorMouseMove(e, 0, k % 2 ? 511 : 0);
    }
    EditorMouseUp(e, kButtonLeft, 0, 0);
    EXPECT_EQ(e.doc.pitAiLine.size(), size_t(kMaxPitAiPoints));
}

}  // namespace
