// What both image readers promise about their result, whatever the file held: a failed read
// leaves no picture, a successful one is a whole RGBA block within the readers' size limits.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "graphics/image.h"

inline void check_image_result(bool loaded, const Image& image)
{
    if (!loaded) {
        FUZZ_CHECK(image.width == 0 && image.height == 0 && image.rgba.empty());
        return;
    }
    FUZZ_CHECK(image.width >= 1 && image.width <= image_max_side);
    FUZZ_CHECK(image.height >= 1 && image.height <= image_max_side);
    FUZZ_CHECK(static_cast<std::int64_t>(image.width) * image.height <= image_max_pixels);
    FUZZ_CHECK(image.rgba.size() == static_cast<std::size_t>(image.width) * image.height * 4);
}
