// Tests for the shared routines: key transitions through the scripted keyboard, the sound
// switch and the busy wait on the millisecond timer.
#include <gtest/gtest.h>

#include "app/frame.h"
#include "core/rt_array.h"
#include "game/effects_and_waits.h"
#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/keys.h"
#include "graphics/display.h"

namespace {

using KeyPoller = GameScreenTest;

TEST_F(KeyPoller, PressHoldReleaseAndRest)
{
    poll_keys();
    EXPECT_EQ(rt_array_bounds(game().gKeyDown, 0), 256);
    EXPECT_EQ(rt_array_bounds(game().gKeyState, 0), 256);
    EXPECT_EQ(key_transition(57), 0);

    keys[57] = 0x80;
    poll_keys();
    EXPECT_EQ(key_transition(57), 2);
    EXPECT_EQ(key_transition(56), 0);
    EXPECT_EQ(key_transition(57), 2);  // reading does not poll
    poll_keys();
    EXPECT_EQ(key_transition(57), 1);
    poll_keys();
    EXPECT_EQ(key_transition(57), 1);

    keys[57] = 0;
    keys[200] = 0x80;
    poll_keys();
    EXPECT_EQ(key_transition(57), -1);
    EXPECT_EQ(key_transition(200), 2);
    poll_keys();
    EXPECT_EQ(key_transition(57), 0);
    EXPECT_EQ(key_transition(200), 1);
    EXPECT_EQ(rt_num_array_at(game().gKeyDown, 200), 1);
    EXPECT_EQ(rt_num_array_at(game().gKeyDown, 57), 0);
}

TEST_F(KeyPoller, ToggleSoundWaitsAndFlips)
{
    GameState& g = game();
    g.music_on = 1;
    const double before = timer_ms();
    toggle_sound();
    EXPECT_GE(timer_ms() - before, 100);
    EXPECT_EQ(g.music_on, 0);
    toggle_sound();
    EXPECT_EQ(g.music_on, 1);
    g.music_on = 7;  // anything but 1 switches sound on
    toggle_sound();
    EXPECT_EQ(g.music_on, 1);
}

TEST_F(KeyPoller, WaitsReachTheirEndWithoutPresentingAFrame)
{
    const double deadline = rt_display->next_frame_time;
    const double before = timer_ms();
    wait_seconds(0.25);
    EXPECT_GE(timer_ms() - before, 250);
    EXPECT_LT(timer_ms() - before, 260);
    EXPECT_EQ(rt_display->next_frame_time, deadline);
}

}  // namespace
