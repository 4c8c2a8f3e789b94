// Recorded games: the recorder, which writes what the program saw as script lines at points a
// replay can find again, and the checks a replay makes against a recording's comments.
//
// While recording, the keyboard is latched: the program sees a change only where the recorder
// looks, right after a frame's wait (a replay's "frames" lines run at that frame's present, and
// nothing reads the keys in between) and before the polls of a frameless screen. The program
// runs on the virtual clock, whose time depends only on what the program does, so the replay,
// fed the same keys at the same points, reads the same times. A live game's virtual clock is
// kept to real time by the waits (frame.h); where the machine held it up for longer than a
// frame, program time moves on to real time, and the recording says so ("clock").
#include "app/recording.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/frame.h"
#include "app/script.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "files/file_names.h"
#include "graphics/display.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/keyboard.h"
#include "platform/system.h"

namespace {

// A file that size is no game file; its checksum covers the first part only.
constexpr std::size_t checked_bytes = std::size_t{64} << 20;

struct Recorder {
    std::FILE* file = nullptr;
    std::string path;
    bool active = false;
    bool live = false;             // keys from the keyboard and controllers, not a script
    long frames = 0, idles = 0;    // presented and polled since the last point written
    std::int64_t point_us = 0;     // program time at which a replay runs this point's lines
    bool focus_lost_held = false;  // the window lost the focus; the program hears it next point
    platform::KeySnapshot seen{};  // the keys the program sees now
    bool write_failed = false;
};

Recorder recorder;

struct Checker {
    std::string script;
    bool events = false;  // the script has events to check
    std::size_t next = 0;
    bool differed = false;  // said once; after a difference everything differs
};

Checker checker;

// The runtime's own lines (frames, sounds, the end) depend on the machine and the sound device;
// what the game reports (its level ends, the files it saves) is the course of the game.
bool is_game_event(const std::string& line)
{
    for (const std::string_view own : {"frame ", "sound_", "end "}) {
        if (line.compare(0, own.size(), own) == 0) return false;
    }
    return true;
}

std::uint32_t crc32_of(const std::string& bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t crc = n;
            for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
            t[n] = crc;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes)
        crc = (crc >> 8) ^ table[(crc ^ static_cast<unsigned char>(c)) & 0xFFu];
    return ~crc;
}

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The program's own state file that name stands for (its plain name, in any letter case, as
// the game finds its files), or nullptr: a recording is a file anybody may hand over, and its
// header must not make the game read, or tell the checksum of, any other file.
const char* own_state_file(const std::string& name, const char* const* state_files)
{
    for (const char* const* file = state_files; file != nullptr && *file != nullptr; ++file) {
        const std::string_view own(*file);
        if (own.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < own.size() && same; ++i)
            same = ascii_lower(own[i]) == ascii_lower(name[i]);
        if (same) return *file;
    }
    return nullptr;
}

std::string state_file_list(const char* const* state_files)
{
    std::string list;
    for (const char* const* file = state_files; file != nullptr && *file != nullptr; ++file)
        list += (list.empty() ? "" : ", ") + std::string(*file);
    return list.empty() ? "none" : list;
}

// "missing", or the CRC-32 of the file as eight hex digits.
std::string state_of(const char* file)
{
    std::string bytes;
    // A player file may live in the player's own folder rather than the data directory.
    const std::string path = file_disk_path(file);
    const platform::ReadResult read = platform::read_whole_file(path, checked_bytes, bytes, true);
    if (read == platform::ReadResult::missing || read == platform::ReadResult::failed)
        return "missing";
    char text[16];
    std::snprintf(text, sizeof text, "%08" PRIx32, crc32_of(bytes));
    return text;
}

// Program time as the scripted mode reads it: milliseconds with the microseconds after the point.
std::string ms_text(std::int64_t us)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64 ".%03" PRId64, us / 1000, us % 1000);
    return text;
}

void write_line(const std::string& line)
{
    if (recorder.file == nullptr) return;
    errno = 0;
    const bool written =
        std::fputs(line.c_str(), recorder.file) >= 0 && std::fputc('\n', recorder.file) != EOF;
    if (written || recorder.write_failed) return;
    recorder.write_failed = true;
    std::fprintf(stderr, "record %s: the file cannot be written: %s\n", recorder.path.c_str(),
                 errno != 0 ? std::strerror(errno) : "write error");
}

