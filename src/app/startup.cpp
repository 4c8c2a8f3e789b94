// Program entry and start-up: fixes the runtime settings, reads the scripted-mode options,
// brings up display, input and the working directory, and hands over to the program's main
// routine. Also the main window's message handling and the small platform query.
#include "app/startup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

#include "app/command_line.h"
#include "app/frame.h"
#include "app/program_files.h"
#include "app/recording.h"
#include "app/script.h"
#include "core/error_log.h"
#include "core/error_stop.h"
#include "core/trace.h"
#include "graphics/display.h"
#include "graphics/fonts.h"
#include "graphics/image.h"
#include "input/input.h"
#include "platform/fs.h"
#include "platform/system.h"
#include "platform/video.h"
#include "sound/sound.h"

namespace {

constexpr std::uint32_t command_line_reserve = 512;

rt_settings_record& settings()
{
    static rt_settings_record record;
    return record;
}

bool running = false;           // start-up has begun; it runs once per process
bool focus_lost_noted = false;  // a loss of focus reached the program since it last asked

// Output the user asked for (help, version, "Init OK") that cannot be written is a failure, as
// for any other Unix tool: a full disk or a closed pipe must not pass for success.
void finish_standard_output(const char* program, const char* what)
{
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return;
    const int error = errno;
    std::fprintf(stderr, "%s: the %s cannot be written to standard output: %s\n", program, what,
                 error != 0 ? std::strerror(error) : "write error");
    rt_shutdown();
    std::exit(1);
}

[[noreturn]] void refuse(const std::string& message)
{
    std::fprintf(stderr, "%s\n", rt_printable(message).c_str());
    std::exit(2);
}

// One file, or two spellings of one file that does not exist yet ("./n.txt" and "n.txt").
bool same_path(const std::string& a, const std::string& b)
{
    return platform::same_file(a, b) ||
           platform::normalised_path(a) == platform::normalised_path(b);
}

// An output must not overwrite the script, nor another output.
void refuse_shared_files(const rt_command_line& options, const std::string& script)
{
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--trace", &options.trace}, {"--audio", &options.audio}, {"--record", &options.record}};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        const auto& [name, file] = outputs[i];
        if (file->empty()) continue;
        if (!script.empty() && same_path(*file, script)) {
            refuse(std::string(name) + " " + *file + ": that is the script itself");
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (!outputs[j].second->empty() && same_path(*file, *outputs[j].second)) {
                refuse(std::string(outputs[j].first) + " and " + name + " name the same file");
            }
        }
    }
}

// The files a run writes for its user, as absolute paths (start-up changes the directory).
struct OutputFiles {
    std::string trace, record, audio;
    std::string staged_audio;  // the name the sound output writes, in a stage beside audio
};

void refuse_unwritable_outputs(const rt_command_line& options)
{
    const std::pair<const std::string*, const char*> outputs[] = {
        {&options.trace, "cannot write the trace file"},
        {&options.record, "cannot write the recording"},
        {&options.audio, "cannot write the sound file"}};
    for (const auto& [file, what] : outputs) {
        if (file->empty()) continue;
        const std::string problem = platform::output_file_problem(*file);
        if (!problem.empty()) refuse(*file + ": " + what + ": " + problem);
    }
}

// The staged sound file is put in place at the end, after the sound device has written it;
// a run that ends before its outputs were opened leaves the old file as it was.
std::string& staged_audio_file()
{
    static std::string staged;
    return staged;
}

void remove_audio_stage()
{
    std::string& staged = staged_audio_file();
    if (staged.empty()) return;
    platform::remove_directory_tree(staged.substr(0, staged.rfind('/')));
    staged.clear();
}

void put_audio_file_in_place()
{
    std::string& staged = staged_audio_file();
    std::string failure;
    if (!platform::commit_output_stage(staged, rt_settings().audio_file, &failure)) {
        std::fprintf(stderr, "audio %s: the file cannot be written: %s\n",
                     rt_printable(rt_settings().audio_file).c_str(), failure.c_str());
    }
    staged.clear();
}

// The sound output writes its file by name, through any link there; it writes in a private
// stage instead, and the result replaces whatever the name was (platform/fs.h).
void stage_audio_file(OutputFiles& outputs)
{
    std::string failure;
    if (!platform::make_output_stage(outputs.audio, outputs.staged_audio, &failure)) {
        std::fprintf(
            stderr, "%s\n",
            rt_printable(outputs.audio + ": cannot write the sound file: " + failure).c_str());
        std::exit(2);
    }
    staged_audio_file() = outputs.staged_audio;
    static const bool registered = (std::atexit(remove_audio_stage), true);
    (void)registered;
}

