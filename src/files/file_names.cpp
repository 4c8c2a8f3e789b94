// File names to disk paths: the player files in their own folder, prepared on first use, and
// every name found in the letter case it has on disk.
#include "files/file_names.h"

#include <cstdio>

#include "platform/fs.h"

namespace {

struct PlayerFile {
    std::string name;  // as the program declared it: the file's name in the player's folder
    bool prepared = false;
};

struct PlayerDirectory {
    std::string dir, seed_dir;
    std::vector<PlayerFile> files;
    enum class State { unknown, ready, unusable } state = State::unknown;
};

PlayerDirectory& player_directory()
{
    static PlayerDirectory directory;
    return directory;
}

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names match as the platform the game was written for matches them: ignoring ASCII case.
bool same_name(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    }
    return true;
}

PlayerFile* find_player_file(const std::string& name)
{
    for (PlayerFile& file : player_directory().files) {
        if (same_name(file.name, name)) return &file;
    }
    return nullptr;
}

// The folder is made once per run; when that fails the player's files are missing for the
// rest of it, which a program treats as it treats missing files (brillox: empty tables, and
// saves that fail and say so).
bool folder_ready(PlayerDirectory& directory)
{
    using State = PlayerDirectory::State;
    if (directory.state != State::unknown) return directory.state == State::ready;
    std::string failure;
    if (directory.dir.empty()) {
        std::fprintf(stderr,
                     "no folder for the player's files (no home directory): nothing "
                     "of the player's will be kept\n");
    } else if (!platform::make_private_directories(directory.dir, &failure)) {
        std::fprintf(stderr,
                     "%s: the folder for the player's files cannot be made: %s; nothing "
                     "of the player's will be kept\n",
                     directory.dir.c_str(), failure.c_str());
    } else {
        directory.state = State::ready;
        return true;
    }
    directory.state = State::unusable;
    return false;
}

// A player starts with the empty files the program ships. A file the player has is never
// replaced; one that cannot be copied stays missing, and the game reports that where it
// would save.
void seed(const PlayerDirectory& directory, const PlayerFile& file)
{
    if (directory.seed_dir.empty()) return;  // a folder of copies: what is missing stays so
    const std::string target = directory.dir + "/" + file.name;
    if (platform::exists(platform::resolve_name_ignoring_case(target))) return;
    const std::string source =
        platform::resolve_name_ignoring_case(directory.seed_dir + "/" + file.name);
    // A file the program does not ship (the player's settings) starts missing: the program
    // makes it when it first has something to keep.
    if (!platform::exists(source)) return;
    std::string failure;
    if (!platform::copy_file_if_missing(source, target, &failure)) {
        std::fprintf(stderr, "%s: cannot be made: %s\n", target.c_str(), failure.c_str());
    }
}

}  // namespace

void file_use_player_directory(const std::string& dir, const std::string& seed_dir,
                               const std::vector<std::string>& names)
{
    PlayerDirectory& directory = player_directory();
    directory = PlayerDirectory{};
    directory.dir = dir;
    directory.seed_dir = seed_dir;
    for (const std::string& name : names) directory.files.push_back(PlayerFile{name});
}

void file_add_player_file(const std::string& name, const std::string& dir,
                          const std::string& seed_dir)
{
    PlayerDirectory& directory = player_directory();
    if (find_player_file(name) != nullptr) return;
    if (directory.dir.empty() && directory.files.empty()) {
        directory.dir = dir;
        directory.seed_dir = seed_dir;
    }
    directory.files.push_back(PlayerFile{name});
}

void file_forget_player_directory()
{
    player_directory() = PlayerDirectory{};
}

std::string file_disk_path(const std::string& name)
{
    PlayerDirectory& directory = player_directory();
    PlayerFile* file = find_player_file(name);
    if (file == nullptr) return platform::resolve_name_ignoring_case(name);
    if (!folder_ready(directory)) return "";  // no file by that name can be opened
    if (!file->prepared) {
        file->prepared = true;
        seed(directory, *file);
    }
    return platform::resolve_name_ignoring_case(directory.dir + "/" + file->name);
}
