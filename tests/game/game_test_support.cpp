// The display, keyboard and game state the game's screen tests share.
#include "game/game_test_support.h"

#include "app/frame.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "graphics/display.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"
#include "input/input.h"
#include "support/offscreen_display.h"

platform::KeySnapshot GameScreenTest::keys{};

void GameScreenTest::SetUpTestSuite()
{
    if (rt_display != nullptr) return;
    using testing_support::DisplayClock;
    ASSERT_TRUE(testing_support::shared_display(DisplayClock::virtual_time).created());
    input_create();
    input_init(0, false);
    const std::string show = std::string(BRILLOX_DATA_DIR) + "/show/";
    text_load_font((show + "font20x31.bmp").c_str(), 0);
    const std::pair<int, const char*> tiles[] = {{100, "mauer.bmp"},    {101, "frei.bmp"},
                                                 {102, "stein.bmp"},    {103, "brillox.bmp"},
                                                 {110, "player01.bmp"}, {1000, "hg01.bmp"}};
    for (const auto& [id, file] : tiles) sprite_load((show + file).c_str(), id);
}

void GameScreenTest::SetUp()
{
    keys.fill(0);
    platform::keyboard_override(&keys);
    rt_allow_escape(0);
    timer_set_frame_limit(30);
    GameState& g = game();
    g.screenx = 640, g.screeny = 480, g.factor = 2, g.tile = 16, g.sp_size = 32;
    g.MyStart = 28, g.MySpace = 57, g.MyESC = 1;
    g.weiter_mit_Str = "Weiter mit Enter!";
    g.version_Str = "Version 1.01";
    g.music_on = 1;
    screen_clear();
}

void GameScreenTest::TearDown()
{
    platform::keyboard_override(nullptr);
}

double GameScreenTest::press_start_and_run(const std::function<double()>& fn)
{
    keys.fill(0);
    poll_keys();
    keys[static_cast<int>(game().MyStart)] = 0x80;
    const double result = fn();
    keys.fill(0);
    return result;
}

std::vector<std::uint8_t> back_buffer()
{
    std::vector<std::uint8_t> rgb;
    screen_read_pixels(rgb);
    return rgb;
}
