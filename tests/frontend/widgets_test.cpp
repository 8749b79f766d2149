// The widget system driven through its event entry points, without a window
// (dummy video): focus movement, default and cancel buttons, text entry, the
// slider and its wheel accumulator, list picks and suspension.
#include "tests/frontend/menu_fixture.h"

#include <vector>

using namespace menutest;

namespace {

std::vector<int> calls;  // tags of the widgets whose callback ran
void Record(Widget& w) { calls.push_back(int(w.tag)); }

class WidgetTest : public MenuTest {
protected:
    WidgetArray widgets;
    void SetUp() override {
        MenuTest::SetUp();
        calls.clear();
    }
    // Buttons 0..n-1 in a column, tagged with their index.
    void Buttons(int n, uint32_t flags = 0) {
        widgets.resize(size_t(n));
        for (int i = 0; i < n; ++i) {
            MakeButton(widgets[size_t(i)], "B" + std::to_string(i), 10, 5 + 4 * float(i), 20, 3, Record, flags);
            widgets[size_t(i)].tag = uint32_t(i);
        }
    }
    void Open(uint32_t flags) { ASSERT_EQ(OpenScreen(1, widgets, flags), 0); }
};

}  // namespace

TEST_F(WidgetTest, ArrowKeysSkipHiddenUnreachableAndNonButtonWidgetsWithWrapAround) {
    Buttons(5);
    widgets[1].flags |= kWidgetHidden;
    widgets[2].flags |= kWidgetNoArrows;
    MakeSlider(widgets[3], "", 10, 20, 20, 2, 0, 5, 10, Record, 0);
    Open(kScreenArrowKeys | kScreenFocusFirst);
    ASSERT_EQ(currentScreen.focus, 0);
    MenuMoveFocus(1);
    EXPECT_EQ(currentScreen.focus, 4);
    MenuMoveFocus(1);  // wraps past the end
    EXPECT_EQ(currentScreen.focus, 0);
    MenuMoveFocus(-1);
    EXPECT_EQ(currentScreen.focus, 4);
    EXPECT_TRUE(widgets[4].state & kStateFocused);
    EXPECT_FALSE(widgets[0].state & kStateFocused);
}

TEST_F(WidgetTest, WithEveryOtherWidgetHiddenDownKeepsTheFocusAfterOneFullPass) {
    Buttons(4);
    for (int i : {0, 1, 3}) widgets[size_t(i)].flags |= kWidgetHidden;
    Open(kScreenArrowKeys | kScreenFocusFirst);
    ASSERT_EQ(currentScreen.focus, 2);
    MenuMoveFocus(1);
    EXPECT_EQ(currentScreen.focus, 2);
    MenuMoveFocus(-1);
    EXPECT_EQ(currentScreen.focus, 2);
}

TEST_F(WidgetTest, ArrowKeysDoNothingWithoutNavigationOrFromASlider) {
    Buttons(3);
    Open(kScreenFocusFirst);
    MenuMoveFocus(1);
    EXPECT_EQ(currentScreen.focus, 0);
    CloseScreen();
    MakeSlider(widgets[0], "", 10, 5, 20, 2, 0, 5, 10, Record, 0);
    Open(kScreenArrowKeys);
    Click(widgets[0], 0.5f);  // the slider takes the focus
    ASSERT_EQ(currentScreen.focus, 0);
    MenuMoveFocus(1);
    EXPECT_EQ(currentScreen.focus, 0);
}

TEST_F(WidgetTest, HiddenFocusedWidgetLosesFocusAndTheEventIsDropped) {
    Buttons(3);
    Open(kScreenArrowKeys | kScreenFocusFirst);
    SetWidgetHidden(widgets[0], true);
    MenuMoveFocus(1);  // dropped: only the focus is lost
    EXPECT_EQ(currentScreen.focus, -1);
    MenuMoveFocus(1);
    EXPECT_EQ(currentScreen.focus, 1);
}

