// The sprite table: loading image files into power-of-two textures (picture bottom-up,
// colour bleeding, a mip-mapped second texture for sprites), grabbing back-buffer
// rectangles, freeing and size queries. Works on the tables of the display object.
#include "graphics/sprites.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/rt_number.h"
#include "graphics/display.h"
#include "graphics/gl_shared.h"
#include "graphics/render_backend.h"
#include "graphics/sprite_atlas.h"
#include "graphics/texels.h"
#include "platform/files_open.h"
#include "platform/fs.h"

namespace {

// Grabs take the read-back path with its pink-key pass when the frame buffer has no
// destination alpha, or when a test asks for it.
bool force_read_back = false;

bool is_font_id(int id)
{
    return id >= font_sprite_base;
}

// The smallest power of two >= n, starting at first and never above limit.
int power_of_two_at_least(int n, int first, int limit)
{
    int size = first;
    while (size < n && size < limit) size *= 2;
    return size;
}

// Builds the sprite's textures from the whole image. A picture wider or taller than the GL
// limit keeps its top-left part in the texture while the stored image size stays the
// whole picture's.
bool build_textures(int id, const Image& image)
{
    OpenGLRainbows& d = *rt_display;
    const int limit = render_max_texture_size();
    const int w = std::min(image.width, limit), h = std::min(image.height, limit);
    if (w < 1 || h < 1) return false;
    const int tw = power_of_two_at_least(w, 2, limit), th = power_of_two_at_least(h, 2, limit);
    const bool font = is_font_id(id);

    // Picture row r (from the top) lands in texel row h - 1 - r: t = 0 is the picture's
    // bottom, as the drawing's texture coordinates expect. The padding is transparent black.
    const TexelBlock block = new_block(tw, th);
    std::uint8_t* const texels = block.get();
    const std::size_t row_bytes = static_cast<std::size_t>(w) * 4;
    const std::size_t texel_row_bytes = static_cast<std::size_t>(tw) * 4;
    for (int row = 0; row < th; ++row) {
        std::uint8_t* out = texels + static_cast<std::size_t>(row) * texel_row_bytes;
        std::size_t filled = 0;
        if (row < h) {
            std::memcpy(out, &image.rgba[static_cast<std::size_t>(h - 1 - row) * image.width * 4],
                        row_bytes);
            filled = row_bytes;
        }
        std::memset(out + filled, 0, texel_row_bytes - filled);
    }
    if (!font) bleed_colours(texels, tw, th, w, h);

    // Sprites (not fonts, whose filtering differs) are also drawn from a shared atlas.
    if (!font) atlas_add_sprite(d.atlas, id, texels, tw, th);
    SpriteEntry& sprite = d.sprites[id];
    render_texture_delete(sprite.texture[0]);
    sprite.texture[0] = new_sprite_texture(texels, tw, th, font);
    render_texture_delete(sprite.texture[1]);
    sprite.second_texture_due = !font;
    sprite.texture_width = tw;
    sprite.texture_height = th;
    sprite.image_width = image.width;
    sprite.image_height = image.height;
    return true;
}

// Pink screen pixels become transparent in a grab. The band of blues allows for frame
// buffers that do not store the key colour's blue of 128 exactly.
void key_grabbed_pixels(std::vector<std::uint8_t>& rgba)
{
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        std::uint8_t* p = &rgba[i];
        if (p[0] == 255 && p[1] == 0 && p[2] >= 127 && p[2] <= 132) p[3] = 0;
    }
}

// The part of the rectangle (x, y, w, h) in GL window coordinates that lies on the screen.
struct Span {
    int x0, y0, x1, y1;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

Span on_screen(int x, int y, int w, int h)
{
    const OpenGLRainbows& d = *rt_display;
    return {std::max(x, 0), std::max(y, 0), std::min(x + w, d.width), std::min(y + h, d.height)};
}

}  // namespace

std::uint32_t new_sprite_texture(const std::uint8_t* texels, int tw, int th, bool nearest)
{
    return render_texture_create(texels, tw, th,
                                 nearest ? TextureFilter::nearest : TextureFilter::linear);
}

void sprite_load(const rt_string& file, double id_value)
{
    const int id = rt_to_int(id_value);
    if (!valid_sprite_id(id)) return;
    sprite_free(id);
    // Image names written with other letter case than on disk ("Show/Stein.bmp") still load.
    const std::string path = platform::resolve_name_ignoring_case(file.c_str());
    std::FILE* f = platform::open_file_for_reading(path);
    if (f == nullptr) return;
    std::fclose(f);
    sprite_load_file(id, path, colour_key_sprite);
}

