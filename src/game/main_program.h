// The small shared routines every game screen calls: the key poller, sound effects and the
// sound switch, and the busy waits; and the game's main routine with its top-level flow.
#pragma once

// Start-up of the game, title, then menu and levels until the player quits
[[noreturn]] void game_main();

void poll_keys();  // polls all 256 key codes once and updates gKeyDown / gKeyState
double key_transition(double nkey);  // gKeyState[nkey] of the last poll: 2 new, 1 held, -1
                                     // released, 0 up; no poll
void play_effect(double nr);         // music on: plays slot nr (pan 0, full volume); off: stops all
void toggle_sound();                 // waits 100 ms, then flips music_on between 1 and 0
void wait_ms(double msecs);      // busy wait on the ms timer: no frames, no messages, no key polls
void wait_seconds(double secs);  // wait_ms(secs * 1000)
