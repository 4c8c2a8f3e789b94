// Decoding one level section into the playfield: field, player, exit, time limit and Brillox
// quota from the values of the section's keys, or the error code of a level that cannot be
// played. No file and no window: the level loader decodes through it, and so can a program
// without a display.
#pragma once
#include <functional>

#include "core/rt_string.h"
#include "game/game_state.h"

// Error codes of decode_level and load_level, each with its message.
constexpr double level_loaded = 0;
constexpr double level_file_missing = 1;  // "LEVEL.INI nicht gefunden !"
constexpr double level_data_missing = 2;  // "Leveldaten nicht gefunden!" (no size or section)
constexpr double level_no_brilloxen = 3;  // "Keine Brilloxen im Level !"
constexpr double level_no_player = 4;     // "Kein Player im Level !"
constexpr double level_no_exit = 5;       // "Kein Ziel im Level !"

const char* level_error_text(double err);  // the message of a code 1..5; "" for any other

// Reads the value of a key of the level's section ("NO_DATA" when it is missing).
using LevelValueReader = std::function<rt_string(const rt_string& key)>;

// The decoding of one level section without a window or a file: reads "y", "x", "zeit",
// "brillox" and the rows "1".."y" in that order through value_of and fills the level globals
// of g. Returns level_loaded, or level_data_missing (also for a field of more than 2048 x 2048
// cells with its extra column and row), level_no_brilloxen, level_no_player, level_no_exit;
// shows nothing.
double decode_level(GameState& g, const LevelValueReader& value_of);
