// The main menu between games: start, lives, difficulty, highscore table, load game, settings,
// quit, and the level set when the player has sets of his own.
// It changes anz_leben, geschwindigkeit and the level set itself (only while aktlevel is 1).
#pragma once
#include "core/rt_string.h"

double main_menu(double fact, double hg, double size,
                 double spr);  // 1 = "Start" chosen, 2 = "Beenden"; loops until one of them
rt_string difficulty_text(double geschwindigkeit);  // 1 "Hard", 2 "Medium", anything else "Easy"
