// The data directory and the player files' folder of a program, chosen once at start-up from
// where its executable is.
#include "app/program_files.h"

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

void rt_place_player_files(const std::string& program_dir, const std::string& data_dir,
                           const char* name, std::span<const char* const> player_files)
{
    const bool installed = data_dir != program_dir;
    const bool dir_writable = platform::may_write(data_dir);
    std::vector<std::string> elsewhere;
    for (const char* file : player_files) {
        const std::string here = platform::resolve_name_ignoring_case(join(data_dir, file));
        // A writable file in a directory the player may not change is a shared table that
        // its owner opened to the players; it is written in place, as it always was.
        const bool stays = !installed && (dir_writable || platform::may_write(here));
        if (!stays) elsewhere.emplace_back(file);
    }
    if (elsewhere.empty()) {
        file_forget_player_directory();
        return;
    }
    const std::string user_data = platform::user_data_directory();
    file_use_player_directory(user_data.empty() ? "" : join(user_data, name), data_dir, elsewhere);
}
