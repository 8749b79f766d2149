// A 640 x 480 dummy video mode with the font loaded, a scratch program
// folder, and a scripted event pump for the modal boxes: each pass of the
// pump runs the next scripted step (calls of the menu entry points).
#pragma once
#include "Game/frontend/frontend.h"
#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"
#include "tests/shell/temp_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>
#include <functional>
#include <memory>

namespace menutest {

inline std::deque<std::function<void()>> script;
inline int pumpPasses = 0;

// Runs the next scripted step; an empty script cancels the box (Escape)
// after a few passes, so a faulty test ends instead of hanging.
inline bool ScriptedPump() {
    ++pumpPasses;
    if (!script.empty()) {
        auto step = script.front();
        script.pop_front();
        step();
        return true;
    }
    if (pumpPasses > 200) {
        ADD_FAILURE() << "a modal box was still open when the script ran out";
        return false;
    }
    MenuCancel(true);
    MenuCancel(false);
    return true;
}

inline void Press(void (*entry)(bool)) {
    entry(true);
    entry(false);
}
inline void Enter() { Press(MenuActivate); }
inline void Escape() { Press(MenuCancel); }
inline void Type(const std::string& s) {
    for (char c : s) MenuTypeChar(c);
}
// Pixel position of a point of a widget given as a fraction of its rectangle.
inline int PixelX(const Widget& w, float fx) { return CellToPixelX(w.x + w.width * fx); }
inline int PixelY(const Widget& w, float fy) { return CellToPixelY(w.y + w.height * fy); }
inline void Click(const Widget& w, float fx = 0.5f, float fy = 0.5f) {
    MenuPointerPressed(PixelX(w, fx), PixelY(w, fy));
    MenuPointerReleased(PixelX(w, fx), PixelY(w, fy));
}

class MenuTest : public ::testing::Test {
protected:
    std::unique_ptr<TempFolder> folder;
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screenWidth = 640;
        screenHeight = 480;
        ASSERT_TRUE(SetVideoMode(true));
        ResetTexts();
        std::string saved = baseDirectory;
        baseDirectory = std::string(DW_RUN_DIR) + "/";
        EnterBaseDirectory();
        ASSERT_EQ(LoadFont(), 0);  // also sets the UI scale
        baseDirectory = saved;
        folder = std::make_unique<TempFolder>();
        script.clear();
        pumpPasses = 0;
        modalPump = ScriptedPump;
        if (screenIsOpen) CloseScreen();
    }
    void TearDown() override {
        if (screenIsOpen) CloseScreen();
        FreeMenus();
        FreeDrivers();
        folder.reset();
        FreeFont();
        FreeVideoSurfaces();
        SDL_Quit();
    }
};

}  // namespace menutest
