// The level editor's model: edits on letters of the Level.ini format with whole-set undo, the
// checks in the loader's words, and the set read through the game's own INI document and level
// decoding, written back whole with the solutions file beside it.
#include "game/level_editor_model.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "core/rt_array.h"
#include "files/ini_document.h"
#include "game/level_decode.h"
#include "game/texts.h"
#include "platform/fs.h"

namespace {

// Undo keeps whole sets; past this many bytes of them the oldest go.
constexpr std::size_t undo_budget = 64u << 20;
constexpr std::size_t undo_steps = 500;
// The cells a read set may hold in all: a hostile file of many huge levels must not take the
// memory of the machine. Levels past it open as new ones, with a note.
constexpr double max_set_cells = 16.0 * 1024 * 1024;

std::size_t set_bytes(const EditSet& set)
{
    std::size_t n = 0;
    for (const EditLevel& level : set.levels) n += level.cells.size() + 64;
    return n;
}

EditLevel& current_level(LevelEditor& ed)
{
    return ed.set.levels[static_cast<std::size_t>(ed.current)];
}

// Keeps the set as it is before an edit; a new edit ends what could be redone.
void remember(LevelEditor& ed)
{
    ed.undo.push_back(ed.set);
    ed.redo.clear();
    std::size_t bytes = 0;
    for (const EditSet& s : ed.undo) bytes += set_bytes(s);
    while (ed.undo.size() > 1 && (ed.undo.size() > undo_steps || bytes > undo_budget)) {
        bytes -= set_bytes(ed.undo.front());
        ed.undo.erase(ed.undo.begin());
    }
    ed.changed = true;
}

// An edit that turned out to change nothing is not kept for undo.
bool forget_if_same(LevelEditor& ed)
{
    if (ed.undo.empty() || ed.undo.back().levels.size() != ed.set.levels.size()) return true;
    const EditLevel& before = ed.undo.back().levels[static_cast<std::size_t>(ed.current)];
    const EditLevel& now = current_level(ed);
    if (before.cells != now.cells || before.width != now.width || before.height != now.height)
        return true;
    ed.undo.pop_back();
    return false;
}

// A recorded solution holds only for the level it was played on.
void drop_solutions(EditLevel& level)
{
    level.solutions = {};
}

char& cell_ref(EditLevel& level, int x, int y)
{
    return level.cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(level.width) +
                       static_cast<std::size_t>(x)];
}

bool inside(const EditLevel& level, int x, int y)
{
    return x >= 0 && y >= 0 && x < level.width && y < level.height;
}

// One player and one exit: the loader plays only the first of each.
void put_cell(EditLevel& level, int x, int y, char cell)
{
    if (cell == cell_player || cell == cell_exit) {
        for (char& c : level.cells) {
            if (c == cell) c = cell_earth;
        }
    }
    cell_ref(level, x, y) = cell;
}

void close_border(EditLevel& level)
{
    for (int x = 0; x < level.width; ++x) {
        cell_ref(level, x, 0) = cell_wall;
        cell_ref(level, x, level.height - 1) = cell_wall;
    }
    for (int y = 0; y < level.height; ++y) {
        cell_ref(level, 0, y) = cell_wall;
        cell_ref(level, level.width - 1, y) = cell_wall;
    }
}

std::string clean_name(const std::string& name)
{
    std::string out;
    for (const char c : name) {
        if (c >= 32 && c < 127) out += c;
    }
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    out = out.substr(first, out.find_last_not_of(' ') - first + 1);
    if (out.size() > static_cast<std::size_t>(edit_max_name)) out.resize(edit_max_name);
    return out;
}

char letter_of(double cell)
{
    if (cell == sp_mauer) return cell_wall;
    if (cell == sp_stein) return cell_stone;
    if (cell == sp_brillox) return cell_brillox;
    if (cell == sp_ziel) return cell_exit;
    if (cell == sp_player) return cell_player;
    return cell_earth;
}

int clamp_number(double value)
{
    if (!(value > 0)) return 0;  // also a value that is no number
    return value > edit_max_number ? edit_max_number : static_cast<int>(value);
}

