// The layout rules, the time share and the replay of recorded solutions, and the check of a
// whole Level.ini with its solutions file that the test suite runs.
#include "level_checks.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <set>

#include "game/playfield.h"
#include "headless_play.h"

namespace {

const char* const outcome_text[] = {"still going", "complete", "crushed", "out of time"};

int count_letter(const LevelSource& level, char letter)
{
    int n = 0;
    for (const std::string& row : level.rows) {
        for (const char c : row) n += c == letter;
    }
    return n;
}

}  // namespace

void check_layout(const LevelSource& level)
{
    const std::string& name = level.origin;
    const std::vector<std::string>& rows = level.rows;
    if (rows.empty()) throw LevelToolError(name + ": no map");
    const int h = static_cast<int>(rows.size());
    const int w = static_cast<int>(rows[0].size());
    if (w != level.x || h != level.y) {
        throw LevelToolError(name + ": the map is " + std::to_string(w) + " x " +
                             std::to_string(h) + ", the level says " + std::to_string(level.x) +
                             " x " + std::to_string(level.y));
    }
    if (w < window_columns || h < window_rows) {
        throw LevelToolError(name + ": " + std::to_string(w) + " x " + std::to_string(h) +
                             " is smaller than the 20 x 14 window");
    }
    for (int y = 0; y < h; ++y) {
        const std::string& row = rows[y];
        const std::string line = "row " + std::to_string(y + 1);
        if (static_cast<int>(row.size()) != w) {
            throw LevelToolError(name + ": " + line + " is " + std::to_string(row.size()) +
                                 " wide, not " + std::to_string(w));
        }
        std::set<char> bad;
        for (const char c : row) {
            if (std::string("*SDPZ.").find(c) == std::string::npos) bad.insert(c);
        }
        if (!bad.empty())
            throw LevelToolError(name + ": " + line + " holds " +
                                 std::string(bad.begin(), bad.end()));
        if (row.front() != '*' || row.back() != '*')
            throw LevelToolError(name + ": " + line + " is not closed by walls");
    }
    if (rows.front().find_first_not_of('*') != std::string::npos ||
        rows.back().find_first_not_of('*') != std::string::npos)
        throw LevelToolError(name + ": top or bottom row is not all wall");
    if (count_letter(level, 'P') != 1 || count_letter(level, 'Z') != 1)
        throw LevelToolError(name + ": needs exactly one P and one Z");
    const int gems = count_letter(level, 'D');
    if (gems == 0 || level.quota <= 0 || level.quota > gems) {
        throw LevelToolError(name + ": quota " + std::to_string(level.quota) + " with " +
                             std::to_string(gems) + " Brilloxen");
    }
}

void check_time_share(const LevelSource& level, int frames)
{
    if (level.zeit > 0 && frames > time_share * level.zeit * frames_per_second) {
        char text[80];
        std::snprintf(text, sizeof text, "the solution takes %.1f s of a %d s limit",
                      static_cast<double>(frames) / frames_per_second, level.zeit);
        throw TimeShareError(level.origin + ": " + text);
    }
}

void check_solution(const LevelSource& level, int speed, const Solution& solution)
{
    const std::string where = level.origin + " (" + solution.difficulty + ")";
    try {
        Attempt attempt(level, speed, solution.geschwindigkeit);
        replay(attempt, solution.keys);
        if (attempt.outcome() != Outcome::complete || attempt.frames() != solution.frames) {
            throw LevelToolError(where + ": " + outcome_text[static_cast<int>(attempt.outcome())] +
                                 " in frame " + std::to_string(attempt.frames()) +
                                 ", not complete in frame " + std::to_string(solution.frames));
        }
    } catch (const PlayError& e) {
        throw LevelToolError(where + ": " + e.what());
    }
    check_time_share(level, solution.frames);
}

