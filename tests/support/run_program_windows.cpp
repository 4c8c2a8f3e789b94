// CreateProcessW with the child's streams captured in scratch files, a wall-clock limit and
// TerminateProcess. Names and arguments are UTF-8 here and UTF-16 at the API.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace testing_support {

namespace {

std::wstring widen(const std::string& text)
{
    if (text.empty()) return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// One argument as the C runtime's command-line parser reads it back: quoted when it is empty
// or holds a blank or a quote; backslashes doubled only where a quote follows them.
std::wstring quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

std::wstring upper(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The name of an entry "NAME=value"; Windows keeps entries such as "=C:=C:\dir" whose name
// starts with '=', and compares names without regard to case.
std::wstring name_of(const std::wstring& entry)
{
    const std::size_t equals = entry.find(L'=', 1);
    return upper(entry.substr(0, equals));
}

// This process's environment with the entries of env on top, as CreateProcessW takes it:
// "NAME=value" strings, each ended by a NUL, and one more NUL at the end.
std::wstring environment_block(const std::vector<std::string>& env)
{
    std::vector<std::wstring> changes;  // "NAME=value", or "NAME" to remove
    for (const std::string& mine : env) {
        const std::size_t equals = mine.find('=');
        const std::string value = equals == std::string::npos ? "" : mine.substr(equals);
        for (const std::string& name : environment_names(mine.substr(0, equals)))
            changes.push_back(widen(name + value));
    }
    std::vector<std::wstring> entries;
    for (const std::wstring& change : changes) {
        if (change.find(L'=') != std::wstring::npos) entries.push_back(change);
    }
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* e = strings; *e != L'\0'; e += wcslen(e) + 1) {
        bool replaced = false;
        for (const std::wstring& change : changes)
            replaced = replaced || name_of(change) == name_of(e);
        if (!replaced) entries.emplace_back(e);
    }
    FreeEnvironmentStringsW(strings);
    std::wstring block;
    for (const std::wstring& entry : entries) block += entry + L'\0';
    return block + L'\0';
}

// The software-rendering notice of a program started here (a message box that waits for a
// click; Wine on Xvfb renders with Mesa's llvmpipe) is clicked away as a player would, by a
// thread that looks for it until the program ends: a run that is not scripted shows it, and
// the test is not there to click. The X tests do the same for the Linux program.
const wchar_t* const software_notice = L"!!OpenGL Software Emulation!!";

BOOL CALLBACK close_notice_of(HWND window, LPARAM process_id)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    if (owner == static_cast<DWORD>(process_id) && wcscmp(title, software_notice) == 0)
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void click_notices_away(HANDLE process, DWORD process_id)
{
    while (WaitForSingleObject(process, 200) == WAIT_TIMEOUT)
        EnumWindows(close_notice_of, static_cast<LPARAM>(process_id));
    CloseHandle(process);
}

std::string without_carriage_returns(std::string text)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        text[kept++] = text[i];
    }
    text.resize(kept);
    return text;
}

HANDLE inheritable_file(const std::wstring& path, DWORD access, DWORD creation)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, creation,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

RunningProgram start_program(const std::string& program, const std::vector<std::string>& args,
                             const std::string& cwd, const std::vector<std::string>& env)
{
    RunningProgram running;
    if (!make_stream_files(running)) return running;

    std::wstring command_line = quoted(widen(program));
    for (const std::string& arg : args) command_line += L" " + quoted(widen(arg));
    std::wstring environment = environment_block(env);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable_file(L"NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = inheritable_file(widen(running.out_path), GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = inheritable_file(widen(running.err_path), GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION started{};
    const bool streams =
        startup.hStdOutput != INVALID_HANDLE_VALUE && startup.hStdError != INVALID_HANDLE_VALUE;
    // Under Wine on a busy machine a start fails now and then for no reason of the program's;
    // it is tried again a few times before the test hears of it.
    bool ok = false;
    DWORD start_error = streams ? 0 : GetLastError();
    for (int attempt = 0; streams && !ok && attempt < 3; ++attempt) {
        if (attempt > 0) Sleep(200);
        ok = CreateProcessW(widen(program).c_str(), command_line.data(), nullptr, nullptr, TRUE,
                            CREATE_UNICODE_ENVIRONMENT, environment.data(), widen(cwd).c_str(),
                            &startup, &started) != 0;
        if (!ok) start_error = GetLastError();
    }
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    if (!ok) {
        running.start_failure =
            "(could not be started: Windows error " + std::to_string(start_error) + ")\n";
        return running;
    }
    CloseHandle(started.hThread);
    running.pid = static_cast<int>(started.dwProcessId);
    running.process = started.hProcess;
    HANDLE watched = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), started.hProcess, GetCurrentProcess(), &watched,
                        SYNCHRONIZE, FALSE, 0)) {
        std::thread(click_notices_away, watched, started.dwProcessId).detach();
    }
    return running;
}

