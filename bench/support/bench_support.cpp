// Benchmark set-up shared by the programs in bench/: the offscreen display with the game's
// pictures, and the game state as game_main leaves it on a 640 x 480 screen.
#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <utility>

#include "app/frame.h"
#include "game/game_state.h"
#include "graphics/display.h"
#include "graphics/fonts.h"
#include "graphics/sprites.h"
#include "input/input.h"
#include "platform/video.h"

namespace bench {

void use_headless_drivers()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

bool open_display(int fps)
{
    use_headless_drivers();
    if (rt_display != nullptr) return true;
    if (!platform::video_init()) return false;
    rt_display = new OpenGLRainbows;
    if (!screen_create(640, 480, 0, fps, 0)) return false;
    input_create();
    input_init(rt_display->window, false);
    rt_reset_frame_timers();
    return true;
}

void close_display()
{
    input_release();
    delete rt_display;
    rt_display = nullptr;
}

void load_game_pictures()
{
    const std::string show = data_dir() + "/show/";
    text_load_font((show + "font20x31.bmp").c_str(), 0);
    const std::pair<int, const char*> sprites[] = {
        {100, "mauer.bmp"},     {101, "frei.bmp"},     {102, "stein.bmp"},
        {103, "brillox.bmp"},   {107, "black.bmp"},    {108, "ziel.bmp"},
        {110, "player01.bmp"},  {111, "player02.bmp"}, {112, "player03.bmp"},
        {113, "player04.bmp"},  {115, "player_r.bmp"}, {116, "player_l.bmp"},
        {120, "brillox_a.bmp"}, {121, "uhr.bmp"},      {300, "sound_off.bmp"},
        {301, "sound_on.bmp"},  {1000, "hg01.bmp"},    {200, "exp01.bmp"},
        {201, "exp02.bmp"},     {202, "exp03.bmp"},    {203, "exp04.bmp"},
        {204, "black.bmp"}};
    for (const auto& [id, file] : sprites) sprite_load((show + file).c_str(), id);
}

void set_game_screen_state()
{
    GameState& g = game();
    g.version_Str = "Version 1.01";
    g.limit_fps = 30;
    g.screenx = 640, g.screeny = 480, g.factor = 2, g.tile = 16, g.sp_size = 32;
    g.MySpace = 57, g.MyESC = 1, g.MyStart = 28, g.MySave = 31, g.MyMusic = 50;
    g.weiter_mit_Str = "Weiter mit Enter!";
    g.sp_verz_Str = (data_dir() + "/show//").c_str();
    g.anz_leben = 3, g.aktlevel = 1, g.geschwindigkeit = 3, g.speed = 3, g.music_on = 1;
    timer_set_frame_limit(g.limit_fps);
    rt_allow_escape(0);
}

std::string data_dir()
{
    return BRILLOX_DATA_DIR;
}

std::string program_dir()
{
    return BRILLOX_PROGRAM_DIR;
}

int run_with_display(int argc, char** argv, int fps, const std::function<void()>& set_up,
                     benchmark::BenchmarkReporter* reporter)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!open_display(fps)) return 1;
    if (set_up) set_up();
    benchmark::RunSpecifiedBenchmarks(reporter);
    benchmark::Shutdown();
    close_display();
    return 0;
}

}  // namespace bench
