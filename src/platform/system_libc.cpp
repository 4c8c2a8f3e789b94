// What POSIX systems and the browser (emscripten's C library) do alike: local time from the C
// library, files opened by their UTF-8 names as they are.
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/files_open.h"
#include "platform/system.h"

namespace platform {

LocalTime local_time()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (::localtime_r(&now, &parts) == nullptr) return LocalTime{1970, 1, 1, 0, 0, 0};
    return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                     parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::FILE* open_file_for_reading(const std::string& path)
{
    return std::fopen(path.c_str(), "rb");
}

}  // namespace platform
