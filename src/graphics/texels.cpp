// Texel work on the CPU for sprite textures: colour bleeding into transparent texels and the
// halving of mip levels. Plain memory in, plain memory out; no GL here, so tests need no context.
#include "graphics/texels.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

// A transparent texel takes the average colour of its opaque neighbours. Neighbours on the
// block's outermost ring are not counted, which keeps every look-up inside the block.
void bleed_texel(std::uint8_t* block, int tw, int th, int col, int row)
{
    int sum[3] = {0, 0, 0};
    int count = 0;
    for (int r = std::max(row - 1, 1); r <= std::min(row + 1, th - 2); ++r) {
        for (int c = std::max(col - 1, 1); c <= std::min(col + 1, tw - 2); ++c) {
            const std::uint8_t* n = block + (static_cast<std::size_t>(r) * tw + c) * 4;
            if ((r == row && c == col) || n[3] == 0) continue;
            for (int k = 0; k < 3; ++k) sum[k] += n[k];
            ++count;
        }
    }
    std::uint8_t* t = block + (static_cast<std::size_t>(row) * tw + col) * 4;
    for (int k = 0; k < 3; ++k) t[k] = static_cast<std::uint8_t>(count ? sum[k] / count : 0);
}

// floor(sum / count) for a colour channel summed over up to eight texels, as a multiplication:
// (sum * reciprocal[count]) >> 16. reciprocal[0] is 0, which gives 0 for a texel without an
// opaque neighbour.
constexpr std::array<std::uint32_t, 9> reciprocal = {0,     65536, 32768, 21846, 16384,
                                                     13108, 10923, 9363,  8192};

constexpr bool reciprocals_divide_exactly()
{
    for (std::uint32_t count = 1; count <= 8; ++count) {
        for (std::uint32_t sum = 0; sum <= 8 * 255; ++sum) {
            if (((sum * reciprocal[count]) >> 16) != sum / count) return false;
        }
    }
    return true;
}
static_assert(reciprocals_divide_exactly());

// bleed_texel for a texel whose eight neighbours all lie inside the outermost ring, the
// common case, without bounds tests or branches per neighbour.
void bleed_inner_texel(std::uint8_t* t, std::size_t stride)
{
    const std::uint8_t* neighbours[8] = {t - stride - 4, t - stride, t - stride + 4, t - 4, t + 4,
                                         t + stride - 4, t + stride, t + stride + 4};
    // Inside a transparent area, the usual case, there is nothing to average.
    std::uint32_t any_alpha = 0;
    for (const std::uint8_t* n : neighbours) any_alpha |= n[3];
    if (any_alpha == 0) {
        t[0] = t[1] = t[2] = 0;
        return;
    }
    std::uint32_t sum[3] = {0, 0, 0};
    std::uint32_t count = 0;
    for (const std::uint8_t* n : neighbours) {
        const std::uint32_t opaque = n[3] != 0 ? 1 : 0;
        const std::uint32_t mask = 0u - opaque;
        for (int k = 0; k < 3; ++k) sum[k] += n[k] & mask;
        count += opaque;
    }
    for (int k = 0; k < 3; ++k)
        t[k] = static_cast<std::uint8_t>((sum[k] * reciprocal[count]) >> 16);
}

}  // namespace

// Transparent texels take the average colour of their opaque neighbours, so bilinear
// filtering blends an edge towards the picture's own colour instead of towards black; their
// alpha stays 0. Only the picture (w x h texels from the corner) is opaque anywhere, so
// texels beyond its next column and row have no opaque neighbour: they are padding and stay
// 0 as they are. Only opaque texels are read, and only transparent ones written, so the order
// of the visits does not matter.
void bleed_colours(std::uint8_t* block, int tw, int th, int w, int h)
{
    const int rows = std::min(h + 1, th), columns = std::min(w + 1, tw);
    const std::size_t stride = static_cast<std::size_t>(tw) * 4;
    for (int row = 0; row < rows; ++row) {
        std::uint8_t* const line = block + static_cast<std::size_t>(row) * stride;
        const bool inner_row = row >= 2 && row <= th - 3;
        for (int col = 0; col < columns; ++col) {
            // Runs of eight opaque texels are passed over with one test instead of eight.
            while (col + 8 <= columns) {
                unsigned all_opaque = 1;
                for (int k = 0; k < 8; ++k) all_opaque &= line[(col + k) * 4 + 3] != 0 ? 1u : 0u;
                if (all_opaque == 0) break;
                col += 8;
            }
            if (col >= columns) break;
            if (line[col * 4 + 3] != 0) continue;
            if (inner_row && col >= 2 && col <= tw - 3) {
                bleed_inner_texel(line + col * 4, stride);
            } else {
                bleed_texel(block, tw, th, col, row);
            }
        }
    }
}

TexelBlock new_block(int w, int h)
{
    return TexelBlock(new std::uint8_t[static_cast<std::size_t>(w) * h * 4]);
}

// One mip level down by 2 x 2 box filtering (2 x 1 once a side is down to one texel), each
// channel rounded to nearest: (sum + count / 2) / count.
TexelBlock half_level(const std::uint8_t* src, int w, int h, int& out_w, int& out_h)
{
    out_w = std::max(1, w / 2);
    out_h = std::max(1, h / 2);
    TexelBlock dst = new_block(out_w, out_h);
    if (w % 2 == 0 && h % 2 == 0) {
        // Every texel of the level below has its full 2 x 2 block (the sizes are powers of two).
        const std::size_t stride = static_cast<std::size_t>(w) * 4;
        for (int row = 0; row < out_h; ++row) {
            const std::uint8_t* __restrict top = &src[static_cast<std::size_t>(row) * 2 * stride];
            const std::uint8_t* __restrict bottom = top + stride;
            std::uint8_t* __restrict out = &dst[static_cast<std::size_t>(row) * out_w * 4];
            for (int x = 0; x < out_w; ++x) {
                const std::uint8_t* a = top + 8 * x;
                const std::uint8_t* b = bottom + 8 * x;
                for (int c = 0; c < 4; ++c)
                    out[4 * x + c] =
                        static_cast<std::uint8_t>((a[c] + a[c + 4] + b[c] + b[c + 4] + 2) >> 2);
            }
        }
        return dst;
    }
    for (int row = 0; row < out_h; ++row) {
        for (int col = 0; col < out_w; ++col) {
            for (int k = 0; k < 4; ++k) {
                int sum = 0, count = 0;
                for (int r = row * 2; r < std::min(row * 2 + 2, h); ++r) {
                    for (int c = col * 2; c < std::min(col * 2 + 2, w); ++c) {
                        sum += src[(static_cast<std::size_t>(r) * w + c) * 4 + k];
                        ++count;
                    }
                }
                dst[(static_cast<std::size_t>(row) * out_w + col) * 4 + k] =
                    static_cast<std::uint8_t>((sum + count / 2) / count);
            }
        }
    }
    return dst;
}
