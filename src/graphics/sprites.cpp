// The sprite table: loading image files into power-of-two textures (picture bottom-up,
// colour bleeding, a mip-mapped second texture for sprites), grabbing back-buffer
// rectangles, freeing and size queries. Works on the tables of the display object.
#include "graphics/sprites.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/rt_number.h"
#include "graphics/display.h"
#include "graphics/sprite_atlas.h"
#include "platform/fs.h"

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

// A transparent texel takes the average colour of its opaque neighbours. Neighbours on the
// block's outermost ring are not counted, which keeps every look-up inside the block.
void bleed_texel(std::uint8_t* block, int tw, int th, int col, int row)
{
    int sum[3] = {0, 0, 0};
    int count = 0;
    for (int r = std::max(row - 1, 1); r <= std::min(row + 1, th - 2); ++r) {
        for (int c = std::max(col - 1, 1); c <= std::min(col + 1, tw - 2); ++c) {
            const std::uint8_t* n = block + (static_cast<std::size_t>(r) * tw + c) * 4;
            if ((r == row && c == col) || n[3] == 0) continue;
            for (int k = 0; k < 3; ++k) sum[k] += n[k];
            ++count;
        }
    }
    std::uint8_t* t = block + (static_cast<std::size_t>(row) * tw + col) * 4;
    for (int k = 0; k < 3; ++k) t[k] = static_cast<std::uint8_t>(count ? sum[k] / count : 0);
}

// floor(sum / count) for a colour channel summed over up to eight texels, as a multiplication:
// (sum * reciprocal[count]) >> 16. reciprocal[0] is 0, which gives 0 for a texel without an
// opaque neighbour.
constexpr std::array<std::uint32_t, 9> reciprocal = {0,     65536, 32768, 21846, 16384,
                                                     13108, 10923, 9363,  8192};

constexpr bool reciprocals_divide_exactly()
{
    for (std::uint32_t count = 1; count <= 8; ++count) {
        for (std::uint32_t sum = 0; sum <= 8 * 255; ++sum) {
            if (((sum * reciprocal[count]) >> 16) != sum / count) return false;
        }
    }
    return true;
}
static_assert(reciprocals_divide_exactly());

// bleed_texel for a texel whose eight neighbours all lie inside the outermost ring, the
// common case, without bounds tests or branches per neighbour.
void bleed_inner_texel(std::uint8_t* t, std::size_t stride)
{
    const std::uint8_t* neighbours[8] = {t - stride - 4, t - stride, t - stride + 4, t - 4, t + 4,
                                         t + stride - 4, t + stride, t + stride + 4};
    // Inside a transparent area, the usual case, there is nothing to average.
    std::uint32_t any_alpha = 0;
    for (const std::uint8_t* n : neighbours) any_alpha |= n[3];
    if (any_alpha == 0) {
        t[0] = t[1] = t[2] = 0;
        return;
    }
    std::uint32_t sum[3] = {0, 0, 0};
    std::uint32_t count = 0;
    for (const std::uint8_t* n : neighbours) {
        const std::uint32_t opaque = n[3] != 0 ? 1 : 0;
        const std::uint32_t mask = 0u - opaque;
        for (int k = 0; k < 3; ++k) sum[k] += n[k] & mask;
        count += opaque;
    }
    for (int k = 0; k < 3; ++k)
        t[k] = static_cast<std::uint8_t>((sum[k] * reciprocal[count]) >> 16);
}

// Transparent texels take the average colour of their opaque neighbours, so bilinear
// filtering blends an edge towards the picture's own colour instead of towards black; their
// alpha stays 0. Only the picture (w x h texels from the corner) is opaque anywhere, so
// texels beyond its next column and row have no opaque neighbour: they are padding and stay
// 0 as they are. Only opaque texels are read, and only transparent ones written, so the order
// of the visits does not matter.
void bleed_colours(std::uint8_t* block, int tw, int th, int w, int h)
{
    const int rows = std::min(h + 1, th), columns = std::min(w + 1, tw);
    const std::size_t stride = static_cast<std::size_t>(tw) * 4;
    for (int row = 0; row < rows; ++row) {
        std::uint8_t* const line = block + static_cast<std::size_t>(row) * stride;
        const bool inner_row = row >= 2 && row <= th - 3;
        for (int col = 0; col < columns; ++col) {
            // Runs of eight opaque texels are passed over with one test instead of eight.
            while (col + 8 <= columns) {
                unsigned all_opaque = 1;
                for (int k = 0; k < 8; ++k) all_opaque &= line[(col + k) * 4 + 3] != 0 ? 1u : 0u;
                if (all_opaque == 0) break;
                col += 8;
            }
            if (col >= columns) break;
            if (line[col * 4 + 3] != 0) continue;
            if (inner_row && col >= 2 && col <= tw - 3) {
                bleed_inner_texel(line + col * 4, stride);
            } else {
                bleed_texel(block, tw, th, col, row);
            }
        }
    }
}

// A block of texels. Every byte is written before it is read, so the block starts
// uninitialised: each byte of a large picture's megabytes is then written once, not twice.
using TexelBlock = std::unique_ptr<std::uint8_t[]>;

TexelBlock new_block(int w, int h)
{
    return TexelBlock(new std::uint8_t[static_cast<std::size_t>(w) * h * 4]);
}

// One mip level down by 2 x 2 box filtering (2 x 1 once a side is down to one texel), each
// channel rounded to nearest: (sum + count / 2) / count.
TexelBlock half_level(const std::uint8_t* src, int w, int h, int& out_w, int& out_h)
{
    out_w = std::max(1, w / 2);
    out_h = std::max(1, h / 2);
    TexelBlock dst = new_block(out_w, out_h);
    if (w % 2 == 0 && h % 2 == 0) {
        // Every texel of the level below has its full 2 x 2 block (the sizes are powers of two).
        const std::size_t stride = static_cast<std::size_t>(w) * 4;
        for (int row = 0; row < out_h; ++row) {
            const std::uint8_t* __restrict top = &src[static_cast<std::size_t>(row) * 2 * stride];
            const std::uint8_t* __restrict bottom = top + stride;
            std::uint8_t* __restrict out = &dst[static_cast<std::size_t>(row) * out_w * 4];
            for (int x = 0; x < out_w; ++x) {
                const std::uint8_t* a = top + 8 * x;
                const std::uint8_t* b = bottom + 8 * x;
                for (int c = 0; c < 4; ++c)
                    out[4 * x + c] =
                        static_cast<std::uint8_t>((a[c] + a[c + 4] + b[c] + b[c + 4] + 2) >> 2);
            }
        }
        return dst;
    }
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

void sprite_make_due_second_texture(int id)
{
    OpenGLRainbows& d = *rt_display;
    if (!valid_id(id) || !d.second_texture_due[id]) return;
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
    if (!valid_id(id)) return true;
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
