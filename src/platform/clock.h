// The clocks the runtime times frames with, real or virtual. In virtual mode (scripted runs)
// time starts at 0, every reading and every keyboard snapshot advance it by one microsecond,
// and waits jump straight to their end, so a script runs the same on every machine.
#pragma once
#include <cstdint>

namespace platform {

bool counter_frequency(double& hz);  // high-resolution counter ticks per second; false if none
std::int64_t counter_now();          // the counter; advances virtual time by 1 us
double ticks_ms();                   // millisecond system timer; advances virtual time by 1 us

void clock_use_virtual();  // switches to virtual time at 0; for the whole run
void clock_use_real();     // back to the real clocks (tests that need both)
bool clock_is_virtual();
void clock_advance_us(std::int64_t us);  // virtual mode only
void clock_jump_past_ms(double ms);  // virtual mode: time becomes the first microsecond after ms
void clock_jump_to_us(std::int64_t us);  // virtual mode: time becomes us when that is later
double clock_virtual_ms();               // virtual time in ms, without advancing it
std::int64_t clock_virtual_us();         // the same in whole microseconds
double real_clock_ms();  // the real high-resolution clock in ms, in either mode; no time moves

// Called after every virtual time step with the new time in ms (the script runner's tick).
void clock_set_observer(void (*observer)(double now_ms));

// Real time only. Sleeps about ms (at most; a signal ends it early), with the precision of the
// system's timers rather than whole milliseconds.
void sleep_ms(double ms);
bool busy_waits_wanted();  // BRILLOX_BUSY_WAIT=1: waits poll the clock instead of sleeping
double thread_cpu_ms();    // CPU time the calling thread has used, in ms; 0 if unknown

}  // namespace platform