// "level_N easy|medium|hard GESCHWINDIGKEIT FRAMES KEYS": taken when it names a level of the
// set and its keys are run-length code; anything else is left out.
void take_solution_line(const std::string& line, EditSet& set)
{
    std::istringstream in(line);
    std::string section, label;
    int geschwindigkeit = 0, frames = 0;
    if (!(in >> section >> label >> geschwindigkeit >> frames)) return;
    if (section.rfind("level_", 0) != 0 || geschwindigkeit < 1 || geschwindigkeit > 3) return;
    if (label != difficulty_labels[geschwindigkeit - 1] || frames <= 0) return;
    int number = 0;
    for (std::size_t i = 6; i < section.size(); ++i) {
        if (section[i] < '0' || section[i] > '9' || number > edit_max_levels) return;
        number = number * 10 + (section[i] - '0');
    }
    if (number < 1 || number > static_cast<int>(set.levels.size())) return;
    std::string keys, token;
    while (in >> token) {
        if (token.size() < 2 || std::string("RLUD.").find(token[0]) == std::string::npos ||
            token.find_first_not_of("0123456789", 1) != std::string::npos || token.size() > 9)
            return;
        keys += (keys.empty() ? "" : " ") + token;
    }
    if (keys.empty()) return;
    set.levels[static_cast<std::size_t>(number - 1)].solutions[geschwindigkeit - 1] = {frames,
                                                                                       keys};
}

void read_solutions_beside(const std::string& path, EditSet& set)
{
    std::string text;
    const platform::ReadResult r =
        platform::read_whole_file(solutions_path_of(path), 16u << 20, text, true);
    if (r != platform::ReadResult::whole) return;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        take_solution_line(line, set);
    }
}

}  // namespace

EditLevel new_level()
{
    EditLevel level;
    level.cells.assign(static_cast<std::size_t>(level.width * level.height), cell_earth);
    close_border(level);
    return level;
}

char level_cell(const EditLevel& level, int x, int y)
{
    if (!inside(level, x, y)) return cell_wall;
    return level.cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(level.width) +
                       static_cast<std::size_t>(x)];
}

bool on_border(const EditLevel& level, int x, int y)
{
    return x == 0 || y == 0 || x == level.width - 1 || y == level.height - 1;
}

int count_cells(const EditLevel& level, char cell)
{
    return static_cast<int>(std::count(level.cells.begin(), level.cells.end(), cell));
}

bool level_solved(const EditLevel& level)
{
    for (const EditSolution& s : level.solutions) {
        if (!s.keys.empty()) return true;
    }
    return false;
}

std::vector<std::string> level_problems(const EditLevel& level)
{
    std::vector<std::string> problems;
    const int brilloxen = count_cells(level, cell_brillox);
    if (brilloxen == 0) problems.push_back(level_error_text(level_no_brilloxen));
    if (count_cells(level, cell_player) == 0) problems.push_back(level_error_text(level_no_player));
    if (count_cells(level, cell_exit) == 0) problems.push_back(level_error_text(level_no_exit));
    if (level.width < edit_min_width || level.height < edit_min_height)
        problems.push_back(N_("Das Feld ist kleiner als 20 x 14."));
    bool closed = true;
    for (int x = 0; x < level.width; ++x) {
        closed = closed && level_cell(level, x, 0) == cell_wall &&
                 level_cell(level, x, level.height - 1) == cell_wall;
    }
    for (int y = 0; y < level.height; ++y) {
        closed = closed && level_cell(level, 0, y) == cell_wall &&
                 level_cell(level, level.width - 1, y) == cell_wall;
    }
    if (!closed) problems.push_back(N_("Der Rand ist nicht ganz aus Mauer."));
    if (count_cells(level, cell_player) > 1) problems.push_back(N_("Mehr als ein Player."));
    if (count_cells(level, cell_exit) > 1) problems.push_back(N_("Mehr als ein Ziel."));
    if (brilloxen > 0 && level.brillox > brilloxen)
        problems.push_back(N_("Mehr Brilloxen verlangt als vorhanden."));
    if (level.brillox == 0) problems.push_back(N_("Brillox 0: alle werden verlangt."));
    return problems;
}

