// The game's files on disk. Before the game opens "Level.ini", "highscore.ini" or
// "savegame.ini" as an INI document it tests that the file exists, because the INI layer
// reads a missing file as an empty document and would create it when it saves.
#pragma once

bool game_file_exists(const char* name);  // opens it for reading on channel 1 and closes it again
