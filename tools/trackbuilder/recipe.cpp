// Recipe text: one directive per line, words separated by blanks, '#' starts
// a comment. Coordinates and lengths are world units (x east, y north);
// FROM/TO are control-point indices in driving order (equal = whole lap);
// SIDE is left, right or both of the driving direction; angles are degrees
// anticlockwise from east. Object types are named as in the editor's list
// with '_' for blanks ("concrete_wall") or given by their code. Surfaces:
// tarmac (white edges), tarmac-yellow, tarmac2, grass, gravel, sand, snow,
// mud, white, yellow, kerb.
//   world SIZE | water LEVEL | base HEIGHT | view ANGLE ROTATION ZOOM
//   author TEXT | comment TEXT (lines are joined)
//   ground SURFACE                       fill of the whole map
//   hill X Y RADIUS HEIGHT               bump (or hollow, HEIGHT < 0) in height steps
//   area SURFACE X Y RADIUS | strip SURFACE X1 Y1 X2 Y2 WIDTH
//   road SURFACE WIDTH | point X Y (the centre line) | finish INDEX
//   section SURFACE FROM TO              another road surface on a stretch
//   kerbs RADIUS WIDTH                   kerbs in corners tighter than RADIUS
//   runoff SURFACE RADIUS WIDTH          outside such corners
//   pit SIDE FROM TO OFFSET WIDTH CREWS  pit lane, its crews, limiters and AI line
//   checkpoints COUNT                    including the finish line
//   along TYPE SIDE OFFSET FROM TO SPACING | row TYPE X1 Y1 X2 Y2 SPACING
//   object TYPE X Y ANGLE | scatter TYPE COUNT X0 Y0 X1 Y1 SEED
//   oil X Y BRUSH                        a splash of the editor's Oil tool
//   crossings TYPE                       laid over every place the track crosses itself
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "tools/trackbuilder/trackbuilder.h"
#include "trackfile/object_types.h"

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ParseSurface(const std::string& word, RecipeSurface& s)
{
    static const struct { const char* name; int tool; EditorButton button; } kSurfaces[] = {
        {"tarmac", kToolTarmac1, kButtonLeft},       // white edge lines
        {"tarmac-yellow", kToolTarmac1, kButtonRight},  // yellow edge lines
        {"tarmac2", kToolTarmac2, kButtonLeft},      // no edge lines
        {"grass", kToolGrass, kButtonLeft},
        {"gravel", kToolGravel, kButtonLeft},
        {"sand", kToolSand, kButtonLeft},
        {"snow", kToolSnow, kButtonLeft},
        {"mud", kToolMud, kButtonLeft},
        {"white", kToolWhiteLine, kButtonLeft},
        {"yellow", kToolYellowLine, kButtonLeft},
        {"kerb", kToolKerb, kButtonLeft},
    };
    for (const auto& e : kSurfaces)
        if (Lower(word) == e.name) {
            s.tool = e.tool;
            s.button = e.button;
            return true;
        }
    return false;
}

bool ParseType(const std::string& word, int& type)
{
    char* end = nullptr;
    long code = std::strtol(word.c_str(), &end, 10);
    if (!word.empty() && *end == 0) {
        type = static_cast<int>(code);
        return code > 0 && code < kObjectTypeCount && ObjectTypeName(type) != nullptr;
    }
    std::string name = Lower(word);
    for (char& c : name)
        if (c == '_')
            c = ' ';
    for (int t = 1; t < kObjectTypeCount; t++)
        if (ObjectTypeName(t) && Lower(ObjectTypeName(t)) == name) {
            type = t;
            return true;
        }
    return false;
}

bool ParseSide(const std::string& word, int& side)
{
    std::string w = Lower(word);
    side = w == "left" ? 1 : w == "right" ? -1 : w == "both" ? 0 : 2;
    return side != 2;
}

// Reads the numbers that follow the directive word.
bool Numbers(std::istringstream& in, float* out, int count)
{
    for (int k = 0; k < count; k++) {
        std::string w;
        if (!(in >> w))
            return false;
        char* end = nullptr;
        out[k] = std::strtof(w.c_str(), &end);
        if (*end != 0)
            return false;
    }
    return true;
}

