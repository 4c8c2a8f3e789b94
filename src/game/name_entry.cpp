// The name entry screen: the letters A..Z, "." and "<" (delete) on rows 8 and 9 of the screen
// grid, the pointer sprite 200 ("zeiger.bmp") moving over them with wrap-around, and the name
// shown padded with "_" to six characters. Confirming needs a name that is not empty.
#include "game/name_entry.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/message_screens.h"
#include "game/texts.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"

namespace {

constexpr double pointer_sprite = 200;
constexpr double max_name_length = 6;

// The character of grid cell (x, y): row 8 holds A..N in columns 3..16, row 9 O..Z in
// columns 3..14, then "." and "<".
rt_string grid_character(double x, double y)
{
    RT_LINE();
    if (y == 8) return str_chr(62 + x);
    if (x == 15) return ".";
    if (x == 16) return "<";
    return str_chr(76 + x);
}

void print_grid_character(const rt_string& text, double column, double row, double sz, double fact)
{
    text_print(text, column * sz + 3 * fact, row * sz + fact);
}

}  // namespace

rt_string enter_name(const rt_string& verz_Str, double sz, double fact, const rt_string& name_Str)
{
    RT_LINE();
    const GameState& g = game();
    sprite_load(verz_Str + "zeiger.bmp", pointer_sprite);
    draw_framed_backdrop(g.sp_size, sp_frei, sp_mauer);
    text_print(tr("Eingabe Namen"), 6 * sz, 2 * sz);
    text_print(tr(g.auswahl_mit_Str), 4 * sz, 11 * sz);
    for (double code = 65; code <= 78; ++code) {
        RT_LINE();
        print_grid_character(str_chr(code), code - 62, 8, sz, fact);
    }
    for (double code = 79; code <= 90; ++code) {
        RT_LINE();
        print_grid_character(str_chr(code), code - 76, 9, sz, fact);
    }
    print_grid_character(".", 15, 9, sz, fact);
    print_grid_character("<", 16, 9, sz, fact);
    screen_use_as_background();

    double x = 3, y = 8;
    rt_string zeichen_Str;
    rt_string nam_Str = name_Str;
    for (;;) {
        RT_LINE();
        rt_string str_Str = str_mid(nam_Str, 0, max_name_length);
        while (str_len(str_Str) < max_name_length) str_Str = str_concat_text(str_Str, "_");
        text_print(str_Str, 8 * sz, 5 * sz);
        poll_keys();
        sprite_draw_stretched(pointer_sprite, x * sz, y * sz, sz, sz);

        // Each key on its own, so opposite keys in the same frame cancel.
        if (key_transition(g.MyRight) == key_pressed_now) x += 1;
        if (key_transition(g.MyLeft) == key_pressed_now) x -= 1;
        if (key_transition(g.MyUp) == key_pressed_now) y -= 1;
        if (key_transition(g.MyDown) == key_pressed_now) y += 1;
        if (x > 16) x = 3;
        if (x < 3) x = 16;
        if (y > 9) y = 8;
        if (y < 8) y = 9;

        if (key_transition(g.MySpace) == key_pressed_now) {
            zeichen_Str = grid_character(x, y);
            if (zeichen_Str == "<") {
                // A name longer than six (from a save file) loses its real last character.
                nam_Str = str_mid(nam_Str, 0, str_len(nam_Str) - 1);
            } else if (str_len(nam_Str) < max_name_length) {
                nam_Str = str_concat(nam_Str, zeichen_Str);
            }
        }
        if (!nam_Str.empty()) {
            if (key_transition(g.MyStart) == key_pressed_now) break;
            text_print(tr(g.weiter_mit_Str), 5 * sz, 12 * sz);
        }
        rt_show_frame();
    }
    return nam_Str;
}
