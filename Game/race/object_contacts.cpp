// Contacts with the track objects. Every object type is a few rounded boxes
// in the object's own frame (along its direction, across to its left, up
// from its base), sized from the shared object table so that a car is
// blocked where the terrain renderer draws the object. A rounded box is a
// core box grown by a radius: the car meets a face plane, an edge cylinder or
// a corner sphere of it, whichever lies nearest, through the same impulse
// rule as every other contact. Road bridges add a deck the wheels run on;
// moveable cones are pushed, slide and bounce off the borders and objects.
#include "Game/race/race.h"
#include "Game/race/race_internal.h"

#include "Game/track/track.h"
#include "trackfile/object_types.h"

#include <cmath>
#include <vector>

namespace {

constexpr int kMaxBoxes = 6;
constexpr float kBelow = -1e6f;  // a box standing on foundations reaches down without end

struct Box {
    float a, s;      // centre offset along and across
    float ha, hs;    // half extents along and across
    float z0, z1;    // bottom and top above the base; z0 <= 0 reaches down without end
    float rho;       // edge radius
    ContactSurface surface;
};

enum class Deck : uint8_t { None, Humped, Flat };

struct ObjectShape {
    int boxCount = 0;
    Box boxes[kMaxBoxes];
    Deck deck = Deck::None;
    float reach = 0;  // horizontal radius that holds every box
};

const ContactSurface kHard = {1, 1.5f, 1, 0};
const ContactSurface kWood = {1.5f, 1.5f, 1, 0};
const ContactSurface kSoft = {1, 1.2f, 0.5f, 0};
const ContactSurface kCrown = {1, 1.2f, 0.2f, 0};
const ContactSurface kCone = {1, 1.1f, 0.1f, 0};
const ContactSurface kDeckSurface = {1, 0.3f, 0.3f, 2};

ObjectShape shapes[kObjectTypeCount];
bool shapesBuilt = false;
std::vector<int> movable;  // indices of the moveable cones, filled at race start
// Per object: bit 0 / bit 1 set when a bridge piece of the same kind lies
// beside it on its left / right, so that the deck goes on there and the
// railing on that edge is left out (pieces laid side by side make one wide
// bridge, not lanes fenced off from each other).
std::vector<uint8_t> deckJoined;

// Objects by ground cell, so a car looks only at the objects near it: each
// object is listed in every cell its reach (plus the reach of the largest
// car) overlaps. Built at race start; the cells are kGridCell metres square.
constexpr float kGridCell = 8;
int gridSide = 0;
float gridMargin = 0;
size_t gridObjectCount = 0;  // objects the grid was built for
std::vector<int> cellStart;    // gridSide^2 + 1 offsets into cellObjects
std::vector<int> cellObjects;  // object indices, cell after cell

int CellOf(float v)
{
    return WholeWithin(v / kGridCell, 0, gridSide - 1);
}

std::vector<int> allObjects;  // every object index: the list when the grid is out of date

// Object indices near a point: [first, last) of cellObjects. Should the
// object list have changed since the grid was built, every object is listed.
void NearbyObjects(Vec3 at, const int*& first, const int*& last)
{
    if (gridSide == 0 || gridObjectCount != trackMaps.objects.size()) {
        size_t n = trackMaps.objects.size() < allObjects.size() ? trackMaps.objects.size() : allObjects.size();
        first = allObjects.data();
        last = first + n;
        return;
    }
    int cell = CellOf(at.z) * gridSide + CellOf(at.x);
    first = cellObjects.data() + cellStart[cell];
    last = cellObjects.data() + cellStart[cell + 1];
}

void BuildObjectGrid()
{
    const std::vector<WorldObject>& objects = trackMaps.objects;
    gridSide = static_cast<int>(trackMaps.worldSize / kGridCell) + 1;
    // The largest car of the season, and a moving cone's radius.
    gridMargin = 1.0f;
    for (const CarDefinition& d : carDefinitions) {
        float r = d.halfSize.z > d.halfSize.x ? d.halfSize.z : d.halfSize.x;
        if (std::isfinite(r) && r + 0.5f > gridMargin) gridMargin = r + 0.5f;
    }
    gridObjectCount = objects.size();
    allObjects.resize(objects.size() > 4096 ? objects.size() : 4096);
    for (size_t k = 0; k < allObjects.size(); ++k) allObjects[k] = static_cast<int>(k);
    std::vector<int> counts(static_cast<size_t>(gridSide) * gridSide + 1, 0);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            cellStart.assign(counts.size(), 0);
            for (size_t c = 1; c < counts.size(); ++c) cellStart[c] = cellStart[c - 1] + counts[c - 1];
            cellObjects.assign(static_cast<size_t>(cellStart.back()), 0);
            std::fill(counts.begin(), counts.end(), 0);
        }
        for (size_t k = 6; k < objects.size(); ++k) {
            const WorldObject& o = objects[k];
            if (o.type >= kObjectTypeCount || shapes[o.type].reach <= 0) continue;
            // Moveable cones wander: they are looked at everywhere.
            float r = o.type == kObjectMoveableCone ? 1e9f : shapes[o.type].reach + gridMargin;
            int c0 = CellOf(o.position.x - r), c1 = CellOf(o.position.x + r);
            int r0 = CellOf(o.position.z - r), r1 = CellOf(o.position.z + r);
            for (int row = r0; row <= r1; ++row)
                for (int col = c0; col <= c1; ++col) {
                    int cell = row * gridSide + col;
                    if (pass == 1) cellObjects[cellStart[cell] + counts[cell]] = static_cast<int>(k);
                    ++counts[cell];
                }
        }
    }
}

