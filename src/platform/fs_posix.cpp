// File-system services for the runtime on POSIX systems: where temporary files go, how a
// file name written in another letter case is found on a case-sensitive file system, how a
// whole file is read with a limit, and how a whole file is replaced so that a crash or a full
// disk never leaves it half written. What Windows shares with it is in fs.cpp.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/fs.h"
#include "platform/fs_internal.h"

namespace platform {

namespace {

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_ascii_case(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    }
    return i == a.size() && b[i] == '\0';
}

bool entry_exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// Splits "a/b/c" into the directory prefix "a/b/" (slash kept, so that joining is plain
// concatenation) and the last component "c". A name without a slash has an empty prefix.
void split_last_component(const std::string& path, std::string& prefix, std::string& last)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        prefix.clear();
        last = path;
    } else {
        prefix = path.substr(0, slash + 1);
        last = path.substr(slash + 1);
    }
}

// The directory that holds path, in a form open() and opendir() accept.
std::string directory_of(const std::string& path)
{
    std::string prefix, last;
    split_last_component(path, prefix, last);
    if (prefix.empty()) return ".";
    return prefix;
}

// Follows a chain of symbolic links to the path whose contents are to be replaced. Renaming
// over the link itself would turn it into a plain file and leave its target stale. A link
// whose target does not exist yet yields that target, so the write creates it. False with
// errno set when the chain cannot be followed.
bool final_link_target(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {  // 40 is the kernel's own limit for link chains
        struct stat info;
        if (::lstat(target.c_str(), &info) != 0) return errno == ENOENT;
        if (!S_ISLNK(info.st_mode)) return true;

        std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) +
                                 1);
        const ssize_t n = ::readlink(target.c_str(), buffer.data(), buffer.size());
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) >= buffer.size() || n == 0) {
            errno = ENAMETOOLONG;  // the link changed while it was read, or is empty
            return false;
        }
        const std::string link_text(buffer.data(), static_cast<std::size_t>(n));

        // A relative link is relative to the directory that holds the link.
        if (link_text[0] == '/') {
            target = link_text;
        } else {
            std::string prefix, last;
            split_last_component(target, prefix, last);
            target = prefix + link_text;
        }
    }
    errno = ELOOP;  // a loop of links
    return false;
}

