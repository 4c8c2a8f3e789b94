// The highscore table of the chosen level set ("highscore.ini" for the shipped one): every
// routine first checks that the file exists through file channel 1, then works on the INI
// document and closes it again (which writes it when changed). A missing shipped table is never
// created; it then stays empty.
#include "game/highscores.h"

#include <cstring>

#include "app/frame.h"
#include "core/error_stop.h"
#include "core/rt_array.h"
#include "files/ini_document.h"
#include "game/game_files.h"
#include "game/game_state.h"
#include "game/level_sets.h"
#include "game/message_screens.h"
#include "game/texts.h"
#include "graphics/fonts.h"

namespace {

rt_string highscore_file()
{
    return level_set_player_file("highscore");
}

const char* const highscore_section = "daten";

// Opens the table when the file exists; false leaves the INI document alone.
bool open_table()
{
    RT_LINE();
    if (!game_file_exists(highscore_file().c_str())) return false;
    ini_open(highscore_file());
    return true;
}

// Closes the table; false when a changed table could not be written.
bool close_table()
{
    RT_LINE();
    return ini_open("");
}

// Whether the last entry reached the file. The congratulation must not claim a place that a
// full disk or a write-protected file kept out of the table.
bool entry_saved = true;

rt_string read_place(double i)
{
    RT_LINE();
    rt_string key;
    str_from_number(key, i);
    return ini_get(highscore_section, key);
}

void write_place(double i, const rt_string& name_Str, double score)
{
    RT_LINE();
    rt_string key;
    str_from_number(key, i);
    ini_put(highscore_section, key, str_concat_text(name_Str, ",") + score);
}

// Splits a stored value into name and score text. The score never holds a comma, so splitting
// at the last one keeps a name that does (one edited into a save file, say) from turning the
// score into text and losing it. Without a comma the whole value is both name and score text.
void split_entry(const rt_string& value, rt_string& name_Str, rt_string& score_Str)
{
    RT_LINE();
    const char* comma = std::strrchr(value.c_str(), ',');
    if (comma == nullptr) {
        name_Str = value;
        score_Str = value;
        return;
    }
    const double at = static_cast<double>(comma - value.c_str());
    name_Str = str_mid(value, 0, at);
    score_Str = str_mid(value, at + 1, str_len(value));
}

// The congratulation's screen without a place, for an entry that found no table to go into.
void show_unsaved_entry(const rt_string& name_Str)
{
    RT_LINE();
    GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_player);
    text_print(name_Str, grid_cell(9), grid_cell(5));
    text_print(tr("Highscore nicht gespeichert !"), grid_cell(1), grid_cell(9));
    text_print(tr(g.beenden_mit_Str), grid_cell(5), grid_cell(12));
    wait_for_start();
}

}  // namespace

void read_highscore_minimum()
{
    RT_LINE();
    GameState& g = game();
    if (!open_table()) return;
    for (double i = 1; i <= 10; ++i) {
        RT_LINE();
        const rt_string value = read_place(i);
        if (value == "NO_DATA") continue;
        rt_string name_Str, score_Str;
        split_entry(value, name_Str, score_Str);
        const double score = str_to_number(score_Str);
        if (i == 1) g.min_score = score;
        if (g.min_score > score) g.min_score = score;
    }
    close_table();
}

double enter_highscore(double ptk, const rt_string& na_Str)
{
    RT_LINE();
    GameState& g = game();
    rt_str_array_dim(g.spn_Str, 12);
    rt_num_array_dim(g.punk, 12);
    entry_saved = true;
    if (!game_file_exists(highscore_file().c_str())) {
        // A table that is missing, unreadable or not a file cannot take the entry; the player
        // is told so instead of typing a name for nothing.
        entry_saved = false;
        ini_report_unusable(highscore_file());
        show_unsaved_entry(na_Str);
        return 0;
    }
    // Held from the re-read to the write: another copy of the game entering a score at the
    // same moment waits, then inserts into the table with this entry in it.
    const platform::FileLock lock = ini_lock(highscore_file());
    ini_open(highscore_file());
    for (double i = 1; i <= 10; ++i) {
        RT_LINE();
        const rt_string value = read_place(i);
        rt_string& name_Str = rt_str_array_at(g.spn_Str, i);
        double& score = rt_num_array_at(g.punk, i);
        if (value == "NO_DATA") {
            name_Str = "";
            score = 0;
            continue;
        }
        rt_string score_Str;
        split_entry(value, name_Str, score_Str);
        score = str_to_number(score_Str);
    }
    // Strictly greater: a score equal to a stored one goes below it.
    double platz = 0;
    for (double i = 1; i <= 10; ++i) {
        RT_LINE();
        if (ptk > rt_num_array_at(g.punk, i)) {
            platz = i;
            break;
        }
    }
    // Without the lock the place is still shown, but the table is not written: another copy
    // may be writing it.
    if (platz > 0 && lock.held()) {
        write_place(platz, na_Str, ptk);
        // The old places platz..9 move down one; the old place 10 drops out. Empty places
        // that move down are written as "," + 0.
        for (double i = platz; i <= 9; ++i) {
            RT_LINE();
            write_place(i + 1, rt_str_array_at(g.spn_Str, i), rt_num_array_at(g.punk, i));
        }
    }
    entry_saved = close_table() && lock.held();
    return platz;
}

void show_highscores()
{
    RT_LINE();
    const GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_mauer);
    // "Highsore" and, below, "Gluckwunsch" without its umlaut are the game's own texts; the
    // players know them like this, so they stay.
    text_print(tr("Highsore"), grid_cell(7), grid_cell(1));
    for (double i = 1; i <= 10; ++i) {
        RT_LINE();
        rt_string number_Str;
        str_from_number(number_Str, i);
        text_print(number_Str, grid_cell(2), grid_cell(i + 1));
    }
    text_print(tr(g.weiter_mit_Str), grid_cell(5), grid_cell(13));
    if (open_table()) {
        for (double i = 1; i <= 10; ++i) {
            RT_LINE();
            const rt_string value = read_place(i);
            if (value == "NO_DATA") continue;
            rt_string name_Str, score_Str;
            split_entry(value, name_Str, score_Str);
            text_print(name_Str, grid_cell(4), grid_cell(i + 1));
            text_print(score_Str, grid_cell(9), grid_cell(i + 1));
        }
        close_table();
    }
    wait_for_start();
}

void show_congratulation(const rt_string& name_Str, double platz)
{
    RT_LINE();
    GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_player);
    text_print(tr("Herzlichen Gluckwunsch!"), grid_cell(3), grid_cell(2));
    text_print(name_Str, grid_cell(9), grid_cell(5));
    text_print(tr("wurde als"), grid_cell(8), grid_cell(6));
    text_print(tr_format("%s.", platz), grid_cell(10), grid_cell(7));
    text_print(
        entry_saved ? tr("in die Highscore eingetragen.") : tr("Highscore nicht gespeichert !"),
        grid_cell(1), grid_cell(9));
    text_print(tr(g.beenden_mit_Str), grid_cell(5), grid_cell(12));
    wait_for_start();
    g.aktlevel = 1;
}