// The rest of the line after the directive, trimmed.
std::string Rest(std::istringstream& in)
{
    std::string s;
    std::getline(in, s);
    size_t a = s.find_first_not_of(" \t");
    size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool ParseLine(const std::string& line, Recipe& r)
{
    std::istringstream in(line);
    std::string word;
    if (!(in >> word))
        return true;
    word = Lower(word);
    float n[8];
    std::string a, b;
    if (word == "world" && Numbers(in, n, 1)) {
        r.worldSize = static_cast<int>(n[0]);
        return r.worldSize >= 25 && r.worldSize <= 255;
    }
    if (word == "water" && Numbers(in, n, 1)) {
        r.waterLevel = static_cast<int>(n[0]);
        return r.waterLevel >= 0 && r.waterLevel <= 255;
    }
    if (word == "base" && Numbers(in, n, 1)) {
        r.baseHeight = static_cast<int>(n[0]);
        return r.baseHeight >= 0 && r.baseHeight <= 255;
    }
    if (word == "view" && Numbers(in, n, 3)) {
        r.viewAngle = static_cast<int>(n[0]);
        r.rotation = static_cast<int>(n[1]);
        r.zoom = static_cast<int>(n[2]);
        return r.viewAngle >= 10 && r.viewAngle <= 90 && r.rotation >= -180 && r.rotation <= 180 && r.zoom >= 10 &&
               r.zoom <= 255;
    }
    if (word == "author") {
        r.author = Rest(in);
        return r.author.size() <= 30;
    }
    if (word == "comment") {
        std::string text = Rest(in);
        r.comments += (r.comments.empty() ? "" : " ") + text;
        return r.comments.size() <= 500;
    }
    if (word == "ground" && in >> a)
        return ParseSurface(a, r.ground);
    if (word == "road" && in >> a && Numbers(in, n, 1)) {
        r.roadWidth = n[0];
        return ParseSurface(a, r.road) && n[0] >= 3;
    }
    if (word == "point" && Numbers(in, n, 2)) {
        r.px.push_back(n[0]);
        r.py.push_back(n[1]);
        return true;
    }
    if (word == "finish" && Numbers(in, n, 1)) {
        r.finish = n[0];
        return true;
    }
    if (word == "checkpoints" && Numbers(in, n, 1)) {
        r.checkpoints = static_cast<int>(n[0]);
        return r.checkpoints >= 2 && r.checkpoints <= 64;
    }
    if (word == "kerbs" && Numbers(in, n, 2)) {
        r.kerbRadius = n[0];
        r.kerbWidth = n[1];
        return n[1] > 0;
    }
    if (word == "hill" && Numbers(in, n, 4)) {
        r.hills.push_back({n[0], n[1], n[2], n[3]});
        return n[2] > 0;
    }
    if (word == "area" && in >> a && Numbers(in, n, 3)) {
        RecipeArea e{};
        e.x = n[0], e.y = n[1], e.radius = n[2];
        r.areas.push_back(e);
        return ParseSurface(a, r.areas.back().surface) && n[2] > 0;
    }
    if (word == "strip" && in >> a && Numbers(in, n, 5)) {
        RecipeStrip e{};
        e.x1 = n[0], e.y1 = n[1], e.x2 = n[2], e.y2 = n[3], e.halfWidth = n[4] * 0.5f;
        r.strips.push_back(e);
        return ParseSurface(a, r.strips.back().surface) && n[4] > 0;
    }
    if (word == "section" && in >> a && Numbers(in, n, 2)) {
        RecipeSection e{};
        e.from = n[0], e.to = n[1];
        r.sections.push_back(e);
        return ParseSurface(a, r.sections.back().surface);
    }
    if (word == "runoff" && in >> a && Numbers(in, n, 2)) {
        RecipeRunoff e{};
        e.radius = n[0], e.width = n[1];
        r.runoffs.push_back(e);
        return ParseSurface(a, r.runoffs.back().surface) && n[1] > 0;
    }
    if (word == "pit" && in >> a && Numbers(in, n, 5)) {
        r.pit.present = true;
        r.pit.from = n[0], r.pit.to = n[1], r.pit.offset = n[2], r.pit.width = n[3];
        r.pit.crews = static_cast<int>(n[4]);
        return ParseSide(a, r.pit.side) && r.pit.side != 0 && r.pit.crews >= 1 && r.pit.crews <= kEditorMaxPitCrews &&
               n[3] >= 3;
    }
    if (word == "along" && in >> a >> b && Numbers(in, n, 4)) {
        RecipeAlong e{};
        e.offset = n[0], e.from = n[1], e.to = n[2], e.spacing = n[3];
        r.alongs.push_back(e);
        return ParseType(a, r.alongs.back().type) && ParseSide(b, r.alongs.back().side) && n[3] >= 0.5f;
    }
    if (word == "row" && in >> a && Numbers(in, n, 5)) {
        RecipeRow e{};
        e.x1 = n[0], e.y1 = n[1], e.x2 = n[2], e.y2 = n[3], e.spacing = n[4];
        r.rows.push_back(e);
        return ParseType(a, r.rows.back().type) && n[4] >= 0.5f;
    }
    if (word == "object" && in >> a && Numbers(in, n, 3)) {
        RecipeObject e{};
        e.x = n[0], e.y = n[1], e.angle = n[2];
        r.objects.push_back(e);
        return ParseType(a, r.objects.back().type);
    }
    if (word == "scatter" && in >> a && Numbers(in, n, 6)) {
        RecipeScatter e{};
        e.count = static_cast<int>(n[0]);
        e.x0 = n[1], e.y0 = n[2], e.x1 = n[3], e.y1 = n[4];
        e.seed = static_cast<unsigned>(n[5]);
        r.scatters.push_back(e);
        return ParseType(a, r.scatters.back().type) && e.count >= 0 && e.count <= 2000;
    }
    if (word == "oil" && Numbers(in, n, 3)) {
        r.oils.push_back({n[0], n[1], static_cast<int>(n[2])});
        return n[2] >= 5 && n[2] <= 50;
    }
    if (word == "crossings" && in >> a)
        return ParseType(a, r.crossingType);
    return false;
}

}  // namespace

bool ParseRecipe(const std::string& text, Recipe& recipe, std::string& error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        number++;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        if (!ParseLine(line, recipe)) {
            error = "line " + std::to_string(number) + ": can't use \"" + line + "\"";
            return false;
        }
    }
    if (recipe.px.size() < 4) {
        error = "the centre line needs at least four points";
        return false;
    }
    return true;
}
