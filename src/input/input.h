// The input object: keyboard state by scan code, the mouse pointer switch, mouse and
// joysticks. Key codes are PC scan codes 0..255 (Escape 1, Enter 28, Space 57, cursor keys
// 200, 203, 205, 208); a code given as a number is truncated to 16 bits and its low 8 bits used.
#pragma once
#include <cstdint>
#include <string>

#include "platform/keyboard.h"
#include "platform/video.h"

struct InputState {
    std::int32_t mouse_x = 100, mouse_y = 100;  // the runtime's mouse position, client pixels
    platform::KeySnapshot keys{};               // the last keyboard snapshot
    platform::Window window = 0;
    bool pointer_visible = false;
    std::int32_t joystick_count = 0;
    std::string joystick_names[10];
    bool new_frame = false;  // the next mouse read samples the movement
    std::int16_t frame_dx = 0, frame_dy = 0, frame_wheel = 0;
};

extern InputState* rt_input;  // created by the start-up, released by the shutdown

void input_create();                                           // the object, before input_init
double input_init(platform::Window window, bool input_mouse);  // 1 on success
void key_update();                                             // takes a new keyboard snapshot
double key_state(double code);                                 // 1 if down; takes a snapshot itself
int key_code_from_number(double code);                         // truncation to 16 bits, low 8 bits
void input_mark_new_frame();           // the frame presentation's fresh-input mark
void mouse_show_pointer(double flag);  // shows (flag != 0) or hides the system pointer

struct MouseReading {
    int dx, dy, wheel;
    bool left, right, middle;
};
MouseReading mouse_get_state();
void input_release();
