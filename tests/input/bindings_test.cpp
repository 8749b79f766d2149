// Key names, binding names, the stored binding record, reading a binding as
// 0..100 and the per-step keyboard snapshot, with scripted devices.
#include "Game/shell/input.h"
#include "Game/shell/shell.h"
#include "Game/shell/texts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint8_t fakeKeys[400];
int fakeKeyCount = 0;
int fakeAxis = 0, fakeButton = 0, fakeHat = 0;

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(fakeKeys, 0, sizeof fakeKeys);
        fakeKeyCount = kKeyStateSize;
        fakeAxis = fakeButton = fakeHat = 0;
        inputSource.keys = [](int* count) -> const uint8_t* {
            *count = fakeKeyCount;
            return fakeKeys;
        };
        inputSource.axis = [](int, int) { return fakeAxis; };
        inputSource.button = [](int, int) { return fakeButton; };
        inputSource.hat = [](int, int) { return fakeHat; };
        joysticks.assign(2, JoystickInfo{});
        AllocKeyState();
    }
    void TearDown() override
    {
        FreeKeyState();
        joysticks.clear();
        UseSdlInput();
    }
};

JoyBinding Bind(int joystick, uint8_t kind, int input = 0, uint8_t negative = 0, uint8_t hat = 0)
{
    JoyBinding b;
    b.joystick = joystick;
    b.kind = kind;
    b.input = input;
    b.negative = negative;
    b.hatPosition = hat;
    return b;
}

}  // namespace

TEST(KeyNames, EveryCodeHasItsName)
{
    EXPECT_EQ(KeyName('a'), "A");
    EXPECT_EQ(KeyName('z'), "Z");
    EXPECT_EQ(KeyName('A'), "A");
    EXPECT_EQ(KeyName('7'), "7");
    EXPECT_EQ(KeyName(10), "c10");
    EXPECT_EQ(KeyName(511), "c511");
    EXPECT_EQ(KeyName(37), "c37");
    EXPECT_EQ(KeyName(34), "\"");
    EXPECT_EQ(KeyName(92), "\\");
    EXPECT_EQ(KeyName(95), "undersc");
    EXPECT_EQ(KeyName(13), "enter");
    EXPECT_EQ(KeyName(12), "clear");
    EXPECT_EQ(KeyName(256), "KP 0");
    EXPECT_EQ(KeyName(265), "KP 9");
    EXPECT_EQ(KeyName(271), "KP enter");
    EXPECT_EQ(KeyName(272), "KP equals");
    EXPECT_EQ(KeyName(282), "F1");
    EXPECT_EQ(KeyName(296), "F15");
    EXPECT_EQ(KeyName(297), "c297");
    EXPECT_EQ(KeyName(301), "caps lock");
    EXPECT_EQ(KeyName(313), "Alt Gr");
    EXPECT_EQ(KeyName(322), "undo");
    EXPECT_EQ(KeyName(323), "c323");
    EXPECT_EQ(KeyName(-1), "");
    EXPECT_EQ(KeyName(512), "");
    for (int code = 0; code < kKeyNameCount; ++code) {
        std::string name = KeyName(code);
        EXPECT_FALSE(name.empty()) << code;
        EXPECT_LE(name.size(), 9u) << code;
    }
}

TEST(KeyNames, JoystickBindingNames)
{
    ResetTexts();
    EXPECT_EQ(JoyBindingName(Bind(0, kJoyAxis, 1, 1)), "Joy #0: Axis #1-");
    EXPECT_EQ(JoyBindingName(Bind(2, kJoyAxis, 0, 0)), "Joy #2: Axis #0+");
    EXPECT_EQ(JoyBindingName(Bind(1, kJoyButton, 11)), "Joy #1: Button #11");
    EXPECT_EQ(JoyBindingName(Bind(0, kJoyHat, 3, 0, 4)), "Joy #0: Hat #3");
    EXPECT_EQ(JoyBindingName(Bind(0, 7)), "unassigned");
}

TEST(JoyBindingRecord, StoredAsTwelveBytes)
{
    ByteWriter w;
    WriteJoyBinding(w, Bind(-1, kJoyHat, 0x01020304, 1, 8));
    ASSERT_EQ(w.bytes.size(), static_cast<size_t>(kJoyBindingBytes));
    const uint8_t expected[12] = {0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 8, 2, 1, 0};
    EXPECT_EQ(std::memcmp(w.bytes.data(), expected, 12), 0);
    ByteReader r = MakeReader(w.bytes);
    JoyBinding b = ReadJoyBinding(r);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(b.joystick, -1);
    EXPECT_EQ(b.input, 0x01020304);
    EXPECT_EQ(b.hatPosition, 8);
    EXPECT_EQ(b.kind, kJoyHat);
    EXPECT_EQ(b.negative, 1);
    ByteReader shortReader = MakeReader(w.bytes.data(), 11);
    ReadJoyBinding(shortReader);
    EXPECT_TRUE(shortReader.failed);
}

