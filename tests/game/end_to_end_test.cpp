// Whole games played by the real brillox program in scripted mode: each test copies the
// program with the game data into a scratch directory and plays one script of scripts/ from
// the title screen on. The script's directives (scripts/README.md) name the files the game
// starts with, and the trace lines, files and captured frames it must leave.
// The recorded solutions of the shipped levels are replayed here too, once per difficulty.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "support/png_picture.h"
#include "support/posix_only.h"
#include "support/run_program.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::write_file;

const std::string scripts_dir = BRILLOX_SCRIPTS_DIR;

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

// Whether line is the words, or begins with them and a space.
bool begins_with_words(const std::string& line, const std::string& words)
{
    return line == words || line.rfind(words + " ", 0) == 0;
}

// Frames presented from the last line that begins with from before the first line that
// begins with to, up to that line; -1 when there is no such pair.
int frames_between(const std::vector<std::string>& trace, const std::string& from,
                   const std::string& to)
{
    int frames = -1;
    for (const std::string& line : trace) {
        if (begins_with_words(line, from)) frames = 0;
        if (begins_with_words(line, "frame") && frames >= 0) ++frames;
        if (begins_with_words(line, to)) return frames;
    }
    return -1;
}

// One directive of a script: "#file savegame.ini line 1=A,0,1,3" has the verb "file" and
// the words "savegame.ini", "line" and "1=A,0,1,3".
struct Directive {
    std::string line;  // as written, for messages
    std::string verb;
    std::vector<std::string> words;

    std::string word(std::size_t i) const { return i < words.size() ? words[i] : ""; }
    std::string text_after(std::size_t n) const  // the rest of the line from word n on
    {
        std::size_t at = line.find(' ');
        for (std::size_t i = 0; i < n && at != std::string::npos; ++i) at = line.find(' ', at + 1);
        return at == std::string::npos ? "" : line.substr(at + 1);
    }
};

// The lines that start with "#" and a letter; the game takes them for comments.
std::vector<Directive> directives_of(const std::string& script)
{
    std::vector<Directive> directives;
    for (const std::string& line : lines_of(script)) {
        if (line.size() < 2 || line[0] != '#' || !std::isalpha(static_cast<unsigned char>(line[1])))
            continue;
        Directive d;
        d.line = line;
        std::istringstream in(line.substr(1));
        in >> d.verb;
        for (std::string w; in >> w;) d.words.push_back(w);
        directives.push_back(d);
    }
    return directives;
}

// Gives the game the files the script's "#given" directives name.
void give_files(testing_support::ScriptedGame& game, const std::string& script)
{
    for (const Directive& d : directives_of(script)) {
        if (d.verb != "given") continue;
        const std::string text = read_file(scripts_dir + "/" + d.word(1));
        ASSERT_FALSE(text.empty()) << d.line;
        write_file(game.game_file(d.word(0)), text);
    }
}

class Game : public testing::Test {
protected:
    // Plays the script; the trace's lines come back, the exit code is checked.
    std::vector<std::string> play(const std::string& script)
    {
        return lines_of(game_.play(script));
    }

    // Plays scripts/<name>.txt and checks everything its directives say.
    void play_scripted_game(const std::string& name);

    std::string game_file(const std::string& name) const
    {
        return read_file(game_.game_file(name));
    }

    testing_support::ScriptedGame game_{BRILLOX_GAME, BRILLOX_DATA_DIR};
};

