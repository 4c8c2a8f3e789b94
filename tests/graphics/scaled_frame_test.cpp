// A window not of the screen's size: drawing and reading go to an offscreen buffer of the
// screen's size, which gives the same pixels as the window's own back buffer, and showing it
// scaled leaves the runtime's GL state as it was.
#include "graphics/scaled_frame.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/sprites.h"
#include "platform/video.h"
#include "support/offscreen_display.h"

namespace {

// A scene with blending, a grab of part of the screen and a frozen background, so that every
// read of the colour buffer is exercised; returns the back buffer as read afterwards.
std::vector<std::uint8_t> draw_scene()
{
    screen_clear();
    screen_clear_buffers();
    screen_prepare_frame();
    screen_draw_rect(10, 10, 300, 200, 200 + 40 * 256 + 40 * 65536);
    screen_set_alpha_mode(-0.5);
    screen_draw_rect(150, 100, 400, 300, 40 + 200 * 256 + 90 * 65536);
    screen_set_alpha_mode(0);
    sprite_grab(4000, 0, 0, 64, 64);
    sprite_draw(4000, 500, 380);
    screen_use_as_background();
    screen_prepare_frame();
    screen_draw_line(0, 479, 639, 0, 0xFFFFFF);
    std::vector<std::uint8_t> rgb;
    screen_read_pixels(rgb);
    return rgb;
}

struct GlState {
    std::vector<GLint> viewport = std::vector<GLint>(4);
    GLint texture = 0, matrix_mode = 0;
    GLboolean blend = 0, alpha_test = 0, cull = 0;
    bool operator==(const GlState&) const = default;
};

GlState gl_state()
{
    GlState s;
    glGetIntegerv(GL_VIEWPORT, s.viewport.data());
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrix_mode);
    s.blend = glIsEnabled(GL_BLEND);
    s.alpha_test = glIsEnabled(GL_ALPHA_TEST);
    s.cull = glIsEnabled(GL_CULL_FACE);
    return s;
}

TEST(ScaledFrame, AScaledWindowDrawsTheSamePixelsAndKeepsTheGlState)
{
    ASSERT_TRUE(testing_support::shared_display().created());
    OpenGLRainbows& d = *rt_display;
    ASSERT_FALSE(d.scaled.bound);
    const std::vector<std::uint8_t> one_to_one = draw_scene();

    platform::window_set_size(d.window, 1280, 960);
    screen_swap();  // the next frame goes to the offscreen buffer
    ASSERT_TRUE(d.scaled.bound);
    EXPECT_EQ(draw_scene(), one_to_one);

    glBindTexture(GL_TEXTURE_2D, d.sprites[4000].texture[0]);
    glEnable(GL_BLEND);
    const GlState before = gl_state();
    screen_swap();  // shown scaled, and the offscreen buffer stays in use
    EXPECT_TRUE(d.scaled.bound);
    EXPECT_EQ(gl_state(), before);
    glDisable(GL_BLEND);

    platform::window_set_size(d.window, 500, 300);  // smaller than the screen
    screen_swap();
    EXPECT_EQ(draw_scene(), one_to_one);

    platform::window_set_size(d.window, d.width, d.height);
    screen_swap();  // back to the window's own back buffer
    EXPECT_FALSE(d.scaled.bound);
    EXPECT_EQ(draw_scene(), one_to_one);
    sprite_free(4000);
}

TEST(ScaledFrame, ThePictureTakesTheLargestWholeFactorCentredOrShrinksKeepingItsShape)
{
    using platform::fit_picture;
    const auto same = [](platform::PictureRect a, platform::PictureRect b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    };
    EXPECT_TRUE(same(fit_picture(640, 480, 640, 480), {0, 0, 640, 480}));
    EXPECT_TRUE(same(fit_picture(1920, 1080, 640, 480), {320, 60, 1280, 960}));
    EXPECT_TRUE(same(fit_picture(3840, 2160, 640, 480), {640, 120, 2560, 1920}));
    EXPECT_TRUE(same(fit_picture(1279, 959, 640, 480), {319, 239, 640, 480}));
    EXPECT_TRUE(same(fit_picture(320, 480, 640, 480), {0, 120, 320, 240}));  // narrow
    EXPECT_TRUE(same(fit_picture(640, 240, 640, 480), {160, 0, 320, 240}));  // low
    EXPECT_TRUE(same(fit_picture(0, 480, 640, 480), {0, 0, 0, 0}));
}

}  // namespace
