// The level editor's rules without a window: a level set held as letters of the Level.ini
// format, the edits (cell, flood fill, rectangle, resize, level list, properties) with undo and
// redo, the checks of a level in the loader's own words, and reading and writing a set with
// the solutions kept beside it. No keys and no drawing here; the editor screen drives it.
#pragma once
#include <array>
#include <string>
#include <vector>

// The cells the format can hold, as the letters the editor writes. The format has no letter
// for an empty cell (every other letter reads as earth), so the editor offers none.
constexpr char cell_wall = '*', cell_earth = '.', cell_stone = 'S', cell_brillox = 'D',
               cell_exit = 'Z', cell_player = 'P';
constexpr char palette_cells[] = {cell_wall,    cell_earth, cell_stone,
                                  cell_brillox, cell_exit,  cell_player};

// Sizes the editor makes: at least the play window, at most what the loader takes in.
constexpr int edit_min_width = 20, edit_min_height = 14;
constexpr int edit_max_side = 2047;
constexpr int edit_max_levels = 999;
constexpr int edit_max_name = 30;      // characters of a level's name
constexpr int edit_max_number = 9999;  // zeit and brillox

// A recorded solution at one difficulty: the passes of the play loop and the arrow key held in
// each, run-length coded as the level tool reads it ("R3 .10 D2"); empty keys: none recorded.
struct EditSolution {
    int frames = 0;
    std::string keys;
};
constexpr const char* difficulty_labels[] = {"hard", "medium", "easy"};  // geschwindigkeit 1..3

struct EditLevel {
    std::string name;
    int zeit = 0;     // seconds, 0 no limit
    int brillox = 1;  // quota as written; 0 means every Brillox of the level
    int width = edit_min_width, height = edit_min_height;
    std::string cells;                      // width x height letters, row by row from the top
    std::array<EditSolution, 3> solutions;  // by geschwindigkeit - 1
};

struct EditSet {
    int leben = 3, speed = 3;
    std::vector<EditLevel> levels;
};

struct LevelEditor {
    EditSet set;
    int current = 0;  // index of the level being edited
    std::vector<EditSet> undo, redo;
    bool changed = false;  // since the last read or save
};

// ---- Levels ----
EditLevel new_level();  // 20 x 14, a ring of walls around earth, quota 1, no limit
char level_cell(const EditLevel& level, int x, int y);  // '*' outside the field
bool on_border(const EditLevel& level, int x, int y);   // the ring of walls the editor keeps
int count_cells(const EditLevel& level, char cell);
bool level_solved(const EditLevel& level);  // a solution at any difficulty is recorded
// What keeps a level from being played as intended, as German texts for tr(); empty when none.
// The loader's own messages come first in the loader's order.
std::vector<std::string> level_problems(const EditLevel& level);

// ---- Edits of the current level; each can be undone. False when nothing changed. ----
// Cells of the border ring stay walls; a player or an exit placed removes the one before.
bool edit_set_cell(LevelEditor& ed, int x, int y, char cell);
bool edit_flood_fill(LevelEditor& ed, int x, int y, char cell);  // the 4-connected region
bool edit_fill_rect(LevelEditor& ed, int x1, int y1, int x2, int y2, char cell);  // corners in any
                                                                                  // order
// Keeps the top-left part, fills new space with earth and closes the border again.
bool edit_resize(LevelEditor& ed, int width, int height);
bool edit_set_name(LevelEditor& ed, const std::string& name);  // printable ASCII, trimmed
bool edit_set_zeit(LevelEditor& ed, int zeit);                 // 0..edit_max_number
bool edit_set_brillox(LevelEditor& ed, int brillox);           // 0..edit_max_number
// A recorded solution of a test play; keeps the other difficulties'.
void edit_set_solution(LevelEditor& ed, int geschwindigkeit, const std::vector<int>& directions);

// ---- The level list ----
bool edit_add_level(LevelEditor& ed);           // a new level after the current one, made current
bool edit_copy_level(LevelEditor& ed);          // a copy after the current one, made current
bool edit_delete_level(LevelEditor& ed);        // not the last one left
bool edit_move_level(LevelEditor& ed, int by);  // -1 earlier, +1 later

bool edit_undo(LevelEditor& ed);
bool edit_redo(LevelEditor& ed);

// ---- Files ----
// "R3 .10 D2" from the richtung of each pass (0 none, 1 right, 2 left, 3 up, 4 down)
std::string encode_directions(const std::vector<int>& directions);
std::string solutions_path_of(const std::string& set_path);  // "a/b.ini" -> "a/b.solutions.txt"
// Reads a set through the game's INI document and level decoding, and the solutions beside
// it. A missing file gives a new set of one level. Whatever a file holds, the result is a set
// the editor can show; notes gets a German text per thing it could not take as it was.
EditSet read_level_set(const std::string& path, std::vector<std::string>& notes);
std::string level_set_text(const EditSet& set);  // the Level.ini format, CR LF lines
std::string solutions_text(const EditSet& set);  // the level tool's solutions format
// Writes both files, each whole or not at all; false with the reason in failure.
bool write_level_set(const std::string& path, const EditSet& set, std::string& failure);
