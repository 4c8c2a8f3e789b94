// The GLES backend's presentation: every frame is drawn offscreen at the screen's size and shown
// in the window at the largest whole factor, centred on black, with its alpha forced to 1 (a
// browser page would show through wherever the frame's alpha is below 1), and drawing goes on
// into the offscreen frame afterwards.
#include <GLES3/gl3.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/render_backend.h"
#include "platform/video.h"
#include "support/offscreen_display.h"

namespace {

using Pixel = std::array<int, 4>;

constexpr double pink = 255 + 128 * 65536;  // the key colour: drawn with alpha 0

// Shows the offscreen frame in the window's buffer as a swap does, but without the swap (window
// 0), so that the buffer can still be read.
void present_unswapped()
{
    const OpenGLRainbows& d = *rt_display;
    int w = 0, h = 0;
    platform::gl_drawable_size(d.window, w, h);
    render_present_offscreen(0, d.scaled, d.width, d.height, w, h,
                             platform::fit_picture(w, h, d.width, d.height));
}

// The pixel at (x, y) of the window's buffer, y from the top.
Pixel window_pixel(int x, int y, int window_height)
{
    std::uint8_t p[4] = {};
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadPixels(x, window_height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    glBindFramebuffer(GL_FRAMEBUFFER, rt_display->scaled.framebuffer);
    return {p[0], p[1], p[2], p[3]};
}

void draw_frame()
{
    screen_clear();
    screen_clear_buffers();
    screen_prepare_frame();
    screen_draw_rect(10, 10, 19, 19, 255);  // red
    screen_draw_rect(20, 10, 29, 19, pink);
}

TEST(GlesPresentation, TheFrameIsShownFittedCentredAndOpaque)
{
    ASSERT_TRUE(testing_support::shared_display().created());
    OpenGLRainbows& d = *rt_display;
    EXPECT_TRUE(d.scaled.bound) << "every frame is drawn offscreen";

    // 600 x 400: the frame shrunk to 533 x 400 (its shape kept), 33 pixels of black on either
    // side. (The offscreen driver's surface keeps the size it was made with, so a window larger
    // than the screen cannot be read back here.)
    platform::window_set_size(d.window, 600, 400);
    screen_swap();
    draw_frame();
    std::vector<std::uint8_t> offscreen;
    screen_read_pixels(offscreen);
    present_unswapped();
    int w = 0, h = 0;
    platform::gl_drawable_size(d.window, w, h);
    ASSERT_EQ(w, 600);
    ASSERT_EQ(h, 400);
    EXPECT_EQ(window_pixel(33 + 12, 12, h), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(window_pixel(33 + 20, 12, h), (Pixel{255, 0, 128, 255})) << "pink, alpha 1";
    EXPECT_EQ(window_pixel(33 + 100, 100, h), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(window_pixel(10, 200, h), (Pixel{0, 0, 0, 255})) << "the border";
    EXPECT_EQ(window_pixel(590, 200, h), (Pixel{0, 0, 0, 255})) << "the border";

    // Drawing goes on into the offscreen frame, with the same pixels as before the swap.
    draw_frame();
    std::vector<std::uint8_t> again;
    screen_read_pixels(again);
    EXPECT_EQ(again, offscreen);

    // Half the size: each window pixel blends two by two frame pixels of one colour.
    platform::window_set_size(d.window, 320, 240);
    screen_swap();
    draw_frame();
    present_unswapped();
    EXPECT_EQ(window_pixel(7, 7, 240), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(window_pixel(12, 7, 240), (Pixel{255, 0, 128, 255}));

    platform::window_set_size(d.window, d.width, d.height);
    screen_swap();
    draw_frame();
    present_unswapped();
    EXPECT_EQ(window_pixel(15, 15, d.height), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(window_pixel(25, 15, d.height), (Pixel{255, 0, 128, 255}));
}

}  // namespace
