// The Windows half of temp_dir.h: scratch directories without mkdtemp, the environment through
// _putenv_s (which changes the Win32 environment the started programs inherit too), and no
// file-size limit.
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#include "support/temp_dir.h"

namespace testing_support {

std::string make_scratch_directory(const std::string& name_start)
{
    // create_directory fails on a name that exists, so a name taken by another test program
    // running at the same time is never shared: the next random one is tried.
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path dir =
            base / (name_start + std::to_string(random() % 1000000000));
        std::error_code error;
        if (std::filesystem::create_directory(dir, error)) return dir.generic_string();
    }
    throw std::runtime_error("no scratch directory could be made in " + base.string());
}

void set_environment(const std::string& name, const std::string& value)
{
    // An empty value removes the variable: a Windows environment holds no empty variables.
    _putenv_s(name.c_str(), value.c_str());
}

void unset_environment(const std::string& name)
{
    _putenv_s(name.c_str(), "");
}

std::vector<std::string> environment_names(const std::string& name)
{
    if (name == "TMPDIR") return {"TMPDIR", "TMP", "TEMP"};
    return {name};
}

ScopedFileSizeLimit::ScopedFileSizeLimit(long) : previous_soft_(0), previous_handler_(nullptr)
{
    throw std::runtime_error("Windows has no file-size limit; the test should have skipped");
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() = default;

}  // namespace testing_support
