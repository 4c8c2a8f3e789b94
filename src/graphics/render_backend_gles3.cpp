// The drawing backend on OpenGL ES 3.0, which is what WebGL 2 offers: one small shader program
// stands in for the fixed-function texture environment and alpha test, a streamed vertex
// buffer for immediate mode, an orthographic mapping of our own for the matrix stacks. Every
// frame is drawn into a framebuffer object of the screen's size and shown scaled into the
// window with its alpha forced to 1 (a browser page would show through a frame whose alpha is
// below 1). Textures go up and come back as RGBA only; a texture is read back through a
// framebuffer object, as GLES has no glGetTexImage.
#include <GLES3/gl3.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "graphics/display.h"
#include "graphics/render_backend.h"
#include "graphics/texels.h"

static_assert(sizeof(GLuint) == sizeof(std::uint32_t), "texture names are kept as uint32");

namespace {

const char* const vertex_source = R"(#version 300 es
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texcoord;
uniform vec2 scale;   // 2 / viewport width, 2 / viewport height
uniform vec2 offset;  // in pixels
out highp vec2 uv;
void main()
{
    uv = texcoord;
    vec2 p = position + offset;
    // Screen pixels (y down) to clip space, as glOrtho(0, w, -h, 0) does with y negated.
    gl_Position = vec4(p.x * scale.x - 1.0, 1.0 - p.y * scale.y, 0.0, 1.0);
    gl_PointSize = 1.0;
}
)";

// mode 0: the colour alone (texturing off); 1: texel times colour; 2: the texel alone; 3: the
// texel's colour, opaque (the frame shown in the window).
const char* const fragment_source = R"(#version 300 es
precision highp float;
uniform sampler2D picture;
uniform vec4 colour;
uniform int mode;
uniform bool alpha_test;
in highp vec2 uv;
out vec4 fragment;
void main()
{
    vec4 c = colour;
    if (mode == 1) c = texture(picture, uv) * colour;
    if (mode == 2) c = texture(picture, uv);
    if (mode == 3) c = vec4(texture(picture, uv).rgb, 1.0);
    if (alpha_test && !(c.a > 0.15)) discard;
    fragment = c;
}
)";

struct Uniforms {
    GLint scale = -1, offset = -1, colour = -1, mode = -1, alpha_test = -1, picture = -1;
};

// What fixed-function GL would keep as state, and what was last sent to the program.
struct State {
    GLuint program = 0, vertex_array = 0, vertex_buffer = 0;
    Uniforms uniforms;
    int viewport_w = 1, viewport_h = 1;
    float offset_x = 0, offset_y = 0;
    std::vector<float> offsets;  // pushed offsets, two floats each
    bool texturing = true, alpha_test = true;
    TextureEnv env = TextureEnv::modulate;
    bool opaque = false;  // the frame shown in the window: texels with alpha 1
    float colour[4] = {1, 1, 1, 1};
    BlendMode blend = BlendMode::off;
    GLuint texture = 0;           // bound on unit 0
    GLuint framebuffer = 0;       // bound for drawing and reading; 0: the window's
    std::vector<float> vertices;  // x, y, s, t per vertex, for the next draw
};
State state;

GLuint compile(GLenum kind, const char* source)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "GLES shader: %s\n", log);
    }
    return shader;
}

void make_program()
{
    const GLuint vertex = compile(GL_VERTEX_SHADER, vertex_source);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragment_source);
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "GLES program: %s\n", log);
    }
    state.program = program;
    Uniforms& u = state.uniforms;
    u.scale = glGetUniformLocation(program, "scale");
    u.offset = glGetUniformLocation(program, "offset");
    u.colour = glGetUniformLocation(program, "colour");
    u.mode = glGetUniformLocation(program, "mode");
    u.alpha_test = glGetUniformLocation(program, "alpha_test");
    u.picture = glGetUniformLocation(program, "picture");
}

// Sends the kept state to the program; called before every draw.
void apply_state()
{
    const Uniforms& u = state.uniforms;
    glUniform2f(u.scale, 2.0f / static_cast<float>(state.viewport_w),
                2.0f / static_cast<float>(state.viewport_h));
    glUniform2f(u.offset, state.offset_x, state.offset_y);
    glUniform4fv(u.colour, 1, state.colour);
    // Texturing with no texture bound draws in the colour alone, as fixed-function GL does
    // with an incomplete texture.
    int mode = 0;
    if (state.texturing && state.texture != 0) mode = state.env == TextureEnv::replace ? 2 : 1;
    glUniform1i(u.mode, state.opaque ? 3 : mode);
    glUniform1i(u.alpha_test, state.alpha_test ? 1 : 0);
}

