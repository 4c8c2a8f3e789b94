// The level tool: one copy of the game's rules (the real playfield code, headless) for the
// maintainers' level work. "make" solves the level plans and writes the game's level data,
// "check" checks a level set with its recorded solutions, "scripts" writes the replay scripts
// the end-to-end tests play through the game.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "headless_play.h"
#include "level_checks.h"
#include "level_sources.h"
#include "plan_runner.h"
#include "writers.h"

namespace {

const char* const usage =
    "usage: level_tool make LEVEL_PLANS_DIR DATA_DIR SOLUTIONS_FILE\n"
    "       level_tool check [--strict] LEVEL_SET [SOLUTIONS_FILE]\n"
    "       level_tool scripts LEVEL_INI SOLUTIONS_FILE OUT_DIR\n"
    "\n"
    "check loads every level of LEVEL_SET (a file in the form of Level.ini) as the game\n"
    "does and replays every solution of SOLUTIONS_FILE (default: NAME.solutions.txt beside\n"
    "NAME.ini) under the game's rules. A level and difficulty without a solution is listed as\n"
    "unproven. Exit code 0: every level loads and every stored solution completes its level,\n"
    "unproven ones or not (the last line counts them); 1: a level does not load, a solution\n"
    "fails or a file cannot be read. --strict holds the set to the shipped levels' standard:\n"
    "every level walled in and proven on every difficulty within half its time limit.\n";

constexpr std::size_t min_levels = 12;  // the game ships at least twelve

// Plays the plan on every difficulty; the recorded keys alone must finish the level again.
std::vector<Solution> solve(const LevelSource& level, const std::string& section)
{
    std::vector<Solution> solutions;
    for (const Difficulty& d : difficulties) {
        Solution s{section, d.label, d.geschwindigkeit, 0, {}};
        try {
            Attempt attempt(level, shipped_speed, d.geschwindigkeit);
            run_plan(attempt, level.plan);
            s.frames = attempt.frames();
            s.keys = attempt.keys();
        } catch (const PlayError& e) {
            throw LevelToolError(level.origin + " (" + d.label + "): " + e.what());
        }
        check_solution(level, shipped_speed, s);
        solutions.push_back(s);
    }
    return solutions;
}

void print_summary(const std::vector<LevelSource>& levels,
                   const std::vector<std::vector<Solution>>& solved)
{
    for (std::size_t n = 0; n < levels.size(); ++n) {
        const LevelSource& level = levels[n];
        std::string times;
        for (const Solution& s : solved[n]) {
            char time[40];
            std::snprintf(time, sizeof time, "%s%s %.1f s", times.empty() ? "" : ", ",
                          s.difficulty.c_str(), static_cast<double>(s.frames) / frames_per_second);
            times += time;
        }
        int gems = 0;
        for (const std::string& row : level.rows) {
            for (const char c : row) gems += c == 'D';
        }
        const std::string limit = level.zeit > 0 ? std::to_string(level.zeit) + " s" : "none";
        const std::string label = "level_" + std::to_string(n + 1);
        std::printf("%-8s %-22s %2d x %-2d quota %2d of %2d, limit %-6s solved: %s\n",
                    label.c_str(), level.name.c_str(), level.x, level.y, level.quota, gems,
                    limit.c_str(), times.c_str());
    }
}

int make_levels(const std::string& plans_dir, const std::string& data_dir,
                const std::string& solutions_file)
{
    const std::vector<std::string> paths = level_plan_paths(plans_dir);
    if (paths.size() < min_levels) {
        throw LevelToolError("only " + std::to_string(paths.size()) + " levels in " + plans_dir);
    }
    std::vector<LevelSource> levels;
    std::vector<std::vector<Solution>> solved;
    for (const std::string& path : paths) {
        levels.push_back(read_level_plan(path));
        check_layout(levels.back());
        solved.push_back(solve(levels.back(), "level_" + std::to_string(levels.size())));
    }
    const std::filesystem::path data(data_dir);
    write_text_file((data / "Level.ini").string(), level_ini_text(levels));
    write_text_file(solutions_file, solutions_text(levels, solved));
    write_text_file((data / "highscore.ini").string(), highscore_text());
    write_text_file((data / "savegame.ini").string(), savegame_text());
    print_summary(levels, solved);
    std::printf("wrote %s, %s, highscore.ini and savegame.ini\n",
                (data / "Level.ini").string().c_str(), solutions_file.c_str());
    return 0;
}

int write_scripts(const std::string& level_ini, const std::string& solutions_file,
                  const std::string& out_dir)
{
    const LevelIni ini = read_level_ini(level_ini);
    // The solutions of each difficulty, the difficulties in the order the file first names them.
    std::vector<std::pair<std::string, std::vector<Solution>>> by_difficulty;
    for (const Solution& s : read_solutions(solutions_file)) {
        auto group = by_difficulty.begin();
        while (group != by_difficulty.end() && group->first != s.difficulty) ++group;
        if (group == by_difficulty.end()) group = by_difficulty.insert(group, {s.difficulty, {}});
        group->second.push_back(s);
    }
    std::filesystem::create_directories(out_dir);
    for (const auto& [difficulty, solutions] : by_difficulty) {
        const std::string path = (std::filesystem::path(out_dir) / (difficulty + ".txt")).string();
        write_text_file(path, replay_script(difficulty, solutions, ini));
    }
    return 0;
}

int run(const std::vector<std::string>& args)
{
    if (args.size() == 4 && args[0] == "make") return make_levels(args[1], args[2], args[3]);
    if (!args.empty() && args[0] == "check") {
        std::vector<std::string> files(args.begin() + 1, args.end());
        CheckOptions options;
        if (!files.empty() && files[0] == "--strict") {
            options.strict = true;
            files.erase(files.begin());
        }
        if (files.size() == 1 || files.size() == 2) {
            options.missing_is_empty = files.size() == 1;
            const std::string solutions = files.size() == 2 ? files[1] : solutions_beside(files[0]);
            return check_levels(files[0], solutions, options) == SetVerdict::faulty ? 1 : 0;
        }
    }
    if (args.size() == 4 && args[0] == "scripts") return write_scripts(args[1], args[2], args[3]);
    std::fputs(usage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "level_tool: %s\n", e.what());
        return 1;
    }
}
