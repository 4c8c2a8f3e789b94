// Test entry shared by every test program: headless defaults first, so that a bare `ctest`
// or a test binary started by hand needs no display and no sound card.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // Death tests fork the test process as it stands (gtest's "fast" style), so a child
    // writes into the same scratch directories its parent will read.
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
