// Tests for where a program finds its data (beside it, else an installation's share/ folder)
// and where it keeps its player's files (in the data directory when the player can change
// them there, else in the player's own data folder).
#include "app/program_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "files/file_names.h"
#include "support/ordinary_user.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

constexpr const char* player_files[] = {"highscore.ini", "savegame.ini"};

TEST(DataDirectory, BesideTheProgramWhenThereElseTheInstallationsShareFolder)
{
    TempDir tmp;
    const std::string bin = tmp.file("bin"), share = tmp.file("share/brillox");
    std::filesystem::create_directories(bin);
    EXPECT_EQ(rt_data_directory(bin, "brillox", "Level.ini"), bin);  // no data anywhere
    std::filesystem::create_directories(share);
    EXPECT_EQ(rt_data_directory(bin, "brillox", "Level.ini"), share);
    EXPECT_EQ(rt_data_directory(bin, "brillox", nullptr), bin);  // a program without data
    write_file(bin + "/level.ini", "");  // a build tree or an unpacked copy, in any case
    EXPECT_EQ(rt_data_directory(bin, "brillox", "Level.ini"), bin);
}

// The case a build tree never meets: a copy beside the program in a folder the player may not
// change (made read-only here, as an unpacked copy on a read-only medium would be).
TEST(PlayerFiles, AReadOnlyCopyUsesThePlayersFolderButASharedWritableTableStays)
{
    SKIP_ON_WINDOWS("folder modes, another user and $HOME/.local/share are POSIX matters");
    TempDir tmp;
    const std::string game = tmp.file("game"), home = tmp.file("home");
    ASSERT_EQ(chmod(tmp.path().c_str(), 0755), 0);
    std::filesystem::create_directories(game);
    std::filesystem::create_directories(home);
    ASSERT_TRUE(testing_support::hand_to_ordinary_user(home));
    for (const char* name : player_files) write_file(game + "/" + name, "[daten]\r\n");
    ASSERT_EQ(chmod((game + "/highscore.ini").c_str(), 0444), 0);
    ASSERT_EQ(chmod((game + "/savegame.ini").c_str(), 0666), 0);  // opened to every player
    ASSERT_EQ(chmod(game.c_str(), 0555), 0);
    testing_support::ScopedEnv home_env("HOME", home);
    testing_support::ScopedEnv data_home_env("XDG_DATA_HOME", "");

    const std::string in_home = home + "/.local/share/brillox/highscore.ini";
    const auto verdict = testing_support::run_as_ordinary_user([&] {
        rt_place_player_files(game, game, "brillox", player_files);
        return file_disk_path("highscore.ini") == in_home &&
               file_disk_path("savegame.ini") == "savegame.ini";
    });
    ASSERT_EQ(chmod(game.c_str(), 0755), 0);
    ASSERT_NE(verdict, testing_support::UserRun::impossible);
    EXPECT_EQ(verdict, testing_support::UserRun::passed);
    EXPECT_EQ(read_file(in_home), "[daten]\r\n");
    for (const char* made : {"/.local", "/.local/share", "/.local/share/brillox"}) {
        struct stat folder {};
        ASSERT_EQ(stat((home + made).c_str(), &folder), 0);
        EXPECT_EQ(static_cast<unsigned>(folder.st_mode & 0777), 0700u) << made;
    }
}

// A replay plays on copies: the player's files as the game finds them, with their permissions,
// in a private scratch folder; a file the player lacks stays missing there. Folders that
// killed runs left behind are cleared away, those of running copies stay.
TEST(PlayerFiles, CopiesToPlayOnAreMadeInAScratchFolderAndAbandonedOnesGo)
{
    TempDir tmp, game;
    write_file(game.file("highscore.ini"), "[daten]\r\n1=Ann,1234\r\n");
    ASSERT_EQ(chmod(game.file("highscore.ini").c_str(), 0444), 0);
    const std::string abandoned = tmp.file("brillox-copies-999999999-abcdef");
    const std::string running = tmp.file("brillox-copies-" + std::to_string(getpid()) + "-abcdef");
    for (const std::string& dir : {abandoned, running}) {
        std::filesystem::create_directories(dir);
        write_file(dir + "/highscore.ini", "old");
    }
    testing_support::ScopedEnv tmpdir("TMPDIR", tmp.path());

    std::string problem;
    rt_place_player_files(game.path(), game.path(), "brillox", player_files);
    ASSERT_TRUE(rt_play_on_copies_of_player_files(game.path(), game.path(), "brillox", player_files,
                                                  problem))
        << problem;
    const std::string copy = file_disk_path("highscore.ini");
    // In a scratch folder of the temporary folder, named for this process; on Windows the
    // program joins with its own separator, so the parts are compared, not the text.
    const std::filesystem::path copies = std::filesystem::path(copy).parent_path();
    EXPECT_TRUE(std::filesystem::equivalent(copies.parent_path(), tmp.path())) << copy;
    EXPECT_EQ(
        copies.filename().string().rfind("brillox-copies-" + std::to_string(getpid()) + "-", 0), 0u)
        << copy;
    EXPECT_NE(copy, running + "/highscore.ini");
    EXPECT_EQ(read_file(copy), "[daten]\r\n1=Ann,1234\r\n");
    struct stat info {};
    ASSERT_EQ(stat(copy.c_str(), &info), 0);
    EXPECT_EQ(static_cast<unsigned>(info.st_mode & 0777), 0444u);
    EXPECT_FALSE(testing_support::file_exists(file_disk_path("savegame.ini")));
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_EQ(read_file(running + "/highscore.ini"), "old");
    file_forget_player_directory();
}

// A level set's table, named while the game runs, is kept where the declared player files are:
// in the player's folder for an installed game, in the data directory of a writable copy. The
// player's sets are looked for in the same folder.
TEST(PlayerFiles, AFileNamedWhileRunningIsKeptBesideTheDeclaredOnes)
{
    SKIP_ON_WINDOWS("$XDG_DATA_HOME names the player's folder on POSIX systems");
    TempDir tmp;
    const std::string bin = tmp.file("bin"), share = tmp.file("share/brillox");
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(share);
    testing_support::ScopedEnv data_home("XDG_DATA_HOME", tmp.file("data"));

    rt_place_player_files(bin, share, "brillox", player_files);
    rt_add_player_file("highscore-Mine.ini");
    EXPECT_EQ(file_disk_path("highscore-Mine.ini"), tmp.file("data/brillox/highscore-Mine.ini"));
    EXPECT_EQ(rt_player_own_path("levels"), tmp.file("data/brillox/levels"));

    rt_place_player_files(bin, bin, "brillox", player_files);  // a copy the player may change
    rt_add_player_file("highscore-Mine.ini");
    EXPECT_EQ(file_disk_path("highscore-Mine.ini"), "highscore-Mine.ini");
    EXPECT_EQ(rt_player_own_path("levels"), bin + "/levels");
    file_forget_player_directory();
}

}  // namespace
