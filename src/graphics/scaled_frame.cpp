// The offscreen buffer of the screen's size and the scaled presentation of it (scaled_frame.h).
#include "graphics/scaled_frame.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <type_traits>

#include "graphics/display.h"
#include "graphics/gl_shared.h"
#include "platform/video.h"

namespace {

// Framebuffer objects are beyond OpenGL 1.x; every driver of the last fifteen years has them,
// under the core names or the extension's.
struct FramebufferEntryPoints {
    PFNGLGENFRAMEBUFFERSEXTPROC gen_framebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSEXTPROC delete_framebuffers = nullptr;
    PFNGLBINDFRAMEBUFFEREXTPROC bind_framebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DEXTPROC framebuffer_texture_2d = nullptr;
    PFNGLGENRENDERBUFFERSEXTPROC gen_renderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSEXTPROC delete_renderbuffers = nullptr;
    PFNGLBINDRENDERBUFFEREXTPROC bind_renderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEEXTPROC renderbuffer_storage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC framebuffer_renderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC check_framebuffer_status = nullptr;

    bool complete() const
    {
        return gen_framebuffers && delete_framebuffers && bind_framebuffer &&
               framebuffer_texture_2d && gen_renderbuffers && delete_renderbuffers &&
               bind_renderbuffer && renderbuffer_storage && framebuffer_renderbuffer &&
               check_framebuffer_status;
    }
};
FramebufferEntryPoints fbo;

template <typename Entry>
void load(Entry& entry, const char* core_name, const char* extension_name)
{
    void* address = platform::gl_proc_address(core_name);
    if (address == nullptr) address = platform::gl_proc_address(extension_name);
    entry = reinterpret_cast<Entry>(address);
}

int power_of_two_at_least(int n)
{
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

// The offscreen buffer for the screen's size: a colour texture (a power of two each way, so
// that any driver takes it) and a packed depth and stencil buffer, as the window's has.
bool make_buffer(OpenGLRainbows& d)
{
    ScaledTarget& s = d.scaled;
    scaled_frame_release(d);
    glPushAttrib(GL_TEXTURE_BIT);  // the runtime's texture binding stays
    s.texture_width = power_of_two_at_least(d.width);
    s.texture_height = power_of_two_at_least(d.height);
    GLuint colour = 0, depth_stencil = 0, framebuffer = 0;
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, s.texture_width, s.texture_height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    fbo.gen_renderbuffers(1, &depth_stencil);
    fbo.bind_renderbuffer(GL_RENDERBUFFER_EXT, depth_stencil);
    fbo.renderbuffer_storage(GL_RENDERBUFFER_EXT, GL_DEPTH24_STENCIL8_EXT, s.texture_width,
                             s.texture_height);
    fbo.gen_framebuffers(1, &framebuffer);
    fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, framebuffer);
    fbo.framebuffer_texture_2d(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour,
                               0);
    fbo.framebuffer_renderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 depth_stencil);
    fbo.framebuffer_renderbuffer(GL_FRAMEBUFFER_EXT, GL_STENCIL_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 depth_stencil);
    const bool complete =
        fbo.check_framebuffer_status(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
    glPopAttrib();
    s.colour = colour;
    s.depth_stencil = depth_stencil;
    s.framebuffer = framebuffer;
    s.width = d.width;
    s.height = d.height;
    if (!complete) scaled_frame_release(d);
    return complete;
}

// Draws the offscreen buffer into the window's back buffer, fitted, and swaps. The runtime's
// GL state is left exactly as it was.
void show_scaled(OpenGLRainbows& d)
{
    int area_w = 0, area_h = 0;
    platform::gl_drawable_size(d.window, area_w, area_h);
    const platform::PictureRect r = platform::fit_picture(area_w, area_h, d.width, d.height);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, area_w, 0, area_h, -1, 1);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
    glViewport(0, 0, area_w, area_h);
    for (GLenum cap : {GL_BLEND, GL_ALPHA_TEST, GL_CULL_FACE, GL_DEPTH_TEST, GL_STENCIL_TEST,
                       GL_SCISSOR_TEST, GL_LIGHTING, GL_FOG}) {
        glDisable(cap);
    }
    // Black around the picture; a picture that fills the window needs none.
    if (r.width != area_w || r.height != area_h) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    screen_texture_unit1_off();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, d.scaled.colour);
    // Whole-number enlargements repeat each pixel; a shrunk picture blends its pixels.
    const GLint filter = r.width >= d.width ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(1, 1, 1, 1);
    const float s = static_cast<float>(d.width) / d.scaled.texture_width;
    const float t = static_cast<float>(d.height) / d.scaled.texture_height;
    const auto left = static_cast<float>(r.x), right = static_cast<float>(r.x + r.width);
    const auto bottom = static_cast<float>(area_h - r.y - r.height);
    const auto top = static_cast<float>(area_h - r.y);
    glBegin(GL_TRIANGLE_FAN);
    glTexCoord2f(0, 0);
    glVertex2f(left, bottom);
    glTexCoord2f(s, 0);
    glVertex2f(right, bottom);
    glTexCoord2f(s, t);
    glVertex2f(right, top);
    glTexCoord2f(0, t);
    glVertex2f(left, top);
    glEnd();
    glFlush();
    platform::gl_swap(d.window);
    fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, d.scaled.framebuffer);

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();  // the matrix mode, viewport, enables, binding and colour as they were
}

