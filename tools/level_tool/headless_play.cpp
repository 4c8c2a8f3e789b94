// The headless attempt: the level decoded into the game state by decode_level, the keys set
// straight into the key state the rules read, one field_step per frame as play_pass runs it, and
// the guards that keep recorded solutions off the odd corners of the rules.
#include "headless_play.h"

#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/level_decode.h"

namespace {

// The scan codes the game reads for the arrow keys.
constexpr double arrow_codes[] = {key_right, key_left, key_up, key_down};

double key_code(Key key)
{
    return key == Key::none ? 0 : arrow_codes[static_cast<int>(key) - 1];
}

char cell_letter(double value)
{
    if (value == sp_mauer) return '*';
    if (value == sp_frei) return '.';
    if (value == sp_stein) return 'S';
    if (value == sp_brillox) return 'D';
    if (value == sp_black) return ' ';
    if (value == sp_ziel) return 'Z';
    if (value == sp_player) return 'P';
    return '?';
}

std::string where(Cell c)
{
    return "(" + std::to_string(c.x) + "," + std::to_string(c.y) + ")";
}

// Stones and Brilloxen on the field.
void count_objects(int& stones, int& brilloxen)
{
    const GameState& g = game();
    stones = brilloxen = 0;
    for (double x = 0; x < g.max_x; ++x) {
        for (double y = 0; y < g.max_y; ++y) {
            const double v = cell_at(x, y);
            stones += v == sp_stein;
            brilloxen += v == sp_brillox;
        }
    }
}

}  // namespace

Cell step_from(Cell from, Key key)
{
    switch (key) {
        case Key::right:
            return {from.x + 1, from.y};
        case Key::left:
            return {from.x - 1, from.y};
        case Key::up:
            return {from.x, from.y - 1};
        case Key::down:
            return {from.x, from.y + 1};
        case Key::none:
            break;
    }
    return from;
}

Attempt::Attempt(const LevelSource& level, int speed, int geschwindigkeit)
    : replaced_host_(set_playfield_host(&host_))
{
    GameState& g = game();
    rt_num_array_redim(g.f_steine, 0, 4);
    const double err = decode_level(g, [&level](const rt_string& key) -> rt_string {
        const std::string k = key.c_str();
        if (k == "x") return std::to_string(level.x).c_str();
        if (k == "y") return std::to_string(level.y).c_str();
        if (k == "zeit") return std::to_string(level.zeit).c_str();
        if (k == "brillox") return std::to_string(level.quota).c_str();
        const std::size_t row = std::stoul(k) - 1;
        // The loader never reads a row's first character.
        return row < level.rows.size() ? ("|" + level.rows[row]).c_str() : "NO_DATA";
    });
    if (err != level_loaded) {
        set_playfield_host(replaced_host_);
        throw PlanError(level.origin + ": the level does not load: " + level_error_text(err));
    }
    g.speed = speed;
    g.geschwindigkeit = geschwindigkeit;
    g.brillox_found = 0;
    g.keine_taste = 0;
    g.move_player = 0;
    g.richtung = 0;
    g.music_key_down = 0;
    rt_num_array_dim(g.gKeyDown, 256);
    rt_num_array_dim(g.gKeyState, 256);
    count_objects(stones_, brilloxen_);
}

Attempt::~Attempt()
{
    set_playfield_host(replaced_host_);
}

int Attempt::found() const
{
    return static_cast<int>(game().brillox_found);
}

int Attempt::quota() const
{
    return static_cast<int>(game().min_brillox);
}

int Attempt::time_limit() const
{
    return static_cast<int>(game().max_zeit);
}

Cell Attempt::player() const
{
    return {static_cast<int>(game().player_posx), static_cast<int>(game().player_posy)};
}

Cell Attempt::exit() const
{
    return {static_cast<int>(game().ziel_posx), static_cast<int>(game().ziel_posy)};
}

double Attempt::cell(Cell c) const
{
    return cell_at(c.x, c.y);
}

bool Attempt::falling(Cell c) const
{
    return falling_at(c.x, c.y);
}

bool Attempt::settled() const
{
    const Cell p = player();
    return rt_array_bounds(game().f_steine, 0) == 0 && !stone_would_roll(p.x, p.y);
}

