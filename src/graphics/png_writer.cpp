// PNG files from RGB pictures (8 bits a sample, no interlace) through libpng. The file is
// encoded in memory first and then written in one crash-safe step, so a failure never leaves
// a partial picture behind.
#include "graphics/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "platform/fs.h"

namespace {

void append_to_buffer(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void no_flush(png_structp) {}

// Kept apart from the caller so that libpng's error jump only crosses C frames and this
// function's trivially destructible locals; rows and out belong to the caller.
bool encode(int width, int height, png_bytepp rows, std::vector<std::uint8_t>* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, append_to_buffer, no_flush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool png_write_rgb(const std::string& path, int width, int height, const std::uint8_t* rgb)
{
    if (path.empty() || width <= 0 || height <= 0 || rgb == nullptr) return false;
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        // libpng only reads the rows it is given; its row type is merely not const.
        rows[y] = const_cast<png_bytep>(rgb + row * y);
    }
    std::vector<std::uint8_t> encoded;
    if (!encode(width, height, rows.data(), &encoded)) return false;
    return platform::replace_file_contents(path, encoded.data(), encoded.size());
}
