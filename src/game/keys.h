// The game's key poller: every screen polls the 256 scan codes once per frame and reads how
// each key changed since the poll before.
#pragma once

// What key_transition reports for a key.
constexpr double key_pressed_now = 2;    // down at this poll, up at the one before
constexpr double key_held = 1;           // down at this poll and at the one before
constexpr double key_released_now = -1;  // up at this poll, down at the one before
constexpr double key_not_down = 0;       // up at both

// The arrow keys (scan codes) and P: the keys the game moves and pauses with unless the player's
// settings name others (GameState's MyRight ... MyPause). Escape and Enter as key codes.
constexpr double key_right = 205, key_left = 203, key_up = 200, key_down = 208;
constexpr double key_pause = 25;  // P: pauses and resumes play
constexpr double key_escape = 1, key_enter = 28;

void poll_keys();                    // polls all 256 key codes once; updates gKeyDown / gKeyState
double key_transition(double nkey);  // gKeyState[nkey] as the last poll left it; polls nothing
