// Tests for the BMP reader: row padding, palette, row order and colour key on hand-built files,
// hostile files that must fail without harm, and the BMP suites. Also hosts the allocation
// tracker both reader tests use to prove that a hostile header claims no big buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "graphics/image.h"
#include "support/allocation_tracker.h"
#include "support/bmp_bytes.h"
#include "support/little_endian.h"
#include "support/rgb.h"
#include "support/temp_dir.h"

using testing_support::largest_allocation_during;

namespace {

using testing_support::Bmp;
using testing_support::files_in;
using testing_support::poke32;
using testing_support::TempDir;
using testing_support::write_file;

const std::string data_dir = BRILLOX_TEST_DATA;

using testing_support::pixel;
using testing_support::Rgba;

std::string palette_entry(Rgba c, std::uint8_t reserved = 0)
{
    return {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r),
            static_cast<char>(reserved)};
}

std::string stored_pixel(Rgba c, int bits)
{
    std::string s = {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)};
    if (bits == 32) s += '\x99';  // the fourth byte, which carries no meaning for the reader
    return s;
}

// Reads bytes written to a scratch file.
bool read_bytes(const std::string& bytes, int colour_key, Image& out)
{
    TempDir tmp;
    write_file(tmp.file("picture.bmp"), bytes);
    return bmp_read(tmp.file("picture.bmp"), colour_key, out);
}

// A picture with a different colour in every pixel and channel.
Rgba test_colour(int x, int y)
{
    return {static_cast<std::uint8_t>(10 + 40 * x + 7 * y),
            static_cast<std::uint8_t>(200 - 30 * x + y),
            static_cast<std::uint8_t>(5 + 3 * x + 100 * y), 255};
}

TEST(BmpReader, RowsArePaddedToFourBytesAtEveryDepth)
{
    struct Case {
        int bits;
        int row_sizes[5];  // file row size for widths 1 to 5
    };
    for (const Case& c :
         {Case{8, {4, 4, 4, 4, 8}}, Case{24, {4, 8, 12, 12, 16}}, Case{32, {4, 8, 12, 16, 20}}}) {
        for (int width = 1; width <= 5; ++width) {
            const int height = 3;
            Bmp bmp{.width = width, .height = height, .bits = static_cast<std::uint16_t>(c.bits)};
            for (int file_row = 0; file_row < height; ++file_row) {
                const int y = height - 1 - file_row;
                std::string row;
                for (int x = 0; x < width; ++x) {
                    if (c.bits == 8) {
                        row += static_cast<char>(bmp.palette.size() / 4);
                        bmp.palette += palette_entry(test_colour(x, y), 0x55);
                    } else {
                        row += stored_pixel(test_colour(x, y), c.bits);
                    }
                }
                // Padding bytes that would show up as a wrong colour if taken for pixels.
                while (row.size() % 4 != 0) row += '\xEE';
                ASSERT_EQ(static_cast<int>(row.size()), c.row_sizes[width - 1])
                    << c.bits << " bits, width " << width;
                bmp.pixels += row;
            }
            Image image;
            ASSERT_TRUE(read_bytes(bmp.bytes(), colour_key_none, image))
                << c.bits << " bits, width " << width;
            ASSERT_EQ(image.width, width);
            ASSERT_EQ(image.height, height);
            ASSERT_EQ(image.rgba.size(), static_cast<std::size_t>(width) * height * 4);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    EXPECT_EQ(pixel(image, x, y), test_colour(x, y))
                        << c.bits << " bits, width " << width << ", pixel " << x << "," << y;
                }
            }
        }
    }
}

TEST(BmpReader, PaletteEntriesAreBlueGreenRedAndAnIgnoredByte)
{
    Bmp bmp{.width = 3, .height = 1, .bits = 8};
    bmp.palette = std::string("\x01\x02\x03\xFF", 4) + std::string("\x10\x20\x30\x00", 4) +
                  std::string("\xC0\xB0\xA0\x7F", 4);
    bmp.pixels = std::string("\x02\x00\x01\x00", 4);
    Image image;
    ASSERT_TRUE(read_bytes(bmp.bytes(), colour_key_none, image));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{0xA0, 0xB0, 0xC0, 255}));
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{0x03, 0x02, 0x01, 255}));
    EXPECT_EQ(pixel(image, 2, 0), (Rgba{0x30, 0x20, 0x10, 255}));
}

