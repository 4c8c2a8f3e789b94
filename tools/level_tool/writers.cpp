// Writing the level tool's files. Level.ini and the two empty INI files end their lines in CR LF
// as the game's own INI files do; the solutions and scripts are plain text with LF.
#include "writers.h"

#include <cmath>

#include "headless_play.h"

namespace {

// The loader never reads a row's first character, and the INI reader drops leading blanks, so
// it must not be blank.
const char* const row_lead = "|";

std::string crlf_lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

const char* key_name(Key key)
{
    switch (key) {
        case Key::right:
            return "Right";
        case Key::left:
            return "Left";
        case Key::up:
            return "Up";
        case Key::down:
            return "Down";
        case Key::none:
            break;
    }
    return "";
}

// Presses of Right in the menu's difficulty entry to go from the start value 3 to geschwindigkeit.
int menu_steps(int geschwindigkeit, const std::string& difficulty)
{
    if (geschwindigkeit < 1 || geschwindigkeit > 3)
        throw LevelToolError(difficulty + ": no menu entry sets geschwindigkeit " +
                             std::to_string(geschwindigkeit));
    return 3 - geschwindigkeit;
}

// The script lines of one attempt, from the first pass of the play loop to the exit. The keys
// are replayed to find the pass of the quota flash: it presents one extra frame, which the
// frame counts must include. The finished attempt is left for the caller.
std::vector<std::string> level_lines(Attempt& attempt, const Solution& solution)
{
    // Frames presented per pass: 1, or 2 in the pass of the flash; the last pass shows none.
    std::vector<int> shown;
    for (const Key key : solution.keys) {
        const Outcome outcome = attempt.frame(key);
        shown.push_back(outcome != Outcome::going ? 0 : attempt.flashed() ? 2 : 1);
        if (outcome != Outcome::going) break;
    }
    if (attempt.outcome() != Outcome::complete || shown.size() != solution.keys.size()) {
        throw LevelToolError(solution.section +
                             ": the recorded solution does not complete the level");
    }

    std::vector<std::string> lines;
    Key held = Key::none;
    int count = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Key key = solution.keys[i];
        if (key != held) {
            if (count != 0) lines.push_back("frames " + std::to_string(count));
            count = 0;
            if (held != Key::none) lines.push_back(std::string("up ") + key_name(held));
            if (key != Key::none) lines.push_back(std::string("down ") + key_name(key));
            held = key;
        }
        count += shown[i];
    }
    // The last pass walks into the exit and ends the loop without a frame of its own; the
    // completion message shows one, during which the key is let go.
    lines.push_back("frames " + std::to_string(count + 1));
    if (held != Key::none) lines.push_back(std::string("up ") + key_name(held));
    return lines;
}

// Program time from the completion message to the score summary's wait for Enter: three seconds
// of message, then one frame per counted-up step (the time bonus at most the whole time limit),
// with a safety margin.
int summary_wait_ms(const Attempt& attempt)
{
    const int steps = 6 + (attempt.found() + 1) + (attempt.time_limit() / 2 + 1) + 1;
    return 3000 + static_cast<int>(std::lround(steps * (1000.0 / frames_per_second))) + 1000;
}

}  // namespace

std::string level_ini_text(const std::vector<LevelSource>& levels)
{
    std::vector<std::string> lines = {
        "; brillox levels, written by tools/level_tool from tools/levels/ - edit there", "[game]",
        "level=" + std::to_string(levels.size()), "leben=" + std::to_string(shipped_lives),
        "speed=" + std::to_string(shipped_speed)};
    for (std::size_t n = 0; n < levels.size(); ++n) {
        const LevelSource& level = levels[n];
        const std::string number = std::to_string(n + 1);
        lines.push_back("; " + number + ": " + level.name);
        lines.push_back("[level_" + number + "]");
        lines.push_back("x=" + std::to_string(level.rows[0].size()));
        lines.push_back("y=" + std::to_string(level.rows.size()));
        lines.push_back("zeit=" + std::to_string(level.zeit));
        lines.push_back("brillox=" + std::to_string(level.quota));
        for (std::size_t r = 0; r < level.rows.size(); ++r)
            lines.push_back(std::to_string(r + 1) + "=" + row_lead + level.rows[r]);
    }
    return crlf_lines(lines);
}

