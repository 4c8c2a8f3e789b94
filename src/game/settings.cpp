// The player's settings file: its text read and written by this module alone. The runtime keeps
// one INI document at a time and the game has Level.ini or a score file open in it at most
// moments, so the settings never go through it; the text follows the same INI rules (sections,
// "key=value", ";" comments, CR LF line ends) so a player can edit it by hand.
#include "game/settings.h"

#include <cstdio>

#include "app/program_files.h"
#include "core/rt_string.h"
#include "core/trace.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "platform/fs.h"
#include "platform/gamepad.h"

namespace {

constexpr const char* action_names[action_count] = {
    "right", "left", "up", "down", "confirm", "letter", "give_up", "save", "sound_key", "pause"};
constexpr const char* section_name = "settings";
constexpr std::size_t largest_file = 64 * 1024;  // a settings file is a few hundred bytes
constexpr std::size_t longest_line = 1023;       // as the INI document's lines
constexpr int largest_scale = 16;                // as --scale
constexpr std::size_t longest_language = 32;     // as --lang

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// A plain decimal number from low to high; false for anything else ("+3", "3.0", "", "99999999").
bool whole_number(std::string_view text, int low, int high, int& out)
{
    if (text.empty() || text.size() > 4) return false;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n < low || n > high) return false;
    out = n;
    return true;
}

// A letter, then letters, digits and "_-.@", as --lang takes it.
bool language_code(std::string_view text)
{
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (text.empty() || text.size() > longest_language || !letter(text[0])) return false;
    for (const char c : text) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '-' && c != '.' && c != '@')
            return false;
    }
    return text.find("..") == std::string_view::npos;
}

// One "key=value" of the settings section into s; false with the problem.
bool take_entry(std::string_view key, std::string_view value, PlayerSettings& s,
                std::string& problem)
{
    for (int a = 0; a < action_count; ++a) {
        if (!same_name(key, action_names[a])) continue;
        if (whole_number(value, 1, 255, s.keys[a])) return true;
        problem = std::string(action_names[a]) + " needs a key code from 1 to 255";
        return false;
    }
    int n = 0;
    if (same_name(key, "language")) {
        if (language_code(value)) {
            s.language = std::string(value);
            return true;
        }
        problem = "language needs a language code such as de or en";
        return false;
    }
    if (same_name(key, "scale")) {
        if (whole_number(value, 1, largest_scale, s.window_scale)) return true;
        problem = "scale needs a whole number from 1 to 16";
        return false;
    }
    if (same_name(key, "fullscreen") || same_name(key, "sound")) {
        if (!whole_number(value, 0, 1, n)) {
            problem = std::string(key) + " needs 0 or 1";
            return false;
        }
        (same_name(key, "sound") ? s.sound_on : s.fullscreen) = n == 1;
        return true;
    }
    return true;  // a setting of a later version: left alone
}

// A file read, or the reason it was not.
struct Reading {
    PlayerSettings settings = settings_defaults();
    std::string problem;  // "" when the file was missing or sound
};

Reading read_file(const std::string& path)
{
    Reading r;
    if (path.empty()) return r;  // the player's folder could not be made (said already)
    std::string text;
    switch (platform::read_whole_file(path, largest_file, text, true)) {
        case platform::ReadResult::missing:
            // Missing is the usual case; a directory or the like in its place is not.
            if (platform::exists(path)) r.problem = "it is not a regular file";
            return r;
        case platform::ReadResult::cut:
            r.problem = "it is larger than 64 KiB";
            return r;
        case platform::ReadResult::failed:
            r.problem = "it cannot be read";
            return r;
        case platform::ReadResult::whole:
            break;
    }
    r.settings = settings_parse(text, r.problem);
    return r;
}

PlayerSettings& current()
{
    static PlayerSettings settings = settings_defaults();
    return settings;
}

}  // namespace

PlayerSettings settings_defaults()
{
    PlayerSettings s;
    // The desktop key set the game picks on a PC keyboard (game_main.cpp's choose_keys).
    s.keys = {static_cast<int>(key_right),
              static_cast<int>(key_left),
              static_cast<int>(key_up),
              static_cast<int>(key_down),
              28,
              57,
              1,
              31,
              50,
              static_cast<int>(key_pause)};
    return s;
}

int settings_key(const PlayerSettings& s, Action a)
{
    return s.keys[static_cast<int>(a)];
}

const char* settings_name_of(Action a)
{
    return action_names[static_cast<int>(a)];
}

