// PNG reader through libpng: every PNG layout expanded to 8-bit grey, RGB or RGBA and then to
// RGBA with the colour key. libpng's errors jump back here and fail the load; its messages are
// not printed. Declared sizes are limited before the picture buffer is allocated.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/byte_reading.h"
#include "graphics/image.h"
#include "platform/files_open.h"
#include "platform/fs.h"

namespace {

constexpr png_alloc_size_t max_chunk_bytes = 8u << 20;  // one ancillary chunk, decompressed
constexpr png_uint_32 max_cached_chunks = 128;          // unknown and text chunks kept at most
constexpr std::uint64_t max_deflate_ratio = 1032;       // deflate never expands data more

[[noreturn]] void on_png_error(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Asks libpng for 8-bit samples, one per byte, with transparency as an alpha channel.
void request_expansions(png_structp png, png_infop info)
{
    const int colour_type = png_get_color_type(png, info);
    const int bit_depth = png_get_bit_depth(png, info);
    if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (bit_depth == 16) png_set_strip_16(png);  // keeps the high byte of each sample
    if (bit_depth < 8) png_set_packing(png);
    png_set_interlace_handling(png);
}

// A file cannot inflate to more than deflate's best ratio allows, so a picture whose raw
// samples need more than that cannot be complete; refusing it early keeps a tiny file from
// claiming a huge buffer. A one-bit picture can still expand 32-fold into RGBA, so the number
// of pixels has its own limit.
bool fits_in_file(png_structp png, png_infop info, std::uint64_t file_size)
{
    const std::uint64_t pixels = static_cast<std::uint64_t>(png_get_image_width(png, info)) *
                                 png_get_image_height(png, info);
    if (pixels > static_cast<std::uint64_t>(image_max_pixels)) return false;
    const std::uint64_t bits_per_pixel =
        static_cast<std::uint64_t>(png_get_channels(png, info)) * png_get_bit_depth(png, info);
    return pixels * bits_per_pixel / 8 <= file_size * max_deflate_ratio;
}

// Turns rows of 1, 3 or 4 bytes a pixel, each at the start of its own width * 4 bytes, into
// RGBA. Works from the right end of each row, so no pixel is overwritten before it is read.
void expand_to_rgba(Image& image, int channels, int colour_key)
{
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* row = image.rgba.data() + stride * y;
        for (int x = image.width - 1; x >= 0 && channels != 4; --x) {
            std::uint8_t* out = row + static_cast<std::size_t>(x) * 4;
            if (channels == 1) {
                const std::uint8_t grey = row[x];
                out[0] = out[1] = out[2] = grey, out[3] = 255;
                continue;
            }
            const std::uint8_t* in = row + static_cast<std::size_t>(x) * 3;
            const std::uint8_t r = in[0], g = in[1], b = in[2];
            if (colour_key != colour_key_none && r + g * 256 + b * 65536 == colour_key) {
                out[0] = out[1] = out[2] = out[3] = 0;
            } else {
                out[0] = r, out[1] = g, out[2] = b, out[3] = 255;
            }
        }
    }
}

// All libpng work happens here, so that its error jump only crosses libpng's C frames and lands
// in a function whose locals need no destruction; image and rows belong to the caller.
bool decode(std::FILE* file, std::uint64_t file_size, const std::string& path, Image* image,
            std::vector<png_bytep>* rows, int* channels)
{
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, image_max_side, image_max_side);
    png_set_chunk_malloc_max(png, max_chunk_bytes);
    png_set_chunk_cache_max(png, max_cached_chunks);
    png_init_io(png, file);

    png_read_info(png, info);
    const bool fits = fits_in_file(png, info, file_size);
    request_expansions(png, info);
    png_read_update_info(png, info);
    *channels = png_get_channels(png, info);
    if (!fits || !png_layout_supported(path, *channels, png_get_bit_depth(png, info),
                                       png_get_color_type(png, info))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }

    image->width = static_cast<int>(png_get_image_width(png, info));
    image->height = static_cast<int>(png_get_image_height(png, info));
    const std::size_t stride = static_cast<std::size_t>(image->width) * 4;
    image->rgba.resize(stride * image->height);
    rows->resize(image->height);
    for (int y = 0; y < image->height; ++y) (*rows)[y] = image->rgba.data() + stride * y;
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool png_layout_supported(const std::string& path, int channels, int bit_depth, int colour_type)
{
    if (channels == 2) return false;
    if (bit_depth != 8) {
        std::printf("File %s has bit depth %d.\n", path.c_str(), bit_depth);
        std::puts("Only bit depth of 8 is supported.");
        return false;
    }
    if (colour_type != PNG_COLOR_TYPE_GRAY && colour_type != PNG_COLOR_TYPE_RGB &&
        colour_type != PNG_COLOR_TYPE_RGB_ALPHA) {
        std::printf("File %s has unsupported color type.\n", path.c_str());
        std::puts("Types GRAY, RGB and RGB_ALPHA are supported.");
        return false;
    }
    return true;
}

bool png_read(const std::string& path, int colour_key, Image& out)
{
    out = Image{};
    FileHandle file(platform::open_file_for_reading(path));
    if (!file) return false;
    const std::int64_t file_size = platform::regular_file_size(file.get());
    if (file_size < 0) return false;
    Image image;
    std::vector<png_bytep> rows;
    int channels = 0;
    if (!decode(file.get(), static_cast<std::uint64_t>(file_size), path, &image, &rows,
                &channels)) {
        return false;
    }
    expand_to_rgba(image, channels, colour_key);
    out = std::move(image);
    return true;
}
