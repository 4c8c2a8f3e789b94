// The texts the game shows, in the player's language. The game's own German texts stand in the
// code where they are shown and are the keys (msgids) of the gettext catalogues in
// data/po/<language>.po: German needs no catalogue, and a text a catalogue lacks stays German.
// Translations are turned into the fonts' code page once, when a catalogue is loaded.
#pragma once
#include <string>
#include <vector>

#include "core/rt_string.h"

// Marks a German text for the catalogues where it is kept apart from the tr() that shows it.
#define N_(german) german

const char* tr(const char* german);  // the text in the current language, as the font draws it
const char* tr(const rt_string& german);
// tr, then its one "%s" replaced by number (number-to-text rule); "%%" stands for "%"
rt_string tr_format(const char* german, double number);

// The folder of the catalogues, relative to the data directory the program runs in.
constexpr const char* catalogue_folder = "po";

// Loads the catalogue of a language ("de", "en", "en_GB.UTF-8", "de-AT": the one of the
// region first, then the one of the language). German without a catalogue is the game's own
// texts. False when no catalogue of that language is there, or it is refused (one line on
// standard error names it and the problem); the texts are then the German ones.
bool texts_set_language(const std::string& code);
std::string texts_language();  // "de" for the game's own texts, else the catalogue's code
// "de" and the language of every catalogue in the catalogue folder, sorted: for a settings
// screen that offers them
std::vector<std::string> texts_available_languages();

// The language at start-up: the one asked for on the command line, else the one kept in the
// player's settings, else the system's (platform::user_languages): German for German locales
// and for the C locale, a language with a catalogue of its own in that, English for any other.
// A language asked for that has no catalogue gives English, with one line on standard error
// when it came from the command line.
void texts_choose_language(const std::string& from_command_line, const std::string& from_settings);

// "de_DE.UTF-8@euro" -> "de_DE", "en-GB" -> "en_GB", "EN" -> "en": the part of a locale name
// that names catalogues; "" for the C and POSIX locales and for what names no language.
std::string language_of_locale(const std::string& locale);
