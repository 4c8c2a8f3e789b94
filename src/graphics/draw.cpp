// Drawing into the back buffer: texture binding with its cache, sprites at whole-pixel
// positions, stretched sprites, filled rectangles, lines and points hitting exact pixels,
// freezing the back buffer as background slot 0, and the alpha mode. Sprites with an atlas
// cell wait in the sprite batch; everything else here sends the batch first.
#include "graphics/draw.h"

#include <algorithm>
#include <cmath>

#include "core/rt_number.h"
#include "graphics/display.h"
#include "graphics/gl_shared.h"
#include "graphics/image.h"
#include "graphics/render_backend.h"
#include "graphics/sprite_atlas.h"
#include "graphics/sprites.h"

namespace {

// Draws sprite id's whole picture onto the screen rectangle at (x, y) of size w x h: into the
// batch when the sprite has an atlas cell, else at once from its own texture.
void draw_sprite(int id, float x, float y, float w, float h)
{
    OpenGLRainbows& d = *rt_display;
    const SpriteEntry& sprite = d.sprites.get(id);
    const int tw = sprite.texture_width, th = sprite.texture_height;
    if (tw <= 0 || th <= 0) return;  // empty: nothing to draw
    const float s = static_cast<float>(sprite.image_width) / tw;
    const float t = static_cast<float>(sprite.image_height) / th;
    if (atlas_queue_quad(id, x, y, x + w, y + h, s, t)) {
        d.bound = TextureBinding{id, -1, 0};  // what the bind would have recorded
        return;
    }
    sprite_bind(id, -1, 0);
    screen_textured_quad(x, y, x + w, y + h, s, t);
}

float ceil_float(double v)
{
    return static_cast<float>(std::ceil(v));
}

// Runs draw between the common set-up and tear-down of the untextured primitives.
template <typename Draw>
void draw_primitive(double colour_value, Draw draw)
{
    OpenGLRainbows& d = *rt_display;
    atlas_flush();
    render_set_alpha_test(false);

    const int colour = rt_to_int(colour_value);
    const float k = d.intensity;
    const auto scaled = [k](int c) { return static_cast<std::uint8_t>(static_cast<int>(c * k)); };
    const std::uint8_t alpha =
        colour == colour_key_sprite ? 0 : static_cast<std::uint8_t>(static_cast<int>(k * 255));
    render_set_colour_bytes(scaled(colour & 255), scaled((colour >> 8) & 255),
                            scaled((colour >> 16) & 255), alpha);

    const TextureBinding saved = d.bound;
    sprite_bind(-1, -1, 0);

    // A shift of 3/8 pixel right and up puts the integer coordinates inside pixel centres'
    // reach, so rasterisation covers exactly the pixels the caller named.
    render_push_offset(0.375f, -0.375f);
    draw();
    render_pop_offset();
    render_set_colour(k, k, k, k);
    sprite_bind(saved.id, saved.second_id, saved.second_texture);
    render_set_alpha_test(true);
}

// One side of the background grab tiles: the screen's own length where the driver takes any
// texture size, else the smallest power of two from 64 that holds it; never above the GL
// limit, since one tile of the full limit can be a gigabyte of texture memory.
int background_tile_side(int length, bool any_size)
{
    const int limit = render_max_texture_size();
    if (any_size) return std::clamp(length, 1, limit);
    int size = 64;
    while (size < length && size < limit) size *= 2;
    return size;
}

}  // namespace

void sprite_bind(int id, int second_id, int second_texture)
{
    OpenGLRainbows& d = *rt_display;
    atlas_flush();  // a caller binding for itself draws next, after what waits
    d.bound = TextureBinding{id, second_id, second_texture};
    if (second_id < 0) screen_texture_unit1_off();
    if (id < 0) {
        render_set_texturing(false);
        return;
    }
    if (second_texture != 0) sprite_make_due_second_texture(id);
    render_bind_texture(valid_sprite_id(id) ? d.sprites.get(id).texture[second_texture ? 1 : 0]
                                            : 0);
    render_set_texturing(true);
}

void sprite_draw(double id_value, double x, double y)
{
    const int id = rt_to_int(id_value);
    if (!valid_sprite_id(id)) return;
    const OpenGLRainbows& d = *rt_display;
    const SpriteEntry& sprite = d.sprites.get(id);
    draw_sprite(id, ceil_float(x), ceil_float(y), static_cast<float>(sprite.image_width),
                static_cast<float>(sprite.image_height));
}

