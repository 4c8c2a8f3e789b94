// Tests for the level file: levels drawn as ASCII pictures decoded without a window, the
// settings of section "game", and load_level's error codes on files in a scratch directory
// (the error message waits for the confirm key, which the scripted keyboard holds down).
#include "game/level_file.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/game_test_support.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ScopedChdir;
using testing_support::TempDir;
using testing_support::write_file;

// A level section: size keys and rows; each row gets the leading "|" the format needs.
struct Section {
    std::map<std::string, std::string> keys;
    std::vector<std::string> reads;  // keys in the order the decoder asked for them

    Section(std::vector<std::string> rows, const std::string& zeit = "0",
            const std::string& brillox = "0")
    {
        keys["y"] = std::to_string(rows.size());
        keys["x"] = rows.empty() ? "0" : std::to_string(rows[0].size());
        keys["zeit"] = zeit;
        keys["brillox"] = brillox;
        for (size_t r = 0; r < rows.size(); ++r) keys[std::to_string(r + 1)] = "|" + rows[r];
    }
    double decode(GameState& g)
    {
        return decode_level(g, [this](const rt_string& key) -> rt_string {
            reads.emplace_back(key.c_str());
            const auto it = keys.find(key.c_str());
            return it == keys.end() ? rt_string("NO_DATA") : rt_string(it->second.c_str());
        });
    }
};

