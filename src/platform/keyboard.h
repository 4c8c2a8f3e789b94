// Keyboard snapshots indexed by PC scan code (set 1, extended keys at code + 128: the
// numbering DirectInput calls DIK_). Physical positions: code 21 is the key a German
// keyboard labels Z and a US keyboard Y.
#pragma once
#include <array>
#include <cstdint>

namespace platform {

using KeySnapshot = std::array<std::uint8_t, 256>;  // bit 7 set = down

// Pumps pending events first (once a ms at most); scripted state when overridden. The real
// keyboard has the keys game controllers hold down as well (gamepad.h).
void keyboard_snapshot(KeySnapshot& out);
int sdl_scancode_for(int key_code);  // the SDL scancode of a key code 0..255; 0 when no key has it
int key_code_for_sdl_scancode(int scancode);  // the inverse; 0 when the key has no code
// The character the key types on the keyboard layout in use, as a Unicode code point, for showing
// which key a player chose; 0 for a key that types none (Enter, the arrows, Shift ...)
int key_character(int key_code);

// Scripted mode: snapshots come from this state instead of the real keyboard, and each one
// advances the virtual clock. The state is read afresh at every snapshot, so it must stay alive
// until the next override; nullptr returns to the real keyboard.
void keyboard_override(const KeySnapshot* scripted);

// Recording: while latched, snapshots repeat one state, which changes only when it is refreshed
// from the keyboard (real or scripted), so every change falls on a point a replay can find.
void keyboard_latch(bool on);   // on: the latched state starts with every key up
void keyboard_latch_refresh();  // reads the keyboard into the latched state; the clock stays
const KeySnapshot& keyboard_latched();
// The real keyboard and controllers whatever the override or latch (a replay's Escape); the
// clock stays
bool keyboard_real_key_down(int key_code);

}  // namespace platform
