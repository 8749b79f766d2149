// Drivers: the 144-byte ".drv" file (version 92) in "drivers", named after
// the driver; the list of every driver that loads; the six player slots
// with their palette blocks (entries 192 + 8s .. 199 + 8s).
#include "Game/frontend/frontend.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "Game/race/cars.h"
#include "Game/shell/folders.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"

std::vector<NamedDriver> driverList;
PlayerSlot playerSlots[kPlayerSlots];

namespace {

constexpr const char* kDriversFolder = "drivers";
constexpr int kLastKeyCode = 511;

// Statistics no run of the game can produce: more places than races or
// seasons, more fastest laps than races.
bool CountsConsistent(const DriverRecord& d) {
    uint64_t seasons = 0, races = 0;
    for (int i = 0; i < 6; ++i) {
        seasons += d.seasonPlaces[i];
        races += d.racePlaces[i];
    }
    return seasons <= d.seasons && races <= d.races && d.fastestLaps <= d.races;
}

bool BindingValid(const JoyBinding& b) {
    return b.joystick >= -1 && b.input >= 0 && b.kind <= kJoyHat && b.negative <= 1 && b.hatPosition <= 15;
}

bool ControlsValid(const DriverRecord& d) {
    if (IsComputerDriver(d)) return d.controls[1] >= 0 && d.controls[1] <= kMaxAiSkill;
    for (int k = 0; k < 4; ++k) {
        if (d.controls[k] < -1 || d.controls[k] > kLastKeyCode) return false;
        if (!BindingValid(d.bindings[k])) return false;
    }
    return true;
}

}  // namespace

bool IsComputerDriver(const DriverRecord& d) { return d.controls[0] == 0; }

DriverRecord NewDriver(bool computer) {
    DriverRecord d;
    d.colour1 = 0xFFFFFF;
    d.colour2 = 0xFF0000;
    if (computer) {
        d.controls[0] = 0;
        d.controls[1] = 100;
        d.controls[2] = 0;
        d.controls[3] = 0;
    } else {
        d.controls[0] = SDLK_UP;                // accelerate
        d.controls[1] = SDLK_DOWN;              // brake
        d.controls[2] = SDLK_LEFT;              // steer left
        d.controls[3] = SDLK_RIGHT;             // steer right
    }
    return d;
}

void ResetDriverStatistics(DriverRecord& d) {
    d.seasons = 0;
    std::fill(std::begin(d.seasonPlaces), std::end(d.seasonPlaces), 0u);
    d.totalPoints = 0;
    d.races = 0;
    std::fill(std::begin(d.racePlaces), std::end(d.racePlaces), 0u);
    d.fastestLaps = 0;
}

void CopyDriverStatistics(const DriverRecord& from, DriverRecord& to) {
    to.seasons = from.seasons;
    std::copy(std::begin(from.seasonPlaces), std::end(from.seasonPlaces), to.seasonPlaces);
    to.totalPoints = from.totalPoints;
    to.races = from.races;
    std::copy(std::begin(from.racePlaces), std::end(from.racePlaces), to.racePlaces);
    to.fastestLaps = from.fastestLaps;
}

std::vector<uint8_t> WriteDriverFile(const DriverRecord& d) {
    ByteWriter w;
    WriteU32(w, kDriverVersion);
    WriteU32(w, d.seasons);
    for (uint32_t v : d.seasonPlaces) WriteU32(w, v);
    WriteU32(w, d.totalPoints);
    WriteU32(w, d.races);
    for (uint32_t v : d.racePlaces) WriteU32(w, v);
    WriteU32(w, d.fastestLaps);
    WriteU32(w, d.car);
    WriteU32(w, d.colour1);
    WriteU32(w, d.colour2);
    for (int32_t v : d.controls) WriteI32(w, v);
    for (const JoyBinding& b : d.bindings) WriteJoyBinding(w, b);
    return w.bytes;
}

namespace {

// The record of a 144-byte version-92 file as it stands; false when the
// size or version is another.
bool ReadDriverFields(const std::vector<uint8_t>& file, DriverRecord& d) {
    if (file.size() != size_t(kDriverFileBytes)) return false;
    ByteReader r = MakeReader(file);
    if (ReadU32(r) != kDriverVersion) return false;
    d.seasons = ReadU32(r);
    for (uint32_t& v : d.seasonPlaces) v = ReadU32(r);
    d.totalPoints = ReadU32(r);
    d.races = ReadU32(r);
    for (uint32_t& v : d.racePlaces) v = ReadU32(r);
    d.fastestLaps = ReadU32(r);
    d.car = ReadU32(r);
    d.colour1 = ReadU32(r) & 0xFFFFFF;
    d.colour2 = ReadU32(r) & 0xFFFFFF;
    for (int32_t& v : d.controls) v = ReadI32(r);
    for (JoyBinding& b : d.bindings) b = ReadJoyBinding(r);
    return !r.failed;
}

// A driver's file with values no run of the game writes is still the
// driver's: the values are brought inside their ranges (a skill clamped, an
// odd key or binding unset, counts raised to their places) rather than the
// driver hidden, whose file "Create" might then replace.
void ClampDriver(DriverRecord& d) {
    if (IsComputerDriver(d)) {
        d.controls[1] = std::clamp(d.controls[1], 0, kMaxAiSkill);
    } else {
        for (int k = 0; k < 4; ++k) {
            if (d.controls[k] < -1 || d.controls[k] > kLastKeyCode) d.controls[k] = -1;
            if (!BindingValid(d.bindings[k])) d.bindings[k] = JoyBinding{};
        }
    }
    uint64_t seasons = 0, races = 0;
    for (int i = 0; i < 6; ++i) {
        seasons += d.seasonPlaces[i];
        races += d.racePlaces[i];
    }
    // Sums past the counter's range: the places themselves are cut to fit.
    if (seasons > UINT32_MAX || races > UINT32_MAX) {
        for (uint32_t& v : d.seasonPlaces) v = std::min<uint32_t>(v, UINT32_MAX / 6);
        for (uint32_t& v : d.racePlaces) v = std::min<uint32_t>(v, UINT32_MAX / 6);
        seasons = races = 0;
        for (int i = 0; i < 6; ++i) {
            seasons += d.seasonPlaces[i];
            races += d.racePlaces[i];
        }
    }
    d.seasons = std::max<uint32_t>(d.seasons, uint32_t(seasons));
    d.races = std::max<uint32_t>(d.races, uint32_t(races));
    d.fastestLaps = std::min(d.fastestLaps, d.races);
}

}  // namespace