void push_vertex(float x, float y, float s, float t)
{
    state.vertices.insert(state.vertices.end(), {x, y, s, t});
}

// Draws the collected vertices as the given primitives and empties the collection.
void draw(GLenum primitive)
{
    if (state.vertices.empty()) return;
    apply_state();
    glBindBuffer(GL_ARRAY_BUFFER, state.vertex_buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(state.vertices.size() * sizeof(float)),
                 state.vertices.data(), GL_STREAM_DRAW);
    glDrawArrays(primitive, 0, static_cast<GLsizei>(state.vertices.size() / 4));
    state.vertices.clear();
}

// A quad as the two triangles GL makes of a fan: (0, 1, 2) and (0, 2, 3).
void push_quad(const float x[4], const float y[4], const float s[4], const float t[4])
{
    for (int corner : {0, 1, 2, 0, 2, 3}) push_vertex(x[corner], y[corner], s[corner], t[corner]);
}

void set_unpack_defaults()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}

void set_pack_defaults()
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
}

GLint gl_filter(TextureFilter filter)
{
    return filter == TextureFilter::nearest ? GL_NEAREST : GL_LINEAR;
}

void bind(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    state.texture = texture;
}

void apply_blend(BlendMode mode)
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

// The window's alpha made 1 everywhere, colours untouched: for a window whose buffer was drawn
// into directly (the offscreen frame is shown opaque by the program itself).
void force_opaque_alpha()
{
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

}  // namespace

platform::GlApi render_context_api()
{
    return platform::GlApi::es3;
}

void render_context_ready()
{
    // A display made again may keep its context, and with it the program and buffers.
    if (state.program == 0 || !glIsProgram(state.program)) make_program();
    if (state.vertex_array == 0 || !glIsVertexArray(state.vertex_array)) {
        glGenVertexArrays(1, &state.vertex_array);
        glGenBuffers(1, &state.vertex_buffer);
        glBindVertexArray(state.vertex_array);
        glBindBuffer(GL_ARRAY_BUFFER, state.vertex_buffer);
        const GLsizei stride = 4 * sizeof(float);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(2 * sizeof(float)));
    }
    glUseProgram(state.program);
    glBindVertexArray(state.vertex_array);
    glUniform1i(state.uniforms.picture, 0);
    glActiveTexture(GL_TEXTURE0);
    state.framebuffer = 0;
    state.texture = 0;
    state.blend = BlendMode::off;
    glDisable(GL_BLEND);
}

const char* render_renderer_name()
{
    const GLubyte* s = glGetString(GL_RENDERER);
    return s ? reinterpret_cast<const char*>(s) : nullptr;
}

bool render_multisample_offered()
{
    // Every frame is drawn offscreen; the window's samples would never be drawn into.
    return false;
}

bool render_multitexture()
{
    return false;
}

int render_max_texture_size()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size >= 64 ? size : 64;
}

bool render_any_texture_size()
{
    return true;  // GLES 3.0 takes any size, with every wrap mode
}

int render_frame_alpha_bits()
{
    if (state.framebuffer != 0) return 8;  // the offscreen frame is RGBA8
    GLint bits = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_BACK,
                                          GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE, &bits);
    return bits;
}

