// Child processes of the benchmark programs: a program started with an environment of the
// caller's choice, the output of a short shell command, and an Xvfb display for a scope.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace bench {

// Starts args[0] (searched on PATH) with args in the directory cwd, its standard output and error
// going to the files out and err (created or emptied). The child gets this process's environment
// with the "NAME=value" entries of env in place of inherited ones of the same names; an entry
// "NAME" alone leaves that variable out. Started by posix_spawn, so the child never holds a copy
// of this process's memory (its peak resident set is its own). -1 when it cannot start.
pid_t spawn(std::vector<std::string> args, const std::vector<std::string>& env,
            const std::string& cwd = ".", const std::string& out = "/dev/null",
            const std::string& err = "/dev/null");

// The standard output of a short shell command, such as a window list; "" when it cannot run.
std::string output_of(const std::string& command);

// The id of the first window of display whose line in xwininfo's window tree holds text (its
// quoted name, such as "\"brillox\":"); "" when there is none. xwininfo shows a name whatever
// its encoding, where xdotool's search misses the UTF-8 names of SDL's message boxes.
std::string window_with(const std::string& display, const std::string& text);

// An Xvfb display for the lifetime of the object, ended by SIGTERM on destruction. Xvfb picks a
// free display number itself and reports it (-displayfd) once it accepts clients, so nothing
// guesses a number that another server starting at the same time could take; -noreset keeps it
// from resetting, and refusing clients for a moment, whenever its last client leaves.
class XServer {
public:
    // screen: WIDTHxHEIGHTxDEPTH. Waits for the display number at most wait_s seconds of
    // wall-clock time, and no longer than Xvfb runs.
    explicit XServer(const std::string& screen = "1024x768x24", double wait_s = 60);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& display() const { return display_; }  // ":N"; empty when none started

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace bench
