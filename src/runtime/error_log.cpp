// The end report file. Each line is appended with its own open and close, so that whatever
// was written before a crash or a kill stays in the file.
#include "runtime/error_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/fs.h"

std::string rt_error_log_path() { return platform::temp_directory() + "/ErrorLog.txt"; }

void rt_error_log_delete() { unlink(rt_error_log_path().c_str()); }

void rt_error_log_append(const char* line)
{
    const int fd = open(rt_error_log_path().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return;  // best effort: an unwritable temporary directory only loses the report
    std::string text = line;
    text += "\r\n";
    const char* rest = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = write(fd, rest, left);
        if (written <= 0) break;
        rest += written;
        left -= static_cast<std::size_t>(written);
    }
    close(fd);
}
