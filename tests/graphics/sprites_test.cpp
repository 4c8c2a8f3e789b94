// Tests for the sprite table on the offscreen driver: texture sizes and layout, colour
// bleeding, font textures, the mip-mapped second texture, loading files (BMP, PNG, letter
// case, failures), freeing, and grabbing the back buffer, on the program's shared display.
#include "graphics/sprites.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/png_writer.h"
#include "support/bmp_bytes.h"
#include "support/offscreen_display.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;
using testing_support::write_file;

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgba& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

Image solid_image(int w, int h, Rgba c)
{
    Image image;
    image.width = w;
    image.height = h;
    for (int i = 0; i < w * h; ++i) {
        image.rgba.insert(image.rgba.end(), {std::uint8_t(c.r), std::uint8_t(c.g),
                                             std::uint8_t(c.b), std::uint8_t(c.a)});
    }
    return image;
}

void set_pixel(Image& image, int x, int y, Rgba c)
{
    std::uint8_t* p = &image.rgba[(y * image.width + x) * 4];
    p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = c.a;
}

// The texel block of a texture level, bottom row first, as GL holds it.
struct Texels {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    Rgba at(int col, int row) const
    {
        const std::uint8_t* p = &rgba[(row * width + col) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

Texels read_texture(std::uint32_t name, int level = 0)
{
    Texels t;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &t.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &t.height);
    t.rgba.resize(static_cast<std::size_t>(t.width) * t.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, t.rgba.data());
    return t;
}

GLint texture_parameter(std::uint32_t name, GLenum parameter)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

constexpr Rgba opaque_red{255, 0, 0, 255};
constexpr Rgba opaque_green{0, 255, 0, 255};
constexpr Rgba opaque_blue{0, 0, 255, 255};
constexpr Rgba clear{0, 0, 0, 0};

class Sprites : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::shared_display().created());
        ASSERT_TRUE(rt_display->gl_ready);
        screen_set_viewport(0, 0, 0, 0);
        screen_set_alpha_mode(0);
        screen_clear_buffers();
    }
    void TearDown() override
    {
        for (int id : {0, 1, 2, 3, 7, 1001, 65519, font_sprite_base, 65535}) sprite_free(id);
    }

    // The back buffer's colour at (x, y) counted from the top, with its alpha.
    static Rgba screen_pixel(int x, int y)
    {
        std::uint8_t p[4] = {};
        screen_flush_sprites();  // batched sprite quads reach GL before a read of its own
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, rt_display->height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2], p[3]};
    }
    static bool is_empty(int id)
    {
        const SpriteEntry& s = std::as_const(rt_display->sprites)[id];
        return s.texture[0] == 0 && s.texture[1] == 0 && s.texture_width == -1 &&
               s.texture_height == -1 && s.image_width == 0 && s.image_height == 0;
    }

    TempDir dir;
};

TEST_F(Sprites, TexturesArePowersOfTwoOfAtLeastTwoAroundTheWholePicture)
{
    const OpenGLRainbows& d = *rt_display;
    struct Case {
        int w, h, tw, th;
    };
    for (Case c :
         {Case{1, 1, 2, 2}, Case{2, 3, 2, 4}, Case{20, 20, 32, 32}, Case{320, 17, 512, 32}}) {
        ASSERT_TRUE(sprite_load_image(7, solid_image(c.w, c.h, opaque_red)));
        EXPECT_EQ(d.sprites[7].texture_width, c.tw) << c.w;
        EXPECT_EQ(d.sprites[7].texture_height, c.th) << c.h;
        double w = 0, h = 0;
        sprite_get_size(7, w, h);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
    }
}

TEST_F(Sprites, ThePictureLiesBottomUpInTheTexelBlockAndThePaddingIsTransparent)
{
    Image image = solid_image(20, 20, opaque_red);
    set_pixel(image, 0, 0, opaque_green);   // top-left
    set_pixel(image, 19, 19, opaque_blue);  // bottom-right
    ASSERT_TRUE(sprite_load_image(1, image));
    const Texels t = read_texture(rt_display->sprites[1].texture[0]);
    ASSERT_EQ(t.width, 32);
    ASSERT_EQ(t.height, 32);
    EXPECT_EQ(t.at(0, 19), opaque_green);
    EXPECT_EQ(t.at(19, 0), opaque_blue);
    EXPECT_EQ(t.at(5, 7), opaque_red);
    for (int i = 0; i < 32; ++i) {
        for (int j = 20; j < 32; ++j) {
            EXPECT_EQ(t.at(i, j).a, 0) << i << ", " << j;
            EXPECT_EQ(t.at(j, i).a, 0) << j << ", " << i;
        }
    }
}