TEST_F(InputTest, KeySnapshotNeverHoldsLockKeysAndStaysInBounds)
{
    fakeKeys['x'] = 1;
    fakeKeys[SDLK_NUMLOCK] = fakeKeys[SDLK_CAPSLOCK] = fakeKeys[SDLK_SCROLLOCK] = 1;
    fakeKeys[SDLK_LSHIFT] = 1;
    fakeKeyCount = 400;  // more than the snapshot holds: only 323 are copied
    RefreshKeyState();
    EXPECT_EQ(keyState['x'], 1);
    EXPECT_EQ(keyState[SDLK_LSHIFT], 1);
    EXPECT_EQ(keyState[SDLK_NUMLOCK], 0);
    EXPECT_EQ(keyState[SDLK_CAPSLOCK], 0);
    EXPECT_EQ(keyState[SDLK_SCROLLOCK], 0);
    EXPECT_EQ(ControlValue(SDLK_CAPSLOCK, JoyBinding{}), 0);
    // A device reporting no keys leaves the snapshot as it was.
    fakeKeyCount = 0;
    fakeKeys['x'] = 0;
    RefreshKeyState();
    EXPECT_EQ(keyState['x'], 1);
    fakeKeyCount = 10;
    RefreshKeyState();
    EXPECT_EQ(keyState['x'], 1);
}

TEST_F(InputTest, KeysReadFullOrNothing)
{
    fakeKeys[SDLK_UP] = 1;
    RefreshKeyState();
    EXPECT_EQ(ControlValue(SDLK_UP, JoyBinding{}), 100);
    EXPECT_EQ(ControlValue(SDLK_DOWN, JoyBinding{}), 0);
    EXPECT_EQ(ControlValue(-1, JoyBinding{}), 0);
    EXPECT_EQ(ControlValue(400, JoyBinding{}), 0);  // beyond the snapshot
    // A held key wins over the joystick half of the binding.
    fakeAxis = 0;
    EXPECT_EQ(ControlValue(SDLK_UP, Bind(0, kJoyAxis)), 100);
}

TEST_F(InputTest, AxisReadsInProportionInTheBoundDirectionOnly)
{
    JoyBinding right = Bind(1, kJoyAxis, 0, 0), left = Bind(1, kJoyAxis, 0, 1);
    const int readings[] = {0, 3277, 16384, 32767, -16384, -32768};
    const int rightValues[] = {0, 10, 50, 100, 0, 0};
    const int leftValues[] = {0, 0, 0, 0, 50, 100};
    for (int i = 0; i < 6; ++i) {
        fakeAxis = readings[i];
        EXPECT_EQ(ControlValue(-1, right), rightValues[i]) << readings[i];
        EXPECT_EQ(ControlValue(-1, left), leftValues[i]) << readings[i];
    }
    // A joystick that is not in the list, or none, reads 0.
    fakeAxis = 32767;
    EXPECT_EQ(ControlValue(-1, Bind(2, kJoyAxis)), 0);
    EXPECT_EQ(ControlValue(-1, Bind(-1, kJoyAxis)), 0);
    EXPECT_EQ(ControlValue(-1, Bind(0, 9)), 0);
}

TEST_F(InputTest, ButtonsAndHats)
{
    fakeButton = 1;
    EXPECT_EQ(ControlValue(-1, Bind(0, kJoyButton, 4)), 100);
    fakeButton = 0;
    EXPECT_EQ(ControlValue(-1, Bind(0, kJoyButton, 4)), 0);

    JoyBinding up = Bind(0, kJoyHat, 0, 0, SDL_HAT_UP);
    fakeHat = SDL_HAT_UP;
    EXPECT_EQ(ControlValue(-1, up), 100);
    fakeHat = SDL_HAT_LEFTUP;  // a diagonal that includes the recorded direction counts
    EXPECT_EQ(ControlValue(-1, up), 100);
    fakeHat = SDL_HAT_LEFT;
    EXPECT_EQ(ControlValue(-1, up), 0);
    fakeHat = SDL_HAT_CENTERED;
    EXPECT_EQ(ControlValue(-1, up), 0);
    // A binding recorded on a diagonal needs both of its directions.
    JoyBinding upRight = Bind(0, kJoyHat, 0, 0, SDL_HAT_RIGHTUP);
    fakeHat = SDL_HAT_UP;
    EXPECT_EQ(ControlValue(-1, upRight), 0);
    fakeHat = SDL_HAT_RIGHTUP;
    EXPECT_EQ(ControlValue(-1, upRight), 100);
    EXPECT_EQ(ControlValue(-1, Bind(0, kJoyHat, 0, 0, 0)), 0);
}
