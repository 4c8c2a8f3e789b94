// The input object: keyboard snapshots by scan code, the system pointer switch, the mouse
// movement sampled once a frame, and the joystick names. The keyboard is always read through
// the platform's snapshot, which plays the part of an exclusive keyboard device.
#include "input/input.h"

#include <algorithm>
#include <limits>

#include "core/rt_number.h"
#include "platform/events.h"
#include "platform/system.h"

InputState* rt_input = nullptr;

namespace {

constexpr int max_joysticks = 10;

std::int16_t clamp_to_int16(int value)
{
    return static_cast<std::int16_t>(std::clamp<int>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

void input_create()
{
    delete rt_input;
    rt_input = new InputState();
}

double input_init(platform::Window window, bool input_mouse)
{
    if (rt_input == nullptr) input_create();
    InputState& in = *rt_input;
    in.window = window;

    const platform::MouseState mouse = platform::mouse_state();
    in.mouse_x = mouse.x;
    in.mouse_y = mouse.y;

    // The pointer stays hidden while the program reads the mouse as a device of its own;
    // otherwise the system pointer is left as it is, visible.
    in.pointer_visible = !input_mouse;
    if (input_mouse) platform::show_cursor(false);

    in.joystick_count = std::min(platform::joystick_count(), max_joysticks);
    for (int i = 0; i < max_joysticks; ++i) {
        in.joystick_names[i] = i < in.joystick_count ? platform::joystick_name(i) : std::string();
    }
    return 1;
}

void key_update()
{
    if (rt_input == nullptr) return;
    // As with an exclusive keyboard device, one waiting keyboard or mouse event is taken off the
    // queue and dropped unseen, so that key presses do not pile up behind the game's polling.
    if (platform::input_waiting()) platform::discard_one_input_event();
    platform::keyboard_snapshot(rt_input->keys);
}

int key_code_from_number(double code)
{
    // Wraps like a C cast to a 16-bit integer: 65536 + 57 is 57, -1 is 255.
    const auto as_int16 = static_cast<std::int16_t>(rt_to_int(code));
    return static_cast<std::uint8_t>(as_int16);
}

double key_state(double code)
{
    key_update();
    if (rt_input == nullptr) return 0;
    return (rt_input->keys[key_code_from_number(code)] & 0x80) != 0 ? 1 : 0;
}

void input_mark_new_frame()
{
    if (rt_input != nullptr) rt_input->new_frame = true;
}

void mouse_show_pointer(double flag)
{
    if (rt_input == nullptr) return;
    const bool visible = flag != 0;
    if (visible == rt_input->pointer_visible) return;
    rt_input->pointer_visible = visible;
    platform::show_cursor(visible);
}

MouseReading mouse_get_state()
{
    MouseReading reading{0, 0, 0, false, false, false};
    if (rt_input == nullptr) return reading;
    InputState& in = *rt_input;
    const platform::MouseState mouse = platform::mouse_state();
    if (in.new_frame) {
        // The first read of a frame measures the movement since the last sample; later reads
        // in the same frame repeat it. The wheel is not tracked.
        in.new_frame = false;
        in.frame_dx = clamp_to_int16(mouse.x - in.mouse_x);
        in.frame_dy = clamp_to_int16(mouse.y - in.mouse_y);
        in.frame_wheel = 0;
        in.mouse_x = mouse.x;
        in.mouse_y = mouse.y;
    }
    reading.dx = in.frame_dx;
    reading.dy = in.frame_dy;
    reading.wheel = in.frame_wheel;
    reading.left = mouse.left;
    reading.right = mouse.right;
    reading.middle = mouse.middle;
    return reading;
}

void input_release()
{
    if (rt_input == nullptr) return;
    if (!rt_input->pointer_visible) platform::show_cursor(true);
    delete rt_input;
    rt_input = nullptr;
}
