// Reading the level file of the chosen set ("Level.ini" for the shipped one): the settings of
// section "game", a level section handed to decode_level, and the German message screen for a
// broken level, which a broken set of the player's shows in the same words.
#include "game/level_file.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "files/ini_document.h"
#include "game/game_files.h"
#include "game/level_sets.h"
#include "game/message_screens.h"
#include "game/texts.h"
#include "graphics/fonts.h"

double read_game_settings()
{
    RT_LINE();
    GameState& g = game();
    if (!game_file_exists(level_set_file().c_str())) return 0;
    ini_open(level_set_ini_name());
    g.anz_level = str_to_number(ini_get("game", "level"));
    g.anz_leben = str_to_number(ini_get("game", "leben"));
    g.speed = str_to_number(ini_get("game", "speed"));
    if (g.anz_leben <= 0) g.anz_leben = 3;
    if (g.anz_level <= 0) g.anz_level = 1;
    if (g.speed <= 0) g.speed = 3;
    ini_open("");
    return 1;
}

double load_level(double level)
{
    RT_LINE();
    GameState& g = game();
    double err;
    if (!game_file_exists(level_set_file().c_str())) {
        g.anz_brillox = 0;
        g.brillox_found = 0;
        g.min_brillox = 0;
        err = level_file_missing;
    } else {
        ini_open(level_set_ini_name());
        const rt_string sektion_Str = str_concat_text_num("level_", level);
        err = decode_level(g, [&](const rt_string& key) { return ini_get(sektion_Str, key); });
        ini_open("");
    }
    if (err > level_loaded) show_level_error(level_error_text(err));
    return err;
}

void show_level_error(const rt_string& txt_Str)
{
    RT_LINE();
    GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_mauer);
    text_print(tr(txt_Str), grid_cell(2), grid_cell(6));
    text_print(tr(g.weiter_mit_Str), grid_cell(5), grid_cell(12));
    wait_for_start();
}
