// The editor's fixed texts and colours, shared by the core and the window layer.
#include "Courseforge/editor.h"

const char* const kCaptionTrackEditor = "Dustwhirl Track Editor";
const char* const kCaptionCourseforge = "Courseforge";
const char* const kTitlePrefix = "Dustwhirl Track Editor - ";
const char* const kMsgInitFailed = "Initialization failed!";
const char* const kMsgCantOpenFile = "Can't open file!";
const char* const kMsgNewerVersion =
    "Track was saved with newer version of the track editor. This version does not know how to handle this track.";
const char* const kMsgCantCreateTrack = "Can't create file.";
const char* const kMsgCantCreateBitmap = "Can't create file!";
const char* const kMsgNotLandBitmap = "This is not a 512x512 16-color bitmap.";
const char* const kMsgNotHeightBitmap = "This is not a 64x64 256-color bitmap.";
const char* const kMsgNoGhostLap = "Can't find ghost lap.";
const char* const kMsgTwoLimiters = "You can't have more than two speed limiters.";
const char* const kMsgReworkAiLines =
    "You should rework AI driving lines after changing world size.\n"
    "The track will work even if you don't but it's highly recommended,\n"
    "especially if you have changed the world size significantly.";

const char* const kTrackFilter[2][2] = {{"Dustwhirl Track Files (*.trk)", "*.TRK"}, {"All Files", "*.*"}};
const char* const kBitmapFilter[2][2] = {{"Bitmaps (*.bmp)", "*.BMP"}, {"All Files", "*.*"}};
const char* const kGameFilter[2][2] = {{"Dustwhirl Executable (Dustwhirl)", "Dustwhirl"}, {"All Files", "*"}};

const uint8_t kLandColours[16][3] = {
    {160, 160, 160}, {180, 180, 180}, {144, 220, 96},  {190, 200, 128}, {150, 140, 100}, {190, 180, 160},
    {240, 220, 210}, {246, 251, 254}, {220, 231, 240}, {255, 255, 255}, {255, 255, 0},   {255, 0, 0},
    {63, 63, 63},    {0, 0, 0},       {0, 0, 0},       {0, 0, 0},
};
