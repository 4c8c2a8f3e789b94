// The brillox program: the runtime's entry with the game's main routine.
#include "app/startup.h"
#include "game/game_main.h"
#include "game/settings.h"

namespace {

// The highscore table, the saved games and the settings are the player's; the rest of the data
// is the game's.
constexpr const char* player_files[] = {"highscore.ini", "savegame.ini", settings_file};
// The files a game's course depends on: the levels, the saves and scores the menus offer, and
// the keys the settings give the actions.
constexpr const char* state_files[] = {"Level.ini", "highscore.ini", "savegame.ini", settings_file,
                                       nullptr};

}  // namespace

int main(int argc, char** argv)
{
    rt_entry(argc, argv,
             {"brillox", BRILLOX_VERSION,
              "A cave puzzle game: dig through the earth, collect the Brilloxen while stones "
              "fall,\nand reach the exit. Arrow keys move, Enter confirms, Escape gives up, "
              "S saves,\nM switches the sound, P pauses. A game controller works as well.",
              game_main, 0, "Level.ini", player_files, "icon.png", state_files,
              settings_window_at_start});
}
