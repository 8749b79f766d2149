// "Test with AI": a small modal window with a progress bar and Cancel while
// the race program runs six computer cars over three laps on a copy of the
// track; then each car's laps, best lap and stalls in a message, and the
// places where they got into trouble as marks on the map.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Progress.H>

#include <filesystem>
#include <string>

#include "Courseforge/ui/ui.h"
#include "Courseforge/view.h"

namespace {

constexpr int kTestCars = 6;
constexpr int kTestLaps = 3;

void CloseWindow(Fl_Widget* w, void*) { (w->window() ? w->window() : w)->hide(); }

}  // namespace

void RunAiTest() {
    static AiTest test;
    if (test.running) return;
    const std::string program = editorDir + "/dwrace";
    if (!std::filesystem::exists(program)) {
        ShowMessage(("Can't find the race program " + program + ".").c_str(), kCaptionCourseforge);
        return;
    }
    std::string error;
    if (!AiTestStart(test, editor, program, kTestCars, kTestLaps, error)) {
        ShowMessage(error.c_str(), kCaptionCourseforge);
        return;
    }
    Fl_Double_Window* w = new Fl_Double_Window(380, 110, "Test with AI");
    Fl_Box* label = new Fl_Box(10, 8, 360, 24, "Six computer cars are racing three laps...");
    label->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
    Fl_Progress* bar = new Fl_Progress(10, 38, 360, 22);
    bar->minimum(0);
    bar->maximum(100);
    bar->selection_color(FL_BLUE);
    Fl_Button* cancel = new Fl_Button(290, 72, 80, 26, "Cancel");
    cancel->callback(CloseWindow);
    w->callback(CloseWindow);
    w->end();
    w->set_modal();
    w->show();
    AiTestResult result;
    std::string message;
    bool done = false;
    while (w->shown() && !done) {
        Fl::wait(0.1);
        done = AiTestPoll(test, editor, result, message);
        bar->value(static_cast<float>(test.progress * 100));
    }
    if (!done) AiTestCancel(test);
    w->hide();
    Fl::delete_widget(w);
    if (!done) return;
    if (!message.empty()) {
        ShowMessage(message.c_str(), kCaptionCourseforge);
        return;
    }
    editor.controls.showTestMarks = true;
    SyncControls();
    ViewRedrawMarkers(editor);
    RefreshView(true);
    ShowMessage(AiTestSummary(result).c_str(), kCaptionCourseforge);
}