void sprite_draw_stretched(double id_value, double x, double y, double width, double height)
{
    const int id = rt_to_int(id_value);
    if (!valid_sprite_id(id)) return;
    // A negative width or height mirrors the quad's winding, so culling drops it; both
    // negative turn it by 180 degrees and it faces front again.
    draw_sprite(id, ceil_float(x), ceil_float(y), ceil_float(width), ceil_float(height));
}

void screen_draw_rect(double x1, double y1, double x2, double y2, double colour)
{
    float left = static_cast<float>(std::min(x1, x2)), right = static_cast<float>(std::max(x1, x2));
    float top = static_cast<float>(std::min(y1, y2)), bottom = static_cast<float>(std::max(y1, y2));
    // The far edge moves out by one pixel so both corners are inside. With exactly one
    // axis equal the quad's winding flips and culling hides it; kept, as screens rely on
    // such rectangles drawing nothing.
    if (bottom > top) {
        bottom += 1;
    } else {
        top += 1;
    }
    if (right > left) {
        right += 1;
    } else {
        left += 1;
    }
    draw_primitive(colour, [&] { render_quad(left, top, right, bottom, 0, 0); });
}

void screen_draw_line(double x1, double y1, double x2, double y2, double colour)
{
    const float ax = static_cast<float>(x1), ay = static_cast<float>(y1 + 1);
    const float bx = static_cast<float>(x2), by = static_cast<float>(y2 + 1);
    draw_primitive(colour, [&] {
        render_line(ax, ay, bx, by);
        // Lines leave out their last pixel; the point puts it in.
        render_point(bx, by);
    });
}

void screen_draw_point(double x, double y, double colour)
{
    const float px = static_cast<float>(x), py = static_cast<float>(y + 1);
    draw_primitive(colour, [&] { render_point(px, py); });
}

void screen_use_as_background()
{
    OpenGLRainbows& d = *rt_display;
    BackgroundSlot& slot = d.backgrounds[0];
    const int W = d.width, H = d.height;
    // A 640 x 480 frame takes one tile of its own size (1.2 MB) where the driver allows it,
    // else one of 1024 x 512 (2 MB); a square tile took 1024 x 1024 (4 MB, all of it allocated
    // and cleared by a software renderer). The tile is drawn at its own size with the nearest
    // texel, so its size changes no pixel.
    const bool any_size = render_any_texture_size();
    const int TW = background_tile_side(W, any_size), TH = background_tile_side(H, any_size);

    atlas_flush();
    int columns = 0, rows = 0;
    for (int row = 0, y = 0; y < H && row < background_grid; ++row, y += TH) {
        for (int column = 0, x = 0; x < W && column < background_grid; ++column, x += TW) {
            BackgroundTile& tile = slot.tiles[column * background_grid + row];
            if (tile.texture == 0 || tile.texture_width != TW || tile.texture_height != TH) {
                render_texture_delete(tile.texture);
                // The background is drawn at its own size, where every pixel centre meets a
                // texel centre: the nearest texel is the same as a linear blend of them, and it
                // costs a software rasteriser much less on every frame.
                tile.texture = render_texture_create(nullptr, TW, TH, TextureFilter::nearest);
            }
            tile.texture_width = TW;
            tile.texture_height = TH;
            tile.used_width = std::min(TW, W - x);
            tile.used_height = std::min(TH, H - y);
            render_texture_copy_frame(tile.texture, 0, 0, x, H - y - tile.used_height,
                                      tile.used_width, tile.used_height);
            columns = std::max(columns, column + 1);
        }
        rows = row + 1;
    }
    slot.columns = columns;
    slot.rows = rows;
}

void screen_set_alpha_mode(double mode)
{
    OpenGLRainbows& d = *rt_display;
    atlas_flush();
    float a = std::isnan(mode) ? 0.0f : static_cast<float>(mode);
    if (a != 0) {
        render_set_blend(a > 0 ? BlendMode::additive : BlendMode::alpha);
    } else {
        render_set_blend(BlendMode::off);
        a = 1;
    }
    d.intensity = std::min(std::fabs(a), 1.0f);
    const float k = d.intensity;
    render_set_colour(k, k, k, k);
}

void screen_set_sprite_batching(bool on)
{
    atlas_flush();
    rt_display->atlas.batching = on;
}

void screen_flush_sprites()
{
    atlas_flush();
}
