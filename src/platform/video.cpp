// Windows and OpenGL contexts on SDL2. Windows are handed out by their SDL window id, so no SDL
// type reaches the display code; every call on an id that names no window does nothing.
// SDL window positions and sizes are those of the client area, which is what callers expect.
#include "platform/video.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/system_os.h"

namespace platform {

namespace {

bool video_started = false;

SDL_Window* window_of(Window w)
{
    if (w == 0 || !video_started) return nullptr;
    return SDL_GetWindowFromID(w);
}

// SDL's drivers that never show a picture ("evdev" is the dummy driver with console input).
bool is_headless_driver(const char* name)
{
    return name != nullptr &&
           (SDL_strcasecmp(name, "offscreen") == 0 || SDL_strcasecmp(name, "dummy") == 0 ||
            SDL_strcasecmp(name, "evdev") == 0);
}

// The picture a window shows, kept with the window (the mouse mapping reads it).
struct PictureSize {
    int width = 0, height = 0;
};
const char* const picture_key = "brillox.picture";

PictureSize picture_of(SDL_Window* window)
{
    const auto* size = static_cast<const PictureSize*>(SDL_GetWindowData(window, picture_key));
    return size != nullptr ? *size : PictureSize{};
}

// The smallest window a player can shrink it to: a quarter of the picture each way.
constexpr int smallest_window_width = 160, smallest_window_height = 120;

// 24 and 32 bits are the same true-colour depth: SDL reports XRGB modes as 24 bits, other
// systems call them 32.
bool same_depth(int a, int b)
{
    const auto rank = [](int bits) { return bits >= 24 ? 24 : bits; };
    return rank(a) == rank(b);
}

}  // namespace

bool video_init()
{
    if (video_started) return true;
    // Joysticks are a nicety; a machine whose joystick subsystem fails still gets its window.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) != 0) {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
        SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    }
    // SDL reports no screen-saver request as an event; the runtime swallows them while it
    // runs, so the screen saver is kept off for the whole run instead.
    SDL_DisableScreenSaver();
    // Loading the GL library once keeps it (and the driver under it) for the whole run:
    // otherwise SDL unloads it with the last GL window, which destroys every context and the
    // textures in them when the display replaces its window.
    SDL_GL_LoadLibrary(nullptr);
    video_started = true;
    return true;
}

void video_quit()
{
    if (!video_started) return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_JOYSTICK);
    video_started = false;
}

bool video_is_headless()
{
    if (video_started) return is_headless_driver(SDL_GetCurrentVideoDriver());
    // Before start-up the driver that will be chosen is the one the environment asks for.
    return is_headless_driver(std::getenv("SDL_VIDEODRIVER"));
}

const char* video_driver_name()
{
    const char* name = video_started ? SDL_GetCurrentVideoDriver() : nullptr;
    return name != nullptr ? name : "";
}

bool video_headless_requested()
{
    return is_headless_driver(std::getenv("SDL_VIDEODRIVER"));
}

std::string video_drivers_tried()
{
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && asked[0] != '\0') return asked;
    std::string list;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* name = SDL_GetVideoDriver(i);
        if (name == nullptr || is_headless_driver(name)) continue;
        if (!list.empty()) list += ", ";
        list += name;
    }
    return list.empty() ? "none" : list;
}

std::string display_variables()
{
    return display_environment();
}

const char* video_without_screen_advice()
{
    return without_screen_advice();
}

bool video_sprite_batching_wanted()
{
    const char* setting = std::getenv("BRILLOX_SPRITE_BATCHING");
    return setting == nullptr || std::strcmp(setting, "0") != 0;
}

DisplayMode desktop_mode()
{
    DisplayMode result{0, 0, 24};
    SDL_DisplayMode mode;
    if (video_started && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        result.width = mode.w;
        result.height = mode.h;
        const int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
        if (bits != 0) result.bits = bits;
    }
    return result;
}

void gl_request_format(int colour_bits, int depth_bits, int stencil_bits, int samples, GlApi api)
{
    if (api == GlApi::es3) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    } else {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The sizes are minimums; a 16-bit desktop cannot offer 8 bits a channel.
    const int channel = (colour_bits > 0 && colour_bits <= 16) ? 5 : 8;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, channel == 8 ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth_bits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil_bits);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
}

