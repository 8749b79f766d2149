// Player settings ("options.set", also embedded in saved games) and the
// technical settings read from the hand-edited "dw.ini".
#pragma once
#include <cstdint>
#include "trackfile/byte_io.h"

constexpr uint32_t kOptionsVersion = 74;
constexpr int kSettingsSize = 103;              // record bytes after the 4-byte version
constexpr int kSettingNameLength = 22;          // language, sound set and palette names

struct Settings {
    uint16_t raceLength;                        // in lengthUnit
    uint8_t points[7];                          // 1st..6th place, then fastest lap
    uint8_t tyreWear;
    uint8_t fuelConsumption;
    uint8_t damage;
    uint8_t fuelMass;
    uint8_t lengthUnit;                         // 0 laps, 1 kilometers, 2 minutes (+2 laps)
    uint8_t startingOrder;                      // 0 random, 1 points, 2 points reversed
    uint32_t screenWidthSetting;
    uint32_t screenHeightSetting;
    uint8_t verticalSync;
    uint8_t shadows;
    uint8_t ghostCar;
    uint8_t goofyReverse;
    uint8_t windowed;                           // 1 window, 0 full screen
    uint16_t effects;                           // particle count
    uint8_t engineVolume;
    uint8_t skidVolume;
    uint8_t effectsVolume;
    char language[kSettingNameLength + 1];      // always zero-terminated
    char soundSet[kSettingNameLength + 1];
    char palette[kSettingNameLength + 1];
};
extern Settings settings;

// Values from dw.ini (defaults until read).
struct IniSettings {
    int32_t frameStep;                          // [Replay] FrameStep
    int32_t replayLength;                       // [Replay] Length
    int32_t fasterTrackPreview;                 // [Graphics] FasterTrackPreview
    int32_t tyreAutoSort;                       // [Graphics] TyreAutoSort
    int32_t viewAngle;                          // [Viewport] ViewAngle, 32767 = not set
    int32_t rotation;                           // [Viewport] Rotation, 32767 = not set
    int32_t zoom;                               // [Viewport] Zoom, used when > 0
    int32_t alternativeSpeedSetting;            // [Misc] AlternativeSpeedSetting
    int32_t screenshotWidth;                    // [Misc] ScreenshotWidth, at most 2560
    int32_t screenshotHeight;                   // [Misc] ScreenshotHeight, at most 1920
};
extern IniSettings iniSettings;

void DefaultSettings(Settings& s);              // every field at its default
void ReadSettings(ByteReader& r, Settings& s);  // the 103-byte record; fields past the end keep their value
void WriteSettings(ByteWriter& w, const Settings& s);  // the 103-byte record, terminators zero
// The bytes of an options file into s: false (s unchanged) unless the
// version is 74; fields past the end of the data keep their value.
bool ParseOptions(const uint8_t* data, size_t size, Settings& s);
void LoadOptions();                             // "options.set" into settings (defaults unless version 74)
// Writes "options.set"; false when it could not be written, or when
// LoadOptions found it present but unreadable (it is then never replaced).
bool SaveOptions();
void DefaultIniSettings(IniSettings& s);        // the dw.ini defaults
void LoadIniSettings();                         // defaults, then "dw.ini", then the screenshot bounds
