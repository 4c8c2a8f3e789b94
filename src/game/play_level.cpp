// The level play loop: loads a level, then per frame draws the HUD and the field window, lets
// the player act and, at the pace of speed x geschwindigkeit + 1 frames, the objects roll and
// fall, until the level is complete, the player dies or gives up, or the time runs out. P, or
// the window losing the focus, pauses play until P is pressed again.
#include "game/play_level.h"

#include <vector>

#include "app/frame.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "core/rt_number.h"
#include "game/effects_and_waits.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/level_file.h"
#include "game/playfield.h"
#include "game/save_game.h"
#include "game/settings_screen.h"
#include "game/texts.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"

namespace {

constexpr double colour_white = 16777215;

// Death codes inside the loop; the caller only ever sees 2 or 3.
constexpr double death_crushed = step_crushed, death_time_up = 3, death_gave_up = 4;

bool pause_key_pressed = false;  // P went down at one of the running pass's two polls
// The editor's test play: the direction the rules took in each pass is kept here
std::vector<int>* pass_directions = nullptr;

double& map_cell(double x, double y)
{
    return rt_num_array_at(game().map, x, y);
}

// A press of P counts at either poll of a pass; holding it pauses nothing more.
void note_pause_key()
{
    if (key_transition(game().MyPause) == key_pressed_now) pause_key_pressed = true;
}

void print_centred(const rt_string& text, double y)
{
    double char_width = 0, char_height = 0;
    text_get_font_size(char_width, char_height);
    text_print(text, (game().screenx - str_len(text) * char_width) / 2, y);
}

// Play stands still until P is pressed again: the frame the pass drew stays up with "Pause"
// over the middle of the field, nothing moves or falls, and the level's clock is set on by the
// time spent here, so a pause never costs time. Play resumes on a frame drawn anew.
void pause_play()
{
    RT_LINE();
    GameState& g = game();
    const double paused = timer_ms();
    screen_draw_rect(0, 6 * g.sp_size, g.screenx, 9 * g.sp_size, 0);
    print_centred(tr("Pause"), 6.25 * g.sp_size);
    // The prompt names the pause key the player set; with the game's own it is its own text.
    print_centred(g.MyPause == key_pause ? rt_string(tr("Weiter mit P!"))
                                         : prompt_naming(N_("Weiter mit %s!"), g.MyPause),
                  7.5 * g.sp_size);
    screen_use_as_background();
    do {
        RT_LINE();
        rt_show_frame();
        poll_keys();
    } while (key_transition(game().MyPause) != key_pressed_now);
    g.startzeit = g.startzeit + (timer_ms() - paused);
    screen_clear();
    rt_focus_lost_since_asked();  // a loss while paused does not pause again
}

// The status line up to the level text; also sets rest_zeit from the elapsed seconds.
void draw_hud(double level, double zeit)
{
    RT_LINE();
    GameState& g = game();
    sprite_draw_stretched(sp_brillox_a + 100, 0, 0, g.sp_size, g.sp_size);
    double brillox = g.min_brillox - g.brillox_found;
    if (brillox < 0) brillox = 0;  // collecting beyond the quota never shows a negative count
    text_print_number(brillox, 2 * g.factor + g.sp_size, g.factor);
    if (g.max_zeit > 0) {
        g.rest_zeit = g.max_zeit - zeit;
        sprite_draw_stretched(sp_uhr + 100, 64 * g.factor, 0, g.sp_size, g.sp_size);
        text_print_number(g.rest_zeit, 82 * g.factor, g.factor);
    } else {
        g.rest_zeit = 0;
    }
    sprite_draw_stretched(sp_player + 100, 140 * g.factor, 0, g.sp_size, g.sp_size);
    text_print_number(g.anz_leben, 158 * g.factor, g.factor);
    text_print(tr_format("Level:%s", level), 220 * g.factor, g.factor);
}

void draw_sound_icon()
{
    const GameState& g = game();
    const double icon = g.music_on != 0 ? sp_son : sp_soff;
    sprite_draw_stretched(icon, 19 * g.sp_size, 0, g.sp_size, g.sp_size);
}

// The figure on top of the player's cell: facing the last direction, or the idle animation.
void draw_figure(double px, double py, double& sp_nr)
{
    GameState& g = game();
    if (g.richtung == 1) sp_nr = sp_player_r + 100;
    if (g.richtung == 2) sp_nr = sp_player_l + 100;
    sprite_draw_stretched(sp_nr, px, py, g.sp_size, g.sp_size);
    if (g.keine_taste > g.limit_fps + 50) {
        g.keine_taste = 0;
        return;
    }
    if (g.keine_taste > g.limit_fps + 35) {
        sp_nr = sp_player + 103;
    } else if (g.keine_taste > g.limit_fps + 25) {
        sp_nr = sp_player + 102;
    } else if (g.keine_taste > g.limit_fps + 15) {
        sp_nr = sp_player + 101;
    }
    sprite_draw_stretched(sp_nr, px, py, g.sp_size, g.sp_size);
}

void print_death_reason(double errtext)
{
    const GameState& g = game();
    if (errtext == death_crushed) text_print(tr("Autsch, das tat weh."), 0, g.factor);
    if (errtext == death_time_up) text_print(tr("Die Zeit ist abgelaufen."), 0, g.factor);
    if (errtext == death_gave_up) text_print(tr("Warum hast Du aufgegeben ?"), 0, g.factor);
}

// The window around (posx, posy) as the map holds it; the player is not written into it.
void draw_window(double posx, double posy)
{
    RT_LINE();
    const GameState& g = game();
    // Same placement as roll_step, so stones roll exactly inside what the player sees.
    const double startx = window_left(posx);
    const double starty = window_top(posy);
    double sp_nr = sp_player + 100;
    for (double x = 0; x < window_columns; ++x) {
        RT_LINE();
        for (double y = 0; y < window_rows; ++y) {
            // A field smaller than the window leaves the rest of the window black.
            if (!inside_field(startx + x, starty + y)) continue;
            const double ps = map_cell(startx + x, starty + y);
            const double px = g.sp_size * x;
            const double py = (y + 1) * g.sp_size;
            sprite_draw_stretched(ps + 100, px, py, g.sp_size, g.sp_size);
            if (ps == sp_player) draw_figure(px, py, sp_nr);
        }
    }
}

// What the rules ask of the game while a level is played: the frame's second key poll, the
// save screen, the sound switch, the quota's white flash and the sounds of the exit and of
// landing objects.
class LevelHost final : public PlayfieldHost {
public:
    void poll_keys() override
    {
        ::poll_keys();
        note_pause_key();
    }
    void toggle_sound() override { ::toggle_sound(); }

