// Frame presentation and timing: the show-screen operation every game screen ends its frame
// with, the deadline grid that holds the game to its frame-rate limit, the message pump and
// the millisecond timer. Window messages are handled only in here.
#include "app/frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/recording.h"
#include "app/script.h"
#include "app/sleep_margin.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "core/rt_number.h"
#include "core/trace.h"
#include "graphics/display.h"
#include "input/input.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/keyboard.h"
#include "platform/system.h"

namespace {

constexpr int key_escape = 1;
constexpr int key_left_alt = 56;
constexpr int key_f4 = 62;

// The deadline and the frame period live in the display object (next_frame_time,
// frame_time); the rest of the timing state is kept here.
struct FrameTiming {
    double timer_base = 0;      // end of start-up; timer_ms counts from here
    double last_frame = 0;      // time of the last rt_show_frame
    double previous_frame = 0;  // the last frame time before that
    bool escape_ends = true;    // set at program start; the game clears it
    long traced_frames = 0;     // frames presented while the scripted mode runs
};

FrameTiming timing;

// Program time kept to real time (a replay in a window, a live recording): the virtual clock
// runs the program, and no wait ends before the real time of its end has come.
struct Pacing {
    bool on = false;
    bool replay = false;      // the real Escape key ends the program
    double real_at_zero = 0;  // the real clock's reading at program time 0
};

Pacing pacing;

// A wait sleeps until shortly before its end and polls the clock for the rest, because the
// scheduler wakes a sleeper later than asked: about a tenth of a millisecond on a quiet
// machine, a millisecond or more at times on a shared one (docs/performance.md). The margin is
// learned from the waits' own plain sleeps: it covers all but the latest wake-up in a hundred
// or so, so that the deadline is kept to the clock's precision as with a wait that polls all
// the way, for a few percent of a core instead of a whole one. It starts at its widest, as
// nothing is known about the machine yet. It stops at 2 ms: later wake-ups come from cores kept
// busy by other programs, and those take the core back from a wait that polls as long as
// that, so a wider margin only spends CPU (the runs with a 4 ms bound in docs/performance.md).
SleepMargin spin_margin({.lowest_ms = 0.1, .highest_ms = 2, .start_ms = 2});
// The frame wait sleeps on the message queue, in whole milliseconds, until this long before
// the spin margin, and plainly for the rest. The queue wakes later than a plain sleep (SDL's own
// timing on top of the scheduler's), so its lateness is learned apart; a queue wait that wakes
// within the lead still leaves the plain sleep and the margin to keep the deadline.
SleepMargin queue_lead({.lowest_ms = 1, .highest_ms = 4, .start_ms = 2});

// What the frame wait has cost so far (rt_frame_wait_report).
struct WaitCost {
    double waited_ms = 0;
    double slept_ms = 0;
    double cpu_ms = 0;    // this thread's CPU time inside the wait
    double ended_ms = 0;  // when the last wait ended
};

WaitCost wait_cost;

// No single sleep lasts longer, so that a termination signal is acted on within it.
constexpr double longest_sleep_ms = 50;

// Every wait polls the clock all the way when set, as the runtime once did (for comparison);
// BRILLOX_BUSY_WAIT=1 sets it at the start.
bool& busy_waits()
{
    static bool busy = platform::busy_waits_wanted();
    return busy;
}

bool waits_sleep()
{
    return !busy_waits() && !platform::clock_is_virtual();
}

// SIGTERM, SIGINT and SIGHUP end the program as closing the window does, from whichever wait
// or frame the program is in.
void honour_termination()
{
    if (platform::termination_requested()) rt_error_stop();
}

bool key_down(int code)
{
    return rt_input != nullptr && (rt_input->keys[code] & 0x80) != 0;
}

[[noreturn]] void end_program()
{
    rt_set_error(0);
    rt_error_stop();
}

// A replay in a window ends when its watcher presses Escape (on the keyboard or a controller).
void honour_replay_escape()
{
    if (pacing.replay && platform::keyboard_real_key_down(key_escape)) end_program();
}

// A replay that falls behind real time by more than this (a slower machine than the recorded
// one, a frameless screen whose polls took longer than their program time) goes on at real
// speed from where it is, rather than racing through frames to catch up.
constexpr double replay_slip_ms = 100;

// Sleeps until real time reaches program time target_ms, a few milliseconds at a time; a frame
// wait keeps the window's messages flowing meanwhile, the game's pauses do not. A live
// recording that is behind stays behind: it catches up at its next point, and writes it down.
void pace_until(double target_ms, bool pump_messages)
{
    for (;;) {
        if (pump_messages) {
            rt_pump_messages();
        } else {
            honour_termination();
        }
        honour_replay_escape();
        const double left = target_ms - rt_real_time_ms();
        if (pacing.replay && left < -replay_slip_ms) pacing.real_at_zero -= left;
        if (left <= 0) return;
        platform::sleep_ms(std::min(left, 5.0));
    }
}

// The time since before_ms, after a sleep that asked for asked_ms: the margin learns how late
// the sleep woke.
double slept_since(double before_ms, double asked_ms, SleepMargin& margin)
{
    const double slept = display_time_ms() - before_ms;
    margin.sleep_ended(asked_ms, slept);
    return slept;
}

// Waits for the frame deadline and returns the time it ended, dispatching window messages all
// along: it waits on the message queue until shortly before the deadline (a message wakes it
// at once), sleeps plainly until the spin margin, then polls the clock. On the virtual clock
// the loop would spin millions of readings per frame, so the clock jumps past the deadline
// first and the loop runs once, reading the clock no more often than it always did.
double wait_for_deadline(double deadline)
{
    if (pacing.on) pace_until(deadline, true);
    if (platform::clock_is_virtual() && platform::clock_virtual_ms() <= deadline)
        platform::clock_jump_past_ms(deadline);
    const bool sleep = waits_sleep();
    const double cpu_before = platform::thread_cpu_ms();
    double t = 0;
    double began = std::nan("");
    for (;;) {
        rt_pump_messages();
        t = display_time_ms();
        if (std::isnan(began)) began = t;
        if (t > deadline) break;
        if (!sleep) continue;
        const double left = deadline - t - spin_margin.margin_ms();
        const double lead = queue_lead.margin_ms();
        if (left >= lead + 1) {
            const int ms = static_cast<int>(std::min(left - lead, longest_sleep_ms));
            platform::wait_for_message(ms);
            wait_cost.slept_ms += slept_since(t, ms, queue_lead);
        } else if (left > 0) {
            platform::sleep_ms(left);
            wait_cost.slept_ms += slept_since(t, left, spin_margin);
        }
    }
    wait_cost.waited_ms += t - began;
    wait_cost.cpu_ms += platform::thread_cpu_ms() - cpu_before;
    wait_cost.ended_ms = t;
    return t;
}

void trace_frame(double t)
{
    // Virtual time is whole microseconds, so three decimals are exact. Frames are numbered
    // from the start of the script, which is the start of the main routine.
    char line[64];
    std::snprintf(line, sizeof line, "frame %ld %.3f", ++timing.traced_frames, t);
    rt_trace(line);
}

}  // namespace

