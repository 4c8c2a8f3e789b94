// Tests for drawing into the back buffer, read back pixel by pixel: rectangle, line and
// point coverage, the primitives' common frame, sprite placement, stretching and culling,
// the alpha test, the alpha modes, texture binding, and the frozen background across
// frames, on the program's shared display.
#include "graphics/draw.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "graphics/display.h"
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

// The pixels of one colour in the frame: how many, and their bounding box.
struct Coverage {
    int count = 0;
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

Image picture(int w, int h, std::vector<Rgb> top_down, int alpha = 255)
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

// A picture of 2 x 2 blocks of block x block pixels: red, green over blue, white.
Image quadrants(int block)
{
    std::vector<Rgb> pixels;
    for (int y = 0; y < 2 * block; ++y) {
        for (int x = 0; x < 2 * block; ++x) {
            const bool right = x >= block, bottom = y >= block;
            pixels.push_back(bottom ? (right ? white : blue) : (right ? green : red));
        }
    }
    return picture(2 * block, 2 * block, pixels);
}

class Drawing : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::shared_display().created());
        ASSERT_TRUE(rt_display->gl_ready);
        screen_clear();
        screen_prepare_frame();
        screen_clear_buffers();
    }
    void TearDown() override
    {
        screen_set_alpha_mode(0);
        for (int id : {1, 2, 3}) sprite_free(id);
        screen_clear();
    }

    Rgb pixel(int x, int y)
    {
        if (frame.empty()) screen_read_pixels(frame);
        const std::uint8_t* p = &frame[(static_cast<std::size_t>(y) * rt_display->width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    void reread() { frame.clear(); }

    Coverage coverage(Rgb c)
    {
        Coverage cov;
        cov.left = rt_display->width;
        cov.top = rt_display->height;
        for (int y = 0; y < rt_display->height; ++y) {
            for (int x = 0; x < rt_display->width; ++x) {
                if (pixel(x, y) != c) continue;
                ++cov.count;
                cov.left = std::min(cov.left, x), cov.right = std::max(cov.right, x);
                cov.top = std::min(cov.top, y), cov.bottom = std::max(cov.bottom, y);
            }
        }
        return cov;
    }
    // A fresh, black back buffer.
    void clear()
    {
        screen_clear_buffers();
        reread();
    }

    // Asserts that exactly the rectangle (x, y, w, h) shows colour c.
    void expect_exactly(Rgb c, int x, int y, int w, int h)
    {
        const Coverage cov = coverage(c);
        EXPECT_EQ(cov.count, w * h);
        EXPECT_EQ(cov.left, x);
        EXPECT_EQ(cov.top, y);
        EXPECT_EQ(cov.width(), w);
        EXPECT_EQ(cov.height(), h);
    }

    std::vector<std::uint8_t> frame;
};

TEST_F(Drawing, RectanglesIncludeBothCornersWhicheverWayRoundTheyCome)
{
    screen_draw_rect(0, 84, 128, 100, colour_of(red));
    expect_exactly(red, 0, 84, 129, 17);

    clear();
    screen_draw_rect(0, 84, 64, 92, colour_of(green));
    expect_exactly(green, 0, 84, 65, 9);
    clear();
    screen_draw_rect(64, 92, 0, 84, colour_of(green));
    expect_exactly(green, 0, 84, 65, 9);

    clear();
    screen_draw_rect(300, 400, 200, 450, colour_of(blue));  // mixed corners
    expect_exactly(blue, 200, 400, 101, 51);
}

TEST_F(Drawing, ARectangleFlatInOneAxisIsCulledAndOneFlatInBothIsOnePixel)
{
    screen_draw_rect(5, 5, 5, 20, colour_of(white));
    screen_draw_rect(30, 5, 60, 5, colour_of(white));
    EXPECT_EQ(coverage(white).count, 0);

    screen_draw_rect(5, 5, 5, 5, colour_of(white));
    reread();
    expect_exactly(white, 5, 5, 1, 1);
}

TEST_F(Drawing, LinesSetBothEndPoints)
{
    screen_draw_line(10, 20, 30, 20, colour_of(red));  // left to right
    expect_exactly(red, 10, 20, 21, 1);

    clear();
    screen_draw_line(30, 20, 10, 20, colour_of(red));  // right to left
    expect_exactly(red, 10, 20, 21, 1);

    clear();
    screen_draw_line(50, 60, 50, 40, colour_of(green));  // upward
    expect_exactly(green, 50, 40, 1, 21);

    clear();
    screen_draw_line(100, 100, 110, 110, colour_of(blue));  // diagonal
    const Coverage diagonal = coverage(blue);
    EXPECT_EQ(diagonal.count, 11);
    EXPECT_EQ(diagonal.width(), 11);
    EXPECT_EQ(diagonal.height(), 11);
    for (int i = 0; i <= 10; ++i) EXPECT_EQ(pixel(100 + i, 100 + i), blue) << i;

    clear();
    screen_draw_line(7, 8, 7, 8, colour_of(white));  // no length: the end point only
    expect_exactly(white, 7, 8, 1, 1);
}

TEST_F(Drawing, PointsSetOnePixel)
{
    screen_draw_point(0, 0, colour_of(red));
    screen_draw_point(639, 479, colour_of(green));
    screen_draw_point(320, 200, colour_of(blue));
    expect_exactly(red, 0, 0, 1, 1);
    expect_exactly(green, 639, 479, 1, 1);
    expect_exactly(blue, 320, 200, 1, 1);
}

TEST_F(Drawing, PrimitivesRestoreTheStateTheyChange)
{
    ASSERT_TRUE(sprite_load_image(1, quadrants(1)));
    sprite_bind(1, -1, 0);
    screen_draw_rect(0, 0, 3, 3, colour_of(red));
    screen_draw_line(0, 0, 3, 3, colour_of(red));
    screen_draw_point(0, 0, colour_of(red));

    const TextureBinding b = rt_display->bound;
    EXPECT_EQ(b.id, 1);
    EXPECT_EQ(b.second_id, -1);
    EXPECT_EQ(b.second_texture, 0);
    GLint bound = 0, depth = 0, mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(static_cast<GLuint>(bound), rt_display->sprites[1].texture[0]);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
}

TEST_F(Drawing, ThePinkKeyColourIsDrawnWithAlphaZero)
{
    screen_draw_rect(10, 10, 12, 12, 8388863);
    screen_draw_rect(20, 10, 22, 12, 8388863 + 65536);  // blue 129: opaque
    std::uint8_t p[4] = {};
    glReadPixels(11, 480 - 1 - 11, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 128);
    GLint alpha_bits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alpha_bits);
    if (alpha_bits >= 8) {
        EXPECT_EQ(p[3], 0);
        glReadPixels(21, 480 - 1 - 11, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        EXPECT_EQ(p[3], 255);
    }
}

TEST_F(Drawing, SpritesSitOnWholePixelsRoundedUp)
{
    ASSERT_TRUE(sprite_load_image(1, picture(2, 1, {green, blue})));
    sprite_draw(1, 10.2, 5.0);
    expect_exactly(green, 11, 5, 1, 1);
    expect_exactly(blue, 12, 5, 1, 1);

    clear();
    sprite_draw(1, -0.5, -0.9);
    expect_exactly(green, 0, 0, 1, 1);
    expect_exactly(blue, 1, 0, 1, 1);

    clear();
    sprite_draw(1, -1, 3);  // half off the screen
    EXPECT_EQ(coverage(green).count, 0);
    expect_exactly(blue, 0, 3, 1, 1);
}

TEST_F(Drawing, ASpriteDrawnOneToOneShowsItsPictureExactly)
{
    // 20 x 20 in a 32 x 32 texture: texture coordinates run to 0.625 and every pixel is a
    // texel centre.
    std::vector<Rgb> pixels;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) pixels.push_back({x * 12, y * 12, (x * 7 + y * 13) % 256});
    }
    ASSERT_TRUE(sprite_load_image(2, picture(20, 20, pixels)));
    ASSERT_EQ(rt_display->sprites[2].texture_width, 32);
    screen_draw_rect(0, 0, 100, 100, colour_of(white));
    sprite_draw(2, 40, 30);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(pixel(40 + x, 30 + y), pixels[y * 20 + x]) << x << ", " << y;
    }
    for (int i = 39; i <= 60; ++i) {
        EXPECT_EQ(pixel(i, 29), white);
        EXPECT_EQ(pixel(i, 50), white);
        EXPECT_EQ(pixel(39, i - 10), white);
        EXPECT_EQ(pixel(60, i - 10), white);
    }
}

