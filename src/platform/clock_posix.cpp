// The system's side of the clocks on POSIX systems: nanosleep, which sleeps to the microsecond,
// and the calling thread's CPU clock.
#include <cstdint>
#include <ctime>

#include "platform/clock.h"

namespace platform {

void sleep_ms(double ms)
{
    if (!(ms > 0)) return;
    const auto ns = static_cast<std::int64_t>(ms * 1e6);
    timespec duration{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    // One call, not restarted after a signal: the caller looks at its termination flag then.
    nanosleep(&duration, nullptr);
}

double thread_cpu_ms()
{
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) != 0) return 0;
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace platform