// The counts that lead a replay from the last point written to this one.
void write_position()
{
    if (recorder.frames > 0) write_line("frames " + std::to_string(recorder.frames));
    if (recorder.idles > 0) write_line("idles " + std::to_string(recorder.idles));
    recorder.frames = 0;
    recorder.idles = 0;
}

std::int64_t frame_period_us()
{
    return rt_display != nullptr ? std::llround(rt_display->frame_time * 1000) : 0;
}

// A live game held up for more than a frame gets program time moved on to real time here, at
// the point being written; the clock is set that much short of it, for readings still to come
// before a replay would run this point's lines.
void catch_up_with_real_time(std::int64_t readings_before_point)
{
    if (!recorder.live) return;
    const std::int64_t real_us = std::llround(rt_real_time_ms() * 1000);
    if (real_us - recorder.point_us <= frame_period_us()) return;
    platform::clock_jump_to_us(real_us - readings_before_point);
    recorder.point_us = real_us;
    write_position();
    write_line("clock " + ms_text(real_us));
}

bool changes_waiting()
{
    platform::keyboard_latch_refresh();
    return recorder.focus_lost_held || platform::keyboard_latched() != recorder.seen;
}

// The refreshed keys and a held focus loss reach the program, and the recording.
void write_changes()
{
    const platform::KeySnapshot& now = platform::keyboard_latched();
    for (int code = 0; code < 256; ++code) {
        const bool down = (now[code] & 0x80) != 0;
        if (down == ((recorder.seen[code] & 0x80) != 0)) continue;
        write_position();
        write_line((down ? "down " : "up ") + script_key_name(code));
    }
    recorder.seen = now;
    if (recorder.focus_lost_held) {
        recorder.focus_lost_held = false;
        write_position();
        write_line("focus_lost");
        rt_focus_lost_reaches_program();
    }
    std::fflush(recorder.file);
}

// The end: a replay ends a microsecond after the moment the recorded program ended, which a
// program ending by itself reaches first and ends at as it did (with its own end report).
void finish_recording()
{
    if (!recorder.active) return;
    recorder.active = false;
    write_position();
    const std::int64_t end_us = platform::clock_virtual_us() + 1;
    if (end_us > recorder.point_us) write_line("wait " + ms_text(end_us - recorder.point_us));
    write_line("end");
    write_line("# length " + ms_text(end_us));
    if (std::fclose(recorder.file) != 0 && !recorder.write_failed) {
        std::fprintf(stderr, "record %s: the file cannot be written: %s\n", recorder.path.c_str(),
                     std::strerror(errno));
    }
    recorder.file = nullptr;
}

// The recording's own text is quoted: its control bytes are shown, never sent to the terminal.
void say_difference(int line, const std::string& what)
{
    const std::string message = checker.script + ":" + std::to_string(line) + ": " + what;
    std::fprintf(stderr, "%s\n", rt_printable(message).c_str());
}

}  // namespace

bool record_open(const std::string& path, std::string* failure)
{
    recorder.path = path;
    // Not through a planted link onto another file (platform/fs.h).
    recorder.file = platform::create_output_stream(path, failure);
    return recorder.file != nullptr;
}

void record_start(const RecordStart& start)
{
    if (recorder.file == nullptr) return;
    recorder.live = start.source.empty();
    const std::string name = start.program + std::string(" ") + start.version;
    write_line("# A game of " + name + ", recorded from " +
               (recorder.live ? std::string("the keyboard and game controllers") : start.source) +
               ".");
    write_line("# Play it again with --replay FILE (in a window) or --script FILE (headless).");
    write_line("# Keys as the game saw them, at frames (\"frames N\") and at polls of screens");
    write_line("# without frames (\"idles N\"); a replay checks the program, the files and the");
    write_line("# events below.");
    write_line("# program " + name);
    for (const char* const* file = start.state_files; file != nullptr && *file != nullptr; ++file)
        write_line(std::string("# state ") + *file + " " + state_of(*file));

    platform::keyboard_latch(true);
    recorder.seen = platform::keyboard_latched();
    recorder.point_us = platform::clock_virtual_us();
    recorder.active = true;
    changes_waiting();
    write_changes();
    rt_on_shutdown(rt_shutdown_stage::recording, finish_recording);
}