void Game::play_scripted_game(const std::string& name)
{
    SCOPED_TRACE("scripts/" + name + ".txt");
    const std::string script = read_file(scripts_dir + "/" + name + ".txt");
    ASSERT_FALSE(script.empty());
    const std::vector<Directive> directives = directives_of(script);

    give_files(game_, script);
    std::map<std::string, std::string> before;  // the files to be left unchanged
    for (const Directive& d : directives) {
        if (d.verb == "file" && d.word(1) == "unchanged") before[d.word(0)] = game_file(d.word(0));
    }

    const std::vector<std::string> trace = play(script);

    std::map<std::string, std::vector<std::string>> expected;  // trace lines by their first word
    std::set<std::string> captures_checked;
    for (const Directive& d : directives) {
        SCOPED_TRACE(d.line);
        if (d.verb == "trace" && d.word(0) == "no") {
            expected[d.word(1)];
        } else if (d.verb == "trace") {
            expected[d.word(0)].push_back(d.text_after(0));
        } else if (d.verb == "frames") {
            const std::string between = d.text_after(2);
            const std::size_t to = between.find(" to ");
            ASSERT_NE(to, std::string::npos);
            EXPECT_EQ(frames_between(trace, between.substr(0, to), between.substr(to + 4)),
                      std::stoi(d.word(0)));
        } else if (d.verb == "file") {
            const std::string text = "\r\n" + game_file(d.word(0));
            if (d.word(1) == "unchanged") {
                EXPECT_EQ(text.substr(2), before[d.word(0)]);
            } else if (d.word(1) == "line") {
                EXPECT_NE(text.find("\r\n" + d.text_after(2) + "\r\n"), std::string::npos) << text;
            } else if (d.word(1) == "no" && d.word(2) == "line" && d.word(3) == "starting") {
                EXPECT_EQ(text.find("\n" + d.text_after(4)), std::string::npos) << text;
            } else {
                ADD_FAILURE() << "unknown file check";
            }
        } else if (d.verb == "capture" && d.word(1) == "black") {
            captures_checked.insert(d.word(0));
            const testing_support::RgbPicture frame =
                testing_support::read_png(game_.start_file(d.word(0)));
            ASSERT_EQ(frame.width, 640);
            for (std::size_t i = 2; i < d.words.size(); ++i) {
                int x = -1, y = -1;
                ASSERT_EQ(std::sscanf(d.words[i].c_str(), "%d,%d", &x, &y), 2);
                ASSERT_TRUE(x >= 0 && x < 640 && y >= 0 && y < 480);
                EXPECT_EQ(frame.at(x, y), testing_support::black) << x << ", " << y;
            }
        } else if (d.verb != "given") {
            ADD_FAILURE() << "unknown directive";
        }
    }
    for (const auto& [kind, lines] : expected) {
        std::vector<std::string> found;
        for (const std::string& line : trace) {
            if (begins_with_words(line, kind)) found.push_back(line);
        }
        EXPECT_EQ(found, lines) << kind;
    }
    // Every frame the script captures is looked at.
    for (const std::string& line : lines_of(script)) {
        if (line.rfind("capture ", 0) != 0) continue;
        EXPECT_TRUE(captures_checked.contains(line.substr(8))) << "nothing checks " << line;
    }
}

TEST_F(Game, LivesRunOutThroughCrushGiveUpAndTimeOut)
{
    play_scripted_game("lives_run_out");
}

TEST_F(Game, TheScoreAndMenuSettingsAreSavedDuringPlay)
{
    play_scripted_game("score_and_settings_saved");
}

TEST_F(Game, ALoadedGameEndsInTheHighscoreTable)
{
    play_scripted_game("loaded_game_in_highscores");
}

TEST_F(Game, SavingSoundAndTheLastLifeGivenUpTreatThePlayerFairly)
{
    play_scripted_game("fair_to_the_player");
}

TEST_F(Game, PauseAndALostFocusStopPlayAndTheLevelsClock)
{
    play_scripted_game("pause_and_focus");
}

// A scripted two-level game with a save, recorded, plays again from the recording frame for
// frame: the same trace and the same files.
TEST_F(Game, ARecordingPlaysTheRecordedGameAgain)
{
    const std::string script = read_file(scripts_dir + "/score_and_settings_saved.txt");
    give_files(game_, script);
    const std::string trace = game_.play(script, {}, {"--record", "recording.txt"});
    const std::string recording = read_file(game_.start_file("recording.txt"));
    // The score summary waits for Enter without frames: the recording counts its polls.
    EXPECT_NE(recording.find("\nidles "), std::string::npos) << recording;
    EXPECT_NE(recording.find("\n# event ini_save savegame.ini\n"), std::string::npos);

    testing_support::ScriptedGame replay(BRILLOX_GAME, BRILLOX_DATA_DIR);
    give_files(replay, script);
    testing_support::RunningProgram running = replay.start(recording);
    const testing_support::ProgramOutcome outcome = testing_support::finish_program(running);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(testing_support::without_software_gl_notice(outcome.err), "");  // nothing differs
    EXPECT_EQ(read_file(replay.start_file("trace.txt")), trace);
    for (const char* file : {"savegame.ini", "highscore.ini"})
        EXPECT_EQ(read_file(replay.game_file(file)), game_file(file)) << file;
}

