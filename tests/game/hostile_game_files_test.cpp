// The game on damaged or hostile files of its own: a Level.ini with absurd sizes, missing
// parts or binary garbage ends the attempt through the loader's German message and outcome 5;
// a highscore.ini or savegame.ini with garbage values, missing commas, huge numbers or
// negative lives is read as far as it goes, and the game keeps running.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/rt_array.h"
#include "files/ini_document.h"
#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/highscores.h"
#include "game/level_file.h"
#include "game/play_level.h"
#include "game/save_game.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using testing_support::read_file;
using testing_support::ScopedChdir;
using testing_support::TempDir;
using testing_support::write_file;

// The runtime error stop ends the program with exit code 0, which a test runner would take
// for success: an exit while one of these tests runs is turned into a failure.
bool test_running = false;
const bool exit_guard_registered =
    std::atexit([] {
        if (!test_running) return;
        std::fputs("the program ended in the middle of a test (a runtime error stop?)\n", stderr);
        std::_Exit(1);
    }) == 0;

class HostileGameFiles : public GameScreenTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(exit_guard_registered);
        GameScreenTest::SetUp();
        ini_open("");
        test_running = true;
    }
    void TearDown() override
    {
        test_running = false;
        GameScreenTest::TearDown();
    }
    TempDir dir;
    ScopedChdir here{dir.path()};
};

std::string level_1(const std::string& x, const std::string& y, const std::string& rows = "")
{
    return "[game]\nlevel=1\n[level_1]\nx=" + x + "\ny=" + y + "\nzeit=0\nbrillox=0\n" + rows;
}

TEST_F(HostileGameFiles, AbsurdLevelSizesEndTheAttemptWithTheMissingDataMessage)
{
    GameState& g = game();
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"a billion by a billion", level_1("1000000000", "1000000000", "1=|PDZ\n")},
        {"a hundred million columns", level_1("99999999", "1", "1=|PDZ\n")},
        {"a hundred million rows", level_1("3", "99999999", "1=|PDZ\n")},
        {"infinitely wide", level_1("1e999", "14", "1=|PDZ\n")},
        {"one cell more than 2048 x 2048", level_1("2048", "2048", "1=|PDZ\n")},
        {"no number at all", level_1("zwanzig", "-14")},
        {"missing section", "[game]\nlevel=1\n[level_2]\nx=3\ny=1\n1=|PDZ\n"},
        {"binary garbage", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xff=\n[\x01]\n"s},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        write_file(dir.file("Level.ini"), c.file);
        rt_num_array_dim(g.map, 21, 15);
        EXPECT_EQ(press_start_and_run([] { return play_level(1); }), outcome_load_failed) << c.what;
        // The field was not re-dimensioned for it.
        EXPECT_EQ(rt_array_bounds(g.map, 0), 21) << c.what;
        EXPECT_EQ(rt_array_bounds(g.map, 1), 15) << c.what;
        EXPECT_EQ(press_start_and_run([] { return load_level(1); }), 2) << c.what;
    }
}

TEST_F(HostileGameFiles, TheLargestFieldLoadsAndMissingRowsReadAsNoData)
{
    GameState& g = game();
    write_file(dir.file("Level.ini"), level_1("2047", "2047", "1=|PZ\n"));
    EXPECT_EQ(press_start_and_run([] { return load_level(1); }), 0);
    EXPECT_EQ(rt_array_bounds(g.map, 0), 2048);
    EXPECT_EQ(rt_array_bounds(g.map, 1), 2048);
    // Each missing row reads "NO_DATA", whose position 3 is a D.
    EXPECT_EQ(g.anz_brillox, 2046);
    EXPECT_EQ(rt_num_array_at(g.map, 2, 2046), sp_brillox);

    write_file(dir.file("Level.ini"), "[game]\nlevel=-1\nleben=1e999\nspeed=garbage\n");
    EXPECT_EQ(read_game_settings(), 1);
    EXPECT_EQ(g.anz_level, 1);
    EXPECT_EQ(g.anz_leben, HUGE_VAL);
    EXPECT_EQ(g.speed, 3);
}

