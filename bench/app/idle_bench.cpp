// The real game idling in a real window: brillox runs on an Xvfb display as a player starts it
// (the software-rendering notice is clicked away with xdotool), and the CPU time it takes is
// measured over ten seconds on the title screen, then ten in the main menu. Once with the
// waits that sleep, once with BRILLOX_BUSY_WAIT=1 (the waits that poll the clock all the way).
// Target: at most 10 % of one core on the title. Needs Xvfb and xdotool (scripts/install-deps).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& extra_env,
            const std::string& cwd = ".")
{
    std::vector<std::string> env = extra_env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = entry.rfind("SDL_VIDEODRIVER=", 0) == 0;  // the game needs the real one
        for (const std::string& mine : extra_env)
            replaced = replaced || entry.rfind(mine.substr(0, mine.find('=') + 1), 0) == 0;
        if (!replaced) env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Starts Xvfb on a display number that it picks itself (-displayfd), which no other server
// starting at the same time can take (a test run, another benchmark), and returns ":N" once it
// accepts connections; "" when it has not within a minute. -noreset keeps it from resetting, and
// refusing connections for a moment, whenever its last client leaves.
std::string start_xvfb(pid_t& pid)
{
    pid = -1;
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return "";
    std::vector<std::string> args = {"Xvfb", "-displayfd",  "3",         "-noreset", "-screen",
                                     "0",    "1024x768x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    std::string number;
    pollfd line{.fd = ready[0], .events = POLLIN, .revents = 0};
    char c = 0;
    while (pid > 0 && poll(&line, 1, 60000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    return c == '\n' && !number.empty() ? ":" + number : "";
}

// The output of a short command, such as an xdotool search.
std::string output_of(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
        pclose(pipe);
    }
    return text;
}

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

// Presses Return in the first window whose name matches, within timeout_s; false if none shows.
bool press_return_in(const std::string& display, const std::string& name, double timeout_s)
{
    for (double waited = 0; waited < timeout_s; waited += 0.2) {
        const std::string ids =
            output_of("DISPLAY=" + display + " xdotool search --name '" + name + "' 2>/dev/null");
        if (!ids.empty()) {
            const std::string id = ids.substr(0, ids.find('\n'));
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
    pid_t xvfb = -1;
    const std::string display = start_xvfb(xvfb);
    if (display.empty()) {
        if (xvfb > 0) {
            kill(xvfb, SIGTERM);
            waitpid(xvfb, nullptr, 0);
        }
        state.SkipWithError("Xvfb did not start within a minute");
        return;
    }
    std::vector<std::string> env = {"DISPLAY=" + display, "TMPDIR=" + tmp.path()};
    if (busy) env.push_back("BRILLOX_BUSY_WAIT=1");
    const pid_t brillox = spawn({game.file("brillox")}, env, game.path());
    double title = -1, menu = -1;
    for (auto _ : state) {
        // The notice about software rendering waits for a key; a hardware display has none.
        press_return_in(display, "Software Emulation", 10);
        std::this_thread::sleep_for(std::chrono::seconds(3));  // start-up done, title running
        title = share_of_a_core(brillox, 10);
        if (!press_return_in(display, "^brillox$", 5)) {
            state.SkipWithError("no brillox window appeared");
            break;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        menu = share_of_a_core(brillox, 10);
    }
    kill(brillox, SIGTERM);
    waitpid(brillox, nullptr, 0);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
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