    // The save screen during play. The level's clock stands still meanwhile, so saving never
    // costs time, and play resumes on black frames rather than over the picture the screen froze.
    void open_save_screen() override
    {
        RT_LINE();
        if (pass_directions != nullptr) return;  // a test play from the editor saves no game
        GameState& g = game();
        const double opened = timer_ms();
        load_save_screen(0);
        g.startzeit = g.startzeit + (timer_ms() - opened);
        screen_clear();
    }

    // The white flash with the fanfare when the last required Brillox is collected.
    void quota_reached() override
    {
        RT_LINE();
        const GameState& g = game();
        screen_clear();
        screen_draw_rect(0, 0, g.screenx, g.screeny, colour_white);
        rt_show_frame();
        wait_ms(50);
        play_effect(2);
    }

    void exit_entered() override { play_effect(4); }

    void object_landed() override
    {
        play_effect(1);
        rt_debug_out("Bum\n");
    }
};

LevelHost level_host;

// The level's host is installed for the rules while a pass runs, and the one before it after.
class LevelHostInstalled {
public:
    LevelHostInstalled() : replaced_(set_playfield_host(&level_host)) {}
    ~LevelHostInstalled() { set_playfield_host(replaced_); }
    LevelHostInstalled(const LevelHostInstalled&) = delete;
    LevelHostInstalled& operator=(const LevelHostInstalled&) = delete;

private:
    PlayfieldHost* replaced_;
};

}  // namespace

