// Level sets: the shipped levels of "Level.ini" and sets of the player's own, each a file in the
// form of Level.ini. The chosen set decides the file the level loader reads and the highscore
// table and saved games that go with it: the shipped set keeps "highscore.ini" and
// "savegame.ini", a set NAME.ini has "highscore-NAME.ini" and "savegame-NAME.ini" in the
// player's folder, so that its scores never enter the shipped table.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "core/rt_string.h"

struct LevelSet {
    std::string file;  // "Level.ini" for the shipped set, else the set's path
    std::string name;  // "" for the shipped set, else the file's name without ".ini"
};

// The sets to choose from: the one --levels names, alone; else the shipped set first, then the
// files *.ini in the folder "levels" of the player's folder, in name order. Chooses the first.
void level_sets_find();
const std::vector<LevelSet>& level_sets();
std::size_t level_set_index();  // the chosen one
// Chooses a set (an index past the end is ignored). A set's own table and saved games join the
// player's files, and are made empty when the player has none yet: nothing else creates them.
void level_set_choose(std::size_t index);

rt_string level_set_file();      // the name the level file is tested under: "Level.ini" or a path
rt_string level_set_ini_name();  // and opened under as an INI document: "level.ini" or the path
// The chosen set's player file of that stem: "highscore" gives "highscore.ini" for the shipped
// set and "highscore-NAME.ini" for the set NAME.ini.
rt_string level_set_player_file(const char* stem);
std::string level_set_title();  // shown on the menu: "brillox" for the shipped set, else its name
