// The system's side of the clocks on Windows. A plain Sleep rounds up to the system's timer
// tick of 15.6 ms, longer than a frame's whole sleep; a high-resolution waitable timer sleeps
// to well under a millisecond. Where the system lacks one (before Windows 10 1803), the timer
// resolution is raised to 1 ms for the run instead. A termination request ends a sleep at once.
#include <windows.h>

#include <cmath>
#include <cstdint>

#include "platform/clock.h"
#include "platform/system_os.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {

namespace {

// One per thread: a waitable timer is set for one wait at a time. nullptr when the system
// refuses the high-resolution flag.
HANDLE thread_timer()
{
    thread_local const HANDLE timer = ::CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    return timer;
}

void raise_timer_resolution_once()
{
    static const bool raised = ::timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)raised;  // the period stays raised until the process ends
}

}  // namespace

void sleep_ms(double ms)
{
    if (!(ms > 0)) return;
    const HANDLE stop = static_cast<HANDLE>(termination_event());
    if (const HANDLE timer = thread_timer()) {
        LARGE_INTEGER due{};
        due.QuadPart = -static_cast<LONGLONG>(ms * 10000.0);  // relative, in 100 ns units
        if (::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
            const HANDLE waits[2] = {timer, stop};
            ::WaitForMultipleObjects(stop != nullptr ? 2 : 1, waits, FALSE, INFINITE);
            return;
        }
    }
    raise_timer_resolution_once();
    // Whole milliseconds, rounded down: the promise is a sleep of at most ms.
    const auto whole = static_cast<DWORD>(std::floor(ms));
    if (stop != nullptr) {
        ::WaitForSingleObject(stop, whole);
    } else {
        ::Sleep(whole);
    }
}

double thread_cpu_ms()
{
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

}  // namespace platform
