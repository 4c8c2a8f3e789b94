// Linked into every test program that opens windows: a test is not a person, so the display's
// notices (the software-rendering one above all) go to standard error instead of a box that
// waits for a click. Offscreen windows never show the box; on Windows the tests draw in real
// windows, under Wine on Xvfb with Mesa's software renderer, where the box would stop the run.
#include "graphics/display.h"

namespace {

const bool notices_as_text = [] {
    screen_notices_as_text(true);
    return true;
}();

}  // namespace
