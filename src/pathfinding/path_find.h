// path_find: the runtime's grid path-finding operation over a number array of cell costs.
#pragma once
#include "core/rt_array.h"

// grid: two-dimensional, element [x][y] the cost of entering cell (x, y); 0 or less is a wall.
// Searches straight steps only, weight limited to 0..1, coordinates truncated. Returns the
// number of cells of the path (start and goal included) and dimensions path to n x 2 with
// [i][0] = x and [i][1] = y, entry 0 the start. Without a path, and on refused arguments (start
// or goal outside the grid, start equal to goal, no positive cell, grid not two-dimensional),
// returns 0 and dimensions path to 0 x 2, so that any element access stops with code 8.
double path_find(const rt_num_array& grid, rt_num_array& path, double weight, double start_x,
                 double start_y, double goal_x, double goal_y);
