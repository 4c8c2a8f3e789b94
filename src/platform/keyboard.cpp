// Keyboard snapshots by PC scan code: the table from scan codes (the DIK_ numbering) to SDL's
// physical scancodes, its inverse, and the snapshot that reads SDL's key state through it (with
// the keys game controllers hold) or copies a scripted state, and the latch a recording holds
// it in. Positions are physical, so the layout the user chose plays no part.
#include "platform/keyboard.h"

#include <SDL2/SDL.h>

#include <cstdint>
#include <cstring>

#include "platform/clock.h"
#include "platform/gamepad.h"

namespace platform {

namespace {

struct KeyPair {
    int code;
    SDL_Scancode scancode;
};

// Every key of a PC keyboard (101/102/104/105 keys, the Japanese and Brazilian extras and the
// usual multimedia keys), by scan code. Codes that no PC key sends stay unmapped.
constexpr KeyPair key_pairs[] = {
    // Main block, top row.
    {1, SDL_SCANCODE_ESCAPE},
    {2, SDL_SCANCODE_1},
    {3, SDL_SCANCODE_2},
    {4, SDL_SCANCODE_3},
    {5, SDL_SCANCODE_4},
    {6, SDL_SCANCODE_5},
    {7, SDL_SCANCODE_6},
    {8, SDL_SCANCODE_7},
    {9, SDL_SCANCODE_8},
    {10, SDL_SCANCODE_9},
    {11, SDL_SCANCODE_0},
    {12, SDL_SCANCODE_MINUS},
    {13, SDL_SCANCODE_EQUALS},
    {14, SDL_SCANCODE_BACKSPACE},
    {15, SDL_SCANCODE_TAB},
    // Q row. Code 21 is the key labelled Y in the US layout and Z in the German one.
    {16, SDL_SCANCODE_Q},
    {17, SDL_SCANCODE_W},
    {18, SDL_SCANCODE_E},
    {19, SDL_SCANCODE_R},
    {20, SDL_SCANCODE_T},
    {21, SDL_SCANCODE_Y},
    {22, SDL_SCANCODE_U},
    {23, SDL_SCANCODE_I},
    {24, SDL_SCANCODE_O},
    {25, SDL_SCANCODE_P},
    {26, SDL_SCANCODE_LEFTBRACKET},
    {27, SDL_SCANCODE_RIGHTBRACKET},
    {28, SDL_SCANCODE_RETURN},
    {29, SDL_SCANCODE_LCTRL},
    // A row.
    {30, SDL_SCANCODE_A},
    {31, SDL_SCANCODE_S},
    {32, SDL_SCANCODE_D},
    {33, SDL_SCANCODE_F},
    {34, SDL_SCANCODE_G},
    {35, SDL_SCANCODE_H},
    {36, SDL_SCANCODE_J},
    {37, SDL_SCANCODE_K},
    {38, SDL_SCANCODE_L},
    {39, SDL_SCANCODE_SEMICOLON},
    {40, SDL_SCANCODE_APOSTROPHE},
    {41, SDL_SCANCODE_GRAVE},
    {42, SDL_SCANCODE_LSHIFT},
    {43, SDL_SCANCODE_BACKSLASH},
    // Z row. Code 44 is Z in the US layout and Y in the German one.
    {44, SDL_SCANCODE_Z},
    {45, SDL_SCANCODE_X},
    {46, SDL_SCANCODE_C},
    {47, SDL_SCANCODE_V},
    {48, SDL_SCANCODE_B},
    {49, SDL_SCANCODE_N},
    {50, SDL_SCANCODE_M},
    {51, SDL_SCANCODE_COMMA},
    {52, SDL_SCANCODE_PERIOD},
    {53, SDL_SCANCODE_SLASH},
    {54, SDL_SCANCODE_RSHIFT},
    {55, SDL_SCANCODE_KP_MULTIPLY},
    {56, SDL_SCANCODE_LALT},
    {57, SDL_SCANCODE_SPACE},
    {58, SDL_SCANCODE_CAPSLOCK},
    // Function keys.
    {59, SDL_SCANCODE_F1},
    {60, SDL_SCANCODE_F2},
    {61, SDL_SCANCODE_F3},
    {62, SDL_SCANCODE_F4},
    {63, SDL_SCANCODE_F5},
    {64, SDL_SCANCODE_F6},
    {65, SDL_SCANCODE_F7},
    {66, SDL_SCANCODE_F8},
    {67, SDL_SCANCODE_F9},
    {68, SDL_SCANCODE_F10},
    {69, SDL_SCANCODE_NUMLOCKCLEAR},
    {70, SDL_SCANCODE_SCROLLLOCK},
    // Keypad.
    {71, SDL_SCANCODE_KP_7},
    {72, SDL_SCANCODE_KP_8},
    {73, SDL_SCANCODE_KP_9},
    {74, SDL_SCANCODE_KP_MINUS},
    {75, SDL_SCANCODE_KP_4},
    {76, SDL_SCANCODE_KP_5},
    {77, SDL_SCANCODE_KP_6},
    {78, SDL_SCANCODE_KP_PLUS},
    {79, SDL_SCANCODE_KP_1},
    {80, SDL_SCANCODE_KP_2},
    {81, SDL_SCANCODE_KP_3},
    {82, SDL_SCANCODE_KP_0},
    {83, SDL_SCANCODE_KP_PERIOD},
    // The 102nd key between left Shift and Z on ISO keyboards ("<>|" on German ones).
    {86, SDL_SCANCODE_NONUSBACKSLASH},
    {87, SDL_SCANCODE_F11},
    {88, SDL_SCANCODE_F12},
    {100, SDL_SCANCODE_F13},
    {101, SDL_SCANCODE_F14},
    {102, SDL_SCANCODE_F15},
    // Japanese and Brazilian keyboards.
    {112, SDL_SCANCODE_INTERNATIONAL2},  // Kana
    {115, SDL_SCANCODE_INTERNATIONAL1},  // Ro, Brazilian "/?"
    {121, SDL_SCANCODE_INTERNATIONAL4},  // Convert (Henkan)
    {123, SDL_SCANCODE_INTERNATIONAL5},  // No convert (Muhenkan)
    {125, SDL_SCANCODE_INTERNATIONAL3},  // Yen
    {126, SDL_SCANCODE_KP_COMMA},        // Brazilian keypad "."
    // Extended keys: the code of the key they share a scan code with, plus 128.
    {144, SDL_SCANCODE_AUDIOPREV},
    {153, SDL_SCANCODE_AUDIONEXT},
    {156, SDL_SCANCODE_KP_ENTER},
    {157, SDL_SCANCODE_RCTRL},
    {160, SDL_SCANCODE_MUTE},
    {161, SDL_SCANCODE_CALCULATOR},
    {162, SDL_SCANCODE_AUDIOPLAY},
    {164, SDL_SCANCODE_AUDIOSTOP},
    {174, SDL_SCANCODE_VOLUMEDOWN},
    {176, SDL_SCANCODE_VOLUMEUP},
    {178, SDL_SCANCODE_AC_HOME},
    {181, SDL_SCANCODE_KP_DIVIDE},
    {183, SDL_SCANCODE_PRINTSCREEN},
    {184, SDL_SCANCODE_RALT},
    {197, SDL_SCANCODE_PAUSE},
    {199, SDL_SCANCODE_HOME},
    {200, SDL_SCANCODE_UP},
    {201, SDL_SCANCODE_PAGEUP},
    {203, SDL_SCANCODE_LEFT},
    {205, SDL_SCANCODE_RIGHT},
    {207, SDL_SCANCODE_END},
    {208, SDL_SCANCODE_DOWN},
    {209, SDL_SCANCODE_PAGEDOWN},
    {210, SDL_SCANCODE_INSERT},
    {211, SDL_SCANCODE_DELETE},
    {219, SDL_SCANCODE_LGUI},
    {220, SDL_SCANCODE_RGUI},
    {221, SDL_SCANCODE_APPLICATION},
    {222, SDL_SCANCODE_POWER},
    {223, SDL_SCANCODE_SLEEP},
    // Code 227 (Wake) has no SDL scancode.
    {229, SDL_SCANCODE_AC_SEARCH},
    {230, SDL_SCANCODE_AC_BOOKMARKS},
    {231, SDL_SCANCODE_AC_REFRESH},
    {232, SDL_SCANCODE_AC_STOP},
    {233, SDL_SCANCODE_AC_FORWARD},
    {234, SDL_SCANCODE_AC_BACK},
    {235, SDL_SCANCODE_COMPUTER},
    {236, SDL_SCANCODE_MAIL},
    {237, SDL_SCANCODE_MEDIASELECT},
};

// Further SDL scancodes that the same physical key produces on some systems: ISO keyboards
// report the key left of Enter as NONUSHASH over USB, and the mute and stop keys come as either
// code depending on the video driver. They read as the key's code; the table above stays
// one-to-one.
constexpr KeyPair key_aliases[] = {
    {43, SDL_SCANCODE_NONUSHASH},
    {160, SDL_SCANCODE_AUDIOMUTE},
    {232, SDL_SCANCODE_STOP},
};

struct KeyTables {
    int scancode_of[256] = {};
    int code_of[SDL_NUM_SCANCODES] = {};
};

const KeyTables& tables()
{
    static const KeyTables built = [] {
        KeyTables t;
        for (const KeyPair& p : key_pairs) {
            t.scancode_of[p.code] = p.scancode;
            t.code_of[p.scancode] = p.code;
        }
        for (const KeyPair& p : key_aliases) t.code_of[p.scancode] = p.code;
        return t;
    }();
    return built;
}

// Scripted state; read afresh at every snapshot so that the script can change it in place.
const KeySnapshot* scripted_keys = nullptr;

// The state snapshots repeat while a recording latches them.
struct Latch {
    bool on = false;
    KeySnapshot keys{};
};

Latch latch;

// The real keyboard. Pumping SDL's input costs microseconds while reading its key state costs
// nanoseconds, and the game takes 512 snapshots a frame; so the input is pumped once per
// millisecond of the clock, and SDL's state is translated again only when it changed. A key
// that goes down is therefore seen at the first snapshot of the next millisecond at the latest,
// as a keyboard device that reports its state each millisecond would show it.
struct RealKeyboard {
    std::uint64_t pumped_at_ms = UINT64_MAX;  // no millisecond pumped yet
    Uint8 sdl_state[SDL_NUM_SCANCODES] = {};  // SDL's state when keys was translated
    KeySnapshot keys{};
    bool enter_switches_fullscreen = false;  // Enter went down with Alt and is still held
};

RealKeyboard real_keyboard;

void translate(const Uint8* state, int count, KeySnapshot& out)
{
    out.fill(0);
    for (int scancode = 0; scancode < count; ++scancode) {
        if (state[scancode] == 0) continue;
        const int code = key_code_for_sdl_scancode(scancode);
        if (code != 0) out[code] = 0x80;
    }
}

// Alt+Enter switches fullscreen (events.cpp), so that Enter is not the program's: from the
// moment it goes down with Alt held until it is let go, it stays up in the snapshots, whatever
// happens to Alt meanwhile.
void hide_fullscreen_enter(RealKeyboard& k, const Uint8* state, int count)
{
    const auto held = [&](SDL_Scancode s) { return s < count && state[s] != 0; };
    const auto was_held = [&](SDL_Scancode s) { return k.sdl_state[s] != 0; };
    const bool enter = held(SDL_SCANCODE_RETURN) || held(SDL_SCANCODE_KP_ENTER);
    const bool enter_went_down = (held(SDL_SCANCODE_RETURN) && !was_held(SDL_SCANCODE_RETURN)) ||
                                 (held(SDL_SCANCODE_KP_ENTER) && !was_held(SDL_SCANCODE_KP_ENTER));
    const bool alt = held(SDL_SCANCODE_LALT) || held(SDL_SCANCODE_RALT);
    if (!enter) {
        k.enter_switches_fullscreen = false;
    } else if (enter_went_down && alt) {
        k.enter_switches_fullscreen = true;
    }
}

void read_real_keyboard(KeySnapshot& out)
{
    RealKeyboard& k = real_keyboard;
    // On the virtual clock every snapshot moves time on, so the clock has always moved.
    if (clock_is_virtual()) {
        SDL_PumpEvents();
        gamepad_update();
    } else if (const std::uint64_t now_ms = SDL_GetTicks64(); now_ms != k.pumped_at_ms) {
        SDL_PumpEvents();
        gamepad_update();
        k.pumped_at_ms = now_ms;
    }
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    if (count > SDL_NUM_SCANCODES) count = SDL_NUM_SCANCODES;
    // Other SDL calls (the message pump's polling) update the state too, so it is compared
    // rather than assumed unchanged between pumps.
    const auto bytes = static_cast<std::size_t>(count);
    if (state != nullptr && count > 0 && std::memcmp(state, k.sdl_state, bytes) != 0) {
        hide_fullscreen_enter(k, state, count);
        std::memcpy(k.sdl_state, state, bytes);
        translate(state, count, k.keys);
        if (k.enter_switches_fullscreen) {
            k.keys[key_code_for_sdl_scancode(SDL_SCANCODE_RETURN)] = 0;
            k.keys[key_code_for_sdl_scancode(SDL_SCANCODE_KP_ENTER)] = 0;
        }
    }
    out = k.keys;
    gamepad_add_keys(out);
}

}  // namespace

int sdl_scancode_for(int key_code)
{
    if (key_code < 0 || key_code > 255) return 0;
    return tables().scancode_of[key_code];
}

int key_code_for_sdl_scancode(int scancode)
{
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    return tables().code_of[scancode];
}

void keyboard_override(const KeySnapshot* scripted)
{
    scripted_keys = scripted;
}

void keyboard_latch(bool on)
{
    latch.on = on;
    latch.keys.fill(0);
}

void keyboard_latch_refresh()
{
    if (scripted_keys != nullptr) {
        latch.keys = *scripted_keys;
    } else {
        read_real_keyboard(latch.keys);
    }
}

const KeySnapshot& keyboard_latched()
{
    return latch.keys;
}

int key_character(int key_code)
{
    const int scancode = sdl_scancode_for(key_code);
    if (scancode == 0) return 0;
    const SDL_Keycode key = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode));
    // Keys that type nothing carry the scancode mask; Space, Tab, Return and the like are
    // control characters or blank.
    if ((key & SDLK_SCANCODE_MASK) != 0 || key <= 32 || key == 127) return 0;
    return static_cast<int>(key);
}

bool keyboard_real_key_down(int key_code)
{
    if (key_code < 0 || key_code > 255) return false;
    KeySnapshot keys;
    read_real_keyboard(keys);
    return (keys[key_code] & 0x80) != 0;
}

void keyboard_snapshot(KeySnapshot& out)
{
    if (latch.on) {
        out = latch.keys;
    } else if (scripted_keys != nullptr) {
        out = *scripted_keys;
    } else {
        read_real_keyboard(out);
    }
    // A scripted run must see time pass while the game polls the keys in a loop; outside
    // virtual time this does nothing.
    clock_advance_us(1);
}

}  // namespace platform