// The process's file-creation mask. /proc reports it without changing it; the fallback of
// setting and restoring the mask is briefly visible to other threads, so it comes second.
mode_t current_umask()
{
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned int mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr) {
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        }
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// False with errno set when the data could not be written whole.
bool write_all(int fd, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {  // a full disk; 0 would otherwise loop for ever
            errno = ENOSPC;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Makes the rename durable where the file system can sync a directory. Best effort: the
// rename has happened, the new contents are in place and there is nothing left to undo.
void sync_directory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The start of the temporary file's name beside a target: "." + the target's name + ".", to
// which mkstemp adds six characters. A long name is cut so that the whole stays within the
// directory's file-name limit.
std::string temp_name_start(const std::string& dir, const std::string& last)
{
    const long name_max = std::max(::pathconf(dir.c_str(), _PC_NAME_MAX), 16L);
    const std::size_t room = static_cast<std::size_t>(name_max) - 8;  // "." "." and XXXXXX
    return fs_detail::temp_name_start(last, room);
}

// Best effort: only this user's regular files of the exact temporary pattern, from before this
// run, so that a save another running copy is making right now is never touched.
void remove_stale_temporaries(const std::string& dir, const std::string& prefix,
                              const std::string& name_start)
{
    DIR* listing = ::opendir(dir.c_str());
    if (listing == nullptr) return;
    while (const dirent* entry = ::readdir(listing)) {
        if (std::strncmp(entry->d_name, name_start.c_str(), name_start.size()) != 0) continue;
        if (!fs_detail::is_temp_suffix(entry->d_name + name_start.size())) continue;
        const std::string path = prefix + entry->d_name;
        struct stat info;
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid() && info.st_mtime < fs_detail::run_started) {
            ::unlink(path.c_str());
        }
    }
    ::closedir(listing);
}

// Writes data over the file itself. The new length is reserved before anything is written, so
// that a full disk or a file-size limit fails the write while the old contents are still whole.
int overwrite_in_place(const std::string& target, const void* data, std::size_t size)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    const off_t new_size = static_cast<off_t>(size);
    if (new_size > info.st_size) {
        const int error = ::posix_fallocate(fd, 0, new_size);
        // Where the file system cannot reserve space at all, the write goes ahead unreserved.
        if (error != 0 && error != EOPNOTSUPP && error != ENOSYS && error != EINVAL) {
            // Gives back what the failed reservation added; the old contents were not touched.
            const bool restored = ::ftruncate(fd, info.st_size) == 0;
            (void)restored;
            ::close(fd);
            return error;
        }
    }
    int error = 0;
    if (!write_all(fd, data, size) || ::ftruncate(fd, new_size) != 0 || ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

// replace_file_contents with the errno value of a failure (EISDIR for anything but a regular
// file), 0 on success.
int replace_contents(const std::string& path, const void* data, std::size_t size)
{
    std::string target;
    if (path.empty()) return ENOENT;
    if (!final_link_target(path, target)) return errno;

    std::string prefix, last;
    split_last_component(target, prefix, last);
    if (last.empty()) return EISDIR;
    const std::string dir = directory_of(target);

    // A new file gets the permissions open(..., 0666) would give it; mkstemp's 0600 would
    // hide the game's files from other users.
    mode_t mode = 0666 & ~current_umask();
    struct stat old_info;
    const bool exists = ::stat(target.c_str(), &old_info) == 0;
    if (!exists && errno != ENOENT) return errno;
    if (exists) {
        if (!S_ISREG(old_info.st_mode)) return EISDIR;
        // A file its owner made read-only, or one this user may not write, stays as it is.
        if ((old_info.st_mode & 0222) == 0 ||
            ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            return EACCES;
        }
        mode = old_info.st_mode & 07777;
        // A rename would split the hard links, and in a directory this user may not change
        // there is no other way than writing the file itself.
        if (old_info.st_nlink > 1 ||
            ::faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
            return overwrite_in_place(target, data, size);
        }
    }

    // The temporary file sits in the same directory, because rename only replaces
    // atomically within one file system.
    const std::string name_start = temp_name_start(dir, last);
    std::string temp_path = prefix + name_start + "XXXXXX";
    const int fd = ::mkostemp(temp_path.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    if (exists && ::fchown(fd, old_info.st_uid, old_info.st_gid) != 0) {
        // This user cannot give a new file the old owner or group; only the file itself
        // keeps them.
        ::close(fd);
        ::unlink(temp_path.c_str());
        return overwrite_in_place(target, data, size);
    }
    int error = 0;
    if (!write_all(fd, data, size) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) error = errno;
    // close can report a delayed write error (NFS); it counts as a failed write.
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp_path.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp_path.c_str());
        return error;
    }
    sync_directory(dir);
    remove_stale_temporaries(dir, prefix, name_start);
    return 0;
}

}  // namespace

std::string temp_directory()
{
    std::string dir = "/tmp";
    for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
        const char* env = std::getenv(name);
        if (env != nullptr && env[0] != '\0') {
            dir = env;
            break;
        }
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string resolve_name_ignoring_case(const std::string& name)
{
    if (name.empty() || entry_exists(name)) return name;

    std::string prefix, last;
    split_last_component(name, prefix, last);
    if (last.empty() || last == "." || last == "..") return name;

    DIR* dir = ::opendir(prefix.empty() ? "." : prefix.c_str());
    if (dir == nullptr) return name;
    std::vector<std::string> matches;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        if (equal_ignoring_ascii_case(last, entry->d_name)) matches.emplace_back(entry->d_name);
    }
    ::closedir(dir);

    if (matches.empty()) return name;
    // Directory order is arbitrary; sorting makes the choice the same on every run.
    return prefix + *std::min_element(matches.begin(), matches.end());
}

