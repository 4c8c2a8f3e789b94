// The sprite table: loading image files into power-of-two textures (picture bottom-up,
// colour bleeding, a mip-mapped second texture for sprites), grabbing back-buffer
// rectangles, freeing and size queries. Works on the tables of the display object.
#include "graphics/sprites.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/rt_number.h"
#include "graphics/display.h"
#include "graphics/gl_shared.h"
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

int max_texture_size()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? size : 64;  // GL 1.x guarantees at least 64
}

// The smallest power of two >= n, starting at first and never above limit.
int power_of_two_at_least(int n, int first, int limit)
{
    int size = first;
    while (size < n && size < limit) size *= 2;
    return size;
}

void set_unpack_defaults()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

void delete_name(std::uint32_t& name)
{
    if (name != 0) glDeleteTextures(1, &name);
    name = 0;
}

// The second texture: the same texels with a full chain of smaller levels. Only the 3-D
// facility samples it.
GLuint upload_mipmapped(const std::uint8_t* first, int w, int h)
{
    const GLuint name = new_sprite_texture(first, w, h, false);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    TexelBlock level;
    const std::uint8_t* texels = first;
    for (int n = 1; w > 1 || h > 1; ++n) {
        level = half_level(texels, w, h, w, h);
        texels = level.get();
        glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    }
    return name;
}

// Builds the sprite's textures from the whole image. A picture wider or taller than the GL
// limit keeps its top-left part in the texture while the stored image size stays the
// whole picture's.
bool build_textures(int id, const Image& image)
{
    OpenGLRainbows& d = *rt_display;
    const int limit = max_texture_size();
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
    set_unpack_defaults();
    delete_name(d.texture[id][0]);
    d.texture[id][0] = new_sprite_texture(texels, tw, th, font);
    delete_name(d.texture[id][1]);
    d.second_texture_due[id] = !font;
    d.texture_width[id] = tw;
    d.texture_height[id] = th;
    d.image_width[id] = image.width;
    d.image_height[id] = image.height;
    return true;
}

// The kept alpha depth of the frame buffer; asked again while it reads 0.
int frame_buffer_alpha_bits()
{
    static GLint bits = 0;
    if (bits == 0) glGetIntegerv(GL_ALPHA_BITS, &bits);
    return bits;
}

// Pink screen pixels become transparent in a grab. The band of blues allows for frame
// buffers that do not store the key colour's blue of 128 exactly.
void key_grabbed_pixels(std::vector<std::uint8_t>& bgra)
{
    for (std::size_t i = 0; i + 3 < bgra.size(); i += 4) {
        std::uint8_t* p = &bgra[i];
        if (p[0] >= 127 && p[0] <= 132 && p[1] == 0 && p[2] == 255) p[3] = 0;
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
    const GLint filter = nearest ? GL_NEAREST : GL_LINEAR;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    return name;
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
    if (!valid_sprite_id(id) || !d.second_texture_due[id]) return;
    d.second_texture_due[id] = false;
    const int tw = d.texture_width[id], th = d.texture_height[id];
    const TexelBlock texels = new_block(tw, th);
    glBindTexture(GL_TEXTURE_2D, d.texture[id][0]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.get());
    set_unpack_defaults();
    d.texture[id][1] = upload_mipmapped(texels.get(), tw, th);
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
    const int limit = max_texture_size();
    const int tw = power_of_two_at_least(w, 32, limit), th = power_of_two_at_least(h, 32, limit);

    // The grab reads the back buffer, so waiting sprites are drawn first; the grabbed picture
    // lives in the sprite's own texture only.
    atlas_flush();
    atlas_remove_sprite(d.atlas, id);
    set_unpack_defaults();
    if (d.texture[id][0] != 0 && d.texture_width[id] == tw && d.texture_height[id] == th) {
        // The second texture keeps the loaded picture, so it is made before the grab
        // overwrites the texels it comes from.
        sprite_make_due_second_texture(id);
        glBindTexture(GL_TEXTURE_2D, d.texture[id][0]);
    } else {
        delete_name(d.texture[id][0]);
        delete_name(d.texture[id][1]);
        glGenTextures(1, &d.texture[id][0]);
        glBindTexture(GL_TEXTURE_2D, d.texture[id][0]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    }

    // GL counts rows from the bottom: the rectangle's lower-left corner in window terms.
    const int gl_x = x, gl_y = d.height - y - h;
    glReadBuffer(scaled_frame_read_buffer(*rt_display));
    if (frame_buffer_alpha_bits() >= 8 && !force_read_back) {
        // Destination alpha already holds what a pink primitive wrote: copy as it stands.
        const Span s = on_screen(gl_x, gl_y, std::min(w, tw), std::min(h, th));
        if (!s.empty()) {
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, s.x0 - gl_x, s.y0 - gl_y, s.x0, s.y0, s.x1 - s.x0,
                                s.y1 - s.y0);
        }
    } else {
        // The read covers the whole texel block from the rectangle's corner, so pixels right
        // of and above the rectangle come along (they fill the padding that bilinear
        // filtering touches at the edges). Only the part on the screen is read; texels
        // beyond the frame buffer keep whatever the texture held.
        const Span s = on_screen(gl_x, gl_y, tw, th);
        if (!s.empty()) {
            const int sw = s.x1 - s.x0, sh = s.y1 - s.y0;
            std::vector<std::uint8_t> bgra(static_cast<std::size_t>(sw) * sh * 4);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glPixelStorei(GL_PACK_ROW_LENGTH, 0);
            glPixelStorei(GL_PACK_SKIP_ROWS, 0);
            glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
            glReadPixels(s.x0, s.y0, sw, sh, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
            key_grabbed_pixels(bgra);
            glTexSubImage2D(GL_TEXTURE_2D, 0, s.x0 - gl_x, s.y0 - gl_y, sw, sh, GL_BGRA,
                            GL_UNSIGNED_BYTE, bgra.data());
        }
    }

    d.texture_width[id] = tw;
    d.texture_height[id] = th;
    d.image_width[id] = w;
    d.image_height[id] = h;
    return true;
}

void sprite_grab_force_read_back(bool on)
{
    force_read_back = on;
}

void sprite_get_size(double id_value, double& width, double& height)
{
    const int id = rt_to_int(id_value);
    width = valid_sprite_id(id) ? rt_display->image_width[id] : 0;
    height = valid_sprite_id(id) ? rt_display->image_height[id] : 0;
}
