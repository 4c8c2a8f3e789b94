// What the level tool reads: the level plans in tools/levels/ (name, time limit, quota, map and
// plan), the levels of a Level.ini through the game's own INI reader, and the recorded solutions
// of tools/level_solutions.txt with their run-length key code.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

// A file the tool cannot use as it is, or a level that breaks a rule; the text says why.
class LevelToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arrow key held in a frame, numbered as the game's richtung.
enum class Key { none, right, left, up, down };
using Keys = std::vector<Key>;

char key_letter(Key key);                                  // R L U D, "." for no key
Key key_of_letter(char letter, const std::string& where);  // LevelToolError for another letter

// The menu's difficulties and the geschwindigkeit each sets.
struct Difficulty {
    const char* label;
    int geschwindigkeit;
};
constexpr Difficulty difficulties[] = {{"easy", 3}, {"medium", 2}, {"hard", 1}};

struct LevelSource {
    std::string origin;             // the file (and section) it came from, for messages
    std::string name;               // the level's title (plans only)
    int x = 0, y = 0;               // the size the level declares
    int zeit = 0;                   // time limit in seconds, 0 none
    int quota = 0;                  // the Brilloxen needed ("brillox")
    std::vector<std::string> rows;  // the cells in the level file's letters, top row first
    std::vector<std::string> plan;  // plan commands (plans only)
    // Level files only: "" when the game's level loader takes the level, else the loader's
    // message for it ("Kein Player im Level !")
    std::string load_problem;
};

// One recorded solution: a level on one difficulty, the passes it takes and the keys held.
struct Solution {
    std::string section;     // "level_1", ...
    std::string difficulty;  // "easy", "medium", "hard"
    int geschwindigkeit = 0;
    int frames = 0;
    Keys keys;
};

struct LevelIni {
    int lives = 0, speed = 0;         // as the game reads them: 3 for a missing or bad value
    std::vector<LevelSource> levels;  // level_1 ... as section "game" counts them (1 when not)
};

// The *.txt files of a folder in name order
std::vector<std::string> level_plan_paths(const std::string& folder);
LevelSource read_level_plan(const std::string& path);  // LevelToolError when it cannot be used
LevelIni read_level_ini(const std::string& path);      // LevelToolError when it is no file
std::vector<Solution> read_solutions(const std::string& path);  // in file order

std::string encode_keys(const Keys& keys);  // run-length code: "R3 .10 D1"
Keys decode_keys(const std::string& text, const std::string& where);

bool file_exists(const std::string& path);            // anything by that (UTF-8) name
std::string read_text_file(const std::string& path);  // LevelToolError when it cannot be read
void write_text_file(const std::string& path, const std::string& text);  // same on failure
