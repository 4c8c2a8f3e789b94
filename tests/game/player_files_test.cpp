// The player's files through the real brillox program in scripted mode: two copies of the game
// entering their scores at the same moment both reach the table, and a table the game cannot
// use says so instead of swallowing the entry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ordinary_user.h"
#include "support/run_program.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::write_file;

// From the title: "Load Game", the slot (slot_downs below slot 1), "Beenden", the name from
// the save confirmed as it is, then Enter for each screen the entry shows.
std::string quit_with_loaded_score(int slot_downs)
{
    std::string script = "wait 300\ntap Enter\nwait 300\n";
    for (int i = 0; i < 4; ++i) script += "tap Down\nwait 100\n";
    script += "tap Enter\nwait 300\n";
    for (int i = 0; i < slot_downs; ++i) script += "tap Down\nwait 100\n";
    script += "tap Enter\nwait 300\ntap Down\nwait 100\ntap Enter\nwait 300\n";
    script += "tap Enter\nwait 300\ntap Enter\nwait 300\ntap Enter\nwait 300\ntap Enter\n";
    return script;
}

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Two copies of the game in one folder quit at the same moment, each with its own loaded
// score. The entries are read, inserted and written back while the other copy does the same;
// whoever writes second must not write over the first one's entry. A large table keeps each
// save busy long enough for the two to overlap often.
TEST(TwoCopies, EnteringScoresAtTheSameMomentLoseNeitherEntry)
{
    testing_support::ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    write_file(game.game_file("savegame.ini"), "[daten]\n1=ANN,1234,2,1\n2=BOB,1234,2,1\n");
    std::string padding = "[padding]\n";
    for (int i = 0; i < 20000; ++i)
        padding += "k" + std::to_string(i) + "=" + std::string(40, 'x') + "\n";
    const testing_support::TempDir runs;
    write_file(runs.file("ann.txt"), quit_with_loaded_score(0));
    write_file(runs.file("bob.txt"), quit_with_loaded_score(1));

    constexpr int races = 30;
    int lost = 0;
    for (int race = 0; race < races; ++race) {
        write_file(game.game_file("highscore.ini"), "[daten]\n1=,0\n" + padding);
        std::vector<testing_support::RunningProgram> copies;
        for (const char* who : {"ann", "bob"}) {
            copies.push_back(testing_support::start_program(
                game.game_file("brillox"), {"--script", runs.file(std::string(who) + ".txt")},
                runs.path(), {"TMPDIR=" + game.tmp_file("")}));
        }
        for (testing_support::RunningProgram& copy : copies) {
            const testing_support::ProgramOutcome outcome = testing_support::finish_program(copy);
            ASSERT_EQ(outcome.exit_code, 0) << outcome.err;
            EXPECT_EQ(outcome.err, "");
        }
        const std::string table = read_file(game.game_file("highscore.ini"));
        if (count_of(table, "=ANN,1234\r\n") != 1 || count_of(table, "=BOB,1234\r\n") != 1) {
            ++lost;
            ADD_FAILURE() << "race " << race << ": " << table.substr(0, table.find("[padding]"));
        }
    }
    EXPECT_EQ(lost, 0) << "of " << races << " races";
}

// What the entry of a score says when highscore.ini cannot take it.
struct Entry {
    int exit_code = -1;
    std::string err;
};

// A table that is missing, a directory, or one the player may not read: the name is asked
// for, and then the player hears that the entry was not saved (the notice waits for Enter)
// and standard error says why. Mode 000 only keeps out an ordinary user, so the game runs as
// one.
TEST(UnusableTable, AnEntryThatCannotBeSavedIsToldInEveryCase)
{
    const auto enter = [](const std::string& table, bool as_ordinary_user) {
        testing_support::ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
        write_file(game.game_file("savegame.ini"), "[daten]\n1=ANN,1234,2,1\n");
        std::filesystem::remove(game.game_file("highscore.ini"));
        if (table == "directory")
            std::filesystem::create_directory(game.game_file("highscore.ini"));
        if (table == "mode 000") {
            write_file(game.game_file("highscore.ini"), "[daten]\n1=,0\n");
            chmod(game.game_file("highscore.ini").c_str(), 0);
        }
        // The notice is one more screen that waits for Enter: without it the run would end
        // on the first of the last two Enters, and "wait" past the end shows nothing more.
        const testing_support::TempDir runs;
        write_file(runs.file("s.txt"), quit_with_loaded_score(0));
        Entry entry;
        const auto run = [&] {
            const testing_support::ProgramOutcome outcome = testing_support::run_program(
                game.game_file("brillox"), {"--script", runs.file("s.txt")}, runs.path(),
                {"TMPDIR=" + game.tmp_file("")});
            entry.exit_code = outcome.exit_code;
            entry.err = outcome.err;
            return outcome.exit_code == 0 &&
                   outcome.err.find("highscore.ini: cannot be saved: ") != std::string::npos;
        };
        if (!as_ordinary_user) {
            run();
            return entry;
        }
        for (const std::string& path :
             {game.game_file(""), game.tmp_file(""), runs.path(), game.game_file("brillox")})
            EXPECT_TRUE(testing_support::hand_to_ordinary_user(path)) << path;
        const testing_support::UserRun verdict = testing_support::run_as_ordinary_user(run);
        EXPECT_NE(verdict, testing_support::UserRun::impossible);
        entry.exit_code = verdict == testing_support::UserRun::passed ? 0 : 1;
        if (verdict != testing_support::UserRun::passed) entry.err = "(run as an ordinary user)";
        return entry;
    };

    const Entry missing = enter("missing", false);
    EXPECT_EQ(missing.exit_code, 0) << missing.err;
    EXPECT_NE(missing.err.find("highscore.ini: cannot be saved: it does not exist\n"),
              std::string::npos)
        << missing.err;
    const Entry directory = enter("directory", false);
    EXPECT_EQ(directory.exit_code, 0) << directory.err;
    EXPECT_NE(directory.err.find("highscore.ini: cannot be saved: it is not a regular file\n"),
              std::string::npos)
        << directory.err;
    const Entry unreadable = enter("mode 000", true);
    EXPECT_EQ(unreadable.exit_code, 0) << unreadable.err;
}

}  // namespace
