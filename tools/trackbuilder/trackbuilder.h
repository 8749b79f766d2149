// Track builder: turns a short text recipe into a finished ".trk" file with
// the editor's own painting tools, so that surfaces, fringes and painted
// lines come out exactly as if painted by hand in Courseforge.
//
// Recipe coordinates are world units with x east and y north (0 … world size);
// stretches along the track are given as control-point indices (fractions
// allowed), counted in driving order. Everything else (checkpoints, AI lines,
// grid, pit markers, track length) is derived from the centre line.
#pragma once
#include <string>
#include <vector>

#include "Courseforge/editor.h"

// A surface a recipe names, as a land tool and mouse button of the editor.
struct RecipeSurface {
    int tool = kToolTarmac1;
    EditorButton button = kButtonLeft;
};

struct RecipeHill {            // a smooth bump (height > 0) or hollow (< 0)
    float x, y, radius, height;  // height in height-sample steps (0.05 world units)
};

struct RecipeArea {            // a disc of surface
    RecipeSurface surface;
    float x, y, radius;
};

struct RecipeStrip {           // a straight band of surface
    RecipeSurface surface;
    float x1, y1, x2, y2, halfWidth;
};

struct RecipeSection {         // another road surface over a stretch of the track
    RecipeSurface surface;
    float from, to;
};

struct RecipeRunoff {          // run-off beside corners tighter than a radius
    RecipeSurface surface;
    float radius, width;
};

struct RecipeAlong {           // a row of objects beside the track
    int type;
    int side;                  // +1 left of the driving direction, -1 right, 0 both
    float offset, from, to, spacing;
};

struct RecipeRow {             // a straight row of objects
    int type;
    float x1, y1, x2, y2, spacing;
};

struct RecipeObject {          // one object; angle in degrees, anticlockwise from east
    int type;
    float x, y, angle;
};

struct RecipeScatter {         // objects strewn over a box, off the road
    int type, count;
    float x0, y0, x1, y1;
    unsigned seed;
};

struct RecipeOil {             // an oil splash (the editor's Oil tool)
    float x, y;
    int brush;
};

struct RecipePit {             // the pit lane beside a stretch of the track
    bool present = false;
    int side = -1;             // +1 left, -1 right of the driving direction
    float from = 0, to = 0;    // control-point indices where it leaves and rejoins
    float offset = 12;         // lateral distance of the lane's centre from the track's
    float width = 7;
    int crews = 4;
};

struct Recipe {
    int worldSize = 120, waterLevel = 50, viewAngle = 60, rotation = 0, zoom = 105;
    int baseHeight = 128;      // height sample of flat ground
    std::string author, comments;
    RecipeSurface ground{kToolGrass, kButtonLeft};
    RecipeSurface road{kToolTarmac1, kButtonLeft};
    float roadWidth = 10;
    std::vector<float> px, py;  // centre-line control points in driving order
    float finish = 0;          // control-point index of the finish line
    int checkpoints = 0;       // 0: one about every 60 world units
    float kerbRadius = 0, kerbWidth = 1.2f;  // kerbs on corners tighter than kerbRadius
    std::vector<RecipeHill> hills;
    std::vector<RecipeArea> areas;
    std::vector<RecipeStrip> strips;
    std::vector<RecipeSection> sections;
    std::vector<RecipeRunoff> runoffs;
    std::vector<RecipeAlong> alongs;
    std::vector<RecipeRow> rows;
    std::vector<RecipeObject> objects;
    std::vector<RecipeScatter> scatters;
    std::vector<RecipeOil> oils;
    int crossingType = -1;     // object laid over each place where the track crosses itself
    RecipePit pit;
};

// Parses recipe text; false with a message naming the line on error.
bool ParseRecipe(const std::string& text, Recipe& recipe, std::string& error);
// Builds the whole track into the editor's document; false with a message
// when the recipe cannot make a sound track (too few points, off the map …).
bool BuildTrack(const Recipe& recipe, Editor& editor, std::string& error);
// Reads a recipe file, builds it and saves the track; false with a message.
bool BuildTrackFile(const char* recipePath, const char* trackPath, std::string& error);
