// Start-up of the brillox program as a player starts it, from the exec to "Init OK" on
// standard output (display, input, sound device, fonts and the "Loading..." frame) and on to
// the title screen's first presented frame (the game's sounds, fonts and sprites, and the
// title's drawing). The program runs a one-line script so that it ends right after that frame;
// the script's trace goes through a FIFO, which stamps the frame the moment it is presented.
// Each figure is the median of the runs; "exit" is the end of the process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing_support::TempDir;

struct StartTimes {
    double init_ok = -1, first_frame = -1, exit = -1;  // ms after the spawn; -1 when not seen
};

// The program with its data in a scratch directory, as a player's installation holds it.
const TempDir& installation()
{
    static TempDir dir;
    static const bool copied = [] {
        fs::copy(bench::data_dir(), dir.path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::copy_file(bench::program_dir() + "/brillox", dir.file("brillox"),
                      fs::copy_options::overwrite_existing);
        testing_support::write_file(dir.file("title.txt"), "frames 1\nend\n");
        return true;
    }();
    (void)copied;
    return dir;
}

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

StartTimes start_once()
{
    const TempDir& game = installation();
    TempDir scratch;
    const std::string fifo = scratch.file("trace.fifo");
    mkfifo(fifo.c_str(), 0600);
    const int trace_fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    int out[2];
    if (pipe(out) != 0) return {};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, game.path().c_str());
    const std::string program = game.file("brillox");
    const std::string script = game.file("title.txt");
    std::vector<std::string> args = {program, "--script", script, "--trace", fifo};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"TMPDIR=" + scratch.path()};
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("TMPDIR=", 0) != 0) env.push_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    StartTimes times;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        close(trace_fd);
        return times;
    }

    std::string stdout_text, trace_text;
    bool out_open = true, running = true;
    while (running) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {trace_fd, POLLIN, 0}};
        poll(fds, out_open ? 2 : 1, 1);
        char buffer[4096];
        if (out_open && (fds[0].revents & (POLLIN | POLLHUP))) {
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n > 0) stdout_text.append(buffer, static_cast<std::size_t>(n));
            if (n == 0) out_open = false;
            if (times.init_ok < 0 && stdout_text.find("Init OK\n") != std::string::npos)
                times.init_ok = ms_since(start);
        }
        const ssize_t n = read(trace_fd, buffer, sizeof buffer);
        if (n > 0) trace_text.append(buffer, static_cast<std::size_t>(n));
        if (times.first_frame < 0 && trace_text.find("frame 1 ") != std::string::npos)
            times.first_frame = ms_since(start);
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            times.exit = ms_since(start);
            running = false;
        }
    }
    close(out[0]);
    close(trace_fd);
    return times;
}

double median(std::vector<double> v)
{
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Manual time: the time to the title's first frame; the counters hold the medians in ms.
void BM_StartUp(benchmark::State& state)
{
    std::vector<double> init_ok, first_frame, exit;
    for (auto _ : state) {
        const StartTimes t = start_once();
        if (t.init_ok < 0 || t.first_frame < 0) {
            state.SkipWithError("the program did not reach its first frame");
            break;
        }
        init_ok.push_back(t.init_ok);
        first_frame.push_back(t.first_frame);
        exit.push_back(t.exit);
        state.SetIterationTime(t.first_frame / 1000);
    }
    state.counters["init_ok_ms"] = median(init_ok);
    state.counters["title_frame_ms"] = median(first_frame);
    state.counters["exit_ms"] = median(exit);
}
BENCHMARK(BM_StartUp)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    bench::use_headless_drivers();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
