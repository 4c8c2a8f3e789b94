// Peak resident memory of the real game against a bare SDL2 program with the same GL window.
// The release brillox plays one_level.txt (the title, the main menu, level 1 played through to
// its score summary, the end) in a scratch copy of the program with its data, and bare_window
// opens the same window and swaps 60 frames, once bare and once drawing the kinds of quads the
// game draws ("draw": what the driver's shader compiler costs a program that draws at all);
// three runs of each, taken in turns, once with
// SDL's offscreen driver and once in a window of an Xvfb display (the software-rendering notice
// is answered with xdotool). Each figure is the child's peak resident set (ru_maxrss, its
// VmHWM) in MB. Target: the game's median at most 1.3 times the bare program's.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
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
using bench::XServer;
using testing_support::read_file;
using testing_support::TempDir;

constexpr int runs = 3;

// Answers the notice about software rendering (a message box that waits for a key before the
// game goes on) whenever one is on the display, until stopped.
class NoticeAnswerer {
public:
    explicit NoticeAnswerer(const std::string& display)
        : thread_([this, display] {
              while (!stop_) {
                  const std::string id = bench::window_with(display, "Software Emulation");
                  if (!id.empty())
                      output_of("DISPLAY=" + display + " xdotool key --window " + id +
                                " Return 2>/dev/null");
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              }
          })
    {
    }
    ~NoticeAnswerer()
    {
        stop_ = true;
        thread_.join();
    }
    NoticeAnswerer(const NoticeAnswerer&) = delete;
    NoticeAnswerer& operator=(const NoticeAnswerer&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Run {
    bool ok = false;
    double peak_mb = 0;
    std::string failure;
};

// Runs the program to its end (at most timeout_s; then it is killed) and takes its peak
// resident set from the kernel's account of the child.
Run measure(const std::vector<std::string>& args, const std::vector<std::string>& env,
            const std::string& cwd, const TempDir& logs, double timeout_s)
{
    Run run;
    const std::string err = logs.file("stderr.txt");
    const pid_t pid = spawn(args, env, cwd, logs.file("stdout.txt"), err);
    if (pid <= 0) {
        run.failure = "cannot start " + args[0];
        return run;
    }
    int status = 0;
    rusage usage{};
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        const double waited =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done < 0 || waited > timeout_s) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            run.failure = args[0] + " did not end within " + std::to_string(timeout_s) +
                          " s; its standard error: " + read_file(err);
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.failure = args[0] + " failed (status " + std::to_string(status) +
                      "); its standard error: " + read_file(err);
        return run;
    }
    run.ok = true;
    run.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_PeakMemory(benchmark::State& state)
{
    const bool window = state.range(0) != 0;
    std::unique_ptr<XServer> x;
    std::vector<std::string> env = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    if (window) {
        if (output_of("command -v Xvfb").empty() || output_of("command -v xdotool").empty() ||
            output_of("command -v xwininfo").empty()) {
            state.SkipWithError("needs Xvfb, xdotool and xwininfo (scripts/install-deps)");
            return;
        }
        x = std::make_unique<XServer>();
        if (x->display().empty()) {
            state.SkipWithError("Xvfb did not start");
            return;
        }
        env = {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "DISPLAY=" + x->display()};
    }
    TempDir game, logs, tmp;
    fs::copy(bench::data_dir(), game.path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy_file(bench::program_dir() + "/brillox", game.file("brillox"));
    env.push_back("TMPDIR=" + tmp.path());
    std::vector<double> game_mb, bare_mb, drawing_mb;
    for (auto _ : state) {
        for (int i = 0; i < runs; ++i) {
            std::unique_ptr<NoticeAnswerer> answerer;
            if (window) answerer = std::make_unique<NoticeAnswerer>(x->display());
            const Run played = measure({game.file("brillox"), "--script", BRILLOX_MEMORY_SCRIPT,
                                        "--trace", logs.file("trace.txt")},
                                       env, game.path(), logs, 120);
            answerer.reset();
            const std::string trace = read_file(logs.file("trace.txt"));
            if (!played.ok || trace.find("level_end 1 1\n") == std::string::npos) {
                state.SkipWithError(
                    (played.ok ? "the game did not complete level 1" : played.failure).c_str());
                return;
            }
            const Run bare =
                measure({bench::program_dir() + "/bare_window"}, env, tmp.path(), logs, 60);
            if (!bare.ok) {
                state.SkipWithError(bare.failure.c_str());
                return;
            }
            const Run drawing =
                measure({bench::program_dir() + "/bare_window", "draw"}, env, tmp.path(), logs, 60);
            if (!drawing.ok) {
                state.SkipWithError(drawing.failure.c_str());
                return;
            }
            game_mb.push_back(played.peak_mb);
            bare_mb.push_back(bare.peak_mb);
            drawing_mb.push_back(drawing.peak_mb);
        }
    }
    for (int i = 0; i < runs; ++i) {
        state.counters["game_MB_" + std::to_string(i + 1)] = game_mb[i];
        state.counters["bare_MB_" + std::to_string(i + 1)] = bare_mb[i];
        state.counters["drawing_MB_" + std::to_string(i + 1)] = drawing_mb[i];
    }
    state.counters["game_MB"] = median(game_mb);
    state.counters["bare_MB"] = median(bare_mb);
    state.counters["drawing_MB"] = median(drawing_mb);
    state.counters["ratio"] = median(game_mb) / median(bare_mb);
    state.counters["ratio_to_drawing"] = median(game_mb) / median(drawing_mb);
}
BENCHMARK(BM_PeakMemory)
    ->ArgName("window")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
