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
// What decides whether there is a screen: "DISPLAY=:0, WAYLAND_DISPLAY unset" and the like, or
// on Windows the window station ("window station WinSta0 (interactive)")
std::string display_variables();
// What a user who has no screen can do: "Set SDL_VIDEODRIVER=offscreen to run without a
// screen." where a driver without a screen can draw with OpenGL; on Windows none can.
const char* video_without_screen_advice();
bool video_sprite_batching_wanted();  // false when the environment sets BRILLOX_SPRITE_BATCHING=0

struct DisplayMode {
    int width, height, bits;
};
DisplayMode desktop_mode();  // the desktop's size and bits per pixel (24 when unknown)

// The kind of OpenGL context requested: the compatibility profile (OpenGL 1.x drawing) or
// OpenGL ES 3.0 (what WebGL 2 offers; a browser maps the request to a WebGL 2 context).
enum class GlApi { compatibility, es3 };

// Pixel format and context kind requested for windows created afterwards: double buffered,
// RGBA. samples 0 requests no multisampling.
void gl_request_format(int colour_bits, int depth_bits, int stencil_bits, int samples, GlApi api);

// A hidden OpenGL window with a caption; x, y and size are the client area's. 0 on failure.
// The user may resize it: the display shows its picture scaled to whatever size it gets.
Window window_create(const char* title, int x, int y, int width, int height);
void window_destroy(Window w);
void window_set_title(Window w, const char* title);
void window_show(Window w);  // shows, raises and focuses
void window_set_position(Window w, int x, int y);
bool window_get_position(Window w, int& x, int& y);  // client-area corner; false if unknown
void window_get_size(Window w, int& width, int& height);
void window_set_size(Window w, int width, int height);  // the client area's size
// Shrinks a window that was made larger than its desktop (by a resize no window manager
// checked) back to the desktop's size; the driver's buffers for it would grow with it, and
// nobody can see the part beyond the desktop. True when it shrank.
bool window_keep_within_desktop(Window w);

// Fullscreen: switches the window to the closest display mode of that size (and bits when
// non-zero). False, and the window unchanged, when no such mode can be set.
bool window_set_fullscreen(Window w, int width, int height, int bits);
void window_set_windowed(Window w);  // back to the desktop mode with a caption

// Desktop fullscreen: the window covers its screen at the desktop's own mode (no mode change).
// F11 and Alt+Enter toggle it for the focused window (see events.h).
void window_set_desktop_fullscreen(Window w, bool on);
bool window_in_desktop_fullscreen(Window w);
void window_toggle_desktop_fullscreen(Window w);  // nothing while a display mode is set
// The largest whole factor, at most wanted, at which a window of this client size still fits
// on the desktop's usable area (at least 1).
int window_fitting_scale(int width, int height, int wanted);
// rgba: width x height pixels, 4 bytes each, top row first.
void window_set_icon(Window w, const std::uint8_t* rgba, int width, int height);

// Where a picture of picture_w x picture_h goes in an area (both in pixels, y from the top):
// the largest whole-number multiple of its size that fits, centred; an area smaller than the
// picture gets the largest size that fits with the picture's aspect ratio.
struct PictureRect {
    int x, y, width, height;
};
PictureRect fit_picture(int area_w, int area_h, int picture_w, int picture_h);
// The picture the window shows, so that mouse positions can be given in its pixels (see
// mouse_state in system.h); 0 x 0 (the default) means the window's own pixels.
void window_set_picture_size(Window w, int width, int height);
// A point of the window's client area (in SDL's window units) in picture pixels, and back.
void window_point_to_picture(Window w, int& x, int& y);
void window_point_from_picture(Window w, int& x, int& y);

GlContext gl_create_context(Window w);        // nullptr on failure
bool gl_make_current(Window w, GlContext c);  // w 0 / c nullptr detaches
void gl_delete_context(GlContext c);
void gl_swap(Window w);
void gl_drawable_size(Window w, int& width, int& height);  // in pixels (HiDPI: more than the
                                                           // window)
int gl_samples();                         // multisample samples of the current context's format
void* gl_proc_address(const char* name);  // nullptr when the driver has no such entry point

}  // namespace platform
