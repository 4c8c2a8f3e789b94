// The drawing backend on OpenGL 1.x, the desktop's: immediate mode and client arrays, the
// fixed-function texture environment and alpha test, matrix stacks for the projection, and
// the extensions a 1.x driver may offer (multitexturing, framebuffer objects, fences) looked
// up at run time. The call sequences are those the display has always made, so the pixels a
// driver draws stay the same.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

#include "graphics/display.h"
#include "graphics/render_backend.h"
#include "graphics/texels.h"

static_assert(sizeof(GLuint) == sizeof(std::uint32_t), "texture names are kept as uint32");

namespace {

// The multitexturing entry points, loaded when the driver lists GL_ARB_multitexture. 2-D
// drawing only switches texture unit 1 off; multitexturing counts as available when
// glMultiTexCoord2fARB exists.
struct ArbEntryPoints {
    PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
    PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
};
ArbEntryPoints arb;

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

struct SyncEntryPoints {
    PFNGLFENCESYNCPROC fence_sync = nullptr;
    PFNGLCLIENTWAITSYNCPROC client_wait_sync = nullptr;
    PFNGLDELETESYNCPROC delete_sync = nullptr;
    PFNGLISSYNCPROC is_sync = nullptr;
};
SyncEntryPoints fences;

const char* gl_text(GLenum name)
{
    const GLubyte* s = glGetString(name);
    return s ? reinterpret_cast<const char*>(s) : nullptr;
}

// True when the driver lists the extension as a whole word.
bool has_extension(const char* word)
{
    const char* list = gl_text(GL_EXTENSIONS);
    if (list == nullptr) return false;
    const std::size_t n = std::strlen(word);
    for (const char* p = std::strstr(list, word); p; p = std::strstr(p + 1, word)) {
        const bool starts = p == list || p[-1] == ' ';
        const bool ends = p[n] == '\0' || p[n] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

// The driver's GL version, at least major.minor.
bool version_at_least(int wanted_major, int wanted_minor)
{
    const char* version = gl_text(GL_VERSION);
    int major = 0, minor = 0;
    if (version == nullptr || std::sscanf(version, "%d.%d", &major, &minor) != 2) return false;
    return major > wanted_major || (major == wanted_major && minor >= wanted_minor);
}

template <typename Entry>
void load(Entry& entry, const char* core_name, const char* extension_name = nullptr)
{
    void* address = platform::gl_proc_address(core_name);
    if (address == nullptr && extension_name) address = platform::gl_proc_address(extension_name);
    entry = reinterpret_cast<Entry>(address);
}

void set_unpack_defaults()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

GLint gl_filter(TextureFilter filter)
{
    return filter == TextureFilter::nearest ? GL_NEAREST : GL_LINEAR;
}

// The colour buffer reads come from: the back buffer, or the offscreen buffer's colour.
GLenum read_buffer()
{
    return rt_display != nullptr && rt_display->scaled.bound ? GL_COLOR_ATTACHMENT0_EXT : GL_BACK;
}

}  // namespace

platform::GlApi render_context_api()
{
    return platform::GlApi::compatibility;
}

void render_context_ready()
{
    arb = ArbEntryPoints{};
    const char* extensions = gl_text(GL_EXTENSIONS);
    if (extensions && std::strstr(extensions, "GL_ARB_multitexture")) {
        load(arb.glActiveTextureARB, "glActiveTextureARB");
        load(arb.glMultiTexCoord2fARB, "glMultiTexCoord2fARB");
    }
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
}

const char* render_renderer_name()
{
    return gl_text(GL_RENDERER);
}

bool render_multisample_offered()
{
    return has_extension("GL_ARB_multisample");
}

bool render_multitexture()
{
    return arb.glMultiTexCoord2fARB != nullptr;
}

int render_max_texture_size()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size >= 64 ? size : 64;  // GL 1.x guarantees at least 64
}

// GL 2.0 has textures of any size in its core; older versions may offer
// GL_ARB_texture_non_power_of_two.
bool render_any_texture_size()
{
    return version_at_least(2, 0) || has_extension("GL_ARB_texture_non_power_of_two");
}

int render_frame_alpha_bits()
{
    static GLint bits = 0;
    if (bits == 0) glGetIntegerv(GL_ALPHA_BITS, &bits);
    return bits;
}

void render_reset_2d(int x, int y, int w, int h)
{
    // GL counts y from the bottom; the runtime from the top. Vertices carry the negated
    // screen y, hence the projection from -h to 0.
    glViewport(x, y, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, -h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    render_texture_unit1_off();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.15f);

    for (GLenum cap : {GL_DEPTH_TEST, GL_DITHER, GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH,
                       GL_POLYGON_SMOOTH, GL_STENCIL_TEST, GL_POLYGON_OFFSET_POINT,
                       GL_COLOR_MATERIAL, GL_AUTO_NORMAL, GL_NORMALIZE, GL_LIGHTING}) {
        glDisable(cap);
    }

    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glShadeModel(GL_FLAT);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
}

void render_texture_unit1_off()
{
    if (arb.glMultiTexCoord2fARB == nullptr || arb.glActiveTextureARB == nullptr) return;
    arb.glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    arb.glActiveTextureARB(GL_TEXTURE0_ARB);
}

void render_set_texturing(bool on)
{
    if (on) {
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

void render_set_alpha_test(bool on)
{
    if (on) {
        glEnable(GL_ALPHA_TEST);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

void render_set_blend(BlendMode mode)
{
    if (mode == BlendMode::off) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    if (mode == BlendMode::additive) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
}

void render_set_colour(float r, float g, float b, float a)
{
    glColor4f(r, g, b, a);
}

void render_set_colour_bytes(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
{
    glColor4ub(r, g, b, a);
}

void render_set_texture_env(TextureEnv env)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE,
              env == TextureEnv::replace ? GL_REPLACE : GL_MODULATE);
}

void render_push_offset(float dx, float dy)
{
    // Vertices carry the negated screen y, so a shift down the screen is one down in GL terms.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslatef(dx, -dy, 0);
    glMatrixMode(GL_MODELVIEW);
}

void render_pop_offset()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void render_clear(bool depth_and_stencil)
{
    glClear(depth_and_stencil ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT
                              : GL_COLOR_BUFFER_BIT);
}

void render_quad(float left, float top, float right, float bottom, float s, float t)
{
    glBegin(GL_TRIANGLE_FAN);
    glTexCoord2f(0, 0);
    glVertex2f(left, -bottom);
    glTexCoord2f(s, 0);
    glVertex2f(right, -bottom);
    glTexCoord2f(s, t);
    glVertex2f(right, -top);
    glTexCoord2f(0, t);
    glVertex2f(left, -top);
    glEnd();
}

void render_rects(const TexturedRect* rects, int count)
{
    glBegin(GL_QUADS);
    for (int i = 0; i < count; ++i) {
        const TexturedRect& r = rects[i];
        glTexCoord2f(r.s0, r.t0);
        glVertex3f(r.left, -r.bottom, 0.0f);
        glTexCoord2f(r.s1, r.t0);
        glVertex3f(r.right, -r.bottom, 0.0f);
        glTexCoord2f(r.s1, r.t1);
        glVertex3f(r.right, -r.top, 0.0f);
        glTexCoord2f(r.s0, r.t1);
        glVertex3f(r.left, -r.top, 0.0f);
    }
    glEnd();
}

void render_triangles(const float* xy, const float* st, int count)
{
    // The client array takes the negated y like every other vertex.
    static std::vector<float> flipped;
    flipped.assign(xy, xy + static_cast<std::size_t>(count) * 2);
    for (std::size_t i = 1; i < flipped.size(); i += 2) flipped[i] = -flipped[i];
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, flipped.data());
    glTexCoordPointer(2, GL_FLOAT, 0, st);
    glDrawArrays(GL_TRIANGLES, 0, count);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void render_line(float ax, float ay, float bx, float by)
{
    glBegin(GL_LINES);
    glVertex2f(ax, -ay);
    glVertex2f(bx, -by);
    glEnd();
}

void render_point(float x, float y)
{
    glBegin(GL_POINTS);
    glVertex2f(x, -y);
    glEnd();
}

RenderTexture render_texture_create(const std::uint8_t* rgba, int w, int h, TextureFilter filter)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, gl_filter(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, gl_filter(filter));
    if (rgba != nullptr) set_unpack_defaults();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return name;
}

RenderTexture render_texture_create_mipmapped(const std::uint8_t* rgba, int w, int h)
{
    const GLuint name = render_texture_create(rgba, w, h, TextureFilter::linear);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    TexelBlock level;
    const std::uint8_t* texels = rgba;
    for (int n = 1; w > 1 || h > 1; ++n) {
        level = half_level(texels, w, h, w, h);
        texels = level.get();
        glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    }
    return name;
}

void render_texture_delete(RenderTexture& texture)
{
    if (texture != 0) glDeleteTextures(1, &texture);
    texture = 0;
}

void render_bind_texture(RenderTexture texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
}

void render_texture_set_filter(RenderTexture texture, TextureFilter filter)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, gl_filter(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, gl_filter(filter));
}

void render_texture_upload(RenderTexture texture, int x, int y, int w, int h,
                           const std::uint8_t* rgba)
{
    set_unpack_defaults();
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void render_texture_read(RenderTexture texture, int, int, std::uint8_t* rgba)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void render_texture_copy_frame(RenderTexture texture, int tx, int ty, int x, int y, int w, int h)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glReadBuffer(read_buffer());
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, tx, ty, x, y, w, h);
}

void render_read_frame(int x, int y, int w, int h, PixelLayout layout, std::uint8_t* out)
{
    glReadBuffer(read_buffer());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(x, y, w, h, layout == PixelLayout::rgb ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, out);
}

bool render_offscreen_available()
{
    return fbo.complete();
}

bool render_offscreen_always()
{
    return false;
}

namespace {

int power_of_two_at_least(int n)
{
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

}  // namespace

// A colour texture (a power of two each way, so that any driver takes it) and a packed depth
// and stencil buffer, as the window's has.
bool render_offscreen_create(ScaledTarget& s, int w, int h)
{
    glPushAttrib(GL_TEXTURE_BIT);  // the runtime's texture binding stays
    s.texture_width = power_of_two_at_least(w);
    s.texture_height = power_of_two_at_least(h);
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
    return complete;
}

void render_offscreen_delete(ScaledTarget& s)
{
    if (!fbo.complete()) return;
    if (s.bound) fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, 0);
    if (s.framebuffer != 0) fbo.delete_framebuffers(1, &s.framebuffer);
    if (s.depth_stencil != 0) fbo.delete_renderbuffers(1, &s.depth_stencil);
    if (s.colour != 0) glDeleteTextures(1, &s.colour);
}

void render_offscreen_bind(std::uint32_t framebuffer)
{
    fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, framebuffer);
}

