// Fuzz target for the BMP reader: any bytes either load as a well-formed picture within the
// readers' size limits or fail leaving no picture behind.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "graphics/image.h"
#include "image_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::write_input("input.bmp", data, size);
    Image image{.width = 3, .height = 3, .rgba = std::vector<std::uint8_t>(36)};
    const bool loaded = bmp_read(path, colour_key_sprite, image);
    check_image_result(loaded, image);
    // BMP has no alpha of its own: exactly the pixels of the key colour are transparent.
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
        const std::uint8_t* p = &image.rgba[i];
        const bool key = p[0] == 255 && p[1] == 0 && p[2] == 128;
        FUZZ_CHECK(p[3] == (key ? 0 : 255));
    }
    return 0;
}
