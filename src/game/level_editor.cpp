// The level editor screen: the top strip names the level and its settings, the field window
// shows 20 x 12 cells around the cursor in the game's tiles, below it the palette with the
// first thing wrong with the level, and a help line. Every frame polls the keys (and, outside
// scripted runs, the mouse), applies one edit through the model and draws everything anew.
#include "game/level_editor.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/frame.h"
#include "app/script.h"
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "core/trace.h"
#include "game/effects_and_waits.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/level_decode.h"
#include "game/level_editor_model.h"
#include "game/play_level.h"
#include "game/texts.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"
#include "input/input.h"

namespace {

// Scan codes of the editor's keys (PC numbering, as every key of the game).
constexpr double key_space = 57, key_tab = 15, key_backspace = 14, key_delete = 211;
constexpr double key_page_up = 201, key_page_down = 209, key_home = 199, key_end = 207;
constexpr double key_left_shift = 42, key_right_shift = 54;
constexpr double key_f = 33, key_r = 19, key_z = 44, key_y = 21, key_n = 49, key_c = 46;
constexpr double key_e = 18, key_s = 31, key_g = 34, key_l = 38;
constexpr double key_digit_1 = 2;  // 1 .. 6 pick the palette's cells: codes 2 .. 7

constexpr double view_columns = 20, view_rows = 12;  // the field window, from screen row 1
constexpr int small_font = 1;                        // the 10 x 15 font for the editor's lines
// The palette row below the field window, in pixels.
constexpr double palette_left = 6, palette_step = 36, palette_tile = 26, status_left = 226;
constexpr double colour_white = 16777215, colour_yellow = 65535;
constexpr double colour_grey = 8421504;

// A held arrow key moves the cursor again after this many frames, then every second frame.
constexpr int repeat_after = 8;

// The letters a name is typed with, by scan code.
struct TypedKey {
    int code;
    char letter;
};
constexpr TypedKey typed_keys[] = {
    {16, 'Q'}, {17, 'W'}, {18, 'E'}, {19, 'R'}, {20, 'T'}, {21, 'Y'}, {22, 'U'}, {23, 'I'},
    {24, 'O'}, {25, 'P'}, {30, 'A'}, {31, 'S'}, {32, 'D'}, {33, 'F'}, {34, 'G'}, {35, 'H'},
    {36, 'J'}, {37, 'K'}, {38, 'L'}, {44, 'Z'}, {45, 'X'}, {46, 'C'}, {47, 'V'}, {48, 'B'},
    {49, 'N'}, {50, 'M'}, {57, ' '}, {2, '1'},  {3, '2'},  {4, '3'},  {5, '4'},  {6, '5'},
    {7, '6'},  {8, '7'},  {9, '8'},  {10, '9'}, {11, '0'}, {12, '-'},
};

// The properties the settings box changes, in its order.
enum class Property { name, zeit, brillox, width, height, difficulty, count };
constexpr const char* property_labels[] = {N_("Name"),   N_("Zeit"), N_("Brillox"),
                                           N_("Breite"), N_("Höhe"), N_("Schwierigkeit")};
constexpr const char* difficulty_names[] = {"Hard", "Medium", "Easy"};  // geschwindigkeit 1..3

struct EditorScreen {
    std::string path;
    LevelEditor ed;
    int cursor_x = 1, cursor_y = 1;
    int palette = 0;             // index into palette_cells
    bool marking = false;        // a rectangle's first corner is set
    int mark_x = 0, mark_y = 0;  // that corner
    bool properties_open = false;
    bool list_open = false;  // the level list over the field
    int property = 0;
    int geschwindigkeit = 3;    // the test play's difficulty
    std::string status;         // the last message: saved, failed, a read note
    bool quit_asked = false;    // Escape once with unsaved changes
    int repeat_frames[4] = {};  // frames each arrow has been held
    int mouse_button_was = 0;   // buttons down at the last frame: 1 left, 2 right
};

EditLevel& level_of(EditorScreen& s)
{
    return s.ed.set.levels[static_cast<std::size_t>(s.ed.current)];
}

bool pressed(double key)
{
    return key_transition(key) == key_pressed_now;
}

bool shift_down()
{
    return key_transition(key_left_shift) > 0 || key_transition(key_right_shift) > 0;
}

void clamp_cursor(EditorScreen& s)
{
    const EditLevel& level = level_of(s);
    s.cursor_x = std::clamp(s.cursor_x, 0, level.width - 1);
    s.cursor_y = std::clamp(s.cursor_y, 0, level.height - 1);
}

// An arrow moves on its first frame and, held, again and again.
bool arrow_fires(EditorScreen& s, int n, double key)
{
    const double t = key_transition(key);
    if (t <= 0) {
        s.repeat_frames[n] = 0;
        return false;
    }
    s.repeat_frames[n] += 1;
    if (t == key_pressed_now) return true;
    return s.repeat_frames[n] > repeat_after && s.repeat_frames[n] % 2 == 0;
}

// The top-left cell of the field window: the cursor kept inside it, the window inside the field.
int view_left(const EditorScreen& s)
{
    const int w = s.ed.set.levels[static_cast<std::size_t>(s.ed.current)].width;
    return std::clamp(s.cursor_x - static_cast<int>(view_columns) / 2, 0,
                      std::max(0, w - static_cast<int>(view_columns)));
}

int view_top(const EditorScreen& s)
{
    const int h = s.ed.set.levels[static_cast<std::size_t>(s.ed.current)].height;
    return std::clamp(s.cursor_y - static_cast<int>(view_rows) / 2, 0,
                      std::max(0, h - static_cast<int>(view_rows)));
}

double sprite_of(char cell)
{
    switch (cell) {
        case cell_wall:
            return sp_mauer + 100;
        case cell_stone:
            return sp_stein + 100;
        case cell_brillox:
            return sp_brillox + 100;
        case cell_exit:
            return sp_ziel + 100;
        case cell_player:
            return sp_player + 100;
        default:
            return sp_frei + 100;
    }
}

void frame_box(double x1, double y1, double x2, double y2, double colour)
{
    screen_draw_line(x1, y1, x2, y1, colour);
    screen_draw_line(x2, y1, x2, y2, colour);
    screen_draw_line(x2, y2, x1, y2, colour);
    screen_draw_line(x1, y2, x1, y1, colour);
}

// ---- Test play ----

// The current level decoded into the game state as the loader decodes a level section.
double decode_for_play(const EditLevel& level)
{
    return decode_level(game(), [&level](const rt_string& key) -> rt_string {
        const std::string k = key.c_str();
        if (k == "x") return std::to_string(level.width).c_str();
        if (k == "y") return std::to_string(level.height).c_str();
        if (k == "zeit") return std::to_string(level.zeit).c_str();
        if (k == "brillox") return std::to_string(level.brillox).c_str();
        const int r = std::atoi(k.c_str());
        if (r < 1 || r > level.height) return "NO_DATA";
        return ("|" + level.cells.substr(
                          static_cast<std::size_t>(r - 1) * static_cast<std::size_t>(level.width),
                          static_cast<std::size_t>(level.width)))
            .c_str();
    });
}

// Plays the level with the real play loop at the chosen difficulty; a completed play becomes
// the level's solution at that difficulty. The editor resumes where the player ended.
void test_play(EditorScreen& s)
{
    RT_LINE();
    GameState& g = game();
    const int number = s.ed.current + 1;
    screen_clear();
    rt_num_array_redim(g.f_steine, 0, 4);
    const double err = decode_for_play(level_of(s));
    if (err != level_loaded) {
        s.status = tr(level_error_text(err));
        return;
    }
    const double speed = g.speed, geschwindigkeit = g.geschwindigkeit, leben = g.anz_leben;
    g.speed = s.ed.set.speed;
    g.geschwindigkeit = s.geschwindigkeit;
    g.anz_leben = s.ed.set.leben;
    mouse_show_pointer(0);
    play_effect(3);
    std::vector<int> directions;
    const double outcome = play_loaded_level(number, &directions);
    rt_trace("editor_test_play " + std::to_string(number) + " " +
             difficulty_labels[s.geschwindigkeit - 1] + " " +
             std::to_string(static_cast<int>(outcome)) + " " + std::to_string(directions.size()));
    if (outcome == outcome_complete) {
        edit_set_solution(s.ed, s.geschwindigkeit, directions);
        s.status = tr("Geschafft: die Lösung ist gespeichert.");
    } else {
        s.status = tr("Nicht geschafft.");
    }
    s.cursor_x = static_cast<int>(g.player_posx);
    s.cursor_y = static_cast<int>(g.player_posy);
    clamp_cursor(s);
    g.speed = speed;
    g.geschwindigkeit = geschwindigkeit;
    g.anz_leben = leben;
    screen_clear();
    mouse_show_pointer(script_active() ? 0 : 1);
}

// ---- Keys ----

void save(EditorScreen& s)
{
    std::string failure;
    if (write_level_set(s.path, s.ed.set, failure)) {
        s.ed.changed = false;
        s.status = tr("Gespeichert.");
        rt_trace("editor_saved " + std::to_string(s.ed.set.levels.size()));
    } else {
        s.status = std::string(tr("Nicht gespeichert: ")) + failure;
        rt_trace("editor_save_failed");
    }
}

void change_property(EditorScreen& s, int by)
{
    EditLevel& level = level_of(s);
    switch (static_cast<Property>(s.property)) {
        case Property::zeit:
            edit_set_zeit(s.ed, level.zeit + by);
            break;
        case Property::brillox:
            edit_set_brillox(s.ed, level.brillox + by);
            break;
        case Property::width:
            edit_resize(s.ed, level.width + by, level.height);
            break;
        case Property::height:
            edit_resize(s.ed, level.width, level.height + by);
            break;
        case Property::difficulty:
            s.geschwindigkeit = std::clamp(s.geschwindigkeit - (by > 0 ? 1 : -1), 1, 3);
            break;
        default:
            break;
    }
    clamp_cursor(s);
}

void properties_keys(EditorScreen& s)
{
    const int count = static_cast<int>(Property::count);
    if (pressed(key_up)) s.property = (s.property + count - 1) % count;
    if (pressed(key_down)) s.property = (s.property + 1) % count;
    const int step = shift_down() ? 10 : 1;
    if (arrow_fires(s, 0, key_right)) change_property(s, step);
    if (arrow_fires(s, 1, key_left)) change_property(s, -step);
    if (pressed(key_enter) || pressed(key_escape)) {
        s.properties_open = false;
        return;
    }
    if (static_cast<Property>(s.property) != Property::name) return;
    std::string name = level_of(s).name;
    if (pressed(key_backspace) && !name.empty()) name.pop_back();
    for (const TypedKey& k : typed_keys) {
        if (!pressed(k.code)) continue;
        const bool lower = k.letter >= 'A' && k.letter <= 'Z' && !shift_down() && !name.empty();
        name += lower ? static_cast<char>(k.letter - 'A' + 'a') : k.letter;
    }
    if (name != level_of(s).name) edit_set_name(s.ed, name);
}

// The list: Up/Down choose the level to edit, Home/End move it, Enter, L or Escape close it.
void list_keys(EditorScreen& s)
{
    const int last = static_cast<int>(s.ed.set.levels.size()) - 1;
    if (arrow_fires(s, 2, key_up)) s.ed.current = std::max(0, s.ed.current - 1);
    if (arrow_fires(s, 3, key_down)) s.ed.current = std::min(last, s.ed.current + 1);
    if (pressed(key_home)) edit_move_level(s.ed, -1);
    if (pressed(key_end)) edit_move_level(s.ed, 1);
    if (pressed(key_enter) || pressed(key_l) || pressed(key_escape)) s.list_open = false;
    clamp_cursor(s);
}

// Left paints the palette's cell under the pointer, right picks the cell under it.
void mouse_input(EditorScreen& s)
{
    if (script_active() || rt_input == nullptr) return;
    const MouseReading m = mouse_get_state();
    const GameState& g = game();
    const int column = static_cast<int>(rt_input->mouse_x / g.sp_size);
    const int row = static_cast<int>(rt_input->mouse_y / g.sp_size);
    const int buttons = (m.left ? 1 : 0) | (m.right ? 2 : 0);
    const bool on_field = column >= 0 && column < view_columns && row >= 1 && row <= view_rows;
    if (on_field && (m.dx != 0 || m.dy != 0 || buttons != 0)) {
        const int x = view_left(s) + column, y = view_top(s) + row - 1;
        const EditLevel& level = level_of(s);
        if (x < level.width && y < level.height) {
            s.cursor_x = x;
            s.cursor_y = y;
            if (m.left) edit_set_cell(s.ed, x, y, palette_cells[s.palette]);
            if (m.right && (s.mouse_button_was & 2) == 0) {
                const char c = level_cell(level, x, y);
                for (int n = 0; n < 6; ++n) {
                    if (palette_cells[n] == c) s.palette = n;
                }
            }
        }
    }
    // The palette row: a click picks a cell kind.
    const int tile = static_cast<int>((rt_input->mouse_x - palette_left) / palette_step);
    if (m.left && (s.mouse_button_was & 1) == 0 && row == 13 && rt_input->mouse_x >= palette_left &&
        tile < 6)
        s.palette = tile;
    s.mouse_button_was = buttons;
}

// Returns false when the editor is to end.
bool editor_keys(EditorScreen& s)
{
    if (s.properties_open) {
        properties_keys(s);
        return true;
    }
    if (s.list_open) {
        list_keys(s);
        return true;
    }
    if (pressed(key_escape)) {
        if (!s.ed.changed || s.quit_asked) return false;
        s.quit_asked = true;
        s.status = tr("Nicht gespeichert! Escape nochmal beendet.");
        return true;
    }
    const bool any = std::any_of(std::begin(typed_keys), std::end(typed_keys),
                                 [](const TypedKey& k) { return pressed(k.code); });
    if (any || pressed(key_enter)) s.quit_asked = false;

    if (arrow_fires(s, 0, key_right)) s.cursor_x += 1;
    if (arrow_fires(s, 1, key_left)) s.cursor_x -= 1;
    if (arrow_fires(s, 2, key_up)) s.cursor_y -= 1;
    if (arrow_fires(s, 3, key_down)) s.cursor_y += 1;
    clamp_cursor(s);
    for (int n = 0; n < 6; ++n) {
        if (pressed(key_digit_1 + n)) s.palette = n;
    }
    if (pressed(key_tab)) s.palette = (s.palette + 1) % 6;
    const char cell = palette_cells[s.palette];
    if (key_transition(key_space) > 0) edit_set_cell(s.ed, s.cursor_x, s.cursor_y, cell);
    if (pressed(key_f)) edit_flood_fill(s.ed, s.cursor_x, s.cursor_y, cell);
    if (pressed(key_r)) {
        if (s.marking) {
            edit_fill_rect(s.ed, s.mark_x, s.mark_y, s.cursor_x, s.cursor_y, cell);
        } else {
            s.mark_x = s.cursor_x;
            s.mark_y = s.cursor_y;
        }
        s.marking = !s.marking;
    }
    if (pressed(key_z)) edit_undo(s.ed);
    if (pressed(key_y)) edit_redo(s.ed);
    if (pressed(key_page_up)) s.ed.current = std::max(0, s.ed.current - 1);
    if (pressed(key_page_down))
        s.ed.current = std::min(static_cast<int>(s.ed.set.levels.size()) - 1, s.ed.current + 1);
    if (pressed(key_home)) edit_move_level(s.ed, -1);
    if (pressed(key_end)) edit_move_level(s.ed, 1);
    if (pressed(key_n)) edit_add_level(s.ed);
    if (pressed(key_c)) edit_copy_level(s.ed);
    if (pressed(key_delete)) edit_delete_level(s.ed);
    if (pressed(key_g)) s.geschwindigkeit = s.geschwindigkeit == 1 ? 3 : s.geschwindigkeit - 1;
    if (pressed(key_e)) {
        s.properties_open = true;
        s.property = 0;
    }
    if (pressed(key_s)) save(s);
    if (pressed(key_l)) s.list_open = true;
    clamp_cursor(s);
    if (pressed(key_enter)) test_play(s);
    return true;
}

// ---- Drawing ----

void draw_top_strip(EditorScreen& s)
{
    const EditLevel& level = level_of(s);
    const rt_string solved = level_solved(level) ? tr("gelöst") : tr("ungelöst");
    std::string line = std::string(tr("Level")) + " " + std::to_string(s.ed.current + 1) + "/" +
                       std::to_string(s.ed.set.levels.size()) + "  " + level.name;
    text_print(line.c_str(), 4, 1);
    line = std::to_string(level.width) + " x " + std::to_string(level.height) + "  " + tr("Zeit") +
           " " + std::to_string(level.zeit) + "  " + tr("Brillox") + " " +
           std::to_string(level.brillox) + "/" + std::to_string(count_cells(level, cell_brillox)) +
           "  " + tr(difficulty_names[s.geschwindigkeit - 1]) + "  " + solved.c_str() +
           (s.ed.changed ? "  *" : "");
    text_print(line.c_str(), 4, 16);
    if (!level_solved(level)) sprite_draw_stretched(sp_uhr + 100, 19 * game().sp_size, 0, 32, 32);
}

void draw_field_window(EditorScreen& s)
{
    const EditLevel& level = level_of(s);
    const double size = game().sp_size;
    const int left = view_left(s), top = view_top(s);
    for (int x = 0; x < view_columns; ++x) {
        for (int y = 0; y < view_rows; ++y) {
            if (left + x >= level.width || top + y >= level.height) continue;
            sprite_draw_stretched(sprite_of(level_cell(level, left + x, top + y)), x * size,
                                  (y + 1) * size, size, size);
        }
    }
    const auto box = [&](int x1, int y1, int x2, int y2, double colour) {
        frame_box((x1 - left) * size, (y1 - top + 1) * size, (x2 - left + 1) * size - 1,
                  (y2 - top + 2) * size - 1, colour);
    };
    if (s.marking) {
        box(std::min(s.mark_x, s.cursor_x), std::min(s.mark_y, s.cursor_y),
            std::max(s.mark_x, s.cursor_x), std::max(s.mark_y, s.cursor_y), colour_yellow);
    }
    box(s.cursor_x, s.cursor_y, s.cursor_x, s.cursor_y, colour_white);
}

void draw_bottom(EditorScreen& s)
{
    const double size = game().sp_size;
    const double y = 13 * size;
    // Smaller tiles with gaps, so that the palette stands apart from the field above it.
    for (int n = 0; n < 6; ++n) {
        const double x = palette_left + n * palette_step;
        sprite_draw_stretched(sprite_of(palette_cells[n]), x, y + 3, palette_tile, palette_tile);
        if (n == s.palette)
            frame_box(x - 2, y + 1, x + palette_tile + 1, y + palette_tile + 4, colour_white);
    }
    const std::vector<std::string> problems = level_problems(level_of(s));
    if (!s.status.empty()) {
        text_print(s.status.c_str(), status_left, y + 8);
    } else if (!problems.empty()) {
        text_print(tr(problems.front().c_str()), status_left, y + 8);
    } else {
        text_print(tr("Level in Ordnung."), status_left, y + 8);
    }
    text_print(tr("1-6 Tab Leertaste F füllen R Rechteck Z/Y rückg. E Werte"), 4, 14 * size);
    text_print(tr("Enter Testspiel G Stufe S Sichern L Liste N/C/Entf Bild Esc"), 4,
               14 * size + 16);
}

void draw_properties(EditorScreen& s)
{
    const double size = game().sp_size;
    const EditLevel& level = level_of(s);
    screen_draw_rect(4 * size, 3 * size, 16 * size, 10 * size, 0);
    frame_box(4 * size, 3 * size, 16 * size, 10 * size, colour_grey);
    const std::string values[] = {level.name + "_",
                                  std::to_string(level.zeit),
                                  std::to_string(level.brillox),
                                  std::to_string(level.width),
                                  std::to_string(level.height),
                                  tr(difficulty_names[s.geschwindigkeit - 1])};
    for (int n = 0; n < static_cast<int>(Property::count); ++n) {
        const double y = 3.5 * size + n * 24;
        if (n == s.property) text_print(">", 4.25 * size, y);
        text_print(tr(property_labels[n]), 5 * size, y);
        text_print(values[n].c_str(), 9.5 * size, y);
    }
    text_print(tr("Hoch/Runter wählen, Links/Rechts ändern"), 4.5 * size, 3.5 * size + 6 * 24 + 8);
    text_print(tr("Enter: fertig"), 4.5 * size, 3.5 * size + 7 * 24 + 8);
}

// Up to twelve levels around the current one, each with its size and whether it is solved.
void draw_list(EditorScreen& s)
{
    const double size = game().sp_size;
    screen_draw_rect(2 * size, 1.5 * size, 18 * size, 12.5 * size, 0);
    frame_box(2 * size, 1.5 * size, 18 * size, 12.5 * size, colour_grey);
    const int count = static_cast<int>(s.ed.set.levels.size());
    const int first = std::clamp(s.ed.current - 6, 0, std::max(0, count - 12));
    for (int n = first; n < std::min(count, first + 12); ++n) {
        const EditLevel& level = s.ed.set.levels[static_cast<std::size_t>(n)];
        const double y = 2 * size + (n - first) * 20;
        if (n == s.ed.current) text_print(">", 2.25 * size, y);
        const std::string line = std::to_string(n + 1) + "  " + std::to_string(level.width) +
                                 " x " + std::to_string(level.height) + "  " +
                                 (level_solved(level) ? tr("gelöst") : tr("ungelöst")) + "  " +
                                 level.name;
        text_print(line.c_str(), 3 * size, y);
    }
    text_print(tr("Hoch/Runter wählen, Pos1/Ende verschieben"), 2.5 * size, 11.25 * size);
}

void draw_editor(EditorScreen& s)
{
    RT_LINE();
    text_set_font(small_font);
    draw_top_strip(s);
    draw_field_window(s);
    draw_bottom(s);
    if (s.properties_open) draw_properties(s);
    if (s.list_open) draw_list(s);
    text_set_font(0);
}

}  // namespace

void level_editor(const std::string& path)
{
    RT_LINE();
    GameState& g = game();
    text_load_font(str_concat_text(g.sp_verz_Str, "font10x15.bmp"), small_font);
    EditorScreen s;
    s.path = path;
    std::vector<std::string> notes;
    s.ed.set = read_level_set(path, notes);
    if (!notes.empty()) s.status = notes.front();
    rt_trace("editor_open " + std::to_string(s.ed.set.levels.size()) + " " +
             std::to_string(notes.size()));
    mouse_show_pointer(script_active() ? 0 : 1);
    screen_clear();
    for (;;) {
        RT_LINE();
        poll_keys();
        const std::string status_before = s.status;
        const std::size_t undo_before = s.ed.undo.size();
        if (!editor_keys(s)) break;
        mouse_input(s);
        // A message stays until the next edit.
        if (s.status == status_before && s.ed.undo.size() != undo_before) s.status.clear();
        draw_editor(s);
        rt_show_frame();
    }
    mouse_show_pointer(0);
    rt_trace("editor_end");
}