bool edit_set_cell(LevelEditor& ed, int x, int y, char cell)
{
    EditLevel& level = current_level(ed);
    if (!inside(level, x, y) || on_border(level, x, y) || level_cell(level, x, y) == cell)
        return false;
    remember(ed);
    put_cell(level, x, y, cell);
    drop_solutions(level);
    return true;
}

bool edit_flood_fill(LevelEditor& ed, int x, int y, char cell)
{
    EditLevel& level = current_level(ed);
    if (!inside(level, x, y) || on_border(level, x, y)) return false;
    // A player or an exit fills one cell: there is only one of each.
    if (cell == cell_player || cell == cell_exit) return edit_set_cell(ed, x, y, cell);
    const char from = level_cell(level, x, y);
    if (from == cell) return false;
    remember(ed);
    std::vector<std::pair<int, int>> todo{{x, y}};
    while (!todo.empty()) {
        const auto [cx, cy] = todo.back();
        todo.pop_back();
        if (!inside(level, cx, cy) || on_border(level, cx, cy) || level_cell(level, cx, cy) != from)
            continue;
        cell_ref(level, cx, cy) = cell;
        todo.insert(todo.end(), {{cx + 1, cy}, {cx - 1, cy}, {cx, cy + 1}, {cx, cy - 1}});
    }
    drop_solutions(level);
    return true;
}

bool edit_fill_rect(LevelEditor& ed, int x1, int y1, int x2, int y2, char cell)
{
    EditLevel& level = current_level(ed);
    if (cell == cell_player || cell == cell_exit) return edit_set_cell(ed, x2, y2, cell);
    const int left = std::max(1, std::min(x1, x2)),
              right = std::min(level.width - 2, std::max(x1, x2));
    const int top = std::max(1, std::min(y1, y2)),
              bottom = std::min(level.height - 2, std::max(y1, y2));
    if (left > right || top > bottom) return false;
    remember(ed);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) cell_ref(level, x, y) = cell;
    }
    if (!forget_if_same(ed)) return false;
    drop_solutions(level);
    return true;
}

bool edit_resize(LevelEditor& ed, int width, int height)
{
    EditLevel& level = current_level(ed);
    width = std::clamp(width, edit_min_width, edit_max_side);
    height = std::clamp(height, edit_min_height, edit_max_side);
    if (width == level.width && height == level.height) return false;
    remember(ed);
    EditLevel resized = level;
    resized.width = width;
    resized.height = height;
    resized.cells.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                         cell_earth);
    // The old border is left behind: the inside moves over as it is, the new border is closed.
    for (int y = 1; y < std::min(level.height, height) - 1; ++y) {
        for (int x = 1; x < std::min(level.width, width) - 1; ++x)
            cell_ref(resized, x, y) = level_cell(level, x, y);
    }
    close_border(resized);
    drop_solutions(resized);
    level = resized;
    return true;
}

bool edit_set_name(LevelEditor& ed, const std::string& name)
{
    const std::string clean = clean_name(name);
    if (clean == current_level(ed).name) return false;
    remember(ed);
    current_level(ed).name = clean;  // the name plays no part in a solution
    return true;
}

bool edit_set_zeit(LevelEditor& ed, int zeit)
{
    zeit = std::clamp(zeit, 0, edit_max_number);
    if (zeit == current_level(ed).zeit) return false;
    remember(ed);
    current_level(ed).zeit = zeit;
    drop_solutions(current_level(ed));
    return true;
}

bool edit_set_brillox(LevelEditor& ed, int brillox)
{
    brillox = std::clamp(brillox, 0, edit_max_number);
    if (brillox == current_level(ed).brillox) return false;
    remember(ed);
    current_level(ed).brillox = brillox;
    drop_solutions(current_level(ed));
    return true;
}