TEST_F(Drawing, StretchedSpritesFillTheirSizeAndOneNegativeSizeCullsThem)
{
    // Solid 4 x 4: filtering and wrapping find red wherever they sample.
    ASSERT_TRUE(sprite_load_image(1, picture(4, 4, std::vector<Rgb>(16, red))));
    sprite_draw_stretched(1, 20.5, 30, 10.1, 6);
    expect_exactly(red, 21, 30, 11, 6);

    clear();
    sprite_draw_stretched(1, 20, 30, -10, 6);
    sprite_draw_stretched(1, 20, 30, 10, -6);
    EXPECT_EQ(coverage(red).count, 0);

    // Quadrant picture, each quadrant 2 x 2, stretched twice: the pixels two and three
    // away from a quadrant's edge come from that quadrant's texels only.
    ASSERT_TRUE(sprite_load_image(2, quadrants(2)));
    clear();
    sprite_draw_stretched(2, 100, 100, 8, 8);
    EXPECT_EQ(pixel(101, 101), red);
    EXPECT_EQ(pixel(106, 101), green);
    EXPECT_EQ(pixel(101, 106), blue);
    EXPECT_EQ(pixel(106, 106), white);
    EXPECT_EQ(pixel(108, 104), black);

    clear();
    sprite_draw_stretched(2, 100, 100, -8, -8);  // turned by 180 degrees, up and left
    EXPECT_EQ(pixel(93, 93), white);
    EXPECT_EQ(pixel(98, 93), blue);
    EXPECT_EQ(pixel(93, 98), green);
    EXPECT_EQ(pixel(98, 98), red);
    EXPECT_EQ(pixel(100, 96), black);
}

