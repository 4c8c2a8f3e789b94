// Shared pieces of the fuzz targets: a private scratch directory for readers that take a file
// name, and a check that turns a broken promise into a finding libFuzzer reports and keeps.
#pragma once
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Reports the failed condition and aborts, which libFuzzer records as a crash with its input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace fuzz {

// One directory per process, in memory where the system offers it (every input is written and
// read back, often several times), removed when the process ends.
class ScratchDir {
public:
    ScratchDir()
    {
        const std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        remove_left_behind(base);
        path_ = base + "/" + prefix + std::to_string(getpid());
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    static constexpr const char* prefix = "brillox-fuzz-";

    // A crash ends the process without its destructors: directories of processes that no
    // longer run are removed by the next one.
    static void remove_left_behind(const std::string& base)
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(base, ignored)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) != 0) continue;
            const long pid = std::strtol(name.c_str() + std::strlen(prefix), nullptr, 10);
            if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
                std::filesystem::remove_all(entry.path(), ignored);
            }
        }
    }

    std::string path_;
};

inline const ScratchDir& scratch()
{
    static const ScratchDir dir;
    return dir;
}

// Writes the bytes to the named scratch file and returns its path.
inline std::string write_input(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = scratch().file(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
    return path;
}

inline std::string read_whole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace fuzz
