// The end report file. Each line is appended with its own open and close, so that whatever
// was written before a crash or a kill stays in the file. The file lives in a directory other
// users may share, so only a regular file of the user's own is ever appended to.
#include "core/error_log.h"

#include <cstdio>
#include <string>

#include "platform/fs.h"

std::string rt_error_log_path()
{
    return platform::temp_directory() + "/ErrorLog.txt";
}

void rt_error_log_delete()
{
    platform::remove_file(rt_error_log_path());
}

void rt_error_log_append(const char* line)
{
    const std::string path = rt_error_log_path();
    std::string failure;
    if (platform::append_to_own_file(path, std::string(line) + "\r\n", &failure)) return;
    // Best effort: the report is skipped, and said so once rather than once per line.
    static bool told = false;
    if (told) return;
    told = true;
    std::fprintf(stderr, "%s: the end report is not written there: %s\n", path.c_str(),
                 failure.c_str());
}
