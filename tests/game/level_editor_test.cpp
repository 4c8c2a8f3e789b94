// The level editor through the real program: a level built from nothing with keys, test-played
// to completion at every difficulty, saved, and accepted by the level tool; a save that fails
// is said; hostile set files open and close without a crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::ScriptedGame;

// Player, Brillox and exit side by side in the top-left corner (the cursor starts there), then
// each difficulty test-played by walking right: the Brillox, then the opened exit; then the
// level named "To" in its values box.
const std::string build_and_play = R"(wait 200
tap 6
wait 100
tap Space
wait 100
tap Right
wait 100
tap 4
wait 100
tap Space
wait 100
tap Right
wait 100
tap 5
wait 100
tap Space
wait 100
tap Enter
wait 100
down Right
wait 300
up Right
wait 4000
tap G
wait 100
tap Enter
wait 100
down Right
wait 300
up Right
wait 4000
tap G
wait 100
tap Enter
wait 100
down Right
wait 300
up Right
wait 4000
tap E
wait 100
tap T
wait 100
tap O
wait 100
tap Enter
wait 100
tap S
wait 100
tap Escape
wait 200
)";

TEST(LevelEditorSession, BuildsTestPlaysAndSavesALevelTheLevelToolAccepts)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    // A relative name is the starting folder's, although the program moves to its data.
    const std::string trace = game.play(build_and_play, {}, {"--edit", "mine.ini"});
    for (const char* difficulty : {"easy", "medium", "hard"}) {
        EXPECT_NE(trace.find(std::string("editor_test_play 1 ") + difficulty + " 1 "),
                  std::string::npos)
            << trace;
    }
    EXPECT_NE(trace.find("editor_saved 1"), std::string::npos) << trace;
    const std::string set = read_file(game.start_file("mine.ini"));
    EXPECT_NE(set.find("2=|*PDZ" + std::string(15, '.') + "*\r\n"), std::string::npos) << set;
    EXPECT_NE(set.find("[level_1]\r\nname=To\r\n"), std::string::npos) << set;
    const std::string solutions = read_file(game.start_file("mine.solutions.txt"));
    EXPECT_NE(solutions.find("level_1 hard 1 "), std::string::npos) << solutions;

    const testing_support::ProgramOutcome check = testing_support::run_program(
        BRILLOX_LEVEL_TOOL,
        {"check", game.start_file("mine.ini"), game.start_file("mine.solutions.txt")},
        game.start_file(""));
    EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("all complete"), std::string::npos) << check.out;
}

TEST(LevelEditorSession, AGivenUpTestPlayKeepsNoSolution)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    const std::string trace = game.play(
        "wait 200\ntap 6\nwait 100\ntap Space\nwait 100\ntap Right\nwait 100\ntap 4\nwait 100\ntap "
        "Space\n"
        "wait 100\ntap Right\nwait 100\ntap 5\nwait 100\ntap Space\nwait 100\ntap Enter\nwait 300\n"
        "down Escape\nwait 300\nup Escape\nwait 4000\ntap S\nwait 100\ntap Escape\nwait 200\n",
        {}, {"--edit", "mine.ini"});
    EXPECT_NE(trace.find("editor_test_play 1 easy 3 "), std::string::npos) << trace;
    const std::string solutions = read_file(game.start_file("mine.solutions.txt"));
    EXPECT_EQ(solutions.find("level_1"), std::string::npos) << solutions;
}

TEST(LevelEditorSession, AFailedSaveIsSaidAndTheEditorStaysOpen)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    const std::string trace = game.play(
        "wait 200\ntap Space\nwait 100\ntap S\nwait 100\ncapture failed.png\n"
        "tap Escape\nwait 100\ntap Escape\nwait 200\n",
        {}, {"--edit", "no/such/folder/mine.ini"});
    EXPECT_NE(trace.find("editor_save_failed"), std::string::npos) << trace;
    EXPECT_NE(trace.find("editor_end"), std::string::npos) << trace;  // after two Escapes
}

TEST(LevelEditorSession, HostileSetFilesOpenAndCloseWithoutACrash)
{
    const std::filesystem::path corpus = std::filesystem::path(BRILLOX_FUZZ_CORPUS) / "level_set";
    int opened = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
        std::filesystem::copy_file(entry.path(), game.start_file("set.ini"));
        const std::string trace =
            game.play("wait 200\ntap Escape\nwait 200\n", {}, {"--edit", "set.ini"});
        EXPECT_NE(trace.find("editor_end"), std::string::npos) << entry.path() << "\n" << trace;
        ++opened;
    }
    EXPECT_GE(opened, 3);
}

}  // namespace
