// load_level as play_level calls it at the start of every attempt: the file test on channel
// 1, the INI document read from "Level.ini", and the field decoded cell by cell. One level of
// 64 x 32 cells and one of 1000 x 1000, each in a Level.ini of its own.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "bench_support.h"
#include "game/game_state.h"
#include "game/level_file.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ScopedChdir;
using testing_support::TempDir;

// A walled level with stones, earth, empty-looking gaps (read as earth), Brilloxen, one
// player and one exit, drawn from a fixed seed.
std::string level_file(int width, int height)
{
    std::mt19937 rng(static_cast<unsigned>(width * 7919 + height));
    const char cells[] = "....SS.D*.";
    std::uniform_int_distribution<int> pick(0, sizeof cells - 2);
    std::string text = "[game]\nlevel=1\nleben=3\nspeed=3\n[level_1]\nx=" + std::to_string(width) +
                       "\ny=" + std::to_string(height) + "\nzeit=300\nbrillox=0\n";
    for (int r = 1; r <= height; ++r) {
        std::string row = "|";
        for (int c = 1; c <= width; ++c) {
            const bool edge = r == 1 || r == height || c == 1 || c == width;
            row += edge ? '*' : cells[pick(rng)];
        }
        if (r == 2) row[2] = 'P';
        if (r == height - 1) row[static_cast<std::size_t>(width - 1)] = 'Z';
        text += std::to_string(r) + "=" + row + "\n";
    }
    return text;
}

void BM_LoadLevel(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    TempDir dir;
    testing_support::write_file(dir.file("Level.ini"), level_file(width, height));
    ScopedChdir in_dir(dir.path());
    double err = 0;
    for (auto _ : state) {
        err = load_level(1);
        benchmark::DoNotOptimize(err);
    }
    if (err != 0) state.SkipWithError("the level did not load");
    state.counters["brilloxen"] = game().anz_brillox;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * width * height);
}
BENCHMARK(BM_LoadLevel)->Args({64, 32})->Args({1000, 1000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