std::string solutions_beside(const std::string& level_set)
{
    std::string stem = level_set;
    const std::size_t slash = level_set.find_last_of("/\\");
    const std::size_t dot = level_set.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        std::string ending = level_set.substr(dot);
        for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ending == ".ini") stem.resize(dot);
    }
    return stem + ".solutions.txt";
}

SetVerdict check_levels(const std::string& level_set, const std::string& solutions_file,
                        const CheckOptions& options)
{
    const LevelIni ini = read_level_ini(level_set);
    std::vector<Solution> solutions;
    int faults = 0;
    auto fault = [&faults](const std::string& text) {
        std::fprintf(stderr, "level_tool: %s\n", text.c_str());
        ++faults;
    };
    auto note = [&](const std::string& text) {
        if (options.strict) return fault(text);
        std::printf("note: %s\n", text.c_str());
    };

    if (!options.missing_is_empty || file_exists(solutions_file)) {
        solutions = read_solutions(solutions_file);
    } else {
        note("no solutions file " + solutions_file);
    }

    std::map<std::string, const LevelSource*> by_section;
    std::vector<std::string> sections;
    for (std::size_t n = 0; n < ini.levels.size(); ++n) {
        const LevelSource& level = ini.levels[n];
        const std::string section = "level_" + std::to_string(n + 1);
        by_section[section] = &level;
        sections.push_back(section);
        if (!level.load_problem.empty()) {
            fault(level.origin + ": the game does not load it: \"" + level.load_problem + "\"");
            continue;
        }
        try {
            check_layout(level);
        } catch (const LevelToolError& e) {
            note(e.what());
        }
    }

    // A level and difficulty is tried once a solution for it is stored, proven once one passes.
    std::set<std::pair<std::string, std::string>> tried, proven;
    for (const Solution& s : solutions) {
        const auto level = by_section.find(s.section);
        bool known_difficulty = false;
        for (const Difficulty& d : difficulties)
            known_difficulty |= s.difficulty == d.label && s.geschwindigkeit == d.geschwindigkeit;
        if (level == by_section.end() || !known_difficulty) {
            fault(solutions_file + ": " + s.section + " " + s.difficulty + " " +
                  std::to_string(s.geschwindigkeit) + " names no level and difficulty of " +
                  level_set);
            continue;
        }
        tried.insert({s.section, s.difficulty});
        std::string verdict = "complete";
        try {
            check_solution(*level->second, ini.speed, s);
            proven.insert({s.section, s.difficulty});
        } catch (const TimeShareError& e) {
            note(e.what());
            proven.insert({s.section, s.difficulty});
        } catch (const LevelToolError& e) {
            fault(e.what());
            verdict = "NOT complete";
        }
        std::printf("%-9s %-6s %s in frame %d\n", s.section.c_str(), s.difficulty.c_str(),
                    verdict.c_str(), s.frames);
    }
    int unproven = 0;
    for (const std::string& section : sections) {
        if (!by_section[section]->load_problem.empty()) continue;
        for (const Difficulty& d : difficulties) {
            if (tried.count({section, d.label}) != 0) {
                if (proven.count({section, d.label}) == 0)
                    fault(by_section[section]->origin + ": no " + d.label +
                          " solution that completes it");
                continue;
            }
            std::printf("%-9s %-6s unproven: no solution stored\n", section.c_str(), d.label);
            ++unproven;
            if (options.strict)
                fault(by_section[section]->origin + ": no " + d.label + " solution stored");
        }
    }
    const SetVerdict verdict = faults > 0     ? SetVerdict::faulty
                               : unproven > 0 ? SetVerdict::unproven
                                              : SetVerdict::proven;
    const char* const summary[] = {"all complete", "no fault, not all proven", "FAILED"};
    std::printf("%zu levels, %zu solutions, %d unproven: %s\n", ini.levels.size(), solutions.size(),
                unproven, summary[static_cast<int>(verdict)]);
    return verdict;
}
