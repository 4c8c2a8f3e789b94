// One attempt at one level: the frame loop with the status line (HUD), the scrolling field
// window, the pacing of falling objects, the time limit, the give-up key, the death sequence
// and the completion message. The rules themselves live in playfield.h.
#pragma once
#include <vector>

double play_level(double level);  // 1 complete, 2 life lost, 3 given up, 5 level not loaded
// The same attempt on the level already in the game state (the editor's test play); with
// directions, the save key is ignored and directions gets the richtung of every pass played.
double play_loaded_level(double level, std::vector<int>* directions = nullptr);
// One pass of the level's frame loop without showing the frame: keys, HUD, field window, the
// player's step and, when due, rolling and falling, with the level's host (key poll, save
// screen, sounds, quota flash) installed for the rules. 0 to play on, 1 complete, else a death
// code.
double play_pass(double level);
void draw_field(double posx, double posy);  // the player into map there; the 20 x 14 window
void death_sequence(double posx, double posy, double errtext);  // explosion, reason 2/3/4, 2 s
