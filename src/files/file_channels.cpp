// The eight numbered file channels. Each slot holds at most one open POSIX file; the game
// opens a channel mainly to learn whether a file exists, so a failed open is a result (0),
// not an error. A channel number outside 0..7 is a program fault and stops with code 7.
#include "files/file_channels.h"

#include <cstdlib>
#include <string>

#include "core/error_stop.h"
#include "core/rt_number.h"
#include "files/file_names.h"
#include "platform/fs.h"

namespace {

constexpr int channel_count = 8;
constexpr int no_file = -1;

int channel_fds[channel_count] = {no_file, no_file, no_file, no_file,
                                  no_file, no_file, no_file, no_file};

void close_slot(int slot)
{
    if (channel_fds[slot] == no_file) return;
    platform::close_file(channel_fds[slot]);
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

}  // namespace

double file_open(double channel, const rt_string& name, double mode)
{
    register_exit_close();
    const int slot = checked_slot(channel);
    close_slot(slot);

    const std::string path = file_disk_path(name.c_str());
    // Reading wants an existing regular file: a directory opens fine on POSIX but not on
    // Windows, and the game relies on the Windows answer when it asks whether "Level.ini" exists.
    const int fd = (mode != 0) ? platform::open_regular_file_for_reading(path)
                               : platform::create_file_for_writing(path);
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
