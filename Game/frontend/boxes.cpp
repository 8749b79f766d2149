// The modal boxes: message box, text-input box, pick list and about box.
// Each suspends the current screen, opens its own, runs the event pump until
// one of its buttons ends it, then closes and restores what was there.
#include "Game/frontend/frontend.h"
#include "Game/frontend/frontend_internal.h"

#include <algorithm>

#include "Game/shell/font.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"
#include "Game/shell/video.h"

const char* const kVersionBanner = "Dustwhirl 1.2d";

namespace {

bool DefaultPump() {
    bool running = pumpEventsHook ? pumpEventsHook(0) : false;
    SDL_Delay(25);
    return running;
}

ModalState* activeModal = nullptr;

// Screen 11 in its two forms, and the pick list.
WidgetArray messageBox, inputBox, pickBox;
enum { kMbOk = 0, kMbYes, kMbNo };
enum { kIbOk = 0, kIbCancel, kIbField };
enum { kPlList = 0, kPlOk, kPlCancel };

// What the backdrops draw.
std::string boxCaption;
std::vector<std::string> boxLines;

constexpr float kBoxLeft = 18, kBoxRight = 62;
constexpr float kTextBottom = 35;

void AnswerFromTag(Widget& w) { EndModal(int(w.tag & 1)); }

void EndWithOk(Widget&) { EndModal(1); }
void EndWithCancel(Widget&) { EndModal(0); }
void PickEntry(Widget& w) { EndModal(w.list ? w.list->selected + 1 : 0); }
void PickSelected(Widget&) {
    Widget& list = pickBox[kPlList];
    EndModal(list.list ? list.list->selected + 1 : 0);
}

void BuildBoxWidgets() {
    if (!messageBox.empty()) return;
    messageBox.resize(3);
    MakeButton(messageBox[kMbOk], texts[kTextMessageOk], 30, 37, 20, 3, AnswerFromTag, kWidgetDefault | kWidgetCancel);
    messageBox[kMbOk].tag = 0;
    MakeButton(messageBox[kMbYes], texts[kTextYes], 20, 37, 20, 3, AnswerFromTag, kWidgetDefault);
    messageBox[kMbYes].tag = 3;
    MakeButton(messageBox[kMbNo], texts[kTextNo], 40, 37, 20, 3, AnswerFromTag, kWidgetCancel);
    messageBox[kMbNo].tag = 2;
    inputBox.resize(3);
    MakeButton(inputBox[kIbOk], texts[kTextMessageOk], 20, 37, 20, 3, EndWithOk, kWidgetDefault);
    inputBox[kIbOk].tag = 3;
    MakeButton(inputBox[kIbCancel], texts[kTextCancel], 40, 37, 20, 3, EndWithCancel, kWidgetCancel);
    inputBox[kIbCancel].tag = 2;
    MakeTextField(inputBox[kIbField], "", 20, 30, 40, 2.5f, kTextFieldDefaultMax);
    pickBox.resize(3);
    MakeList(pickBox[kPlList], PickEntry, 26, 26, 2, 2, kWidgetNoArrows, 27, 11, 26);
    MakeButton(pickBox[kPlOk], texts[kTextOk], 27, 40, 13, 3, PickSelected, kWidgetDefault);
    MakeButton(pickBox[kPlCancel], texts[kTextCancel], 40, 40, 13, 3, EndWithCancel, kWidgetCancel);
    for (WidgetArray* a : {&messageBox, &inputBox, &pickBox})
        for (Widget& w : *a) w.style = kStyleShowsFocus;
}

// The text ends above the buttons. Up to 15 lines it grows upwards from
// there; a longer message also moves its end and the buttons down, so that
// all 20 lines a message may have are shown.
float TextBottom() { return std::max(kTextBottom, 5.0f + 2.0f * float(boxLines.size())); }

float MessageTop() {
    int n = int(boxLines.size());
    return std::max(5.0f, TextBottom() - 2.0f * float(n));
}

void MessageBackdrop() {
    float top = MessageTop() - 5;
    DrawPanel(kBoxLeft, top, kBoxRight - kBoxLeft, TextBottom() + 6.5f - top);
    DrawCaption(boxCaption, kBoxLeft, top + 1.5f, kBoxRight - kBoxLeft, kPanelTitle, true);
    float y = MessageTop();
    for (const std::string& line : boxLines) {
        if (y + 2 > TextBottom() + 0.01f) break;
        DrawCaption(line, kBoxLeft, y, kBoxRight - kBoxLeft, kPanelText, true);
        y += 2;
    }
}

void InputBackdrop() {
    DrawPanel(kBoxLeft, 21, kBoxRight - kBoxLeft, 20.5f);
    DrawCaption(boxCaption, kBoxLeft, 23, kBoxRight - kBoxLeft, kPanelTitle, true);
    float y = 26;
    for (const std::string& line : boxLines) {
        if (y + 2 > 30) break;
        DrawCaption(line, kBoxLeft, y, kBoxRight - kBoxLeft, kPanelText, true);
        y += 2;
    }
}

void PickBackdrop() {
    DrawPanel(25, 6, 30, 38.5f);
    DrawCaption(boxCaption, 25, 7.5f, 30, kPanelTitle, true);
}

}  // namespace