namespace {

struct CloseRequest {
    DWORD process_id;
    bool sent;
};

BOOL CALLBACK close_if_owned(HWND window, LPARAM request_address)
{
    auto* request = reinterpret_cast<CloseRequest*>(request_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request->process_id && IsWindowVisible(window)) {
        request->sent = PostMessageW(window, WM_CLOSE, 0, 0) || request->sent;
    }
    return TRUE;
}

struct OwnedWindows {
    DWORD process_id;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect_if_owned(HWND window, LPARAM owned_address)
{
    auto* owned = reinterpret_cast<OwnedWindows*>(owned_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == owned->process_id) owned->windows.push_back(window);
    return TRUE;
}

}  // namespace

bool end_session(RunningProgram& running)
{
    if (running.process == nullptr) return false;
    OwnedWindows owned{static_cast<DWORD>(running.pid), {}};
    EnumWindows(collect_if_owned, reinterpret_cast<LPARAM>(&owned));
    const std::vector<HWND>& windows = owned.windows;
    // Each window is asked first and told afterwards, as the system does, and a window that
    // answers no message (the thread of a scripted game reads none on a screen without frames)
    // is passed over after a while, as the system passes over a hung program. A window may
    // hold WM_ENDSESSION until its process has ended, which ends the call without a result.
    constexpr UINT answer_limit_ms = 5000;
    constexpr UINT flags = SMTO_NORMAL | SMTO_ABORTIFHUNG;
    DWORD_PTR answer = 0;
    for (const HWND window : windows) {
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, flags,
                            answer_limit_ms, &answer);
    }
    for (const HWND window : windows) {
        SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, flags, answer_limit_ms,
                            &answer);
    }
    return !windows.empty();
}

bool ask_to_end(const RunningProgram& running)
{
    CloseRequest request{static_cast<DWORD>(running.pid), false};
    if (running.process != nullptr) EnumWindows(close_if_owned, reinterpret_cast<LPARAM>(&request));
    return request.sent;
}

ProgramOutcome finish_program(RunningProgram& running, double timeout_s)
{
    ProgramOutcome result;
    std::string ending;
    if (running.process != nullptr) {
        const HANDLE process = running.process;
        if (WaitForSingleObject(process, static_cast<DWORD>(timeout_s * 1000)) != WAIT_OBJECT_0) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, INFINITE);
            result.timed_out = true;
        } else {
            DWORD code = 0;
            GetExitCodeProcess(process, &code);
            // Exception codes (0xC0000005 for an access violation ...) are the Windows
            // counterpart of a death by signal.
            if (code >= 0xC0000000u) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
                ending = std::string("(ended by exception ") + hex + ")\n";
            } else {
                result.exit_code = static_cast<int>(code);
            }
        }
        CloseHandle(process);
        running.process = nullptr;
        running.pid = -1;
    }
    // The C runtime's text mode ends a program's lines with CR LF on Windows; a test reads
    // them as on POSIX.
    result.out = without_carriage_returns(read_file(running.out_path));
    result.err =
        without_carriage_returns(read_file(running.err_path)) + ending + running.start_failure;
    if (result.timed_out) {
        result.err += "(still running after " + std::to_string(timeout_s) + " s: killed)\n";
    }
    if (!running.streams_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(running.streams_dir, ignored);
    }
    return result;
}

}  // namespace testing_support