ReadResult read_whole_file(const std::string& path, std::size_t limit, std::string& contents,
                           bool regular_only)
{
    contents.clear();
    if (path.empty()) return ReadResult::missing;
    // O_NONBLOCK keeps a pipe of that name from blocking the open until a writer appears.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (regular_only ? O_NONBLOCK : 0));
    if (fd < 0) return ReadResult::missing;
    struct stat info;
    if (::fstat(fd, &info) != 0 || (regular_only && !S_ISREG(info.st_mode))) {
        ::close(fd);
        return ReadResult::missing;
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return ReadResult::failed;
    }
    if (S_ISREG(info.st_mode)) {
        contents.reserve(static_cast<std::size_t>(std::min<off_t>(info.st_size, limit)));
    }
    const auto read_chunk = [fd](char* buffer, std::size_t size) -> long {
        for (;;) {
            const ssize_t n = ::read(fd, buffer, size);
            if (n >= 0 || errno != EINTR) return static_cast<long>(n);
        }
    };
    const ReadResult result = fs_detail::read_limited(read_chunk, limit, contents);
    ::close(fd);
    return result;
}

bool replace_file_contents(const std::string& path, const void* data, std::size_t size,
                           std::string* failure)
{
    const int error = replace_contents(path, data, size);
    // Where the files the program sees are a copy of the real storage (the browser's
    // IndexedDB), the file is saved only once the storage has it.
    if (error == 0) return fs_detail::store_replaced_file(path, failure);
    if (failure != nullptr)
        *failure = error == EISDIR ? "not a regular file" : std::strerror(error);
    return false;
}

bool append_to_own_file(const std::string& path, const std::string& text, std::string* failure)
{
    const auto fail = [failure](const char* why) {
        if (failure != nullptr) *failure = why;
        return false;
    };
    // A file with no name left was removed after the open: another copy of the program
    // starting in the same folder deletes its old end report. The text goes into the file now
    // there instead of being lost with the removed one.
    constexpr int tries = 3;
    for (int attempt = 1;; ++attempt) {
        const int fd =
            ::open(path.c_str(),
                   O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd < 0) return fail(errno == ELOOP ? "it is a symbolic link" : std::strerror(errno));
        struct stat info;
        const char* refused = nullptr;
        if (::fstat(fd, &info) != 0) {
            refused = "it cannot be examined";
        } else if (!S_ISREG(info.st_mode)) {
            refused = "it is not a regular file";
        } else if (info.st_uid != ::geteuid()) {
            refused = "it belongs to another user";
        } else if (info.st_nlink == 0) {
            refused = "it was removed while it was being opened";
            if (attempt < tries) {
                ::close(fd);
                continue;
            }
        } else if (info.st_nlink != 1) {
            refused = "it has other hard links";
        }
        const bool ok = refused == nullptr && write_all(fd, text.data(), text.size());
        const int write_error = errno;
        ::close(fd);
        if (refused != nullptr) return fail(refused);
        if (!ok) return fail(std::strerror(write_error));
        return true;
    }
}

int open_regular_file_for_reading(const std::string& path)
{
    // O_NONBLOCK keeps a pipe of that name from blocking the open until a writer appears.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int create_file_for_writing(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? -1 : fd;
}

void close_file(int fd)
{
    if (fd >= 0) ::close(fd);
}

