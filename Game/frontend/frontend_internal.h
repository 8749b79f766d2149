// Shared inside the front-end: the modal loop the boxes and dialogs run,
// and the drawing of panels, page backgrounds and captions.
#pragma once
#include <string>

#include "Game/frontend/frontend.h"

struct ModalState {
    bool done = false;
    int answer = 0;
};
// Suspends the open screen, opens this one (focus on a widget when given),
// pumps events until EndModal, closes it and restores the screen before.
int RunModal(uint32_t screenId, WidgetArray& widgets, uint32_t flags, void (*backdrop)(), int focus = -1);
void EndModal(int answer);                      // ends the innermost modal loop with this answer
void FreeBoxWidgets();

constexpr uint8_t kPageFill = 91;               // full screens
constexpr uint8_t kPanelFill = 98;              // boxes
constexpr uint8_t kPanelFrame = 240;
constexpr uint8_t kPanelTitle = 241;
constexpr uint8_t kPanelText = 241;
constexpr uint8_t kCaptionColour = 240;         // captions beside widgets

void DrawPage(const std::string& title);        // clears the back buffer and writes the title
void DrawPanel(float x, float y, float width, float height); // framed box, in cells
// Text in a band of the grid, 2 cells tall; centred across width or left-aligned.
void DrawCaption(const std::string& text, float x, float y, float width, uint8_t colour, bool centred);
// Text right-aligned so that it ends at x.
void DrawCaptionRight(const std::string& text, float x, float y, uint8_t colour);

void BuildFileDialog();                         // screen 7's widgets
void FreeFileDialog();
void BuildDriverPage();                         // screens 6 and 10
void FreeDriverPage();
void BuildOptionPages();                        // screens 4 and 5
void FreeOptionPages();
void FreeMainScreen();                          // screens 1, 2 and 3
