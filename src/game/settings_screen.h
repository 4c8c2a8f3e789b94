// The settings screen of the main menu: keys for the game's actions (taken by pressing them),
// the language, the window and the sound, written to the player's settings file on leaving with
// "Übernehmen". Escape leaves without a change; "Standard" puts back the game's own settings.
#pragma once
#include <string>

#include "core/rt_string.h"

struct GameState;

// Runs the screen over background sprite hg (stretched by fact) with pointer sprite spr; returns
// when the player leaves. Changes are in force at once when taken.
void settings_screen(double fact, double hg, double spr);

// The name of a key as the screen shows it: "Enter", "Pfeil rechts", the letter it types.
rt_string key_name(int code);
// The prompts that name the confirm and the letter key ("Weiter mit Enter!") for the keys in
// force and the current language; the game's own prompts while those keys are its own.
void settings_prompts(GameState& g);
// german (a msgid with one "%s") in the current language, the name of key in place of "%s"
rt_string prompt_naming(const char* german, double key);
