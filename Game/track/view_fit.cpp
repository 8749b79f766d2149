// The view fit of the terrain renderer: placeholder until the renderer
// provides it, so that loading a track links on its own.
#include "Game/track/track.h"

void FitTrackView() {}
