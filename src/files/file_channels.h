// Eight numbered file channels (0..7). The game uses them to test that a file exists
// before it opens it as an INI document. Channels still open are closed at process exit.
#pragma once
#include "core/rt_string.h"

// 1 opened, 0 failed; mode 0 creates/empties for writing, else reads an existing regular file;
// channel outside 0..7 stops with code 7
double file_open(double channel, const rt_string& name, double mode);
// No-op on an empty channel; channel outside 0..7 stops with code 7
void file_close(double channel);
bool file_is_open(double channel);  // for tests and diagnostics; false outside 0..7
