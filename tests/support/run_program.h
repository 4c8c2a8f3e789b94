// Runs a program as a separate process, the way a player or a shell would start it, and
// collects its exit code and both output streams.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramOutcome {
    int exit_code = -1;      // -1 when it could not be started or did not exit normally
    std::string out, err;    // err ends with a line saying so when the program was killed;
                             // lines end in LF, also where Windows's text mode wrote CR LF
    bool timed_out = false;  // still running at the time limit, and killed
};

// Starts program with args in the directory cwd. The child gets this process's environment
// with the "NAME=value" entries of env on top; an entry "NAME" alone removes that variable.
// A name stands for what environment_names (temp_dir.h) says: TMPDIR moves the temporary
// folder on Windows too. A program that ends by a signal, or on Windows by an exception
// (a crash: 0xC0000005 and its kind), has exit code -1.
ProgramOutcome run_program(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::vector<std::string>& env = {});

// The same in two halves, for a test that acts on the program while it runs.
struct RunningProgram {
    int pid = -1;                    // -1 when it could not be started
    std::string out_path, err_path;  // its streams, in a scratch directory of its own
    std::string streams_dir;
    void* process = nullptr;    // Windows: the process's handle, which keeps its exit code
    std::string start_failure;  // Windows: why it could not be started, for its outcome's err
};
RunningProgram start_program(const std::string& program, const std::vector<std::string>& args,
                             const std::string& cwd, const std::vector<std::string>& env = {});
// For the systems' start_program: gives running its own scratch folder with the names of the
// files its streams go to; false when no folder could be made.
bool make_stream_files(RunningProgram& running);
// Asks the program to end the way the system's session would: SIGTERM on POSIX, on Windows a
// close request (WM_CLOSE) to each of its top-level windows. False when nothing was asked.
bool ask_to_end(const RunningProgram& running);
// Tells the program that the user's session ends: SIGHUP on POSIX (the terminal hangs up); on
// Windows WM_QUERYENDSESSION and then WM_ENDSESSION to each of its top-level windows, shown or
// not, as log-off does. False when nothing was told.
bool end_session(RunningProgram& running);
// Waits for the end (at most timeout_s seconds of wall-clock time, then kills it: exit code -1)
// and collects it.
ProgramOutcome finish_program(RunningProgram& running, double timeout_s = 600);

// Standard error without the line a scripted run prints instead of the software-rendering
// notice box: programs that draw in a window on a software GL driver (Wine's windows on Xvfb)
// print it, the same programs on the offscreen driver do not.
std::string without_software_gl_notice(const std::string& err);

// Checks condition every 10 ms until it holds (true) or limit_s seconds of wall-clock time
// have passed (false): a wait for another process, whatever the machine's load.
bool wait_until(const std::function<bool()>& condition, double limit_s = 120);

}  // namespace testing_support
