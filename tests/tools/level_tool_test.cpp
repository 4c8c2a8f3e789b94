// Tests for the level tool on small levels: the run-length key code, the layout rules, the
// guards of a headless attempt against odd corners of the rules, the plan runner's fetches,
// the replay script's frame counts around the quota flash, and the check of a Level.ini.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/playfield.h"
#include "headless_play.h"
#include "level_checks.h"
#include "level_sources.h"
#include "plan_runner.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "writers.h"

namespace {

using testing_support::TempDir;
using testing_support::write_file;

LevelSource level_of(const std::vector<std::string>& rows, int quota = 1, int zeit = 0)
{
    LevelSource level;
    level.origin = "test level";
    level.name = "Test";
    level.rows = rows;
    level.x = static_cast<int>(rows[0].size());
    level.y = static_cast<int>(rows.size());
    level.quota = quota;
    level.zeit = zeit;
    return level;
}

// A 20 x 14 level closed by walls, earth inside, with the letters put at their cells.
LevelSource walled_level(const std::vector<std::pair<Cell, char>>& letters, int quota = 1)
{
    std::vector<std::string> rows(14, "*" + std::string(18, '.') + "*");
    rows.front() = rows.back() = std::string(20, '*');
    for (const auto& [cell, letter] : letters) rows[cell.y][cell.x] = letter;
    return level_of(rows, quota);
}

void set_cell(int x, int y, double value)
{
    rt_num_array_at(game().map, x, y) = value;
}

TEST(KeyCode, RunsOfKeysRoundTripAndUnknownLettersAreRefused)
{
    const Keys keys = {Key::right, Key::right, Key::right, Key::none, Key::none, Key::down};
    EXPECT_EQ(encode_keys(keys), "R3 .2 D1");
    EXPECT_EQ(decode_keys("R3 .2 D1\n", "here"), keys);
    EXPECT_THROW(decode_keys("X3", "here"), LevelToolError);
    EXPECT_THROW(decode_keys("R", "here"), LevelToolError);
}

TEST(Layout, EachRuleRefusesALevelThatBreaksIt)
{
    const std::vector<std::pair<Cell, char>> playable = {
        {{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}};
    EXPECT_NO_THROW(check_layout(walled_level(playable)));

    struct Broken {
        const char* why;
        LevelSource level;
    };
    std::vector<Broken> broken = {
        {"not closed by walls",
         walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}, {{19, 5}, '.'}})},
        {"top or bottom row",
         walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}, {{4, 13}, 'S'}})},
        {"exactly one P",
         walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}, {{5, 5}, 'P'}})},
        {"exactly one P and one Z", walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}})},
        {"holds q", walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}, {{5, 5}, 'q'}})},
        {"quota 2 with 1", walled_level(playable, 2)},
        {"quota 0 with 1", walled_level(playable, 0)},
        {"smaller than the 20 x 14 window", level_of({"*****", "*PDZ*", "*****"})},
    };
    LevelSource ragged = walled_level(playable);
    ragged.rows[4] += "*";
    broken.push_back({"row 5 is 21 wide", ragged});
    LevelSource short_of_rows = walled_level(playable);
    short_of_rows.y = 15;  // the level declares a row its map does not have
    broken.push_back({"the level says 20 x 15", short_of_rows});

    for (const Broken& b : broken) {
        try {
            check_layout(b.level);
            ADD_FAILURE() << "accepted: " << b.why;
        } catch (const LevelToolError& e) {
            EXPECT_NE(std::string(e.what()).find(b.why), std::string::npos) << e.what();
        }
    }
}

TEST(HeadlessPlay, AStepIntoTheCellOfAFallingObjectIsAQuirk)
{
    Attempt a(walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}}), 3, 1);
    set_cell(2, 2, sp_black);
    add_falling(2, 1);  // the Brillox beside him is on its way down
    EXPECT_THROW(a.frame(Key::right), Quirk);
}

TEST(HeadlessPlay, AnObjectThePlayerWalksOverAfterAPushIsAQuirk)
{
    // A Brillox that has just fallen onto the stone he pushes drops into the stone's old cell
    // in the push's extra falling step, and he walks into that cell.
    const LevelSource level =
        walled_level({{{2, 3}, 'P'}, {{3, 3}, 'S'}, {{3, 2}, 'D'}, {{9, 9}, 'D'}, {{3, 1}, 'Z'}});
    for (const bool falling : {false, true}) {
        Attempt a(level, 3, 1);
        set_cell(4, 3, sp_black);
        set_cell(4, 4, sp_black);
        if (falling) {
            add_falling(3, 2);
            EXPECT_THROW(a.frame(Key::right), Quirk);
        } else {
            EXPECT_EQ(a.frame(Key::right), Outcome::going);  // at rest, it just hangs there
            EXPECT_EQ(a.cell({3, 2}), sp_brillox);
            EXPECT_EQ(a.cell({4, 4}), sp_stein);
        }
    }
}