TEST_F(Drawing, EmptySpritesAndIdsOutsideTheTableDrawNothing)
{
    screen_draw_rect(0, 0, 30, 30, colour_of(white));
    sprite_draw(3, 5, 5);
    sprite_draw_stretched(3, 5, 5, 10, 10);
    sprite_draw(-1, 5, 5);
    sprite_draw(sprite_count, 5, 5);
    sprite_draw_stretched(1e12, 5, 5, 10, 10);
    expect_exactly(white, 0, 0, 31, 31);
}

TEST_F(Drawing, TexelsOfAlpha38OrLessAreNotDrawnWhateverTheBlending)
{
    // Three 3 x 3 blocks: alpha 38, 39 and 255; the centre pixel of each is one texel.
    Image image = picture(9, 3, std::vector<Rgb>(27, red));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 9; ++x) image.rgba[(y * 9 + x) * 4 + 3] = x < 3 ? 38 : x < 6 ? 39 : 255;
    }
    ASSERT_TRUE(sprite_load_image(1, image));

    screen_draw_rect(0, 0, 40, 20, colour_of(blue));
    sprite_draw(1, 10, 10);
    EXPECT_EQ(pixel(11, 11), blue);
    EXPECT_EQ(pixel(14, 11), red);
    EXPECT_EQ(pixel(17, 11), red);

    clear();
    screen_draw_rect(0, 0, 40, 20, colour_of(blue));
    screen_set_alpha_mode(-1);
    sprite_draw(1, 10, 10);
    EXPECT_EQ(pixel(11, 11), blue);
    const Rgb faint = pixel(14, 11);  // 39 / 255 of red over blue
    EXPECT_NEAR(faint.r, 39, 1);
    EXPECT_NEAR(faint.b, 216, 1);
    EXPECT_EQ(pixel(17, 11), red);
}

TEST_F(Drawing, AdditiveModeAddsColoursScaledByTheIntensity)
{
    const Rgb grey{100, 100, 100};
    screen_draw_rect(0, 0, 50, 50, colour_of(grey));
    screen_set_alpha_mode(1);
    screen_draw_rect(0, 0, 9, 9, colour_of({50, 60, 70}));
    screen_set_alpha_mode(0.5);
    EXPECT_EQ(rt_display->intensity, 0.5f);
    screen_draw_rect(10, 0, 19, 9, colour_of({50, 61, 200}));  // scaled: 25, 30, 100
    screen_set_alpha_mode(3);                                  // more than 1 counts as 1
    EXPECT_EQ(rt_display->intensity, 1.0f);
    screen_draw_rect(20, 0, 29, 9, colour_of({200, 200, 200}));  // saturates

    EXPECT_EQ(pixel(5, 5), (Rgb{150, 160, 170}));
    EXPECT_EQ(pixel(15, 5), (Rgb{125, 130, 200}));
    EXPECT_EQ(pixel(25, 5), white);
    EXPECT_EQ(pixel(35, 5), grey);
}

