// The frame fence of the buffer swap: one fence object per frame sent, waited for one swap
// later. Fence objects belong to the context that made them; a new context (a fullscreen
// switch, a display made again) starts without one.
#include "graphics/frame_fence.h"

#include "graphics/render_backend.h"

namespace {

struct FenceState {
    void* context = nullptr;  // the context the fences were looked up in
    bool fences = false;      // the context has fence objects
    void* pending = nullptr;  // the previous frame's fence, made in context
};

FenceState state;

}  // namespace

void frame_fence_after_swap(void* context)
{
    if (context == nullptr) return;
    if (context != state.context) {
        // The old context's fence went with it (or is not this context's to wait for).
        state = FenceState{};
        state.context = context;
        state.fences = render_fences_load();
    }
    if (!state.fences) {
        render_finish();
        return;
    }
    void* fence = render_fence_insert();
    // A context deleted and another made at the same address leaves a fence that is no longer
    // known; it is not waited for.
    if (state.pending != nullptr && render_fence_known(state.pending)) {
        render_fence_wait(state.pending);
        render_fence_delete(state.pending);
    }
    state.pending = fence;
}
