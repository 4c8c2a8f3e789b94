// Sprite atlases and the sprite batch. A sprite's cell holds its whole texel block (picture,
// transparent padding with the bled colours) and around it a border that repeats the opposite
// edge. Drawn with the same texture coordinates moved into the cell, bilinear filtering then
// reads exactly the texels the sprite's own texture (wrap mode repeat) gives it, so the atlas
// draws the same pixels. Quads go to GL as the triangles of the old one-quad fans, in order.
#include "graphics/sprite_atlas.h"

#include <algorithm>
#include <cmath>

#include "graphics/display.h"
#include "graphics/gl_shared.h"
#include "graphics/render_backend.h"
#include "graphics/sprites.h"

static_assert(decltype(SpriteAtlas::cells)::size == sprite_count, "a cell for every sprite id");

namespace {

// 512 x 512 texels a page: room for 225 sprites of 32 x 32, or for the largest ones (256 x 256)
// with smaller ones below, while making a page costs llvmpipe a few milliseconds
// (a 1024 x 1024 pair took 22 ms, which start-up felt).
constexpr int atlas_side = 512;
constexpr int largest_sprite = 256;    // texture width and height that still get a cell
constexpr std::size_t max_pages = 16;  // 16 MiB at most; later sprites draw alone

// Draws a's waiting quads with the current drawing state.
void flush(SpriteAtlas& a)
{
    if (a.vertices.empty()) return;
    // What binding the sprite would have done: texture unit 1 off, the texture on unit 0.
    render_texture_unit1_off();
    const std::size_t page = static_cast<std::size_t>(a.batch_page);
    render_bind_texture(a.pages[page]);
    if (a.page_nearest[page] != static_cast<std::uint8_t>(a.batch_exact)) {
        render_texture_set_filter(a.pages[page],
                                  a.batch_exact ? TextureFilter::nearest : TextureFilter::linear);
        a.page_nearest[page] = static_cast<std::uint8_t>(a.batch_exact);
    }
    render_set_texturing(true);
    render_triangles(a.vertices.data(), a.texcoords.data(),
                     static_cast<int>(a.vertices.size() / 2));
    a.vertices.clear();
    a.texcoords.clear();
}

// A free place of width x height: a freed cell of that size, room on a shelf of that height,
// a new shelf, or a new page. False when the atlases are full.
bool allocate(SpriteAtlas& a, int width, int height, AtlasCell& cell)
{
    // The cell freed last first: a sprite loaded again right after it was freed gets its
    // old place back.
    for (std::size_t i = a.free_cells.size(); i-- > 0;) {
        if (a.free_cells[i].width == width && a.free_cells[i].height == height) {
            cell = a.free_cells[i];
            a.free_cells.erase(a.free_cells.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    for (AtlasShelf& shelf : a.shelves) {
        if (shelf.height == height && shelf.used + width <= a.page_size) {
            cell = AtlasCell{shelf.page, shelf.used, shelf.y, width, height};
            shelf.used += width;
            return true;
        }
    }
    for (std::size_t page = 0;; ++page) {
        if (page == a.pages.size()) {
            if (page == max_pages) return false;
            a.pages.push_back(new_sprite_texture(nullptr, a.page_size, a.page_size, false));
            a.page_nearest.push_back(0);
            a.page_top.push_back(0);
        }
        if (a.page_top[page] + height <= a.page_size) {
            const auto p = static_cast<std::int32_t>(page);
            a.shelves.push_back(AtlasShelf{p, a.page_top[page], height, width});
            a.page_top[page] += height;
            cell = AtlasCell{p, 0, a.shelves.back().y, width, height};
            return true;
        }
    }
}

}  // namespace

void atlas_add_sprite(SpriteAtlas& a, int id, const std::uint8_t* texels, int tw, int th)
{
    if (!valid_sprite_id(id) || tw > largest_sprite || th > largest_sprite || tw < 1 || th < 1)
        return;
    atlas_remove_sprite(a, id);
    if (a.page_size == 0) a.page_size = std::min(atlas_side, render_max_texture_size());
    const int width = tw + 2, height = th + 2;
    if (width > a.page_size || height > a.page_size) return;
    AtlasCell cell;
    if (!allocate(a, width, height, cell)) return;

    // Cell texel (x, y) for x in -1..tw and y in -1..th is texel (x mod tw, y mod th).
    std::vector<std::uint8_t> block(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const int source_row = (y - 1 + th) % th;
        for (int x = 0; x < width; ++x) {
            const int source_column = (x - 1 + tw) % tw;
            const std::uint8_t* from =
                &texels[(static_cast<std::size_t>(source_row) * tw + source_column) * 4];
            std::copy(from, from + 4, &block[(static_cast<std::size_t>(y) * width + x) * 4]);
        }
    }
    render_texture_upload(a.pages[static_cast<std::size_t>(cell.page)], cell.x, cell.y, width,
                          height, block.data());
    a.cells[id] = cell;
}

void atlas_remove_sprite(SpriteAtlas& a, int id)
{
    if (!atlas_has_sprite(a, id)) return;
    // Waiting quads may still read the cell that is about to be given away.
    flush(a);
    a.free_cells.push_back(a.cells[id]);
    a.cells[id] = AtlasCell{};
}

bool atlas_has_sprite(const SpriteAtlas& a, int id)
{
    if (!valid_sprite_id(id)) return false;
    return a.cells.get(id).page >= 0;
}

void atlas_release(SpriteAtlas& a, bool delete_textures)
{
    if (delete_textures) {
        for (std::uint32_t& name : a.pages) render_texture_delete(name);
    }
    const bool batching = a.batching;
    a = SpriteAtlas{};
    a.batching = batching;
}

bool atlas_queue_quad(int id, float left, float top, float right, float bottom, float s, float t)
{
    SpriteAtlas& a = rt_display->atlas;
    if (!a.batching || !atlas_has_sprite(a, id)) return false;
    const AtlasCell& cell = a.cells.get(id);
    const float tw = static_cast<float>(cell.width - 2), th = static_cast<float>(cell.height - 2);
    // Drawn at its own size (from the whole-pixel corner every sprite draw starts at), each
    // pixel centre lies on a texel centre, and the nearest texel is what linear filtering gives.
    const bool exact = right - left == s * tw && bottom - top == t * th &&
                       left == std::floor(left) && top == std::floor(top);
    if (cell.page != a.batch_page || exact != a.batch_exact) {
        flush(a);
        a.batch_page = cell.page;
        a.batch_exact = exact;
    }
    // The sprite's texture coordinates in texels, moved into the cell past its border. Every
    // value is a small binary fraction, so the moved coordinates are exact.
    const float side = static_cast<float>(a.page_size);
    const float s0 = static_cast<float>(cell.x + 1) / side;
    const float t0 = static_cast<float>(cell.y + 1) / side;
    const float s1 = (static_cast<float>(cell.x + 1) + s * tw) / side;
    const float t1 = (static_cast<float>(cell.y + 1) + t * th) / side;
    // The fan bottom-left, bottom-right, top-right, top-left as its two triangles (0, 1, 2)
    // and (0, 2, 3), the way GL splits a fan.
    const float x[4] = {left, right, right, left};
    const float y[4] = {bottom, bottom, top, top};
    const float u[4] = {s0, s1, s1, s0};
    const float v[4] = {t0, t0, t1, t1};
    for (int corner : {0, 1, 2, 0, 2, 3}) {
        a.vertices.push_back(x[corner]);
        a.vertices.push_back(y[corner]);
        a.texcoords.push_back(u[corner]);
        a.texcoords.push_back(v[corner]);
    }
    return true;
}

void atlas_flush()
{
    if (rt_display != nullptr) flush(rt_display->atlas);
}