std::int64_t regular_file_size(std::FILE* file)
{
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool exists(const std::string& path)
{
    return entry_exists(path);
}

bool is_directory(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool may_write(const std::string& path)
{
    const int wanted = is_directory(path) ? (W_OK | X_OK) : W_OK;
    return ::faccessat(AT_FDCWD, path.c_str(), wanted, AT_EACCESS) == 0;
}

std::string user_data_directory()
{
    // A relative path in these variables is invalid and ignored, as the XDG base directory
    // rules ask: it would name a different folder from every working directory.
    const auto absolute = [](const char* value) { return value != nullptr && value[0] == '/'; };
    const auto without_trailing_slashes = [](std::string dir) {
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        return dir;
    };
    if (const char* data_home = std::getenv("XDG_DATA_HOME"); absolute(data_home)) {
        return without_trailing_slashes(data_home);
    }
    const char* home = std::getenv("HOME");
    if (!absolute(home)) {
        const passwd* account = ::getpwuid(::getuid());
        home = account != nullptr ? account->pw_dir : nullptr;
    }
    if (!absolute(home)) return "";
    const std::string home_dir = without_trailing_slashes(home);
    return (home_dir == "/" ? "" : home_dir) + "/.local/share";
}

bool make_private_directories(const std::string& dir, std::string* failure)
{
    if (dir.empty()) {
        if (failure != nullptr) *failure = std::strerror(ENOENT);
        return false;
    }
    // Each missing folder on the way is made in turn; folders already there stay as they are.
    for (std::size_t end = dir.find('/', 1);; end = dir.find('/', end + 1)) {
        const std::string part = dir.substr(0, end);
        if (!is_directory(part) && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            if (failure != nullptr) *failure = std::strerror(errno);
            return false;
        }
        if (end == std::string::npos) break;
    }
    if (is_directory(dir)) return true;
    if (failure != nullptr) *failure = std::strerror(ENOTDIR);
    return false;
}

bool copy_file_if_missing(const std::string& from, const std::string& to, std::string* failure)
{
    const auto fail = [failure](const std::string& why) {
        if (failure != nullptr) *failure = why;
        return false;
    };
    if (entry_exists(to)) return true;
    std::string contents;
    if (read_whole_file(from, fs_detail::copy_limit, contents, true) != ReadResult::whole) {
        return fail(from + " cannot be read");
    }
    std::string prefix, last;
    split_last_component(to, prefix, last);
    const std::string temp_start = temp_name_start(directory_of(to), last);
    std::string temp_path = prefix + temp_start + "XXXXXX";
    const int fd = ::mkostemp(temp_path.data(), O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    int error = 0;
    if (!write_all(fd, contents.data(), contents.size()) ||
        ::fchmod(fd, 0666 & ~current_umask()) != 0 || ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    // A link puts the whole copy under its name at once, and never over a file that another
    // copy of the program put there meanwhile.
    if (error == 0 && ::link(temp_path.c_str(), to.c_str()) != 0 && errno != EEXIST) {
        error = errno;
        // A file system without hard links at all (the browser's in-memory one says EMLINK for
        // every link): the copy is renamed to its name instead, unless something took the name
        // meanwhile. A rename could replace a copy another program put there just now; no
        // other program shares such a file system.
        if (error == EMLINK && !entry_exists(to) && ::rename(temp_path.c_str(), to.c_str()) == 0)
            error = 0;
    }
    ::unlink(temp_path.c_str());
    if (error != 0) return fail(std::strerror(error));
    return true;
}

bool remove_file(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

bool same_file(const std::string& a, const std::string& b)
{
    struct stat first, second;
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string absolute_path(const std::string& path)
{
    if (path.empty() || path[0] == '/') return path;
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr) return path;
    std::string result = std::string(cwd) + "/" + path;
    std::free(cwd);
    return result;
}

// ---- Output files the user names ----

namespace {

// "a/./b//../c" as components without "." and empty ones; ".." takes the one before it away.
std::string lexically_clean(const std::string& absolute)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= absolute.size()) {
        std::size_t slash = absolute.find('/', start);
        if (slash == std::string::npos) slash = absolute.size();
        const std::string part = absolute.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    return result.empty() ? "/" : result;
}

std::string real_path(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return "";
    std::string result = resolved;
    std::free(resolved);
    return result;
}

// What a final symbolic link leads to may be written only when nothing there can be emptied.
bool leads_to_something_unemptiable(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

}  // namespace

std::string normalised_path(const std::string& path)
{
    if (path.empty()) return path;
    const std::string absolute = lexically_clean(absolute_path(path));
    std::string prefix, last;
    split_last_component(absolute, prefix, last);
    if (last.empty()) return absolute;  // the root
    const std::string dir = real_path(prefix);
    if (dir.empty()) return absolute;
    return (dir == "/" ? "" : dir) + "/" + last;
}

std::string output_file_problem(const std::string& path)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) return std::strerror(errno);
        // A new file: its folder must take it.
        if (::faccessat(AT_FDCWD, directory_of(path).c_str(), W_OK | X_OK, AT_EACCESS) != 0)
            return std::strerror(errno);
        return "";
    }
    if (S_ISLNK(info.st_mode)) {
        if (!leads_to_something_unemptiable(path)) return "it is a symbolic link";
    } else if (S_ISDIR(info.st_mode)) {
        return std::strerror(EISDIR);
    } else if (S_ISREG(info.st_mode) && info.st_nlink > 1) {
        return "it has other hard links";
    }
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return std::strerror(errno);
    return "";
}

int create_output_file(const std::string& path, std::string* failure)
{
    const auto fail = [failure](const std::string& why) {
        if (failure != nullptr) *failure = why;
        return -1;
    };
    if (path.empty()) return fail(std::strerror(ENOENT));
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ELOOP) {
        if (!leads_to_something_unemptiable(path)) return fail("it is a symbolic link");
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);  // no O_CREAT: a link is never made good
    }
    if (fd < 0) return fail(std::strerror(errno));
    struct stat info;
    const char* refused = nullptr;
    if (::fstat(fd, &info) != 0) {
        refused = "it cannot be examined";
    } else if (S_ISREG(info.st_mode) && info.st_nlink > 1) {
        refused = "it has other hard links";
    } else if (S_ISREG(info.st_mode) && ::lstat(path.c_str(), &info) == 0 &&
               S_ISLNK(info.st_mode)) {
        refused = "it is a symbolic link";  // the link was changed to lead to a file meanwhile
    } else if (S_ISREG(info.st_mode) && ::ftruncate(fd, 0) != 0) {
        refused = std::strerror(errno);
    }
    if (refused == nullptr) return fd;
    ::close(fd);
    return fail(refused);
}

