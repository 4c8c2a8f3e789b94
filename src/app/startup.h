// Program entry, start-up, the main window's message handling and the platform query.
// A program built on the runtime hands its main routine to rt_entry and never returns.
#pragma once
#include <span>
#include <string>

#include "core/rt_string.h"
#include "platform/events.h"

// Fixed runtime settings, set by the entry before start-up.
struct rt_settings_record {
    int screen_width = 640;
    int screen_height = 480;
    int frame_limit = 60;
    bool fullscreen = false;
    int multisample = 0;
    bool input_mouse = false;
    bool debug = true;
    rt_string title = "brillox";
    rt_string command_line;           // 512 characters reserved
    std::string audio_file;           // --audio FILE as an absolute path; "" when not given
    int window_scale = 1;             // --scale N: the window at N times the screen size
    bool desktop_fullscreen = false;  // --fullscreen: the window covers the desktop
    std::string window_icon;          // the program's icon picture; "" for none
    std::string language;             // --lang CODE; "" when the system's language is wanted
    std::string edit_file;            // --edit FILE as an absolute path; "" when not given
    std::string level_set;            // --levels FILE as an absolute path; "" when not given
    // The directory start-up enters (app/program_files.h); "" for the program's own directory
    std::string data_directory;
};
const rt_settings_record& rt_settings();

// The window a program's player keeps in a settings file of the program's own, read before the
// window opens. --scale and --fullscreen on the command line replace both for that run.
struct rt_window_choice {
    int scale = 1;  // 1..16: the window at that many times the screen size
    bool fullscreen = false;
};

// What a program tells the entry about itself.
struct rt_program {
    const char* name;     // "brillox": --help, --version
    const char* version;  // printed by --version
    const char* summary;  // one line for --help
    void (*main_routine)();
    int max_arguments = 0;  // plain arguments it takes; it reads them from the command line
    // A file every copy of its data holds ("Level.ini"): data beside the program is used when
    // it is there, else an installation's <prefix>/share/<name> (app/program_files.h)
    const char* data_file = nullptr;
    // The files it writes for its player; kept in $XDG_DATA_HOME/<name> when the data
    // directory is not the player's to change (app/program_files.h)
    std::span<const char* const> player_files = {};
    const char* window_icon = nullptr;  // a PNG among its files (32 x 32), or none
    // Files (in the program's directory) whose contents decide how a game goes; a recording
    // notes them and a replay compares them. nullptr-ended, or nullptr for none.
    const char* const* state_files = nullptr;
    // Reads the player's window settings before start-up (after the player files are placed:
    // rt_player_file_path finds them); nullptr for none
    rt_window_choice (*player_window)() = nullptr;
};

// argv is the process's (options: see command_line.h). --help and --version print and exit 0;
// a bad command line or script exits 2 with one line on standard error; a player without a
// display exits 1. Otherwise runs start-up, the main routine, then the normal end through the
// error stop; never returns.
[[noreturn]] void rt_entry(int argc, char** argv, const rt_program& program);
int rt_startup(const rt_string& title);  // 0; returns early when no display can be created
// Puts the window at scale times the screen size, or into fullscreen on the desktop, now.
void rt_set_window(const rt_window_choice& window);
// Cut at the last "/" or "\\"; "" when none
std::string rt_program_directory(const std::string& program_path);

// Handles one window message (called by the message pump).
long rt_wnd_proc(platform::Window window, platform::Message message, long a, long b);

// Losses of the keyboard focus, which a program may act on (the game pauses play). The window
// procedure notes each one, except in a scripted run, whose only losses are its script's
// "focus_lost" lines; a recording holds a loss until the point where a replay can put it.
void rt_focus_lost();                  // the window lost the focus
void rt_focus_lost_reaches_program();  // the recording lets a held loss through
bool rt_focus_lost_since_asked();      // a loss reached the program since it last asked

// "" -> "WIN32", "DEVICE", "TIME", "ID"; else "NO_DATA"
rt_string rt_platform_info(const rt_string& key);
void rt_debug_out(const rt_string& text);  // "TX" + text to standard error under a debugger
