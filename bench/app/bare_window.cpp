// The least a program pays for the game's window: SDL's video, one 640 x 480 window with the
// OpenGL format the display asks for (compatibility profile, double-buffered, 8 bits a colour
// channel with alpha, 16 bits of depth, 8 of stencil, no multisampling) and the window flags it
// uses, then 60 frames cleared, flushed and swapped as the display swaps them. memory_bench
// sets its peak resident memory beside the game's. With the argument "draw" every frame also
// draws the kinds of quads the game draws (a texture with the alpha test, with linear and with
// nearest filtering, replaced and modulated, blended, and a plain rectangle), so that the
// renderer compiles the same kinds of shaders: what drawing at all costs in the driver; each
// frame is then waited for.
// Exit 0 after the 60 frames, 1 when the window or the context cannot be made.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void quad(float left, float top, float right, float bottom)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(left, top);
    glTexCoord2f(0, 1);
    glVertex2f(left, bottom);
    glTexCoord2f(1, 1);
    glVertex2f(right, bottom);
    glTexCoord2f(1, 0);
    glVertex2f(right, top);
    glEnd();
}

// A 32 x 32 picture with a transparent corner, once with linear and once with nearest
// filtering; the names of the two textures.
void make_textures(GLuint names[2])
{
    std::vector<unsigned char> texels(32 * 32 * 4);
    for (int i = 0; i < 32 * 32; ++i) {
        texels[i * 4 + 0] = static_cast<unsigned char>(i * 7);
        texels[i * 4 + 1] = static_cast<unsigned char>(i * 3);
        texels[i * 4 + 2] = static_cast<unsigned char>(i);
        texels[i * 4 + 3] = (i % 32 < 8 && i / 32 < 8) ? 0 : 255;
    }
    glGenTextures(2, names);
    for (int n = 0; n < 2; ++n) {
        const GLint filter = n == 0 ? GL_LINEAR : GL_NEAREST;
        glBindTexture(GL_TEXTURE_2D, names[n]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 32, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     texels.data());
    }
}

void draw_game_like_quads(const GLuint names[2])
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.15f);
    glBindTexture(GL_TEXTURE_2D, names[0]);
    quad(10, 10, 42, 42);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    quad(50, 10, 82, 42);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    quad(90, 10, 122, 42);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 0.5f);
    quad(130, 10, 162, 42);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.2f, 0.4f, 0.6f, 1);
    quad(170, 10, 202, 42);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_ALPHA_TEST);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool draw = argc > 1 && std::strcmp(argv[1], "draw") == 0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
    SDL_Window* window = SDL_CreateWindow(
        "bare_window", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480,
        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_ShowWindow(window);
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 480, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    GLuint names[2] = {0, 0};
    if (draw) make_textures(names);
    for (int frame = 0; frame < 60; ++frame) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        if (draw) draw_game_like_quads(names);
        glFlush();
        SDL_GL_SwapWindow(window);
        // Drawing waits for each frame, as a window's swap does and as the game's swap waits
        // for the frame before last: an offscreen renderer would otherwise queue the frames.
        if (draw) glFinish();
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
