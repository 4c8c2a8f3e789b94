// Reading "Level.ini": the settings of section "game", a level section handed to decode_level,
// and the German message screen for a broken level.
#include "game/level_file.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "files/file_channels.h"
#include "files/ini_document.h"
#include "game/message_screens.h"
#include "graphics/fonts.h"

namespace {

constexpr double read_mode = 1;

double number_of(const rt_string& value)
{
    return str_to_number(value);
}

}  // namespace

double read_game_settings()
{
    RT_LINE();
    GameState& g = game();
    if (file_open(1, "Level.ini", read_mode) == 0) return 0;
    file_close(1);
    ini_open("level.ini");
    g.anz_level = number_of(ini_get("game", "level"));
    g.anz_leben = number_of(ini_get("game", "leben"));
    g.speed = number_of(ini_get("game", "speed"));
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
    if (file_open(1, "Level.ini", read_mode) == 0) {
        g.anz_brillox = 0;
        g.brillox_found = 0;
        g.min_brillox = 0;
        err = level_file_missing;
    } else {
        file_close(1);
        ini_open("level.ini");
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
    text_print(txt_Str, 2 * g.sp_size, 6 * g.sp_size);
    text_print(g.weiter_mit_Str, 5 * g.sp_size, 12 * g.sp_size);
    wait_for_start();
}
