// Tests for the clocks: the virtual clock of scripted runs (exact microsecond steps, jumps to
// the end of a wait, the observer) and the real clocks running forward.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

using platform::clock_virtual_ms;

class VirtualClock : public testing::Test {
protected:
    void SetUp() override { platform::clock_use_virtual(); }
    void TearDown() override
    {
        platform::clock_set_observer(nullptr);
        platform::clock_use_real();
    }
};

TEST_F(VirtualClock, StartsAtZeroAndEveryReadingAdvancesOneMicrosecond)
{
    EXPECT_TRUE(platform::clock_is_virtual());
    double hz = 0;
    ASSERT_TRUE(platform::counter_frequency(hz));
    EXPECT_EQ(hz, 1000000.0);
    EXPECT_EQ(clock_virtual_ms(), 0.0);

    EXPECT_EQ(platform::counter_now(), 0);
    EXPECT_EQ(platform::counter_now(), 1);
    EXPECT_EQ(platform::counter_now(), 2);
    EXPECT_DOUBLE_EQ(clock_virtual_ms(), 0.003);  // the frequency query moved nothing
}

TEST_F(VirtualClock, TicksAreWholeMillisecondsBeforeTheStep)
{
    platform::clock_advance_us(1998);
    EXPECT_EQ(platform::ticks_ms(), 1.0);  // read at 1998 us
    EXPECT_EQ(platform::ticks_ms(), 1.0);  // read at 1999 us
    EXPECT_EQ(platform::ticks_ms(), 2.0);  // read at 2000 us
    EXPECT_DOUBLE_EQ(clock_virtual_ms(), 2.001);
}

TEST_F(VirtualClock, SwitchingOnAgainRestartsAtZero)
{
    platform::clock_advance_us(5000);
    platform::clock_use_virtual();
    EXPECT_EQ(platform::counter_now(), 0);
}

TEST_F(VirtualClock, JumpPastLandsOnTheFirstMicrosecondAfterTheTime)
{
    platform::clock_jump_past_ms(1.5);  // exactly 1500 us: strictly after means 1501
    EXPECT_EQ(platform::counter_now(), 1501);
    platform::clock_jump_past_ms(2.0004);  // 2000.4 us
    EXPECT_EQ(platform::counter_now(), 2001);
}

TEST_F(VirtualClock, JumpPastNeverGoesBack)
{
    platform::clock_advance_us(3000);
    const double infinity = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double ms : {2.5, 2.999, -4.0, -infinity, nan}) {
        platform::clock_jump_past_ms(ms);
        EXPECT_DOUBLE_EQ(clock_virtual_ms(), 3.0) << ms;
    }
    platform::clock_jump_past_ms(3.0);  // 3000 us is now; the first microsecond after it
    EXPECT_DOUBLE_EQ(clock_virtual_ms(), 3.001);
}

// A recording's "clock" lines set program time to the microsecond, and only ever forward.
TEST_F(VirtualClock, JumpToSetsTheMicrosecondOnlyForward)
{
    platform::clock_jump_to_us(2500);
    EXPECT_EQ(platform::clock_virtual_us(), 2500);
    platform::clock_jump_to_us(2000);
    EXPECT_EQ(platform::clock_virtual_us(), 2500);
}

TEST_F(VirtualClock, AdvanceIgnoresStepsBackwards)
{
    platform::clock_advance_us(10);
    platform::clock_advance_us(0);
    platform::clock_advance_us(-5);
    EXPECT_EQ(platform::counter_now(), 10);
}

std::vector<double> observed;

void record(double now_ms)
{
    observed.push_back(now_ms);
}

// Reads the clock from inside the observer, as the script runner does.
void record_and_read(double now_ms)
{
    observed.push_back(now_ms);
    platform::counter_now();
    platform::ticks_ms();
}

TEST_F(VirtualClock, TheObserverSeesEveryChangeWithTheNewTime)
{
    observed.clear();
    platform::clock_set_observer(record);
    platform::counter_now();            // 0 -> 1 us
    platform::clock_advance_us(999);    // -> 1000 us
    platform::clock_jump_past_ms(0.5);  // already past: no change, no call
    platform::clock_jump_past_ms(4.0);  // -> 4001 us
    EXPECT_EQ(observed, (std::vector<double>{0.001, 1.0, 4.001}));
}

TEST_F(VirtualClock, AnObserverThatReadsTheClockIsNotCalledFromWithinItself)
{
    observed.clear();
    platform::clock_set_observer(record_and_read);
    platform::clock_advance_us(10);  // the observer's two readings move time on to 12 us
    platform::clock_advance_us(10);
    EXPECT_EQ(observed, (std::vector<double>{0.010, 0.022}));
    EXPECT_DOUBLE_EQ(clock_virtual_ms(), 0.024);
}

TEST(RealClock, RunsForwardAndIsUntouchedByVirtualSteps)
{
    platform::clock_use_real();
    EXPECT_FALSE(platform::clock_is_virtual());
    double hz = 0;
    ASSERT_TRUE(platform::counter_frequency(hz));
    EXPECT_GT(hz, 0);

    std::int64_t last_count = platform::counter_now();
    double last_ms = platform::ticks_ms();
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t count = platform::counter_now();
        const double ms = platform::ticks_ms();
        ASSERT_GE(count, last_count);
        ASSERT_GE(ms, last_ms);
        last_count = count;
        last_ms = ms;
    }
    const double before = clock_virtual_ms();
    platform::clock_advance_us(500);
    platform::clock_jump_past_ms(1e6);
    EXPECT_EQ(clock_virtual_ms(), before);
}

}  // namespace
