// path_find: one AStarPlanner per call over the caller's number array, the path written back
// into a second number array.
#include "pathfinding/path_find.h"

#include "core/rt_number.h"
#include "pathfinding/planner.h"

namespace {

double no_path(rt_num_array& path)
{
    rt_num_array_dim(path, 0, 2);
    return 0;
}

}  // namespace

double path_find(const rt_num_array& grid, rt_num_array& path, double weight, double start_x,
                 double start_y, double goal_x, double goal_y)
{
    if (grid.dimensions != 2) return no_path(path);

    SearchParameters parameters;
    parameters.start_x = rt_to_int(start_x);
    parameters.start_y = rt_to_int(start_y);
    parameters.goal_x = rt_to_int(goal_x);
    parameters.goal_y = rt_to_int(goal_y);
    parameters.diagonal_weighting = 1;
    parameters.diagonal_moves = 0;
    parameters.node_capacity = 0;
    parameters.open_capacity = 0;
    parameters.hash_bits = 8;
    // Limited here already: a double beyond the float range has no float to become.
    parameters.heuristic_weight = static_cast<float>(weight > 1 ? 1 : weight > 0 ? weight : 0);
    parameters.width = grid.size[0];
    parameters.height = grid.size[1];
    parameters.cells = grid.data;

    AStarPlanner planner;
    if (!planner.setup(parameters)) return no_path(path);
    planner.begin();
    if (!planner.search()) return no_path(path);

    std::int32_t n = 0;
    for (const Node* node = planner.result(); node != nullptr; node = node->parent) ++n;
    rt_num_array_dim(path, n, 2);
    std::int32_t i = n;
    for (const Node* node = planner.result(); node != nullptr; node = node->parent) {
        --i;
        rt_num_array_at(path, i, 0) = node->x;
        rt_num_array_at(path, i, 1) = node->y;
    }
    planner.reset();
    return n;
}
