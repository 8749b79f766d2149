// The hooks through which the race reaches the subsystems built elsewhere
// (rules, AI, replay, view, panels, menus, saves). All start empty.
#include "Game/race/race.h"

RaceSeams raceSeams = {};