bool sprite_load_file(int id, const std::string& path, int colour_key)
{
    if (!valid_sprite_id(id)) return false;
    sprite_free(id);
    Image image;
    if (!bmp_read(path, colour_key, image)) {
        image = Image{};
        if (!png_read(path, colour_key, image)) return false;
    }
    return sprite_load_image(id, image);
}

bool sprite_load_image(int id, const Image& image)
{
    if (!valid_sprite_id(id)) return false;
    sprite_free(id);
    if (image.width <= 0 || image.height <= 0) return false;
    const std::size_t needed = static_cast<std::size_t>(image.width) * image.height * 4;
    if (image.rgba.size() < needed) return false;
    return build_textures(id, image);
}

void sprite_make_due_second_texture(int id)
{
    OpenGLRainbows& d = *rt_display;
    if (!valid_sprite_id(id) || !d.sprites.get(id).second_texture_due) return;
    SpriteEntry& sprite = d.sprites[id];
    sprite.second_texture_due = false;
    const int tw = sprite.texture_width, th = sprite.texture_height;
    const TexelBlock texels = new_block(tw, th);
    render_texture_read(sprite.texture[0], tw, th, texels.get());
    // The same texels with a full chain of smaller levels. Only the 3-D facility samples it.
    sprite.texture[1] = render_texture_create_mipmapped(texels.get(), tw, th);
}

void sprite_free(int id)
{
    screen_empty_sprite(id);
}

bool sprite_grab(double id_value, double x_value, double y_value, double width_value,
                 double height_value)
{
    const int id = rt_to_int(id_value);
    if (!valid_sprite_id(id)) return true;
    OpenGLRainbows& d = *rt_display;
    const int x = rt_to_int(x_value), y = rt_to_int(y_value);
    const int w = rt_to_int(width_value), h = rt_to_int(height_value);

    // Grabs get at least 32 x 32 texels; the limit keeps absurd sizes from overflowing.
    const int limit = render_max_texture_size();
    const int tw = power_of_two_at_least(w, 32, limit), th = power_of_two_at_least(h, 32, limit);

    // The grab reads the back buffer, so waiting sprites are drawn first; the grabbed picture
    // lives in the sprite's own texture only.
    atlas_flush();
    atlas_remove_sprite(d.atlas, id);
    SpriteEntry& sprite = d.sprites[id];
    if (sprite.texture[0] != 0 && sprite.texture_width == tw && sprite.texture_height == th) {
        // The second texture keeps the loaded picture, so it is made before the grab
        // overwrites the texels it comes from.
        sprite_make_due_second_texture(id);
    } else {
        render_texture_delete(sprite.texture[0]);
        render_texture_delete(sprite.texture[1]);
        sprite.texture[0] = render_texture_create(nullptr, tw, th, TextureFilter::linear);
    }

    // GL counts rows from the bottom: the rectangle's lower-left corner in window terms.
    const int gl_x = x, gl_y = d.height - y - h;
    if (render_frame_alpha_bits() >= 8 && !force_read_back) {
        // Destination alpha already holds what a pink primitive wrote: copy as it stands.
        const Span s = on_screen(gl_x, gl_y, std::min(w, tw), std::min(h, th));
        if (!s.empty()) {
            render_texture_copy_frame(sprite.texture[0], s.x0 - gl_x, s.y0 - gl_y, s.x0, s.y0,
                                      s.x1 - s.x0, s.y1 - s.y0);
        }
    } else {
        // The read covers the whole texel block from the rectangle's corner, so pixels right
        // of and above the rectangle come along (they fill the padding that bilinear
        // filtering touches at the edges). Only the part on the screen is read; texels
        // beyond the frame buffer keep whatever the texture held.
        const Span s = on_screen(gl_x, gl_y, tw, th);
        if (!s.empty()) {
            const int sw = s.x1 - s.x0, sh = s.y1 - s.y0;
            std::vector<std::uint8_t> rgba(static_cast<std::size_t>(sw) * sh * 4);
            render_read_frame(s.x0, s.y0, sw, sh, PixelLayout::rgba, rgba.data());
            key_grabbed_pixels(rgba);
            render_texture_upload(sprite.texture[0], s.x0 - gl_x, s.y0 - gl_y, sw, sh, rgba.data());
        }
    }

    sprite.texture_width = tw;
    sprite.texture_height = th;
    sprite.image_width = w;
    sprite.image_height = h;
    return true;
}

void sprite_grab_force_read_back(bool on)
{
    force_read_back = on;
}

void sprite_get_size(double id_value, double& width, double& height)
{
    const int id = rt_to_int(id_value);
    width = valid_sprite_id(id) ? rt_display->sprites.get(id).image_width : 0;
    height = valid_sprite_id(id) ? rt_display->sprites.get(id).image_height : 0;
}
