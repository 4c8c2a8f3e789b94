// The player's settings through the real brillox program in scripted mode: the settings screen
// reached from the main menu takes a key, refuses one that another action has, writes the file;
// Escape leaves without a change and "Standard" puts the game's own settings back; a settings
// file's keys play a level while the old keys do nothing; a damaged file gives the game's own
// settings; and a file holding the defaults changes no scripted game by a byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "game/settings.h"
#include "support/png_picture.h"
#include "support/run_program.h"
#include "support/scripted_game.h"
#include "support/temp_dir.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::ScriptedGame;
using testing_support::write_file;

std::vector<std::string> lines_starting(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
}

// The number of the frame presented just before the first line that begins with what; -1 when
// there is none.
int frame_before(const std::string& trace, const std::string& what)
{
    int frame = 0;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("frame ", 0) == 0) frame = std::stoi(line.substr(6));
        if (line.rfind(what, 0) == 0) return frame;
    }
    return -1;
}

// From the title to the settings screen: Up from "Start" is "Beenden", once more the settings.
const std::string to_the_settings =
    "wait 300\ntap Enter\nwait 300\ntap Up\nwait 100\ntap Up\nwait 100\ntap Enter\nwait 300\n";
// From the settings entry of the menu: "Beenden", below it, and the end of the game.
const std::string quit_from_the_settings_entry = "tap Down\nwait 100\ntap Enter\nwait 500\n";

std::string with_key(Action a, int code)
{
    PlayerSettings s = settings_defaults();
    s.keys[static_cast<int>(a)] = code;
    return settings_render(s);
}

TEST(SettingsScreen, TakesAKeyRefusesOneInUseAndWritesTheFile)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    const std::string trace = game.play(to_the_settings + "capture help.png\n" +
                                        "tap Enter\nwait 100\ntap D  # right: D\nwait 100\n"
                                        "tap Down\nwait 100\ntap Enter\nwait 100\n"
                                        "tap S  # left: S saves already\nwait 100\n"
                                        "capture refused.png\n"
                                        "tap Up\nwait 100\ntap Up  # the last row\nwait 100\n"
                                        "tap Enter\nwait 300\n" +
                                        quit_from_the_settings_entry);
    EXPECT_EQ(lines_starting(trace, "settings_save"),
              std::vector<std::string>{"settings_save settings.ini"});
    EXPECT_EQ(read_file(game.game_file("settings.ini")), with_key(Action::right, 32));
    // The refusal is said on the screen's last line, where the help line stood before.
    const testing_support::RgbPicture help = testing_support::read_png(game.start_file("help.png"));
    const testing_support::RgbPicture refused =
        testing_support::read_png(game.start_file("refused.png"));
    ASSERT_EQ(help.width, 640);
    ASSERT_EQ(refused.width, 640);
    const std::size_t message_line = 447 * 640 * 3;
    EXPECT_FALSE(std::equal(help.rgb.begin() + message_line, help.rgb.end(),
                            refused.rgb.begin() + message_line));
    if (const char* dir = std::getenv("BRILLOX_CAPTURE_DIR"))
        std::filesystem::copy_file(game.start_file("refused.png"),
                                   std::string(dir) + "/settings_refused.png",
                                   std::filesystem::copy_options::overwrite_existing);
}

TEST(SettingsScreen, EscapeLeavesWithoutAChange)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    const std::string trace = game.play(to_the_settings +
                                        "tap Enter\nwait 100\ntap D\nwait 100\n"
                                        "tap Down\nwait 100\ntap Left  # a key and the language\n"
                                        "wait 100\ntap Escape\nwait 300\n" +
                                        quit_from_the_settings_entry);
    EXPECT_TRUE(lines_starting(trace, "settings_save").empty());
    EXPECT_FALSE(file_exists(game.game_file("settings.ini")));
    // Still the game's own confirm key: the menu's Enter ended the game.
    EXPECT_EQ(lines_starting(trace, "end"), std::vector<std::string>{"end 0"});
}

TEST(SettingsScreen, StandardPutsTheGamesOwnSettingsBack)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    PlayerSettings kept = settings_defaults();
    kept.keys[static_cast<int>(Action::save)] = 46;
    kept.window_scale = 2;
    kept.sound_on = false;
    write_file(game.game_file("settings.ini"), settings_render(kept));
    const std::string trace =
        game.play(to_the_settings +
                  "tap Up\nwait 100\ntap Up  # Standard\nwait 100\n"
                  "tap Enter\nwait 100\ntap Down\nwait 100\ntap Enter\nwait 300\n" +
                  quit_from_the_settings_entry);
    EXPECT_EQ(lines_starting(trace, "settings_save"),
              std::vector<std::string>{"settings_save settings.ini"});
    EXPECT_EQ(read_file(game.game_file("settings.ini")), settings_render(settings_defaults()));
}

