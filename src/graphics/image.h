// In-memory pictures and the two image readers. Pure CPU code: no GL, no display needed.
// Readers fail cleanly on any malformed, truncated or hostile file: false, no image, and no
// allocation beyond what a picture of sane size needs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // width * height * 4 bytes, top row first, R G B A
};

constexpr int colour_key_none = -1;         // no transparent colour
constexpr int colour_key_sprite = 8388863;  // red 255, green 0, blue 128
constexpr int colour_key_font = 0;          // black

// The largest pictures the readers accept: 16384 pixels a side and 64 Mi pixels (256 MiB of
// RGBA) in all. A few kilobytes of PNG can declare far more; such files fail like broken ones.
constexpr int image_max_side = 16384;
constexpr std::int64_t image_max_pixels = std::int64_t{1} << 26;

bool bmp_read(const std::string& path, int colour_key, Image& out);  // 8, 24, 32 bits
bool png_read(const std::string& path, int colour_key, Image& out);  // any layout, expanded

// The PNG reader's check of what libpng delivers after its expansions (colour type as libpng
// numbers it). 2 channels: false, silent; depth not 8, or type not grey/RGB/RGBA: false and two
// lines on standard output. Exposed for tests: the expansions never yield the printed cases.
bool png_layout_supported(const std::string& path, int channels, int bit_depth, int colour_type);
