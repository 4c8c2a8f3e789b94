// poll_keys as the game calls it twice a frame: 256 key_state queries, each of which takes a
// new keyboard snapshot. On SDL's real keyboard every snapshot reads the platform's input
// state; the scripted keyboard of the headless mode only copies a table. Target: under 50
// microseconds a poll on the real keyboard.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "game/keys.h"
#include "input/input.h"
#include "platform/keyboard.h"

namespace {

platform::KeySnapshot scripted_keys{};

void BM_PollKeys(benchmark::State& state)
{
    const bool scripted = state.range(0) == 1;
    platform::keyboard_override(scripted ? &scripted_keys : nullptr);
    for (auto _ : state) poll_keys();
    platform::keyboard_override(nullptr);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 256);
}
BENCHMARK(BM_PollKeys)->ArgName("scripted_keys")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_KeyState(benchmark::State& state)
{
    double down = 0;
    for (auto _ : state) {
        down += key_state(57);
        benchmark::DoNotOptimize(down);
    }
}
BENCHMARK(BM_KeyState)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv)
{
    return bench::run_with_display(argc, argv, 30);
}
