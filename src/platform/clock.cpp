// The runtime's clocks: SDL's performance counter and millisecond timer, or a virtual clock in
// whole microseconds for scripted runs, where every reading moves time on by one microsecond so
// that busy waits end and a run gives the same timings on every machine. The sleep and the
// thread's CPU time are the system's own: clock_posix.cpp and clock_windows.cpp.
#include "platform/clock.h"

#include <SDL2/SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

bool virtual_mode = false;
std::int64_t virtual_us = 0;
void (*time_observer)(double now_ms) = nullptr;
bool observer_running = false;

// The observer may read the clock itself (the script runner does); those readings move time on
// but do not call it again.
void notify_observer()
{
    if (time_observer == nullptr || observer_running) return;
    observer_running = true;
    time_observer(static_cast<double>(virtual_us) / 1000.0);
    observer_running = false;
}

void step_virtual(std::int64_t us)
{
    virtual_us += us;
    notify_observer();
}

}  // namespace

bool counter_frequency(double& hz)
{
    if (virtual_mode) {
        hz = 1000000.0;
        return true;
    }
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    hz = static_cast<double>(frequency);
    return frequency > 0;
}

std::int64_t counter_now()
{
    if (!virtual_mode) return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
    const std::int64_t now = virtual_us;
    step_virtual(1);
    return now;
}

double ticks_ms()
{
    if (!virtual_mode) return static_cast<double>(SDL_GetTicks64());
    const std::int64_t whole_ms = virtual_us / 1000;
    step_virtual(1);
    return static_cast<double>(whole_ms);
}

void clock_use_virtual()
{
    virtual_mode = true;
    virtual_us = 0;
}

void clock_use_real()
{
    virtual_mode = false;
}

bool clock_is_virtual()
{
    return virtual_mode;
}

void clock_advance_us(std::int64_t us)
{
    if (!virtual_mode || us <= 0) return;
    step_virtual(us);
}

void clock_jump_past_ms(double ms)
{
    if (!virtual_mode || std::isnan(ms)) return;
    const double limit_us = ms * 1000.0;
    // Negative times are already past; beyond 2^62 us (about 146 000 years) nothing is
    // reachable. Both are left alone rather than overflow the conversion.
    if (limit_us < 0 || limit_us >= 4.6e18) return;
    const std::int64_t target = static_cast<std::int64_t>(std::floor(limit_us)) + 1;
    if (target <= virtual_us) return;
    virtual_us = target;
    notify_observer();
}

void clock_jump_to_us(std::int64_t us)
{
    if (!virtual_mode || us <= virtual_us) return;
    virtual_us = us;
    notify_observer();
}

std::int64_t clock_virtual_us()
{
    return virtual_us;
}

double real_clock_ms()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) * 1000.0 /
           static_cast<double>(SDL_GetPerformanceFrequency());
}

double clock_virtual_ms()
{
    return static_cast<double>(virtual_us) / 1000.0;
}

void clock_set_observer(void (*observer)(double now_ms))
{
    time_observer = observer;
}

bool busy_waits_wanted()
{
    const char* setting = std::getenv("BRILLOX_BUSY_WAIT");
    return setting != nullptr && std::strcmp(setting, "1") == 0;
}

}  // namespace platform