// Where the next frame is drawn: the offscreen buffer while the drawable area differs from the
// screen's size, else the back buffer. The frame after a swap starts afresh (the runtime
// clears it), so nothing needs to be carried from one buffer to the other.
void choose_target(OpenGLRainbows& d)
{
    if (!fbo.complete() || d.width <= 0 || d.height <= 0) return;
    int area_w = 0, area_h = 0;
    platform::gl_drawable_size(d.window, area_w, area_h);
    const bool scaled = area_w > 0 && area_h > 0 && (area_w != d.width || area_h != d.height);
    ScaledTarget& s = d.scaled;
    if (scaled && (s.framebuffer == 0 || s.width != d.width || s.height != d.height)) {
        if (!make_buffer(d)) return;  // no buffer: the window shows the screen one to one
    }
    if (scaled != s.bound) {
        fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, scaled ? s.framebuffer : 0);
        s.bound = scaled;
    }
}

}  // namespace

void scaled_frame_init(OpenGLRainbows& d)
{
    scaled_frame_release(d);  // a display created again keeps its context, and so the buffer
    fbo = FramebufferEntryPoints{};
    load(fbo.gen_framebuffers, "glGenFramebuffers", "glGenFramebuffersEXT");
    load(fbo.delete_framebuffers, "glDeleteFramebuffers", "glDeleteFramebuffersEXT");
    load(fbo.bind_framebuffer, "glBindFramebuffer", "glBindFramebufferEXT");
    load(fbo.framebuffer_texture_2d, "glFramebufferTexture2D", "glFramebufferTexture2DEXT");
    load(fbo.gen_renderbuffers, "glGenRenderbuffers", "glGenRenderbuffersEXT");
    load(fbo.delete_renderbuffers, "glDeleteRenderbuffers", "glDeleteRenderbuffersEXT");
    load(fbo.bind_renderbuffer, "glBindRenderbuffer", "glBindRenderbufferEXT");
    load(fbo.renderbuffer_storage, "glRenderbufferStorage", "glRenderbufferStorageEXT");
    load(fbo.framebuffer_renderbuffer, "glFramebufferRenderbuffer", "glFramebufferRenderbufferEXT");
    load(fbo.check_framebuffer_status, "glCheckFramebufferStatus", "glCheckFramebufferStatusEXT");
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
        // A window's buffer swap sends the frame's drawing to the renderer; the swap of an
        // offscreen surface does not, and the renderer would go on collecting frame after
        // frame of commands it never draws. Sending them here draws every frame on every
        // surface.
        glFlush();
        platform::gl_swap(d.window);
    }
    platform::window_set_picture_size(d.window, d.width, d.height);
    choose_target(d);
}

void scaled_frame_release(OpenGLRainbows& d)
{
    ScaledTarget& s = d.scaled;
    if (fbo.complete() && d.gl_ready) {
        if (s.bound) fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
        if (s.framebuffer != 0) fbo.delete_framebuffers(1, &s.framebuffer);
        if (s.depth_stencil != 0) fbo.delete_renderbuffers(1, &s.depth_stencil);
        if (s.colour != 0) glDeleteTextures(1, &s.colour);
    }
    s = ScaledTarget{};
}

unsigned scaled_frame_read_buffer(const OpenGLRainbows& d)
{
    return d.scaled.bound ? GL_COLOR_ATTACHMENT0_EXT : GL_BACK;
}
