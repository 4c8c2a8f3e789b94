// Tests for the sprite atlas and batch: the same scenes drawn with batching on and off must
// give the same back buffer to the last bit, whatever the sprite's size, padding, transparent
// pixels and scale; waiting quads keep their order against other drawing and survive their
// sprite being freed or replaced; and which sprites get an atlas cell. On the program's shared
// display.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"
#include "support/offscreen_display.h"

namespace {

// A picture of w x h pixels whose colours change from pixel to pixel (so any shifted or
// wrongly filtered texel shows), with the pink key colour on a diagonal band.
Image picture(int w, int h, int seed)
{
    Image image;
    image.width = w;
    image.height = h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool key = w > 2 && (x + y + seed) % 5 == 0;
            const std::uint8_t r = key ? 255 : static_cast<std::uint8_t>(37 * x + 11 * seed);
            const std::uint8_t g = key ? 0 : static_cast<std::uint8_t>(53 * y + 7 * x);
            const std::uint8_t b = key ? 128 : static_cast<std::uint8_t>(90 + 29 * (x ^ y));
            image.rgba.insert(image.rgba.end(),
                              {r, g, b, static_cast<std::uint8_t>(key ? 0 : 255)});
        }
    }
    return image;
}

class SpriteBatch : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::shared_display().created());
        screen_set_sprite_batching(true);
        screen_clear();
        screen_prepare_frame();
        screen_clear_buffers();
    }
    void TearDown() override
    {
        screen_set_sprite_batching(true);
        screen_set_alpha_mode(0);
        for (int id = 1; id <= 12; ++id) sprite_free(id);
        screen_clear();
    }

    // The back buffer after draw, drawn from a black frame in the given mode.
    static std::vector<std::uint8_t> frame_of(bool batched, const std::function<void()>& draw)
    {
        screen_set_sprite_batching(batched);
        screen_clear();  // no frozen background from the frame before
        screen_prepare_frame();
        screen_clear_buffers();
        draw();
        std::vector<std::uint8_t> rgb;
        screen_read_pixels(rgb);
        screen_set_alpha_mode(0);
        return rgb;
    }

    // Asserts that both ways give the same frame, naming the first pixel that differs.
    static void expect_same_both_ways(const std::function<void()>& draw)
    {
        const std::vector<std::uint8_t> alone = frame_of(false, draw);
        const std::vector<std::uint8_t> batched = frame_of(true, draw);
        ASSERT_EQ(alone.size(), batched.size());
        int differing = 0, first = -1;
        for (std::size_t i = 0; i < alone.size(); i += 3) {
            if (alone[i] != batched[i] || alone[i + 1] != batched[i + 1] ||
                alone[i + 2] != batched[i + 2]) {
                if (first < 0) first = static_cast<int>(i / 3);
                ++differing;
            }
        }
        EXPECT_EQ(differing, 0) << "first at x " << first % 640 << ", y " << first / 640;
        // A scene that draws nothing would prove nothing.
        int lit = 0;
        for (std::uint8_t v : batched) lit += v != 0;
        EXPECT_GT(lit, 1000);
    }
};

TEST_F(SpriteBatch, SpritesOfEverySizeAndPaddingDrawTheSamePixelsAtWholeAndBinaryScales)
{
    // Picture sizes with and without padding in their power-of-two textures, down to 1 x 1.
    const int sizes[][2] = {{32, 32}, {20, 20}, {3, 5}, {16, 16}, {1, 1}, {64, 8}, {7, 30}, {2, 2}};
    for (int n = 0; n < 8; ++n)
        ASSERT_TRUE(sprite_load_image(n + 1, picture(sizes[n][0], sizes[n][1], n)));
    expect_same_both_ways([&] {
        for (int n = 0; n < 8; ++n) {
            const double w = sizes[n][0], h = sizes[n][1];
            const double x = 10 + 75 * n;
            sprite_draw(n + 1, x, 10);                           // unscaled
            sprite_draw(n + 1, x + 0.4, 100.7);                  // rounded up to whole pixels
            sprite_draw_stretched(n + 1, x, 150, 2 * w, 2 * h);  // magnified: edges filter
            sprite_draw_stretched(n + 1, x, 250, 4 * w, h / 2);  // magnified and minified
            sprite_draw_stretched(n + 1, x + 60, 400, -w, -h);   // turned by 180 degrees
            sprite_draw_stretched(n + 1, x, 420, -w, h);         // culled
        }
    });
}

