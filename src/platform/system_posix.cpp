// Process services on Linux (and other POSIX systems): the program's path, signals, the working
// directory, the message box in a child process, the beep, debugger detection, local time,
// files opened by name and the display variables.
#include <SDL2/SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files_open.h"
#include "platform/system.h"
#include "platform/system_os.h"

namespace platform {

void attach_parent_console()
{
    // A POSIX program started from a terminal has it already.
}

void ignore_file_size_signal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

volatile std::sig_atomic_t terminating = 0;

void note_termination(int /*signal*/)
{
    terminating = 1;
}

}  // namespace

void catch_system_termination_requests()
{
    struct sigaction action {};
    action.sa_handler = note_termination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a sleep ends, and the waiting loop looks at the flag
    for (const int signal_number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal_number, &action, nullptr);
}

bool termination_requested()
{
    return terminating != 0;
}

std::string program_path()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return "";
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);  // possibly cut short: try again with more room
    }
}

bool set_working_directory(const std::string& dir)
{
    return ::chdir(dir.c_str()) == 0;
}

void show_message_box(const std::string& title, const std::string& text, bool warning)
{
    const Uint32 flags = warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    // SDL's box runs an event loop of its own that no signal ends, so a SIGTERM would wait
    // until somebody clicks it. A child process in a process group of its own shows the box
    // while this process waits for it and looks at the termination flag; killing the group
    // takes the box away with any helper process SDL started to show it.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        // Without a child the box is shown here, as SDL shows it.
        SDL_ShowSimpleMessageBox(flags, title.c_str(), text.c_str(), nullptr);
        return;
    }
    if (child == 0) {
        ::setpgid(0, 0);
        // Without a display SDL reports a failure at once; there is nobody to tell.
        SDL_ShowSimpleMessageBox(flags, title.c_str(), text.c_str(), nullptr);
        ::_exit(0);  // no exit-time work of the parent's (saves, reports) in the child
    }
    ::setpgid(child, child);  // here too, so that the group exists before any kill
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR)) return;
        if (termination_requested()) {
            ::kill(-child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return;
        }
        ::usleep(20000);  // the box waits for a person; a 20 ms look is quick enough
    }
}

void beep()
{
    // SDL has no system sound; the terminal bell is the nearest thing.
    std::fputs("\a", stderr);
    std::fflush(stderr);
}

bool debugger_attached()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = "TracerPid:";
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        for (std::size_t i = key.size(); i < line.size(); ++i) {
            if (line[i] >= '1' && line[i] <= '9') return true;
        }
        return false;
    }
    return false;
}

void debug_output(const char* text)
{
    if (!debugger_attached()) return;
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    std::fflush(stderr);
}

std::string display_environment()
{
    std::string text;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (!text.empty()) text += ", ";
        text += name;
        text += (value != nullptr && value[0] != '\0') ? std::string("=") + value : " unset";
    }
    return text;
}

const char* without_screen_advice()
{
    return "Set SDL_VIDEODRIVER=offscreen to run without a screen.";
}

std::string system_ui_language()
{
    return "";  // the environment is all a POSIX system says about the user's language
}

void wait_for_window_events(int ms)
{
    SDL_WaitEventTimeout(nullptr, ms);
}

void keep_system_responsive()
{
    // The system runs its windows and sound beside the program, whatever the program does.
}

}  // namespace platform