// A 3 x 3 picture in a 4 x 4 block; texel rows drawn top (row 3) to bottom (row 0):
//
//   row 3   .  .  .  .       R = opaque red at texel (1, 1)
//   row 2   .  .  G  .       G = opaque green at texel (2, 2)
//   row 1   .  R  .  .       B = opaque blue at texel (2, 0), on the block's edge
//   row 0   .  .  B  .       . = transparent
TEST_F(Sprites, TransparentTexelsTakeTheAverageColourOfTheirOpaqueInnerNeighbours)
{
    Image image = solid_image(3, 3, clear);
    set_pixel(image, 1, 1, opaque_red);    // texel (1, 3 - 1 - 1) = (1, 1)
    set_pixel(image, 2, 0, opaque_green);  // texel (2, 2)
    set_pixel(image, 2, 2, opaque_blue);   // texel (2, 0)
    ASSERT_TRUE(sprite_load_image(2, image));
    const Texels t = read_texture(rt_display->sprites[2].texture[0]);
    ASSERT_EQ(t.width, 4);

    EXPECT_EQ(t.at(2, 1), (Rgba{127, 127, 0, 0}));  // red and green; the blue edge texel not
                                                    // counted
    EXPECT_EQ(t.at(1, 0), (Rgba{255, 0, 0, 0}));    // red only
    EXPECT_EQ(t.at(3, 3), (Rgba{0, 255, 0, 0}));    // the padding corner gets green
    EXPECT_EQ(t.at(0, 3), (Rgba{0, 0, 0, 0}));      // no opaque neighbour
    EXPECT_EQ(t.at(1, 2), (Rgba{127, 127, 0, 0}));
    EXPECT_EQ(t.at(2, 0), opaque_blue);  // opaque texels stay as they are
    EXPECT_EQ(t.at(1, 1), opaque_red);
}

