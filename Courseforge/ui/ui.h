// Courseforge's window layer on FLTK: the main dialog with its controls, the
// view widget with its scroll bars, the properties dialog, file choosers,
// message boxes and launching the game. Everything it edits goes through the
// editor core (Courseforge/editor.h) and the view (Courseforge/view.h).
#pragma once
#include <string>

#include "Courseforge/editor.h"

class Fl_Window;

extern std::string editorDir;     // folder of the running editor (the cursor file and the game are looked up there)

// ---- Main window (window.cpp) ------------------------------------------------
Fl_Window* CreateMainWindow();                           // the main dialog with every control and the view
void SyncControls();                                     // radio, check and enable states from the editor
void UpdateTitle();                                      // "Dustwhirl Track Editor - " and the file name
void ApplyResult(const EditorResult& r, bool force);     // redraw what changed, refresh, then show its message
void OpenTrack(const char* path);                        // load a track (command line, drop, "Load...")

// ---- View widget (view_widget.cpp) -------------------------------------------
void CreateViewWidget(int x, int y);                     // the 512 x 512 view with its scroll bars, in the current group
void SetViewZoom(int zoom);                              // kZoomOff, kZoom2x or kZoom4x: scroll bars and repaint
void RefreshView(bool force);                            // repaint the view now, unless throttled (force = never skipped)
void LoadViewCursor(const std::string& path);            // pointer over the view from a cursor file, else the cross

// ---- Dialogs (dialogs.cpp) ---------------------------------------------------
void ShowMessage(const char* text, const char* caption); // message box with an OK button
bool AskYesNo(const char* text, const char* caption);    // Yes/No box; true for Yes
// File chooser with a filter table; an empty string when cancelled. A save
// chooser asks before overwriting and adds defaultExt to a name without one.
std::string ChooseFile(bool save, const char* title, const char* const filter[2][2], const char* defaultExt,
                       const std::string& preset);
bool RunPropertiesDialog();                              // modal "Track properties"; true when OK changed the track
void LaunchGame();                                       // start the game beside the editor, else ask where it is
std::string FindGamePath(const char* argv0);             // the game beside the editor, else beside argv[0]

// ---- Test with AI (ai_test_dialog.cpp) ---------------------------------------
void RunAiTest();                                        // race computer cars on a copy, with progress and Cancel
