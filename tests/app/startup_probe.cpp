// A program built on the runtime, for the start-up tests: argv[1] names the main routine to
// run, and the whole command line goes to rt_entry as any program's would. Draws with plain
// GL clears only, so that captures show which frame they hold.
#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame.h"
#include "app/startup.h"
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "files/ini_document.h"
#include "input/input.h"
#include "sound/sound.h"

namespace {

std::string argument;  // argv[2], when a routine needs one

void returns_at_once() {}

void index_out_of_range()
{
    rt_num_array a;
    rt_num_array_dim(a, 3);
    rt_set_position(0, 20);
    rt_num_array_at(a, 7) = 1;
}

void prints_working_directory()
{
    char* cwd = getcwd(nullptr, 0);
    std::printf("cwd=%s\n", cwd != nullptr ? cwd : "?");
    std::free(cwd);
}

// Each frame is cleared to red = 40 x its number (mod 256), and green while Space is down.
[[noreturn]] void shows_numbered_frames()
{
    for (int frame = 1;; ++frame) {
        rt_set_position(0, 30);
        const bool space = key_state(57) != 0;
        glClearColor(static_cast<float>(frame * 40 % 256) / 255.0f, space ? 1.0f : 0.0f, 0.0f,
                     1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        rt_show_frame();
    }
}

[[noreturn]] void shows_frames_without_escape()
{
    rt_allow_escape(0);
    shows_numbered_frames();
}

// Real-time pacing: 31 frames at the start-up limit of 60.
void paces_frames()
{
    rt_present();
    const double start = timer_ms();
    double least = 1e9;
    for (int i = 0; i < 30; ++i) {
        const double waited = rt_present();
        if (waited < least) least = waited;
    }
    std::printf("elapsed=%.3f least=%.3f\n", timer_ms() - start, least);
}

void changes_an_ini_file()
{
    ini_open(argument.c_str());
    ini_put("probe", "key", "value");
}

// A change too large for a small file-size limit: 64 KiB.
void changes_an_ini_file_a_lot()
{
    ini_open(argument.c_str());
    ini_put("probe", "key", std::string(65536, 'v').c_str());
}

void prints_settings()
{
    std::printf("command_line=%s\ncapacity=%u\naudio=%s\n", rt_settings().command_line.c_str(),
                rt_settings().command_line.capacity, rt_settings().audio_file.c_str());
}

// Loads ARGUMENT/sound0.wav .. sound3.wav into slots 0..3 (one buffer each) and prints the
// results; then, while frames run, a newly pressed 1..4 plays that slot centred at full volume,
// S stops every sound and P prints whether slot 0's buffer plays.
[[noreturn]] void plays_sounds_on_keys()
{
    std::printf("loaded");
    for (int slot = 0; slot < 4; ++slot) {
        const std::string file = argument + "/sound" + std::to_string(slot) + ".wav";
        std::printf(" %g", sound_load(file.c_str(), slot, 1));
    }
    std::printf("\n");
    std::fflush(stdout);
    bool was_down[256] = {};
    for (;;) {
        rt_set_position(0, 40);
        for (int code : {2, 3, 4, 5, 25, 31}) {
            const bool down = key_state(code) != 0;
            if (down && !was_down[code]) {
                if (code == 31) {
                    sound_stop_all();
                } else if (code == 25) {
                    std::printf("playing %g\n", sound_is_playing(0));
                    std::fflush(stdout);
                } else {
                    sound_play(code - 2, 0, 1);
                }
            }
            was_down[code] = down;
        }
        glClear(GL_COLOR_BUFFER_BIT);
        rt_show_frame();
    }
}

struct Routine {
    const char* name;
    void (*run)();
};

constexpr Routine routines[] = {
    {"return", returns_at_once},
    {"array_error", index_out_of_range},
    {"cwd", prints_working_directory},
    {"frames", shows_numbered_frames},
    {"frames_no_escape", shows_frames_without_escape},
    {"pace", paces_frames},
    {"ini", changes_an_ini_file},
    {"big_ini", changes_an_ini_file_a_lot},
    {"settings", prints_settings},
    {"sounds", plays_sounds_on_keys},
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_probe ROUTINE [ARGUMENT] [--script FILE ...]\n");
        return 1;
    }
    if (argc >= 3 && std::strncmp(argv[2], "--", 2) != 0) argument = argv[2];
    for (const Routine& r : routines) {
        if (std::strcmp(argv[1], r.name) == 0) {
            rt_entry(argc, argv,
                     {"startup_probe", "0", "A probe of the runtime's start-up.", r.run, 3});
        }
    }
    std::fprintf(stderr, "unknown routine %s\n", argv[1]);
    return 1;
}
