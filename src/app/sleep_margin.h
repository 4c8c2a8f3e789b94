// How late the scheduler wakes a sleeping wait, learned from the wait's own sleeps: the margin
// a wait stops sleeping before its deadline. It follows a high percentile of the recent
// oversleeps, widens at once when a burst of late wake-ups shows and narrows slowly, always
// within fixed bounds. Plain arithmetic on the samples it is given; it reads no clock.
#pragma once
#include <array>

class SleepMargin {
public:
    struct Bounds {
        double lowest_ms;   // the margin never goes below this
        double highest_ms;  // nor above this; longer oversleeps count as this long
        double start_ms;    // before the first sleeps: on the wide side, nothing learned yet
    };

    explicit SleepMargin(Bounds bounds);

    // One sleep that asked for asked_ms and lasted slept_ms. A sleep that ended early (a window
    // message or a signal woke it) says nothing about lateness and is not counted.
    void sleep_ended(double asked_ms, double slept_ms);
    double margin_ms() const { return margin_; }  // within the bounds at all times

    // The recent sleeps it looks at, and how many of them may wake later than the margin: one
    // in 128 is the 99th percentile; a second one is a burst.
    static constexpr int window = 128;
    static constexpr int tolerated = 1;
    // Each sleep closes this share of the gap to a lower percentile.
    static constexpr double narrowing = 1.0 / 32;

private:
    double percentile() const;  // the (tolerated + 1)-th largest oversleep in the window

    Bounds bounds_;
    std::array<double, window> late_{};  // a ring of the last oversleeps, in ms
    int count_ = 0;                      // samples in the ring (at most window)
    int next_ = 0;                       // where the next sample goes
    double margin_;
};
