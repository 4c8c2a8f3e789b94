// Position record, error state and the error stop. The stop is the only way the program
// ends: a runtime error, the game's END and a closed window all come through here.
#include "core/error_stop.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "core/error_log.h"
#include "core/number_text.h"
#include "core/trace.h"

namespace {

rt_error_state state{};
bool stopping = false;

struct ShutdownStep {
    rt_shutdown_stage stage;
    void (*step)();
};
std::vector<ShutdownStep>& shutdown_steps()
{
    static std::vector<ShutdownStep> steps;
    return steps;
}

void append_number(double value)
{
    char text[rt_number_text_size];
    rt_format_g2(value, text);
    rt_error_log_append(text);
}

}  // namespace

const rt_error_state& rt_errors()
{
    return state;
}

void rt_reset_position()
{
    state.current_line = 0;
    state.error_line = 0;
    state.error_code = 0;
}

void rt_set_position(double module, double line)
{
    state.current_module = module;
    state.current_line = line;
}

void rt_line_hook(double module, double line, const void* /*locals*/)
{
    rt_set_position(module, line);
}

void rt_set_error(double code)
{
    state.error_code = code;
    state.error_line = state.current_line;
}

void rt_end()
{
    rt_set_error(0);
    rt_error_stop();
}

void rt_on_shutdown(rt_shutdown_stage stage, void (*step)())
{
    shutdown_steps().push_back({stage, step});
}

void rt_shutdown()
{
    // Steps are taken off the list before they run, so a step that fails into the error
    // stop cannot run twice, and a second shutdown finds nothing left to release.
    std::vector<ShutdownStep> steps;
    steps.swap(shutdown_steps());
    for (int stage = 0; stage <= static_cast<int>(rt_shutdown_stage::window); ++stage) {
        for (const ShutdownStep& s : steps) {
            if (static_cast<int>(s.stage) == stage) s.step();
        }
    }
}

void rt_error_stop()
{
    // A shutdown step that itself ends in a runtime error reports that error and exits at
    // once; the steps still left are not run a second time.
    if (!stopping) {
        stopping = true;
        rt_shutdown();
    }

    rt_error_log_append("-End On Line");
    append_number(state.error_code);
    append_number(state.error_line - 1);
    append_number(state.current_line);
    append_number(state.current_module);

    if (rt_trace_enabled()) {
        char code[rt_number_text_size];
        rt_number_to_text(state.error_code, code);
        rt_trace(std::string("end ") + code);
    }

    // exit (not _exit) so that the exit-time work runs: changed INI document saved, open
    // file channels closed.
    std::exit(0);
}
