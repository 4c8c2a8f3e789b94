// Frame presentation on the virtual clock (the deadline grid, late frames, the frame limit,
// the millisecond timer and the end-program keys) and the waits on the real clock (sleeping or
// polling). One offscreen display serves every test.
#include "app/frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/error_stop.h"
#include "graphics/display.h"
#include "input/input.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "support/offscreen_display.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::TempDir;

constexpr double period_60 = 1000.0 / 60;

class Frames : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (rt_display != nullptr) return;
        using testing_support::DisplayClock;
        ASSERT_TRUE(testing_support::shared_display(DisplayClock::virtual_time).created());
        input_create();
    }

    void SetUp() override
    {
        keys.fill(0);
        platform::keyboard_override(&keys);
        timer_set_frame_limit(60);
        rt_allow_escape(1);
    }

    // Starts a fresh grid at the current time, as display creation does.
    double start_grid()
    {
        rt_display->next_frame_time = platform::clock_virtual_ms();
        rt_present();  // the first deadline has passed already: shown at once
        return rt_display->next_frame_time;
    }

    static double now() { return platform::clock_virtual_ms(); }

    platform::KeySnapshot keys{};
};

TEST_F(Frames, FramesFollowTheGridOfTheFramePeriod)
{
    const double first = start_grid();
    for (int k = 0; k < 10; ++k) {
        rt_present();
        // Each present ends just past its deadline; the next deadline is one period on.
        EXPECT_GT(now(), first + k * period_60);
        EXPECT_LT(now(), first + k * period_60 + 0.01);
        EXPECT_NEAR(rt_display->next_frame_time, first + (k + 1) * period_60, 1e-9);
    }
}

TEST_F(Frames, PresentReturnsTheWaitPlusOne)
{
    start_grid();
    rt_present();
    platform::clock_advance_us(5000);  // 5 ms of drawing
    const double waited = rt_present();
    EXPECT_NEAR(waited, period_60 - 5 + 1, 0.01);

    // A frame already past its deadline does not wait: the result is about 1, never less.
    platform::clock_advance_us(20000);
    const double late = rt_present();
    EXPECT_GE(late, 1.0);
    EXPECT_LT(late, 1.01);
}

TEST_F(Frames, LateFrameIsShownAtOnceAndTheGridResumesWithoutABurst)
{
    const double grid = start_grid();
    rt_present();  // now just past grid
    const double started = now();
    platform::clock_advance_us(40000);  // a 40 ms frame misses two deadlines
    const double late = rt_present();
    EXPECT_LT(late, 1.01);  // shown at once
    EXPECT_LT(now() - started, 40.01);

    // The next deadline is the first grid point after that moment, not one per missed frame.
    const double expected = grid + 3 * period_60;
    ASSERT_GT(expected, now());
    ASSERT_LT(expected - period_60, now());
    EXPECT_NEAR(rt_display->next_frame_time, expected, 1e-9);

    const double waited = rt_present();  // waits for that grid point
    EXPECT_NEAR(waited, expected - (started + 40) + 1, 0.01);
    EXPECT_GT(now(), expected);
}

TEST_F(Frames, FrameLimitTruncatesAndFallsBackToTwoMilliseconds)
{
    timer_set_frame_limit(30.9);
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 1000.0 / 30);
    timer_set_frame_limit(0);
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 2.0);
    timer_set_frame_limit(-3);
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 2.0);
    timer_set_frame_limit(0.99);
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 2.0);
    timer_set_frame_limit(std::nan(""));
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 2.0);
    timer_set_frame_limit(60);
    EXPECT_DOUBLE_EQ(rt_display->frame_time, period_60);
}

TEST_F(Frames, HugeLimitsAndLongStallsDoNotStallThePresent)
{
    timer_set_frame_limit(1e15);  // truncated to the largest integer: a tiny but usable period
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 1000.0 / 2147483647);
    start_grid();
    platform::clock_advance_us(10'000'000);  // ten seconds of drawing: billions of periods
    rt_present();
    EXPECT_GE(rt_display->next_frame_time, now() - 0.01);
    EXPECT_LE(rt_display->next_frame_time, now() + 0.01);

    // A long stall at an ordinary limit lands on the same grid as period-by-period stepping.
    timer_set_frame_limit(60);
    const double first = start_grid();
    platform::clock_advance_us(100'000'000);
    rt_present();
    const double periods = (rt_display->next_frame_time - first) / period_60;
    EXPECT_NEAR(periods, std::round(periods), 1e-6);
    EXPECT_GT(rt_display->next_frame_time, now() - 0.01);
    EXPECT_LT(rt_display->next_frame_time, now() + period_60);
}

