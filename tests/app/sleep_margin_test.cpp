// The learned sleep margin fed with made-up sleeps: where it starts, how a burst of late
// wake-ups widens it, how slowly quiet sleeps narrow it, and its bounds. No clock is read.
#include "app/sleep_margin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr SleepMargin::Bounds bounds{.lowest_ms = 0.1, .highest_ms = 4, .start_ms = 2};

// n sleeps of 5 ms that each woke late_ms late.
void sleeps(SleepMargin& margin, int n, double late_ms)
{
    for (int i = 0; i < n; ++i) margin.sleep_ended(5, 5 + late_ms);
}

// A margin that has seen a long quiet stretch: settled on the lowest bound.
SleepMargin settled()
{
    SleepMargin margin(bounds);
    sleeps(margin, 1000, 0.05);
    return margin;
}

TEST(SleepMargin, StartsWideAndInsideItsBounds)
{
    SleepMargin margin(bounds);
    EXPECT_EQ(margin.margin_ms(), 2);
    sleeps(margin, 1, 0.05);  // one sleep is no percentile yet
    EXPECT_EQ(margin.margin_ms(), 2);

    EXPECT_EQ(SleepMargin({.lowest_ms = 0.1, .highest_ms = 4, .start_ms = 9}).margin_ms(), 4);
    EXPECT_EQ(SleepMargin({.lowest_ms = 0.1, .highest_ms = 4, .start_ms = 0}).margin_ms(), 0.1);
}

TEST(SleepMargin, QuietSleepsNarrowItSlowlyDownToTheirOwnLateness)
{
    SleepMargin margin(bounds);
    sleeps(margin, 2, 0.3);
    EXPECT_GT(margin.margin_ms(), 1.9);  // not straight down to 0.3
    EXPECT_LT(margin.margin_ms(), 2);
    sleeps(margin, 30, 0.3);  // a second of frames at 30 a second
    EXPECT_GT(margin.margin_ms(), 0.3 + 0.25 * 1.7);
    sleeps(margin, 300, 0.3);
    EXPECT_NEAR(margin.margin_ms(), 0.3, 0.01);
    EXPECT_GE(margin.margin_ms(), 0.3);  // never below what the sleeps needed

    // Sleeps that wake on time take it down to the lowest bound and no further.
    sleeps(margin, 1000, 0);
    EXPECT_EQ(margin.margin_ms(), 0.1);
}

TEST(SleepMargin, OneLateWakeUpIsToleratedASecondWidensAtOnce)
{
    SleepMargin margin = settled();
    sleeps(margin, 1, 3);  // the one in a hundred a 99th percentile lets through
    EXPECT_EQ(margin.margin_ms(), 0.1);
    sleeps(margin, 5, 0.05);
    sleeps(margin, 1, 1.5);  // the second within the window: a burst
    EXPECT_EQ(margin.margin_ms(), 1.5);
    sleeps(margin, 1, 3);  // a third as late as the first
    EXPECT_EQ(margin.margin_ms(), 3);
}

TEST(SleepMargin, ABurstKeepsItWideWhileInViewThenItNarrowsSlowly)
{
    SleepMargin margin = settled();
    sleeps(margin, 2, 3);
    sleeps(margin, SleepMargin::window - 2, 0.05);  // both late sleeps still among the recent
    EXPECT_EQ(margin.margin_ms(), 3);
    sleeps(margin, 1, 0.05);  // the first has left the window
    EXPECT_LT(margin.margin_ms(), 3);
    EXPECT_GT(margin.margin_ms(), 2.8);
    sleeps(margin, 30, 0.05);
    EXPECT_GT(margin.margin_ms(), 0.1 + 0.25 * 2.9);
    sleeps(margin, 500, 0.05);
    EXPECT_EQ(margin.margin_ms(), 0.1);
}

TEST(SleepMargin, StallsCountAsTheWidestMarginAndNothingElseMovesIt)
{
    SleepMargin margin = settled();
    sleeps(margin, 2, 1e9);  // the process stopped for days
    EXPECT_EQ(margin.margin_ms(), 4);
    margin.sleep_ended(5, std::numeric_limits<double>::infinity());
    EXPECT_EQ(margin.margin_ms(), 4);

    // Sleeps a message or a signal ended early, and readings that are no number, say nothing:
    // they neither narrow the margin nor count as quiet sleeps.
    SleepMargin learned(bounds);
    sleeps(learned, 500, 0.3);
    const double before = learned.margin_ms();
    for (int i = 0; i < 1000; ++i) learned.sleep_ended(5, 1);
    learned.sleep_ended(5, std::nan(""));
    learned.sleep_ended(std::nan(""), 5);
    const double inf = std::numeric_limits<double>::infinity();
    learned.sleep_ended(inf, inf);
    EXPECT_EQ(learned.margin_ms(), before);
    sleeps(learned, 2, 2.5);
    EXPECT_EQ(learned.margin_ms(), 2.5);
}

}  // namespace
