// The object types a track can place: stored codes 0–36, their names, the
// order of the editor's list, and the per-type sizes every subsystem shares.
#pragma once
#include <cstdint>

constexpr int kObjectTypeCount = 37;       // codes 0 … 36 (33 is unused)
constexpr int kObjectListLength = 36;      // entries of the editor's list
constexpr uint8_t kObjectStart = 0;        // a start position
constexpr uint8_t kObjectMoveableCone = 36;

struct ObjectTypeInfo {
    const char* name;    // as shown in the editor; null for the unused code
    float deleteRadius;  // world units within which the editor's delete mode takes it
};

extern const ObjectTypeInfo kObjectTypes[kObjectTypeCount];  // indexed by code
extern const uint8_t kObjectListOrder[kObjectListLength];    // codes in the editor's list order

// Name of a type code; null for code 33 and codes above 36.
const char* ObjectTypeName(int code);
// Delete radius of a type code in world units (2 for unknown codes).
float ObjectDeleteRadius(int code);
