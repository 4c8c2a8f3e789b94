// The drawing operations through the public graphics interface, read back pixel by pixel; the
// same cases are built once for each drawing backend (backend_tests_gl1, backend_tests_gles3),
// so a backend that draws a pixel differently from the other fails here, not only in a game.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/gl_shared.h"
#include "graphics/sprites.h"
#include "support/offscreen_display.h"
#include "support/rgb.h"

namespace {

using testing_support::black;
using testing_support::blue;
using testing_support::colour_of;
using testing_support::green;
using testing_support::red;
using testing_support::Rgb;
using testing_support::white;

constexpr double pink = 255 + 128 * 65536;  // the key colour: drawn with alpha 0

Image picture(int w, int h, const std::vector<Rgb>& top_down, int alpha = 255)
{
    Image image;
    image.width = w;
    image.height = h;
    for (const Rgb& c : top_down) {
        image.rgba.insert(image.rgba.end(), {std::uint8_t(c.r), std::uint8_t(c.g),
                                             std::uint8_t(c.b), std::uint8_t(alpha)});
    }
    return image;
}

// w x h pixels of distinct colours.
std::vector<Rgb> gradient(int w, int h)
{
    std::vector<Rgb> pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) pixels.push_back({x * 12, y * 12, (x * 7 + y * 13) % 256});
    }
    return pixels;
}

// The suite is named after the backend (BackendGl1, BackendGles3), so both programs' cases
// stand side by side in one test run.
class BRILLOX_BACKEND_SUITE : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::shared_display().created());
        screen_clear();
        screen_prepare_frame();
        clear();
    }
    void TearDown() override
    {
        screen_set_alpha_mode(0);
        for (int id : {1, 2, 3}) sprite_free(id);
        screen_clear();
    }

    void clear()
    {
        screen_clear_buffers();
        frame.clear();
    }
    Rgb pixel(int x, int y)
    {
        if (frame.empty()) screen_read_pixels(frame);
        const std::uint8_t* p = &frame[(static_cast<std::size_t>(y) * rt_display->width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    int count(Rgb c)
    {
        int n = 0;
        for (int y = 0; y < rt_display->height; ++y) {
            for (int x = 0; x < rt_display->width; ++x) n += pixel(x, y) == c;
        }
        return n;
    }

    std::vector<std::uint8_t> frame;
};

TEST_F(BRILLOX_BACKEND_SUITE, PrimitivesCoverExactlyTheNamedPixels)
{
    screen_draw_rect(10, 20, 30, 25, colour_of(red));
    screen_draw_line(100, 100, 110, 110, colour_of(green));
    screen_draw_line(200, 50, 180, 50, colour_of(blue));
    screen_draw_point(0, 0, colour_of(white));
    screen_draw_point(639, 479, colour_of(white));
    EXPECT_EQ(count(red), 21 * 6);
    EXPECT_EQ(pixel(10, 20), red);
    EXPECT_EQ(pixel(30, 25), red);
    EXPECT_EQ(count(green), 11);
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(pixel(100 + i, 100 + i), green) << i;
    EXPECT_EQ(count(blue), 21);
    EXPECT_EQ(pixel(180, 50), blue);
    EXPECT_EQ(pixel(200, 50), blue);
    EXPECT_EQ(count(white), 2);
    EXPECT_EQ(pixel(639, 479), white);
}

TEST_F(BRILLOX_BACKEND_SUITE, SpritesShowTheirTexelsAndTheAlphaTestDropsFaintOnes)
{
    const std::vector<Rgb> pixels = gradient(20, 20);
    ASSERT_TRUE(sprite_load_image(1, picture(20, 20, pixels)));
    sprite_draw(1, 40, 30);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_EQ(pixel(40 + x, 30 + y), pixels[y * 20 + x]);
    }
    EXPECT_EQ(pixel(39, 30), black);
    EXPECT_EQ(pixel(60, 49), black);

    // Alpha 38 is not above the test's 0.15, alpha 39 is.
    Image faint = picture(6, 3, std::vector<Rgb>(18, red));
    for (int i = 0; i < 18; ++i) faint.rgba[i * 4 + 3] = i % 6 < 3 ? 38 : 39;
    ASSERT_TRUE(sprite_load_image(2, faint));
    clear();
    screen_draw_rect(0, 0, 20, 20, colour_of(blue));
    sprite_draw(2, 10, 10);
    EXPECT_EQ(pixel(11, 11), blue);
    EXPECT_EQ(pixel(14, 11), red);
}

TEST_F(BRILLOX_BACKEND_SUITE, TheIntensityAndTheBlendModesMixAsBefore)
{
    ASSERT_TRUE(sprite_load_image(1, picture(4, 4, std::vector<Rgb>(16, {200, 100, 40}))));
    screen_draw_rect(0, 0, 50, 50, colour_of({100, 100, 100}));
    screen_set_alpha_mode(1);
    screen_draw_rect(0, 0, 9, 9, colour_of({50, 60, 70}));
    screen_set_alpha_mode(0.5);
    sprite_draw_stretched(1, 10, 0, 4, 4);  // (100, 50, 20) added
    screen_set_alpha_mode(-0.6);            // (120, 0, 150) at alpha 153
    screen_draw_rect(20, 0, 29, 9, colour_of({200, 0, 250}));
    screen_set_alpha_mode(0);
    EXPECT_EQ(pixel(5, 5), (Rgb{150, 160, 170}));
    const Rgb added = pixel(12, 2);
    EXPECT_NEAR(added.r, 200, 1);
    EXPECT_NEAR(added.g, 150, 1);
    EXPECT_NEAR(added.b, 120, 1);
    const Rgb mixed = pixel(25, 5);
    EXPECT_NEAR(mixed.r, (120 * 153 + 100 * 102) / 255, 1);
    EXPECT_NEAR(mixed.g, (100 * 102) / 255, 1);
    EXPECT_NEAR(mixed.b, (150 * 153 + 100 * 102) / 255, 1);
}

TEST_F(BRILLOX_BACKEND_SUITE, AFrozenBackgroundComesBackExactlyNextFrame)
{
    const std::vector<Rgb> pixels = gradient(20, 20);
    ASSERT_TRUE(sprite_load_image(1, picture(20, 20, pixels)));
    screen_draw_rect(0, 0, 639, 479, colour_of({30, 40, 50}));
    sprite_draw(1, 600, 440);
    screen_draw_point(0, 0, colour_of(green));
    screen_use_as_background();
    screen_swap();
    screen_clear_buffers();
    screen_prepare_frame();
    frame.clear();
    EXPECT_EQ(pixel(0, 0), green);
    EXPECT_EQ(pixel(320, 240), (Rgb{30, 40, 50}));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_EQ(pixel(600 + x, 440 + y), pixels[y * 20 + x]);
    }
}

