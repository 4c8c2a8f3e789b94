// The one display: a window with a double-buffered OpenGL context set up for 2-D drawing in
// screen pixels, plus the sprite table and background slots that live with the context.
// Every graphics operation works on the object rt_display points at.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/paged_table.h"
#include "graphics/scaled_frame.h"
#include "graphics/sprite_atlas.h"
#include "platform/video.h"

constexpr int sprite_count = 65536;  // sprite ids 0..65535; fonts use the last 16
constexpr bool valid_sprite_id(int id)
{
    return id >= 0 && id < sprite_count;
}
constexpr int background_slot_count = 16;
constexpr int background_grid = 64;  // up to 64 x 64 tiles per slot

struct BackgroundTile {
    std::uint32_t texture = 0;
    int texture_width = 0, texture_height = 0;
    int used_width = 0, used_height = 0;
};

struct BackgroundSlot {
    // index = column * 64 + row; pages of 64 tiles (one column) made as a grab needs them
    PagedTable<BackgroundTile, background_grid * background_grid, background_grid> tiles;
    int columns = 0, rows = 0;
};

// What the display keeps of one sprite id.
struct SpriteEntry {
    std::uint32_t texture[2] = {0, 0};  // main texture, mip-mapped second texture; 0 = none
    std::int32_t texture_width = -1;    // -1 while empty
    std::int32_t texture_height = -1;
    std::int32_t image_width = 0;  // 0 while empty
    std::int32_t image_height = 0;
    // The second texture is made from the main texture's texels when it is first bound: only
    // the 3-D facility samples it, and building its mip chain doubled the cost of every load.
    bool second_texture_due = false;
    std::uint8_t* mask = nullptr;  // alpha mask read back on demand; owned, new[]
};

struct TextureBinding {
    std::int32_t id = -1, second_id = -1, second_texture = 0;
};

class OpenGLRainbows {
public:
    OpenGLRainbows();
    virtual ~OpenGLRainbows();  // screen_release, then the context is deleted
    OpenGLRainbows(const OpenGLRainbows&) = delete;
    OpenGLRainbows& operator=(const OpenGLRainbows&) = delete;

    // Per sprite id; an id never written reads as empty and takes no memory.
    PagedTable<SpriteEntry, sprite_count> sprites;
    TextureBinding bound;    // the last sprite_bind
    float intensity = 1.0f;  // colour and alpha factor of all drawing
    BackgroundSlot backgrounds[background_slot_count];
    platform::Window window = 0;
    std::int32_t width = 0, height = 0;  // screen size in pixels
    std::int32_t colour_bits = 0;        // 0 = the desktop's depth
    bool fullscreen = false;
    std::int32_t multisample = 0;  // 0 when no multisample format was found
    // Y from the top
    std::int32_t viewport_x = 0, viewport_y = 0, viewport_width = 0, viewport_height = 0;
    bool gl_ready = false;  // texture deletions are skipped until the first context is complete
    double next_frame_time = 0;        // ms; when the next frame may be shown
    double frame_time = 0;             // ms between frames
    double counter_frequency = 0;      // high-resolution counter ticks per second
    std::int32_t high_resolution = 0;  // 1 if the counter exists
    bool multitexture = false;         // glMultiTexCoord2fARB was found
    platform::GlContext context = nullptr;
    SpriteAtlas atlas;              // shared sprite textures and the waiting sprite quads
    std::int32_t window_scale = 1;  // the windowed size is the screen size times this
    ScaledTarget scaled;            // the offscreen buffer of a window not of the screen's size
};

extern OpenGLRainbows* rt_display;  // created by the start-up, destroyed by the shutdown

// Notices the display set-up would show in a box that waits for a click (the software
// rendering warning) go to standard error as one line instead: a scripted run or a replay has
// nobody at the screen to click them away. A headless video driver shows neither. Set before
// screen_create.
void screen_notices_as_text(bool on);

// Display life cycle; all work on rt_display, which must exist.
// False: no window
bool screen_create(int width, int height, int colour_bits, int fps, int samples);
bool screen_set_fullscreen();  // false: stays windowed ("No Fullscreen Mode available" logged)
bool screen_set_windowed();    // always true
// Zero sizes keep the stored ones
void screen_set_mode(int width, int height, int colour_bits, bool fullscreen);
void screen_set_viewport(int x, int y, int width, int height);  // a size <= 0: whole screen
void screen_get_size(double& width, double& height);
void screen_release();  // deletes all textures, leaves fullscreen, destroys the window

// The runtime's clock in ms: the high-resolution counter when it exists, else the ms timer.
double display_time_ms();

// Frame helpers used by the frame presentation and the start-up.
void screen_swap();           // shows the back buffer
void screen_clear_buffers();  // clears colour and depth of the new back buffer
void screen_clear();          // empties background slot 0, clears the colour buffer to black
// Draws the slot's tiles from the top-left corner; empty slot: nothing
void screen_draw_background(int slot);
void screen_prepare_frame();  // blending off, intensity 1, white, background slot 0, 2-D state
// The back buffer, top row first, 3 bytes a pixel
void screen_read_pixels(std::vector<std::uint8_t>& rgb);
