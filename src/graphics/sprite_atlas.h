// Shared atlas textures for sprites, and the batch of sprite quads drawn from them. Software
// GL pays dearly for every change of texture between draws, so sprites up to 256 x 256 texels
// also get a cell in a 512 x 512 atlas texture, and consecutive sprite quads from one atlas
// reach GL as one draw. The batch goes out before anything whose order could matter: other
// drawing, state changes, texture changes, read-backs and the buffer swap. A batch of sprites
// drawn at their own size samples its atlas with nearest filtering: there every pixel centre
// meets a texel centre, where linear filtering gives that texel alone, and the nearest texel
// costs the software rasteriser a good deal less. The filter is switched on the atlas texture
// itself rather than kept in a second copy of its texels (a megabyte a page).
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/paged_table.h"

// A sprite's place in an atlas: its texel block framed by a one-texel border.
struct AtlasCell {
    std::int32_t page = -1;              // index of the atlas texture; -1 = no cell
    std::int32_t x = 0, y = 0;           // the border's corner, in texels
    std::int32_t width = 0, height = 0;  // texture width and height + 2
};

struct AtlasShelf {
    std::int32_t page, y, height, used;  // a row of cells of one height, filled from the left
};

struct SpriteAtlas {
    bool batching = true;                    // false: every sprite is drawn from its own texture
    std::int32_t page_size = 0;              // texels a side; 0 until the first page is made
    std::vector<std::uint32_t> pages;        // GL texture names
    std::vector<std::uint8_t> page_nearest;  // 1 while the page's filter is the nearest texel
    std::vector<std::int32_t> page_top;      // first row of each page that no shelf uses
    std::vector<AtlasShelf> shelves;
    std::vector<AtlasCell> free_cells;   // cells of freed sprites, reused by sprites of their size
    PagedTable<AtlasCell, 65536> cells;  // per sprite id (all of them)

    std::int32_t batch_page = -1;  // the atlas the waiting quads come from
    bool batch_exact = false;      // ...with nearest filtering
    std::vector<float> vertices;   // two triangles a quad: x, y (screen pixels) per vertex
    std::vector<float> texcoords;  // s, t per vertex
};

// Sprite texels into the atlas and out again. texels: tw x th RGBA, as the sprite's own
// texture holds them. Too large a sprite, or full atlases, leave the sprite without a cell.
void atlas_add_sprite(SpriteAtlas& a, int id, const std::uint8_t* texels, int tw, int th);
void atlas_remove_sprite(SpriteAtlas& a, int id);  // safe on a sprite without a cell
bool atlas_has_sprite(const SpriteAtlas& a, int id);
// Every cell and atlas texture; the batch is dropped
void atlas_release(SpriteAtlas& a, bool delete_textures);

// The batch of the current display (rt_display). Queues the sprite's quad over the screen
// rectangle (left, top)-(right, bottom) with its own texture coordinates (0, 0)-(s, t); false,
// and nothing queued, when batching is off or the sprite has no cell (the caller then draws
// it from its own texture).
bool atlas_queue_quad(int id, float left, float top, float right, float bottom, float s, float t);
void atlas_flush();  // draws the waiting quads with the current state; nothing when none wait
