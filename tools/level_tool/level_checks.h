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
// A solution that completes its level but takes more than the time share of its limit.
class TimeShareError : public LevelToolError {
public:
    using LevelToolError::LevelToolError;
};
void check_time_share(const LevelSource& level, int frames);  // TimeShareError past the share
// Replays the keys on the solution's difficulty: complete in its frames within the time share
void check_solution(const LevelSource& level, int speed, const Solution& solution);

// The verdict on a level set: faulty when a level does not load in the game or a stored
// solution does not complete its level (or a solution names no level of the set); else
// unproven when a level lacks a solution on some difficulty; else proven.
enum class SetVerdict { proven, unproven, faulty };

// The solutions file beside a set: "NAME.solutions.txt" for "NAME.ini" (any letter case), in
// the same folder.
std::string solutions_beside(const std::string& level_set);

// Checks every level of a level set with the game's loader and replays every stored solution
// under the game's rules, one line each on standard output (a level and difficulty without a
// solution as "unproven"), the faults on standard error. The notes on standard output name what
// the shipped levels avoid (no wall ring, a solution that takes more than the time share), which
// the game plays all the same.
struct CheckOptions {
    bool missing_is_empty = false;  // a solutions file that does not exist holds no solutions;
                                    // else it is a LevelToolError
    bool strict = false;  // the shipped levels' standard: notes and unproven levels are faults
};
SetVerdict check_levels(const std::string& level_set, const std::string& solutions_file,
                        const CheckOptions& options = {});
