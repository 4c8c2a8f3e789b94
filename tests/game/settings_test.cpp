// Tests for the player's settings file: what a file's text gives, hostile and damaged files
// giving the defaults with a reason, the text the game writes reading back the same, and a write
// in the middle of a game leaving the runtime's open INI document as it was.
#include "game/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/ini_document.h"
#include "game/game_state.h"
#include "game/settings_screen.h"
#include "support/temp_dir.h"

namespace {

using testing_support::read_file;
using testing_support::ScopedChdir;
using testing_support::TempDir;
using testing_support::write_file;

PlayerSettings parsed(const std::string& text, std::string* problem_out = nullptr)
{
    std::string problem;
    PlayerSettings s = settings_parse(text, problem);
    if (problem_out != nullptr) *problem_out = problem;
    return s;
}

TEST(SettingsFile, NamesWhatItHoldsAndLeavesTheRestAtTheDefaults)
{
    std::string problem = "not asked";
    const PlayerSettings s = parsed(
        "; keys of a left-handed player\r\n"
        "[other]\r\nright=1\r\n"          // another section's entries are not the settings'
        "  [ SETTINGS ]  \r\n"            // names ignore case and blanks
        "Right = 32\r\nLEFT=30\nup=17\n"  // keys ignore case; LF alone ends a line too
        "down=46\nlanguage=en_GB\n"
        "scale=3\nfullscreen=1\nsound=0\n"
        "volume=7\n",  // a setting of a later version is left alone
        &problem);
    EXPECT_EQ(problem, "");
    PlayerSettings want = settings_defaults();
    want.keys[static_cast<int>(Action::right)] = 32;
    want.keys[static_cast<int>(Action::left)] = 30;
    want.keys[static_cast<int>(Action::up)] = 17;
    want.keys[static_cast<int>(Action::down)] = 46;
    want.language = "en_GB";
    want.window_scale = 3;
    want.fullscreen = true;
    want.sound_on = false;
    EXPECT_EQ(s, want);

    EXPECT_EQ(parsed("", &problem), settings_defaults());
    EXPECT_EQ(problem, "");
}

TEST(SettingsFile, DefaultsAreTheGamesOwnKeys)
{
    const PlayerSettings d = settings_defaults();
    // right, left, up, down, Enter, Space, Escape, S, M, P
    EXPECT_EQ(d.keys, (std::array<int, action_count>{205, 203, 200, 208, 28, 57, 1, 31, 50, 25}));
    EXPECT_EQ(d.language, "");
    EXPECT_EQ(d.window_scale, 1);
    EXPECT_FALSE(d.fullscreen);
    EXPECT_TRUE(d.sound_on);
}

TEST(SettingsFile, DamageAnywhereGivesAllTheDefaultsAndSaysWhy)
{
    const struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"[settings]\nscale=2\nright=0\n", "line 3: right needs a key code from 1 to 255"},
        {"[settings]\nscale=2\nright=256\n", "line 3: right needs a key code from 1 to 255"},
        {"[settings]\nright=+32\n", "line 2: right needs a key code from 1 to 255"},
        {"[settings]\nright=3 2\n", "line 2: right needs a key code from 1 to 255"},
        {"[settings]\nright=\n", "line 2: right needs a key code from 1 to 255"},
        {"[settings]\nscale=17\n", "line 2: scale needs a whole number from 1 to 16"},
        {"[settings]\nscale=0\n", "line 2: scale needs a whole number from 1 to 16"},
        {"[settings]\nfullscreen=yes\n", "line 2: fullscreen needs 0 or 1"},
        {"[settings]\nsound=2\n", "line 2: sound needs 0 or 1"},
        {"[settings]\nlanguage=../../etc\n",
         "line 2: language needs a language code such as de or en"},
        {"[settings]\nlanguage=\xC3\xA9n\n",
         "line 2: language needs a language code such as de or en"},
        {"[settings]\nscale 2\n", "line 2: it is not key=value"},
        // Two actions on one key, also when one of them is left at its default (Space).
        {"[settings]\nright=30\nleft=30\n", "right and left have the same key"},
        {"[settings]\nconfirm=57\n", "confirm and letter have the same key"},
    };
    for (const auto& c : cases) {
        std::string problem;
        EXPECT_EQ(parsed(c.text, &problem), settings_defaults()) << c.text;
        EXPECT_EQ(problem, c.problem) << c.text;
    }
    std::string problem;
    EXPECT_EQ(parsed(std::string("[settings]\nscale=2\n\0\n", 21), &problem), settings_defaults());
    EXPECT_EQ(problem, "line 1: it holds a NUL byte");
    EXPECT_EQ(parsed("[settings]\nscale=2\n;" + std::string(2000, 'x') + "\n", &problem),
              settings_defaults());
    EXPECT_EQ(problem, "line 3: the line is too long");
}

