// Whole programs on the runtime: the probe program is started as its own process (from a
// scratch directory, with its own temporary directory) and judged by its exit code, its
// output, the end report, and in the scripted mode its trace and captures.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/error_stop.h"
#include "platform/system.h"
#include "support/png_picture.h"
#include "support/posix_only.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::read_png;
using testing_support::Rgb;
using testing_support::RgbPicture;
using testing_support::TempDir;
using testing_support::write_file;

const std::string probe = BRILLOX_STARTUP_PROBE;

using Outcome = testing_support::ProgramOutcome;

// Runs the probe with args in the directory cwd, with $TMPDIR = tmpdir and the variables of
// extra_env ("NAME=value") on top of the test's environment.
Outcome run_probe(const std::vector<std::string>& args, const std::string& cwd,
                  const std::string& tmpdir, std::vector<std::string> extra_env = {})
{
    extra_env.push_back("TMPDIR=" + tmpdir);
    return testing_support::run_program(probe, args, cwd, extra_env);
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class Program : public testing::Test {
protected:
    std::string report() const { return read_file(tmp.file("ErrorLog.txt")); }
    Outcome run(const std::vector<std::string>& args)
    {
        return run_probe(args, start.path(), tmp.path());
    }
    // Runs a scripted probe from the start directory with script.txt and trace.txt there.
    Outcome run_script(const std::string& routine, const std::string& script)
    {
        write_file(start.file("script.txt"), script);
        return run({routine, "--script", "script.txt", "--trace", "trace.txt"});
    }
    std::string trace() const { return read_file(start.file("trace.txt")); }

    TempDir tmp;    // the program's temporary directory: the end report
    TempDir start;  // the directory the program is started from
};

// ---- start-up and the end report ----

TEST_F(Program, NormalEndPrintsInitOkAndReportsCodeZero)
{
    write_file(tmp.file("ErrorLog.txt"), "a report of an earlier run\r\n");
    const Outcome o = run({"return"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out, "Init OK\n");
    // The old report is deleted at start-up; the new one shows line 0 and error line -1.
    EXPECT_EQ(report(), "-End On Line\r\n0\r\n-1\r\n0\r\n0\r\n");
}

TEST_F(Program, ArrayErrorInTheMainRoutineReportsCodeNine)
{
    const Outcome o = run({"array_error"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(report(), "-End On Line\r\n9\r\n19\r\n20\r\n0\r\n");
}

TEST_F(Program, WorkingDirectoryBecomesTheProgramsDirectory)
{
    const Outcome o = run({"cwd"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::string dir = std::filesystem::canonical(probe).parent_path().string();
    EXPECT_EQ(o.out, "Init OK\ncwd=" + dir + "\n");
}

TEST_F(Program, CommandLineIsKeptWithRoomFor512Characters)
{
    const Outcome o = run({"settings", "one", "two"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out,
              "Init OK\ncommand_line=" + probe + " settings one two\ncapacity=512\naudio=\n");
}

TEST_F(Program, RealTimeFramesKeepToTheFrameLimit)
{
    const Outcome o = run({"pace"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    double elapsed = 0, least = 0;
    ASSERT_EQ(std::sscanf(lines_of(o.out).at(1).c_str(), "elapsed=%lf least=%lf", &elapsed, &least),
              2);
    // 30 presents after the first wait for at least 29 whole periods of 1000/60 ms: the wait
    // never ends early. (No upper bound that a loaded machine could break.)
    EXPECT_GT(elapsed, 29 * 1000.0 / 60);
    EXPECT_GE(least, 1.0);
}

TEST_F(Program, WithoutADisplayTheProgramSaysSoAndFails)
{
    SKIP_ON_WINDOWS(
        "a Windows desktop always has a screen (under Wine the session's display "
        "stays when DISPLAY is unset)");
    write_file(tmp.file("ErrorLog.txt"), "earlier\r\n");
    Outcome o = run_probe({"cwd"}, start.path(), tmp.path(), {"SDL_VIDEODRIVER=no-such-driver"});
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_EQ(o.out, "");  // neither "Init OK" nor the main routine's line
    EXPECT_NE(o.err.find("no display could be created (video drivers tried: no-such-driver"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(report(), "earlier\r\n");  // nothing ran that could be reported

    // Nothing names a display or a driver: SDL would fall back to one that shows nothing.
    const std::vector<std::string> no_display = {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"};
    o = run_probe({"cwd"}, start.path(), tmp.path(), no_display);
    EXPECT_EQ(o.exit_code, 1);
    EXPECT_EQ(o.out, "");
    // One line of ours (a display library may add its own complaints before it).
    const std::size_t ours = o.err.find("startup_probe: no display found");
    ASSERT_NE(ours, std::string::npos) << o.err;
    EXPECT_EQ(o.err.find('\n', ours), o.err.size() - 1) << o.err;
    EXPECT_NE(o.err.find("DISPLAY unset", ours), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("). Set SDL_VIDEODRIVER=offscreen to run without a screen.\n", ours),
              std::string::npos)
        << o.err;
    // A scripted run needs no screen.
    write_file(start.file("script.txt"), "wait 1\n");
    o = run_probe({"return", "--script", "script.txt"}, start.path(), tmp.path(), no_display);
    EXPECT_EQ(o.exit_code, 0) << o.err;
}

// ---- refused command lines and scripts ----

TEST_F(Program, UnknownCommandIsRefusedBeforeStartUpNamingTheLine)
{
    write_file(tmp.file("ErrorLog.txt"), "kept\r\n");
    const Outcome o = run_script("frames", "# a comment\n\nframes 2\njump 3\n");
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "script.txt:4: unknown command \"jump\"\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(report(), "kept\r\n");  // start-up never ran
    EXPECT_FALSE(file_exists(start.file("trace.txt")));
}

TEST_F(Program, UnknownKeyIsRefusedNamingTheLine)
{
    const Outcome o = run_script("frames", "tap Escape\ndown Hyper\n");
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "script.txt:2: unknown key \"Hyper\"\n");
}

TEST_F(Program, MissingScriptAndLoneTraceAreRefused)
{
    Outcome o = run({"frames", "--script", "missing.txt"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "missing.txt: the script cannot be read\n");

    o = run({"frames", "--trace", "trace.txt"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_NE(o.err.find("--script"), std::string::npos) << o.err;

    o = run({"frames", "--script"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "--script needs a file name\n");
}

TEST_F(Program, HelpVersionAndBadOptionsAnswerWithoutStartingUp)
{
    Outcome o = run({"frames", "--help"});
    EXPECT_EQ(o.exit_code, 0);
    EXPECT_EQ(o.out.rfind("Usage: startup_probe [OPTION]...\n", 0), 0u) << o.out;
    EXPECT_NE(o.out.find("--trace FILE"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("--lang CODE"), std::string::npos) << o.out;
    o = run({"frames", "-h"});
    EXPECT_EQ(o.exit_code, 0);
    o = run({"frames", "--version"});
    EXPECT_EQ(o.exit_code, 0);
    EXPECT_EQ(o.out, "startup_probe 0\n");

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"frames", "--jump"}, "unknown option \"--jump\" (see --help)\n"},
        {{"frames", "--version=2"}, "--version takes no value\n"},
        {{"frames", "--script="}, "--script needs a file name\n"},
        {{"frames", "one", "two", "three"}, "unexpected argument \"three\"\n"},
        {{"frames", "--scale", "0"}, "--scale needs a whole number from 1 to 16, not \"0\"\n"},
        {{"frames", "--scale=2x"}, "--scale needs a whole number from 1 to 16, not \"2x\"\n"},
        {{"frames", "--scale", "17"}, "--scale needs a whole number from 1 to 16, not \"17\"\n"},
        // The code names a catalogue file: no path can be slipped in through it.
        {{"frames", "--lang", "../en"},
         "--lang needs a language code such as de or en_GB, not \"../en\"\n"},
        {{"frames", "--lang=en/x"},
         "--lang needs a language code such as de or en_GB, not \"en/x\"\n"},
        {{"frames", "--lang", "de..x"},
         "--lang needs a language code such as de or en_GB, not \"de..x\"\n"},
        {{"frames", "--write-player-files"},
         "--write-player-files belongs to --script: a replay never writes the player's files\n"},
    };
    for (const auto& [args, message] : refused) {
        o = run(args);
        EXPECT_EQ(o.exit_code, 2) << args[1];
        EXPECT_EQ(o.err, message);
        EXPECT_EQ(o.out, "");
    }
    EXPECT_FALSE(file_exists(tmp.file("ErrorLog.txt")));  // nothing started

    write_file(start.file("script.txt"), "wait 1\n");
    o = run({"return", "--script=script.txt", "--trace=trace.txt"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(trace(), "end 0\n");
}

// Output nobody could read is no success: a full disk or a broken pipe fails the program.
TEST_F(Program, HelpVersionAndInitOkThatCannotBeWrittenFailTheRun)
{
    SKIP_ON_WINDOWS("no /dev/full, no /bin/sh");
    write_file(start.file("script.txt"), "wait 1\n");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"frames", "--help"}, "startup_probe: the help cannot be written to standard output: "},
        {{"frames", "--version"},
         "startup_probe: the version cannot be written to standard output: "},
        {{"return", "--script", "script.txt"},
         "brillox: the line \"Init OK\" cannot be written to standard output: "},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" >/dev/full", probe};
        shell.insert(shell.end(), args.begin(), args.end());
        const Outcome o =
            testing_support::run_program("/bin/sh", shell, start.path(), {"TMPDIR=" + tmp.path()});
        EXPECT_EQ(o.exit_code, 1) << args[1];
        EXPECT_EQ(o.err, message + "No space left on device\n");
    }
    EXPECT_EQ(report(), "");  // the run that started up ended before its main routine
}

TEST_F(Program, ScriptsAreBoundedReadWholeAndNeverOverwritten)
{
    Outcome o = run_script("return", std::string(5000, '#') + "\n");
    EXPECT_EQ(o.err, "script.txt:1: the line is longer than 4096 bytes\n");
    o = run_script("return", std::string("wait 1\nta\0p Enter\n", 18));
    EXPECT_EQ(o.err, "script.txt:2: unknown command \"ta\\x00p\"\n");
    o = run_script("return", "\xEF\xBB\xBFwait 1\n");  // a UTF-8 byte-order mark
    EXPECT_EQ(o.exit_code, 0) << o.err;

    o = run({"return", "--script", "script.txt", "--trace", "./script.txt"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "--trace ./script.txt: that is the script itself\n");
    EXPECT_EQ(read_file(start.file("script.txt")), "\xEF\xBB\xBFwait 1\n");

    SKIP_ON_WINDOWS("no /dev/zero, no /dev/full");
    o = run({"return", "--script", "/dev/zero"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "/dev/zero: the script is larger than 64 MiB\n");
    o = run({"return", "--script", "script.txt", "--trace", "/dev/full"});
    EXPECT_EQ(o.exit_code, 0);
    EXPECT_EQ(o.err.rfind("trace /dev/full: the file cannot be written: ", 0), 0u) << o.err;
}

TEST_F(Program, AFileSizeLimitFailsTheSaveInsteadOfKillingTheProgram)
{
    SKIP_ON_WINDOWS("no file-size limit (ulimit -f), no /bin/sh");
    const std::string ini = start.file("probe.ini");
    write_file(start.file("script.txt"), "wait 1\n");
    const Outcome o =
        testing_support::run_program("/bin/sh",
                                     {"-c", "ulimit -f 16 && exec \"$0\" \"$@\"", probe, "big_ini",
                                      ini, "--script", "script.txt"},
                                     start.path(), {"TMPDIR=" + tmp.path()});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_NE(o.err.find(ini + ": cannot be saved: File too large\n"), std::string::npos) << o.err;
    EXPECT_FALSE(file_exists(ini));
    EXPECT_EQ(testing_support::entry_count(start.path()), 1);  // the script; no temporary file
}

// ---- the scripted mode ----

TEST_F(Program, TappedEscapeEndsTheProgramAtTheFirstFrame)
{
    const Outcome o = run_script("frames", "tap Escape\nwait 1000\n");
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out, "Init OK\n");
    EXPECT_EQ(trace(), "end 0\n");  // ended in rt_show_frame before anything was presented
    EXPECT_EQ(report(), "-End On Line\r\n0\r\n29\r\n30\r\n0\r\n");
}

TEST_F(Program, EscapeIsIgnoredWhileTheFlagIsClearedAndTheScriptEndsTheRun)
{
    const Outcome o = run_script("frames_no_escape", "tap Escape\nwait 1000\n");
    EXPECT_EQ(o.exit_code, 0) << o.err;
    const std::vector<std::string> lines = lines_of(trace());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "end 0");
    // The first deadline is the start itself, so frames 1 and 2 are swapped at once; from
    // then on frame N is swapped right after the grid point (N - 2) x 1000/60 of virtual time.
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        long number = 0;
        double ms = 0;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "frame %ld %lf", &number, &ms), 2) << lines[i];
        EXPECT_EQ(number, static_cast<long>(i) + 1);
        const double grid = i == 0 ? 0 : static_cast<double>(i - 1) * 1000.0 / 60;
        EXPECT_GT(ms, grid) << lines[i];
        EXPECT_LT(ms, grid + 0.5) << lines[i];
    }
    // The wait of 1000 ms ends at the grid point of frame 62, give or take a microsecond.
    EXPECT_GE(lines.size(), 62u);
    EXPECT_LE(lines.size(), 63u);
    EXPECT_EQ(report(), "-End On Line\r\n0\r\n29\r\n30\r\n0\r\n");
}

TEST_F(Program, AltF4EndsTheProgramEvenWithEscapeOff)
{
    Outcome o = run_script("frames_no_escape", "down LeftAlt\ndown F4\nwait 1000\n");
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(trace(), "end 0\n");

    // Alt alone, or F4 after Alt was released, ends nothing.
    o = run_script("frames_no_escape", "down LeftAlt\nframes 2\nup LeftAlt\ndown F4\nframes 2\n");
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(lines_of(trace()).size(), 5u) << trace();
}

const char* capture_script =
    "# three frames, then the third is captured\n"
    "frames 3\n"
    "capture first.png\n"
    "tap Space   # held while the fourth frame is drawn\n"
    "frames 1\n"
    "capture second.png\n"
    "wait 50\n"
    "end\n";

TEST_F(Program, CapturesHoldTheLastPresentedFrame)
{
    const Outcome o = run_script("frames", capture_script);
    ASSERT_EQ(o.exit_code, 0) << o.err;

    const RgbPicture first = read_png(start.file("first.png"));
    ASSERT_EQ(first.width, 640);
    ASSERT_EQ(first.height, 480);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{639, 479}, std::pair{320, 240}}) {
        EXPECT_EQ(first.at(x, y), (Rgb{120, 0, 0}));  // frame 3: red 3 x 40
    }
    const RgbPicture second = read_png(start.file("second.png"));
    ASSERT_EQ(second.width, 640);
    EXPECT_EQ(second.at(10, 10).r, 160);  // frame 4
    EXPECT_EQ(second.at(10, 10).g, 255);  // Space was down while it was drawn
}

TEST_F(Program, ScriptRunTwiceGivesIdenticalTraceAndCaptures)
{
    Outcome o = run_script("frames", capture_script);
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::string trace1 = trace();
    const std::string first1 = read_file(start.file("first.png"));
    const std::string second1 = read_file(start.file("second.png"));

    TempDir elsewhere;
    write_file(elsewhere.file("script.txt"), capture_script);
    o = run_probe({"frames", "--script", "script.txt", "--trace", "trace.txt"}, elsewhere.path(),
                  tmp.path());
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(read_file(elsewhere.file("trace.txt")), trace1);
    EXPECT_EQ(read_file(elsewhere.file("first.png")), first1);
    EXPECT_EQ(read_file(elsewhere.file("second.png")), second1);
    EXPECT_FALSE(first1.empty());
    EXPECT_NE(first1, second1);
}

TEST_F(Program, ExitTimeIniSaveIsTracedAfterTheEnd)
{
    const std::string ini = tmp.file("probe.ini");
    write_file(start.file("script.txt"), "wait 1000\n");
    const Outcome o = run({"ini", ini, "--script", "script.txt", "--trace", "trace.txt"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(trace(), "end 0\nini_save " + ini + "\n");
    EXPECT_EQ(read_file(ini), "[probe]\r\nkey=value\r\n");
}

TEST_F(Program, AudioPathIsKeptAbsolute)
{
    write_file(start.file("script.txt"), "wait 1\n");
    const Outcome o = run({"settings", "--script", "script.txt", "--audio", "sound.wav"});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    const std::vector<std::string> lines = lines_of(o.out);
    ASSERT_EQ(lines.size(), 4u);
    // The program joins with the system's own separator.
    EXPECT_EQ(lines[3],
              "audio=" + (std::filesystem::canonical(start.path()) / "sound.wav").string());
}

// ---- replays of recordings ----

// A recording is a file anybody may hand over: its header names no file outside the program's
// own, and what it says reaches the terminal as text, never as control bytes.
TEST_F(Program, ARecordingsHeaderNamesOnlyTheProgramsFilesAndCannotDriveTheTerminal)
{
    const Outcome o = run_script("return", std::string("# program \x1b[2Jevil\0cut\n"
                                                       "# state /etc/passwd 00000000\n"
                                                       "# state ../../../etc/passwd 00000000\n"
                                                       "# state /proc/self/pagemap 0\n"
                                                       "wait 1\n",
                                                       125));
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(testing_support::without_software_gl_notice(o.err),
              "script.txt:1: recorded with \\x1B[2Jevil\\x00cut, played by startup_probe 0: the "
              "replay may go differently\n"
              "script.txt:2: \"/etc/passwd\" is not one of the game's files (none): not checked "
              "(nor 2 more such lines)\n");
}

// ---- the window procedure ----

TEST(WindowProcedure, CloseRequestEndsTheProgramAsANormalEnd)
{
    TempDir tmp;
    testing_support::ScopedEnv tmpdir("TMPDIR", tmp.path());
    EXPECT_EQ(rt_wnd_proc(1, platform::Message::activated, 0, 0), 0);
    EXPECT_EQ(rt_wnd_proc(1, platform::Message::screensaver, 0, 0), 0);
    EXPECT_EXIT(
        {
            rt_reset_position();
            rt_set_position(0, 7);
            rt_wnd_proc(1, platform::Message::close, 0, 0);
        },
        testing::ExitedWithCode(0), "");
    // No error line was set: the line before the error reads -1, as after a normal end.
    EXPECT_EQ(read_file(tmp.file("ErrorLog.txt")), "-End On Line\r\n0\r\n-1\r\n7\r\n0\r\n");
}

// A focus loss reaches the program once, when it next asks; regaining the focus is no loss.
TEST(WindowProcedure, AFocusLossIsToldTheProgramOnce)
{
    rt_focus_lost_since_asked();
    EXPECT_EQ(rt_wnd_proc(1, platform::Message::activated, 1, 0), 0);
    EXPECT_FALSE(rt_focus_lost_since_asked());
    EXPECT_EQ(rt_wnd_proc(1, platform::Message::activated, 0, 0), 0);
    EXPECT_EQ(rt_wnd_proc(1, platform::Message::activated, 0, 0), 0);
    EXPECT_TRUE(rt_focus_lost_since_asked());
    EXPECT_FALSE(rt_focus_lost_since_asked());
}

// ---- the program directory ----

TEST(ProgramDirectory, CutsAtTheLastSeparatorOfEitherKind)
{
    EXPECT_EQ(rt_program_directory("/opt/brillox/brillox"), "/opt/brillox");
    EXPECT_EQ(rt_program_directory("C:\\Games\\brillox.exe"), "C:\\Games");
    EXPECT_EQ(rt_program_directory("/opt/a\\b/brillox"), "/opt/a\\b");
    EXPECT_EQ(rt_program_directory("/opt/a/b\\brillox"), "/opt/a/b");
}

TEST(ProgramDirectory, NoSeparatorLeavesTheDirectoryAloneAndRootStaysRoot)
{
    EXPECT_EQ(rt_program_directory("brillox"), "");
    EXPECT_EQ(rt_program_directory(""), "");
    EXPECT_EQ(rt_program_directory("/brillox"), "/");
}

// ---- the platform query ----

TEST(PlatformInfo, DesktopAnswers)
{
    EXPECT_EQ(rt_platform_info(""), "WIN32");  // the game's desktop key set hangs on this
    EXPECT_EQ(rt_platform_info("DEVICE"), "DESKTOP");
    EXPECT_EQ(rt_platform_info("device"), "DESKTOP");
    EXPECT_EQ(rt_platform_info("Id"), "LINUX");
    EXPECT_EQ(rt_platform_info("xyz"), "NO_DATA");
    EXPECT_EQ(rt_platform_info("DEVICE "), "NO_DATA");
}

std::string time_text(const platform::LocalTime& t)
{
    return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) +
           " " + std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
           std::to_string(t.second);
}

TEST(PlatformInfo, TimeIsTheLocalTimeWithoutLeadingZeros)
{
    const std::string before = time_text(platform::local_time());
    const std::string answer = rt_platform_info("time").c_str();
    const std::string after = time_text(platform::local_time());
    EXPECT_TRUE(answer == before || answer == after) << answer;
    EXPECT_TRUE(std::regex_match(
        answer, std::regex(R"(\d{4}-[1-9]\d?-[1-9]\d? ([1-9]?\d):([1-9]?\d):([1-9]?\d))")))
        << answer;
}

}  // namespace
