// Reading the level tool's inputs: level plans, a Level.ini (through the game's INI document, so
// the tool sees the values the game sees) and the recorded solutions, plus the run-length code
// of the keys and whole-file reads and writes.
#include "level_sources.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "core/rt_string.h"
#include "files/ini_document.h"
#include "game/level_decode.h"

namespace {

const char* const blanks = " \t\r\n\f\v";

// File names are UTF-8 text here; a path made from a plain string would read them in the
// system's 8-bit code page on Windows, and a name with an umlaut would not be found.
std::filesystem::path path_of(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_of(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string trim_right(const std::string& s)
{
    const std::size_t end = s.find_last_not_of(blanks);
    return end == std::string::npos ? "" : s.substr(0, end + 1);
}

std::string trim(const std::string& s)
{
    const std::size_t begin = s.find_first_not_of(blanks);
    return begin == std::string::npos ? "" : trim_right(s.substr(begin));
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A whole number with an optional sign; LevelToolError naming what for otherwise.
int whole_number(const std::string& text, const std::string& what)
{
    const char* first = text.data();
    const char* const last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        throw LevelToolError(what + " is not a whole number: \"" + text + "\"");
    return value;
}

// A number of the open INI document by the game's text-to-number rule.
int ini_number(const std::string& section, const std::string& key)
{
    return static_cast<int>(str_to_number(ini_get(section.c_str(), key.c_str())));
}

}  // namespace

char key_letter(Key key)
{
    switch (key) {
        case Key::right:
            return 'R';
        case Key::left:
            return 'L';
        case Key::up:
            return 'U';
        case Key::down:
            return 'D';
        case Key::none:
            break;
    }
    return '.';
}

Key key_of_letter(char letter, const std::string& where)
{
    for (const Key key : {Key::none, Key::right, Key::left, Key::up, Key::down}) {
        if (key_letter(key) == letter) return key;
    }
    throw LevelToolError(where + ": no key is called '" + std::string(1, letter) + "'");
}

std::vector<std::string> level_plan_paths(const std::string& folder)
{
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_of(folder), error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".txt")
            paths.push_back(utf8_of(entry.path()));
    }
    if (error) throw LevelToolError(folder + ": " + error.message());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// "key: value" lines up to "map:", the rows up to "plan:", then the plan; blank lines and lines
// starting with # are left out, trailing blanks dropped.
LevelSource read_level_plan(const std::string& path)
{
    LevelSource level;
    level.origin = path;
    std::map<std::string, std::string> info;
    std::string part;
    for (const std::string& raw : lines_of(read_text_file(path))) {
        const std::string line = trim_right(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line == "map:" || line == "plan:") {
            part = line;
        } else if (part == "map:") {
            level.rows.push_back(line);
        } else if (part == "plan:") {
            level.plan.push_back(trim(line));
        } else {
            const std::size_t colon = line.find(':');
            const std::string key = trim(line.substr(0, colon));
            info[key] = colon == std::string::npos ? "" : trim(line.substr(colon + 1));
        }
    }
    for (const char* key : {"name", "zeit", "brillox"}) {
        if (info.count(key) == 0) throw LevelToolError(path + ": no " + key);
    }
    level.name = info["name"];
    level.zeit = whole_number(info["zeit"], path + ": zeit");
    level.quota = whole_number(info["brillox"], path + ": brillox");
    level.y = static_cast<int>(level.rows.size());
    level.x = level.rows.empty() ? 0 : static_cast<int>(level.rows[0].size());
    return level;
}

// Each row value starts with a character the game never reads; the rows keep what follows it.
// A level with missing keys reads as far as it goes, for the checks to tell what is wrong; the
// game's own loader says whether it plays the level at all. The settings of section "game" get
// the values the game gives a missing or bad one.
LevelIni read_level_ini(const std::string& path)
{
    if (!std::filesystem::is_regular_file(path_of(path)))
        throw LevelToolError(path + ": no such file");
    ini_open(path.c_str());
    LevelIni ini;
    ini.lives = ini_number("game", "leben");
    ini.speed = ini_number("game", "speed");
    int count = ini_number("game", "level");
    if (ini.lives <= 0) ini.lives = 3;
    if (ini.speed <= 0) ini.speed = 3;
    if (count <= 0) count = 1;
    for (int number = 1; number <= count; ++number) {
        LevelSource level;
        const std::string section = "level_" + std::to_string(number);
        level.origin = path + " [" + section + "]";
        level.x = ini_number(section, "x");
        level.y = ini_number(section, "y");
        level.zeit = ini_number(section, "zeit");
        level.quota = ini_number(section, "brillox");
        const double err = decode_level(
            game(), [&section](const rt_string& key) { return ini_get(section.c_str(), key); });
        if (err != level_loaded) level.load_problem = level_error_text(err);
        // The rows of a level the game loads (the loader refuses a size beyond its limit), each
        // as the loader reads it: a missing row is the text "NO_DATA".
        for (int r = 1; err == level_loaded && r <= level.y; ++r) {
            const std::string value = ini_get(section.c_str(), std::to_string(r).c_str()).c_str();
            level.rows.push_back(value.substr(1));
        }
        ini.levels.push_back(level);
    }
    ini_open("");
    return ini;
}

// One line per solution: section, difficulty, geschwindigkeit, frames, then the keys.
std::vector<Solution> read_solutions(const std::string& path)
{
    std::vector<Solution> solutions;
    int number = 0;
    for (const std::string& line : lines_of(read_text_file(path))) {
        ++number;
        if (trim(line).empty() || line[0] == '#') continue;
        const std::string where = path + ":" + std::to_string(number);
        std::istringstream in(line);
        Solution s;
        std::string geschwindigkeit, frames;
        in >> s.section >> s.difficulty >> geschwindigkeit >> frames;
        if (!in) throw LevelToolError(where + ": not a solution line");
        s.geschwindigkeit = whole_number(geschwindigkeit, where + ": geschwindigkeit");
        s.frames = whole_number(frames, where + ": frames");
        s.keys = decode_keys(std::string(std::istreambuf_iterator<char>(in), {}), where);
        solutions.push_back(s);
    }
    return solutions;
}

std::string encode_keys(const Keys& keys)
{
    std::string text;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t run = 1;
        while (i + run < keys.size() && keys[i + run] == keys[i]) ++run;
        if (!text.empty()) text += ' ';
        text += key_letter(keys[i]) + std::to_string(run);
        i += run;
    }
    return text;
}

Keys decode_keys(const std::string& text, const std::string& where)
{
    Keys keys;
    std::istringstream in(text);
    for (std::string token; in >> token;) {
        const Key key = key_of_letter(token[0], where);
        const int count = whole_number(token.substr(1), where + ": the count of " + token);
        if (count < 0) throw LevelToolError(where + ": a negative count in " + token);
        keys.insert(keys.end(), static_cast<std::size_t>(count), key);
    }
    return keys;
}

bool file_exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path_of(path), error);
}

std::string read_text_file(const std::string& path)
{
    std::ifstream in(path_of(path), std::ios::binary);
    if (!in) throw LevelToolError(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_text_file(const std::string& path, const std::string& text)
{
    std::ofstream out(path_of(path), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw LevelToolError(path + ": cannot be written");
}
