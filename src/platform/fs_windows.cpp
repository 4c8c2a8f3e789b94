// File-system services for the runtime on Windows, with the promises fs.h makes in Windows
// terms: a save goes to a temporary file beside the target that replaces it whole, links
// (reparse points) are never followed where a planted one could redirect a write, and locks
// are byte-range locks. Names are UTF-8 inside the program and UTF-16 at the API; "/" and "\"
// both separate the parts of a name.
#define NOMINMAX  // std::min and std::max, not the macros
#include <windows.h>
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "platform/fs_internal.h"
#include "platform/utf16.h"

namespace platform {

using fs_detail::fail_with;

namespace {

// The texts POSIX systems give for these; the same words whichever system the game runs on.
const char* const no_such_file = "No such file or directory";
const char* const permission_denied = "Permission denied";
const char* const not_regular = "not a regular file";

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool is_separator(char c)
{
    return c == '/' || c == '\\';
}

// Splits "a\b/c" into the directory prefix "a\b/" (separator kept, so that joining is plain
// concatenation) and the last component "c". "C:c" splits after the drive.
void split_last_component(const std::string& path, std::string& prefix, std::string& last)
{
    std::size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos && path.size() >= 2 && path[1] == ':') cut = 1;
    if (cut == std::string::npos) {
        prefix.clear();
        last = path;
    } else {
        prefix = path.substr(0, cut + 1);
        last = path.substr(cut + 1);
    }
}

std::string directory_of(const std::string& path)
{
    std::string prefix, last;
    split_last_component(path, prefix, last);
    return prefix.empty() ? "." : prefix;
}

// Trailing separators taken away, except the one of a drive's root ("C:\").
std::string without_trailing_separators(std::string dir)
{
    while (dir.size() > 1 && is_separator(dir.back()) && !(dir.size() == 3 && dir[1] == ':')) {
        dir.pop_back();
    }
    return dir;
}

// name in the folder dir, with one separator between them whatever dir ends in.
std::string joined(const std::string& dir, const std::string& name)
{
    return dir.empty() || is_separator(dir.back()) ? dir + name : dir + "\\" + name;
}

// The system's own words for an error code, without the full stop and line end.
std::string reason(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result = length > 0 ? narrow(std::wstring(text, length)) : "";
    if (text != nullptr) ::LocalFree(text);
    while (!result.empty() && (result.back() == '.' || result.back() == '\r' ||
                               result.back() == '\n' || result.back() == ' ')) {
        result.pop_back();
    }
    return result.empty() ? "system error " + std::to_string(error) : result;
}

std::string last_reason()
{
    return reason(::GetLastError());
}

DWORD attributes_of(const std::string& path)
{
    return ::GetFileAttributesW(widen(path).c_str());
}

// Closes the handle it holds when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle()
    {
        if (valid()) ::CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

private:
    HANDLE handle_;
};

// An existing file (or, with FILE_FLAG_BACKUP_SEMANTICS, a folder) opened for access; other
// programs may go on reading, writing and renaming it.
HANDLE open_existing(const std::string& path, DWORD access, DWORD flags)
{
    return ::CreateFileW(widen(path).c_str(), access, share_all, nullptr, OPEN_EXISTING, flags,
                         nullptr);
}

bool information(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info)
{
    return ::GetFileInformationByHandle(handle, &info) != 0;
}

// False with the system's error set when the data could not be written whole.
bool write_all(HANDLE handle, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, bytes, chunk, &written, nullptr)) return false;
        if (written == 0) {  // a full disk; 0 would otherwise loop for ever
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

bool seek_to(HANDLE handle, std::int64_t offset)
{
    LARGE_INTEGER where;
    where.QuadPart = offset;
    return ::SetFilePointerEx(handle, where, nullptr, FILE_BEGIN) != 0;
}

// The path of an open file with every link on the way resolved, in the system's spelling, as
// a plain path where the "\\?\" form says nothing more.
std::string final_path(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0) return "";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length + 1);
    }
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return narrow(L"\\" + path.substr(7));
    if (path.rfind(L"\\\\?\\", 0) == 0) return narrow(path.substr(4));
    return narrow(path);
}

