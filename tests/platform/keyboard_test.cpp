// Tests for the keyboard layer: the scan-code table against SDL's scancodes (compared as USB
// usage numbers, which SDL scancodes are), its inverse, and scripted snapshots.
#include "platform/keyboard.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/clock.h"

namespace {

using platform::key_code_for_sdl_scancode;
using platform::KeySnapshot;
using platform::sdl_scancode_for;

// USB HID keyboard usages; SDL's scancodes use the same numbers.
namespace usb {
constexpr int y = 28, z = 29, one = 30, enter = 40, escape = 41, minus = 45, equals = 46;
constexpr int left_bracket = 47, right_bracket = 48, backslash = 49, non_us_hash = 50;
constexpr int semicolon = 51, apostrophe = 52, grave = 53, comma = 54, period = 55, slash = 56;
constexpr int space = 44, f1 = 58, f4 = 61, f10 = 67, f11 = 68, f12 = 69, print_screen = 70;
constexpr int pause = 72, insert = 73, home = 74, page_up = 75, delete_key = 76, end = 77;
constexpr int page_down = 78, right = 79, left = 80, down = 81, up = 82;
constexpr int keypad_divide = 84, keypad_enter = 88, non_us_backslash = 100, application = 101;
constexpr int left_ctrl = 224, left_shift = 225, left_alt = 226, left_gui = 227;
constexpr int right_ctrl = 228, right_alt = 230, right_gui = 231;
}  // namespace usb

TEST(KeyTable, KeysTheGameAndTheRuntimeRead)
{
    EXPECT_EQ(sdl_scancode_for(1), usb::escape);
    EXPECT_EQ(sdl_scancode_for(28), usb::enter);
    EXPECT_EQ(sdl_scancode_for(57), usb::space);
    EXPECT_EQ(sdl_scancode_for(56), usb::left_alt);
    EXPECT_EQ(sdl_scancode_for(62), usb::f4);
    EXPECT_EQ(sdl_scancode_for(200), usb::up);
    EXPECT_EQ(sdl_scancode_for(203), usb::left);
    EXPECT_EQ(sdl_scancode_for(205), usb::right);
    EXPECT_EQ(sdl_scancode_for(208), usb::down);
}

TEST(KeyTable, CodesArePhysicalPositionsNotLayoutLetters)
{
    // A German keyboard labels code 21 Z and code 44 Y; SDL names positions by the US layout.
    EXPECT_EQ(sdl_scancode_for(21), usb::y);
    EXPECT_EQ(sdl_scancode_for(44), usb::z);
    EXPECT_EQ(sdl_scancode_for(2), usb::one);
    EXPECT_EQ(sdl_scancode_for(12), usb::minus);
    EXPECT_EQ(sdl_scancode_for(13), usb::equals);
    EXPECT_EQ(sdl_scancode_for(26), usb::left_bracket);
    EXPECT_EQ(sdl_scancode_for(27), usb::right_bracket);
    EXPECT_EQ(sdl_scancode_for(39), usb::semicolon);
    EXPECT_EQ(sdl_scancode_for(40), usb::apostrophe);
    EXPECT_EQ(sdl_scancode_for(41), usb::grave);
    EXPECT_EQ(sdl_scancode_for(43), usb::backslash);
    EXPECT_EQ(sdl_scancode_for(51), usb::comma);
    EXPECT_EQ(sdl_scancode_for(52), usb::period);
    EXPECT_EQ(sdl_scancode_for(53), usb::slash);
    EXPECT_EQ(sdl_scancode_for(86), usb::non_us_backslash);
}

TEST(KeyTable, ModifiersFunctionKeysAndTheExtendedBlock)
{
    EXPECT_EQ(sdl_scancode_for(29), usb::left_ctrl);
    EXPECT_EQ(sdl_scancode_for(42), usb::left_shift);
    EXPECT_EQ(sdl_scancode_for(157), usb::right_ctrl);
    EXPECT_EQ(sdl_scancode_for(184), usb::right_alt);
    EXPECT_EQ(sdl_scancode_for(219), usb::left_gui);
    EXPECT_EQ(sdl_scancode_for(220), usb::right_gui);
    EXPECT_EQ(sdl_scancode_for(221), usb::application);
    EXPECT_EQ(sdl_scancode_for(59), usb::f1);
    EXPECT_EQ(sdl_scancode_for(68), usb::f10);
    EXPECT_EQ(sdl_scancode_for(87), usb::f11);
    EXPECT_EQ(sdl_scancode_for(88), usb::f12);
    EXPECT_EQ(sdl_scancode_for(156), usb::keypad_enter);
    EXPECT_EQ(sdl_scancode_for(181), usb::keypad_divide);
    EXPECT_EQ(sdl_scancode_for(183), usb::print_screen);
    EXPECT_EQ(sdl_scancode_for(197), usb::pause);
    EXPECT_EQ(sdl_scancode_for(199), usb::home);
    EXPECT_EQ(sdl_scancode_for(201), usb::page_up);
    EXPECT_EQ(sdl_scancode_for(207), usb::end);
    EXPECT_EQ(sdl_scancode_for(209), usb::page_down);
    EXPECT_EQ(sdl_scancode_for(210), usb::insert);
    EXPECT_EQ(sdl_scancode_for(211), usb::delete_key);
}

TEST(KeyTable, IsOneToOneAndCoversAFullKeyboard)
{
    std::set<int> seen;
    int mapped = 0;
    for (int code = 0; code < 256; ++code) {
        const int scancode = sdl_scancode_for(code);
        if (scancode == 0) continue;
        ++mapped;
        EXPECT_TRUE(seen.insert(scancode).second) << "code " << code << " shares its scancode";
        EXPECT_EQ(key_code_for_sdl_scancode(scancode), code) << "code " << code;
    }
    EXPECT_GE(mapped, 105);  // at least the keys of a 105-key ISO keyboard
}

TEST(KeyTable, CodesAndScancodesWithoutAKeyGiveZero)
{
    for (int code : {0, 84, 85, 89, 227, 255, -1, 256}) {
        EXPECT_EQ(sdl_scancode_for(code), 0) << code;
    }
    for (int scancode : {0, 1, 3, -1, 512, 100000}) {
        EXPECT_EQ(key_code_for_sdl_scancode(scancode), 0) << scancode;
    }
}

TEST(KeyTable, TheIsoHashKeyReadsAsTheBackslashPosition)
{
    EXPECT_EQ(key_code_for_sdl_scancode(usb::non_us_hash), 43);
}

class ScriptedKeyboard : public testing::Test {
protected:
    void TearDown() override
    {
        platform::keyboard_latch(false);
        platform::keyboard_override(nullptr);
        platform::clock_use_real();
    }
};

TEST_F(ScriptedKeyboard, SnapshotsCopyTheScriptedStateAsItIsNow)
{
    KeySnapshot scripted{};
    scripted[57] = 0x80;
    platform::keyboard_override(&scripted);

    KeySnapshot out;
    out.fill(0x55);
    platform::keyboard_snapshot(out);
    EXPECT_EQ(out, scripted);

    scripted[57] = 0;
    scripted[200] = 0x80;
    platform::keyboard_snapshot(out);
    EXPECT_EQ(out[57], 0);
    EXPECT_EQ(out[200], 0x80);
}

TEST_F(ScriptedKeyboard, EverySnapshotMovesVirtualTimeOnByOneMicrosecond)
{
    KeySnapshot scripted{};
    platform::keyboard_override(&scripted);
    platform::clock_use_virtual();
    KeySnapshot out;
    for (int i = 0; i < 256; ++i) platform::keyboard_snapshot(out);
    EXPECT_DOUBLE_EQ(platform::clock_virtual_ms(), 0.256);
}

// A recording latches the keyboard: the program sees a change only once it is let through.
TEST_F(ScriptedKeyboard, ALatchedKeyboardChangesOnlyWhenRefreshed)
{
    KeySnapshot scripted{};
    scripted[28] = 0x80;
    platform::keyboard_override(&scripted);
    platform::keyboard_latch(true);
    KeySnapshot out;
    platform::keyboard_snapshot(out);
    EXPECT_EQ(out, KeySnapshot{});  // the latch starts with every key up

    platform::keyboard_latch_refresh();
    scripted[28] = 0;
    scripted[57] = 0x80;
    platform::keyboard_snapshot(out);
    EXPECT_EQ(out[28], 0x80);
    EXPECT_EQ(out[57], 0);

    platform::keyboard_latch(false);
    platform::keyboard_snapshot(out);
    EXPECT_EQ(out, scripted);
}

TEST_F(ScriptedKeyboard, WithoutOverrideTheRealKeyboardIsRead)
{
    KeySnapshot scripted{};
    scripted.fill(0x80);
    platform::keyboard_override(&scripted);
    platform::keyboard_override(nullptr);
    // Nobody presses keys on the headless test machine.
    KeySnapshot out;
    out.fill(0x80);
    platform::keyboard_snapshot(out);
    EXPECT_EQ(out, KeySnapshot{});
}

}  // namespace
