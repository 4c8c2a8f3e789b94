// A program played from a script in its scripted mode (README.md, "Scripted headless mode"),
// as a player's copy of it would run: the program and its data folder are copied into a
// scratch game folder, and the script is played from a second scratch folder, which gets the
// trace and the captures. $TMPDIR (the end report) is a third.
#pragma once
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace testing_support {

class ScriptedGame {
public:
    ScriptedGame(const std::string& program, const std::string& data_dir);  // copies both

    std::string program() const { return program_; }  // the copy in the game folder
    std::string game_file(const std::string& name) const { return game_.file(name); }
    std::string start_file(const std::string& name) const { return start_.file(name); }
    std::string tmp_file(const std::string& name) const { return tmp_.file(name); }  // $TMPDIR

    // A scripted run plays on copies of the player's files unless told to write them; the
    // games here write them (the default), so that the game folder shows what was saved.
    void write_player_files(bool write) { write_player_files_ = write; }

    // Plays script with the "NAME=value" entries of env on top of this process's environment
    // and the options args after the scripted mode's, and returns the trace; the program must
    // exit with code 0.
    std::string play(const std::string& script, const std::vector<std::string>& env = {},
                     const std::vector<std::string>& args = {});
    // Starts the script and returns at once, for a test that acts on the running program.
    RunningProgram start(const std::string& script, const std::vector<std::string>& env = {},
                         const std::vector<std::string>& args = {});

private:
    TempDir game_, start_, tmp_;
    std::string program_;
    bool write_player_files_ = true;
};

}  // namespace testing_support
