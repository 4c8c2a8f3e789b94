// The game's languages through the real program in scripted mode. Under an English locale the
// title, the menu and the level's screens show the English catalogue's texts, each glyph as
// the font draws it (the typographic apostrophe and dash included). Under the C locale, and
// under a German one, every scripted game of scripts/ leaves the same trace, captures and
// player files byte for byte as the game does with no catalogue at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/font_text.h"
#include "support/png_picture.h"
#include "support/run_program.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::ScriptedGame;
using testing_support::text_mismatch;

const std::string data_dir = BRILLOX_DATA_DIR;
const std::string scripts_dir = BRILLOX_SCRIPTS_DIR;
constexpr int cell = 32;  // the screen grid's cell at 640 x 480

// One level: the player, a Brillox and the exit side by side, so that holding Right finishes
// the game.
const char* const one_level =
    "[game]\r\nlevel=1\r\nleben=3\r\nspeed=3\r\n"
    "[level_1]\r\nx=5\r\ny=3\r\nzeit=20\r\nbrillox=1\r\n1=|*****\r\n2=|*PDZ*\r\n3=|*****\r\n";

const char* const whole_game = R"(wait 12000
capture title.png  # the credit line has slid in: 2 pixels a frame from x = 640
tap Enter
wait 300
capture menu.png
frames 1
down Enter
down Right
frames 1
up Enter
frames 2
up Right
wait 1000
capture level_done.png  # the completion message stays three seconds
wait 5000
capture summary.png
tap Enter
wait 300
capture all_done.png
)";

struct Text {
    const char* text;  // in Windows-1252, as the font draws it
    int x, y;
    int below_y = 480;  // the credit line is grabbed as a strip one cell high
};

TEST(Languages, AnEnglishLocaleShowsTheEnglishTexts)
{
    ScriptedGame game(BRILLOX_GAME, data_dir);
    testing_support::write_file(game.game_file("Level.ini"), one_level);
    testing_support::RunningProgram running =
        game.start(whole_game, {"LC_ALL=", "LC_MESSAGES=", "LANGUAGE=", "LANG=en_US.UTF-8"});
    const testing_support::ProgramOutcome outcome = testing_support::finish_program(running);
    ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
    // the catalogue was taken
    EXPECT_EQ(testing_support::without_software_gl_notice(outcome.err), "");

    const testing_support::FontSheet font =
        testing_support::read_font(data_dir + "/show/font20x31.bmp");
    ASSERT_EQ(font.cells, 256);
    const std::pair<const char*, std::vector<Text>> screens[] = {
        {"title.png",
         {{"Brillox \x96 a cave game", 4, 2, cell}, {"Continue with Enter!", 5 * cell, 11 * cell}}},
        {"menu.png",
         {{"*** Main Menu ***", 5 * cell, 0},
          {"Start", 5 * cell, 8 * cell},
          {"Lives", 5 * cell, 9 * cell},
          {"Difficulty", 5 * cell, 10 * cell},
          {"High Scores", 5 * cell, 11 * cell},
          {"Load Game", 5 * cell, 12 * cell},
          {"Settings", 5 * cell, 13 * cell},
          {"Quit", 5 * cell, 14 * cell},
          {"Level 1", 14 * cell, 8 * cell},
          {"Easy", 14 * cell, 10 * cell}}},
        {"level_done.png", {{"Level 1 complete.", 0, 2}}},
        {"summary.png",
         {{"Score", 6 * cell, 2 * cell},
          {"So far", 3 * cell, 4 * cell},
          {"Time ", 3 * cell, 8 * cell},
          {"New score", 3 * cell, 10 * cell},
          {"Continue with Enter!", 5 * cell, 12 * cell}}},
        {"all_done.png",
         {{"Great, super!", 6 * cell, 4 * cell},
          {"You\x92ve finished every level.", cell, 6 * cell}}},
    };
    for (const auto& [capture, texts] : screens) {
        const testing_support::RgbPicture frame =
            testing_support::read_png(game.start_file(capture));
        ASSERT_EQ(frame.width, 640) << capture;
        for (const Text& t : texts) {
            EXPECT_EQ(text_mismatch(frame, font, t.text, t.x, t.y, t.below_y), "") << capture;
        }
    }
}

std::vector<std::string> script_lines(const std::string& script)
{
    std::vector<std::string> lines;
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What a scripted game leaves: its trace, each capture and the player's files, by name.
std::vector<std::pair<std::string, std::string>> play_and_collect(
    const fs::path& script_path, bool with_catalogues, const std::vector<std::string>& env)
{
    ScriptedGame game(BRILLOX_GAME, data_dir);
    if (!with_catalogues) fs::remove_all(game.game_file("po"));
    const std::string script = read_file(script_path.string());
    std::vector<std::string> captures;
    for (const std::string& line : script_lines(script)) {
        std::istringstream words(line);
        std::string first, name, from;
        words >> first >> name >> from;
        if (first == "#given") {
            testing_support::write_file(game.game_file(name), read_file(scripts_dir + "/" + from));
        } else if (first == "capture") {
            captures.push_back(name);
        }
    }
    std::vector<std::pair<std::string, std::string>> left;
    left.emplace_back("trace", game.play(script, env));
    for (const std::string& name : captures)
        left.emplace_back(name, read_file(game.start_file(name)));
    for (const char* name : {"highscore.ini", "savegame.ini"}) {
        left.emplace_back(name, read_file(game.game_file(name)));
    }
    return left;
}

TEST(Languages, UnderTheCAndGermanLocalesEveryScriptedGameIsTheGameWithoutCatalogues)
{
    int scripts = 0;
    for (const fs::path& script : testing_support::files_in(scripts_dir)) {
        if (script.extension() != ".txt") continue;
        ++scripts;
        SCOPED_TRACE(script.filename().string());
        const auto without = play_and_collect(script, false, {});
        EXPECT_EQ(play_and_collect(script, true, {}), without);  // the tests' C locale
        EXPECT_EQ(play_and_collect(script, true, {"LC_ALL=", "LANGUAGE=", "LANG=de_DE.UTF-8"}),
                  without);
    }
    EXPECT_GE(scripts, 5);
}

}  // namespace
