// Leak-check settings for programs that open OpenGL windows. Mesa, its LLVM back end and SDL
// keep driver state for the whole process and never free it; those allocations are not ours,
// so the leak check skips stacks that pass through them. This needs the driver still loaded
// when the check runs, which the platform layer ensures by loading the GL library for the
// whole run. (Slow unwinding would name more frames but deadlocks inside LLVM's JIT.)
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libGLdispatch.so\n"
           "leak:libGLX\n"
           "leak:libEGL\n"
           "leak:libSDL2\n"
           "leak:_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n"
           "leak:libdbus-1\n"
           "leak:libX11\n";
}
