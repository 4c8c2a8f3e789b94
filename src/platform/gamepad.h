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
int gamepad_count();                       // controllers open now

}  // namespace platform
