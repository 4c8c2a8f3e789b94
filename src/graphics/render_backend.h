// The drawing backend of the graphics subsystem: every GL call of src/graphics/ goes through
// these operations, and only the backend files include GL headers. Two implementations, one
// compiled into a build: OpenGL 1.x (render_backend_gl1.cpp, the desktop's) and GLES 3.0, which
// is what WebGL 2 offers (render_backend_gles3.cpp). Internal to src/graphics/.
//
// Positions are screen pixels from the viewport's top-left corner, y down. Texture coordinates
// have t = 0 at the texture's first row (the picture's bottom, as sprites are stored). Pixel
// rectangles of the frame (copies, read-backs) count rows from the bottom, as GL does.
#pragma once
#include <cstdint>

#include "platform/video.h"

struct ScaledTarget;

using RenderTexture = std::uint32_t;  // a texture name; 0 = none

enum class TextureFilter { nearest, linear };
enum class BlendMode { off, additive, alpha };  // additive: one + one; alpha: source alpha
enum class TextureEnv { modulate, replace };    // texel times colour, or the texel alone
enum class PixelLayout { rgb, rgba };           // 3 or 4 bytes a pixel, rows packed

// Context
platform::GlApi render_context_api();  // the context the platform is asked for
void render_context_ready();           // after a context was made current: loads entry points
const char* render_renderer_name();    // the driver's renderer string; nullptr when unknown
bool render_multisample_offered();     // multisampled windows are worth trying
bool render_multitexture();            // a second texture unit exists (and is kept off)
int render_max_texture_size();         // a side in texels; at least 64
bool render_any_texture_size();        // texture sides need not be powers of two
int render_frame_alpha_bits();         // destination alpha the frame keeps; asked while 0

// State of the 2-D drawing
// The viewport (x, y from the bottom) of w x h pixels with its projection, and everything else
// at its 2-D default: texturing and alpha test (alpha > 0.15) on, back faces culled, blending
// untouched, colour opaque white, clear colour black
void render_reset_2d(int x, int y, int w, int h);
void render_texture_unit1_off();  // with multitexturing: unit 1 off and unit 0 active
void render_set_texturing(bool on);
void render_set_alpha_test(bool on);
void render_set_blend(BlendMode mode);
void render_set_colour(float r, float g, float b, float a);
void render_set_colour_bytes(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
void render_set_texture_env(TextureEnv env);
void render_push_offset(float dx, float dy);  // shifts later drawing by (dx, dy) pixels
void render_pop_offset();                     // undoes the last push
void render_clear(bool depth_and_stencil);    // the colour buffer, and depth and stencil too

// Drawing with the current state; quads are counter-clockwise (drawn) when right > left and
// bottom > top, mirrored ones are culled
// One quad with texture coordinates (0, 0)-(s, t); without texturing, a solid one
void render_quad(float left, float top, float right, float bottom, float s, float t);
struct TexturedRect {
    float left, top, right, bottom;  // screen rectangle
    float s0, t0, s1, t1;            // texture coordinates at bottom-left and top-right
};
void render_rects(const TexturedRect* rects, int count);  // each as one quad, in order
// count vertices of triangles: xy and st hold two floats each
void render_triangles(const float* xy, const float* st, int count);
void render_line(float ax, float ay, float bx, float by);  // leaves out its last pixel
void render_point(float x, float y);                       // one pixel

// Textures: RGBA8, wrap mode repeat; creating or changing one leaves it bound on unit 0
// rgba may be null: the texels are left to be filled later
RenderTexture render_texture_create(const std::uint8_t* rgba, int w, int h, TextureFilter filter);
// The same with a full chain of smaller levels, sampled with linear mip-map filtering
RenderTexture render_texture_create_mipmapped(const std::uint8_t* rgba, int w, int h);
void render_texture_delete(RenderTexture& texture);  // 0 afterwards; safe on 0
void render_bind_texture(RenderTexture texture);     // on unit 0; 0 unbinds
void render_texture_set_filter(RenderTexture texture, TextureFilter filter);
// A w x h block of RGBA texels at (x, y) of level 0
void render_texture_upload(RenderTexture texture, int x, int y, int w, int h,
                           const std::uint8_t* rgba);
// Level 0 of a w x h texture into rgba (w * h * 4 bytes)
void render_texture_read(RenderTexture texture, int w, int h, std::uint8_t* rgba);
// The frame's w x h pixels at (x, y) into the texture at (tx, ty), alpha included
void render_texture_copy_frame(RenderTexture texture, int tx, int ty, int x, int y, int w, int h);

// The frame
// w x h pixels at (x, y) of the frame being drawn, bottom row first
void render_read_frame(int x, int y, int w, int h, PixelLayout layout, std::uint8_t* out);

// The offscreen frame of a window not of the screen's size (scaled_frame.h)
bool render_offscreen_available();  // framebuffer objects exist in this context
bool render_offscreen_always();     // every frame is drawn offscreen, whatever the window's size
// The colour texture and depth/stencil buffer of a w x h frame into s; false: incomplete
bool render_offscreen_create(ScaledTarget& s, int w, int h);
void render_offscreen_delete(ScaledTarget& s);          // names only; the caller resets s
void render_offscreen_bind(std::uint32_t framebuffer);  // 0: the window's own buffers
// Shows the offscreen frame of the screen's size (w x h) in the window, at the rectangle r of
// its area_w x area_h drawable (y from the top), black around it, and swaps; the 2-D state
// and the offscreen binding are as they were afterwards
void render_present_offscreen(platform::Window window, const ScaledTarget& s, int w, int h,
                              int area_w, int area_h, const platform::PictureRect& r);
void render_present_window(platform::Window window);  // sends the frame and swaps

// Fences: one per frame sent, waited for a frame later (frame_fence.h)
bool render_fences_load();             // for the current context; false: none
void* render_fence_insert();           // after the frame's commands
bool render_fence_known(void* fence);  // made in the current context and not deleted
void render_fence_wait(void* fence);   // until signalled, however long the renderer takes
void render_fence_delete(void* fence);
void render_finish();  // waits until everything sent is drawn
