// Tests for the system's own services behind system.h, files_open.h and clock.h that each
// system implements in a file of its own: the program's path, local time, files opened by a
// UTF-8 name and the thread's CPU time.
#include "platform/system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files_open.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

std::filesystem::path path_of(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TEST(ProgramPath, NamesThisTestProgramAsAnExistingFile)
{
    const std::string path = platform::program_path();
    ASSERT_FALSE(path.empty());
    const std::u8string stem = path_of(path).stem().u8string();
    EXPECT_EQ(std::string(stem.begin(), stem.end()), "platform_tests") << path;
    EXPECT_TRUE(std::filesystem::is_regular_file(path_of(path))) << path;
}

TEST(LocalTime, AgreesWithTheCLibrarysLocalTime)
{
    // Read between two readings of the C library's clock that fall in the same second.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const platform::LocalTime t = platform::local_time();
        if (std::time(nullptr) != before) continue;
        const std::tm c = *std::localtime(&before);
        EXPECT_EQ(t.year, c.tm_year + 1900);
        EXPECT_EQ(t.month, c.tm_mon + 1);
        EXPECT_EQ(t.day, c.tm_mday);
        EXPECT_EQ(t.hour, c.tm_hour);
        EXPECT_EQ(t.minute, c.tm_min);
        EXPECT_EQ(t.second, c.tm_sec);
        return;
    }
    FAIL() << "five readings in a row straddled a second";
}

TEST(OpenFileForReading, FindsFilesWhoseNamesHaveUmlautsAndNonBasicPlaneLetters)
{
    TempDir dir;
    const std::string folder = dir.path() + "/J\xC3\xBCrgen \xF0\x9F\x98\x80";
    std::filesystem::create_directory(path_of(folder));
    const std::string name = folder + "/Spielst\xC3\xA4nde.bin";
    std::ofstream(path_of(name), std::ios::binary) << std::string("ab\0\r\n", 5);

    std::FILE* file = platform::open_file_for_reading(name);
    ASSERT_NE(file, nullptr) << name;
    char bytes[8] = {};
    // Binary: the carriage return and the zero byte come back as they are.
    EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 5u);
    EXPECT_EQ(std::string(bytes, 5), std::string("ab\0\r\n", 5));
    std::fclose(file);

    EXPECT_EQ(platform::open_file_for_reading(folder + "/missing"), nullptr);
}

TEST(ThreadCpuTime, GrowsNoFasterThanTheWallClockWhileTheThreadWorks)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const double cpu_start = platform::thread_cpu_ms();
    volatile unsigned sink = 0;
    // Spins until 30 ms of CPU time are counted, with a generous wall-clock limit for a busy
    // machine; a thread cannot use more CPU time than the time that passed.
    while (platform::thread_cpu_ms() - cpu_start < 30) {
        for (int i = 0; i < 10000; ++i) sink = sink + static_cast<unsigned>(i);
        ASSERT_LT(Clock::now() - start, std::chrono::seconds(30))
            << "thread CPU time stayed at " << platform::thread_cpu_ms() - cpu_start << " ms";
    }
    const double wall_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    EXPECT_GE(wall_ms, 29.0) << "30 ms of CPU time counted in less wall-clock time";
}

// The locale variables in gettext's order; the test's own value of each is set inside.
TEST(UserLanguages, FollowTheLocaleVariablesInGettextsOrder)
{
    using testing_support::ScopedEnv;
    const ScopedEnv all("LC_ALL", ""), messages("LC_MESSAGES", ""), language("LANGUAGE", "");
    {
        const ScopedEnv lang("LANG", "de_DE.UTF-8");
        EXPECT_EQ(platform::user_languages(), std::vector<std::string>{"de_DE.UTF-8"});
        const ScopedEnv over("LC_MESSAGES", "en_GB");
        EXPECT_EQ(platform::user_languages(), std::vector<std::string>{"en_GB"});
        const ScopedEnv first("LC_ALL", "fr_FR");
        EXPECT_EQ(platform::user_languages(), std::vector<std::string>{"fr_FR"});
        const ScopedEnv list("LANGUAGE", "pt_BR::en");
        EXPECT_EQ(platform::user_languages(), (std::vector<std::string>{"pt_BR", "en"}));
    }
    // The C locale has the program's own texts, whatever LANGUAGE lists.
    for (const char* c : {"C", "POSIX", "C.UTF-8"}) {
        const ScopedEnv lang("LANG", c), list("LANGUAGE", "de:en");
        EXPECT_TRUE(platform::user_languages().empty()) << c;
    }
}

}  // namespace
