// The offscreen buffer of the screen's size and the scaled presentation of it (scaled_frame.h).
#include "graphics/scaled_frame.h"

#include "graphics/display.h"
#include "graphics/render_backend.h"
#include "platform/video.h"

namespace {

// The offscreen buffer for the screen's size.
bool make_buffer(OpenGLRainbows& d)
{
    ScaledTarget& s = d.scaled;
    scaled_frame_release(d);
    const bool complete = render_offscreen_create(s, d.width, d.height);
    s.width = d.width;
    s.height = d.height;
    if (!complete) scaled_frame_release(d);
    return complete;
}

// Draws the offscreen buffer into the window's back buffer, fitted, and swaps. The runtime's
// drawing state is left exactly as it was.
void show_scaled(OpenGLRainbows& d)
{
    int area_w = 0, area_h = 0;
    platform::gl_drawable_size(d.window, area_w, area_h);
    const platform::PictureRect r = platform::fit_picture(area_w, area_h, d.width, d.height);
    render_present_offscreen(d.window, d.scaled, d.width, d.height, area_w, area_h, r);
}

// Where the next frame is drawn: the offscreen buffer while the drawable area differs from the
// screen's size (or always, where the backend draws every frame offscreen), else the back
// buffer. The frame after a swap starts afresh (the runtime clears it), so nothing needs to be
// carried from one buffer to the other.
void choose_target(OpenGLRainbows& d)
{
    if (!render_offscreen_available() || d.width <= 0 || d.height <= 0) return;
    int area_w = 0, area_h = 0;
    platform::gl_drawable_size(d.window, area_w, area_h);
    const bool other_size = area_w > 0 && area_h > 0 && (area_w != d.width || area_h != d.height);
    const bool scaled = other_size || render_offscreen_always();
    ScaledTarget& s = d.scaled;
    if (scaled && (s.framebuffer == 0 || s.width != d.width || s.height != d.height)) {
        if (!make_buffer(d)) return;  // no buffer: the window shows the screen one to one
    }
    if (scaled != s.bound) {
        render_offscreen_bind(scaled ? s.framebuffer : 0);
        s.bound = scaled;
    }
}

}  // namespace

void scaled_frame_init(OpenGLRainbows& d)
{
    scaled_frame_release(d);  // a display created again keeps its context, and so the buffer
    platform::window_set_picture_size(d.window, d.width, d.height);
    choose_target(d);
}

void scaled_frame_swap(OpenGLRainbows& d)
{
    // Before anything is drawn into the window's own buffer: the driver sizes that buffer by
    // the window when it is next drawn into, and a window resized to 8000 x 8000 pixels would
    // cost the better part of a gigabyte for a picture the desktop cannot show.
    if (platform::window_keep_within_desktop(d.window)) choose_target(d);
    if (d.scaled.bound) {
        show_scaled(d);
    } else {
        render_present_window(d.window);
    }
    platform::window_set_picture_size(d.window, d.width, d.height);
    choose_target(d);
}

void scaled_frame_release(OpenGLRainbows& d)
{
    ScaledTarget& s = d.scaled;
    if (d.gl_ready) render_offscreen_delete(s);
    s = ScaledTarget{};
}
