// Saved games: the ten-slot load and save screen over "savegame.ini".
#pragma once

void load_save_screen(double load);  // the load and save screen; load 1 = load mode, else save mode
