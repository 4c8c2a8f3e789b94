// path_find and AStarPlanner: the examples the design names, then random grids on which the
// planner must give the slow reference planner's results cell for cell.
#include "pathfinding/path_find.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "literal_planner.h"
#include "pathfinding/planner.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

// One string per row: a digit is the cell's cost, '#' a wall (cost 0).
void draw_grid(rt_num_array& grid, const std::vector<std::string>& rows)
{
    const auto width = static_cast<int>(rows[0].size());
    const auto height = static_cast<int>(rows.size());
    rt_num_array_dim(grid, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            rt_num_array_at(grid, x, y) = c == '#' ? 0 : c - '0';
        }
    }
}

Cells path_cells(rt_num_array& path)
{
    Cells cells;
    for (int i = 0; i < rt_array_bounds(path, 0); ++i) {
        cells.emplace_back(static_cast<int>(rt_num_array_at(path, i, 0)),
                           static_cast<int>(rt_num_array_at(path, i, 1)));
    }
    return cells;
}

Cells parent_chain(const Node* goal)
{
    Cells cells;
    for (const Node* n = goal; n != nullptr; n = n->parent)
        cells.insert(cells.begin(), {n->x, n->y});
    return cells;
}

TEST(PathFind, ThreeCellRowIsWalkedStraightThrough)
{
    rt_num_array grid, path;
    draw_grid(grid, {"111"});
    EXPECT_EQ(path_find(grid, path, 0.5, 0, 0, 2, 0), 3);
    EXPECT_EQ(rt_array_bounds(path, 0), 3);
    EXPECT_EQ(rt_array_bounds(path, 1), 2);
    EXPECT_EQ(path_cells(path), (Cells{{0, 0}, {1, 0}, {2, 0}}));
}

TEST(PathFind, AnInfiniteCostIsAWall)
{
    rt_num_array grid, path;
    // clang-format off
    draw_grid(grid, {"111",
                     "111"});
    // clang-format on
    rt_num_array_at(grid, 1, 0) = HUGE_VAL;
    EXPECT_EQ(path_find(grid, path, 0.5, 0, 0, 2, 0), 5);  // around it, not through it
    EXPECT_EQ(path_cells(path), (Cells{{0, 0}, {0, 1}, {1, 1}, {2, 1}, {2, 0}}));
    rt_num_array_at(grid, 1, 1) = HUGE_VAL;
    EXPECT_EQ(path_find(grid, path, 0.5, 0, 0, 2, 0), 0);
}

TEST(PathFind, NoPathEmptiesThePathArray)
{
    rt_num_array grid, path;
    // clang-format off
    draw_grid(grid, {"11#1",
                     "11#1"});
    // clang-format on
    ASSERT_EQ(path_find(grid, path, 0.5, 0, 0, 1, 1), 3);
    EXPECT_EQ(path_find(grid, path, 0.5, 0, 0, 3, 0), 0);  // walled off
    EXPECT_EQ(rt_array_bounds(path, 0), 0);

    ASSERT_EQ(path_find(grid, path, 0.5, 0, 0, 1, 1), 3);
    EXPECT_EQ(path_find(grid, path, 0.5, 3, 1, 2, 0), 0);  // the goal itself is a wall
    EXPECT_EQ(rt_array_bounds(path, 0), 0);
}

TEST(PathFind, WeightChoosesBetweenCheapDetourAndShortWay)
{
    rt_num_array grid, path;
    // clang-format off
    draw_grid(grid, {"1999991",
                     "1111111"});
    // clang-format on
    const Cells detour{{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {6, 0}};
    const Cells straight{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}};
    // Cost only: the cheapest sum of converted costs wins, whatever the number of steps.
    EXPECT_EQ(path_find(grid, path, 0, 0, 0, 6, 0), 9);
    EXPECT_EQ(path_cells(path), detour);
    EXPECT_EQ(path_find(grid, path, -2, 0, 0, 6, 0), 9);  // limited to 0
    EXPECT_EQ(path_cells(path), detour);
    // Distance only: greedy, straight at the goal.
    EXPECT_EQ(path_find(grid, path, 1, 0, 0, 6, 0), 7);
    EXPECT_EQ(path_cells(path), straight);
    EXPECT_EQ(path_find(grid, path, 7, 0, 0, 6, 0), 7);  // limited to 1
    EXPECT_EQ(path_cells(path), straight);
}

TEST(PathFind, EqualPrioritiesLeaveInTheOrderTheyCameIn)
{
    // Every way to the far corner costs the same. The neighbour to the right enters first and
    // so is expanded first at every distance, which keeps the path on the top row.
    rt_num_array grid, path;
    // clang-format off
    draw_grid(grid, {"111",
                     "111",
                     "111"});
    // clang-format on
    EXPECT_EQ(path_find(grid, path, 0, 0, 0, 2, 2), 5);
    EXPECT_EQ(path_cells(path), (Cells{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}}));
}

