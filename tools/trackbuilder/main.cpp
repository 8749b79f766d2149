// trackbuilder: makes the shipped sample tracks from their text recipes.
//   trackbuilder build RECIPE.txt OUT.trk        one track
//   trackbuilder all RECIPE_DIR TRACK_DIR        every recipe, sub-folders kept
// Look at a result with `trktool render OUT.trk OUT.bmp`.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/trackbuilder/trackbuilder.h"
#include "trackfile/program_options.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: trackbuilder build RECIPE.txt OUT.trk\n"
    "       trackbuilder all RECIPE_DIR TRACK_DIR\n"
    "       trackbuilder --help | --version\n";

int Usage() { return UsageError("trackbuilder", kUsage, ""); }

int BuildOne(const std::string& recipe, const std::string& track)
{
    std::string error;
    if (!BuildTrackFile(recipe.c_str(), track.c_str(), error)) {
        std::fprintf(stderr, "trackbuilder: %s: %s\n", recipe.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s -> %s\n", recipe.c_str(), track.c_str());
    return 0;
}

// Recipes directly in the folder and one level below it (track groups);
// each becomes TRACK_DIR/[group/]name.trk.
int BuildAll(const std::string& recipes, const std::string& tracks)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(recipes, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && it->path().extension() == ".txt" && it.depth() <= 1)
            found.push_back(it->path());
    if (ec || found.empty()) {
        std::fprintf(stderr, "trackbuilder: no recipes in %s\n", recipes.c_str());
        return 1;
    }
    std::sort(found.begin(), found.end());
    int failures = 0;
    for (const fs::path& p : found) {
        fs::path out = fs::path(tracks) / fs::relative(p, recipes);
        out.replace_extension(".trk");
        fs::create_directories(out.parent_path(), ec);
        failures += BuildOne(p.string(), out.string());
    }
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    int answered = AnswerHelpOrVersion(argc, argv, "trackbuilder", kUsage);
    if (answered >= 0) return answered;
    if (argc < 4)
        return Usage();
    std::string command = argv[1];
    if (command == "build" && argc == 4)
        return BuildOne(argv[2], argv[3]);
    if (command == "all" && argc == 4)
        return BuildAll(argv[2], argv[3]);
    return Usage();
}