// The program runs from here on: its outputs are created (a file that went wrong since it was
// looked at still refuses the run).
void open_outputs(const rt_command_line& options, const OutputFiles& outputs)
{
    std::string failure;
    const auto refuse_started = [&failure](const std::string& name, const char* what) {
        rt_shutdown();
        refuse(name + ": " + what + ": " + failure);
    };
    if (!outputs.trace.empty() && !rt_trace_open(outputs.trace, &failure))
        refuse_started(options.trace, "cannot write the trace file");
    if (!outputs.record.empty() && !record_open(outputs.record, &failure))
        refuse_started(options.record, "cannot write the recording");
    if (!outputs.staged_audio.empty())
        rt_on_shutdown(rt_shutdown_stage::window, put_audio_file_in_place);
}

// The game's events reach a recording and a replay's check.
void hear_trace_line(const std::string& line)
{
    record_event(line);
    replay_check_event(line);
}

// The recording and the replay's checks start with the main routine, on the virtual clock.
void start_recording_and_checks(const rt_command_line& options, const std::string& script,
                                const rt_program& program)
{
    RecordStart start{program.name, program.version, program.state_files, ""};
    if (!script.empty()) {
        replay_check_start(script, start);
        rt_on_shutdown(rt_shutdown_stage::recording, replay_check_end);
        start.source = "the script " + script;
    }
    if (!options.record.empty()) record_start(start);
    if (!options.record.empty() || !script_notes().events.empty()) {
        rt_trace_observe(hear_trace_line);
    }
}

// A player needs a window on a screen. Without one SDL falls back to a driver that shows
// nothing, and the program would run unseen for ever; such a driver is used only when
// SDL_VIDEODRIVER names it (a scripted run may always use one).
void require_a_display(const char* program)
{
    const char* problem = nullptr;
    if (!platform::video_init()) {
        problem = "no display could be created";
    } else if (platform::video_is_headless() && !platform::video_headless_requested()) {
        problem = "no display found";
        platform::video_quit();
    } else {
        return;
    }
    std::fprintf(stderr, "%s: %s (video drivers tried: %s; %s). %s\n", program, problem,
                 platform::video_drivers_tried().c_str(), platform::display_variables().c_str(),
                 platform::video_without_screen_advice());
    std::exit(1);
}

rt_string joined_command_line(int argc, char** argv)
{
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) text += ' ';
        text += argv[i];
    }
    rt_string line;
    str_reserve(line, command_line_reserve);
    line = text.c_str();  // keeps the reserved block when the text fits
    return line;
}

void release_display()
{
    delete rt_display;  // screen_release, then the GL context
    rt_display = nullptr;
}

// All relative file names of a program (images, sounds, INI files) are resolved against its
// data directory, wherever it was started from: the directory that holds the program, or an
// installed program's share/ folder.
void enter_data_directory()
{
    const std::string& data_dir = settings().data_directory;
    const std::string dir =
        data_dir.empty() ? rt_program_directory(platform::program_path()) : data_dir;
    if (!dir.empty()) platform::set_working_directory(dir);
}

// The picture the desktop shows for the window (task bar, window switcher); a missing or broken
// file leaves the desktop's default.
void set_window_icon(const std::string& file)
{
    Image icon;
    if (file.empty() || !png_read(file, colour_key_none, icon)) return;
    platform::window_set_icon(rt_display->window, icon.rgba.data(), icon.width, icon.height);
}

}  // namespace

const rt_settings_record& rt_settings()
{
    return settings();
}

std::string rt_program_directory(const std::string& program_path)
{
    const std::size_t cut = program_path.find_last_of("/\\");
    if (cut == std::string::npos) return "";
    // A program in the root directory: cutting at the only separator would leave nothing.
    if (cut == 0) return program_path.substr(0, 1);
    return program_path.substr(0, cut);
}

