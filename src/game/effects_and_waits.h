// The game's sound effects and its pauses. The pauses show no frame and pump no messages.
#pragma once

void play_effect(double nr);     // music on: plays slot nr (pan 0, full volume); off: stops all
void toggle_sound();             // waits 100 ms, then flips music_on between 1 and 0
void wait_ms(double msecs);      // waits on the ms timer: no frames, no messages, no key polls
void wait_seconds(double secs);  // wait_ms(secs * 1000)
