// The scripted headless mode: reads a script of timed key presses, frame waits, captures and
// an end, and plays it against the virtual clock. The runner is the clock's observer, so it
// runs on every clock reading: it must stay cheap while nothing is due and must not re-enter.
#include "app/script.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/frame.h"
#include "app/recording.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "graphics/display.h"
#include "graphics/png_writer.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/keyboard.h"
#include "platform/system.h"

namespace {

constexpr int capture_width = 640;
constexpr int capture_height = 480;
constexpr double never = std::numeric_limits<double>::infinity();

// A script is a hand-written or recorded list of key changes; anything near these sizes is a
// wrong file (a device, a picture), refused before it can take the machine's memory.
constexpr std::size_t max_script_bytes = std::size_t{64} << 20;
constexpr std::size_t max_line_bytes = 4096;

enum class Command { wait, frames, idles, clock, down, up, tap, capture, focus_lost, end };

struct ScriptLine {
    Command command;
    double ms = 0;        // wait
    long frames = 0;      // frames, idles
    std::int64_t us = 0;  // clock
    int key = 0;          // down, up, tap
    std::string file;     // capture, as an absolute path
};

// The lines of a script kept in a few bytes each, so that the largest script costs little more
// memory than its text: a 32-bit word a line (the command in the top four bits, below them a
// key code or the index of the line's number), an 8-byte number for the lines that have one,
// and the file names of captures as written, side by side in one block.
class ScriptLines {
public:
    void reserve(std::size_t lines) { words_.reserve(lines); }
    std::size_t size() const { return words_.size(); }
    // Relative capture names are taken relative to this directory: the starting directory.
    void set_start_directory(const std::string& dir) { start_directory_ = dir; }

    void push(const ScriptLine& line)
    {
        std::uint64_t number = 0;
        switch (line.command) {
            case Command::down:
            case Command::up:
            case Command::tap:
                words_.push_back(word(line.command, static_cast<std::uint32_t>(line.key)));
                return;
            case Command::focus_lost:
            case Command::end:
                words_.push_back(word(line.command, 0));
                return;
            case Command::wait:
                // The double's bits as they are (memcpy: not every library has bit_cast).
                std::memcpy(&number, &line.ms, sizeof number);
                break;
            case Command::frames:
            case Command::idles:
                number = static_cast<std::uint64_t>(line.frames);
                break;
            case Command::clock:
                number = static_cast<std::uint64_t>(line.us);
                break;
            case Command::capture:
                number = (static_cast<std::uint64_t>(names_.size()) << 16) | line.file.size();
                names_ += line.file;
                break;
        }
        words_.push_back(word(line.command, static_cast<std::uint32_t>(numbers_.size())));
        numbers_.push_back(number);
    }

    ScriptLine operator[](std::size_t i) const
    {
        ScriptLine line{};
        line.command = static_cast<Command>(words_[i] >> argument_bits);
        const std::uint32_t argument = words_[i] & ((1u << argument_bits) - 1);
        switch (line.command) {
            case Command::down:
            case Command::up:
            case Command::tap:
                line.key = static_cast<int>(argument);
                break;
            case Command::focus_lost:
            case Command::end:
                break;
            case Command::wait:
                std::memcpy(&line.ms, &numbers_[argument], sizeof line.ms);
                break;
            case Command::frames:
            case Command::idles:
                line.frames = static_cast<long>(numbers_[argument]);
                break;
            case Command::clock:
                line.us = static_cast<std::int64_t>(numbers_[argument]);
                break;
            case Command::capture: {
                const std::uint64_t place = numbers_[argument];
                line.file = names_.substr(place >> 16, place & 0xFFFF);
                if (line.file.front() != '/') line.file = start_directory_ + line.file;
                break;
            }
        }
        return line;
    }

private:
    // 2^28 lines with numbers is more than a script within the size limit can hold.
    static constexpr int argument_bits = 28;
    static std::uint32_t word(Command command, std::uint32_t argument)
    {
        return (static_cast<std::uint32_t>(command) << argument_bits) | argument;
    }

