// Tests for the PNG reader: the PNG suite against reference pixels, the expansions and the colour
// key on files written here with libpng, the refusals and their messages on standard output, and
// hostile files (truncated, bad checksums, huge dimensions) that must fail without harm.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "support/allocation_tracker.h"
#include "support/rgb.h"
#include "support/temp_dir.h"

using testing_support::largest_allocation_during;

namespace {

using testing_support::files_in;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

const std::string data_dir = BRILLOX_TEST_DATA;

using testing_support::pixel;
using testing_support::Rgba;

// A PNG to be written with libpng: samples are given as the file stores them (packed, 16-bit
// samples big-endian), top row first, without filter bytes.
struct Png {
    int width = 1, height = 1;
    int colour_type = PNG_COLOR_TYPE_RGB;
    int bit_depth = 8;
    bool interlaced = false;
    std::vector<std::uint8_t> samples{};
    std::vector<png_color> palette{};
    std::vector<png_byte> palette_alpha{};      // a tRNS chunk for a palette image
    std::optional<png_color_16> transparent{};  // a tRNS chunk for a grey or RGB image
};

void append_to_string(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

void no_flush(png_structp) {}

std::string encode(const Png& picture)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const int channels = picture.colour_type == PNG_COLOR_TYPE_RGB          ? 3
                         : picture.colour_type == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : picture.colour_type == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                            : 1;
    const std::size_t row_bytes = (picture.width * channels * picture.bit_depth + 7) / 8;
    EXPECT_EQ(picture.samples.size(), row_bytes * picture.height)
        << "test picture of the wrong size";
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; ++y) {
        rows.push_back(const_cast<png_bytep>(picture.samples.data()) + row_bytes * y);
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng refused to write the test picture";
        return "";
    }
    png_set_write_fn(png, &out, append_to_string, no_flush);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bit_depth, picture.colour_type,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty()) {
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    }
    if (!picture.palette_alpha.empty()) {
        png_set_tRNS(png, info, picture.palette_alpha.data(),
                     static_cast<int>(picture.palette_alpha.size()), nullptr);
    }
    if (picture.transparent) {
        png_color_16 colour = *picture.transparent;
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool read_bytes(const std::string& bytes, int colour_key, Image& out)
{
    TempDir tmp;
    write_file(tmp.file("picture.png"), bytes);
    return png_read(tmp.file("picture.png"), colour_key, out);
}

std::uint32_t big_endian32(const std::string& s, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 2])) << 8 |
           static_cast<std::uint8_t>(s[at + 3]);
}

void poke_big_endian32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i) & 0xFF);
}

// Recomputes the checksum of the chunk whose length field starts at `at`.
void fix_crc(std::string& s, std::size_t at)
{
    const std::uint32_t length = big_endian32(s, at);
    const auto* type = reinterpret_cast<const Bytef*>(s.data() + at + 4);
    poke_big_endian32(s, at + 8 + length, crc32(0, type, length + 4));
}

constexpr std::size_t ihdr_at = 8;  // the IHDR chunk follows the 8-byte signature

// Offset of the first chunk of the given type, or npos.
std::size_t find_chunk(const std::string& s, const char* type)
{
    for (std::size_t at = 8; at + 12 <= s.size();) {
        if (s.compare(at + 4, 4, type) == 0) return at;
        at += 12 + static_cast<std::size_t>(big_endian32(s, at));
    }
    return std::string::npos;
}

// --- The PNG suite -------------------------------------------------------------------------

