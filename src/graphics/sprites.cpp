// The sprite table: loading image files into power-of-two textures (picture bottom-up,
// colour bleeding, a mip-mapped second texture for sprites), grabbing back-buffer
// rectangles, freeing and size queries. Works on the tables of the display object.
#include "graphics/sprites.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "graphics/display.h"
#include "platform/fs.h"
#include "runtime/rt_number.h"

namespace {

// Grabs take the read-back path with its pink-key pass when the frame buffer has no
// destination alpha, or when a test asks for it.
bool force_read_back = false;

bool valid_id(int id)
{
    return id >= 0 && id < sprite_count;
}

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

// Transparent texels take the average colour of their opaque neighbours, so bilinear
// filtering blends an edge towards the picture's own colour instead of towards black.
// Neighbours on the block's outermost ring are not counted, which keeps every look-up
// inside the block; their alpha stays 0.
void bleed_colours(std::vector<std::uint8_t>& texels, int tw, int th)
{
    auto at = [&](int col, int row) {
        return &texels[(static_cast<std::size_t>(row) * tw + col) * 4];
    };
    for (int row = 0; row < th; ++row) {
        for (int col = 0; col < tw; ++col) {
            std::uint8_t* t = at(col, row);
            if (t[3] != 0) continue;
            int sum[3] = {0, 0, 0};
            int count = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int c = col + dx, r = row + dy;
                    if ((dx == 0 && dy == 0) || c < 1 || c > tw - 2 || r < 1 || r > th - 2)
                        continue;
                    const std::uint8_t* n = at(c, r);
                    if (n[3] == 0) continue;
                    for (int k = 0; k < 3; ++k) sum[k] += n[k];
                    ++count;
                }
            }
            for (int k = 0; k < 3; ++k)
                t[k] = static_cast<std::uint8_t>(count ? sum[k] / count : 0);
        }
    }
}

// One mip level down by 2 x 2 box filtering (2 x 1 once a side is down to one texel).
std::vector<std::uint8_t> half_level(const std::vector<std::uint8_t>& src, int w, int h, int& out_w,
                                     int& out_h)
{
    out_w = std::max(1, w / 2);
    out_h = std::max(1, h / 2);
    std::vector<std::uint8_t> dst(static_cast<std::size_t>(out_w) * out_h * 4);
    for (int row = 0; row < out_h; ++row) {
        for (int col = 0; col < out_w; ++col) {
            for (int k = 0; k < 4; ++k) {
                int sum = 0, count = 0;
                for (int r = row * 2; r < std::min(row * 2 + 2, h); ++r) {
                    for (int c = col * 2; c < std::min(col * 2 + 2, w); ++c) {
                        sum += src[(static_cast<std::size_t>(r) * w + c) * 4 + k];
                        ++count;
                    }
                }
                dst[(static_cast<std::size_t>(row) * out_w + col) * 4 + k] =
                    static_cast<std::uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return dst;
}

GLuint upload(const std::vector<std::uint8_t>& texels, int tw, int th, GLint filter)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return name;
}

// The second texture: the same texels with a full chain of smaller levels. Only the 3-D
// facility samples it.
GLuint upload_mipmapped(std::vector<std::uint8_t> level, int w, int h)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (int n = 0;; ++n) {
        glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        if (w == 1 && h == 1) break;
        level = half_level(level, w, h, w, h);
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
    // bottom, as the drawing's texture coordinates expect.
    std::vector<std::uint8_t> texels(static_cast<std::size_t>(tw) * th * 4, 0);
    const std::size_t row_bytes = static_cast<std::size_t>(w) * 4;
    for (int r = 0; r < h; ++r) {
        std::memcpy(&texels[static_cast<std::size_t>(h - 1 - r) * tw * 4],
                    &image.rgba[static_cast<std::size_t>(r) * image.width * 4], row_bytes);
    }
    if (!font) bleed_colours(texels, tw, th);

    set_unpack_defaults();
    delete_name(d.texture[id][0]);
    d.texture[id][0] = upload(texels, tw, th, font ? GL_NEAREST : GL_LINEAR);
    if (!font) {
        delete_name(d.texture[id][1]);
        d.texture[id][1] = upload_mipmapped(std::move(texels), tw, th);
    }
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

void sprite_load(const rt_string& file, double id_value)
{
    const int id = rt_to_int(id_value);
    if (!valid_id(id)) return;
    sprite_free(id);
    // Image names written with other letter case than on disk ("Show/Stein.bmp") still load.
    const std::string path = platform::resolve_name_ignoring_case(file.c_str());
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return;
    std::fclose(f);
    sprite_load_file(id, path, colour_key_sprite);
}

bool sprite_load_file(int id, const std::string& path, int colour_key)
{
    if (!valid_id(id)) return false;
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
    if (!valid_id(id)) return false;
    sprite_free(id);
    if (image.width <= 0 || image.height <= 0) return false;
    const std::size_t needed = static_cast<std::size_t>(image.width) * image.height * 4;
    if (image.rgba.size() < needed) return false;
    return build_textures(id, image);
}

void sprite_free(int id)
{
    screen_empty_sprite(id);
}

bool sprite_grab(double id_value, double x_value, double y_value, double width_value,
                 double height_value)
{
    const int id = rt_to_int(id_value);
    if (!valid_id(id)) return true;
    OpenGLRainbows& d = *rt_display;
    const int x = rt_to_int(x_value), y = rt_to_int(y_value);
    const int w = rt_to_int(width_value), h = rt_to_int(height_value);

    // Grabs get at least 32 x 32 texels; the limit keeps absurd sizes from overflowing.
    const int limit = max_texture_size();
    const int tw = power_of_two_at_least(w, 32, limit), th = power_of_two_at_least(h, 32, limit);

    set_unpack_defaults();
    if (d.texture[id][0] != 0 && d.texture_width[id] == tw && d.texture_height[id] == th) {
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
    glReadBuffer(GL_BACK);
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
    width = valid_id(id) ? rt_display->image_width[id] : 0;
    height = valid_id(id) ? rt_display->image_height[id] : 0;
}
