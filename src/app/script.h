// The scripted headless mode: a script of timed key presses, captures and an end, run on a
// virtual clock so that the same script gives the same frames, files and trace every run.
// Script lines: wait MS | frames N | idles N | clock MS | down KEY | up KEY | tap KEY |
// focus_lost | capture FILE | end; "#" starts a comment. KEY is a code 0..255 or a name (Escape,
// Enter, Space, Up, A, F1, 0 ...). "idles N" waits for N polls of a screen that waits for a key
// without showing frames, "clock MS" moves program time on to MS, "focus_lost" tells the program
// its window lost the keyboard focus. Recordings (recording.h) are scripts of this kind.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Parses the script; on an error fills message (naming the line) and returns false.
bool script_load(const std::string& path, std::string& message);
void script_start();  // virtual clock on, keyboard overridden; runs the first lines
bool script_active();
void script_frame_presented();     // counts a presented frame (for "frames N")
void script_idle();                // counts a poll of a frameless screen (for "idles N")
bool script_wants_frame_pixels();  // a capture is among the next commands: keep the frame
void script_keep_frame_pixels();   // reads the back buffer before it is presented
int script_key_code(const std::string& name);  // -1 when the name or number is not a key
std::string script_key_name(int code);         // the name script_key_code reads back as code 0..255

// The whole-line comments a recording writes about the game it recorded, with their line
// numbers: "# program NAME VERSION", "# state FILE CRC", "# event TEXT", "# length MS"
// (recording.h). A script with a length ends a second after it, whatever its lines.
struct ScriptNote {
    int line;
    std::string text;  // what follows the comment's word
};
// The comments of one kind, their texts kept side by side in one block (a recording may hold
// millions of events).
class ScriptNoteList {
public:
    void add(int line, std::string_view text);
    std::size_t size() const { return places_.size(); }
    bool empty() const { return places_.empty(); }
    ScriptNote operator[](std::size_t i) const;
    ScriptNote back() const { return (*this)[size() - 1]; }

private:
    struct Place {
        std::uint32_t line, offset, length;
    };
    std::vector<Place> places_;
    std::string texts_;
};
struct ScriptNotes {
    ScriptNoteList program, state, events, length;
};
const ScriptNotes& script_notes();  // of the script loaded last
