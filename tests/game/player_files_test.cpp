// The player's files through the real brillox program in scripted mode: two copies of the game
// entering their scores at the same moment both reach the table, and a table the game cannot
// use says so instead of swallowing the entry.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ordinary_user.h"
#include "support/posix_only.h"
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

// From the title: level 1, the save key, the slot (slot_downs below slot 1), the name "A"
// (letters more to the right of it), then the end of the run.
std::string save_in_play(int slot_downs, int more_letters)
{
    std::string script = "wait 300\ntap Enter\nwait 300\ntap Enter\nwait 200\ntap S\nwait 300\n";
    for (int i = 0; i < slot_downs; ++i) script += "tap Down\nwait 100\n";
    script += "tap Enter\nwait 300\ntap Space\nwait 100\n";
    for (int i = 0; i < more_letters; ++i) script += "tap Right\nwait 100\ntap Space\nwait 100\n";
    return script + "tap Enter\nwait 300\nend\n";
}

// Plays the two scripts at the same moment, races times, each time on the file given afresh
// with a large section of padding that keeps each save busy long enough for the two copies
// to overlap often. Returns the races after which the file lacks one of the two lines.
int races_lost(const std::string& file, const std::string& given, const std::string& script_a,
               const std::string& line_a, const std::string& script_b, const std::string& line_b)
{
    testing_support::ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    write_file(game.game_file("savegame.ini"), "[daten]\n1=ANN,1234,2,1\n2=BOB,1234,2,1\n");
    std::string padding = "[padding]\n";
    for (int i = 0; i < 20000; ++i)
        padding += "k" + std::to_string(i) + "=" + std::string(40, 'x') + "\n";
    const testing_support::TempDir runs;
    write_file(runs.file("a.txt"), script_a);
    write_file(runs.file("b.txt"), script_b);

    constexpr int races = 30;
    int lost = 0;
    for (int race = 0; race < races; ++race) {
        write_file(game.game_file(file), given + padding);
        std::vector<testing_support::RunningProgram> copies;
        for (const char* script : {"a.txt", "b.txt"}) {
            copies.push_back(testing_support::start_program(
                game.program(), {"--script", runs.file(script), "--write-player-files"},
                runs.path(), {"TMPDIR=" + game.tmp_file("")}));
        }
        for (testing_support::RunningProgram& copy : copies) {
            const testing_support::ProgramOutcome outcome = testing_support::finish_program(copy);
            EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
            EXPECT_EQ(testing_support::without_software_gl_notice(outcome.err), "");
        }
        const std::string text = read_file(game.game_file(file));
        if (count_of(text, line_a) != 1 || count_of(text, line_b) != 1) {
            ++lost;
            const std::size_t daten = text.find("[daten]");
            ADD_FAILURE() << "race " << race << ": "
                          << (daten == std::string::npos ? text.substr(0, 200)
                                                         : text.substr(daten, 200));
        }
    }
    return lost;
}

// Two copies of the game in one folder quit at the same moment, each with its own loaded
// score. The entries are read, inserted and written back while the other copy does the same;
// whoever writes second must not write over the first one's entry.
TEST(TwoCopies, EnteringScoresAtTheSameMomentLoseNeitherEntry)
{
    EXPECT_EQ(races_lost("highscore.ini", "[daten]\n1=,0\n", quit_with_loaded_score(0),
                         "=ANN,1234\r\n", quit_with_loaded_score(1), "=BOB,1234\r\n"),
              0);
}

// The same for two copies saving their games into two slots of one file during play.
TEST(TwoCopies, SavingAtTheSameMomentLosesNeitherSlot)
{
    EXPECT_EQ(races_lost("savegame.ini", "[daten]\n", save_in_play(0, 0), "\n1=A,0,1,3\r\n",
                         save_in_play(1, 1), "\n2=AB,0,1,3\r\n"),
              0);
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
                game.program(), {"--script", runs.file("s.txt"), "--write-player-files"},
                runs.path(), {"TMPDIR=" + game.tmp_file("")});
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
             {game.game_file(""), game.tmp_file(""), runs.path(), game.program()})
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
    SKIP_ON_WINDOWS("file mode 000 and another user to keep out are POSIX matters");
    const Entry unreadable = enter("mode 000", true);
    EXPECT_EQ(unreadable.exit_code, 0) << unreadable.err;
}

}  // namespace