std::FILE* create_output_stream(const std::string& path, std::string* failure)
{
    const int fd = create_output_file(path, failure);
    if (fd < 0) return nullptr;
    std::FILE* stream = ::fdopen(fd, "wb");
    if (stream == nullptr) {
        if (failure != nullptr) *failure = std::strerror(errno);
        ::close(fd);
    }
    return stream;
}

bool make_output_stage(const std::string& target, std::string& staged, std::string* failure)
{
    std::string prefix, last;
    split_last_component(target, prefix, last);
    if (last.empty() || last == "." || last == "..") {
        if (failure != nullptr) *failure = std::strerror(EISDIR);
        return false;
    }
    std::string dir = prefix + temp_name_start(directory_of(target), last) + "XXXXXX";
    if (::mkdtemp(dir.data()) == nullptr) {
        if (failure != nullptr) *failure = std::strerror(errno);
        return false;
    }
    staged = dir + "/" + last;
    return true;
}

bool commit_output_stage(const std::string& staged, const std::string& target, std::string* failure)
{
    std::string dir, last;
    split_last_component(staged, dir, last);
    bool done = true;
    struct stat info;
    if (::lstat(staged.c_str(), &info) == 0 && ::rename(staged.c_str(), target.c_str()) != 0) {
        if (failure != nullptr) *failure = std::strerror(errno);
        done = false;
    }
    remove_directory_tree(dir.substr(0, dir.size() - 1));
    return done;
}

// ---- Scratch folders ----

