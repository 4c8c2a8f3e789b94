// The existence test of the game's files, done through file channel 1 as the game always has.
#include "game/game_files.h"

#include "core/error_stop.h"
#include "files/file_channels.h"

bool game_file_exists(const char* name)
{
    RT_LINE();
    constexpr double read_mode = 1;
    if (file_open(1, name, read_mode) == 0) return false;
    file_close(1);
    return true;
}
