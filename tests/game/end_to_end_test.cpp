// Whole games played by the real brillox program in scripted mode: each test copies the
// program with the game data into a scratch directory, writes its own levels and files there,
// plays a script from the title screen on and reads the trace and the files the game wrote.
// The recorded solutions of the shipped levels are replayed here too, once per difficulty.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/png_picture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> starting_with(const std::vector<std::string>& lines,
                                       const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
}

// Two levels for the scripted games. Level 1: a Brillox and the exit to the right of the
// player, 20 seconds. Level 2: a stone resting on the player, 3 seconds; stepping down sets
// it falling onto him (every level needs a Brillox, this one's is never reached).
const char* const two_levels =
    "[game]\nlevel=2\nleben=3\nspeed=3\n"
    "[level_1]\nx=5\ny=3\nzeit=20\nbrillox=1\n"
    "1=|*****\n2=|*PDZ*\n3=|*****\n"
    "[level_2]\nx=6\ny=5\nzeit=3\nbrillox=0\n"
    "1=|******\n2=|*Z.S.*\n3=|*D.P.*\n4=|*....*\n5=|******\n";

class Game : public testing::Test {
protected:
    void SetUp() override
    {
        fs::copy(BRILLOX_DATA_DIR, game_.path(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::copy_file(BRILLOX_GAME, game_.file("brillox"));
        fs::permissions(game_.file("brillox"), fs::perms::owner_all, fs::perm_options::add);
    }

    // Plays the script; the trace's lines come back, the exit code is checked.
    std::vector<std::string> play(const std::string& script)
    {
        write_file(start_.file("script.txt"), script);
        const testing_support::ProgramOutcome outcome = testing_support::run_program(
            game_.file("brillox"), {"--script", "script.txt", "--trace", "trace.txt"},
            start_.path(), {"TMPDIR=" + tmp_.path()});
        EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
        return lines_of(read_file(start_.file("trace.txt")));
    }

    std::string game_file(const std::string& name) const { return read_file(game_.file(name)); }
    void put_game_file(const std::string& name, const std::string& text) const
    {
        write_file(game_.file(name), text);
    }

    TempDir game_, start_, tmp_;
};

// Frames presented between the start of an attempt (the "let's go" sound, slot 3) and its
// explosion (slot 0), for the first attempt that explodes.
int frames_before_explosion(const std::vector<std::string>& trace)
{
    int frames = -1;
    for (const std::string& line : trace) {
        if (line.rfind("sound_play 3 ", 0) == 0) frames = 0;
        if (line.rfind("frame ", 0) == 0 && frames >= 0) ++frames;
        if (line.rfind("sound_play 0 ", 0) == 0) return frames;
    }
    return -1;
}

TEST_F(Game, LivesRunOutThroughCrushGiveUpAndTimeOut)
{
    put_game_file("Level.ini", two_levels);
    const std::vector<std::string> trace = play(
        "wait 300\ntap Enter  # title\nwait 300\n"
        // Difficulty: Right lowers it and wraps from hard to easy; four presses give medium.
        "tap Down\nwait 100\ntap Down\nwait 100\n"
        "tap Right\nwait 100\ntap Right\nwait 100\ntap Right\nwait 100\ntap Right\nwait 100\n"
        "tap Up\nwait 100\ntap Up\nwait 100\n"
        // Right for both passes of level 1; the first also shows the quota's white flash.
        "frames 1\ndown Enter\ndown Right\nframes 1\nup Enter\nframes 2\nup Right\n"
        "wait 5000  # level 1 done; completion message and score summary\n"
        "down Enter\nframes 1\nup Enter\ndown Down\nframes 1\nup Down\n"
        "wait 4000  # crushed; the same level again at once\n"
        "down Escape\nwait 200\nup Escape\nwait 3500  # gave up: the menu\n"
        "capture menu.png\ntap Enter\n"
        "wait 7000  # time is up with the last life\ncapture no_lives.png\n"
        "tap Enter\nwait 300  # the menu again, at level 1\n"
        "tap Enter\nwait 500\ndown Escape\nwait 200\nup Escape\nwait 3500\n"
        // Quit: the score went with the last life, so no name is asked for. If it were,
        // these keys would enter one and write the table.
        "tap Up\nwait 100\ntap Enter\nwait 300\ntap Space\nwait 100\ntap Enter\nwait 1000\n");

    EXPECT_EQ(starting_with(trace, "level_end"),
              (std::vector<std::string>{"level_end 1 1", "level_end 2 2", "level_end 2 3",
                                        "level_end 2 2", "level_end 1 3"}));
    // On medium, objects move in every seventh frame: the stone drops into the player's old
    // cell in the 7th and onto him in the 14th, which is not shown.
    EXPECT_EQ(frames_before_explosion(trace), 13);
    EXPECT_TRUE(starting_with(trace, "ini_save").empty());
    EXPECT_EQ(game_file("highscore.ini"),
              read_file(std::string(BRILLOX_DATA_DIR) + "/highscore.ini"));
}

TEST_F(Game, TheScoreAndMenuSettingsAreSavedDuringPlay)
{
    put_game_file("Level.ini", two_levels);
    const std::vector<std::string> trace = play(
        "wait 300\ntap Enter\nwait 300\n"
        // Lives: Left cannot go below three; two Rights make five.
        "tap Down\nwait 100\ntap Left\nwait 100\ntap Right\nwait 100\ntap Right\nwait 100\n"
        "tap Up\nwait 100\n"
        "frames 1\ndown Enter\ndown Right\nframes 1\nup Enter\nframes 2\nup Right\n"
        "wait 5000  # level 1 done in its first second: 500 + 10 x 1 + 5 x 20 points\n"
        "tap Enter\nwait 300\n"
        "tap S  # the save screen\nwait 300\ntap Down  # slot 2\nwait 100\ntap Enter\nwait 300\n"
        "tap Space  # A\nwait 100\ntap Right\nwait 100\ntap Space  # B\nwait 100\n"
        "tap Enter\nwait 100\ndown Escape\nwait 200\nup Escape\nwait 3500  # gave up\n"
        "tap Up\nwait 100\ntap Enter  # quit\nwait 300\n"
        "tap Enter  # the name from the save\nwait 300\ntap Enter\nwait 300\ntap Enter\n");

    EXPECT_EQ(starting_with(trace, "level_end"),
              (std::vector<std::string>{"level_end 1 1", "level_end 2 3"}));
    EXPECT_EQ(starting_with(trace, "ini_save"),
              (std::vector<std::string>{"ini_save savegame.ini", "ini_save highscore.ini"}));
    const std::string saved = game_file("savegame.ini");
    EXPECT_NE(saved.find("\r\n2=AB,610,2,5\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("\n1="), std::string::npos) << saved;
    EXPECT_NE(game_file("highscore.ini").find("\r\n1=AB,610\r\n"), std::string::npos);
}

TEST_F(Game, ALoadedGameEndsInTheHighscoreTable)
{
    put_game_file("Level.ini", two_levels);
    put_game_file("savegame.ini", "[daten]\n3=XY,1234,2,1\n");
    const std::vector<std::string> trace = play(
        "wait 300\ntap Enter\nwait 300\n"
        "tap Down\nwait 100\ntap Down\nwait 100\ntap Down\nwait 100\ntap Down\nwait 100\n"
        "tap Enter  # Load Game\nwait 300\n"
        "tap Down\nwait 100\ntap Down\nwait 100\ntap Enter  # slot 3\nwait 300\n"
        "tap Up\nwait 100\ntap Up\nwait 100\ntap Up\nwait 100\ntap Up\nwait 100\n"
        "tap Enter  # level 2 with one life\nwait 500\n"
        "down Escape\nwait 200\nup Escape\nwait 3500\n"
        "tap Enter  # no lives left; the score stays\nwait 300\n"
        "tap Up\nwait 100\ntap Enter  # quit\nwait 300\n"
        // The name "XY" from the save gets a Z (left of "." in the lower row), loses it
        // again through "<", and gets it back.
        "tap Down\nwait 100\ntap Left\nwait 100\ntap Left\nwait 100\ntap Left\nwait 100\n"
        "tap Space\nwait 100\ntap Right\nwait 100\ntap Right\nwait 100\ntap Space\nwait 100\n"
        "tap Left\nwait 100\ntap Left\nwait 100\ntap Space\nwait 100\n"
        "capture name.png\ntap Enter\nwait 300\ncapture congratulation.png\n"
        "tap Enter\nwait 300\ncapture highscores.png\ntap Enter\nwait 300\n");

    EXPECT_EQ(starting_with(trace, "level_end"), std::vector<std::string>{"level_end 2 3"});
    const std::string table = game_file("highscore.ini");
    EXPECT_NE(table.find("\r\n1=XYZ,1234\r\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\r\n2=,0\r\n"), std::string::npos) << table;
    // Loading a game leaves the save file as it was.
    EXPECT_EQ(game_file("savegame.ini"), "[daten]\n3=XY,1234,2,1\n");
}

TEST_F(Game, SavingSoundAndTheLastLifeGivenUpTreatThePlayerFairly)
{
    // Level 1 as in two_levels, but with a limit of 3 seconds.
    std::string levels = two_levels;
    levels.replace(levels.find("zeit=20"), 7, "zeit=3");
    put_game_file("Level.ini", levels);
    put_game_file("savegame.ini", "[daten]\n");
    const std::vector<std::string> trace = play(
        "wait 300\ntap Enter\nwait 300\ntap Enter  # level 1\nwait 200\n"
        // M held for nine frames switches the sound off once.
        "down M\nframes 9\nup M\nwait 100\n"
        // Four seconds on the save screen and in the name entry cost no time.
        "tap S\nwait 2000\ntap Enter\nwait 2000\ntap Space\nwait 100\ntap Enter\n"
        "frames 2\ncapture resumed.png\n"
        "down Right\nwait 300\nup Right\nwait 5000  # done; the score summary\ntap Enter\n"
        "wait 500\ndown Escape\nwait 200\nup Escape\nwait 3500\ntap Enter\n"
        "wait 500\ndown Escape\nwait 200\nup Escape\nwait 3500\ntap Enter\n"
        "wait 500\ndown Escape\nwait 200\nup Escape\nwait 3500  # no lives left\ntap Enter\n"
        "wait 300\ntap Enter  # the same level again\nwait 500\n"
        "down Escape\nwait 200\nup Escape\nwait 3500\n");

    EXPECT_EQ(starting_with(trace, "level_end"),
              (std::vector<std::string>{"level_end 1 1", "level_end 2 3", "level_end 2 3",
                                        "level_end 2 3", "level_end 2 3"}));
    EXPECT_EQ(starting_with(trace, "sound_play").size(), 1u);  // the first "let's go" only
    EXPECT_NE(game_file("savegame.ini").find("1=A,0,1,3"), std::string::npos);
    // Play resumed on black, not over the save screen's frozen picture (a brick border there).
    const testing_support::RgbPicture resumed =
        testing_support::read_png(start_.file("resumed.png"));
    ASSERT_EQ(resumed.width, 640);
    for (const int x : {250, 600}) EXPECT_EQ(resumed.at(x, 8), testing_support::black) << x;
}

// The number of levels the shipped Level.ini declares in its [game] section.
int shipped_level_count()
{
    const std::string ini = read_file(std::string(BRILLOX_DATA_DIR) + "/Level.ini");
    const std::size_t at = ini.find("\nlevel=");
    return at == std::string::npos ? 0 : std::stoi(ini.substr(at + 7));
}

class Solutions : public Game, public testing::WithParamInterface<const char*> {};

TEST_P(Solutions, CompleteEveryShippedLevelInARow)
{
    const std::string script =
        read_file(std::string(BRILLOX_SOLUTIONS_DIR) + "/" + GetParam() + ".txt");
    ASSERT_FALSE(script.empty());
    const std::vector<std::string> trace = play(script);

    std::vector<std::string> expected;
    for (int level = 1; level <= shipped_level_count(); ++level)
        expected.push_back("level_end " + std::to_string(level) + " 1");
    ASSERT_GE(expected.size(), 10u);
    EXPECT_EQ(starting_with(trace, "level_end"), expected);
}

INSTANTIATE_TEST_SUITE_P(Difficulties, Solutions, testing::Values("easy", "medium", "hard"));

}  // namespace
