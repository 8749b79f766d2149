// The command line of dwrace.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tools/dwrace/dwrace.h"

namespace {

bool ParseInt(const char* text, long lo, long hi, long& value)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    value = v;
    return true;
}

}  // namespace

bool ParseRunnerOptions(int argc, char** argv, RunnerOptions& o, std::string& error)
{
    std::vector<int> skills;
    for (int k = 1; k < argc; ++k) {
        std::string arg = argv[k];
        const char* next = k + 1 < argc ? argv[k + 1] : nullptr;
        long v = 0;
        auto number = [&](long lo, long hi) {
            if (!ParseInt(next, lo, hi, v)) {
                error = arg + " wants a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
                return false;
            }
            ++k;
            return true;
        };
        if (arg == "--cars") {
            if (!number(1, 6)) return false;
            o.cars = static_cast<int>(v);
        } else if (arg == "--laps" || arg == "--km" || arg == "--minutes") {
            if (!number(1, 1000)) return false;
            o.laps = static_cast<int>(v);
            o.lengthUnit = arg == "--laps" ? 0 : arg == "--km" ? 1 : 2;
        } else if (arg == "--seed") {
            if (!number(0, UINT_MAX)) return false;
            o.seed = static_cast<unsigned>(v);
        } else if (arg == "--tyres" || arg == "--fuel" || arg == "--damage") {
            if (!number(0, 255)) return false;
            (arg == "--tyres" ? o.tyres : arg == "--fuel" ? o.fuel : o.damage) = static_cast<int>(v);
        } else if (arg == "--cap") {
            if (!number(1, 1000000)) return false;
            o.capSeconds = static_cast<double>(v);
        } else if (arg == "--skill") {
            if (!next) {
                error = "--skill wants P or P1,P2,...";
                return false;
            }
            skills.clear();
            std::string list = next;
            size_t at = 0;
            while (true) {
                size_t comma = list.find(',', at);
                std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
                if (!ParseInt(item.c_str(), 1, 1000, v)) {
                    error = "--skill wants percentages from 1 to 1000, got \"" + list + "\"";
                    return false;
                }
                skills.push_back(static_cast<int>(v));
                if (comma == std::string::npos) break;
                at = comma + 1;
            }
            ++k;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--write-records") {
            o.writeRecords = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            std::error_code ec;
            std::filesystem::path p = std::filesystem::absolute(arg, ec);
            o.tracks.push_back(ec ? arg : p.string());
        }
    }
    if (o.tracks.empty()) {
        error = "no track given";
        return false;
    }
    if (skills.empty()) skills.push_back(100);
    if (skills.size() != 1 && static_cast<int>(skills.size()) != o.cars) {
        error = "--skill gives " + std::to_string(skills.size()) + " values for " + std::to_string(o.cars) + " cars";
        return false;
    }
    o.skills.assign(o.cars, skills[0]);
    if (skills.size() > 1) o.skills = skills;
    return true;
}
