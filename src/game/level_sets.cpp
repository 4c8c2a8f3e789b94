// The level sets the game offers and the files that go with the chosen one.
#include "game/level_sets.h"

#include "app/program_files.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "files/file_channels.h"
#include "files/ini_document.h"
#include "game/game_files.h"
#include "platform/fs.h"

namespace {

const char* const shipped_file = "Level.ini";
const char* const set_ending = ".ini";
const char* const sets_folder = "levels";

std::vector<LevelSet>& sets()
{
    static std::vector<LevelSet> found{{shipped_file, ""}};
    return found;
}

std::size_t chosen = 0;

const LevelSet& chosen_set()
{
    return sets()[chosen];
}

// The file's name without its folder and without ".ini" (in any letter case); never empty, so
// that no set of the player's shares the shipped set's files.
std::string set_name(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > 4) {
        const std::string tail = str_lower(name.substr(name.size() - 4).c_str()).c_str();
        if (tail == set_ending) name.resize(name.size() - 4);
    }
    return name.empty() ? "set" : name;
}

// A set's table or saves that the player does not have yet start empty: an empty file is an
// empty INI document, which the game reads as empty places and slots. Made under the file's
// lock, after looking again, so that a copy of the game saving into it at that moment keeps
// its save.
void make_if_missing(const rt_string& file)
{
    RT_LINE();
    rt_add_player_file(file.c_str());
    if (game_file_exists(file.c_str())) return;
    const platform::FileLock lock = ini_lock(file);
    if (!lock.held() || game_file_exists(file.c_str())) return;
    constexpr double write_mode = 0;
    if (file_open(1, file, write_mode) == 0) {
        ini_report_unusable(file);
        return;
    }
    file_close(1);
}

}  // namespace

void level_sets_find()
{
    RT_LINE();
    std::vector<LevelSet>& found = sets();
    found.clear();
    chosen = 0;
    const std::string& named = rt_settings().level_set;
    if (!named.empty()) {
        found.push_back({named, set_name(named)});
    } else {
        found.push_back({shipped_file, ""});
        const std::string folder = rt_player_own_path(sets_folder);
        if (!folder.empty()) {
            for (const std::string& file : platform::files_in_directory(folder, set_ending))
                found.push_back({folder + "/" + file, set_name(file)});
        }
    }
    level_set_choose(0);
}

const std::vector<LevelSet>& level_sets()
{
    return sets();
}

std::size_t level_set_index()
{
    return chosen;
}

void level_set_choose(std::size_t index)
{
    RT_LINE();
    if (index >= sets().size()) return;
    chosen = index;
    if (chosen_set().name.empty()) return;  // the shipped files stay as they are
    make_if_missing(level_set_player_file("highscore"));
    make_if_missing(level_set_player_file("savegame"));
}

rt_string level_set_file()
{
    return chosen_set().file.c_str();
}

rt_string level_set_ini_name()
{
    // The shipped file is tested as "Level.ini" and opened as "level.ini", as it always was;
    // both find the same file whatever its letter case on disk.
    return chosen_set().name.empty() ? rt_string("level.ini") : level_set_file();
}

rt_string level_set_player_file(const char* stem)
{
    const std::string& name = chosen_set().name;
    if (name.empty()) return (std::string(stem) + ".ini").c_str();
    return (std::string(stem) + "-" + name + ".ini").c_str();
}

std::string level_set_title()
{
    return chosen_set().name.empty() ? "brillox" : chosen_set().name;
}
