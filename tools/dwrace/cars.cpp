// dwrace's cars: without --car every car is the built-in one; with it each
// car is named by a ".car" file in the runnable folder's "cars" (its name
// without the extension, "sports"), by the car's own name ("Sports car"),
// case ignored, or by the path of a ".car" file (its first car).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Game/race/cars.h"
#include "Game/shell/shell.h"
#include "tools/dwrace/dwrace.h"

namespace {

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Candidate {
    std::string file;   // file name without ".car", lower case
    CarDefinition car;
};

// Every car of every ".car" file in folder, sorted by file name.
std::vector<Candidate> FolderCars(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && Lower(it->path().extension().string()) == ".car") files.push_back(it->path());
    std::sort(files.begin(), files.end());
    std::vector<Candidate> out;
    for (const fs::path& p : files) {
        std::vector<uint8_t> bytes;
        std::vector<CarDefinition> cars;
        if (!ReadWholeFile(p.string().c_str(), bytes, 1u << 20) || !ReadCarFile(bytes, cars)) continue;
        for (const CarDefinition& c : cars) out.push_back({Lower(p.stem().string()), c});
    }
    return out;
}

std::string CarName(const CarDefinition& c) { return std::string(c.name, strnlen(c.name, sizeof c.name)); }

}  // namespace

bool ChooseRunnerCars(const RunnerOptions& o, std::vector<int>& carIndex, std::string& error)
{
    carCatalogue.assign(1, MakeGeneralCar());
    carIndex.assign(o.cars, 0);
    if (o.carNames.empty()) return true;
    std::vector<Candidate> shipped = FolderCars(std::filesystem::path(baseDirectory) / "cars");
    std::vector<std::string> chosen;  // catalogue keys, so a car named twice is loaded once
    chosen.push_back("general");
    for (int i = 0; i < o.cars; ++i) {
        const std::string& name = o.carNames.size() == 1 ? o.carNames[0] : o.carNames[i];
        std::string key = Lower(name);
        const CarDefinition* found = nullptr;
        CarDefinition fromFile;
        if (key == "general") {
            carIndex[i] = 0;
            continue;
        }
        std::error_code ec;
        if (key.size() > 4 && key.compare(key.size() - 4, 4, ".car") == 0 && std::filesystem::is_regular_file(name, ec)) {
            std::vector<uint8_t> bytes;
            std::vector<CarDefinition> cars;
            if (!ReadWholeFile(name.c_str(), bytes, 1u << 20) || !ReadCarFile(bytes, cars)) {
                error = "the car file " + name + " holds no valid car";
                return false;
            }
            fromFile = cars[0];
            found = &fromFile;
            key = std::filesystem::absolute(name, ec).string();
        } else {
            for (const Candidate& c : shipped)
                if (c.file == key || Lower(CarName(c.car)) == key) {
                    found = &c.car;
                    key = c.file + "/" + Lower(CarName(c.car));
                    break;
                }
        }
        if (!found) {
            std::string known = "general";
            for (const Candidate& c : shipped) known += ", " + c.file;
            error = "no car \"" + name + "\" (known: " + known + ")";
            return false;
        }
        auto at = std::find(chosen.begin(), chosen.end(), key);
        if (at == chosen.end()) {
            chosen.push_back(key);
            carCatalogue.push_back(*found);
            at = chosen.end() - 1;
        }
        carIndex[i] = static_cast<int>(at - chosen.begin());
    }
    for (int i = 0; i < o.cars; ++i)
        std::fprintf(stderr, "dwrace: car %d is the %s\n", i + 1, CarName(carCatalogue[carIndex[i]]).c_str());
    return true;
}
