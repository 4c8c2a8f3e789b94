// What running a program means on every system; run_program_posix.cpp and
// run_program_windows.cpp start and end the processes.
#include "support/run_program.h"

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/temp_dir.h"

namespace testing_support {

bool wait_until(const std::function<bool()>& condition, double limit_s)
{
    // The limit is wall-clock time: on a loaded machine each short sleep takes longer than
    // asked, so counting sleeps would wait far beyond it.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(limit_s));
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool make_stream_files(RunningProgram& running)
{
    try {
        running.streams_dir = make_scratch_directory("brillox-streams-");
    } catch (const std::runtime_error&) {
        return false;
    }
    running.out_path = running.streams_dir + "/out";
    running.err_path = running.streams_dir + "/err";
    return true;
}

std::string without_software_gl_notice(const std::string& err)
{
    // The line comes when the window opens, after whatever the program said before that.
    const std::string notice = "!!OpenGL Software Emulation!!";
    std::size_t start = err.rfind(notice, 0) == 0 ? 0 : err.find("\n" + notice);
    if (start == std::string::npos) return err;
    if (start != 0) ++start;  // keep the line break of the line before
    const std::size_t end = err.find('\n', start);
    return err.substr(0, start) + (end == std::string::npos ? "" : err.substr(end + 1));
}

ProgramOutcome run_program(const std::string& program, const std::vector<std::string>& args,
                           const std::string& cwd, const std::vector<std::string>& env)
{
    RunningProgram running = start_program(program, args, cwd, env);
    return finish_program(running);
}

}  // namespace testing_support