void Add(ObjectShape& o, float a, float s, float ha, float hs, float z0, float z1, float rho,
         const ContactSurface& surface)
{
    if (o.boxCount >= kMaxBoxes) return;
    o.boxes[o.boxCount++] = {a, s, ha, hs, z0, z1, rho, surface};
}

void Slab(ObjectShape& o, const ObjectTypeInfo& t, const ContactSurface& surface)
{
    Add(o, 0, 0, t.halfLength, t.halfWidth, 0, t.height, t.halfWidth, surface);
}

void Tree(ObjectShape& o, const ObjectTypeInfo& t, float trunkRadius, float trunkTop, float crownHeight,
          float crownRadius)
{
    Add(o, 0, 0, trunkRadius, trunkRadius, 0, trunkTop, trunkRadius, kWood);
    Add(o, 0, 0, crownRadius, crownRadius, crownHeight - crownRadius, crownHeight + crownRadius, crownRadius, kCrown);
    (void)t;
}

void BuildShapes()
{
    for (int type = 0; type < kObjectTypeCount; ++type) {
        ObjectShape& o = shapes[type];
        const ObjectTypeInfo& t = ObjectType(type);
        const float L = t.halfLength, W = t.halfWidth, H = t.height, post = t.postRadius;
        switch (type) {
        case 1: case 29: case 31: Slab(o, t, kHard); break;  // walls, armco
        case 2: case 3: case 34: case 35: Slab(o, t, kSoft); break;  // soft wall, bales, hedges
        case 23: Slab(o, t, kWood); break;  // fence
        case 4: Tree(o, t, post * 1.3f, H + 0.3f, H, L); break;
        case 5: Tree(o, t, post, H - 1.0f, H, L * 0.85f); break;
        case 19: Tree(o, t, post, H * 0.2f, H * 0.5f, L * 0.6f); break;
        case 20: Tree(o, t, post, H - 0.6f, H - 0.3f, L * 0.6f); break;
        case 6: Add(o, 0, 0, L, L, 0, H + L, L, kSoft); break;  // bush: a dome
        case 9: Add(o, 0, 0, L, L, 0, H + L * 0.75f, L, kHard); break;  // stone
        case 10: Add(o, 0, 0, L, W, 0, H + L, W, kHard); break;  // sunk tyre
        case 7: case 8: case 24: case 25: case 26: case 32:  // sign, light, posts, cone, pole, person
            Add(o, 0, 0, type == 8 ? post * 1.4f : (type == 32 || type == 24 ? L : post),
                type == 8 ? post * 1.4f : (type == 32 || type == 24 ? W : post), 0, H,
                type == 32 || type == 24 ? (L < W ? L : W) : (type == 8 ? post * 1.4f : post), kWood);
            break;
        case 21:  // cactus: trunk and arms
            Add(o, 0, 0, post, post, 0, H, post, kWood);
            Add(o, 0, 0, L, post * 0.6f, 1.1f, 2.6f, post * 0.6f, kWood);
            break;
        case 11: Add(o, 0, 0, L - 0.15f, W - 0.15f, 0, H, 0.3f, kHard); break;  // booth
        case 12:  // house: walls, then the roof over them
            Add(o, 0, 0, L - 0.2f, W - 0.2f, 0, 3.0f, 0.3f, kHard);
            Add(o, 0, 0, L, W * 0.6f, 2.8f, H, 0.3f, kHard);
            break;
        case 13: case 27: case 28: Add(o, 0, 0, L, W, 0, H, 0.3f, kHard); break;  // office blocks
        case 14: Add(o, 0, 0, L, W, 0, H + 0.2f, 0.3f, kHard); break;  // stand
        case 15: Add(o, 0, 0, L, W, 0, H, W * 0.5f, kHard); break;  // boat
        case 16: Add(o, 0, 0, L, W, 0, H, 0.12f, kHard); break;  // pier
        case 22:  // gate: two posts and the banner
            Add(o, -(L - post), 0, post, post, 0, H, post, kHard);
            Add(o, L - post, 0, post, post, 0, H, post, kHard);
            Add(o, 0, 0, L - 2 * post, 0.12f, H - 1.1f, H - 0.1f, 0.12f, kHard);
            break;
        case 30:  // pedestrian bridge: two towers and the span over the road
            Add(o, -(L - 0.8f), 0, 0.8f, W, 0, H - 0.6f, 0.3f, kHard);
            Add(o, L - 0.8f, 0, 0.8f, W, 0, H - 0.6f, 0.3f, kHard);
            Add(o, 0, 0, L - 1.6f, W * 0.9f, H - 1.2f, H, 0.2f, kHard);
            break;
        case 17: {  // humped bridge: railings on the deck, walls under its ends and along the ramps
            const float deckW = W - 0.2f, flat = 2.2f;
            o.deck = Deck::Humped;
            Add(o, 0, deckW + 0.1f, flat, 0.1f, H - 0.35f, H + 0.6f, 0.1f, kHard);
            Add(o, 0, -deckW - 0.1f, flat, 0.1f, H - 0.35f, H + 0.6f, 0.1f, kHard);
            Add(o, -flat, 0, 0.1f, deckW, 0, H - 0.35f, 0.1f, kHard);
            Add(o, flat, 0, 0.1f, deckW, 0, H - 0.35f, 0.1f, kHard);
            break;
        }
        case 18: {  // flat bridge: railings along the deck
            const float deckW = W - 0.2f, ramp = 1.2f;
            o.deck = Deck::Flat;
            Add(o, 0, deckW + 0.1f, L - ramp, 0.1f, H - 0.35f, H + 0.5f, 0.1f, kHard);
            Add(o, 0, -deckW - 0.1f, L - ramp, 0.1f, H - 0.35f, H + 0.5f, 0.1f, kHard);
            break;
        }
        case kObjectMoveableCone: Add(o, 0, 0, L, W, 0, H, L, kCone); break;
        default: break;  // start positions and the unused code
        }
        float reach = 0;
        for (int k = 0; k < o.boxCount; ++k) {
            const Box& b = o.boxes[k];
            float r = std::sqrt((std::fabs(b.a) + b.ha) * (std::fabs(b.a) + b.ha) +
                                (std::fabs(b.s) + b.hs) * (std::fabs(b.s) + b.hs));
            reach = r > reach ? r : reach;
        }
        if (o.deck != Deck::None) reach = std::sqrt(L * L + W * W);
        o.reach = reach;
    }
    shapesBuilt = true;
}

