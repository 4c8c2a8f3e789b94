// Tests for game controllers read as keys: a made-up controller (SDL's virtual joystick) plugged
// in while the program runs, its buttons and stick seen as the keys they stand for in the real
// keyboard's snapshot, and not in a scripted one.
#include "platform/gamepad.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>

#include "platform/keyboard.h"
#include "support/virtual_gamepad.h"

namespace {

using Pad = testing_support::VirtualGamepad;
using platform::KeySnapshot;

// The keys a controller may hold: Escape, Enter, S, M, Space and the arrows.
constexpr int mapped_codes[] = {1, 28, 31, 50, 57, 200, 203, 205, 208};

// The mapped keys the real keyboard's snapshot holds down, as a string of their codes. The real
// keyboard is read afresh once a millisecond.
std::string keys_down()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    KeySnapshot keys{};
    platform::keyboard_snapshot(keys);
    std::string down;
    for (const int code : mapped_codes) {
        if ((keys[code] & 0x80) != 0) down += (down.empty() ? "" : " ") + std::to_string(code);
    }
    return down;
}

TEST(Gamepad, APluggedInControllerIsFoundAndItsGoingToo)
{
    keys_down();
    const int before = platform::gamepad_count();
    {
        Pad pad;
        ASSERT_TRUE(pad.plugged_in());
        pad.set(Pad::a, true);
        EXPECT_EQ(keys_down(), "28");
        EXPECT_EQ(platform::gamepad_count(), before + 1);
    }
    EXPECT_EQ(keys_down(), "");
    EXPECT_EQ(platform::gamepad_count(), before);
}

TEST(Gamepad, ButtonsAndTheDPadPressTheKeysTheyStandFor)
{
    Pad pad;
    const std::pair<Pad::Button, const char*> buttons[] = {
        {Pad::a, "28"},          {Pad::start, "28"},
        {Pad::x, "57"},          {Pad::b, "1"},
        {Pad::back, "31"},       {Pad::y, "50"},
        {Pad::dpad_up, "200"},   {Pad::dpad_down, "208"},
        {Pad::dpad_left, "203"}, {Pad::dpad_right, "205"},
        {Pad::guide, ""},
    };
    for (const auto& [button, keys] : buttons) {
        pad.set(button, true);
        EXPECT_EQ(keys_down(), keys) << "button " << button;
        pad.set(button, false);
        EXPECT_EQ(keys_down(), "") << "button " << button;
    }
    pad.set(Pad::a, true);
    pad.set(Pad::dpad_right, true);
    EXPECT_EQ(keys_down(), "28 205");
}

TEST(Gamepad, TheLeftStickCountsFromHalfWayOut)
{
    Pad pad;
    const std::pair<std::pair<int, int>, const char*> pushes[] = {
        {{16383, 0}, ""},      {{16384, 0}, "205"}, {{-16384, 0}, "203"},
        {{0, -32768}, "200"},  {{0, 32767}, "208"}, {{-20000, 20000}, "203 208"},
        {{-16000, 16000}, ""},
    };
    for (const auto& [at, keys] : pushes) {
        pad.set_left_stick(at.first, at.second);
        EXPECT_EQ(keys_down(), keys) << at.first << ", " << at.second;
    }
}

// A scripted run never sees a controller, but a replay's watcher ends it with B (Escape).
TEST(Gamepad, AScriptedKeyboardHidesTheControllerButNotFromTheRealKeyQuery)
{
    Pad pad;
    pad.set(Pad::b, true);
    KeySnapshot scripted{};
    platform::keyboard_override(&scripted);
    EXPECT_EQ(keys_down(), "");
    EXPECT_TRUE(platform::keyboard_real_key_down(1));
    platform::keyboard_override(nullptr);
}

}  // namespace