bool (*modalPump)() = DefaultPump;

void EndModal(int answer) {
    if (!activeModal) return;
    activeModal->answer = answer;
    activeModal->done = true;
}

int RunModal(uint32_t screenId, WidgetArray& widgets, uint32_t flags, void (*backdrop)(), int focus) {
    ModalState state;
    ModalState* outer = activeModal;
    activeModal = &state;
    MenuInputHooks savedInput = menuInput;
    InstallMenuInput();
    CurrentScreen* saved = SuspendScreen();
    OpenScreen(screenId, widgets, flags, backdrop);
    if (focus >= 0 && focus < int(widgets.size())) {
        for (Widget& w : widgets) w.state &= ~kStateFocused;
        currentScreen.focus = focus;
        widgets[size_t(focus)].state |= kStateFocused;
        RepaintScreen();
    }
    while (!state.done) {
        if (!modalPump()) {
            // The main loop sees the quit after the boxes have unwound.
            SDL_Event quit;
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            break;
        }
    }
    CloseScreen();
    activeModal = outer;
    menuInput = savedInput;
    if (saved) ResumeScreen(saved);
    return state.answer;
}

std::vector<std::string> WrapMessage(const std::string& message) {
    std::vector<std::string> lines;
    size_t pos = 0, n = message.size();
    while (pos < n && int(lines.size()) < kMessageMaxLines) {
        size_t reach = std::min(n - pos, size_t(kMessageLineLength));
        size_t newline = message.find('\n', pos);
        if (newline != std::string::npos && newline - pos <= reach) {
            lines.push_back(message.substr(pos, newline - pos));
            pos = newline + 1;
            continue;
        }
        if (n - pos <= size_t(kMessageLineLength)) {
            lines.push_back(message.substr(pos));
            break;
        }
        size_t cut = reach;  // no break point: cut after 40 characters
        for (size_t k = reach; k > 0; --k) {
            char c = message[pos + k - 1];
            if (c == ' ' || c == '.' || c == ',' || c == '-' || c == '!') {
                cut = k;
                break;
            }
        }
        lines.push_back(message.substr(pos, cut));
        pos += cut;
    }
    return lines;
}

int ShowMessageBox(int kind, const std::string& message, const std::string& caption) {
    BuildBoxWidgets();
    std::string savedCaption = boxCaption;
    std::vector<std::string> savedLines = boxLines;
    boxCaption = caption;
    boxLines = WrapMessage(message);
    bool yesNo = kind == kBoxYesNo;
    SetWidgetHidden(messageBox[kMbOk], yesNo);
    SetWidgetHidden(messageBox[kMbYes], !yesNo);
    SetWidgetHidden(messageBox[kMbNo], !yesNo);
    messageBox[kMbOk].text = texts[kTextMessageOk];
    messageBox[kMbYes].text = texts[kTextYes];
    messageBox[kMbNo].text = texts[kTextNo];
    const float savedTop = messageBox[kMbOk].y;
    for (Widget& w : messageBox) w.y = TextBottom() + 2;
    int answer = RunModal(kScreenMessageBox, messageBox, kScreenArrowKeys | kScreenFocusFirst, MessageBackdrop);
    for (Widget& w : messageBox) w.y = savedTop;
    boxCaption = savedCaption;
    boxLines = savedLines;
    return answer & 1;
}

int ShowInputBox(const std::string& prompt, std::string& text, const std::string& caption) {
    BuildBoxWidgets();
    boxCaption = caption.empty() ? prompt : caption;
    boxLines.clear();
    if (!caption.empty()) boxLines = WrapMessage(prompt);
    inputBox[kIbOk].text = texts[kTextMessageOk];
    inputBox[kIbCancel].text = texts[kTextCancel];
    SetFieldText(inputBox[kIbField], text);
    int answer = RunModal(kScreenMessageBox, inputBox, kScreenArrowKeys, InputBackdrop, kIbField);
    if (answer == 1) text = inputBox[kIbField].text;
    return answer == 1 ? 1 : 0;
}

void ShowAboutBox() {
    ShowMessageBox(kBoxOk,
                   "A top-down racing game for one to six cars on one screen, "
                   "with Courseforge, its track editor.\n\n"
                   "Font: DejaVu Sans Mono.\n"
                   "F1: this box. F11, F12: screenshots. Alt+Enter: window or full screen.",
                   kVersionBanner);
}

int ShowPickList(const std::string& title, const std::vector<std::string>& names, int selected) {
    BuildBoxWidgets();
    boxCaption = title;
    Widget& list = pickBox[kPlList];
    ListClear(list);
    for (size_t i = 0; i < names.size(); ++i) ListAdd(list, names[i], uint32_t(i));
    pickBox[kPlOk].text = texts[kTextOk];
    pickBox[kPlCancel].text = texts[kTextCancel];
    ListSelect(list, selected);
    return RunModal(kScreenMessageBox, pickBox, kScreenArrowKeys | kScreenFocusFirst | kScreenListKeys, PickBackdrop) - 1;
}

void FreeBoxWidgets() {
    messageBox.clear();
    inputBox.clear();
    pickBox.clear();
}
