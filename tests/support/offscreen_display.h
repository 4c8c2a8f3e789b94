// The display a test program draws on: rt_display made as the start-up makes it (the video
// started, 640 x 480, windowed, 60 frames a second) on the offscreen driver, with the error
// log it writes (ErrorLog.txt in $TMPDIR) kept in a scratch directory. One display serves the
// whole program: the first test that asks makes it, and it is deleted after the last test.
#pragma once
#include <string>

#include "support/temp_dir.h"

namespace testing_support {

// The clock the display is made on: the virtual clock is switched on first, so that the
// display takes the virtual counter's frequency.
enum class DisplayClock { real, virtual_time };

class OffscreenDisplay {
public:
    explicit OffscreenDisplay(DisplayClock clock);
    ~OffscreenDisplay();  // deletes rt_display (whichever object it is then), puts $TMPDIR back
    OffscreenDisplay(const OffscreenDisplay&) = delete;
    OffscreenDisplay& operator=(const OffscreenDisplay&) = delete;

    bool created() const { return created_; }            // screen_create succeeded
    std::string error_log() const;                       // ErrorLog.txt as it is now
    const TempDir& scratch() const { return scratch_; }  // the directory $TMPDIR names

private:
    TempDir scratch_;
    ScopedEnv tmpdir_;
    bool created_ = false;
};

// The program's display; later calls return the same one, whatever clock they name.
const OffscreenDisplay& shared_display(DisplayClock clock = DisplayClock::real);

}  // namespace testing_support
