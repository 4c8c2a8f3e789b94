// Windows and OpenGL contexts for the display object. Windows are named by small numbers
// (0 = none) so that no SDL type leaves the platform layer.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

using Window = std::uint32_t;  // 0 = no window
using GlContext = void*;       // nullptr = no context

bool video_init();  // starts the video subsystem once; false if no video driver works
void video_quit();
bool video_is_headless();  // the offscreen or dummy driver: nothing is ever on a screen
const char* video_driver_name();
bool video_headless_requested();  // SDL_VIDEODRIVER names the offscreen or dummy driver
// SDL_VIDEODRIVER when set, else the drivers SDL tries that show a picture
std::string video_drivers_tried();
std::string display_variables();      // "DISPLAY=:0, WAYLAND_DISPLAY unset" and the like
bool video_sprite_batching_wanted();  // false when the environment sets BRILLOX_SPRITE_BATCHING=0

struct DisplayMode {
    int width, height, bits;
};
DisplayMode desktop_mode();  // the desktop's size and bits per pixel (24 when unknown)

// Pixel format requested for windows created afterwards: double buffered, RGBA, compatibility
// profile. samples 0 requests no multisampling.
void gl_request_format(int colour_bits, int depth_bits, int stencil_bits, int samples);

// A hidden OpenGL window with a caption and no sizing border; x, y and size are the client
// area's. 0 on failure.
Window window_create(const char* title, int x, int y, int width, int height);
void window_destroy(Window w);
void window_set_title(Window w, const char* title);
void window_show(Window w);  // shows, raises and focuses
void window_set_position(Window w, int x, int y);
bool window_get_position(Window w, int& x, int& y);  // client-area corner; false if unknown
void window_get_size(Window w, int& width, int& height);
void window_set_size(Window w, int width, int height);  // the client area's size

// Fullscreen: switches the window to the closest display mode of that size (and bits when
// non-zero). False, and the window unchanged, when no such mode can be set.
bool window_set_fullscreen(Window w, int width, int height, int bits);
void window_set_windowed(Window w);  // back to the desktop mode with a caption

GlContext gl_create_context(Window w);        // nullptr on failure
bool gl_make_current(Window w, GlContext c);  // w 0 / c nullptr detaches
void gl_delete_context(GlContext c);
void gl_swap(Window w);
int gl_samples();                         // multisample samples of the current context's format
void* gl_proc_address(const char* name);  // nullptr when the driver has no such entry point

}  // namespace platform
