// The Windows half of temp_dir.h: scratch directories without mkdtemp, the environment through
// _putenv_s (which changes the Win32 environment the started programs inherit too), and no
// file-size limit.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <system_error>

#include "support/temp_dir.h"

namespace testing_support {

namespace {

int parent_process = 0;  // the death test's parent, in its child; else 0

// Inside a test, the n-th scratch directory of the test is named after the test program's
// process (the parent's, in a death test's child), the test and n: the child of a death test
// runs the test again up to its statement and meets the same names in the same order. Outside
// a test, names are random.
std::string name_in_test(const std::string& name_start)
{
    static std::string test;
    static int made = 0;
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) return "";
    const std::string now = std::string(info->test_suite_name()) + "." + info->name();
    if (now != test) {
        test = now;
        made = 0;
    }
    const int process =
        parent_process != 0 ? parent_process : static_cast<int>(GetCurrentProcessId());
    return name_start + std::to_string(process) + "-" +
           std::to_string(std::hash<std::string>{}(test) % 1000000) + "-" + std::to_string(++made);
}

// The temporary folder the test program started with. Tests move TMP, and a death test's child
// inherits the moved one, so the first call notes the folder in the environment, where the
// children find it.
std::filesystem::path scratch_base()
{
    const char* const noted = "BRILLOX_TEST_SCRATCH_BASE";
    if (const char* base = std::getenv(noted); base != nullptr) return base;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    set_environment(noted, base.string());
    return base;
}

}  // namespace

void share_scratch_directories_with(int parent_process_id)
{
    parent_process = parent_process_id;
}

std::string make_scratch_directory(const std::string& name_start)
{
    const std::filesystem::path base = scratch_base();
    const std::string named = name_in_test(name_start);
    if (!named.empty()) {
        const std::filesystem::path dir = base / named;
        std::error_code error;
        // The child takes its parent's directory as it is; the parent finds one only if an
        // ended process of the same number left it behind.
        if (parent_process == 0) std::filesystem::remove_all(dir, error);
        std::filesystem::create_directories(dir, error);
        if (std::filesystem::is_directory(dir)) return dir.generic_string();
        throw std::runtime_error("no scratch directory could be made at " + dir.string());
    }
    // create_directory fails on a name that exists, so a name taken by another test program
    // running at the same time is never shared: the next random one is tried.
    std::random_device seed;
    std::mt19937_64 random(seed());
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