std::string Attempt::picture() const
{
    const GameState& g = game();
    std::string text;
    for (int y = 0; y < g.max_y; ++y) {
        for (int x = 0; x < g.max_x; ++x) {
            const char letter = cell_letter(cell({x, y}));
            text += falling({x, y}) && letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter;
        }
        text += '\n';
    }
    return text;
}

// The key is down at both polls of the frame: held, as the rules read it. Every other key is up.
void Attempt::hold(Key key)
{
    rt_num_array& state = game().gKeyState;
    for (const double code : arrow_codes) rt_num_array_at(state, code) = key_not_down;
    if (key != Key::none) rt_num_array_at(state, key_code(key)) = key_held;
}

void Attempt::check_conservation() const
{
    int stones = 0, brilloxen = 0;
    count_objects(stones, brilloxen);
    if (stones != stones_ || brilloxen + found() != brilloxen_) {
        throw Quirk("in frame " + std::to_string(frames_) + " a stone or Brillox vanished or " +
                    "appeared (" + std::to_string(stones) + " stones, " +
                    std::to_string(brilloxen + found()) + " Brilloxen with the collected ones)");
    }
}

Outcome Attempt::frame(Key key)
{
    if (outcome_ != Outcome::going) throw PlanError("the attempt is already over");
    GameState& g = game();
    ++frames_;
    keys_.push_back(key);
    flashed_ = false;
    // The level clock as the play loop reads it, a frame taking 1000 / 30 ms.
    const int elapsed = (frames_ - 1) * 1000 / frames_per_second / 1000;
    if (g.max_zeit > 0 && elapsed >= g.max_zeit) return outcome_ = Outcome::time_up;

    place_player(g.player_posx, g.player_posy);
    const Cell target = step_from(player(), key);
    if (key != Key::none && falling(target))
        throw Quirk("walked into the cell of a falling object at " + where(target));
    hold(key);
    const int flashes = host_.flashes;
    const double result = field_step();
    flashed_ = host_.flashes != flashes;
    check_conservation();
    if (result == step_complete) outcome_ = Outcome::complete;
    if (result == step_crushed) outcome_ = Outcome::crushed;
    return outcome_;
}

Attempt::Snapshot Attempt::save() const
{
    const GameState& g = game();
    Snapshot s{};
    for (int x = 0; x < g.max_x; ++x) {
        for (int y = 0; y < g.max_y; ++y) s.cells.push_back(cell({x, y}));
    }
    rt_num_array& list = game().f_steine;
    for (double row = 0; row < rt_array_bounds(list, 0); ++row) {
        for (double column = 0; column < 4; ++column)
            s.falling_rows.push_back(rt_num_array_at(list, row, column));
    }
    s.player_x = g.player_posx;
    s.player_y = g.player_posy;
    s.found = g.brillox_found;
    s.move_player = g.move_player;
    s.richtung = g.richtung;
    s.keine_taste = g.keine_taste;
    s.music_key_down = g.music_key_down;
    s.frames = frames_;
    s.flashes = host_.flashes;
    s.keys = keys_;
    s.outcome = outcome_;
    s.flashed = flashed_;
    return s;
}

void Attempt::restore(const Snapshot& s)
{
    GameState& g = game();
    std::size_t i = 0;
    for (double x = 0; x < g.max_x; ++x) {
        for (double y = 0; y < g.max_y; ++y) rt_num_array_at(g.map, x, y) = s.cells[i++];
    }
    const double rows = static_cast<double>(s.falling_rows.size() / 4);
    rt_num_array_redim(g.f_steine, rows, 4);
    i = 0;
    for (double row = 0; row < rows; ++row) {
        for (double column = 0; column < 4; ++column)
            rt_num_array_at(g.f_steine, row, column) = s.falling_rows[i++];
    }
    g.player_posx = s.player_x;
    g.player_posy = s.player_y;
    g.brillox_found = s.found;
    g.move_player = s.move_player;
    g.richtung = s.richtung;
    g.keine_taste = s.keine_taste;
    g.music_key_down = s.music_key_down;
    frames_ = s.frames;
    host_.flashes = s.flashes;
    keys_ = s.keys;
    outcome_ = s.outcome;
    flashed_ = s.flashed;
}

void replay(Attempt& attempt, const Keys& keys)
{
    for (const Key key : keys) {
        if (attempt.frame(key) != Outcome::going) break;
    }
}