bool record_active()
{
    return recorder.active;
}

void record_frame_presented()
{
    if (!recorder.active) return;
    ++recorder.frames;
    recorder.idles = 0;  // a replay counts the polls from the last frame on
    // The replay runs this point's lines at the present's next clock reading.
    recorder.point_us = platform::clock_virtual_us() + 1;
    catch_up_with_real_time(1);
}

void record_frame_waited()
{
    if (!recorder.active) return;
    if (changes_waiting()) write_changes();
}

void record_idle()
{
    if (!recorder.active) return;
    ++recorder.idles;
    recorder.point_us = platform::clock_virtual_us();
}

void record_idle_keys()
{
    if (!recorder.active || !changes_waiting()) return;
    // The time spent on a frameless screen counts where it is left.
    catch_up_with_real_time(0);
    write_changes();
}

void record_clock_moved()
{
    if (!recorder.active) return;
    recorder.point_us = platform::clock_virtual_us();
    write_position();
    write_line("clock " + ms_text(recorder.point_us));
}

void record_focus_lost()
{
    recorder.focus_lost_held = true;
}

void record_event(const std::string& line)
{
    if (recorder.active && is_game_event(line)) write_line("# event " + line);
}

void replay_check_start(const std::string& script, const RecordStart& now)
{
    checker.script = script;
    const ScriptNotes& notes = script_notes();
    const std::string program = now.program + std::string(" ") + now.version;
    for (std::size_t i = 0; i < notes.program.size(); ++i) {
        const ScriptNote note = notes.program[i];
        if (note.text != program)
            say_difference(note.line, "recorded with " + note.text + ", played by " + program +
                                          ": the replay may go differently");
    }
    // Each of the program's own files is read once, however often the recording names it;
    // other names are refused (said for the first, counted for the rest).
    std::vector<std::pair<const char*, std::string>> found_states;
    int refused = 0, first_refused_line = 0;
    std::string first_refused;
    for (std::size_t i = 0; i < notes.state.size(); ++i) {
        const ScriptNote note = notes.state[i];
        if (platform::termination_requested()) rt_error_stop();
        const std::size_t space = note.text.find(' ');
        const std::string file = note.text.substr(0, space);
        const std::string recorded = space == std::string::npos ? "" : note.text.substr(space + 1);
        const char* own = own_state_file(file, now.state_files);
        if (own == nullptr) {
            if (refused++ == 0) {
                first_refused = file;
                first_refused_line = note.line;
            }
            continue;
        }
        auto known = std::find_if(found_states.begin(), found_states.end(),
                                  [own](const auto& state) { return state.first == own; });
        if (known == found_states.end())
            known = found_states.insert(found_states.end(), {own, state_of(own)});
        if (known->second != recorded)
            say_difference(note.line, file + " is not the file the game was recorded with (" +
                                          recorded + ", now " + known->second +
                                          "): the replay may go differently");
    }
    if (refused > 0) {
        std::string what = "\"" + first_refused + "\" is not one of the game's files (" +
                           state_file_list(now.state_files) + "): not checked";
        if (refused > 1) what += " (nor " + std::to_string(refused - 1) + " more such lines)";
        say_difference(first_refused_line, what);
    }
    checker.events = !notes.events.empty();
}

void replay_check_event(const std::string& line)
{
    if (!checker.events || checker.differed || !is_game_event(line)) return;
    const ScriptNoteList& events = script_notes().events;
    if (checker.next == events.size()) {
        checker.differed = true;
        say_difference(events.back().line,
                       "the replay goes on after the recorded game's last event"
                       " with \"" +
                           line + "\"");
        return;
    }
    const ScriptNote expected = events[checker.next++];
    if (expected.text == line) return;
    checker.differed = true;
    say_difference(expected.line, "the recorded game had \"" + expected.text +
                                      "\" here, the replay \"" + line + "\": it went differently");
}

void replay_check_end()
{
    const ScriptNoteList& events = script_notes().events;
    if (!checker.events || checker.differed || checker.next == events.size()) return;
    checker.differed = true;
    say_difference(events[checker.next].line, "the replay ended before the recorded game's \"" +
                                                  events[checker.next].text + "\"");
}
