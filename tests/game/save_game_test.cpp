// Tests for the load and save screen: the slot line a save writes, what a load restores and
// corrects, empty slots, the pointer's wrap-around, and a missing "savegame.ini". Keys are
// scripted frame by frame on the offscreen display with the virtual clock.
#include "game/save_game.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "files/ini_document.h"
#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/keys.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::ScopedChdir;
using testing_support::TempDir;
using testing_support::write_file;

// The keys held down in each frame: entry 0 before the first frame is shown, entry n after
// the n-th frame; the last entry stays. A step ends when the virtual clock has moved on by
// more than a millisecond: at once at a frame boundary (a jump to the frame deadline), and
// after a few polls on a screen that waits for a key without showing frames.
std::vector<std::vector<int>> script;
std::size_t script_step = 0;
double step_start_ms = 0;

void hold(const std::vector<int>& codes)
{
    GameScreenTest::keys.fill(0);
    for (int code : codes) GameScreenTest::keys[code] = 0x80;
}

// What another running copy writes into "savegame.ini" while the list is shown; "" for none.
std::string saved_meanwhile;

void next_frame_keys(double now_ms)
{
    if (now_ms - step_start_ms > 1 && script_step + 1 < script.size()) {
        hold(script[++script_step]);
        step_start_ms = now_ms;
    }
    if (script_step == 1 && !saved_meanwhile.empty()) {
        write_file("savegame.ini", saved_meanwhile);
        saved_meanwhile.clear();
    }
}

class SaveGame : public GameScreenTest {
protected:
    void SetUp() override
    {
        GameScreenTest::SetUp();
        ini_open("");
        GameState& g = game();
        g.sp_verz_Str = "show//";
        g.spieler_name_Str = "ABC";
        g.punkte = 1234, g.aktlevel = 3, g.anz_leben = 5, g.geschwindigkeit = 2;
    }

    // Runs the screen with the keys of each frame; the name entry of a save confirms the
    // name it is given with a fresh Enter after the screen's own, and so does each further
    // screen of confirms. True when every key of the script was used.
    bool run(double load, std::initializer_list<std::vector<int>> frames, int confirms = 1)
    {
        keys.fill(0);
        poll_keys();
        script.assign(frames);
        for (int i = 0; i < confirms; ++i) {
            script.push_back({});
            script.push_back({28});
        }
        script_step = 0;
        hold(script[0]);
        step_start_ms = platform::clock_virtual_ms();
        platform::clock_set_observer(next_frame_keys);
        load_save_screen(load);
        platform::clock_set_observer(nullptr);
        keys.fill(0);
        return script_step + 1 == script.size();
    }

    void expect_game(const char* name, double score, double level, double lives)
    {
        const GameState& g = game();
        EXPECT_STREQ(g.spieler_name_Str.c_str(), name);
        EXPECT_EQ(g.punkte, score);
        EXPECT_EQ(g.aktlevel, level);
        EXPECT_EQ(g.anz_leben, lives);
        EXPECT_EQ(g.geschwindigkeit, 2);  // difficulty is not part of a save
    }

    TempDir dir;
    ScopedChdir in_dir{dir.path()};
};

const int up = 200, down = 208, enter = 28;

TEST_F(SaveGame, SavingWritesTheSlotLineAndLoadingRestoresIt)
{
    write_file("savegame.ini", "[daten]\r\n1=OLD,5,2,1\r\n");
    run(0, {{}, {down}, {}, {enter}});  // slot 2
    EXPECT_EQ(read_file("savegame.ini"), "[daten]\r\n1=OLD,5,2,1\r\n2=ABC,1234,3,5\r\n");

    GameState& g = game();
    g.spieler_name_Str = "ZZZ", g.punkte = 7, g.aktlevel = 1, g.anz_leben = 3;
    run(1, {{}, {down}, {}, {enter}});
    expect_game("ABC", 1234, 3, 5);

    run(1, {{enter}});
    expect_game("OLD", 5, 2, 1);
    g.punkte = 6.5;
    run(0, {{enter}});  // a filled slot is overwritten without asking
    EXPECT_EQ(read_file("savegame.ini"), "[daten]\r\n1=OLD,6.5,2,1\r\n2=ABC,1234,3,5\r\n");
}

