// The end report file "ErrorLog.txt" in the user's temporary directory. The error stop
// writes its report here and the display and input set-up append their one-line notes.
#pragma once
#include <string>

std::string rt_error_log_path();  // the temporary directory + "/ErrorLog.txt"
void rt_error_log_delete();       // start-up: each run begins a fresh report
// Opens, appends line + CR LF, closes; a file that is not the user's own is skipped (said once on
// standard error)
void rt_error_log_append(const char* line);