void rt_reset_frame_timers()
{
    const double now = display_time_ms();
    timing.timer_base = now;
    timing.last_frame = now;
    timing.previous_frame = now;
}

void rt_show_frame()
{
    timing.previous_frame = timing.last_frame;
    timing.last_frame = display_time_ms();

    key_update();
    input_mark_new_frame();

    if (timing.escape_ends && key_down(key_escape)) end_program();
    if (key_down(key_left_alt) && key_down(key_f4)) end_program();

    rt_present();
    screen_prepare_frame();
}

double rt_present()
{
    // The back buffer is undefined after the swap, so a capture reads it now.
    if (script_wants_frame_pixels()) script_keep_frame_pixels();
    screen_swap();
    screen_clear_buffers();

    // The frame counts as presented before the next clock reading: that reading may already
    // run the script's next lines, and those must come after this frame.
    if (script_active()) {
        if (rt_trace_enabled()) trace_frame(platform::clock_virtual_ms());
        script_frame_presented();
    }
    record_frame_presented();

    const double t0 = display_time_ms();

    const double t = wait_for_deadline(rt_display->next_frame_time);
    // Keys a recording lets through now reach the program as a replay's would at the present.
    record_frame_waited();

    // The deadline advances on a fixed grid: a late frame is shown at once and the frames
    // after it return to the grid, without a burst of catch-up frames.
    const double period = rt_display->frame_time;
    double deadline = rt_display->next_frame_time + period;
    if (period > 0) {
        // After a long stall whole periods are skipped at once; the grid stays the same.
        if (t - deadline > 1000 * period) deadline += std::floor((t - deadline) / period) * period;
        while (deadline < t) {
            const double next = deadline + period;
            if (next == deadline) {  // a period below the clock value's precision
                deadline = t;
                break;
            }
            deadline = next;
        }
    }
    rt_display->next_frame_time = deadline;
    return t - t0 + 1;
}