// A grab copies the frame's pixels and gives pink ones alpha 0, by copying the frame with its
// alpha or by reading it back and keying it.
TEST_F(BRILLOX_BACKEND_SUITE, GrabsCopyTheFrameAndLeavePinkTransparentBothWays)
{
    for (bool read_back : {false, true}) {
        SCOPED_TRACE(read_back ? "read back" : "copied");
        clear();
        screen_draw_rect(100, 100, 109, 109, colour_of(red));
        screen_draw_rect(110, 100, 119, 109, pink);
        screen_draw_rect(100, 110, 119, 119, colour_of(blue));
        sprite_grab_force_read_back(read_back);
        ASSERT_TRUE(sprite_grab(3, 100, 100, 20, 20));
        sprite_grab_force_read_back(false);

        screen_draw_rect(300, 300, 319, 319, colour_of(white));
        sprite_draw(3, 300, 300);
        frame.clear();
        EXPECT_EQ(pixel(302, 302), red);
        EXPECT_EQ(pixel(315, 305), white);  // pink: not drawn
        EXPECT_EQ(pixel(305, 315), blue);
        EXPECT_EQ(pixel(319, 319), blue);
    }
}

TEST_F(BRILLOX_BACKEND_SUITE, TheSecondTextureIsMadeFromTheFirstOnesTexels)
{
    const std::vector<Rgb> pixels = gradient(16, 16);
    ASSERT_TRUE(sprite_load_image(1, picture(16, 16, pixels)));
    sprite_bind(1, -1, 1);
    ASSERT_NE(rt_display->sprites[1].texture[1], 0u);
    screen_textured_quad(50, 50, 66, 66, 1, 1);  // level 0, one texel a pixel, bottom-up
    sprite_bind(-1, -1, 0);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) ASSERT_EQ(pixel(50 + x, 50 + y), pixels[y * 16 + x]);
    }
}

}  // namespace
