// The player's settings: the keys of the game's actions, the language, the window and the sound,
// kept in "settings.ini" in the player's folder. The file is read and written whole by this
// module on its own text, never through the runtime's one INI document, which the game may have
// open at any moment.
#pragma once
#include <array>
#include <string>
#include <string_view>

#include "app/startup.h"

struct GameState;

// The actions a key can be set for, in the order the settings screen and the file list them.
enum class Action { right, left, up, down, confirm, letter, give_up, save, sound, pause };
constexpr int action_count = 10;

struct PlayerSettings {
    std::array<int, action_count> keys{};  // scan codes 1..255, no two alike
    std::string language;                  // "" follows the system; else a language code
    int window_scale = 1;                  // 1..16
    bool fullscreen = false;
    bool sound_on = true;
    bool operator==(const PlayerSettings&) const = default;
};

constexpr const char* settings_file = "settings.ini";

PlayerSettings settings_defaults();  // the game's own keys, the system's language, 1x, sound on
int settings_key(const PlayerSettings& s, Action a);  // the scan code set for a
const char* settings_name_of(Action a);               // its key in the file: "right", "give_up"

// The settings a file's text holds; settings it leaves out keep their defaults. A damaged file
// (a value out of range, two actions on one key, a line too long, a NUL byte) gives the defaults
// altogether and the reason in problem, which is "" for a sound file.
PlayerSettings settings_parse(std::string_view text, std::string& problem);
std::string settings_render(const PlayerSettings& s);  // the file's text, lines ended by CR LF

// ---- The file in the player's folder ----
// Reads the file once per run (later calls give that reading): a missing file gives the
// defaults silently, a damaged or unreadable one the defaults and one line on standard error.
const PlayerSettings& settings_at_start();
// The window the settings ask for, for the runtime before it opens the window.
rt_window_choice settings_window_at_start();
// Writes the file whole beside itself and renames it over the old one; false with one line on
// standard error when it could not be written. The runtime's INI document stays as it is.
bool settings_write(const PlayerSettings& s);

// ---- Putting them in force ----
// Keys (MyStart ... MyPause, the controllers' buttons) and the sound switch in g.
void settings_apply(GameState& g, const PlayerSettings& s);