TEST_F(WidgetTest, EnterWithoutADefaultButtonPressesOnlyTheFocusedButton) {
    Buttons(3);
    Open(kScreenArrowKeys | kScreenFocusFirst);
    MenuMoveFocus(1);
    Enter();
    EXPECT_EQ(calls, std::vector<int>{1});
    EXPECT_FALSE(widgets[1].state & kStatePressed);
}

TEST_F(WidgetTest, EnterGoesToTheDefaultButtonUnlessNavigationHasAButtonFocused) {
    Buttons(3);
    widgets[2].flags |= kWidgetDefault;
    Open(kScreenFocusFirst);  // no arrow keys: the default button takes Enter
    Enter();
    EXPECT_EQ(calls, std::vector<int>{2});
    CloseScreen();
    calls.clear();
    Open(kScreenArrowKeys | kScreenFocusFirst);  // arrow keys: the focused button keeps it
    Enter();
    EXPECT_EQ(calls, std::vector<int>{0});
}

TEST_F(WidgetTest, EscapePressesTheVisibleCancelButtonOnlyWhenReleasedOnIt) {
    Buttons(3);
    widgets[1].flags |= kWidgetCancel | kWidgetHidden;
    widgets[2].flags |= kWidgetCancel;
    Open(kScreenArrowKeys | kScreenFocusFirst);
    MenuCancel(true);
    EXPECT_EQ(currentScreen.focus, 2);
    EXPECT_TRUE(widgets[2].state & kStatePressed);
    EXPECT_TRUE(calls.empty());
    MenuCancel(false);
    EXPECT_EQ(calls, std::vector<int>{2});
    MenuCancel(false);  // a release without a press does nothing
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(WidgetTest, TypingFillsTheFocusedFieldUpToItsMaximumAndEnterEndsEditing) {
    widgets.resize(2);
    MakeTextField(widgets[0], "ab", 10, 5, 20, 3, 4);
    widgets[0].onActivate = Record;
    widgets[0].tag = 7;
    MakeButton(widgets[1], "OK", 10, 10, 20, 3, Record, kWidgetDefault);
    widgets[1].tag = 1;
    Open(kScreenArrowKeys);
    MenuMoveFocus(1);
    ASSERT_EQ(currentScreen.focus, 0);
    MenuTypeChar('c');
    EXPECT_EQ(currentScreen.editing, 0);
    MenuTypeChar(200);  // outside 32..126
    MenuTypeChar('\t');
    Type("def");  // only one more fits
    EXPECT_EQ(widgets[0].text, "abcd");
    EXPECT_EQ(widgets[0].value, 4);
    MenuTypeChar(8);
    EXPECT_EQ(widgets[0].text, "abc");
    // Enter: the default button takes the focus; the field leaves edit mode
    // (and its focus), then the button is released.
    Enter();
    EXPECT_EQ(calls, (std::vector<int>{7, 1}));
    EXPECT_EQ(currentScreen.editing, -1);
    EXPECT_FALSE(widgets[0].state & (kStateEditing | kStateFocused));
}

TEST_F(WidgetTest, WheelAccumulatorStepsTheFocusedSliderDownForUpAndKeepsItsPlace) {
    widgets.resize(1);
    MakeSlider(widgets[0], "", 10, 5, 30, 2, 0, 50, 100, Record, 0);
    Open(0);
    Click(widgets[0], 0.0f);  // the left arrow box: one step down
    ASSERT_EQ(widgets[0].value, 49);
    calls.clear();
    MenuWheel(120);
    EXPECT_EQ(widgets[0].value, 48);
    MenuWheel(-120);
    EXPECT_EQ(widgets[0].value, 49);
    EXPECT_EQ(calls.size(), 2u);
    MenuWheel(60);  // half a notch is kept for the next one
    EXPECT_EQ(widgets[0].value, 49);
    MenuWheel(60);
    EXPECT_EQ(widgets[0].value, 48);
    for (int i = 0; i < 100; ++i) MenuWheel(120);  // clamped at the minimum
    EXPECT_EQ(widgets[0].value, 0);
    calls.clear();
    MenuWheel(120);  // no change, no callback
    EXPECT_TRUE(calls.empty());
}

TEST_F(WidgetTest, SliderDragFollowsThePointerAlongItsTrack) {
    widgets.resize(1);
    MakeSlider(widgets[0], "", 10, 5, 30, 2, 0, 0, 200, Record, 0);
    Open(0);
    const Widget& s = widgets[0];
    // The track runs from x + 1.5 h to x + w - 1.5 h: 13 .. 37 cells.
    MenuPointerPressed(CellToPixelX(13.0f), CellToPixelY(6));
    EXPECT_EQ(s.value, 0);
    MenuPointerMoved(CellToPixelX(25.0f), CellToPixelY(6), true);
    EXPECT_EQ(s.value, 100);
    MenuPointerMoved(CellToPixelX(70.0f), CellToPixelY(40), true);  // beyond the end: clamped
    EXPECT_EQ(s.value, 200);
    EXPECT_TRUE(calls.empty());  // the callback comes with the release
    MenuPointerReleased(CellToPixelX(70.0f), CellToPixelY(40));
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(WidgetTest, ButtonReleasedOutsideItsRectangleDoesNothingAndBackInsideActivates) {
    Buttons(2);
    Open(0);
    const Widget& b = widgets[0];
    MenuPointerPressed(PixelX(b, 0.5f), PixelY(b, 0.5f));
    EXPECT_TRUE(b.state & kStatePressed);
    MenuPointerMoved(PixelX(b, 0.5f), PixelY(b, 3.0f), true);
    EXPECT_FALSE(b.state & kStatePressed);
    MenuPointerReleased(PixelX(b, 0.5f), PixelY(b, 3.0f));
    EXPECT_TRUE(calls.empty());
    MenuPointerPressed(PixelX(b, 0.5f), PixelY(b, 0.5f));
    MenuPointerMoved(PixelX(b, 0.5f), PixelY(b, 3.0f), true);
    MenuPointerMoved(PixelX(b, 0.2f), PixelY(b, 0.2f), true);
    MenuPointerReleased(PixelX(b, 0.2f), PixelY(b, 0.2f));
    EXPECT_EQ(calls, std::vector<int>{0});
}

TEST_F(WidgetTest, ListClickPicksTheEntryUnderThePointerAndBelowTheLastPicksNothing) {
    widgets.resize(1);
    // Two columns of 8 cells, rows of 2 cells, a 2-cell scroll bar: 5 rows visible.
    MakeList(widgets[0], Record, 10, 8, 2, 2, 0, 10, 10, 18);
    for (int i = 0; i < 13; ++i) ListAdd(widgets[0], "e" + std::to_string(i));
    Open(0);
    Widget& l = widgets[0];
    ASSERT_EQ(l.list->columns, 2);
    ASSERT_EQ(l.list->visibleRows, 5);
    EXPECT_EQ(l.high, 2);  // 7 rows, 5 visible
    MenuPointerPressed(CellToPixelX(19), CellToPixelY(13));
    MenuPointerReleased(CellToPixelX(19), CellToPixelY(13));  // row 1, column 1
    EXPECT_EQ(l.list->selected, 3);
    EXPECT_EQ(calls.size(), 1u);
    MenuWheel(-120);  // a notch down scrolls one row down
    EXPECT_EQ(l.value, 1);
    EXPECT_EQ(calls.size(), 1u);  // lists call nothing on the wheel
    calls.clear();
    MenuPointerPressed(CellToPixelX(11), CellToPixelY(19));
    MenuPointerReleased(CellToPixelX(11), CellToPixelY(19));  // row 4 + 1 = 5, column 0
    EXPECT_EQ(l.list->selected, 10);
    MenuWheel(-240);  // scrolled to the end: rows 2..6
    ASSERT_EQ(l.value, 2);
    calls.clear();
    MenuPointerPressed(CellToPixelX(19), CellToPixelY(19));  // row 6, column 1: entry 13 does not exist
    MenuPointerReleased(CellToPixelX(19), CellToPixelY(19));
    EXPECT_EQ(l.list->selected, 10);
    EXPECT_TRUE(calls.empty());
}

TEST_F(WidgetTest, AListMadeAgainOnTheSameWidgetHoldsOnlyItsNewEntries) {
    // A pop-up makes its list anew each time it opens: the second opening
    // lists each entry once and its last row picks the last entry.
    widgets.resize(1);
    for (int round = 0; round < 2; ++round) {
        MakeList(widgets[0], Record, 10, 16, 2, 2, 0, 10, 10, 18);
        for (int i = 0; i < 3; ++i) ListAdd(widgets[0], "car " + std::to_string(i));
    }
    ASSERT_EQ(widgets[0].list->entries.size(), 3u);
    Open(0);
    MenuPointerPressed(CellToPixelX(11), CellToPixelY(15));
    MenuPointerReleased(CellToPixelX(11), CellToPixelY(15));  // row 2
    EXPECT_EQ(widgets[0].list->selected, 2);
    EXPECT_EQ(widgets[0].list->entries[2].text, "car 2");
}

TEST_F(WidgetTest, ScrollBarArrowsStepAndItsTrackDrags) {
    widgets.resize(1);
    MakeList(widgets[0], Record, 10, 16, 2, 2, 0, 10, 10, 18);
    for (int i = 0; i < 25; ++i) ListAdd(widgets[0], "e" + std::to_string(i));
    Open(0);
    Widget& l = widgets[0];
    ASSERT_EQ(l.high, 20);
    int barX = CellToPixelX(27);
    Click(l, 17.0f / 18.0f, 0.95f);  // the bottom arrow area
    EXPECT_EQ(l.value, 1);
    MenuPointerPressed(barX, CellToPixelY(15));  // track 12..18: the middle
    EXPECT_EQ(l.value, 10);
    MenuPointerMoved(barX, CellToPixelY(25), true);
    EXPECT_EQ(l.value, 20);
    MenuPointerReleased(barX, CellToPixelY(25));
    EXPECT_EQ(l.list->selected, -1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(WidgetTest, ClickingElsewhereEndsEditingAndCallsTheField) {
    widgets.resize(2);
    MakeTextField(widgets[0], "x", 10, 5, 20, 3, 0);
    widgets[0].onActivate = Record;
    widgets[0].tag = 5;
    MakeButton(widgets[1], "B", 10, 20, 20, 3, nullptr, 0);
    Open(0);
    EXPECT_EQ(widgets[0].high, kTextFieldDefaultMax);
    Click(widgets[0]);
    EXPECT_EQ(currentScreen.editing, 0);
    MenuPointerPressed(CellToPixelX(1), CellToPixelY(50));  // on nothing
    EXPECT_EQ(calls, std::vector<int>{5});
    EXPECT_EQ(currentScreen.editing, -1);
}

TEST_F(WidgetTest, OpeningTwiceIsRefusedAndSuspendResumeKeepsTheScreen) {
    Buttons(3);
    Open(kScreenArrowKeys | kScreenFocusFirst);
    MenuMoveFocus(1);
    WidgetArray other;
    other.resize(1);
    MakeButton(other[0], "X", 0, 0, 10, 3, Record, 0);
    EXPECT_EQ(OpenScreen(2, other, 0), -1);
    EXPECT_EQ(currentScreen.screenId, 1u);
    CurrentScreen* saved = SuspendScreen();
    ASSERT_NE(saved, nullptr);
    EXPECT_FALSE(screenIsOpen);
    EXPECT_EQ(SuspendScreen(), nullptr);
    ASSERT_EQ(OpenScreen(2, other, 0), 0);
    EXPECT_EQ(other[0].id, (2u << 16) + 0);
    EXPECT_EQ(ResumeScreen(saved == nullptr ? nullptr : new CurrentScreen(*saved)), -1);  // one is open
    CloseScreen();
    ASSERT_EQ(ResumeScreen(saved), 0);
    EXPECT_EQ(currentScreen.screenId, 1u);
    EXPECT_EQ(currentScreen.focus, 1);
    EXPECT_EQ(widgets[1].redraw, 0u);  // repainted
}