void render_present_offscreen(platform::Window window, const ScaledTarget& s, int w, int h,
                              int area_w, int area_h, const platform::PictureRect& r)
{
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
    render_texture_unit1_off();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, s.colour);
    // Whole-number enlargements repeat each pixel; a shrunk picture blends its pixels.
    const GLint filter = r.width >= w ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(1, 1, 1, 1);
    const float st_s = static_cast<float>(w) / s.texture_width;
    const float st_t = static_cast<float>(h) / s.texture_height;
    const auto left = static_cast<float>(r.x), right = static_cast<float>(r.x + r.width);
    const auto bottom = static_cast<float>(area_h - r.y - r.height);
    const auto top = static_cast<float>(area_h - r.y);
    glBegin(GL_TRIANGLE_FAN);
    glTexCoord2f(0, 0);
    glVertex2f(left, bottom);
    glTexCoord2f(st_s, 0);
    glVertex2f(right, bottom);
    glTexCoord2f(st_s, st_t);
    glVertex2f(right, top);
    glTexCoord2f(0, st_t);
    glVertex2f(left, top);
    glEnd();
    glFlush();
    platform::gl_swap(window);
    fbo.bind_framebuffer(GL_FRAMEBUFFER_EXT, s.framebuffer);

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();  // the matrix mode, viewport, enables, binding and colour as they were
}

