// path_find from corner to corner of square grids with random costs and 20 % walls, and the
// slow reference planner on the same grids. The summary after the runs gives the speed-up
// per size and the time of the largest grid.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "literal_planner.h"
#include "pathfinding/path_find.h"

namespace {

constexpr double weight = 0.5;  // orders nodes like cost so far plus distance estimate

// Costs 1 to 100, one cell in five a wall; the corners stay open. Built once per size.
rt_num_array& grid_of_side(int side)
{
    static std::map<int, std::unique_ptr<rt_num_array>> grids;
    std::unique_ptr<rt_num_array>& grid = grids[side];
    if (!grid) {
        grid = std::make_unique<rt_num_array>();
        rt_num_array_dim(*grid, side, side);
        std::mt19937 rng(static_cast<unsigned>(side));
        std::uniform_real_distribution<double> cost(1, 100);
        std::bernoulli_distribution wall(0.2);
        for (int i = 0; i < side * side; ++i) grid->data[i] = wall(rng) ? 0 : cost(rng);
        grid->data[0] = grid->data[side * side - 1] = 1;
    }
    return *grid;
}

void BM_PathFind(benchmark::State& state)
{
    const auto side = static_cast<int>(state.range(0));
    rt_num_array& grid = grid_of_side(side);
    rt_num_array path;
    double cells = 0;
    for (auto _ : state) {
        cells = path_find(grid, path, weight, 0, 0, side - 1, side - 1);
        benchmark::DoNotOptimize(cells);
    }
    if (cells == 0) state.SkipWithError("no path on this grid");
    state.counters["path_cells"] = cells;
}

void BM_LiteralPlanner(benchmark::State& state)
{
    const auto side = static_cast<int>(state.range(0));
    SearchParameters p;  // what path_find hands its planner
    p.goal_x = p.goal_y = side - 1;
    p.diagonal_weighting = 1;
    p.hash_bits = 8;
    p.heuristic_weight = static_cast<float>(weight);
    p.width = p.height = side;
    p.cells = grid_of_side(side).data;
    std::size_t cells = 0;
    for (auto _ : state) {
        cells = literal_plan(p).path.size();
        benchmark::DoNotOptimize(cells);
    }
    if (cells == 0) state.SkipWithError("no path on this grid");
    state.counters["path_cells"] = static_cast<double>(cells);
}

BENCHMARK(BM_PathFind)->Arg(64)->Arg(256)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiteralPlanner)->Arg(64)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

// The console table, then the speed-up of path_find over the reference planner. Both are
// measured in real time and in CPU time; on a busy machine the CPU time is the fairer one.
class SpeedUpReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times_[run.benchmark_name()] = {run.GetAdjustedRealTime(),
                                                run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::ostream& out = GetOutputStream();
        char line[160];
        for (const char* side : {"64", "256", "512"}) {
            const auto fast = times_.find(std::string("BM_PathFind/") + side);
            const auto slow = times_.find(std::string("BM_LiteralPlanner/") + side);
            if (fast == times_.end() || slow == times_.end()) continue;
            std::snprintf(line, sizeof line,
                          "speed-up over the reference planner at %sx%s: %.1fx real, %.1fx CPU\n",
                          side, side, slow->second.real / fast->second.real,
                          slow->second.cpu / fast->second.cpu);
            out << line;
        }
        const auto largest = times_.find("BM_PathFind/1024");
        if (largest != times_.end()) {
            std::snprintf(line, sizeof line,
                          "1024x1024 corner to corner: %.1f ms real, %.1f ms CPU (target 100 ms)\n",
                          largest->second.real, largest->second.cpu);
            out << line;
        }
    }

private:
    struct Times {
        double real, cpu;  // milliseconds, the unit of every benchmark here
    };
    std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SpeedUpReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