TEST_F(SaveGame, LoadingCorrectsOutOfRangeValuesAndUpWrapsToSlotTen)
{
    write_file("savegame.ini", "[DATEN]\r\n10=ZED,-5,0,0\r\n3=JUNK\r\n");
    run(1, {{up}, {}, {enter}});
    expect_game("ZED", 0, 1, 1);

    // A value cut short after the name reads its missing numbers as 0, then corrected.
    run(1, {{down}, {}, {down}, {}, {enter}});
    expect_game("JUNK", 0, 1, 1);
}

TEST_F(SaveGame, AnEmptySlotOrAMissingFileLoadsNothing)
{
    write_file("savegame.ini", "[daten]\r\n2=OTHER,9,9,9\r\n");
    run(1, {{enter}});
    expect_game("ABC", 1234, 3, 5);

    TempDir empty;
    ScopedChdir in_empty{empty.path()};
    run(1, {{down}, {}, {enter}});
    expect_game("ABC", 1234, 3, 5);
}

TEST_F(SaveGame, SavingWithoutTheFileWritesNothingAnywhere)
{
    // The highscore table is the document left open; a save must not land in it.
    const char* const table = "[daten]\r\n1=AAA,100\r\n2=BBB,50\r\n";
    write_file("highscore.ini", table);
    ini_open("highscore.ini");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(run(0, {{down}, {}, {enter}}, 2));  // the list said so and waited for Enter
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "savegame.ini: cannot be saved: it does not exist\n"),
              std::string::npos);
    EXPECT_FALSE(file_exists("savegame.ini"));
    EXPECT_EQ(read_file("highscore.ini"), table);
    expect_game("ABC", 1234, 3, 5);
}

TEST_F(SaveGame, TheSlotGoesIntoTheFileAsItIsAtConfirm)
{
    write_file("savegame.ini", "[daten]\r\n1=OLD,5,2,1\r\n");
    saved_meanwhile = "[daten]\r\n1=OLD,5,2,1\r\n5=NEW,9,9,9\r\n";  // another running copy
    EXPECT_TRUE(run(0, {{}, {down}, {}, {enter}}));
    EXPECT_EQ(read_file("savegame.ini"),
              "[daten]\r\n1=OLD,5,2,1\r\n5=NEW,9,9,9\r\n2=ABC,1234,3,5\r\n");
}

TEST_F(SaveGame, ASaveThatCannotBeWrittenIsToldAndChangesNothing)
{
    write_file("savegame.ini", "[daten]\r\n1=OLD,5,2,1\r\n");
    chmod("savegame.ini", 0444);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(run(0, {{enter}}, 2));  // the list said so and waited for Enter
    EXPECT_NE(testing::internal::GetCapturedStderr().find("savegame.ini: cannot be saved"),
              std::string::npos);
    EXPECT_EQ(read_file("savegame.ini"), "[daten]\r\n1=OLD,5,2,1\r\n");
    expect_game("ABC", 1234, 3, 5);
}

// Another copy holding the file's lock for longer than a save may wait: this save gives up
// and says so instead of writing over whatever that copy is writing.
TEST_F(SaveGame, ASaveThatCannotTakeTheLockIsToldAndChangesNothing)
{
    write_file("savegame.ini", "[daten]\r\n1=OLD,5,2,1\r\n");
    const platform::FileLock other_copy = platform::lock_file("savegame.ini", 0);
    ASSERT_TRUE(other_copy.held());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(run(0, {{enter}}, 2));  // the list said so and waited for Enter
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "savegame.ini: cannot be saved: cannot be locked: another copy of the program "
                  "kept it locked\n"),
              std::string::npos);
    EXPECT_EQ(read_file("savegame.ini"), "[daten]\r\n1=OLD,5,2,1\r\n");
}

}  // namespace
