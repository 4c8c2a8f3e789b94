// The game's main routine: loads what the game shows and plays, shows the title, then runs
// the top-level flow between the main menu and the level attempts until the player quits.
// It never returns; the program ends through the runtime's END.
#include "game/game_main.h"

#include "app/frame.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "core/rt_number.h"
#include "core/trace.h"
#include "files/ini_document.h"
#include "game/effects_and_waits.h"
#include "game/game_state.h"
#include "game/highscores.h"
#include "game/level_editor.h"
#include "game/level_file.h"
#include "game/level_sets.h"
#include "game/main_menu.h"
#include "game/message_screens.h"
#include "game/name_entry.h"
#include "game/play_level.h"
#include "game/settings.h"
#include "game/settings_screen.h"
#include "game/texts.h"
#include "graphics/display.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"
#include "input/input.h"
#include "sound/sound.h"

namespace {

// Sound slots and the files they are loaded from, one buffer each.
constexpr const char* effect_files[] = {"sound/explosion.wav", "sound/stein.wav",
                                        "sound/fanfare.wav", "sound/letsgo.wav", "sound/gong.wav"};

// Cell values with their images, loaded in this order as sprite value + 100.
struct CellImage {
    double value;
    const char* file;
};
constexpr CellImage cell_images[] = {
    {sp_mauer, "mauer.bmp"},         {sp_frei, "frei.bmp"},
    {sp_stein, "stein.bmp"},         {sp_brillox, "brillox.bmp"},
    {sp_black, "black.bmp"},         {sp_ziel, "ziel.bmp"},
    {sp_player, "player01.bmp"},     {sp_player + 1, "player02.bmp"},
    {sp_player + 2, "player03.bmp"}, {sp_player + 3, "player04.bmp"},
    {sp_player_r, "player_r.bmp"},   {sp_player_l, "player_l.bmp"},
    {sp_brillox_a, "brillox_a.bmp"}, {sp_uhr, "uhr.bmp"},
};

// The two key sets: the desktop keyboard when the platform answers "WIN32", else the other.
void choose_keys(GameState& g)
{
    g.MySpace = 45;
    g.MyESC = 15;
    g.MyStart = 28;
    g.MySave = 42;
    g.MyMusic = 54;
    // The prompts are kept in German, as the game has always named them; tr() shows them.
    g.weiter_mit_Str = N_("Weiter mit Start!");
    g.auswahl_mit_Str = N_("Auswahl mit >B< !");
    g.beenden_mit_Str = N_("Beenden mit Start!");
    if (str_equal_text(rt_platform_info(""), "WIN32") != 0) {
        g.MySpace = 57;
        g.MyESC = 1;
        g.MySave = 31;
        g.MyMusic = 50;
        g.weiter_mit_Str = N_("Weiter mit Enter!");
        g.auswahl_mit_Str = N_("Auswahl mit >SPACE< !");
        g.beenden_mit_Str = N_("Beenden mit Enter!");
    }
}

void start_up(GameState& g)
{
    RT_LINE();
    g.version_Str = "Version 1.01";
    for (int slot = 0; slot < 5; ++slot) sound_load(effect_files[slot], slot, 1);
    g.limit_fps = 30;
    timer_set_frame_limit(g.limit_fps);
    rt_allow_escape(0);
    mouse_show_pointer(0);
    screen_get_size(g.screenx, g.screeny);
    g.factor = g.screenx / 320;
    choose_keys(g);
    g.sp_verz_Str = "show//";
    text_load_font(
        str_concat_text(g.sp_verz_Str, g.factor == 2 ? "font20x31.bmp" : "font10x15.bmp"), 0);
    text_set_font(0);
    // The language once the font is known, whose cells decide the code page of the texts: the
    // command line's, else the one kept in the player's settings, else the system's.
    texts_choose_language(rt_settings().language, settings_at_start().language);
    g.tile = 16;
    g.sp_size = g.factor * g.tile;
    g.player_posx = g.player_posy = g.ziel_posx = g.ziel_posy = 0;
    g.anz_brillox = g.min_brillox = g.brillox_found = 0;
    g.richtung = g.keine_taste = g.move_player = 0;
    rt_num_array_dim(g.map, 1, 1);
    rt_num_array_dim(g.f_steine, 0, 4);
    for (const CellImage& image : cell_images) {
        RT_LINE();
        sprite_load(str_concat_text(g.sp_verz_Str, image.file), image.value + 100);
    }
    sprite_load(str_concat_text(g.sp_verz_Str, "sound_off.bmp"), sp_soff);
    sprite_load(str_concat_text(g.sp_verz_Str, "sound_on.bmp"), sp_son);
    g.anz_level = 0;
    g.anz_leben = 0;
    g.aktlevel = 1;
    g.level_ok = 0;
    g.geschwindigkeit = 3;
    g.punkte = 0;
    g.spieler_name_Str = "";
    g.min_score = 0;
    g.platz_score = 0;
    g.speed = 3;
    g.music_on = 1;
    // The keys and the sound switch the player keeps in the settings file; without one they are
    // the game's own, as set above.
    settings_apply(g, settings_at_start());
    if (settings_at_start() != settings_defaults()) settings_prompts(g);
    sprite_load(str_concat_text(g.sp_verz_Str, "hg01.bmp"), 1000);
    // The editor opens at once; the title belongs to the game.
    if (rt_settings().edit_file.empty()) title_screen(g.factor, 1000, g.sp_size, sp_player + 100);
    level_sets_find();
    read_game_settings();
    read_highscore_minimum();
    g.aktlevel = 1;
    g.punkte = 0;
}

// After a quit from the menu: a score above the table's lowest is entered with a name.
void offer_highscore(GameState& g)
{
    RT_LINE();
    if (g.punkte <= g.min_score) return;
    g.spieler_name_Str = enter_name(g.sp_verz_Str, g.sp_size, g.factor, g.spieler_name_Str);
    g.platz_score = enter_highscore(g.punkte, g.spieler_name_Str);
    if (g.platz_score > 0) {
        show_congratulation(g.spieler_name_Str, g.platz_score);
        show_highscores();
    }
}

}  // namespace

