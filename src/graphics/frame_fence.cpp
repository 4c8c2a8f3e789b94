// The frame fence of the buffer swap: one fence object per frame sent, waited for one swap
// later. Fence objects belong to the context that made them; a new context (a fullscreen
// switch, a display made again) starts without one.
#include "graphics/frame_fence.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

#include "platform/video.h"

namespace {

struct SyncEntryPoints {
    PFNGLFENCESYNCPROC fence_sync = nullptr;
    PFNGLCLIENTWAITSYNCPROC client_wait_sync = nullptr;
    PFNGLDELETESYNCPROC delete_sync = nullptr;
    PFNGLISSYNCPROC is_sync = nullptr;
};

struct FenceState {
    void* context = nullptr;  // the context the entry points were looked up in
    SyncEntryPoints sync;
    GLsync pending = nullptr;  // the previous frame's fence, made in context
};

FenceState state;

// GL 3.2 has fence objects in its core; older versions may offer them as GL_ARB_sync.
bool has_fences()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (version != nullptr && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        (major > 3 || (major == 3 && minor >= 2))) {
        return true;
    }
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions == nullptr) return false;
    for (const char* p = std::strstr(extensions, "GL_ARB_sync"); p != nullptr;
         p = std::strstr(p + 1, "GL_ARB_sync")) {
        const bool starts = p == extensions || p[-1] == ' ';
        const bool ends = p[11] == '\0' || p[11] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

SyncEntryPoints load_entry_points()
{
    SyncEntryPoints s;
    if (!has_fences()) return s;
    s.fence_sync = reinterpret_cast<PFNGLFENCESYNCPROC>(platform::gl_proc_address("glFenceSync"));
    s.client_wait_sync =
        reinterpret_cast<PFNGLCLIENTWAITSYNCPROC>(platform::gl_proc_address("glClientWaitSync"));
    s.delete_sync =
        reinterpret_cast<PFNGLDELETESYNCPROC>(platform::gl_proc_address("glDeleteSync"));
    s.is_sync = reinterpret_cast<PFNGLISSYNCPROC>(platform::gl_proc_address("glIsSync"));
    if (!s.fence_sync || !s.client_wait_sync || !s.delete_sync || !s.is_sync) s = SyncEntryPoints{};
    return s;
}

// Waits until the fence is signalled; a second at a time, as long as the renderer takes.
void wait_for(GLsync fence)
{
    constexpr GLuint64 one_second_ns = 1000000000;
    for (;;) {
        const GLenum result =
            state.sync.client_wait_sync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, one_second_ns);
        if (result != GL_TIMEOUT_EXPIRED) return;  // signalled, or the wait failed
    }
}

}  // namespace

void frame_fence_after_swap(void* context)
{
    if (context == nullptr) return;
    if (context != state.context) {
        // The old context's fence went with it (or is not this context's to wait for).
        state = FenceState{};
        state.context = context;
        state.sync = load_entry_points();
    }
    if (state.sync.fence_sync == nullptr) {
        glFinish();
        return;
    }
    GLsync fence = state.sync.fence_sync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    // A context deleted and another made at the same address leaves a fence that is no longer
    // known; it is not waited for.
    if (state.pending != nullptr && state.sync.is_sync(state.pending) == GL_TRUE) {
        wait_for(state.pending);
        state.sync.delete_sync(state.pending);
    }
    state.pending = fence;
}