namespace {

// The id of the process that made a scratch folder of that start, from its name; 0 when the
// name is not one of them.
pid_t scratch_owner(const char* name, const std::string& name_start)
{
    if (std::strncmp(name, name_start.c_str(), name_start.size()) != 0) return 0;
    const char* digits = name + name_start.size();
    char* end = nullptr;
    const long pid = std::strtol(digits, &end, 10);
    if (end == digits || *end != '-' || !fs_detail::is_temp_suffix(end + 1) || pid <= 0) return 0;
    return static_cast<pid_t>(pid);
}

void remove_abandoned_scratch_directories(const std::string& dir, const std::string& name_start)
{
    DIR* listing = ::opendir(dir.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> abandoned;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t owner = scratch_owner(entry->d_name, name_start);
        if (owner == 0 || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
        const std::string path = dir + "/" + entry->d_name;
        struct stat info;
        if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
            info.st_uid == ::geteuid()) {
            abandoned.push_back(path);
        }
    }
    ::closedir(listing);
    for (const std::string& path : abandoned) remove_directory_tree(path);
}

}  // namespace

std::string make_scratch_directory(const std::string& name_start, std::string* failure)
{
    remove_abandoned_scratch_directories(temp_directory(), name_start);
    std::string dir = temp_directory() + "/" + name_start + std::to_string(::getpid()) + "-XXXXXX";
    if (::mkdtemp(dir.data()) == nullptr) {
        if (failure != nullptr) *failure = std::strerror(errno);
        return "";
    }
    return dir;
}

void remove_directory_tree(const std::string& dir)
{
    if (DIR* listing = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            const std::string path = dir + "/" + entry->d_name;
            struct stat info;
            if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                remove_directory_tree(path);
            } else {
                ::unlink(path.c_str());
            }
        }
        ::closedir(listing);
    }
    ::rmdir(dir.c_str());
}

bool copy_file_with_permissions(const std::string& from, const std::string& to,
                                std::string* failure)
{
    const auto fail = [failure](const std::string& why) {
        if (failure != nullptr) *failure = why;
        return false;
    };
    std::string contents;
    struct stat info;
    if (::stat(from.c_str(), &info) != 0) return fail(std::strerror(errno));
    if (read_whole_file(from, fs_detail::copy_limit, contents, true) != ReadResult::whole)
        return fail(from + " cannot be read");
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return fail(std::strerror(errno));
    int error = 0;
    if (!write_all(fd, contents.data(), contents.size()) || ::fchmod(fd, info.st_mode & 07777) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) return true;
    ::unlink(to.c_str());
    return fail(std::strerror(error));
}

// ---- Locks between running copies of the program ----

// Closing the descriptor releases the lock: flock locks belong to the open file, and nobody
// else shares this one (it is opened close-on-exec).
FileLock::~FileLock()
{
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

FileLock lock_file(const std::string& path, int wait_ms, std::string* failure)
{
    const auto fail = [failure](const std::string& why) {
        if (failure != nullptr) *failure = why;
        return FileLock();
    };
    std::string target;
    if (!final_link_target(path, target)) return fail(std::strerror(errno));
    std::string prefix, last;
    split_last_component(target, prefix, last);
    if (last.empty()) return fail("not a regular file");

    // flock, not fcntl: an fcntl lock belongs to the process and would be dropped when any
    // other descriptor of the file closes, such as the one the save reads the file through.
    const std::string lock_path = prefix + "." + last + ".lock";
    int fd =
        ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    // A lock file of another user's that this one may only read locks as well.
    if (fd < 0 && errno == EACCES)
        fd = ::open(lock_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) fd = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));

    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (long pause_us = 1000;; pause_us = std::min(pause_us * 2, 20000L)) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK) {
            // A file system that cannot lock at all: the save goes ahead as it would without.
            if (error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS) break;
            ::close(fd);
            return fail(std::strerror(error));
        }
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        // Whole milliseconds of the whole difference: seconds and nanoseconds rounded apart
        // would count 299.3 ms (1 s less 700.7 ms) as 300.
        const long long waited_ms =
            ((now.tv_sec - start.tv_sec) * 1000000000LL + (now.tv_nsec - start.tv_nsec)) / 1000000;
        if (waited_ms >= wait_ms) {
            ::close(fd);
            return fail("another copy of the program kept it locked");
        }
        ::usleep(static_cast<useconds_t>(pause_us));
    }
    FileLock lock;
    lock.handle_ = fd;
    lock.held_ = true;
    return lock;
}

}  // namespace platform
