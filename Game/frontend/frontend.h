// Front-end screens: the screen the game starts on until the menus exist
// (the title and a line saying that Escape quits; Escape ends the game
// through the menu hooks) and the modal "Select control for" prompt.
#pragma once
#include "Game/shell/input.h"

void ShowFirstScreen();                         // draws into the back buffer and takes the menu input
extern bool (*firstScreenStart)();              // Return on the first screen starts this (null = nothing)
void HideFirstScreen();                         // gives the menu input back
void DrawFirstScreen();                         // redraws it (after a mode change)

// Shows the prompt for controlName and waits for a key release or a joystick
// input: the key code, -1 when cancelled (Escape, Return), -2 when a joystick
// input was captured into binding.
int CaptureBinding(const char* controlName, JoyBinding* binding);