void rt_entry(int argc, char** argv, const rt_program& program)
{
    // Before anything is printed: a Windows program started from a console writes there.
    platform::attach_parent_console();
    // A file-size limit must fail a write, not kill the program in the middle of a save.
    platform::ignore_file_size_signal();
    // SIGTERM, SIGINT and SIGHUP end the program from any screen through the error stop.
    platform::catch_termination_signals();

    // Everything named on the command line is read now, and the outputs' names made absolute,
    // relative to the starting directory: start-up moves into the data directory.
    rt_command_line options;
    std::string problem;
    if (!rt_parse_command_line(argc, argv, program.max_arguments, options, problem)) {
        refuse(problem);
    }
    errno = 0;
    if (options.help) {
        std::fputs(rt_usage(program.name, program.summary).c_str(), stdout);
        finish_standard_output(program.name, "help");
        std::exit(0);
    }
    if (options.version) {
        std::printf("%s %s\n", program.name, program.version);
        finish_standard_output(program.name, "version");
        std::exit(0);
    }
    // A replay is a script played in a window, at real speed, with the sound device.
    const bool replaying = !options.replay.empty();
    const std::string& script = replaying ? options.replay : options.script;
    const bool scripted = !script.empty();
    refuse_shared_files(options, script);
    if (scripted && !script_load(script, problem)) refuse(problem);
    // The outputs are only looked at now; nothing is created or emptied before the program is
    // sure to run.
    OutputFiles outputs{platform::absolute_path(options.trace),
                        platform::absolute_path(options.record),
                        platform::absolute_path(options.audio), ""};
    refuse_unwritable_outputs(options);
    if (!scripted || replaying) require_a_display(program.name);
    screen_notices_as_text(scripted);  // nobody is there to click a box away

    rt_settings_record& s = settings();
    s.command_line = joined_command_line(argc, argv);
    s.audio_file = outputs.audio;
    s.window_scale = options.scale > 0 ? options.scale : 1;
    s.desktop_fullscreen = options.fullscreen;
    s.language = options.language;
    if (!options.edit.empty()) s.edit_file = platform::absolute_path(options.edit);
    s.level_set = options.levels.empty() ? "" : platform::absolute_path(options.levels);
    if (program.window_icon != nullptr) s.window_icon = program.window_icon;
    const std::string program_dir = rt_program_directory(platform::program_path());
    if (!program_dir.empty()) {
        s.data_directory = rt_data_directory(program_dir, program.name, program.data_file);
        rt_place_player_files(program_dir, s.data_directory, program.name, program.player_files);
        // Watching a recording, or testing a script, must not change the player's tables.
        if ((replaying || (scripted && !options.write_player_files)) &&
            !rt_play_on_copies_of_player_files(program_dir, s.data_directory, program.name,
                                               program.player_files, problem)) {
            std::fprintf(stderr, "%s: %s\n", program.name, problem.c_str());
            std::exit(1);
        }
    }
    // The player's own window settings, unless the command line names the window for this run.
    if (program.player_window != nullptr) {
        const rt_window_choice kept = program.player_window();
        if (options.scale == 0 && !options.fullscreen) {
            s.window_scale = kept.scale;
            s.desktop_fullscreen = kept.fullscreen;
        }
    }
    // A scripted run opens no sound device: its mix follows the virtual clock.
    if (scripted && !replaying) {
        if (!s.audio_file.empty()) stage_audio_file(outputs);
        sound_use_virtual_clock(outputs.staged_audio.empty() ? nullptr
                                                             : outputs.staged_audio.c_str());
    }

    rt_startup(s.title);
    if (rt_display == nullptr || rt_display->window == 0) {
        // Start-up stopped at the display; there is nothing to run a program in.
        std::fprintf(stderr, "%s: no display could be created (video drivers tried: %s)\n",
                     program.name, platform::video_drivers_tried().c_str());
        rt_shutdown();
        std::exit(1);
    }
    open_outputs(options, outputs);

    rt_reset_position();
    // Virtual time starts here, so that the main routine's first frame is frame 1 and the
    // start-up's own frames (shown in real time) play no part in a scripted run.
    if (scripted) script_start();
    // A live recording runs the program on the virtual clock as well, so that its replay reads
    // the same times; both that and a replay keep the clock to real time.
    if (!scripted && !options.record.empty()) rt_start_virtual_clock();
    if (replaying || (!scripted && !options.record.empty())) rt_pace_to_real_time(replaying);
    start_recording_and_checks(options, script, program);
    program.main_routine();
    rt_error_stop();  // the normal end: error code 0 unless the routine set one
}

