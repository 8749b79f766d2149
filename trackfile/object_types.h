// The object types a track can place: stored codes 0–36, their names, the
// order of the editor's list, and the per-type sizes every subsystem shares.
#pragma once
#include <cstdint>

constexpr int kObjectTypeCount = 37;       // codes 0 … 36 (33 is unused)
constexpr int kObjectListLength = 36;      // entries of the editor's list
constexpr uint8_t kObjectStart = 0;        // a start position
constexpr uint8_t kObjectBridge = 17;      // the humped road bridge, a gap under it
constexpr uint8_t kObjectFlatBridge = 18;  // the flat road bridge
constexpr uint8_t kObjectMoveableCone = 36;

// The two bridges cars drive over.
inline bool ObjectIsRoadBridge(int code) { return code == kObjectBridge || code == kObjectFlatBridge; }

struct ObjectTypeInfo {
    const char* name;    // as shown in the editor; null for the unused code
    float deleteRadius;  // world units within which the editor's delete mode takes it
    // Footprint and body, in world units, shared by the terrain renderer (what
    // is drawn) and the car physics (what is hit). Slabs and buildings are
    // boxes: halfLength along the object's direction, halfWidth across it,
    // height of the top above the base. Round things (trees, bush, stone,
    // tyre) use halfLength as the radius of the crown or sphere and height
    // for the height of its centre; poles and trunks have postRadius.
    float halfLength;
    float halfWidth;
    float height;
    float postRadius;    // radius of the post, pole or trunk; 0 when there is none
};

extern const ObjectTypeInfo kObjectTypes[kObjectTypeCount];  // indexed by code
extern const uint8_t kObjectListOrder[kObjectListLength];    // codes in the editor's list order

// Name of a type code; null for code 33 and codes above 36.
const char* ObjectTypeName(int code);
// Delete radius of a type code in world units (2 for unknown codes).
float ObjectDeleteRadius(int code);
// Table entry of a type code; codes outside 0-36 give the unused entry (all sizes 0).
const ObjectTypeInfo& ObjectType(int code);
// Radius around the object's position that holds its whole footprint:
// the crown or sphere radius of round things, the half diagonal of boxes.
float ObjectFootprintRadius(int code);
// True for the types that lie along their direction on two ends (walls,
// barriers, fences, hedges, bales and the two road bridges): their height and
// slope come from the terrain under both ends.
bool ObjectIsWallLike(int code);
