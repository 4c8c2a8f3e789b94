// Fuzz target for the PNG reader through libpng: any bytes either load as a well-formed
// picture within the readers' size limits or fail leaving no picture behind, and libpng's
// error jumps leak nothing.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "graphics/image.h"
#include "image_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::write_input("input.png", data, size);
    // Half of the inputs without a colour key, so that both conversions of RGB pixels run.
    const int key = size % 2 == 0 ? colour_key_sprite : colour_key_none;
    Image image{.width = 3, .height = 3, .rgba = std::vector<std::uint8_t>(36)};
    check_image_result(png_read(path, key, image), image);
    return 0;
}
