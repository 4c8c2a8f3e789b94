// Hostile pictures: every file of the fuzz corpora (suite files, hand-made hostile ones and
// the crash inputs kept as regressions) goes through both readers, as the sprite loader
// tries them, and either loads within the size limits or fails with nothing allocated for
// it; and a tiny PNG that declares more pixels than a picture may have is refused early.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "support/allocation_tracker.h"
#include "support/temp_dir.h"

namespace {

using testing_support::files_in;
using testing_support::largest_allocation_during;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

const std::string corpus_dir = BRILLOX_FUZZ_CORPUS;

void expect_whole_picture_or_nothing(bool loaded, const Image& image, const std::string& what)
{
    if (!loaded) {
        EXPECT_EQ(image.width, 0) << what;
        EXPECT_EQ(image.height, 0) << what;
        EXPECT_TRUE(image.rgba.empty()) << what;
        return;
    }
    EXPECT_GE(image.width, 1) << what;
    EXPECT_GE(image.height, 1) << what;
    EXPECT_LE(image.width, image_max_side) << what;
    EXPECT_LE(image.height, image_max_side) << what;
    EXPECT_EQ(image.rgba.size(), static_cast<std::size_t>(image.width) * image.height * 4) << what;
}

TEST(HostileImages, EveryFuzzCorpusFileLoadsWithinTheLimitsOrFailsCleanly)
{
    int files = 0;
    for (const char* corpus : {"bmp", "png"}) {
        for (const auto& path : files_in(corpus_dir + "/" + corpus)) {
            ++files;
            for (const bool as_png : {false, true}) {
                const std::string what =
                    path.filename().string() + (as_png ? " as PNG" : " as BMP");
                Image image{.width = 5, .height = 5, .rgba = std::vector<std::uint8_t>(100)};
                bool loaded = false;
                const std::size_t largest = largest_allocation_during([&] {
                    loaded = as_png ? png_read(path.string(), colour_key_sprite, image)
                                    : bmp_read(path.string(), colour_key_sprite, image);
                });
                expect_whole_picture_or_nothing(loaded, image, what);
                EXPECT_LT(largest, 32u << 20) << what;
            }
        }
    }
    EXPECT_GT(files, 40);  // the corpora are there
}

// --- A one-bit PNG that expands 32-fold ---------------------------------------------------

void put_big_endian32(std::string& s, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>(v >> shift & 0xFF);
}

void put_chunk(std::string& png, const char* type, const std::string& body)
{
    put_big_endian32(png, static_cast<std::uint32_t>(body.size()));
    const std::string typed = std::string(type, 4) + body;
    png += typed;
    put_big_endian32(png, static_cast<std::uint32_t>(crc32(
                              0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
}

// A complete black one-bit grey picture. A private ancillary chunk pads the file, so that its
// length alone would allow the picture's samples.
std::string one_bit_png(std::uint32_t width, std::uint32_t height, std::size_t padding)
{
    const std::size_t row = 1 + (width + 7) / 8;  // filter byte and packed samples
    const std::string raw(row * height, '\0');
    uLongf packed_size = compressBound(raw.size());
    std::string packed(packed_size, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
                       reinterpret_cast<const Bytef*>(raw.data()), raw.size()),
              Z_OK);
    packed.resize(packed_size);

    std::string header;
    put_big_endian32(header, width);
    put_big_endian32(header, height);
    header += std::string("\x01\x00\x00\x00\x00", 5);  // depth 1, grey, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    put_chunk(png, "IHDR", header);
    put_chunk(png, "prVt", std::string(padding, 'p'));
    put_chunk(png, "IDAT", packed);
    put_chunk(png, "IEND", "");
    return png;
}

TEST(HostileImages, MorePixelsThanAPictureMayHaveFailBeforeTheBufferIsTaken)
{
    TempDir tmp;
    Image image;
    // The same construction loads at a small size ...
    write_file(tmp.file("small.png"), one_bit_png(4096, 8, 16));
    ASSERT_TRUE(png_read(tmp.file("small.png"), colour_key_none, image));
    EXPECT_EQ(image.width, 4096);
    EXPECT_EQ(image.rgba[3], 255);

    // ... and one row past 64 Mi pixels, 268 MiB of RGBA from a file of some 30 KB, it fails
    // without asking for the picture's memory.
    write_file(tmp.file("big.png"), one_bit_png(16384, 4097, 24 << 10));
    EXPECT_LT(read_file(tmp.file("big.png")).size(), 64u << 10);
    bool loaded = true;
    const std::size_t largest = largest_allocation_during(
        [&] { loaded = png_read(tmp.file("big.png"), colour_key_none, image); });
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(image.rgba.empty());
    EXPECT_LT(largest, 1u << 20);
}

}  // namespace
