// Tests for the display object on the offscreen driver: creation and re-creation, the 2-D
// drawing state, fullscreen and windowed switches, the background slot helpers, release,
// the renderer note in ErrorLog.txt and the back-buffer read-back.
#include "graphics/display.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/video.h"
#include "support/offscreen_display.h"
#include "support/posix_only.h"
#include "support/rgb.h"

namespace {

using testing_support::black;
using testing_support::blue;
using testing_support::green;
using testing_support::red;
using testing_support::Rgb;
using testing_support::white;

bool software_renderer()
{
    const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string name = r ? r : "";
    for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        if (name.find(soft) != std::string::npos) return true;
    }
    return false;
}

// An untextured quad in viewport coordinates (y down), sent counter-clockwise as the display
// expects: bottom-left, bottom-right, top-right, top-left on the screen.
void fill(int x, int y, int w, int h, Rgb c, bool clockwise = false, int alpha = 255)
{
    glDisable(GL_TEXTURE_2D);
    glColor4ub(c.r, c.g, c.b, alpha);
    const float l = x, t = y, r = x + w, b = y + h;
    glBegin(GL_TRIANGLE_FAN);
    if (clockwise) {
        glVertex2f(l, -t), glVertex2f(r, -t), glVertex2f(r, -b), glVertex2f(l, -b);
    } else {
        glVertex2f(l, -b), glVertex2f(r, -b), glVertex2f(r, -t), glVertex2f(l, -t);
    }
    glEnd();
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
}

// Runs the platform clock on virtual time while it lives, so pauses show as jumps of time.
struct VirtualClock {
    VirtualClock() { platform::clock_use_virtual(); }
    ~VirtualClock() { platform::clock_use_real(); }
};

std::vector<int> gl_viewport()
{
    GLint v[4] = {};
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
}

