// Tests for the player files: every opener finds them in the player's folder, which is made
// and filled from the shipped copies on first use and never filled over what the player has;
// a folder that cannot be made leaves them missing, and nothing goes to the data instead.
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

const std::string shipped = "[daten]\r\n1=,0\r\n";

std::string made_directory(const std::string& path)
{
    std::filesystem::create_directory(path);
    return path;
}

class PlayerFiles : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"highscore.ini", "savegame.ini", "Level.ini"}) {
            write_file(data_dir + "/" + name, shipped);
        }
    }
    void TearDown() override
    {
        ini_open("");
        file_close(1);
        file_forget_player_directory();
    }
    void use_folder(const std::string& dir)
    {
        file_use_player_directory(dir, data_dir, {"highscore.ini", "savegame.ini"});
    }

    TempDir tmp;
    const std::string data_dir = made_directory(tmp.file("data"));
    testing_support::ScopedChdir in_data{data_dir};
};

TEST_F(PlayerFiles, EveryOpenerUsesThePlayersFolderFilledOnFirstUse)
{
    const std::string folder = tmp.file("home/.local/share/brillox");
    use_folder(folder);
    EXPECT_FALSE(file_exists(folder));  // nothing is made before the files are used

    EXPECT_EQ(file_open(1, "HighScore.INI", 1), 1);  // names compare ignoring case
    EXPECT_EQ(read_file(folder + "/highscore.ini"), shipped);
    ini_open("savegame.ini");
    ini_put("daten", "2", "AB,610,2,5");
    EXPECT_TRUE(ini_open(""));
    EXPECT_EQ(read_file(folder + "/savegame.ini"), shipped + "2=AB,610,2,5\r\n");
    EXPECT_EQ(read_file(data_dir + "/savegame.ini"), shipped);
    EXPECT_EQ(file_disk_path("Level.ini"), "Level.ini");  // the game's own data stays

    // The next run finds the player's file and leaves it as it is.
    use_folder(folder);
    ini_open("savegame.ini");
    EXPECT_EQ(ini_get("daten", "2"), "AB,610,2,5");
}

TEST_F(PlayerFiles, AFolderThatCannotBeMadeLeavesThemMissingAndSaysSoOnce)
{
    write_file(tmp.file("plain"), "");
    use_folder(tmp.file("plain/brillox"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(file_open(1, "highscore.ini", 1), 0);
    EXPECT_EQ(file_open(1, "savegame.ini", 0), 0);  // not even made for writing
    ini_open("savegame.ini");
    ini_put("daten", "1", "A,0,1,3");
    EXPECT_FALSE(ini_open(""));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("cannot be made"), err.rfind("cannot be made")) << err;
    EXPECT_NE(err.find(tmp.file("plain/brillox") + ": the folder for the player's files cannot "
                                                   "be made: Not a directory"),
              std::string::npos)
        << err;
    EXPECT_EQ(read_file(data_dir + "/savegame.ini"), shipped);  // the data is no fallback
}

}  // namespace
