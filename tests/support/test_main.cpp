// Test entry shared by every test program: headless defaults first, so that a bare `ctest`
// or a test binary started by hand needs no display and no sound card.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/temp_dir.h"

namespace {

#ifdef _WIN32
// SDL's offscreen driver makes no GL context on Windows: the tests there use the real driver,
// on the display the test run provides (an Xvfb display under Wine).
const char* const headless_video = "windows";
#else
const char* const headless_video = "offscreen";
#endif

int test_process = 0;
bool death_test_child = false;
bool tests_finished = false;

// The runtime's error stop ends the process through exit(0). Inside a test (not a death
// test's child) that would end the program early and look like success, so it fails here.
// A death test's child is a fork (another process id) on POSIX, and on Windows the test
// program started again with gtest's internal flag.
void fail_early_exit()
{
    if (tests_finished || death_test_child || getpid() != test_process) return;
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
    for (const auto& [name, value] :
         {std::pair{"SDL_VIDEODRIVER", headless_video}, std::pair{"SDL_AUDIODRIVER", "dummy"}}) {
        if (std::getenv(name) == nullptr) testing_support::set_environment(name, value);
    }
    // The programs the tests start show the game's own texts whatever the machine's locale: the
    // C locale chooses them (a test of another language sets its own).
    testing_support::set_environment("LC_ALL", "C");
    // A Windows death test's child gets "--gtest_internal_run_death_test=FILE|LINE|INDEX|
    // PARENT|..." with its parent's process id.
    const std::string child_flag = "--gtest_internal_run_death_test=";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(child_flag, 0) != 0) continue;
        death_test_child = true;
        std::size_t at = child_flag.size();
        for (int field = 0; field < 3 && at != 0; ++field) at = arg.find('|', at) + 1;
        if (at != 0) testing_support::share_scratch_directories_with(std::atoi(arg.c_str() + at));
    }
    // Death tests fork the test process as it stands (gtest's "fast" style), so a child
    // writes into the same scratch directories its parent will read. On Windows a death test
    // starts the program again, and the child makes its parent's scratch directories again
    // (share_scratch_directories_with).
    testing::InitGoogleTest(&argc, argv);
    test_process = getpid();
    std::atexit(fail_early_exit);
    const int result = RUN_ALL_TESTS();
    tests_finished = true;
    return result;
}