// A 64 x 64 texture: texel row 0 (the bottom of the picture) blue, every other row green,
// all with alpha 0 so that only a disabled alpha test lets it through.
GLuint make_tile_texture()
{
    std::vector<std::uint8_t> texels(64 * 64 * 4, 0);
    for (int row = 0; row < 64; ++row) {
        for (int col = 0; col < 64; ++col) {
            std::uint8_t* t = &texels[(row * 64 + col) * 4];
            (row == 0 ? t[2] : t[1]) = 255;
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return name;
}

// The program's display, created as the start-up does, with its error log read back.
class Display : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The first creation of the process is the one that checks the renderer for sure.
        if (!first_log_taken) first_creation_log = testing_support::shared_display().error_log();
        first_log_taken = true;
    }
    void SetUp() override
    {
        ASSERT_TRUE(testing_support::shared_display().created());
        screen_set_viewport(0, 0, 0, 0);
        screen_clear_buffers();
    }

    static std::string log() { return testing_support::shared_display().error_log(); }

    Rgb pixel(int x, int y)
    {
        if (pixels.empty()) screen_read_pixels(pixels);
        const std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * rt_display->width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    void reread() { pixels.clear(); }

    static inline bool first_log_taken = false;
    static inline std::string first_creation_log;
    std::vector<std::uint8_t> pixels;
};

TEST_F(Display, CreationStoresSizesAndStartsWithAnEmptyTable)
{
    const OpenGLRainbows& d = *rt_display;
    EXPECT_NE(d.window, 0u);
    EXPECT_NE(d.context, nullptr);
    EXPECT_EQ(d.width, 640);
    EXPECT_EQ(d.height, 480);
    EXPECT_EQ(d.colour_bits, platform::desktop_mode().bits);  // 0 asks for the desktop's depth
    EXPECT_FALSE(d.fullscreen);
    EXPECT_TRUE(d.gl_ready);
    EXPECT_EQ(d.multisample, 0);
    EXPECT_DOUBLE_EQ(d.frame_time, 1000.0 / 60);
    for (int id : {0, 1000, 65535}) {
        EXPECT_EQ(d.sprites[id].texture[0], 0u);
        EXPECT_EQ(d.sprites[id].texture[1], 0u);
        EXPECT_EQ(d.sprites[id].texture_width, -1);
        EXPECT_EQ(d.sprites[id].texture_height, -1);
        EXPECT_EQ(d.sprites[id].image_width, 0);
        EXPECT_EQ(d.sprites[id].image_height, 0);
        EXPECT_EQ(d.sprites[id].mask, nullptr);
    }
    double w = 0, h = 0;
    screen_get_size(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

TEST_F(Display, FrameTimeComesFromTheRateAndIsTwoMillisecondsWithoutOne)
{
    const platform::GlContext context = rt_display->context;
    ASSERT_TRUE(screen_create(640, 480, 0, 0, 0));
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 2.0);
    ASSERT_TRUE(screen_create(640, 480, 0, -5, 0));
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 2.0);
    const double before = display_time_ms();
    ASSERT_TRUE(screen_create(640, 480, 0, 30, 0));
    EXPECT_DOUBLE_EQ(rt_display->frame_time, 1000.0 / 30);
    EXPECT_GE(rt_display->next_frame_time, before);
    EXPECT_LE(rt_display->next_frame_time, display_time_ms());
    // A display created again keeps its context, so loaded textures survive.
    EXPECT_EQ(rt_display->context, context);
}

TEST_F(Display, TheRendererIsNotedInTheErrorLogAndTheSoftwareWarningOnlyOnce)
{
    const std::string software = "OpenGL Software Emulation\r\n";
    const std::string hardware = "OpenGL Hardware Support\r\n";
    const std::string before = log();
    ASSERT_TRUE(screen_create(640, 480, 0, 60, 0));
    if (software_renderer()) {
        EXPECT_EQ(first_creation_log, software);
        EXPECT_EQ(log(), before) << "the software check is done until it once found software";
    } else {
        EXPECT_EQ(first_creation_log, hardware);
        EXPECT_EQ(log(), before + hardware);
    }
}

TEST_F(Display, AViewportWithoutWidthOrHeightIsTheWholeScreen)
{
    screen_set_viewport(0, 0, 0, 480);
    const OpenGLRainbows& d = *rt_display;
    EXPECT_EQ(d.viewport_width, 640);
    EXPECT_EQ(d.viewport_height, 480);
    EXPECT_EQ(gl_viewport(), (std::vector<int>{0, 0, 640, 480}));

    screen_set_viewport(10, 20, 300, -1);  // the corner is kept
    EXPECT_EQ(d.viewport_x, 10);
    EXPECT_EQ(d.viewport_y, 20);
    EXPECT_EQ(gl_viewport(), (std::vector<int>{10, 480 - 480 - 20, 640, 480}));
}

TEST_F(Display, AViewportCountsFromTheTopAndDrawsRelativeToItsCorner)
{
    screen_set_viewport(100, 50, 200, 100);
    EXPECT_EQ(gl_viewport(), (std::vector<int>{100, 330, 200, 100}));
    fill(0, 0, 10, 10, red);
    fill(20, 0, 10, 10, green, /*clockwise=*/true);  // a back face: culled

    EXPECT_EQ(pixel(100, 50), red);
    EXPECT_EQ(pixel(109, 59), red);
    EXPECT_EQ(pixel(99, 50), black);
    EXPECT_EQ(pixel(110, 50), black);
    EXPECT_EQ(pixel(100, 49), black);
    EXPECT_EQ(pixel(100, 60), black);
    EXPECT_EQ(pixel(125, 55), black);
}

TEST_F(Display, TheResetDropsFaintPixelsAndLeavesBlendingAlone)
{
    glEnable(GL_LIGHTING);  // left behind by some other drawing
    glEnable(GL_BLEND);
    screen_set_viewport(0, 0, 0, 0);
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "blending belongs to the drawing modes";
    glDisable(GL_BLEND);

    // Alpha 38 of 255 is at most 0.15 and is not drawn; 39 is.
    fill(0, 0, 4, 4, red, false, 38);
    fill(4, 0, 4, 4, red, false, 39);
    EXPECT_EQ(pixel(1, 1), black);
    EXPECT_EQ(pixel(5, 1), red);
}

TEST_F(Display, ReadPixelsReturnsTheBackBufferTopRowFirst)
{
    fill(0, 0, 640, 1, red);
    fill(0, 479, 640, 1, blue);
    fill(3, 1, 1, 1, green);
    std::vector<std::uint8_t> rgb;
    screen_read_pixels(rgb);
    ASSERT_EQ(rgb.size(), 640u * 480u * 3u);
    EXPECT_EQ((Rgb{rgb[0], rgb[1], rgb[2]}), red);
    const std::size_t last = (640u * 479u) * 3u;
    EXPECT_EQ((Rgb{rgb[last], rgb[last + 1], rgb[last + 2]}), blue);
    const std::size_t at = (640u * 1u + 3u) * 3u;
    EXPECT_EQ((Rgb{rgb[at], rgb[at + 1], rgb[at + 2]}), green);
    EXPECT_EQ((Rgb{rgb[at - 3], rgb[at - 2], rgb[at - 1]}), black);
}

TEST_F(Display, BackgroundSlotZeroIsDrawnByFramePreparationUntilTheScreenIsCleared)
{
    const GLuint name = make_tile_texture();
    BackgroundSlot& slot = rt_display->backgrounds[0];
    slot.tiles[0] = BackgroundTile{name, 64, 64, 40, 30};
    slot.columns = 1;
    slot.rows = 1;

    glEnable(GL_BLEND);
    rt_display->intensity = 0.25f;
    glColor4f(0.25f, 0.25f, 0.25f, 0.25f);
    screen_prepare_frame();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FLOAT_EQ(rt_display->intensity, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));

    // The tile's texel row 0 is the bottom of its used area.
    EXPECT_EQ(pixel(0, 0), green);
    EXPECT_EQ(pixel(39, 28), green);
    EXPECT_EQ(pixel(0, 29), blue);
    EXPECT_EQ(pixel(39, 29), blue);
    EXPECT_EQ(pixel(40, 0), black);
    EXPECT_EQ(pixel(0, 30), black);

    screen_clear();
    EXPECT_EQ(slot.columns, 0);
    EXPECT_EQ(slot.rows, 0);
    EXPECT_EQ(slot.tiles[0].texture, 0u);
    EXPECT_FALSE(glIsTexture(name));
    reread();
    EXPECT_EQ(pixel(0, 0), black);

    screen_clear_buffers();
    screen_prepare_frame();
    reread();
    EXPECT_EQ(pixel(0, 0), black);
}

