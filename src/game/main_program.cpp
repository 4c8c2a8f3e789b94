// The game's shared routines: the key poller with its transitions, the sound-effect call and
// switch, and the busy waits. Pauses deliberately show no frame and pump no messages.
#include "game/main_program.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "game/game_state.h"
#include "input/input.h"
#include "sound/sound.h"

void poll_keys()
{
    RT_LINE();
    GameState& g = game();
    if (rt_array_bounds(g.gKeyDown, 0) == 0) {
        rt_num_array_dim(g.gKeyDown, 256);
        rt_num_array_dim(g.gKeyState, 256);
    }
    for (double k = 0; k <= 255; ++k) {
        double& down = rt_num_array_at(g.gKeyDown, k);
        double& state = rt_num_array_at(g.gKeyState, k);
        if (key_state(k) != 0) {
            if (down != 0) {
                state = 1;
            } else {
                down = 1;
                state = 2;
            }
        } else {
            if (down != 0) {
                down = 0;
                state = -1;
            } else {
                state = 0;
            }
        }
    }
}

double key_transition(double nkey)
{
    RT_LINE();
    return rt_num_array_at(game().gKeyState, nkey);
}

void play_effect(double nr)
{
    RT_LINE();
    if (game().music_on == 1) {
        sound_play(nr, 0, 1);
    } else {
        sound_stop_all();
    }
}

void toggle_sound()
{
    RT_LINE();
    wait_ms(100);
    GameState& g = game();
    g.music_on = g.music_on == 1 ? 0 : 1;
}

void wait_ms(double msecs)
{
    RT_LINE();
    const double until = timer_ms() + msecs;
    while (timer_ms() < until) {
    }
}

void wait_seconds(double secs)
{
    RT_LINE();
    wait_ms(secs * 1000);
}
