// Feeds arbitrary bytes to the ".car" file reader: it may not crash, read out
// of bounds or allocate more than the input holds, and every car it accepts
// must pass validation (which also holds its sizes, speeds and masses to
// what a real car can have).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Game/race/cars.h"
#include "fuzz/seeds.h"

// The shipped data holds no car file: the built-in car is the seed.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CarDefinition cars[2] = {MakeGeneralCar(), MakeGeneralCar()};
    WriteFuzzSeed("general.car", MakeCarFile(cars, 1));
    WriteFuzzSeed("two.car", MakeCarFile(cars, 2));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    std::vector<CarDefinition> cars;
    bool loaded = ReadCarFile(file, cars);
    if (loaded != !cars.empty() || cars.size() * kCarRecordSize > size)
        __builtin_trap();
    for (const CarDefinition& car : cars)
        if (!CarDefinitionValid(car) || car.name[sizeof car.name - 1] != 0)
            __builtin_trap();
    return 0;
}
