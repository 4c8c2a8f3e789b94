// PNG files read back through libpng itself, not through the game's reader: the frames a
// program captured and the pictures the PNG writer wrote.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/rgb.h"

namespace testing_support {

struct RgbPicture {
    int width = 0, height = 0;      // 0 x 0 when the file could not be read
    std::vector<std::uint8_t> rgb;  // 3 bytes a pixel, top row first

    Rgb at(int x, int y) const;  // the colour at column x, row y (0 = top)
};

RgbPicture read_png(const std::string& path);  // any PNG, as 8-bit RGB

}  // namespace testing_support
