// File-system services that are the same on every system: the temporary names beside a
// target and the moves of a lock. The system's own calls are in fs_posix.cpp and
// fs_windows.cpp, of which each build compiles one.
#include "platform/fs.h"

#include <cctype>
#include <utility>

#include "platform/fs_internal.h"

namespace platform {

namespace fs_detail {

const std::time_t run_started = std::time(nullptr);

std::string temp_name_start(const std::string& last, std::size_t room)
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about "." + string at -O3.
    std::string start = ".";
    start.append(last, 0, std::min(last.size(), room));
    start += '.';
    return start;
}

bool is_temp_suffix(const char* text)
{
    for (int i = 0; i < 6; ++i) {
        if (std::isalnum(static_cast<unsigned char>(text[i])) == 0) return false;
    }
    return text[6] == '\0';
}

}  // namespace fs_detail

FileLock::FileLock(FileLock&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), held_(std::exchange(other.held_, false))
{
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        FileLock old(std::move(*this));
        handle_ = std::exchange(other.handle_, -1);
        held_ = std::exchange(other.held_, false);
    }
    return *this;
}

}  // namespace platform