TEST(PathFind, StartOnAWallIsStillSearchedFrom)
{
    rt_num_array grid, path;
    draw_grid(grid, {"#11"});
    EXPECT_EQ(path_find(grid, path, 0.5, 0, 0, 2, 0), 3);
    EXPECT_EQ(path_cells(path), (Cells{{0, 0}, {1, 0}, {2, 0}}));
}

TEST(PathFind, RefusedArgumentsGiveNoPath)
{
    rt_num_array grid, walls, row, cube, never, path;
    // clang-format off
    draw_grid(grid, {"111",
                     "111"});
    // clang-format on
    draw_grid(walls, {"###"});
    rt_num_array_at(walls, 1, 0) = -4;
    rt_num_array_dim(row, 3);
    rt_num_array_dim(cube, 3, 2, 2);
    for (int i = 0; i < 12; ++i) rt_num_array_at(cube, i % 3, i / 3 % 2, i / 6) = 1;
    const auto refused = [&](const rt_num_array& g, double sx, double sy, double gx, double gy) {
        EXPECT_EQ(path_find(grid, path, 0.5, 0, 0, 2, 1), 4);  // fills the path array again
        EXPECT_EQ(path_find(g, path, 0.5, sx, sy, gx, gy), 0);
        EXPECT_EQ(rt_array_bounds(path, 0), 0);
    };
    refused(grid, -1, 0, 2, 1);
    refused(grid, 0, 2, 2, 1);
    refused(grid, 0, 0, 3, 1);
    refused(grid, 0, 0, 0, -1);
    refused(grid, 1, 1, 1.7, 1.2);  // equal after truncation
    refused(walls, 0, 0, 2, 0);
    refused(row, 0, 0, 2, 0);
    refused(cube, 0, 0, 2, 1);
    refused(never, 0, 0, 2, 1);
    // Coordinates are truncated toward zero.
    EXPECT_EQ(path_find(grid, path, 0.5, 0.9, 0.9, 2.99, 0), 3);
}

TEST(AStarPlanner, SetUpMakesCostsRelativeToTheDearestCell)
{
    const double cells[6] = {0, -3, 2, 4, NAN, 1};
    SearchParameters p;
    p.width = 3;
    p.height = 2;
    p.goal_x = 2;
    p.heuristic_weight = 3;
    p.cells = cells;
    AStarPlanner planner;
    ASSERT_TRUE(planner.setup(p));
    EXPECT_EQ(planner.cell_cost(0, 0), -1);
    EXPECT_EQ(planner.cell_cost(1, 0), -1);
    EXPECT_EQ(planner.cell_cost(2, 0), 1.5f);
    EXPECT_EQ(planner.cell_cost(0, 1), 2.0f);
    EXPECT_EQ(planner.cell_cost(1, 1), -1);
    EXPECT_EQ(planner.cell_cost(2, 1), 1.25f);
    EXPECT_EQ(planner.parameters().heuristic_weight, 1);
    EXPECT_EQ(planner.parameters().node_capacity, 6);
    EXPECT_EQ(planner.parameters().open_capacity, 6);
    EXPECT_TRUE(planner.finished());

    const double no_positive[6] = {0, -1, 0, 0, -2, 0};
    p.cells = no_positive;
    EXPECT_FALSE(planner.setup(p));
    planner.begin();
    EXPECT_FALSE(planner.search());
}

TEST(AStarPlanner, DiagonalStepsAndASecondRoundAfterReset)
{
    const double cells[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    SearchParameters p;
    p.width = p.height = 3;
    p.goal_x = p.goal_y = 2;
    p.diagonal_moves = 1;
    p.diagonal_weighting = 1;
    p.cells = cells;
    AStarPlanner planner;
    ASSERT_TRUE(planner.setup(p));
    const float diagonal = 2.0f * 1.4142137f;  // every converted cost is 2
    for (int round = 0; round < 2; ++round) {
        planner.begin();
        EXPECT_FALSE(planner.finished());
        ASSERT_TRUE(planner.search());
        EXPECT_TRUE(planner.finished());
        EXPECT_EQ(planner.search_count(), 1);
        EXPECT_EQ(parent_chain(planner.result()), (Cells{{0, 0}, {1, 1}, {2, 2}}));
        EXPECT_EQ(planner.result()->g, diagonal + diagonal);
        planner.reset();
        EXPECT_EQ(planner.result(), nullptr);
        EXPECT_EQ(planner.pool().handed_out(), 0);
        EXPECT_EQ(planner.open_size(), 0);
    }
    p.diagonal_weighting = 0;
    ASSERT_TRUE(planner.setup(p));
    planner.begin();
    ASSERT_TRUE(planner.search());
    EXPECT_EQ(planner.result()->g, 4.0f);
}

// A random grid: continuous costs, a few integer costs (many equal priorities) or one cost
// everywhere; up to 45 % walls written as 0 or negative; sometimes the start or the goal
// on a wall, sometimes outside the grid or on the start.
SearchParameters random_search(std::mt19937& rng, std::vector<double>& cells, int largest_side)
{
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };
    std::uniform_real_distribution<double> unit(0.0, 1.0);

    SearchParameters p;
    p.width = pick(1, largest_side);
    p.height = pick(1, largest_side);
    cells.resize(static_cast<std::size_t>(p.width * p.height));
    const int style = pick(0, 2);
    const double wall_share = unit(rng) * 0.45;
    for (double& cell : cells) {
        if (chance(wall_share)) {
            cell = chance(0.5) ? 0 : -unit(rng);
        } else {
            cell = style == 0 ? 100 * (1 - unit(rng)) : style == 1 ? pick(1, 3) : 5;
        }
    }
    p.start_x = pick(0, p.width - 1);
    p.start_y = pick(0, p.height - 1);
    p.goal_x = pick(0, p.width - 1);
    p.goal_y = pick(0, p.height - 1);
    if (chance(0.03)) p.goal_x = p.width;
    if (chance(0.15)) cells[static_cast<std::size_t>(p.start_x + p.start_y * p.width)] = 0;
    if (chance(0.05)) cells[static_cast<std::size_t>(p.goal_x % p.width + p.goal_y * p.width)] = 0;

    const float weights[] = {0, 0.25f, 0.5f, 0.75f, 1, static_cast<float>(unit(rng)), -0.5f, 3};
    p.heuristic_weight = weights[pick(0, 7)];
    p.diagonal_moves = static_cast<std::uint8_t>(pick(0, 1));
    p.diagonal_weighting = static_cast<std::uint8_t>(pick(0, 1));
    p.hash_bits = pick(-1, 11);  // results never depend on it; big tables only cost time
    if (chance(0.15)) p.node_capacity = pick(1, p.width * p.height);
    if (chance(0.15)) p.open_capacity = pick(1, p.width * p.height);
    p.cells = cells.data();
    return p;
}

