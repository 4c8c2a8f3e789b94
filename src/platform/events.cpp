// The window message queue on SDL's event queue. Keyboard and mouse events are consumed here:
// SDL has already folded them into the key and button state the snapshots read. Window events
// and the quit request come out as messages for the runtime's window procedure.
#include "platform/events.h"

#include <SDL2/SDL.h>

#include "platform/clock.h"
#include "platform/system_os.h"
#include "platform/video.h"

namespace platform {

namespace {

// The keyboard (including text input) and mouse event types, in SDL's numbering.
constexpr Uint32 first_input_event = SDL_KEYDOWN;
constexpr Uint32 last_input_event = SDL_MOUSEWHEEL;

// Marks a window as shown once; the mark lives and dies with the SDL window, so a window that
// gets a recycled id after a restart of the video subsystem counts as new. SDL sends "shown"
// again after every hide and mode change; a window already gone is not reported.
bool first_showing(Uint32 id)
{
    static char shown_mark;
    SDL_Window* window = SDL_GetWindowFromID(id);
    if (window == nullptr || SDL_GetWindowData(window, "brillox.shown") != nullptr) return false;
    SDL_SetWindowData(window, "brillox.shown", &shown_mark);
    return true;
}

// Turns a window event into a message; false for the kinds the runtime has no use for.
bool translate_window_event(const SDL_WindowEvent& event, WindowMessage& out)
{
    out.window = event.windowID;
    out.a = 0;
    out.b = 0;
    switch (event.event) {
        case SDL_WINDOWEVENT_SHOWN:
            if (!first_showing(event.windowID)) return false;
            out.kind = Message::created;
            return true;
        case SDL_WINDOWEVENT_MOVED:
            out.kind = Message::moved;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
            out.kind = Message::resized;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.kind = Message::activated;
            out.a = 1;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            out.kind = Message::activated;
            return true;
        case SDL_WINDOWEVENT_CLOSE:
            out.kind = Message::close;
            return true;
        default:
            out.kind = Message::other;
            return true;
    }
    out.a = event.data1;
    out.b = event.data2;
    return true;
}

// F11 and Alt+Enter switch the window between desktop fullscreen and a window. (The keyboard
// snapshots keep an Enter pressed with Alt from the program: see keyboard.cpp.)
void handle_fullscreen_key(const SDL_KeyboardEvent& key)
{
    if (key.repeat != 0) return;
    const SDL_Scancode code = key.keysym.scancode;
    const bool enter = code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER;
    if (code == SDL_SCANCODE_F11 || (enter && (key.keysym.mod & KMOD_ALT) != 0))
        window_toggle_desktop_fullscreen(key.windowID);
}

}  // namespace

bool next_message(WindowMessage& out)
{
    keep_system_responsive();
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_QUIT) {
            // Not tied to a window: the application as a whole is asked to close.
            SDL_Window* focus = SDL_GetKeyboardFocus();
            out =
                WindowMessage{Message::close, focus != nullptr ? SDL_GetWindowID(focus) : 0, 0, 0};
            return true;
        }
        if (event.type == SDL_WINDOWEVENT && translate_window_event(event.window, out)) {
            return true;
        }
        if (event.type == SDL_KEYDOWN) handle_fullscreen_key(event.key);
        // Keyboard, mouse and every other event: consumed, and on to the next one.
    }
    return false;
}

void wait_for_message(int ms)
{
    if (ms <= 0) return;
    // A driver without a screen has no window events to wake for, and SDL would wait for them
    // by pumping its queue every millisecond; a plain sleep does the same for less.
    if (video_is_headless()) {
        sleep_ms(ms);
    } else {
        wait_for_window_events(ms);
    }
}

bool input_waiting()
{
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, first_input_event, last_input_event) > 0;
}

void discard_one_input_event()
{
    SDL_Event event;
    if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, first_input_event, last_input_event) != 1) return;
    // The game never sees the event, but the fullscreen keys still work.
    if (event.type == SDL_KEYDOWN) handle_fullscreen_key(event.key);
}

}  // namespace platform