TEST(PngReader, EveryPngSuiteFileDecodesToItsReferencePixelsOrFailsByDesign)
{
    int compared = 0, refused = 0, corrupt = 0;
    for (const auto& path : files_in(data_dir + "/pngsuite/png")) {
        const std::string name = path.stem().string();
        const std::string bytes = read_file(path.string());
        Image image;
        bool loaded = false;
        const std::size_t largest = largest_allocation_during(
            [&] { loaded = png_read(path.string(), colour_key_none, image); });
        EXPECT_LE(largest, 64u * 1024) << name;  // the suite's pictures are small

        if (name[0] == 'x') {  // deliberately corrupt
            EXPECT_FALSE(loaded) << name;
            EXPECT_TRUE(image.rgba.empty()) << name;
            ++corrupt;
            continue;
        }
        const int bit_depth = bytes[24], colour_type = bytes[25];
        const bool has_trns = find_chunk(bytes, "tRNS") != std::string::npos;
        // Grey with alpha, and grey with a transparent value (which expands to grey with
        // alpha), have two channels and are refused.
        if (colour_type == PNG_COLOR_TYPE_GRAY_ALPHA ||
            (colour_type == PNG_COLOR_TYPE_GRAY && has_trns)) {
            EXPECT_FALSE(loaded) << name;
            ++refused;
            continue;
        }
        ASSERT_TRUE(loaded) << name;
        const std::string reference = read_file(data_dir + "/pngsuite/rgba/" + name + ".rgba");
        if (reference.empty()) continue;  // compared through its BMP twin below
        ASSERT_EQ(reference.size(), image.rgba.size()) << name;
        // The reference reduced 16-bit samples by rounding; the reader keeps the high byte.
        const int tolerance = bit_depth == 16 ? 1 : 0;
        int worst = 0;
        for (std::size_t i = 0; i < reference.size(); ++i) {
            worst =
                std::max(worst, std::abs(static_cast<std::uint8_t>(reference[i]) - image.rgba[i]));
        }
        EXPECT_LE(worst, tolerance) << name;
        ++compared;
    }
    EXPECT_EQ(corrupt, 14);
    EXPECT_EQ(refused, 10);
    EXPECT_EQ(compared, 149);
}

// The 16-bit RGBA pictures have no reference file; their 32-bit BMP copies carry the rounded
// colours.
TEST(PngReader, SixteenBitAlphaPicturesMatchTheirBmpCopies)
{
    for (const char* name : {"basn6a16", "basi6a16"}) {
        Image png, bmp;
        ASSERT_TRUE(png_read(data_dir + "/pngsuite/png/" + name + ".png", colour_key_none, png));
        ASSERT_TRUE(bmp_read(data_dir + "/pngsuite/bmp/" + name + ".bmp", colour_key_none, bmp));
        ASSERT_EQ(png.rgba.size(), bmp.rgba.size()) << name;
        int worst = 0, translucent = 0;
        for (std::size_t i = 0; i < png.rgba.size(); i += 4) {
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(png.rgba[i + c] - bmp.rgba[i + c]));
            translucent += png.rgba[i + 3] != 255;
        }
        EXPECT_LE(worst, 1) << name;
        EXPECT_GT(translucent, 0) << name;  // the alpha channel came through
    }
}

TEST(PngReader, InterlacedFilesDecodeLikeTheirSequentialTwins)
{
    int pairs = 0;
    for (const auto& path : files_in(data_dir + "/pngsuite/png")) {
        std::string twin = path.filename().string();
        if (twin[3] != 'i') continue;
        twin[3] = 'n';
        const auto twin_path = path.parent_path() / twin;
        if (!std::filesystem::exists(twin_path)) continue;
        Image interlaced, sequential;
        const bool loaded = png_read(path.string(), colour_key_none, interlaced);
        EXPECT_EQ(loaded, png_read(twin_path.string(), colour_key_none, sequential)) << path;
        EXPECT_EQ(interlaced.width, sequential.width) << path;
        EXPECT_EQ(interlaced.height, sequential.height) << path;
        EXPECT_TRUE(interlaced.rgba == sequential.rgba) << path;
        pairs += loaded;
    }
    EXPECT_GE(pairs, 30);
}

// --- Expansions and the colour key ---------------------------------------------------------

