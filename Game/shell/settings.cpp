// The player's settings in "options.set" (version 74, then the 103-byte
// Settings record) and the technical settings of "dw.ini".
#include "Game/shell/settings.h"
#include "Game/shell/ini.h"
#include "Game/shell/shell.h"
#include "Game/shell/video.h"
#include <cstdio>
#include <cstring>

Settings settings = {};
IniSettings iniSettings = {};

namespace {

// Larger than any options file; a bigger one is not read (and so kept).
constexpr size_t kMaxOptionsFile = 1u << 20;

// Set by LoadOptions when "options.set" exists but could not be read.
bool optionsFileKept = false;

void SetName(char (&dst)[kSettingNameLength + 1], const char* text) {
    memset(dst, 0, sizeof dst);
    strncpy(dst, text, kSettingNameLength);
}

// Each field is taken only when the stream still held it, so a short
// stream leaves the later fields as they were.
template <typename T>
void Take(ByteReader& r, T& field, T value) {
    if (!r.failed) field = value;
}

void ReadName(ByteReader& r, char (&dst)[kSettingNameLength + 1]) {
    char buffer[kSettingNameLength];
    if (ReadBytes(r, buffer, sizeof buffer)) {
        memcpy(dst, buffer, sizeof buffer);
        dst[kSettingNameLength] = 0;
    }
}

void WriteName(ByteWriter& w, const char (&name)[kSettingNameLength + 1]) {
    WriteBytes(w, name, kSettingNameLength);
}

void ReadIniInt(const IniFile& ini, const char* section, const char* key, int32_t& value) {
    int32_t v = 0, type = 0;
    if (IniGetInt(ini, section, key, v, type) && type == kIniInt) value = v;
}

}  // namespace

void DefaultSettings(Settings& s) {
    static const uint8_t defaultPoints[7] = {9, 6, 4, 2, 1, 0, 1};
    s.raceLength = 5;
    memcpy(s.points, defaultPoints, sizeof s.points);
    s.tyreWear = 30;
    s.fuelConsumption = 30;
    s.damage = 30;
    s.fuelMass = 50;
    s.lengthUnit = 0;
    s.startingOrder = 1;
    s.screenWidthSetting = 640;
    s.screenHeightSetting = 480;
    s.verticalSync = 0;
    s.shadows = 1;
    s.ghostCar = 1;
    s.goofyReverse = 0;
    s.windowed = 1;
    s.effects = 256;
    s.engineVolume = 80;
    s.skidVolume = 80;
    s.effectsVolume = 80;
    SetName(s.language, "English");
    SetName(s.soundSet, "Default");
    SetName(s.palette, "Default");
}

void ReadSettings(ByteReader& r, Settings& s) {
    Take(r, s.raceLength, ReadU16(r));
    for (uint8_t& p : s.points) Take(r, p, ReadU8(r));
    Take(r, s.tyreWear, ReadU8(r));
    Take(r, s.fuelConsumption, ReadU8(r));
    Take(r, s.damage, ReadU8(r));
    Take(r, s.fuelMass, ReadU8(r));
    Take(r, s.lengthUnit, ReadU8(r));
    Take(r, s.startingOrder, ReadU8(r));
    Take(r, s.screenWidthSetting, ReadU32(r));
    Take(r, s.screenHeightSetting, ReadU32(r));
    Take(r, s.verticalSync, ReadU8(r));
    Take(r, s.shadows, ReadU8(r));
    Take(r, s.ghostCar, ReadU8(r));
    Take(r, s.goofyReverse, ReadU8(r));
    Take(r, s.windowed, ReadU8(r));
    Take(r, s.effects, ReadU16(r));
    Take(r, s.engineVolume, ReadU8(r));
    Take(r, s.skidVolume, ReadU8(r));
    Take(r, s.effectsVolume, ReadU8(r));
    ReadName(r, s.language);
    ReaderSkip(r, 1);
    ReadName(r, s.soundSet);
    ReaderSkip(r, 1);
    ReadName(r, s.palette);
    ReaderSkip(r, 2);
}

