// The playfield rules: the player's move, falling objects and rolling stones on the game
// state's field (map[column][row]) and falling list (f_steine). Pure game logic apart from
// the quota flash; cells outside the field count as walls.
#pragma once

// The cell lies on the field (0 <= x < max_x, 0 <= y < max_y)
bool inside_field(double x, double y);
double cell_at(double posx, double posy);        // map[posx][posy]; sp_mauer outside the field
double player_step(double posx, double posy);    // one frame's move; 1 on entering the open exit
void add_falling(double posx, double posy);      // lists that cell's object unless it already moves
void remove_falling(double posx, double posy);   // deletes its moving rows; skips a row moved up
double falling_step();                           // all moving objects one down; 1 on a crush
double roll_step(double startx, double starty);  // at most one stone in the window rolls; 0
double window_left(double startx);               // first column of the 20 x 14 window; >= 0
double window_top(double starty);                // first row of the window; >= 0