void render_reset_2d(int x, int y, int w, int h)
{
    glViewport(x, y, w, h);
    state.viewport_w = w > 0 ? w : 1;
    state.viewport_h = h > 0 ? h : 1;
    state.offset_x = 0;
    state.offset_y = 0;
    state.offsets.clear();
    state.texturing = true;
    state.alpha_test = true;
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    for (GLenum cap : {GL_DEPTH_TEST, GL_DITHER, GL_STENCIL_TEST, GL_SCISSOR_TEST,
                       GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE}) {
        glDisable(cap);
    }
    render_set_colour(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
}

void render_texture_unit1_off() {}

void render_set_texturing(bool on)
{
    state.texturing = on;
}

void render_set_alpha_test(bool on)
{
    state.alpha_test = on;
}

void render_set_blend(BlendMode mode)
{
    state.blend = mode;
    apply_blend(mode);
}

void render_set_colour(float r, float g, float b, float a)
{
    state.colour[0] = r;
    state.colour[1] = g;
    state.colour[2] = b;
    state.colour[3] = a;
}

void render_set_colour_bytes(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
{
    render_set_colour(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}

void render_set_texture_env(TextureEnv env)
{
    state.env = env;
}

void render_push_offset(float dx, float dy)
{
    state.offsets.push_back(state.offset_x);
    state.offsets.push_back(state.offset_y);
    state.offset_x += dx;
    state.offset_y += dy;
}

void render_pop_offset()
{
    if (state.offsets.size() < 2) return;
    state.offset_y = state.offsets.back();
    state.offsets.pop_back();
    state.offset_x = state.offsets.back();
    state.offsets.pop_back();
}

void render_clear(bool depth_and_stencil)
{
    glClear(depth_and_stencil ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT
                              : GL_COLOR_BUFFER_BIT);
}

void render_quad(float left, float top, float right, float bottom, float s, float t)
{
    const float x[4] = {left, right, right, left};
    const float y[4] = {bottom, bottom, top, top};
    const float u[4] = {0, s, s, 0};
    const float v[4] = {0, 0, t, t};
    push_quad(x, y, u, v);
    draw(GL_TRIANGLES);
}

void render_rects(const TexturedRect* rects, int count)
{
    for (int i = 0; i < count; ++i) {
        const TexturedRect& r = rects[i];
        const float x[4] = {r.left, r.right, r.right, r.left};
        const float y[4] = {r.bottom, r.bottom, r.top, r.top};
        const float u[4] = {r.s0, r.s1, r.s1, r.s0};
        const float v[4] = {r.t0, r.t0, r.t1, r.t1};
        push_quad(x, y, u, v);
    }
    draw(GL_TRIANGLES);
}

void render_triangles(const float* xy, const float* st, int count)
{
    for (int i = 0; i < count; ++i) push_vertex(xy[2 * i], xy[2 * i + 1], st[2 * i], st[2 * i + 1]);
    draw(GL_TRIANGLES);
}

void render_line(float ax, float ay, float bx, float by)
{
    push_vertex(ax, ay, 0, 0);
    push_vertex(bx, by, 0, 0);
    draw(GL_LINES);
}

void render_point(float x, float y)
{
    push_vertex(x, y, 0, 0);
    draw(GL_POINTS);
}

RenderTexture render_texture_create(const std::uint8_t* rgba, int w, int h, TextureFilter filter)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    bind(name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, gl_filter(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, gl_filter(filter));
    // One level only: GLES counts a texture with a mip-map filter complete only with all
    // levels, and these have none.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    set_unpack_defaults();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return name;
}

RenderTexture render_texture_create_mipmapped(const std::uint8_t* rgba, int w, int h)
{
    const GLuint name = render_texture_create(rgba, w, h, TextureFilter::linear);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    TexelBlock level;
    const std::uint8_t* texels = rgba;
    int levels = 0;
    for (int n = 1; w > 1 || h > 1; ++n) {
        level = half_level(texels, w, h, w, h);
        texels = level.get();
        glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        levels = n;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels);
    return name;
}

void render_texture_delete(RenderTexture& texture)
{
    if (texture != 0) {
        glDeleteTextures(1, &texture);
        if (state.texture == texture) state.texture = 0;  // GL unbinds a deleted texture
    }
    texture = 0;
}

void render_bind_texture(RenderTexture texture)
{
    bind(texture);
}

void render_texture_set_filter(RenderTexture texture, TextureFilter filter)
{
    bind(texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, gl_filter(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, gl_filter(filter));
}

void render_texture_upload(RenderTexture texture, int x, int y, int w, int h,
                           const std::uint8_t* rgba)
{
    set_unpack_defaults();
    bind(texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void render_texture_read(RenderTexture texture, int w, int h, std::uint8_t* rgba)
{
    GLuint reader = 0;
    glGenFramebuffers(1, &reader);
    glBindFramebuffer(GL_FRAMEBUFFER, reader);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        set_pack_defaults();
        glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    } else {
        std::memset(rgba, 0, static_cast<std::size_t>(w) * h * 4);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, state.framebuffer);
    glDeleteFramebuffers(1, &reader);
}

void render_texture_copy_frame(RenderTexture texture, int tx, int ty, int x, int y, int w, int h)
{
    bind(texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, tx, ty, x, y, w, h);
}

void render_read_frame(int x, int y, int w, int h, PixelLayout layout, std::uint8_t* out)
{
    set_pack_defaults();
    if (layout == PixelLayout::rgba) {
        glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out);
        return;
    }
    // GLES reads RGBA; the alpha is dropped here.
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    std::vector<std::uint8_t> rgba(pixels * 4);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (std::size_t i = 0; i < pixels; ++i) std::memcpy(&out[i * 3], &rgba[i * 4], 3);
}

bool render_offscreen_available()
{
    return true;
}

bool render_offscreen_always()
{
    return true;
}

bool render_offscreen_create(ScaledTarget& s, int w, int h)
{
    const GLuint kept_texture = state.texture;
    s.texture_width = w;
    s.texture_height = h;
    GLuint colour = 0, framebuffer = 0;
    glGenTextures(1, &colour);
    glBindTexture(GL_TEXTURE_2D, colour);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, state.framebuffer);
    glBindTexture(GL_TEXTURE_2D, kept_texture);
    s.colour = colour;
    s.depth_stencil = 0;  // nothing draws with depth or stencil
    s.framebuffer = framebuffer;
    return complete;
}

void render_offscreen_delete(ScaledTarget& s)
{
    if (s.bound) render_offscreen_bind(0);
    if (s.framebuffer != 0) glDeleteFramebuffers(1, &s.framebuffer);
    if (s.colour != 0) glDeleteTextures(1, &s.colour);
}

void render_offscreen_bind(std::uint32_t framebuffer)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    state.framebuffer = framebuffer;
}

void render_present_offscreen(platform::Window window, const ScaledTarget& s, int w, int h,
                              int area_w, int area_h, const platform::PictureRect& r)
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, area_w, area_h);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    // Black around the picture; a picture that fills the window needs none.
    if (r.width != area_w || r.height != area_h) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBindTexture(GL_TEXTURE_2D, s.colour);
    // Whole-number enlargements repeat each pixel; a shrunk picture blends its pixels.
    const GLint filter = r.width >= w ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);

    const State kept = state;
    state.viewport_w = area_w > 0 ? area_w : 1;
    state.viewport_h = area_h > 0 ? area_h : 1;
    state.offset_x = state.offset_y = 0;
    state.texturing = true;
    state.texture = s.colour;
    state.opaque = true;  // cheaper than a masked clear of the window's alpha afterwards
    state.alpha_test = false;
    const auto left = static_cast<float>(r.x), right = static_cast<float>(r.x + r.width);
    const auto top = static_cast<float>(r.y), bottom = static_cast<float>(r.y + r.height);
    render_quad(left, top, right, bottom, static_cast<float>(w) / s.texture_width,
                static_cast<float>(h) / s.texture_height);
    state.opaque = false;
    platform::gl_swap(window);

    // The runtime's state as it was.
    state.viewport_w = kept.viewport_w;
    state.viewport_h = kept.viewport_h;
    state.offset_x = kept.offset_x;
    state.offset_y = kept.offset_y;
    state.texturing = kept.texturing;
    state.alpha_test = kept.alpha_test;
    state.texture = kept.texture;
    glBindTexture(GL_TEXTURE_2D, kept.texture);
    glBindFramebuffer(GL_FRAMEBUFFER, kept.framebuffer);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glEnable(GL_CULL_FACE);
    apply_blend(kept.blend);
    glClearColor(0, 0, 0, 1);
}

