// Tests for the message screens on the offscreen display: the backdrop's frame, the counter's
// final value, the score bonus, the end screens' level reset and the title screen's strips.
#include "game/message_screens.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/frame.h"
#include "game/game_state.h"
#include "game/game_test_support.h"
#include "game/keys.h"
#include "game/texts.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"
#include "graphics/png_writer.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace {

using MessageScreens = GameScreenTest;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

Rgb pixel(const std::vector<std::uint8_t>& rgb, int x, int y)
{
    const std::uint8_t* p = &rgb[(y * 640 + x) * 3];
    return {p[0], p[1], p[2]};
}

// The picture of tiles drawn over each other, stretched to a 32-pixel cell at the top-left
// corner (tiles have transparent parts).
std::vector<Rgb> tile_picture(std::initializer_list<double> tiles)
{
    screen_clear();
    for (double tile : tiles) sprite_draw_stretched(100 + tile, 0, 0, 32, 32);
    const auto rgb = back_buffer();
    std::vector<Rgb> cell;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) cell.push_back(pixel(rgb, x, y));
    return cell;
}

std::vector<Rgb> cell_at(const std::vector<std::uint8_t>& rgb, int cx, int cy)
{
    std::vector<Rgb> cell;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) cell.push_back(pixel(rgb, cx * 32 + x, cy * 32 + y));
    return cell;
}

TEST_F(MessageScreens, BackdropHasAOneCellBorderOnAllSides)
{
    const auto fill = tile_picture({sp_frei});
    const auto border = tile_picture({sp_frei, sp_stein});
    ASSERT_FALSE(fill == border);
    screen_clear();
    draw_framed_backdrop(32, sp_frei, sp_stein);
    rt_show_frame();  // the next frame starts from the frozen backdrop
    const auto rgb = back_buffer();
    for (auto [x, y] : {std::pair{0, 0}, {19, 14}, {0, 7}, {19, 7}, {10, 0}, {10, 14}})
        EXPECT_TRUE(cell_at(rgb, x, y) == border) << x << "," << y;
    for (auto [x, y] : {std::pair{1, 1}, {18, 13}, {10, 7}})
        EXPECT_TRUE(cell_at(rgb, x, y) == fill) << x << "," << y;
}

TEST_F(MessageScreens, CountUpLeavesTheFinalValueInTheBackground)
{
    text_print_number(65, 64, 64);
    const auto expected = back_buffer();

    screen_clear();
    count_up_number(65, 64, 64, 10);  // 0, 10, ..., 60, then 65 printed over them
    screen_clear_buffers();
    screen_draw_background(0);
    const auto counted = back_buffer();
    // The earlier values are drawn under the last one; the final digits must show in full.
    int differing = 0;
    for (int y = 64; y < 64 + 31; ++y)
        for (int x = 64; x < 64 + 40; ++x)
            if (pixel(expected, x, y) != Rgb{0, 0, 0} &&
                pixel(expected, x, y) != pixel(counted, x, y))
                ++differing;
    EXPECT_EQ(differing, 0);
}

TEST_F(MessageScreens, CountUpShowsOneFramePerStep)
{
    const double start = platform::clock_virtual_ms();
    rt_show_frame();  // on the frame grid
    const double on_grid = platform::clock_virtual_ms();
    count_up_number(65, 64, 64, 10);  // 7 frames: 0 .. 60
    EXPECT_NEAR((platform::clock_virtual_ms() - on_grid) / (1000.0 / 30), 7, 0.01);
    EXPECT_GE(on_grid, start);
}

TEST_F(MessageScreens, ScoreSummaryAddsTheLevelBonus)
{
    GameState& g = game();
    g.punkte = 1000, g.brillox_found = 7, g.rest_zeit = 40, g.aktlevel = 2;
    press_start_and_run([] {
        score_summary_screen();
        return 0.0;
    });
    EXPECT_EQ(g.punkte, 1770);
    EXPECT_EQ(key_transition(g.MyStart), 2);  // it returned on the newly pressed key

    // The background keeps the counters; saved for a look at the finished screen.
    const auto rgb = back_buffer();
    if (const char* out = std::getenv("BRILLOX_SCREEN_CAPTURE")) {
        EXPECT_TRUE(png_write_rgb(out, 640, 480, rgb.data()));
    }

    g.punkte = 10, g.brillox_found = 0, g.rest_zeit = 0;
    press_start_and_run([] {
        score_summary_screen();
        return 0.0;
    });
    EXPECT_EQ(g.punkte, 510);
}

TEST_F(MessageScreens, EndScreensStartTheNextGameAtLevelOne)
{
    GameState& g = game();
    g.aktlevel = 9;
    press_start_and_run([] {
        all_levels_done_screen();
        return 0.0;
    });
    EXPECT_EQ(g.aktlevel, 1);
    g.aktlevel = 4;
    press_start_and_run([] {
        no_lives_left_screen();
        return 0.0;
    });
    EXPECT_EQ(g.aktlevel, 1);
}

// Presses the confirm key once the virtual clock passes press_at_ms.
double press_at_ms = 0;
void press_start_when_due(double now_ms)
{
    if (now_ms > press_at_ms) GameScreenTest::keys[28] = 0x80;
}

TEST_F(MessageScreens, TitleGrabsItsStripsAndEndsWithAClearedScreen)
{
    keys.fill(0);
    poll_keys();
    press_at_ms = platform::clock_virtual_ms() + 2000;
    platform::clock_set_observer(press_start_when_due);
    title_screen(2, 1000, 32, 110);
    platform::clock_set_observer(nullptr);
    EXPECT_GE(platform::clock_virtual_ms(), press_at_ms);

    double w, h;
    sprite_get_size(1001, w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 32);
    sprite_get_size(1002, w, h);
    EXPECT_EQ(w, 260);
    EXPECT_EQ(h, 32);
    const auto rgb = back_buffer();
    for (auto [x, y] : {std::pair{0, 0}, {320, 240}, {639, 479}})
        EXPECT_EQ(pixel(rgb, x, y), (Rgb{0, 0, 0}));
}

// A catalogue's texts are turned into what the current font can draw: Windows-1252 in the
// game's fonts, ASCII with "?" for the rest in a font of 128 cells (the built-in one, which
// stands in for a missing font file).
TEST_F(MessageScreens, CatalogueTextsFollowTheCellsOfTheFont)
{
    testing_support::TempDir dir;
    std::filesystem::create_directory(dir.file("po"));
    testing_support::write_file(dir.file("po/en.po"),
                                "msgid \"Tut mir Leid!\"\nmsgstr \"I\xE2\x80\x99m sorry!\"\n");
    const testing_support::ScopedChdir in_data(dir.path());
    ASSERT_TRUE(texts_set_language("en"));
    EXPECT_STREQ(tr("Tut mir Leid!"), "I\x92m sorry!");
    text_load_font("", 0);
    ASSERT_TRUE(texts_set_language("en"));
    EXPECT_STREQ(tr("Tut mir Leid!"), "I?m sorry!");
    text_load_font((std::string(BRILLOX_DATA_DIR) + "/show/font20x31.bmp").c_str(), 0);
    texts_set_language("C");
}

}  // namespace