TEST(BmpReader, TheLastRowInTheFileIsTheTopRowEvenForTopDownFiles)
{
    const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};
    Bmp bmp{.width = 1, .height = 3, .bits = 24};
    for (Rgba c : {red, green, blue}) bmp.pixels += stored_pixel(c, 24) + '\0';
    Image image;
    ASSERT_TRUE(read_bytes(bmp.bytes(), colour_key_none, image));
    EXPECT_EQ(pixel(image, 0, 0), blue);
    EXPECT_EQ(pixel(image, 0, 1), green);
    EXPECT_EQ(pixel(image, 0, 2), red);

    // A negative height marks the rows as stored top row first; they are still taken bottom-up,
    // so the picture comes out upside down.
    bmp.height = -3;
    ASSERT_TRUE(read_bytes(bmp.bytes(), colour_key_none, image));
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(pixel(image, 0, 0), blue);
    EXPECT_EQ(pixel(image, 0, 2), red);
}

TEST(BmpReader, TheColourKeyMakesExactlyThatColourTransparentAtEveryDepth)
{
    const Rgba pink{255, 0, 128, 255}, almost_pink{255, 0, 129, 255}, black{0, 0, 0, 255};
    for (int bits : {8, 24, 32}) {
        Bmp bmp{.width = 3, .height = 1, .bits = static_cast<std::uint16_t>(bits)};
        if (bits == 8) {
            bmp.palette = palette_entry(pink) + palette_entry(almost_pink) + palette_entry(black);
            bmp.pixels = std::string("\x00\x01\x02\x00", 4);
        } else {
            for (Rgba c : {pink, almost_pink, black}) bmp.pixels += stored_pixel(c, bits);
            while (bmp.pixels.size() % 4 != 0) bmp.pixels += '\0';
        }
        Image image;
        ASSERT_TRUE(read_bytes(bmp.bytes(), colour_key_sprite, image)) << bits;
        EXPECT_EQ(pixel(image, 0, 0), (Rgba{255, 0, 128, 0})) << bits;  // colour kept, alpha 0
        EXPECT_EQ(pixel(image, 1, 0), almost_pink) << bits;
        EXPECT_EQ(pixel(image, 2, 0), black) << bits;

        ASSERT_TRUE(read_bytes(bmp.bytes(), colour_key_font, image)) << bits;
        EXPECT_EQ(pixel(image, 0, 0), pink) << bits;
        EXPECT_EQ(pixel(image, 2, 0), (Rgba{0, 0, 0, 0})) << bits;

        ASSERT_TRUE(read_bytes(bmp.bytes(), colour_key_none, image)) << bits;
        EXPECT_EQ(pixel(image, 0, 0), pink) << bits;
        EXPECT_EQ(pixel(image, 2, 0), black) << bits;
    }
}

// A valid 2 x 2, 8-bit file with a two-colour palette; the hostile cases change one thing each.
std::string valid_small_bmp()
{
    Bmp bmp{.width = 2, .height = 2, .bits = 8};
    bmp.palette = palette_entry({1, 2, 3, 0}) + palette_entry({4, 5, 6, 0});
    bmp.pixels = std::string("\x00\x01\x00\x00\x01\x00\x00\x00", 8);
    return bmp.bytes();
}

