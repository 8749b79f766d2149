// The shared table of object types; see object_types.h.
#include "trackfile/object_types.h"

const ObjectTypeInfo kObjectTypes[kObjectTypeCount] = {
    {"Start", 2},
    {"Concrete wall", 2},
    {"Soft wall", 2},
    {"Hay bale", 2},
    {"Palm tree", 5},
    {"Leaf tree", 4},
    {"Bush", 3},
    {"Traffic sign", 2},
    {"Light", 2},
    {"Stone", 2},
    {"Sunk tyre", 2},
    {"Booth", 2},
    {"House", 4},
    {"Office block", 6},
    {"Stand", 5},
    {"Boat", 3},
    {"Pier", 2},
    {"Bridge", 6},
    {"Flat bridge", 6},
    {"Fir tree", 4},
    {"Pine tree", 5},
    {"Cactus", 2},
    {"Gate", 5},
    {"Fence", 3},
    {"Concrete post", 2},
    {"Road Cone", 2},
    {"Telephone pole", 2},
    {"Office block (short)", 6},
    {"Office block (small)", 3},
    {"Armco barrier", 2},
    {"Pedestrian bridge", 6},
    {"Invisible wall", 2},
    {"Person", 2},
    {nullptr, 2},
    {"Hedge", 2},
    {"Hedge (short)", 2},
    {"Road Cone (moveable)", 2},
};

const uint8_t kObjectListOrder[kObjectListLength] = {
    0,   // Start
    1,   // Concrete wall
    2,   // Soft wall
    31,  // Invisible wall
    29,  // Armco barrier
    3,   // Hay bale
    23,  // Fence
    19,  // Fir tree
    5,   // Leaf tree
    20,  // Pine tree
    4,   // Palm tree
    21,  // Cactus
    6,   // Bush
    34,  // Hedge
    35,  // Hedge (short)
    7,   // Traffic sign
    8,   // Light
    26,  // Telephone pole
    24,  // Concrete post
    25,  // Road Cone
    36,  // Road Cone (moveable)
    9,   // Stone
    10,  // Sunk tyre
    11,  // Booth
    12,  // House
    13,  // Office block
    27,  // Office block (short)
    28,  // Office block (small)
    14,  // Stand
    22,  // Gate
    15,  // Boat
    16,  // Pier
    17,  // Bridge
    18,  // Flat bridge
    30,  // Pedestrian bridge
    32,  // Person
};

const char* ObjectTypeName(int code)
{
    if (code < 0 || code >= kObjectTypeCount)
        return nullptr;
    return kObjectTypes[code].name;
}

float ObjectDeleteRadius(int code)
{
    if (code < 0 || code >= kObjectTypeCount)
        return 2;
    return kObjectTypes[code].deleteRadius;
}
