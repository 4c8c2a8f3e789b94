#include "support/scripted_game.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace testing_support {

namespace fs = std::filesystem;

ScriptedGame::ScriptedGame(const std::string& program, const std::string& data_dir)
    : program_(game_.file(fs::path(program).filename().string()))
{
    fs::copy(data_dir, game_.path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy_file(program, program_);
    fs::permissions(program_, fs::perms::owner_all, fs::perm_options::add);
}

RunningProgram ScriptedGame::start(const std::string& script, const std::vector<std::string>& env,
                                   const std::vector<std::string>& args)
{
    write_file(start_.file("script.txt"), script);
    std::vector<std::string> environment = {"TMPDIR=" + tmp_.path()};
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<std::string> options = {"--script", "script.txt", "--trace", "trace.txt"};
    if (write_player_files_) options.push_back("--write-player-files");
    options.insert(options.end(), args.begin(), args.end());
    return start_program(program_, options, start_.path(), environment);
}

std::string ScriptedGame::play(const std::string& script, const std::vector<std::string>& env,
                               const std::vector<std::string>& args)
{
    RunningProgram running = start(script, env, args);
    const ProgramOutcome outcome = finish_program(running);
    EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
    return read_file(start_.file("trace.txt"));
}

}  // namespace testing_support