    std::vector<std::uint32_t> words_;
    std::vector<std::uint64_t> numbers_;
    std::string names_;
    std::string start_directory_;  // ends in "/"
};

struct PendingRelease {
    int key;
    double at_ms;
};

struct Runner {
    ScriptLines lines;
    std::size_t next = 0;                    // the next line to run
    double due_ms = 0;                       // the next line runs no earlier than this (wait)
    long frames_left = 0;                    // ... and not before this many more frames (frames)
    long idles_left = 0;                     // ... nor this many more frameless polls (idles)
    std::vector<PendingRelease> releases;    // the "up" halves of taps
    double next_event_ms = never;            // earliest time anything can happen; the cheap test
    platform::KeySnapshot keys{};            // the scripted keyboard
    std::vector<std::uint8_t> frame_pixels;  // the last kept frame, top row first
    bool active = false;
    bool busy = false;  // guards against re-entrance through the clock
    ScriptNotes notes;  // what a recording's comments say
    std::string path;
    double outlasted_ms = never;  // a replay still running then has gone another way
};

// A replay that goes another way than its recording may wait for ever for frames or polls that
// never come; it ends this long after the recorded game ended.
constexpr double replay_overrun_ms = 1000;

Runner runner;

struct KeyName {
    const char* name;
    int code;
};

// Letters carry the labels of a US keyboard: code 21 is Y and 44 is Z (a German keyboard
// labels them the other way round). Digits are the keys of the main row.
constexpr KeyName key_names[] = {
    {"Escape", 1},      {"Enter", 28},    {"Space", 57},     {"Tab", 15},     {"Backspace", 14},
    {"Up", 200},        {"Down", 208},    {"Left", 203},     {"Right", 205},  {"LeftShift", 42},
    {"RightShift", 54}, {"LeftCtrl", 29}, {"LeftAlt", 56},   {"F1", 59},      {"F2", 60},
    {"F3", 61},         {"F4", 62},       {"F5", 63},        {"F6", 64},      {"F7", 65},
    {"F8", 66},         {"F9", 67},       {"F10", 68},       {"Q", 16},       {"W", 17},
    {"E", 18},          {"R", 19},        {"T", 20},         {"Y", 21},       {"U", 22},
    {"I", 23},          {"O", 24},        {"P", 25},         {"A", 30},       {"S", 31},
    {"D", 32},          {"F", 33},        {"G", 34},         {"H", 35},       {"J", 36},
    {"K", 37},          {"L", 38},        {"Z", 44},         {"X", 45},       {"C", 46},
    {"V", 47},          {"B", 48},        {"N", 49},         {"M", 50},       {"1", 2},
    {"2", 3},           {"3", 4},         {"4", 5},          {"5", 6},        {"6", 7},
    {"7", 8},           {"8", 9},         {"9", 10},         {"0", 11},       {"Home", 199},
    {"PageUp", 201},    {"End", 207},     {"PageDown", 209}, {"Insert", 210}, {"Delete", 211},
};

bool same_ignoring_case(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

bool all_digits(const std::string& text)
{
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// A non-negative decimal number written out in full ("16.5", not "1e3" or "inf").
bool parse_ms(const std::string& text, double& out)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    if (text.find('.') != text.rfind('.') || text == ".") return false;
    out = std::strtod(text.c_str(), nullptr);
    return std::isfinite(out);
}

bool parse_count(const std::string& text, long& out)
{
    if (!all_digits(text) || text.size() > 9) return false;
    out = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The next word of rest, taken off it: words are parted by white space, as a stream reads them.
std::string_view next_word(std::string_view& rest)
{
    constexpr std::string_view space = " \t\n\v\f\r";
    const std::size_t start = std::min(rest.find_first_not_of(space), rest.size());
    const std::size_t end = std::min(rest.find_first_of(space, start), rest.size());
    const std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
}

// Parses one line without its comment; false with the reason in problem.
bool parse_line(const std::string& text, ScriptLine& line, std::string& problem)
{
    std::string_view rest(text);
    const std::string command(next_word(rest)), argument(next_word(rest));
    const std::string extra(next_word(rest));
    const bool has_extra = !extra.empty();

    for (const auto& [name, bare] :
         {std::pair{"end", Command::end}, std::pair{"focus_lost", Command::focus_lost}}) {
        if (!same_ignoring_case(command, name)) continue;
        line.command = bare;
        if (!argument.empty()) {
            problem = std::string("\"") + name + "\" takes nothing after it";
            return false;
        }
        return true;
    }
    if (same_ignoring_case(command, "capture")) {
        // The file name is the rest of the line, spaces included.
        const std::string file = trimmed(text.substr(text.find_first_of(" \t") + 1));
        if (argument.empty() || file.empty()) {
            problem = "\"capture\" needs a file name";
            return false;
        }
        line.command = Command::capture;
        line.file = file;  // made absolute when it runs (ScriptLines)
        return true;
    }

    const bool is_wait = same_ignoring_case(command, "wait");
    const bool is_clock = same_ignoring_case(command, "clock");
    const bool is_frames = same_ignoring_case(command, "frames");
    const bool is_idles = same_ignoring_case(command, "idles");
    const bool is_down = same_ignoring_case(command, "down");
    const bool is_up = same_ignoring_case(command, "up");
    const bool is_tap = same_ignoring_case(command, "tap");
    if (!(is_wait || is_clock || is_frames || is_idles || is_down || is_up || is_tap)) {
        problem = "unknown command \"" + command + "\"";
        return false;
    }
    if (argument.empty()) {
        problem = "\"" + command + "\" needs " +
                  (is_wait || is_clock ? "milliseconds"
                   : is_frames         ? "a frame count"
                   : is_idles          ? "a count of polls"
                                       : "a key");
        return false;
    }
    if (has_extra) {
        problem = "unexpected \"" + extra + "\" after \"" + command + " " + argument + "\"";
        return false;
    }
    if (is_wait) {
        line.command = Command::wait;
        if (!parse_ms(argument, line.ms)) {
            problem = "\"" + argument + "\" is not a number of milliseconds";
            return false;
        }
        return true;
    }
    if (is_clock) {
        line.command = Command::clock;
        double ms = 0;
        // Program time is whole microseconds; a time beyond about 146 000 years is refused.
        if (!parse_ms(argument, ms) || ms >= 4.6e15) {
            problem = "\"" + argument + "\" is not a number of milliseconds";
            return false;
        }
        line.us = std::llround(ms * 1000);
        return true;
    }
    if (is_frames || is_idles) {
        line.command = is_frames ? Command::frames : Command::idles;
        if (!parse_count(argument, line.frames)) {
            problem =
                "\"" + argument + "\" is not a " + (is_frames ? "frame count" : "count of polls");
            return false;
        }
        return true;
    }
    line.command = is_down ? Command::down : is_up ? Command::up : Command::tap;
    line.key = script_key_code(argument);
    if (line.key < 0) {
        problem = "unknown key \"" + argument + "\"";
        return false;
    }
    return true;
}

void set_key(int key, bool down)
{
    if (down) {
        runner.keys[key] |= 0x80;
    } else {
        runner.keys[key] &= 0x7f;
    }
}

// A later down or up of the same key overrides the release a tap left pending.
void cancel_release(int key)
{
    std::erase_if(runner.releases, [key](const PendingRelease& r) { return r.key == key; });
}

void capture(const std::string& file)
{
    // A frame that was never kept (nothing presented since the script was loaded) is black.
    if (runner.frame_pixels.size() !=
        static_cast<std::size_t>(capture_width * capture_height * 3)) {
        runner.frame_pixels.assign(capture_width * capture_height * 3, 0);
    }
    // The picture is written in a private stage and renamed over the name, so that a planted
    // link there is replaced, not followed onto another file (platform/fs.h).
    std::string staged, failure;
    bool written = platform::make_output_stage(file, staged, &failure);
    if (written) {
        // A picture that could not be written leaves nothing in the stage: nothing is put in
        // place, and the stage goes.
        written = png_write_rgb(staged, capture_width, capture_height, runner.frame_pixels.data());
        if (!written) failure = "write error";
        written = platform::commit_output_stage(staged, file, &failure) && written;
    }
    if (!written) {
        std::fprintf(stderr, "capture %s: the file cannot be written: %s\n",
                     rt_printable(file).c_str(), failure.c_str());
    }
}

void run_line(const ScriptLine& line, double now)
{
    switch (line.command) {
        case Command::wait:
            runner.due_ms = now + line.ms;
            break;
        case Command::frames:
            runner.frames_left = line.frames;
            break;
        case Command::idles:
            runner.idles_left = line.frames;
            break;
        case Command::clock:
            platform::clock_jump_to_us(line.us);
            record_clock_moved();
            break;
        case Command::focus_lost:
            rt_focus_lost();
            break;
        case Command::down:
        case Command::up:
            cancel_release(line.key);
            set_key(line.key, line.command == Command::down);
            break;
        case Command::tap:
            cancel_release(line.key);
            set_key(line.key, true);
            runner.releases.push_back({line.key, now + rt_display->frame_time});
            break;
        case Command::capture:
            capture(line.file);
            break;
        case Command::end:
            rt_end();
    }
}

void update_next_event()
{
    double next = runner.frames_left > 0 || runner.idles_left > 0 ? never : runner.due_ms;
    next = std::min(next, runner.outlasted_ms);
    for (const PendingRelease& r : runner.releases) next = std::min(next, r.at_ms);
    runner.next_event_ms = next;
}

bool waiting_for_counts()
{
    return runner.frames_left > 0 || runner.idles_left > 0;
}

// Runs every line whose time has come, then ends the program once the last line has run and
// its time (a wait, a frame or poll count, a tap's release) has passed.
void run_due_lines(double now)
{
    runner.busy = true;
    if (now >= runner.outlasted_ms) {
        std::fprintf(stderr, "%s: the replay outlasted the recorded game: it went another way\n",
                     rt_printable(runner.path).c_str());
        rt_end();
    }

    for (std::size_t i = 0; i < runner.releases.size();) {
        if (runner.releases[i].at_ms <= now) {
            set_key(runner.releases[i].key, false);
            runner.releases.erase(runner.releases.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    while (runner.next < runner.lines.size() && !waiting_for_counts() && now >= runner.due_ms) {
        run_line(runner.lines[runner.next++], now);
        now = std::max(now, platform::clock_virtual_ms());  // a "clock" line moved time on
    }
    if (runner.next == runner.lines.size() && !waiting_for_counts() && now >= runner.due_ms &&
        runner.releases.empty()) {
        rt_end();
    }

    update_next_event();
    runner.busy = false;
}

// The clock observer: cheap while nothing is due.
void tick(double now)
{
    if (now < runner.next_event_ms || runner.busy) return;
    run_due_lines(now);
}

// A whole-line comment a recording writes: "# program NAME VERSION", "# state FILE CRC",
// "# event TEXT" or "# length MS"; false for any other comment.
bool take_note(const std::string& text, int number)
{
    for (const auto& [prefix, list] :
         {std::pair{"# program ", &runner.notes.program},
          std::pair{"# state ", &runner.notes.state}, std::pair{"# event ", &runner.notes.events},
          std::pair{"# length ", &runner.notes.length}}) {
        const std::string_view p(prefix);
        if (text.size() > p.size() && text.compare(0, p.size(), p) == 0) {
            list->add(number, trimmed(text.substr(p.size())));
            return true;
        }
    }
    return false;
}

}  // namespace

std::string script_key_name(int code)
{
    for (const KeyName& k : key_names) {
        if (k.code == code) return k.name;
    }
    char number[8];
    std::snprintf(number, sizeof number, "%02d", code);  // two digits at least: "7" is a digit key
    return number;
}

int script_key_code(const std::string& name)
{
    // One digit is the digit key; two or more digits are a scan code ("01" is Escape).
    if (name.size() >= 2 && all_digits(name)) {
        if (name.size() > 3) return -1;
        const int code = std::atoi(name.c_str());
        return code <= 255 ? code : -1;
    }
    for (const KeyName& k : key_names) {
        if (same_ignoring_case(name, k.name)) return k.code;
    }
    return -1;
}

bool script_load(const std::string& path, std::string& message)
{
    runner = Runner{};
    runner.path = path;
    std::string text;
    switch (platform::read_whole_file(path, max_script_bytes, text, false)) {
        case platform::ReadResult::whole:
            break;
        case platform::ReadResult::cut:
            message = path + ": the script is larger than 64 MiB";
            return false;
        case platform::ReadResult::missing:
        case platform::ReadResult::failed:
            message = path + ": the script cannot be read";
            return false;
    }
    // Editors that save UTF-8 may put a byte-order mark in front of the first command.
    std::string_view rest(text);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    runner.lines.reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\n')) + 1);
    // absolute_path("-") is the starting directory, a "/" and the "-".
    const std::string start_directory = platform::absolute_path("-");
    runner.lines.set_start_directory(start_directory.substr(0, start_directory.size() - 1));
    for (int number = 1; !rest.empty(); ++number) {
        // A long script takes a moment to read; a signal to end is not kept waiting for it.
        if (number % 65536 == 0 && platform::termination_requested()) {
            message = path + ": reading the script was interrupted";
            runner = Runner{};
            return false;
        }
        const std::size_t lf = rest.find('\n');
        std::string line_text(rest.substr(0, lf));
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        if (line_text.size() > max_line_bytes) {
            message = path + ":" + std::to_string(number) + ": the line is longer than " +
                      std::to_string(max_line_bytes) + " bytes";
            runner = Runner{};
            return false;
        }
        if (take_note(trimmed(line_text), number)) continue;
        const std::size_t comment = line_text.find('#');
        if (comment != std::string::npos) line_text.erase(comment);
        line_text = trimmed(line_text);
        if (line_text.empty()) continue;
        ScriptLine line{};
        std::string problem;
        if (!parse_line(line_text, line, problem)) {
            message = path + ":" + std::to_string(number) + ": " + problem;
            runner = Runner{};
            return false;
        }
        runner.lines.push(line);
    }
    return true;
}

void script_start()
{
    runner.active = true;
    rt_start_virtual_clock();
    platform::keyboard_override(&runner.keys);
    runner.next_event_ms = 0;
    double length = 0;
    if (!runner.notes.length.empty() && parse_ms(runner.notes.length.back().text, length))
        runner.outlasted_ms = length + replay_overrun_ms;
    platform::clock_set_observer(tick);
    tick(platform::clock_virtual_ms());
}

bool script_active()
{
    return runner.active;
}

void script_frame_presented()
{
    if (runner.frames_left > 0 && --runner.frames_left == 0) update_next_event();
}

void script_idle()
{
    if (!runner.active || runner.frames_left > 0 || runner.idles_left == 0) return;
    // The lines after the count run here, before the screen's next poll, not at the next clock
    // reading, which the poll's first snapshot would already have taken.
    if (--runner.idles_left == 0 && !runner.busy) run_due_lines(platform::clock_virtual_ms());
}

const ScriptNotes& script_notes()
{
    return runner.notes;
}

void ScriptNoteList::add(int line, std::string_view text)
{
    places_.push_back({static_cast<std::uint32_t>(line), static_cast<std::uint32_t>(texts_.size()),
                       static_cast<std::uint32_t>(text.size())});
    texts_ += text;
}

ScriptNote ScriptNoteList::operator[](std::size_t i) const
{
    const Place& place = places_[i];
    return {static_cast<int>(place.line), texts_.substr(place.offset, place.length)};
}

bool script_wants_frame_pixels()
{
    // Also asked during start-up, before the script runs: a capture among the first lines then
    // shows the start-up's "Loading..." frame. Without a script there are no lines to find.
    // This frame is the last one before the lines after a frame count run only when it
    // completes the count.
    if (runner.frames_left > 1) return false;
    for (std::size_t i = runner.next; i < runner.lines.size(); ++i) {
        switch (runner.lines[i].command) {
            case Command::capture:
                return true;
            case Command::frames:
                if (runner.lines[i].frames > 0) return false;  // another frame comes first
                break;
            case Command::end:
                return false;
            case Command::wait:   // may pass without another frame (a busy wait)
            case Command::idles:  // polls of a screen without frames; a frame may come between
            case Command::clock:
            case Command::focus_lost:
            case Command::down:
            case Command::up:
            case Command::tap:
                break;
        }
    }
    return false;
}

void script_keep_frame_pixels()
{
    screen_read_pixels(runner.frame_pixels);
}
