#include "support/bmp_bytes.h"

#include "support/little_endian.h"

namespace testing_support {

std::string Bmp::bytes() const
{
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(palette.size());
    std::string s = "BM";
    put32(s, offset + static_cast<std::uint32_t>(pixels.size()));
    put32(s, 0);
    put32(s, offset);
    put32(s, info_size);
    put32(s, static_cast<std::uint32_t>(width));
    put32(s, static_cast<std::uint32_t>(height));
    put16(s, 1);  // planes
    put16(s, bits);
    put32(s, 0);  // no compression
    put32(s, static_cast<std::uint32_t>(pixels.size()));
    put32(s, 2835), put32(s, 2835);  // 72 dpi
    put32(s, static_cast<std::uint32_t>(palette.size() / 4)), put32(s, 0);
    return s + palette + pixels;
}

}  // namespace testing_support
