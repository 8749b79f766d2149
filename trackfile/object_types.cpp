// The shared table of object types; see object_types.h.
#include "trackfile/object_types.h"

#include <cmath>

// name, delete radius, half length, half width, height, post radius
const ObjectTypeInfo kObjectTypes[kObjectTypeCount] = {
    {"Start", 2, 0, 0, 0, 0},
    {"Concrete wall", 2, 3, 0.4, 1.2, 0},
    {"Soft wall", 2, 3, 0.8, 1.2, 0},
    {"Hay bale", 2, 2, 0.8, 1.2, 0},
    {"Palm tree", 5, 4, 4, 12, 0.3},
    {"Leaf tree", 4, 3, 3, 5.5, 0.3},
    {"Bush", 3, 1.8, 1.8, 1, 0},
    {"Traffic sign", 2, 0.6, 0.1, 2.6, 0.08},
    {"Light", 2, 1.5, 0.3, 6, 0.12},
    {"Stone", 2, 1, 1, 0.2, 0},
    {"Sunk tyre", 2, 0.6, 0.2, 0.3, 0},
    {"Booth", 2, 1.4, 1.4, 2.8, 0},
    {"House", 4, 3.2, 2.4, 5.5, 0},
    {"Office block", 6, 4.5, 3.5, 15, 0},
    {"Stand", 5, 4.4, 2.2, 3.5, 0},
    {"Boat", 3, 2.8, 1, 1.6, 0},
    {"Pier", 2, 1.8, 0.9, 0.6, 0.12},
    {"Bridge", 6, 5.6, 2.2, 2.2, 0},
    {"Flat bridge", 6, 5.6, 2.2, 0.5, 0},
    {"Fir tree", 4, 3, 3, 9, 0.3},
    {"Pine tree", 5, 4, 4, 9, 0.3},
    {"Cactus", 2, 1.2, 0.35, 3, 0.35},
    {"Gate", 5, 4.5, 0.4, 4.5, 0.3},
    {"Fence", 3, 3, 0.1, 1.5, 0.08},
    {"Concrete post", 2, 0.25, 0.25, 1, 0.25},
    {"Road Cone", 2, 0.3, 0.3, 0.8, 0.25},
    {"Telephone pole", 2, 1.2, 0.2, 5, 0.2},
    {"Office block (short)", 6, 4.5, 3.5, 8, 0},
    {"Office block (small)", 3, 2.2, 1.8, 6, 0},
    {"Armco barrier", 2, 2, 0.2, 0.8, 0},
    {"Pedestrian bridge", 6, 5.9, 1, 5.6, 0},
    {"Invisible wall", 2, 3, 0.4, 1.2, 0},
    {"Person", 2, 0.2, 0.35, 1.8, 0.25},
    {nullptr, 2, 0, 0, 0, 0},
    {"Hedge", 2, 2, 0.5, 1.8, 0},
    {"Hedge (short)", 2, 1, 0.5, 1.8, 0},
    {"Road Cone (moveable)", 2, 0.3, 0.3, 0.8, 0.25},
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

const ObjectTypeInfo& ObjectType(int code)
{
    if (code < 0 || code >= kObjectTypeCount)
        return kObjectTypes[33];
    return kObjectTypes[code];
}

float ObjectFootprintRadius(int code)
{
    const ObjectTypeInfo& t = ObjectType(code);
    switch (code) {
    case 4: case 5: case 6: case 9: case 19: case 20:  // trees, bush, stone
        return t.halfLength;
    default:
        return std::sqrt(t.halfLength * t.halfLength + t.halfWidth * t.halfWidth);
    }
}

bool ObjectIsWallLike(int code)
{
    switch (code) {
    case 1: case 2: case 3: case 17: case 18: case 23: case 29: case 31: case 34: case 35:
        return true;
    default:
        return false;
    }
}
