// The event trace of the scripted mode. Every line is flushed as soon as it is written:
// the program always ends through exit() from deep inside a frame, and the trace must be
// complete up to that moment.
#include "runtime/trace.h"

#include <cstdio>

namespace {

std::FILE* trace_file = nullptr;

}  // namespace

bool rt_trace_open(const std::string& path)
{
    if (trace_file != nullptr) std::fclose(trace_file);
    trace_file = std::fopen(path.c_str(), "wb");  // "wb": lines end in "\n" alone
    return trace_file != nullptr;
}

bool rt_trace_enabled()
{
    return trace_file != nullptr;
}

void rt_trace(const std::string& line)
{
    if (trace_file == nullptr) return;
    std::fputs(line.c_str(), trace_file);
    std::fputc('\n', trace_file);
    std::fflush(trace_file);
}
