// Process and desktop services on Linux and SDL2: the program's path, the working directory,
// message boxes (never shown, and so never blocking, on a headless driver), the cursor, the
// beep, debugger detection and output, local time, joysticks and the mouse.
#include "platform/system.h"

#include <SDL2/SDL.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "platform/video.h"

namespace platform {

namespace {

// Continuation bytes after a UTF-8 lead byte; -1 for a byte that cannot start a character.
int utf8_continuations(unsigned char lead)
{
    if (lead < 0x80) return 0;
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return -1;
}

bool valid_utf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const int extra = utf8_continuations(static_cast<unsigned char>(text[i]));
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// The runtime's texts are 8-bit Windows texts; SDL wants UTF-8. Text that is not UTF-8 already
// is taken as Latin-1, which covers the German letters the messages use.
std::string as_utf8(const char* text)
{
    std::string in = text != nullptr ? text : "";
    if (valid_utf8(in)) return in;
    std::string out;
    for (const char c : in) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

SDL_Window* focused_window()
{
    if (SDL_Window* w = SDL_GetKeyboardFocus()) return w;
    return SDL_GetMouseFocus();
}

}  // namespace

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

void catch_termination_signals()
{
    // Without this SDL turns SIGINT and SIGTERM into a quit event, which only the frame's
    // message pump would see, and never a screen that waits for a key without frames.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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

void message_box(const char* title, const char* text, bool warning)
{
    if (video_is_headless() || termination_requested()) return;
    const Uint32 flags = warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    const std::string utf8_title = as_utf8(title), utf8_text = as_utf8(text);
    // SDL's box runs an event loop of its own that no signal ends, so a SIGTERM would wait
    // until somebody clicks it. A child process in a process group of its own shows the box
    // while this process waits for it and looks at the termination flag; killing the group
    // takes the box away with any helper process SDL started to show it.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        // Without a child the box is shown here, as SDL shows it.
        SDL_ShowSimpleMessageBox(flags, utf8_title.c_str(), utf8_text.c_str(), nullptr);
        return;
    }
    if (child == 0) {
        ::setpgid(0, 0);
        // Without a display SDL reports a failure at once; there is nobody to tell.
        SDL_ShowSimpleMessageBox(flags, utf8_title.c_str(), utf8_text.c_str(), nullptr);
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

void show_cursor(bool visible)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
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

LocalTime local_time()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (::localtime_r(&now, &parts) == nullptr) return LocalTime{1970, 1, 1, 0, 0, 0};
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                     parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

int joystick_count()
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return 0;
    const int count = SDL_NumJoysticks();
    return count > 0 ? count : 0;
}

std::string joystick_name(int index)
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return "";
    const char* name = SDL_JoystickNameForIndex(index);
    return name != nullptr ? name : "";
}

MouseState mouse_state()
{
    MouseState state{0, 0, false, false, false};
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return state;
    SDL_PumpEvents();
    const Uint32 buttons = SDL_GetMouseState(&state.x, &state.y);
    // A scaled window shows the picture larger (or smaller) and centred: positions are given
    // in the picture's pixels, as in a window of the picture's own size.
    if (SDL_Window* window = SDL_GetMouseFocus())
        window_point_to_picture(SDL_GetWindowID(window), state.x, state.y);
    state.left = (buttons & SDL_BUTTON_LMASK) != 0;
    state.right = (buttons & SDL_BUTTON_RMASK) != 0;
    state.middle = (buttons & SDL_BUTTON_MMASK) != 0;
    return state;
}

void mouse_warp(int x, int y)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    if (SDL_Window* window = focused_window()) {
        window_point_from_picture(SDL_GetWindowID(window), x, y);
        SDL_WarpMouseInWindow(window, x, y);
    }
}

}  // namespace platform
