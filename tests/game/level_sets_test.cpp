// Level sets through the real brillox program in scripted mode: a set named by --levels or
// chosen on the menu from the player's folder "levels" keeps its scores and saves in files of
// its own and leaves the shipped table alone; a broken set shows the level loader's own words.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/font_text.h"
#include "support/png_picture.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::ScriptedGame;
using testing_support::write_file;

constexpr int cell = 32;  // the screen grid's cell at 640 x 480

// One level: the player, a Brillox and the exit side by side.
const char* const one_level =
    "[game]\r\nlevel=1\r\nleben=3\r\nspeed=3\r\n"
    "[level_1]\r\nx=5\r\ny=3\r\nzeit=20\r\nbrillox=1\r\n1=|*****\r\n2=|*PDZ*\r\n3=|*****\r\n";

// From the menu's "Start": "Load Game", slot 1, "Beenden", the saved name confirmed, then Enter
// for the congratulation and the table.
const char* const quit_with_slot_1 =
    "tap Down\nwait 100\ntap Down\nwait 100\ntap Down\nwait 100\ntap Down\nwait 100\n"
    "tap Enter\nwait 300\ntap Enter\nwait 300\ntap Down\nwait 100\ntap Enter\nwait 300\n"
    "tap Enter\nwait 300\ntap Enter\nwait 300\ntap Enter\nwait 300\n";

// The shipped table and saves are left byte for byte as the game folder started with them.
void expect_shipped_files_unchanged(const ScriptedGame& game)
{
    for (const char* file : {"highscore.ini", "savegame.ini"})
        EXPECT_EQ(read_file(game.game_file(file)),
                  read_file(BRILLOX_DATA_DIR "/" + std::string(file)));
}

TEST(LevelSets, ASetNamedOnTheCommandLineKeepsItsScoreInItsOwnTable)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    fs::create_directory(game.game_file("sets"));
    write_file(game.game_file("sets/Mine.ini"), one_level);
    write_file(game.game_file("savegame-Mine.ini"), "[daten]\n1=ANN,1234,1,3\n");
    // The set's table does not exist yet: the game makes it, empty, and enters the score.
    game.play(std::string("wait 300\ntap Enter\nwait 300\n") + quit_with_slot_1 + "end\n", {},
              {"--levels", game.game_file("sets/Mine.ini")});
    const std::string table = read_file(game.game_file("highscore-Mine.ini"));
    EXPECT_NE(table.find("1=ANN,1234\r\n"), std::string::npos) << table;
    EXPECT_NE(table.find("10=,0\r\n"), std::string::npos) << table;
    expect_shipped_files_unchanged(game);
}

TEST(LevelSets, TheMenuOffersThePlayersSetsAboveStart)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    fs::create_directory(game.game_file("levels"));
    write_file(game.game_file("levels/a.ini"), one_level);
    write_file(game.game_file("levels/b.ini"), one_level);
    write_file(game.game_file("levels/notes.txt"), "not a set");
    write_file(game.game_file("savegame-b.ini"), "[daten]\n1=BOB,777,1,3\n");
    write_file(game.game_file("highscore-a.ini"), "[daten]\n1=OLD,5\n");
    // Up from "Start" reaches the sets; Right twice passes "a" and chooses "b"; Down goes back
    // to "Start". Then b's saved game is loaded and its score entered.
    game.play(std::string("wait 300\ntap Enter\nwait 300\ntap Up\nwait 100\ntap Right\nwait 100\n"
                          "tap Right\nwait 100\ntap Down\nwait 100\n") +
              quit_with_slot_1 + "end\n");
    const std::string table = read_file(game.game_file("highscore-b.ini"));
    EXPECT_NE(table.find("1=BOB,777\r\n"), std::string::npos) << table;
    EXPECT_EQ(read_file(game.game_file("highscore-a.ini")), "[daten]\n1=OLD,5\n");
    EXPECT_FALSE(fs::exists(game.game_file("highscore-notes.ini")));
    expect_shipped_files_unchanged(game);
}

// Enter on a set of the player's own opens it in the level editor; what is saved there is the
// set the menu then plays. Here the Brillox is walled in, so the level no longer loads. The
// shipped set opens nothing.
TEST(LevelSets, TheMenuOpensThePlayersSetInTheEditor)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    fs::create_directory(game.game_file("levels"));
    write_file(game.game_file("levels/a.ini"), one_level);
    const std::string trace = game.play(
        "wait 300\ntap Enter\nwait 300\ntap Up\nwait 100\ntap Enter\nwait 200\ntap Right\n"
        "wait 100\ntap Enter\nwait 300\ntap Right\nwait 100\ntap 1\n"
        "wait 100\ntap Space\nwait 100\ntap S\nwait 200\ntap Escape\nwait 300\ntap Down\n"
        "wait 100\ntap Enter\nwait 300\ntap Enter\nwait 300\nend\n");
    EXPECT_EQ(trace.find("editor_open"), trace.rfind("editor_open")) << trace;
    EXPECT_NE(trace.find("editor_saved"), std::string::npos) << trace;
    EXPECT_NE(trace.find("editor_end"), std::string::npos) << trace;
    const std::string set = read_file(game.game_file("levels/a.ini"));
    EXPECT_NE(set.find("*P*Z*"), std::string::npos) << set;
    EXPECT_NE(trace.find("level_end 1 5"), std::string::npos) << trace;  // the loader refused it
    expect_shipped_files_unchanged(game);
}

TEST(LevelSets, AScriptedRunOnCopiesLeavesTheSetsFilesAlone)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    game.write_player_files(false);
    write_file(game.game_file("Mine.ini"), one_level);
    write_file(game.game_file("savegame-Mine.ini"), "[daten]\n1=ANN,1234,1,3\n");
    game.play(std::string("wait 300\ntap Enter\nwait 300\n") + quit_with_slot_1 + "end\n", {},
              {"--levels", game.game_file("Mine.ini")});
    EXPECT_FALSE(fs::exists(game.game_file("highscore-Mine.ini")));
    EXPECT_EQ(read_file(game.game_file("savegame-Mine.ini")), "[daten]\n1=ANN,1234,1,3\n");
}

// A set that is missing, and one whose level has no player: "Start" shows the loader's message
// screen, as for a broken Level.ini, and the game goes back to the menu without losing a life.
TEST(LevelSets, ABrokenSetShowsTheLevelLoadersMessage)
{
    const testing_support::FontSheet font =
        testing_support::read_font(std::string(BRILLOX_DATA_DIR) + "/show/font20x31.bmp");
    const auto message_of = [&font](const char* set, const char* text) {
        ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
        if (set != nullptr) write_file(game.game_file("broken.ini"), set);
        const std::string trace = game.play(
            "wait 300\ntap Enter\nwait 300\ntap Enter\nwait 300\ncapture error.png\n"
            "tap Enter\nwait 300\nend\n",
            {}, {"--lang", "de", "--levels", game.game_file("broken.ini")});
        EXPECT_NE(trace.find("level_end 1 5"), std::string::npos) << trace;
        const testing_support::RgbPicture frame =
            testing_support::read_png(game.start_file("error.png"));
        return testing_support::text_mismatch(frame, font, text, 2 * cell, 6 * cell);
    };
    EXPECT_EQ(message_of(nullptr, "LEVEL.INI nicht gefunden !"), "");
    std::string no_player = one_level;
    no_player.replace(no_player.find("*PDZ*"), 5, "*.DZ*");
    EXPECT_EQ(message_of(no_player.c_str(), "Kein Player im Level !"), "");
}

}  // namespace
