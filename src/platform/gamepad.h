// Game controllers read as keys: every controller SDL's mapping database knows, present at the
// start or plugged in later, stands for the keyboard keys a player would press, so that nothing
// above this layer knows controllers exist. No SDL types leave this file.
//
//   D-pad and left stick (pushed past half way)  arrow keys      A, Start  Enter
//   X  Space      B  Escape      Back  S (save)      Y  M (sound)
#pragma once
#include "platform/keyboard.h"

namespace platform {

constexpr int gamepad_stick_dead_zone = 16384;  // of 32767: a stick counts from half deflection

// After SDL has pumped its events: opens the controllers that came, closes those that went, and
// takes the state of their buttons and sticks. Nothing happens before SDL's joysticks are up.
void gamepad_update();
void gamepad_add_keys(KeySnapshot& keys);  // sets bit 7 of every key a controller holds down

// The keys the buttons press, for a program whose player has set keys of its own: a controller
// stands for the actions, not for the keys it starts with (those of the table above).
struct GamepadKeys {
    int up = 200, down = 208, left = 203, right = 205;  // D-pad and left stick
    int confirm = 28;                                   // A, Start
    int x = 57, b = 1, back = 31, y = 50;
};
void gamepad_set_keys(const GamepadKeys& keys);
int gamepad_count();  // controllers open now

}  // namespace platform
