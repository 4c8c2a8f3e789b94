// The brillox program: the runtime's entry with the game's main routine.
#include "app/startup.h"
#include "game/game_main.h"

namespace {

// The highscore table and the saved games are the player's; the rest of the data is the game's.
constexpr const char* player_files[] = {"highscore.ini", "savegame.ini"};

}  // namespace

int main(int argc, char** argv)
{
    rt_entry(argc, argv,
             {"brillox", BRILLOX_VERSION,
              "A cave puzzle game: dig through the earth, collect the Brilloxen while stones "
              "fall,\nand reach the exit. Arrow keys move, Enter confirms, Escape gives up, "
              "S saves,\nM switches the sound.",
              game_main, 0, "Level.ini", player_files, "icon.png"});
}
