// Keeps the renderer at most one frame behind the program. A window's buffer swap waits for the
// frame it shows; the swap of an offscreen surface does not, and a software renderer then
// queues every frame the program sends faster than it draws them, each with its own command
// memory (up to 64 frames, tens of megabytes, in a scripted run).
#pragma once

// After the frame has been sent at the swap: fences it and waits until the frame before it has
// been drawn, so the program builds the next frame while the renderer draws this one. Uses the
// driver's fence objects (GL 3.2 or GL_ARB_sync); without them it waits for this frame itself.
// A fence made in another context than the current one is dropped unwaited.
void frame_fence_after_swap(void* context);
