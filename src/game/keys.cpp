// The key poller: one snapshot of all 256 scan codes per poll, kept as the game state's
// gKeyDown, and the transition of each key since the poll before as gKeyState
// (key_transition.cpp reads them).
#include "game/keys.h"

#include "core/error_stop.h"
#include "core/rt_array.h"
#include "game/game_state.h"
#include "input/input.h"

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
                state = key_held;
            } else {
                down = 1;
                state = key_pressed_now;
            }
        } else {
            if (down != 0) {
                down = 0;
                state = key_released_now;
            } else {
                state = key_not_down;
            }
        }
    }
}