void game_main()
{
    RT_LINE();
    GameState& g = game();
    start_up(g);
    if (!rt_settings().edit_file.empty()) {
        level_editor(rt_settings().edit_file);
        rt_end();
    }

    for (;;) {  // the menu
        RT_LINE();
        g.level_ok = 0;
        if (g.anz_leben == 0) g.anz_leben = 3;
        if (main_menu(g.factor, 1000, g.sp_size, sp_player_r + 100) == 2) break;

        bool back_to_menu = false;
        while (!back_to_menu) {  // level attempts until the menu is due again
            RT_LINE();
            play_effect(3);
            g.level_ok = play_level(g.aktlevel);
            // Scripted runs see each attempt's outcome in the trace.
            const rt_string level_Str = str_concat_text_num("level_end ", g.aktlevel) + " ";
            rt_trace(str_concat_str_num(level_Str, g.level_ok).c_str());
            if (g.level_ok == outcome_load_failed) {
                back_to_menu = true;
            } else if (g.level_ok == outcome_complete) {
                score_summary_screen();
                g.aktlevel = g.aktlevel + 1;
                // An extra life on reaching levels 3, 6, 9, ...
                if (rt_mod(g.aktlevel, 3) == 0) g.anz_leben = g.anz_leben + 1;
                if (g.aktlevel > g.anz_level) {
                    all_levels_done_screen();
                    g.aktlevel = 1;
                    g.punkte = 0;
                    back_to_menu = true;
                }
            } else {
                g.anz_leben = g.anz_leben - 1;
                if (g.level_ok == outcome_gave_up) {
                    // Giving up keeps the level and the score, even with the last life: the
                    // menu offers them again. The no-lives screen sends every game back to
                    // level 1, which would keep the score of a game that starts over, so the
                    // level is put back after it.
                    if (g.anz_leben == 0) {
                        const double level = g.aktlevel;
                        no_lives_left_screen();
                        g.aktlevel = level;
                    }
                    back_to_menu = true;
                } else if (g.anz_leben == 0) {
                    no_lives_left_screen();
                    g.aktlevel = 1;
                    g.punkte = 0;
                    g.level_ok = outcome_gave_up;
                    back_to_menu = true;
                }
            }
        }
    }

    offer_highscore(g);
    rt_end();
}
