// The scripted headless mode: a script of timed key presses, captures and an end, run on a
// virtual clock so that the same script gives the same frames, files and trace every run.
// Script lines: wait MS | frames N | down KEY | up KEY | tap KEY | focus_lost | capture FILE |
// end; "#" starts a comment. KEY is a code 0..255 or a name (Escape, Enter, Space, Up, A, F1,
// 0 ...). "focus_lost" tells the program its window lost the keyboard focus.
#pragma once
#include <string>

// Parses the script; on an error fills message (naming the line) and returns false.
bool script_load(const std::string& path, std::string& message);
void script_start();  // virtual clock on, keyboard overridden; runs the first lines
bool script_active();
void script_frame_presented();     // counts a presented frame (for "frames N")
bool script_wants_frame_pixels();  // a capture is among the next commands: keep the frame
void script_keep_frame_pixels();   // reads the back buffer before it is presented
int script_key_code(const std::string& name);  // -1 when the name or number is not a key
