// Showing the screen in a window of any size. Everything the runtime draws and reads works on
// a buffer of the screen's own size (640 x 480 for the game); while the window's drawable area
// has exactly that size, the buffer is the window's back buffer, as it always was. Otherwise
// the frame is drawn into an offscreen buffer of the screen's size, and each swap shows it
// scaled into the window: the largest whole-number factor that fits, centred on black, with
// crisp pixels (a window smaller than the screen gets it shrunk to fit, aspect kept).
#pragma once
#include <cstdint>

class OpenGLRainbows;

struct ScaledTarget {
    std::uint32_t framebuffer = 0, colour = 0, depth_stencil = 0;  // GL names; 0 = none yet
    int texture_width = 0, texture_height = 0;                     // the colour texture's size
    int width = 0, height = 0;  // the screen size the buffer was made for
    bool bound = false;         // drawing goes to the offscreen buffer
};

// Chooses where the first frame is drawn; without framebuffer objects in the current context
// every window shows the screen one to one, as before.
void scaled_frame_init(OpenGLRainbows& d);
// Shows the frame (scaled when the offscreen buffer is in use) and chooses where the next frame
// is drawn, from the window's drawable size now. Call in place of a plain buffer swap.
void scaled_frame_swap(OpenGLRainbows& d);
// Draws the next frames into the window's own back buffer again and deletes the offscreen one
// (before a context goes, or the screen changes size).
void scaled_frame_release(OpenGLRainbows& d);
