// Reading the key transitions the last poll left in the game state. Apart from the poller, so
// that the rules, which read keys but never poll them themselves, build without the keyboard.
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "game/game_state.h"
#include "game/keys.h"

double key_transition(double nkey)
{
    RT_LINE();
    return rt_num_array_at(game().gKeyState, nkey);
}
