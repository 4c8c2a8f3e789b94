// BMP reader: uncompressed 8-, 24- and 32-bit pictures into RGBA with an optional colour key.
// Every size the file declares is checked against the file's real length before anything is
// allocated for it, so a hostile file fails like an unreadable one: no crash, no huge buffer.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "core/byte_reading.h"
#include "graphics/image.h"
#include "platform/files_open.h"
#include "platform/fs.h"

namespace {

constexpr std::uint64_t file_header_size = 14;
constexpr std::uint64_t info_header_size = 40;  // width, height, depth and the palette start

bool read_exactly(std::FILE* file, std::uint8_t* into, std::size_t count)
{
    return std::fread(into, 1, count, file) == count;
}

bool is_colour_key(int colour_key, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return colour_key != colour_key_none && r + g * 256 + b * 65536 == colour_key;
}

bool read_bmp_file(std::FILE* file, int colour_key, Image& image)
{
    const std::int64_t size = platform::regular_file_size(file);
    if (size < 0) return false;
    const auto file_size = static_cast<std::uint64_t>(size);

    std::uint8_t header[file_header_size];
    if (!read_exactly(file, header, sizeof header)) return false;
    if (header[0] != 'B' || header[1] != 'M') return false;

    // The info header and the palette fill the gap up to the pixel data; the gap must hold at
    // least the fields read below and the header size the file declares for itself.
    const std::uint64_t pixel_offset = read_le32(header + 10);
    if (pixel_offset < file_header_size + info_header_size || pixel_offset > file_size) {
        return false;
    }
    std::vector<std::uint8_t> info(pixel_offset - file_header_size);
    if (!read_exactly(file, info.data(), info.size())) return false;
    const std::uint64_t declared_info_size = read_le32(info.data());
    if (declared_info_size > info.size()) return false;

    const auto width = static_cast<std::int32_t>(read_le32(info.data() + 4));
    const auto signed_height = static_cast<std::int32_t>(read_le32(info.data() + 8));
    const int bits = read_le16(info.data() + 14);
    if (width <= 0 || signed_height == 0 || signed_height == INT32_MIN) return false;
    const std::int32_t height = signed_height < 0 ? -signed_height : signed_height;
    if (width > image_max_side || height > image_max_side) return false;
    if (static_cast<std::int64_t>(width) * height > image_max_pixels) return false;
    if (bits != 8 && bits != 24 && bits != 32) return false;

    const std::uint64_t row_size = (static_cast<std::uint64_t>(width) * bits / 8 + 3) / 4 * 4;
    if (row_size * static_cast<std::uint64_t>(height) > file_size - pixel_offset) return false;

    // The palette follows the info header: at offset 40 for the plain header, later for the
    // longer version 4 and 5 headers (reading those at 40 would show wrong colours). Only the
    // entries that fit between the header's end and the pixel data are present; an index
    // beyond them makes the file unreadable.
    const std::uint64_t header_end =
        declared_info_size > info_header_size ? declared_info_size : info_header_size;
    const std::uint64_t palette_entries = (info.size() - header_end) / 4;
    const std::uint8_t* palette = info.data() + header_end;

    // The pixel rows are read in one call (their size was checked against the file above) and
    // converted with one loop per depth. Not zeroed first: the read fills it.
    const std::size_t pixel_bytes = row_size * static_cast<std::uint64_t>(height);
    const std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[pixel_bytes]);
    if (!read_exactly(file, pixels.get(), pixel_bytes)) return false;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    const auto put = [colour_key](std::uint8_t* out, std::uint8_t r, std::uint8_t g,
                                  std::uint8_t b) {
        out[0] = r, out[1] = g, out[2] = b;
        out[3] = is_colour_key(colour_key, r, g, b) ? 0 : 255;
    };
    // Rows are stored bottom row first. A negative height would mark a top-down file, but the
    // rows are taken bottom-up all the same, so such a picture comes out upside down; kept so
    // that every picture loads exactly as the programs written for this runtime expect.
    for (std::int32_t file_row = 0; file_row < height; ++file_row) {
        const std::uint8_t* row = pixels.get() + file_row * row_size;
        std::uint8_t* out =
            rgba.data() + static_cast<std::size_t>(height - 1 - file_row) * width * 4;
        if (bits == 8) {
            for (std::int32_t x = 0; x < width; ++x, out += 4) {
                const std::uint8_t index = row[x];
                if (index >= palette_entries) return false;
                const std::uint8_t* entry = palette + index * 4;  // blue, green, red, reserved
                put(out, entry[2], entry[1], entry[0]);
            }
        } else {
            // Blue, green, red; a 32-bit pixel's 4th byte is ignored.
            const int step = bits / 8;
            for (const std::uint8_t* pixel = row; pixel < row + width * step;
                 pixel += step, out += 4)
                put(out, pixel[2], pixel[1], pixel[0]);
        }
    }
    image.width = width;
    image.height = height;
    image.rgba = std::move(rgba);
    return true;
}

}  // namespace

bool bmp_read(const std::string& path, int colour_key, Image& out)
{
    out = Image{};
    FileHandle file(platform::open_file_for_reading(path));
    if (!file) return false;
    Image image;
    if (!read_bmp_file(file.get(), colour_key, image)) return false;
    out = std::move(image);
    return true;
}
