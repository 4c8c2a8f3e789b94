// Process and desktop services: paths, message box, cursor, beep, debugger output, local
// time, joysticks and the mouse.
#pragma once
#include <string>
#include <vector>

namespace platform {

// Windows: a program without a console window of its own, started from a console, writes its
// standard output and error there (unless they go to a file or pipe already). Call first
// thing; nothing on other systems.
void attach_parent_console();
std::string program_path();  // full path of the running executable
// A file-size limit then fails writes (EFBIG) instead of ending the process
void ignore_file_size_signal();
// SIGTERM, SIGINT and SIGHUP (on Windows: Ctrl+C, Ctrl+Break, closing the console, log-off and
// shut-down) only set a flag, which the runtime's waits and frames look at; SDL is told to leave
// these signals alone. Call before the video starts.
void catch_termination_signals();
bool termination_requested();  // one of those signals arrived
bool set_working_directory(const std::string& dir);
// Waits for the user, or until a termination signal arrives, which takes the box away;
// nothing when headless or when such a signal has arrived already
void message_box(const char* title, const char* text, bool warning);
void show_cursor(bool visible);
void beep();
bool debugger_attached();  // a tracer (TracerPid in /proc/self/status) or Windows debugger
// Standard error, only when a debugger is attached; on Windows also the debugger's own output
void debug_output(const char* text);

struct LocalTime {
    int year, month, day, hour, minute, second;
};
LocalTime local_time();

int joystick_count();  // attached game controllers
std::string joystick_name(int index);

struct MouseState {
    int x, y;  // position in the picture the window shows (its client area when unscaled)
    bool left, right, middle;
};
MouseState mouse_state();
void mouse_warp(int x, int y);  // picture coordinates of the focused window

// The languages the user reads, most wanted first, as locale names ("de_DE.UTF-8", "en",
// "de-DE"): the list in LANGUAGE, else the first of LC_ALL, LC_MESSAGES and LANG that is set,
// else the system's own setting (Windows: the user's UI language). Empty for the C and POSIX
// locales, whose texts are the program's own; LANGUAGE counts only outside them, as in gettext.
std::vector<std::string> user_languages();

}  // namespace platform