TEST_F(Display, BackgroundTilesAreLaidOutByColumnAndRow)
{
    // Column 1, row 0 of 64-texel tiles starts at screen x 64.
    const GLuint name = make_tile_texture();
    BackgroundSlot& slot = rt_display->backgrounds[5];
    slot.tiles[1 * background_grid + 0] = BackgroundTile{name, 64, 64, 64, 64};
    slot.columns = 2;
    slot.rows = 1;
    screen_draw_background(5);
    EXPECT_EQ(pixel(63, 0), black);
    EXPECT_EQ(pixel(64, 0), green);
    EXPECT_EQ(pixel(127, 63), blue);
    EXPECT_EQ(pixel(128, 0), black);
    screen_draw_background(-1);  // no such slot: nothing, no crash
    screen_draw_background(background_slot_count);
}

TEST_F(Display, AWindowedSwitchOnlyWaitsWhenLeavingFullscreen)
{
    SKIP_ON_WINDOWS("the tests' display there (Wine on Xvfb) cannot switch to fullscreen");
    const VirtualClock clock;
    double before = platform::clock_virtual_ms();
    EXPECT_TRUE(screen_set_windowed());
    EXPECT_LT(platform::clock_virtual_ms() - before, 1.0);

    const std::string log_before = log();
    ASSERT_TRUE(screen_set_fullscreen());
    EXPECT_TRUE(rt_display->fullscreen);
    EXPECT_EQ(rt_display->viewport_width, 640);
    EXPECT_EQ(gl_viewport(), (std::vector<int>{0, 0, 640, 480}));
    if (software_renderer()) {
        EXPECT_EQ(log(), log_before) << "the software warning is written once a run";
    } else {
        EXPECT_EQ(log(), log_before + "OpenGL Hardware Support\r\n");
    }

    before = platform::clock_virtual_ms();
    EXPECT_TRUE(screen_set_windowed());
    EXPECT_GE(platform::clock_virtual_ms() - before, 500.0);
    EXPECT_FALSE(rt_display->fullscreen);
}

TEST_F(Display, SetModeStoresTheNonZeroSizesAndSwitches)
{
    SKIP_ON_WINDOWS("the tests' display there (Wine on Xvfb) cannot switch to fullscreen");
    screen_set_mode(0, 0, 0, true);
    EXPECT_TRUE(rt_display->fullscreen);
    EXPECT_EQ(rt_display->width, 640);
    screen_set_mode(320, 0, 0, false);
    EXPECT_FALSE(rt_display->fullscreen);
    EXPECT_EQ(rt_display->width, 320);
    EXPECT_EQ(rt_display->height, 480);
    EXPECT_EQ(gl_viewport(), (std::vector<int>{0, 0, 320, 480}));
    int width = 0, height = 0;  // the window takes the new size, so the picture fills it
    platform::window_get_size(rt_display->window, width, height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 480);
    screen_set_mode(640, 0, 0, false);
}

TEST_F(Display, AFullscreenDepthThatIsMissingFallsBackAndAMissingModeStaysWindowed)
{
    SKIP_ON_WINDOWS("the tests' display there (Wine on Xvfb) cannot switch to fullscreen");
    OpenGLRainbows& d = *rt_display;
    const std::string log_before = log();
    d.colour_bits = 15;  // no display mode has it: the second attempt takes the desktop's depth
    EXPECT_TRUE(screen_set_fullscreen());
    EXPECT_TRUE(d.fullscreen);
    d.colour_bits = platform::desktop_mode().bits;

    d.width = 0;  // no mode of width 0 exists
    EXPECT_FALSE(screen_set_fullscreen());
    d.width = 640;
    screen_set_viewport(0, 0, 0, 0);
    EXPECT_FALSE(d.fullscreen);
    EXPECT_EQ(log(), log_before + "No Fullscreen Mode available\r\n");
}

