// Tests for the player files: every opener finds them in the player's folder, which is made
// and filled from the shipped copies on first use and never filled over what the player has.
// (A folder that cannot be made: tests/dist/install_test.cpp, with the installed game.)
#include "files/file_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/file_channels.h"
#include "files/ini_document.h"
#include "support/temp_dir.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

TEST(PlayerFiles, EveryOpenerUsesThePlayersFolderFilledOnFirstUse)
{
    TempDir tmp;
    const std::string data_dir = tmp.file("data"), folder = tmp.file("home/share/brillox");
    const std::string shipped = "[daten]\r\n1=,0\r\n";
    std::filesystem::create_directory(data_dir);
    for (const char* name : {"highscore.ini", "savegame.ini", "Level.ini"}) {
        write_file(data_dir + "/" + name, shipped);
    }
    testing_support::ScopedChdir in_data(data_dir);
    file_use_player_directory(folder, data_dir, {"highscore.ini", "savegame.ini"});
    EXPECT_FALSE(file_exists(folder));  // nothing is made before the files are used

    EXPECT_EQ(file_open(1, "HighScore.INI", 1), 1);  // names compare ignoring case
    file_close(1);
    EXPECT_EQ(read_file(folder + "/highscore.ini"), shipped);
    ini_open("savegame.ini");
    ini_put("daten", "2", "AB,610,2,5");
    EXPECT_TRUE(ini_open(""));
    EXPECT_EQ(read_file(folder + "/savegame.ini"), shipped + "2=AB,610,2,5\r\n");
    EXPECT_EQ(read_file(data_dir + "/savegame.ini"), shipped);
    EXPECT_EQ(file_disk_path("Level.ini"), "Level.ini");  // the game's own data stays

    // The next run finds the player's file and leaves it as it is.
    file_use_player_directory(folder, data_dir, {"highscore.ini", "savegame.ini"});
    ini_open("savegame.ini");
    EXPECT_EQ(ini_get("daten", "2"), "AB,610,2,5");
    ini_open("");
    file_forget_player_directory();
}

}  // namespace
