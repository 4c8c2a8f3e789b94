// The eight numbered file channels. Each slot holds at most one open POSIX file; the game
// opens a channel mainly to learn whether a file exists, so a failed open is a result (0),
// not an error. A channel number outside 0..7 is a program fault and stops with code 7.
#include "files/file_channels.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/fs.h"
#include "runtime/error_stop.h"
#include "runtime/rt_number.h"

namespace {

constexpr int channel_count = 8;
constexpr int no_file = -1;

int channel_fds[channel_count] = {no_file, no_file, no_file, no_file,
                                  no_file, no_file, no_file, no_file};

void close_slot(int slot)
{
    if (channel_fds[slot] == no_file) return;
    ::close(channel_fds[slot]);
    channel_fds[slot] = no_file;
}

void close_all_channels()
{
    for (int slot = 0; slot < channel_count; ++slot) close_slot(slot);
}

// Files left open by the game are closed when the process ends, including the end through
// the error stop, which leaves by exit(0).
void register_exit_close()
{
    static const bool registered = (std::atexit(close_all_channels), true);
    (void)registered;
}

int checked_slot(double channel)
{
    const int slot = rt_to_int(channel);
    if (slot < 0 || slot >= channel_count) {
        rt_set_error(7);
        rt_error_stop();
    }
    return slot;
}

// Opens an existing regular file for reading. A directory opens fine on POSIX but not on
// Windows, and the game relies on the Windows answer when it asks whether "Level.ini"
// exists. O_NONBLOCK keeps a FIFO of that name from blocking the open until a writer appears.
int open_for_reading(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return no_file;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return no_file;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int open_for_writing(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? no_file : fd;
}

}  // namespace

double file_open(double channel, const rt_string& name, double mode)
{
    register_exit_close();
    const int slot = checked_slot(channel);
    close_slot(slot);

    const std::string path = platform::resolve_name_ignoring_case(name.c_str());
    const int fd = (mode != 0) ? open_for_reading(path) : open_for_writing(path);
    if (fd == no_file) return 0;
    channel_fds[slot] = fd;
    return 1;
}

void file_close(double channel)
{
    register_exit_close();
    close_slot(checked_slot(channel));
}

bool file_is_open(double channel)
{
    const int slot = rt_to_int(channel);
    if (slot < 0 || slot >= channel_count) return false;
    return channel_fds[slot] != no_file;
}
