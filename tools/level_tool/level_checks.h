// The checks a level passes before it ships: the layout rules of its map and quota, and a
// recorded solution that completes it on its difficulty, in the recorded number of frames,
// within half its time limit. Each throws LevelToolError with the reason.
#pragma once
#include <string>

#include "level_sources.h"

constexpr double time_share = 0.5;  // of a time limit a recorded solution may use at most

// At least the 20 x 14 window, closed by a wall ring, only the letters * S D P Z and ., exactly
// one P and one Z, and a quota between 1 and the Brilloxen there are
void check_layout(const LevelSource& level);
void check_time_share(const LevelSource& level, int frames);  // frames within time_share
// Replays the keys on the solution's difficulty: complete in its frames within the time share
void check_solution(const LevelSource& level, int speed, const Solution& solution);

// Checks every level of a Level.ini and replays every solution of a solutions file, one line
// each on standard output, the faults on standard error; false when anything failed.
bool check_levels(const std::string& level_ini, const std::string& solutions_file);
