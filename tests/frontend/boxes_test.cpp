// The modal boxes, answered by a scripted event pump: message and Yes/No
// boxes, the text-input box, the pick list, nesting over a suspended screen,
// a quit while a box is open, and the wrapping of messages.
#include "tests/frontend/menu_fixture.h"

using namespace menutest;

namespace {

int calls = 0;
void Count(Widget&) { ++calls; }

}  // namespace

TEST(WrapMessage, NewlinesBreakPointsAndHardCuts) {
    std::string plain(95, 'x');
    auto lines = WrapMessage(plain);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(40, 'x'));
    EXPECT_EQ(lines[1], std::string(40, 'x'));
    EXPECT_EQ(lines[2], std::string(15, 'x'));

    lines = WrapMessage("short\nsecond line");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "short");
    EXPECT_EQ(lines[1], "second line");

    // The break comes after the last blank or punctuation within 40 characters.
    std::string text = "Are you sure you want to delete the folder and all its contents?";
    lines = WrapMessage(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Are you sure you want to delete the ");
    EXPECT_EQ(lines[1], "folder and all its contents?");
    lines = WrapMessage(std::string(30, 'a') + "-" + std::string(20, 'b'));
    EXPECT_EQ(lines[0], std::string(30, 'a') + "-");

    // A newline just past 40 characters does not count for the first line.
    lines = WrapMessage(std::string(41, 'y') + "\nz");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "y");
    EXPECT_EQ(lines[2], "z");

    std::string many;
    for (int i = 0; i < 30; ++i) many += "line\n";
    EXPECT_EQ(WrapMessage(many).size(), size_t(kMessageMaxLines));
    EXPECT_TRUE(WrapMessage("").empty());
}

TEST_F(MenuTest, YesNoBoxAnswersByKeyboardAndMouse) {
    script = {[] { Enter(); }};  // Yes has the focus first
    EXPECT_EQ(ShowMessageBox(kBoxYesNo, "Really?", "Question"), 1);
    script = {[] { Escape(); }};
    EXPECT_EQ(ShowMessageBox(kBoxYesNo, "Really?", "Question"), 0);
    script = {[] { MenuMoveFocus(1); }, [] { Enter(); }};  // to No, then Enter
    EXPECT_EQ(ShowMessageBox(kBoxYesNo, "Really?", "Question"), 0);
    script = {[] { Click(currentScreen.widgets[1]); }};  // the Yes button
    EXPECT_EQ(ShowMessageBox(kBoxYesNo, "Really?", "Question"), 1);
    script = {[] {
        EXPECT_TRUE(currentScreen.widgets[1].flags & kWidgetHidden);  // only OK shows
        Enter();
    }};
    EXPECT_EQ(ShowMessageBox(kBoxOk, "Done.", "Note"), 0);
    EXPECT_FALSE(screenIsOpen);
}

TEST_F(MenuTest, BoxRestoresTheSuspendedScreenAndItsFocus) {
    WidgetArray page(2);
    MakeButton(page[0], "A", 10, 10, 20, 3, Count, 0);
    MakeButton(page[1], "B", 10, 20, 20, 3, Count, 0);
    ASSERT_EQ(OpenScreen(42, page, kScreenArrowKeys | kScreenFocusFirst), 0);
    MenuMoveFocus(1);
    script = {[] {
        EXPECT_EQ(currentScreen.screenId, kScreenMessageBox);
        Enter();
    }};
    ShowMessageBox(kBoxOk, "Hello", "Box");
    EXPECT_TRUE(screenIsOpen);
    EXPECT_EQ(currentScreen.screenId, 42u);
    EXPECT_EQ(currentScreen.focus, 1);
    calls = 0;
    Enter();
    EXPECT_EQ(calls, 1);
    CloseScreen();
}

TEST_F(MenuTest, AMessageOfTwentyLinesShowsThemAllAboveItsButton) {
    // Ink of the panel's text colour in the cell rows y0 .. y1 of the box.
    auto ink = [](float y0, float y1) {
        int n = 0;
        if (!LockSurface(kBackBuffer)) return -1;
        for (int y = CellToPixelY(y0); y < CellToPixelY(y1); ++y)
            for (int x = CellToPixelX(20); x < CellToPixelX(60); ++x) n += lockedPixels[y * lockedPitch + x] == 241;
        UnlockSurface();
        return n;
    };
    std::string message;
    for (int i = 1; i <= 20; ++i) message += "Line " + std::to_string(i) + "\n";
    script = {[&] {
        const Widget& ok = currentScreen.widgets[0];
        EXPECT_GE(ok.y, 5 + 2 * 20) << "the button lies below the last line";
        EXPECT_LE(ok.y + ok.height, 60);
        EXPECT_GT(ink(5 + 2 * 19, 5 + 2 * 20), 0) << "the twentieth line";
        Enter();
    }};
    ShowMessageBox(kBoxOk, message, "Twenty");
    // A short message keeps its button where it always was.
    script = {[] {
        EXPECT_EQ(currentScreen.widgets[0].y, 37);
        Enter();
    }};
    ShowMessageBox(kBoxOk, "Short.", "One");
}

