// The files the level tool writes: data/Level.ini from the level plans, the recorded solutions
// (tools/level_solutions.txt), the empty highscore table and save slots the game ships with, and
// the scripts that replay the solutions through the game's scripted mode. Texts only; the same
// input always gives the same bytes.
#pragma once
#include <string>
#include <vector>

#include "level_sources.h"

constexpr int shipped_lives = 3;  // [game] leben
constexpr int shipped_speed = 3;  // [game] speed: objects move every speed x geschwindigkeit + 1
                                  // frames

std::string level_ini_text(const std::vector<LevelSource>& levels);  // CR LF lines
// The header and one line per solution, grouped by level (solutions[n] are level n + 1's)
std::string solutions_text(const std::vector<LevelSource>& levels,
                           const std::vector<std::vector<Solution>>& solutions);
std::string highscore_text();  // ten empty places, CR LF lines
std::string savegame_text();   // section daten without slots, CR LF lines

// The script for one difficulty: from the title screen through the menu's difficulty, every
// level of ini in a row with its solution, the score summaries, and out through the menu.
// LevelToolError when the solutions do not list level_1, level_2, ... on that difficulty, or
// one of them does not complete its level.
std::string replay_script(const std::string& difficulty, const std::vector<Solution>& solutions,
                          const LevelIni& ini);
