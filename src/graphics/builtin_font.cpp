// The built-in 8 x 8 font: a 128 x 64 picture of white 5 x 6 glyphs with a near-black outline,
// built from a pattern table. It stands in for any font file that is missing or unreadable, so
// text is always readable. Pure CPU code: the picture goes into a font slot elsewhere.
#include <array>
#include <cstdint>

#include "graphics/fonts.h"

namespace {

constexpr int image_width = 128;  // 16 columns of 8-pixel cells
constexpr int image_height = 64;  // 8 rows of 8-pixel cells
constexpr int cell_size = 8;
constexpr int glyph_width = 5;
constexpr int glyph_height = 6;
constexpr int first_code = 32;  // the table starts at the space character

// One pattern per character 32..127, in code order, sixteen per line. Bit (5 x row + column)
// is glyph pixel (column, row), row 0 at the top; bits 30 and 31 carry nothing.
// clang-format off
constexpr std::array<std::uint32_t, 96> glyph_patterns = {
    0x00000000, 0x08021080, 0x00002940, 0x15F57D40, 0x08E619C4, 0x14222140, 0x0ED114E0, 0x00001080, 0x08210880, 0x04421040, 0x09575480, 0x08471080, 0x04400000, 0x00070000, 0x08000000, 0x04222100,
    0x00E5294E, 0x004210C4, 0x00E1390E, 0x00E4390E, 0x0084394A, 0x00E4384E, 0x00E5384E, 0x0042210E, 0x00E5394E, 0x00E4394E, 0x00020080, 0x00220080, 0x00820888, 0x000701C0, 0x00222082, 0x0040310E,
    0x00E0B526, 0x00A5394E, 0x00E5194E, 0x00E5094E, 0x00E52946, 0x00E1384E, 0x0021384E, 0x00E5284E, 0x00A5394A, 0x00E2108E, 0x00E5210C, 0x00A5194A, 0x00E10842, 0x015AD6BF, 0x00A5294E, 0x00E5294E,
    0x0021394E, 0x00F294A7, 0x00A5194E, 0x00E4384E, 0x0042108E, 0x00E5294A, 0x0045294A, 0x01FAD6B5, 0x00A5114A, 0x0042394A, 0x00E1110E, 0x00610846, 0x01041041, 0x00621086, 0x00000144, 0x00E00000,
    0x00000082, 0x00E53000, 0x00E53842, 0x00E13800, 0x00E53908, 0x08273800, 0x00423888, 0x08873800, 0x00A51842, 0x00421004, 0x04421004, 0x00A32842, 0x00421084, 0x015ABC00, 0x00A51800, 0x00E53800,
    0x04E51800, 0x10E53000, 0x00253800, 0x00E409C0, 0x00C23884, 0x00C52800, 0x00452800, 0x00EAD400, 0x00A22800, 0x1C872800, 0x00E121C0, 0x00821888, 0x00421084, 0x00223082, 0x0002A800, 0x3F18C63F,
};
// clang-format on

bool glyph_pixel(std::uint32_t pattern, int column, int row)
{
    if (column < 0 || column >= glyph_width || row < 0 || row >= glyph_height) return false;
    return (pattern >> (glyph_width * row + column)) & 1u;
}

void set_pixel(Image& image, int x, int y, std::uint8_t grey)
{
    std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
    p[0] = p[1] = p[2] = grey;
    p[3] = 255;
}

// Glyph pixel (column, row) sits at cell pixel (column + 1, row + 1), so the one-pixel outline
// around it (cell pixels 0..6 across, 0..7 down) stays inside the 8 x 8 cell.
void draw_glyph(Image& image, int code, std::uint32_t pattern)
{
    const int cell_x = (code % 16) * cell_size;
    const int cell_y = (code / 16) * cell_size;
    for (int row = -1; row <= glyph_height; ++row) {
        for (int column = -1; column <= glyph_width; ++column) {
            const int x = cell_x + column + 1, y = cell_y + row + 1;
            if (glyph_pixel(pattern, column, row)) {
                set_pixel(image, x, y, 255);
            } else if (glyph_pixel(pattern, column - 1, row) ||
                       glyph_pixel(pattern, column + 1, row) ||
                       glyph_pixel(pattern, column, row - 1) ||
                       glyph_pixel(pattern, column, row + 1)) {
                set_pixel(image, x, y, 8);
            }
        }
    }
}

}  // namespace

Image builtin_font_image()
{
    Image image;
    image.width = image_width;
    image.height = image_height;
    image.rgba.assign(static_cast<std::size_t>(image_width) * image_height * 4, 0);
    for (std::size_t i = 0; i < glyph_patterns.size(); ++i) {
        draw_glyph(image, first_code + static_cast<int>(i), glyph_patterns[i]);
    }
    return image;
}