void edit_set_solution(LevelEditor& ed, int geschwindigkeit, const std::vector<int>& directions)
{
    if (geschwindigkeit < 1 || geschwindigkeit > 3 || directions.empty()) return;
    remember(ed);
    current_level(ed).solutions[geschwindigkeit - 1] = {static_cast<int>(directions.size()),
                                                        encode_directions(directions)};
}

bool edit_add_level(LevelEditor& ed)
{
    if (static_cast<int>(ed.set.levels.size()) >= edit_max_levels) return false;
    remember(ed);
    ed.set.levels.insert(ed.set.levels.begin() + ed.current + 1, new_level());
    ed.current += 1;
    return true;
}

bool edit_copy_level(LevelEditor& ed)
{
    if (static_cast<int>(ed.set.levels.size()) >= edit_max_levels) return false;
    remember(ed);
    const EditLevel copy = current_level(ed);
    ed.set.levels.insert(ed.set.levels.begin() + ed.current + 1, copy);
    ed.current += 1;
    return true;
}

bool edit_delete_level(LevelEditor& ed)
{
    if (ed.set.levels.size() <= 1) return false;
    remember(ed);
    ed.set.levels.erase(ed.set.levels.begin() + ed.current);
    ed.current = std::min(ed.current, static_cast<int>(ed.set.levels.size()) - 1);
    return true;
}

bool edit_move_level(LevelEditor& ed, int by)
{
    const int to = ed.current + by;
    if (by == 0 || to < 0 || to >= static_cast<int>(ed.set.levels.size())) return false;
    remember(ed);
    std::swap(ed.set.levels[static_cast<std::size_t>(ed.current)],
              ed.set.levels[static_cast<std::size_t>(to)]);
    ed.current = to;
    return true;
}

bool edit_undo(LevelEditor& ed)
{
    if (ed.undo.empty()) return false;
    ed.redo.push_back(ed.set);
    ed.set = ed.undo.back();
    ed.undo.pop_back();
    ed.current = std::min(ed.current, static_cast<int>(ed.set.levels.size()) - 1);
    ed.changed = true;
    return true;
}

bool edit_redo(LevelEditor& ed)
{
    if (ed.redo.empty()) return false;
    ed.undo.push_back(ed.set);
    ed.set = ed.redo.back();
    ed.redo.pop_back();
    ed.current = std::min(ed.current, static_cast<int>(ed.set.levels.size()) - 1);
    ed.changed = true;
    return true;
}

std::string encode_directions(const std::vector<int>& directions)
{
    static const char letters[] = {'.', 'R', 'L', 'U', 'D'};
    std::string text;
    for (std::size_t i = 0; i < directions.size();) {
        std::size_t run = 1;
        while (i + run < directions.size() && directions[i + run] == directions[i]) ++run;
        const int d = directions[i] >= 0 && directions[i] <= 4 ? directions[i] : 0;
        if (!text.empty()) text += ' ';
        text += letters[d] + std::to_string(run);
        i += run;
    }
    return text;
}

std::string solutions_path_of(const std::string& set_path)
{
    const std::size_t slash = set_path.find_last_of("/\\");
    const std::size_t dot = set_path.rfind('.');
    const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_ext ? set_path.substr(0, dot) : set_path) + ".solutions.txt";
}

