// Fork and exec with the child's streams captured in scratch files.
#include "support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"

extern char** environ;

namespace testing_support {

ProgramOutcome run_program(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::vector<std::string>& env)
{
    TempDir streams;
    const std::string out_path = streams.file("out"), err_path = streams.file("err");

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
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        dup2(out, 1);
        dup2(err, 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    ProgramOutcome result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    }
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

}  // namespace testing_support