TEST_F(Sprites, FontsGetNearestFilteringNoBleedingAndNoSecondTexture)
{
    Image image = solid_image(3, 3, clear);
    set_pixel(image, 1, 1, opaque_red);
    ASSERT_TRUE(sprite_load_image(font_sprite_base, image));
    const OpenGLRainbows& d = *rt_display;
    EXPECT_EQ(d.sprites[font_sprite_base].texture[1], 0u);
    const std::uint32_t name = d.sprites[font_sprite_base].texture[0];
    EXPECT_EQ(texture_parameter(name, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texture_parameter(name, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(read_texture(name).at(2, 1), clear);

    sprite_bind(font_sprite_base, -1, 1);  // asking for it makes none
    EXPECT_EQ(d.sprites[font_sprite_base].texture[1], 0u);

    ASSERT_TRUE(sprite_load_image(65519, image));  // the last image id is a sprite
    EXPECT_EQ(d.sprites[65519].texture[1], 0u);    // made at its first bind
    sprite_bind(65519, -1, 1);
    EXPECT_NE(d.sprites[65519].texture[1], 0u);
    EXPECT_EQ(texture_parameter(d.sprites[65519].texture[0], GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(texture_parameter(d.sprites[65519].texture[0], GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(texture_parameter(d.sprites[65519].texture[0], GL_TEXTURE_WRAP_S), GL_REPEAT);
}

TEST_F(Sprites, TheSecondTextureCarriesABoxFilteredMipChainDownToOneTexel)
{
    // 4 x 2 picture: left half red, right half blue, all opaque.
    Image image = solid_image(4, 2, opaque_red);
    for (int y = 0; y < 2; ++y) {
        set_pixel(image, 2, y, opaque_blue);
        set_pixel(image, 3, y, opaque_blue);
    }
    ASSERT_TRUE(sprite_load_image(3, image));
    sprite_bind(3, -1, 1);
    const std::uint32_t second = rt_display->sprites[3].texture[1];
    ASSERT_NE(second, 0u);
    EXPECT_EQ(texture_parameter(second, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(texture_parameter(second, GL_TEXTURE_MAG_FILTER), GL_LINEAR);

    EXPECT_EQ(read_texture(second, 0).at(3, 1), opaque_blue);
    const Texels one = read_texture(second, 1);  // 2 x 1
    ASSERT_EQ(one.width, 2);
    ASSERT_EQ(one.height, 1);
    EXPECT_EQ(one.at(0, 0), opaque_red);
    EXPECT_EQ(one.at(1, 0), opaque_blue);
    const Texels last = read_texture(second, 2);  // 1 x 1: half red, half blue
    ASSERT_EQ(last.width, 1);
    EXPECT_EQ(last.at(0, 0), (Rgba{128, 0, 128, 255}));
}

TEST_F(Sprites, TheSecondTextureKeepsTheLoadedPictureThroughAGrabAndGoesWithAFree)
{
    const OpenGLRainbows& d = *rt_display;
    // A grab of the same texture size reuses the main texture; the second texture, not made
    // yet, must still come from the loaded picture, not from the grabbed pixels.
    ASSERT_TRUE(sprite_load_image(3, solid_image(32, 32, opaque_red)));
    ASSERT_TRUE(sprite_grab(3, 0, 0, 32, 32));
    ASSERT_NE(read_texture(d.sprites[3].texture[0]).at(5, 5), opaque_red);
    sprite_bind(3, -1, 1);
    ASSERT_NE(d.sprites[3].texture[1], 0u);
    EXPECT_EQ(read_texture(d.sprites[3].texture[1]).at(5, 5), opaque_red);

    ASSERT_TRUE(sprite_load_image(4, solid_image(8, 8, opaque_red)));
    sprite_free(4);
    sprite_bind(4, -1, 1);
    EXPECT_EQ(d.sprites[4].texture[1], 0u);
}

TEST_F(Sprites, EmptyOrShortPicturesFailAndLeaveTheSpriteEmpty)
{
    ASSERT_TRUE(sprite_load_image(0, solid_image(4, 4, opaque_red)));
    EXPECT_FALSE(sprite_load_image(0, solid_image(0, 4, opaque_red)));
    EXPECT_TRUE(is_empty(0));

    ASSERT_TRUE(sprite_load_image(0, solid_image(4, 4, opaque_red)));
    Image short_block = solid_image(4, 4, opaque_red);
    short_block.rgba.resize(4 * 4 * 4 - 1);
    EXPECT_FALSE(sprite_load_image(0, short_block));
    EXPECT_TRUE(is_empty(0));

    double w = -1, h = -1;
    sprite_get_size(0, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST_F(Sprites, FreeingClearsEverythingAndIdsOutsideTheTableAreIgnored)
{
    ASSERT_TRUE(sprite_load_image(7, solid_image(5, 5, opaque_red)));
    rt_display->sprites[7].mask = new std::uint8_t[25];
    const GLuint name = rt_display->sprites[7].texture[0];
    sprite_free(7);
    EXPECT_TRUE(is_empty(7));
    EXPECT_EQ(rt_display->sprites[7].mask, nullptr);
    EXPECT_FALSE(glIsTexture(name));
    sprite_free(7);  // already empty

    EXPECT_FALSE(sprite_load_image(sprite_count, solid_image(2, 2, opaque_red)));
    EXPECT_FALSE(sprite_load_image(-1, solid_image(2, 2, opaque_red)));
    sprite_free(-1);
    sprite_load("missing.bmp", 70000);
    EXPECT_TRUE(sprite_grab(-3, 0, 0, 10, 10));
    double w = -1, h = -1;
    sprite_get_size(1e9, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST_F(Sprites, TheFirstAndLastIdsHoldSpritesAndUnusedIdsTakeNoTableMemory)
{
    const OpenGLRainbows& d = *rt_display;
    // Asking about, drawing and freeing an id never loaded makes no page of the table.
    const int pages = d.sprites.pages_made();
    double w = -1, h = -1;
    sprite_get_size(40000, w, h);
    EXPECT_EQ(w, 0);
    sprite_draw(40000, 0, 0);
    sprite_draw_stretched(40000, 0, 0, 10, 10);
    sprite_free(40000);
    EXPECT_EQ(d.sprites.pages_made(), pages);
    EXPECT_EQ(d.sprites[40000].texture_width, -1);

    ASSERT_TRUE(sprite_load_image(0, solid_image(3, 2, opaque_red)));
    ASSERT_TRUE(sprite_load_image(65535, solid_image(4, 5, opaque_blue)));
    sprite_get_size(0, w, h);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    sprite_get_size(65535, w, h);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 5);
    sprite_draw(0, 0, 0);
    sprite_draw(65535, 10, 0);
    EXPECT_EQ(screen_pixel(2, 1), opaque_red);
    EXPECT_EQ(screen_pixel(13, 4), opaque_blue);

    // Freed and loaded again, an id takes its new picture.
    sprite_free(0);
    EXPECT_TRUE(is_empty(0));
    EXPECT_TRUE(is_empty(1));  // its neighbour on the page was never touched
    ASSERT_TRUE(sprite_load_image(0, solid_image(6, 6, opaque_green)));
    sprite_draw(0, 20, 0);
    EXPECT_EQ(screen_pixel(25, 5), opaque_green);
    EXPECT_EQ(d.sprites[0].texture_width, 8);
}

TEST_F(Sprites, AFileLoadsThroughItsNameWhateverTheLetterCase)
{
    write_file(
        dir.file("Stein.bmp"),
        testing_support::bmp24<Rgba>(
            3, 2, {opaque_red, opaque_green, opaque_blue, opaque_blue, opaque_green, opaque_red}));
    sprite_load(dir.file("STEIN.BMP").c_str(), 7.9);
    const OpenGLRainbows& d = *rt_display;
    ASSERT_EQ(d.sprites[7].image_width, 3);
    EXPECT_EQ(d.sprites[7].image_height, 2);
    EXPECT_EQ(d.sprites[7].texture_width, 4);
    EXPECT_EQ(d.sprites[7].texture_height, 2);
    const Texels t = read_texture(d.sprites[7].texture[0]);
    EXPECT_EQ(t.at(0, 1), opaque_red);  // the top row sits in texel row 1
    EXPECT_EQ(t.at(2, 0), opaque_red);
}

TEST_F(Sprites, AMissingOrBrokenFileEmptiesALoadedSprite)
{
    write_file(dir.file("a.bmp"), testing_support::bmp24(2, 2, std::vector<Rgba>(4, opaque_red)));
    sprite_load(dir.file("a.bmp").c_str(), 1);
    ASSERT_EQ(rt_display->sprites[1].image_width, 2);
    sprite_load(dir.file("nothing.bmp").c_str(), 1);
    EXPECT_TRUE(is_empty(1));

    sprite_load(dir.file("a.bmp").c_str(), 1);
    write_file(dir.file("junk.bmp"), "BM this is not a picture");
    sprite_load(dir.file("junk.bmp").c_str(), 1);
    EXPECT_TRUE(is_empty(1));
    EXPECT_FALSE(sprite_load_file(1, dir.file("junk.bmp"), colour_key_sprite));
}

TEST_F(Sprites, TheContentsDecideTheFormatAndPngDataBehindABmpNameLoads)
{
    const std::uint8_t rgb[] = {255, 0, 128, 10, 20, 30};  // the key colour, then grey-blue
    ASSERT_TRUE(png_write_rgb(dir.file("really_png.bmp"), 2, 1, rgb));
    ASSERT_TRUE(sprite_load_file(2, dir.file("really_png.bmp"), colour_key_sprite));
    const Texels t = read_texture(rt_display->sprites[2].texture[0]);
    EXPECT_EQ(t.at(0, 0).a, 0);  // keyed out
    EXPECT_EQ(t.at(1, 0), (Rgba{10, 20, 30, 255}));
}

TEST_F(Sprites, ExactlyThePinkKeyColourOfAFileIsTransparent)
{
    const Rgba pink{255, 0, 128, 255}, almost_pink{255, 0, 129, 255}, white{255, 255, 255, 255};
    // 9 x 3 picture: three 3 x 3 blocks, so each block's centre is drawn from its own texel.
    std::vector<Rgba> pixels;
    for (int y = 0; y < 3; ++y) {
        for (Rgba c : {pink, almost_pink, white}) pixels.insert(pixels.end(), 3, c);
    }
    write_file(dir.file("key.bmp"), testing_support::bmp24(9, 3, pixels));
    sprite_load(dir.file("key.bmp").c_str(), 1001);
    ASSERT_EQ(rt_display->sprites[1001].image_width, 9);

    screen_draw_rect(0, 0, 50, 50, 65280);  // green under the sprite
    sprite_draw(1001, 10, 10);
    EXPECT_EQ(screen_pixel(11, 11), (Rgba{0, 255, 0, 255}));  // pink: the green shows
    EXPECT_EQ(screen_pixel(14, 11), almost_pink);
    EXPECT_EQ(screen_pixel(17, 11), white);
}

TEST_F(Sprites, GrabbedTexturesStartAt32AndDoubleUntilTheyFit)
{
    const OpenGLRainbows& d = *rt_display;
    ASSERT_TRUE(sprite_grab(1001, 5, 5, 1, 1));
    EXPECT_EQ(d.sprites[1001].texture_width, 32);
    EXPECT_EQ(d.sprites[1001].texture_height, 32);
    EXPECT_EQ(d.sprites[1001].image_width, 1);
    EXPECT_EQ(d.sprites[1001].image_height, 1);
    EXPECT_EQ(d.sprites[1001].texture[1], 0u);

    const GLuint first = d.sprites[1001].texture[0];
    ASSERT_TRUE(sprite_grab(1001.7, 0, 0, 20, 32));  // same texture size: reused
    EXPECT_EQ(d.sprites[1001].texture[0], first);
    EXPECT_EQ(d.sprites[1001].image_width, 20);
    EXPECT_EQ(d.sprites[1001].image_height, 32);

    ASSERT_TRUE(sprite_grab(1001, 0, 0, 33, 320));
    EXPECT_EQ(d.sprites[1001].texture_width, 64);
    EXPECT_EQ(d.sprites[1001].texture_height, 512);
    EXPECT_EQ(d.sprites[1001].image_width, 33);

    // A loaded sprite of another size loses both textures to the grab.
    ASSERT_TRUE(sprite_load_image(3, solid_image(4, 4, opaque_red)));
    ASSERT_TRUE(sprite_grab(3, 0, 0, 8, 8));
    EXPECT_EQ(d.sprites[3].texture[1], 0u);
    EXPECT_EQ(d.sprites[3].texture_width, 32);
}

TEST_F(Sprites, AGrabCopiesTheScreenAndPinkPrimitivesComeOutTransparent)
{
    screen_draw_rect(100, 100, 119, 119, 255 + 255 * 256);  // yellow square
    screen_draw_rect(105, 105, 109, 109, 8388863);          // pink inside it
    ASSERT_TRUE(sprite_grab(1001, 100, 100, 20, 20));

    screen_clear_buffers();
    screen_draw_rect(0, 0, 60, 60, 16711680);  // blue under the copy
    sprite_draw(1001, 10, 20);
    EXPECT_EQ(screen_pixel(12, 22), (Rgba{255, 255, 0, 255}));
    EXPECT_EQ(screen_pixel(17, 27), (Rgba{0, 0, 255, 255}));  // the pink hole shows blue
    EXPECT_EQ(screen_pixel(29, 39), (Rgba{255, 255, 0, 255}));
    EXPECT_EQ(screen_pixel(30, 40), (Rgba{0, 0, 255, 255}));  // right of and below the copy
}

TEST_F(Sprites, WithoutDestinationAlphaTheGrabKeysABandOfPinksAndTakesTheFullBlock)
{
    // Six 4-pixel-wide columns of near-pink, then white to the right of the grabbed area.
    const int blues[] = {126, 127, 130, 132, 133};
    for (int i = 0; i < 5; ++i) {
        screen_draw_rect(200 + 4 * i, 200, 203 + 4 * i, 203, 255 + blues[i] * 65536);
    }
    screen_draw_rect(220, 200, 223, 203, 255 + 256 + 128 * 65536);  // green 1: stays
    screen_draw_rect(224, 190, 260, 203, 16777215);                 // white beside and above

    sprite_grab_force_read_back(true);
    ASSERT_TRUE(sprite_grab(1001, 200, 200, 24, 4));
    sprite_grab_force_read_back(false);

    const Texels t = read_texture(rt_display->sprites[1001].texture[0]);
    ASSERT_EQ(t.width, 32);
    // The rectangle's bottom row is texel row 0; its left edge texel column 0.
    const int expected_alpha[] = {255, 0, 0, 0, 255, 255};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(t.at(4 * i + 1, 1).a, expected_alpha[i]) << i;
    EXPECT_EQ(t.at(26, 1), (Rgba{255, 255, 255, 255}));   // right of the rectangle
    EXPECT_EQ(t.at(26, 10), (Rgba{255, 255, 255, 255}));  // above it
}

TEST_F(Sprites, AGrabReachingOffTheScreenReadsOnlyTheScreen)
{
    screen_draw_rect(630, 470, 639, 479, 255);  // red bottom-right corner
    for (bool read_back : {false, true}) {
        sprite_grab_force_read_back(read_back);
        ASSERT_TRUE(sprite_grab(1001, 630, 470, 40, 40));
        sprite_grab_force_read_back(false);
        const Texels t = read_texture(rt_display->sprites[1001].texture[0]);
        ASSERT_EQ(t.width, 64);
        // Texel row 0 is screen row 509, off the screen; screen row 479 is texel row 30.
        EXPECT_EQ(t.at(0, 30), opaque_red) << read_back;
        EXPECT_EQ(t.at(9, 39), opaque_red) << read_back;
    }
    EXPECT_TRUE(sprite_grab(1001, -100, -100, 5000, 5000));  // nothing to crash on
}

}  // namespace
