// Process services on Windows: the program's path, the console (attached when started from
// one) and its control events, log-off and shut-down, the working directory, a message box that a
// termination request takes away, the beep, the debugger, local time, files opened by UTF-8 name
// and the window station. Names and texts are UTF-8 in the program and UTF-16 at the API.
#include <SDL2/SDL.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files_open.h"
#include "platform/system.h"
#include "platform/system_os.h"
#include "platform/utf16.h"

namespace platform {

namespace {

// Output a harness or the user sent to a file or pipe stays there; anything else (no handle at
// all, as a GUI program gets it, or a console handle) is free for the parent's console.
bool goes_to_file_or_pipe(DWORD which)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = ::GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

}  // namespace

void attach_parent_console()
{
    const bool out_free = !goes_to_file_or_pipe(STD_OUTPUT_HANDLE);
    const bool err_free = !goes_to_file_or_pipe(STD_ERROR_HANDLE);
    if (!out_free && !err_free) return;
    // Started by a double-click there is no parent console, and nothing to do.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (out_free && std::freopen("CONOUT$", "w", stdout) != nullptr) {
        ::SetStdHandle(STD_OUTPUT_HANDLE,
                       reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout))));
    }
    if (err_free && std::freopen("CONOUT$", "w", stderr) != nullptr) {
        std::setvbuf(stderr, nullptr, _IONBF, 0);  // unbuffered, as standard error always is
        ::SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stderr))));
    }
}

void ignore_file_size_signal()
{
    // Windows has no file-size signal: a write beyond a limit fails on its own.
}

namespace {

std::atomic<bool> terminating{false};
HANDLE terminating_event = nullptr;

// How long closing the console, log-off or shut-down wait for the game to end. Windows ends
// the process when the handler returns, and on its own after about five seconds.
constexpr DWORD end_wait_ms = 5000;

void note_termination()
{
    terminating = true;
    if (terminating_event != nullptr) ::SetEvent(terminating_event);
}

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI note_console_event(DWORD event)
{
    note_termination();
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;  // the game ends itself
    // Close, log-off, shut-down: returning ends the process at once, before the game has
    // reached its end and saved what it saves. The game's exit ends this thread with the rest
    // of the process; the wait only bounds a game that does not end.
    ::Sleep(end_wait_ms);
    return TRUE;
}

// A program without a console hears of log-off and shut-down only through its top-level
// windows: WM_QUERYENDSESSION asks, WM_ENDSESSION tells, and the process may be ended as soon
// as every window has returned from the latter. The game's own window cannot wait there: its
// thread is the one that has to reach the game's end. So a hidden top-level window on a thread
// of its own takes the news, sets the flag the game's frames look at and holds WM_ENDSESSION
// until the game has ended the process, as the console handler does.
LRESULT CALLBACK session_watcher_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;  // the game does not stand in the way; it ends when the session does
        case WM_ENDSESSION:
            if (wparam != FALSE) {  // FALSE: someone called the session's end off
                note_termination();
                ::Sleep(end_wait_ms);
            }
            return 0;
        default:
            return ::DefWindowProcW(window, message, wparam, lparam);
    }
}

DWORD WINAPI run_session_watcher(void*)
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = session_watcher_procedure;
    window_class.hInstance = instance;
    window_class.lpszClassName = L"brillox session watcher";
    if (::RegisterClassW(&window_class) == 0) return 1;
    // Never shown, so neither on the screen nor in the task bar; a message-only window would
    // not get the session's broadcasts.
    if (::CreateWindowExW(0, window_class.lpszClassName, L"brillox", WS_OVERLAPPED, 0, 0, 0, 0,
                          nullptr, nullptr, instance, nullptr) == nullptr) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

void catch_system_termination_requests()
{
    if (terminating_event != nullptr) return;                           // once is enough
    terminating_event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset
    ::SetConsoleCtrlHandler(note_console_event, TRUE);
    const HANDLE watcher = ::CreateThread(nullptr, 0, run_session_watcher, nullptr, 0, nullptr);
    if (watcher != nullptr) ::CloseHandle(watcher);
}

bool termination_requested()
{
    return terminating;
}

void* termination_event()
{
    return terminating_event;
}

