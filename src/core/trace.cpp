// The event trace of the scripted mode. Every line is flushed as soon as it is written:
// the program always ends through exit() from deep inside a frame, and the trace must be
// complete up to that moment.
#include "core/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/fs.h"

namespace {

std::FILE* trace_file = nullptr;
std::string trace_path;
bool write_failed = false;  // said once on standard error; the run goes on as it would
void (*trace_observer)(const std::string& line) = nullptr;

}  // namespace

bool rt_trace_open(const std::string& path, std::string* failure)
{
    if (trace_file != nullptr) std::fclose(trace_file);
    trace_file = nullptr;
    trace_path = path;
    write_failed = false;
    // Not through a planted link onto another file (platform/fs.h).
    trace_file = platform::create_output_stream(path, failure);  // lines end in "\n" alone
    return trace_file != nullptr;
}

bool rt_trace_enabled()
{
    return trace_file != nullptr || trace_observer != nullptr;
}

void rt_trace_observe(void (*observer)(const std::string& line))
{
    trace_observer = observer;
}

void rt_trace(const std::string& line)
{
    if (trace_observer != nullptr) trace_observer(line);
    if (trace_file == nullptr) return;
    errno = 0;
    const bool written = std::fputs(line.c_str(), trace_file) >= 0 &&
                         std::fputc('\n', trace_file) != EOF && std::fflush(trace_file) == 0;
    if (written || write_failed) return;
    write_failed = true;
    std::fprintf(stderr, "trace %s: the file cannot be written: %s\n", trace_path.c_str(),
                 errno != 0 ? std::strerror(errno) : "write error");
}
