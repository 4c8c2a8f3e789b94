// File-system services for the runtime on POSIX systems: where temporary files go, how a
// file name written in another letter case is found on a case-sensitive file system, and how
// a whole file is replaced so that a crash or a full disk never leaves it half written.
#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
// whose target does not exist yet yields that target, so the write creates it.
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
        if (n < 0 || static_cast<std::size_t>(n) >= buffer.size()) return false;
        const std::string link_text(buffer.data(), static_cast<std::size_t>(n));
        if (link_text.empty()) return false;

        // A relative link is relative to the directory that holds the link.
        if (link_text[0] == '/') {
            target = link_text;
        } else {
            std::string prefix, last;
            split_last_component(target, prefix, last);
            target = prefix + link_text;
        }
    }
    return false;  // a loop of links
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

bool write_all(int fd, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // a full disk; 0 would otherwise loop for ever
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

}  // namespace

std::string temp_directory()
{
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env != nullptr && env[0] != '\0') ? env : "/tmp";
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

bool write_file_atomically(const std::string& path, const void* data, std::size_t size)
{
    std::string target;
    if (path.empty() || !final_link_target(path, target)) return false;

    std::string prefix, last;
    split_last_component(target, prefix, last);
    if (last.empty()) return false;

    // A new file gets the permissions open(..., 0666) would give it; mkstemp's 0600 would
    // hide the game's files from other users.
    mode_t mode = 0666 & ~current_umask();
    struct stat old_info;
    if (::stat(target.c_str(), &old_info) == 0) {
        if (!S_ISREG(old_info.st_mode)) return false;
        mode = old_info.st_mode & 07777;
    }

    // The temporary file sits in the same directory, because rename only replaces
    // atomically within one file system.
    std::string temp_path = prefix + "." + last + ".XXXXXX";
    const int fd = ::mkostemp(temp_path.data(), O_CLOEXEC);
    if (fd < 0) return false;

    bool ok = write_all(fd, data, size) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    // close can report a delayed write error (NFS); it counts as a failed write.
    if (::close(fd) != 0) ok = false;
    if (ok) ok = ::rename(temp_path.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp_path.c_str());
        return false;
    }
    sync_directory(directory_of(target));
    return true;
}

}  // namespace platform
