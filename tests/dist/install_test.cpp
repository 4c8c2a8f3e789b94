// The installed game: this build installed with `cmake --install` into a scratch prefix, its
// desktop files put through the desktop's own checkers, and the installed program played from
// a script by an ordinary user from another directory. The player's files must end up in the
// player's folder, and the installation must stay exactly as it was installed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/ordinary_user.h"
#include "support/png_picture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

const std::string app_id = "io.github.brillox.Brillox";

// Starts a level, saves it in slot 1 under the name "A" and ends.
const char* const save_script = R"(wait 300
tap Enter  # the title
wait 300
tap Enter  # Start
wait 1000
tap S
wait 300
tap Enter  # slot 1
wait 300
tap Space  # A
wait 100
tap Enter
wait 300
end
)";
const std::string saved_line = "1=A,0,1,3\r\n";

// Every entry under root: its kind, permissions, size, modification time and contents.
std::map<std::string, std::string> snapshot(const std::string& root)
{
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        std::ostringstream facts;
        facts << info.st_mode << ' ' << info.st_size << ' ' << info.st_mtim.tv_sec << '.'
              << info.st_mtim.tv_nsec;
        if (S_ISREG(info.st_mode)) facts << ' ' << read_file(entry.path());
        entries[fs::relative(entry.path(), root).string()] = facts.str();
    }
    return entries;
}

class Installed : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chmod(prefix.path().c_str(), 0755), 0);  // the ordinary user must reach it
        const testing_support::ProgramOutcome install = testing_support::run_program(
            BRILLOX_CMAKE, {"--install", BRILLOX_BUILD_DIR, "--prefix", prefix.path()}, ".");
        ASSERT_EQ(install.exit_code, 0) << install.out << install.err;
        for (const TempDir* dir : {&start, &home}) {
            ASSERT_EQ(chmod(dir->path().c_str(), 0755), 0);
            ASSERT_TRUE(testing_support::hand_to_ordinary_user(dir->path()));
        }
    }

    std::string installed(const std::string& name) const { return prefix.file(name); }

    // Plays the save script with the installed program from the start folder, with the
    // player's environment env ("NAME=value", or "NAME" to unset it); it saves for real.
    testing_support::ProgramOutcome play(std::vector<std::string> env)
    {
        write_file(start.file("script.txt"), save_script);
        env.push_back("TMPDIR=" + start.path());
        return testing_support::run_program(
            installed("bin/brillox"),
            {"--script", "script.txt", "--trace", "trace.txt", "--write-player-files"},
            start.path(), env);
    }

    // The same as an ordinary user; true when the program ended normally.
    bool play_as_player(const std::vector<std::string>& env)
    {
        const auto verdict = testing_support::run_as_ordinary_user([&] {
            const testing_support::ProgramOutcome outcome = play(env);
            write_file(start.file("err.txt"), outcome.err);
            return outcome.exit_code == 0;
        });
        EXPECT_NE(verdict, testing_support::UserRun::impossible);
        EXPECT_EQ(verdict, testing_support::UserRun::passed) << read_file(start.file("err.txt"));
        return verdict == testing_support::UserRun::passed;
    }

    std::string trace() const { return read_file(start.file("trace.txt")); }

    TempDir prefix, start, home;
};

TEST_F(Installed, PutsTheProgramItsDataAndTheDesktopFilesInPlace)
{
    for (const std::string& name : std::vector<std::string>{
             "bin/brillox", "share/brillox/Level.ini", "share/brillox/FONT-LICENSE",
             "share/brillox/highscore.ini", "share/brillox/savegame.ini",
             "share/brillox/show/brillox.bmp", "share/brillox/sound/fanfare.wav",
             "share/man/man6/brillox.6", "share/applications/" + app_id + ".desktop",
             "share/metainfo/" + app_id + ".metainfo.xml"}) {
        EXPECT_TRUE(fs::is_regular_file(installed(name))) << name;
    }
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const testing_support::RgbPicture icon = testing_support::read_png(
            installed("share/icons/hicolor/" + folder + "/apps/" + app_id + ".png"));
        EXPECT_TRUE(icon.width == size && icon.height == size) << folder;
    }
    // Only the game: no maintainer's notes, no level tool.
    EXPECT_FALSE(fs::exists(installed("share/brillox/README.md")));
    EXPECT_EQ(testing_support::entry_count(installed("bin")), 1);
}

TEST_F(Installed, DesktopEntryMetainfoAndManualPagePassTheirCheckers)
{
    const std::vector<std::vector<std::string>> checks = {
        {"desktop-file-validate", installed("share/applications/" + app_id + ".desktop")},
        {"appstreamcli", "validate", "--no-net",
         installed("share/metainfo/" + app_id + ".metainfo.xml")},
        {"groff", "-man", "-Tutf8", "-ww", "-z", installed("share/man/man6/brillox.6")},
    };
    std::string missing;
    for (const std::vector<std::string>& check : checks) {
        const std::string program = "/usr/bin/" + check.front();
        if (!testing_support::file_exists(program)) {
            missing += " " + check.front();
            continue;
        }
        const std::vector<std::string> args(check.begin() + 1, check.end());
        const testing_support::ProgramOutcome o = testing_support::run_program(program, args, ".");
        EXPECT_EQ(o.exit_code, 0) << program << "\n" << o.out << o.err;
        // groff's warnings do not change its exit code.
        if (check.front() == "groff") {
            EXPECT_EQ(o.err, "");
        }
    }
    if (!missing.empty()) GTEST_SKIP() << "not installed:" << missing;
}

TEST_F(Installed, APlayersSaveGoesToTheirOwnFolderAndTheInstallationStaysAsItWas)
{
    const auto before = snapshot(prefix.path());
    ASSERT_TRUE(play_as_player({"HOME=" + home.path(), "XDG_DATA_HOME"}));
    EXPECT_NE(trace().find("ini_save savegame.ini\n"), std::string::npos) << trace();

    const std::string folder = home.file(".local/share/brillox");
    EXPECT_NE(read_file(folder + "/savegame.ini").find(saved_line), std::string::npos);
    // The table was read, so it was filled from the shipped one too.
    EXPECT_EQ(read_file(folder + "/highscore.ini"),
              read_file(installed("share/brillox/highscore.ini")));
    EXPECT_EQ(snapshot(prefix.path()), before);
}

// Whoever runs it, root included, the game writes nothing into its installation: without a
// folder of the player's own it plays on and saves nothing.
TEST_F(Installed, WithoutAFolderForThePlayerNothingIsSavedAnywhere)
{
    const auto before = snapshot(prefix.path());
    const testing_support::ProgramOutcome o =
        play({"XDG_DATA_HOME", "HOME=/proc/brillox-has-no-home"});
    EXPECT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.err,
              "/proc/brillox-has-no-home/.local/share/brillox: the folder for the player's files "
              "cannot be made: No such file or directory; nothing of the player's will be kept\n"
              "savegame.ini: cannot be saved: it has no folder\n");
    EXPECT_EQ(trace().find("ini_save"), std::string::npos) << trace();
    EXPECT_EQ(snapshot(prefix.path()), before);
}

}  // namespace