TEST_F(SpriteBatch, OddScalesDrawTheSamePixels)
{
    ASSERT_TRUE(sprite_load_image(1, picture(20, 20, 1)));
    ASSERT_TRUE(sprite_load_image(2, picture(3, 5, 2)));
    ASSERT_TRUE(sprite_load_image(3, picture(32, 32, 3)));
    expect_same_both_ways([] {
        sprite_draw_stretched(1, 5, 5, 70, 45);
        sprite_draw_stretched(2, 100, 5, 50, 70);
        sprite_draw_stretched(3, 200, 5, 96, 33);
        sprite_draw_stretched(3, 320, 5, 13, 101);
        sprite_draw_stretched(1, 400, 200, 171, 129);
    });
}

TEST_F(SpriteBatch, BatchesKeepTheirPlaceAmongOtherDrawingAndStateChanges)
{
    ASSERT_TRUE(sprite_load_image(1, picture(32, 32, 1)));
    ASSERT_TRUE(sprite_load_image(2, picture(16, 16, 2)));
    text_load_font("", 0);
    expect_same_both_ways([] {
        sprite_draw(1, 0, 0);
        sprite_draw(2, 8, 8);
        screen_draw_rect(4, 4, 20, 20, 255);  // over both sprites
        sprite_draw(1, 12, 12);               // over the rectangle
        text_print("Text over sprites", 10, 20);
        sprite_draw(2, 30, 22);
        screen_draw_line(0, 40, 60, 40, 65280);
        screen_set_alpha_mode(1);  // additive: the sprites' colours add up
        sprite_draw(1, 100, 0);
        sprite_draw(1, 110, 10);
        screen_set_alpha_mode(-0.5);  // half-transparent
        sprite_draw(2, 200, 0);
        sprite_draw(1, 205, 5);
        screen_set_alpha_mode(0);
        screen_set_viewport(300, 100, 200, 200);  // drawn relative to the viewport's corner
        sprite_draw(1, 0, 0);
        screen_set_viewport(0, 0, 0, 0);
        sprite_draw(2, 400, 400);
        screen_use_as_background();  // the grab must see every sprite before it
        screen_clear_buffers();
        screen_prepare_frame();  // the frozen picture comes back on a fresh buffer
        sprite_draw(1, 500, 400);
    });
}

TEST_F(SpriteBatch, AFreedOrReloadedSpriteLeavesWhatWasDrawnBeforeAsItWas)
{
    ASSERT_TRUE(sprite_load_image(1, picture(32, 32, 1)));
    expect_same_both_ways([] {
        sprite_draw(1, 0, 0);
        sprite_free(1);  // its cell goes back to the atlas...
        ASSERT_TRUE(sprite_load_image(2, picture(32, 32, 5)));  // ...and is taken by the next of
                                                                // its size
        sprite_draw(2, 40, 0);
        sprite_draw(1, 80, 0);                                  // an empty sprite draws nothing
        ASSERT_TRUE(sprite_load_image(2, picture(32, 32, 6)));  // loaded over itself
        sprite_draw(2, 120, 0);
        sprite_grab(3, 0, 0, 160, 32);  // the grab sees every sprite drawn before it
        sprite_draw_stretched(3, 0, 100, 320, 64);
        ASSERT_TRUE(sprite_load_image(1, picture(32, 32, 1)));
        sprite_draw(1, 400, 0);
        sprite_grab(1, 0, 0, 32, 32);  // a grab into a loaded sprite replaces its picture
        sprite_draw(1, 440, 0);
    });
}

