// The track manager in the lower half of the main screen. Placeholder until
// the folder and track lists are built: the widgets stay hidden and no track
// is chosen.
#include "Game/frontend/frontend_internal.h"

std::vector<std::string> chosenTracks;

void MakeTrackManagerWidgets(Widget* widgets)
{
    for (int i = 0; i < kMainTrackWidgetCount; ++i) {
        MakeButton(widgets[i], "", 0, 0, 1, 1, nullptr, kWidgetNoArrows);
        SetWidgetHidden(widgets[i], true);
    }
}

void RefreshTrackManager() {}

bool TrackManagerRightClick(int, int) { return false; }
