// The window message queue. Keyboard and mouse events only update the input state SDL keeps;
// window events come out as messages for the runtime's window procedure.
#pragma once
#include "platform/video.h"

namespace platform {

enum class Message {
    created,      // window shown for the first time
    moved,        // a = x, b = y
    resized,      // a = width, b = height
    activated,    // a = 1 gained focus, 0 lost it
    close,        // close button, window manager close, Alt+F4 from the window manager
    screensaver,  // the system wants to blank the screen
    other,
};

struct WindowMessage {
    Message kind;
    Window window;
    int a, b;
};

bool next_message(WindowMessage& out);  // takes one waiting message without waiting; false if none
void wait_for_message(int ms);          // returns when an event waits in the queue, or after ms
bool input_waiting();                   // keyboard or mouse events are waiting in the queue
void discard_one_input_event();  // drops one waiting keyboard or mouse event (F11, Alt+Enter act)

}  // namespace platform