TEST(BmpReader, HostileAndTruncatedFilesFailWithoutClaimingMemory)
{
    const std::string good = valid_small_bmp();
    Image image;
    ASSERT_TRUE(read_bytes(good, colour_key_none, image));
    const auto with32 = [&](std::size_t at, std::uint32_t v) {
        std::string s = good;
        poke32(s, at, v);
        return s;
    };
    const auto with_bits = [&](std::uint16_t bits) {
        std::string s = good;
        s[28] = static_cast<char>(bits & 0xFF), s[29] = static_cast<char>(bits >> 8);
        return s;
    };
    const auto sized = [](std::int32_t width, std::int32_t height, std::uint16_t bits) {
        Bmp bmp{.width = width, .height = height, .bits = bits};
        bmp.pixels = std::string(64, '\0');
        return bmp.bytes();
    };
    Bmp no_palette{.width = 1, .height = 1, .bits = 8};
    no_palette.pixels = std::string(4, '\0');
    std::string index_beyond_palette = good;
    index_beyond_palette[good.size() - 3] = 2;  // the top row's second pixel

    const std::uint32_t size = static_cast<std::uint32_t>(good.size());
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"one byte", "B"},
        {"file header cut", good.substr(0, 13)},
        {"file header only", good.substr(0, 14)},
        {"info header cut", good.substr(0, 40)},
        {"palette cut", good.substr(0, 58)},
        {"wrong magic", "BA" + good.substr(2)},
        {"PNG signature", std::string("\x89PNG\r\n\x1a\n", 8) + good.substr(8)},
        {"pixel offset 0", with32(10, 0)},
        {"pixel offset inside the file header", with32(10, 10)},
        {"pixel offset inside the info header", with32(10, 53)},
        {"pixel offset past the end", with32(10, size + 1)},
        {"pixel offset 4 GB", with32(10, 0xFFFFFFFF)},
        {"declared info header reaching past the pixel offset", with32(14, 124)},
        {"declared info header of 4 GB", with32(14, 0xFFFFFFFF)},
        {"width 0", with32(18, 0)},
        {"width -1", with32(18, 0xFFFFFFFF)},
        {"width INT_MIN", with32(18, 0x80000000)},
        {"width INT_MAX", with32(18, 0x7FFFFFFF)},
        {"height 0", with32(22, 0)},
        {"height INT_MIN", with32(22, 0x80000000)},
        {"height INT_MAX", with32(22, 0x7FFFFFFF)},
        {"bits 0", with_bits(0)},
        {"bits 1", with_bits(1)},
        {"bits 4", with_bits(4)},
        {"bits 16", with_bits(16)},
        {"bits 64", with_bits(64)},
        {"bits 65535", with_bits(65535)},
        {"palette index beyond the palette", index_beyond_palette},
        {"8 bits without a palette", no_palette.bytes()},
        {"last row one byte short", good.substr(0, good.size() - 1)},
        {"rows missing", good.substr(0, good.size() - 4)},
        {"width beyond 16384", sized(16385, 1, 24)},
        {"height beyond 16384", sized(1, -16385, 24)},
        {"16384 x 16384 pixels in a small file", sized(16384, 16384, 24)},
        {"row bytes overflowing 32 bits", sized(0x40000001, 1, 32)},
        {"pixel bytes wrapping to 0 in 32 bits", sized(0x10000, 0x10000, 32)},
        {"pixel bytes overflowing 64 bits", sized(INT_MAX, INT_MAX, 32)},
    };
    for (const auto& c : cases) {
        Image out{.width = 9, .height = 9, .rgba = std::vector<std::uint8_t>(9 * 9 * 4)};
        bool loaded = true;
        const std::size_t largest =
            largest_allocation_during([&] { loaded = read_bytes(c.bytes, colour_key_none, out); });
        EXPECT_FALSE(loaded) << c.what;
        EXPECT_EQ(out.width, 0) << c.what;
        EXPECT_EQ(out.height, 0) << c.what;
        EXPECT_TRUE(out.rgba.empty()) << c.what;
        EXPECT_LT(largest, 64u * 1024) << c.what;
    }
}

TEST(BmpReader, MissingFilesAndDirectoriesFail)
{
    TempDir tmp;
    Image image;
    EXPECT_FALSE(bmp_read(tmp.file("missing.bmp"), colour_key_none, image));
    EXPECT_FALSE(bmp_read(tmp.path(), colour_key_none, image));
    EXPECT_FALSE(bmp_read("", colour_key_none, image));
}

// The sprite loader tries the BMP reader and then the PNG reader on every file; both must
// either load a well-formed picture or fail, whatever the file holds.
TEST(BmpReader, EveryBmpSuiteFileLoadsOrFailsWithoutHarm)
{
    int loaded = 0, files = 0;
    for (const char* dir : {"g", "q", "b", "x"}) {
        const auto paths = files_in(data_dir + "/bmpsuite/" + dir);
        ASSERT_FALSE(paths.empty()) << dir;
        for (const auto& path : paths) {
            ++files;
            for (auto reader : {bmp_read, png_read}) {
                Image image;
                const std::size_t size = std::filesystem::file_size(path);
                const std::size_t largest = largest_allocation_during(
                    [&] { loaded += reader(path.string(), colour_key_sprite, image); });
                if (image.width == 0) {
                    EXPECT_TRUE(image.rgba.empty()) << path;
                    EXPECT_EQ(image.height, 0) << path;
                } else {
                    EXPECT_EQ(image.rgba.size(),
                              static_cast<std::size_t>(image.width) * image.height * 4)
                        << path;
                }
                // Nothing bigger than four bytes of picture for every byte of file.
                EXPECT_LE(largest, 4 * size + 1024) << path;
            }
        }
    }
    EXPECT_EQ(files, 91);
    EXPECT_GT(loaded, 30);  // the uncompressed 8-, 24- and 32-bit ones

    Image image;
    for (const char* refused :
         {"b/pal8badindex.bmp", "b/reallybig.bmp", "b/shortfile.bmp", "b/badwidth.bmp",
          "g/rgb16.bmp", "g/pal4.bmp", "g/pal8rle.bmp", "q/rgba64.bmp", "x/ba-bm.bmp"}) {
        EXPECT_FALSE(bmp_read(data_dir + "/bmpsuite/" + refused, colour_key_none, image))
            << refused;
    }
}

