// Test entry shared by every test program: headless defaults first, so that a bare `ctest`
// or a test binary started by hand needs no display and no sound card.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

pid_t test_process = 0;
bool tests_finished = false;

// The runtime's error stop ends the process through exit(0). Inside a test (not a death
// test's child) that would end the program early and look like success, so it fails here.
void fail_early_exit()
{
    if (tests_finished || getpid() != test_process) return;
    std::fputs("the test program ended before its tests finished (a runtime error stop?)\n",
               stderr);
    _exit(1);
}

}  // namespace

// Sanitizer options of every test program; ASAN_OPTIONS adds to them and overrides them.
// intercept_tls_get_addr=0: the runtime's hook on dynamic TLS (GCC 12, clang 14) mistakes a
// block that starts 16 bytes into a page for an old glibc's layout and takes the allocator's
// chunk header before it for the block's bounds; the leak check at exit then scans that
// made-up range and its tracer crashes ("LeakSanitizer has encountered a fatal error"), at
// random, in programs that load Mesa's llvmpipe (LLVM's thread-locals live in such blocks).
// The leak check stays on and still sees what the blocks point to: the blocks are heap chunks
// of the dynamic loader, which it scans. (tests/sanitizers/leak_check_test.cpp)
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // Death tests fork the test process as it stands (gtest's "fast" style), so a child
    // writes into the same scratch directories its parent will read.
    testing::InitGoogleTest(&argc, argv);
    test_process = getpid();
    std::atexit(fail_early_exit);
    const int result = RUN_ALL_TESTS();
    tests_finished = true;
    return result;
}
