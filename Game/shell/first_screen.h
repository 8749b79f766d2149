// The screen the game starts on until the menus exist: the title and a line
// saying that Escape quits. Escape ends the game through the menu hooks.
#pragma once

void ShowFirstScreen();                         // draws into the back buffer and takes the menu input
void HideFirstScreen();                         // gives the menu input back
void DrawFirstScreen();                         // redraws it (after a mode change)
