// The game's full-screen messages (title, score summary, the two end screens), the framed
// backdrop many screens share, the counting animation and the wait for the confirm key.
// Positions are on the 20 x 15 screen grid of sp_size cells unless given in pixels.
#pragma once

double grid_cell(double n);  // column or row n of the screen grid in pixels: n x sp_size

// sp1 tiles, sp2 a one-cell border; the picture becomes the background.
void draw_framed_backdrop(double sz, double sp1, double sp2);
// Shows 0, st, 2 st ... <= pk, one frame each; leaves pk in the background.
void count_up_number(double pk, double x, double y, double st);
void wait_for_start();  // presents the frame once, then polls until MyStart is newly pressed
// Sliding credits, a walking figure; ends on MyStart with a cleared screen.
void title_screen(double fact, double hg, double size, double spr);
void score_summary_screen();  // counts up the bonus; punkte += 500 + 10 brillox_found + 5 rest_zeit
void all_levels_done_screen();  // "Spitze, Supper!"; sets aktlevel to 1
void no_lives_left_screen();    // "Tut mir Leid!"; sets aktlevel to 1

extern const char* const title_credit_text;  // the credit line that slides in on the title