Image flipped(const Image& image)
{
    Image out = image;
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(out.rgba.data() + stride * y,
                    image.rgba.data() + stride * (image.height - 1 - y), stride);
    }
    return out;
}

bool same_picture(const Image& a, const Image& b)
{
    return a.width == b.width && a.height == b.height && a.rgba == b.rgba;
}

// The suite stores one 127 x 64 picture in many layouts; the uncompressed 8-, 24- and 32-bit
// ones read identically, whatever the header version (the palette follows the header).
TEST(BmpReader, TheBmpSuitePictureReadsTheSameInEveryUncompressedLayout)
{
    const std::string g = data_dir + "/bmpsuite/g/";
    Image truecolour, paletted, other;
    ASSERT_TRUE(bmp_read(g + "rgb24.bmp", colour_key_none, truecolour));
    EXPECT_EQ(truecolour.width, 127);
    EXPECT_EQ(truecolour.height, 64);
    for (const char* name : {"rgb24pal.bmp", "rgb32.bmp", "rgb32bfdef.bmp"}) {
        ASSERT_TRUE(bmp_read(g + name, colour_key_none, other)) << name;
        EXPECT_TRUE(same_picture(other, truecolour)) << name;
    }

    ASSERT_TRUE(bmp_read(g + "pal8.bmp", colour_key_none, paletted));
    for (const char* name : {"pal8-0.bmp", "pal8v4.bmp", "pal8v5.bmp"}) {
        ASSERT_TRUE(bmp_read(g + name, colour_key_none, other)) << name;
        EXPECT_TRUE(same_picture(other, paletted)) << name;
    }
    ASSERT_TRUE(bmp_read(g + "pal8topdown.bmp", colour_key_none, other));
    EXPECT_TRUE(same_picture(flipped(other), paletted));  // top-down rows come out upside down

    // The 8-bit picture is the true-colour one reduced to 252 colours: every sample stays near
    // its original, which a swapped channel, a shifted row or a flipped picture would not.
    ASSERT_EQ(paletted.rgba.size(), truecolour.rgba.size());
    int worst = 0;
    for (std::size_t i = 0; i < paletted.rgba.size(); ++i) {
        worst = std::max(worst, std::abs(paletted.rgba[i] - truecolour.rgba[i]));
    }
    EXPECT_LE(worst, 64);
}

// The PNG suite's pictures as 32-bit BMP files with a V5 header (alpha in the fourth byte, which
// the reader ignores): their colours match the reference pixels wherever those are opaque.
TEST(BmpReader, ThePngSuitePicturesReadAsBmpHaveTheirColours)
{
    int compared = 0;
    for (const auto& path : files_in(data_dir + "/pngsuite/bmp")) {
        Image image;
        ASSERT_TRUE(bmp_read(path.string(), colour_key_none, image)) << path;
        const std::string reference = testing_support::read_file(data_dir + "/pngsuite/rgba/" +
                                                                 path.stem().string() + ".rgba");
        if (reference.empty()) continue;
        ASSERT_EQ(reference.size(), image.rgba.size()) << path;
        int mismatches = 0;
        for (std::size_t i = 0; i < reference.size(); i += 4) {
            if (static_cast<std::uint8_t>(reference[i + 3]) != 255) continue;
            for (int c = 0; c < 3; ++c) {
                mismatches += static_cast<std::uint8_t>(reference[i + c]) != image.rgba[i + c];
            }
            mismatches += image.rgba[i + 3] != 255;
        }
        EXPECT_EQ(mismatches, 0) << path;
        ++compared;
    }
    EXPECT_EQ(compared, 157);
}

}  // namespace