TEST_F(SpriteBatch, SpritesUpTo256TexelsGetACellFontsGrabsAndLargerPicturesDoNot)
{
    ASSERT_TRUE(sprite_load_image(1, picture(32, 32, 1)));
    ASSERT_TRUE(sprite_load_image(2, picture(256, 200, 2)));
    ASSERT_TRUE(sprite_load_image(3, picture(257, 10, 3)));  // a 512-texel texture
    text_load_font("", 4);
    const SpriteAtlas& atlas = rt_display->atlas;
    EXPECT_TRUE(atlas_has_sprite(atlas, 1));
    EXPECT_TRUE(atlas_has_sprite(atlas, 2));
    EXPECT_FALSE(atlas_has_sprite(atlas, 3));
    EXPECT_FALSE(atlas_has_sprite(atlas, font_sprite_base + 4));  // fonts filter to the nearest
                                                                  // texel

    sprite_grab(1, 0, 0, 32, 32);
    EXPECT_FALSE(atlas_has_sprite(atlas, 1));
    sprite_free(2);
    EXPECT_FALSE(atlas_has_sprite(atlas, 2));
    // The own textures stay what they were: drawing without batching uses them.
    EXPECT_NE(rt_display->sprites[3].texture[0], 0u);
}

// Texels of the atlases taken by shelves so far.
int atlas_space_taken()
{
    int taken = 0;
    for (const AtlasShelf& shelf : rt_display->atlas.shelves) taken += shelf.used * shelf.height;
    return taken;
}

TEST_F(SpriteBatch, AFreedCellIsReusedByTheNextSpriteOfItsSize)
{
    ASSERT_TRUE(sprite_load_image(1, picture(32, 32, 1)));
    const int taken = atlas_space_taken();
    sprite_free(1);
    ASSERT_TRUE(sprite_load_image(2, picture(30, 17, 2)));  // also a 32 x 32 texture
    EXPECT_EQ(atlas_space_taken(), taken);
    // Loading the same sprites over and over (the death sequence does) takes no more room.
    for (int round = 0; round < 2000; ++round) {
        ASSERT_TRUE(sprite_load_image(2 + round % 5, picture(30, 17, 2)));
        sprite_free(2 + (round + 3) % 5);
    }
    EXPECT_LE(atlas_space_taken(), taken + 4 * 34 * 34);
}

TEST_F(SpriteBatch, SpritesAtTheirOwnSizeAreSampledFromTheNearestTexel)
{
    ASSERT_TRUE(sprite_load_image(1, picture(20, 20, 1)));
    const SpriteAtlas& atlas = rt_display->atlas;
    sprite_draw(1, 10.5, 3);  // own size from a whole-pixel corner
    EXPECT_TRUE(atlas.batch_exact);
    sprite_draw_stretched(1, 40, 3, 20, 20);
    EXPECT_TRUE(atlas.batch_exact);
    sprite_draw_stretched(1, 80, 3, 40, 20);  // stretched: filtered
    EXPECT_FALSE(atlas.batch_exact);
    sprite_draw_stretched(1, 140, 30, -20, -20);  // turned round
    EXPECT_FALSE(atlas.batch_exact);
    screen_flush_sprites();
}

TEST_F(SpriteBatch, TheBindingCacheRecordsTheLastSpriteAsIfItHadBeenBound)
{
    ASSERT_TRUE(sprite_load_image(1, picture(32, 32, 1)));
    sprite_bind(-1, -1, 0);
    sprite_draw(1, 0, 0);
    EXPECT_EQ(rt_display->bound.id, 1);
    EXPECT_EQ(rt_display->bound.second_id, -1);
    EXPECT_EQ(rt_display->bound.second_texture, 0);
}

}  // namespace