TEST(PngReader, RgbPicturesGetFullAlphaAndTheKeyColourBecomesAllZero)
{
    const Png rgb{.width = 3,
                  .colour_type = PNG_COLOR_TYPE_RGB,
                  .samples = {255, 0, 128, 255, 0, 129, 0, 0, 0}};
    const std::string bytes = encode(rgb);
    Image image;
    ASSERT_TRUE(read_bytes(bytes, colour_key_sprite, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{255, 0, 129, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{0, 0, 0, 255}));

    ASSERT_TRUE(read_bytes(bytes, colour_key_font, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{0, 0, 0, 0}));

    ASSERT_TRUE(read_bytes(bytes, colour_key_none, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{0, 0, 0, 255}));
}

TEST(PngReader, SixteenBitSamplesKeepTheirHighByte)
{
    // Rounding would turn these into 255, 1, 129 and miss the key.
    const Png rgb16{.colour_type = PNG_COLOR_TYPE_RGB,
                    .bit_depth = 16,
                    .samples = {0xFF, 0x7F, 0x00, 0xFF, 0x80, 0xFF}};
    Image image;
    ASSERT_TRUE(read_bytes(encode(rgb16), colour_key_none, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{255, 0, 128, 255}));
    ASSERT_TRUE(read_bytes(encode(rgb16), colour_key_sprite, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{0, 0, 0, 0}));
}

TEST(PngReader, AnAlphaChannelIsKeptAndTheKeyIsNotApplied)
{
    const Png rgba{.width = 3,
                   .colour_type = PNG_COLOR_TYPE_RGB_ALPHA,
                   .samples = {255, 0, 128, 255, 255, 0, 128, 10, 1, 2, 3, 0}};
    Image image;
    ASSERT_TRUE(read_bytes(encode(rgba), colour_key_sprite, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{255, 0, 128, 10}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{1, 2, 3, 0}));

    // A transparent RGB value becomes an alpha channel, so the key is not applied either.
    const Png rgb_trns{.width = 2,
                       .colour_type = PNG_COLOR_TYPE_RGB,
                       .samples = {255, 0, 128, 7, 8, 9},
                       .transparent = png_color_16{0, 7, 8, 9, 0}};
    ASSERT_TRUE(read_bytes(encode(rgb_trns), colour_key_sprite, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{7, 8, 9, 0}));
}

TEST(PngReader, PalettesExpandToRgbOrToRgbaWithTheirTransparency)
{
    Png paletted{.width = 4,
                 .colour_type = PNG_COLOR_TYPE_PALETTE,
                 .bit_depth = 2,
                 .samples = {0b00011011},  // indices 0, 1, 2, 3
                 .palette = {{10, 20, 30}, {255, 0, 128}, {40, 50, 60}, {0, 0, 0}}};
    Image image;
    ASSERT_TRUE(read_bytes(encode(paletted), colour_key_sprite, image));
    ASSERT_EQ(image.width, 4);
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{40, 50, 60, 255}));
    EXPECT_EQ(pixel(image, 3, 0), (Rgba{0, 0, 0, 255}));

    paletted.palette_alpha = {128, 255, 0};  // entry 3 stays opaque
    ASSERT_TRUE(read_bytes(encode(paletted), colour_key_sprite, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{10, 20, 30, 128}));
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{255, 0, 128, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{40, 50, 60, 0}));
    EXPECT_EQ(pixel(image, 3, 0), (Rgba{0, 0, 0, 255}));
}

TEST(PngReader, GreyFillsRedGreenAndBlueWithoutAKeyTest)
{
    Image image;
    const Png grey{.width = 3, .colour_type = PNG_COLOR_TYPE_GRAY, .samples = {0, 128, 255}};
    ASSERT_TRUE(read_bytes(encode(grey), colour_key_font, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{0, 0, 0, 255}));  // black stays, even with the font key
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{128, 128, 128, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{255, 255, 255, 255}));

    const Png one_bit{.width = 9,
                      .height = 2,
                      .colour_type = PNG_COLOR_TYPE_GRAY,
                      .bit_depth = 1,
                      .samples = {0b10100000, 0b10000000, 0, 0}};
    ASSERT_TRUE(read_bytes(encode(one_bit), colour_key_none, image));
    ASSERT_EQ(image.width, 9);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, 8, 0), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, 8, 1), (Rgba{0, 0, 0, 255}));
}

