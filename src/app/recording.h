// Recorded games (--record FILE): a game, played live or from a script, written down as a
// script of the scripted mode that plays it again (--script FILE headless, --replay FILE in a
// window). What the program saw is written at the points where a replay can put it back: the
// key changes and focus losses at frame presentations ("frames N") and at the polls of screens
// that wait for a key without frames ("idles N"), and, for a live game, program time moved on
// ("clock MS") where the machine held the game up. Header comments name the program and the
// files it started from, "# event" comments what the game went through; a replay checks both.
#pragma once
#include <string>

// Creates or empties the file (a final link to a regular file refused: platform/fs.h); false
// with the reason in *failure
bool record_open(const std::string& path, std::string* failure = nullptr);

struct RecordStart {
    const char* program;             // "brillox"
    const char* version;             // its version
    const char* const* state_files;  // files the game's course depends on; nullptr-ended or null
    std::string source;              // "the script play.txt", or "" for a live game
};
// At the start of the main routine, on the virtual clock (a live game's kept to real time):
// latches the keyboard, writes the header and the keys down now
void record_start(const RecordStart& start);
bool record_active();
void record_frame_presented();  // before the frame wait: counts it; a live game catches up time
void record_frame_waited();     // after the frame wait: the keys and focus losses of this frame
void record_idle();  // a poll of a frameless screen to come: counts it, before a script's lines
void record_idle_keys();    // ... and after them: the keys and focus losses of this poll
void record_clock_moved();  // a script's "clock" line, at a point: the replay does the same
void record_focus_lost();   // held for the program until the next point
void record_event(const std::string& line);  // a trace line; the game's events are written down

// A replay's checks against a recording's comments (script_notes): the program and the state
// files at the start, the events as they come. Differences are said on standard error.
void replay_check_start(const std::string& script, const RecordStart& now);
void replay_check_event(const std::string& line);
void replay_check_end();  // events the replay never reached