PlayerSettings settings_parse(std::string_view text, std::string& problem)
{
    problem.clear();
    PlayerSettings s = settings_defaults();
    const auto broken = [&problem](std::size_t line, const std::string& why) {
        problem = line == 0 ? why : "line " + std::to_string(line) + ": " + why;
        return settings_defaults();
    };
    if (text.find('\0') != std::string_view::npos) return broken(1, "it holds a NUL byte");
    bool in_section = false;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.size() > longest_line) return broken(number, "the line is too long");
        line = trimmed(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            in_section = close != std::string_view::npos &&
                         same_name(trimmed(line.substr(1, close - 1)), section_name);
            continue;
        }
        if (!in_section) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return broken(number, "it is not key=value");
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        std::string why;
        if (!take_entry(key, value, s, why)) return broken(number, why);
    }
    for (int a = 0; a < action_count; ++a) {
        for (int b = 0; b < a; ++b) {
            if (s.keys[a] == s.keys[b])
                return broken(0, std::string(action_names[b]) + " and " + action_names[a] +
                                     " have the same key");
        }
    }
    return s;
}

std::string settings_render(const PlayerSettings& s)
{
    std::string text =
        "; brillox settings, written by its settings screen. Keys are keyboard scan codes\r\n"
        "; (Enter 28, Space 57, Escape 1, the arrows 200, 203, 205, 208); language \"\" or\r\n"
        "; missing follows the system.\r\n";
    text += std::string("[") + section_name + "]\r\n";
    for (int a = 0; a < action_count; ++a)
        text += std::string(action_names[a]) + "=" + std::to_string(s.keys[a]) + "\r\n";
    if (!s.language.empty()) text += "language=" + s.language + "\r\n";
    text += "scale=" + std::to_string(s.window_scale) + "\r\n";
    text += std::string("fullscreen=") + (s.fullscreen ? "1" : "0") + "\r\n";
    text += std::string("sound=") + (s.sound_on ? "1" : "0") + "\r\n";
    return text;
}

const PlayerSettings& settings_at_start()
{
    static const bool read = [] {
        const std::string path = rt_player_file_path(settings_file);
        const Reading r = read_file(path);
        if (!r.problem.empty()) {
            std::fprintf(stderr, "%s: %s; the game starts with its own settings\n",
                         platform::absolute_path(path).c_str(), r.problem.c_str());
        }
        current() = r.settings;
        return true;
    }();
    (void)read;
    return current();
}

rt_window_choice settings_window_at_start()
{
    const PlayerSettings& s = settings_at_start();
    return {s.window_scale, s.fullscreen};
}

bool settings_write(const PlayerSettings& s)
{
    const std::string path = rt_player_file_path(settings_file);
    std::string failure = "it has no folder";
    const std::string text = settings_render(s);
    if (!path.empty() &&
        platform::replace_file_contents(path, text.data(), text.size(), &failure)) {
        current() = s;
        rt_trace(std::string("settings_save ") + settings_file);
        return true;
    }
    std::fprintf(stderr, "%s: the settings are not saved: %s\n",
                 path.empty() ? settings_file : platform::absolute_path(path).c_str(),
                 failure.c_str());
    return false;
}

void settings_apply(GameState& g, const PlayerSettings& s)
{
    const auto key = [&s](Action a) { return static_cast<double>(settings_key(s, a)); };
    g.MyRight = key(Action::right);
    g.MyLeft = key(Action::left);
    g.MyUp = key(Action::up);
    g.MyDown = key(Action::down);
    g.MyStart = key(Action::confirm);
    g.MySpace = key(Action::letter);
    g.MyESC = key(Action::give_up);
    g.MySave = key(Action::save);
    g.MyMusic = key(Action::sound);
    g.MyPause = key(Action::pause);
    g.music_on = s.sound_on ? 1 : 0;
    // A controller presses the keys of the actions, whichever keys those are now.
    platform::GamepadKeys pad;
    pad.up = settings_key(s, Action::up);
    pad.down = settings_key(s, Action::down);
    pad.left = settings_key(s, Action::left);
    pad.right = settings_key(s, Action::right);
    pad.confirm = settings_key(s, Action::confirm);
    pad.x = settings_key(s, Action::letter);
    pad.b = settings_key(s, Action::give_up);
    pad.back = settings_key(s, Action::save);
    pad.y = settings_key(s, Action::sound);
    platform::gamepad_set_keys(pad);
}