TEST(PngReader, InterlacedPicturesComeOutInPlace)
{
    Png rgb{.width = 9, .height = 9, .colour_type = PNG_COLOR_TYPE_RGB, .interlaced = true};
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            rgb.samples.insert(rgb.samples.end(), {static_cast<std::uint8_t>(x * 20),
                                                   static_cast<std::uint8_t>(y * 20), 77});
        }
    }
    Image image;
    ASSERT_TRUE(read_bytes(encode(rgb), colour_key_none, image));
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(pixel(image, x, y), (Rgba{static_cast<std::uint8_t>(x * 20),
                                                static_cast<std::uint8_t>(y * 20), 77, 255}))
                << x << "," << y;
        }
    }
}

TEST(PngReader, TwoChannelPicturesFailWithoutAMessage)
{
    const Png grey_alpha{.colour_type = PNG_COLOR_TYPE_GRAY_ALPHA, .samples = {10, 20}};
    const Png grey_trns{.width = 2,
                        .colour_type = PNG_COLOR_TYPE_GRAY,
                        .samples = {10, 20},
                        .transparent = png_color_16{0, 0, 0, 0, 10}};
    for (const Png& png : {grey_alpha, grey_trns}) {
        const std::string bytes = encode(png);
        Image image;
        testing::internal::CaptureStdout();
        const bool loaded = read_bytes(bytes, colour_key_none, image);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_FALSE(loaded);
        EXPECT_TRUE(image.rgba.empty());
    }
}

// libpng's expansions always deliver 8 bits and a supported colour type, so these refusals are
// exercised on the check itself.
TEST(PngReader, AnUnsupportedLayoutIsReportedOnStandardOutput)
{
    testing::internal::CaptureStdout();
    EXPECT_FALSE(png_layout_supported("show//a.png", 3, 16, PNG_COLOR_TYPE_RGB));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "File show//a.png has bit depth 16.\nOnly bit depth of 8 is supported.\n");

    testing::internal::CaptureStdout();
    EXPECT_FALSE(png_layout_supported("b.png", 1, 8, PNG_COLOR_TYPE_PALETTE));
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "File b.png has unsupported color type.\nTypes GRAY, RGB and RGB_ALPHA are supported.\n");

    testing::internal::CaptureStdout();
    EXPECT_FALSE(png_layout_supported("c.png", 2, 16, PNG_COLOR_TYPE_GRAY_ALPHA));  // silent
    EXPECT_TRUE(png_layout_supported("d.png", 1, 8, PNG_COLOR_TYPE_GRAY));
    EXPECT_TRUE(png_layout_supported("e.png", 3, 8, PNG_COLOR_TYPE_RGB));
    EXPECT_TRUE(png_layout_supported("f.png", 4, 8, PNG_COLOR_TYPE_RGB_ALPHA));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// --- The file's contents decide ------------------------------------------------------------

TEST(PngReader, PngDataBehindABmpNameIsLeftToThePngReader)
{
    TempDir tmp;
    const std::string png_path = data_dir + "/pngsuite/png/basn2c08.png";
    write_file(tmp.file("sprite.bmp"), read_file(png_path));
    Image from_png, from_bmp_name;
    EXPECT_FALSE(bmp_read(tmp.file("sprite.bmp"), colour_key_sprite, from_bmp_name));
    ASSERT_TRUE(png_read(tmp.file("sprite.bmp"), colour_key_sprite, from_bmp_name));
    ASSERT_TRUE(png_read(png_path, colour_key_sprite, from_png));
    EXPECT_EQ(from_bmp_name.width, 32);
    EXPECT_TRUE(from_bmp_name.rgba == from_png.rgba);

    write_file(tmp.file("sprite.png"), read_file(data_dir + "/bmpsuite/g/rgb24.bmp"));
    EXPECT_FALSE(png_read(tmp.file("sprite.png"), colour_key_sprite, from_png));
    EXPECT_TRUE(bmp_read(tmp.file("sprite.png"), colour_key_sprite, from_png));
}