double rt_pump_messages()
{
    honour_termination();
    platform::WindowMessage message;
    while (platform::next_message(message)) {
        rt_wnd_proc(message.window, message.kind, message.a, message.b);
    }
    return 1;
}

double timer_ms()
{
    return display_time_ms() - timing.timer_base;
}

void timer_wait_until(double until)
{
    // Kept to real time, the wait sleeps first; then it reads the virtual clock as a scripted
    // run does, so that both end at the same program time.
    if (pacing.on) pace_until(until + timing.timer_base, false);
    const bool sleep = waits_sleep();
    for (;;) {
        honour_termination();
        const double now = timer_ms();
        if (!(now < until)) return;
        const double left = until - now - spin_margin.margin_ms();
        if (sleep && left > 0) {
            const double asked = std::min(left, longest_sleep_ms);
            platform::sleep_ms(asked);
            slept_since(now + timing.timer_base, asked, spin_margin);
        }
    }
}

FrameWaitReport rt_frame_wait_report()
{
    return {.waited_ms = wait_cost.waited_ms,
            .slept_ms = wait_cost.slept_ms,
            .cpu_ms = wait_cost.cpu_ms,
            .spin_margin_ms = spin_margin.margin_ms(),
            .queue_lead_ms = queue_lead.margin_ms(),
            .ended_ms = wait_cost.ended_ms};
}

void rt_set_busy_waits(bool on)
{
    busy_waits() = on;
}

void rt_idle()
{
    honour_termination();
    record_idle();
    script_idle();
    record_idle_keys();
    honour_replay_escape();
    if (waits_sleep() || pacing.on) platform::sleep_ms(1);
}

void rt_start_virtual_clock()
{
    platform::clock_use_virtual();
    // The display took the real counter's frequency at creation; the virtual counter counts
    // microseconds.
    double hz = 0;
    if (platform::counter_frequency(hz) && hz > 0) {
        rt_display->counter_frequency = hz;
        rt_display->high_resolution = 1;
    }
    // Frame pacing restarts on the virtual clock: the first deadline is time 0, so the frames
    // fall on the grid 0, 16.667, 33.333 ... of the frame period.
    rt_display->next_frame_time = platform::clock_virtual_ms();
    rt_reset_frame_timers();
}

void rt_pace_to_real_time(bool replay)
{
    pacing.on = true;
    pacing.replay = replay;
    pacing.real_at_zero = platform::real_clock_ms() - platform::clock_virtual_ms();
}

double rt_real_time_ms()
{
    return platform::real_clock_ms() - pacing.real_at_zero;
}

void timer_set_frame_limit(double fps)
{
    if (rt_display == nullptr) return;  // nothing to pace before start-up
    const int n = rt_to_int(fps);
    // n <= 0 (NaN included) gives at most 500 frames a second.
    rt_display->frame_time = (n > 0) ? 1000.0 / n : 2.0;
}

void rt_allow_escape(double flag)
{
    timing.escape_ends = (flag != 0);
}
