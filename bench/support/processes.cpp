// Child processes for the benchmarks, started with posix_spawn.
#include "processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <utility>

extern char** environ;

namespace bench {

namespace {

// The child's environment: env's "NAME=value" entries, then every inherited entry whose name env
// does not mention (set or left out).
std::vector<std::string> child_environment(const std::vector<std::string>& env)
{
    std::vector<std::string> entries;
    for (const std::string& mine : env)
        if (mine.find('=') != std::string::npos) entries.push_back(mine);
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool mentioned = false;
        for (const std::string& mine : env)
            mentioned = mentioned || entry.rfind(mine.substr(0, mine.find('=')) + "=", 0) == 0;
        if (!mentioned) entries.push_back(entry);
    }
    return entries;
}

// spawn, with ready_fd (when not -1, and not 3 itself) passed on to the child as its descriptor 3.
pid_t spawn_with(std::vector<std::string> args, const std::vector<std::string>& env,
                 const std::string& cwd, const std::string& out, const std::string& err,
                 int ready_fd)
{
    std::vector<std::string> entries = child_environment(env);
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : entries) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (ready_fd >= 0) posix_spawn_file_actions_adddup2(&actions, ready_fd, 3);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& env,
            const std::string& cwd, const std::string& out, const std::string& err)
{
    return spawn_with(std::move(args), env, cwd, out, err, -1);
}

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

std::string window_with(const std::string& display, const std::string& text)
{
    const std::string tree = output_of("DISPLAY=" + display + " xwininfo -root -tree 2>/dev/null");
    const std::size_t at = tree.find(text);
    if (at == std::string::npos) return "";
    // The line reads: indentation, the window id, the quoted name.
    const std::size_t line = tree.rfind('\n', at);
    const std::size_t id_at = tree.find_first_not_of(' ', line == std::string::npos ? 0 : line + 1);
    return tree.substr(id_at, tree.find(' ', id_at) - id_at);
}

XServer::XServer(const std::string& screen, double wait_s)
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) return;
    // The write end becomes the child's descriptor 3 by dup2, which clears its close-on-exec flag
    // only when the two numbers differ.
    if (ready[1] == 3) {
        const int moved = fcntl(ready[1], F_DUPFD_CLOEXEC, 4);
        close(ready[1]);
        ready[1] = moved;
    }
    if (ready[1] >= 0)
        pid_ = spawn_with(
            {"Xvfb", "-displayfd", "3", "-noreset", "-screen", "0", screen, "-nolisten", "tcp"}, {},
            ".", "/dev/null", "/dev/null", ready[1]);
    if (ready[1] >= 0) close(ready[1]);
    // The number ends with a newline. Xvfb's end closes the pipe (end of file), so a server that
    // fails to start is noticed at once; one that hangs, at the deadline.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(wait_s));
    std::string number;
    char c = 0;
    while (pid_ > 0 && c != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd line{.fd = ready[0], .events = POLLIN, .revents = 0};
        if (left.count() <= 0 || poll(&line, 1, static_cast<int>(left.count())) != 1) break;
        if (read(ready[0], &c, 1) != 1) break;
        if (c != '\n') number += c;
    }
    close(ready[0]);
    if (c == '\n' && !number.empty()) display_ = ":" + number;
}

XServer::~XServer()
{
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

}  // namespace bench
