// Scratch directories and files, the same on every system; temp_dir_posix.cpp and
// temp_dir_windows.cpp hold what the systems do differently.
#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

TempDir::TempDir() : path_(make_scratch_directory("brillox-test-")) {}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedChdir::ScopedChdir(const std::string& dir)
    : previous_(std::filesystem::current_path().string())
{
    std::filesystem::current_path(dir);
}

ScopedChdir::~ScopedChdir()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value)
{
    for (const std::string& each : environment_names(name)) {
        const char* previous = std::getenv(each.c_str());
        previous_.push_back({each, previous != nullptr ? previous : "", previous != nullptr});
        set_environment(each, value);
    }
}

ScopedEnv::~ScopedEnv()
{
    for (const Previous& each : previous_) {
        if (each.existed) {
            set_environment(each.name, each.value);
        } else {
            unset_environment(each.name);
        }
    }
}

void set_temp_directory(const std::string& dir)
{
    for (const std::string& name : environment_names("TMPDIR")) set_environment(name, dir);
}

int entry_count(const std::string& dir)
{
    int count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++count;
    return count;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool file_exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

std::vector<std::filesystem::path> files_in(const std::string& dir)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace testing_support