TEST_F(Drawing, BlendModeMixesByAlphaAndModeZeroTurnsBlendingOff)
{
    screen_draw_rect(0, 0, 50, 50, colour_of({100, 100, 100}));
    screen_set_alpha_mode(-0.6);  // colour 0.6 of itself, alpha 153
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    screen_draw_rect(0, 0, 9, 9, colour_of({200, 0, 250}));  // 120, 0, 150 at alpha 153
    const Rgb mixed = pixel(5, 5);
    EXPECT_NEAR(mixed.r, (120 * 153 + 100 * 102) / 255, 1);
    EXPECT_NEAR(mixed.g, (0 * 153 + 100 * 102) / 255, 1);
    EXPECT_NEAR(mixed.b, (150 * 153 + 100 * 102) / 255, 1);

    screen_set_alpha_mode(0);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(rt_display->intensity, 1.0f);
    screen_draw_rect(10, 0, 19, 9, colour_of({200, 0, 250}));
    reread();
    EXPECT_EQ(pixel(15, 5), (Rgb{200, 0, 250}));
}

TEST_F(Drawing, TheIntensityDimsSprites)
{
    ASSERT_TRUE(sprite_load_image(1, picture(4, 4, std::vector<Rgb>(16, {200, 100, 40}))));
    screen_set_alpha_mode(0.5);
    sprite_draw_stretched(1, 0, 0, 4, 4);
    const Rgb dim = pixel(2, 2);
    EXPECT_NEAR(dim.r, 100, 1);
    EXPECT_NEAR(dim.g, 50, 1);
    EXPECT_NEAR(dim.b, 20, 1);
}

TEST_F(Drawing, BindingRecordsTheSelectionAndANegativeIdDrawsUntextured)
{
    ASSERT_TRUE(sprite_load_image(1, quadrants(1)));
    sprite_bind(1, -1, 1);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), rt_display->sprites[1].texture[1]);  // the second texture
    EXPECT_EQ(rt_display->bound.second_texture, 1);

    sprite_bind(-1, -1, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(rt_display->bound.id, -1);
    sprite_bind(1, -1, 0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), rt_display->sprites[1].texture[0]);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Drawing, AFrozenBackgroundStartsEveryFrameUntilTheScreenIsCleared)
{
    screen_draw_rect(0, 0, 639, 479, colour_of({30, 40, 50}));
    screen_draw_rect(600, 440, 639, 479, colour_of(red));
    screen_draw_point(0, 0, colour_of(green));
    screen_use_as_background();
    const BackgroundSlot& slot = rt_display->backgrounds[0];
    ASSERT_GE(slot.columns, 1);
    ASSERT_GE(slot.rows, 1);
    const BackgroundTile& first = slot.tiles[0];
    // One tile of the screen's own size (the driver takes textures of any size), not the
    // 1024 x 512 of powers of two (70 % more texture memory).
    EXPECT_EQ(first.texture_width, 640);
    EXPECT_EQ(first.texture_height, 480);
    EXPECT_EQ(first.used_width, std::min(640, first.texture_width));
    EXPECT_EQ(first.used_height, std::min(480, first.texture_height));

    for (int frame_number = 0; frame_number < 2; ++frame_number) {
        screen_swap();
        screen_clear_buffers();
        screen_prepare_frame();
        reread();
        EXPECT_EQ(pixel(0, 0), green);
        EXPECT_EQ(pixel(1, 0), (Rgb{30, 40, 50}));
        EXPECT_EQ(pixel(320, 240), (Rgb{30, 40, 50}));
        EXPECT_EQ(pixel(599, 439), (Rgb{30, 40, 50}));
        EXPECT_EQ(pixel(600, 440), red);
        EXPECT_EQ(pixel(639, 479), red);
    }

    // Freezing again reuses the tiles.
    const GLuint texture = first.texture;
    screen_use_as_background();
    EXPECT_EQ(first.texture, texture);

    screen_clear();
    EXPECT_EQ(slot.columns, 0);
    screen_swap();
    screen_clear_buffers();
    screen_prepare_frame();
    reread();
    EXPECT_EQ(coverage(black).count, 640 * 480);
}

}  // namespace
