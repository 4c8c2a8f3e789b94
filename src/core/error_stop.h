// Source position, runtime error state and the error stop, which is also the program's
// normal end: shut down the registered subsystems, append the five-line end report to
// "ErrorLog.txt" and exit with code 0 (exit-time work such as the INI save runs then).
#pragma once

// Position and error record; all four are 0 when the game's main routine starts.
struct rt_error_state {
    double current_module;
    double current_line;
    // 0 normal end, 7 out of memory / bad file channel, 8 array not dimensioned, 9 bad index
    double error_code;
    double error_line;  // current line when the code was set
};
const rt_error_state& rt_errors();
void rt_reset_position();  // sets line, error line and error code to 0

// Position recording. The game calls the hook at each routine entry and loop iteration.
void rt_set_position(double module, double line);
void rt_line_hook(double module, double line, const void* locals);  // records the position only

// Error stop.
void rt_set_error(double code);  // error code = code, error line = current line
[[noreturn]] void rt_end();      // rt_set_error(0), then rt_error_stop
// Rt_shutdown, end report, exit(0); a call from a shutdown step skips the rest of the shutdown
[[noreturn]] void rt_error_stop();
void rt_shutdown();  // runs the registered shutdown steps in stage order, each once

// Subsystems join the shutdown at start-up instead of being known to this module.
// Steps run by stage (the order below), and in registration order within a stage.
// A recording is finished first, while the clock still tells when the program ended.
enum class rt_shutdown_stage { recording, timer_resolution, display, input, sound, window };
void rt_on_shutdown(rt_shutdown_stage stage, void (*step)());

// Source position for the end report: RT_LINE() at each routine entry and loop iteration.
#define RT_LINE() rt_line_hook(0, __LINE__, nullptr)
