#include "support/offscreen_display.h"

#include <gtest/gtest.h>

#include "graphics/display.h"
#include "platform/clock.h"
#include "platform/video.h"

namespace testing_support {

OffscreenDisplay::OffscreenDisplay(DisplayClock clock) : tmpdir_("TMPDIR", scratch_.path())
{
    if (clock == DisplayClock::virtual_time) platform::clock_use_virtual();
    if (!platform::video_init()) return;
    rt_display = new OpenGLRainbows;
    created_ = screen_create(640, 480, 0, 60, 0);
}

OffscreenDisplay::~OffscreenDisplay()
{
    delete rt_display;
    rt_display = nullptr;
}

std::string OffscreenDisplay::error_log() const
{
    return read_file(scratch_.file("ErrorLog.txt"));
}

namespace {

// A plain pointer: a death test's child that exits must not delete the display or the scratch
// directory its parent still uses.
OffscreenDisplay* the_display = nullptr;

// Deletes the shared display after the last test, while the rest of the program still stands.
class SharedDisplayRemoval : public testing::Environment {
public:
    void TearDown() override
    {
        delete the_display;
        the_display = nullptr;
    }
};

[[maybe_unused]] testing::Environment* const removal =
    testing::AddGlobalTestEnvironment(new SharedDisplayRemoval);

}  // namespace

const OffscreenDisplay& shared_display(DisplayClock clock)
{
    if (the_display == nullptr) the_display = new OffscreenDisplay(clock);
    return *the_display;
}

}  // namespace testing_support