void draw_field(double posx, double posy)
{
    RT_LINE();
    place_player(posx, posy);
    draw_window(posx, posy);
}

void death_sequence(double posx, double posy, double errtext)
{
    RT_LINE();
    const GameState& g = game();
    play_effect(0);
    const char* const frames[] = {"exp01.bmp", "exp02.bmp", "exp03.bmp", "exp04.bmp", "black.bmp"};
    for (int n = 0; n < 5; ++n) sprite_load(str_concat_text(g.sp_verz_Str, frames[n]), 200 + n);

    for (double i = 0; i <= 5; ++i) {
        RT_LINE();
        // The centre runs through sprites 200..204 (cell values 100..104); the ring of eight
        // neighbours follows one frame behind; at the end the whole block is empty.
        for (double dx = -1; dx <= 1; ++dx) {
            for (double dy = -1; dy <= 1; ++dy) {
                const double x = posx + dx;
                const double y = posy + dy;
                if (!inside_field(x, y)) continue;  // the explosion leaves the outside alone
                const bool centre = dx == 0 && dy == 0;
                if (i == 5) {
                    map_cell(x, y) = sp_black;
                } else if (centre) {
                    map_cell(x, y) = 100 + i;
                } else if (i >= 1) {
                    map_cell(x, y) = 99 + i;
                }
            }
        }
        draw_window(posx, posy);
        print_death_reason(errtext);
        rt_show_frame();
        wait_ms(100);
    }
    wait_seconds(2);
}

double play_pass(double level)
{
    RT_LINE();
    const LevelHostInstalled installed;
    GameState& g = game();
    pause_key_pressed = false;
    poll_keys();
    note_pause_key();
    const double zeit = rt_to_int((timer_ms() - g.startzeit) / 1000);
    draw_hud(level, zeit);
    if (g.max_zeit > 0 && zeit >= g.max_zeit) return death_time_up;  // this frame is never shown
    draw_sound_icon();
    draw_field(g.player_posx, g.player_posy);
    double ret = field_step();
    if (pass_directions != nullptr) pass_directions->push_back(static_cast<int>(g.richtung));
    // Giving up beats a completion or a crush in the same frame. The key counts only when it is
    // held (down at this pass's second poll and at the one before), so a tap that starts and
    // ends between two polls is not seen.
    if (key_transition(g.MyESC) == key_held) ret = death_gave_up;
    return ret;
}

double play_level(double level)
{
    RT_LINE();
    GameState& g = game();
    // Also drops a frozen background left by the menu, so every frame of the level starts black.
    screen_clear();
    rt_num_array_redim(g.f_steine, 0, 4);
    if (load_level(level) > 0) return outcome_load_failed;
    return play_loaded_level(level);
}

double play_loaded_level(double level, std::vector<int>* directions)
{
    RT_LINE();
    GameState& g = game();
    pass_directions = directions;
    if (directions != nullptr) directions->clear();
    g.startzeit = timer_ms();
    double ret = 0;
    g.brillox_found = 0;
    g.keine_taste = 0;
    g.move_player = 0;

    rt_focus_lost_since_asked();  // only a loss during play pauses it
    for (;;) {
        ret = play_pass(level);
        if (ret > 0) break;
        // Asked every frame, also when P was pressed, so that the loss is not left for later.
        const bool focus_lost = rt_focus_lost_since_asked();
        if (pause_key_pressed || focus_lost) {
            pause_play();  // its frames show this pass's frame
            continue;
        }
        rt_show_frame();
    }

    // The unshown frame's HUD goes; the messages below use the top strip alone.
    screen_draw_rect(0, 0, g.screenx, 16 * g.factor, 0);
    if (ret != outcome_complete) {
        death_sequence(g.player_posx, g.player_posy, ret);
        ret = ret == death_gave_up ? outcome_gave_up : outcome_life_lost;
    }
    if (ret == outcome_complete) {
        draw_field(g.player_posx, g.player_posy);
        text_print(tr_format("Level %s komplett.", level), 0, g.factor);
        rt_show_frame();
        wait_seconds(3);
    }
    pass_directions = nullptr;
    return ret;
}