// --- Hostile files -------------------------------------------------------------------------

std::string small_rgb_png()
{
    Png rgb{.width = 5, .height = 4, .colour_type = PNG_COLOR_TYPE_RGB};
    for (int i = 0; i < 5 * 4 * 3; ++i) rgb.samples.push_back(static_cast<std::uint8_t>(i * 13));
    return encode(rgb);
}

TEST(PngReader, EveryTruncationOfAFileFails)
{
    const std::string bytes = small_rgb_png();
    Image image;
    ASSERT_TRUE(read_bytes(bytes, colour_key_none, image));
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_FALSE(read_bytes(bytes.substr(0, length), colour_key_none, image)) << length;
        EXPECT_TRUE(image.rgba.empty()) << length;
    }
}

TEST(PngReader, ABadChecksumInACriticalChunkFails)
{
    const std::string good = small_rgb_png();
    for (const char* chunk : {"IHDR", "IDAT", "IEND"}) {
        std::string bytes = good;
        const std::size_t at = find_chunk(bytes, chunk);
        ASSERT_NE(at, std::string::npos) << chunk;
        const std::size_t crc_at = at + 8 + big_endian32(bytes, at);
        bytes[crc_at] = static_cast<char>(bytes[crc_at] ^ 0x01);
        Image image;
        EXPECT_FALSE(read_bytes(bytes, colour_key_none, image)) << chunk;
    }
    // A changed pixel byte with its checksum left alone is caught as well.
    std::string bytes = good;
    const std::size_t idat = find_chunk(bytes, "IDAT");
    bytes[idat + 10] = static_cast<char>(bytes[idat + 10] ^ 0x40);
    Image image;
    EXPECT_FALSE(read_bytes(bytes, colour_key_none, image));
}

TEST(PngReader, HugeDeclaredDimensionsFailBeforeAnythingBigIsAllocated)
{
    const std::string good = small_rgb_png();
    const auto with_size = [&](std::uint32_t width, std::uint32_t height) {
        std::string bytes = good;
        poke_big_endian32(bytes, ihdr_at + 8, width);
        poke_big_endian32(bytes, ihdr_at + 12, height);
        fix_crc(bytes, ihdr_at);
        return bytes;
    };
    const struct {
        std::uint32_t width, height;
    } sizes[] = {{0, 4},
                 {5, 0},
                 {16385, 4},
                 {5, 16385},
                 {0x7FFFFFFF, 0x7FFFFFFF},
                 {0x80000000, 1},
                 {0xFFFFFFFF, 0xFFFFFFFF},
                 {16384, 16384},
                 {16384, 1024}};
    for (const auto& s : sizes) {
        const std::string bytes = with_size(s.width, s.height);
        Image image;
        bool loaded = true;
        const std::size_t largest =
            largest_allocation_during([&] { loaded = read_bytes(bytes, colour_key_none, image); });
        EXPECT_FALSE(loaded) << s.width << " x " << s.height;
        EXPECT_TRUE(image.rgba.empty()) << s.width << " x " << s.height;
        EXPECT_LT(largest, 64u * 1024) << s.width << " x " << s.height;
    }
}

TEST(PngReader, NonPngFilesFail)
{
    TempDir tmp;
    Image image;
    EXPECT_FALSE(png_read(tmp.file("missing.png"), colour_key_none, image));
    EXPECT_FALSE(png_read(tmp.path(), colour_key_none, image));
    EXPECT_FALSE(read_bytes("", colour_key_none, image));
    EXPECT_FALSE(read_bytes("\x89PNG\r\n\x1a\n", colour_key_none, image));
    EXPECT_FALSE(read_bytes(std::string("\x89PNG\r\n\x1a\n") + std::string(200, 'x'),
                            colour_key_none, image));
    std::string bad_signature = small_rgb_png();
    bad_signature[1] = 'Q';
    EXPECT_FALSE(read_bytes(bad_signature, colour_key_none, image));
}

}  // namespace
