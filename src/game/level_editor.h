// The level editor screen: a set of levels edited on the game's 640 x 480 screen with its own
// tiles, keys (and the mouse, here only), test play through the real play loop, and saving the
// set with its recorded solutions. The rules of editing live in level_editor_model.h.
#pragma once
#include <string>

// Edits the set in the file path (a new set when it does not exist) until the player leaves
// with Escape; returns then. Needs the game's start-up (sprites, fonts, keys) done.
void level_editor(const std::string& path);
