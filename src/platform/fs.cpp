// File-system services that are the same on every system: the temporary names beside a
// target, the moves of a lock and the listing of a folder. The system's own calls are in
// fs_posix.cpp and fs_windows.cpp, of which each build compiles one.
#include "platform/fs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
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

// Names go through UTF-8 paths: a plain string would be read in the 8-bit code page on Windows.
std::vector<std::string> files_in_directory(const std::string& dir, const std::string& ending)
{
    std::vector<std::string> names;
    std::error_code failed;
    const std::filesystem::path folder(std::u8string(dir.begin(), dir.end()));
    for (std::filesystem::directory_iterator it(folder, failed), end; !failed && it != end;
         it.increment(failed)) {
        std::error_code not_a_file;
        if (!it->is_regular_file(not_a_file)) continue;
        const std::u8string wide = it->path().filename().u8string();
        const std::string name(wide.begin(), wide.end());
        if (name.size() <= ending.size() || name[0] == '.') continue;
        const std::string tail = name.substr(name.size() - ending.size());
        if (std::equal(tail.begin(), tail.end(), ending.begin(), ending.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace platform
