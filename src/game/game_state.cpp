// The one game state of the process.
#include "game/game_state.h"

GameState& game()
{
    static GameState state;
    return state;
}