struct Frame {
    Vec3 base, along, side;  // side: to the left of along
};

Frame FrameOf(const WorldObject& ob)
{
    Vec3 flat = {ob.direction.x, 0, ob.direction.z};
    Vec3 along = Length(flat) > 0.0001f ? Normalize(flat) : Vec3{1, 0, 0};
    return {ob.position, along, Vec3{-along.z, 0, along.x}};
}

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Where a point meets a rounded box: the nearest point of the core and the
// unit normal from it. The previous point decides the side when the point
// has gone into (or through) the core within one step.
bool NearestOnCore(const Frame& f, const Box& b, Vec3 point, Vec3 previous, Vec3& anchor, Vec3& normal)
{
    Vec3 d = point - f.base, dp = previous - f.base;
    float la = Dot(d, f.along) - b.a, ls = Dot(d, f.side) - b.s, lz = d.y;
    float pa = Dot(dp, f.along) - b.a, ps = Dot(dp, f.side) - b.s;
    float ca = b.ha - b.rho > 0 ? b.ha - b.rho : 0, cs = b.hs - b.rho > 0 ? b.hs - b.rho : 0;
    float zlo = b.z0 <= 0 ? kBelow : b.z0 + b.rho, zhi = b.z1 - b.rho;
    if (zhi < zlo) zlo = zhi = (b.z0 + b.z1) * 0.5f;
    float qa = Clamp(la, -ca, ca), qs = Clamp(ls, -cs, cs), qz = Clamp(lz, zlo, zhi);
    Vec3 local = {la - qa, ls - qs, lz - qz};
    bool inside = Length(local) < 0.0001f;
    // Crossed a face within the step: stay on the side it came from.
    bool crossedS = (ps > cs && ls < cs) || (ps < -cs && ls > -cs);
    bool crossedA = (pa > ca && la < ca) || (pa < -ca && la > -ca);
    bool level = lz >= zlo && lz <= zhi;  // a crossing below or above the box is no crossing
    if (crossedS && level && std::fabs(la) <= ca) {
        qs = ps > 0 ? cs : -cs;
        local = {0, ps > 0 ? 1.0f : -1.0f, 0};
    } else if (crossedA && level && std::fabs(ls) <= cs) {
        qa = pa > 0 ? ca : -ca;
        local = {pa > 0 ? 1.0f : -1.0f, 0, 0};
    } else if (inside) {
        // Deep inside: out through the nearest face (the top counts; the bottom does not).
        float da = ca - std::fabs(la), ds = cs - std::fabs(ls), dz = zhi - lz;
        if (dz <= da && dz <= ds) {
            qz = zhi;
            local = {0, 0, 1};
        } else if (da <= ds) {
            qa = la >= 0 ? ca : -ca;
            local = {la >= 0 ? 1.0f : -1.0f, 0, 0};
        } else {
            qs = ls >= 0 ? cs : -cs;
            local = {0, ls >= 0 ? 1.0f : -1.0f, 0};
        }
    }
    Vec3 n = Normalize(local);
    normal = f.along * n.x + f.side * n.y + Vec3{0, n.z, 0};
    anchor = f.base + f.along * (qa + b.a) + f.side * (qs + b.s) + Vec3{0, qz, 0};
    return true;
}