// Follows a link (a symbolic link or a junction) to the file whose contents are to be
// replaced: renaming over the link itself would turn it into a plain file and leave its target
// stale. A name with no file yet is its own target. The error code when it cannot be followed.
DWORD final_link_target(const std::string& path, std::string& target)
{
    target = path;
    const DWORD attributes = attributes_of(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return 0;
    const Handle file(open_existing(path, 0, FILE_FLAG_BACKUP_SEMANTICS));
    if (!file.valid()) return ::GetLastError();
    target = final_path(file.get());
    return target.empty() ? ::GetLastError() : 0;
}

// Six letters or digits for a temporary name, different on every call and in every process.
std::string random_suffix()
{
    static std::atomic<std::uint64_t> calls{0};
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    std::uint64_t mix = static_cast<std::uint64_t>(now.QuadPart) ^
                        (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 40) ^
                        (++calls * 0x9E3779B97F4A7C15ull);
    // splitmix64's finaliser spreads the bits of the counter and the clock over all of them.
    mix = (mix ^ (mix >> 30)) * 0xBF58476D1CE4E5B9ull;
    mix = (mix ^ (mix >> 27)) * 0x94D049BB133111EBull;
    mix ^= mix >> 31;
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix;
    for (int i = 0; i < 6; ++i, mix /= 62) suffix += alphabet[mix % 62];
    return suffix;
}

// "." + the target's name + ".": NTFS takes 255 UTF-16 units in a name, and 200 bytes of
// UTF-8 are never more than 200 of them, which leaves room for the dots and the random part.
// The cut moves back to the start of a character, so that the name stays valid UTF-8.
std::string temp_name_start(const std::string& last)
{
    std::size_t room = 200;
    if (last.size() > room) {
        while (room > 0 && (static_cast<unsigned char>(last[room]) & 0xC0) == 0x80) --room;
    }
    return fs_detail::temp_name_start(last, room);
}

// Creates a new file named start + six random characters for writing; the name in path.
HANDLE create_temp_file(const std::string& start, std::string& path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = start + random_suffix();
        const HANDLE file = ::CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Writes, flushes and closes a temporary file; "" or the reason of a failure.
std::string write_and_close(HANDLE file, const void* data, std::size_t size)
{
    std::string failure;
    if (!write_all(file, data, size) || !::FlushFileBuffers(file)) failure = last_reason();
    // Closing can report a delayed write error (a network drive); it counts as a failed write.
    if (!::CloseHandle(file) && failure.empty()) failure = last_reason();
    return failure;
}

std::time_t unix_time(const FILETIME& time)
{
    ULARGE_INTEGER ticks;  // 100 ns since 1601
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return static_cast<std::time_t>((ticks.QuadPart - 116444736000000000ull) / 10000000ull);
}

// Calls visit(name, entry) for each entry of dir whose name starts with name_start, "." and
// ".." left out.
template <class Visit>
void for_each_entry(const std::string& dir, const std::string& name_start, Visit visit)
{
    WIN32_FIND_DATAW entry;
    const HANDLE listing = ::FindFirstFileW(widen(joined(dir, name_start + "*")).c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = narrow(entry.cFileName);
        // The pattern also matches the short 8.3 aliases of names; the real name decides.
        if (name == "." || name == ".." || name.compare(0, name_start.size(), name_start) != 0)
            continue;
        visit(name, entry);
    } while (::FindNextFileW(listing, &entry));
    ::FindClose(listing);
}

// Best effort: only plain files of the exact temporary pattern, from before this run, so that
// a save another running copy is making right now is never touched. The folder is the user's
// own (a temporary folder on Windows belongs to one user), so no owner is checked.
void remove_stale_temporaries(const std::string& prefix, const std::string& name_start)
{
    const DWORD kept =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY;
    for_each_entry(directory_of(prefix + "x"), name_start,
                   [&](const std::string& name, const WIN32_FIND_DATAW& entry) {
                       if (!fs_detail::is_temp_suffix(name.c_str() + name_start.size())) return;
                       if ((entry.dwFileAttributes & kept) != 0) return;
                       if (unix_time(entry.ftLastWriteTime) >= fs_detail::run_started) return;
                       ::DeleteFileW(widen(prefix + name).c_str());
                   });
}

// Writes data over the file itself. The new length is reserved before anything is written, so
// that a full disk fails the write while the old contents are still whole.
std::string overwrite_in_place(const std::string& target, const void* data, std::size_t size)
{
    const Handle file(::CreateFileW(widen(target).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return last_reason();
    LARGE_INTEGER old_size;
    if (!::GetFileSizeEx(file.get(), &old_size)) return last_reason();
    const auto new_size = static_cast<std::int64_t>(size);
    if (new_size > old_size.QuadPart &&
        (!seek_to(file.get(), new_size) || !::SetEndOfFile(file.get()))) {
        const std::string failure = last_reason();
        // Gives back what the failed reservation added; the old contents were not touched.
        if (seek_to(file.get(), old_size.QuadPart)) ::SetEndOfFile(file.get());
        return failure;
    }
    if (!seek_to(file.get(), 0) || !write_all(file.get(), data, size) ||
        !seek_to(file.get(), new_size) || !::SetEndOfFile(file.get()) ||
        !::FlushFileBuffers(file.get())) {
        return last_reason();
    }
    return "";
}

// Puts the whole temporary file in the target's place with one rename, so that another copy
// of the program reading the file at that moment finds either the old file or the new one.
// ReplaceFileW is not used: Wine's moves the old file away before it moves the new one in, and
// a reader in between found no file at all. The old file's attributes (hidden, archive ...)
// are given to the new one first, as ReplaceFileW would; its access rights are those the
// folder gives a new file. A target that a scanner or another program holds open for a moment
// is tried again a few times. The names are made full first: a bare name such as the
// "savegame.ini" of the data folder the game runs in must reach the same folder as the
// temporary file.
bool put_in_place(const std::string& temp_path, const std::string& target, DWORD old_attributes)
{
    const std::wstring from = widen(absolute_path(temp_path)), to = widen(absolute_path(target));
    if (old_attributes != INVALID_FILE_ATTRIBUTES) {
        const DWORD kept =
            old_attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept != 0) ::SetFileAttributesW(from.c_str(), kept);
    }
    constexpr int tries = 5;
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        if (!held || attempt == tries) return false;
        ::Sleep(20);
    }
}

// replace_file_contents: "" on success, else the reason.
std::string replace_contents(const std::string& path, const void* data, std::size_t size)
{
    if (path.empty()) return no_such_file;
    std::string target;
    if (const DWORD error = final_link_target(path, target)) return reason(error);
    std::string prefix, last;
    split_last_component(target, prefix, last);
    if (last.empty()) return not_regular;

    const DWORD attributes = attributes_of(target);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && ::GetLastError() != ERROR_FILE_NOT_FOUND) return last_reason();
    if (exists) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return not_regular;
        // Windows refuses to replace a read-only file, but Wine lets MoveFileExW and
        // ReplaceFileW do it; the attribute is checked here so that every system leaves it.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return permission_denied;
        // A rename would split the hard links; the file is written in place instead.
        const Handle old(open_existing(target, 0, 0));
        BY_HANDLE_FILE_INFORMATION info;
        if (!old.valid() || !information(old.get(), info)) return last_reason();
        if (::GetFileType(old.get()) != FILE_TYPE_DISK) return not_regular;
        if (info.nNumberOfLinks > 1) return overwrite_in_place(target, data, size);
    }

    // The temporary file sits in the same folder, because a rename only replaces atomically
    // within one volume.
    const std::string name_start = temp_name_start(last);
    std::string temp_path;
    const HANDLE temp = create_temp_file(prefix + name_start, temp_path);
    if (temp == INVALID_HANDLE_VALUE) {
        // In a folder this user may not change there is no other way than writing the file.
        if (exists && ::GetLastError() == ERROR_ACCESS_DENIED) {
            return overwrite_in_place(target, data, size);
        }
        return last_reason();
    }
    std::string failure = write_and_close(temp, data, size);
    // A target another program holds open without letting it be renamed or deleted stays as
    // it was, and the save fails with the system's reason.
    if (failure.empty() && !put_in_place(temp_path, target, attributes)) failure = last_reason();
    if (!failure.empty()) {
        ::DeleteFileW(widen(temp_path).c_str());
        return failure;
    }
    remove_stale_temporaries(prefix, name_start);
    return "";
}

