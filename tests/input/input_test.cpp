// Tests for the input object: key codes given as numbers, key queries against a scripted
// keyboard, the pointer switch and the once-a-frame mouse sample.
#include "input/input.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/keyboard.h"
#include "platform/system.h"

namespace {

TEST(KeyCodeFromNumber, TruncatesToSixteenBitsAndKeepsTheLowByte)
{
    EXPECT_EQ(key_code_from_number(57), 57);
    EXPECT_EQ(key_code_from_number(256), 0);
    EXPECT_EQ(key_code_from_number(-1), 255);
    EXPECT_EQ(key_code_from_number(28.7), 28);
    EXPECT_EQ(key_code_from_number(-0.5), 0);
    EXPECT_EQ(key_code_from_number(65536 + 57), 57);
    EXPECT_EQ(key_code_from_number(-200), 56);
    EXPECT_EQ(key_code_from_number(32768 + 200), 200);
}

TEST(KeyCodeFromNumber, NumbersWithoutAnIntegerValueStayInRange)
{
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(key_code_from_number(std::numeric_limits<double>::quiet_NaN()), 0);
    for (double code : {1e12, -1e12, infinity, -infinity}) {
        const int k = key_code_from_number(code);
        EXPECT_TRUE(k >= 0 && k <= 255) << code;
    }
}

class InputObject : public testing::Test {
protected:
    void SetUp() override
    {
        input_create();
        ASSERT_EQ(input_init(0, false), 1);
        platform::keyboard_override(&scripted);
    }
    void TearDown() override
    {
        platform::keyboard_override(nullptr);
        input_release();
    }

    platform::KeySnapshot scripted{};
};

TEST_F(InputObject, StartsWithTheDocumentedDefaults)
{
    input_release();
    input_create();
    ASSERT_NE(rt_input, nullptr);
    EXPECT_EQ(rt_input->mouse_x, 100);
    EXPECT_EQ(rt_input->mouse_y, 100);
    EXPECT_FALSE(rt_input->pointer_visible);

    input_init(7, false);
    EXPECT_EQ(rt_input->window, 7u);
    EXPECT_TRUE(rt_input->pointer_visible);  // no mouse device: the system pointer stays
    EXPECT_GE(rt_input->joystick_count, 0);
    EXPECT_LE(rt_input->joystick_count, 10);
}

TEST_F(InputObject, KeyStateReadsOnlyTheKeysThatAreDown)
{
    scripted[57] = 0x80;
    EXPECT_EQ(key_state(57), 1);
    for (int code = 0; code < 256; ++code) {
        if (code == 57) continue;
        EXPECT_EQ(key_state(code), 0) << code;
    }
    EXPECT_EQ(rt_input->keys[57], 0x80);  // the snapshot is kept in the object
}

TEST_F(InputObject, KeyStateTakesAFreshSnapshotOnEveryCall)
{
    scripted[28] = 0x80;
    EXPECT_EQ(key_state(28.7), 1);
    scripted[28] = 0;
    EXPECT_EQ(key_state(28), 0);
}

TEST_F(InputObject, KeyStateWrapsCodesGivenAsNumbers)
{
    scripted[0] = 0x80;
    scripted[255] = 0x80;
    scripted[57] = 0x80;
    EXPECT_EQ(key_state(256), 1);
    EXPECT_EQ(key_state(-1), 1);
    EXPECT_EQ(key_state(65536 + 57), 1);
    EXPECT_EQ(key_state(58), 0);
}

TEST_F(InputObject, OnlyBitSevenMeansDown)
{
    scripted[30] = 0x7F;
    scripted[31] = 0xFF;
    EXPECT_EQ(key_state(30), 0);
    EXPECT_EQ(key_state(31), 1);
}

TEST_F(InputObject, PointerSwitchStoresTheRequestedState)
{
    ASSERT_TRUE(rt_input->pointer_visible);
    mouse_show_pointer(0);
    EXPECT_FALSE(rt_input->pointer_visible);
    mouse_show_pointer(0);  // the same request twice changes nothing
    EXPECT_FALSE(rt_input->pointer_visible);
    mouse_show_pointer(0.5);
    EXPECT_TRUE(rt_input->pointer_visible);
}

TEST_F(InputObject, TheMouseMovementIsSampledOncePerFrame)
{
    const platform::MouseState now = platform::mouse_state();
    rt_input->mouse_x = now.x + 30;
    rt_input->mouse_y = now.y - 20;

    MouseReading before_mark = mouse_get_state();
    EXPECT_EQ(before_mark.dx, 0);  // no frame has been marked yet
    EXPECT_EQ(before_mark.dy, 0);

    input_mark_new_frame();
    MouseReading first = mouse_get_state();
    EXPECT_EQ(first.dx, -30);
    EXPECT_EQ(first.dy, 20);
    EXPECT_EQ(first.wheel, 0);
    MouseReading again = mouse_get_state();  // same frame: same movement
    EXPECT_EQ(again.dx, -30);
    EXPECT_EQ(again.dy, 20);

    input_mark_new_frame();
    MouseReading next = mouse_get_state();  // measured from the last sample
    EXPECT_EQ(next.dx, 0);
    EXPECT_EQ(next.dy, 0);
    EXPECT_EQ(rt_input->mouse_x, now.x);
}

TEST(InputRelease, LeavesNoObjectAndQueriesStaySafe)
{
    input_create();
    input_init(0, true);
    EXPECT_FALSE(rt_input->pointer_visible);  // the program reads the mouse itself
    input_release();
    EXPECT_EQ(rt_input, nullptr);
    EXPECT_EQ(key_state(57), 0);
    mouse_show_pointer(1);
    EXPECT_EQ(mouse_get_state().dx, 0);
    input_release();
}

}  // namespace
