// The files a run writes for its user (trace, recording, captures, sound file): made only once
// the program is sure to run, never through a planted symbolic link onto another file, and
// never the same file under two spellings. The platform functions first, then whole runs of
// the probe program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "support/posix_only.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testing_support::entry_count;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

bool is_link(const std::string& path)
{
    return std::filesystem::is_symlink(path);
}

class OutputFile : public testing::Test {
protected:
    void SetUp() override { write_file(precious(), "precious\n"); }
    std::string precious() const { return dir.file("precious.txt"); }
    std::string link_to_precious(const std::string& name) const
    {
        const std::string link = dir.file(name);
        EXPECT_TRUE(testing_support::make_symlink(precious(), link));
        return link;
    }
    TempDir dir;
};

TEST_F(OutputFile, AFinalLinkToAFileOrToNothingIsRefused)
{
    SKIP_ON_WINDOWS(testing_support::no_symlinks_on_windows);
    const std::string link = link_to_precious("out.txt");
    std::string failure;
    EXPECT_EQ(platform::output_file_problem(link), "it is a symbolic link");
    EXPECT_EQ(platform::create_output_file(link, &failure), -1);
    EXPECT_EQ(failure, "it is a symbolic link");
    EXPECT_EQ(read_file(precious()), "precious\n");

    // A link to a file yet to be made is not made good.
    const std::string dangling = dir.file("dangling.txt");
    ASSERT_TRUE(testing_support::make_symlink(dir.file("made.txt"), dangling));
    EXPECT_EQ(platform::create_output_file(dangling), -1);
    EXPECT_FALSE(testing_support::file_exists(dir.file("made.txt")));

    // A second name of the file would be emptied with it.
    const std::string hard = dir.file("hard.txt");
    std::filesystem::create_hard_link(precious(), hard);
    EXPECT_EQ(platform::output_file_problem(hard), "it has other hard links");
    EXPECT_EQ(platform::create_output_file(hard, &failure), -1);
    EXPECT_EQ(failure, "it has other hard links");
    EXPECT_EQ(read_file(precious()), "precious\n");
}

TEST_F(OutputFile, PlainFilesAreMadeOrEmptiedAndLinksToDevicesWritten)
{
    write_file(dir.file("old.txt"), "old contents");
    for (const std::string& name : {dir.file("old.txt"), dir.file("new.txt")}) {
        EXPECT_EQ(platform::output_file_problem(name), "");
        const int fd = platform::create_output_file(name);
        ASSERT_GE(fd, 0) << name;
        platform::close_file(fd);
        EXPECT_TRUE(testing_support::file_exists(name));
        EXPECT_EQ(read_file(name), "");
    }
    // /dev/stdout and its kind: nothing there can be emptied.
    SKIP_ON_WINDOWS("no /dev/null to link to; " << testing_support::no_symlinks_on_windows);
    const std::string to_null = dir.file("null");
    ASSERT_TRUE(testing_support::make_symlink("/dev/null", to_null));
    EXPECT_EQ(platform::output_file_problem(to_null), "");
    const int fd = platform::create_output_file(to_null);
    EXPECT_GE(fd, 0);
    platform::close_file(fd);
}

TEST_F(OutputFile, AStageReplacesALinkInsteadOfWritingItsTarget)
{
    SKIP_ON_WINDOWS(testing_support::no_symlinks_on_windows);
    const std::string link = link_to_precious("shot.png");
    std::string staged, failure;
    ASSERT_TRUE(platform::make_output_stage(link, staged, &failure)) << failure;
    EXPECT_EQ(entry_count(dir.path()), 3);  // precious, the link, the stage
    write_file(staged, "new picture");
    ASSERT_TRUE(platform::commit_output_stage(staged, link, &failure)) << failure;
    EXPECT_FALSE(is_link(link));
    EXPECT_EQ(read_file(link), "new picture");
    EXPECT_EQ(read_file(precious()), "precious\n");
    EXPECT_EQ(entry_count(dir.path()), 2);  // the stage is gone

    // Nothing written in the stage: nothing is put in place, and the stage goes all the same.
    ASSERT_TRUE(platform::make_output_stage(link, staged));
    EXPECT_TRUE(platform::commit_output_stage(staged, link));
    EXPECT_EQ(read_file(link), "new picture");
    EXPECT_EQ(entry_count(dir.path()), 2);
}

