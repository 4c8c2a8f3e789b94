// Where a program's files are: the data directory that start-up enters, which is the program's
// own directory or, for an installed program, its share/ folder; and the folder that keeps the
// player's files when the data directory is not the player's to change.
#pragma once
#include <span>
#include <string>

// The program's own directory when it holds data_file (or data_file is nullptr); else
// <its parent>/share/<name> when that is a directory (an installed program: bin/ and share/
// side by side); else the program's own directory, where the program then misses its data.
std::string rt_data_directory(const std::string& program_dir, const char* name,
                              const char* data_file);

// Where each player file is kept. A copy of the program with its data beside it (a build tree,
// an unpacked copy) keeps a player file there whenever the player can change it there: the
// directory or the file itself is writable. An installed program never writes into its
// installation, and a copy on a medium the player cannot write has nowhere to save: there the
// file goes to <user data directory>/<name>/ ($XDG_DATA_HOME/<name>), created and seeded from
// the data directory on first use. Tells the file layer (files/file_names.h).
void rt_place_player_files(const std::string& program_dir, const std::string& data_dir,
                           const char* name, std::span<const char* const> player_files);

// A replay, and a scripted run not asked to write the player's files, plays on copies: each
// player file as the game would find it now (or the shipped file it would start from) is
// copied with its permissions into a new private scratch folder in the temporary directory,
// the program finds its player files there, and the folder is removed when the process exits.
// The player's own files are never written. False with a one-line problem when no scratch
// folder can be made. Call after rt_place_player_files.
bool rt_play_on_copies_of_player_files(const std::string& program_dir, const std::string& data_dir,
                                       const char* name, std::span<const char* const> player_files,
                                       std::string& problem);

// Where the player file name is on disk, before start-up has entered the data directory as well
// as after: an absolute path when the data directory is known; "" when the file has nowhere to
// be (its folder could not be made).
std::string rt_player_file_path(const char* name);

// A player file whose name the program learns while it runs (brillox: a level set's table):
// kept where a declared player file of that name would be kept. In a run on copies, the
// player's own file (when there is one) is copied into the scratch folder first, and the
// program finds the copy. Call after rt_place_player_files (and rt_play_on_copies_...).
void rt_add_player_file(const std::string& file);
// Where the player keeps name for real, also in a run on copies, which may read it there but
// must not write it (brillox: the folder of the player's level sets); an absolute path, "" when
// it has nowhere to be or start-up has not placed the player files.
std::string rt_player_own_path(const std::string& name);
