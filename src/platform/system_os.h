// What system.cpp and video.cpp ask of the file for the system the program is built for
// (system_posix.cpp or system_windows.cpp). Internal to the platform layer.
#pragma once
#include <string>

namespace platform {

// Shows a box with UTF-8 texts and waits until it is clicked away or a termination request
// arrives, which takes the box away.
void show_message_box(const std::string& title, const std::string& text, bool warning);
// Installs the handlers that turn the system's termination requests into the flag that
// termination_requested reads.
void catch_system_termination_requests();
// The environment that decides whether there is a screen, for messages: on Linux the X11 and
// Wayland variables, on Windows the window station the program runs in.
std::string display_environment();
// The advice for a user whose program found no screen (see video_without_screen_advice).
const char* without_screen_advice();
// Windows only: an event object (a HANDLE) set together with the termination flag, so that a
// sleep can end at once; nullptr before catch_termination_signals.
void* termination_event();
// The language the system's user interface is set to, as a locale name ("de-DE"), for a user
// whose environment names no locale; "" when the system keeps none apart from the environment.
std::string system_ui_language();

}  // namespace platform