TEST_F(Frames, NewLimitAppliesFromTheNextDeadline)
{
    const double first = start_grid();
    timer_set_frame_limit(30);
    rt_present();  // still waits for the deadline set under the old limit
    EXPECT_GT(now(), first);
    EXPECT_LT(now(), first + 0.01);
    EXPECT_NEAR(rt_display->next_frame_time, first + 1000.0 / 30, 1e-9);
}

TEST_F(Frames, TimerCountsMillisecondsFromTheReset)
{
    rt_reset_frame_timers();
    EXPECT_LT(timer_ms(), 0.01);
    platform::clock_advance_us(1000000);
    EXPECT_NEAR(timer_ms(), 1000, 0.01);
    EXPECT_EQ(rt_pump_messages(), 1);
}

// The waits on the real clock. Whether a machine wakes its sleepers on time is not for a test to
// say, so these look at what the waits do: sleep or not, learn within bounds, never end early.
class RealClockFrames : public Frames {
protected:
    void SetUp() override
    {
        Frames::SetUp();
        platform::clock_use_real();
        double hz = 0;
        ASSERT_TRUE(platform::counter_frequency(hz));
        rt_display->counter_frequency = hz;
        timer_set_frame_limit(30);
        rt_display->next_frame_time = display_time_ms();
    }

    void TearDown() override
    {
        rt_set_busy_waits(false);
        rt_start_virtual_clock();
    }

    // Presents frames on the real clock; each must end after the deadline it waited for.
    static void present_frames(int n)
    {
        for (int k = 0; k < n; ++k) {
            const double deadline = rt_display->next_frame_time;
            rt_present();
            EXPECT_GT(display_time_ms(), deadline) << "frame " << k;
        }
    }
};

TEST_F(RealClockFrames, TheFrameWaitSleepsAndLearnsWithinItsBounds)
{
    const FrameWaitReport before = rt_frame_wait_report();
    present_frames(10);
    const FrameWaitReport after = rt_frame_wait_report();
    EXPECT_GT(after.slept_ms, before.slept_ms);
    EXPECT_GT(after.waited_ms - before.waited_ms, after.slept_ms - before.slept_ms);
    EXPECT_GE(after.spin_margin_ms, 0.1);
    EXPECT_LE(after.spin_margin_ms, 2);
    EXPECT_GE(after.queue_lead_ms, 1);
    EXPECT_LE(after.queue_lead_ms, 4);

    // The game's pauses sleep too, and end no earlier than asked.
    rt_reset_frame_timers();
    timer_wait_until(20);
    EXPECT_GE(timer_ms(), 20);
}

TEST_F(RealClockFrames, BusyWaitsPollTheClockAllTheWay)
{
    rt_set_busy_waits(true);
    const FrameWaitReport before = rt_frame_wait_report();
    present_frames(3);
    const FrameWaitReport after = rt_frame_wait_report();
    EXPECT_EQ(after.slept_ms, before.slept_ms);
    EXPECT_GT(after.cpu_ms, before.cpu_ms);
    EXPECT_EQ(after.spin_margin_ms, before.spin_margin_ms);
    EXPECT_EQ(after.queue_lead_ms, before.queue_lead_ms);
}

// Aborts the test program if the error stop is reached while a test says it must not be.
bool must_not_stop = false;
void abort_if_stopping()
{
    if (must_not_stop) std::abort();
}

TEST_F(Frames, ShowFrameWithEscapeHeldReturnsWhileEscapeIsOff)
{
    static const bool registered =
        (rt_on_shutdown(rt_shutdown_stage::display, abort_if_stopping), true);
    (void)registered;
    must_not_stop = true;
    rt_allow_escape(0);
    keys[1] = 0x80;
    rt_show_frame();
    keys[56] = 0x80;  // Alt alone ends nothing
    rt_show_frame();
    keys[56] = 0;
    keys[62] = 0x80;  // F4 alone neither
    rt_show_frame();
    must_not_stop = false;
}

class FramesEnding : public Frames {
protected:
    std::string report() const { return read_file(tmp.file("ErrorLog.txt")); }
    TempDir tmp;
    testing_support::ScopedEnv tmpdir{"TMPDIR", tmp.path()};
};

// The end keys are seen before anything is drawn, so the child never touches GL.
TEST_F(FramesEnding, EscapeEndsTheProgramWhileTheFlagIsSet)
{
    keys[1] = 0x80;
    EXPECT_EXIT(
        {
            rt_set_position(0, 12);
            rt_show_frame();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(report(), "-End On Line\r\n0\r\n11\r\n12\r\n0\r\n");
}

TEST_F(FramesEnding, AltF4EndsTheProgramWhateverTheEscapeFlag)
{
    rt_allow_escape(0);
    keys[56] = 0x80;
    keys[62] = 0x80;
    EXPECT_EXIT(
        {
            rt_set_position(0, 40);
            rt_show_frame();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(report(), "-End On Line\r\n0\r\n39\r\n40\r\n0\r\n");
}

}  // namespace
