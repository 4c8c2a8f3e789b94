// The planner's set-up and search written out the slow, plain way: an open list kept sorted in
// a FixedDeque and searched by linear scans from the back, a NodeHashTable closed set. Tests
// and benchmarks hold AStarPlanner and path_find against it.
#pragma once
#include <utility>
#include <vector>

#include "pathfinding/search_nodes.h"

struct LiteralOutcome {
    bool accepted = false;                  // the set-up took the parameters
    bool found = false;                     // the search reached the goal
    std::vector<std::pair<int, int>> path;  // (x, y) from the start to the goal; or empty
    float goal_cost = 0;                    // cost so far of the goal node
    int nodes_taken = 0;                    // nodes the search took from the pool
};

LiteralOutcome literal_plan(const SearchParameters& parameters);
