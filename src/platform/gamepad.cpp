// Game controllers through SDL's game-controller layer, which maps every known device onto one
// layout (A, B, X, Y, Back, Start, D-pad, sticks). The controllers are looked for again whenever
// the number of joysticks changes or one of them goes, so a controller works whether it was
// there at the start or plugged in while the program runs.
#include "platform/gamepad.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

struct ButtonKey {
    SDL_GameControllerButton button;
    int GamepadKeys::*code;  // the scan code it presses
};

constexpr ButtonKey button_keys[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_UP, &GamepadKeys::up},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, &GamepadKeys::down},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, &GamepadKeys::left},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, &GamepadKeys::right},
    {SDL_CONTROLLER_BUTTON_A, &GamepadKeys::confirm},
    {SDL_CONTROLLER_BUTTON_START, &GamepadKeys::confirm},
    {SDL_CONTROLLER_BUTTON_X, &GamepadKeys::x},
    {SDL_CONTROLLER_BUTTON_B, &GamepadKeys::b},
    {SDL_CONTROLLER_BUTTON_BACK, &GamepadKeys::back},
    {SDL_CONTROLLER_BUTTON_Y, &GamepadKeys::y},
};

struct StickKey {
    SDL_GameControllerAxis axis;
    int GamepadKeys::*negative_code;  // up is negative on a stick's y axis
    int GamepadKeys::*positive_code;
};

constexpr StickKey stick_keys[] = {
    {SDL_CONTROLLER_AXIS_LEFTX, &GamepadKeys::left, &GamepadKeys::right},
    {SDL_CONTROLLER_AXIS_LEFTY, &GamepadKeys::up, &GamepadKeys::down},
};

struct Gamepads {
    bool subsystem_tried = false;
    std::vector<SDL_GameController*> open;
    int known_devices = -1;  // joysticks attached at the last look
    std::vector<int> held;   // scan codes held by some controller
    GamepadKeys keys;        // the scan codes the buttons press
};

Gamepads pads;

// The game-controller layer comes up on first use, once the joysticks are: a program without
// them (a test without video) never starts it.
bool ready()
{
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0) return true;
    if (pads.subsystem_tried || SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return false;
    pads.subsystem_tried = true;
    return SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

bool is_open(SDL_JoystickID id)
{
    return std::any_of(pads.open.begin(), pads.open.end(), [id](SDL_GameController* c) {
        return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c)) == id;
    });
}

void look_for_controllers()
{
    std::erase_if(pads.open, [](SDL_GameController* c) {
        if (SDL_GameControllerGetAttached(c) == SDL_TRUE) return false;
        SDL_GameControllerClose(c);
        return true;
    });
    const int devices = SDL_NumJoysticks();
    for (int i = 0; i < devices; ++i) {
        if (SDL_IsGameController(i) != SDL_TRUE || is_open(SDL_JoystickGetDeviceInstanceID(i)))
            continue;
        if (SDL_GameController* c = SDL_GameControllerOpen(i)) pads.open.push_back(c);
    }
    pads.known_devices = devices;
}

bool devices_changed()
{
    if (SDL_NumJoysticks() != pads.known_devices) return true;
    return std::any_of(pads.open.begin(), pads.open.end(),
                       [](SDL_GameController* c) { return !SDL_GameControllerGetAttached(c); });
}

void hold(int code)
{
    if (code < 0 || code > 255) return;
    if (std::find(pads.held.begin(), pads.held.end(), code) == pads.held.end())
        pads.held.push_back(code);
}

}  // namespace

void gamepad_update()
{
    if (!ready()) return;
    if (devices_changed()) look_for_controllers();
    pads.held.clear();
    for (SDL_GameController* c : pads.open) {
        for (const ButtonKey& b : button_keys) {
            if (SDL_GameControllerGetButton(c, b.button) != 0) hold(pads.keys.*b.code);
        }
        for (const StickKey& s : stick_keys) {
            const int value = SDL_GameControllerGetAxis(c, s.axis);
            if (value <= -gamepad_stick_dead_zone) hold(pads.keys.*s.negative_code);
            if (value >= gamepad_stick_dead_zone) hold(pads.keys.*s.positive_code);
        }
    }
}

void gamepad_add_keys(KeySnapshot& keys)
{
    for (const int code : pads.held) keys[code] |= 0x80;
}

void gamepad_set_keys(const GamepadKeys& keys)
{
    pads.keys = keys;
}

int gamepad_count()
{
    return static_cast<int>(pads.open.size());
}

}  // namespace platform