TEST(HeadlessPlay, AnObjectWrittenFromAFallingRowWhoseCellIsEmptyIsAQuirk)
{
    Attempt a(walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}}), 3, 1);
    set_cell(5, 5, sp_stein);
    add_falling(5, 5);
    set_cell(5, 5, sp_black);  // the stone left without its row
    set_cell(5, 6, sp_black);
    for (int frame = 1; frame < 4; ++frame) EXPECT_EQ(a.frame(Key::none), Outcome::going);
    EXPECT_THROW(a.frame(Key::none), Quirk);  // the falling step writes a stone out of nothing
}

TEST(HeadlessPlay, TheLimitEndsTheAttemptInTheFrameThatReachesIt)
{
    LevelSource level = walled_level({{{1, 1}, 'P'}, {{2, 5}, 'D'}, {{3, 1}, 'Z'}});
    level.zeit = 1;
    Attempt a(level, 3, 1);
    for (int frame = 1; frame <= frames_per_second; ++frame)
        ASSERT_EQ(a.frame(Key::none), Outcome::going);
    EXPECT_EQ(a.frame(Key::none), Outcome::time_up);
    EXPECT_THROW(a.frame(Key::none), PlanError);
}

TEST(PlanRunner, AFetchThatEndsUnderAFallingStoneIsTakenBackForTheNextBrillox)
{
    // Stepping down to the nearest Brillox sets the stone above him falling onto him; the
    // fetch of the far one lets it land on the near one instead.
    Attempt a(level_of({"******", "*S.Z.*", "*P...*", "*D..D*", "******"}), 3, 1);
    run_plan(a, {"c 1", "exit"});
    EXPECT_EQ(a.outcome(), Outcome::complete);
    EXPECT_EQ(a.keys().front(), Key::right);
    EXPECT_EQ(a.cell({1, 2}), sp_stein);
    EXPECT_EQ(a.cell({1, 3}), sp_brillox);
}

TEST(PlanRunner, AClosedExitAndAPlanThatStopsShortAreRefused)
{
    const LevelSource level = level_of({"*****", "*PZD*", "*****"});
    {
        Attempt a(level, 3, 1);
        EXPECT_THROW(run_plan(a, {"exit"}), PlanError);
    }
    Attempt a(level, 3, 1);
    EXPECT_THROW(run_plan(a, {"m L"}), PlanError);
}

TEST(ReplayScript, ThePassOfTheQuotaFlashShowsTwoFrames)
{
    LevelIni ini;
    ini.speed = 3;
    ini.levels = {level_of({"*****", "*PDZ*", "*****"})};
    const Solution s{"level_1", "easy", 3, 2, {Key::right, Key::right}};
    const std::string script = replay_script("easy", {s}, ini);
    // Pass 1 collects the Brillox with the flash (two frames), pass 2 enters the exit (none),
    // and the completion message shows one.
    const std::string level_part =
        "# level_1\nframes 1\ndown Enter\ndown Right\nframes 3\nup Enter\nup Right\n"
        "wait 4333  # completion message and score summary\n";
    EXPECT_NE(script.find(level_part), std::string::npos) << script;

    const Solution short_of_exit{"level_1", "easy", 3, 1, {Key::right}};
    EXPECT_THROW(replay_script("easy", {short_of_exit}, ini), LevelToolError);
}

TEST(CheckLevels, RefusesASolutionOffByAFrameAndADifficultyWithoutOne)
{
    TempDir dir;
    LevelSource level = walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}});
    write_file(dir.file("Level.ini"), level_ini_text({level}));
    std::vector<Solution> solutions;
    for (const Difficulty& d : difficulties)
        solutions.push_back({"level_1", d.label, d.geschwindigkeit, 2, {Key::right, Key::right}});
    const auto check_with = [&](const std::vector<Solution>& list) {
        write_file(dir.file("solutions.txt"), solutions_text({level}, {list}));
        return check_levels(dir.file("Level.ini"), dir.file("solutions.txt"));
    };
    EXPECT_EQ(check_with(solutions), SetVerdict::proven);
    std::vector<Solution> off_by_one = solutions;
    off_by_one[1].frames = 3;
    EXPECT_EQ(check_with(off_by_one), SetVerdict::faulty);
    EXPECT_EQ(check_with({solutions[0], solutions[1]}), SetVerdict::unproven);
}