void WriteSettings(ByteWriter& w, const Settings& s) {
    WriteU16(w, s.raceLength);
    WriteBytes(w, s.points, sizeof s.points);
    WriteU8(w, s.tyreWear);
    WriteU8(w, s.fuelConsumption);
    WriteU8(w, s.damage);
    WriteU8(w, s.fuelMass);
    WriteU8(w, s.lengthUnit);
    WriteU8(w, s.startingOrder);
    WriteU32(w, s.screenWidthSetting);
    WriteU32(w, s.screenHeightSetting);
    WriteU8(w, s.verticalSync);
    WriteU8(w, s.shadows);
    WriteU8(w, s.ghostCar);
    WriteU8(w, s.goofyReverse);
    WriteU8(w, s.windowed);
    WriteU16(w, s.effects);
    WriteU8(w, s.engineVolume);
    WriteU8(w, s.skidVolume);
    WriteU8(w, s.effectsVolume);
    WriteName(w, s.language);
    WriteU8(w, 0);
    WriteName(w, s.soundSet);
    WriteU8(w, 0);
    WriteName(w, s.palette);
    WriteU16(w, 0);
}

bool ParseOptions(const uint8_t* data, size_t size, Settings& s) {
    ByteReader r = MakeReader(data, size);
    if (ReadU32(r) != kOptionsVersion || r.failed) return false;
    ReadSettings(r, s);
    return true;
}

void LoadOptions() {
    // Defaults first: a file cut short keeps them for the fields it lacks,
    // rather than zero race lengths, volumes and sizes.
    DefaultSettings(settings);
    EnterBaseDirectory();
    std::vector<uint8_t> bytes;
    FileReadStatus status = ReadFileStatus("options.set", bytes, kMaxOptionsFile);
    // A file that is there but cannot be read may still hold the player's
    // choices: the defaults are used for this run, and the file is kept.
    optionsFileKept = status == kFileUnreadable;
    if (optionsFileKept)
        fprintf(stderr, "options.set cannot be read: default settings are used, and the file will not be replaced.\n");
    if (status == kFileRead) ParseOptions(bytes.data(), bytes.size(), settings);
    SetScreenSize(int32_t(settings.screenWidthSetting), int32_t(settings.screenHeightSetting));
}

bool SaveOptions() {
    if (optionsFileKept) return false;
    EnterBaseDirectory();
    ByteWriter w;
    WriteU32(w, kOptionsVersion);
    WriteSettings(w, settings);
    return WriteFileReplacing("options.set", w.bytes.data(), w.bytes.size());
}

void DefaultIniSettings(IniSettings& s) {
    s.frameStep = 5;
    s.replayLength = 10;
    s.fasterTrackPreview = 0;
    s.tyreAutoSort = 1;
    s.viewAngle = 32767;
    s.rotation = 32767;
    s.zoom = 0;
    s.alternativeSpeedSetting = 0;
    s.screenshotWidth = 320;
    s.screenshotHeight = 240;
}

void LoadIniSettings() {
    DefaultIniSettings(iniSettings);
    EnterBaseDirectory();
    IniFile ini;
    if (IniLoad(ini, "dw.ini")) {
        ReadIniInt(ini, "Replay", "FrameStep", iniSettings.frameStep);
        ReadIniInt(ini, "Replay", "Length", iniSettings.replayLength);
        ReadIniInt(ini, "Graphics", "FasterTrackPreview", iniSettings.fasterTrackPreview);
        ReadIniInt(ini, "Graphics", "TyreAutoSort", iniSettings.tyreAutoSort);
        ReadIniInt(ini, "Viewport", "ViewAngle", iniSettings.viewAngle);
        ReadIniInt(ini, "Viewport", "Rotation", iniSettings.rotation);
        ReadIniInt(ini, "Viewport", "Zoom", iniSettings.zoom);
        ReadIniInt(ini, "Misc", "AlternativeSpeedSetting", iniSettings.alternativeSpeedSetting);
        ReadIniInt(ini, "Misc", "ScreenshotWidth", iniSettings.screenshotWidth);
        ReadIniInt(ini, "Misc", "ScreenshotHeight", iniSettings.screenshotHeight);
    }
    if (iniSettings.screenshotWidth > 2560) iniSettings.screenshotWidth = 2560;
    if (iniSettings.screenshotHeight > 1920) iniSettings.screenshotHeight = 1920;
}