Window window_create(const char* title, int x, int y, int width, int height)
{
    if (!video_started) return 0;
    SDL_Window* window = SDL_CreateWindow(
        title, x, y, width, height,
        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window == nullptr) return 0;
    SDL_SetWindowMinimumSize(window, smallest_window_width, smallest_window_height);
    // A window manager keeps a resize within the desktop; window_keep_within_desktop catches
    // the resizes that pass by one.
    SDL_Rect desktop{};
    if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window), 0), &desktop) == 0 &&
        desktop.w > 0 && desktop.h > 0) {
        SDL_SetWindowMaximumSize(window, std::max(desktop.w, smallest_window_width),
                                 std::max(desktop.h, smallest_window_height));
    }
    return SDL_GetWindowID(window);
}

bool window_keep_within_desktop(Window w)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr || video_is_headless()) return false;
    SDL_Rect desktop{};
    if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window), 0), &desktop) != 0 ||
        desktop.w <= 0 || desktop.h <= 0)
        return false;
    // The window's size as SDL last heard it; pumping first brings in a resize that is
    // waiting, which the driver would otherwise meet first when it sizes its buffers.
    SDL_PumpEvents();
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    const int max_width = std::max(desktop.w, smallest_window_width);
    const int max_height = std::max(desktop.h, smallest_window_height);
    if (width <= max_width && height <= max_height) return false;
    SDL_SetWindowSize(window, std::min(width, max_width), std::min(height, max_height));
    return true;
}

void window_destroy(Window w)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return;
    delete static_cast<PictureSize*>(SDL_SetWindowData(window, picture_key, nullptr));
    SDL_DestroyWindow(window);
}

void window_set_title(Window w, const char* title)
{
    if (SDL_Window* window = window_of(w)) SDL_SetWindowTitle(window, title);
}

void window_show(Window w)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return;
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);  // raises and takes the input focus
}

void window_set_position(Window w, int x, int y)
{
    if (SDL_Window* window = window_of(w)) SDL_SetWindowPosition(window, x, y);
}

bool window_get_position(Window w, int& x, int& y)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return false;
    SDL_GetWindowPosition(window, &x, &y);
    return true;
}

void window_get_size(Window w, int& width, int& height)
{
    width = 0;
    height = 0;
    if (SDL_Window* window = window_of(w)) SDL_GetWindowSize(window, &width, &height);
}

void window_set_size(Window w, int width, int height)
{
    if (SDL_Window* window = window_of(w)) SDL_SetWindowSize(window, width, height);
}

bool window_set_fullscreen(Window w, int width, int height, int bits)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr || width <= 0 || height <= 0) return false;
    int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0) display = 0;

    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    SDL_DisplayMode closest;
    if (SDL_GetClosestDisplayMode(display, &wanted, &closest) == nullptr) return false;
    // SDL offers the next larger mode when the size itself is missing; the picture would then
    // fill only a corner of the screen, so only the exact size counts, as does the depth when
    // one is asked for.
    if (closest.w != width || closest.h != height) return false;
    if (bits != 0 && !same_depth(static_cast<int>(SDL_BITSPERPIXEL(closest.format)), bits)) {
        return false;
    }
    if (SDL_SetWindowDisplayMode(window, &closest) != 0) return false;
    return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
}

void window_set_windowed(Window w)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return;
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowBordered(window, SDL_TRUE);
}

void window_set_desktop_fullscreen(Window w, bool on)
{
    if (SDL_Window* window = window_of(w))
        SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

bool window_in_desktop_fullscreen(Window w)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return false;
    return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
           SDL_WINDOW_FULLSCREEN_DESKTOP;
}

void window_toggle_desktop_fullscreen(Window w)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return;
    const Uint32 flags = SDL_GetWindowFlags(window);
    // A program that set a display mode of its own keeps it; the keys leave that alone.
    if ((flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN) return;
    window_set_desktop_fullscreen(w, (flags & SDL_WINDOW_FULLSCREEN) == 0);
}

int window_fitting_scale(int width, int height, int wanted)
{
    SDL_Rect usable{};
    if (!video_started || width <= 0 || height <= 0 || SDL_GetDisplayUsableBounds(0, &usable) != 0)
        return std::max(wanted, 1);
    int scale = std::max(wanted, 1);
    while (scale > 1 && (width * scale > usable.w || height * scale > usable.h)) --scale;
    return scale;
}

void window_set_icon(Window w, const std::uint8_t* rgba, int width, int height)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr || rgba == nullptr || width <= 0 || height <= 0) return;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint8_t*>(rgba), width, height, 32, width * 4, SDL_PIXELFORMAT_RGBA32);
    if (icon == nullptr) return;
    SDL_SetWindowIcon(window, icon);  // SDL keeps its own copy
    SDL_FreeSurface(icon);
}