// Deck height above the base at a distance along from the middle, and its slope.
void DeckProfile(Deck deck, const ObjectTypeInfo& t, float along, float& height, float& slope)
{
    float a = std::fabs(along), L = t.halfLength, top = t.height;
    float level = deck == Deck::Humped ? 2.2f : L - 1.2f;
    if (a <= level) {
        height = top;
        slope = 0;
    } else {
        float run = L - level;
        height = top * (L - a) / run;
        slope = (along > 0 ? -top : top) / run;
    }
}

void CollideDeck(int car, const WorldObject& ob, const Frame& f, Deck deck)
{
    const ObjectTypeInfo& t = ObjectType(ob.type);
    CarState& c = cars[car];
    Vec3 d = c.pos - f.base;
    float la = Dot(d, f.along), ls = Dot(d, f.side);
    if (std::fabs(la) > t.halfLength || std::fabs(ls) > t.halfWidth - 0.2f) return;
    float h, slope;
    DeckProfile(deck, t, la, h, slope);
    // Only a car on or above the deck runs on it; one underneath passes below.
    if (d.y < h - 0.3f) return;
    Vec3 n = Normalize(Vec3{0, 1, 0} - f.along * slope);
    Vec3 top = f.base + f.along * la + f.side * ls + Vec3{0, h, 0};
    ContactPlane(car, top - n * 0.35f, n, 0.35f, kDeckSurface, true);
}

}  // namespace

