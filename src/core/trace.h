// The event trace of the scripted mode: one line per event, the event's name first
// ("frame N T", "sound_play SLOT PAN VOLUME CHANNEL", "sound_stop_all", "ini_save NAME",
// "end CODE"). Nothing is written unless a trace file was opened.
#pragma once
#include <string>

// Creates or empties the file (a final link to a regular file refused: platform/fs.h); false
// with the reason in *failure
bool rt_trace_open(const std::string& path, std::string* failure = nullptr);
bool rt_trace_enabled();                 // a trace file is open or an observer listens
void rt_trace(const std::string& line);  // appends line + "\n" and flushes; tells the observer
// Hears every event line, with or without a trace file (a recording notes the game's events);
// nullptr stops listening
void rt_trace_observe(void (*observer)(const std::string& line));
