// Colours for pixel-exact tests (frame-buffer RGB, decoded-image RGBA), printable in gtest
// messages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ostream>

#include "graphics/image.h"

namespace testing_support {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

constexpr Rgb black{0, 0, 0};
constexpr Rgb red{255, 0, 0};
constexpr Rgb green{0, 255, 0};
constexpr Rgb blue{0, 0, 255};
constexpr Rgb white{255, 255, 255};

// The colour as the drawing calls take it: red + green * 256 + blue * 65536.
constexpr double colour_of(Rgb c)
{
    return c.r + c.g * 256 + c.b * 65536;
}

struct Rgba {
    std::uint8_t r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rgba& c)
{
    return os << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}

// The pixel at column x, row y (0 = top) of a decoded picture.
inline Rgba pixel(const Image& image, int x, int y)
{
    const std::uint8_t* p = image.rgba.data() + (static_cast<std::size_t>(y) * image.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

}  // namespace testing_support