// A scripted run not asked to write the player's files reads and writes a copy of the settings,
// as of the highscore table and the saves.
TEST(SettingsScreen, AScriptedRunWritesOnlyACopy)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    game.write_player_files(false);
    const std::string kept = with_key(Action::save, 46);
    write_file(game.game_file("settings.ini"), kept);
    const std::string trace = game.play(to_the_settings +
                                        "tap Enter\nwait 100\ntap D\nwait 100\n"
                                        "tap Up\nwait 100\ntap Enter  # Apply\nwait 300\n" +
                                        quit_from_the_settings_entry);
    EXPECT_EQ(lines_starting(trace, "settings_save"),
              std::vector<std::string>{"settings_save settings.ini"});
    EXPECT_EQ(read_file(game.game_file("settings.ini")), kept);
}

// Level 1 of two_levels.ini has a Brillox and the exit right of the player; with the keys of
// the default set it is done within a second.
TEST(SettingsFile, ItsKeysPlayALevelAndTheOldOnesDoNothing)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    write_file(game.game_file("Level.ini"),
               read_file(std::string(BRILLOX_SCRIPTS_DIR) + "/two_levels.ini"));
    PlayerSettings s = settings_defaults();
    s.keys = {32, 30, 17, 31, 36, 57, 16, 46, 50, 25};  // D A W S, J confirms, Q gives up, C saves
    write_file(game.game_file("settings.ini"), settings_render(s));
    const std::string trace = game.play(
        "wait 300\ntap Enter  # not the confirm key now\nwait 300\n"
        "tap J  # the title\nwait 300\ntap Enter\nwait 300\n"
        "tap J  # Start\nwait 300\n"
        "down Right\nwait 1000\nup Right\n"
        "down Escape\nwait 300\nup Escape\n"
        "down D\nwait 1500\nup D\nwait 5000\n");
    EXPECT_EQ(lines_starting(trace, "level_end"), std::vector<std::string>{"level_end 1 1"});
    // Enter left neither the title nor the menu: the level began after the second J (at 1.2 s
    // of play, frame 36); with Enter taken it would have begun at the first J (frame 18).
    EXPECT_GT(frame_before(trace, "sound_play 3"), 30) << trace.substr(0, 2000);
    // Right held for a second moved nobody: the exit's gong came more than 40 frames after
    // "let's go".
    EXPECT_GT(frame_before(trace, "sound_play 4") - frame_before(trace, "sound_play 3"), 40);
}

TEST(SettingsFile, SoundOffStartsTheGameSilent)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    PlayerSettings s = settings_defaults();
    s.sound_on = false;
    write_file(game.game_file("settings.ini"), settings_render(s));
    const std::string trace = game.play("wait 300\ntap Enter\nwait 300\ntap Enter\nwait 1000\n");
    EXPECT_TRUE(lines_starting(trace, "sound_play").empty());
    EXPECT_FALSE(lines_starting(trace, "sound_stop_all").empty());
}

TEST(SettingsFile, ADamagedOneGivesTheGamesOwnSettingsAndOneLine)
{
    ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
    write_file(game.game_file("settings.ini"), "[settings]\nright=32\nleft=32\n");
    // Right must still be the game's Right, Enter its Enter: the level is reached and given up.
    testing_support::RunningProgram running = game.start(
        "wait 300\ntap Enter\nwait 300\ntap Enter\nwait 300\n"
        "down Escape\nwait 300\nup Escape\nwait 4000\n");
    const testing_support::ProgramOutcome outcome = testing_support::finish_program(running);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(lines_starting(testing_support::without_software_gl_notice(outcome.err), ""),
              std::vector<std::string>{
                  std::filesystem::canonical(game.game_file("settings.ini")).string() +
                  ": right and left have the same key; the game starts with its own settings"});
    EXPECT_EQ(lines_starting(read_file(game.start_file("trace.txt")), "level_end"),
              std::vector<std::string>{"level_end 1 3"});
    EXPECT_EQ(read_file(game.game_file("settings.ini")), "[settings]\nright=32\nleft=32\n");
}

// Each scripted game of scripts/ is played once without a settings file and once with one that
// holds the defaults: the traces and the files they leave are the same byte for byte.
TEST(SettingsFile, HoldingTheDefaultsChangesNoScriptedGame)
{
    int games = 0;
    for (const auto& entry : std::filesystem::directory_iterator(BRILLOX_SCRIPTS_DIR)) {
        if (entry.path().extension() != ".txt") continue;
        ++games;
        const std::string script = read_file(entry.path().string());
        std::string traces[2], files[2];
        for (int with_file = 0; with_file < 2; ++with_file) {
            ScriptedGame game(BRILLOX_GAME, BRILLOX_DATA_DIR);
            for (const std::string& given : lines_starting(script, "#given ")) {
                std::istringstream words(given.substr(7));
                std::string name, file;
                words >> name >> file;
                write_file(game.game_file(name),
                           read_file(std::string(BRILLOX_SCRIPTS_DIR) + "/" + file));
            }
            if (with_file == 1)
                write_file(game.game_file("settings.ini"), settings_render(settings_defaults()));
            traces[with_file] = game.play(script);
            files[with_file] = read_file(game.game_file("highscore.ini")) + "\n--\n" +
                               read_file(game.game_file("savegame.ini"));
        }
        EXPECT_TRUE(traces[0] == traces[1]) << entry.path().filename();
        EXPECT_TRUE(files[0] == files[1]) << entry.path().filename();
        EXPECT_FALSE(traces[0].empty()) << entry.path().filename();
    }
    EXPECT_GE(games, 5);
}

}  // namespace