void render_present_window(platform::Window window)
{
    force_opaque_alpha();
    glFlush();
    platform::gl_swap(window);
}

// A browser cannot wait for the renderer (WebGL allows no client wait with a timeout), and
// gives its frames to the compositor when the program yields; there the frame is only flushed.
#ifdef __EMSCRIPTEN__
bool render_fences_load()
{
    return false;
}

void render_finish()
{
    glFlush();
}
#else
bool render_fences_load()
{
    return true;  // GLES 3.0 has fence objects in its core
}

void render_finish()
{
    glFinish();
}
#endif

void* render_fence_insert()
{
    return glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

bool render_fence_known(void* fence)
{
    return glIsSync(static_cast<GLsync>(fence)) == GL_TRUE;
}

// A second at a time, as long as the renderer takes.
void render_fence_wait(void* fence)
{
    constexpr GLuint64 one_second_ns = 1000000000;
    for (;;) {
        const GLenum result =
            glClientWaitSync(static_cast<GLsync>(fence), GL_SYNC_FLUSH_COMMANDS_BIT, one_second_ns);
        if (result != GL_TIMEOUT_EXPIRED) return;  // signalled, or the wait failed
    }
}

void render_fence_delete(void* fence)
{
    glDeleteSync(static_cast<GLsync>(fence));
}