// Replayed without the save it loaded, a recorded game says that its save file differs and
// where the game went another way: it starts at level 1, not at the loaded level 2. Its keys
// then wait for polls of a screen the game never shows, and the replay ends a second after
// the recorded game's end instead of waiting for ever.
TEST_F(Game, AReplayFromOtherFilesSaysWhereItWentAnotherWay)
{
    const std::string script = read_file(scripts_dir + "/loaded_game_in_highscores.txt");
    give_files(game_, script);
    game_.play(script, {}, {"--record", "recording.txt"});

    testing_support::ScriptedGame replay(BRILLOX_GAME, BRILLOX_DATA_DIR);
    give_files(replay, script);
    write_file(replay.game_file("savegame.ini"), read_file(scripts_dir + "/save_empty.ini"));
    testing_support::RunningProgram running =
        replay.start(read_file(game_.start_file("recording.txt")));
    const testing_support::ProgramOutcome outcome = testing_support::finish_program(running);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_NE(outcome.err.find(": savegame.ini is not the file the game was recorded with"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find(": the recorded game had \"level_end 2 3\" here, the replay "
                               "\"level_end 1 3\": it went differently\n"),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find(": the replay outlasted the recorded game"), std::string::npos)
        << outcome.err;
}

// Folders of copies the program left in the temporary directory.
int copies_left(const testing_support::ScriptedGame& game)
{
    int left = 0;
    for (const auto& entry : testing_support::files_in(game.tmp_file("")))
        left += entry.filename().string().rfind("brillox-copies-", 0) == 0 ? 1 : 0;
    return left;
}

// Watching a recording, or trying a script, saves on copies of the player's files: the game
// goes as it would (the same saves in the trace), and the player's own files stay as they are.
TEST_F(Game, ScriptsAndReplaysPlayOnCopiesOfThePlayersFiles)
{
    const std::string script = read_file(scripts_dir + "/score_and_settings_saved.txt");
    give_files(game_, script);
    const std::string written = game_.play(script, {}, {"--record", "recording.txt"});
    EXPECT_NE(written.find("\nini_save highscore.ini\n"), std::string::npos) << written;

    testing_support::ScriptedGame watcher(BRILLOX_GAME, BRILLOX_DATA_DIR);
    give_files(watcher, script);
    write_file(watcher.game_file("savegame.ini"), "[daten]\r\n1=Ann,1234,2,3\r\n");
    const std::string save = read_file(watcher.game_file("savegame.ini"));
    const std::string table = read_file(watcher.game_file("highscore.ini"));
    watcher.write_player_files(false);
    EXPECT_EQ(watcher.play(script), written);
    const testing_support::ProgramOutcome replay = testing_support::run_program(
        watcher.program(), {"--replay", game_.start_file("recording.txt"), "--trace", "replay.txt"},
        watcher.start_file(""), {"TMPDIR=" + watcher.tmp_file("")});
    EXPECT_EQ(replay.exit_code, 0) << replay.err;
    EXPECT_EQ(read_file(watcher.start_file("replay.txt")), written);
    EXPECT_EQ(read_file(watcher.game_file("savegame.ini")), save);
    EXPECT_EQ(read_file(watcher.game_file("highscore.ini")), table);
    EXPECT_EQ(copies_left(watcher), 0);

    // A run ended by a signal (on Windows by a close request) takes its copies away as well.
    std::remove(watcher.start_file("trace.txt").c_str());
    testing_support::RunningProgram running = watcher.start("wait 100000000\n");
    const bool shown = testing_support::wait_until(
        [&] { return !read_file(watcher.start_file("trace.txt")).empty(); }, 60);
    const int copies_while_running = copies_left(watcher);
    const bool asked = shown && testing_support::ask_to_end(running);
    const testing_support::ProgramOutcome ended =
        testing_support::finish_program(running, asked ? 60 : 0);
    ASSERT_TRUE(shown) << "the game never showed a frame";
    EXPECT_EQ(copies_while_running, 1);
    EXPECT_TRUE(asked);
    EXPECT_EQ(ended.exit_code, 0) << ended.err;
    EXPECT_EQ(copies_left(watcher), 0);
}

// --replay plays a recording in the window at real speed: the same game as the scripted mode
// plays from it, and no faster than the recorded game's program time.
TEST_F(Game, AReplayInTheWindowPlaysTheSameGameAtRealSpeed)
{
    write_file(game_.game_file("Level.ini"), read_file(scripts_dir + "/two_levels.ini"));
    game_.play(
        "wait 300\ntap Enter\nwait 300\ntap Enter\nwait 200\ndown Right\nwait 100\n"
        "up Right\nwait 4000\n",
        {}, {"--record", "recording.txt"});
    const std::vector<std::string> trace = lines_of(read_file(game_.start_file("trace.txt")));
    ASSERT_EQ(starting_with(trace, "level_end"), std::vector<std::string>{"level_end 1 1"});

    const auto started = std::chrono::steady_clock::now();
    const testing_support::ProgramOutcome outcome = testing_support::run_program(
        game_.program(), {"--replay", "recording.txt", "--trace", "replay.txt"},
        game_.start_file(""), {"TMPDIR=" + game_.tmp_file("")});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    EXPECT_EQ(lines_of(read_file(game_.start_file("replay.txt"))), trace);
    EXPECT_GE(seconds, 4.8);  // the game's 4.8 s of program time
}

// A live game (nobody at the keys here) recorded for three seconds until SIGTERM (on Windows a
// close request) ends it
// replays to the frame: the replay presents the frames the recording counts, then ends.
TEST_F(Game, ALiveRecordingReplaysFrameForFrame)
{
    SKIP_ON_WINDOWS(
        "a live game in a real window shows the software-rendering box (Mesa's "
        "llvmpipe under Wine), which waits for a person");
    testing_support::RunningProgram running =
        testing_support::start_program(game_.program(), {"--record", "recording.txt"},
                                       game_.start_file(""), {"TMPDIR=" + game_.tmp_file("")});
    // Start-up (the display, the GL driver) takes as long as the machine's load makes it; the
    // three seconds count from its end.
    const bool started = testing_support::wait_until(
        [&] { return read_file(running.out_path).find("Init OK") != std::string::npos; });
    if (started) std::this_thread::sleep_for(std::chrono::seconds(3));
    testing_support::ask_to_end(running);
    const testing_support::ProgramOutcome live = testing_support::finish_program(running, 60);
    ASSERT_TRUE(started) << "no \"Init OK\" in 120 s\n" << live.out << live.err;
    EXPECT_EQ(live.exit_code, 0) << live.err;
    const std::vector<std::string> recording =
        lines_of(read_file(game_.start_file("recording.txt")));
    ASSERT_FALSE(recording.empty());
    EXPECT_NE(recording[0].find("recorded from the keyboard and game controllers"),
              std::string::npos);
    int frames = 0;
    for (const std::string& line : starting_with(recording, "frames "))
        frames += std::stoi(line.substr(7));
    EXPECT_GT(frames, 10);

    const std::vector<std::string> trace = play(read_file(game_.start_file("recording.txt")));
    EXPECT_EQ(static_cast<int>(starting_with(trace, "frame ").size()), frames);
}

// The system's requests to end (SIGTERM, SIGINT and SIGHUP on POSIX; log-off on Windows) end
// the game the normal way (end report, exit code 0) on any screen, also on one that waits for
// a key without presenting frames: the highscore table here.
TEST_F(Game, TerminationRequestsEndTheGameOnAKeyOnlyScreen)
{
    const std::string to_the_table =
        "wait 300\ntap Enter\nwait 300\ntap Down\nwait 100\ntap Down\nwait 100\n"
        "tap Down\nwait 100\ntap Enter  # the highscore table\n";
    // The table presents no frames, so the trace of a game there stops growing. A script plays
    // the same on every run: a run that ends at the table shows the trace a game waiting there
    // has written, and nothing but the end can follow it.
    const std::string ended_there = game_.play(to_the_table + "idles 5\n");
    ASSERT_GT(ended_there.size(), 6u);
    ASSERT_EQ(ended_there.substr(ended_there.size() - 6), "end 0\n") << ended_there;
    const std::string at_the_table = ended_there.substr(0, ended_there.size() - 6);
    ASSERT_NE(at_the_table.find("frame "), std::string::npos);

    using Request = std::pair<const char*, std::function<bool(testing_support::RunningProgram&)>>;
    std::vector<Request> requests{{"the session's end", testing_support::end_session}};
#ifndef _WIN32
    for (const int signal_number : {SIGTERM, SIGINT}) {
        requests.emplace_back(strsignal(signal_number), [signal_number](auto& running) {
            return kill(running.pid, signal_number) == 0;
        });
    }
#endif
    for (const auto& [name, request] : requests) {
        std::remove(game_.tmp_file("ErrorLog.txt").c_str());
        testing_support::RunningProgram running = game_.start(to_the_table + "wait 100000000\n");
        std::string trace;
        const bool arrived = testing_support::wait_until([&] {
            trace = read_file(game_.start_file("trace.txt"));
            return trace == at_the_table;
        });
        const bool asked = arrived && request(running);
        const testing_support::ProgramOutcome outcome =
            testing_support::finish_program(running, asked ? 60 : 0);
        ASSERT_TRUE(arrived) << "not at the table after 120 s; the trace:\n"
                             << trace << "\nexpected:\n"
                             << at_the_table << outcome.err;
        EXPECT_TRUE(asked) << name;
        EXPECT_EQ(outcome.exit_code, 0) << name << "\n" << outcome.err;
        EXPECT_EQ(read_file(game_.start_file("trace.txt")), trace + "end 0\n") << name;
        EXPECT_NE(read_file(game_.tmp_file("ErrorLog.txt")).find("-End On Line\r\n0\r\n"),
                  std::string::npos)
            << name;
    }
}

// The number of levels a level file declares in its [game] section.
int level_count(const std::string& level_ini)
{
    const std::string ini = read_file(level_ini);
    const std::size_t at = ini.find("\nlevel=");
    return at == std::string::npos ? 0 : std::stoi(ini.substr(at + 7));
}

// The level file a script plays: the one its "#given Level.ini" names, else the shipped one.
std::string level_file_played(const std::string& script)
{
    for (const Directive& d : directives_of(script)) {
        if (d.verb == "given" && d.word(0) == "Level.ini") return scripts_dir + "/" + d.word(1);
    }
    return std::string(BRILLOX_DATA_DIR) + "/Level.ini";
}

class Solutions : public Game, public testing::WithParamInterface<const char*> {};

TEST_P(Solutions, CompleteEveryLevelOfTheirSetInARow)
{
    const std::string script =
        read_file(std::string(BRILLOX_SOLUTIONS_DIR) + "/" + GetParam() + ".txt");
    ASSERT_FALSE(script.empty());
    give_files(game_, script);
    const std::vector<std::string> trace = play(script);

    std::vector<std::string> expected;
    for (int level = 1; level <= level_count(level_file_played(script)); ++level)
        expected.push_back("level_end " + std::to_string(level) + " 1");
    ASSERT_GE(expected.size(), 12u);
    EXPECT_EQ(starting_with(trace, "level_end"), expected);
}

// Hard replays every shipped level through the program; Easy and Medium the first twelve.
TEST(SolutionScripts, HardPlaysEveryShippedLevel)
{
    const std::string shipped = std::string(BRILLOX_DATA_DIR) + "/Level.ini";
    const std::string hard = read_file(std::string(BRILLOX_SOLUTIONS_DIR) + "/hard.txt");
    EXPECT_EQ(level_file_played(hard), shipped);
    EXPECT_NE(hard.find("# level_" + std::to_string(level_count(shipped)) + "\n"),
              std::string::npos);
    for (const char* difficulty : {"easy", "medium"}) {
        const std::string script =
            read_file(std::string(BRILLOX_SOLUTIONS_DIR) + "/" + difficulty + ".txt");
        EXPECT_EQ(level_count(level_file_played(script)), 12) << difficulty;
    }
}

INSTANTIATE_TEST_SUITE_P(Difficulties, Solutions, testing::Values("easy", "medium", "hard"));

}  // namespace
