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
// Waits up to ms for a window event (SDL's queue), returning at once when one arrives. In the
// browser the page's events arrive while the program sleeps, so there it sleeps.
void wait_for_window_events(int ms);
// Called whenever the program looks at its window messages. Where the program runs between the
// system's own tasks (a browser page, which shows a frame, plays sound and takes keys only
// while the program sleeps) it sleeps briefly when it has not slept for a while, so that a
// program that never waits (late frames, the scripted mode's virtual clock) keeps its page
// alive; elsewhere it does nothing.
void keep_system_responsive();
// Windows only: an event object (a HANDLE) set together with the termination flag, so that a
// sleep can end at once; nullptr before catch_termination_signals.
void* termination_event();
// The language the system's user interface is set to, as a locale name ("de-DE"), for a user
// whose environment names no locale; "" when the system keeps none apart from the environment.
std::string system_ui_language();

}  // namespace platform
