// The game played with a game controller instead of the keyboard: a made-up controller (SDL's
// virtual joystick) drives the main menu and a level through the real keyboard's snapshots,
// its buttons changed over virtual time.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/main_menu.h"
#include "game/play_level.h"
#include "game/settings.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "support/temp_dir.h"
#include "support/virtual_gamepad.h"

namespace {

using testing_support::ScopedChdir;
using testing_support::TempDir;
using Pad = testing_support::VirtualGamepad;

// One push of the controller: a button, or the left stick this far to the right.
struct Push {
    Pad::Button button;
    int stick_right = 0;  // used when button is Pad::guide, which the game ignores
};
constexpr Push stick(int right)
{
    return {Pad::guide, right};
}

// Pushes one after another, each held for one 50 ms step of virtual time and let go for the
// next. After them Up and A repeat, so a menu that misreads them still ends with "Start".
struct PadScript {
    static inline Pad* pad = nullptr;
    static inline std::vector<Push> pushes;
    static inline double start_ms = 0;

    static void tick(double now_ms)
    {
        const auto index = static_cast<std::size_t>((now_ms - start_ms) / 50);
        pad->release_all();
        if (index % 2 != 0) return;
        const std::size_t n = index / 2;
        const Push push = n < pushes.size() ? pushes[n] : Push{n % 2 == 0 ? Pad::dpad_up : Pad::a};
        if (push.button == Pad::guide) {
            pad->set_left_stick(push.stick_right, 0);
        } else {
            pad->set(push.button, true);
        }
    }

    PadScript(Pad& controller, std::vector<Push> script)
    {
        pad = &controller;
        pushes = std::move(script);
        start_ms = platform::clock_virtual_ms();
        platform::clock_set_observer(tick);
    }
    ~PadScript()
    {
        platform::clock_set_observer(nullptr);
        pad->release_all();
    }
};

class GamepadGame : public GameScreenTest {
protected:
    void SetUp() override
    {
        GameScreenTest::SetUp();
        platform::keyboard_override(nullptr);  // the real keyboard, which has the controller
        ASSERT_TRUE(pad_.plugged_in());
        GameState& g = game();
        g.aktlevel = 1, g.anz_leben = 3, g.geschwindigkeit = 3, g.speed = 3, g.limit_fps = 30;
        g.sp_verz_Str = (std::string(BRILLOX_DATA_DIR) + "/show/").c_str();
        sprite_load(g.sp_verz_Str + "player_r.bmp", 100 + sp_player_r);
    }
    void TearDown() override
    {
        pad_.release_all();
        GameScreenTest::TearDown();
    }

    Pad pad_;
};

TEST_F(GamepadGame, TheControllerSetsUpAGameInTheMenu)
{
    const PadScript script(pad_, {{Pad::dpad_down},   // Leben
                                  stick(16000),       // short of half way: nothing
                                  stick(30000),       // four lives
                                  {Pad::dpad_down},   // Schwierigkeit
                                  {Pad::dpad_right},  // Easy -> Medium
                                  {Pad::dpad_up},     // Leben
                                  {Pad::dpad_up},     // Start
                                  {Pad::a}});
    EXPECT_EQ(main_menu(2, 1000, 32, 100 + sp_player_r), 1);
    EXPECT_EQ(game().anz_leben, 4);
    EXPECT_EQ(game().geschwindigkeit, 2);
}

TEST_F(GamepadGame, TheDPadWalksThroughALevelAndBGivesUp)
{
    TempDir dir;
    ScopedChdir in_dir(dir.path());
    testing_support::write_file(dir.file("Level.ini"),
                                "[level_1]\nx=5\ny=3\nzeit=0\nbrillox=1\n"
                                "1=|*****\n2=|*PDZ*\n3=|*****\n");
    pad_.set(Pad::dpad_right, true);
    EXPECT_EQ(play_level(1), outcome_complete);
    EXPECT_EQ(game().brillox_found, 1);

    pad_.release_all();
    pad_.set(Pad::b, true);
    EXPECT_EQ(play_level(1), outcome_gave_up);
}

// A controller stands for the actions: with the keys a player's settings give them, the D-pad
// presses the key now set for right, B the one for giving up. Without, the player stands still
// until the level's two seconds run out.
TEST_F(GamepadGame, TheControllerPressesTheKeysTheSettingsGiveTheActions)
{
    TempDir dir;
    ScopedChdir in_dir(dir.path());
    testing_support::write_file(dir.file("Level.ini"),
                                "[level_1]\nx=5\ny=3\nzeit=2\nbrillox=1\n"
                                "1=|*****\n2=|*PDZ*\n3=|*****\n");
    PlayerSettings s = settings_defaults();
    s.keys = {32, 30, 17, 31, 36, 57, 16, 46, 50, 25};  // D A W S, J confirms, Q gives up
    settings_apply(game(), s);
    pad_.set(Pad::dpad_right, true);
    const double walked = play_level(1);
    pad_.release_all();
    pad_.set(Pad::b, true);
    const double gave_up = play_level(1);
    settings_apply(game(), settings_defaults());
    EXPECT_EQ(walked, outcome_complete);
    EXPECT_EQ(gave_up, outcome_gave_up);
}

}  // namespace
