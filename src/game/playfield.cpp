// The playfield rules: how the player moves, digs, collects, pushes and leaves the level, how
// stones and Brilloxen fall and how stones roll. The ordering quirks below decide how the
// shipped levels play, so they are kept as they are; only reads outside the field are made safe.
// Everything beyond the field and the game state goes through the installed host.
#include "game/playfield.h"

#include "core/error_stop.h"
#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/keys.h"

namespace {

PlayfieldHost null_host;
PlayfieldHost* installed_host = nullptr;

PlayfieldHost& host()
{
    return installed_host != nullptr ? *installed_host : null_host;
}

// Columns of a falling-list row.
constexpr double col_x = 0, col_y = 1, col_value = 2, col_landed = 3;

double& cell(double x, double y)
{
    return rt_num_array_at(game().map, x, y);
}

bool is_empty(double x, double y)
{
    return cell_at(x, y) == sp_black;
}

// Stones and Brilloxen are the objects that fall.
bool is_object(double x, double y)
{
    const double v = cell_at(x, y);
    return v == sp_stein || v == sp_brillox;
}

double falling_count()
{
    return rt_array_bounds(game().f_steine, 0);
}

double& falling(double row, double column)
{
    return rt_num_array_at(game().f_steine, row, column);
}

bool moving_at(double row, double x, double y)
{
    return falling(row, col_landed) == 0 && falling(row, col_x) == x && falling(row, col_y) == y;
}

// Deletes one row; the rows after it move up by one and keep their order.
void delete_falling_row(double row)
{
    rt_num_array& list = game().f_steine;
    const double count = falling_count();
    for (double i = row; i < count - 1; ++i) rt_array_copy_slice(list, i, i + 1);
    rt_num_array_redim(list, count - 1, 4);
}

// Pushes the stone at (x, y) one cell sideways when the cell beyond is empty; false when blocked.
bool push_stone(double x, double y, double dx)
{
    RT_LINE();
    const double merkx = x + dx;
    const double merky = y;
    if (!is_empty(merkx, merky)) return false;
    cell(merkx, merky) = sp_stein;
    cell(x, y) = sp_black;
    if (is_empty(merkx, merky + 1)) {
        // A stone pushed over a gap drops at once; this extra step moves the whole list.
        add_falling(merkx, merky);
        falling_step();
    }
    return true;
}

// A stone only rolls off another stone, and right before left.
double roll_direction(double x, double y)
{
    if (cell_at(x, y) != sp_stein || cell_at(x, y + 1) != sp_stein) return 0;
    if (is_empty(x + 1, y) && is_empty(x + 1, y + 1)) return 1;
    if (is_empty(x - 1, y) && is_empty(x - 1, y + 1)) return -1;
    return 0;
}

// The stone roll_step moves: only stones inside the visible window roll; the scan runs column
// by column from the window's left edge, and the first stone that can roll is the only one in
// a step. False when none can.
bool find_rolling_stone(double startx, double starty, double& cx, double& cy, double& freix)
{
    RT_LINE();
    const double posx = window_left(startx);
    const double posy = window_top(starty);
    for (double x = 0; x < window_columns; ++x) {
        RT_LINE();
        for (double y = 0; y < window_rows; ++y) {
            RT_LINE();
            cx = posx + x;
            cy = posy + y;
            freix = roll_direction(cx, cy);
            if (freix != 0) return true;
        }
    }
    return false;
}

}  // namespace

PlayfieldHost* set_playfield_host(PlayfieldHost* new_host)
{
    PlayfieldHost* const replaced = installed_host;
    installed_host = new_host;
    return replaced;
}

bool inside_field(double x, double y)
{
    const GameState& g = game();
    return x >= 0 && y >= 0 && x < g.max_x && y < g.max_y;
}

double cell_at(double posx, double posy)
{
    // Levels without a closed wall ring would otherwise read past the field's edge.
    if (!inside_field(posx, posy)) return sp_mauer;
    return cell(posx, posy);
}

double window_left(double startx)
{
    const double max_x = game().max_x;
    double posx = startx - 10;
    if (posx < 0) posx = 0;
    if (posx + window_columns - 1 >= max_x) posx = max_x - window_columns;
    if (posx < 0) posx = 0;  // a field narrower than the window starts at its left edge
    return posx;
}

double window_top(double starty)
{
    const double max_y = game().max_y;
    double posy = starty - 7;
    if (posy < 0) posy = 0;
    if (posy + window_rows - 1 >= max_y) posy = max_y - window_rows;
    if (posy < 0) posy = 0;  // a field lower than the window starts at its top edge
    return posy;
}