// Whether a file opened with FILE_FLAG_OPEN_REPARSE_POINT is a plain file of the disk (not a
// link, a folder or a device); else the reason.
const char* plain_file_problem(HANDLE file, BY_HANDLE_FILE_INFORMATION& info)
{
    if (::GetFileType(file) != FILE_TYPE_DISK) return "it is not a regular file";
    if (!information(file, info)) return "it cannot be examined";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return "it is a symbolic link";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "it is not a regular file";
    return nullptr;
}

// A CRT file descriptor that owns the handle; -1 (and the handle closed) when none can be had.
int descriptor_of(HANDLE file, int flags)
{
    const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file), flags | _O_BINARY);
    if (fd < 0) ::CloseHandle(file);
    return fd;
}

}  // namespace

std::string temp_directory()
{
    wchar_t buffer[MAX_PATH + 2];
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, buffer);
    if (length == 0 || length > MAX_PATH + 1) return ".";
    return without_trailing_separators(narrow(std::wstring(buffer, length)));
}

// The file systems of Windows ignore letter case themselves; what is left is to give the name
// as it is spelled on disk, as the POSIX version does for a name found in another case.
std::string resolve_name_ignoring_case(const std::string& name)
{
    std::string prefix, last;
    split_last_component(name, prefix, last);
    if (last.empty() || last == "." || last == ".." ||
        last.find_first_of("*?") != std::string::npos) {
        return name;  // no single entry, or a pattern FindFirstFileW would expand
    }
    WIN32_FIND_DATAW entry;
    const HANDLE found = ::FindFirstFileW(widen(name).c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) return name;
    ::FindClose(found);
    return prefix + narrow(entry.cFileName);
}

