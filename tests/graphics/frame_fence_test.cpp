// The buffer swap keeps the renderer at most one frame behind: when screen_swap returns, every
// frame before the one it sent has been drawn. The offscreen surface's own swap waits for
// nothing, so without the fence a software renderer queues frame after frame.
#include "graphics/frame_fence.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/video.h"
#include "support/offscreen_display.h"

namespace {

TEST(FrameFence, TheSwapReturnsOnceTheFrameBeforeTheOneItSentIsDrawn)
{
    ASSERT_TRUE(testing_support::shared_display().created());
    const auto fence_sync =
        reinterpret_cast<PFNGLFENCESYNCPROC>(platform::gl_proc_address("glFenceSync"));
    const auto get_synciv =
        reinterpret_cast<PFNGLGETSYNCIVPROC>(platform::gl_proc_address("glGetSynciv"));
    const auto delete_sync =
        reinterpret_cast<PFNGLDELETESYNCPROC>(platform::gl_proc_address("glDeleteSync"));
    if (fence_sync == nullptr || get_synciv == nullptr || delete_sync == nullptr)
        GTEST_SKIP() << "the driver has no fence objects";

    // A frame that keeps a software renderer busy for a good while: 400 blended full-screen
    // rectangles. A fence made right after its swap is signalled when that frame is drawn.
    screen_set_alpha_mode(0.5);
    for (int i = 0; i < 400; ++i) screen_draw_rect(0, 0, 639, 479, (i % 7) * 30);
    screen_set_alpha_mode(0);
    screen_swap();
    GLsync heavy_frame_drawn = fence_sync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();

    screen_swap();  // an empty frame: the heavy one is now the frame before last
    GLint status = 0;
    get_synciv(heavy_frame_drawn, GL_SYNC_STATUS, 1, nullptr, &status);
    EXPECT_EQ(status, GL_SIGNALED) << "the renderer was still drawing the frame before last";
    delete_sync(heavy_frame_drawn);
}

}  // namespace
