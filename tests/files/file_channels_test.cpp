// Tests for the numbered file channels: what opens, what an open does to the file, how a
// slot is reused, and the error stop for channel numbers outside 0..7.
#include "files/file_channels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace {

using testing_support::entry_count;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

class FileChannels : public testing::Test {
protected:
    void TearDown() override
    {
        for (int channel = 0; channel < 8; ++channel) file_close(channel);
    }
    double open(double channel, const char* name, double mode)
    {
        return file_open(channel, tmp.file(name).c_str(), mode);
    }
    TempDir tmp;
};

TEST_F(FileChannels, ReadingOpensOnlyExistingRegularFilesAndLeavesThemAlone)
{
    write_file(tmp.file("Level.ini"), "[S]\r\nk=v\r\n");
    std::filesystem::create_directory(tmp.file("dir.ini"));
    // A fifo must not block either; Windows has none, and "pipe" is one more missing file.
    if (!testing_support::on_windows) {
        ASSERT_TRUE(testing_support::make_fifo(tmp.file("pipe")));
    }

    for (const char* name : {"missing.ini", "dir.ini", "pipe", ""}) {
        EXPECT_EQ(open(0, name, 1), 0) << name;
        EXPECT_FALSE(file_is_open(0)) << name;
    }
    EXPECT_EQ(open(1, "level.INI", -2), 1);  // any mode but 0 reads; names match in any case
    EXPECT_TRUE(file_is_open(1));
    file_close(1);
    EXPECT_FALSE(file_is_open(1));
    EXPECT_EQ(read_file(tmp.file("Level.ini")), "[S]\r\nk=v\r\n");
    EXPECT_FALSE(file_exists(tmp.file("missing.ini")));
}

TEST_F(FileChannels, WritingCreatesOrEmptiesTheFile)
{
    write_file(tmp.file("Level.ini"), "old data");
    EXPECT_EQ(open(0, "LEVEL.ini", 0), 1);  // the existing spelling, not a second file
    EXPECT_EQ(read_file(tmp.file("Level.ini")), "");
    EXPECT_EQ(open(1, "new.txt", 0), 1);
    EXPECT_TRUE(file_exists(tmp.file("new.txt")));
    EXPECT_EQ(entry_count(tmp.path()), 2);
    EXPECT_EQ(open(2, "nodir/new.txt", 0), 0);
    EXPECT_FALSE(file_is_open(2));
}

TEST_F(FileChannels, EachChannelHoldsOneFile)
{
    SKIP_ON_WINDOWS("the open files are counted in /proc/self/fd");
    write_file(tmp.file("a.ini"), "a");
    const int before = entry_count("/proc/self/fd");
    ASSERT_EQ(open(5.9, "a.ini", 1), 1);  // channel numbers are truncated
    ASSERT_EQ(open(5, "a.ini", 1), 1);    // reopening closes the first file
    EXPECT_EQ(entry_count("/proc/self/fd"), before + 1);
    file_close(3);  // an empty channel stays empty
    EXPECT_EQ(entry_count("/proc/self/fd"), before + 1);
    EXPECT_EQ(open(5, "missing.ini", 1), 0);  // a failed open still empties the slot
    EXPECT_FALSE(file_is_open(5));
    EXPECT_EQ(entry_count("/proc/self/fd"), before);
    EXPECT_EQ(open(-0.5, "a.ini", 1), 1);
    EXPECT_TRUE(file_is_open(0));
    EXPECT_FALSE(file_is_open(8));
}

// The "fast" death-test style forks at the death test, so the child writes its report into
// this test's directory rather than one it would create when re-running the test.
class BadChannel : public testing::TestWithParam<double> {
protected:
    void SetUp() override
    {
        style_ = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, "fast");
    }
    void TearDown() override { GTEST_FLAG_SET(death_test_style, style_); }

    // Runs stop in a child with TMPDIR here; returns the code line of the end report.
    template <typename Stop>
    std::string reported_code(Stop stop)
    {
        std::filesystem::remove(tmp.file("ErrorLog.txt"));
        EXPECT_EXIT((testing_support::set_temp_directory(tmp.path()), stop()),
                    testing::ExitedWithCode(0), "");
        const std::string report = read_file(tmp.file("ErrorLog.txt"));
        const std::size_t first = report.find("\r\n");
        if (first == std::string::npos) return "(no report)";
        return report.substr(first + 2, report.find("\r\n", first + 2) - first - 2);
    }
    TempDir tmp;
    std::string style_;
};

TEST_P(BadChannel, StopsWithCode7)
{
    write_file(tmp.file("a.ini"), "x");
    EXPECT_EQ(reported_code([&] { file_open(GetParam(), tmp.file("a.ini").c_str(), 1); }), "7");
    EXPECT_EQ(reported_code([&] { file_close(GetParam()); }), "7");
}

INSTANTIATE_TEST_SUITE_P(OutsideZeroToSeven, BadChannel, testing::Values(8.0, -1.0, 1e12));

}  // namespace