double player_step(double posx, double posy)
{
    RT_LINE();
    GameState& g = game();
    g.move_player = g.move_player + 1;
    g.richtung = 0;
    const double oldx = posx;
    const double oldy = posy;

    // Later keys in this order win when several are held.
    host().poll_keys();
    if (key_transition(g.MyRight) == key_held) g.richtung = 1;
    if (key_transition(g.MyLeft) == key_held) g.richtung = 2;
    if (key_transition(g.MyUp) == key_held) g.richtung = 3;
    if (key_transition(g.MyDown) == key_held) g.richtung = 4;

    // The save key fires on held and on just-released keys too, as it always has.
    if (key_transition(g.MySave) != key_not_down) host().open_save_screen();
    // The sound key switches once per press. This poll is the frame's second, so a fresh press
    // may read 2 or already 1 here, and a tap between the two polls reads -1: any of them is a
    // press unless the key was down at the last step already.
    const double music_key = key_transition(g.MyMusic);
    if (music_key != key_not_down && g.music_key_down == 0) host().toggle_sound();
    g.music_key_down = music_key == key_held || music_key == key_pressed_now ? 1 : 0;

    if (g.richtung == 0) {
        g.keine_taste = g.keine_taste + 1;
        return 0;
    }
    g.keine_taste = 0;

    double dx = 0, dy = 0;
    if (g.richtung == 1) dx = 1;
    if (g.richtung == 2) dx = -1;
    if (g.richtung == 3) dy = -1;
    if (g.richtung == 4) dy = 1;
    g.player_posx = oldx + dx;
    g.player_posy = oldy + dy;
    const double newx = g.player_posx;
    const double newy = g.player_posy;
    const double map_feld = cell_at(newx, newy);
    double kol = 0;
    double ret = 0;

    if (map_feld == sp_mauer) kol = 1;
    if (map_feld == sp_stein) {
        // Stones are only ever pushed sideways, and only into an empty cell.
        if (dx == 0 || !push_stone(newx, newy, dx)) kol = 1;
    }
    if (map_feld == sp_brillox) {
        g.brillox_found = g.brillox_found + 1;
        // Only the Brillox that meets the quota flashes; later ones just count.
        if (g.min_brillox == g.brillox_found) host().quota_reached();
    }
    if (map_feld == sp_ziel) {
        if (g.min_brillox <= g.brillox_found) {
            ret = 1;
            host().exit_entered();
        } else {
            kol = 1;  // a closed exit is a wall
        }
    }

    if (kol == 1) {
        // The figure turns towards the obstacle (richtung stays) without moving.
        g.player_posx = oldx;
        g.player_posy = oldy;
        return 0;
    }

    // The cell left behind is always empty: walking through earth digs a tunnel.
    cell(oldx, oldy) = sp_black;
    cell(newx, newy) = sp_player;
    if (is_object(oldx, oldy - 1)) add_falling(oldx, oldy - 1);
    return ret;
}

void add_falling(double posx, double posy)
{
    RT_LINE();
    if (!inside_field(posx, posy)) return;  // nothing outside the field can fall
    const double count = falling_count();
    for (double i = 0; i < count; ++i) {
        RT_LINE();
        if (moving_at(i, posx, posy)) return;
    }
    rt_num_array_redim(game().f_steine, count + 1, 4);
    falling(count, col_x) = posx;
    falling(count, col_y) = posy;
    falling(count, col_value) = cell(posx, posy);
    falling(count, col_landed) = 0;
}

void remove_falling(double posx, double posy)
{
    RT_LINE();
    // Kept as it always worked: after a deletion the walk goes on with the next index, so the
    // row that moved up into the deleted place is not examined in this walk.
    for (double i = 0; i < falling_count(); ++i) {
        RT_LINE();
        if (moving_at(i, posx, posy)) delete_falling_row(i);
    }
}

// Only objects on the falling list move. One at rest over an empty cell hangs until something
// sets it in motion (the player leaving the cell below, the object below falling or rolling
// away, a push, a roll): the levels are built on hanging stones.
double falling_step()
{
    RT_LINE();
    double anz = falling_count();
    double erschlagen = 0;

    // Rows added during the walk are past anz; they first move in the next step.
    for (double i = 0; i < anz; ++i) {
        RT_LINE();
        if (falling(i, col_landed) != 0) continue;
        const double posx = falling(i, col_x);
        const double posy = falling(i, col_y);
        const double spr = falling(i, col_value);
        const double below = cell_at(posx, posy + 1);
        if (below == sp_black) {
            // Kept quirk: the recorded cell is emptied and the recorded value written below
            // without checking what the recorded cell holds now; the levels play that way.
            cell(posx, posy + 1) = spr;
            cell(posx, posy) = sp_black;
            falling(i, col_y) = posy + 1;
            if (is_object(posx, posy - 1)) add_falling(posx, posy - 1);
        } else if (below == sp_player) {
            // A crush ends the walk: the rest of the list does not move in this step.
            erschlagen = 1;
            break;
        } else {
            falling(i, col_landed) = 1;
            host().object_landed();
        }
    }

    // Kept quirk: i advances after a deletion too, so a landed row that moves up into the
    // deleted place stays in the list until a later step removes it.
    for (double i = 0; i <= anz - 1; ++i) {
        RT_LINE();
        if (falling(i, col_landed) == 1) {
            delete_falling_row(i);
            anz = anz - 1;
        }
    }
    return erschlagen;
}

double roll_step(double startx, double starty)
{
    RT_LINE();
    double cx = 0, cy = 0, freix = 0;
    if (!find_rolling_stone(startx, starty, cx, cy, freix)) return 0;
    cell(cx, cy) = sp_black;
    cell(cx + freix, cy + 1) = sp_stein;  // diagonally down in one step
    remove_falling(cx, cy);
    add_falling(cx + freix, cy + 1);
    if (is_object(cx, cy - 1)) add_falling(cx, cy - 1);
    return 0;
}

void place_player(double posx, double posy)
{
    if (inside_field(posx, posy)) cell(posx, posy) = sp_player;
}

double field_step()
{
    RT_LINE();
    GameState& g = game();
    double ret = player_step(g.player_posx, g.player_posy);
    if (g.move_player > g.speed * g.geschwindigkeit) {
        roll_step(g.player_posx, g.player_posy);
        if (falling_step() != 0) ret = step_crushed;
        g.move_player = 0;
    }
    return ret;
}

bool falling_at(double posx, double posy)
{
    const double count = falling_count();
    for (double i = 0; i < count; ++i) {
        if (moving_at(i, posx, posy)) return true;
    }
    return false;
}

bool stone_would_roll(double startx, double starty)
{
    double cx = 0, cy = 0, freix = 0;
    return find_rolling_stone(startx, starty, cx, cy, freix);
}
