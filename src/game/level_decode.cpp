// Decoding a level section: the size, the time limit and the quota, then the rows, one letter
// per cell, into the field array, with the checks that make a level playable.
#include "game/level_decode.h"

#include <cstdint>

#include "core/error_stop.h"
#include "core/rt_array.h"
#include "game/texts.h"

namespace {

// The largest field a level may ask for, counted with the extra column and row the field
// array carries: 2048 x 2048 cells, 32 MiB. Larger sizes (or "1e999") in a damaged or hostile
// file would stop the program for want of memory or keep it busy for hours; they are
// reported like a missing size instead.
constexpr double max_field_cells = 2048.0 * 2048.0;

// The character at position pos of a row value; a position past the end reads as 0.
char row_char(const rt_string& row, double pos)
{
    if (pos < 0 || pos >= row.length) return 0;
    const char c = row.data[static_cast<std::uint32_t>(pos)];
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

const char* level_error_text(double err)
{
    // In German, as the level tool reports them too; the game shows them through tr().
    if (err == level_file_missing) return N_("LEVEL.INI nicht gefunden !");
    if (err == level_data_missing) return N_("Leveldaten nicht gefunden!");
    if (err == level_no_brilloxen) return N_("Keine Brilloxen im Level !");
    if (err == level_no_player) return N_("Kein Player im Level !");
    if (err == level_no_exit) return N_("Kein Ziel im Level !");
    return "";
}

double decode_level(GameState& g, const LevelValueReader& value_of)
{
    RT_LINE();
    g.anz_brillox = 0;
    g.brillox_found = 0;
    g.min_brillox = 0;
    bool player_da = false, ziel_da = false;
    double err = level_loaded;

    g.max_y = str_to_number(value_of("y"));
    g.max_x = str_to_number(value_of("x"));
    g.max_zeit = str_to_number(value_of("zeit"));
    g.min_brillox = str_to_number(value_of("brillox"));
    if (g.max_zeit <= 0) g.max_zeit = 0;

    // Written so that a size that is no number at all fails as well.
    const bool size_fits = (g.max_x + 1) * (g.max_y + 1) <= max_field_cells;
    if (g.max_y <= 0 || g.max_x <= 0 || !size_fits) {
        err = level_data_missing;
    } else {
        rt_num_array_redim(g.map, g.max_x + 1, g.max_y + 1);
        // The extra column max_x and row max_y keep whatever the previous level left there.
        for (double j = 0; j <= g.max_x - 1; ++j) {
            RT_LINE();
            for (double r = 0; r <= g.max_y - 1; ++r) rt_num_array_at(g.map, j, r) = sp_frei;
        }
        for (double r = 1; r <= g.max_y; ++r) {
            RT_LINE();
            rt_string key;
            str_assign_number(key, r);
            const rt_string row = value_of(key);
            for (double j = 1; j <= g.max_x; ++j) {
                double cell = sp_frei;
                switch (row_char(row, j)) {
                    case '*':
                        cell = sp_mauer;
                        break;
                    case 'S':
                        cell = sp_stein;
                        break;
                    case 'D':
                        cell = sp_brillox;
                        g.anz_brillox += 1;
                        break;
                    case 'P':
                        if (!player_da) {
                            player_da = true;
                            cell = sp_player;
                            g.player_posx = j - 1;
                            g.player_posy = r - 1;
                        }
                        break;
                    case 'Z':
                        if (!ziel_da) {
                            ziel_da = true;
                            cell = sp_ziel;
                            g.ziel_posx = j - 1;
                            g.ziel_posy = r - 1;
                        }
                        break;
                    default:
                        break;
                }
                rt_num_array_at(g.map, j - 1, r - 1) = cell;
            }
        }
    }

    if (g.min_brillox <= 0) g.min_brillox = g.anz_brillox;
    if (g.min_brillox > g.anz_brillox) g.min_brillox = g.anz_brillox;
    if (err == level_loaded) {
        if (g.anz_brillox == 0) {
            err = level_no_brilloxen;
        } else if (!player_da) {
            err = level_no_player;
        } else if (!ziel_da) {
            err = level_no_exit;
        }
    }
    return err;
}