void PlaceObjectsOnTerrain()
{
    if (!shapesBuilt) BuildShapes();
    movable.clear();
    std::vector<WorldObject>& objects = trackMaps.objects;
    for (size_t k = 6; k < objects.size(); ++k) {
        WorldObject& o = objects[k];
        int type = o.type;
        if (type >= kObjectTypeCount) continue;
        Vec3 flat = {o.direction.x, 0, o.direction.z};
        Vec3 along = Length(flat) > 0.0001f ? Normalize(flat) : Vec3{1, 0, 0};
        if (ObjectIsWallLike(type)) {
            float l = ObjectType(type).halfLength;
            float h1 = TerrainHeight(o.position.x + along.x * l, o.position.z + along.z * l);
            float h0 = TerrainHeight(o.position.x - along.x * l, o.position.z - along.z * l);
            o.position.y = (h0 + h1) * 0.5f;
        } else {
            o.position.y = TerrainHeight(o.position.x, o.position.z);
            // Boats float and piers stand at the water line when it is higher.
            if ((type == 15 || type == 16) && trackMaps.waterHeight > o.position.y)
                o.position.y = trackMaps.waterHeight;
        }
        if (type == kObjectMoveableCone) {
            o.state = 1;
            o.motion = {};
            movable.push_back(static_cast<int>(k));
        }
    }
    deckJoined.assign(objects.size(), 0);
    for (size_t k = 6; k < objects.size(); ++k) {
        if (objects[k].type >= kObjectTypeCount || shapes[objects[k].type].deck == Deck::None) continue;
        Frame f = FrameOf(objects[k]);
        float width = 2 * ObjectType(objects[k].type).halfWidth;
        for (size_t j = 6; j < objects.size(); ++j) {
            if (j == k || objects[j].type != objects[k].type) continue;
            Frame g = FrameOf(objects[j]);
            Vec3 rel = objects[j].position - objects[k].position;
            float across = rel.x * f.side.x + rel.z * f.side.z, along = rel.x * f.along.x + rel.z * f.along.z;
            if (std::fabs(Dot(f.along, g.along)) < 0.98f || std::fabs(along) > 0.6f) continue;
            if (std::fabs(across - width) < 0.6f) deckJoined[k] |= 1;
            if (std::fabs(across + width) < 0.6f) deckJoined[k] |= 2;
        }
    }
    BuildObjectGrid();
}

