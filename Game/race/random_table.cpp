// The race's random numbers: a table of 256 uniform numbers made from the C
// generator at season start (and when a game is loaded). A step only takes
// the next entry, so the same table and the same controls replay exactly.
#include "Game/race/race.h"

#include <cstdlib>

void FillRandomTable(unsigned seed)
{
    srand(seed);
    // Fifteen bits, as every choice of the simulation expects numbers in
    // steps of 1/32768, whatever RAND_MAX this C library has.
    for (float& r : raceState.randomTable) r = static_cast<float>(rand() & 0x7FFF) * (1.0f / 32768.0f);
    raceState.randomIndex = 0;
}

float NextRandom()
{
    ++raceState.randomIndex;  // wraps at 256
    return raceState.randomTable[raceState.randomIndex];
}
