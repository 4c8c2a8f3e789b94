// Bitmap fonts: 16 slots held as the sprites 65520..65535, the current font, and printing a
// string as one batch of textured quads, one 16-column grid cell per byte at a fixed advance.
// A font file that is missing or does not load gives the built-in font, never an error.
#include "graphics/fonts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "core/rt_number.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/render_backend.h"
#include "graphics/sprites.h"
#include "platform/files_open.h"
#include "platform/fs.h"

namespace {

constexpr int font_slot_count = 16;

int current_font = 0;

int font_index(double index)
{
    return std::clamp(rt_to_int(index), 0, font_slot_count - 1);
}

// A font image is a grid of 16 columns: 16 rows when it is taller than wide, else 8.
int grid_rows(int image_width, int image_height)
{
    return image_width < image_height ? 16 : 8;
}

bool file_can_be_read(const std::string& path)
{
    std::FILE* file = platform::open_file_for_reading(path);
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

}  // namespace

void text_load_font(const rt_string& file, double index)
{
    const int slot = font_index(index);
    current_font = slot;
    const int id = font_sprite_base + slot;
    const std::string path = platform::resolve_name_ignoring_case(file.c_str());
    if (!path.empty() && file_can_be_read(path) && sprite_load_file(id, path, colour_key_font)) {
        return;
    }
    sprite_load_image(id, builtin_font_image());
}

void text_set_font(double index)
{
    current_font = font_index(index);
}

int text_current_font()
{
    return current_font;
}

void text_get_font_size(double& width, double& height)
{
    const int id = font_sprite_base + current_font;
    const int iw = rt_display->sprites.get(id).image_width;
    const int ih = rt_display->sprites.get(id).image_height;
    width = iw / 16;
    height = ih / grid_rows(iw, ih);
}

int text_font_cells()
{
    if (rt_display == nullptr) return 0;
    const int id = font_sprite_base + current_font;
    const int iw = rt_display->sprites.get(id).image_width;
    const int ih = rt_display->sprites.get(id).image_height;
    if (iw <= 0 || ih <= 0) return 0;
    return 16 * grid_rows(iw, ih);
}

void text_print(const rt_string& text, double x, double y)
{
    const int id = font_sprite_base + current_font;
    const int iw = rt_display->sprites.get(id).image_width;
    const int ih = rt_display->sprites.get(id).image_height;
    const int tw = rt_display->sprites.get(id).texture_width;
    const int th = rt_display->sprites.get(id).texture_height;

    const int rows = grid_rows(iw, ih);
    const int cells = 16 * rows;
    const int cw = iw / 16;
    const int ch = ih / rows;
    const float du = (static_cast<float>(iw) / static_cast<float>(tw)) / 16.0f;
    const float dv = (static_cast<float>(ih) / static_cast<float>(th)) / static_cast<float>(rows);

    float left = static_cast<float>(std::ceil(x));
    const float top = static_cast<float>(std::ceil(y));
    const float bottom = top + static_cast<float>(ch);

    sprite_bind(id, -1, 0);
    // A never-loaded slot has no cells; an empty text has no bytes. Either draws nothing.
    if (cw <= 0 || ch <= 0 || text.empty()) return;

    // The texture holds the picture bottom-up, so grid row 0 (the top of the picture) has the
    // highest t. Line feeds and tabs are cells like any other byte.
    static std::vector<TexturedRect> glyphs;
    glyphs.clear();
    for (std::uint32_t i = 0; i < text.length; ++i) {
        const int code = static_cast<unsigned char>(text.data[i]) % cells;
        const int column = code % 16;
        const int row = code / 16;
        const float s0 = static_cast<float>(column) * du;
        const float s1 = s0 + du;
        const float t0 = static_cast<float>(rows - 1 - row) * dv;
        const float t1 = static_cast<float>(rows - row) * dv;
        const float right = left + static_cast<float>(cw);
        glyphs.push_back(TexturedRect{left, top, right, bottom, s0, t0, s1, t1});
        left = right;
    }
    render_rects(glyphs.data(), static_cast<int>(glyphs.size()));
}

void text_print_number(double number, double x, double y)
{
    char digits[rt_number_text_size];
    rt_number_to_text(number, digits);
    text_print(digits, x, y);
}
