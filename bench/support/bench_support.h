// What the benchmark programs share: headless defaults, one offscreen display with the game's
// pictures and fonts, the game state of a 640 x 480 screen, and a main that runs the
// benchmarks after a set-up of the caller's choice.
#pragma once
#include <functional>
#include <string>

namespace benchmark {
class BenchmarkReporter;
}

namespace bench {

void use_headless_drivers();  // SDL's offscreen video and dummy audio unless others are set
bool open_display(int fps);   // video, the display object (640 x 480) and the input object
void close_display();
void load_game_pictures();     // font 0 (20 x 31) and every sprite game_main loads, from data/show
void set_game_screen_state();  // the game state's screen values and keys after game_main's start-up
std::string data_dir();        // the source tree's data/ folder
std::string program_dir();     // the build's folder of executables (brillox and its data)

// main of a benchmark program that draws: takes the benchmark arguments, opens the display at
// fps frames a second, runs set_up, then the benchmarks (through reporter when one is given).
int run_with_display(int argc, char** argv, int fps, const std::function<void()>& set_up = {},
                     benchmark::BenchmarkReporter* reporter = nullptr);

}  // namespace bench