void CollideObjects(int car, Vec3 previousPos)
{
    if (!shapesBuilt) BuildShapes();
    CarState& c = cars[car];
    const CarDefinition& d = carDefinitions[car];
    const float carReach = d.halfSize.z > d.halfSize.x ? d.halfSize.z : d.halfSize.x;
    const std::vector<WorldObject>& objects = trackMaps.objects;
    const int *first, *last;
    NearbyObjects(c.pos, first, last);
    for (const int* it = first; it != last; ++it) {
        const size_t k = static_cast<size_t>(*it);
        if (k >= objects.size()) continue;
        const WorldObject& ob = objects[k];
        if (ob.type >= kObjectTypeCount) continue;
        const ObjectShape& shape = shapes[ob.type];
        float dx = c.pos.x - ob.position.x, dz = c.pos.z - ob.position.z, r = shape.reach + carReach + 0.5f;
        if (dx * dx + dz * dz >= r * r || shape.reach <= 0) continue;
        Frame f = FrameOf(ob);
        if (shape.deck != Deck::None) CollideDeck(car, ob, f, shape.deck);
        uint8_t joined = k < deckJoined.size() && shape.deck != Deck::None ? deckJoined[k] : 0;
        for (int b = 0; b < shape.boxCount; ++b) {
            const Box& box = shape.boxes[b];
            // Boxes 0 and 1 of a bridge are its left and right railings.
            if ((b == 0 && (joined & 1)) || (b == 1 && (joined & 2))) continue;
            Vec3 anchor, n;
            NearestOnCore(f, box, c.pos, previousPos, anchor, n);
            Vec3 push = ContactAlong(car, anchor, n, box.rho, box.surface);
            if (ob.type == kObjectMoveableCone && Dot(push, push) > 0) {
                // The cone takes the push the car felt, the other way round,
                // never faster than the car hit it.
                WorldObject& cone = trackMaps.objects[k];
                Vec3 kick = {-push.x * 100, 0, -push.z * 100};
                float most = Length(c.vel) * 1.5f + 1;
                float kl = Length(kick);
                if (kl > most) kick = kick * (most / kl);
                cone.motion += kick;
                cone.state |= 2;
            }
        }
    }
}

void MoveMovableObjects()
{
    std::vector<WorldObject>& objects = trackMaps.objects;
    const float size = trackMaps.worldSize, radius = 0.3f;
    for (int index : movable) {
        if (index < 0 || static_cast<size_t>(index) >= objects.size()) continue;
        WorldObject& o = objects[index];
        if (!(o.state & 2)) continue;
        o.position += o.motion * 0.01f;
        o.position.y = TerrainHeight(o.position.x, o.position.z);
        o.motion *= 0.95f;
        if (Dot(o.motion, o.motion) < 0.01f) {
            o.motion = {};
            o.state &= ~2;
            continue;
        }
        // Held inside the borders.
        if (o.position.x < radius) { o.position.x = radius; if (o.motion.x < 0) o.motion.x = -o.motion.x * 0.5f; }
        if (o.position.z < radius) { o.position.z = radius; if (o.motion.z < 0) o.motion.z = -o.motion.z * 0.5f; }
        if (o.position.x > size - radius) { o.position.x = size - radius; if (o.motion.x > 0) o.motion.x = -o.motion.x * 0.5f; }
        if (o.position.z > size - radius) { o.position.z = size - radius; if (o.motion.z > 0) o.motion.z = -o.motion.z * 0.5f; }
        // Bounces off every other object through the same shapes.
        Vec3 centre = o.position + Vec3{0, 0.4f, 0};
        const int *first, *last;
        NearbyObjects(centre, first, last);
        for (const int* it = first; it != last; ++it) {
            const size_t k = static_cast<size_t>(*it);
            if (*it == index || k >= objects.size()) continue;
            const WorldObject& other = objects[k];
            if (other.type >= kObjectTypeCount) continue;
            const ObjectShape& shape = shapes[other.type];
            float dx = centre.x - other.position.x, dz = centre.z - other.position.z, r = shape.reach + radius;
            if (shape.reach <= 0 || dx * dx + dz * dz >= r * r) continue;
            Frame f = FrameOf(other);
            for (int b = 0; b < shape.boxCount; ++b) {
                const Box& box = shape.boxes[b];
                Vec3 anchor, n;
                NearestOnCore(f, box, centre, centre, anchor, n);
                float depth = box.rho + radius - Dot(centre - anchor, n);
                if (!(depth > 0)) continue;
                Vec3 flatN = Normalize(Vec3{n.x, 0, n.z});
                o.position += flatN * depth;
                centre = o.position + Vec3{0, 0.4f, 0};
                float into = Dot(o.motion, flatN);
                if (into < 0) o.motion -= flatN * (1.5f * into);
            }
        }
    }
}
