// The ten-slot load and save screen over the chosen level set's saved games ("savegame.ini" for
// the shipped set; section "daten", keys "1".."10", values name,score,level,lives). Load mode
// restores the four values of a filled slot; save mode asks for the name and writes the slot,
// or says that it could not. The file is never created here.
#include "game/save_game.h"

#include "app/frame.h"
#include "core/error_stop.h"
#include "files/ini_document.h"
#include "game/game_files.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/level_sets.h"
#include "game/message_screens.h"
#include "game/name_entry.h"
#include "game/texts.h"
#include "graphics/draw.h"
#include "graphics/fonts.h"

namespace {

rt_string save_file()
{
    return level_set_player_file("savegame");
}

const char* const save_section = "daten";

// Splits the text before the first comma off wert_Str and leaves the rest in wert_Str. A
// value without a further comma (a hand-edited or cut-short file) yields the whole rest
// and leaves wert_Str empty, so a damaged slot reads as missing numbers (0), never out of
// range.
rt_string next_field(rt_string& wert_Str)
{
    const double p = str_find(wert_Str, ",");
    if (p < 0) {
        rt_string field_Str = wert_Str;
        wert_Str = "";
        return field_Str;
    }
    rt_string field_Str = str_mid(wert_Str, 0, p);
    wert_Str = str_mid(wert_Str, p + 1, str_len(wert_Str) - p - 1);
    return field_Str;
}

// The four fields of a slot value: name, score, level, lives.
struct SlotValue {
    rt_string name_Str;
    double ptk = 0, lev = 0, leb = 0;
};

SlotValue read_slot(const rt_string& value_Str)
{
    SlotValue slot;
    rt_string wert_Str = value_Str;
    slot.name_Str = next_field(wert_Str);
    slot.ptk = str_to_number(next_field(wert_Str));
    slot.lev = str_to_number(next_field(wert_Str));
    slot.leb = str_to_number(wert_Str);
    return slot;
}

rt_string slot_key(double slot)
{
    rt_string key_Str;
    str_from_number(key_Str, slot);
    return key_Str;
}

void draw_list(double load, bool have_file)
{
    RT_LINE();
    const GameState& g = game();
    draw_framed_backdrop(g.sp_size, sp_frei, sp_mauer);
    // "save Game" with a small s is the screen's title as the game has always shown it.
    text_print(load == 1 ? tr("Load Game") : tr("save Game"), grid_cell(7), grid_cell(0));
    text_print(tr("Name"), grid_cell(5), grid_cell(1));
    text_print(tr("Level"), grid_cell(10), grid_cell(1));
    for (double i = 1; i <= 10; ++i) {
        RT_LINE();
        text_print_number(i, grid_cell(3), grid_cell(i + 1));
    }
    text_print(tr(g.weiter_mit_Str), grid_cell(4), grid_cell(13));
    if (have_file) {
        ini_open(save_file());
        for (double i = 1; i <= 10; ++i) {
            RT_LINE();
            const rt_string wert_Str = ini_get(save_section, slot_key(i));
            if (wert_Str == "NO_DATA") continue;
            const SlotValue slot = read_slot(wert_Str);  // score and lives are read, not shown
            text_print(slot.name_Str, grid_cell(5), grid_cell(i + 1));
            text_print_number(slot.lev, grid_cell(10), grid_cell(i + 1));
        }
    }
    screen_use_as_background();
}

void load_slot(double slot)
{
    RT_LINE();
    const rt_string wert_Str = ini_get(save_section, slot_key(slot));
    if (wert_Str == "NO_DATA") return;
    const SlotValue saved = read_slot(wert_Str);
    GameState& g = game();
    g.spieler_name_Str = saved.name_Str;
    g.punkte = saved.ptk < 0 ? 0 : saved.ptk;
    g.aktlevel = saved.lev <= 0 ? 1 : saved.lev;
    g.anz_leben = saved.leb <= 0 ? 1 : saved.leb;
}

// Writes the slot into the file as it is on disk now, not as it was when the list was read:
// another running copy may have saved meanwhile, and only the chosen slot may change. The
// lock, held from that re-read to the write, makes a copy saving at the same moment wait for
// this one. False when nothing reached the disk (one line on standard error says why), the
// file having gone missing included.
bool save_slot(double slot)
{
    RT_LINE();
    if (!game_file_exists(save_file().c_str())) {
        ini_report_unusable(save_file());
        return false;
    }
    const platform::FileLock lock = ini_lock(save_file());
    if (!lock.held()) return false;
    ini_open(save_file());  // the document is unchanged since the listing: this only reads
    GameState& g = game();
    const rt_string wert_Str =
        g.spieler_name_Str + "," + g.punkte + "," + g.aktlevel + "," + g.anz_leben;
    ini_put(save_section, slot_key(slot), wert_Str);
    return ini_open("");
}

// A save that did not reach the disk is told on the list, which shows the file as it is.
void report_failed_save()
{
    RT_LINE();
    draw_list(0, game_file_exists(save_file().c_str()));
    ini_open("");
    text_print(tr("Spiel nicht gespeichert !"), grid_cell(2), grid_cell(12));
    wait_for_start();
}

}  // namespace

void load_save_screen(double load)
{
    RT_LINE();
    GameState& g = game();
    // Slots are read and written only when "savegame.ini" existed at the start: otherwise
    // the INI document still holds whatever file was opened last (the highscore table), and
    // a slot read or written there would load nonsense or damage that file.
    const bool have_file = game_file_exists(save_file().c_str());
    draw_list(load, have_file);
    double pos = 2;
    for (;;) {
        RT_LINE();
        poll_keys();
        if (key_transition(g.MyUp) == key_pressed_now) pos -= 1;
        if (key_transition(g.MyDown) == key_pressed_now) pos += 1;
        if (pos > 11) pos = 2;
        if (pos < 2) pos = 11;
        sprite_draw_stretched(100 + sp_player, grid_cell(2), grid_cell(pos), g.sp_size, g.sp_size);
        if (key_transition(g.MyStart) == key_pressed_now) {
            if (load == 1) {
                if (have_file) load_slot(pos - 1);
                ini_open("");
            } else {
                ini_open("");
                g.spieler_name_Str =
                    enter_name(g.sp_verz_Str, g.sp_size, g.factor, g.spieler_name_Str);
                if (!save_slot(pos - 1)) report_failed_save();
            }
            return;
        }
        rt_show_frame();
    }
}
