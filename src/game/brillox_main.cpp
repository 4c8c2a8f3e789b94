// The brillox program: the runtime's entry with the game's main routine.
#include "game/main_program.h"
#include "runtime/startup.h"

int main(int argc, char** argv)
{
    rt_entry(argc, argv, game_main);
}
