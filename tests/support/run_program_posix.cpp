// Fork and exec with the child's streams captured in scratch files.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <stdexcept>

#include "support/run_program.h"
#include "support/temp_dir.h"

extern char** environ;

namespace testing_support {

RunningProgram start_program(const std::string& program, const std::vector<std::string>& args,
                             const std::string& cwd, const std::vector<std::string>& env)
{
    RunningProgram running;
    if (!make_stream_files(running)) return running;

    std::vector<std::string> env_text;
    for (const std::string& mine : env) {
        if (mine.find('=') != std::string::npos) env_text.push_back(mine);
    }
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& mine : env) {
            const std::string name = mine.substr(0, mine.find('=')) + "=";
            replaced = replaced || entry.compare(0, name.size(), name) == 0;
        }
        if (!replaced) env_text.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);

    std::vector<std::string> arg_text = {program};
    arg_text.insert(arg_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : arg_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(running.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(running.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        dup2(out, 1);
        dup2(err, 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    running.pid = pid;
    return running;
}

bool ask_to_end(const RunningProgram& running)
{
    return running.pid > 0 && kill(running.pid, SIGTERM) == 0;
}

bool end_session(RunningProgram& running)
{
    return running.pid > 0 && kill(running.pid, SIGHUP) == 0;
}

ProgramOutcome finish_program(RunningProgram& running, double timeout_s)
{
    ProgramOutcome result;
    if (running.pid > 0) {
        int status = 0;
        pid_t done = 0;
        wait_until([&] { return (done = waitpid(running.pid, &status, WNOHANG)) != 0; }, timeout_s);
        if (done == 0) {
            kill(running.pid, SIGKILL);
            waitpid(running.pid, &status, 0);
            result.timed_out = true;
        } else if (done == running.pid && WIFEXITED(status)) {
            result.exit_code = WEXITSTATUS(status);
        }
        running.pid = -1;
    }
    result.out = read_file(running.out_path);
    result.err = read_file(running.err_path);
    if (result.timed_out) {
        result.err += "(still running after " + std::to_string(timeout_s) + " s: killed)\n";
    }
    if (!running.streams_dir.empty()) std::filesystem::remove_all(running.streams_dir);
    return result;
}

}  // namespace testing_support