std::string program_path()
{
    // The name is cut short without an error code of its own when the buffer is too small;
    // long paths (up to 32767 characters) need more than MAX_PATH.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return "";
        if (length < size) return narrow(std::wstring(buffer.data(), length));
        if (buffer.size() > 65536) return "";
        buffer.resize(buffer.size() * 2);
    }
}

bool set_working_directory(const std::string& dir)
{
    return ::SetCurrentDirectoryW(widen(dir).c_str()) != 0;
}

namespace {

struct BoxRequest {
    std::wstring title, text;
    UINT style;
};

DWORD WINAPI run_box(void* parameter)
{
    const auto* request = static_cast<const BoxRequest*>(parameter);
    ::MessageBoxW(nullptr, request->text.c_str(), request->title.c_str(), request->style);
    return 0;
}

BOOL CALLBACK close_window(HWND window, LPARAM /*unused*/)
{
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

void show_message_box(const std::string& title, const std::string& text, bool warning)
{
    // The box runs on a thread of its own while this one waits for it or for a termination
    // request, which closes the box as its close button would.
    BoxRequest request{widen(title), widen(text),
                       static_cast<UINT>((warning ? MB_ICONWARNING : MB_ICONINFORMATION) | MB_OK |
                                         MB_SETFOREGROUND | MB_TOPMOST)};
    DWORD box_thread_id = 0;
    const HANDLE box_thread = ::CreateThread(nullptr, 0, run_box, &request, 0, &box_thread_id);
    if (box_thread == nullptr) {
        run_box(&request);
        return;
    }
    const HANDLE waits[2] = {box_thread, terminating_event};
    const DWORD count = terminating_event != nullptr ? 2 : 1;
    for (;;) {
        const DWORD woke =
            ::WaitForMultipleObjects(count, waits, FALSE, count == 2 ? INFINITE : 20);
        if (woke == WAIT_OBJECT_0) break;
        if (woke == WAIT_FAILED) {
            // The request lives on this stack: never leave while the box still uses it.
            ::WaitForSingleObject(box_thread, INFINITE);
            break;
        }
        if (!termination_requested()) continue;
        // The box may not exist yet: look again until its thread has ended.
        do {
            ::EnumThreadWindows(box_thread_id, close_window, 0);
        } while (::WaitForSingleObject(box_thread, 20) == WAIT_TIMEOUT);
        break;
    }
    ::CloseHandle(box_thread);
}

void beep()
{
    ::MessageBeep(MB_OK);
}

bool debugger_attached()
{
    return ::IsDebuggerPresent() != 0;
}

void debug_output(const char* text)
{
    if (!debugger_attached()) return;
    // The runtime's texts are 8-bit Windows texts, which the narrow call takes as they are.
    const std::string line = std::string(text != nullptr ? text : "") + "\n";
    ::OutputDebugStringA(line.c_str());
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

LocalTime local_time()
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::FILE* open_file_for_reading(const std::string& path)
{
    return ::_wfopen(widen(path).c_str(), L"rb");
}

std::string display_environment()
{
    // A service or a scheduled task without a desktop runs in a window station nobody sees.
    const HWINSTA station = ::GetProcessWindowStation();
    if (station == nullptr) return "no window station";
    std::wstring name(256, L'\0');
    DWORD needed = 0;
    std::string text = "window station ";
    if (::GetUserObjectInformationW(station, UOI_NAME, name.data(),
                                    static_cast<DWORD>(name.size() * sizeof(wchar_t)), &needed)) {
        text += narrow(name.c_str());
    } else {
        text += "(unnamed)";
    }
    USEROBJECTFLAGS flags{};
    if (::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        text += (flags.dwFlags & WSF_VISIBLE) != 0 ? " (interactive)" : " (not interactive)";
    }
    return text;
}

const char* without_screen_advice()
{
    // SDL's offscreen driver needs EGL, which Windows lacks, and its dummy driver has no GL:
    // only the windows driver draws, and it needs a desktop.
    return "The game needs a desktop session to run in.";
}

std::string system_ui_language()
{
    // The display language the user picked in the settings, as "de-DE".
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID locale = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
    if (::LCIDToLocaleName(locale, name, LOCALE_NAME_MAX_LENGTH, 0) == 0) return "";
    return narrow(name);
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
