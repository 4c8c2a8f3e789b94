// The level file "Level.ini": the game settings, one level loaded into the playfield (decoded
// by level_decode.h), and the message screen for a broken level. The file is only read, never
// written.
#pragma once
#include "core/rt_string.h"
#include "game/level_decode.h"

double read_game_settings();      // 1 when Level.ini exists, else 0; anz_level, anz_leben, speed
double load_level(double level);  // error code 0..5 (shown by show_level_error); map and globals
void show_level_error(const rt_string& txt_Str);  // framed message, waits for MyStart newly pressed
