// The learned sleep margin of the waits that sleep: a ring of recent oversleeps and the margin
// that follows its high percentile, fast up and slowly down.
#include "app/sleep_margin.h"

#include <algorithm>
#include <functional>

SleepMargin::SleepMargin(Bounds bounds)
    : bounds_(bounds), margin_(std::clamp(bounds.start_ms, bounds.lowest_ms, bounds.highest_ms))
{
}

void SleepMargin::sleep_ended(double asked_ms, double slept_ms)
{
    const double late = slept_ms - asked_ms;
    if (!(late >= 0)) return;  // woken early, or no number at all
    // A stall far beyond any margin (the process stopped, the machine suspended) counts no
    // more than the widest margin, which is all it can ask for.
    late_[static_cast<std::size_t>(next_)] = std::min(late, bounds_.highest_ms);
    next_ = (next_ + 1) % window;
    count_ = std::min(count_ + 1, window);
    if (count_ <= tolerated) return;

    // One late wake-up in the window is the percentile's allowance and moves nothing; a second
    // one is a burst, and the next sleeps stop early enough for it straight away. Quiet sleeps
    // bring the margin down a little at a time, so that a burst that recurs every few seconds
    // finds it still wide.
    const double target = percentile();
    if (target > margin_) {
        margin_ = target;
    } else {
        margin_ -= (margin_ - target) * narrowing;
    }
    margin_ = std::clamp(margin_, bounds_.lowest_ms, bounds_.highest_ms);
}

double SleepMargin::percentile() const
{
    std::array<double, window> largest_first = late_;
    const auto end = largest_first.begin() + count_;
    const auto nth = largest_first.begin() + tolerated;
    std::nth_element(largest_first.begin(), nth, end, std::greater<>());
    return *nth;
}
