// Tests for the PNG writer: pictures read back with libpng match what was written, the file
// header says 8-bit RGB without interlace, and failures leave no file behind.
#include "graphics/png_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/png_picture.h"
#include "support/temp_dir.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::read_png;
using testing_support::RgbPicture;
using testing_support::TempDir;
using testing_support::write_file;

// A picture whose every byte differs from its neighbours, so swapped rows, channels or
// padding show up.
std::vector<std::uint8_t> pattern(int width, int height)
{
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return rgb;
}

TEST(PngWriter, APictureReadsBackAsWritten)
{
    TempDir tmp;
    // 3 pixels make 9-byte rows, which no 4-byte row alignment may pad.
    for (auto [w, h] : {std::pair{3, 2}, std::pair{1, 1}, std::pair{640, 480}}) {
        const auto rgb = pattern(w, h);
        const std::string path = tmp.file("shot.png");
        ASSERT_TRUE(png_write_rgb(path, w, h, rgb.data())) << w << "x" << h;
        const RgbPicture back = read_png(path);
        EXPECT_EQ(back.width, w);
        EXPECT_EQ(back.height, h);
        EXPECT_EQ(back.rgb, rgb) << w << "x" << h;
    }
}

TEST(PngWriter, TheFileIsEightBitRgbWithoutInterlace)
{
    TempDir tmp;
    const auto rgb = pattern(5, 4);
    ASSERT_TRUE(png_write_rgb(tmp.file("a.png"), 5, 4, rgb.data()));
    const std::string bytes = read_file(tmp.file("a.png"));
    ASSERT_GT(bytes.size(), 29u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(bytes[24], 8);  // bit depth
    EXPECT_EQ(bytes[25], 2);  // colour type RGB
    EXPECT_EQ(bytes[28], 0);  // no interlace
}

TEST(PngWriter, AnExistingFileIsReplacedWithoutLeftovers)
{
    TempDir tmp;
    write_file(tmp.file("a.png"), "old contents");
    const auto rgb = pattern(2, 2);
    ASSERT_TRUE(png_write_rgb(tmp.file("a.png"), 2, 2, rgb.data()));
    EXPECT_EQ(read_png(tmp.file("a.png")).rgb, rgb);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(PngWriter, FailsWithoutWritingOnBadPathsAndEmptyPictures)
{
    TempDir tmp;
    const auto rgb = pattern(2, 2);
    EXPECT_FALSE(png_write_rgb(tmp.file("missing/a.png"), 2, 2, rgb.data()));
    EXPECT_FALSE(png_write_rgb(tmp.path(), 2, 2, rgb.data()));  // a directory
    EXPECT_FALSE(png_write_rgb("", 2, 2, rgb.data()));
    EXPECT_FALSE(png_write_rgb(tmp.file("zero.png"), 0, 2, rgb.data()));
    EXPECT_FALSE(png_write_rgb(tmp.file("negative.png"), 2, -1, rgb.data()));
    EXPECT_FALSE(png_write_rgb(tmp.file("null.png"), 2, 2, nullptr));
    // Wider than libpng accepts: its error handler must hand back a failure, not abort.
    const std::vector<std::uint8_t> wide(2'000'000 * 3);
    EXPECT_FALSE(png_write_rgb(tmp.file("wide.png"), 2'000'000, 1, wide.data()));
    EXPECT_FALSE(file_exists(tmp.file("wide.png")));
    EXPECT_FALSE(file_exists(tmp.file("zero.png")));
    EXPECT_FALSE(file_exists(tmp.file("negative.png")));
    EXPECT_FALSE(file_exists(tmp.file("null.png")));
}

}  // namespace