TEST(SettingsFile, WrittenTextReadsBackTheSame)
{
    PlayerSettings s = settings_defaults();
    EXPECT_EQ(parsed(settings_render(s)), s);
    s.keys = {32, 30, 17, 31, 57, 28, 16, 46, 50, 1};  // Enter and Space swapped, Escape pauses
    s.language = "en";
    s.window_scale = 16;
    s.fullscreen = true;
    s.sound_on = false;
    const std::string text = settings_render(s);
    std::string problem = "not asked";
    EXPECT_EQ(parsed(text, &problem), s);
    EXPECT_EQ(problem, "");
    EXPECT_NE(text.find("[settings]\r\nright=32\r\nleft=30\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nsound=0\r\n"), std::string::npos) << text;
}

TEST(SettingsFile, EveryIniFuzzCorpusFileGivesUsableSettings)
{
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(BRILLOX_FUZZ_CORPUS) + "/ini")) {
        ++files;
        std::string problem;
        const PlayerSettings s = settings_parse(read_file(entry.path().string()), problem);
        if (!problem.empty()) {
            EXPECT_EQ(s, settings_defaults()) << entry.path();
        }
        for (int a = 0; a < action_count; ++a) {
            EXPECT_TRUE(s.keys[a] >= 1 && s.keys[a] <= 255) << entry.path();
            for (int b = 0; b < a; ++b) EXPECT_NE(s.keys[a], s.keys[b]) << entry.path();
        }
    }
    EXPECT_GT(files, 10);
}

// The game has its level file or a score file open as the runtime's one INI document at most
// moments, with changes not yet saved; the settings go to their own file past it.
TEST(SettingsFile, AWriteInTheMiddleOfAGameLeavesTheOpenDocumentAlone)
{
    TempDir dir;
    ScopedChdir in_dir(dir.path());
    write_file(dir.file("savegame.ini"), "[daten]\r\n1=AB,610,2,5\r\n");
    ini_open("savegame.ini");
    ini_put("daten", "2", "CD,20,1,3");  // changed, not saved yet

    PlayerSettings s = settings_defaults();
    s.keys[static_cast<int>(Action::right)] = 32;
    ASSERT_TRUE(settings_write(s));
    EXPECT_EQ(read_file(dir.file(settings_file)), settings_render(s));

    EXPECT_EQ(std::string(ini_get("daten", "1").c_str()), "AB,610,2,5");
    EXPECT_EQ(std::string(ini_get("daten", "2").c_str()), "CD,20,1,3");
    EXPECT_EQ(read_file(dir.file("savegame.ini")), "[daten]\r\n1=AB,610,2,5\r\n");
    ASSERT_TRUE(ini_open(""));  // the game's own save still goes to its own file
    EXPECT_EQ(read_file(dir.file("savegame.ini")), "[daten]\r\n1=AB,610,2,5\r\n2=CD,20,1,3\r\n");
    EXPECT_EQ(read_file(dir.file(settings_file)), settings_render(s));
}

// The screens' prompts name the confirm and the letter key in force, so that a player with keys
// of his own is not told to press Enter; with the game's own keys they are its own texts.
TEST(SettingsPrompts, NameTheKeysInForce)
{
    GameState g;
    PlayerSettings s = settings_defaults();
    s.keys[static_cast<int>(Action::confirm)] = 57;
    s.keys[static_cast<int>(Action::letter)] = 28;
    settings_apply(g, s);
    settings_prompts(g);
    EXPECT_EQ(std::string(g.weiter_mit_Str.c_str()), "Weiter mit Leertaste!");
    EXPECT_EQ(std::string(g.beenden_mit_Str.c_str()), "Beenden mit Leertaste!");
    EXPECT_EQ(std::string(g.auswahl_mit_Str.c_str()), "Auswahl mit >Enter< !");

    settings_apply(g, settings_defaults());
    settings_prompts(g);
    EXPECT_EQ(std::string(g.weiter_mit_Str.c_str()), "Weiter mit Enter!");
    EXPECT_EQ(std::string(g.beenden_mit_Str.c_str()), "Beenden mit Enter!");
    EXPECT_EQ(std::string(g.auswahl_mit_Str.c_str()), "Auswahl mit >SPACE< !");
    // The pause overlay's prompt, for a pause key of the player's own.
    EXPECT_EQ(std::string(prompt_naming("Weiter mit %s!", 1).c_str()), "Weiter mit Esc!");
}

}  // namespace
