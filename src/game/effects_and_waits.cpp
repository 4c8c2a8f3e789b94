// The sound-effect call with its switch, and the game's pauses. A pause waits on the millisecond
// timer (sleeping, then polling the clock for the last moment): it deliberately shows no frame
// and pumps no messages.
#include "game/effects_and_waits.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "game/game_state.h"
#include "sound/sound.h"

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
    timer_wait_until(timer_ms() + msecs);
}

void wait_seconds(double secs)
{
    RT_LINE();
    wait_ms(secs * 1000);
}
