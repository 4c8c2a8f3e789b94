// Fuzz target for the level decoding: any "Level.ini" is read through the INI document into
// the playfield of level 1 exactly as load_level does it, without a window. The result is one
// of the loader's codes, and a loaded level is a consistent field with its player and exit.
#include <cstddef>
#include <cstdint>

#include "core/rt_array.h"
#include "files/ini_document.h"
#include "fuzz_support.h"
#include "game/game_state.h"
#include "game/level_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::write_input("level.ini", data, size);
    ini_load(path.c_str());
    GameState g;
    const double err =
        decode_level(g, [](const rt_string& key) { return ini_get("level_1", key); });
    ini_load("");

    FUZZ_CHECK(err == 0 || err == 2 || err == 3 || err == 4 || err == 5);
    FUZZ_CHECK(g.max_zeit >= 0);
    FUZZ_CHECK(g.min_brillox >= 0 && g.min_brillox <= g.anz_brillox);
    FUZZ_CHECK(g.brillox_found == 0);
    if (err != 0) return 0;

    FUZZ_CHECK(g.anz_brillox >= 1);
    FUZZ_CHECK(g.player_posx >= 0 && g.player_posx < g.max_x);
    FUZZ_CHECK(g.player_posy >= 0 && g.player_posy < g.max_y);
    FUZZ_CHECK(rt_num_array_at(g.map, g.player_posx, g.player_posy) == sp_player);
    FUZZ_CHECK(rt_num_array_at(g.map, g.ziel_posx, g.ziel_posy) == sp_ziel);
    double brilloxen = 0;
    for (double r = 0; r < g.max_y; ++r) {
        for (double j = 0; j < g.max_x; ++j) {
            const double cell = rt_num_array_at(g.map, j, r);
            FUZZ_CHECK(cell == sp_mauer || cell == sp_frei || cell == sp_stein ||
                       cell == sp_brillox || cell == sp_ziel || cell == sp_player);
            if (cell == sp_brillox) ++brilloxen;
        }
    }
    FUZZ_CHECK(brilloxen == g.anz_brillox);
    return 0;
}
