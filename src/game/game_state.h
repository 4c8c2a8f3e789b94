// The game's global state: one plain record holding every value the game's routines share,
// named as the game has always named them. Numbers are doubles, flags hold 0 or 1.
#pragma once
#include "core/rt_array.h"
#include "core/rt_string.h"

// Cell values; the image of cell value v is sprite v + 100 (the sound icons use their value).
constexpr double sp_mauer = 0;       // wall
constexpr double sp_frei = 1;        // earth
constexpr double sp_stein = 2;       // stone
constexpr double sp_brillox = 3;     // Brillox
constexpr double sp_black = 7;       // empty cell
constexpr double sp_ziel = 8;        // exit
constexpr double sp_player = 10;     // the player; sprites 110..113 with the idle frames
constexpr double sp_player_r = 15;   // facing right (also the menu pointer)
constexpr double sp_player_l = 16;   // facing left
constexpr double sp_brillox_a = 20;  // HUD Brillox icon
constexpr double sp_uhr = 21;        // HUD clock icon
constexpr double sp_soff = 300;      // HUD sound-off icon (sprite 300)
constexpr double sp_son = 301;       // HUD sound-on icon (sprite 301)

// Outcomes of one level attempt (play_level).
constexpr double outcome_complete = 1;   // exit reached with enough Brilloxen
constexpr double outcome_life_lost = 2;  // crushed or out of time
constexpr double outcome_gave_up = 3;    // MyESC
constexpr double outcome_load_failed = 5;

struct GameState {
    rt_string version_Str;
    double limit_fps = 0;
    double screenx = 0, screeny = 0;
    double factor = 0;  // screenx / 320
    double MySpace = 0, MyESC = 0, MyStart = 0, MySave = 0, MyMusic = 0;
    // The arrows and P unless the player's settings name other keys (game/keys.h has the codes).
    double MyRight = 205, MyLeft = 203, MyUp = 200, MyDown = 208, MyPause = 25;
    rt_string weiter_mit_Str, auswahl_mit_Str, beenden_mit_Str;
    rt_string sp_verz_Str;  // "show//"
    double tile = 0, sp_size = 0;
    double startzeit = 0, max_zeit = 0, rest_zeit = 0;
    double max_x = 0, max_y = 0;
    double player_posx = 0, player_posy = 0;
    double ziel_posx = 0, ziel_posy = 0;
    double anz_brillox = 0, min_brillox = 0, brillox_found = 0;
    double richtung = 0;     // 0 none, 1 right, 2 left, 3 up, 4 down
    double keine_taste = 0;  // frames without a direction key
    double move_player = 0;  // frame counter pacing falls and rolls
    rt_num_array map;        // map[column][row]
    rt_num_array f_steine;   // falling list: column, row, value, landed
    double anz_level = 0, anz_leben = 0, aktlevel = 0, level_ok = 0;
    double geschwindigkeit = 0;  // difficulty 1..3
    double punkte = 0;
    rt_string spieler_name_Str;
    double min_score = 0, platz_score = 0;
    double speed = 0;  // from Level.ini
    double music_on = 0;
    double music_key_down = 0;  // MyMusic was down at the last player_step: one switch per press
    rt_str_array spn_Str;       // highscore names
    rt_num_array punk;          // highscore scores
    rt_num_array gKeyDown, gKeyState;  // key poller state
};

GameState& game();  // the one game state of the process
