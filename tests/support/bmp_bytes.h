// BMP files built byte by byte: the pixel bytes exactly as stored, for the reader's tests, or
// a 24-bit picture from its colours.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A BMP file with a 40-byte info header and no compression. The pixel bytes are given exactly
// as stored (bottom row first, each row padded), so a test decides the padding and its
// contents itself.
struct Bmp {
    std::int32_t width = 1, height = 1;
    std::uint16_t bits = 24;
    std::string palette{};  // 4-byte entries: blue, green, red, reserved
    std::string pixels{};
    std::uint32_t info_size = 40;  // as declared; 40 bytes are written whatever it says

    std::string bytes() const;
};

// A 24-bit BMP file of width x height colours given top row first; any colour type with r, g
// and b members does (an alpha is not stored).
template <class Colour>
std::string bmp24(int width, int height, const std::vector<Colour>& top_down)
{
    Bmp bmp{.width = width, .height = height, .bits = 24};
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const Colour& c = top_down[static_cast<std::size_t>(y) * width + x];
            row += {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)};
        }
        row.resize((row.size() + 3) / 4 * 4, '\0');
        bmp.pixels += row;
    }
    return bmp.bytes();
}

}  // namespace testing_support
