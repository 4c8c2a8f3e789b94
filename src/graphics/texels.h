// Texel work on the CPU for sprite textures: colour bleeding and mip halving. Blocks are
// RGBA, 4 bytes a texel, rows from the bottom as GL takes them. No GL here.
#pragma once
#include <cstdint>
#include <memory>

// A block of texels. Every byte is written before it is read, so the block starts
// uninitialised: each byte of a large picture's megabytes is then written once, not twice.
using TexelBlock = std::unique_ptr<std::uint8_t[]>;

TexelBlock new_block(int w, int h);  // w x h texels, uninitialised
// Transparent texels of the tw x th block take the average colour of their opaque neighbours
// (alpha stays 0); the picture is the w x h corner, the rest is transparent padding.
void bleed_colours(std::uint8_t* block, int tw, int th, int w, int h);
// One mip level down by 2 x 2 box filtering (2 x 1 once a side is one texel), rounded.
TexelBlock half_level(const std::uint8_t* src, int w, int h, int& out_w, int& out_h);
