// The data directory and the player files' folder of a program, chosen once at start-up from
// where its executable is.
#include "app/program_files.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/startup.h"
#include "files/file_names.h"
#include "platform/fs.h"

namespace {

std::string join(const std::string& dir, const std::string& name)
{
    return dir == "/" ? "/" + name : dir + "/" + name;
}

}  // namespace

std::string rt_data_directory(const std::string& program_dir, const char* name,
                              const char* data_file)
{
    if (data_file == nullptr) return program_dir;
    if (platform::exists(platform::resolve_name_ignoring_case(join(program_dir, data_file)))) {
        return program_dir;
    }
    // The executable's path has its links resolved already, so its parent is the real one.
    const std::string parent = rt_program_directory(program_dir);
    if (parent.empty()) return program_dir;
    const std::string installed = join(parent, std::string("share/") + name);
    return platform::is_directory(installed) ? installed : program_dir;
}

namespace {

struct PlayerFilePlace {
    std::string name;  // as the program declared it
    std::string kept;  // where the game finds it; "" when it has nowhere to be
    std::string seed;  // the shipped file a missing one starts from; "" when none
};

// Where each player file is kept: see rt_place_player_files.
std::vector<PlayerFilePlace> player_file_places(const std::string& program_dir,
                                                const std::string& data_dir, const char* name,
                                                std::span<const char* const> player_files)
{
    const bool installed = data_dir != program_dir;
    const bool dir_writable = platform::may_write(data_dir);
    const std::string user_data = platform::user_data_directory();
    std::vector<PlayerFilePlace> places;
    for (const char* file : player_files) {
        const std::string here = platform::resolve_name_ignoring_case(join(data_dir, file));
        // A writable file in a directory the player may not change is a shared table that
        // its owner opened to the players; it is written in place, as it always was.
        const bool stays = !installed && (dir_writable || platform::may_write(here));
        if (stays) {
            places.push_back({file, here, ""});
        } else {
            const std::string kept =
                user_data.empty()
                    ? ""
                    : platform::resolve_name_ignoring_case(join(join(user_data, name), file));
            places.push_back({file, kept, here});
        }
    }
    return places;
}

std::string& scratch_directory()
{
    static std::string dir;
    return dir;
}

// Where rt_place_player_files found the program and its data; read by rt_add_player_file.
struct PlacedProgram {
    std::string program_dir, data_dir, name;
    std::vector<std::string> added;  // by rt_add_player_file, each placed once
};

PlacedProgram& placed_program()
{
    static PlacedProgram placed;
    return placed;
}

// At process exit, after the exit-time save of the INI document (registered later, so run
// earlier), whatever way the program ends.
void remove_scratch_directory()
{
    if (!scratch_directory().empty()) platform::remove_directory_tree(scratch_directory());
    scratch_directory().clear();
}

}  // namespace

void rt_place_player_files(const std::string& program_dir, const std::string& data_dir,
                           const char* name, std::span<const char* const> player_files)
{
    placed_program() = PlacedProgram{program_dir, data_dir, name, {}};
    std::vector<std::string> elsewhere;
    for (const PlayerFilePlace& place :
         player_file_places(program_dir, data_dir, name, player_files)) {
        if (!place.seed.empty()) elsewhere.push_back(place.name);
    }
    if (elsewhere.empty()) {
        file_forget_player_directory();
        return;
    }
    const std::string user_data = platform::user_data_directory();
    file_use_player_directory(user_data.empty() ? "" : join(user_data, name), data_dir, elsewhere);
}

bool rt_play_on_copies_of_player_files(const std::string& program_dir, const std::string& data_dir,
                                       const char* name, std::span<const char* const> player_files,
                                       std::string& problem)
{
    if (player_files.empty()) return true;
    std::string failure;
    const std::string scratch =
        platform::make_scratch_directory(std::string(name) + "-copies-", &failure);
    if (scratch.empty()) {
        problem = "no scratch folder for copies of the player's files can be made in " +
                  platform::temp_directory() + ": " + failure;
        return false;
    }
    scratch_directory() = scratch;
    static const bool registered = (std::atexit(remove_scratch_directory), true);
    (void)registered;

    std::vector<std::string> names;
    for (const PlayerFilePlace& place :
         player_file_places(program_dir, data_dir, name, player_files)) {
        names.push_back(place.name);
        // The file as the game would find it now, or the shipped one it would start from.
        std::string from = place.kept;
        if (from.empty() || !platform::exists(from)) from = place.seed;
        if (from.empty() || !platform::exists(from)) continue;  // missing there too
        if (!platform::copy_file_with_permissions(from, join(scratch, place.name), &failure)) {
            std::fprintf(stderr, "%s: no copy to play on: %s; the game finds no such file\n",
                         from.c_str(), failure.c_str());
        }
    }
    // No seeding: a file missing for the player is missing on the copies too.
    file_use_player_directory(scratch, "", names);
    return true;
}

std::string rt_player_file_path(const char* name)
{
    const std::string path = file_disk_path(name);
    // A player file kept in a folder of its own has an absolute path; one kept in the data
    // directory is named relative to it, which start-up may not have entered yet.
    if (path.empty() || path[0] == '/' || path[0] == '\\' || path.find(':') != std::string::npos)
        return path;
    const std::string& data_dir = rt_settings().data_directory;
    if (data_dir.empty()) return path;
    return platform::resolve_name_ignoring_case(join(data_dir, name));
}

void rt_add_player_file(const std::string& file)
{
    PlacedProgram& placed = placed_program();
    if (placed.name.empty()) return;  // nothing placed: every name is in the working directory
    for (const std::string& known : placed.added) {
        if (known == file) return;
    }
    placed.added.push_back(file);
    const char* const files[] = {file.c_str()};
    const PlayerFilePlace place =
        player_file_places(placed.program_dir, placed.data_dir, placed.name.c_str(), files)[0];
    const std::string& scratch = scratch_directory();
    if (!scratch.empty()) {
        std::string failure;
        if (!place.kept.empty() && platform::exists(place.kept) &&
            !platform::copy_file_with_permissions(place.kept, join(scratch, file), &failure)) {
            std::fprintf(stderr, "%s: no copy to play on: %s; the game finds no such file\n",
                         place.kept.c_str(), failure.c_str());
        }
        file_add_player_file(file, scratch, "");
        return;
    }
    if (place.seed.empty()) return;  // kept in the data directory, found there by its name
    const std::string user_data = platform::user_data_directory();
    file_add_player_file(file, user_data.empty() ? "" : join(user_data, placed.name),
                         placed.data_dir);
}

std::string rt_player_own_path(const std::string& name)
{
    const PlacedProgram& placed = placed_program();
    if (placed.name.empty()) return "";
    const char* const files[] = {name.c_str()};
    return player_file_places(placed.program_dir, placed.data_dir, placed.name.c_str(), files)[0]
        .kept;
}
