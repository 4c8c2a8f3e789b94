// The game's main routine: start-up of the game, the title, then the main menu and the levels
// until the player quits. Called once by the runtime's entry; it ends the program itself.
#pragma once

[[noreturn]] void game_main();