ReadResult read_whole_file(const std::string& path, std::size_t limit, std::string& contents,
                           bool regular_only)
{
    contents.clear();
    if (path.empty()) return ReadResult::missing;
    const DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return regular_only ? ReadResult::missing : ReadResult::failed;
    }
    const Handle file(open_existing(path, GENERIC_READ, FILE_ATTRIBUTE_NORMAL));
    if (!file.valid()) return ReadResult::missing;
    const bool regular = ::GetFileType(file.get()) == FILE_TYPE_DISK;
    if (regular_only && !regular) return ReadResult::missing;
    LARGE_INTEGER file_size;
    if (regular && ::GetFileSizeEx(file.get(), &file_size)) {
        contents.reserve(static_cast<std::size_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(file_size.QuadPart), limit)));
    }
    const auto read_chunk = [&file](char* buffer, std::size_t size) -> long {
        DWORD got = 0;
        if (::ReadFile(file.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return got;
        return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;  // a pipe's writer has gone
    };
    return fs_detail::read_limited(read_chunk, limit, contents);
}

bool replace_file_contents(const std::string& path, const void* data, std::size_t size,
                           std::string* failure)
{
    const std::string why = replace_contents(path, data, size);
    return why.empty() || fail_with(failure, why);
}

// A temporary folder on Windows belongs to its user alone, so unlike /tmp nobody else can plant
// a file there; the checks keep the report from going through a link or into a device.
bool append_to_own_file(const std::string& path, const std::string& text, std::string* failure)
{
    const Handle file(::CreateFileW(widen(path).c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        // A folder cannot be opened for appending at all; the reason says what it is.
        return fail_with(failure, is_directory(path) ? "it is not a regular file" : last_reason());
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (const char* refused = plain_file_problem(file.get(), info)) {
        return fail_with(failure, refused);
    }
    if (info.nNumberOfLinks != 1) return fail_with(failure, "it has other hard links");
    if (!write_all(file.get(), text.data(), text.size())) return fail_with(failure, last_reason());
    return true;
}

int open_regular_file_for_reading(const std::string& path)
{
    const HANDLE file = open_existing(path, GENERIC_READ, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) return -1;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(file) != FILE_TYPE_DISK || !information(file, info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::CloseHandle(file);
        return -1;
    }
    return descriptor_of(file, _O_RDONLY);
}

int create_file_for_writing(const std::string& path)
{
    const int fd =
        ::_wopen(widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
    return fd < 0 ? -1 : fd;
}

void close_file(int fd)
{
    if (fd >= 0) ::_close(fd);
}

std::int64_t regular_file_size(std::FILE* file)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER size;
    if (handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) != FILE_TYPE_DISK ||
        !information(handle, info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !::GetFileSizeEx(handle, &size)) {
        return -1;
    }
    return size.QuadPart;
}

bool exists(const std::string& path)
{
    return attributes_of(path) != INVALID_FILE_ATTRIBUTES;
}

bool is_directory(const std::string& path)
{
    const DWORD attributes = attributes_of(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    // A link: what it leads to decides.
    const Handle target(open_existing(path, 0, FILE_FLAG_BACKUP_SEMANTICS));
    BY_HANDLE_FILE_INFORMATION info;
    return target.valid() && information(target.get(), info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A folder's access rights are judged by trying: a probe file is created and removed again
// (the read-only attribute of a folder means nothing to Windows). A file must not be read-only
// and must open for writing.
bool may_write(const std::string& path)
{
    const DWORD attributes = attributes_of(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (is_directory(path)) {
        const std::string probe = joined(path, ".probe-" + random_suffix());
        const HANDLE file = ::CreateFileW(
            widen(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        ::CloseHandle(file);
        return true;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
    return Handle(open_existing(path, GENERIC_WRITE, 0)).valid();
}

std::string user_data_directory()
{
    wchar_t* folder = nullptr;
    std::string result;
    if (::SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder) == S_OK) {
        result = without_trailing_separators(narrow(folder));
    }
    ::CoTaskMemFree(folder);
    return result;
}

// The folders get the access rights they inherit: under the user's profile, where the
// player's files go, those are the user's own, as 0700 makes them on POSIX systems.
bool make_private_directories(const std::string& dir, std::string* failure)
{
    if (dir.empty()) return fail_with(failure, no_such_file);
    // The root needs no making: "\\server\share\", "C:\" or "\".
    std::size_t start = 1;
    if (dir.size() >= 2 && is_separator(dir[0]) && is_separator(dir[1])) {
        start = dir.find_first_of("/\\", dir.find_first_of("/\\", 2) + 1);
    } else if (dir.size() >= 2 && dir[1] == ':') {
        start = 3;
    }
    for (std::size_t end = dir.find_first_of("/\\", start);;
         end = dir.find_first_of("/\\", end + 1)) {
        const std::string part = dir.substr(0, end);
        if (!part.empty() && !is_separator(part.back()) && !is_directory(part) &&
            !::CreateDirectoryW(widen(part).c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return fail_with(failure, last_reason());
        }
        if (end == std::string::npos) break;
    }
    return is_directory(dir) || fail_with(failure, "Not a directory");
}

bool copy_file_if_missing(const std::string& from, const std::string& to, std::string* failure)
{
    if (exists(to)) return true;
    std::string contents;
    if (read_whole_file(from, fs_detail::copy_limit, contents, true) != ReadResult::whole) {
        return fail_with(failure, from + " cannot be read");
    }
    std::string prefix, last;
    split_last_component(to, prefix, last);
    std::string temp_path;
    const HANDLE temp = create_temp_file(prefix + temp_name_start(last), temp_path);
    if (temp == INVALID_HANDLE_VALUE) return fail_with(failure, last_reason());
    std::string why = write_and_close(temp, contents.data(), contents.size());
    // Without MOVEFILE_REPLACE_EXISTING the move puts the whole copy under its name at once,
    // and never over a file that another copy of the program put there meanwhile.
    if (why.empty()) {
        if (::MoveFileExW(widen(temp_path).c_str(), widen(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) why = reason(error);
    }
    ::DeleteFileW(widen(temp_path).c_str());  // the copy that was not moved
    return why.empty() || fail_with(failure, why);
}

bool remove_file(const std::string& path)
{
    return ::DeleteFileW(widen(path).c_str()) != 0;
}

// The volume's serial number and the file's index name one file, whatever the spelling.
bool same_file(const std::string& a, const std::string& b)
{
    const Handle first(open_existing(a, 0, FILE_FLAG_BACKUP_SEMANTICS));
    const Handle second(open_existing(b, 0, FILE_FLAG_BACKUP_SEMANTICS));
    BY_HANDLE_FILE_INFORMATION one, other;
    return first.valid() && second.valid() && information(first.get(), one) &&
           information(second.get(), other) &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

std::string absolute_path(const std::string& path)
{
    if (path.empty()) return path;
    const std::wstring wide = widen(path);
    const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return path;
    full.resize(written);
    return narrow(full);
}

// ---- Output files the user names ----

// GetFullPathNameW takes "." and ".." away and turns "/" into "\"; the folder is then spelled
// as on disk with its links resolved. Names differing only in letter case are one file on
// Windows, so the last component is spelled as on disk, or in lower case when it does not
// exist yet: "Out.txt" and "out.txt" give one text.
std::string normalised_path(const std::string& path)
{
    if (path.empty()) return path;
    const std::string absolute = absolute_path(path);
    std::string prefix, last;
    split_last_component(absolute, prefix, last);
    if (last.empty()) return absolute;  // a root
    std::string dir = without_trailing_separators(prefix);
    if (const Handle folder(open_existing(dir, 0, FILE_FLAG_BACKUP_SEMANTICS)); folder.valid()) {
        const std::string on_disk = final_path(folder.get());
        if (!on_disk.empty()) dir = on_disk;
    }
    std::string name;
    if (exists(absolute)) {
        std::string ignored;
        split_last_component(resolve_name_ignoring_case(absolute), ignored, name);
    } else {
        std::wstring wide = widen(last);
        ::CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
        name = narrow(wide);
    }
    return joined(dir, name);
}

std::string output_file_problem(const std::string& path)
{
    const DWORD attributes = attributes_of(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return last_reason();
        // A new file: its folder must take it.
        const std::string dir = directory_of(path);
        if (!is_directory(dir)) return no_such_file;
        return may_write(dir) ? "" : permission_denied;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return "it is a symbolic link";
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "Is a directory";
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return permission_denied;
    const Handle file(open_existing(path, GENERIC_WRITE, FILE_FLAG_OPEN_REPARSE_POINT));
    if (!file.valid()) return last_reason();
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(file.get()) == FILE_TYPE_DISK && information(file.get(), info) &&
        info.nNumberOfLinks > 1) {
        return "it has other hard links";
    }
    return "";
}

// Opened without following a final link: a link is refused, never written through (Windows
// has no pipes or terminals named in the file system that a link would need to reach).
int create_output_file(const std::string& path, std::string* failure)
{
    const auto fail = [failure](const std::string& why) {
        fail_with(failure, why);
        return -1;
    };
    if (path.empty()) return fail(no_such_file);
    const DWORD attributes = attributes_of(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return fail(permission_denied);  // Wine would open it for writing
    }
    Handle file(::CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr));
    if (!file.valid()) return fail(last_reason());
    if (::GetFileType(file.get()) == FILE_TYPE_DISK) {  // else a device such as NUL
        BY_HANDLE_FILE_INFORMATION info;
        if (const char* refused = plain_file_problem(file.get(), info)) return fail(refused);
        if (info.nNumberOfLinks > 1) return fail("it has other hard links");
        if (!::SetEndOfFile(file.get())) return fail(last_reason());  // emptied
    }
    const int fd = descriptor_of(file.release(), _O_WRONLY);
    return fd >= 0 ? fd : fail(std::strerror(errno));
}

std::FILE* create_output_stream(const std::string& path, std::string* failure)
{
    const int fd = create_output_file(path, failure);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::_fdopen(fd, "wb");
    if (stream == nullptr) {
        fail_with(failure, std::strerror(errno));
        ::_close(fd);
    }
    return stream;
}

bool make_output_stage(const std::string& target, std::string& staged, std::string* failure)
{
    std::string prefix, last;
    split_last_component(target, prefix, last);
    if (last.empty() || last == "." || last == "..") return fail_with(failure, "Is a directory");
    const std::string start = prefix + temp_name_start(last);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string dir = start + random_suffix();
        if (::CreateDirectoryW(widen(dir).c_str(), nullptr)) {
            staged = dir + "\\" + last;
            return true;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return fail_with(failure, last_reason());
}

bool commit_output_stage(const std::string& staged, const std::string& target, std::string* failure)
{
    std::string dir, last;
    split_last_component(staged, dir, last);
    bool done = true;
    if (exists(staged)) {
        const DWORD attributes = attributes_of(target);
        // Windows refuses to replace a read-only file; Wine would replace it.
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            done = fail_with(failure, permission_denied);
        } else if (!::MoveFileExW(widen(staged).c_str(), widen(target).c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            done = fail_with(failure, last_reason());
        }
    }
    remove_directory_tree(without_trailing_separators(dir));
    return done;
}

// ---- Scratch folders ----

namespace {

// The id of the process that made a scratch folder of that start, from its name; 0 when the
// name is not one of them.
DWORD scratch_owner(const std::string& name, const std::string& name_start)
{
    const char* digits = name.c_str() + name_start.size();
    char* end = nullptr;
    const unsigned long pid = std::strtoul(digits, &end, 10);
    if (end == digits || *end != '-' || !fs_detail::is_temp_suffix(end + 1)) return 0;
    return static_cast<DWORD>(pid);
}

// A process that cannot be opened for lack of rights (another user's) counts as running.
bool process_running(DWORD pid)
{
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

void remove_abandoned_scratch_directories(const std::string& dir, const std::string& name_start)
{
    std::vector<std::string> abandoned;
    for_each_entry(dir, name_start, [&](const std::string& name, const WIN32_FIND_DATAW& entry) {
        const DWORD attributes = entry.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return;
        }
        const DWORD owner = scratch_owner(name, name_start);
        if (owner != 0 && !process_running(owner)) abandoned.push_back(joined(dir, name));
    });
    for (const std::string& path : abandoned) remove_directory_tree(path);
}

}  // namespace

std::string make_scratch_directory(const std::string& name_start, std::string* failure)
{
    const std::string temp = temp_directory();
    remove_abandoned_scratch_directories(temp, name_start);
    const std::string start =
        joined(temp, name_start + std::to_string(::GetCurrentProcessId()) + "-");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string dir = start + random_suffix();
        if (::CreateDirectoryW(widen(dir).c_str(), nullptr)) return dir;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    fail_with(failure, last_reason());
    return "";
}

// A link inside (a symbolic link or a junction) is removed itself, never entered; a folder
// that is itself a link loses only the link.
void remove_directory_tree(const std::string& dir)
{
    const DWORD attributes = attributes_of(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        std::vector<std::pair<std::string, DWORD>> entries;
        for_each_entry(dir, "", [&](const std::string& name, const WIN32_FIND_DATAW& entry) {
            entries.emplace_back(joined(dir, name), entry.dwFileAttributes);
        });
        for (const auto& [path, entry_attributes] : entries) {
            if ((entry_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                remove_directory_tree(path);
                continue;
            }
            // A read-only file would stop the removal, as it does not on POSIX systems.
            if ((entry_attributes & FILE_ATTRIBUTE_READONLY) != 0) {
                ::SetFileAttributesW(widen(path).c_str(),
                                     entry_attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
            }
            ::DeleteFileW(widen(path).c_str());
        }
    }
    ::RemoveDirectoryW(widen(dir).c_str());
}

// CopyFileW takes the attributes along (read-only among them): the Windows form of a file's
// permissions. It never replaces or follows anything named to.
bool copy_file_with_permissions(const std::string& from, const std::string& to,
                                std::string* failure)
{
    const DWORD attributes = attributes_of(from);
    if (attributes == INVALID_FILE_ATTRIBUTES) return fail_with(failure, last_reason());
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return fail_with(failure, from + " cannot be read");
    }
    if (::CopyFileW(widen(from).c_str(), widen(to).c_str(), TRUE)) return true;
    const DWORD error = ::GetLastError();
    // What a failed copy left is removed, but never a file that was there before.
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        ::DeleteFileW(widen(to).c_str());
    }
    return fail_with(failure, reason(error));
}

// ---- Locks between running copies of the program ----

namespace {

// Windows locks are mandatory: a locked byte cannot be read by anybody else. The lock takes a
// byte far beyond the end of any file, so that reading the file itself (where there is no
// lock file beside it) is never stopped.
OVERLAPPED lock_place()
{
    OVERLAPPED place{};
    place.Offset = 0xFFFFFFFEu;
    place.OffsetHigh = 0x7FFFFFFFu;
    return place;
}

// The lock file beside the target, opened without following a planted link; else nothing.
HANDLE open_lock_file(const std::string& lock_path)
{
    const std::wstring wide = widen(lock_path);
    const DWORD flags = FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, share_all, nullptr,
                                OPEN_ALWAYS, flags, nullptr);
    // A lock file this user may only read locks as well.
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        file = ::CreateFileW(wide.c_str(), GENERIC_READ, share_all, nullptr, OPEN_EXISTING, flags,
                             nullptr);
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (file != INVALID_HANDLE_VALUE && plain_file_problem(file, info) != nullptr) {
        ::CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    return file;
}

}  // namespace

FileLock::~FileLock()
{
    if (handle_ == -1) return;
    const auto file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED place = lock_place();
    if (held_) ::UnlockFileEx(file, 0, 1, 0, &place);
    ::CloseHandle(file);
}

FileLock lock_file(const std::string& path, int wait_ms, std::string* failure)
{
    const auto fail = [failure](const std::string& why) {
        fail_with(failure, why);
        return FileLock();
    };
    std::string target;
    if (const DWORD error = final_link_target(path, target)) return fail(reason(error));
    std::string prefix, last;
    split_last_component(target, prefix, last);
    if (last.empty()) return fail(not_regular);

    HANDLE file = open_lock_file(prefix + "." + last + ".lock");
    if (file == INVALID_HANDLE_VALUE) file = open_existing(target, GENERIC_READ, 0);
    if (file == INVALID_HANDLE_VALUE) return fail(last_reason());

    const ULONGLONG start = ::GetTickCount64();
    for (DWORD pause_ms = 1;; pause_ms = std::min<DWORD>(pause_ms * 2, 20)) {
        OVERLAPPED place = lock_place();
        if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                         &place)) {
            break;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
            // A file system that cannot lock at all: the save goes ahead as it would without.
            if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) break;
            ::CloseHandle(file);
            return fail(reason(error));
        }
        if (::GetTickCount64() - start >= static_cast<ULONGLONG>(std::max(wait_ms, 0))) {
            ::CloseHandle(file);
            return fail("another copy of the program kept it locked");
        }
        ::Sleep(pause_ms);
    }
    FileLock lock;
    lock.handle_ = reinterpret_cast<std::intptr_t>(file);
    lock.held_ = true;
    return lock;
}

}  // namespace platform