// Every Level.ini of the level fuzz corpus, kept crash inputs included, decodes to one of the
// loader's codes; a loaded level has its player and its exit on the field.
TEST_F(HostileGameFiles, EveryLevelOfTheFuzzCorpusDecodesToALoaderCode)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BRILLOX_FUZZ_CORPUS "/level")) {
        ++files;
        const std::string what = entry.path().filename().string();
        ini_load(entry.path().string().c_str());
        GameState g;
        const double err =
            decode_level(g, [](const rt_string& key) { return ini_get("level_1", key); });
        ini_load("");
        EXPECT_TRUE(err == 0 || (err >= 2 && err <= 5)) << what << ": " << err;
        if (err != 0) continue;
        EXPECT_EQ(rt_num_array_at(g.map, g.player_posx, g.player_posy), sp_player) << what;
        EXPECT_EQ(rt_num_array_at(g.map, g.ziel_posx, g.ziel_posy), sp_ziel) << what;
    }
    EXPECT_GT(files, 10);
}

TEST_F(HostileGameFiles, AGarbledHighscoreTableIsReadAsFarAsItGoesAndRewrittenWhole)
{
    GameState& g = game();
    const std::string long_name(5000, 'L');
    write_file(dir.file("highscore.ini"),
               "[daten]\n1=NoCommaAtAll\n2=A,B,C,1e999\n3=,-50\n"
               "4=\xff\xfe\x01,12abc\n5=,\n6=Huge,99999999999999999999\n"
               "7=" +
                   long_name + ",5\n8=\n9=\x01\n");
    g.min_score = 0;
    read_highscore_minimum();
    EXPECT_EQ(g.min_score, -50);

    // 1000 beats the first place, which reads as 0; everything moves down one place.
    EXPECT_EQ(enter_highscore(1000, "NEU"), 1);
    const std::string written = read_file(dir.file("highscore.ini"));
    EXPECT_EQ(written,
              "[daten]\r\n1=NEU,1000\r\n2=NoCommaAtAll,0\r\n3=A,B,C,inf\r\n4=,-50\r\n"
              "5=\xff\xfe\x01,12\r\n6=,0\r\n7=Huge,1.e+020\r\n8=" +
                  long_name + ",5\r\n9=,0\r\n10=,0\r\n");
    press_start_and_run([] {
        show_highscores();
        return 0.0;
    });
}

TEST_F(HostileGameFiles, AGarbledSaveSlotLoadsWhatItCanAndCorrectsTheRest)
{
    GameState& g = game();
    const std::string long_name(10000, 'N');
    const struct {
        std::string slot;
        std::string name;
        double punkte, aktlevel, anz_leben;
    } cases[] = {
        {"ABC", "ABC", 0, 1, 1},              // no commas at all
        {"ABC,12abc,x,-3", "ABC", 12, 1, 1},  // garbage numbers, negative lives
        {",-100,-2,-7", "", 0, 1, 1},         // everything out of range
        {"Z,1e999,99999999999,1e999", "Z", HUGE_VAL, 99999999999, HUGE_VAL},
        {"N,5,2,3,more,fields", "N", 5, 2, 3},             // the lives field runs to the end
        {"\x01\x02,\xff,\x80,\x7f", "\x01\x02", 0, 1, 1},  // binary bytes
        {long_name + ",1,2,3", long_name, 1, 2, 3},
    };
    for (const auto& c : cases) {
        write_file(dir.file("savegame.ini"), "[daten]\n1=" + c.slot + "\n2=\n");
        g.spieler_name_Str = "OLD", g.punkte = 7, g.aktlevel = 2, g.anz_leben = 2;
        press_start_and_run([] {
            load_save_screen(1);  // the confirm key is already down: slot 1
            return 0.0;
        });
        EXPECT_EQ(g.spieler_name_Str.c_str(), c.name) << c.slot.substr(0, 40);
        EXPECT_EQ(g.punkte, c.punkte) << c.slot.substr(0, 40);
        EXPECT_EQ(g.aktlevel, c.aktlevel) << c.slot.substr(0, 40);
        EXPECT_EQ(g.anz_leben, c.anz_leben) << c.slot.substr(0, 40);
    }

    // A file of garbage without the section has no filled slot: nothing changes.
    write_file(dir.file("savegame.ini"), "\x7f\x45LF\x02\x01\x01\0\0\0[daten\n1=\n"s);
    g.spieler_name_Str = "OLD", g.punkte = 7;
    press_start_and_run([] {
        load_save_screen(1);
        return 0.0;
    });
    EXPECT_STREQ(g.spieler_name_Str.c_str(), "OLD");
    EXPECT_EQ(g.punkte, 7);
}

}  // namespace
