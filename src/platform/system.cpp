// Process and desktop services that SDL gives alike on every system: the message box's text,
// the cursor, joysticks and the mouse. The system's own services (paths, signals, the box's
// window, debugger, local time) are in system_posix.cpp and system_windows.cpp.
#include "platform/system.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/system_os.h"
#include "platform/video.h"

namespace platform {

namespace {

// Continuation bytes after a UTF-8 lead byte; -1 for a byte that cannot start a character.
int utf8_continuations(unsigned char lead)
{
    if (lead < 0x80) return 0;
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return -1;
}

bool valid_utf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const int extra = utf8_continuations(static_cast<unsigned char>(text[i]));
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// The runtime's texts are 8-bit Windows texts; SDL wants UTF-8. Text that is not UTF-8 already
// is taken as Latin-1, which covers the German letters the messages use.
std::string as_utf8(const char* text)
{
    std::string in = text != nullptr ? text : "";
    if (valid_utf8(in)) return in;
    std::string out;
    for (const char c : in) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

SDL_Window* focused_window()
{
    if (SDL_Window* w = SDL_GetKeyboardFocus()) return w;
    return SDL_GetMouseFocus();
}

}  // namespace

void message_box(const char* title, const char* text, bool warning)
{
    if (video_is_headless() || termination_requested()) return;
    show_message_box(as_utf8(title), as_utf8(text), warning);
}

void catch_termination_signals()
{
    // Without this SDL turns SIGINT and SIGTERM into a quit event, which only the frame's
    // message pump would see, and never a screen that waits for a key without frames.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    catch_system_termination_requests();
}

void show_cursor(bool visible)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

int joystick_count()
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return 0;
    const int count = SDL_NumJoysticks();
    return count > 0 ? count : 0;
}

std::string joystick_name(int index)
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return "";
    const char* name = SDL_JoystickNameForIndex(index);
    return name != nullptr ? name : "";
}

MouseState mouse_state()
{
    MouseState state{0, 0, false, false, false};
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return state;
    SDL_PumpEvents();
    const Uint32 buttons = SDL_GetMouseState(&state.x, &state.y);
    // A scaled window shows the picture larger (or smaller) and centred: positions are given
    // in the picture's pixels, as in a window of the picture's own size.
    if (SDL_Window* window = SDL_GetMouseFocus())
        window_point_to_picture(SDL_GetWindowID(window), state.x, state.y);
    state.left = (buttons & SDL_BUTTON_LMASK) != 0;
    state.right = (buttons & SDL_BUTTON_RMASK) != 0;
    state.middle = (buttons & SDL_BUTTON_MMASK) != 0;
    return state;
}

void mouse_warp(int x, int y)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    if (SDL_Window* window = focused_window()) {
        window_point_from_picture(SDL_GetWindowID(window), x, y);
        SDL_WarpMouseInWindow(window, x, y);
    }
}

std::vector<std::string> user_languages()
{
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    if (locale.empty()) locale = system_ui_language();
    // "C.UTF-8" is the C locale with UTF-8 characters: the same program texts.
    if (locale.empty() || locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) {
        return {};
    }
    std::vector<std::string> languages;
    const char* list = std::getenv("LANGUAGE");
    for (std::string rest = list != nullptr ? list : ""; !rest.empty();) {
        const std::size_t colon = rest.find(':');
        if (colon != 0) languages.push_back(rest.substr(0, colon));
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    }
    if (languages.empty()) languages.push_back(locale);
    return languages;
}

}  // namespace platform
