// Runs a program as a separate process, the way a player or a shell would start it, and
// collects its exit code and both output streams.
#pragma once
#include <string>
#include <vector>

namespace testing_support {

struct ProgramOutcome {
    int exit_code = -1;  // -1 when it could not be started or did not exit normally
    std::string out, err;
};

// Starts program with args in the directory cwd. The child gets this process's environment
// with the "NAME=value" entries of env on top; an entry "NAME" alone removes that variable.
ProgramOutcome run_program(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::vector<std::string>& env = {});

}  // namespace testing_support
