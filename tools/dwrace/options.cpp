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
        } else if (arg == "--car") {
            if (!next || !*next) {
                error = "--car wants NAME or NAME1,NAME2,...";
                return false;
            }
            o.carNames.clear();
            std::string list = next;
            for (size_t at = 0;;) {
                size_t comma = list.find(',', at);
                o.carNames.push_back(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
                if (o.carNames.back().empty()) {
                    error = "--car has an empty name in \"" + list + "\"";
                    return false;
                }
                if (comma == std::string::npos) break;
                at = comma + 1;
            }
            ++k;
        } else if (arg == "--shots") {
            if (!next || !*next) {
                error = "--shots wants a folder";
                return false;
            }
            std::error_code ec;
            std::filesystem::path p = std::filesystem::absolute(next, ec);
            o.shotsDir = ec ? next : p.string();
            ++k;
        } else if (arg == "--every") {
            char* end = nullptr;
            double s = next ? std::strtod(next, &end) : 0;
            if (!next || end == next || *end != '\0' || !(s >= 0.01 && s <= 100000)) {
                error = "--every wants seconds from 0.01 to 100000";
                return false;
            }
            o.shotEvery = s;
            ++k;
        } else if (arg == "--size") {
            long w = 0, h = 0;
            const char* x = next ? std::strchr(next, 'x') : nullptr;
            if (!x || !ParseInt(std::string(next, x).c_str(), 160, 4096, w) || !ParseInt(x + 1, 120, 4096, h)) {
                error = "--size wants WIDTHxHEIGHT, 160x120 to 4096x4096";
                return false;
            }
            o.shotWidth = static_cast<int>(w);
            o.shotHeight = static_cast<int>(h);
            ++k;
        } else if (arg == "--trace") {
            if (!next || !*next) {
                error = "--trace wants a file";
                return false;
            }
            o.traceFile = next;
            ++k;
        } else if (arg == "--grid") {
            if (!next || (std::strcmp(next, "random") && std::strcmp(next, "points") && std::strcmp(next, "reversed") &&
                          std::strcmp(next, "skill"))) {
                error = "--grid wants random, points, reversed or skill";
                return false;
            }
            o.grid = next;
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
    if (o.carNames.size() > 1 && static_cast<int>(o.carNames.size()) != o.cars) {
        error = "--car gives " + std::to_string(o.carNames.size()) + " cars for " + std::to_string(o.cars) + " cars";
        return false;
    }
    if (!o.shotsDir.empty() && o.shotEvery <= 0) {
        error = "--shots wants --every SECONDS";
        return false;
    }
    if (o.shotsDir.empty() && o.shotEvery > 0) {
        error = "--every wants --shots DIR";
        return false;
    }
    o.skills.assign(o.cars, skills[0]);
    if (skills.size() > 1) o.skills = skills;
    return true;
}