void render_present_window(platform::Window window)
{
    // A window's buffer swap sends the frame's drawing to the renderer; the swap of an
    // offscreen surface does not, and the renderer would go on collecting frame after frame of
    // commands it never draws. Sending them here draws every frame on every surface.
    glFlush();
    platform::gl_swap(window);
}

// GL 3.2 has fence objects in its core; older versions may offer them as GL_ARB_sync.
bool render_fences_load()
{
    fences = SyncEntryPoints{};
    if (!version_at_least(3, 2) && !has_extension("GL_ARB_sync")) return false;
    load(fences.fence_sync, "glFenceSync");
    load(fences.client_wait_sync, "glClientWaitSync");
    load(fences.delete_sync, "glDeleteSync");
    load(fences.is_sync, "glIsSync");
    if (!fences.fence_sync || !fences.client_wait_sync || !fences.delete_sync || !fences.is_sync) {
        fences = SyncEntryPoints{};
        return false;
    }
    return true;
}

void* render_fence_insert()
{
    return fences.fence_sync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

bool render_fence_known(void* fence)
{
    return fences.is_sync(static_cast<GLsync>(fence)) == GL_TRUE;
}

// A second at a time, as long as the renderer takes.
void render_fence_wait(void* fence)
{
    constexpr GLuint64 one_second_ns = 1000000000;
    for (;;) {
        const GLenum result = fences.client_wait_sync(static_cast<GLsync>(fence),
                                                      GL_SYNC_FLUSH_COMMANDS_BIT, one_second_ns);
        if (result != GL_TIMEOUT_EXPIRED) return;  // signalled, or the wait failed
    }
}

void render_fence_delete(void* fence)
{
    fences.delete_sync(static_cast<GLsync>(fence));
}

void render_finish()
{
    glFinish();
}