bool ReadDriverFile(const std::vector<uint8_t>& file, DriverRecord& out) {
    DriverRecord d;
    if (!ReadDriverFields(file, d) || !CountsConsistent(d) || !ControlsValid(d)) return false;
    out = d;
    return true;
}

bool DriverNameValid(const std::string& name) {
    if (name.empty() || int(name.size()) > kDriverNameLength) return false;
    if (name.find_first_not_of(' ') == std::string::npos) return false;
    if (name[0] == '.' || name.find("..") != std::string::npos) return false;
    for (char c : name) {
        if (c < 32 || c > 126 || c == '/' || c == '\\') return false;
    }
    return true;
}

std::string DriverPath(const std::string& name) { return std::string(kDriversFolder) + "/" + name + ".drv"; }

int LoadDriver(const std::string& name, DriverRecord& d) {
    if (!DriverNameValid(name)) return -1;
    EnterBaseDirectory();
    std::vector<uint8_t> file;
    DriverRecord loaded;
    if (!ReadWholeFile(DriverPath(name).c_str(), file, kDriverFileBytes + 1) || !ReadDriverFields(file, loaded))
        return -1;
    ClampDriver(loaded);
    if (loaded.car >= carCatalogue.size()) loaded.car = 0;
    d = loaded;
    return 0;
}

bool SaveDriver(const DriverRecord& d, const std::string& name) {
    if (!DriverNameValid(name)) return false;
    EnterBaseDirectory();
    mkdir(kDriversFolder, 0777);  // an existing folder is fine
    std::vector<uint8_t> bytes = WriteDriverFile(d);
    return WriteFileReplacing(DriverPath(name).c_str(), bytes.data(), bytes.size());
}

bool DeleteDriver(const std::string& name) {
    if (!DriverNameValid(name)) return false;
    EnterBaseDirectory();
    return std::remove(DriverPath(name).c_str()) == 0;
}

int LoadDriverList() {
    EnterBaseDirectory();
    std::vector<std::string> names;
    ListDirectory(kDriversFolder, "drv", names, kListFiles, kDriverNameLength);
    // Names are one driver whatever their letters' case: of "alex" and
    // "Alex" only the byte-wise smaller is listed, so no driver is seated twice.
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return NameLess(a, b) || (!NamesDiffer(a, b) && a < b);
    });
    driverList.clear();
    for (const std::string& name : names) {
        if (!driverList.empty() && !NamesDiffer(driverList.back().name, name)) continue;
        NamedDriver d;
        d.name = name;
        if (LoadDriver(name, d.record) == 0) driverList.push_back(std::move(d));
    }
    return int(driverList.size());
}

int FindDriver(const std::string& name) {
    for (size_t i = 0; i < driverList.size(); ++i) {
        if (!NamesDiffer(driverList[i].name, name)) return int(i);
    }
    return -1;
}

void SlotShades(uint32_t colour1, uint32_t colour2, uint32_t shades[8]) {
    const uint32_t colours[2] = {colour1, colour2};
    for (int c = 0; c < 2; ++c) {
        uint32_t r = (colours[c] >> 16) & 255, g = (colours[c] >> 8) & 255, b = colours[c] & 255;
        auto pack = [](uint32_t rr, uint32_t gg, uint32_t bb) {
            return (std::min(rr, 255u) << 16) | (std::min(gg, 255u) << 8) | std::min(bb, 255u);
        };
        uint32_t* out = shades + 4 * c;
        out[0] = pack(r * 3 / 4, g * 3 / 4, b * 3 / 4);
        out[1] = pack(r, g, b);
        out[2] = pack(r * 3 / 4 + 64, g * 3 / 4 + 64, b * 3 / 4 + 64);
        out[3] = pack(uint32_t(std::floor(r * 0.5)), uint32_t(std::floor(g * 0.5 + 64)),
                      uint32_t(std::floor(b * 0.5 + 128)));
    }
}

void ApplySlotColours(int slot) {
    if (slot < 0 || slot >= kPlayerSlots) return;
    uint32_t packed[256];
    CurrentPalette(packed);
    uint32_t shades[8] = {};
    if (playerSlots[slot].used) SlotShades(playerSlots[slot].record.colour1, playerSlots[slot].record.colour2, shades);
    std::copy(shades, shades + 8, packed + kCarColoursFirst + 8 * slot);
    ApplyPalette(packed);
}

void PlaceDriverInSlot(int slot, const NamedDriver* driver) {
    if (slot < 0 || slot >= kPlayerSlots) return;
    PlayerSlot& s = playerSlots[slot];
    s.used = driver != nullptr;
    s.name = driver ? driver->name : std::string();
    s.record = driver ? driver->record : DriverRecord{};
    if (s.used) ApplySlotColours(slot);
}

void FreeDrivers() {
    driverList.clear();
    driverList.shrink_to_fit();
    for (PlayerSlot& s : playerSlots) s = PlayerSlot{};
}