TEST_F(Display, MultisamplingReplacesTheFirstWindowWhenTheDriverOffersIt)
{
    ASSERT_TRUE(screen_create(640, 480, 0, 60, 4));
    EXPECT_EQ(rt_display->multisample, 4);
    EXPECT_GT(platform::gl_samples(), 0);
    EXPECT_NE(rt_display->window, 0u);
    EXPECT_EQ(rt_display->width, 640);
    EXPECT_EQ(rt_display->height, 480);

    // Drawing still lands where it should, also read back from a multisampled buffer.
    screen_clear_buffers();
    fill(10, 20, 5, 5, red);
    EXPECT_EQ(pixel(10, 20), red);
    EXPECT_EQ(pixel(15, 20), black);

    ASSERT_TRUE(screen_create(640, 480, 0, 60, 0));
    EXPECT_EQ(rt_display->multisample, 0);
}

TEST_F(Display, ReleaseEmptiesEveryTableAndDestroysTheWindow)
{
    OpenGLRainbows& d = *rt_display;
    const platform::GlContext context = d.context;
    GLuint names[3] = {};
    glGenTextures(3, names);
    for (GLuint name : names) {
        glBindTexture(GL_TEXTURE_2D, name);  // a name becomes a texture when first bound
    }
    d.sprites[7].texture[0] = names[0];
    d.sprites[7].texture[1] = names[1];
    d.sprites[7].texture_width = d.sprites[7].texture_height = 32;
    d.sprites[7].image_width = d.sprites[7].image_height = 20;
    d.sprites[7].mask = new std::uint8_t[32 * 32];
    d.backgrounds[15].tiles[4095] = BackgroundTile{names[2], 64, 64, 10, 10};
    d.backgrounds[15].columns = 64;
    d.backgrounds[15].rows = 64;

    screen_release();
    // Every page of the tables goes (the checks below read through the writing accessor,
    // which makes pages again).
    EXPECT_EQ(d.sprites.pages_made(), 0);
    EXPECT_EQ(d.backgrounds[15].tiles.pages_made(), 0);
    EXPECT_EQ(d.atlas.cells.pages_made(), 0);
    EXPECT_EQ(d.window, 0u);
    EXPECT_EQ(d.width, 0);
    EXPECT_EQ(d.height, 0);
    EXPECT_EQ(d.sprites[7].texture[0], 0u);
    EXPECT_EQ(d.sprites[7].texture[1], 0u);
    EXPECT_EQ(d.sprites[7].texture_width, -1);
    EXPECT_EQ(d.sprites[7].image_width, 0);
    EXPECT_EQ(d.sprites[7].mask, nullptr);
    EXPECT_EQ(d.backgrounds[15].tiles[4095].texture, 0u);
    EXPECT_EQ(d.backgrounds[15].columns, 0);
    screen_release();  // a second release finds nothing to do

    // The context outlives the window; made current again, it no longer knows the textures.
    ASSERT_TRUE(screen_create(640, 480, 0, 60, 0));
    EXPECT_EQ(d.context, context);
    for (GLuint name : names) EXPECT_FALSE(glIsTexture(name)) << name;
}

TEST_F(Display, TexturesAreNotDeletedBeforeTheContextIsReady)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    auto* unready = new OpenGLRainbows;
    unready->sprites[1].texture[0] = name;
    delete unready;
    EXPECT_TRUE(glIsTexture(name));
    glDeleteTextures(1, &name);
}

TEST_F(Display, DisplayTimeCountsMilliseconds)
{
    const double t0 = display_time_ms();
    EXPECT_LE(rt_display->next_frame_time, t0);
    // On the virtual clock a fresh object reads the microsecond counter exactly.
    const VirtualClock clock;
    auto* timed = new OpenGLRainbows;
    OpenGLRainbows* const shown = rt_display;
    rt_display = timed;
    EXPECT_EQ(timed->high_resolution, 1);
    EXPECT_LT(display_time_ms(), 1.0);
    platform::clock_jump_past_ms(250);
    const double later = display_time_ms();
    EXPECT_GT(later, 250.0);
    EXPECT_LT(later, 251.0);
    // Without a display object the clock reads the counter directly.
    rt_display = nullptr;
    platform::clock_jump_past_ms(500);
    const double direct = display_time_ms();
    EXPECT_GT(direct, 500.0);
    EXPECT_LT(direct, 501.0);
    rt_display = shown;
    delete timed;
}

}  // namespace
