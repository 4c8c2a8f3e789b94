// One frame of play at 640 x 480: play_level's own pass (key poll, HUD, sound icon, the
// 20 x 14 field window, the player's step, rolling and falling, here in every frame as the
// worst case, the give-up test) and the frame presentation without its wait for the deadline.
// The level keeps up to seventy stones and Brilloxen moving; it is set up again, off the
// clock, every eight frames. Target: under 4 ms a frame.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/frame.h"
#include "bench_support.h"
#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/level_file.h"
#include "game/play_level.h"
#include "game/playfield.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/keyboard.h"

namespace {

// A level exactly as large as the window, so that every cell is drawn: a block of stones and
// Brilloxen over four empty rows (set empty after loading) that they fall through, landing on
// a row of stones to roll off. The player walks along a corridor under a wall.
const std::vector<std::string> rows = {
    "********************", "*SSDSSSSSSSSSSDSSSS*", "*SSSSSSSSDSSSSSSSSS*", "*SDSSSSSSSSSSSSSDSS*",
    "*SSSSSDSSSSSSSSSSSS*", "*..................*", "*..................*", "*..................*",
    "*..................*", "*.S..S..S..S..S..S.*", "********************", "*P................Z*",
    "*.D.*.D..**..D.*..D*", "********************"};
constexpr int empty_from = 5, empty_to = 8;  // rows left empty for the fall
constexpr int frames_per_scene = 8;

platform::KeySnapshot scripted_keys{};

void set_up_scene()
{
    GameState& g = game();
    decode_level(g, [](const rt_string& key) -> rt_string {
        const std::string k = key.c_str();
        if (k == "x") return "20";
        if (k == "y") return "14";
        if (k == "zeit") return "300";
        if (k == "brillox") return "0";
        const int r = std::stoi(k);
        return ("|" + rows[static_cast<std::size_t>(r - 1)]).c_str();
    });
    for (double y = empty_from; y <= empty_to; ++y) {
        for (double x = 1; x <= 18; ++x) rt_num_array_at(g.map, x, y) = sp_black;
    }
    rt_num_array_redim(g.f_steine, 0, 4);
    for (double x = 1; x <= 18; ++x) add_falling(x, empty_from - 1);
    g.speed = 0;  // rolling and falling in every frame
    g.move_player = 0;
    g.keine_taste = 0;
    g.richtung = 0;
    g.startzeit = timer_ms();
}

void play_one_frame()
{
    benchmark::DoNotOptimize(play_pass(1));
    // The deadline has passed already: rt_show_frame presents at once, as after a long frame.
    rt_display->next_frame_time = display_time_ms() - 1;
    rt_show_frame();
}

// state.range(0): 1 = scripted keyboard with the player walking right and left along the
// corridor, 0 = the real (SDL) keyboard with no key down, so every snapshot reads the platform.
// state.range(1): 1 = sprites batched from the atlas (the default), 0 = each sprite drawn from
// its own texture, the way the runtime drew before the atlas.
// state.range(2): the window's scale; above 1 the frame is drawn into the offscreen buffer and
// shown scaled (the window is made anew at that size, so that its surface has it too).
void BM_PlayFrame(benchmark::State& state)
{
    const bool scripted = state.range(0) == 1;
    const int scale = static_cast<int>(state.range(2));
    if (scale != rt_display->window_scale) {
        rt_display->window_scale = scale;
        screen_create(640, 480, 0, 30, 0);
        screen_set_windowed();
    }
    screen_set_sprite_batching(state.range(1) == 1);
    platform::keyboard_override(scripted ? &scripted_keys : nullptr);
    scripted_keys.fill(0);
    int frame = 0;
    set_up_scene();
    for (auto _ : state) {
        if (frame % frames_per_scene == 0 && frame > 0) {
            state.PauseTiming();
            set_up_scene();
            state.ResumeTiming();
        }
        const bool right = (frame / frames_per_scene) % 2 == 0;
        scripted_keys[static_cast<int>(key_right)] = right ? 0x80 : 0;
        scripted_keys[static_cast<int>(key_left)] = right ? 0 : 0x80;
        play_one_frame();
        ++frame;
    }
    platform::keyboard_override(nullptr);
    screen_set_sprite_batching(true);
    state.counters["moving"] = rt_array_bounds(game().f_steine, 0);
    state.counters["scaled"] = rt_display->scaled.bound ? 1 : 0;
}
BENCHMARK(BM_PlayFrame)
    ->ArgNames({"scripted_keys", "batched", "scale"})
    ->Args({1, 0, 1})
    ->Args({0, 0, 1})
    ->Args({1, 1, 1})
    ->Args({0, 1, 1})
    ->Args({1, 1, 2})
    ->Args({1, 1, 3})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);

}  // namespace

int main(int argc, char** argv)
{
    return bench::run_with_display(argc, argv, 30, [] {
        bench::set_game_screen_state();
        bench::load_game_pictures();
    });
}
