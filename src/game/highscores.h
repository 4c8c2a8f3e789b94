// The table of the ten best scores in "highscore.ini" (section "daten", places "1".."10" as
// name + "," + score): reading its lowest score, inserting a new score, and the two screens
// that show the table and congratulate the player. None of these creates the file.
#pragma once
#include "core/rt_string.h"

void read_highscore_minimum();  // min_score = lowest stored score; unchanged when the file is
                                // missing
// The place 1..10 taken, 0 when none. Waits for another running copy that is entering a score
// (see ini_lock). A table that is missing, unreadable or not a file is told on a screen of its
// own (and on standard error) before 0 is returned.
double enter_highscore(double ptk, const rt_string& na_Str);
void show_highscores();  // "Highsore" table on the framed backdrop; waits for MyStart
void show_congratulation(const rt_string& name_Str,
                         double platz);  // waits for MyStart; aktlevel = 1
