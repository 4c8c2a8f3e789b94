// The font's BMP parsed directly (not through the game's reader): 14-byte file header, 40-byte
// info header, bottom-up rows of 3 bytes a pixel padded to 4 bytes, as tools/make_pictures.py
// writes them.
#include "support/font_text.h"

#include <cstdint>

#include "support/temp_dir.h"

namespace testing_support {

namespace {

std::uint32_t number_at(const std::string& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value * 256 + static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

}  // namespace

FontSheet read_font(const std::string& bmp_path)
{
    FontSheet font;
    const std::string bytes = read_file(bmp_path);
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0 || number_at(bytes, 28, 2) != 24 ||
        number_at(bytes, 30, 4) != 0) {
        return font;
    }
    const int width = static_cast<int>(number_at(bytes, 18, 4));
    const int height = static_cast<int>(number_at(bytes, 22, 4));
    const std::size_t offset = number_at(bytes, 10, 4);
    const std::size_t row_size = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (width <= 0 || height <= 0 || bytes.size() < offset + row_size * height) return font;
    font.picture.width = width;
    font.picture.height = height;
    font.picture.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + row_size * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                font.picture.rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
                    static_cast<std::uint8_t>(bytes[row + x * 3 + 2 - c]);
            }
        }
    }
    const int rows = width < height ? 16 : 8;
    font.cell_width = width / 16;
    font.cell_height = height / rows;
    font.cells = 16 * rows;
    return font;
}

std::string text_mismatch(const RgbPicture& frame, const FontSheet& font, const std::string& text,
                          int x, int y, int below_y)
{
    int wrong = 0, looked_at = 0;
    std::string first;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int code = static_cast<std::uint8_t>(text[i]) % font.cells;
        const int cell_x = (code % 16) * font.cell_width, cell_y = (code / 16) * font.cell_height;
        for (int v = 0; v < font.cell_height && y + v < below_y; ++v) {
            for (int u = 0; u < font.cell_width; ++u) {
                const Rgb glyph = font.picture.at(cell_x + u, cell_y + v);
                if (glyph == black) continue;
                ++looked_at;
                const int fx = x + static_cast<int>(i) * font.cell_width + u, fy = y + v;
                const Rgb shown = fx < frame.width && fy < frame.height ? frame.at(fx, fy) : black;
                if (shown == glyph) continue;
                if (wrong++ == 0) {
                    first = "(" + std::to_string(fx) + ", " + std::to_string(fy) + ")";
                }
            }
        }
    }
    if (looked_at == 0) return "the text \"" + text + "\" has no visible pixel in this font";
    if (wrong == 0) return "";
    return std::to_string(wrong) + " of " + std::to_string(looked_at) + " pixels of \"" + text +
           "\" differ, the first at " + first;
}

}  // namespace testing_support