PictureRect fit_picture(int area_w, int area_h, int picture_w, int picture_h)
{
    if (area_w <= 0 || area_h <= 0 || picture_w <= 0 || picture_h <= 0) return {0, 0, 0, 0};
    int w = 0, h = 0;
    const int factor = std::min(area_w / picture_w, area_h / picture_h);
    if (factor >= 1) {
        w = picture_w * factor;
        h = picture_h * factor;
    } else if (static_cast<long long>(area_w) * picture_h <=
               static_cast<long long>(area_h) * picture_w) {
        // Narrower than the picture's shape: the width decides.
        w = area_w;
        h = std::max(1, static_cast<int>(static_cast<long long>(area_w) * picture_h / picture_w));
    } else {
        h = area_h;
        w = std::max(1, static_cast<int>(static_cast<long long>(area_h) * picture_w / picture_h));
    }
    return {(area_w - w) / 2, (area_h - h) / 2, w, h};
}

void window_set_picture_size(Window w, int width, int height)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return;
    auto* size = static_cast<PictureSize*>(SDL_GetWindowData(window, picture_key));
    if (size == nullptr) {
        size = new PictureSize;
        SDL_SetWindowData(window, picture_key, size);
    }
    *size = PictureSize{width, height};
}

namespace {

// The picture's rectangle in window units, and the window's size in them; false when the window
// shows its own pixels one to one.
bool picture_in_window(SDL_Window* window, double& x, double& y, double& scale_x, double& scale_y)
{
    const PictureSize picture = picture_of(window);
    int window_w = 0, window_h = 0, pixels_w = 0, pixels_h = 0;
    SDL_GetWindowSize(window, &window_w, &window_h);
    SDL_GL_GetDrawableSize(window, &pixels_w, &pixels_h);
    if (picture.width <= 0 || picture.height <= 0 || window_w <= 0 || window_h <= 0 ||
        pixels_w <= 0 || pixels_h <= 0)
        return false;
    const PictureRect r = fit_picture(pixels_w, pixels_h, picture.width, picture.height);
    const double units_per_pixel_x = static_cast<double>(window_w) / pixels_w;
    const double units_per_pixel_y = static_cast<double>(window_h) / pixels_h;
    x = r.x * units_per_pixel_x;
    y = r.y * units_per_pixel_y;
    scale_x = r.width * units_per_pixel_x / picture.width;  // window units per picture pixel
    scale_y = r.height * units_per_pixel_y / picture.height;
    return scale_x > 0 && scale_y > 0;
}

}  // namespace

void window_point_to_picture(Window w, int& x, int& y)
{
    SDL_Window* window = window_of(w);
    double left = 0, top = 0, sx = 1, sy = 1;
    if (window == nullptr || !picture_in_window(window, left, top, sx, sy)) return;
    x = static_cast<int>(std::floor((x - left) / sx));
    y = static_cast<int>(std::floor((y - top) / sy));
}

void window_point_from_picture(Window w, int& x, int& y)
{
    SDL_Window* window = window_of(w);
    double left = 0, top = 0, sx = 1, sy = 1;
    if (window == nullptr || !picture_in_window(window, left, top, sx, sy)) return;
    // The middle of the picture pixel, so that mapping back gives the same pixel.
    x = static_cast<int>(std::floor(left + (x + 0.5) * sx));
    y = static_cast<int>(std::floor(top + (y + 0.5) * sy));
}

GlContext gl_create_context(Window w)
{
    SDL_Window* window = window_of(w);
    if (window == nullptr) return nullptr;
    return SDL_GL_CreateContext(window);
}

bool gl_make_current(Window w, GlContext c)
{
    if (!video_started) return false;
    SDL_Window* window = window_of(w);
    if (window == nullptr || c == nullptr) return SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
    return SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(c)) == 0;
}

void gl_delete_context(GlContext c)
{
    if (c != nullptr && video_started) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(c));
}

void gl_swap(Window w)
{
    if (SDL_Window* window = window_of(w)) SDL_GL_SwapWindow(window);
}

void gl_drawable_size(Window w, int& width, int& height)
{
    width = 0;
    height = 0;
    if (SDL_Window* window = window_of(w)) SDL_GL_GetDrawableSize(window, &width, &height);
}

int gl_samples()
{
    if (!video_started || SDL_GL_GetCurrentContext() == nullptr) return 0;
    int samples = 0;
    if (SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples) != 0) return 0;
    return samples;
}

void* gl_proc_address(const char* name)
{
    if (!video_started || name == nullptr) return nullptr;
    return SDL_GL_GetProcAddress(name);
}

}  // namespace platform
