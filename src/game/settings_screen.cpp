// The settings screen: one row per setting over the menu's background, the pointer left of the
// selected one. The screen works on a copy of the settings; only "Übernehmen" writes the file and
// puts the copy in force. It answers the arrow keys, Enter and Escape whatever keys the player
// has set, so that keys set badly can always be mended here, and the player's own direction and
// confirm keys as well.
#include "game/settings_screen.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/settings.h"
#include "game/texts.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"
#include "platform/keyboard.h"

namespace {

// The rows: the ten actions, then these.
enum Row {
    row_language = action_count,
    row_scale,
    row_fullscreen,
    row_sound,
    row_defaults,
    row_done,
    row_count
};

// The labels of the actions' rows, in the order of Action.
constexpr const char* action_labels[action_count] = {
    N_("Rechts"),    N_("Links"),    N_("Hoch"),      N_("Runter"),    N_("Bestätigen"),
    N_("Buchstabe"), N_("Aufgeben"), N_("Speichern"), N_("Ton-Taste"), N_("Pause")};

constexpr const char* other_labels[row_count - action_count] = {
    N_("Sprache"), N_("Fenstergröße"), N_("Vollbild"), N_("Ton"), N_("Standard"), N_("Übernehmen")};

// Pixel layout on the 640 x 480 picture: sixteen rows under the heading, the message line last.
constexpr double first_row_y = 40, row_pitch = 25, message_y = 447;
constexpr double pointer_x = 32, label_x = 64, value_x = 384, pointer_size = 25;
constexpr double veil_left = 24, veil_right = 631, veil_opacity = 0.7;
constexpr int largest_scale = 16;

// Keys that belong to the window, not to the game: F11 and Alt (Alt+Enter, Alt+F4).
bool window_key(int code)
{
    return code == 87 || code == 56 || code == 184;
}

struct KeyLabel {
    int code;
    const char* name;
};

// Keys that type no character of their own; the rest show the character they type.
constexpr KeyLabel named_keys[] = {
    {1, "Esc"},
    {14, N_("Rücktaste")},
    {15, "Tab"},
    {28, "Enter"},
    {29, N_("Strg")},
    {42, N_("Umschalt")},
    {54, N_("Umschalt re.")},
    {57, N_("Leertaste")},
    {58, N_("Feststell")},
    {59, "F1"},
    {60, "F2"},
    {61, "F3"},
    {62, "F4"},
    {63, "F5"},
    {64, "F6"},
    {65, "F7"},
    {66, "F8"},
    {67, "F9"},
    {68, "F10"},
    {69, "Num"},
    {70, "Rollen"},
    {71, "Num 7"},
    {72, "Num 8"},
    {73, "Num 9"},
    {74, "Num -"},
    {75, "Num 4"},
    {76, "Num 5"},
    {77, "Num 6"},
    {78, "Num +"},
    {79, "Num 1"},
    {80, "Num 2"},
    {81, "Num 3"},
    {82, "Num 0"},
    {83, "Num ,"},
    {88, "F12"},
    {156, "Num Enter"},
    {157, N_("Strg re.")},
    {181, "Num /"},
    {199, N_("Pos1")},
    {200, N_("Pfeil hoch")},
    {201, N_("Bild auf")},
    {203, N_("Pfeil links")},
    {205, N_("Pfeil rechts")},
    {207, N_("Ende")},
    {208, N_("Pfeil runter")},
    {209, N_("Bild ab")},
    {210, N_("Einfg")},
    {211, N_("Entf")},
};

// The text as the font draws it, as a string the screen's lines are put together from.
rt_string shown(const char* german)
{
    return tr(german);
}

const char* label_of(int row)
{
    return row < action_count ? action_labels[row] : other_labels[row - action_count];
}

rt_string language_name(const std::string& code)
{
    if (code.empty()) return shown(N_("Automatisch"));
    if (code == "de") return "Deutsch";
    if (code == "en") return "English";
    return code.c_str();
}

rt_string value_text(const PlayerSettings& s, int row)
{
    if (row < action_count) return key_name(s.keys[row]);
    switch (row) {
        case row_language:
            return language_name(s.language);
        case row_scale:
            return (std::to_string(s.window_scale) + "x").c_str();
        case row_fullscreen:
            return s.fullscreen ? shown(N_("an")) : shown(N_("aus"));
        case row_sound:
            return s.sound_on ? shown(N_("an")) : shown(N_("aus"));
        default:
            return "";
    }
}

// The languages to choose from: the system's, then every one with texts.
std::vector<std::string> language_choices()
{
    std::vector<std::string> choices{""};
    for (const std::string& code : texts_available_languages()) choices.push_back(code);
    return choices;
}

// Left (step -1) or Right (step 1) on a row with a value of its own.
void step_value(PlayerSettings& s, int row, int step)
{
    if (row == row_language) {
        const std::vector<std::string> choices = language_choices();
        auto at = std::find(choices.begin(), choices.end(), s.language);
        const auto count = static_cast<long>(choices.size());
        long index = at == choices.end() ? 0 : at - choices.begin();
        index = ((index + step) % count + count) % count;
        s.language = choices[static_cast<std::size_t>(index)];
    } else if (row == row_scale) {
        s.window_scale = std::clamp(s.window_scale + step, 1, largest_scale);
    } else if (row == row_fullscreen) {
        s.fullscreen = !s.fullscreen;
    } else if (row == row_sound) {
        s.sound_on = !s.sound_on;
    }
}

bool pressed(double code)
{
    return key_transition(code) == key_pressed_now;
}

// The first key newly pressed at the last poll, or 0.
int newly_pressed_key()
{
    for (int code = 1; code <= 255; ++code)
        if (pressed(code)) return code;
    return 0;
}

}  // namespace

