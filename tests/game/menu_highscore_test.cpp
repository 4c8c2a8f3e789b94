// Tests for the main menu, the name entry grid and the highscore table: key presses scripted
// over virtual time, tables read from and written to a highscore.ini in a scratch directory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/highscores.h"
#include "game/keys.h"
#include "game/main_menu.h"
#include "game/name_entry.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/png_writer.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

// Records the menu's calls of the load screen; a "loaded" game sets the state a save would.
int load_screen_calls = 0;
double load_screen_mode = -1;
double loaded_aktlevel = 0, loaded_anz_leben = 0;
void load_save_screen(double load)
{
    ++load_screen_calls;
    load_screen_mode = load;
    if (loaded_aktlevel > 0) game().aktlevel = loaded_aktlevel, game().anz_leben = loaded_anz_leben;
}

namespace {

using testing_support::read_file;
using testing_support::ScopedChdir;
using testing_support::TempDir;
using testing_support::write_file;

constexpr int up = 200, down = 208, left = 203, right = 205, enter = 28, space = 57;

// Presses the scripted keys one after another, each held for one 50 ms step and released for
// the next, so every entry is one new press whether the screen shows frames (33 ms apart) or
// polls without them. After the script the fallback keys repeat, so a screen that misreads
// the script still ends and the test fails on its result instead of hanging.
struct KeyScript {
    static inline std::vector<int> steps, fallback;
    static inline double start_ms = 0;

    static void tick(double now_ms)
    {
        const auto index = static_cast<std::size_t>((now_ms - start_ms) / 50);
        GameScreenTest::keys.fill(0);
        if (index % 2 != 0) return;
        const std::size_t n = index / 2;
        const int key =
            n < steps.size() ? steps[n] : fallback[(n - steps.size()) % fallback.size()];
        GameScreenTest::keys[key] = 0x80;
    }

    KeyScript(std::vector<int> script, std::vector<int> keys_after)
    {
        GameScreenTest::keys.fill(0);
        poll_keys();  // no key left down from an earlier test
        steps = std::move(script);
        fallback = std::move(keys_after);
        start_ms = platform::clock_virtual_ms();
        platform::clock_set_observer(tick);
    }
    ~KeyScript()
    {
        platform::clock_set_observer(nullptr);
        GameScreenTest::keys.fill(0);
    }
};

class MenuTest : public GameScreenTest {
protected:
    void SetUp() override
    {
        GameScreenTest::SetUp();
        GameState& g = game();
        g.aktlevel = 1, g.anz_leben = 3, g.geschwindigkeit = 3;
        g.auswahl_mit_Str = "Auswahl mit >SPACE< !";
        g.beenden_mit_Str = "Beenden mit Enter!";
        g.sp_verz_Str = (std::string(BRILLOX_DATA_DIR) + "/show/").c_str();
        load_screen_calls = 0, load_screen_mode = -1, loaded_aktlevel = 0;
        sprite_load(g.sp_verz_Str + "player_r.bmp", 100 + sp_player_r);  // the menu pointer
    }

    double run_menu(std::vector<int> script)
    {
        KeyScript keys_pressed(std::move(script), {up, enter});
        return main_menu(2, 1000, 32, 100 + sp_player_r);
    }

