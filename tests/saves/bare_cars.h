// Every car slot a general car at rest, facing north, with nothing else of a
// race set up: what the replay tests and the replay fuzz target record from.
#pragma once
#include "Game/race/cars.h"
#include "Game/race/race.h"

inline void PlaceBareCars()
{
    for (int i = 0; i < kMaxCars; ++i) {
        carDefinitions[i] = MakeGeneralCar();
        cars[i] = CarState{};
        cars[i].side = {1, 0, 0};
        cars[i].up = {0, 1, 0};
        cars[i].forward = {0, 0, 1};
    }
}
