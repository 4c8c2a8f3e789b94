// The real game idling in a real window: brillox runs on an Xvfb display as a player starts it
// (the software-rendering notice is clicked away with xdotool), and the CPU time it takes is
// measured over ten seconds on the title screen, then ten in the main menu. Once with the
// waits that sleep, once with BRILLOX_BUSY_WAIT=1 (the waits that poll the clock all the way).
// Target: at most 10 % of one core on the title. Needs Xvfb and xdotool (scripts/install-deps).
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "processes.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using bench::output_of;
using bench::spawn;
using testing_support::TempDir;

// User and system CPU seconds the process has taken, from /proc (clock ticks).
double cpu_seconds_of(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t end_of_name = text.rfind(')');
    if (end_of_name == std::string::npos) return -1;
    std::istringstream fields(text.substr(end_of_name + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoll(field);
        if (i == 15) stime = std::stoll(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double share_of_a_core(pid_t pid, double seconds)
{
    const double before = cpu_seconds_of(pid);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return (cpu_seconds_of(pid) - before) / wall;
}

// Presses Return in the first window whose line in the window tree holds text, within
// timeout_s; false if none shows.
bool press_return_in(const std::string& display, const std::string& text, double timeout_s)
{
    for (double waited = 0; waited < timeout_s; waited += 0.2) {
        const std::string id = bench::window_with(display, text);
        if (!id.empty()) {
            output_of("DISPLAY=" + display + " xdotool key --window " + id + " Return");
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

void BM_IdleInARealWindow(benchmark::State& state)
{
    const bool busy = state.range(0) != 0;
    if (output_of("command -v Xvfb").empty() || output_of("command -v xdotool").empty()) {
        state.SkipWithError("needs Xvfb and xdotool (scripts/install-deps)");
        return;
    }
    TempDir game, tmp;
    fs::copy(bench::data_dir(), game.path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy_file(bench::program_dir() + "/brillox", game.file("brillox"));
    const bench::XServer x;
    const std::string& display = x.display();
    if (display.empty()) {
        state.SkipWithError("Xvfb did not start within a minute");
        return;
    }
    // The game needs the real video driver, not the headless one of the benchmark's own display.
    std::vector<std::string> env = {"DISPLAY=" + display, "TMPDIR=" + tmp.path(),
                                    "SDL_VIDEODRIVER"};
    if (busy) env.push_back("BRILLOX_BUSY_WAIT=1");
    const pid_t brillox = spawn({game.file("brillox")}, env, game.path());
    double title = -1, menu = -1;
    for (auto _ : state) {
        // The notice about software rendering waits for a key; a hardware display has none.
        press_return_in(display, "\"!!OpenGL Software Emulation!!\"", 10);
        std::this_thread::sleep_for(std::chrono::seconds(3));  // start-up done, title running
        title = share_of_a_core(brillox, 10);
        if (!press_return_in(display, "\"brillox\":", 5)) {
            state.SkipWithError("no brillox window appeared");
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        menu = share_of_a_core(brillox, 10);
    }
    kill(brillox, SIGTERM);
    waitpid(brillox, nullptr, 0);
    state.counters["title_core_share"] = title;
    state.counters["menu_core_share"] = menu;
}
BENCHMARK(BM_IdleInARealWindow)
    ->ArgName("busy")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