// The tool run as "level_tool check" with these arguments.
testing_support::ProgramOutcome check_run(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"check"};
    all.insert(all.end(), args.begin(), args.end());
    const TempDir cwd;
    return testing_support::run_program(BRILLOX_LEVEL_TOOL, all, cwd.path());
}

// A set of two levels whose solutions file beside it proves only the first: the second is
// listed as unproven on each difficulty, which fails only the shipped standard.
TEST(CheckLevels, ALevelWithoutASolutionIsReportedAsUnproven)
{
    TempDir dir;
    const LevelSource level = walled_level({{{1, 1}, 'P'}, {{2, 1}, 'D'}, {{3, 1}, 'Z'}});
    write_file(dir.file("Mine.ini"), level_ini_text({level, level}));
    std::vector<Solution> solutions;
    for (const Difficulty& d : difficulties)
        solutions.push_back({"level_1", d.label, d.geschwindigkeit, 2, {Key::right, Key::right}});
    write_file(dir.file("Mine.solutions.txt"), solutions_text({level, level}, {solutions, {}}));

    const testing_support::ProgramOutcome plain = check_run({dir.file("Mine.ini")});
    EXPECT_EQ(plain.exit_code, 0) << plain.err;
    for (const char* line : {"level_1   hard   complete in frame 2\n",
                             "level_2   easy   unproven: no solution stored\n",
                             "level_2   hard   unproven: no solution stored\n",
                             "2 levels, 3 solutions, 3 unproven: no fault, not all proven\n"})
        EXPECT_NE(plain.out.find(line), std::string::npos) << line << plain.out;
    EXPECT_EQ(plain.out.find("level_1   easy   unproven"), std::string::npos) << plain.out;

    const testing_support::ProgramOutcome strict = check_run({"--strict", dir.file("Mine.ini")});
    EXPECT_EQ(strict.exit_code, 1);
    EXPECT_NE(strict.err.find("[level_2]: no medium solution stored"), std::string::npos)
        << strict.err;
}

// The game's loader decides what is broken: a level without a player fails the check with the
// loader's own words; one without a wall ring plays in the game, which the shipped standard
// alone refuses; an explicit solutions file that does not exist is an error. The set is read as
// the game reads it.
TEST(CheckLevels, TheGamesLoaderDecidesWhatIsBroken)
{
    TempDir dir;
    const char* const head = "[game]\r\nlevel=1\r\nspeed=3\r\n[level_1]\r\nx=3\r\ny=1\r\n";
    write_file(dir.file("nobody.ini"), std::string(head) + "1=|.DZ\r\n");
    const testing_support::ProgramOutcome nobody = check_run({dir.file("nobody.ini")});
    EXPECT_EQ(nobody.exit_code, 1);
    EXPECT_NE(nobody.err.find("does not load it: \"Kein Player im Level !\""), std::string::npos)
        << nobody.err;

    write_file(dir.file("open.ini"), std::string(head) + "1=|PDZ\r\n");
    write_file(dir.file("open.solutions.txt"),
               "level_1 easy 3 2 R2\nlevel_1 medium 2 2 R2\nlevel_1 hard 1 2 R2\n");
    const testing_support::ProgramOutcome open = check_run({dir.file("open.ini")});
    EXPECT_EQ(open.exit_code, 0) << open.err;
    EXPECT_NE(open.out.find("1 levels, 3 solutions, 0 unproven: all complete"), std::string::npos)
        << open.out;
    EXPECT_NE(open.out.find("note: "), std::string::npos) << open.out;
    const testing_support::ProgramOutcome strict = check_run({"--strict", dir.file("open.ini")});
    EXPECT_EQ(strict.exit_code, 1) << strict.err;

    const testing_support::ProgramOutcome no_file =
        check_run({dir.file("open.ini"), dir.file("none.txt")});
    EXPECT_EQ(no_file.exit_code, 1) << no_file.err;

    // Read as the game reads it: without a speed the game plays at speed 3, and the missing row
    // 1 reads as "NO_DATA", whose D puts a Brillox in column 3 that the solution collects.
    write_file(dir.file("odd.ini"), "[game]\r\nlevel=1\r\n[level_1]\r\nx=3\r\ny=2\r\n2=|PZ.\r\n");
    write_file(dir.file("odd.solutions.txt"), "level_1 hard 1 5 U1 R2 D1 L1\n");
    const testing_support::ProgramOutcome odd = check_run({dir.file("odd.ini")});
    EXPECT_EQ(odd.exit_code, 0) << odd.err;
    EXPECT_NE(odd.out.find("level_1   hard   complete in frame 5\n"), std::string::npos) << odd.out;
}

}  // namespace
