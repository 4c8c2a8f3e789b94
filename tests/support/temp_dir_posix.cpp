// The POSIX half of temp_dir.h: mkdtemp, setenv and the file-size limit.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "support/temp_dir.h"

namespace testing_support {

std::string make_scratch_directory(const std::string& name_start)
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / (name_start + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void share_scratch_directories_with(int) {}

void set_environment(const std::string& name, const std::string& value)
{
    setenv(name.c_str(), value.c_str(), 1);
}

void unset_environment(const std::string& name)
{
    unsetenv(name.c_str());
}

std::vector<std::string> environment_names(const std::string& name)
{
    return {name};
}

ScopedFileSizeLimit::ScopedFileSizeLimit(long bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    previous_soft_ = static_cast<long>(limit.rlim_cur);
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(previous_soft_);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous_handler_);
}

}  // namespace testing_support
