// The main menu: seven items on rows 8..14 (and the level sets on row 7 when the player has sets
// of his own), the pointer sprite left of the selected one, Up and Down wrapping round (Down
// passes the settings and the sets by), Left and Right changing the set, lives and difficulty
// before the first level of a game, and the confirm key opening the highscore table, the load
// screen, the settings or, on a set of the player's own, the level editor, or leaving.
#include "game/main_menu.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "core/rt_number.h"
#include "game/game_state.h"
#include "game/highscores.h"
#include "game/keys.h"
#include "game/level_editor.h"
#include "game/level_file.h"
#include "game/level_sets.h"
#include "game/save_game.h"
#include "game/settings_screen.h"
#include "game/texts.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"

namespace {

constexpr double item_level_set = 0, item_start = 1, item_lives = 2, item_difficulty = 3,
                 item_highscore = 4, item_load = 5, item_settings = 6, item_quit = 7;

// The settings sit just above "Beenden", the last item. Up walks every item; Down goes from
// "Load Game" straight to "Beenden", past the settings, so that every way of keys that led to
// "Beenden" before the settings came (Up from "Start", Down from "Load Game") still does, and
// recorded and scripted games play as they did.
//
// The level sets sit above "Start" and are there only when the player has sets of his own: Up
// from "Start" reaches them, Down from "Beenden" still goes to "Start", and a menu without them
// keeps every way of keys it has.
double item_below(double menu)
{
    if (menu == item_load || menu == item_settings) return item_quit;
    if (menu == item_quit) return item_start;
    return menu + 1;
}

// The menu's picture behind every frame: the background image and the heading, frozen.
void draw_menu_background(double fact, double hg, double size)
{
    RT_LINE();
    sprite_draw_stretched(hg, 0, 0, 320 * fact, 240 * fact);
    text_print(tr("*** Hauptmenu ***"), 5 * size, 0);
    screen_use_as_background();
}

// The set's name as far as it fits between column 14 and the edge of the menu's panel.
constexpr double set_title_length = 8;

// Another set brings its own settings ("game" of its file) and its own table's lowest score.
// Without a file the settings stay as start-up leaves them for a missing Level.ini.
void change_level_set(GameState& g, double step)
{
    RT_LINE();
    const double count = static_cast<double>(level_sets().size());
    const double index = rt_mod(static_cast<double>(level_set_index()) + step + count, count);
    level_set_choose(static_cast<std::size_t>(index));
    g.anz_level = 0;
    g.speed = 3;
    read_game_settings();
    g.min_score = 0;
    read_highscore_minimum();
}

}  // namespace

rt_string difficulty_text(double geschwindigkeit)
{
    if (geschwindigkeit == 1) return tr("Hard");
    if (geschwindigkeit == 2) return tr("Medium");
    return tr("Easy");
}

double main_menu(double fact, double hg, double size, double spr)
{
    RT_LINE();
    GameState& g = game();
    double menu = item_start, ret = 0;
    rt_string schw_Str;
    draw_menu_background(fact, hg, size);

    for (;;) {
        RT_LINE();
        poll_keys();
        text_print(tr("Start"), 5 * size, 8 * size);
        text_print(tr("Leben"), 5 * size, 9 * size);
        text_print(tr("Schwierigkeit"), 5 * size, 10 * size);
        text_print(tr("Highscore"), 5 * size, 11 * size);
        text_print(tr("Load Game"), 5 * size, 12 * size);
        text_print(tr("Einstellungen"), 5 * size, 13 * size);
        text_print(tr("Beenden"), 5 * size, 14 * size);
        text_print(tr_format("Level %s", g.aktlevel), 14 * size, 8 * size);
        text_print_number(g.anz_leben, 14 * size, 9 * size);
        schw_Str = difficulty_text(g.geschwindigkeit);
        text_print(schw_Str, 14 * size, 10 * size);
        const bool sets_offered = level_sets().size() > 1;
        if (sets_offered) {
            text_print(tr("Levels"), 5 * size, 7 * size);
            text_print(str_mid(level_set_title().c_str(), 0, set_title_length), 14 * size,
                       7 * size);
        }

        // Settings change only before the first level of a game. The lower limit of three
        // lives is applied on every Left press, whichever item is selected: a game saved at
        // level 1 with fewer lives gets three back that way.
        // The set changes only with no score in hand either: a score belongs to the table of
        // the set it was played in.
        const bool new_game = g.aktlevel == 1;
        const bool set_free = new_game && g.punkte == 0 && menu == item_level_set;
        if (key_transition(g.MyRight) == key_pressed_now) {
            if (set_free) change_level_set(g, 1);
            if (menu == item_lives && new_game) g.anz_leben += 1;
            if (menu == item_difficulty && new_game) g.geschwindigkeit -= 1;
        }
        if (key_transition(g.MyLeft) == key_pressed_now) {
            if (set_free) change_level_set(g, -1);
            if (menu == item_lives && new_game) g.anz_leben -= 1;
            if (g.anz_leben < 3 && new_game) g.anz_leben = 3;
            if (menu == item_difficulty && new_game) g.geschwindigkeit += 1;
        }
        if (g.geschwindigkeit < 1) g.geschwindigkeit = 3;
        if (g.geschwindigkeit > 3) g.geschwindigkeit = 1;

        if (key_transition(g.MyUp) == key_pressed_now) menu -= 1;
        if (menu < (sets_offered ? item_level_set : item_start)) menu = item_quit;
        if (key_transition(g.MyDown) == key_pressed_now) menu = item_below(menu);
        sprite_draw_stretched(spr, 3 * size, (7 + menu) * size, size, size);

        if (key_transition(g.MyStart) == key_pressed_now) {
            if (menu == item_start) {
                ret = 1;
                break;
            }
            // A set of the player's own opens in the level editor; on return the set is read
            // afresh, for its levels and settings may have changed.
            if (menu == item_level_set && set_free && level_set_index() > 0) {
                level_editor(level_sets()[level_set_index()].file);
                change_level_set(g, 0);
                draw_menu_background(fact, hg, size);
            }
            if (menu == item_highscore) {
                show_highscores();
                draw_menu_background(fact, hg, size);
            }
            if (menu == item_load) {
                load_save_screen(1);
                draw_menu_background(fact, hg, size);
            }
            if (menu == item_settings) {
                settings_screen(fact, hg, spr);
                draw_menu_background(fact, hg, size);
            }
            if (menu == item_quit) {
                ret = 2;
                break;
            }
        }
        rt_show_frame();
    }
    return ret;
}