std::string solutions_text(const std::vector<LevelSource>& levels,
                           const std::vector<std::vector<Solution>>& solutions)
{
    std::string text =
        "# Recorded solutions of the levels in Level.ini, written by tools/level_tool.\n"
        "#\n"
        "# One line per level and difficulty: section, difficulty, geschwindigkeit, the number\n"
        "# of play-loop frames, then the arrow key held in each frame, run-length coded:\n"
        "# R right, L left, U up, D down, . no key; \"R3 .10\" is right for 3 frames, then\n"
        "# 10 frames without a key. Frame 1 is the first pass of the play loop after the level\n"
        "# is loaded; the key counts as held at both key polls of its frame. Objects move in\n"
        "# every (speed x geschwindigkeit + 1)th frame, speed " +
        std::to_string(shipped_speed) +
        ". The last frame enters the exit.\n"
        "# Frames are passes of the play loop: the white flash when the quota is reached shows\n"
        "# one extra frame that is not a pass.\n";
    for (std::size_t n = 0; n < levels.size(); ++n) {
        text += "\n# level_" + std::to_string(n + 1) + ": " + levels[n].name + "\n";
        for (const Solution& s : solutions[n]) {
            text += s.section + " " + s.difficulty + " " + std::to_string(s.geschwindigkeit) + " " +
                    std::to_string(s.frames) + " " + encode_keys(s.keys) + "\n";
        }
    }
    return text;
}

// Each place written the way the game writes an empty place when it moves places down: an
// empty name, a comma and the score 0.
std::string highscore_text()
{
    std::vector<std::string> lines = {"[daten]"};
    for (int place = 1; place <= 10; ++place) lines.push_back(std::to_string(place) + "=,0");
    return crlf_lines(lines);
}

// No slot keys at all: the game reads a missing key as an empty slot, and never writes an empty
// one itself.
std::string savegame_text()
{
    return crlf_lines({"; brillox saved games: slot=name,score,level,lives", "[daten]"});
}

std::string replay_script(const std::string& difficulty, const std::vector<Solution>& solutions,
                          const LevelIni& ini)
{
    const int geschwindigkeit = solutions.at(0).geschwindigkeit;
    std::vector<std::string> out = {
        "# " + difficulty + ": every level in a row, written by tools/level_tool", "wait 300",
        "tap Enter  # title", "wait 300"};
    const int steps = menu_steps(geschwindigkeit, difficulty);
    if (steps > 0) {
        out.insert(out.end(), {"tap Down", "wait 100", "tap Down", "wait 100"});
        for (int i = 0; i < steps; ++i) out.insert(out.end(), {"tap Right", "wait 100"});
        out.insert(out.end(), {"tap Up", "wait 100", "tap Up", "wait 100"});
    }
    for (std::size_t n = 0; n < solutions.size(); ++n) {
        const Solution& s = solutions[n];
        const std::string section = "level_" + std::to_string(n + 1);
        if (s.geschwindigkeit != geschwindigkeit || s.section != section ||
            n >= ini.levels.size()) {
            throw LevelToolError(difficulty +
                                 ": solutions must list level_1, level_2, ... at one speed");
        }
        out.push_back("# " + section);
        if (n == 0) {
            // The menu reads Enter and the arrows in the same poll: an up or down key would
            // move the selection off "Start" instead of starting.
            if (!s.keys.empty() && (s.keys[0] == Key::up || s.keys[0] == Key::down))
                throw LevelToolError(difficulty +
                                     ": level_1 must not start with an up or down key");
            out.push_back("frames 1");  // change keys between two frames, right before a key poll
        }
        // Enter leaves the menu or the previous score summary; the first pass follows at once.
        out.push_back("down Enter");
        Attempt attempt(ini.levels[n], ini.speed, s.geschwindigkeit);
        std::vector<std::string> lines = level_lines(attempt, s);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind("frames", 0) == 0) {
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, "up Enter");
                break;
            }
        }
        out.insert(out.end(), lines.begin(), lines.end());
        out.push_back("wait " + std::to_string(summary_wait_ms(attempt)) +
                      "  # completion message and score summary");
    }
    // The last summary leads to the all-levels screen; the score is gone then, so quitting
    // offers no highscore entry.
    out.insert(out.end(), {"tap Enter  # all levels done", "wait 300", "tap Up  # Beenden",
                           "wait 100", "tap Enter", "wait 300"});
    std::string text;
    for (const std::string& line : out) text += line + "\n";
    return text;
}
