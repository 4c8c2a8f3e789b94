// Frame presentation and timing: show the finished frame, keep the window responsive,
// hold the game to the frame-rate limit on a fixed deadline grid, and the millisecond timer.
#pragma once

void rt_show_frame();       // snapshot keys, Escape / Alt+F4 end, present, prepare the next frame
double rt_present();        // swap, clear, pump until the deadline; wait in ms + 1 (>= 1)
double rt_pump_messages();  // dispatches every waiting message; 1; never waits
double timer_ms();          // ms since the end of start-up
// Returns once timer_ms() has reached until: sleeps, then polls the clock for the last moment;
// shows no frame and dispatches no message. On the virtual clock it polls all the way.
void timer_wait_until(double until);
// Between two key polls of a screen that waits for a key without showing frames: a moment's
// sleep on the real clock, nothing on the virtual one.
void rt_idle();
// Every wait polls the clock all the way instead of sleeping (BRILLOX_BUSY_WAIT=1 at start)
void rt_set_busy_waits(bool on);
// What the frame waits have cost since the program started, for benchmarks (ms): the time
// inside them, the part of it they slept, the CPU time they used, the margins they keep now
// (the last stretch polled, and the lead of the message-queue wait over a plain sleep), and
// the time the last one ended.
struct FrameWaitReport {
    double waited_ms;
    double slept_ms;
    double cpu_ms;
    double spin_margin_ms;
    double queue_lead_ms;
    double ended_ms;
};
FrameWaitReport rt_frame_wait_report();
void timer_set_frame_limit(double fps);  // n = trunc(fps); period 1000 / n ms, or 2 ms for n <= 0
// Escape ends the program in rt_show_frame while set (initially set)
void rt_allow_escape(double flag);
void rt_reset_frame_timers();  // timer base and frame times := now (start-up)
// The virtual clock from now on (scripted runs, recordings): time 0, deadlines on its grid
void rt_start_virtual_clock();
// The virtual clock kept to real time from now on: a wait does not end before its real time has
// come (--replay, a live --record). A replay also ends when the real Escape key is pressed.
void rt_pace_to_real_time(bool replay);
double rt_real_time_ms();  // real time since pacing began, on the program clock's scale