EditSet read_level_set(const std::string& path, std::vector<std::string>& notes)
{
    EditSet set;
    if (!platform::exists(path)) {
        set.levels.push_back(new_level());
        return set;
    }
    ini_open(path.c_str());
    set.leben = clamp_number(str_to_number(ini_get("game", "leben")));
    set.speed = clamp_number(str_to_number(ini_get("game", "speed")));
    if (set.leben <= 0) set.leben = 3;
    if (set.speed <= 0) set.speed = 3;
    int count = clamp_number(str_to_number(ini_get("game", "level")));
    if (count > edit_max_levels) {
        notes.push_back(tr("Nur die ersten 999 Level werden gelesen."));
        count = edit_max_levels;
    }
    if (count <= 0) count = 1;
    double total_cells = 0;
    for (int number = 1; number <= count; ++number) {
        const rt_string section = str_concat_text_num("level_", number);
        GameState g;
        const double err =
            decode_level(g, [&](const rt_string& key) { return ini_get(section, key); });
        EditLevel level = new_level();
        const bool has_field = err != level_data_missing;
        const bool fits = g.max_x <= edit_max_side && g.max_y <= edit_max_side &&
                          total_cells + g.max_x * g.max_y <= max_set_cells;
        if (has_field && fits) {
            total_cells += g.max_x * g.max_y;
            level.width = static_cast<int>(g.max_x);
            level.height = static_cast<int>(g.max_y);
            level.cells.assign(
                static_cast<std::size_t>(level.width) * static_cast<std::size_t>(level.height),
                cell_earth);
            for (int y = 0; y < level.height; ++y) {
                for (int x = 0; x < level.width; ++x)
                    cell_ref(level, x, y) = letter_of(rt_num_array_at(g.map, x, y));
            }
        } else {
            notes.push_back(tr_format("Level %s: Leveldaten nicht gefunden!", number).c_str());
        }
        level.zeit = clamp_number(g.max_zeit);
        level.brillox = clamp_number(str_to_number(ini_get(section, "brillox")));
        const rt_string name = ini_get(section, "name");
        if (str_equal_text(name, "NO_DATA") == 0) level.name = clean_name(name.c_str());
        set.levels.push_back(level);
    }
    ini_open("");
    read_solutions_beside(path, set);
    return set;
}

std::string level_set_text(const EditSet& set)
{
    std::string text = "; brillox levels, written by the level editor\r\n[game]\r\n";
    text += "level=" + std::to_string(set.levels.size()) + "\r\n";
    text +=
        "leben=" + std::to_string(set.leben) + "\r\nspeed=" + std::to_string(set.speed) + "\r\n";
    for (std::size_t n = 0; n < set.levels.size(); ++n) {
        const EditLevel& level = set.levels[n];
        const std::string number = std::to_string(n + 1);
        text += "; " + number + ": " + level.name + "\r\n[level_" + number + "]\r\n";
        if (!level.name.empty()) text += "name=" + level.name + "\r\n";
        text += "x=" + std::to_string(level.width) + "\r\ny=" + std::to_string(level.height) +
                "\r\nzeit=" + std::to_string(level.zeit) +
                "\r\nbrillox=" + std::to_string(level.brillox) + "\r\n";
        // The loader never reads a row's first character, and the INI reader drops leading
        // blanks, so each row starts with a visible one.
        for (int y = 0; y < level.height; ++y) {
            text += std::to_string(y + 1) + "=|" +
                    level.cells.substr(
                        static_cast<std::size_t>(y) * static_cast<std::size_t>(level.width),
                        static_cast<std::size_t>(level.width)) +
                    "\r\n";
        }
    }
    return text;
}

std::string solutions_text(const EditSet& set)
{
    std::string text =
        "# Recorded solutions of the levels beside, written by the level editor from test play.\n"
        "# level, difficulty, geschwindigkeit, play-loop frames, then the arrow key held in each\n"
        "# frame, run-length coded: R right, L left, U up, D down, . no key.\n";
    for (std::size_t n = 0; n < set.levels.size(); ++n) {
        for (int g = 3; g >= 1; --g) {
            const EditSolution& s = set.levels[n].solutions[g - 1];
            if (s.keys.empty()) continue;
            text += "level_" + std::to_string(n + 1) + " " + difficulty_labels[g - 1] + " " +
                    std::to_string(g) + " " + std::to_string(s.frames) + " " + s.keys + "\n";
        }
    }
    return text;
}

bool write_level_set(const std::string& path, const EditSet& set, std::string& failure)
{
    const std::string levels = level_set_text(set);
    const std::string solutions = solutions_text(set);
    std::string reason;
    if (!platform::replace_file_contents(path, levels.data(), levels.size(), &reason)) {
        failure = path + ": " + reason;
        return false;
    }
    const std::string beside = solutions_path_of(path);
    if (!platform::replace_file_contents(beside, solutions.data(), solutions.size(), &reason)) {
        failure = beside + ": " + reason;
        return false;
    }
    return true;
}
