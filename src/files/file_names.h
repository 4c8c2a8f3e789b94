// Where a file name the program gives is found on disk. Names are relative to the working
// directory (the program's data directory) and found ignoring ASCII letter case when the exact
// spelling is missing. The player files are the exception: the files a program writes for its
// player (brillox: the highscore table and the saved games) live in a folder of the player's
// own when the data directory belongs to an installation that nobody may change.
#pragma once
#include <string>
#include <vector>

// From now on the names (compared ignoring ASCII case) are found in dir. On the first use of
// each name dir is created (0700, missing parents too) and a missing file there is copied
// from seed_dir (none when seed_dir is ""). A dir that is "" or cannot be created leaves those
// files missing for the run; one line on standard error says so.
void file_use_player_directory(const std::string& dir, const std::string& seed_dir,
                               const std::vector<std::string>& names);
void file_forget_player_directory();  // all names back in the working directory
// One more player file, named while the program runs (brillox: the table of a level set). It
// joins the names of the player directory in use; when none is in use, dir (seeded from
// seed_dir) becomes that directory, for this name alone.
void file_add_player_file(const std::string& name, const std::string& dir,
                          const std::string& seed_dir);

// The path the file channels and the INI document open for name: a player file's path in its
// folder ("" when it has none), else name itself; either with its existing spelling on disk.
std::string file_disk_path(const std::string& name);
