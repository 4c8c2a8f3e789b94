// The small shared routines every game screen calls: the key poller, sound effects and the
// sound switch, and the busy waits; and the game's main routine with its top-level flow.
#pragma once

[[noreturn]] void game_main();  // start-up of the game, title, then menu and levels until the player quits

void poll_keys();  // polls all 256 key codes once and updates gKeyDown / gKeyState
double key_transition(
    double nkey);  // gKeyState[nkey] of the last poll: 2 new, 1 held, -1 released, 0 up; no poll
void play_effect(
    double nr);       // music_on = 1: plays slot nr (pan 0, full volume); else stops all sounds
void toggle_sound();  // waits 100 ms, then flips music_on between 1 and 0
void wait_ms(double msecs);      // busy wait on the ms timer: no frames, no messages, no key polls
void wait_seconds(double secs);  // wait_ms(secs * 1000)
