// The error stop: the five-line end report, the shutdown order and the exit-time work.
#include "core/error_stop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/error_log.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::TempDir;

class ErrorStop : public testing::Test {
protected:
    std::string report() const { return read_file(tmp.file("ErrorLog.txt")); }
    TempDir tmp;
    testing_support::ScopedEnv tmpdir{"TMPDIR", tmp.path()};
};

TEST_F(ErrorStop, NormalEndReportsCodeZeroAndTheLastLine)
{
    EXPECT_EXIT(
        {
            rt_reset_position();
            rt_line_hook(0, 42, nullptr);
            rt_end();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(report(), "-End On Line\r\n0\r\n41\r\n42\r\n0\r\n");
}

TEST_F(ErrorStop, ErrorRecordsTheLineWhereTheCodeWasSet)
{
    EXPECT_EXIT(
        {
            rt_set_position(3, 12);
            rt_set_error(9);
            rt_set_position(3, 700);
            rt_error_stop();
        },
        testing::ExitedWithCode(0), "");
    // Numbers are written with two significant digits and a three-digit exponent.
    EXPECT_EQ(report(), "-End On Line\r\n9\r\n11\r\n7e+002\r\n3\r\n");
}

TEST_F(ErrorStop, NormalEndWithoutAnyLineGivesMinusOne)
{
    EXPECT_EXIT(
        {
            rt_reset_position();
            rt_end();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(report(), "-End On Line\r\n0\r\n-1\r\n0\r\n0\r\n");
}

TEST_F(ErrorStop, ReportIsAppendedAfterEarlierNotes)
{
    rt_error_log_delete();
    rt_error_log_append("OpenGL Hardware Support");
    EXPECT_EXIT(
        {
            rt_set_position(0, 123);
            rt_end();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(report(),
              "OpenGL Hardware Support\r\n-End On Line\r\n0\r\n1.2e+002\r\n1.2e+002\r\n0\r\n");
    rt_error_log_delete();
    EXPECT_FALSE(testing_support::file_exists(tmp.file("ErrorLog.txt")));
}

TEST_F(ErrorStop, UnwritableTemporaryDirectoryLosesOnlyTheReport)
{
    SKIP_ON_WINDOWS(
        "a death test there keeps its child's output in a file in the temporary "
        "folder, so that folder must exist");
    testing_support::ScopedEnv missing("TMPDIR", tmp.file("missing/dir"));
    EXPECT_EXIT(rt_end(), testing::ExitedWithCode(0), "");
}

// Shutdown steps write their stage to standard error so the order can be checked.
void note_timer()
{
    std::fputs("timer ", stderr);
}
void note_display()
{
    std::fputs("display ", stderr);
}
void note_input()
{
    std::fputs("input ", stderr);
}
void note_sound()
{
    std::fputs("sound ", stderr);
}
void note_window()
{
    std::fputs("window\n", stderr);
}
void fail_during_shutdown()
{
    std::fputs("failing ", stderr);
    rt_set_error(7);
    rt_error_stop();
}

TEST_F(ErrorStop, ShutdownRunsByStageWhateverTheRegistrationOrder)
{
    EXPECT_EXIT(
        {
            rt_on_shutdown(rt_shutdown_stage::window, note_window);
            rt_on_shutdown(rt_shutdown_stage::sound, note_sound);
            rt_on_shutdown(rt_shutdown_stage::display, note_display);
            rt_on_shutdown(rt_shutdown_stage::input, note_input);
            rt_on_shutdown(rt_shutdown_stage::timer_resolution, note_timer);
            rt_end();
        },
        testing::ExitedWithCode(0), "^timer display input sound window\n$");
}

TEST_F(ErrorStop, ErrorDuringShutdownReportsThatErrorOnce)
{
    EXPECT_EXIT(
        {
            rt_on_shutdown(rt_shutdown_stage::display, fail_during_shutdown);
            rt_on_shutdown(rt_shutdown_stage::sound, note_sound);
            rt_end();
        },
        testing::ExitedWithCode(0), "^failing $");
    EXPECT_EQ(report(), "-End On Line\r\n7\r\n-1\r\n0\r\n0\r\n");
}

void say_goodbye()
{
    std::fputs("exit-time work ran\n", stderr);
}

TEST_F(ErrorStop, ExitTimeWorkRunsAfterTheReport)
{
    EXPECT_EXIT(
        {
            std::atexit(say_goodbye);
            rt_end();
        },
        testing::ExitedWithCode(0), "exit-time work ran");
}

}  // namespace