// Runs both planners and stops at the first difference: whether the set-up took the
// parameters, whether the goal was reached, how many nodes were taken, the path and its cost.
void expect_same_as_literal(const SearchParameters& p, std::uint32_t first_entry_number = 0)
{
    const LiteralOutcome expected = literal_plan(p);
    AStarPlanner planner;
    ASSERT_EQ(planner.setup(p), expected.accepted);
    if (!expected.accepted) return;
    planner.begin();
    if (first_entry_number != 0) planner.number_entries_from(first_entry_number);
    ASSERT_EQ(planner.search(), expected.found);
    ASSERT_EQ(planner.pool().handed_out(), expected.nodes_taken);  // the same cells were reached
    if (!expected.found) return;
    ASSERT_EQ(parent_chain(planner.result()), expected.path);
    ASSERT_EQ(planner.result()->g, expected.goal_cost);
}

TEST(AStarPlanner, MatchesTheLiteralPlannerOnRandomGrids)
{
    std::mt19937 rng(8128);
    std::vector<double> cells;
    for (int round = 0; round < 1500; ++round) {
        const SearchParameters p = random_search(rng, cells, round % 50 == 0 ? 64 : 20);
        SCOPED_TRACE("round " + std::to_string(round));
        // Every fourth search runs out of 32-bit entry numbers on the way.
        const std::uint32_t first_entry_number = round % 4 == 0 ? 0xFFFFFFFFu - rng() % 64 : 0;
        expect_same_as_literal(p, first_entry_number);
        if (HasFatalFailure()) return;
    }
}

TEST(AStarPlanner, MatchesTheLiteralPlannerWithAShortOpenList)
{
    // A full open list loses nodes, reopened ones included: paths may still lead through a
    // lost node after its cell got a new one.
    std::mt19937 rng(31);
    std::vector<double> cells;
    for (int round = 0; round < 1500; ++round) {
        SearchParameters p = random_search(rng, cells, 12);
        p.open_capacity = 1 + static_cast<std::int32_t>(
                                  rng() % static_cast<unsigned>(p.width * p.height / 4 + 1));
        SCOPED_TRACE("round " + std::to_string(round));
        expect_same_as_literal(p);
        if (HasFatalFailure()) return;
    }
}

TEST(PathFind, MatchesTheLiteralPlannerOnRandomGrids)
{
    std::mt19937 rng(4096);
    std::vector<double> cells;
    rt_num_array grid, path;
    for (int round = 0; round < 600; ++round) {
        SearchParameters p = random_search(rng, cells, round % 50 == 0 ? 64 : 20);
        SCOPED_TRACE("round " + std::to_string(round));
        rt_num_array_dim(grid, p.width, p.height);
        for (int i = 0; i < p.width * p.height; ++i)
            rt_num_array_at(grid, i % p.width, i / p.width) = cells[static_cast<std::size_t>(i)];
        // What path_find hands its planner.
        p.diagonal_moves = 0;
        p.diagonal_weighting = 1;
        p.node_capacity = p.open_capacity = 0;
        p.hash_bits = 8;
        const LiteralOutcome expected = literal_plan(p);
        const double n =
            path_find(grid, path, p.heuristic_weight, p.start_x, p.start_y, p.goal_x, p.goal_y);
        ASSERT_EQ(n, static_cast<double>(expected.path.size()));
        ASSERT_EQ(path_cells(path), expected.path);
    }
}

}  // namespace