int rt_startup(const rt_string& title)
{
    if (running) return 0;
    running = true;
    const rt_settings_record& s = settings();

    rt_display = new OpenGLRainbows;
    // The window opens at its scale (a size the desktop can show), centred.
    if (platform::video_init()) {
        rt_display->window_scale =
            platform::window_fitting_scale(s.screen_width, s.screen_height, s.window_scale);
    }
    if (!screen_create(s.screen_width, s.screen_height, 0, s.frame_limit, s.multisample)) return 0;

    platform::window_set_title(rt_display->window, title.c_str());

    rt_error_log_delete();  // each run starts a fresh end report

    input_create();
    // The 256 sound slots are a static table of the sound module; they need no creation.

    if (s.fullscreen) {
        screen_set_fullscreen();
    } else {
        screen_set_windowed();
        if (s.desktop_fullscreen) platform::window_set_desktop_fullscreen(rt_display->window, true);
    }
    input_init(rt_display->window, s.input_mouse);
    sound_device_init();
    rt_on_shutdown(rt_shutdown_stage::display, release_display);
    rt_on_shutdown(rt_shutdown_stage::input, input_release);
    rt_on_shutdown(rt_shutdown_stage::sound, sound_device_release);
    // Nothing else is registered: the window goes with the display, and there is no timer
    // resolution to give back (see below).

    enter_data_directory();
    set_window_icon(s.window_icon);

    screen_clear();
    rt_reset_frame_timers();
    rt_present();
    screen_set_viewport(0, 0, 0, 0);

    // Font 0 always exists: the built-in font goes in first, then "smalfont.bmp" over it when
    // that file is there. The last start-up frame says "Loading..." in the middle.
    double screen_width = 0, screen_height = 0;
    screen_get_size(screen_width, screen_height);
    text_load_font("", 0);
    text_load_font("smalfont.bmp", 0);
    double char_width = 0, char_height = 0;
    text_get_font_size(char_width, char_height);
    text_print("Loading...", (screen_width - 10 * char_width) / 2,
               (screen_height - char_height) / 2);
    rt_show_frame();

    // No timer resolution to request: the clock is exact to the microsecond on this platform.
    // No cursor to set: the system's default cursor over the window is the arrow.

    rt_reset_frame_timers();
    errno = 0;
    std::puts("Init OK");
    finish_standard_output(s.title.c_str(), "line \"Init OK\"");
    return 0;
}

void rt_set_window(const rt_window_choice& window)
{
    if (rt_display == nullptr || rt_display->window == 0 || rt_display->fullscreen) return;
    const platform::Window w = rt_display->window;
    const rt_settings_record& s = settings();
    if (platform::window_in_desktop_fullscreen(w) != window.fullscreen)
        platform::window_set_desktop_fullscreen(w, window.fullscreen);
    rt_display->window_scale =
        platform::window_fitting_scale(s.screen_width, s.screen_height, window.scale);
    if (!window.fullscreen) {
        platform::window_set_size(w, s.screen_width * rt_display->window_scale,
                                  s.screen_height * rt_display->window_scale);
    }
}

long rt_wnd_proc(platform::Window /*window*/, platform::Message message, long a, long /*b*/)
{
    switch (message) {
        case platform::Message::created:
        case platform::Message::moved:
        case platform::Message::resized:
            // Every frame is drawn anew and swapped whole; there is no window area to invalidate.
            return 0;
        case platform::Message::activated:
            // Only noted: the program decides what a loss means (the game pauses play). The
            // title stays. A scripted run takes its focus losses from its script alone.
            if (a == 0 && !script_active()) rt_focus_lost();
            return 0;
        case platform::Message::screensaver:
            return 0;  // swallowed: no screen saver while the program runs
        case platform::Message::close:
            // Straight to the stop: the report shows the error state as it stands, which for a
            // running game is a normal end with no error line (-1 in the report).
            rt_error_stop();
        case platform::Message::other:
            break;
    }
    return 0;
}

void rt_focus_lost()
{
    if (record_active()) {
        record_focus_lost();
    } else {
        focus_lost_noted = true;
    }
}

void rt_focus_lost_reaches_program()
{
    focus_lost_noted = true;
}

bool rt_focus_lost_since_asked()
{
    const bool lost = focus_lost_noted;
    focus_lost_noted = false;
    return lost;
}

rt_string rt_platform_info(const rt_string& key)
{
    const rt_string k = str_upper(key);
    // The game picks its desktop key set when it hears "WIN32", so that is the answer here too.
    if (k.empty()) return "WIN32";
    if (k == "DEVICE") return "DESKTOP";
    if (k == "ID") return "LINUX";
    if (k == "TIME") {
        const platform::LocalTime t = platform::local_time();
        char text[64];
        std::snprintf(text, sizeof text, "%d-%d-%d %d:%d:%d", t.year, t.month, t.day, t.hour,
                      t.minute, t.second);
        return text;
    }
    return "NO_DATA";
}

void rt_debug_out(const rt_string& text)
{
    platform::debug_output(("TX" + text).c_str());
}