// The field as rows of characters: * wall, . earth, S stone, D Brillox, P player, Z exit.
std::vector<std::string> picture(GameState& g)
{
    std::vector<std::string> rows;
    for (int r = 0; r < g.max_y; ++r) {
        std::string row;
        for (int j = 0; j < g.max_x; ++j) {
            const double v = rt_num_array_at(g.map, j, r);
            row += v == sp_mauer     ? '*'
                   : v == sp_frei    ? '.'
                   : v == sp_stein   ? 'S'
                   : v == sp_brillox ? 'D'
                   : v == sp_player  ? 'P'
                   : v == sp_ziel    ? 'Z'
                                     : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(DecodeLevel, BuildsTheFieldAndItsCounts)
{
    GameState g;
    // clang-format off
    Section s({"******",
               "*P.SD*",
               "*dxsZ*",
               "******"}, "120");
    // clang-format on
    EXPECT_EQ(s.decode(g), 0);
    EXPECT_EQ(s.reads, (std::vector<std::string>{"y", "x", "zeit", "brillox", "1", "2", "3", "4"}));
    EXPECT_EQ(g.max_x, 6);
    EXPECT_EQ(g.max_y, 4);
    EXPECT_EQ(g.max_zeit, 120);
    // clang-format off
    EXPECT_EQ(picture(g), (std::vector<std::string>{"******",
                                                    "*P.SD*",
                                                    "*D.SZ*",
                                                    "******"}));
    // clang-format on
    EXPECT_EQ(g.anz_brillox, 2);
    EXPECT_EQ(g.min_brillox, 2);  // 0 asks for all of them
    EXPECT_EQ(g.player_posx, 1);
    EXPECT_EQ(g.player_posy, 1);
    EXPECT_EQ(g.ziel_posx, 4);
    EXPECT_EQ(g.ziel_posy, 2);
}

TEST(DecodeLevel, OnlyTheFirstPlayerAndExitCountLaterOnesAreEarth)
{
    GameState g;
    Section s({"DpZ", "PzD"});
    EXPECT_EQ(s.decode(g), 0);
    EXPECT_EQ(picture(g), (std::vector<std::string>{"DPZ", "..D"}));
    EXPECT_EQ(g.player_posx, 1);
    EXPECT_EQ(g.player_posy, 0);
    EXPECT_EQ(g.ziel_posx, 2);
}

TEST(DecodeLevel, MissingAndShortRowsAndTheUnreadLeadingCharacter)
{
    GameState g;
    Section s({"*****", "*PZD*", "*****"});
    s.keys.erase("2");
    s.keys["1"] = "D**";  // position 0 is never read, the rest of the row is earth
    s.keys["3"] = "DPZ";
    EXPECT_EQ(s.decode(g), 0);
    // "NO_DATA": position 3 is the letter D, everything else decodes as earth.
    EXPECT_EQ(picture(g), (std::vector<std::string>{"**...", "..D..", "PZ..."}));
    EXPECT_EQ(g.anz_brillox, 1);
}

TEST(DecodeLevel, QuotaAndTimeRules)
{
    GameState g;
    const std::vector<std::string> rows{"PDDDZ"};
    Section over(rows, "-5", "99");
    EXPECT_EQ(over.decode(g), 0);
    EXPECT_EQ(g.min_brillox, 3);
    EXPECT_EQ(g.max_zeit, 0);

    Section negative(rows, "30", "-2");
    EXPECT_EQ(negative.decode(g), 0);
    EXPECT_EQ(g.min_brillox, 3);

    Section some(rows, "30", "2");
    g.brillox_found = 5;
    EXPECT_EQ(some.decode(g), 0);
    EXPECT_EQ(g.min_brillox, 2);
    EXPECT_EQ(g.brillox_found, 0);
}

TEST(DecodeLevel, ErrorsInOrderOfPrecedence)
{
    GameState g;
    Section no_size({"PDZ"});
    no_size.keys["y"] = "0";
    EXPECT_EQ(no_size.decode(g), 2);
    EXPECT_EQ(no_size.reads.size(), 4u);  // no row is read
    Section missing({});
    missing.keys.clear();
    EXPECT_EQ(missing.decode(g), 2);

    EXPECT_EQ(Section({"P.Z"}).decode(g), 3);
    EXPECT_EQ(Section({"..Z", "D.."}).decode(g), 4);
    EXPECT_EQ(Section({"P..", "D.."}).decode(g), 5);
    EXPECT_EQ(Section({"..."}).decode(g), 3);  // nothing at all: the Brillox error comes first
}

TEST(DecodeLevel, ASmallerLevelKeepsTheOverlapOfTheOldFieldBeyondItsEdge)
{
    GameState g;
    EXPECT_EQ(Section({"PDZS", "SSSS", "SSSS"}).decode(g), 0);
    EXPECT_EQ(Section({"PD", "Z."}).decode(g), 0);
    EXPECT_EQ(rt_array_bounds(g.map, 0), 3);
    EXPECT_EQ(rt_array_bounds(g.map, 1), 3);
    EXPECT_EQ(rt_num_array_at(g.map, 2, 2), sp_stein);  // extra column and row are not filled
    EXPECT_EQ(rt_num_array_at(g.map, 1, 1), sp_frei);
}

TEST(LevelErrorText, GermanMessagesForEachCode)
{
    EXPECT_STREQ(level_error_text(1), "LEVEL.INI nicht gefunden !");
    EXPECT_STREQ(level_error_text(2), "Leveldaten nicht gefunden!");
    EXPECT_STREQ(level_error_text(3), "Keine Brilloxen im Level !");
    EXPECT_STREQ(level_error_text(4), "Kein Player im Level !");
    EXPECT_STREQ(level_error_text(5), "Kein Ziel im Level !");
    EXPECT_STREQ(level_error_text(0), "");
}

class LevelFile : public GameScreenTest {
protected:
    TempDir dir;
    ScopedChdir here{dir.path()};
};

TEST_F(LevelFile, SettingsWithDefaultsForMissingOrNonPositiveValues)
{
    GameState& g = game();
    g.anz_level = 0, g.anz_leben = 0, g.speed = 3;
    EXPECT_EQ(read_game_settings(), 0);  // no file: nothing changes
    EXPECT_EQ(g.anz_level, 0);
    EXPECT_EQ(g.anz_leben, 0);

    write_file(dir.file("Level.ini"), "[Game]\nLevel=12\nleben=0\nspeed=-1\n");
    EXPECT_EQ(read_game_settings(), 1);
    EXPECT_EQ(g.anz_level, 12);
    EXPECT_EQ(g.anz_leben, 3);
    EXPECT_EQ(g.speed, 3);

    write_file(dir.file("Level.ini"), "[game]\nleben=5\nspeed=2\n");
    EXPECT_EQ(read_game_settings(), 1);
    EXPECT_EQ(g.anz_level, 1);
    EXPECT_EQ(g.anz_leben, 5);
    EXPECT_EQ(g.speed, 2);
}

TEST_F(LevelFile, LoadsALevelAndReportsEachErrorCode)
{
    GameState& g = game();
    EXPECT_EQ(press_start_and_run([] { return load_level(1); }), 1);

    write_file(dir.file("Level.ini"),
               "[level_1]\nx=3\ny=2\nzeit=50\nbrillox=0\n1=|PDZ\n2=|***\n"
               "[level_3]\nx=3\ny=1\n1=|P.Z\n"
               "[level_4]\nx=3\ny=1\n1=|.DZ\n"
               "[level_5]\nx=3\ny=1\n1=|PD.\n");
    EXPECT_EQ(press_start_and_run([] { return load_level(1); }), 0);
    EXPECT_EQ(g.max_zeit, 50);
    EXPECT_EQ(g.anz_brillox, 1);
    EXPECT_EQ(rt_num_array_at(g.map, 2, 1), sp_mauer);
    for (double level : {2.0, 3.0, 4.0, 5.0}) {
        EXPECT_EQ(press_start_and_run([level] { return load_level(level); }), level) << level;
    }
}

}  // namespace