rt_string prompt_naming(const char* german, double key)
{
    std::string text = shown(german).c_str();
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, key_name(static_cast<int>(key)).c_str());
    return text.c_str();
}

namespace {

// Puts what the screen took in force for the rest of the run.
void put_in_force(const PlayerSettings& before, const PlayerSettings& after)
{
    GameState& g = game();
    const double music_on = g.music_on;
    settings_apply(g, after);
    // The sound key switches the sound in play; only a change made here replaces that.
    if (after.sound_on == before.sound_on) g.music_on = music_on;
    if (after.language != before.language) {
        if (after.language.empty()) {
            texts_choose_language("", "");
        } else {
            texts_set_language(after.language);
        }
    }
    settings_prompts(g);
    if (after.window_scale != before.window_scale || after.fullscreen != before.fullscreen)
        rt_set_window({after.window_scale, after.fullscreen});
}

void draw_background(double fact, double hg)
{
    RT_LINE();
    sprite_draw_stretched(hg, 0, 0, 320 * fact, 240 * fact);
    // The rows lie over the logo and the board of the menu's picture: a dark veil under them
    // keeps every row as easy to read as the menu's own.
    screen_set_alpha_mode(-veil_opacity);
    screen_draw_rect(veil_left, first_row_y - 2, veil_right, message_y - 4, 0);
    screen_set_alpha_mode(0);
    text_print(shown(N_("*** Einstellungen ***")), 4 * game().sp_size, 0);
    screen_use_as_background();
}

}  // namespace

rt_string key_name(int code)
{
    for (const KeyLabel& k : named_keys)
        if (k.code == code) return shown(k.name);
    int c = platform::key_character(code);
    // Letters are shown as the keyboard labels them, in capitals; the fonts draw Latin-1.
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 32;
    if (c > 32 && c < (text_font_cells() == 128 ? 127 : 256)) {
        const char text[2] = {static_cast<char>(c), '\0'};
        return text;
    }
    return tr_format("Taste %s", code);
}

void settings_prompts(GameState& g)
{
    const PlayerSettings own = settings_defaults();
    // The texts stay the game's own msgids, which every screen shows through tr(); a prompt
    // built here is in the current language already and has no msgid, so tr() leaves it be.
    if (g.MyStart == settings_key(own, Action::confirm)) {
        g.weiter_mit_Str = N_("Weiter mit Enter!");
        g.beenden_mit_Str = N_("Beenden mit Enter!");
    } else {
        g.weiter_mit_Str = prompt_naming(N_("Weiter mit %s!"), g.MyStart);
        g.beenden_mit_Str = prompt_naming(N_("Beenden mit %s!"), g.MyStart);
    }
    if (g.MySpace == settings_key(own, Action::letter)) {
        g.auswahl_mit_Str = N_("Auswahl mit >SPACE< !");
    } else {
        g.auswahl_mit_Str = prompt_naming(N_("Auswahl mit >%s< !"), g.MySpace);
    }
}

void settings_screen(double fact, double hg, double spr)
{
    RT_LINE();
    GameState& g = game();
    const PlayerSettings before = settings_at_start();
    PlayerSettings s = before;
    int row = 0;
    int capturing = -1;  // the action row waiting for its key
    rt_string message;   // what the last key did, shown until the next one
    draw_background(fact, hg);

    for (;;) {
        RT_LINE();
        poll_keys();
        if (capturing >= 0) {
            const int code = newly_pressed_key();
            if (code != 0) {
                const auto other = std::find(s.keys.begin(), s.keys.end(), code);
                const auto other_row = static_cast<int>(other - s.keys.begin());
                if (window_key(code)) {
                    message = shown(N_("Diese Taste gehört dem Fenster."));
                } else if (other != s.keys.end() && other_row != capturing) {
                    message = shown(N_("Schon belegt: ")) + shown(label_of(other_row));
                } else {
                    s.keys[capturing] = code;
                    message = "";
                }
                capturing = -1;
            }
        } else {
            if (pressed(key_escape)) break;  // nothing taken
            if (pressed(key_up) || pressed(g.MyUp)) row = (row + row_count - 1) % row_count;
            if (pressed(key_down) || pressed(g.MyDown)) row = (row + 1) % row_count;
            if (pressed(key_left) || pressed(g.MyLeft)) step_value(s, row, -1);
            if (pressed(key_right) || pressed(g.MyRight)) step_value(s, row, 1);
            if (pressed(key_enter) || pressed(g.MyStart)) {
                message = "";
                if (row < action_count) {
                    capturing = row;
                    message = shown(N_("Neue Taste drücken!"));
                } else if (row == row_defaults) {
                    s = settings_defaults();
                } else if (row == row_done) {
                    if (s == before) break;
                    if (settings_write(s)) {
                        put_in_force(before, s);
                        break;
                    }
                    message = shown(N_("Einstellungen nicht gespeichert!"));
                } else {
                    step_value(s, row, 1);
                }
            }
        }

        for (int r = 0; r < row_count; ++r) {
            RT_LINE();
            const double y = first_row_y + r * row_pitch;
            text_print(shown(label_of(r)), label_x, y);
            text_print(r == capturing ? rt_string("...") : value_text(s, r), value_x, y);
        }
        sprite_draw_stretched(spr, pointer_x, first_row_y + row * row_pitch, pointer_size,
                              pointer_size);
        text_print(message.empty() ? shown(N_("Esc: zurück ohne Änderung")) : message, label_x,
                   message_y);
        rt_show_frame();
    }
}