TEST_F(OutputFile, SpellingsOfOneFileThatDoesNotExistYetAreOne)
{
    SKIP_ON_WINDOWS(testing_support::no_symlinks_on_windows);
    std::filesystem::create_directories(dir.file("real/sub"));
    ASSERT_TRUE(testing_support::make_symlink(dir.file("real"), dir.file("linked")));
    testing_support::ScopedChdir here(dir.path());
    const std::string n = platform::normalised_path("n.txt");
    EXPECT_EQ(n.front(), '/');
    for (const char* same : {"./n.txt", ".//n.txt", "real/../n.txt", "linked/../n.txt"})
        EXPECT_EQ(platform::normalised_path(same), n) << same;
    EXPECT_EQ(platform::normalised_path("linked/sub/./n.txt"),
              platform::normalised_path("real/sub/n.txt"));
    EXPECT_NE(platform::normalised_path("real/n.txt"), n);
    // A folder that does not exist is taken lexically.
    EXPECT_EQ(platform::normalised_path("none/../n.txt"), n);
}

// ---- whole runs ----

const std::string probe = BRILLOX_STARTUP_PROBE;

class OutputRun : public OutputFile {
protected:
    testing_support::ProgramOutcome run(const std::vector<std::string>& args,
                                        std::vector<std::string> env = {})
    {
        env.push_back("TMPDIR=" + tmp.path());
        return testing_support::run_program(probe, args, dir.path(), env);
    }
    TempDir tmp;
};

// A player without a screen is turned away before anything is written.
TEST_F(OutputRun, NoFileIsTouchedBeforeTheProgramIsSureToRun)
{
    SKIP_ON_WINDOWS(
        "a Windows desktop always has a screen (under Wine the session's display "
        "stays when DISPLAY is unset)");
    const testing_support::ProgramOutcome o =
        run({"cwd", "--record", "precious.txt"}, {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"});
    EXPECT_EQ(o.exit_code, 1) << o.err;
    EXPECT_EQ(read_file(precious()), "precious\n");
}

TEST_F(OutputRun, OutputsAreNotWrittenThroughPlantedLinks)
{
    SKIP_ON_WINDOWS(testing_support::no_symlinks_on_windows);
    write_file(dir.file("script.txt"), "frames 1\ncapture shot.png\nend\n");
    link_to_precious("trace.txt");
    testing_support::ProgramOutcome o =
        run({"frames", "--script", "script.txt", "--trace", "trace.txt"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "trace.txt: cannot write the trace file: it is a symbolic link\n");
    link_to_precious("recording.txt");
    o = run({"frames", "--script", "script.txt", "--record", "recording.txt"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "recording.txt: cannot write the recording: it is a symbolic link\n");

    link_to_precious("sound.wav");
    o = run({"frames", "--script", "script.txt", "--audio", "sound.wav"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "sound.wav: cannot write the sound file: it is a symbolic link\n");

    // A capture (named while the program runs) replaces a link with the new picture; the
    // sound file, written in a stage too, comes whole.
    link_to_precious("shot.png");
    o = run({"frames", "--script", "script.txt", "--audio", "new.wav"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(read_file(precious()), "precious\n");
    EXPECT_FALSE(is_link(dir.file("shot.png")));
    EXPECT_EQ(read_file(dir.file("shot.png")).substr(1, 3), "PNG");
    EXPECT_EQ(read_file(dir.file("new.wav")).substr(0, 4), "RIFF");
    EXPECT_EQ(entry_count(dir.path()), 7);  // no stage left behind
}

TEST_F(OutputRun, TwoSpellingsOfANewOutputAreRefusedAsOneFile)
{
    write_file(dir.file("script.txt"), "end\n");
    const testing_support::ProgramOutcome o =
        run({"return", "--script", "script.txt", "--record", "./n.txt", "--trace", "n.txt"});
    EXPECT_EQ(o.exit_code, 2);
    EXPECT_EQ(o.err, "--trace and --record name the same file\n");
    EXPECT_FALSE(testing_support::file_exists(dir.file("n.txt")));
}

}  // namespace
