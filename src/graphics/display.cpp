// The display object: one window with an OpenGL context set up for 2-D drawing in screen
// pixels, its life cycle (create, fullscreen, windowed, release), the runtime clock and the
// per-frame helpers. Sprite loading and drawing work on the tables this object keeps.
#include "graphics/display.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "core/error_log.h"
#include "graphics/frame_fence.h"
#include "graphics/gl_shared.h"
#include "graphics/render_backend.h"
#include "platform/clock.h"
#include "platform/system.h"

OpenGLRainbows* rt_display = nullptr;

namespace {

// Set once a context turned out to render in software; from then on no creation or
// fullscreen switch checks (or logs) the renderer again, so the warning shows once a run.
bool software_found = false;

const char* const window_title = "Quorvel";  // the start-up gives it the program's title at once

// The warning for software rendering, word for word as players have always seen it (the
// misspelt "Grafkkartentreiber" included). SDL message boxes take UTF-8, so the u-umlaut of
// "unterstützt" is written as its UTF-8 bytes here.
const char* const software_title = "!!OpenGL Software Emulation!!";
const char* const software_text =
    "Please update your GFX adapter's driver\n"
    "so it can render OpenGL by HARDWARE\n"
    "\n"
    "\n"
    "Bitte aktualisieren Sie Ihren\n"
    "Grafkkartentreiber, damit er OpenGL\n"
    "per HARDWARE unterst\xC3\xBCtzt!";

double time_ms(const OpenGLRainbows* d)
{
    if (d == nullptr) {
        double hz = 0;
        if (platform::counter_frequency(hz) && hz > 0)
            return static_cast<double>(platform::counter_now()) * 1000.0 / hz;
        return platform::ticks_ms();
    }
    // In double from the start: a nanosecond counter times 1000 overflows 64 bits after
    // about 106 days of uptime.
    if (d->high_resolution) {
        return static_cast<double>(platform::counter_now()) * 1000.0 / d->counter_frequency;
    }
    return platform::ticks_ms();
}

// Mesa's software rasterisers, and Windows's own "GDI Generic" GL 1.1, stand in for the
// generic (unaccelerated) pixel format.
bool renders_in_software()
{
    const char* renderer = render_renderer_name();
    if (renderer == nullptr) return false;
    for (const char* name :
         {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "GDI Generic"}) {
        if (std::strstr(renderer, name)) return true;
    }
    return false;
}

// Whether notices go to standard error instead of a box that waits for the user.
bool notices_as_text = false;

// The box's title and text as one line of standard error: line breaks become spaces.
void print_notice(const char* title, const char* text)
{
    std::string line = std::string(title) + ":";
    bool at_break = true;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') {
            at_break = true;
            continue;
        }
        if (at_break) line += ' ';
        at_break = false;
        line += *c;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

void log_renderer()
{
    if (software_found) return;
    if (renders_in_software()) {
        // A headless driver never shows the box, so there is nothing to tell there either.
        if (notices_as_text) {
            if (!platform::video_is_headless()) print_notice(software_title, software_text);
        } else {
            platform::message_box(software_title, software_text, true);
        }
        software_found = true;
        rt_error_log_append("OpenGL Software Emulation");
    } else {
        rt_error_log_append("OpenGL Hardware Support");
    }
}

// A window of the requested client size times the window scale, centred with that (not the
// outer) size.
platform::Window create_window(int width, int height, int scale)
{
    const platform::DisplayMode desktop = platform::desktop_mode();
    width *= scale;
    height *= scale;
    return platform::window_create(window_title, (desktop.width - width) / 2,
                                   (desktop.height - height) / 2, width, height);
}

// Makes the object's context current on its window, creating a context when there is none
// or the old one cannot be used with this window. A context failure is not fatal: drawing
// then simply has no effect.
void attach_context(OpenGLRainbows& d)
{
    if (d.context && platform::gl_make_current(d.window, d.context)) return;
    if (d.context) platform::gl_delete_context(d.context);
    d.context = platform::gl_create_context(d.window);
    if (d.context) platform::gl_make_current(d.window, d.context);
}

// Tries n, n/2, ... samples (4 -> 2 -> 1, 3 -> 1) until a context with sample buffers is
// made; leaves the found window and context in the arguments, and nothing current.
bool find_multisample_window(int width, int height, int scale, int bits, int samples,
                             platform::Window& window, platform::GlContext& context)
{
    if (samples <= 0 || !render_multisample_offered()) return false;
    bool found = false;
    for (int n = samples; !found; n /= 2) {
        platform::gl_request_format(bits, 16, 8, n, render_context_api());
        window = create_window(width, height, scale);
        context = window ? platform::gl_create_context(window) : nullptr;
        found = context && platform::gl_make_current(window, context) && platform::gl_samples() > 0;
        if (!found) {
            if (context) platform::gl_delete_context(context);
            if (window) platform::window_destroy(window);
            window = 0;
            context = nullptr;
            if (n / 2 == 0) break;
        }
    }
    platform::gl_request_format(bits, 16, 8, 0, render_context_api());
    return found;
}

void load_extensions(OpenGLRainbows& d)
{
    render_context_ready();
    d.multitexture = render_multitexture();
}

void delete_texture(const OpenGLRainbows& d, std::uint32_t& name)
{
    if (d.gl_ready) render_texture_delete(name);
    name = 0;
}

void empty_entry(const OpenGLRainbows& d, SpriteEntry& entry)
{
    delete_texture(d, entry.texture[0]);
    delete_texture(d, entry.texture[1]);
    delete[] entry.mask;
    entry = SpriteEntry{};
}

void empty_sprite(OpenGLRainbows& d, int id)
{
    atlas_remove_sprite(d.atlas, id);
    // An id whose page was never made holds nothing, and freeing it makes no page.
    if (SpriteEntry* entry = d.sprites.find(id)) empty_entry(d, *entry);
}

void empty_slot(OpenGLRainbows& d, BackgroundSlot& slot)
{
    // Every tile, not only the grid in use: a smaller grab leaves the outer tiles behind.
    slot.tiles.for_each_made([&d](int, BackgroundTile& tile) {
        if (tile.texture != 0) delete_texture(d, tile.texture);
    });
    slot.tiles.clear();
    slot.columns = 0;
    slot.rows = 0;
}

void set_viewport(OpenGLRainbows& d, int x, int y, int w, int h)
{
    atlas_flush();
    if (w <= 0 || h <= 0) {
        w = d.width;
        h = d.height;
    }
    d.viewport_x = x;
    d.viewport_y = y;
    d.viewport_width = w;
    d.viewport_height = h;

    // GL counts the viewport's y from the bottom; the runtime from the top.
    render_reset_2d(x, d.height - h - y, w, h);
}

// Leaving fullscreen gives the desktop time to settle into its own mode again. Scripted runs
// jump over the pause on their virtual clock instead of spending it.
void settle_after_mode_change()
{
    if (platform::clock_is_virtual()) {
        platform::clock_jump_past_ms(platform::clock_virtual_ms() + 500);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
}

bool set_windowed(OpenGLRainbows& d)
{
    if (d.fullscreen) {
        platform::window_set_windowed(d.window);
        settle_after_mode_change();
    }
    int x = 0, y = 0;
    if (!platform::window_get_position(d.window, x, y)) {
        const platform::DisplayMode desktop = platform::desktop_mode();
        x = (desktop.width - d.width) / 2;
        y = (desktop.height - d.height) / 2;
    }
    // The window takes the stored size (which a mode change may have set anew) at its scale.
    platform::window_set_size(d.window, d.width * d.window_scale, d.height * d.window_scale);
    platform::window_set_position(d.window, x, y);
    platform::window_show(d.window);
    set_viewport(d, 0, 0, 0, 0);
    d.fullscreen = false;
    return true;
}

void release(OpenGLRainbows& d)
{
    scaled_frame_release(d);
    atlas_release(d.atlas, d.gl_ready);
    d.sprites.for_each_made([&d](int, SpriteEntry& entry) { empty_entry(d, entry); });
    d.sprites.clear();
    for (BackgroundSlot& slot : d.backgrounds) empty_slot(d, slot);
    // A second release (shutdown, then the destructor) finds no window and leaves it at that.
    if (d.window != 0) {
        set_windowed(d);
        platform::gl_make_current(0, nullptr);
        platform::window_destroy(d.window);
    }
    d.window = 0;
    d.width = 0;
    d.height = 0;
}

bool create(OpenGLRainbows& d, int width, int height, int colour_bits, int fps, int samples)
{
    d.frame_time = fps > 0 ? 1000.0 / fps : 2.0;
    if (!platform::video_init()) return false;
    // A display created again gets a new window; the old one goes once the new one stands.
    const platform::Window old_window = d.window;
    d.multisample = samples;

    const int bits = colour_bits != 0 ? colour_bits : platform::desktop_mode().bits;
    platform::gl_request_format(bits, 16, 8, 0, render_context_api());
    const platform::Window window = create_window(width, height, d.window_scale);
    if (window == 0) return false;
    d.window = window;

    int w = width, h = height;
    if (w == 0 || h == 0) {
        int window_w = 0, window_h = 0;
        platform::window_get_size(window, window_w, window_h);
        if (w == 0) w = window_w / d.window_scale;
        if (h == 0) h = window_h / d.window_scale;
    }
    d.colour_bits = bits;
    d.width = w;
    d.height = h;
    d.fullscreen = false;
    attach_context(d);

    if (samples != 0) {
        platform::Window ms_window = 0;
        platform::GlContext ms_context = nullptr;
        if (find_multisample_window(width, height, d.window_scale, bits, samples, ms_window,
                                    ms_context)) {
            // The first window goes as at release, its textures deleted in their own
            // context; that context is not needed any more either.
            if (d.context) platform::gl_make_current(d.window, d.context);
            release(d);
            if (d.context) platform::gl_delete_context(d.context);
            d.window = ms_window;
            d.context = ms_context;
            platform::gl_make_current(d.window, d.context);
        } else {
            d.multisample = 0;
            if (d.context) platform::gl_make_current(d.window, d.context);
        }
    }

    log_renderer();
    d.fullscreen = false;
    d.colour_bits = bits;
    d.height = h;
    d.width = w;
    d.next_frame_time = time_ms(&d);

    load_extensions(d);
    platform::window_show(d.window);
    if (old_window != 0 && old_window != d.window) platform::window_destroy(old_window);
    set_viewport(d, 0, 0, 0, 0);
    d.gl_ready = true;
    scaled_frame_init(d);
    return true;
}

bool set_fullscreen(OpenGLRainbows& d)
{
    const int desktop_bits = platform::desktop_mode().bits;
    const int bits = d.colour_bits != 0 && d.colour_bits != desktop_bits ? d.colour_bits : 0;
    bool switched = platform::window_set_fullscreen(d.window, d.width, d.height, bits);
    if (!switched) switched = platform::window_set_fullscreen(d.window, d.width, d.height, 0);
    if (!switched) {
        platform::beep();
        rt_error_log_append("No Fullscreen Mode available");
        set_windowed(d);
        return false;
    }
    // The same window and context carry on in fullscreen, so sprites and backgrounds stay.
    log_renderer();
    set_viewport(d, 0, 0, 0, 0);
    d.fullscreen = true;
    return true;
}

// white: the current colour is known to be opaque white, so the texels are drawn as they are
// (a plain texture replace costs a software rasteriser less than a multiply by white, which
// gives the same pixels).
void draw_background(OpenGLRainbows& d, int slot_index, bool white)
{
    if (slot_index < 0 || slot_index >= background_slot_count) return;
    const BackgroundSlot& slot = d.backgrounds[slot_index];
    if (slot.columns <= 0 || slot.rows <= 0) return;

    atlas_flush();
    render_set_alpha_test(false);
    render_texture_unit1_off();
    render_set_texturing(true);  // a bind of id -1 may have left texturing off
    if (white) render_set_texture_env(TextureEnv::replace);
    for (int i = 0; i < slot.columns && i < background_grid; ++i) {
        for (int j = 0; j < slot.rows && j < background_grid; ++j) {
            const BackgroundTile& tile = slot.tiles.get(i * background_grid + j);
            if (tile.texture == 0 || tile.texture_width <= 0 || tile.texture_height <= 0) continue;
            const float s = static_cast<float>(tile.used_width) / tile.texture_width;
            const float t = static_cast<float>(tile.used_height) / tile.texture_height;
            // Tiles are texture_width x texture_height in size, laid out from the top-left corner.
            const float left = static_cast<float>(i * tile.texture_width);
            const float top = static_cast<float>(j * tile.texture_height);
            const float right = left + tile.used_width;
            const float bottom = top + tile.used_height;
            render_bind_texture(tile.texture);
            render_quad(left, top, right, bottom, s, t);
        }
    }
    if (white) render_set_texture_env(TextureEnv::modulate);
    render_set_alpha_test(true);
}

}  // namespace

void screen_notices_as_text(bool on)
{
    notices_as_text = on;
}

OpenGLRainbows::OpenGLRainbows()
{
    double hz = 0;
    if (platform::counter_frequency(hz) && hz > 0) {
        counter_frequency = hz;
        high_resolution = 1;
    }
    next_frame_time = time_ms(this);
    atlas.batching = platform::video_sprite_batching_wanted();
}

OpenGLRainbows::~OpenGLRainbows()
{
    release(*this);
    if (context) platform::gl_delete_context(context);
    context = nullptr;
}

bool screen_create(int width, int height, int colour_bits, int fps, int samples)
{
    return create(*rt_display, width, height, colour_bits, fps, samples);
}

bool screen_set_fullscreen()
{
    return set_fullscreen(*rt_display);
}

bool screen_set_windowed()
{
    return set_windowed(*rt_display);
}

void screen_set_mode(int width, int height, int colour_bits, bool fullscreen)
{
    OpenGLRainbows& d = *rt_display;
    if (width != 0) d.width = width;
    if (height != 0) d.height = height;
    if (colour_bits != 0) d.colour_bits = colour_bits;
    if (fullscreen) {
        set_fullscreen(d);
    } else {
        set_windowed(d);
    }
}

void screen_set_viewport(int x, int y, int width, int height)
{
    set_viewport(*rt_display, x, y, width, height);
}

void screen_get_size(double& width, double& height)
{
    width = rt_display->width;
    height = rt_display->height;
}

void screen_release()
{
    release(*rt_display);
}

double display_time_ms()
{
    return time_ms(rt_display);
}

void screen_swap()
{
    atlas_flush();
    scaled_frame_swap(*rt_display);
    frame_fence_after_swap(rt_display->context);
}

void screen_clear_buffers()
{
    atlas_flush();
    // The stencil buffer goes with the depth buffer: nothing draws with it, and in the packed
    // depth-and-stencil buffer a software renderer gives, clearing depth alone is a masked
    // write of every pixel, where clearing both is one fill (a third of an idle frame's cost).
    render_clear(true);
}

void screen_clear()
{
    atlas_flush();
    empty_slot(*rt_display, rt_display->backgrounds[0]);
    render_clear(false);
}

void screen_draw_background(int slot)
{
    draw_background(*rt_display, slot, false);
}

void screen_prepare_frame()
{
    OpenGLRainbows& d = *rt_display;
    atlas_flush();
    render_set_blend(BlendMode::off);
    d.intensity = 1.0f;
    render_set_colour(1, 1, 1, 1);
    if (d.backgrounds[0].columns > 0 && d.backgrounds[0].rows > 0) draw_background(d, 0, true);
    set_viewport(d, 0, 0, 0, 0);
}

void screen_read_pixels(std::vector<std::uint8_t>& rgb)
{
    const int w = rt_display->width, h = rt_display->height;
    rgb.clear();
    if (w <= 0 || h <= 0) return;
    atlas_flush();
    const std::size_t row = static_cast<std::size_t>(w) * 3;
    std::vector<std::uint8_t> bottom_up(row * h);
    render_read_frame(0, 0, w, h, PixelLayout::rgb, bottom_up.data());
    rgb.resize(row * h);
    for (int y = 0; y < h; ++y) {
        std::memcpy(&rgb[row * y], &bottom_up[row * (h - 1 - y)], row);
    }
}

void screen_texture_unit1_off()
{
    render_texture_unit1_off();
}

void screen_empty_sprite(int id)
{
    if (rt_display != nullptr && id >= 0 && id < sprite_count) empty_sprite(*rt_display, id);
}

void screen_textured_quad(float left, float top, float right, float bottom, float s, float t)
{
    render_quad(left, top, right, bottom, s, t);
}
