// The CPU texel work on plain memory, no GL: colour bleeding into transparent texels and the
// halving of mip levels.
#include "graphics/texels.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

using Texel = std::array<int, 4>;

Texel at(const std::vector<std::uint8_t>& block, int w, int col, int row)
{
    const std::uint8_t* t = &block[(static_cast<std::size_t>(row) * w + col) * 4];
    return {t[0], t[1], t[2], t[3]};
}

TEST(Texels, TransparentTexelsTakeTheMeanOfTheirOpaqueNeighbours)
{
    // A 4 x 4 picture in an 8 x 8 block: two opaque texels at (1, 1) and (2, 1).
    std::vector<std::uint8_t> block(8 * 8 * 4, 0);
    const auto put = [&](int col, int row, Texel t) {
        for (int k = 0; k < 4; ++k)
            block[(row * 8 + col) * 4 + k] = static_cast<std::uint8_t>(t[k]);
    };
    put(1, 1, {200, 0, 10, 255});
    put(2, 1, {101, 50, 0, 255});
    put(0, 3, {9, 9, 9, 255});  // on the block's outer ring
    bleed_colours(block.data(), 8, 8, 4, 4);
    EXPECT_EQ(at(block, 8, 1, 2), (Texel{150, 25, 5, 0}));    // floor of the mean, alpha stays 0
    EXPECT_EQ(at(block, 8, 3, 1), (Texel{101, 50, 0, 0}));    // one neighbour
    EXPECT_EQ(at(block, 8, 1, 1), (Texel{200, 0, 10, 255}));  // opaque texels stay
    EXPECT_EQ(at(block, 8, 0, 0), (Texel{200, 0, 10, 0}));    // ring texels take colour...
    EXPECT_EQ(at(block, 8, 1, 3), (Texel{0, 0, 0, 0}));       // ...but never give it
    EXPECT_EQ(at(block, 8, 6, 6), (Texel{0, 0, 0, 0}));       // padding without neighbours
}

TEST(Texels, HalvingRoundsAndKeepsAtLeastOneTexel)
{
    const std::vector<std::uint8_t> two_by_two = {0, 0, 0, 0, 1, 1, 1,   1,  //
                                                  1, 1, 1, 1, 1, 4, 255, 255};
    int w = 0, h = 0;
    const TexelBlock half = half_level(two_by_two.data(), 2, 2, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    // (sum + 2) / 4 per channel: 3 -> 1, 6 -> 2, 257 -> 64, 257 -> 64.
    EXPECT_EQ((Texel{half[0], half[1], half[2], half[3]}), (Texel{1, 2, 64, 64}));

    const std::vector<std::uint8_t> two_by_one = {10, 0, 0, 0, 11, 0, 0, 0};
    const TexelBlock line = half_level(two_by_one.data(), 2, 1, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(line[0], 11);  // (21 + 1) / 2
}

}  // namespace
