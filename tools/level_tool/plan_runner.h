// Playing a level plan: the commands of a level file's "plan:" part turned into the frames of an
// attempt, with shortest walks, Brillox fetches tried out on a copy of the attempt first, and
// waits until the field has settled.
#pragma once
#include <string>
#include <vector>

#include "headless_play.h"

// Plays the plan to the completed level; PlanError or Quirk when it does not get there cleanly.
// Commands, one per line (cells x,y from 0 at the map's top-left corner):
//   g X Y     walk to the cell by the shortest way through the current field
//   m KEYS    these keys, one frame each (R L U D, "." for a frame without a key)
//   w N       N frames without a key
//   s         wait until nothing falls and nothing can roll (at most 30 s)
//   c N       collect N Brilloxen, one at a time: the nearest one the player can fetch and then
//             survive standing still until the field has settled
//   exit      walk into the exit
void run_plan(Attempt& attempt, const std::vector<std::string>& plan);
