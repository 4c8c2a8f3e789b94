// A game controller made up for a test, without a device: SDL's virtual joystick with the
// layout of a standard controller, whose buttons and left stick the test sets. The program sees
// it as it sees a controller plugged in.
#pragma once

namespace testing_support {

class VirtualGamepad {
public:
    // The buttons of a standard controller, numbered as SDL's game-controller layer numbers them.
    enum Button { a, b, x, y, back, guide, start, dpad_up = 11, dpad_down, dpad_left, dpad_right };

    VirtualGamepad();   // plugs it in; starts SDL's joysticks when they are not running yet
    ~VirtualGamepad();  // unplugs it
    VirtualGamepad(const VirtualGamepad&) = delete;
    VirtualGamepad& operator=(const VirtualGamepad&) = delete;

    bool plugged_in() const { return joystick_ != nullptr; }
    // Take effect when SDL next pumps its events (every keyboard snapshot does)
    void set(Button button, bool down);
    void set_left_stick(int across, int down);  // -32768 (left, up) to 32767 (right, down)
    void release_all();

private:
    int device_index_ = -1;
    void* joystick_ = nullptr;
};

}  // namespace testing_support
