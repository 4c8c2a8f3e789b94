// The system's side of the clocks in the browser. A sleep hands the page back to the browser
// (emscripten_sleep unwinds the program's stack and resumes it from a timer), so the page shows
// the frame, plays sound and takes keys meanwhile; the program must never poll the clock for
// long instead. The browser tells no thread's CPU time. (The waits for window events and the
// page's breathing spaces are here too: they are sleeps of the same kind.)
#include <emscripten.h>

#include <cmath>

#include "platform/clock.h"
#include "platform/system_os.h"

namespace platform {

namespace {

// When the program last gave the page back to the browser, in the page's milliseconds.
double last_sleep_ended_ms = 0;

// The longest the program runs on without a sleep: about one frame of the game's 30.
constexpr double longest_run_ms = 30;

}  // namespace

void sleep_ms(double ms)
{
    if (!(ms > 0)) return;
    // Whole milliseconds, rounded up: the browser's timers have no finer steps, and a sleep of
    // 0 would come back before the time asked.
    emscripten_sleep(static_cast<unsigned>(std::ceil(std::fmin(ms, 86400000.0))));
    last_sleep_ended_ms = emscripten_get_now();
}

void wait_for_window_events(int ms)
{
    // The page's keys and window events reach SDL's queue while the program sleeps.
    sleep_ms(ms);
}

void keep_system_responsive()
{
    // A frame that is late, and every frame of the scripted mode's virtual clock, waits for
    // nothing; without a sleep now and then the page would show nothing and take no input.
    const double now = emscripten_get_now();
    if (now - last_sleep_ended_ms < longest_run_ms) return;
    emscripten_sleep(0);
    last_sleep_ended_ms = emscripten_get_now();
}

double thread_cpu_ms()
{
    return 0;
}

}  // namespace platform
