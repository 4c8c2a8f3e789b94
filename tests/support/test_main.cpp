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