    std::string run_name_entry(const char* start, std::vector<int> script)
    {
        KeyScript keys_pressed(std::move(script), {space, enter});
        return enter_name(game().sp_verz_Str, 32, 2, start).c_str();
    }
};

TEST_F(MenuTest, UpAndDownWrapAndLivesAndDifficultyChangeOnANewGame)
{
    const double ret = run_menu({up, down,          // Beenden, back to Start
                                 down, left,        // Leben: stays at the lower limit 3
                                 right, right,      // 5, no upper limit
                                 down, right,       // Schwierigkeit: Easy -> Medium
                                 right, right,      // Hard -> Easy
                                 left, enter,       // Easy -> Hard; Enter here does nothing
                                 down, down, down,  // Beenden
                                 enter});
    EXPECT_EQ(ret, 2);
    EXPECT_EQ(game().anz_leben, 5);
    EXPECT_EQ(game().geschwindigkeit, 1);
    EXPECT_EQ(load_screen_calls, 0);

    // The frame left in the back buffer has the pointer at column 3 of the Beenden row (the
    // last, 14), over the frozen menu background, and nothing left of the other rows.
    std::vector<std::uint8_t> frame;
    screen_read_pixels(frame);
    if (const char* dir = std::getenv("BRILLOX_CAPTURE_DIR"))
        png_write_rgb(std::string(dir) + "/main_menu.png", 640, 480, frame.data());
    screen_clear_buffers();
    screen_draw_background(0);
    std::vector<std::uint8_t> background;
    screen_read_pixels(background);
    auto same_cell = [&](int column, int row) {
        for (int y = row * 32; y < row * 32 + 32; ++y)
            for (int x = column * 32 * 3; x < (column * 32 + 32) * 3; ++x)
                if (frame[y * 640 * 3 + x] != background[y * 640 * 3 + x]) return false;
        return true;
    };
    EXPECT_FALSE(same_cell(3, 14));
    EXPECT_TRUE(same_cell(3, 8));
    EXPECT_TRUE(same_cell(3, 13));
}

TEST_F(MenuTest, LoadedGameFixesLivesAndDifficultyAndHighscoreKeepsTheItem)
{
    loaded_aktlevel = 4, loaded_anz_leben = 2;
    TempDir dir;
    ScopedChdir in_dir(dir.path());
    const double ret = run_menu({down, down, down, enter,  // Highscore
                                 enter,                    // leaves the table
                                 down, enter,              // Load Game
                                 up, up, up, left, right,  // Leben: fixed now
                                 down, right, left,        // Schwierigkeit: fixed
                                 up, up, enter});          // Start
    EXPECT_EQ(ret, 1);
    EXPECT_EQ(load_screen_calls, 1);
    EXPECT_EQ(load_screen_mode, 1);
    EXPECT_EQ(game().aktlevel, 4);
    EXPECT_EQ(game().anz_leben, 2);
    EXPECT_EQ(game().geschwindigkeit, 3);
}

// The settings entry just above Beenden is reached by Up from Beenden; Down passes it by, so
// the keys that led to Beenden before it came still do. Escape leaves the settings screen.
TEST_F(MenuTest, UpFromBeendenReachesTheSettingsAndDownPassesThemBy)
{
    constexpr int escape = 1;
    KeyScript keys_pressed({down, down, down, down,  // Load Game
                            down, up, enter,         // Beenden, Einstellungen: the screen
                            escape,                  // back, on Einstellungen
                            down, enter},            // Beenden
                           {escape, up, enter});
    EXPECT_EQ(main_menu(2, 1000, 32, 100 + sp_player_r), 2);
    EXPECT_EQ(load_screen_calls, 0);
}

TEST_F(MenuTest, LeftRaisesLivesBelowThreeOnAnyItemAtLevelOne)
{
    game().anz_leben = 1;
    EXPECT_EQ(run_menu({left, enter}), 1);
    EXPECT_EQ(game().anz_leben, 3);
}

TEST_F(MenuTest, NameGridSelectsWrapsDeletesAndConfirmsOnlyANonEmptyName)
{
    EXPECT_EQ(run_name_entry("", {enter,                       // empty: no confirm
                                  space, right, right, space,  // A, C
                                  left, left, left, space,     // C -> B -> A -> N
                                  up, space,                   // row 9 wraps to "<": deletes N
                                  down, space,                 // back to N
                                  up, left, space,             // "."
                                  enter}),
              "ACN.");
}

TEST_F(MenuTest, NameLongerThanSixTakesNothingAndLosesItsOwnLastCharacter)
{
    EXPECT_EQ(run_name_entry("BRILLOXE", {space,              // A: no room
                                          down, left, space,  // O, then left wraps to "<"
                                          enter}),
              "BRILLOX");
    EXPECT_EQ(run_name_entry("ABCDEF", {space, enter}), "ABCDEF");
}

// ---- Highscore table ------------------------------------------------------------------------

class HighscoreTest : public MenuTest {
protected:
    TempDir dir;
    ScopedChdir in_dir{dir.path()};
    std::string file() const { return dir.file("highscore.ini"); }
};

// The INI writer ends its lines with CR LF; tables are written here with plain line ends.
std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// Places from..10 as written when empty places move down.
std::string empty_places(int from)
{
    std::string out;
    for (int i = from; i <= 10; ++i) out += std::to_string(i) + "=,0\n";
    return out;
}

TEST_F(HighscoreTest, MinimumIsTheLowestStoredScore)
{
    game().min_score = 0;
    read_highscore_minimum();  // no file: unchanged
    EXPECT_EQ(game().min_score, 0);
    EXPECT_FALSE(testing_support::file_exists(file()));

    write_file(file(), "[daten]\n1=ANNA,900\n2=BERT,500\n3=CARL,300\n");
    read_highscore_minimum();
    EXPECT_EQ(game().min_score, 300);

    // With place 1 empty the minimum can only fall from where it was.
    game().min_score = 0;
    write_file(file(), "[daten]\n2=BERT,500\n3=CARL,300\n");
    read_highscore_minimum();
    EXPECT_EQ(game().min_score, 0);
}

TEST_F(HighscoreTest, EqualScoreGoesBelowAndEmptyPlacesMoveDownAsZero)
{
    write_file(file(), "[daten]\n1=ANNA,900\n2=BERT,500\n3=CARL,300\n");
    EXPECT_EQ(enter_highscore(500, "DORA"), 3);
    EXPECT_EQ(read_file(file()),
              crlf("[daten]\n1=ANNA,900\n2=BERT,500\n3=DORA,500\n4=CARL,300\n5=,0\n6=,0\n"
                   "7=,0\n8=,0\n9=,0\n10=,0\n"));
}

TEST_F(HighscoreTest, BestScoreTakesPlaceOneAndTheTenthDropsOut)
{
    std::string table = "[daten]\n";
    for (int i = 1; i <= 10; ++i)
        table += std::to_string(i) + "=P" + std::to_string(i) + "," +
                 std::to_string(1100 - 100 * i) + "\n";
    write_file(file(), table);
    EXPECT_EQ(enter_highscore(1234.5, "NEU"), 1);
    std::string expected = "[daten]\n1=NEU,1234.5\n";
    for (int i = 2; i <= 10; ++i)
        expected += std::to_string(i) + "=P" + std::to_string(i - 1) + "," +
                    std::to_string(1200 - 100 * i) + "\n";
    EXPECT_EQ(read_file(file()), crlf(expected));

    // Not above the lowest: nothing written.
    EXPECT_EQ(enter_highscore(200, "KLEIN"), 0);
    EXPECT_EQ(read_file(file()), crlf(expected));
}

TEST_F(HighscoreTest, ValueWithoutCommaCountsAsZeroAndMissingFileTakesNoPlace)
{
    write_file(file(), "[daten]\n1=XYZ\n");
    EXPECT_EQ(enter_highscore(10, "EVA"), 1);
    EXPECT_EQ(read_file(file()), crlf("[daten]\n1=EVA,10\n2=XYZ,0\n" + empty_places(3)));

    // A comma in a name does not cost the score.
    write_file(file(), "[daten]\n1=A,B,700\n");
    EXPECT_EQ(enter_highscore(600, "C"), 2);
    EXPECT_EQ(read_file(file()), crlf("[daten]\n1=A,B,700\n2=C,600\n" + empty_places(3)));

    std::remove(file().c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(press_start_and_run([] { return enter_highscore(999, "EVA"); }), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "highscore.ini: cannot be saved: it does not exist\n"),
              std::string::npos);
    EXPECT_FALSE(testing_support::file_exists(file()));
}

TEST_F(HighscoreTest, ATableThatCannotBeWrittenKeepsItsPlacesButIsNotChanged)
{
    write_file(file(), "[daten]\n1=XYZ,50\n");
    chmod(file().c_str(), 0444);
    testing::internal::CaptureStderr();
    EXPECT_EQ(enter_highscore(100, "EVA"), 1);  // the place reached; the congratulation says it was
                                                // not saved
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be saved"), std::string::npos);
    EXPECT_EQ(read_file(file()), "[daten]\n1=XYZ,50\n");
}

TEST_F(HighscoreTest, ScreensWaitForTheConfirmKeyAndTheCongratulationResetsTheLevel)
{
    write_file(file(), "[daten]\n1=ANNA,900\n");
    game().aktlevel = 5;
    press_start_and_run([] {
        show_highscores();
        return 0.0;
    });
    press_start_and_run([] {
        show_congratulation("ANNA", 10);
        return 0.0;
    });
    EXPECT_EQ(game().aktlevel, 1);
    EXPECT_EQ(read_file(file()), "[daten]\n1=ANNA,900\n");  // showing never rewrites it
}

}  // namespace