TEST_F(MenuTest, InputBoxTakesTypedTextOnOkAndKeepsTheOldOnCancel) {
    std::string text = "old";
    script = {[] { Type("!new"); }, [] { MenuTypeChar(8); }, [] { Enter(); }};
    EXPECT_EQ(ShowInputBox("Name?", text), 1);
    EXPECT_EQ(text, "old!ne");
    script = {[] { Type("zzz"); }, [] { Escape(); }};
    EXPECT_EQ(ShowInputBox("Name?", text), 0);
    EXPECT_EQ(text, "old!ne");
}

TEST_F(MenuTest, PickListReturnsTheClickedEntryOrMinusOne) {
    std::vector<std::string> names = {"General", "Hatch", "Buggy"};
    script = {[] {
        Widget& list = currentScreen.widgets[0];
        ASSERT_EQ(list.list->selected, 1);  // the current choice shows selected
        MenuPointerPressed(CellToPixelX(list.x + 1), CellToPixelY(list.y + 4.5f));
        MenuPointerReleased(CellToPixelX(list.x + 1), CellToPixelY(list.y + 4.5f));
    }};
    EXPECT_EQ(ShowPickList("Car", names, 1), 2);
    script = {[] { Escape(); }};
    EXPECT_EQ(ShowPickList("Car", names, 1), -1);
    script = {[] { Enter(); }};  // OK keeps the current choice
    EXPECT_EQ(ShowPickList("Car", names, 1), 1);
    // The arrow keys move the choice, stopping at either end, and Enter takes it.
    script = {[] {
        for (int k = 0; k < 4; ++k) menuInput.moveSelection(1);
        EXPECT_EQ(currentScreen.widgets[0].list->selected, 2);
        menuInput.moveSelection(-1);
        Enter();
    }};
    EXPECT_EQ(ShowPickList("Car", names, 2), 1);
    script = {[] {
        menuInput.moveSelection(-1);  // nothing chosen yet: the first entry
        Enter();
    }};
    EXPECT_EQ(ShowPickList("Car", names, -1), 0);
}

TEST_F(MenuTest, QuitDuringABoxEndsItAndLeavesTheQuitForTheMainLoop) {
    modalPump = [] { return false; };
    EXPECT_EQ(ShowMessageBox(kBoxYesNo, "Really?", "Question"), 0);
    EXPECT_FALSE(screenIsOpen);
    SDL_Event e;
    bool sawQuit = false;
    while (SDL_PollEvent(&e)) sawQuit |= e.type == SDL_QUIT;
    EXPECT_TRUE(sawQuit);
}

TEST_F(MenuTest, FileDialogSavesAsksBeforeOverwritingAndRefusesEscapingNames) {
    static std::vector<std::string> saved;
    saved.clear();
    mkdir(folder->File("saves").c_str(), 0777);
    folder->Write("saves/Autosave.gam", "old");
    FileDialogActions save{nullptr, [](const std::string& name) {
                               saved.push_back(name);
                               return true;
                           }};
    // An escaping name does nothing; then the existing name asks first, No keeps the dialog.
    script = {[] { Type("../x"); }, [] { Enter(); }, [] { MenuMoveFocus(1); },  // back to the field
              [] { Type("\b\b\b\b"); }, [] { Type("Autosave"); }, [] { Enter(); },
              [] { Escape(); } /* No */, [] { Escape(); } /* Cancel */};
    EXPECT_FALSE(ShowFileDialog(kFileDialogSave, "saves", "gam", save));
    EXPECT_TRUE(saved.empty());
    script = {[] { Type("Autosave"); }, [] { Enter(); }, [] { Enter(); } /* Yes */};
    EXPECT_TRUE(ShowFileDialog(kFileDialogSave, "saves", "gam", save));
    EXPECT_EQ(saved, std::vector<std::string>{"Autosave"});
}

// Every refusal says so once: a name the folder cannot take, a save that
// fails (its own reason, no second box); a file listed with its extension
// in capitals is the one deleted.
TEST_F(MenuTest, FileDialogRefusalsShowOneBoxEachAndDeleteFindsCapitalExtensions) {
    static int saves = 0;
    saves = 0;
    mkdir(folder->File("saves").c_str(), 0777);
    folder->Write("saves/Old.GAM", "old");
    FileDialogActions failing{nullptr, [](const std::string&) {
                                  ++saves;
                                  ShowMessageBox(kBoxOk, "Disk full", "Save game");
                                  return false;
                              }};
    static std::vector<uint32_t> boxes;
    boxes.clear();
    // The dialog's widgets: 0 Cancel, 1 Delete, 2 Save, 3 the list, 4 the name.
    auto act = [](const char* name, int button) {
        return [name, button] {
            SetFieldText(currentScreen.widgets[4], name);
            Click(currentScreen.widgets[button]);
        };
    };
    auto seeBox = [] {
        boxes.push_back(currentScreen.screenId);
        Enter();
    };
    script = {act("   ", 2), seeBox, act(".x", 2), seeBox, act("New", 2), seeBox, [] { Escape(); }};
    EXPECT_FALSE(ShowFileDialog(kFileDialogSave, "saves", "gam", failing));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(boxes, std::vector<uint32_t>(3, kScreenMessageBox));
    EXPECT_TRUE(script.empty());

    FileDialogActions none{nullptr, nullptr};
    script = {act("Old", 1), [] { Enter(); } /* Yes */, [] { Escape(); }};
    ShowFileDialog(kFileDialogSave, "saves", "gam", none);
    EXPECT_TRUE(folder->Read("saves/Old.GAM").empty());
}
