// Full-screen messages of the game. Each draws its picture, freezes it as the background and
// waits for the confirm key; while waiting no further frame is shown.
#include "game/message_screens.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/texts.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"

const char* const title_credit_text = N_("Brillox - ein Hoehlenspiel");

double grid_cell(double n)
{
    return n * game().sp_size;
}

void draw_framed_backdrop(double sz, double sp1, double sp2)
{
    RT_LINE();
    for (double x = 0; x <= 19; ++x) {
        RT_LINE();
        for (double y = 0; y <= 14; ++y) {
            sprite_draw_stretched(100 + sp1, x * sz, y * sz, sz, sz);
            if (y == 0 || y == 14) sprite_draw_stretched(100 + sp2, x * sz, y * sz, sz, sz);
            if (x == 0 || x == 19) sprite_draw_stretched(100 + sp2, x * sz, y * sz, sz, sz);
        }
    }
    screen_use_as_background();
}

void count_up_number(double pk, double x, double y, double st)
{
    RT_LINE();
    for (double i = 0; st >= 0 ? i <= pk : i >= pk; i += st) {
        RT_LINE();
        text_print_number(i, x, y);
        rt_show_frame();
        if (st == 0) break;  // a zero step would never reach pk
    }
    text_print_number(pk, x, y);
    screen_use_as_background();
}

void wait_for_start()
{
    RT_LINE();
    rt_show_frame();
    for (;;) {
        RT_LINE();
        poll_keys();
        if (key_transition(game().MyStart) == key_pressed_now) return;
        rt_idle();  // no frames here, so the processor is given away between two polls
    }
}

void title_screen(double fact, double hg, double size, double spr)
{
    RT_LINE();
    const GameState& g = game();
    double i = 320 * fact, x = 0, m = 0, k = 0;

    // The top strip of the back buffer is the scratch area for the two text strips.
    text_print(tr(title_credit_text), 2 * fact, fact);
    sprite_grab(1001, 0, 0, 320 * fact, size);
    screen_draw_rect(0, 0, 320 * fact, size, 0);
    text_print(g.version_Str, 2 * fact, fact);
    sprite_grab(1002, 0, 0, 130 * fact, size);

    sprite_draw_stretched(hg, 0, 0, 320 * fact, 240 * fact);
    text_print(tr(g.weiter_mit_Str), 5 * size, 11 * size);
    sprite_draw_stretched(1002, 2 * fact, 4 * fact + 14 * size, 65 * fact, size / 2);
    screen_use_as_background();
    x = 3;
    m = 0;
    k = 0;

    for (;;) {
        RT_LINE();
        sprite_draw(1001, i, 0);
        if (i > 0) i -= 2;
        sprite_draw_stretched(spr, x * size, 9 * size, size, size);
        if (k == 3) {
            // The turn at the right end steps back at once; at the left end a step is spent
            // turning. The walk has always looked like this.
            if (m == 0 && x < 16) {
                x += 1;
            } else {
                m = 1;
            }
            if (m == 1 && x > 3) {
                x -= 1;
            } else {
                m = 0;
            }
            k = 0;
        }
        k += 1;
        poll_keys();
        if (key_transition(g.MyStart) == key_pressed_now) {
            screen_clear();
            return;
        }
        rt_show_frame();
    }
}

void score_summary_screen()
{
    RT_LINE();
    GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_stein);
    text_print(tr("Punktestand"), grid_cell(6), grid_cell(2));
    text_print(tr("Aktuell"), grid_cell(3), grid_cell(4));
    text_print_number(g.punkte, grid_cell(14), grid_cell(4));
    text_print(tr("Level "), grid_cell(3), grid_cell(6));
    text_print_number(g.aktlevel, grid_cell(10), grid_cell(6));
    screen_use_as_background();
    count_up_number(500, grid_cell(14), grid_cell(6), 100);

    text_print(tr("Brilloxen "), grid_cell(3), grid_cell(7));
    text_print_number(g.brillox_found, grid_cell(10), grid_cell(7));
    screen_use_as_background();
    count_up_number(10 * g.brillox_found, grid_cell(14), grid_cell(7), 10);

    text_print(tr("Zeit "), grid_cell(3), grid_cell(8));
    text_print_number(g.rest_zeit, grid_cell(10), grid_cell(8));
    screen_use_as_background();
    count_up_number(5 * g.rest_zeit, grid_cell(14), grid_cell(8), 10);

    g.punkte = g.punkte + 500 + 10 * g.brillox_found + 5 * g.rest_zeit;
    text_print(tr("Neuer Stand"), grid_cell(3), grid_cell(10));
    text_print_number(g.punkte, grid_cell(14), grid_cell(10));
    text_print(tr(g.weiter_mit_Str), grid_cell(5), grid_cell(12));
    wait_for_start();
}

void all_levels_done_screen()
{
    RT_LINE();
    GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_mauer);
    // The game's own spelling ("Supper", "geschaft"), kept like its other texts.
    text_print(tr("Spitze, Supper!"), grid_cell(6), grid_cell(4));
    text_print(tr("Du hast alle Level geschaft."), grid_cell(1), grid_cell(6));
    text_print(tr(g.weiter_mit_Str), grid_cell(5), grid_cell(12));
    wait_for_start();
    g.aktlevel = 1;
}

void no_lives_left_screen()
{
    RT_LINE();
    GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_mauer);
    text_print(tr("Tut mir Leid!"), grid_cell(6), grid_cell(4));
    text_print(tr("Du hast kein Leben mehr."), grid_cell(3), grid_cell(6));
    text_print(tr(g.weiter_mit_Str), grid_cell(5), grid_cell(12));
    wait_for_start();
    g.aktlevel = 1;
}
