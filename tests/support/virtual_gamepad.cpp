#include "support/virtual_gamepad.h"

#include <SDL2/SDL.h>

namespace testing_support {

VirtualGamepad::VirtualGamepad()
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    // An offscreen window never has the keyboard focus, and SDL drops a controller's presses
    // for a program without it.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    // With every button and axis present, SDL maps button n to game-controller button n.
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.name = "brillox test controller";
    device_index_ = SDL_JoystickAttachVirtualEx(&desc);
    if (device_index_ >= 0) joystick_ = SDL_JoystickOpen(device_index_);
}

VirtualGamepad::~VirtualGamepad()
{
    if (joystick_ == nullptr) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(static_cast<SDL_Joystick*>(joystick_));
    SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick_));
    // The device index may have moved since it was plugged in; the instance finds it.
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
}

void VirtualGamepad::set(Button button, bool down)
{
    SDL_JoystickSetVirtualButton(static_cast<SDL_Joystick*>(joystick_), button, down ? 1 : 0);
}

void VirtualGamepad::set_left_stick(int across, int down)
{
    auto* joystick = static_cast<SDL_Joystick*>(joystick_);
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, static_cast<Sint16>(across));
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, static_cast<Sint16>(down));
}

void VirtualGamepad::release_all()
{
    for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button)
        set(static_cast<Button>(button), false);
    set_left_stick(0, 0);
}

}  // namespace testing_support
